// tq540ctl scan: asks every device ID of a range at every speed of a list and
// lists the devices that answer.

#include "arguments.h"
#include "busscan.h"
#include "devicejson.h"
#include "devicelink.h"
#include "scanrange.h"
#include "subcommand.h"
#include "transferconsole.h"

#include <QJsonArray>

namespace tq540ctl {

namespace {

using busscan::FoundDevice;

struct ScanArgs
{
    QString port;
    ScanRange range;
    bool json = false;
};

diagnostic::Problem parseArgs(const QStringList &args, ScanArgs &parsed)
{
    QString ids, speeds;
    if (diagnostic::Problem problem =
            readArguments(args, {{{"--port"}, &parsed.port, nullptr, "--port P"},
                                 {{"--ids"}, &ids},
                                 {{"--speeds"}, &speeds},
                                 {{"--json"}, nullptr, &parsed.json}}))
        return problem;
    return readScanRange(ids, speeds, parsed.range);
}

// The scan's progress on the console's status line.
class ScanConsole : public busscan::ScanObserver
{
public:
    void probing(std::int32_t baud, int id) override
    {
        console.showText(scanProgressText(baud, id, count));
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
        return busscan::ScanBus(m::gLink, parsed.range.ids, parsed.range.speeds, console, found);
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
     portOptionHelp() + scanRangeHelp() +
         QStringLiteral(
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
