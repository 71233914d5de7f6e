// The transfer window as a view over the transfer driver: its captions, its
// Cancel button and percentage, closing itself or waiting for the user, and
// what it hands back. The driver's own outcomes are tested with the driver.

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

// The simulated device, its EEPROM patterned, and gLink addressed to it.
struct Bench : SimBench
{
    explicit Bench(std::int32_t baud = 9600) : SimBench(configAt(baud))
    {
        for (std::size_t a = 0; a < device->eeprom().size(); ++a)
            device->eeprom()[a] = std::uint8_t(a * 7 + 3);
        addressGLink();
    }
    static sim::DeviceConfig configAt(std::int32_t baud)
    {
        sim::DeviceConfig config;
        config.baud = baud;
        return config;
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

QString label(frmEEPROM &window, const char *name)
{
    return window.findChild<QLabel *>(QLatin1String(name))->text();
}

enum class Fault { None, NoPort, NoEcho };

} // namespace

class TestFrmEEPROM : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }

    void init() { tqimage::EEPROMBuf.fill(0xEE); }

    void outcomes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("caption");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("closedItself");
        // clang-format off
        QTest::newRow("test")             << 2 << Fault::None   << 0  << 1352 << 1400 << true;
        QTest::newRow("unknown mode")     << 7 << Fault::None   << 0  << 1352 << 1400 << true;
        QTest::newRow("download")         << 0 << Fault::None   << 0  << 1351 << 1413 << false;
        QTest::newRow("upload")           << 1 << Fault::None   << 0  << 1350 << 1414 << false;
        QTest::newRow("port missing")     << 2 << Fault::NoPort << 25 << 1352 << 1425 << false;
        QTest::newRow("download fails")   << 0 << Fault::NoEcho << 6  << 1351 << 1406 << false;
        // clang-format on
    }
    void outcomes()
    {
        QFETCH(int, mode);
        QFETCH(Fault, fault);
        Bench bench;
        bench.portsMissing = fault == Fault::NoPort;
        bench.device->faults.noEchoReads = fault == Fault::NoEcho ? 1 : 0;
        frmEEPROM window;
        const ActionOutcome outcome = runActionAsUser(window, std::int16_t(mode), 33, 120);
        QTEST(outcome.result, "result");
        QTEST(outcome.closedItself, "closedItself");
        QFETCH(int, caption);
        QFETCH(int, status);
        QCOMPARE(window.windowTitle(), text(caption));
        QCOMPARE(label(window, "lbMsg"), text(status));
        QCOMPARE(label(window, "Label1"), text(1353));
        QCOMPARE(cancelButton(window)->text(), text(1300));
        QVERIFY(!bench.device->inUse); // the port is closed
    }

    // The window moves bytes between the device and EEPROMBuf, positions 33
    // to 120 being EEPROM addresses 32 to 119.
    void downloadAndUploadUseTheImage()
    {
        Bench bench;
        frmEEPROM window;
        QCOMPARE(runActionAsUser(window, frmEEPROM::ACTION_DOWNLOAD, 33, 120).result, 0);
        for (int p = 32; p <= 121; ++p)
            QCOMPARE(tqimage::EEPROMBuf[p],
                     p == 32 || p == 121 ? std::uint8_t(0xEE) : std::uint8_t((p - 1) * 7 + 3));
        for (int p = 33; p <= 120; ++p)
            tqimage::EEPROMBuf[p] = std::uint8_t(p);
        QCOMPARE(runActionAsUser(window, frmEEPROM::ACTION_UPLOAD, 33, 120).result, 0);
        for (int p = 33; p <= 120; ++p)
            QCOMPARE(bench.device->eeprom()[p - 1], std::uint8_t(p));
    }

    void statusCaptionShownWhole()
    {
        Bench bench;
        frmEEPROM window;
        runActionAsUser(window, frmEEPROM::ACTION_TEST, 33, 120);
        const auto *caption = window.findChild<QLabel *>(QStringLiteral("Label1"));
        const auto *status = window.findChild<QLabel *>(QStringLiteral("lbMsg"));
        QVERIFY(caption->width() >= caption->sizeHint().width());
        // 60 twips after the caption, and still inside the window.
        QCOMPARE(status->x(),
                 twips::toPixels(twips::fromPixels(caption->geometry().right() + 1) + 60));
        QVERIFY(status->geometry().right() < window.width());
    }

    void cancelDuringTheSpeedSearch()
    {
        Bench bench(38400); // found last, so the search takes long
        frmEEPROM window;
        bool clicked = false;
        bench.clock.onEvents = [&] {
            if (!clicked && bench.clock.elapsed() >= 2000ms) {
                clicked = true;
                QCOMPARE(cancelButton(window)->text(), text(1301));
                QTest::mouseClick(cancelButton(window), Qt::LeftButton);
            }
        };
        const ActionOutcome outcome = runActionAsUser(window, frmEEPROM::ACTION_DOWNLOAD, 33, 120);
        QVERIFY(clicked);
        QCOMPARE(outcome.result, m::LINK_CANCELLED);
        QVERIFY(outcome.closedItself);
        QCOMPARE(label(window, "lbMsg"), text(1404));
        QVERIFY(bench.clock.elapsed() < 3600ms); // stopped in the attempt it was pressed in
    }

    // While the device is written and reset the button is greyed and a click
    // does nothing; the percentage goes with the writing.
    void uploadHoldsCancelAndClearsThePercentage()
    {
        Bench bench;
        frmEEPROM window;
        QPushButton *cancel = cancelButton(window);
        auto *timer3 = window.findChild<QTimer *>(QStringLiteral("Timer3"));
        bool enabledWhileBusy = false;
        QString percentWhileWriting, percentAtReset = QStringLiteral("<not seen>");
        bool timerAtReset = true;
        bench.clock.onEvents = [&] {
            const QString status = label(window, "lbMsg");
            if (status == text(1356) && m::gLink.Done > 0 && percentWhileWriting.isEmpty()) {
                window.Timer3_Timer();
                percentWhileWriting = label(window, "lbdownload");
                QTest::mouseClick(cancel, Qt::LeftButton);
            } else if (status == text(1357) && percentAtReset == u"<not seen>") {
                percentAtReset = label(window, "lbdownload");
                timerAtReset = timer3->isActive();
            }
            if (status == text(1356) || status == text(1357))
                enabledWhileBusy |= cancel->isEnabled();
        };
        const ActionOutcome outcome = runActionAsUser(window, frmEEPROM::ACTION_UPLOAD, 33, 120);
        QCOMPARE(outcome.result, m::LINK_OK);
        QCOMPARE(percentWhileWriting, QStringLiteral("40%"));
        QCOMPARE(percentAtReset, QString());
        QVERIFY(!timerAtReset);
        QVERIFY(!enabledWhileBusy);
        QCOMPARE(bench.device->resets(), 1);
        QVERIFY(cancel->isEnabled());
    }

    void percentageWhileReading()
    {
        Bench bench;
        frmEEPROM window;
        auto *timer3 = window.findChild<QTimer *>(QStringLiteral("Timer3"));
        QCOMPARE(timer3->interval(), 500);
        QMap<int, QString> shown; // Done -> lbdownload after a tick
        bench.clock.onEvents = [&] {
            if (!timer3->isActive() || m::gLink.Command != m::CMD_READ_BLOCK ||
                shown.contains(m::gLink.Done))
                return;
            window.Timer3_Timer();
            shown[m::gLink.Done] = label(window, "lbdownload");
        };
        QCOMPARE(runActionAsUser(window, frmEEPROM::ACTION_DOWNLOAD, 33, 120).result, 0);
        QCOMPARE(shown.value(0), QStringLiteral("0%"));
        QCOMPARE(shown.value(36), QStringLiteral("40%"));
        QCOMPARE(label(window, "lbdownload"), QString());
        QVERIFY(!timer3->isActive());
    }

    // A running transfer keeps the window open and runs once.
    void busyWindowRefusesToCloseAndToRestart()
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
        QCOMPARE(runActionAsUser(window, frmEEPROM::ACTION_TEST, 33, -1).result, m::LINK_OK);
        QVERIFY(closeRefused);
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
    }
};

QTEST_MAIN(TestFrmEEPROM)
#include "tst_frmeeprom.moc"
