// The transfer window as a view over the transfer driver: its captions, what
// it shows while the driver runs (status, Cancel, percentage), closing itself
// or waiting for the user, the image it fills or sends, and what it hands
// back. The driver's own outcomes are tested with the driver.

#include "simbench.h"
#include "transferuser.h"
#include "eepromimage.h"
#include "frmeeprom.h"
#include "resdll.h"
#include "twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const auto text = [](int id) { return gResDll.GetStr(id); };

// CloseWhileBusy: on the first event pass, Timer2 ticks again and close()
// tries to close the window; EscapeFirst: Escape before the transfer starts.
enum class Fault { None, NoEcho, CancelInSearch, CloseWhileBusy, EscapeFirst };

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

    // What the window shows on each event pass while the driver runs, as
    // "status | button | percentage": the button "cancel", "greyed" or
    // "close"; the percentage after a tick of Timer3 while that runs, else
    // "stopped" and what the label holds. The last is the outcome.
    void outcomes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("caption");
        QTest::addColumn<bool>("closedItself");
        QTest::addColumn<QStringList>("shown");
        const auto at = [](int status, const char *shown) { return text(status) + " | " + shown; };
        const QString search = at(1354, "cancel | stopped ");
        // clang-format off
        QTest::newRow("test")           << 2 << Fault::None << 0 << 1352 << true << QStringList{search, at(1400, "close | stopped ")};
        QTest::newRow("download")       << 0 << Fault::None << 0 << 1351 << false << QStringList{search, at(1355, "cancel | "), at(1355, "cancel | 0%"),
            at(1355, "cancel | 40%"), at(1355, "cancel | 81%"), at(1413, "close | stopped ")};
        QTest::newRow("upload")         << 1 << Fault::None << 0 << 1350 << false << QStringList{search, at(1356, "greyed | "),
            at(1356, "greyed | 0%"), at(1356, "greyed | 40%"), at(1356, "greyed | 81%"), at(1357, "greyed | stopped "),
            at(1414, "close | stopped ")};
        QTest::newRow("download fails") << 0 << Fault::NoEcho << 6 << 1351 << false << QStringList{search, at(1355, "cancel | "),
            at(1355, "cancel | 0%"), at(1406, "close | stopped ")};
        // Pressed 2 s into a search for a device at 38400 baud, in the second attempt.
        QTest::newRow("Cancel in the search") << 0 << Fault::CancelInSearch << 4 << 1351 << true << QStringList{search, at(1404, "close | stopped ")};
        QTest::newRow("busy: no closing, no second run") << 2 << Fault::CloseWhileBusy << 0 << 1352 << true << QStringList{search, at(1400, "close | stopped ")};
        QTest::newRow("Escape before the start") << 0 << Fault::EscapeFirst << 4 << 1351 << true << QStringList{};
        // clang-format on
    }
    void outcomes()
    {
        QFETCH(int, mode);
        QFETCH(Fault, fault);
        QFETCH(int, result);
        // The device's EEPROM holds a * 7 + 3 at address a.
        SimBench bench({.baud = fault == Fault::CancelInSearch ? 38400 : 9600});
        for (std::size_t a = 0; a < bench.device->eeprom().size(); ++a)
            bench.device->eeprom()[a] = std::uint8_t(a * 7 + 3);
        bench.addressGLink();
        bench.device->faults.noEchoReads = fault == Fault::NoEcho ? 1 : 0;
        frmEEPROM window;
        auto *timer3 = window.findChild<QTimer *>(QStringLiteral("Timer3"));
        const auto *status = window.findChild<QLabel *>(QStringLiteral("lbMsg"));
        const auto *percent = window.findChild<QLabel *>(QStringLiteral("lbdownload"));
        auto *button = window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
        QStringList shown;
        bool closed = false;
        if (fault == Fault::EscapeFirst)
            QTimer::singleShot(0, &window, [&] { QTest::keyClick(&window, Qt::Key_Escape); });
        bench.clock.onEvents = [&] {
            if (fault == Fault::CloseWhileBusy && shown.isEmpty()) {
                window.Timer2_Timer();
                closed = window.close();
            }
            if (timer3->isActive())
                window.Timer3_Timer();
            const QString now = status->text() + " | " +
                                (!button->isEnabled()           ? "greyed"
                                 : button->text() == text(1301) ? "cancel"
                                                                : "close") +
                                " | " + (timer3->isActive() ? "" : "stopped ") + percent->text();
            if (shown.isEmpty() || shown.last() != now)
                shown << now;
            if (fault == Fault::CancelInSearch && bench.clock.elapsed() >= std::chrono::seconds(2))
                QTest::mouseClick(button, Qt::LeftButton);
        };
        const ActionOutcome outcome = runActionAsUser(window, std::int16_t(mode), 33, 120);
        QCOMPARE(outcome.result, result);
        QTEST(outcome.closedItself, "closedItself");
        QTEST(shown, "shown");
        QFETCH(int, caption);
        QCOMPARE(window.windowTitle(), text(caption));
        // The status line 60 twips after its caption, both whole, in the window.
        const auto *label1 = window.findChild<QLabel *>(QStringLiteral("Label1"));
        QCOMPARE(label1->text(), text(1353));
        QVERIFY(label1->width() >= label1->sizeHint().width());
        QCOMPARE(status->x(),
                 twips::toPixels(twips::fromPixels(label1->geometry().right() + 1) + 60));
        QVERIFY(status->geometry().right() < window.width());
        QVERIFY(!bench.device->inUse); // the port is closed
        QVERIFY(!closed);
        if (fault == Fault::CloseWhileBusy || fault == Fault::EscapeFirst)
            QCOMPARE(int(bench.device->log().size()), fault == Fault::EscapeFirst ? 0 : 1);
        if (fault == Fault::CancelInSearch) // stopped in the attempt it came in
            QVERIFY(bench.clock.elapsed() < std::chrono::milliseconds(3600));
        // Positions 33 to 120 are EEPROM addresses 32 to 119.
        for (int p = 32; p <= 121; ++p) {
            const bool moved = result == 0 && mode != 2 && p >= 33 && p <= 120;
            QCOMPARE(tqimage::EEPROMBuf[p],
                     std::uint8_t(moved && mode == 0 ? (p - 1) * 7 + 3 : 0xEE));
            QCOMPARE(bench.device->eeprom()[p - 1],
                     std::uint8_t(moved && mode == 1 ? 0xEE : (p - 1) * 7 + 3));
        }
    }
};

QTEST_MAIN(TestFrmEEPROM)
#include "tst_frmeeprom.moc"
