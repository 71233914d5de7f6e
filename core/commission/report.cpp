#include "report.h"

#include "jsonfile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <filesystem>
#include <system_error>

namespace commission {

namespace {

const QString keyDevices = QStringLiteral("devices");
const QString keyPlan = QStringLiteral("plan");
const QString keyLine = QStringLiteral("line");
const QString keyPort = QStringLiteral("port");
const QString keySn = QStringLiteral("sn");
const QString keyFile = QStringLiteral("file");
const QString keySha256 = QStringLiteral("sha256");
const QString keyDeviceId = QStringLiteral("deviceId");
const QString keySerialNumber = QStringLiteral("serialNumber");
const QString keySpeed = QStringLiteral("speed");
const QString keyEepromSize = QStringLiteral("eepromSize");
const QString keyDeviceText = QStringLiteral("deviceText");
const QString keyResult = QStringLiteral("result");
const QString keyResultText = QStringLiteral("resultText");
const QString keyTime = QStringLiteral("time");
const QString keySheet = QStringLiteral("sheet");

const QString reportRole = QStringLiteral("report");

QJsonObject entryJson(const ReportEntry &e)
{
    return {{keyPlan, e.plan},
            {keyLine, e.line},
            {keyPort, e.port},
            {keySn, e.sn},
            {keyFile, e.file},
            {keySha256, e.sha256},
            {keyDeviceId, e.deviceId},
            {keySerialNumber, qint64(e.serialNumber)},
            {keySpeed, e.speed},
            {keyEepromSize, e.eepromSize},
            {keyDeviceText, e.deviceText},
            {keyResult, e.result},
            {keyResultText, e.resultText},
            {keyTime, e.time},
            {keySheet, e.sheet}};
}

ReportEntry readEntry(site::KeyReader &keys)
{
    ReportEntry e;
    e.plan = keys.text(keyPlan);
    e.line = int(keys.number(keyLine, 0, 0x7FFFFFFF));
    e.port = keys.text(keyPort);
    e.sn = keys.text(keySn);
    e.file = keys.text(keyFile);
    e.sha256 = keys.text(keySha256);
    e.deviceId = int(keys.number(keyDeviceId, 0, 255));
    e.serialNumber = std::uint32_t(keys.number(keySerialNumber, 0, 0xFFFFFFFFLL));
    e.speed = keys.number(keySpeed, 0, 0x7FFFFFFF);
    e.eepromSize = std::int32_t(keys.number(keyEepromSize, 0, 0x7FFFFFFF));
    e.deviceText = keys.text(keyDeviceText);
    e.result = std::int32_t(keys.number(keyResult, 0, 0x7FFFFFFF));
    e.resultText = keys.text(keyResultText);
    e.time = keys.text(keyTime);
    e.sheet = keys.text(keySheet);
    keys.require(site::isSha256(e.sha256), keySha256, QStringLiteral("64 hex digits"));
    keys.require(e.sheet.isEmpty() || site::isPlainName(e.sheet), keySheet,
                 QStringLiteral("the name of a file in the report's folder"));
    return e;
}

} // namespace

QByteArray toJson(const Report &report)
{
    QJsonArray devices;
    for (const ReportEntry &entry : report.devices)
        devices.append(entryJson(entry));
    return QJsonDocument(QJsonObject{{keyDevices, devices}}).toJson();
}

std::optional<Report> fromJson(const QByteArray &json, QString &error)
{
    const std::optional<QJsonObject> top = site::jsonfile::topObject(json, error);
    if (!top)
        return std::nullopt;
    site::KeyReader keys{*top, {}};
    Report report;
    report.devices = site::jsonfile::entries<ReportEntry>(keys, keyDevices, readEntry);
    error = keys.error;
    return error.isEmpty() ? std::optional(report) : std::nullopt;
}

std::optional<Report> readReport(const QString &folder, diagnostic::Problem &problem)
{
    const QString path = QDir(folder).filePath(reportName);
    if (!QFileInfo::exists(path))
        return Report{};
    const std::optional<QByteArray> json = site::jsonfile::read(path, reportRole, problem);
    if (!json)
        return std::nullopt;
    QString error;
    std::optional<Report> report = fromJson(*json, error);
    if (!report)
        problem = {path, QStringLiteral("not a commissioning report"), error};
    return report;
}

diagnostic::Problem writeReport(const QString &folder, const Report &report)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
    if (error)
        return {folder, QStringLiteral("cannot make the folder"),
                QString::fromLocal8Bit(error.message())};
    return site::jsonfile::write(QDir(folder).filePath(reportName), toJson(report), reportRole);
}

} // namespace commission
