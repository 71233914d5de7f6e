// tq540ctl scan: asks every device ID of a range at every speed of a list and
// lists the devices that answer.

#include "arguments.h"
#include "busscan.h"
#include "devicejson.h"
#include "devicelink.h"
#include "subcommand.h"
#include "transferconsole.h"

#include <QJsonArray>
#include <algorithm>

namespace tq540ctl {

namespace {

using busscan::FoundDevice;

constexpr int lastDeviceId = m::DEVICE_ID_LIMIT - 1;

struct ScanArgs
{
    QString port;
    std::vector<int> ids;
    std::vector<std::int32_t> speeds{m::SEARCH_SPEEDS.begin(), m::SEARCH_SPEEDS.end()};
    bool json = false;
};

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

diagnostic::Problem parseArgs(const QStringList &args, ScanArgs &parsed)
{
    QString ids, speeds;
    if (diagnostic::Problem problem =
            readArguments(args, {{{"--port"}, &parsed.port, nullptr, "--port P"},
                                 {{"--ids"}, &ids},
                                 {{"--speeds"}, &speeds},
                                 {{"--json"}, nullptr, &parsed.json}}))
        return problem;
    parsed.ids = parseIds(ids.isNull() ? QStringLiteral("1-%1").arg(lastDeviceId) : ids);
    if (parsed.ids.empty())
        return diagnostic::badValue(
            QStringLiteral("--ids"), ids,
            QStringLiteral("device IDs from 0 to 255 (N, N-M or a comma-separated list of them)"));
    if (!speeds.isNull())
        parsed.speeds = parseSpeeds(speeds);
    if (parsed.speeds.empty())
        return diagnostic::badValue(
            QStringLiteral("--speeds"), speeds,
            QStringLiteral("a list of 1200, 2400, 4800, 9600, 19200, 38400, each once"));
    return {};
}

// The scan's progress on the console's status line.
class ScanConsole : public busscan::ScanObserver
{
public:
    void probing(std::int32_t baud, int id) override
    {
        console.showText(QStringLiteral("Scanning at %1 baud: device ID %2 (%3 found)")
                             .arg(baud)
                             .arg(id)
                             .arg(count));
    }
    void found(const FoundDevice &) override { ++count; }

private:
    TransferConsole console;
    int count = 0;
};

void printFound(const std::vector<FoundDevice> &found, bool json)
{
    if (json) {
        QJsonArray devices;
        for (const FoundDevice &device : found) {
            QJsonObject entry = deviceJson(device.summary);
            entry.insert(QStringLiteral("id"), device.id);
            devices.append(entry);
        }
        out() << jsonText(devices);
    } else if (!found.empty()) {
        out() << "ID   Serial number  Speed  EEPROM  Device text\n";
        for (const FoundDevice &device : found)
            out() << QString::number(device.id).leftJustified(5)
                  << QString::number(device.summary.serialNumber).leftJustified(15)
                  << QString::number(device.summary.baud).leftJustified(7)
                  << QString::number(device.summary.eepromSize).leftJustified(8)
                  << device.summary.deviceText << '\n';
    }
    out().flush();
}

int scan(const QStringList &args)
{
    loadLanguage();
    ScanArgs parsed;
    diagnostic::Problem problem = parseArgs(args, parsed);
    if (problem)
        return usageError(problem);
    std::optional<DeviceTarget> target = devicePort(parsed.port, problem);
    if (!target)
        return usageError(problem);
    const QString device = target->device;
    std::vector<FoundDevice> found;
    const std::int32_t result = withDevice(std::move(*target), [&] {
        ScanConsole console;
        return busscan::ScanBus(m::gLink, parsed.ids, parsed.speeds, console, found);
    });
    if (result == m::LINK_PORT_FAILED)
        return reportFailure(result, device);
    printFound(found, parsed.json);
    if (result != m::LINK_OK)
        return reportFailure(result, device);
    if (found.empty())
        return fail(m::LINK_NO_REPLY, {{}, QStringLiteral("no device answered"), {}});
    return exitOk;
}

[[maybe_unused]] const bool registered = addSubcommand(
    {QStringLiteral("scan"), QStringLiteral("--port P [--ids 1-255] [--speeds B,...] [--json]"),
     QStringLiteral("Find the devices on a line: their IDs, serial numbers and speeds."),
     withTrace(scan),
     QStringLiteral(
         "Asks each device ID of the range to identify itself at each speed and lists every\n"
         "device that answers: ID, serial number, speed, EEPROM size (bytes), device text."),
     portOptionHelp() +
         QStringLiteral(
             "  --ids LIST    Device IDs 0 to 255: N, N-M or a comma-separated list of both\n"
             "                (default 1-255). They are asked in ascending order.\n"
             "  --speeds B,.. Speeds of the search list to try, in this order (default\n"
             "                9600,4800,19200,2400,1200,38400).\n"
             "  --json        Print one JSON array of objects: id, serialNumber, deviceId,\n"
             "                speed, eepromSize, deviceText.\n") +
         traceOptionHelp(),
     QStringLiteral(
         "Each ID gets one request per speed and waits as long as the longest reply needs\n"
         "at that speed plus 150 ms; a device that answered is not asked again at the other\n"
         "speeds. An ID without a device costs about 0.24 s at 9600 baud and 0.78 s at 1200:\n"
         "all 255 IDs at all six speeds take about 9 minutes, so narrow --ids and --speeds\n"
         "where you can. On a terminal the progress is shown on the error stream; Ctrl+C\n"
         "stops the scan and lists what was found so far.\n"
         "\n"
         "Exit status: 0 one or more devices answered; 2 bad arguments; 3 no device\n"
         "answered; 4 stopped with Ctrl+C; 25 the port could not be opened (a second\n"
         "line names the device tried and why)."),
     QStringLiteral("  tq540ctl scan --port /dev/ttyUSB0 --ids 1-20 --speeds 9600,19200")});

} // namespace

} // namespace tq540ctl
