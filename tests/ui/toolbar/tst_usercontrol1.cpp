// The toolbar's commands as a host and a user see them: the events each
// raises, the dialogs and messages it shows, in order; the range it offers a
// transfer, what it does with the lent image and the file name; the simulated
// device behind every COM port. Files and transfers are tested at their own
// layers.

#include "comport.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "msgbox.h"
#include "portcombobox.h"
#include "portlist.h"
#include "resdll.h"
#include "simbench.h"
#include "testfiles.h"
#include "transferuser.h"
#include "twips.h"
#include "usercontrol1.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// What the host and the user saw, in order: events, dialogs (the mode and the
// name the dialog started with) and messages.
QStringList seen;

QString message(int id)
{
    return "message " + gResDll.GetStr(id);
}

// The host side: the image lent to the toolbar, connected directly as the main
// window connects it.
struct Host
{
    Host()
    {
        QObject::connect(&bar, &UserControl1::HelpClick, [] { seen << "HelpClick"; });
        QObject::connect(&bar, &UserControl1::DataChaned, [this] {
            // The name the host sees while it decodes, and the length read.
            seen << QStringLiteral("DataChaned %1 %2")
                        .arg(QFileInfo(bar.filename()).fileName())
                        .arg(bar.DataLen());
        });
        QObject::connect(&bar, &UserControl1::DataRestored, [this](bool &lCanceled) {
            // Whether the host encodes into a cleared image.
            const auto image = tqimage::addressView(tqimage::EEPROMBuf);
            seen << (std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return !b; })
                         ? "DataRestored over zeros"
                         : "DataRestored");
            lCanceled = ++restores == cancelRestore;
            image[40] = 0x40; // the controls' content
        });
        QObject::connect(&bar, &UserControl1::DataClear, [] { seen << "DataClear"; });
        QObject::connect(&bar, &UserControl1::SysExit, [] { seen << "SysExit"; });
        const auto range = [](const char *event) {
            return [event](std::int32_t &start, std::int32_t &stop) {
                seen << QStringLiteral("%1 %2..%3").arg(event).arg(start).arg(stop);
                stop = tqimage::layout::transferStop;
            };
        };
        QObject::connect(&bar, &UserControl1::EnumUploadSize, range("EnumUploadSize"));
        QObject::connect(&bar, &UserControl1::EnumDownloadSize, range("EnumDownloadSize"));
        bar.setProductCode(QStringLiteral("TQ540-2"));
        bar.SetBuf(tqimage::addressView(tqimage::EEPROMBuf));
    }
    template <typename T> T *child(const char *name)
    {
        return bar.findChild<T *>(QLatin1String(name));
    }
    void click(const QString &button)
    {
        QTest::mouseClick(child<QPushButton>(qPrintable(button)), Qt::LeftButton);
    }
    void typeTarget(const QString &text)
    {
        child<QLineEdit>("txtSN")->selectAll();
        QTest::keyClicks(child<QLineEdit>("txtSN"), text);
    }

    UserControl1 bar;
    int restores = 0;
    int cancelRestore = 0; // the DataRestored event the host cancels
};

} // namespace

class TestUserControl1 : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir dir;
    // The machine's own serial ports stay out of the COM list.
    portlist::ScopedSource noPorts{[] { return std::vector<portlist::SystemPort>{}; }};
    QStringList dialogAnswers; // the next dialogs' answers, in order; "" cancels
    msgbox::ScopedPresenter boxes{[](QWidget *, const QString &text, msgbox::Icon icon) {
        seen << "message " + text + (icon == msgbox::Icon::Exclamation ? "" : " <no exclamation>");
    }};
    filedialogs::ScopedPresenter dialogs{[this](QFileDialog &dialog, filedialogs::Mode mode) {
        const bool open = mode == filedialogs::Mode::Open;
        const QFileInfo start(dialog.selectedFiles().value(0));
        seen << (open ? "Open " : "SaveAs ") + (start.isDir() ? QString() : start.fileName());
        // What the user sees: the pattern, and the dialog kind asked for.
        if (dialog.nameFilters() != QStringList{QStringLiteral("*.ztb")} ||
            !dynamic_cast<filedialogs::CommonDialog *>(&dialog) ||
            open != (dialog.acceptMode() == QFileDialog::AcceptOpen) ||
            open != (dialog.fileMode() == QFileDialog::ExistingFile) ||
            (!open && (dialog.defaultSuffix() != u"ztb" ||
                       dialog.testOption(QFileDialog::DontConfirmOverwrite))))
            return QStringLiteral("<wrong dialog>");
        return dialogAnswers.isEmpty() ? QString() : dialogAnswers.takeFirst();
    }};
    TransferUser user;

    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && dir.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        writeFile(path("short.ztb"), QByteArray("\x01\x02\x00\x04", 4));
        QDir(dir.path()).mkpath(QStringLiteral("folder.ztb"));
    }
    void init()
    {
        seen.clear();
        dialogAnswers.clear();
        user.windowsShown = 0;
        m::gLink = m::tLink{};
        tqimage::EEPROMBuf.fill(0x33);
        QFile::remove(path("new.ztb"));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>(
            "setup"); // "unlent", "no device", "bad target", "cancel restore N"
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<int>("windows");      // transfer windows shown
        QTest::addColumn<QString>("filename"); // after; starts as "old.ztb"
        using L = QStringList;
        const QString restored = "DataRestored", cleared = "DataRestored over zeros";
        const QString saveAs = "SaveAs ", down = "EnumDownloadSize 33..-1";
        // clang-format off
        QTest::newRow("Open")                        << "cmdOpen" << "" << L{"short.ztb"} << L{"Open ", "DataChaned old.ztb 4"} << 0 << "short.ztb";
        QTest::newRow("Open without an image")       << "cmdOpen" << "unlent" << L{"short.ztb"} << L{message(2206)} << 0 << "old.ztb";
        QTest::newRow("Open cancelled")              << "cmdOpen" << "" << L{""} << L{"Open "} << 0 << "old.ztb";
        QTest::newRow("Open a folder")               << "cmdOpen" << "" << L{"folder.ztb"} << L{"Open ", message(1207)} << 0 << "old.ztb";
        QTest::newRow("Save")                        << "cmdSave" << "" << L{} << L{restored, cleared} << 0 << "old.ztb";
        QTest::newRow("Save as, then open")          << "cmdSaveAs cmdOpen" << "" << L{"new.ztb", ""} << L{restored, saveAs, cleared, "Open new.ztb"} << 0 << "new.ztb";
        QTest::newRow("Save as cancelled")           << "cmdSaveAs" << "" << L{""} << L{restored, saveAs} << 0 << "old.ztb";
        QTest::newRow("Save as, host cancels")       << "cmdSaveAs" << "cancel restore 1" << L{"new.ztb"} << L{restored} << 0 << "old.ztb";
        QTest::newRow("Save as, host cancels later") << "cmdSaveAs" << "cancel restore 2" << L{"new.ztb"} << L{restored, saveAs, cleared} << 0 << "old.ztb";
        QTest::newRow("Save as into no folder")      << "cmdSaveAs" << "" << L{"no/such.ztb"} << L{restored, saveAs, cleared, message(1208)} << 0 << "old.ztb";
        QTest::newRow("Clear")                       << "cmdClear" << "" << L{} << L{"DataClear"} << 0 << "";
        QTest::newRow("Exit")                        << "cmdExit" << "" << L{} << L{"SysExit"} << 0 << "old.ztb";
        QTest::newRow("Help")                        << "cmdHelp" << "" << L{} << L{"HelpClick"} << 0 << "old.ztb";
        QTest::newRow("Test")                        << "cmdTest" << "" << L{} << L{} << 1 << "old.ztb";
        QTest::newRow("Test, target beyond 32 bits") << "cmdTest" << "bad target" << L{} << L{message(2205), message(3015)} << 0 << "old.ztb";
        QTest::newRow("Download")                    << "cmdDownload" << "" << L{} << L{down, "DataChaned old.ztb 1024"} << 1 << "old.ztb";
        QTest::newRow("Download, no device")         << "cmdDownload" << "no device" << L{} << L{down} << 1 << "old.ztb";
        QTest::newRow("Upload")                      << "cmdUpload" << "" << L{} << L{restored, "EnumUploadSize 33..-1"} << 1 << "old.ztb";
        QTest::newRow("Upload, host cancels")        << "cmdUpload" << "cancel restore 1" << L{} << L{restored} << 0 << "old.ztb";
        // clang-format on
    }
    void commands()
    {
        QFETCH(QString, buttons);
        QFETCH(QString, setup);
        QFETCH(QStringList, answers);
        SimBench bench;
        bench.portsMissing = setup == u"no device";
        Host host;
        if (setup == u"unlent")
            host.bar.SetBuf({});
        if (setup == u"bad target")
            host.typeTarget(QStringLiteral("2147483648"));
        if (setup.startsWith(u"cancel restore"))
            host.cancelRestore = setup.back().digitValue();
        host.bar.setFilename(path("old.ztb"));
        for (const QString &answer : answers)
            dialogAnswers << (answer.isEmpty() ? QString() : path(answer));
        for (const QString &button : buttons.split(u' '))
            host.click(button);
        if (setup == u"bad target")
            QCOMPARE(host.bar.GetSN(), -1);

        QTEST(seen, "seen");
        QTEST(user.windowsShown, "windows");
        QFETCH(QString, filename);
        QCOMPARE(host.bar.filename(), filename.isEmpty() ? QString() : path(filename));
        // Saved: what the host encoded, up to its last byte.
        QCOMPARE(readFile(path("new.ztb")),
                 filename == u"new.ztb" ? bytesAt(41, {{40, 0x40}}) : QByteArray("<missing>"));
    }

    // Texts by number; the strip's captions and fields one chain, 30 twips
    // after a caption, 60 after a field.
    void textsAndStrip()
    {
        Host host;
        const char *const buttons[] = {"cmdOpen",   "cmdSave", "cmdSaveAs",
                                       "cmdClear",  "cmdTest", "cmdDownload",
                                       "cmdUpload", "cmdExit", "cmdHelp"};
        for (int i = 0; i < 9; ++i)
            QCOMPARE(host.child<QPushButton>(buttons[i])->text(), gResDll.GetStr(1100 + i));
        const char *const chain[] = {"Label1_7", "txtSN",    "Label1_2", "cbComm",   "Label1_3",
                                     "lbSpeed",  "Label1_0", "lbSN",     "Label1_1", "lbID"};
        for (int i = 0; i < 10; i += 2)
            QCOMPARE(host.child<QLabel>(chain[i])->text(), gResDll.GetStr(1200 + i / 2));
        for (int i = 1; i < 10; ++i) {
            const QWidget *previous = host.child<QWidget>(chain[i - 1]);
            QCOMPARE(host.child<QWidget>(chain[i])->x(),
                     previous->x() + previous->width() + twips::toPixels(i % 2 ? 30 : 60));
        }
        QCOMPARE(host.bar.height(), twips::toPixels(735));
    }

    // The real dialog, saving, stays open on a name whose folder does not
    // exist, and says which; it takes one in a folder that exists.
    void saveDialogWantsAnExistingFolder()
    {
        filedialogs::CommonDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDirectory(dir.path());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, QStringLiteral("no/such/new.ztb"));
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(seen, QStringList{"message " + path("no/such") +
                                   "\nDirectory not found.\nPlease verify the correct directory "
                                   "name was given."});
        name->clear();
        QTest::keyClicks(name, QStringLiteral("new.ztb"));
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
    }

    // The COM list names the ports the system has, looking again when it is
    // opened, and shows the number alone when closed; its entries still start with the number the
    // transfer and the stored index read. The field addresses the transfer too; the labels show
    // what the device said, and the next transfer starts at the speed found.
    void transferAddressesAndShowsTheDevice()
    {
        const auto port = [](const QString &name, const QString &description) {
            return portlist::SystemPort{name, "/dev/" + name, description, {}, {}, {}, {}};
        };
        std::vector<portlist::SystemPort> present{port("ttyUSB0", "FT232R USB UART")};
        portlist::ScopedSource source([&] { return present; });
        sim::DeviceConfig config;
        config.serialNo = 256;
        config.deviceId = 9;
        config.baud = 19200;
        SimBench bench(config);
        {
            Host host;
            auto *list = host.child<QComboBox>("cbComm");
            QCOMPARE(list->count(), 16);
            QCOMPARE(list->itemText(0), QStringLiteral("1"));
            QCOMPARE(list->itemText(8), QStringLiteral("9  ttyUSB0 (FT232R USB UART)"));
            list->setCurrentIndex(12);
            present.push_back(port("ttyACM0", "USB CDC"));
            QTest::mouseClick(list, Qt::LeftButton);
            QCOMPARE(list->itemText(12), QStringLiteral("13  ttyACM0 (USB CDC)"));
            list->hidePopup();
            QCOMPARE(list->toolTip(), QStringLiteral("13  ttyACM0 (USB CDC)"));
            // Closed, it looks as a box holding "9" alone would.
            PortComboBox ports;
            QComboBox plain;
            ports.fill(16);
            ports.setCurrentIndex(8);
            plain.addItem(QStringLiteral("9"));
            for (QComboBox *box : {static_cast<QComboBox *>(&ports), &plain})
                box->setGeometry(list->geometry());
            QCOMPARE(ports.grab().toImage(), plain.grab().toImage());
            host.typeTarget(QStringLiteral("256"));
            host.click(QStringLiteral("cmdDownload"));
            QCOMPARE(quint32(m::gLink.TargetID), 0x80000100U);
            QCOMPARE(m::gLink.Port, std::int16_t(13));
            QCOMPARE((QStringList{host.child<QLabel>("lbSpeed")->text(),
                                  host.child<QLabel>("lbSN")->text(),
                                  host.child<QLabel>("lbID")->text()}),
                     (QStringList{"19200", "256", "9"}));
            const auto before = bench.clock.elapsed();
            host.click(QStringLiteral("cmdTest"));
            QVERIFY(bench.clock.elapsed() - before < 1500ms); // 19200 tried first
        }
        QCOMPARE(comport::readStoredIndex(), 12);
        QCOMPARE(Host().child<QComboBox>("cbComm")->currentIndex(), 12);
    }

    // An Upload that gives the device another speed marks the speed it
    // answered at, the tip naming the one it answers at after its reset; the
    // next contact shows that speed and no mark.
    void speedAfterReset_data()
    {
        QTest::addColumn<int>("code"); // the uploaded speed's code
        QTest::addColumn<QString>("tip");
        QTest::newRow("19200") << 4 << "After its reset the device answers at 19200 baud.";
        QTest::newRow("unchanged") << 3 << "";
        QTest::newRow("outside the list: 9600") << 7 << "";
    }
    void speedAfterReset()
    {
        QFETCH(int, code);
        QFETCH(QString, tip);
        SimBench bench; // 9600 baud
        Host host;
        tqimage::EEPROMBuf[tqimage::layout::posBaud] = std::uint8_t(code);
        host.click(QStringLiteral("cmdUpload"));
        auto *mark = host.child<QLabel>("lbSpeedMark");
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("9600"));
        QCOMPARE(mark->isVisibleTo(&host.bar), !tip.isEmpty());
        QCOMPARE(mark->isVisibleTo(&host.bar) ? mark->toolTip() : QString(), tip);
        host.click(QStringLiteral("cmdTest"));
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), code == 4 ? "19200" : "9600");
        QVERIFY(!mark->isVisibleTo(&host.bar));
    }
};

QTEST_MAIN(TestUserControl1)
#include "tst_usercontrol1.moc"
