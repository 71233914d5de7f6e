#include "sheet.h"

#include "memorycontrols.h"
#include "resdll.h"

#include <QStringList>
#include <memory>

namespace sheet {

namespace {

using tqimage::MemoryControls;
namespace layout = tqimage::layout;

// Language texts: the sheet's own, the toolbar's and the window's captions.
constexpr int textTitle = 2400;
constexpr int textFile = 2401;
constexpr int textDevice = 2402;
constexpr int textDate = 2403;
constexpr int textUnusedBytes = 2404;
constexpr int textPort = 1201;
constexpr int textSpeed = 1202;
constexpr int textSerialNumber = 1203;
constexpr int textDeviceId = 1204;
constexpr int textBaudRate = 2300;
constexpr int textDwellTime = 2301;
constexpr int textMinutes = 2302;
constexpr int textAlarmSystem = 2303;
constexpr int textInputs = 2304;
constexpr int textOutputs = 2305;
constexpr int textInputColumns[] = {2306, 2307, 2308, 2309, 2310};
constexpr int textOutputColumns[] = {2306, 2311, 2308};

void take(QString &label, int id)
{
    label = textOr(id, label);
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString cell(const QString &text, const char *attributes = "")
{
    return QStringLiteral("<td%1>%2</td>").arg(QLatin1String(attributes), escaped(text));
}

QString headerCell(const QString &text)
{
    return QStringLiteral("<th>%1</th>").arg(escaped(text));
}

// A caption and its value on one line of a borderless table.
QString captionRow(const QString &caption, const QString &value)
{
    return QStringLiteral("<tr>") + cell(caption) + cell(value) + QStringLiteral("</tr>\n");
}

QString origin(const Source &source, const Labels &labels)
{
    QString rows;
    if (!source.file.isEmpty())
        rows += captionRow(labels.file, source.file);
    if (source.device) {
        rows += captionRow(labels.device, source.device->text);
        rows += captionRow(labels.serialNumber, QString::number(source.device->serialNumber));
        rows += captionRow(labels.deviceId, QString::number(source.device->deviceId));
        rows += captionRow(labels.port, source.device->port);
        if (source.device->baud > 0)
            rows += captionRow(labels.speed, QString::number(source.device->baud));
    }
    rows += captionRow(labels.date, source.date);
    return QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">\n") + rows +
           QStringLiteral("</table>\n");
}

const char *const gridTable = "<table width=\"100%\" border=\"1\" cellspacing=\"0\" "
                              "cellpadding=\"1\" style=\"border-collapse: collapse\">\n";

// Side by side, each at the top of its column: a table of widths in per cent.
QString sideBySide(const QString &left, int leftWidth, const QString &right, int rightWidth)
{
    const int gap = 100 - leftWidth - rightWidth;
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>\n"
                          "<td valign=\"top\" width=\"%1%\">\n%2</td>\n<td width=\"%3%\"></td>\n"
                          "<td valign=\"top\" width=\"%4%\">\n%5</td>\n</tr></table>\n")
        .arg(leftWidth)
        .arg(left)
        .arg(gap)
        .arg(rightWidth)
        .arg(right);
}

// The settings row of the window: the baud rate, the dwell time with its
// unit, and the alarm system's check box as a check cell.
QString settings(const MemoryControls &controls, const Labels &labels)
{
    const QString baud = tqimage::baudRates().value(controls.baudIndex);
    const QString alarm = controls.alarmSystem == 1 ? tqimage::checkMark : QString();
    return QLatin1String(gridTable) + captionRow(labels.baudRate, baud) +
           captionRow(labels.dwellTime, controls.timeout + u' ' + labels.minutes) +
           captionRow(labels.alarmSystem, alarm) + QStringLiteral("</table>\n");
}

template <std::size_t Columns, typename Row>
QString grid(const QString &title, const std::array<QString, Columns> &headers,
             const std::array<Row, layout::recordCount> &rows)
{
    QString html = QStringLiteral("<p><b>%1</b></p>\n").arg(escaped(title)) +
                   QLatin1String(gridTable) + QStringLiteral("<tr>");
    for (const QString &header : headers)
        html += headerCell(header);
    html += QStringLiteral("</tr>\n");
    for (int r = 0; r < layout::recordCount; ++r) {
        html += QStringLiteral("<tr>") + cell(QString::number(r + 1), " align=\"center\"");
        for (const QString &text : rows[std::size_t(r)])
            html += cell(text, " align=\"center\"");
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

// The two grids side by side, as in the window.
QString grids(const MemoryControls &controls, const Labels &labels)
{
    return sideBySide(grid(labels.inputs, labels.inputColumns, controls.inputs), 58,
                      grid(labels.outputs, labels.outputColumns, controls.outputs), 38);
}

QString unused(const tqimage::EEPROMImage &image, const Labels &labels)
{
    QStringList items;
    for (const UnusedByte &byte : unusedBytes(image))
        items << QStringLiteral("%1: 0x%2")
                     .arg(byte.address)
                     .arg(QString::number(byte.value, 16).toUpper().rightJustified(2, u'0'));
    if (items.isEmpty())
        return {};
    return QStringLiteral("<p>%1 %2</p>\n").arg(escaped(labels.unusedBytes), items.join(u", "));
}

} // namespace

Labels languageLabels()
{
    Labels labels;
    take(labels.title, textTitle);
    take(labels.file, textFile);
    take(labels.device, textDevice);
    take(labels.date, textDate);
    take(labels.unusedBytes, textUnusedBytes);
    take(labels.port, textPort);
    take(labels.speed, textSpeed);
    take(labels.serialNumber, textSerialNumber);
    take(labels.deviceId, textDeviceId);
    take(labels.baudRate, textBaudRate);
    take(labels.dwellTime, textDwellTime);
    take(labels.minutes, textMinutes);
    take(labels.alarmSystem, textAlarmSystem);
    take(labels.inputs, textInputs);
    take(labels.outputs, textOutputs);
    for (std::size_t c = 0; c < labels.inputColumns.size(); ++c)
        take(labels.inputColumns[c], textInputColumns[c]);
    for (std::size_t c = 0; c < labels.outputColumns.size(); ++c)
        take(labels.outputColumns[c], textOutputColumns[c]);
    return labels;
}

std::vector<UnusedByte> unusedBytes(const tqimage::EEPROMImage &image)
{
    // What the window shows, encoded again, is the byte without what it drops.
    MemoryControls controls;
    tqimage::EEPROM_DECODE(controls, image);
    auto shown = std::make_unique<tqimage::EEPROMImage>();
    tqimage::EEPROM_ENCODE(controls, *shown);
    std::vector<UnusedByte> bytes;
    for (int p = layout::transferStart; p <= layout::transferStop; ++p)
        if (image[p] != (*shown)[p])
            bytes.push_back({p - 1, image[p]});
    return bytes;
}

QString html(const tqimage::EEPROMImage &image, const Source &source, const Labels &labels)
{
    MemoryControls controls;
    tqimage::EEPROM_DECODE(controls, image);
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<title>%1</title></head>\n"
                          "<body style=\"font-family: sans-serif; font-size: 9pt\">\n"
                          "<h2>%1</h2>\n")
               .arg(escaped(labels.title)) +
           sideBySide(origin(source, labels), 48, settings(controls, labels), 48) +
           grids(controls, labels) + unused(image, labels) + QStringLiteral("</body></html>\n");
}

} // namespace sheet
