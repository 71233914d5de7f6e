#include "configjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <initializer_list>

namespace configjson {

namespace {

using tqimage::MemoryControls;

const QString keyBaud = QStringLiteral("baud");
const QString keyAlarm = QStringLiteral("alarm");
const QString keyDwell = QStringLiteral("dwell");
const QString keyInputs = QStringLiteral("inputs");
const QString keyOutputs = QStringLiteral("outputs");

// Each step returns an error text, empty when it succeeded.
QString checkKeys(const QJsonObject &object)
{
    const QStringList known{keyBaud, keyAlarm, keyDwell, keyInputs, keyOutputs};
    for (const QString &key : known)
        if (!object.contains(key))
            return QStringLiteral("missing key \"%1\"").arg(key);
    for (const QString &key : object.keys())
        if (!known.contains(key))
            return QStringLiteral("unknown key \"%1\"").arg(key);
    return {};
}

QString readBaud(const QJsonValue &value, int &index)
{
    if (value.isNull()) {
        index = -1;
        return {};
    }
    if (!value.isString())
        return QStringLiteral("baud: expected a text or null");
    index = tqimage::baudRates().indexOf(value.toString());
    if (index < 0)
        return QStringLiteral("baud: \"%1\" is not one of %2")
            .arg(value.toString(), tqimage::baudRates().join(QStringLiteral(", ")));
    return {};
}

// The codec reads any other text in a check cell as not set; refused here,
// since "X" or "yes" most likely meant set.
QString checkCellError(const QString &where, qsizetype col, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == tqimage::checkMark)
        return {};
    return QStringLiteral("%1[%2]: a check cell holds \"%3\" or nothing, not \"%4\"")
        .arg(where)
        .arg(col)
        .arg(tqimage::checkMark, text);
}

// `checkCols` are the indices of the check cells within a row.
template <std::size_t Rows, std::size_t Cols>
QString readRows(const QJsonValue &value, const QString &key,
                 std::array<std::array<QString, Cols>, Rows> &rows,
                 std::initializer_list<qsizetype> checkCols)
{
    if (!value.isArray())
        return QStringLiteral("%1: expected an array of %2 rows").arg(key).arg(Rows);
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(Rows))
        return QStringLiteral("%1: expected %2 rows, found %3")
            .arg(key)
            .arg(Rows)
            .arg(array.size());
    for (qsizetype r = 0; r < array.size(); ++r) {
        const QString where = QStringLiteral("%1[%2]").arg(key).arg(r);
        if (!array[r].isArray() || array[r].toArray().size() != qsizetype(Cols))
            return QStringLiteral("%1: expected an array of %2 texts").arg(where).arg(Cols);
        const QJsonArray cells = array[r].toArray();
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (!cells[c].isString())
                return QStringLiteral("%1[%2]: expected a text").arg(where).arg(c);
            rows[r][c] = cells[c].toString();
            if (std::find(checkCols.begin(), checkCols.end(), c) != checkCols.end())
                if (QString error = checkCellError(where, c, rows[r][c]); !error.isEmpty())
                    return error;
        }
    }
    return {};
}

QString readObject(const QJsonObject &object, MemoryControls &controls)
{
    QString error = checkKeys(object);
    if (error.isEmpty())
        error = readBaud(object[keyBaud], controls.baudIndex);
    if (error.isEmpty() && !object[keyAlarm].isBool())
        error = QStringLiteral("alarm: expected true or false");
    if (error.isEmpty() && !object[keyDwell].isString())
        error = QStringLiteral("dwell: expected a text");
    // A row holds grid columns 1 on, so grid column n is index n - 1.
    if (error.isEmpty())
        error = readRows(object[keyInputs], keyInputs, controls.inputs,
                         {tqimage::grid::inputAlarmCol - 1, tqimage::grid::inputLatchCol - 1});
    if (error.isEmpty())
        error = readRows(object[keyOutputs], keyOutputs, controls.outputs,
                         {tqimage::grid::outputAlarmCol - 1});
    controls.alarmSystem = object[keyAlarm].toBool() ? 1 : 0;
    controls.timeout = object[keyDwell].toString();
    return error;
}

// "line L, column C" of a byte offset, both counted from 1; the column
// counts characters, not bytes.
QString lineAndColumn(const QByteArray &text, qsizetype offset)
{
    const QByteArray before = text.left(offset);
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    return QStringLiteral("line %1, column %2")
        .arg(before.count('\n') + 1)
        .arg(QString::fromUtf8(before.mid(lineStart)).size() + 1);
}

// One JSON value in compact form.
QByteArray compact(const QJsonValue &value)
{
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
}

// One row per line, so the output reads like the grid.
template <typename Rows> QByteArray rowsToJson(const Rows &rows)
{
    QByteArrayList lines;
    for (const auto &row : rows)
        lines.append("        " +
                     compact(QJsonArray::fromStringList(QStringList(row.begin(), row.end()))));
    return "[\n" + lines.join(",\n") + "\n    ]";
}

QByteArray member(const QString &key, const QByteArray &value)
{
    return "    " + compact(key) + ": " + value;
}

} // namespace

bool read(const QByteArray &json, MemoryControls &controls, QString &error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("bad JSON at %1: %2")
                    .arg(lineAndColumn(json, parseError.offset), parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("expected a JSON object");
        return false;
    }
    MemoryControls parsed;
    error = readObject(document.object(), parsed);
    if (!error.isEmpty())
        return false;
    controls = parsed;
    return true;
}

QByteArray write(const MemoryControls &controls)
{
    const QStringList &rates = tqimage::baudRates();
    const bool selected = controls.baudIndex >= 0 && controls.baudIndex < rates.size();
    const QByteArrayList members{
        member(keyBaud, compact(selected ? QJsonValue(rates[controls.baudIndex]) : QJsonValue())),
        member(keyAlarm, compact(controls.alarmSystem == 1)),
        member(keyDwell, compact(controls.timeout)),
        member(keyInputs, rowsToJson(controls.inputs)),
        member(keyOutputs, rowsToJson(controls.outputs)),
    };
    return "{\n" + members.join(",\n") + "\n}\n";
}

} // namespace configjson
