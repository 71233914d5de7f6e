#include "commission.h"

#include "apifilefunction.h"
#include "backup.h"
#include "confirmedupload.h"
#include "eepromimage.h"
#include "openfailure.h"
#include "sheet.h"
#include "target.h"
#include "transfertext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace commission {

namespace {

constexpr qint64 factorySpeed = 9600;

ReportEntry planned(const Plan &plan, const Job &job)
{
    ReportEntry entry;
    entry.plan = QFileInfo(plan.path).fileName();
    entry.line = job.row.line;
    entry.port = job.row.port;
    entry.sn = job.row.sn;
    entry.file = job.row.file;
    entry.sha256 = job.sha256;
    entry.result = m::LINK_CANCELLED;
    entry.resultText = transfertext::outcomeText(m::LINK_CANCELLED);
    return entry;
}

// The report's latest record of the device the job addresses on its port:
// entries whose port the plan does not name are of other ports.
std::optional<ReportEntry> lastRecord(const Report &report, const Plan &plan, const Job &job)
{
    for (auto e = report.devices.rbegin(); e != report.devices.rend(); ++e) {
        const auto port = plan.portIndex.find(e->port);
        if (port != plan.portIndex.end() && port->second == job.port &&
            m::writtenAddress(e->sn) == job.address)
            return *e;
    }
    return std::nullopt;
}

bool doneAlready(const std::optional<ReportEntry> &last, const Job &job)
{
    return last && last->done() && last->sha256 == job.sha256;
}

// What became of the upload in words; for a port that would not open, why.
QString resultWords(const site::UploadCheck &check, const PlanPort &port)
{
    const QString words = site::resultText(check);
    if (check.result != m::LINK_PORT_FAILED || mComm::CommLastError.lErrCode == mComm::COMM_OK)
        return words;
    return words + u' ' +
           diagnostic::text({port.device, QStringLiteral("cannot open the port"),
                             mComm::openFailureReason(port.device)});
}

void recordDevice(ReportEntry &entry, const m::DeviceSummary &found)
{
    entry.deviceId = found.deviceId;
    entry.serialNumber = found.serialNumber;
    entry.speed = found.baud;
    entry.eepromSize = found.eepromSize;
    entry.deviceText = found.deviceText;
}

// The device's sheet, SERIAL.html in the folder; named in the entry once written.
diagnostic::Problem writeSheet(const QString &folder, const tqimage::EEPROMImage &image,
                               ReportEntry &entry)
{
    const QString name = QString::number(entry.serialNumber) + QStringLiteral(".html");
    const QString path = QDir(folder).filePath(name);
    const QDate date = QDateTime::fromString(entry.time, Qt::ISODate).toLocalTime().date();
    const sheet::Source source{
        entry.file, sheet::Device{entry.port, entry.serialNumber, entry.deviceId, entry.deviceText},
        date.toString(Qt::ISODate)};
    const QByteArray html = sheet::html(image, source).toUtf8();
    if (API_FileFunction::FileWriteAll(
            path, std::span(reinterpret_cast<const std::uint8_t *>(html.constData()),
                            std::size_t(html.size()))) < 0)
        return diagnostic::cannotWrite(path, QStringLiteral("sheet"),
                                       API_FileFunction::LastErrorText());
    entry.sheet = name;
    return {};
}

class Runner
{
public:
    Runner(m::tLink &link, const Plan &plan, const Request &request, Observer &observer)
        : link(link), plan(plan), request(request), observer(observer)
    {
    }

    // Writes the job's file into its device and records how it went.
    ReportEntry write(const Job &job, const std::optional<ReportEntry> &last)
    {
        const PlanPort &port = plan.ports[job.port];
        auto image = std::make_unique<tqimage::EEPROMImage>();
        std::copy(job.bytes.begin(), job.bytes.end(), tqimage::addressView(*image).begin());
        std::optional<mComm::ScopedPortFactory> factory;
        if (port.factory)
            factory.emplace(port.factory);
        link.Port = port.number;
        const qint64 speed = last && last->speed > 0 ? last->speed : factorySpeed;
        const site::UploadCheck check =
            site::uploadConfirmed(link, job.address, speed, *image, observer);
        ReportEntry entry = planned(plan, job);
        recordDevice(entry, check.found);
        entry.result = check.result;
        entry.resultText = resultWords(check, port);
        entry.time = request.now ? request.now() : site::utcNow();
        if (entry.done()) {
            if (const diagnostic::Problem problem = writeSheet(request.folder, *image, entry)) {
                entry.result = site::RESULT_FILE_FAILED;
                entry.resultText = diagnostic::text(problem);
            }
        }
        return entry;
    }

private:
    m::tLink &link;
    const Plan &plan;
    const Request &request;
    Observer &observer;
};

std::int32_t firstFailure(const std::vector<RowOutcome> &rows)
{
    const auto failed = std::find_if(rows.begin(), rows.end(),
                                     [](const RowOutcome &row) { return !row.entry.done(); });
    return failed == rows.end() ? m::LINK_OK : failed->entry.result;
}

} // namespace

Outcome run(m::tLink &link, const Plan &plan, Report &report, const Request &request,
            Observer &observer)
{
    Outcome outcome;
    for (const Job &job : plan.jobs)
        outcome.rows.push_back({RowOutcome::Fate::NotReached, planned(plan, job)});
    // A folder that cannot hold the report is found before anything is written.
    if ((outcome.problem = writeReport(request.folder, report))) {
        outcome.status = site::RESULT_FILE_FAILED;
        return outcome;
    }
    Runner runner(link, plan, request, observer);
    bool stopped = false;
    for (std::size_t k = 0; k < plan.jobs.size(); ++k) {
        const Job &job = plan.jobs[k];
        RowOutcome &row = outcome.rows[k];
        const std::optional<ReportEntry> last = lastRecord(report, plan, job);
        if (!request.again && doneAlready(last, job)) {
            row = {RowOutcome::Fate::Skipped, *last};
            continue;
        }
        stopped = stopped || observer.stopRequested();
        if (stopped)
            continue;
        observer.rowBegins(int(k) + 1, int(plan.jobs.size()), job);
        row = {RowOutcome::Fate::Written, runner.write(job, last)};
        report.devices.push_back(row.entry);
        if ((outcome.problem = writeReport(request.folder, report))) {
            row.entry.result = site::RESULT_FILE_FAILED;
            row.entry.resultText = diagnostic::text(outcome.problem);
            stopped = true;
        }
        observer.rowEnds(job, row.entry);
    }
    outcome.status = firstFailure(outcome.rows);
    return outcome;
}

} // namespace commission
