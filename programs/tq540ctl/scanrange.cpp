#include "scanrange.h"

#include "m.h"
#include "target.h"

#include <QStringList>
#include <algorithm>

namespace tq540ctl {

namespace {

constexpr int lastDeviceId = m::DEVICE_ID_LIMIT - 1;

// "1-255", "7" or a comma-separated list of both; empty for a bad text.
std::vector<int> parseIds(const QString &text)
{
    std::vector<int> ids;
    for (const QString &part : text.split(u',')) {
        const QStringList ends = part.split(u'-');
        bool okFirst = false;
        bool okLast = ends.size() == 1;
        const int first = ends.first().trimmed().toInt(&okFirst);
        const int last = ends.size() == 2 ? ends.last().trimmed().toInt(&okLast) : first;
        if (ends.size() > 2 || !okFirst || !okLast || first < 0 || last > lastDeviceId ||
            first > last)
            return {};
        for (int id = first; id <= last; ++id)
            ids.push_back(id);
    }
    return ids;
}

// Speeds of the search list, in the order given; empty for a bad text.
std::vector<std::int32_t> parseSpeeds(const QString &text)
{
    std::vector<std::int32_t> speeds;
    for (const QString &part : text.split(u',')) {
        bool ok = false;
        const std::int32_t baud = part.trimmed().toInt(&ok);
        const bool known = std::find(m::SEARCH_SPEEDS.begin(), m::SEARCH_SPEEDS.end(), baud) !=
                           m::SEARCH_SPEEDS.end();
        if (!ok || !known || std::find(speeds.begin(), speeds.end(), baud) != speeds.end())
            return {};
        speeds.push_back(baud);
    }
    return speeds;
}

} // namespace

diagnostic::Problem readScanRange(const QString &ids, const QString &speeds, ScanRange &range)
{
    range.ids = parseIds(ids.isNull() ? QStringLiteral("1-%1").arg(lastDeviceId) : ids);
    if (range.ids.empty())
        return diagnostic::badValue(
            QStringLiteral("--ids"), ids,
            QStringLiteral("device IDs from 0 to 255 (N, N-M or a comma-separated list of them)"));
    range.speeds = speeds.isNull()
                       ? std::vector<std::int32_t>(m::SEARCH_SPEEDS.begin(), m::SEARCH_SPEEDS.end())
                       : parseSpeeds(speeds);
    if (range.speeds.empty())
        return diagnostic::badValue(
            QStringLiteral("--speeds"), speeds,
            QStringLiteral("a list of 1200, 2400, 4800, 9600, 19200, 38400, each once"));
    return {};
}

QString scanRangeHelp()
{
    return QStringLiteral(
        "  --ids LIST    Device IDs 0 to 255: N, N-M or a comma-separated list of both\n"
        "                (default 1-255). They are asked in ascending order.\n"
        "  --speeds B,.. Speeds of the search list to try, in this order (default\n"
        "                9600,4800,19200,2400,1200,38400).\n");
}

QString scanProgressText(std::int32_t baud, int id, int found)
{
    return QStringLiteral("Scanning at %1 baud: device ID %2 (%3 found)")
        .arg(baud)
        .arg(id)
        .arg(found);
}

} // namespace tq540ctl
