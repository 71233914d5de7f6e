#pragma once

#include "diagnostic.h"

#include <QString>
#include <cstdint>
#include <vector>

// What a bus scan asks, as scan and backup read it from --ids and --speeds,
// and how the console shows a scan going on.
namespace tq540ctl {

struct ScanRange
{
    std::vector<int> ids;
    std::vector<std::int32_t> speeds;
};

// The range for the texts of --ids and --speeds; a null text gives the default
// (every ID from 1 to 255, every speed of the search list). A problem for a
// text that names none.
diagnostic::Problem readScanRange(const QString &ids, const QString &speeds, ScanRange &range);

// The help's lines of --ids and --speeds.
QString scanRangeHelp();

// The status line of a running scan.
QString scanProgressText(std::int32_t baud, int id, int found);

} // namespace tq540ctl
