// Several simulated devices on one line: who hears and who answers a request,
// replies one after the other, each device's own reset, and the host's echo,
// which the link must ignore. On the in-process port and the manual clock.
// (tq540sim's --device refused where it makes no sense: tst_ctl.)

#include "simbench.h"
#include "target.h"
#include "transferdriver.h"

#include <QTest>

namespace {

// Requests worked out by hand (see tst_sim): identify to device IDs 3 and 4,
// reset to device ID 1.
const char *const identifyId3 = "02 87 80 60 20 80 80 9A 8C 85 C2 41 A0 80 85 98 80 03";
const char *const identifyId4 = "02 87 81 80 20 80 80 9A 8C 85 C2 41 A0 80 85 9A 80 03";
const char *const resetId1 = "02 87 80 20 20 80 80 82 80 80 80 81 A0 80 90 40 80 03";

std::vector<std::uint8_t> bytes(const char *hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

std::unique_ptr<sim::SimPort> openPort(const std::shared_ptr<sim::Bus> &bus, std::int32_t baud)
{
    auto port = std::make_unique<sim::SimPort>(bus);
    mComm::CommState state;
    state.BaudRate = baud;
    state.Parity = 'N';
    state.ByteSize = 8;
    state.StopBits = 1;
    if (!port->open() || !port->setState(state))
        return nullptr;
    return port;
}

std::vector<std::uint8_t> readAll(sim::SimPort &port)
{
    std::vector<std::uint8_t> heard(1024);
    heard.resize(std::size_t(std::max<std::int64_t>(port.read(heard), 0)));
    return heard;
}

constexpr qint64 bySerial = 0x80000000LL;

} // namespace

class TestBus : public QObject
{
    Q_OBJECT

private slots:
    void answersOnlyItsAddressAtItsSpeed_data()
    {
        QTest::addColumn<qint64>("address");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QList<uint>>("heard"); // serial numbers of the devices it reached
        QTest::addColumn<uint>("answer");       // the serial number that answered; 0: none
        // clang-format off
        QTest::newRow("ID at its speed")        << 512 + 3LL << 4800  << QList<uint>{4242} << 4242U;
        QTest::newRow("ID at another speed")    << 512 + 3LL << 19200 << QList<uint>{} << 0U;
        QTest::newRow("one ID at two speeds")   << 512 + 5LL << 9600  << QList<uint>{77777} << 77777U;
        QTest::newRow("the other of them")      << 512 + 5LL << 19200 << QList<uint>{555} << 555U;
        QTest::newRow("one ID twice: garbled")  << 512 + 7LL << 19200 << QList<uint>{1234567890, 31337} << 0U;
        QTest::newRow("serial number")          << (bySerial | 1234567890) << 19200 << QList<uint>{1234567890} << 1234567890U;
        QTest::newRow("serial, another speed")  << (bySerial | 4242) << 9600 << QList<uint>{} << 0U;
        QTest::newRow("nobody's ID")            << 512 + 9LL << 9600  << QList<uint>{} << 0U;
        // clang-format on
    }
    void answersOnlyItsAddressAtItsSpeed()
    {
        QFETCH(qint64, address);
        QFETCH(int, baud);
        SimBench bench;
        bench.addToBus({.serialNo = 4242, .deviceId = 3, .baud = 4800});
        bench.addToBus({.serialNo = 1234567890, .deviceId = 7, .baud = 19200});
        bench.addToBus({.serialNo = 31337, .deviceId = 7, .baud = 19200});
        bench.addToBus({.serialNo = 77777, .deviceId = 5, .baud = 9600});
        bench.addToBus({.serialNo = 555, .deviceId = 5, .baud = 19200});
        bench.addressGLink();
        m::gLink.TargetID = std::int32_t(address);
        m::gLink.DCBString = m::modeString(baud);
        m::gLink.Retries = 1;
        QCOMPARE(m::OpenLink(m::gLink), m::LINK_OK);
        const std::int32_t result = m::Probe(m::gLink);

        QList<uint> heard;
        for (const auto &device : bench.bus->devices())
            if (!device->log().empty())
                heard << device->config().serialNo;
        QTEST(heard, "heard");
        QFETCH(uint, answer);
        QCOMPARE(result, answer ? m::LINK_OK : m::LINK_NO_REPLY);
        if (answer)
            QCOMPARE(m::summarize(m::gLink).serialNumber, answer);
    }

    // Two requests back to back, to two devices at one speed: the line carries
    // one byte per ten bits, so the second reply waits for the first.
    void repliesNeverOverlap()
    {
        SimBench bench;
        bench.addToBus({.deviceId = 3});
        bench.addToBus({.serialNo = 1000002, .deviceId = 4});
        const std::unique_ptr<sim::SimPort> port = openPort(bench.bus, 9600);
        QVERIFY(port);
        std::vector<std::uint8_t> requests = bytes(identifyId3);
        const std::vector<std::uint8_t> second = bytes(identifyId4);
        requests.insert(requests.end(), second.begin(), second.end());
        port->setLine(mComm::LINE_RTS, true);
        port->write(requests);
        bench.clock.advance(std::chrono::seconds(1));
        port->setLine(mComm::LINE_RTS, false);

        std::vector<std::uint8_t> heard;
        for (std::size_t k = 1; k <= 300; ++k) {
            bench.clock.advance(std::chrono::microseconds(1042)); // a byte at 9600 baud
            const std::vector<std::uint8_t> more = readAll(*port);
            heard.insert(heard.end(), more.begin(), more.end());
            QVERIFY2(heard.size() <= k, qPrintable(QString::number(k)));
        }
        // Both replies whole: each body between STX and ETX carries its sum.
        QCOMPARE(std::count(heard.begin(), heard.end(), m::STX), 2);
        QCOMPARE(heard.back(), m::ETX);
        const auto end = std::find(heard.begin(), heard.end(), m::ETX);
        for (const auto &[from, to] :
             {std::pair(heard.begin() + 1, end), std::pair(end + 2, heard.end() - 1)})
            QVERIFY(m::DecodePacket(std::span(&*from, std::size_t(to - from))).sumOk);
    }

    void eachTakesItsStoredSpeedAtItsReset()
    {
        sim::Bus bus;
        auto reset = std::make_shared<sim::Device>(sim::DeviceConfig{.deviceId = 1, .baud = 4800});
        reset->eeprom()[32] = 4; // 19200
        auto other = std::make_shared<sim::Device>(
            sim::DeviceConfig{.serialNo = 1000002, .deviceId = 2, .baud = 4800});
        other->eeprom()[32] = 0; // 1200, were it reset
        bus.add(reset);
        bus.add(other);
        QCOMPARE(bus.carry(bytes(resetId1), 4800, true).size(), std::size_t(1));
        QVERIFY(reset->listensAt(19200));
        QVERIFY(other->listensAt(4800));
    }

    // A two-wire adapter without echo suppression: the host hears its request
    // before the reply, and a transfer goes as it goes without.
    void linkIgnoresItsOwnEcho_data()
    {
        QTest::addColumn<bool>("echo");
        QTest::newRow("without echo") << false;
        QTest::newRow("with echo") << true;
    }
    void linkIgnoresItsOwnEcho()
    {
        QFETCH(bool, echo);
        SimBench bench;
        sim::Device &device = bench.addToBus({});
        bench.bus->echo = echo;
        {
            const std::unique_ptr<sim::SimPort> port = openPort(bench.bus, 9600);
            QVERIFY(port);
            const std::vector<std::uint8_t> request = bytes(resetId1);
            port->write(request);
            bench.clock.advance(std::chrono::milliseconds(200));
            const std::vector<std::uint8_t> heard = readAll(*port);
            QCOMPARE(std::equal(request.begin(), request.end(), heard.begin()), echo);
        }
        device.clearLog();
        bench.addressGLink();
        std::vector<std::uint8_t> image(121);
        TransferObserver unseen;
        QCOMPARE(TransferDriver(m::gLink, image, unseen).run(TransferKind::Download, 33, 120),
                 m::LINK_DOWNLOAD_DONE);
        QCOMPARE(image[33], std::uint8_t(3));  // the factory's speed code, EEPROM address 32
        QCOMPARE(image[35], std::uint8_t(30)); // and its LED dwell time
        QCOMPARE(device.log().size(), std::size_t(4)); // identify and three reads, none again
    }
};

QTEST_GUILESS_MAIN(TestBus)
#include "tst_bus.moc"
