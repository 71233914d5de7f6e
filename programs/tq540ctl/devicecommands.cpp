// tq540ctl test, download and upload: one device transfer each, run on the
// console the way the transfer window runs it.

#include "arguments.h"
#include "configfile.h"
#include "devicejson.h"
#include "devicelink.h"
#include "eepromimage.h"
#include "inputfiles.h"
#include "m.h"
#include "subcommand.h"
#include "target.h"
#include "transfertext.h"

#include <memory>
#include <optional>

namespace tq540ctl {

namespace {

using Transfer = TransferKind;

struct DeviceArgs
{
    QString port;
    QString sn = QStringLiteral("1"); // the toolbar's field starts with "1"
    QString output;                   // download
    QString input;                    // upload
    bool force = false;               // upload: a file longer than a configuration too
    bool json = false;                // test
    bool verify = false;              // upload
};

diagnostic::Problem parseArgs(Transfer kind, const QStringList &args, DeviceArgs &parsed)
{
    QString sn;
    std::vector<Argument> accepted{{{"--port"}, &parsed.port, nullptr, "--port P"},
                                   {{"--sn"}, &sn}};
    if (kind == Transfer::Test)
        accepted.push_back({{"--json"}, nullptr, &parsed.json});
    if (kind == Transfer::Download)
        accepted.push_back({{"-o", "--output"}, &parsed.output, nullptr, "-o FILE.ztb"});
    if (kind == Transfer::Upload) {
        accepted.push_back({{"--force"}, nullptr, &parsed.force});
        accepted.push_back({{"--verify"}, nullptr, &parsed.verify});
        accepted.push_back({{}, &parsed.input, nullptr, "FILE.ztb"});
    }
    const diagnostic::Problem problem = readArguments(args, accepted);
    if (!sn.isNull())
        parsed.sn = sn;
    return problem;
}

void printDeviceInfo()
{
    const m::DeviceSummary found = m::summarize(m::gLink);
    out() << "Speed:          " << found.baud << " baud\n"
          << "Serial number:  " << found.serialNumber << '\n'
          << "Device ID:      " << found.deviceId << '\n'
          << "EEPROM size:    " << found.eepromSize << " bytes\n";
}

// What a test found, for scripts: the result and its text, and after a
// success the device's facts.
int reportJson(std::int32_t result, const QString &device)
{
    QJsonObject report = result == m::LINK_OK ? deviceJson(m::summarize(m::gLink)) : QJsonObject();
    report.insert(QStringLiteral("result"), result);
    report.insert(QStringLiteral("message"), outcomeText(result));
    out() << jsonText(report);
    out().flush();
    return transferSucceeded(result) ? exitOk : reportFailure(result, device);
}

// The outcome as the transfer window words it; the exit status.
int report(Transfer kind, std::int32_t result, const QString &device,
           const std::optional<VerifyMismatch> &mismatch)
{
    if (result == m::LINK_VERIFY_FAILED && mismatch)
        return fail(result, {{}, mismatchText(*mismatch), {}});
    if (!transferSucceeded(result))
        return reportFailure(result, device);
    out() << outcomeText(result) << '\n';
    if (kind == Transfer::Test)
        printDeviceInfo();
    out().flush();
    return exitOk;
}

int runDeviceCommand(Transfer kind, const QStringList &args)
{
    loadLanguage();
    DeviceArgs parsed;
    diagnostic::Problem problem = parseArgs(kind, args, parsed);
    if (problem)
        return usageError(problem);
    std::optional<DeviceTarget> target = deviceTarget(parsed.port, parsed.sn, problem);
    if (!target)
        return usageError(problem);
    auto image = std::make_unique<tqimage::EEPROMImage>();
    if (kind == Transfer::Upload) {
        problem = loadUploadFile(parsed.input, parsed.force, tqimage::addressView(*image));
        if (problem)
            return fail(exitFailure, problem);
    }

    const QString device = target->device;
    std::optional<VerifyMismatch> mismatch;
    const std::int32_t result =
        runTransfer(std::move(*target), kind, *image, TransferOptions{parsed.verify}, &mismatch);
    // A file is written only for a complete download, and replaced atomically.
    if (result == m::LINK_DOWNLOAD_DONE &&
        configfile::save(parsed.output, tqimage::addressView(*image)) < 0)
        return fail(exitFailure, writeProblem(parsed.output));
    if (parsed.json)
        return reportJson(result, device);
    return report(kind, result, device, mismatch);
}

// "9600, 4800, ... and 38400": the search's speeds in the order it tries them.
QString searchSpeedsText()
{
    QStringList speeds;
    for (std::int32_t baud : m::SEARCH_SPEEDS)
        speeds << QString::number(baud);
    const QString last = speeds.takeLast();
    return speeds.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

const QString searchNotes =
    QStringLiteral(
        "The device's speed is searched among %1\n"
        "baud, twice over: without an answer that takes about 21 seconds. Ctrl+C, SIGTERM\n"
        "and SIGHUP cancel the search or a download (exit status 4, no file written);\n"
        "writing the device and its reset cannot be interrupted: a signal then waits until\n"
        "the device has been reset. On a terminal, the stage and a percentage are shown\n"
        "on the error stream (not while the trace goes there).\n"
        "\n"
        "Exit status: 0 success; 1 the configuration file could not be read or written,\n"
        "or the trace file not written; 2 bad arguments; otherwise the device link's\n"
        "result: 3 no answer, 4 cancelled, 6 a reply did not match its request, 9 write\n"
        "error, 10 beyond the device's EEPROM, 12 the device could not be reset, 15\n"
        "verify found a difference, 25 the port could not be opened (a second line\n"
        "names the device tried and why: no such device, in use by another program,\n"
        "no permission, not a serial port).")
        .arg(searchSpeedsText());

const QString snOption = QStringLiteral(
    "  --sn N        The device's serial number or device ID, as in the toolbar's field\n"
    "                (default 1). Below 256 it is a device ID, above a serial number;\n"
    "                fractions round to the nearest whole number, halves to even. A text\n"
    "                that is not a number, negative numbers and numbers above 2147483647\n"
    "                are refused (exit status 2) before anything is sent.\n");

struct DeviceHelp
{
    QString name;
    QString arguments;
    QString summary;
    QString about;
    QString options; // between --sn and --trace
    QString example;
};

Subcommand deviceCommand(Transfer kind, const DeviceHelp &help)
{
    return {help.name,
            help.arguments,
            help.summary,
            withTrace([kind](const QStringList &args) { return runDeviceCommand(kind, args); }),
            help.about,
            portOptionHelp() + snOption + help.options + traceOptionHelp(),
            searchNotes,
            help.example};
}

[[maybe_unused]] const bool registered =
    addSubcommand(deviceCommand(
        Transfer::Test,
        {QStringLiteral("test"), QStringLiteral("--port P [--sn N] [--json]"),
         QStringLiteral("Find and identify a device."),
         QStringLiteral("Finds the device's speed and prints it with the device's serial\n"
                        "number, device ID and EEPROM size (in bytes)."),
         QStringLiteral(
             "  --json        Print one JSON object instead: result (the exit status) and\n"
             "                message, and when the device answered serialNumber, deviceId,\n"
             "                speed, eepromSize and deviceText.\n"),
         QStringLiteral("  tq540ctl test --port /dev/ttyUSB0 --sn 5555")})) &&
    addSubcommand(deviceCommand(
        Transfer::Download,
        {QStringLiteral("download"), QStringLiteral("--port P [--sn N] -o FILE.ztb"),
         QStringLiteral("Read a device's configuration into a file."),
         QStringLiteral("Reads EEPROM addresses 32 to 119 (image positions 33 to 120) and\n"
                        "writes them as a configuration file, all other bytes zero. The file\n"
                        "is written only when the whole range was read; an existing file is\n"
                        "replaced at once or not at all."),
         QStringLiteral("  -o, --output FILE.ztb\n"
                        "                The configuration file to write (required).\n"),
         QStringLiteral("  tq540ctl download --port 9 -o site-a.ztb")})) &&
    addSubcommand(deviceCommand(
        Transfer::Upload,
        {QStringLiteral("upload"),
         QStringLiteral("--port P [--sn N] [--force] [--verify] FILE.ztb"),
         QStringLiteral("Write a configuration file into a device and reset it."),
         QStringLiteral("Writes EEPROM addresses 32 to 119 (image positions 33 to 120) from\n"
                        "FILE.ztb, then resets the device. Nothing is sent (exit status 1)\n"
                        "when the file cannot be read, is not a regular file, or is longer\n"
                        "than the 120 bytes of a configuration."),
         QStringLiteral(
             "  --force       Send the bytes 32 to 119 of a file longer than a configuration\n"
             "                all the same.\n"
             "  --verify      Read the addresses back after writing them and before the\n"
             "                reset. When the device holds other bytes than were written,\n"
             "                the first differing address is named, the device is not\n"
             "                reset, and the exit status is 15.\n"),
         QStringLiteral("  tq540ctl upload --port /dev/ttyUSB0 --verify site-a.ztb")}));

} // namespace

} // namespace tq540ctl
