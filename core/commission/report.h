#pragma once

#include "diagnostic.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The record of a commissioning, report.json in the report's folder: one
// entry for every device a run wrote (or tried to), in the order they were
// done, earlier runs' entries first:
//
//   {"devices": [{"plan": "site-a.csv", "line": 2, "port": "/dev/ttyUSB0",
//                 "sn": "3", "file": "io-north.ztb", "sha256": "3f0a...",
//                 "deviceId": 3, "serialNumber": 4242, "speed": 2400,
//                 "eepromSize": 1024, "deviceText": "TQ540-2 remote I/O",
//                 "result": 0, "resultText": "Upload completed.",
//                 "time": "2025-03-04T10:15:02Z", "sheet": "4242.html"}]}
//
// "plan" to "sha256" are what was planned (the row as the plan writes it and
// the file's SHA-256), "deviceId" to "deviceText" the device as it answered
// (0 and "" when none did), "result" 0 when the device runs the file's
// configuration, else what stopped it (a device link result, or 1 when the
// sheet or the report could not be written). "sheet" names the device's
// configuration sheet in the folder, "" when there is none.
namespace commission {

inline const QString reportName = QStringLiteral("report.json");

struct ReportEntry
{
    QString plan; // the plan's file name
    int line = 0;
    QString port;
    QString sn;
    QString file;
    QString sha256;
    int deviceId = 0;
    std::uint32_t serialNumber = 0;
    qint64 speed = 0;
    std::int32_t eepromSize = 0;
    QString deviceText;
    std::int32_t result = 0;
    QString resultText;
    QString time; // ISO 8601 in UTC
    QString sheet;

    bool done() const { return result == 0; }
    friend bool operator==(const ReportEntry &, const ReportEntry &) = default;
};

struct Report
{
    std::vector<ReportEntry> devices;
};

QByteArray toJson(const Report &report);
// The report in a JSON text; empty, with `error` naming the key and what it
// needs, when the text is not one.
std::optional<Report> fromJson(const QByteArray &json, QString &error);

// DIR/report.json; an empty report when there is none yet. Empty, with
// `problem`, when it cannot be read or is no report.
std::optional<Report> readReport(const QString &folder, diagnostic::Problem &problem);
// Makes the folder when missing and replaces report.json at once or not at all.
diagnostic::Problem writeReport(const QString &folder, const Report &report);

} // namespace commission
