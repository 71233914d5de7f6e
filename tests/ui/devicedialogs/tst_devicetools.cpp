// The window's device tools, chosen from its menu, against the simulated
// device: Find devices (its progress, Use and a double-click handing the
// device to the toolbar, Stop and closing ending the scan at once) and Compare
// with device (the differences in the window's words, Load without a second
// transfer). The scan and the differences themselves are tested with the link
// and the configuration.

#include "eepromimage.h"
#include "gridcontrol.h"
#include "linktrace.h"
#include "simbench.h"
#include "usercontrol1.h"
#include "windowuser.h"

namespace {

// The devices on the line (device IDs 5 to 9, 9600 or 19200 baud), in the
// order the scan finds them; the first is the one used. The expectations
// follow from this list: one more device is one more line here, once the
// simulated bus puts them all on one line (SimBench takes one device today).
// The first is the one chosen; the scan below asks IDs 5 to 9 at 9600 and
// 19200 baud, so the last two stay unseen.
const std::vector<sim::DeviceConfig> onTheLine = {
    {.serialNo = 5000, .deviceId = 7, .baud = 19200},
    {.serialNo = 4242, .deviceId = 9, .baud = 19200},
    {.serialNo = 77777, .deviceId = 6, .baud = 4800},
    {.serialNo = 31337, .deviceId = 12, .baud = 9600},
};

QString tableRow(const sim::DeviceConfig &d)
{
    return QStringLiteral("%1 | %2 | %3 | %4 | %5")
        .arg(d.deviceId)
        .arg(d.serialNo)
        .arg(d.baud)
        .arg(d.eepromKb * 1024)
        .arg(d.deviceText);
}

QStringList rows(const QTableWidget &table)
{
    QStringList found;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c)
            cells << table.item(r, c)->text();
        found << cells.join(QStringLiteral(" | "));
    }
    return found;
}

// Counts the frames sent, and says what the first was sent at.
struct SentFrames : linktrace::Sink
{
    void writeLine(const QString &line) override
    {
        if (line.contains(QStringLiteral(" tx ")))
            sent << line.section(QStringLiteral(" tx "), 1).simplified().section(u' ', 0, 0);
    }
    QStringList sent; // the speed of each
};

enum class Ending { Use, DoubleClick, Stop, Close };

} // namespace

class TestDeviceTools : public QObject
{
    Q_OBJECT

    WindowUser user;

    // Runs `inside` in the dialog `name` the menu item opens, once it is up.
    void withDialog(const char *item, const char *name,
                    const std::function<void(QDialog &)> &inside)
    {
        bool ran = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (ran || !dialog || dialog->objectName() != QLatin1String(name))
                return;
            ran = true;
            inside(*dialog);
            // A check that failed inside left it open: closed, so the test goes on.
            if (dialog->isVisible())
                QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        poll.start(1);
        user.choose("mnuDevice", item);
        QVERIFY(ran);
    }

    static void setNumber(QSpinBox *box, int value)
    {
        box->selectAll();
        QTest::keyClicks(box, QString::number(value));
    }

private slots:
    void init() { user.start(); }

    // IDs 5 to 9 at 9600 and 19200 baud on COM3: the estimate, the first
    // request asked, the devices found; the chosen one becomes the toolbar's
    // (its serial number in the field, its device ID below 256), and the next
    // Test asks at its speed first. Stop and closing end the scan in the
    // exchange under way (the third here) and close the port.
    void findDevices_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<std::uint32_t>("serialNo");
        QTest::addColumn<QString>("field");
        QTest::newRow("Use") << Ending::Use << 5000u << "5000";
        QTest::newRow("double-click, an ID") << Ending::DoubleClick << 200u << "7";
        QTest::newRow("Stop") << Ending::Stop << 5000u << "1";
        QTest::newRow("closed") << Ending::Close << 5000u << "1";
    }
    void findDevices()
    {
        QFETCH(Ending, ending);
        QFETCH(std::uint32_t, serialNo);
        std::vector<sim::DeviceConfig> devices = onTheLine;
        devices.front().serialNo = serialNo;
        SimBench line;
        for (const sim::DeviceConfig &device : devices)
            line.addToBus(device);
        QStringList found; // in the order asked: by speed, then by ID
        for (const std::int32_t baud : {9600, 19200}) {
            for (const sim::DeviceConfig &device : devices) {
                if (device.baud == baud && device.deviceId >= 5 && device.deviceId <= 9)
                    found << tableRow(device);
            }
        }
        const bool stopped = ending == Ending::Stop || ending == Ending::Close;
        SentFrames frames;
        linktrace::ScopedSink trace(&frames);
        QString estimate, first;
        withDialog("mnuDeviceFind", "frmFindDevices", [&](QDialog &dialog) {
            auto *progress = dialog.findChild<QLabel *>(QStringLiteral("lbProgress"));
            dialog.findChild<QComboBox *>(QStringLiteral("cbPort"))->setCurrentIndex(2);
            setNumber(dialog.findChild<QSpinBox *>(QStringLiteral("txtFirstId")), 5);
            setNumber(dialog.findChild<QSpinBox *>(QStringLiteral("txtLastId")), 9);
            for (const char *speed : {"ckSpeed4800", "ckSpeed2400", "ckSpeed1200", "ckSpeed38400"})
                QTest::mouseClick(dialog.findChild<QCheckBox *>(QLatin1String(speed)),
                                  Qt::LeftButton);
            estimate = progress->text();
            line.clock.onEvents = [&] {
                if (first.isEmpty())
                    first = progress->text();
                if (stopped && frames.sent.size() == 3) {
                    line.clock.onEvents = nullptr;
                    if (ending == Ending::Stop)
                        QTest::mouseClick(
                            dialog.findChild<QPushButton *>(QStringLiteral("cmdStop")),
                            Qt::LeftButton);
                    else
                        dialog.close();
                }
            };
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdStart")),
                              Qt::LeftButton);
            if (ending == Ending::Close)
                return; // the dialog has closed itself
            auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("tblFound"));
            if (ending == Ending::Stop) {
                QCOMPARE(progress->text(), gResDll.GetStr(1817).arg(0));
                QCOMPARE(rows(*table), QStringList());
                QTest::keyClick(&dialog, Qt::Key_Escape);
                return;
            }
            QCOMPARE(rows(*table), found);
            const QRect cell = table->visualRect(table->model()->index(0, 1));
            if (ending == Ending::DoubleClick) {
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            } else {
                QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdUse")),
                                  Qt::LeftButton);
            }
        });
        QCOMPARE(estimate, QStringLiteral("10 requests, about 0:03"));
        QCOMPARE(first, QStringLiteral("9600 baud, device ID 5: about 0:03 left"));
        QCOMPARE(mComm::CommPorts[2].bOpen, 0);
        QVERIFY(!QApplication::activeModalWidget());
        if (stopped)
            QCOMPARE(frames.sent.size(), 3);
        QFETCH(QString, field);
        QCOMPARE(user.child<QLineEdit>("txtSN")->text(), field);
        QCOMPARE(user.child<QComboBox>("cbComm")->currentIndex(), stopped ? 0 : 2);
        if (stopped)
            return;
        frames.sent.clear();
        user.choose("mnuDevice", "mnuDeviceTest");
        QCOMPARE(frames.sent.value(0), QStringLiteral("19200"));
    }

    // After a download, the device's input 6 changes and input 5 is edited in
    // the window (unsaved): Compare names both, window -> device, and leaves
    // the window's image alone; Load takes the device's without another
    // transfer. Equal configurations say so in one line.
    void compare_data()
    {
        QTest::addColumn<bool>("differ");
        QTest::newRow("different, loaded") << true;
        QTest::newRow("equal") << false;
    }
    void compare()
    {
        QFETCH(bool, differ);
        SimBench line;
        user.choose("mnuDevice", "mnuDeviceDownload");
        if (differ) {
            line.device->eeprom()[44] = 2; // input 6, group 2
            line.device->eeprom()[43] = 4; // input 5, group 4
            for (int down = 0; down < 4; ++down)
                QTest::keyClick(user.child("txt_gd"), Qt::Key_Down);
            QTest::keyClick(user.child("txt_gd"), Qt::Key_Right);
            QTest::keyClick(user.child("txtcheckbox"), Qt::Key_Right);
            QTest::keyClicks(user.child("txt_gd"), QStringLiteral("3"));
        }
        const int reads = line.requests(m::CMD_READ_BLOCK);
        withDialog("mnuDeviceCompare", "frmCompare", [&](QDialog &dialog) {
            QCOMPARE(dialog.windowTitle(), gResDll.GetStr(1900));
            const auto *list = dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtDifferences"));
            const QString summary = dialog.findChild<QLabel *>(QStringLiteral("lbSummary"))->text();
            QCOMPARE(summary, gResDll.GetStr(differ ? 1904 : 1903));
            QCOMPARE(list->isVisible(), differ);
            QCOMPARE(list->toPlainText(),
                     differ ? QStringLiteral("Input 5, Group: 3 -> 4\nInput 6, Group: 0 -> 2")
                            : QString());
            QCOMPARE(tqimage::EEPROMBuf[45], std::uint8_t(0)); // input 6 in the window's image
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cmdLoad")),
                              Qt::LeftButton);
        });
        QCOMPARE(user.transferEnds.size(), 2); // the download, the comparison's download
        QCOMPARE(line.requests(m::CMD_READ_BLOCK), reads + 3);
        const auto *fg1 = user.child<GridControl>("fg1");
        QCOMPARE(fg1->TextMatrix(5, 3), QString::number(differ ? 4 : 0));
        QCOMPARE(fg1->TextMatrix(6, 3), QString::number(differ ? 2 : 0));
        QCOMPARE(tqimage::EEPROMBuf[45], std::uint8_t(differ ? 2 : 0));
        QCOMPARE(user.child<UserControl1>("mTBar")->DataLen(), 1024);
    }
};

QTEST_MAIN(TestDeviceTools)
#include "tst_devicetools.moc"
