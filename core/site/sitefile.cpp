#include "sitefile.h"

#include "jsonfile.h"

#include <QCryptographicHash>
#include <QDir>
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
    const std::optional<QJsonObject> top = jsonfile::topObject(json, error);
    if (!top)
        return std::nullopt;
    KeyReader keys{*top, {}};
    SiteIndex site;
    site.port = keys.text(keyPort);
    site.devices = jsonfile::entries<DeviceEntry>(keys, keyDevices, readEntry);
    error = keys.error;
    return error.isEmpty() ? std::optional(site) : std::nullopt;
}

std::optional<SiteIndex> readIndex(const QString &folder, diagnostic::Problem &problem,
                                   bool *badContent)
{
    const QString path = QDir(folder).filePath(indexName);
    const std::optional<QByteArray> json = jsonfile::read(path, siteFileRole, problem);
    if (!json)
        return std::nullopt;
    QString error;
    std::optional<SiteIndex> site = fromJson(*json, error);
    if (!site)
        problem = {path, QStringLiteral("not a site backup"), error};
    if (badContent)
        *badContent = !site;
    return site;
}

diagnostic::Problem writeIndex(const QString &folder, const SiteIndex &site)
{
    return jsonfile::write(QDir(folder).filePath(indexName), toJson(site), siteFileRole);
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace site
