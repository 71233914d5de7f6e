#pragma once

#include "eepromimage.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A configuration on paper: the three settings and both grids with the texts
// the window shows after decoding, where the configuration came from, the
// date, and the bytes the window does not show. It is HTML within the subset
// Qt's rich-text engine renders (tables with border and cellpadding
// attributes, no style sheets beyond font and border-collapse), sized for one
// A4 page in portrait, so that
//
//     QTextDocument document;
//     document.setHtml(sheet::html(image, source));
//     document.print(&pdfWriter); // or a QPrinter
//
// prints what tq540ctl writes as a file.
namespace sheet {

// The captions: the window's own, the toolbar's for the device, and the
// sheet's. The defaults are the English texts.
struct Labels
{
    QString title = QStringLiteral("TQ540-2 configuration sheet");
    QString file = QStringLiteral("File:");
    QString device = QStringLiteral("Device:");
    QString serialNumber = QStringLiteral("Serial Number:");
    QString deviceId = QStringLiteral("Device ID:");
    QString port = QStringLiteral("COM:");
    QString speed = QStringLiteral("Baud rate:"); // the speed the device answered at
    QString date = QStringLiteral("Date:");
    QString unusedBytes = QStringLiteral("Unused bytes (EEPROM address: value):");
    QString baudRate = QStringLiteral("Baud rate:");
    QString dwellTime = QStringLiteral("LED dwell time:");
    QString minutes = QStringLiteral("minutes");
    QString alarmSystem = QStringLiteral("Small alarm system");
    QString inputs = QStringLiteral("Input Properties");
    QString outputs = QStringLiteral("Output Properties");
    std::array<QString, 5> inputColumns{QStringLiteral("No."), QStringLiteral("Type (0/1)"),
                                        QStringLiteral("Alarm"), QStringLiteral("Group"),
                                        QStringLiteral("Latch")};
    std::array<QString, 3> outputColumns{QStringLiteral("No."), QStringLiteral("Power-on"),
                                         QStringLiteral("Alarm")};
};

// The captions as the loaded language library has them; the defaults where
// it has none.
Labels languageLabels();

// The device a configuration was read from or written into.
struct Device
{
    QString port; // as the user named it
    std::uint32_t serialNumber = 0;
    int deviceId = 0;
    QString text;    // the device's own text
    qint64 baud = 0; // the speed it answered at; 0: not known, not printed
};

// Where the configuration on a sheet came from: a file, a device, or both
// (a file commissioned into a device).
struct Source
{
    QString file; // as the user named it; empty: none
    std::optional<Device> device;
    QString date; // as it is printed, "2025-03-04"
};

// A byte of the configuration range holding something the window does not
// show: an unused byte, a bit no control stands for, a speed code outside the
// list.
struct UnusedByte
{
    int address = 0; // EEPROM address
    std::uint8_t value = 0;
    friend bool operator==(const UnusedByte &, const UnusedByte &) = default;
};

// Those bytes of `image`, in address order.
std::vector<UnusedByte> unusedBytes(const tqimage::EEPROMImage &image);

// The sheet of `image`, a whole HTML document.
QString html(const tqimage::EEPROMImage &image, const Source &source,
             const Labels &labels = languageLabels());

} // namespace sheet
