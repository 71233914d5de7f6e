// What the transfer window says beyond its status line, and Escape. The line
// under the status line: the search's speed and attempt while it searches,
// the device and the reason when the port will not open, what to check when
// nothing answered, where a verify found a difference; the window keeps its
// design size without it. Escape does what the button would do at that
// moment. The reasons and the verify itself are tested with the link.

#include "eepromimage.h"
#include "frmeeprom.h"
#include "resdll.h"
#include "settingsstore.h"
#include "simbench.h"
#include "twips.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const auto text = [](int id) { return gResDll.GetStr(id); };

enum class Setup { None, PortMissing, Silent, Vanishes, LostWrite };
enum class Press { Never, Searching, Writing, Ended };

// The window's controls, and a user who closes it once its transfer has
// ended, with Escape or the button.
struct Watched
{
    explicit Watched(frmEEPROM &w) : window(w)
    {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (!window.isVisible() || !window.transferEnded())
                return;
            ++closes;
            if (pressAtEnd)
                QTest::keyClick(&window, Qt::Key_Escape);
            else
                QTest::mouseClick(button, Qt::LeftButton);
        });
        poll.start(1);
    }
    frmEEPROM &window;
    QLabel *status = window.findChild<QLabel *>(QStringLiteral("lbMsg"));
    QLabel *detail = window.findChild<QLabel *>(QStringLiteral("lbDetail"));
    QPushButton *button = window.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
    QTimer poll;
    bool pressAtEnd = false;
    int closes = 0;
};

} // namespace

class TestTransferDetail : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        // COM1 leads to a device that is not there.
        settingsstore::writeValueIn(settingsstore::writeScope, settingsstore::programKeyPath,
                                    QStringLiteral("Ports/COM1"),
                                    QStringLiteral("/nonexistent/tty9"));
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }
    void init() { tqimage::EEPROMBuf.fill(0xEE); }

    // The first detail seen while the search runs, the outcome and the detail
    // at the end; whether the window grew for it.
    void detail_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("searching");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("grown");
        const QString first = "9600 baud, 1 of 12";
        // clang-format off
        QTest::newRow("download")          << 0 << Setup::None << 1413 << first << "" << false;
        QTest::newRow("port missing")      << 2 << Setup::PortMissing << 1425 << "" << "/nonexistent/tty9: no such device" << false;
        QTest::newRow("nothing answers")   << 2 << Setup::Silent << 1403 << first << text(1361) << true;
        QTest::newRow("gone after answering") << 0 << Setup::Vanishes << 1403 << first << "" << false;
        QTest::newRow("verify finds a difference") << 1 << Setup::LostWrite << 1415 << first
            << "First difference at EEPROM address 50: 0xEE written, 0x00 read." << true;
        // clang-format on
    }
    void detail()
    {
        QFETCH(int, mode);
        QFETCH(Setup, setup);
        SimBench bench({.baud = setup == Setup::Silent ? 300 : 9600});
        bench.portsMissing = setup == Setup::PortMissing;
        bench.device->faults.lostWriteAddress = setup == Setup::LostWrite ? 50 : -1;
        bench.device->faults.vanishAfterFrames = setup == Setup::Vanishes ? 2 : -1;
        bench.addressGLink();
        frmEEPROM window;
        window.setOptions(TransferOptions{setup == Setup::LostWrite});
        Watched user(window);
        QString searching;
        bench.clock.onEvents = [&] {
            if (searching.isEmpty() && user.status->text() == text(1354))
                searching = user.detail->text();
        };
        std::int32_t start = 33, stop = 120;
        window.Action(std::int16_t(mode), start, stop);
        QTEST(searching, "searching");
        QFETCH(int, outcome);
        QCOMPARE(user.status->text(), text(outcome));
        QTEST(user.detail->text(), "detail");
        QCOMPARE(user.detail->isVisibleTo(&window), !user.detail->text().isEmpty());
        const QSize design(twips::toPixels(3960), twips::toPixels(1425));
        QFETCH(bool, grown);
        QCOMPARE(window.width(), design.width());
        QCOMPARE(window.height() > design.height(), grown);
        // The button under the detail, as far from the bottom as designed.
        QVERIFY(user.button->y() >= user.detail->geometry().bottom());
        QCOMPARE(window.height() - user.button->y(), design.height() - twips::toPixels(900));
        if (setup == Setup::LostWrite)
            QCOMPARE(bench.device->resets(), 0);
    }

    // Escape while the search runs cancels it (the window then closes
    // itself); while the device is written it does nothing; at the end it
    // closes the window.
    void escape_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Press>("press");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("closesByUser");
        QTest::newRow("searching") << 0 << Press::Searching << 4 << 0;
        QTest::newRow("writing") << 1 << Press::Writing << 0 << 1;
        QTest::newRow("ended") << 0 << Press::Ended << 0 << 1;
    }
    void escape()
    {
        QFETCH(int, mode);
        QFETCH(Press, press);
        SimBench bench;
        bench.addressGLink();
        frmEEPROM window;
        Watched user(window);
        user.pressAtEnd = press == Press::Ended;
        const int pressedIn = press == Press::Searching ? 1354 : 1356;
        bool pressed = press == Press::Ended;
        bench.clock.onEvents = [&] {
            if (!pressed && user.status->text() == text(pressedIn)) {
                pressed = true;
                QTest::keyClick(&window, Qt::Key_Escape);
            }
        };
        std::int32_t start = 33, stop = 120;
        QTEST(int(window.Action(std::int16_t(mode), start, stop)), "result");
        QVERIFY(pressed && !window.isVisible());
        QTEST(user.closes, "closesByUser");
    }
};

QTEST_MAIN(TestTransferDetail)
#include "tst_transferdetail.moc"
