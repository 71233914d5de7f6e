#pragma once

#include "diagnostic.h"
#include "keyreader.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

// The JSON files this program keeps beside what it wrote (site.json, a
// commissioning report): read and written whole, their top object parsed,
// their list of entries read one by one, each problem worded the same way.
namespace site::jsonfile {

// The file's bytes; empty, with `problem` naming the file as `role` ("site
// file"), when it cannot be read.
std::optional<QByteArray> read(const QString &path, const QString &role,
                               diagnostic::Problem &problem);
diagnostic::Problem write(const QString &path, const QByteArray &json, const QString &role);

// The top object of `json`; empty, with `error`, when it is not one.
std::optional<QJsonObject> topObject(const QByteArray &json, QString &error);

// The array `key` of the object `keys` reads, each item read by `readEntry`
// with its own reader ("devices[2]"); the first problem goes to keys.error.
template <typename Entry, typename ReadEntry>
std::vector<Entry> entries(KeyReader &keys, const QString &key, ReadEntry readEntry)
{
    const QJsonValue array = keys.value(key);
    keys.require(array.isArray(), key, QStringLiteral("an array"));
    std::vector<Entry> read;
    for (qsizetype i = 0; keys.error.isEmpty() && i < array.toArray().size(); ++i) {
        const QJsonValue item = array.toArray().at(i);
        const QJsonObject object = item.toObject();
        KeyReader entry{object, QStringLiteral("%1[%2]").arg(key).arg(i)};
        if (!item.isObject())
            entry.error = entry.where + QStringLiteral(": expected an object");
        read.push_back(readEntry(entry));
        keys.error = entry.error;
    }
    return read;
}

} // namespace site::jsonfile
