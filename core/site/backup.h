#pragma once

#include "diagnostic.h"
#include "m.h"
#include "siteobserver.h"

#include <QString>
#include <functional>
#include <vector>

namespace site {

// Now, as site.json writes a time: ISO 8601 in UTC, "2025-03-04T10:15:02Z".
QString utcNow();

struct BackupRequest
{
    QString port;   // as it was given; site.json records it
    QString folder; // made when missing; one that holds a backup already is refused
    std::vector<int> ids;
    std::vector<std::int32_t> speeds;
    std::function<QString()> now = utcNow;
};

struct BackupOutcome
{
    // 0 when every device found was saved. Otherwise: the result of the first
    // device in site.json that was not saved; the scan's LINK_PORT_FAILED;
    // LINK_NO_REPLY when no device answered (nothing is written then); or
    // RESULT_FILE_FAILED with `problem` when the folder or site.json could not
    // be written.
    std::int32_t status = 0;
    diagnostic::Problem problem;
    SiteIndex site;
};

// Backs up the line on `link` (its Port set, the port behind it installed):
// scans it, then downloads every device found, addressed by its serial
// number, starting at the speed it answered at, and saves the configuration
// range as it came as SERIAL.ztb. Every device is recorded in site.json, which
// is rewritten after each one, so it says what was saved whatever comes next.
// A device that fails is recorded with its result and the next one follows.
// A stop (the scan cancelled, or the observer asking between devices) records
// the devices not read yet as cancelled.
BackupOutcome backUp(m::tLink &link, const BackupRequest &request, SiteObserver &observer);

} // namespace site
