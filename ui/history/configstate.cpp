#include "configstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

using tqimage::CodecControls;
using tqimage::Grid;

namespace configstate {

namespace {

// Columns of each grid's data, after the row numbers.
int dataCols(Grid grid)
{
    return grid == Grid::Inputs ? tqimage::grid::inputCols : tqimage::grid::outputCols;
}

QStringList cellsOf(const CodecControls &controls, Grid grid)
{
    QStringList cells;
    for (int row = 1; row < controls.gridRows(grid); ++row)
        for (int col = 1; col < dataCols(grid); ++col)
            cells << controls.cellText(grid, row, col);
    return cells;
}

void putCells(const QStringList &cells, CodecControls &controls, Grid grid)
{
    const int perRow = dataCols(grid) - 1;
    for (qsizetype i = 0; i < cells.size() && 1 + i / perRow < controls.gridRows(grid); ++i)
        controls.setCellText(grid, int(1 + i / perRow), int(1 + i % perRow), cells[i]);
}

QByteArray withoutTrailingZeros(const tqimage::EEPROMImage &image)
{
    const auto view = tqimage::addressView(image);
    const auto last = std::find_if(view.rbegin(), view.rend(), [](auto b) { return b != 0; });
    return QByteArray(reinterpret_cast<const char *>(view.data()), view.rend() - last);
}

// Identifies the file's content as ours, and its version.
const QString formatKey = QStringLiteral("format");
const QString formatName = QStringLiteral("tq540-2 recovery 1");

} // namespace

ConfigState capture(const CodecControls &controls, const tqimage::EEPROMImage &image)
{
    ConfigState state;
    state.image = withoutTrailingZeros(image);
    state.inputCells = cellsOf(controls, Grid::Inputs);
    state.outputCells = cellsOf(controls, Grid::Outputs);
    state.timeoutText = controls.timeoutText();
    state.alarmSystem = controls.alarmSystemValue();
    state.baudIndex = controls.baudListIndex();
    return state;
}

void apply(const ConfigState &state, CodecControls &controls, tqimage::EEPROMImage &image)
{
    const auto view = tqimage::addressView(image);
    std::fill(view.begin(), view.end(), std::uint8_t{0});
    std::copy_n(state.image.cbegin(), std::min<qsizetype>(state.image.size(), view.size()),
                view.begin());
    putCells(state.inputCells, controls, Grid::Inputs);
    putCells(state.outputCells, controls, Grid::Outputs);
    controls.setTimeoutText(state.timeoutText);
    controls.setAlarmSystemValue(state.alarmSystem);
    controls.setBaudListIndex(state.baudIndex);
    controls.SetPosition(Grid::Inputs);
    controls.SetPosition(Grid::Outputs);
}

QByteArray toJson(const ConfigState &state, const QDateTime &kept)
{
    const QJsonObject object{
        {formatKey, formatName},
        {QStringLiteral("kept"), kept.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("file"), state.filename},
        {QStringLiteral("caption"), state.caption},
        {QStringLiteral("dataLen"), state.dataLen},
        {QStringLiteral("image"), QString::fromLatin1(state.image.toBase64())},
        {QStringLiteral("inputs"), QJsonArray::fromStringList(state.inputCells)},
        {QStringLiteral("outputs"), QJsonArray::fromStringList(state.outputCells)},
        {QStringLiteral("dwell"), state.timeoutText},
        {QStringLiteral("alarm"), state.alarmSystem},
        {QStringLiteral("baud"), state.baudIndex},
    };
    return QJsonDocument(object).toJson();
}

std::optional<Kept> fromJson(const QByteArray &content)
{
    const QJsonObject object = QJsonDocument::fromJson(content).object();
    if (object.value(formatKey).toString() != formatName)
        return std::nullopt;
    const auto strings = [&](const char *key) {
        QStringList list;
        for (const QJsonValue &value : object.value(QLatin1String(key)).toArray())
            list << value.toString();
        return list;
    };
    const auto text = [&](const char *key) { return object.value(QLatin1String(key)).toString(); };
    const auto number = [&](const char *key) { return object.value(QLatin1String(key)).toInt(); };
    Kept kept{{}, QDateTime::fromString(text("kept"), Qt::ISODateWithMs)};
    ConfigState &state = kept.state;
    state.image = QByteArray::fromBase64(text("image").toLatin1()).left(tqimage::imagePositions);
    state.dataLen = number("dataLen");
    state.filename = text("file");
    state.caption = text("caption");
    state.inputCells = strings("inputs");
    state.outputCells = strings("outputs");
    state.timeoutText = text("dwell");
    state.alarmSystem = number("alarm");
    state.baudIndex = object.value(QStringLiteral("baud")).toInt(-1);
    return kept;
}

} // namespace configstate
