#pragma once

#include "eepromimage.h"

#include <QString>
#include <QStringList>
#include <array>

// Two configurations compared the way the window shows them: both images are
// decoded by the codec and each differing setting or cell becomes one line,
// "Input 5, Group: 3 -> 4". A byte of the transferred range that also differs
// in what the window does not show (an unused byte, an ignored bit, a baud-rate
// code outside the list) is named by its EEPROM address as well, so two
// configurations are equal only when a transfer would move the same bytes.
namespace configdiff {

// The names of the settings and columns, as the window labels them.
struct Labels
{
    QString input = QStringLiteral("Input");
    QString output = QStringLiteral("Output");
    QString baudRate = QStringLiteral("Baud rate");
    QString alarmSystem = QStringLiteral("Small alarm system");
    QString dwellTime = QStringLiteral("LED dwell time");
    std::array<QString, 4> inputColumns{QStringLiteral("Type (0/1)"), QStringLiteral("Alarm"),
                                        QStringLiteral("Group"), QStringLiteral("Latch")};
    std::array<QString, 2> outputColumns{QStringLiteral("Power-on"), QStringLiteral("Alarm")};
};

// The names as the window's captions and column headers read in the language
// library (without a caption's colon), the names above where it has none.
Labels windowLabels();

// The differences from `before` to `after` in address order; empty when equal.
QStringList differences(const tqimage::EEPROMImage &before, const tqimage::EEPROMImage &after,
                        const Labels &labels = {});

} // namespace configdiff
