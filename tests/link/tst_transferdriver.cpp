// The transfer driver's outcomes, once for both front ends: every result
// code, the stages it reports, cancel at each stage, the image untouched by a
// failed download and the port given back, on the simulated device and the
// manual clock.

#include "../simbench.h"
#include "transferdriver.h"

#include <QTest>

namespace {

using Image = std::vector<std::uint8_t>;

// The stages as reported: "Searching+" is cancellable, "Writing-" is not.
class StageLog : public TransferObserver
{
public:
    void stageChanged(TransferStage stage, bool cancellable) override
    {
        static const char *const names[] = {"Searching", "Reading", "Writing", "Verifying",
                                            "Resetting"};
        stages << QString::fromLatin1(names[int(stage)]) + (cancellable ? u'+' : u'-');
    }
    QStringList stages;
};

enum class Fault {
    None,
    NoPort,
    OtherSpeed,
    NoEcho,
    Vanish,
    WriteError,
    ResetLost,
    CancelSearch,
    CancelRead,
    // On the line once blocks move (for FlipIdentify, in the identify).
    Noise,
    Garbage,
    Flip,
    FlipIdentify,
    Late1400,
    Late1500,
};

// Faults of the line that begin once blocks move.
void damageTheLine(sim::DeviceFaults &faults, Fault fault)
{
    faults.noiseBefore = fault == Fault::Noise ? 1000 : 0;
    faults.garbageInside = fault == Fault::Garbage ? 1 : 0;
    faults.flippedBits = fault == Fault::Flip ? 1 : 0;
    faults.replyDelayMs = fault == Fault::Late1400 ? 1400 : fault == Fault::Late1500 ? 1500 : 0;
}

struct Run
{
    std::int32_t result = -1;
    QStringList stages;
    Image image;
    // Requests the device heard.
    int writes = 0;
    int reads = 0;
    int resets = 0;
    bool portReleased = false;
};

// The device's EEPROM byte at address a is a * 3 + 1 (low byte); the image
// starts as 0xEE everywhere, so every byte moved shows.
Run transfer(TransferKind kind, std::int32_t start, std::int32_t stop, Fault fault,
             std::size_t imageSize = 65537)
{
    sim::DeviceConfig config;
    config.baud = fault == Fault::OtherSpeed ? 600 : 9600;
    SimBench bench(config);
    for (std::size_t a = 0; a < bench.device->eeprom().size(); ++a)
        bench.device->eeprom()[a] = std::uint8_t(a * 3 + 1);
    bench.addressGLink();
    bench.portsMissing = fault == Fault::NoPort;
    sim::DeviceFaults &faults = bench.device->faults;
    faults.noEchoReads = fault == Fault::NoEcho ? 1 : 0;
    faults.vanishAfterFrames = fault == Fault::Vanish ? 2 : fault == Fault::ResetLost ? 4 : -1;
    faults.writeErrorAddress = fault == Fault::WriteError ? 70 : -1;
    faults.flippedBits = fault == Fault::FlipIdentify ? 1 : 0;
    bool damaged = false;
    bench.clock.onEvents = [&] {
        if (!damaged && m::gLink.Done > 0) {
            damaged = true;
            damageTheLine(faults, fault);
        }
        const bool cancel =
            (fault == Fault::CancelSearch && bench.requests(m::CMD_IDENTIFY) == 1) ||
            (fault == Fault::CancelRead && bench.requests(m::CMD_READ_BLOCK) == 2);
        if (cancel)
            m::gLink.Cancel = m::LINK_TRUE;
    };

    Run run;
    run.image.assign(imageSize, 0xEE);
    StageLog log;
    run.result = TransferDriver(m::gLink, run.image, log).run(kind, start, stop);
    bench.clock.onEvents = nullptr;
    run.stages = log.stages;
    run.reads = bench.requests(m::CMD_READ_BLOCK);
    run.writes = bench.requests(m::CMD_WRITE_BLOCK);
    run.resets = bench.requests(m::CMD_RESET);
    run.portReleased = !mComm::CommPorts[0].bOpen;
    return run;
}

} // namespace

class TestTransferDriver : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("stop");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("stages");
        QTest::addColumn<int>("reads");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("resets");

        const int test = int(TransferKind::Test), down = int(TransferKind::Download),
                  up = int(TransferKind::Upload);
        const QString search = QStringLiteral("Searching+");
        const QString read = QStringLiteral("Searching+ Reading+");
        const QString write = QStringLiteral("Searching+ Writing-");
        const QString written = QStringLiteral("Searching+ Writing- Resetting-");
        // clang-format off
        QTest::newRow("test finds the device")      << test << -1   << Fault::None         << 0  << search  << 0  << 0 << 0;
        QTest::newRow("port cannot open")           << test << -1   << Fault::NoPort       << 25 << ""      << 0  << 0 << 0;
        QTest::newRow("no answer at any speed")     << test << -1   << Fault::OtherSpeed   << 3  << search  << 0  << 0 << 0;
        QTest::newRow("cancel during the search")   << down << 120  << Fault::CancelSearch << 4  << search  << 0  << 0 << 0;
        QTest::newRow("download")                   << down << 120  << Fault::None         << 13 << read    << 3  << 0 << 0;
        QTest::newRow("download to the EEPROM end") << down << -1   << Fault::None         << 13 << read    << 28 << 0 << 0;
        QTest::newRow("beyond the EEPROM")          << down << 1025 << Fault::None         << 10 << search  << 0  << 0 << 0;
        QTest::newRow("reply without echo")         << down << 120  << Fault::NoEcho       << 6  << read    << 1  << 0 << 0;
        QTest::newRow("device gone mid-download")   << down << 120  << Fault::Vanish       << 3  << read    << 1  << 0 << 0;
        QTest::newRow("cancel at the second block") << down << 120  << Fault::CancelRead   << 4  << read    << 2  << 0 << 0;
        QTest::newRow("upload")                     << up   << 120  << Fault::None         << 14 << written << 0  << 3 << 1;
        QTest::newRow("write error")                << up   << 120  << Fault::WriteError   << 9  << write   << 0  << 2 << 0;
        QTest::newRow("reset unanswered")           << up   << 120  << Fault::ResetLost    << 12 << written << 0  << 3 << 0;
        QTest::newRow("noise before replies")       << down << 120  << Fault::Noise        << 13 << read    << 3  << 0 << 0;
        QTest::newRow("garbage inside a reply")     << down << 120  << Fault::Garbage      << 3  << read    << 3  << 0 << 0;
        QTest::newRow("bit flipped in a reply")     << up   << 120  << Fault::Flip         << 3  << write   << 0  << 3 << 0;
        QTest::newRow("bit flipped in the identify")<< test << -1   << Fault::FlipIdentify << 0  << search  << 0  << 0 << 0;
        QTest::newRow("reply late, in time")        << down << 120  << Fault::Late1400     << 13 << read    << 3  << 0 << 0;
        QTest::newRow("reply late, too late")       << down << 120  << Fault::Late1500     << 3  << read    << 3  << 0 << 0;
        // clang-format on
    }
    void outcomes()
    {
        QFETCH(int, kind);
        QFETCH(int, stop);
        QFETCH(Fault, fault);
        const Run run = transfer(TransferKind(kind), 33, stop, fault);
        QTEST(run.result, "result");
        QTEST(run.stages.join(u' '), "stages");
        QTEST(run.reads, "reads");
        QTEST(run.writes, "writes");
        QTEST(run.resets, "resets");
        QVERIFY(run.portReleased);
    }

    // A download fills exactly positions 33 to the stop from EEPROM addresses
    // 32 on; a failed one leaves the image as it was.
    void downloadFillsOnlyItsRange_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("filled");
        QTest::newRow("complete") << Fault::None << true;
        QTest::newRow("no echo") << Fault::NoEcho << false;
        QTest::newRow("device gone") << Fault::Vanish << false;
        QTest::newRow("cancelled") << Fault::CancelRead << false;
    }
    void downloadFillsOnlyItsRange()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, filled);
        const Run run = transfer(TransferKind::Download, 33, 120, fault);
        Image expected(65537, 0xEE);
        for (int p = 33; filled && p <= 120; ++p)
            expected[p] = std::uint8_t((p - 1) * 3 + 1);
        QVERIFY(run.image == expected);
    }

    // The range read must fit the image: nothing of it is copied otherwise.
    void downloadPastTheImage()
    {
        const Run run = transfer(TransferKind::Download, 33, 120, Fault::None, 100);
        QCOMPARE(run.result, m::LINK_IMAGE_OVERFLOW);
        QVERIFY(run.image == Image(100, 0xEE));
    }

    void badRange()
    {
        QCOMPARE(transfer(TransferKind::Download, 0, 120, Fault::None).result, m::LINK_BAD_RANGE);
        QCOMPARE(transfer(TransferKind::Upload, 50, 40, Fault::None).result, m::LINK_BAD_RANGE);
    }

    void percentDone_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("percent"); // -1: nothing to show
        QTest::newRow("no transfer yet") << 0 << 0 << -1;
        QTest::newRow("first block of three") << 36 << 88 << 40;
        QTest::newRow("second block") << 72 << 88 << 81;
        QTest::newRow("all") << 88 << 88 << 100;
    }
    void percentDone()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        m::tLink link;
        link.Done = done;
        link.Total = total;
        QTEST(::percentDone(link).value_or(-1), "percent");
    }
};

QTEST_GUILESS_MAIN(TestTransferDriver)
#include "tst_transferdriver.moc"
