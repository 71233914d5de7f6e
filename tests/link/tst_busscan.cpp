// The bus scan on the simulated device and the manual clock: which IDs it asks
// at which speed, in what order, and what an unanswered ID costs.

#include "../simbench.h"
#include "busscan.h"

#include <QTest>

using Probe = QPair<int, int>; // speed, device ID as seen on the wire
using namespace std::chrono;

namespace {

// Stands between the link and the simulated port and notes each request's
// speed, device ID and time.
class WireTap : public mComm::CommDevice
{
public:
    WireTap(std::unique_ptr<mComm::CommDevice> port, QList<Probe> &probes,
            QList<microseconds> &times, linkclock::ManualClock &clock)
        : inner(std::move(port)), probes(probes), times(times), clock(clock)
    {
    }
    bool open() override { return inner->open(); }
    bool getState(mComm::CommState &state) override { return inner->getState(state); }
    bool setState(const mComm::CommState &state) override
    {
        baud = state.BaudRate;
        return inner->setState(state);
    }
    std::int64_t bytesWaiting() override { return inner->bytesWaiting(); }
    std::int64_t read(std::span<std::uint8_t> dst) override { return inner->read(dst); }
    std::int64_t write(std::span<const std::uint8_t> src) override
    {
        const std::vector<std::uint8_t> packet = m::Decode7(src.subspan(1, src.size() - 2));
        const std::uint32_t target = packet[1] | packet[2] << 8 | packet[3] << 16 | packet[4] << 24;
        probes << Probe(baud, int(target - sim::PRODUCT_BASE));
        times << clock.elapsed();
        return inner->write(src);
    }
    bool setLine(std::int16_t line, bool state) override { return inner->setLine(line, state); }
    bool close() override { return inner->close(); }

private:
    std::unique_ptr<mComm::CommDevice> inner;
    QList<Probe> &probes;
    QList<microseconds> &times;
    linkclock::ManualClock &clock;
    std::int32_t baud = 0;
};

// Presses Ctrl+C, as the console would, when a given probe is announced.
struct Canceller : busscan::ScanObserver
{
    int cancelAt = 0; // 1-based; 0 never
    int announced = 0;
    void probing(std::int32_t, int) override
    {
        if (++announced == cancelAt)
            m::gLink.Cancel = m::LINK_TRUE;
    }
};

struct Scan
{
    explicit Scan(int deviceId, std::int32_t deviceBaud)
        : bench(sim::DeviceConfig{.deviceId = std::uint8_t(deviceId), .baud = deviceBaud})
    {
        bench.wrap = [this](std::unique_ptr<mComm::CommDevice> port) {
            return std::make_unique<WireTap>(std::move(port), probes, times, bench.clock);
        };
        bench.addressGLink();
    }
    std::int32_t run(const QList<int> &ids, const QList<int> &speeds, int cancelAt = 0)
    {
        Canceller observer;
        observer.cancelAt = cancelAt;
        const std::vector<int> idList(ids.begin(), ids.end());
        const std::vector<std::int32_t> speedList(speeds.begin(), speeds.end());
        return busscan::ScanBus(m::gLink, idList, speedList, observer, found);
    }

    SimBench bench;
    QList<Probe> probes;
    QList<microseconds> times;
    std::vector<busscan::FoundDevice> found;
};

} // namespace

class TestBusScan : public QObject
{
    Q_OBJECT

private slots:
    void asksEachIdOncePerSpeed_data()
    {
        QTest::addColumn<QList<int>>("speeds");
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<int>("deviceId");
        QTest::addColumn<int>("deviceBaud");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<QList<Probe>>("probes");
        QTest::addColumn<QList<Probe>>("found"); // speed, ID
        QTest::addColumn<int>("result");
        QTest::newRow("ascending, each once")
            << QList<int>{9600} << QList<int>{3, 1, 2, 1} << 2 << 9600 << 0
            << QList<Probe>{{9600, 1}, {9600, 2}, {9600, 3}} << QList<Probe>{{9600, 2}} << 0;
        QTest::newRow("found, not asked at the next speed")
            << QList<int>{9600, 4800} << QList<int>{1, 2, 3} << 2 << 9600 << 0
            << QList<Probe>{{9600, 1}, {9600, 2}, {9600, 3}, {4800, 1}, {4800, 3}}
            << QList<Probe>{{9600, 2}} << 0;
        QTest::newRow("found at the second speed")
            << QList<int>{4800, 19200} << QList<int>{1, 2} << 1 << 19200 << 0
            << QList<Probe>{{4800, 1}, {4800, 2}, {19200, 1}, {19200, 2}}
            << QList<Probe>{{19200, 1}} << 0;
        QTest::newRow("ID 0 and 255")
            << QList<int>{38400} << QList<int>{0, 255} << 255 << 38400 << 0
            << QList<Probe>{{38400, 0}, {38400, 255}} << QList<Probe>{{38400, 255}} << 0;
        QTest::newRow("Ctrl+C keeps what was found")
            << QList<int>{9600} << QList<int>{1, 2, 3, 4} << 1 << 9600 << 3
            << QList<Probe>{{9600, 1}, {9600, 2}} << QList<Probe>{{9600, 1}} << 4;
    }
    void asksEachIdOncePerSpeed()
    {
        QFETCH(QList<int>, speeds);
        QFETCH(QList<int>, ids);
        QFETCH(int, deviceId);
        QFETCH(int, deviceBaud);
        QFETCH(int, cancelAt);
        Scan scan(deviceId, deviceBaud);
        QTEST(int(scan.run(ids, speeds, cancelAt)), "result");
        QTEST(scan.probes, "probes");
        QList<Probe> found;
        for (const busscan::FoundDevice &device : scan.found) {
            QCOMPARE(device.summary.serialNumber, scan.bench.device->config().serialNo);
            found << Probe(int(device.summary.baud), device.id);
        }
        QTEST(found, "found");
        QVERIFY(!mComm::CommPorts[0].bOpen);
    }

    // An ID without a device costs the request's RTS hold and the wait for the
    // longest reply at that speed plus 150 ms; nothing more.
    void silentIdCost_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<double>("costMs");
        // 18-byte identify frame: hold max(18 x 9000 / baud + 15, 18 x 10000 / baud + 2),
        // wait 576000 / baud + 150.
        QTest::newRow("1200") << 1200 << 152.0 + 630.0;
        QTest::newRow("9600") << 9600 << 31.875 + 210.0;
        QTest::newRow("38400") << 38400 << 19.21875 + 165.0;
    }
    void silentIdCost()
    {
        QFETCH(int, baud);
        QFETCH(double, costMs);
        Scan scan(200, baud);
        QCOMPARE(scan.run({1, 2, 3}, {baud}), 0);
        QCOMPARE(scan.times.size(), 3);
        for (int i = 1; i < 3; ++i) {
            const double ms = double((scan.times[i] - scan.times[i - 1]).count()) / 1000.0;
            QVERIFY2(ms >= costMs && ms <= costMs + 2.0, qPrintable(QString::number(ms)));
        }
    }
};

QTEST_GUILESS_MAIN(TestBusScan)
#include "tst_busscan.moc"
