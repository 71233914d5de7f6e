// tq540ctl backup and restore: every device on a line saved into a folder
// with its index, site.json, and put back from there. core/site does the work;
// here are the arguments, the console and the report.

#include "arguments.h"
#include "backup.h"
#include "devicelink.h"
#include "restore.h"
#include "scanrange.h"
#include "siteconsole.h"
#include "subcommand.h"

#include <QDir>

namespace tq540ctl {

namespace {

// A line of the table both commands print at their end.
struct Row
{
    int deviceId = 0;
    std::uint32_t serialNumber = 0;
    qint64 speed = 0; // 0: unknown
    QString file;     // empty: none
    QString result;
};

void printTable(const std::vector<Row> &rows)
{
    const QString none = QStringLiteral("-");
    out() << "ID   Serial number  Speed  File            Result\n";
    for (const Row &row : rows)
        out() << QString::number(row.deviceId).leftJustified(5)
              << QString::number(row.serialNumber).leftJustified(15)
              << (row.speed ? QString::number(row.speed) : none).leftJustified(7)
              << (row.file.isEmpty() ? none : row.file).leftJustified(16) << row.result << '\n';
    out().flush();
}

// A device's failure on the error stream, in the one wording.
void reportDevice(std::uint32_t serialNumber, std::int32_t result, const QString &text)
{
    fail(result, {QStringLiteral("serial number %1").arg(serialNumber), text, {}});
}

// Runs `work` on gLink, on the target's port, with the console watching.
void onPort(DeviceTarget target, const std::function<void(site::SiteObserver &)> &work)
{
    withDevice(std::move(target), [&] {
        SiteConsole console;
        work(console);
        return m::LINK_OK;
    });
}

int reportBackup(const site::BackupOutcome &outcome, const QString &device, const QString &folder)
{
    const std::vector<site::DeviceEntry> &devices = outcome.site.devices;
    if (devices.empty() && outcome.status == m::LINK_NO_REPLY)
        return fail(outcome.status, {{}, QStringLiteral("no device answered"), {}});
    if (devices.empty() && !outcome.problem)
        return reportFailure(outcome.status, device);
    std::vector<Row> rows;
    int saved = 0;
    for (const site::DeviceEntry &entry : devices) {
        rows.push_back(
            {entry.deviceId, entry.serialNumber, entry.speed, entry.file, entry.resultText});
        saved += entry.saved() ? 1 : 0;
        if (!entry.saved())
            reportDevice(entry.serialNumber, entry.result, entry.resultText);
    }
    if (outcome.problem)
        fail(outcome.status, outcome.problem);
    if (rows.empty())
        return outcome.status;
    printTable(rows);
    out() << QStringLiteral("%1 of %2 devices saved; %3 lists them.\n")
                 .arg(saved)
                 .arg(rows.size())
                 .arg(QDir(folder).filePath(site::indexName));
    out().flush();
    return outcome.status;
}

int backup(const QStringList &args)
{
    loadLanguage();
    QString port, folder, ids, speeds;
    diagnostic::Problem problem =
        readArguments(args, {{{"--port"}, &port, nullptr, "--port P"},
                             {{"-d", "--dir"}, &folder, nullptr, "-d DIR"},
                             {{"--ids"}, &ids},
                             {{"--speeds"}, &speeds}});
    ScanRange range;
    if (!problem)
        problem = readScanRange(ids, speeds, range);
    std::optional<DeviceTarget> target;
    if (!problem)
        target = devicePort(port, problem);
    if (problem)
        return usageError(problem);
    const site::BackupRequest request{port, folder, range.ids, range.speeds};
    const QString device = target->device;
    site::BackupOutcome outcome;
    onPort(std::move(*target), [&](site::SiteObserver &console) {
        outcome = site::backUp(m::gLink, request, console);
    });
    return reportBackup(outcome, device, folder);
}

// The table's rows, the backup's devices in its order; the failures go to the
// error stream on the way.
std::vector<Row> restoreRows(const site::RestoreOutcome &outcome, const site::SiteIndex &index)
{
    std::vector<Row> rows;
    auto next = outcome.devices.begin(); // one for each saved device
    for (const site::DeviceEntry &entry : index.devices) {
        if (!entry.saved()) {
            rows.push_back({entry.deviceId,
                            entry.serialNumber,
                            0,
                            {},
                            QStringLiteral("not saved by the backup")});
            continue;
        }
        const site::UploadCheck &check = (next++)->check;
        rows.push_back({entry.deviceId, entry.serialNumber, check.found.baud, entry.file,
                        site::resultText(check)});
        if (check.result != m::LINK_OK)
            reportDevice(entry.serialNumber, check.result, rows.back().result);
    }
    return rows;
}

int reportRestore(const site::RestoreOutcome &outcome, const site::SiteIndex &index,
                  const QString &device, const QString &folder)
{
    for (const diagnostic::Problem &refused : outcome.refused)
        fail(outcome.status, refused);
    if (!outcome.refused.empty())
        return outcome.status;
    const auto &done = outcome.devices;
    // Each device opens the port anew: when the first cannot, none can.
    if (!done.empty() && done[0].check.result == m::LINK_PORT_FAILED)
        return reportFailure(m::LINK_PORT_FAILED, device);
    printTable(restoreRows(outcome, index));
    const auto restored = std::count_if(done.begin(), done.end(),
                                        [](const auto &d) { return d.check.result == m::LINK_OK; });
    out() << QStringLiteral("%1 of %2 devices restored from %3.\n")
                 .arg(restored)
                 .arg(done.size())
                 .arg(folder);
    out().flush();
    return outcome.status;
}

int restore(const QStringList &args)
{
    loadLanguage();
    QString folder, port;
    diagnostic::Problem problem =
        readArguments(args, {{{}, &folder, nullptr, "DIR"}, {{"--port"}, &port}});
    if (problem)
        return usageError(problem);
    bool badContent = false;
    const std::optional<site::SiteIndex> index = site::readIndex(folder, problem, &badContent);
    if (!index)
        return fail(badContent ? exitUsage : exitFailure, problem);
    std::optional<DeviceTarget> target = devicePort(port.isNull() ? index->port : port, problem);
    if (!target)
        return usageError(problem);
    const QString device = target->device;
    site::RestoreOutcome outcome;
    onPort(std::move(*target), [&](site::SiteObserver &console) {
        outcome = site::restore(m::gLink, folder, *index, console);
    });
    return reportRestore(outcome, *index, device, folder);
}

const QString backupNotes = QStringLiteral(
    "On a terminal the progress is shown on the error stream (not while the trace\n"
    "goes there): the scan as scan shows it, then device k of n with its stage and\n"
    "percentage. Ctrl+C, SIGTERM and SIGHUP cancel the scan; once the devices are\n"
    "being read, they stop the backup after the device at hand, and site.json lists\n"
    "the devices not read as cancelled (4).\n"
    "\n"
    "Exit status: 0 every device found was saved; 1 the folder or site.json could\n"
    "not be written; 2 bad arguments; 3 no device answered; 25 the port could not\n"
    "be opened; otherwise the result of the first device in site.json that was not\n"
    "saved: 1 its file could not be written, or the device link's result as for\n"
    "download (3 no answer, 4 stopped, 6 a reply did not match its request...).");

const QString restoreNotes =
    QStringLiteral("On a terminal the progress is shown on the error stream (not while the trace\n"
                   "goes there): device k of n with its stage and percentage. Ctrl+C, SIGTERM and\n"
                   "SIGHUP stop the restore after the device at hand, which is written, reset and\n"
                   "read back to the end; the devices not reached are listed as cancelled (4).\n"
                   "\n"
                   "Exit status: 0 every saved device was restored; 1 site.json or a file could\n"
                   "not be read, or a file changed since the backup (nothing was sent); 2 bad\n"
                   "arguments, or a site.json that is not a backup; 25 the port could not be\n"
                   "opened; otherwise the result of the first device that failed, as for upload\n"
                   "--verify (3 no answer, 4 stopped, 9 write error, 12 not reset, 15 the device\n"
                   "holds other bytes than its file...).");

[[maybe_unused]] const bool registered =
    addSubcommand(
        {QStringLiteral("backup"), QStringLiteral("--port P [--ids 1-255] [--speeds B,...] -d DIR"),
         QStringLiteral("Save the configuration of every device on a line into a folder."),
         withTrace(backup),
         QStringLiteral(
             "Scans the line as scan does, then downloads every device found, addressed by\n"
             "its serial number at the speed it answered at, and saves EEPROM addresses 32\n"
             "to 119 as they came (bytes the window does not show too) as DIR/SERIAL.ztb.\n"
             "DIR/site.json records the port and, for every device found, its deviceId,\n"
             "serialNumber, speed, eepromSize, deviceText, file, the file's sha256, the\n"
             "time (UTC), the result (0: saved) and resultText. It is rewritten after each\n"
             "device. A device that fails is recorded with its result and the backup goes\n"
             "on. DIR is made when missing; a folder that holds a site.json is refused."),
         portOptionHelp() + scanRangeHelp() +
             QStringLiteral("  -d, --dir DIR The folder to save into (required).\n") +
             traceOptionHelp(),
         backupNotes,
         QStringLiteral("  tq540ctl backup --port /dev/ttyUSB0 --ids 1-40 -d site-a")}) &&
    addSubcommand(
        {QStringLiteral("restore"), QStringLiteral("DIR [--port P]"),
         QStringLiteral("Put a site's backup back into its devices."), withTrace(restore),
         QStringLiteral(
             "Reads DIR/site.json and first checks every saved file against its sha256:\n"
             "when one cannot be read or has changed, nothing is sent. Then for each saved\n"
             "device, addressed by its serial number: uploads its file with verify, finds\n"
             "the device again after the reset (starting at the speed the file sets) and\n"
             "reads it back once more. A device that fails is reported and the restore goes\n"
             "on; devices the backup did not save are listed and left alone."),
         QStringLiteral(
             "  --port P      The serial port, as for the other commands (default: the port\n"
             "                site.json names).\n") +
             traceOptionHelp(),
         restoreNotes, QStringLiteral("  tq540ctl restore site-a")});

} // namespace

} // namespace tq540ctl
