// The window's menu bar and where it sits: every menu and item with its text
// (the built-in English where the language library has none), its access key
// and its shortcut; each item that has a toolbar button runs it, chosen with
// the keyboard; the shortcuts; Verify after upload, remembered; Record trace;
// About; the designed area under the bar. The device tools' dialogs are
// tested in tests/ui/devicedialogs.

#include "casetable.h"
#include "ctrlsbar.h"
#include "linktrace.h"
#include "mainwindowfactory.h"
#include "settingsstore.h"
#include "sheetoutput.h"
#include "simbench.h"
#include "testfiles.h"
#include "twips.h"
#include "windowuser.h"

#include <QPrinter>

namespace {

// The words of a PDF file, as poppler reads them.
QString pdfWords(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(reader.readAllStandardOutput()).simplified();
}

struct ItemCase
{
    const char *name;
    int id;
    const char *english, *shortcut;
    const char *menu, *button; // the toolbar button it runs; "" none
};

const ItemCase itemCases[] = {
    {"mnuFile", 1700, "&File", "", "", ""},
    {"mnuFileOpen", 1701, "&Open...", "Ctrl+O", "mnuFile", "cmdOpen"},
    {"mnuFileSave", 1702, "&Save", "Ctrl+S", "mnuFile", "cmdSave"},
    {"mnuFileSaveAs", 1703, "Save &as...", "Ctrl+Shift+S", "mnuFile", "cmdSaveAs"},
    {"mnuFileExportSheet", 2550, "&Export sheet...", "", "mnuFile", ""},
    {"mnuFilePrint", 2551, "&Print...", "Ctrl+P", "mnuFile", ""},
    {"mnuFileClear", 1704, "&Clear", "", "mnuFile", "cmdClear"},
    {"mnuFileRecent", 2503, "Recent &files", "", "mnuFile", ""},
    {"mnuFileExit", 1705, "E&xit", "", "mnuFile", "cmdExit"},
    {"mnuEdit", 2500, "&Edit", "", "", ""},
    {"mnuEditUndo", 2501, "&Undo", "Ctrl+Z", "mnuEdit", ""},
    {"mnuEditRedo", 2502, "&Redo", "Ctrl+Y", "mnuEdit", ""},
    {"mnuDevice", 1710, "&Device", "", "", ""},
    {"mnuDeviceTest", 1711, "&Test", "", "mnuDevice", "cmdTest"},
    {"mnuDeviceDownload", 1712, "&Download", "", "mnuDevice", "cmdDownload"},
    {"mnuDeviceUpload", 1713, "&Upload", "", "mnuDevice", "cmdUpload"},
    {"mnuDeviceVerify", 1714, "&Verify after upload", "", "mnuDevice", ""},
    {"mnuDeviceFind", 1715, "&Find devices...", "Ctrl+F", "mnuDevice", ""},
    {"mnuDeviceCompare", 1716, "&Compare with device...", "", "mnuDevice", ""},
    {"mnuDeviceTrace", 1717, "&Record trace...", "", "mnuDevice", ""},
    {"mnuHelp", 1720, "&Help", "", "", ""},
    {"mnuHelpManual", 1721, "&Manual", "F1", "mnuHelp", "cmdHelp"},
    {"mnuHelpAbout", 1722, "&About", "", "mnuHelp", ""},
};

} // namespace

class TestMenuBar : public QObject
{
    Q_OBJECT

    WindowUser user;

private slots:
    void init() { user.start(); }
    void cleanup() { linktrace::install(nullptr); }

    // The library's text, or the English without it; an access key each,
    // none twice in a menu; only the shortcuts named.
    void texts_data()
    {
        QTest::addColumn<bool>("library");
        QTest::newRow("library") << true;
        QTest::newRow("no library") << false;
    }
    void texts()
    {
        QFETCH(bool, library);
        if (!library) {
            gResDll.setFilename(QString());
            user.show();
        }
        QHash<QString, QSet<Qt::Key>> keys;
        for (const ItemCase &c : itemCases) {
            const auto *item = user.child<QAction>(c.name);
            QCOMPARE(item->text(), library ? gResDll.GetStr(c.id) : QLatin1String(c.english));
            QCOMPARE(item->shortcut().toString(), QLatin1String(c.shortcut));
            const Qt::Key key = WindowUser::accessKey(item->text());
            QVERIFY2(key != Qt::Key_unknown && !keys[c.menu].contains(key), c.name);
            keys[c.menu].insert(key);
        }
    }

    // Chosen with its access keys, an item clicks its toolbar button, once;
    // Help > Manual opens the manual once, as F1 does over the open menu.
    void itemsRunTheirButtons_data()
    {
        QTest::addColumn<int>("case");
        for (const ItemCase &c : itemCases)
            if (*c.button)
                QTest::newRow(c.name) << int(&c - itemCases);
    }
    void itemsRunTheirButtons()
    {
        const ItemCase &c = currentCase(itemCases);
        SimBench line;
        QSignalSpy clicks(user.child<QAbstractButton>(c.button), &QAbstractButton::clicked);
        user.choose(c.menu, c.name);
        QCOMPARE(clicks.count(), 1);
        if (c.name == QLatin1String("mnuHelpManual")) {
            QCOMPARE(user.opened.size(), 1);
            auto *help = user.child<QMenu>("mnuHelp");
            QTest::keyClick(user.window.get(), Qt::Key_H, Qt::AltModifier);
            QTRY_VERIFY(help->isVisible());
            QTest::keyClick(help, Qt::Key_F1);
            QCOMPARE(user.opened.size(), 2);
            QVERIFY(!help->isVisible());
        }
    }

    // Ctrl+O, Ctrl+S (no file yet: asks for one), Ctrl+Shift+S; the other
    // items' shortcuts are their texts' rows.
    void shortcuts()
    {
        using Mode = filedialogs::Mode;
        for (const QKeyCombination key :
             {Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_S, Qt::CTRL | Qt::SHIFT | Qt::Key_S})
            QTest::keyClick(user.child("txtTimeout"), key.key(), key.keyboardModifiers());
        QCOMPARE(user.asked.size(), 3);
        QCOMPARE(user.asked[0].mode, Mode::Open);
        QCOMPARE(user.asked[1].mode, Mode::SaveAs);
        QCOMPARE(user.asked[2].mode, Mode::SaveAs);
    }

    // Off at first; checked, kept in the settings for the next window, and
    // Upload then reads back: a byte the device lost fails the upload with
    // the first difference named, and the device is not reset.
    void verifyAfterUpload()
    {
        SimBench line;
        line.device->faults.lostWriteAddress = 39; // input 1
        auto *verify = user.child<QAction>("mnuDeviceVerify");
        QVERIFY(verify->isCheckable() && !verify->isChecked());
        user.choose("mnuDevice", "mnuDeviceVerify");
        QVERIFY(verify->isChecked());
        user.show(true);
        QVERIFY(user.child<QAction>("mnuDeviceVerify")->isChecked());
        auto *cell = user.child("txt_gd");
        QTest::keyClick(cell, Qt::Key_Right);
        QTest::keyClick(user.child("txtcheckbox"), Qt::Key_Right);
        QTest::keyClicks(cell, QStringLiteral("5")); // input 1: group 5, left in its box
        user.choose("mnuDevice", "mnuDeviceUpload");
        QCOMPARE(user.transferEnds,
                 QStringList{gResDll.GetStr(1415) +
                             " | First difference at EEPROM address 39: 0x05 written, 0x00 read."});
        QCOMPARE(line.device->resets(), 0);
    }

    // Chosen, it asks for a file and records there, the item checked and the
    // status bar saying where; chosen again, it stops. --trace starts with it.
    void recordTrace()
    {
        SimBench line;
        const QString path = user.files.filePath(QStringLiteral("link.txt"));
        user.answers << path;
        user.choose("mnuDevice", "mnuDeviceTrace");
        QCOMPARE(user.asked.size(), 1);
        QCOMPARE(user.asked[0].pattern, QStringLiteral("*.txt"));
        auto *bar = user.child<ctrlSBar>("mSBar1");
        const QString message = gResDll.GetStr(1730).arg(QDir::toNativeSeparators(path));
        QCOMPARE(bar->Message(), message);
        QVERIFY(user.child<QAction>("mnuDeviceTrace")->isChecked());
        user.choose("mnuDevice", "mnuDeviceTest");
        const QByteArray traced = readFile(path);
        QVERIFY(traced.contains(" tx  9600 sent "));
        user.choose("mnuDevice", "mnuDeviceTrace");
        QCOMPARE(bar->Message(), QString());
        QVERIFY(!user.child<QAction>("mnuDeviceTrace")->isChecked());
        user.choose("mnuDevice", "mnuDeviceTest");
        QCOMPARE(readFile(path), traced);

        const auto started = createMainWindow(false, path);
        QCOMPARE(started->findChild<ctrlSBar *>()->Message(), message);
        QVERIFY(started->findChild<QAction *>(QStringLiteral("mnuDeviceTrace"))->isChecked());
    }

    // Export sheet writes the sheet of what the window holds as a PDF file,
    // with the file and the device it came from, and says where; Print
    // (Ctrl+P) lays out the same sheet on the printer chosen. After Open the
    // device is no longer named. A place that cannot be written is said.
    void exportAndPrintSheet()
    {
        SimBench line({.serialNo = 4242, .deviceId = 3, .baud = 19200});
        line.device->eeprom()[34] = 77; // LED dwell time
        user.child<QLineEdit>("txtSN")->setText(QStringLiteral("3"));
        user.choose("mnuDevice", "mnuDeviceDownload");
        const QString saved = user.files.filePath(QStringLiteral("north.ztb"));
        const QString pdf = user.files.filePath(QStringLiteral("north.pdf"));
        user.answers << saved << pdf;
        user.choose("mnuFile", "mnuFileSaveAs");
        user.choose("mnuFile", "mnuFileExportSheet");
        QCOMPARE(user.asked.last().pattern, QStringLiteral("*.pdf"));
        QCOMPARE(user.child<ctrlSBar>("mSBar1")->Message(),
                 "The sheet was written to " + QDir::toNativeSeparators(pdf) + '.');
        const QString words = pdfWords(pdf);
        for (const QString &expected :
             {QStringLiteral("File: "), QStringLiteral("north.ztb"),
              QStringLiteral("Serial Number: 4242"), QStringLiteral("Device ID: 3"),
              QStringLiteral("Baud rate: 19200"),
              "Date: " + QDate::currentDate().toString(Qt::ISODate), QStringLiteral("77 minutes")})
            QVERIFY2(words.contains(expected), qPrintable(expected + " in: " + words));

        const QString printed = user.files.filePath(QStringLiteral("printed.pdf"));
        printdialogs::ScopedPresenter printerChosen{[&](QPrinter &printer, QWidget *) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        }};
        QTest::keyClick(user.child("txtTimeout"), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(pdfWords(printed), words);

        user.answers << saved << pdf;
        user.choose("mnuFile", "mnuFileOpen");
        user.choose("mnuFile", "mnuFileExportSheet");
        QVERIFY(!pdfWords(pdf).contains(QStringLiteral("4242")));
        user.answers << QStringLiteral("/nonexistent/north.pdf");
        user.choose("mnuFile", "mnuFileExportSheet");
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].startsWith("Cannot write the sheet to " +
                                             QDir::toNativeSeparators("/nonexistent/north.pdf") +
                                             ": "),
                 qPrintable(user.messages[0]));
    }

    void about_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<QString>("line");
        const QString found = QStringLiteral(TQ_BIN_DIR "/lang.dll");
        const QString missing = QCoreApplication::applicationDirPath() + "/lang.dll";
        QTest::newRow("loaded") << found << "Language library: " + found + " (loaded)";
        QTest::newRow("not loaded")
            << QString() << "Language library: " + missing + " (not loaded)";
    }
    void about()
    {
        QFETCH(QString, library);
        gResDll.setFilename(library);
        user.choose("mnuHelp", "mnuHelpAbout");
        QFETCH(QString, line);
        QCOMPARE(user.messages,
                 QStringList{"Program version: 1.0.20\nQt version: " + QLatin1String(qVersion()) +
                             '\n' + QDir::toNativeSeparators(line)});
    }

    // The designed area lies under the bar at the design's size, its controls
    // at their design places; the window is as much higher. A size stored
    // before the window had a menu is the designed area's.
    void designedArea()
    {
        const QWidget *area = user.child("clientArea");
        const int menu = user.child("mnuBar")->height();
        QVERIFY(menu > 0);
        QCOMPARE(area->geometry(), QRect(0, menu, user.window->width(), twips::toPixels(6465)));
        QCOMPARE(user.window->height(), twips::toPixels(6465) + menu);
        QCOMPARE(user.child("mTBar")->pos(), QPoint(0, 0));
        QCOMPARE(user.child("fg1")->pos(), QPoint(twips::toPixels(-15), twips::toPixels(1425)));
        QCOMPARE(user.child("fg2")->geometry().topLeft(),
                 QPoint(twips::toPixels(5460), twips::toPixels(1425)));

        QWidget before; // the window as it was, without a menu
        before.setGeometry(60, 70, 700, 480);
        settingsstore::setWindowGeometry(before.saveGeometry());
        user.show(true);
        QCOMPARE(user.child("clientArea")->size(), QSize(700, 480));
    }
};

QTEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
