#include "plan.h"

#include "apifilefunction.h"
#include "eepromimage.h"
#include "sitefile.h"
#include "target.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <map>

namespace commission {

namespace {

// A problem and the line it names, so that a plan's problems are told in
// the order of its lines.
using Refusals = std::vector<std::pair<int, diagnostic::Problem>>;

const QStringList header{QStringLiteral("port"), QStringLiteral("sn"), QStringLiteral("file")};

QString where(const QString &name, int line)
{
    return QStringLiteral("%1:%2").arg(name).arg(line);
}

// The fields of one line; empty, with `error`, when a quoted field is not
// closed or is followed by anything but a comma.
std::optional<QStringList> splitFields(QStringView line, QString &error)
{
    QStringList fields;
    qsizetype i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
            ++i;
        QString field;
        if (i < line.size() && line[i] == u'"') {
            for (++i;; ++i) {
                if (i >= line.size()) {
                    error = QStringLiteral("a quoted field is not closed");
                    return std::nullopt;
                }
                if (line[i] == u'"' && (i + 1 >= line.size() || line[i + 1] != u'"'))
                    break;
                if (line[i] == u'"')
                    ++i; // a doubled quote stands for one
                field += line[i];
            }
            const qsizetype comma = line.indexOf(u',', ++i);
            if (!line.mid(i, comma < 0 ? -1 : comma - i).trimmed().isEmpty()) {
                error = QStringLiteral("text after a quoted field");
                return std::nullopt;
            }
            i = comma < 0 ? line.size() : comma;
        } else {
            const qsizetype comma = line.indexOf(u',', i);
            field = line.mid(i, comma < 0 ? -1 : comma - i).trimmed().toString();
            i = comma < 0 ? line.size() : comma;
        }
        fields << field;
        if (i >= line.size())
            return fields;
        ++i; // past the comma
    }
}

// Why the fields are no row of a plan; empty when they are one.
QString rowError(const QStringList &fields)
{
    if (fields.size() != header.size())
        return QStringLiteral("expected 3 fields (port,sn,file), found %1").arg(fields.size());
    for (qsizetype f = 0; f < fields.size(); ++f)
        if (fields[f].isEmpty())
            return QStringLiteral("the %1 field is empty").arg(header[f]);
    if (!m::writtenAddress(fields[1]))
        return QStringLiteral("sn %1 is not a serial number or device ID (a number from 0 to "
                              "2147483647)")
            .arg(fields[1]);
    return {};
}

bool isHeader(const QStringList &fields)
{
    return fields.size() == header.size() &&
           std::equal(fields.begin(), fields.end(), header.begin(),
                      [](const QString &a, const QString &b) {
                          return a.compare(b, Qt::CaseInsensitive) == 0;
                      });
}

// The file of a row, read whole; a problem when it cannot be read or is
// longer than a configuration.
diagnostic::Problem readFile(Job &job, const QString &subject)
{
    using tqimage::layout::transferStop;
    // One byte more than a configuration holds tells a file that is too long.
    job.bytes = QByteArray(transferStop + 1, '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        job.path, std::span(reinterpret_cast<std::uint8_t *>(job.bytes.data()),
                            std::size_t(job.bytes.size())));
    if (count < 0)
        return diagnostic::cannotRead(subject, QStringLiteral("configuration file"),
                                      API_FileFunction::LastErrorText());
    if (count > transferStop)
        return {subject, QStringLiteral("not sent"),
                QStringLiteral("longer than the %1 bytes of a configuration").arg(transferStop)};
    job.bytes.truncate(count);
    job.sha256 = site::sha256(job.bytes);
    return {};
}

// Resolves each port text once; rows whose ports lead to one device share it.
class Ports
{
public:
    Ports(const PortResolver &resolve, Plan &plan) : resolve(resolve), plan(plan) {}
    // The index of the port, or a reason why there is none.
    std::optional<std::size_t> find(const QString &text, QString &why)
    {
        const auto known = byText.find(text);
        if (known != byText.end()) {
            why = known->second.second;
            return known->second.first;
        }
        std::optional<PlanPort> port = resolve(text, why);
        std::optional<std::size_t> index;
        if (port) {
            std::vector<PlanPort> &ports = plan.ports;
            const auto same = std::find_if(ports.begin(), ports.end(), [&](const PlanPort &p) {
                return p.device == port->device;
            });
            index = std::size_t(same - ports.begin());
            if (same == ports.end())
                ports.push_back(std::move(*port));
            plan.portIndex[text] = *index;
        }
        byText[text] = {index, why};
        return index;
    }

private:
    const PortResolver &resolve;
    Plan &plan;
    std::map<QString, std::pair<std::optional<std::size_t>, QString>> byText;
};

// The row's port, address and file; the problems found. Empty for a port
// that leads nowhere.
std::optional<Job> checkRow(const PlanRow &row, const QString &name, const QString &folder,
                            Ports &ports, Refusals &refused)
{
    Job job{row, *m::writtenAddress(row.sn), 0, QDir(folder).filePath(row.file), {}, {}};
    const QString at = where(name, row.line);
    QString why;
    const std::optional<std::size_t> port = ports.find(row.port, why);
    if (!port)
        refused.push_back({row.line, {at, QStringLiteral("unknown port %1").arg(row.port), why}});
    if (const diagnostic::Problem problem = readFile(job, at + QStringLiteral(": ") + job.path))
        refused.push_back({row.line, problem});
    if (!port)
        return std::nullopt; // a file's problem aside, it may use an address twice

    job.port = *port;
    return job;
}

// Rows that address a device an earlier row addresses on the same port.
void findTwice(const std::vector<Job> &jobs, const QString &name, Refusals &refused)
{
    std::map<std::pair<std::size_t, std::int32_t>, int> first;
    for (const Job &job : jobs) {
        const auto [at, isNew] = first.emplace(std::pair(job.port, job.address), job.row.line);
        if (!isNew)
            refused.push_back(
                {job.row.line,
                 {where(name, job.row.line),
                  QStringLiteral("same address as line %1").arg(at->second),
                  QStringLiteral("%1 on %2").arg(addressText(job.address), job.row.port)}});
    }
}

// The well-formed rows of a plan's text; the header's and other rows'
// problems go to `problems`.
std::vector<PlanRow> parseLines(const QByteArray &text, const QString &name, Refusals &problems)
{
    // The decoder drops a leading byte order mark, as a spreadsheet may write one.
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    std::vector<PlanRow> rows;
    bool headerSeen = false;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QString line = lines[k].endsWith(u'\r') ? lines[k].chopped(1) : lines[k];
        if (line.trimmed().isEmpty())
            continue;
        const int number = int(k) + 1;
        QString error;
        const std::optional<QStringList> fields = splitFields(line, error);
        if (!headerSeen) {
            headerSeen = true;
            if (!fields || !isHeader(*fields))
                problems.push_back({number,
                                    {where(name, number), QStringLiteral("not a plan"),
                                     QStringLiteral("its first line must be the header "
                                                    "port,sn,file")}});
            continue;
        }
        if (fields)
            error = rowError(*fields);
        if (error.isEmpty())
            rows.push_back({number, (*fields)[0], (*fields)[1], (*fields)[2]});
        else
            problems.push_back(
                {number, {where(name, number), QStringLiteral("malformed row"), error}});
    }
    if (rows.empty() && problems.empty())
        problems.push_back(
            {0, {name, QStringLiteral("not a plan"), QStringLiteral("it lists no devices")}});
    return rows;
}

} // namespace

std::optional<Plan> loadPlan(const QString &path, const PortResolver &resolve,
                             std::vector<diagnostic::Problem> &refused)
{
    QByteArray text(QFileInfo(path).size(), '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        path, std::span(reinterpret_cast<std::uint8_t *>(text.data()), std::size_t(text.size())));
    if (count < 0) {
        refused.push_back(diagnostic::cannotRead(path, QStringLiteral("plan"),
                                                 API_FileFunction::LastErrorText()));
        return std::nullopt;
    }
    text.truncate(count);
    Plan plan{path, {}, {}, {}};
    const QString folder = QFileInfo(path).path();
    Ports ports(resolve, plan);
    Refusals refusals;
    for (const PlanRow &row : parseLines(text, path, refusals))
        if (std::optional<Job> job = checkRow(row, path, folder, ports, refusals))
            plan.jobs.push_back(std::move(*job));
    findTwice(plan.jobs, path, refusals);
    std::stable_sort(refusals.begin(), refusals.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &[line, problem] : refusals)
        refused.push_back(problem);
    if (!refused.empty())
        return std::nullopt;
    return plan;
}

QString addressText(std::int32_t address)
{
    const auto bits = std::uint32_t(address);
    if (bits & m::SERIAL_ADDRESS_BIT)
        return QStringLiteral("serial number %1").arg(bits & ~m::SERIAL_ADDRESS_BIT);
    return QStringLiteral("device ID %1").arg(address - m::productBaseOf(m::TQ540_PRODUCT_CODE));
}

} // namespace commission
