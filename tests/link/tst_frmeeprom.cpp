#include "../simbench.h"
#include "../transferuser.h"
#include "eepromimage.h"
#include "frmeeprom.h"
#include "resdll.h"
#include "twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

// The simulated device, and gLink addressed to it.
struct Bench : SimBench
{
    explicit Bench(const sim::DeviceConfig &config = {}) : SimBench(config) { addressGLink(); }
};

sim::DeviceConfig deviceAt(std::int32_t baud)
{
    sim::DeviceConfig config;
    config.baud = baud;
    return config;
}

QPushButton *cancelButton(frmEEPROM &window)
{
    return window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
}

QString labelText(frmEEPROM &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name))->text();
}

QString text(int id)
{
    return gResDll.GetStr(id);
}

using Outcome = ActionOutcome;

Outcome runAction(frmEEPROM &window, std::int16_t mode, std::int32_t start, std::int32_t stop)
{
    return runActionAsUser(window, mode, start, stop);
}

void fillPattern(std::span<std::uint8_t> bytes, std::uint8_t seed)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 7 + seed);
}

} // namespace

class TestFrmEEPROM : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        QVERIFY(!text(1404).isEmpty());
    }

    void init() { tqimage::EEPROMBuf.fill(0); }

    void successfulTestClosesItself_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("test") << int(frmEEPROM::ACTION_TEST);
        // Any other mode is a test too, as its caption says: it never writes.
        QTest::newRow("unknown mode") << 7;
    }
    void successfulTestClosesItself()
    {
        QFETCH(int, mode);
        Bench bench;
        frmEEPROM window;
        const Outcome outcome = runAction(window, std::int16_t(mode), 33, 120);
        QCOMPARE(outcome.result, m::LINK_OK);
        QVERIFY(outcome.closedItself);
        QCOMPARE(window.windowTitle(), text(1352));
        QCOMPARE(labelText(window, "lbMsg"), text(1400));
        QCOMPARE(bench.device->log().size(), std::size_t(1));
        QCOMPARE(bench.requests(m::CMD_IDENTIFY), 1);
        QCOMPARE(m::gLink.SpeedFound, m::LINK_TRUE);
        QVERIFY(!bench.device->inUse); // port closed
    }

    void statusCaptionShownWhole()
    {
        Bench bench;
        frmEEPROM window;
        runAction(window, frmEEPROM::ACTION_TEST, 33, 120);
        const auto *caption = window.findChild<QLabel *>(QStringLiteral("Label1"));
        const auto *status = window.findChild<QLabel *>(QStringLiteral("lbMsg"));
        QCOMPARE(caption->text(), text(1353));
        QVERIFY(caption->width() >= caption->sizeHint().width());
        // 60 twips after the caption, and still inside the window.
        QCOMPARE(status->x(),
                 twips::toPixels(twips::fromPixels(caption->geometry().right() + 1) + 60));
        QVERIFY(status->geometry().right() < window.width());
    }

    void cancelDuringSpeedSearch()
    {
        Bench bench(deviceAt(38400)); // found last, so the search takes long
        frmEEPROM window;
        bool clicked = false;
        bench.clock.onEvents = [&] {
            if (!clicked && bench.clock.elapsed() >= 2000ms) {
                clicked = true;
                QTest::mouseClick(cancelButton(window), Qt::LeftButton);
            }
        };
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_DOWNLOAD, 33, 120);
        QVERIFY(clicked);
        QCOMPARE(outcome.result, m::LINK_CANCELLED);
        QVERIFY(outcome.closedItself);
        QCOMPARE(labelText(window, "lbMsg"), text(1404));
        QCOMPARE(bench.requests(m::CMD_READ_BLOCK), 0);
        QVERIFY(bench.clock.elapsed() < 3600ms); // stopped in the attempt it was pressed in
    }

    void uploadCannotBeCancelledWhileWriting()
    {
        Bench bench;
        std::fill(bench.device->eeprom().begin(), bench.device->eeprom().end(), 0x5A);
        fillPattern(tqimage::EEPROMBuf, 3);
        frmEEPROM window;
        QPushButton *cancel = cancelButton(window);
        bool enabledWhileWriting = false;
        bool enabledWhileResetting = false;
        bool pressed = false;
        bool resetSeen = false;
        bench.clock.onEvents = [&] {
            const QString status = labelText(window, "lbMsg");
            if (status == text(1356)) {
                enabledWhileWriting |= cancel->isEnabled();
                if (!pressed) {
                    pressed = true;
                    QTest::mouseClick(cancel, Qt::LeftButton); // a disabled button ignores it
                }
            } else if (status == text(1357)) {
                resetSeen = true;
                enabledWhileResetting |= cancel->isEnabled();
            }
        };
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_UPLOAD, 33, 120);
        QCOMPARE(outcome.result, m::LINK_OK); // 14 reaches the caller as 0
        QVERIFY(!outcome.closedItself);
        QVERIFY(pressed);
        QVERIFY(resetSeen);
        QVERIFY(!enabledWhileWriting);
        QVERIFY(!enabledWhileResetting);
        QCOMPARE(m::gLink.Cancel, m::LINK_FALSE);
        QCOMPARE(window.windowTitle(), text(1350));
        QCOMPARE(labelText(window, "lbMsg"), text(1414));
        QCOMPARE(cancel->text(), text(1300));
        QVERIFY(cancel->isEnabled());
        QCOMPARE(bench.device->resets(), 1);
        QVERIFY(bench.clock.elapsed() >= 3000ms); // the reset wait
        const auto &eeprom = bench.device->eeprom();
        for (int p = 33; p <= 120; ++p)
            QCOMPARE(eeprom[p - 1], tqimage::EEPROMBuf[p]);
        QCOMPARE(eeprom[32 - 1], std::uint8_t(0x5A)); // outside the range
        QCOMPARE(eeprom[121 - 1], std::uint8_t(0x5A));
    }

    void downloadToTheEndOfTheEeprom()
    {
        sim::DeviceConfig config;
        config.eepromKb = 1;
        Bench bench(config);
        fillPattern(bench.device->eeprom(), 11);
        tqimage::EEPROMBuf.fill(0xEE);
        frmEEPROM window;
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_DOWNLOAD, 33, -1);
        QCOMPARE(outcome.result, m::LINK_OK);
        QVERIFY(!outcome.closedItself);
        QCOMPARE(window.windowTitle(), text(1351));
        QCOMPARE(labelText(window, "lbMsg"), text(1413));
        QCOMPARE(labelText(window, "lbdownload"), QString());
        const auto &eeprom = bench.device->eeprom();
        for (int p = 33; p <= 1024; ++p)
            QCOMPARE(tqimage::EEPROMBuf[p], eeprom[p - 1]);
        QCOMPARE(tqimage::EEPROMBuf[32], std::uint8_t(0xEE));
        QCOMPARE(tqimage::EEPROMBuf[1025], std::uint8_t(0xEE));
        QCOMPARE(bench.requests(m::CMD_READ_BLOCK), (1024 - 33 + 1 + 35) / 36);
    }

    void stopBeyondTheEepromSize()
    {
        sim::DeviceConfig config;
        config.eepromKb = 1;
        Bench bench(config);
        frmEEPROM window;
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_DOWNLOAD, 33, 1025);
        QCOMPARE(outcome.result, m::LINK_BEYOND_EEPROM);
        QVERIFY(!outcome.closedItself);
        QCOMPARE(labelText(window, "lbMsg"), text(1410));
        QCOMPARE(bench.device->log().size(), std::size_t(1)); // the identify only
        QCOMPARE(bench.requests(m::CMD_IDENTIFY), 1);
    }

    void missingPortEndsAtOnce()
    {
        Bench bench;
        bench.portsMissing = true;
        frmEEPROM window;
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_TEST, 33, -1);
        QCOMPARE(outcome.result, m::LINK_PORT_FAILED);
        QVERIFY(!outcome.closedItself);
        QCOMPARE(labelText(window, "lbMsg"), text(1425));
        QVERIFY(bench.device->log().empty());
        QVERIFY(bench.clock.elapsed() < 10ms); // no speed search
    }

    void percentageWhileReading()
    {
        Bench bench;
        frmEEPROM window;
        auto *timer3 = window.findChild<QTimer *>(QStringLiteral("Timer3"));
        QVERIFY(timer3);
        QCOMPARE(timer3->interval(), 500);
        QMap<int, QString> shown; // Done -> lbdownload after a tick
        bench.clock.onEvents = [&] {
            // A tick of the running timer at each step of the read.
            if (!timer3->isActive() || m::gLink.Command != m::CMD_READ_BLOCK ||
                shown.contains(m::gLink.Done))
                return;
            window.Timer3_Timer();
            shown[m::gLink.Done] = labelText(window, "lbdownload");
        };
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_DOWNLOAD, 33, 120);
        QCOMPARE(outcome.result, m::LINK_OK);
        QCOMPARE(shown.value(0), QStringLiteral("0%"));
        QCOMPARE(shown.value(36), QStringLiteral("40%"));
        QCOMPARE(shown.value(72), QStringLiteral("81%")); // 81.8: the whole-number part
        QCOMPARE(labelText(window, "lbdownload"), QString());
        QVERIFY(!timer3->isActive());
    }

    void strayTimer2TickDoesNotRestart()
    {
        Bench bench;
        frmEEPROM window;
        bool ticked = false;
        bool closeRefused = false;
        bench.clock.onEvents = [&] {
            if (ticked)
                return;
            ticked = true;
            window.Timer2_Timer();
            closeRefused = !window.close();
            QTest::keyClick(&window, Qt::Key_Escape);
        };
        const Outcome outcome = runAction(window, frmEEPROM::ACTION_TEST, 33, -1);
        QVERIFY(ticked);
        QVERIFY(closeRefused);
        QCOMPARE(outcome.result, m::LINK_OK);
        QCOMPARE(bench.requests(m::CMD_IDENTIFY), 1);
    }

    void closedBeforeTheTransferStarts()
    {
        Bench bench;
        frmEEPROM window;
        QTimer::singleShot(0, &window, [&] { QTest::keyClick(&window, Qt::Key_Escape); });
        std::int32_t start = 33;
        std::int32_t stop = 120;
        QCOMPARE(window.Action(frmEEPROM::ACTION_DOWNLOAD, start, stop), m::LINK_CANCELLED);
        QVERIFY(bench.device->log().empty());
        QVERIFY(!window.transferEnded());
    }
};

QTEST_MAIN(TestFrmEEPROM)
#include "tst_frmeeprom.moc"
