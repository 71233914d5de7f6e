// Times the commissioning of a simulated line of ten devices at mixed speeds
// (each file setting another speed than the device runs at) through
// commission::run, with verify, against the in-process simulated line on the
// real clock. Compares it with what the protocol itself needs for the same
// exchanges: each request's RTS hold, then its reply's time on the wire, or
// for a request nobody answered (the speed searches' tries at other speeds)
// the identify's whole reply wait; and the 3 s wait after each reset. Also
// shows how busy the process kept a core.

#include "commission.h"
#include "cputime.h"
#include "m.h"
#include "mcomm.h"
#include "simbus.h"
#include "simport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace {

// The reply wait of an identify, as m::Identify sets it.
constexpr double identifyWaitMs = 1500.0;

// One frame the host sent: its length and speed, and the bytes that came back
// before the next one.
struct Sent
{
    int bytes = 0;
    std::int32_t baud = 0;
    int replyBytes = 0;
};

// The simulated port, with every frame written and every byte read counted.
class CountingPort : public mComm::CommDevice
{
public:
    CountingPort(std::unique_ptr<mComm::CommDevice> port, std::vector<Sent> &log)
        : port(std::move(port)), log(log)
    {
    }
    bool open() override { return port->open(); }
    bool setupQueues(std::int64_t in, std::int64_t out) override
    {
        return port->setupQueues(in, out);
    }
    bool purge() override { return port->purge(); }
    bool getState(mComm::CommState &state) override { return port->getState(state); }
    bool setState(const mComm::CommState &state) override
    {
        baud = state.BaudRate;
        return port->setState(state);
    }
    std::int64_t bytesWaiting() override { return port->bytesWaiting(); }
    std::int64_t read(std::span<std::uint8_t> dst) override
    {
        const std::int64_t count = port->read(dst);
        if (count > 0 && !log.empty())
            log.back().replyBytes += int(count);
        return count;
    }
    std::int64_t write(std::span<const std::uint8_t> src) override
    {
        log.push_back({int(src.size()), baud, 0});
        return port->write(src);
    }
    bool setLine(std::int16_t line, bool state) override { return port->setLine(line, state); }
    bool outputDrained() override { return port->outputDrained(); }
    bool close() override { return port->close(); }
    std::int32_t errorCode() const override { return port->errorCode(); }
    QString errorText() const override { return port->errorText(); }

private:
    std::unique_ptr<mComm::CommDevice> port;
    std::vector<Sent> &log;
    std::int32_t baud = 9600;
};

// Milliseconds the logged exchanges and the resets need at the least.
double floorMs(const std::vector<Sent> &log, int resets)
{
    double total = resets * double(m::RESET_WAIT_MS);
    for (const Sent &sent : log)
        total += m::HoldTimeMs(sent.bytes, sent.baud) +
                 (sent.replyBytes > 0 ? sent.replyBytes * 10000.0 / sent.baud : identifyWaitMs);
    return total;
}

// Speed codes: 0 1200, 1 2400, 2 4800, 3 9600, 4 19200, 5 38400.
struct Member
{
    std::int32_t baud;    // the speed it runs at
    std::uint8_t setCode; // the speed its file sets
};
constexpr Member members[] = {{9600, 4}, {4800, 3}, {19200, 5}, {9600, 2}, {38400, 3},
                              {2400, 4}, {9600, 3}, {19200, 4}, {4800, 5}, {9600, 3}};

// The line, and a plan with a file for each device in `folder`.
std::shared_ptr<sim::Bus> makeSite(const QString &folder)
{
    auto bus = std::make_shared<sim::Bus>();
    QByteArray plan = "port,sn,file\n";
    for (std::size_t k = 0; k < std::size(members); ++k) {
        sim::DeviceConfig config;
        config.deviceId = std::uint8_t(k + 1);
        config.serialNo = std::uint32_t(100001 + k);
        config.baud = members[k].baud;
        bus->add(std::make_shared<sim::Device>(config));
        QByteArray bytes(104, '\0');
        bytes[32] = char(members[k].setCode);
        bytes[34] = 30;
        bytes[39 + int(k)] = char(0xA3); // one input each, to tell them apart
        const QString name = QStringLiteral("io-%1.ztb").arg(k + 1);
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return nullptr;
        plan += QStringLiteral("COM1,%1,%2\n").arg(k + 1).arg(name).toUtf8();
    }
    QFile file(QDir(folder).filePath(QStringLiteral("site.csv")));
    return file.open(QIODevice::WriteOnly) && file.write(plan) == plan.size() ? bus : nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::shared_ptr<sim::Bus> bus = dir.isValid() ? makeSite(dir.path()) : nullptr;
    if (!bus) {
        QTextStream(stderr) << "commission: cannot write the plan and its files\n";
        return 1;
    }
    std::vector<Sent> log;
    const mComm::PortFactory line = sim::portFactory(bus, sim::Route::EveryPort);
    mComm::ScopedPortFactory ports([&](const QString &name) -> std::unique_ptr<mComm::CommDevice> {
        return std::make_unique<CountingPort>(line(name), log);
    });
    std::vector<diagnostic::Problem> refused;
    const auto plan = commission::loadPlan(
        dir.filePath(QStringLiteral("site.csv")),
        [](const QString &, QString &) {
            return commission::PlanPort{1, {}, QStringLiteral("line")};
        },
        refused);
    if (!plan) {
        QTextStream(stderr) << "commission: the plan was refused\n";
        return 1;
    }
    commission::Report report;
    commission::Observer unseen; // the benchmark only times the run
    m::tLink link;

    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    const commission::Outcome outcome = commission::run(
        link, *plan, report, {dir.filePath(QStringLiteral("report")), false, {}}, unseen);
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double cpuMs = (cpuSeconds() - cpuStart) * 1000.0;

    const auto unanswered = std::count_if(log.begin(), log.end(),
                                          [](const Sent &sent) { return sent.replyBytes == 0; });
    int resets = 0;
    for (const auto &device : bus->devices())
        resets += device->resets();
    const double floor = floorMs(log, resets);
    QTextStream(stdout) << QStringLiteral("commissioning of %1 devices: status %2, %3 requests (%4 "
                                          "unanswered), %5 resets, wall %6 ms, floor %7 ms, ratio "
                                          "%8, cpu/wall %9\n")
                               .arg(plan->jobs.size())
                               .arg(outcome.status)
                               .arg(log.size())
                               .arg(unanswered)
                               .arg(resets)
                               .arg(wallMs, 0, 'f', 1)
                               .arg(floor, 0, 'f', 1)
                               .arg(wallMs / floor, 0, 'f', 3)
                               .arg(cpuMs / wallMs, 0, 'f', 3);
    return 0;
}
