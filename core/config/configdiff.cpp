#include "configdiff.h"

#include "memorycontrols.h"
#include "resdll.h"

#include <memory>

namespace configdiff {

namespace {

using tqimage::MemoryControls;
namespace layout = tqimage::layout;
namespace grid = tqimage::grid;

// Check marks read as words; other cells as they stand.
QString cellWords(const QString &text, bool checkColumn)
{
    if (!checkColumn)
        return text;
    return text == tqimage::checkMark ? QStringLiteral("on") : QStringLiteral("off");
}

QString change(const QString &what, const QString &before, const QString &after)
{
    return QStringLiteral("%1: %2 -> %3").arg(what, before, after);
}

QString baudText(const MemoryControls &controls)
{
    return tqimage::baudRates().value(controls.baudIndex);
}

QString alarmText(const MemoryControls &controls)
{
    return cellWords(controls.alarmSystem == 1 ? tqimage::checkMark : QString(), true);
}

// The settings kept in one byte, compared by their window texts.
QStringList settingChanges(int position, const MemoryControls &a, const MemoryControls &b,
                           const Labels &labels)
{
    QStringList lines;
    const auto compare = [&](const QString &what, const QString &before, const QString &after) {
        if (before != after)
            lines << change(what, before, after);
    };
    if (position == layout::posBaud)
        compare(labels.baudRate, baudText(a), baudText(b));
    else if (position == layout::posFlags)
        compare(labels.alarmSystem, alarmText(a), alarmText(b));
    else if (position == layout::posDwell)
        compare(labels.dwellTime, a.timeout, b.timeout);
    return lines;
}

bool isCheckColumn(tqimage::Grid which, int col)
{
    if (which == tqimage::Grid::Outputs)
        return col == grid::outputAlarmCol;
    return col == grid::inputAlarmCol || col == grid::inputLatchCol;
}

// Columns 1 on of one grid row.
template <typename Row, std::size_t Columns>
QStringList rowChanges(tqimage::Grid which, const QString &record, const Row &a, const Row &b,
                       const std::array<QString, Columns> &names)
{
    QStringList lines;
    for (std::size_t c = 0; c < Columns; ++c) {
        const bool check = isCheckColumn(which, int(c) + 1);
        if (a[c] != b[c])
            lines << change(QStringLiteral("%1, %2").arg(record, names[c]), cellWords(a[c], check),
                            cellWords(b[c], check));
    }
    return lines;
}

// The lines the window's controls show for the byte at `position`.
QStringList shownChanges(int position, const MemoryControls &a, const MemoryControls &b,
                         const Labels &labels)
{
    if (position >= layout::posFirstInput && position <= layout::posLastInput) {
        const int r = position - layout::posFirstInput;
        return rowChanges(tqimage::Grid::Inputs,
                          QStringLiteral("%1 %2").arg(labels.input).arg(r + 1), a.inputs[r],
                          b.inputs[r], labels.inputColumns);
    }
    if (position >= layout::posFirstOutput && position <= layout::posLastOutput) {
        const int r = position - layout::posFirstOutput;
        return rowChanges(tqimage::Grid::Outputs,
                          QStringLiteral("%1 %2").arg(labels.output).arg(r + 1), a.outputs[r],
                          b.outputs[r], labels.outputColumns);
    }
    return settingChanges(position, a, b, labels);
}

QString byteText(std::uint8_t byte)
{
    return QStringLiteral("0x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
}

// Language texts of the window's captions and column headers.
constexpr int textBaudRate = 2300;
constexpr int textDwellTime = 2301;
constexpr int textAlarmSystem = 2303;
constexpr int textInputColumns[] = {2307, 2308, 2309, 2310};
constexpr int textOutputColumns[] = {2311, 2308};

// A caption of the window without its colon.
QString label(int id, const QString &fallback)
{
    QString caption = textOr(id, fallback).trimmed();
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption.trimmed();
}

} // namespace

Labels windowLabels()
{
    Labels labels;
    labels.baudRate = label(textBaudRate, labels.baudRate);
    labels.dwellTime = label(textDwellTime, labels.dwellTime);
    labels.alarmSystem = label(textAlarmSystem, labels.alarmSystem);
    for (std::size_t c = 0; c < labels.inputColumns.size(); ++c)
        labels.inputColumns[c] = label(textInputColumns[c], labels.inputColumns[c]);
    for (std::size_t c = 0; c < labels.outputColumns.size(); ++c)
        labels.outputColumns[c] = label(textOutputColumns[c], labels.outputColumns[c]);
    return labels;
}

QStringList differences(const tqimage::EEPROMImage &before, const tqimage::EEPROMImage &after,
                        const Labels &labels)
{
    MemoryControls a;
    MemoryControls b;
    tqimage::EEPROM_DECODE(a, before);
    tqimage::EEPROM_DECODE(b, after);
    // Re-encoding what the window shows gives each byte back without the bits
    // the window drops.
    auto shownBefore = std::make_unique<tqimage::EEPROMImage>();
    auto shownAfter = std::make_unique<tqimage::EEPROMImage>();
    tqimage::EEPROM_ENCODE(a, *shownBefore);
    tqimage::EEPROM_ENCODE(b, *shownAfter);
    QStringList lines;
    for (int p = layout::transferStart; p <= layout::transferStop; ++p) {
        lines << shownChanges(p, a, b, labels);
        if ((before[p] ^ (*shownBefore)[p]) != (after[p] ^ (*shownAfter)[p]))
            lines << change(QStringLiteral("EEPROM address %1").arg(p - 1), byteText(before[p]),
                            byteText(after[p]));
    }
    return lines;
}

} // namespace configdiff
