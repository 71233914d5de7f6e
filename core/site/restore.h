#pragma once

#include "confirmedupload.h"
#include "diagnostic.h"
#include "siteobserver.h"

#include <QString>
#include <vector>

namespace site {

struct DeviceRestore
{
    DeviceEntry entry; // as the backup has it
    UploadCheck check; // result LINK_OK: restored
};

struct RestoreOutcome
{
    // 0 when every saved device was restored; RESULT_FILE_FAILED when a file
    // was refused (nothing was written then); otherwise the result of the
    // first device that failed.
    std::int32_t status = 0;
    std::vector<diagnostic::Problem> refused; // files unreadable or changed since the backup
    std::vector<DeviceRestore> devices;       // the devices the backup saved, in its order
};

// Puts a backup back on the line on `link` (its Port set, the port behind it
// installed). First every saved device's file is read and checked against its
// SHA-256 in the index: if one cannot be read or differs, all are refused and
// nothing is sent. Then each device, addressed by its serial number, gets its
// file with uploadConfirmed. A device that fails is recorded and the next one
// follows; a stop between devices records the rest as cancelled. Devices the
// backup did not save are left alone.
RestoreOutcome restore(m::tLink &link, const QString &folder, const SiteIndex &site,
                       SiteObserver &observer);

} // namespace site
