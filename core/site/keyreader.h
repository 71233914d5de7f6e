#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QString>
#include <cmath>

// Reading the keys of a JSON file this program writes (site.json, a
// commissioning report), so that what is wrong with one is named the same
// way: "devices[2].sha256: expected 64 hex digits".
namespace site {

// Reads the keys of one object; the first thing wrong is kept in `error`,
// after which every read gives an empty value.
struct KeyReader
{
    const QJsonObject &object;
    QString where; // "devices[2]"
    QString error = {};

    // "devices[2].sha256", or the key alone at the top.
    QString at(const QString &key) const { return where.isEmpty() ? key : where + u'.' + key; }
    QJsonValue value(const QString &key)
    {
        if (error.isEmpty() && !object.contains(key))
            error = (where.isEmpty() ? QString() : where + QStringLiteral(": ")) +
                    QStringLiteral("missing key \"%1\"").arg(key);
        return error.isEmpty() ? object.value(key) : QJsonValue();
    }
    qint64 number(const QString &key, qint64 low, qint64 high)
    {
        const QJsonValue found = value(key);
        const double n = found.toDouble();
        if (error.isEmpty() && (!found.isDouble() || n != std::floor(n) || n < low || n > high))
            error = QStringLiteral("%1: expected a whole number from %2 to %3")
                        .arg(at(key))
                        .arg(low)
                        .arg(high);
        return error.isEmpty() ? qint64(n) : 0;
    }
    QString text(const QString &key)
    {
        const QJsonValue found = value(key);
        if (error.isEmpty() && !found.isString())
            error = at(key) + QStringLiteral(": expected a text");
        return found.toString();
    }
    void require(bool holds, const QString &key, const QString &what)
    {
        if (error.isEmpty() && !holds)
            error = at(key) + QStringLiteral(": expected ") + what;
    }
};

// A name of a file in the folder itself: no path, nothing above it.
inline bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
           !name.contains(u'\\');
}

inline bool isSha256(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{64}$"));
    return hex.match(text).hasMatch();
}

} // namespace site
