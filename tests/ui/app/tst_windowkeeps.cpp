// What the window keeps for its user: Undo and Redo across edits, Clear,
// Open and Download (an edit box's uncommitted typing first, 50 steps and
// more); the unsaved edits of a window that was closed or whose process was
// killed, offered at the next start; the title with its file and the unsaved
// mark; File > Recent files.

#include "casetable.h"
#include "gridcontrol.h"
#include "recoveryfile.h"
#include "simbench.h"
#include "testfiles.h"
#include "usercontrol1.h"
#include "windowuser.h"

#include <cstdio>

using tqimage::EEPROMBuf;

namespace {

// The child process's variable: the file it opens before it edits and waits.
const char childFile[] = "TQ_KEEPS_CHILD_FILE";

// 2400 baud, dwell 99, a byte of no field at 35; input 1: type 1, alarm,
// group 5, latch; a byte beyond the transferred range at 200.
const QByteArray fileA = bytesAt(201, {{32, 1}, {34, 99}, {35, 0x11}, {39, 0xE5}, {200, 0x22}});
// 9600 baud, dwell 7, input 1 in group 2.
const QByteArray fileB = bytesAt(40, {{32, 3}, {34, 7}, {39, 0x02}});

enum class Change { Cell, Baud, Dwell, Alarm, Clear, Open, Download };

struct UndoCase
{
    const char *name;
    Change change;
    const char *probe; // a cell of fg1 ("row,col") or a settings control
    const char *before, *after;
    const char *titleAfter; // "A", "B": the file's title; "*" the unsaved mark
};

const UndoCase undoCases[] = {
    {"cell edit", Change::Cell, "1,1", "1", "0", "A*"},
    {"baud", Change::Baud, "cbBaud", "2400", "4800", "A*"},
    {"dwell typed", Change::Dwell, "txtTimeout", "99", "12", "A*"},
    {"alarm", Change::Alarm, "ckAlarmSystem", "0", "1", "A*"},
    {"clear", Change::Clear, "1,3", "5", "", ""},
    {"open", Change::Open, "1,3", "5", "2", "B"},
    {"download", Change::Download, "1,3", "5", "1", "A*"},
};

QStringList recoveryFiles()
{
    return QDir(RecoveryFile::folder()).entryList({QStringLiteral("*.json")}, QDir::Files);
}

// The child: opens the file, commits an edit, says so once it is kept, and
// runs until it is killed.
int editAndWait(const QString &path)
{
    gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
    frmTQ540_2 window;
    window.show();
    window.findChild<UserControl1 *>()->openFile(path);
    auto *cell = window.findChild<QLineEdit *>(QStringLiteral("txt_gd"));
    QTest::keyClick(cell, Qt::Key_Backspace);
    QTest::keyClicks(cell, QStringLiteral("0"));
    QTest::keyClick(cell, Qt::Key_Return);
    const QDeadlineTimer deadline(30000);
    while (recoveryFiles().isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::puts("kept");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

class TestWindowKeeps : public QObject
{
    Q_OBJECT

    WindowUser user;

private slots:
    void init()
    {
        user.start();
        writeFile(path("a.ztb"), fileA);
        writeFile(path("b.ztb"), fileB);
    }

    // Each change is one step: Ctrl+Z brings the whole configuration back
    // as it was (the image with the bytes the window does not show, its
    // length, the file and the title, saved again), Ctrl+Y the change.
    void undoRedo_data() { addCaseRows(undoCases); }
    void undoRedo()
    {
        const UndoCase &c = currentCase(undoCases);
        open(path("a.ztb"));
        QCOMPARE(probe(c.probe), QLatin1String(c.before));
        change(c.change);
        const QString after = title(c.titleAfter);
        QCOMPARE(probe(c.probe), QLatin1String(c.after));
        QCOMPARE(shownTitle(), after);
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(probe(c.probe), QLatin1String(c.before));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&EEPROMBuf[1]), 300),
                 fileA + QByteArray(300 - fileA.size(), '\0'));
        QCOMPARE(toolbar()->DataLen(), fileA.size());
        QCOMPARE(toolbar()->filename(), path("a.ztb"));
        QCOMPARE(shownTitle(), title("A"));
        QVERIFY(!toolbar()->origin()); // the sheet names no device for a file
        press(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(probe(c.probe), QLatin1String(c.after));
        QCOMPARE(shownTitle(), after);
        QCOMPARE(toolbar()->origin().has_value(), c.change == Change::Download);
    }

    // Typing not yet committed goes first, then the steps; the items are
    // greyed while there is nothing to undo or redo. The serial number's
    // box undoes its own typing first and passes the keys on otherwise.
    void typingUndoneFirst()
    {
        auto *box = user.child<QLineEdit>("txt_gd");
        QVERIFY(!undoItem()->isEnabled() && !redoItem()->isEnabled());
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("1"));
        QVERIFY(undoItem()->isEnabled());
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(box->text(), QString());
        QVERIFY(!undoItem()->isEnabled());
        QTest::keyClicks(box, QStringLiteral("1"));
        QTest::keyClick(box, Qt::Key_Return); // committed; on to row 2
        QTest::keyClicks(box, QStringLiteral("0"));
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(box->text(), QString());
        QCOMPARE(cell(1, 1), QStringLiteral("1"));
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(cell(1, 1), QString());
        QVERIFY(!undoItem()->isEnabled() && redoItem()->isEnabled());
        auto *serial = user.child<QLineEdit>("txtSN");
        const QString typed = serial->text();
        serial->setFocus();
        press(Qt::CTRL | Qt::Key_Y);
        QCOMPARE(cell(1, 1), QStringLiteral("1"));
        QTest::keyClicks(serial, QStringLiteral("7"));
        press(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(serial->text(), typed);
        QCOMPARE(cell(1, 1), QStringLiteral("1"));
    }

    // 60 changes of the baud list, and back through all of them and the Clear.
    void fiftyStepsAndMore()
    {
        user.choose("mnuFile", "mnuFileClear");
        auto *baud = user.child<QComboBox>("cbBaud");
        for (int i = 0; i < 60; ++i)
            QTest::keyClick(baud, i % 2 ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(baud->currentText(), QStringLiteral("9600"));
        for (int i = 0; i < 61; ++i)
            user.choose("mnuEdit", "mnuEditUndo");
        QCOMPARE(baud->currentIndex(), -1); // as the window started
        QVERIFY(!undoItem()->isEnabled());
    }

    // The title names the file after Open, Save and Save as, and bears the
    // mark while the window holds what its file does not, which a recovery
    // file then keeps; saved or cleared, the recovery file goes.
    void titleAndRecoveryFile()
    {
        const struct
        {
            std::function<void()> act;
            QString title;
        } steps[] = {
            {[] {}, QStringLiteral("Device Configure [TQ540-2]")},
            {[this] { change(Change::Cell); }, QStringLiteral("Device Configure [TQ540-2]*")},
            {[this] { saveAs(path("b.ztb")); }, title("B")},
            {[this] { change(Change::Alarm); }, title("B*")},
            {[this] { press(Qt::CTRL | Qt::Key_S); }, title("B")},
            {[this] { press(Qt::CTRL | Qt::Key_Z); }, title("B*")}, // the file has the alarm now
            {[this] { open(path("a.ztb")); }, title("A")},
            {[this] { change(Change::Download); }, title("A*")},
            {[this] { change(Change::Clear); }, QStringLiteral("Device Config")},
        };
        for (const auto &step : steps) {
            step.act();
            QCOMPARE(shownTitle(), step.title);
            if (step.title.endsWith(u'*'))
                QTRY_COMPARE(recoveryFiles().size(), 1);
            else
                QCOMPARE(recoveryFiles().size(), 0);
        }
    }

    // The edits of a window that was closed, or whose process was killed,
    // are offered at the next start with their file and time; a live
    // window's are not. Restore brings them back (unsaved), Discard drops
    // them; either way the file goes.
    void recovery_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::addColumn<bool>("restore");
        QTest::newRow("killed, restored") << true << true;
        QTest::newRow("killed, discarded") << true << false;
        QTest::newRow("closed, restored") << false << true;
    }
    void recovery()
    {
        QFETCH(bool, killed);
        QFETCH(bool, restore);
        const QDate startDay = QDate::currentDate(); // the offer's day, unless midnight passes
        QProcess child;
        if (killed) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(childFile), path("a.ztb"));
            child.setProcessEnvironment(environment);
            child.start(QCoreApplication::applicationFilePath(), QStringList());
            QVERIFY(child.waitForReadyRead(30000));
            QCOMPARE(child.readLine(), QByteArray("kept\n"));
            user.show(true);
            QCoreApplication::processEvents();
            QVERIFY(!offer()); // its window still runs
            child.kill();
            QVERIFY(child.waitForFinished());
        } else {
            open(path("a.ztb"));
            change(Change::Cell);
        }
        user.show(true);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = offer()));
        const QStringList left = recoveryFiles();
        QCOMPARE(left.size(), 1);
        const auto shows = [&](const QDate &day) {
            return box->text().contains(QLocale().toString(day, QLocale::ShortFormat));
        };
        QVERIFY2(box->text().contains(QDir::toNativeSeparators(path("a.ztb"))) &&
                     (shows(startDay) || shows(QDate::currentDate())),
                 qPrintable(box->text()));
        QTest::mouseClick(box->findChild<QPushButton *>(restore ? "cmdRestore" : "cmdDiscard"),
                          Qt::LeftButton);
        QTRY_VERIFY(!offer());
        QCOMPARE(cell(1, 1), restore ? QStringLiteral("0") : QString());
        QCOMPARE(shownTitle(),
                 restore ? title("A*") : QStringLiteral("Device Configure [TQ540-2]"));
        if (restore) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(&EEPROMBuf[1]), fileA.size()),
                     fileA);
            QCOMPARE(toolbar()->DataLen(), fileA.size());
        }
        QVERIFY(!recoveryFiles().contains(left[0]));
        if (restore)
            return; // unsaved again: this window's own file keeps them
        user.show(true);
        QCoreApplication::processEvents();
        QVERIFY(!offer());
    }

    // The last 8 files opened or saved, newest first, kept for the next
    // window; one chosen is opened; one gone is said so and dropped.
    void recentFiles()
    {
        QStringList expected;
        for (int k = 1; k <= 9; ++k) {
            writeFile(path(QStringLiteral("f%1.ztb").arg(k)), bytesAt(40, {{39, k}}));
            open(path(QStringLiteral("f%1.ztb").arg(k)));
            expected.prepend(path(QStringLiteral("f%1.ztb").arg(k)));
        }
        saveAs(path("s.ztb"));
        expected.prepend(path("s.ztb"));
        expected = expected.mid(0, 8);
        QCOMPARE(recentItems(), expected);
        user.show(true);
        QCOMPARE(recentItems(), expected);
        chooseRecent(Qt::Key_3); // f8
        QCOMPARE(shownTitle(), title(QStringLiteral("f8")));
        QCOMPARE(cell(1, 3), QStringLiteral("0")); // 8 has no bit of the group's
        QCOMPARE(cell(1, 1), QStringLiteral("0")); // nor of the type's
        QCOMPARE(recentItems().first(), path("f8.ztb"));
        QFile::remove(path("f9.ztb"));
        chooseRecent(Qt::Key_3); // f9, now third
        QCOMPARE(user.messages,
                 QStringList{gResDll.GetStr(2504).arg(QDir::toNativeSeparators(path("f9.ztb")))});
        QVERIFY(!recentItems().contains(path("f9.ztb")));
        QCOMPARE(shownTitle(), title(QStringLiteral("f8")));
    }

private:
    QString path(const QString &name) const { return user.files.filePath(name); }
    UserControl1 *toolbar() const { return user.child<UserControl1>("mTBar"); }
    QAction *undoItem() const { return user.child<QAction>("mnuEditUndo"); }
    QAction *redoItem() const { return user.child<QAction>("mnuEditRedo"); }
    QString cell(int row, int col) const
    {
        return user.child<GridControl>("fg1")->TextMatrix(row, col);
    }
    QString shownTitle() const { return user.window->windowHandle()->title(); }
    QMessageBox *offer() const
    {
        return user.window->findChild<QMessageBox *>(QStringLiteral("recoveryOffer"));
    }

    // "A", "B" or a name: that file's title; a "*" after it, the unsaved mark.
    QString title(QString name) const
    {
        const bool unsaved = name.endsWith(u'*');
        name.chop(unsaved ? 1 : 0);
        if (name.isEmpty())
            return QStringLiteral("Device Config");
        const QString file = name.size() == 1 ? name.toLower() : name;
        return "Device Config[" + path(file + ".ztb") + ']' + (unsaved ? "*" : "");
    }

    QString probe(const char *name) const
    {
        if (QLatin1String(name) == "cbBaud")
            return user.child<QComboBox>(name)->currentText();
        if (QLatin1String(name) == "txtTimeout")
            return user.child<QLineEdit>(name)->text();
        if (QLatin1String(name) == "ckAlarmSystem")
            return QString::number(user.child<QCheckBox>(name)->isChecked());
        const QStringList at = QString::fromLatin1(name).split(u',');
        return cell(at[0].toInt(), at[1].toInt());
    }

    // Where the keyboard is: the control with the focus, or the window.
    void press(QKeyCombination key) const
    {
        user.window->activateWindow(); // back from the transfer window
        QVERIFY(QTest::qWaitForWindowActive(user.window.get()));
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : user.window.get(), key.key(), key.keyboardModifiers());
    }

    void open(const QString &file)
    {
        user.answers << file;
        user.click("cmdOpen");
    }

    void saveAs(const QString &file)
    {
        user.answers << file;
        user.click("cmdSaveAs");
    }

    void change(Change change)
    {
        auto *box = user.child<QLineEdit>("txt_gd");
        auto *dwell = user.child<QLineEdit>("txtTimeout");
        switch (change) {
        case Change::Cell:
            QTest::keyClick(box, Qt::Key_Backspace);
            QTest::keyClicks(box, QStringLiteral("0"));
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case Change::Baud:
            QTest::keyClick(user.child("cbBaud"), Qt::Key_Down);
            break;
        case Change::Dwell:
            dwell->setFocus();
            QTest::keyClick(dwell, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dwell, QStringLiteral("12"));
            break;
        case Change::Alarm:
            QTest::keyClick(user.child("ckAlarmSystem"), Qt::Key_Space);
            break;
        case Change::Clear:
            user.click("cmdClear");
            break;
        case Change::Open:
            open(path("b.ztb"));
            break;
        case Change::Download: {
            SimBench line;
            line.device->eeprom()[35] = 0x33;
            line.device->eeprom()[39] = 0x01;
            user.click("cmdDownload");
            break;
        }
        }
    }

    QStringList recentItems() const
    {
        QStringList files;
        for (const QAction *item : user.child<QMenu>("mnuFileRecent")->actions())
            files << QDir::fromNativeSeparators(item->text().mid(3)); // after "&n "
        return files;
    }

    void chooseRecent(Qt::Key number)
    {
        user.choose("mnuFile", "mnuFileRecent");
        auto *recent = user.child<QMenu>("mnuFileRecent");
        QTRY_VERIFY(recent->isVisible());
        QTest::keyClick(recent, number);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (qEnvironmentVariableIsSet(childFile))
        return editAndWait(qEnvironmentVariable(childFile));
    TestWindowKeeps test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowkeeps.moc"
