// The toolbar's commands as a host sees them: the events each raises in
// order, the dialogs and messages it shows, the range it offers a transfer,
// what it does with the lent image and the file name; the simulated device
// behind every COM port. Files and transfers are tested at their own layers.

#include "../simbench.h"
#include "../testfiles.h"
#include "../transferuser.h"
#include "comport.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "msgbox.h"
#include "portlist.h"
#include "resdll.h"
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

QString text(int id)
{
    return gResDll.GetStr(id);
}

// The host side: the image lent to the toolbar and a log of the events
// raised, connected directly as the main window connects them.
struct Host
{
    Host()
    {
        QObject::connect(&bar, &UserControl1::HelpClick, [this] { events << "HelpClick"; });
        QObject::connect(&bar, &UserControl1::DataChaned, [this] {
            events << "DataChaned";
            nameDuringEvent = bar.filename();
        });
        QObject::connect(&bar, &UserControl1::DataRestored, [this](bool &lCanceled) {
            events << "DataRestored";
            zeroOnRestore << std::all_of(image().begin(), image().end(),
                                         [](std::uint8_t b) { return b == 0; });
            lCanceled = events.size() == cancelRestoreAt;
            image()[40] = 0x40; // the controls' content
        });
        QObject::connect(&bar, &UserControl1::DataClear, [this] {
            events << "DataClear";
            nameDuringEvent = bar.filename();
        });
        QObject::connect(&bar, &UserControl1::SysExit, [this] { events << "SysExit"; });
        const auto range = [this](const char *event) {
            return [this, event](std::int32_t &start, std::int32_t &stop) {
                events << event;
                rangeOffered = QStringLiteral("%1..%2").arg(start).arg(stop);
                stop = tqimage::layout::transferStop;
            };
        };
        QObject::connect(&bar, &UserControl1::EnumUploadSize, range("EnumUploadSize"));
        QObject::connect(&bar, &UserControl1::EnumDownloadSize, range("EnumDownloadSize"));
        bar.setProductCode(QStringLiteral("TQ540-2"));
    }

    std::span<std::uint8_t> image() { return tqimage::addressView(tqimage::EEPROMBuf); }
    template <typename T> T *child(const char *name)
    {
        return bar.findChild<T *>(QLatin1String(name));
    }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void type(const char *field, const QString &text)
    {
        auto *box = child<QLineEdit>(field);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }

    UserControl1 bar;
    QStringList events;
    QList<bool> zeroOnRestore;
    QString nameDuringEvent = QStringLiteral("<none>");
    int cancelRestoreAt = 0; // the DataRestored event the host cancels
    QString rangeOffered;
};

} // namespace

class TestUserControl1 : public QObject
{
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir dir;
    // The machine's own serial ports stay out of the COM list.
    portlist::ScopedSource noPorts{[] { return std::vector<portlist::SystemPort>{}; }};
    QStringList messages;
    QStringList dialogAnswers; // the next dialogs' answers, in order; "" cancels
    QStringList dialogsShown;  // the mode, and the name the dialog started with
    msgbox::ScopedPresenter boxes{[this](QWidget *, const QString &text, msgbox::Icon icon) {
        messages << text + (icon == msgbox::Icon::Exclamation ? "" : " <no exclamation>");
    }};
    filedialogs::ScopedPresenter dialogs{[this](QFileDialog &dialog, filedialogs::Mode mode) {
        const bool open = mode == filedialogs::Mode::Open;
        const QFileInfo start(dialog.selectedFiles().value(0));
        dialogsShown << (open ? "Open " : "SaveAs ") +
                            (start.isDir() ? QString() : start.fileName());
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
    std::unique_ptr<TransferUser> user;

    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && dir.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        user = std::make_unique<TransferUser>();
        writeFile(path("short.ztb"), QByteArray("\x01\x02\x00\x04", 4));
        QDir(dir.path()).mkpath(QStringLiteral("folder.ztb"));
    }
    void init()
    {
        messages.clear();
        dialogAnswers.clear();
        dialogsShown.clear();
        user->clear();
        m::gLink = m::tLink{};
        tqimage::EEPROMBuf.fill(0x33);
        QFile::remove(path("new.ztb"));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("setup"); // "unlent", "no device", "cancel restore N"
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<int>("message"); // 0: none
        QTest::addColumn<int>("windows"); // transfer windows shown
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("filename"); // after; starts as "old.ztb"
        const QStringList none;
        const QStringList restored{"DataRestored"}, restoredTwice{"DataRestored", "DataRestored"};
        // clang-format off
        QTest::newRow("Open")                      << "cmdOpen" << "" << QStringList{"short.ztb"} << QStringList{"DataChaned"} << QStringList{"Open "} << 0 << 0 << "" << "short.ztb";
        QTest::newRow("Open without an image")     << "cmdOpen" << "unlent" << QStringList{"short.ztb"} << none << none << 2206 << 0 << "" << "old.ztb";
        QTest::newRow("Open cancelled")            << "cmdOpen" << "" << QStringList{""} << none << QStringList{"Open "} << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Open a missing file")       << "cmdOpen" << "" << QStringList{"missing.ztb"} << none << QStringList{"Open "} << 1207 << 0 << "" << "old.ztb";
        QTest::newRow("Open a folder")             << "cmdOpen" << "" << QStringList{"folder.ztb"} << none << QStringList{"Open "} << 1207 << 0 << "" << "old.ztb";
        QTest::newRow("Save")                      << "cmdSave" << "" << none << restoredTwice << none << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Save as")                   << "cmdSaveAs" << "" << QStringList{"new.ztb"} << restoredTwice << QStringList{"SaveAs "} << 0 << 0 << "" << "new.ztb";
        QTest::newRow("Save as cancelled")         << "cmdSaveAs" << "" << QStringList{""} << restored << QStringList{"SaveAs "} << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Save as, host cancels")     << "cmdSaveAs" << "cancel restore 1" << QStringList{"new.ztb"} << restored << none << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Save as, host cancels later") << "cmdSaveAs" << "cancel restore 2" << QStringList{"new.ztb"} << restoredTwice << QStringList{"SaveAs "} << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Save as into no folder")    << "cmdSaveAs" << "" << QStringList{"no/such.ztb"} << restoredTwice << QStringList{"SaveAs "} << 1208 << 0 << "" << "old.ztb";
        QTest::newRow("Clear")                     << "cmdClear" << "" << none << QStringList{"DataClear"} << none << 0 << 0 << "" << "";
        QTest::newRow("Exit")                      << "cmdExit" << "" << none << QStringList{"SysExit"} << none << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Help")                      << "cmdHelp" << "" << none << QStringList{"HelpClick"} << none << 0 << 0 << "" << "old.ztb";
        QTest::newRow("Test")                      << "cmdTest" << "" << none << none << none << 0 << 1 << "" << "old.ztb";
        QTest::newRow("Download")                  << "cmdDownload" << "" << none << QStringList{"EnumDownloadSize", "DataChaned"} << none << 0 << 1 << "33..-1" << "old.ztb";
        QTest::newRow("Download, no device")       << "cmdDownload" << "no device" << none << QStringList{"EnumDownloadSize"} << none << 0 << 1 << "33..-1" << "old.ztb";
        QTest::newRow("Upload")                    << "cmdUpload" << "" << none << QStringList{"DataRestored", "EnumUploadSize"} << none << 0 << 1 << "33..-1" << "old.ztb";
        QTest::newRow("Upload, host cancels")      << "cmdUpload" << "cancel restore 1" << none << restored << none << 0 << 0 << "" << "old.ztb";
        // clang-format on
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QString, setup);
        QFETCH(QStringList, answers);
        SimBench bench;
        bench.portsMissing = setup == u"no device";
        Host host;
        if (setup != u"unlent")
            host.bar.SetBuf(host.image());
        if (setup.startsWith(u"cancel restore"))
            host.cancelRestoreAt = setup.back().digitValue();
        host.bar.setFilename(path("old.ztb"));
        for (const QString &answer : answers)
            dialogAnswers << (answer.isEmpty() ? QString() : path(answer));
        host.click(button.toLatin1().constData());

        QTEST(host.events, "events");
        QTEST(dialogsShown, "dialogs");
        QFETCH(int, message);
        QCOMPARE(messages, message ? QStringList{text(message)} : QStringList{});
        QTEST(user->windowsShown, "windows");
        QTEST(host.rangeOffered, "range");
        QFETCH(QString, filename);
        QCOMPARE(host.bar.filename(), filename.isEmpty() ? QString() : path(filename));
        QCOMPARE(QFile::exists(path("new.ztb")), filename == u"new.ztb");
    }

    // Open empties the whole image first; the host sees the old name while it
    // decodes, and DataLen is the file's length.
    void openReplacesTheWholeImage()
    {
        Host host;
        host.bar.SetBuf(host.image());
        host.bar.setFilename(QStringLiteral("previous.ztb"));
        dialogAnswers << path("short.ztb");
        host.click("cmdOpen");
        QCOMPARE(host.nameDuringEvent, QStringLiteral("previous.ztb"));
        QCOMPARE(host.bar.DataLen(), 4);
        std::array<std::uint8_t, 8> expected{1, 2, 0, 4, 0, 0, 0, 0};
        QVERIFY(std::equal(expected.begin(), expected.end(), host.image().begin()));
        QVERIFY(std::all_of(host.image().begin() + 4, host.image().end(),
                            [](std::uint8_t b) { return b == 0; }));
    }

    // Save clears the image before the host encodes into it, so the file ends
    // at the last byte the host wrote; the next dialog starts with its name.
    void saveWritesWhatTheHostEncoded()
    {
        Host host;
        host.bar.SetBuf(host.image());
        dialogAnswers << path("saved.ztb") << QString();
        host.click("cmdSaveAs");
        QCOMPARE(host.zeroOnRestore, QList<bool>({false, true}));
        QCOMPARE(readFile(path("saved.ztb")), bytesAt(41, {{40, 0x40}}));
        host.click("cmdOpen");
        QCOMPARE(dialogsShown, QStringList({"SaveAs ", "Open saved.ztb"}));
    }

    // The field and the COM list address the transfer; the labels show what
    // the device said, and the next transfer starts at the speed found.
    void transferAddressesAndShowsTheDevice()
    {
        sim::DeviceConfig config;
        config.serialNo = 256;
        config.deviceId = 9;
        config.baud = 19200;
        SimBench bench(config);
        Host host;
        host.bar.SetBuf(host.image());
        host.type("txtSN", QStringLiteral("256"));
        host.child<QComboBox>("cbComm")->setCurrentIndex(6);
        host.click("cmdDownload");
        QCOMPARE(quint32(m::gLink.TargetID), 0x80000100U);
        QCOMPARE(m::gLink.Port, std::int16_t(7));
        QCOMPARE(host.child<QLabel>("lbSpeed")->text(), QStringLiteral("19200"));
        QCOMPARE(host.child<QLabel>("lbSN")->text(), QStringLiteral("256"));
        QCOMPARE(host.child<QLabel>("lbID")->text(), QStringLiteral("9"));
        QCOMPARE(host.bar.DataLen(), 1024);
        for (int p = 33; p <= 120; ++p)
            QCOMPARE(tqimage::EEPROMBuf[p], bench.device->eeprom()[p - 1]);

        const auto before = bench.clock.elapsed();
        host.click("cmdTest");
        QVERIFY(bench.clock.elapsed() - before < 1500ms); // 19200 tried first
    }

    void refusedTarget()
    {
        SimBench bench;
        Host host;
        host.type("txtSN", QStringLiteral("2147483648"));
        host.click("cmdTest");
        QCOMPARE(messages, QStringList{text(2205)});
        QCOMPARE(user->windowsShown, 0);
        QCOMPARE(host.bar.GetSN(), -1);
        QCOMPARE(messages.last(), text(3015));
    }

    void textsAndStrip()
    {
        Host host;
        const char *const buttons[] = {"cmdOpen",   "cmdSave", "cmdSaveAs",
                                       "cmdClear",  "cmdTest", "cmdDownload",
                                       "cmdUpload", "cmdExit", "cmdHelp"};
        for (int i = 0; i < 9; ++i)
            QCOMPARE(host.child<QPushButton>(buttons[i])->text(), text(1100 + i));
        QWidget *chain[] = {host.child<QLabel>("Label1_7"), host.child<QLineEdit>("txtSN"),
                            host.child<QLabel>("Label1_2"), host.child<QComboBox>("cbComm"),
                            host.child<QLabel>("Label1_3"), host.child<QLabel>("lbSpeed"),
                            host.child<QLabel>("Label1_0"), host.child<QLabel>("lbSN"),
                            host.child<QLabel>("Label1_1"), host.child<QLabel>("lbID")};
        for (std::size_t i = 0; i < std::size(chain); i += 2)
            QCOMPARE(qobject_cast<QLabel *>(chain[i])->text(), text(1200 + int(i / 2)));
        for (std::size_t i = 1; i < std::size(chain); ++i) {
            const int gap = twips::toPixels(i % 2 ? 30 : 60); // after a caption, after a field
            QCOMPARE(chain[i]->x(), chain[i - 1]->x() + chain[i - 1]->width() + gap);
        }
        QCOMPARE(host.bar.height(), twips::toPixels(735));
    }

    // The real dialog, saving, stays open on a name whose folder does not exist.
    void saveDialogWantsAnExistingFolder_data()
    {
        QTest::addColumn<QString>("typed"); // in the test folder
        QTest::addColumn<bool>("accepted");
        QTest::newRow("existing folder") << "new.ztb" << true;
        QTest::newRow("missing folder") << "no/such/new.ztb" << false;
        QTest::newRow("a file for a folder") << "short.ztb/new.ztb" << false;
    }
    void saveDialogWantsAnExistingFolder()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        filedialogs::CommonDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDirectory(dir.path());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(messages.size(), accepted ? 0 : 1);
        if (!accepted)
            QVERIFY(messages.first().contains(QFileInfo(path(typed)).path()));
    }

    // The COM list names the ports the system has, looking again when it is
    // opened; the entries still start with their number, which the transfer
    // and the stored index read.
    void comListNamesPortsAndKeepsNumbers()
    {
        const auto port = [](const char *name, const char *description) {
            portlist::SystemPort found;
            found.name = QString::fromLatin1(name);
            found.path = QStringLiteral("/dev/") + found.name;
            found.description = QString::fromLatin1(description);
            return found;
        };
        std::vector<portlist::SystemPort> present{port("ttyUSB0", "FT232R USB UART")};
        portlist::ScopedSource source([&] { return present; });
        SimBench bench;
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
            host.click("cmdTest");
            QCOMPARE(host.bar.link().Port, std::int16_t(13));
        }
        QCOMPARE(comport::readStoredIndex(), 12);
        Host restored;
        QCOMPARE(restored.child<QComboBox>("cbComm")->currentIndex(), 12);
    }
};

QTEST_MAIN(TestUserControl1)
#include "tst_usercontrol1.moc"
