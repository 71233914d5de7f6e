// tq540ctl commission: a site's devices given their configurations from a
// plan, with a report and a configuration sheet for each device. core/commission
// does the work; here are the arguments, the ports as --port names them, the
// console and the table at the end.

#include "arguments.h"
#include "commission.h"
#include "devicelink.h"
#include "openfailure.h"
#include "portlist.h"
#include "subcommand.h"
#include "transferconsole.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace tq540ctl {

namespace {

// Row k of n on the console with its stage and percentage; a signal stops the
// run once the device at hand is done.
class CommissionConsole : public commission::Observer
{
public:
    void stageChanged(TransferStage stage, bool cancellable) override
    {
        console.stageChanged(stage, cancellable);
    }
    void rowBegins(int k, int n, const commission::Job &job) override
    {
        console.stopBetweenDevices();
        console.setPrefix(
            QStringLiteral("Row %1 of %2 (%3, %4): ").arg(k).arg(n).arg(job.row.port, job.row.sn));
    }
    bool stopRequested() override { return console.stopAsked(); }

private:
    TransferConsole console;
};

bool portExists(const QString &device)
{
#ifdef Q_OS_WIN
    const std::vector<portlist::SystemPort> ports = portlist::systemPorts();
    return std::any_of(ports.begin(), ports.end(), [&](const portlist::SystemPort &port) {
        return port.name.compare(device, Qt::CaseInsensitive) == 0 || port.path == device;
    });
#else
    return QFileInfo::exists(device);
#endif
}

// A plan's port as --port reads it; one that leads to no device is unknown,
// so that no row is written before a plan's mistake shows.
std::optional<commission::PlanPort> planPort(const QString &text, QString &why)
{
    diagnostic::Problem problem;
    std::optional<DeviceTarget> target = devicePort(text, problem);
    if (!target) {
        why = problem.what;
        return std::nullopt;
    }
    if (target->device != u"sim" && !portExists(target->device)) {
        const QString missing = mComm::openFailureText(mComm::OpenProblem::Missing, {}, {});
        why = target->device == text ? missing : target->device + QStringLiteral(": ") + missing;
        return std::nullopt;
    }
    // A link (/dev/serial/by-id/..., a simulator's) and its device are one port.
    const QString real = QFileInfo(target->device).canonicalFilePath();
    return commission::PlanPort{target->port, std::move(target->factory),
                                real.isEmpty() ? target->device : real};
}

// Beside PLAN.csv, the folder PLAN, written as the plan's path is.
QString defaultFolder(const QString &plan)
{
    const QFileInfo info(plan);
    const QString name = info.completeBaseName();
    return plan.chopped(info.fileName().size()) +
           (name == info.fileName() ? name + QStringLiteral(".report") : name);
}

// Columns padded to their widest text, the last one as it is.
void printTable(const std::vector<QStringList> &rows)
{
    std::vector<qsizetype> widths;
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            widths.resize(std::max(widths.size(), std::size_t(c) + 1));
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], row[c].size());
        }
    for (const QStringList &row : rows) {
        for (qsizetype c = 0; c + 1 < row.size(); ++c)
            out() << row[c].leftJustified(widths[std::size_t(c)] + 2);
        out() << row.last() << '\n';
    }
    out().flush();
}

QStringList tableRow(const commission::RowOutcome &row, const commission::Job &job)
{
    using Fate = commission::RowOutcome::Fate;
    const commission::ReportEntry &entry = row.entry;
    const bool found = entry.serialNumber != 0 || entry.speed != 0;
    const QString none = QStringLiteral("-");
    const QString result =
        row.fate == Fate::Skipped
            ? QStringLiteral("Done already (%1); not written again.").arg(entry.time)
            : entry.resultText;
    return {QString::number(job.row.line),
            job.row.port,
            job.row.sn,
            found ? QString::number(entry.serialNumber) : none,
            found ? QString::number(entry.deviceId) : none,
            found ? QString::number(entry.speed) : none,
            result};
}

int report(const commission::Outcome &outcome, const commission::Plan &plan, const QString &folder)
{
    using Fate = commission::RowOutcome::Fate;
    const auto written = [](const commission::RowOutcome &row) {
        return row.fate == Fate::Written;
    };
    // The report's folder could not be written before the first row.
    if (outcome.problem && std::none_of(outcome.rows.begin(), outcome.rows.end(), written))
        return fail(outcome.status, outcome.problem);
    std::vector<QStringList> rows{{"Line", "Port", "SN", "Serial number", "ID", "Speed", "Result"}};
    int done = 0, skipped = 0;
    for (std::size_t k = 0; k < outcome.rows.size(); ++k) {
        const commission::RowOutcome &row = outcome.rows[k];
        rows.push_back(tableRow(row, plan.jobs[k]));
        done += row.entry.done() ? 1 : 0;
        skipped += row.fate == Fate::Skipped ? 1 : 0;
        if (written(row) && !row.entry.done())
            fail(row.entry.result,
                 {QStringLiteral("%1:%2").arg(plan.path).arg(plan.jobs[k].row.line),
                  row.entry.resultText,
                  {}});
    }
    printTable(rows);
    out() << QStringLiteral("%1 of %2 devices commissioned%3; %4 records them.\n")
                 .arg(done)
                 .arg(outcome.rows.size())
                 .arg(skipped ? QStringLiteral(" (%1 done before)").arg(skipped) : QString())
                 .arg(QDir(folder).filePath(commission::reportName));
    out().flush();
    return outcome.status;
}

int commissionCommand(const QStringList &args)
{
    QString planPath, folder;
    bool again = false;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{}, &planPath, nullptr, "PLAN.csv"},
                                 {{"--report"}, &folder},
                                 {{"--again"}, nullptr, &again}}))
        return usageError(problem);
    loadLanguage();
    std::vector<diagnostic::Problem> refused;
    const std::optional<commission::Plan> plan = commission::loadPlan(planPath, planPort, refused);
    if (folder.isNull())
        folder = defaultFolder(planPath);
    diagnostic::Problem problem;
    std::optional<commission::Report> earlier;
    if (plan && !(earlier = commission::readReport(folder, problem)))
        refused.push_back(problem);
    for (const diagnostic::Problem &refusal : refused)
        fail(exitUsage, refusal);
    if (!refused.empty())
        return exitUsage;
    commission::Outcome outcome;
    withDevice(DeviceTarget{}, [&] {
        CommissionConsole console;
        outcome = commission::run(m::gLink, *plan, *earlier, {folder, again, {}}, console);
        return outcome.status;
    });
    return report(outcome, *plan, folder);
}

const QString commissionNotes = QStringLiteral(
    "Refused as a whole before anything is written (exit status 2), each problem\n"
    "named by the plan's line: a malformed row, a port that is no port or leads to\n"
    "no device, a file that cannot be read or is longer than the 120 bytes of a\n"
    "configuration, an address a row above uses on the same port (device ID 5 and\n"
    "5.0 are one address), a report.json that cannot be read.\n"
    "\n"
    "A re-run skips the rows whose device the report last recorded as done on the\n"
    "same port, at the same address, with a file of the same SHA-256; --again\n"
    "writes them too. report.json keeps every earlier entry.\n"
    "\n"
    "On a terminal the progress is shown on the error stream (not while the trace\n"
    "goes there): row k of n with its stage and percentage. Ctrl+C, SIGTERM and\n"
    "SIGHUP stop the run after the device at hand, which is written, reset and read\n"
    "back to the end; the rows not reached are listed as cancelled (4).\n"
    "\n"
    "Exit status: 0 every row is done (now or before); 1 the report's folder or a\n"
    "file in it could not be written; 2 bad arguments or a refused plan; otherwise\n"
    "the result of the first row that failed, as for upload --verify (3 no answer,\n"
    "4 stopped, 9 write error, 12 not reset, 15 the device holds other bytes than\n"
    "its file, 25 port not opened...).");

[[maybe_unused]] const bool registered = addSubcommand(
    {QStringLiteral("commission"), QStringLiteral("PLAN.csv [--report DIR] [--again]"),
     QStringLiteral("Give every device of a plan its configuration, with a report."),
     withTrace(commissionCommand),
     QStringLiteral("PLAN.csv has the header row port,sn,file and one row per device: the port as\n"
                    "--port takes it, the serial number or device ID as --sn takes it, and the\n"
                    "configuration file, relative to the plan's folder:\n"
                    "\n"
                    "  port,sn,file\n"
                    "  /dev/ttyUSB0,3,io-north.ztb\n"
                    "  /dev/ttyUSB0,1234567890,\"pump house, east.ztb\"\n"
                    "\n"
                    "Row by row, the file is uploaded with verify; after the reset the device is\n"
                    "found again (at the speed the file sets) and read back once more. A row that\n"
                    "fails is reported and the next one follows. DIR/report.json records every\n"
                    "device: the row (plan, line, port, sn, file, sha256), the device found\n"
                    "(deviceId, serialNumber, speed, eepromSize, deviceText), result, resultText,\n"
                    "time (UTC) and sheet, its configuration sheet DIR/SERIAL.html. It is\n"
                    "rewritten after each row."),
     QStringLiteral("  --report DIR  The report's folder (default: beside the plan, named after\n"
                    "                it: site-a.csv reports into site-a/).\n"
                    "  --again       Write the rows the report says are done too.\n") +
         traceOptionHelp(),
     commissionNotes, QStringLiteral("  tq540ctl commission site-a.csv")});

} // namespace

} // namespace tq540ctl
