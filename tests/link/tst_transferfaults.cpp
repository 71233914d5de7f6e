// Faults on the line and in the device, end to end through the transfer
// window: real clicks on cmdCancel, the simulated device behind every COM
// port, all on a manual clock. Each case ends with the window's outcome text,
// the port given back (a second transfer works at once) and, after a failed
// download, the image as it was.

#include "../simbench.h"
#include "../transferuser.h"
#include "eepromimage.h"
#include "frmeeprom.h"
#include "resdll.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

constexpr int downloadMode = frmEEPROM::ACTION_DOWNLOAD;
constexpr int uploadMode = frmEEPROM::ACTION_UPLOAD;

// The simulated device, patterned, with gLink addressed to it. It can be
// unplugged (it vanishes) and a device with the same EEPROM plugged in.
struct Bench : SimBench
{
    explicit Bench(std::int32_t baud = 9600) : SimBench(configAt(baud))
    {
        for (std::size_t a = 0; a < device->eeprom().size(); ++a)
            device->eeprom()[a] = std::uint8_t(a * 5 + 1);
        addressGLink();
    }
    static sim::DeviceConfig configAt(std::int32_t baud)
    {
        sim::DeviceConfig config;
        config.baud = baud;
        return config;
    }
    void plugInAgain()
    {
        auto fresh = std::make_shared<sim::Device>(device->config());
        fresh->eeprom() = device->eeprom();
        device = fresh;
    }
};

QString text(int id)
{
    return gResDll.GetStr(id);
}

QPushButton *cancelButton(frmEEPROM &window)
{
    return window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
}

QString status(frmEEPROM &window)
{
    return window.findChild<QLabel *>(QStringLiteral("lbMsg"))->text();
}

struct Outcome
{
    std::int32_t result = -1;
    QString shown;            // lbMsg at the end
    bool closedItself = true; // false when the user had to press Close
};

// One transfer in a fresh window, closed by the user if it stays open.
Outcome runAction(int mode, const std::function<void(frmEEPROM &)> &onEvents = {})
{
    frmEEPROM window;
    auto &clock = static_cast<linkclock::ManualClock &>(linkclock::current());
    if (onEvents)
        clock.onEvents = [&] { onEvents(window); };
    const ActionOutcome ended = runActionAsUser(
        window, std::int16_t(mode), tqimage::layout::transferStart, tqimage::layout::transferStop);
    clock.onEvents = nullptr;
    return {ended.result, status(window), ended.closedItself};
}

// Calls `inject` once, at the first event pass of the block transfer.
std::function<void(frmEEPROM &)> onceBlocksMove(std::function<void()> inject)
{
    auto done = std::make_shared<bool>(false);
    return [done, inject](frmEEPROM &) {
        const std::uint8_t command = m::gLink.Command;
        if (*done || (command != m::CMD_READ_BLOCK && command != m::CMD_WRITE_BLOCK))
            return;
        *done = true;
        inject();
    };
}

void fillImage(std::uint8_t seed)
{
    for (std::size_t p = 0; p < tqimage::EEPROMBuf.size(); ++p)
        tqimage::EEPROMBuf[p] = std::uint8_t(p * 3 + seed);
}

bool imageHoldsTheDevice(const sim::Device &device)
{
    for (int p = tqimage::layout::transferStart; p <= tqimage::layout::transferStop; ++p) {
        if (tqimage::EEPROMBuf[p] != device.eeprom()[p - 1])
            return false;
    }
    return true;
}

// The port was given back: closed, and a download works at once.
void secondTransferWorks(Bench &bench)
{
    QCOMPARE(mComm::CommPorts[0].bOpen, std::int16_t(0));
    QVERIFY(!bench.device->inUse);
    bench.device->faults = {};
    bench.device->clearLog();
    const Outcome again = runAction(downloadMode);
    QCOMPARE(again.result, m::LINK_OK);
    QCOMPARE(again.shown, text(1413));
    QVERIFY(imageHoldsTheDevice(*bench.device));
}

} // namespace

class TestTransferFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }

    void init() { fillImage(200); }

    // The adapter is pulled out in the middle: the block without an answer
    // ends the transfer; plugged in again, the next transfer works.
    void deviceVanishes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("framesAnswered"); // identify, then the blocks
        QTest::addColumn<int>("result");
        QTest::newRow("download, at block 2") << downloadMode << 2 << int(m::LINK_NO_REPLY);
        QTest::newRow("download, at block 3") << downloadMode << 3 << int(m::LINK_NO_REPLY);
        QTest::newRow("upload, at block 2") << uploadMode << 2 << int(m::LINK_NO_REPLY);
        QTest::newRow("upload, at the reset") << uploadMode << 4 << int(m::LINK_RESET_FAILED);
    }
    void deviceVanishes()
    {
        QFETCH(int, mode);
        QFETCH(int, framesAnswered);
        QFETCH(int, result);
        Bench bench;
        bench.device->faults.vanishAfterFrames = framesAnswered;
        const tqimage::EEPROMImage before = tqimage::EEPROMBuf;
        const Outcome outcome = runAction(mode);
        QCOMPARE(outcome.result, result);
        QCOMPARE(outcome.shown, text(1400 + result));
        QVERIFY(!outcome.closedItself);
        QVERIFY(bench.device->vanished());
        QVERIFY(tqimage::EEPROMBuf == before);
        QCOMPARE(mComm::CommPorts[0].bOpen, std::int16_t(0));
        bench.plugInAgain();
        secondTransferWorks(bench);
    }

    // Noise between frames must not cost a good reply; a damaged reply is no
    // reply (each exchange of a transfer is tried once).
    void noisyLine_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<std::int32_t>("baud");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("fromTheStart"); // else from the second block on
        QTest::addColumn<int>("result");
        for (const std::int32_t baud : {9600, 38400}) {
            const QByteArray at = " at " + QByteArray::number(baud);
            QTest::newRow("noise before every reply, download" + at)
                << downloadMode << baud << "noise" << true << int(m::LINK_DOWNLOAD_DONE);
            QTest::newRow("noise before every reply, upload" + at)
                << uploadMode << baud << "noise" << true << int(m::LINK_UPLOAD_DONE);
            QTest::newRow("garbage inside a read reply" + at)
                << downloadMode << baud << "inside" << false << int(m::LINK_NO_REPLY);
            QTest::newRow("bit flipped in a read reply" + at)
                << downloadMode << baud << "flip" << false << int(m::LINK_NO_REPLY);
        }
        QTest::newRow("bit flipped in a write reply")
            << uploadMode << 9600 << "flip" << false << int(m::LINK_NO_REPLY);
        // The speed search tries again: found on its second pass.
        QTest::newRow("bit flipped in the identify reply")
            << downloadMode << 9600 << "flip" << true << int(m::LINK_DOWNLOAD_DONE);
    }
    void noisyLine()
    {
        QFETCH(int, mode);
        QFETCH(std::int32_t, baud);
        QFETCH(QString, fault);
        QFETCH(bool, fromTheStart);
        QFETCH(int, result);
        Bench bench(baud);
        sim::DeviceFaults &faults = bench.device->faults;
        const auto inject = [&] {
            const int count = fault == u"noise" ? 1000 : 1;
            (fault == u"noise"    ? faults.noiseBefore
             : fault == u"inside" ? faults.garbageInside
                                  : faults.flippedBits) = count;
        };
        const tqimage::EEPROMImage before = tqimage::EEPROMBuf;
        if (fromTheStart)
            inject();
        const Outcome outcome = runAction(mode, fromTheStart ? nullptr : onceBlocksMove(inject));
        const bool done = result == m::LINK_DOWNLOAD_DONE || result == m::LINK_UPLOAD_DONE;
        QCOMPARE(outcome.result, done ? m::LINK_OK : result);
        QCOMPARE(outcome.shown, text(1400 + result));
        if (mode == downloadMode && done)
            QVERIFY(imageHoldsTheDevice(*bench.device));
        else if (mode == downloadMode)
            QVERIFY(tqimage::EEPROMBuf == before);
        if (mode == uploadMode && done) {
            for (int p = tqimage::layout::transferStart; p <= tqimage::layout::transferStop; ++p)
                QCOMPARE(bench.device->eeprom()[p - 1], tqimage::EEPROMBuf[p]);
            QCOMPARE(bench.device->resets(), 1);
        }
        if (fault == u"flip" && fromTheStart)
            QCOMPARE(bench.requests(m::CMD_IDENTIFY), 2); // heard at 9600 on both passes
        secondTransferWorks(bench);
    }

    // Every exchange of a transfer waits 1500 ms from the end of its request.
    // A read request takes 23 ms on the line at 9600 baud and its reply 66 ms,
    // so a reply started 1400 ms late is in time and one 1500 ms late is not.
    void lateReplies_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("result");
        QTest::newRow("download, just in time")
            << downloadMode << 1400 << int(m::LINK_DOWNLOAD_DONE);
        QTest::newRow("download, too late") << downloadMode << 1500 << int(m::LINK_NO_REPLY);
        QTest::newRow("upload, just in time") << uploadMode << 1400 << int(m::LINK_UPLOAD_DONE);
        QTest::newRow("upload, too late") << uploadMode << 1600 << int(m::LINK_NO_REPLY);
    }
    void lateReplies()
    {
        QFETCH(int, mode);
        QFETCH(int, delayMs);
        QFETCH(int, result);
        Bench bench;
        const tqimage::EEPROMImage before = tqimage::EEPROMBuf;
        // From the second block on: the first block's reply is already on its way.
        const Outcome outcome =
            runAction(mode, onceBlocksMove([&] { bench.device->faults.replyDelayMs = delayMs; }));
        const bool done = result == m::LINK_DOWNLOAD_DONE || result == m::LINK_UPLOAD_DONE;
        QCOMPARE(outcome.result, done ? m::LINK_OK : result);
        QCOMPARE(outcome.shown, text(1400 + result));
        if (mode == downloadMode && !done)
            QVERIFY(tqimage::EEPROMBuf == before);
        if (done)
            QVERIFY(bench.clock.elapsed() >= std::chrono::milliseconds(2 * delayMs));
        secondTransferWorks(bench);
    }

    void cancelAtEachBlock_data()
    {
        QTest::addColumn<int>("block");
        QTest::newRow("block 1") << 1;
        QTest::newRow("block 2") << 2;
        QTest::newRow("block 3") << 3;
    }
    void cancelAtEachBlock()
    {
        QFETCH(int, block);
        Bench bench;
        const tqimage::EEPROMImage before = tqimage::EEPROMBuf;
        bool clicked = false;
        const Outcome outcome = runAction(downloadMode, [&](frmEEPROM &window) {
            if (clicked || m::gLink.Command != m::CMD_READ_BLOCK ||
                m::gLink.Done != (block - 1) * m::MAX_BLOCK)
                return;
            clicked = true;
            QTest::mouseClick(cancelButton(window), Qt::LeftButton);
        });
        QVERIFY(clicked);
        QCOMPARE(outcome.result, m::LINK_CANCELLED);
        QCOMPARE(outcome.shown, text(1404));
        QVERIFY(outcome.closedItself);
        QCOMPARE(bench.requests(m::CMD_READ_BLOCK), block);
        QVERIFY(tqimage::EEPROMBuf == before);
        secondTransferWorks(bench);
    }

    // The blocks are written, but the device is not known to have taken them.
    void resetWithoutAnswer_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("reply lost") << "drop";
        QTest::newRow("reply damaged") << "flip";
        QTest::newRow("reply too late") << "late";
    }
    void resetWithoutAnswer()
    {
        QFETCH(QString, fault);
        Bench bench;
        sim::DeviceFaults &faults = bench.device->faults;
        bool injected = false;
        const Outcome outcome = runAction(uploadMode, [&](frmEEPROM &window) {
            // The window says it resets the device before it sends the request.
            if (injected || status(window) != text(1357))
                return;
            injected = true;
            if (fault == u"drop")
                faults.dropReplies = 1;
            else if (fault == u"flip")
                faults.flippedBits = 1;
            else
                faults.replyDelayMs = 2000;
        });
        QVERIFY(injected);
        QCOMPARE(outcome.result, m::LINK_RESET_FAILED);
        QCOMPARE(outcome.shown, text(1412));
        QVERIFY(!outcome.closedItself);
        QCOMPARE(bench.requests(m::CMD_RESET), 1);
        for (int p = tqimage::layout::transferStart; p <= tqimage::layout::transferStop; ++p)
            QCOMPARE(bench.device->eeprom()[p - 1], tqimage::EEPROMBuf[p]);
        secondTransferWorks(bench);
    }
};

QTEST_MAIN(TestTransferFaults)
#include "tst_transferfaults.moc"
