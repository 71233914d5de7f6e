#pragma once

#include "diagnostic.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The index of a site backup, site.json in the backup's folder: the port the
// devices were found on, and for every device found what it is, the file its
// configuration went into with that file's SHA-256, when it was done, and how
// it went:
//
//   {"port": "/dev/ttyUSB0",
//    "devices": [{"deviceId": 3, "serialNumber": 4242, "speed": 4800,
//                 "eepromSize": 1024, "deviceText": "TQ540-2 remote I/O",
//                 "file": "4242.ztb", "sha256": "3f0a...", "time": "2025-03-04T10:15:02Z",
//                 "result": 0, "resultText": "Download completed."}]}
//
// The device keys are the ones `tq540ctl scan --json` uses. "result" is 0 for a
// device whose configuration was saved, otherwise what stopped it (a device
// link result, or 1 when its file could not be written), and "file" and
// "sha256" are then empty.
namespace site {

inline const QString indexName = QStringLiteral("site.json");

// The result of a device whose file could not be read or written, as
// tq540ctl's exit status says it; the device link's results start at 3.
constexpr std::int32_t RESULT_FILE_FAILED = 1;

struct DeviceEntry
{
    int deviceId = 0; // the ID the scan found it under
    std::uint32_t serialNumber = 0;
    qint64 speed = 0;            // baud
    std::int32_t eepromSize = 0; // bytes
    QString deviceText;
    QString file;   // a name in the backup's folder; empty when nothing was saved
    QString sha256; // of the file, 64 lower-case hex digits
    QString time;   // when the device was done with, ISO 8601 in UTC
    std::int32_t result = 0;
    QString resultText;

    bool saved() const { return result == 0; }
    friend bool operator==(const DeviceEntry &, const DeviceEntry &) = default;
};

struct SiteIndex
{
    QString port; // as it was given
    std::vector<DeviceEntry> devices;
};

QByteArray toJson(const SiteIndex &site);

// The index in a JSON text; empty, with `error` naming the key and what it
// needs ("devices[2].sha256: expected 64 hex digits"), when the text is not
// one. A saved device's file must be a plain name: the folder's own file.
std::optional<SiteIndex> fromJson(const QByteArray &json, QString &error);

// DIR/site.json, read and written; writing replaces it at once or not at all.
// `badContent` (when given) tells a file that is no index from one that could
// not be read.
std::optional<SiteIndex> readIndex(const QString &folder, diagnostic::Problem &problem,
                                   bool *badContent = nullptr);
diagnostic::Problem writeIndex(const QString &folder, const SiteIndex &site);

// The SHA-256 of the bytes, as site.json writes it.
QString sha256(const QByteArray &bytes);

} // namespace site
