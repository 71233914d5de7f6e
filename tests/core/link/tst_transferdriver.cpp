// The transfer driver's outcomes, once for both front ends: every result
// code, the stages it reports, cancel at each stage, the image untouched by a
// failed download, a verify that finds a lost byte, and the port given back,
// on the simulated device and the manual clock. (Its percentage shows in the
// transfer window's test.)

#include "simbench.h"
#include "transferdriver.h"

#include <QTest>

using Image = std::vector<std::uint8_t>;
using Setup = std::function<void(SimBench &, Image &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

// The stages as reported: "Searching+" is cancellable, "Writing-" is not.
struct StageLog : TransferObserver
{
    void stageChanged(TransferStage stage, bool cancellable) override
    {
        static const char *const names[] = {"Searching", "Reading", "Writing", "Verifying",
                                            "Resetting"};
        stages << QString::fromLatin1(names[int(stage)]) + (cancellable ? u'+' : u'-');
    }
    QStringList stages;
};

} // namespace

class TestTransferDriver : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("stages");
        // The reads, writes and resets the device heard; a mismatch's address,
        // byte written and byte read.
        QTest::addColumn<QString>("device");

        const int test = int(TransferKind::Test), down = int(TransferKind::Download),
                  up = int(TransferKind::Upload);
        // Cancel once the device has heard so many requests of a command.
        const auto cancelAt = [](std::uint8_t command, int requests) {
            return Setup([=](SimBench &b, Image &) {
                b.clock.onEvents = [&b, command, requests] {
                    m::gLink.Cancel =
                        b.requests(command) == requests ? m::LINK_TRUE : m::gLink.Cancel;
                };
            });
        };
        const Setup none = [](SimBench &, Image &) {};
        // clang-format off
        QTest::newRow("test finds the device")      << test << 33 << -1   << none << false << 0 << "Searching+" << "0 0 0";
        QTest::newRow("port cannot open")           << test << 33 << -1   << Setup([](SimBench &b, Image &) { b.portsMissing = true; }) << false << 25 << "" << "0 0 0";
        QTest::newRow("no answer at any speed")     << test << 33 << -1   << Setup([](SimBench &b, Image &) { b.device = std::make_shared<sim::Device>(sim::DeviceConfig{.baud = 600}); }) << false << 3 << "Searching+" << "0 0 0";
        QTest::newRow("cancel during the search")   << down << 33 << 120  << cancelAt(m::CMD_IDENTIFY, 1) << false << 4 << "Searching+" << "0 0 0";
        QTest::newRow("download")                   << down << 33 << 120  << none << false << 13 << "Searching+ Reading+" << "3 0 0";
        QTest::newRow("download to the EEPROM end") << down << 33 << -1   << none << false << 13 << "Searching+ Reading+" << "28 0 0";
        QTest::newRow("download from position 0")   << down << 0  << 120 << none << false << 5 << "Searching+ Reading+" << "0 0 0";
        QTest::newRow("download ending before its start") << down << 33 << 20 << none << false << 5 << "Searching+ Reading+" << "0 0 0";
        QTest::newRow("past the image")             << down << 33 << 120  << Setup([](SimBench &, Image &i) { i.resize(100); }) << false << 7 << "Searching+ Reading+" << "3 0 0";
        QTest::newRow("beyond the EEPROM")          << down << 33 << 1025 << none << false << 10 << "Searching+" << "0 0 0";
        QTest::newRow("device gone mid-download")   << down << 33 << 120  << Setup([](SimBench &b, Image &) { b.device->faults.vanishAfterFrames = 2; }) << false << 3 << "Searching+ Reading+" << "1 0 0";
        QTest::newRow("cancel at the second block") << down << 33 << 120  << cancelAt(m::CMD_READ_BLOCK, 2) << false << 4 << "Searching+ Reading+" << "2 0 0";
        QTest::newRow("upload past the image")      << up   << 33 << 120  << Setup([](SimBench &, Image &i) { i.resize(100); }) << false << 5 << "Searching+ Writing-" << "0 0 0";
        QTest::newRow("upload")                     << up   << 33 << 120  << none << false << 14 << "Searching+ Writing- Resetting-" << "0 3 1";
        QTest::newRow("write error")                << up   << 33 << 120  << Setup([](SimBench &b, Image &) { b.device->faults.writeErrorAddress = 70; }) << false << 9 << "Searching+ Writing-" << "0 2 0";
        QTest::newRow("reset unanswered")           << up   << 33 << 120  << Setup([](SimBench &b, Image &) { b.device->faults.vanishAfterFrames = 4; }) << false << 12 << "Searching+ Writing- Resetting-" << "0 3 0";
        QTest::newRow("upload, verified")           << up   << 33 << 120  << none << true << 14 << "Searching+ Writing- Verifying- Resetting-" << "3 3 1";
        QTest::newRow("verify finds a lost byte")   << up   << 33 << 120  << Setup([](SimBench &b, Image &) { b.device->faults.lostWriteAddress = 50; }) << true << 15 << "Searching+ Writing- Verifying-" << "3 3 0; 50 EE 97";
        QTest::newRow("no answer while verifying")  << up   << 33 << 120  << Setup([](SimBench &b, Image &) { b.device->faults.vanishAfterFrames = 4; }) << true << 3 << "Searching+ Writing- Verifying-" << "0 3 0";
        // clang-format on
    }
    // The device's EEPROM byte at address a is a * 3 + 1; the image starts as
    // 0xEE everywhere, so every byte moved shows. A download fills exactly
    // its positions from EEPROM address 32 on; one that failed leaves the
    // image as it was.
    void outcomes()
    {
        QFETCH(int, stop);
        QFETCH(Setup, setup);
        QFETCH(bool, verify);
        QFETCH(int, result);
        SimBench bench;
        for (std::size_t a = 0; a < bench.device->eeprom().size(); ++a)
            bench.device->eeprom()[a] = std::uint8_t(a * 3 + 1);
        bench.addressGLink();
        Image image(65537, 0xEE);
        setup(bench, image);
        StageLog log;
        TransferDriver driver(m::gLink, image, log, TransferOptions{verify});
        QFETCH(int, kind);
        QFETCH(int, start);
        QCOMPARE(driver.run(TransferKind(kind), start, stop), result);
        bench.clock.onEvents = nullptr;
        QTEST(log.stages.join(u' '), "stages");
        const auto &bad = driver.mismatch();
        QTEST(QString::asprintf("%d %d %d", bench.requests(m::CMD_READ_BLOCK),
                                bench.requests(m::CMD_WRITE_BLOCK), bench.requests(m::CMD_RESET)) +
                  (bad ? QString::asprintf("; %d %02X %02X", bad->address, bad->written, bad->read)
                       : QString()),
              "device");
        QVERIFY(!mComm::CommPorts[0].bOpen);
        Image expected(image.size(), 0xEE);
        for (int p = 33; result == m::LINK_DOWNLOAD_DONE && p <= (stop < 0 ? 1024 : stop); ++p)
            expected[p] = std::uint8_t((p - 1) * 3 + 1);
        QVERIFY(image == expected);
    }
};

QTEST_GUILESS_MAIN(TestTransferDriver)
#include "tst_transferdriver.moc"
