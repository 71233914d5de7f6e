#include "../simbench.h"
#include "../testfiles.h"
#include "../transferuser.h"
#include "comport.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "frmeeprom.h"
#include "msgbox.h"
#include "portlist.h"
#include "resdll.h"
#include "twips.h"
#include "usercontrol1.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

QString text(int id)
{
    return gResDll.GetStr(id);
}

// The host side: a buffer lent to the toolbar and a log of the events raised,
// connected directly as the main window connects them.
struct Host
{
    Host()
    {
        QObject::connect(&bar, &UserControl1::HelpClick, [this] { events << "HelpClick"; });
        QObject::connect(&bar, &UserControl1::DataChaned, [this] {
            events << "DataChaned";
            nameDuringEvent = bar.filename();
            dataLenDuringEvent = bar.DataLen();
        });
        QObject::connect(&bar, &UserControl1::DataRestored, [this](bool &lCanceled) {
            events << "DataRestored";
            bufferZeroOnRestore << std::all_of(buffer.begin(), buffer.end(),
                                               [](std::uint8_t b) { return b == 0; });
            if (onRestore)
                onRestore(lCanceled);
        });
        QObject::connect(&bar, &UserControl1::DataClear, [this] {
            events << "DataClear";
            nameDuringEvent = bar.filename();
        });
        QObject::connect(&bar, &UserControl1::SysExit, [this] { events << "SysExit"; });
        QObject::connect(&bar, &UserControl1::EnumUploadSize, [this](auto &start, auto &stop) {
            events << "EnumUploadSize";
            rangeOffered = {start, stop};
            std::tie(start, stop) = rangeAnswer;
        });
        QObject::connect(&bar, &UserControl1::EnumDownloadSize, [this](auto &start, auto &stop) {
            events << "EnumDownloadSize";
            rangeOffered = {start, stop};
            std::tie(start, stop) = rangeAnswer;
        });
    }

    template <typename T> T *child(const char *name)
    {
        return bar.findChild<T *>(QLatin1String(name));
    }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void lend() { bar.SetBuf(buffer); }

    UserControl1 bar;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(256, 0);
    QStringList events;
    QList<bool> bufferZeroOnRestore;
    QString nameDuringEvent = QStringLiteral("<none>");
    std::int32_t dataLenDuringEvent = -1;
    std::function<void(bool &)> onRestore;
    std::pair<std::int32_t, std::int32_t> rangeOffered{0, 0};
    std::pair<std::int32_t, std::int32_t> rangeAnswer{33, 120};
};

using Bench = SimBench;

struct Message
{
    QString text;
    msgbox::Icon icon;
};

} // namespace

class TestUserControl1 : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir dir;
    // The machine's own serial ports stay out of the COM list.
    portlist::ScopedSource noPorts{[] { return std::vector<portlist::SystemPort>{}; }};
    QList<Message> messages;
    QStringList dialogAnswers; // the next dialogs' answers, in order
    QList<filedialogs::Mode> dialogsShown;
    msgbox::ScopedPresenter boxes{[this](QWidget *, const QString &text, msgbox::Icon icon) {
        messages << Message{text, icon};
    }};
    filedialogs::ScopedPresenter dialogs{[this](QFileDialog &dialog, filedialogs::Mode mode) {
        dialogsShown << mode;
        // What the user sees: the pattern, and the dialog kind asked for.
        if (dialog.nameFilters() != QStringList{QStringLiteral("*.ztb")})
            return QStringLiteral("<wrong filter>");
        const bool open = mode == filedialogs::Mode::Open;
        if (open != (dialog.acceptMode() == QFileDialog::AcceptOpen) ||
            open != (dialog.fileMode() == QFileDialog::ExistingFile) ||
            (!open && (dialog.defaultSuffix() != u"ztb" ||
                       dialog.testOption(QFileDialog::DontConfirmOverwrite))))
            return QStringLiteral("<wrong dialog>");
        return dialogAnswers.isEmpty() ? QString() : dialogAnswers.takeFirst();
    }};
    std::unique_ptr<TransferUser> user;

    QString path(const QString &name) const { return dir.filePath(name); }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const Message &message : messages)
            texts << message.text;
        return texts;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        user = std::make_unique<TransferUser>();
    }
    void init()
    {
        messages.clear();
        dialogAnswers.clear();
        dialogsShown.clear();
        user->clear();
        m::gLink = m::tLink{};
    }

    // --- creation ---

    void textsAfterCreation()
    {
        Host host;
        const char *const buttons[] = {"cmdOpen",   "cmdSave", "cmdSaveAs",
                                       "cmdClear",  "cmdTest", "cmdDownload",
                                       "cmdUpload", "cmdExit", "cmdHelp"};
        for (int i = 0; i < 9; ++i)
            QCOMPARE(host.child<QPushButton>(buttons[i])->text(), text(1100 + i));
        QCOMPARE(host.child<QLineEdit>("txtSN")->text(), QStringLiteral("1"));
        for (const char *name : {"lbSpeed", "lbSN", "lbID"}) {
            QCOMPARE(host.child<QLabel>(name)->text(), QStringLiteral("-"));
            QVERIFY(host.child<QLabel>(name)->font().bold());
        }
        auto *ports = host.child<QComboBox>("cbComm");
        QCOMPARE(ports->count(), 16);
        QCOMPARE(ports->itemText(0), QStringLiteral("1"));
        QCOMPARE(ports->itemText(15), QStringLiteral("16"));
        QCOMPARE(host.bar.filename(), QString());
        QCOMPARE(host.bar.DataLen(), 0);
        QCOMPARE(host.bar.ProductBase(), 0);
        QCOMPARE(host.bar.link().TargetID, 0);
    }

    void stripIsOneChainLeftToRight()
    {
        Host host;
        QWidget *chain[] = {host.child<QLabel>("Label1_7"), host.child<QLineEdit>("txtSN"),
                            host.child<QLabel>("Label1_2"), host.child<QComboBox>("cbComm"),
                            host.child<QLabel>("Label1_3"), host.child<QLabel>("lbSpeed"),
                            host.child<QLabel>("Label1_0"), host.child<QLabel>("lbSN"),
                            host.child<QLabel>("Label1_1"), host.child<QLabel>("lbID")};
        QCOMPARE(qobject_cast<QLabel *>(chain[0])->text(), text(1200));
        QCOMPARE(qobject_cast<QLabel *>(chain[8])->text(), text(1204));
        for (std::size_t i = 1; i < std::size(chain); ++i) {
            const int gap = twips::toPixels(i % 2 ? 30 : 60); // after a caption, after a field
            QCOMPARE(chain[i]->x(), chain[i - 1]->x() + chain[i - 1]->width() + gap);
        }
        // A caption is as wide as its text, so none is cut.
        for (int i : {0, 2, 4, 6, 8}) {
            auto *label = qobject_cast<QLabel *>(chain[i]);
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
    }

    void heightFollowsTheStrip()
    {
        Host host;
        QCOMPARE(host.bar.height(), twips::toPixels(735));
        host.bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host.bar));
        host.bar.resize(800, 200);
        QTRY_COMPARE(host.child<QWidget>("Picture1")->width(), 800);
        QTRY_COMPARE(host.bar.height(), twips::toPixels(735));
    }

    // --- target address (the rules of the field are m::targetAddress's) ---

    void getSN_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("address");
        QTest::newRow("device ID 5") << "5" << 773;
        QTest::newRow("device ID 255") << "255" << 1023;
        QTest::newRow("serial 256") << "256" << 256;
        QTest::newRow("13.5 to even") << "13.5" << 782;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("beyond 32 bits") << "2147483648" << -1;
    }
    void getSN()
    {
        QFETCH(QString, field);
        QFETCH(int, address);
        Host host;
        host.bar.setProductCode(QStringLiteral("TQ540-3"));
        host.child<QLineEdit>("txtSN")->setText(field);
        QCOMPARE(host.bar.GetSN(), address);
        QCOMPARE(messageTexts(), address < 0 ? QStringList{text(3015)} : QStringList{});
    }

    // The address a transfer goes to, seen in gLink, on a port that does not exist.
    void transferTarget_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<qint64>("target"); // -1: refused
        QTest::newRow("device ID 5") << "5" << 0 << qint64(773);
        QTest::newRow("device ID 255") << "255" << 3 << qint64(1023);
        QTest::newRow("serial 256") << "256" << 15 << qint64(0x80000100);
        QTest::newRow("negative") << "-1" << 0 << qint64(-1);
        QTest::newRow("beyond 32 bits") << "2147483648" << 0 << qint64(-1);
    }
    void transferTarget()
    {
        QFETCH(QString, typed);
        QFETCH(int, portIndex);
        QFETCH(qint64, target);
        Bench bench;
        bench.portsMissing = true;
        Host host;
        host.bar.setProductCode(QStringLiteral("TQ540-3"));
        m::gLink.TargetID = 42;
        auto *field = host.child<QLineEdit>("txtSN");
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), typed);
        host.child<QComboBox>("cbComm")->setCurrentIndex(portIndex);
        host.click("cmdTest");
        if (target < 0) {
            QCOMPARE(messageTexts(), QStringList{text(2205)});
            QCOMPARE(messages[0].icon, msgbox::Icon::Exclamation);
            QCOMPARE(user->windowsShown, 0);
            QCOMPARE(m::gLink.TargetID, 42);
            return;
        }
        QCOMPARE(user->windowsShown, 1);
        QCOMPARE(quint32(m::gLink.TargetID), quint32(target));
        QCOMPARE(m::gLink.Port, std::int16_t(portIndex + 1));
        QVERIFY(host.events.isEmpty());
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("-"));
    }

    // --- files ---

    void openShortFileAfterFullImage()
    {
        Host host;
        host.lend();
        std::fill(host.buffer.begin(), host.buffer.end(), 0xFF);
        host.bar.setFilename(QStringLiteral("previous.ztb"));
        const QByteArray content("\x01\x02\x00\x04\x05", 5); // no trailing zeros
        writeFile(path("short.ztb"), content);
        dialogAnswers << path("short.ztb");
        host.click("cmdOpen");
        QCOMPARE(dialogsShown, QList{filedialogs::Mode::Open});
        QCOMPARE(host.events, QStringList{"DataChaned"});
        QCOMPARE(host.nameDuringEvent, QStringLiteral("previous.ztb"));
        QCOMPARE(host.dataLenDuringEvent, 5);
        QCOMPARE(host.bar.DataLen(), 5);
        QCOMPARE(host.bar.filename(), path("short.ztb"));
        std::vector<std::uint8_t> expected(256, 0);
        std::copy(content.begin(), content.end(), expected.begin());
        QVERIFY(host.buffer == expected); // nothing of the previous image left
        QVERIFY(messages.isEmpty());
    }

    // An Open that loads nothing leaves the image, DataLen and the name as they were.
    void openChangesNothing_data()
    {
        QTest::addColumn<bool>("lent");
        QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<int>("message"); // 0: none
        QTest::newRow("no buffer lent yet") << false << "never.ztb" << 0 << 2206;
        QTest::newRow("dialog cancelled") << true << "" << 1 << 0;
        QTest::newRow("missing file") << true << "missing.ztb" << 1 << 1207;
        QTest::newRow("a folder") << true << "folder.ztb" << 1 << 1207;
    }
    void openChangesNothing()
    {
        QFETCH(bool, lent);
        QFETCH(QString, chosen);
        QFETCH(int, dialogs);
        QFETCH(int, message);
        QDir(dir.path()).mkpath(QStringLiteral("folder.ztb"));
        Host host;
        std::fill(host.buffer.begin(), host.buffer.end(), 0x33);
        if (lent)
            host.lend();
        host.bar.setDataLen(77);
        host.bar.setFilename(QStringLiteral("kept.ztb"));
        if (!chosen.isEmpty())
            dialogAnswers << path(chosen);
        host.click("cmdOpen");
        QCOMPARE(dialogsShown.size(), dialogs);
        QCOMPARE(messageTexts(), message ? QStringList{text(message)} : QStringList{});
        QVERIFY(host.events.isEmpty());
        QCOMPARE(host.bar.DataLen(), 77);
        QCOMPARE(host.bar.filename(), QStringLiteral("kept.ztb"));
        QVERIFY(std::all_of(host.buffer.begin(), host.buffer.end(),
                            [](std::uint8_t b) { return b == 0x33; }));
    }

    void saveToTheCurrentFile()
    {
        Host host;
        host.lend();
        std::fill(host.buffer.begin(), host.buffer.end(), 0xFF);
        host.onRestore = [&](bool &) {
            std::fill(host.buffer.begin(), host.buffer.end(), 0);
            host.buffer[0] = 0x11;
            host.buffer[2] = 0x22;
        };
        host.bar.setFilename(path("current.ztb"));
        host.click("cmdSave");
        QCOMPARE(host.events, QStringList({"DataRestored", "DataRestored"}));
        QCOMPARE(host.bufferZeroOnRestore, QList<bool>({false, true}));
        QVERIFY(dialogsShown.isEmpty());
        QCOMPARE(readFile(path("current.ztb")), QByteArray("\x11\x00\x22", 3));
        QCOMPARE(host.bar.filename(), path("current.ztb"));
    }

    void saveWithBlankNameAsksForOne()
    {
        Host host;
        host.lend();
        host.onRestore = [&](bool &) { host.buffer[3] = 0x44; };
        host.bar.setFilename(QStringLiteral("   "));
        dialogAnswers << path("chosen.ztb");
        host.click("cmdSave");
        QCOMPARE(dialogsShown, QList{filedialogs::Mode::SaveAs});
        QCOMPARE(host.events, QStringList(3, QStringLiteral("DataRestored")));
        QCOMPARE(readFile(path("chosen.ztb")), QByteArray("\x00\x00\x00\x44", 4));
        QCOMPARE(host.bar.filename(), path("chosen.ztb"));

        // Save as always asks, and once less.
        host.events.clear();
        dialogAnswers << path("other.ztb");
        host.click("cmdSaveAs");
        QCOMPARE(host.events, QStringList(2, QStringLiteral("DataRestored")));
        QCOMPARE(host.bar.filename(), path("other.ztb"));
    }

    void hostCancelsSaving_data()
    {
        QTest::addColumn<int>("cancelAt"); // which DataRestored the host cancels
        QTest::addColumn<int>("dialogs");
        QTest::newRow("before the dialog") << 1 << 0;
        QTest::newRow("in SaveFile") << 2 << 1;
    }
    void hostCancelsSaving()
    {
        QFETCH(int, cancelAt);
        QFETCH(int, dialogs);
        Host host;
        host.lend();
        std::fill(host.buffer.begin(), host.buffer.end(), 0x55);
        host.bar.setFilename(QStringLiteral("kept.ztb"));
        host.onRestore = [&](bool &lCanceled) {
            lCanceled = host.events.size() == cancelAt;
            if (!lCanceled)
                host.buffer[0] = 0x66;
        };
        dialogAnswers << path("cancelled.ztb");
        host.click("cmdSaveAs");
        QCOMPARE(host.events.size(), cancelAt);
        QCOMPARE(dialogsShown.size(), dialogs);
        QVERIFY(!QFile::exists(path("cancelled.ztb")));
        QCOMPARE(host.bar.filename(), QStringLiteral("kept.ztb"));
        if (cancelAt == 2) // cleared for the host, and left so
            QVERIFY(std::all_of(host.buffer.begin(), host.buffer.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }

    void clearEmptiesTheNameFirst()
    {
        Host host;
        host.lend();
        host.buffer[1] = 9;
        host.bar.setFilename(QStringLiteral("some.ztb"));
        host.bar.setDataLen(12);
        host.click("cmdClear");
        QCOMPARE(host.events, QStringList{"DataClear"});
        QCOMPARE(host.nameDuringEvent, QString());
        QCOMPARE(host.bar.DataLen(), 12);
        QCOMPARE(host.buffer[1], std::uint8_t(9));
    }

    void exitAndHelp()
    {
        Host host;
        host.click("cmdExit");
        host.click("cmdHelp");
        QCOMPARE(host.events, QStringList({"SysExit", "HelpClick"}));
    }

    // --- device commands ---

    void testRaisesNoEvent()
    {
        Bench bench;
        Host host;
        host.bar.setProductCode(QStringLiteral("TQ540-2"));
        host.click("cmdTest"); // the field's initial "1": device ID 1
        QVERIFY(host.events.isEmpty());
        QCOMPARE(user->windowsShown, 1);
        QCOMPARE(host.bar.link().SpeedFound, m::LINK_TRUE);
        QCOMPARE(host.bar.link().TargetID, std::int32_t(sim::PRODUCT_BASE + 1));
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("9600"));
        QCOMPARE(host.child<QLabel>("lbSN")->text(), QStringLiteral("1000001"));
        QCOMPARE(host.child<QLabel>("lbID")->text(), QStringLiteral("1"));
    }

    void downloadBySerialNumber()
    {
        sim::DeviceConfig config;
        config.serialNo = 256;
        config.deviceId = 9;
        config.baud = 19200;
        config.eepromKb = 1;
        Bench bench(config);
        for (std::size_t a = 0; a < bench.device->eeprom().size(); ++a)
            bench.device->eeprom()[a] = std::uint8_t(a + 1);
        tqimage::EEPROMBuf.fill(0);
        Host host;
        host.bar.SetBuf(tqimage::addressView(tqimage::EEPROMBuf));
        host.bar.setProductCode(QStringLiteral("TQ540-2"));
        host.child<QLineEdit>("txtSN")->setText(QStringLiteral("256"));
        host.click("cmdDownload");
        QCOMPARE(host.events, QStringList({"EnumDownloadSize", "DataChaned"}));
        QCOMPARE(host.rangeOffered, std::make_pair(33, -1));
        QCOMPARE(host.dataLenDuringEvent, 1024);
        QCOMPARE(host.bar.DataLen(), 1024);
        for (int p = 33; p <= 120; ++p)
            QCOMPARE(tqimage::EEPROMBuf[p], std::uint8_t(p));
        QCOMPARE(tqimage::EEPROMBuf[121], std::uint8_t(0)); // the host's range
        QCOMPARE(host.bar.link().EEPROMSize, 1024);
        QCOMPARE(host.bar.link().Settings, QStringLiteral("19200,N,8,1"));
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("19200"));
        QCOMPARE(host.child<QLabel>("lbSN")->text(), QStringLiteral("256")); // without bit 31
        QCOMPARE(host.child<QLabel>("lbID")->text(), QStringLiteral("9"));
    }

    void failedDownloadChangesNoData()
    {
        Bench bench;
        bool injected = false;
        bench.clock.onEvents = [&] {
            if (!injected && m::gLink.Command == m::CMD_READ_BLOCK) {
                injected = true;
                bench.device->faults.dropReplies = 1;
            }
        };
        Host host;
        host.lend();
        host.bar.setProductCode(QStringLiteral("TQ540-2"));
        host.bar.setDataLen(55);
        host.click("cmdDownload");
        QVERIFY(injected);
        QCOMPARE(host.events, QStringList{"EnumDownloadSize"});
        QCOMPARE(host.bar.DataLen(), 55);
        QCOMPARE(host.bar.link().SpeedFound, m::LINK_FALSE);
        QCOMPARE(host.bar.link().Settings, QString());
        QCOMPARE(host.bar.link().EEPROMSize, 0);
        // The speed was found, so the labels show what the device said.
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("9600"));
    }

    void uploadEncodesFirst()
    {
        Bench bench;
        tqimage::EEPROMBuf.fill(0);
        Host host;
        host.bar.SetBuf(tqimage::addressView(tqimage::EEPROMBuf));
        host.bar.setProductCode(QStringLiteral("TQ540-2"));
        host.onRestore = [](bool &) { tqimage::EEPROMBuf[40] = 0xA5; };
        host.rangeAnswer = {33, 40};
        host.click("cmdUpload");
        QCOMPARE(host.events, QStringList({"DataRestored", "EnumUploadSize"}));
        QCOMPARE(host.rangeOffered, std::make_pair(33, -1));
        QCOMPARE(bench.device->eeprom()[39], std::uint8_t(0xA5));
        QCOMPARE(bench.device->resets(), 1);
        QCOMPARE(host.bar.link().SpeedFound, m::LINK_TRUE);
    }

    void uploadCancelledByTheHost()
    {
        Bench bench;
        Host host;
        host.onRestore = [](bool &lCanceled) { lCanceled = true; };
        host.click("cmdUpload");
        QCOMPARE(host.events, QStringList{"DataRestored"});
        QCOMPARE(user->windowsShown, 0);
        QVERIFY(bench.device->log().empty());
    }

    // --- stored COM port ---

    void comPortStoredAndRestored()
    {
        {
            Host host;
            auto *ports = host.child<QComboBox>("cbComm");
            ports->setFocus();
            QTest::keyClick(ports, Qt::Key_End);
            QCOMPARE(ports->currentText(), QStringLiteral("16"));
        }
        QCOMPARE(comport::readStoredIndex(), 15);
        Host restored;
        QCOMPARE(restored.child<QComboBox>("cbComm")->currentText(), QStringLiteral("16"));
    }
};

QTEST_MAIN(TestUserControl1)
#include "tst_usercontrol1.moc"
