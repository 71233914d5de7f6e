#include "sitefile.h"

#include "apifilefunction.h"
#include "keyreader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace site {

namespace {

const QString keyPort = QStringLiteral("port");
const QString keyDevices = QStringLiteral("devices");
const QString keyDeviceId = QStringLiteral("deviceId");
const QString keySerialNumber = QStringLiteral("serialNumber");
const QString keySpeed = QStringLiteral("speed");
const QString keyEepromSize = QStringLiteral("eepromSize");
const QString keyDeviceText = QStringLiteral("deviceText");
const QString keyFile = QStringLiteral("file");
const QString keySha256 = QStringLiteral("sha256");
const QString keyTime = QStringLiteral("time");
const QString keyResult = QStringLiteral("result");
const QString keyResultText = QStringLiteral("resultText");

const QString siteFileRole = QStringLiteral("site file");

QJsonObject entryJson(const DeviceEntry &d)
{
    return {{keyDeviceId, d.deviceId},     {keySerialNumber, qint64(d.serialNumber)},
            {keySpeed, d.speed},           {keyEepromSize, d.eepromSize},
            {keyDeviceText, d.deviceText}, {keyFile, d.file},
            {keySha256, d.sha256},         {keyTime, d.time},
            {keyResult, d.result},         {keyResultText, d.resultText}};
}

DeviceEntry readEntry(KeyReader &keys)
{
    DeviceEntry d;
    d.deviceId = int(keys.number(keyDeviceId, 0, 255));
    d.serialNumber = std::uint32_t(keys.number(keySerialNumber, 0, 0xFFFFFFFFLL));
    d.speed = keys.number(keySpeed, 0, 0x7FFFFFFF);
    d.eepromSize = std::int32_t(keys.number(keyEepromSize, 0, 0x7FFFFFFF));
    d.deviceText = keys.text(keyDeviceText);
    d.file = keys.text(keyFile);
    d.sha256 = keys.text(keySha256);
    d.time = keys.text(keyTime);
    d.result = std::int32_t(keys.number(keyResult, 0, 0x7FFFFFFF));
    d.resultText = keys.text(keyResultText);
    if (d.saved()) {
        keys.require(isPlainName(d.file), keyFile,
                     QStringLiteral("the name of a file in the "
                                    "backup's folder"));
        keys.require(isSha256(d.sha256), keySha256, QStringLiteral("64 hex digits"));
    }
    return d;
}

} // namespace

QByteArray toJson(const SiteIndex &site)
{
    QJsonArray devices;
    for (const DeviceEntry &device : site.devices)
        devices.append(entryJson(device));
    return QJsonDocument(QJsonObject{{keyPort, site.port}, {keyDevices, devices}}).toJson();
}

std::optional<SiteIndex> fromJson(const QByteArray &json, QString &error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (!document.isObject()) {
        error = parse.error == QJsonParseError::NoError ? QStringLiteral("expected a JSON object")
                                                        : parse.errorString();
        return std::nullopt;
    }
    const QJsonObject top = document.object();
    KeyReader keys{top, {}};
    SiteIndex site;
    site.port = keys.text(keyPort);
    const QJsonValue devices = keys.value(keyDevices);
    keys.require(devices.isArray(), keyDevices, QStringLiteral("an array"));
    for (qsizetype i = 0; keys.error.isEmpty() && i < devices.toArray().size(); ++i) {
        const QJsonValue item = devices.toArray().at(i);
        KeyReader entry{item.toObject(), QStringLiteral("devices[%1]").arg(i)};
        if (!item.isObject())
            entry.error = entry.where + QStringLiteral(": expected an object");
        site.devices.push_back(readEntry(entry));
        keys.error = entry.error;
    }
    error = keys.error;
    return error.isEmpty() ? std::optional(site) : std::nullopt;
}

std::optional<SiteIndex> readIndex(const QString &folder, diagnostic::Problem &problem,
                                   bool *badContent)
{
    const QString path = QDir(folder).filePath(indexName);
    QByteArray json(QFileInfo(path).size(), '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        path, std::span(reinterpret_cast<std::uint8_t *>(json.data()), json.size()));
    if (count < 0) {
        problem = diagnostic::cannotRead(path, siteFileRole, API_FileFunction::LastErrorText());
        return std::nullopt;
    }
    json.truncate(count);
    QString error;
    std::optional<SiteIndex> site = fromJson(json, error);
    if (!site)
        problem = {path, QStringLiteral("not a site backup"), error};
    if (badContent)
        *badContent = !site;
    return site;
}

diagnostic::Problem writeIndex(const QString &folder, const SiteIndex &site)
{
    const QString path = QDir(folder).filePath(indexName);
    const QByteArray json = toJson(site);
    if (API_FileFunction::FileWriteAll(
            path, std::span(reinterpret_cast<const std::uint8_t *>(json.constData()),
                            std::size_t(json.size()))) < 0)
        return diagnostic::cannotWrite(path, siteFileRole, API_FileFunction::LastErrorText());
    return {};
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace site
