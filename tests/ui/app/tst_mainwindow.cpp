// The program as it starts and its configuration window. Start-up: help
// and version without a display, the language library (a missing one is
// reported once), the simulated device and the link's trace. The window's own
// set-up and wiring: its grids' columns, its captions and settings row, the
// check-mark cells, sizing, help, the focus chain, what a field engineer meets
// (the device labels, the smallest size, the size and place remembered), and
// one pass through the window with its toolbar and the simulated device. Each
// test has a window shown and active over the language library, its settings
// in a folder of its own, the manual's opener and the message boxes answered.
#include "casetable.h"
#include "ctrlsbar.h"
#include "eepromimage.h"
#include "frmtq540_2.h"
#include "gridcontrol.h"
#include "linktrace.h"
#include "resdll.h"
#include "simbench.h"
#include "startup.h"
#include "storedvaluemarks.h"
#include "testfiles.h"
#include "transferdriver.h"
#include "twips.h"
#include "usercontrol1.h"
#include "windowuser.h"

#include <QtTest>
#include <QtWidgets>
#include <cstdio>
#include <functional>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using tqimage::EEPROMBuf;

namespace {

struct ColumnCase
{
    const char *name, *grid, *box; // box "": none
    int col, headerId, width, maxLength;
};

const ColumnCase columnCases[] = {
    {"fg1 0", "fg1", "", 0, 2306, 700, 10},
    {"fg1 1", "fg1", "txt_gd", 1, 2307, 1200, 1},
    {"fg1 2", "fg1", "txtcheckbox", 2, 2308, 1000, 1},
    {"fg1 3", "fg1", "txt_gd", 3, 2309, 1000, 1},
    {"fg1 4", "fg1", "txtcheckbox", 4, 2310, 1000, 1},
    {"fg2 0", "fg2", "", 0, 2306, 700, 10},
    {"fg2 1", "fg2", "Text1", 1, 2311, 1200, 1},
    {"fg2 2", "fg2", "txtCheck2", 2, 2308, 1000, 1},
};

// The control, the text after its caption, the control before it in the
// settings row ("" the first; none outside the row); its caption's text (0:
// none) and its gap in twips after the one before.
struct CaptionCase
{
    const char *name, *after, *previous;
    int id, gap;
};

const CaptionCase captionCases[] = {
    {"lbVersion", " 1.0.20", nullptr, 1600, 0},
    {"Label1_0", "", nullptr, 2304, 0},
    {"Label1_2", "", nullptr, 2305, 0},
    {"Label1_1", "", "", 2300, 30},
    {"cbBaud", "", "Label1_1", 0, 30},
    {"Label1_3", "", "cbBaud", 2301, 120},
    {"txtTimeout", "", "Label1_3", 0, 30},
    {"Label1_4", "", "txtTimeout", 2302, 60},
    {"ckAlarmSystem", "", "Label1_4", 2303, 180},
};

// How the text comes into the box.
enum class Entry { Typed, Composed, Pasted, Dropped };

struct CheckCase
{
    const char *name, *box, *input;
    Entry entry;
    bool ticked;
};

const CheckCase checkCases[] = {
    {"typed", "txtcheckbox", "X", Entry::Typed, true},
    {"typed blank", "txtcheckbox", " ", Entry::Typed, false},
    {"backspace", "txtcheckbox", "x\b", Entry::Typed, false},
    {"composed", "txtcheckbox", "é", Entry::Composed, true},
    {"outputs typed", "txtCheck2", "3", Entry::Typed, true},
    {"pasted", "txtcheckbox", "7", Entry::Pasted, true},
    {"dropped", "txtcheckbox", "n", Entry::Dropped, true},
};

struct TabCase
{
    const char *name, *from, *to;
    int inputCol, outputsTopRow;
    bool back;
};

const TabCase tabCases[] = {
    {"alarm to inputs", "ckAlarmSystem", "txt_gd", 1, 1, false},
    {"alarm to a check cell", "ckAlarmSystem", "txtcheckbox", 2, 1, false},
    {"inputs to outputs", "txt_gd", "Text1", 1, 1, false},
    {"inputs back to alarm", "txt_gd", "ckAlarmSystem", 1, 1, true},
    {"to outputs scrolled out", "txt_gd", "fg2", 1, 20, false},
};

// What `run` writes to the error stream (where it can be caught: Unix).
QString errorStream(const std::function<void()> &run)
{
#ifdef Q_OS_UNIX
    QTemporaryFile file;
    if (!file.open())
        return {};
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return QString::fromLocal8Bit(file.readAll());
#else
    run();
    return {};
#endif
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    WindowUser user;

private slots:
    void init() { user.start(); }
    void cleanup()
    {
        user.window.reset();
        mComm::setPortFactory({});
        linktrace::install(nullptr);
    }

    // Answered before the GUI starts: a window system that cannot be reached
    // does not stop them.
    void helpAndVersionWithoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        for (const auto &[option, printed] : {std::pair{"--help", "--trace <file>"},
                                              std::pair{"--version", "tq540config 1.0.20"}}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(TQ_BIN_DIR "/tq540config"), {option});
            QVERIFY(program.waitForFinished(30000));
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
            const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
            QVERIFY2(output.contains(printed), qPrintable(output));
        }
    }

    // From the command line: the language library beside the program (without
    // it the program warns once, the error stream naming the path it looked
    // for, and runs with empty texts; text 2000 is empty, so the caption is the
    // product code alone), the simulated device on every
    // COM port, said in the title, and the link's frames in the trace file, or
    // a message why they cannot go there.
    void startUp_data()
    {
        QTest::addColumn<bool>("library");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const QString plain = QStringLiteral("Device Configure [TQ540-2]");
        const QString simulated = plain + " - simulated device";
        const QString trace = user.config.filePath("window.trace");
        const QString refused = "Cannot write the trace to /nonexistent/window.trace: ";
        const QString warning = QStringLiteral("System error, please reinstall!");
        // clang-format off
        QTest::newRow("library")       << true  << QStringList() << plain << QString();
        QTest::newRow("no library")    << false << QStringList() << QStringLiteral("[TQ540-2]") << warning;
        QTest::newRow("traced")        << true  << QStringList{"--simulate", "--trace", trace} << simulated << QString();
        QTest::newRow("trace refused") << true  << QStringList{"--simulate", "--trace", "/nonexistent/window.trace"} << simulated << refused;
        // clang-format on
    }

    void startUp()
    {
        QFETCH(bool, library);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const StartOptions parsed = parseCommandLine(QStringList{"tq540config"} + options);
        std::unique_ptr<QWidget> window;
        const QString errors = errorStream([&] {
            window = ::startUp(QString::fromLatin1(library ? TQ_BIN_DIR : "/nonexistent"), parsed);
        });
#ifdef Q_OS_UNIX
        QCOMPARE(errors.contains("/nonexistent/lang.dll: cannot load the language library: No "
                                 "such file or directory\n"),
                 !library);
#endif
        QVERIFY(window->isVisible());
        QTEST(window->windowHandle()->title(), "title");
        QVERIFY2(message.isEmpty()
                     ? user.messages.isEmpty()
                     : user.messages.size() == 1 && user.messages[0].startsWith(message),
                 qPrintable(user.messages.join(u'\n')));
        if (!parsed.simulate)
            return;
        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        m::tLink link;
        link.Port = 7;
        link.TargetID = 512 + 1; // device ID 1 of a TQ540-2
        TransferObserver unseen;
        QCOMPARE(TransferDriver(link, {}, unseen).run(TransferKind::Test, 0, 0), m::LINK_OK);
        QCOMPARE(link.SerialNo & 0x7FFFFFFF, 1000001); // the simulated device's default
        QCOMPARE(readFile(parsed.traceFile).contains(" tx  9600 sent "),
                 !parsed.traceFile.isEmpty() && message.isEmpty());
    }

    // Both grids have 24 data rows. fg1's rows are as high as its text box;
    // fg2's only follow the editor's rule, 15 twips lower. The row numbers
    // cannot be edited (their limit of 10 has no box to act on); the data
    // columns take one character.
    void columns_data()
    {
        addCaseRows(columnCases);
    }
    void columns()
    {
        const ColumnCase &c = currentCase(columnCases);
        auto *g = user.child<GridControl>(c.grid);
        QCOMPARE(g->TextMatrix(0, c.col), gResDll.GetStr(c.headerId));
        QCOMPARE(g->ColWidth(c.col), c.width);
        QCOMPARE(g->ColAlignment(c.col), 4); // centred both ways
        const bool inputs = g->objectName() == "fg1";
        QCOMPARE(g->RowHeight(24),
                 qRound(twips::fromPixels(user.child(inputs ? "txt_gd" : "Text1")->height())) -
                     (inputs ? 0 : 15));
        g->setCol(c.col);
        if (!*c.box) {
            QCOMPARE(g->Col(), 1); // back to the cell being edited
            return;
        }
        auto *box = user.child<QLineEdit>(c.box);
        QVERIFY(box->isVisible());
        QTest::keyClicks(box, QString(11, u'x'));
        QCOMPARE(box->text(), QString(c.maxLength, u'x'));
    }

    // Captions are texts of the language library; the settings row runs left
    // to right, each control its gap (twips) after the one before, each
    // caption as wide as its text.
    void captions_data()
    {
        addCaseRows(captionCases);
    }
    void captions()
    {
        const CaptionCase &c = currentCase(captionCases);
        const QWidget *control = user.child(c.name);
        if (c.id)
            QCOMPARE(control->property("text").toString(), gResDll.GetStr(c.id) + c.after);
        if (!c.previous)
            return;
        const int start = *c.previous ? user.child(c.previous)->geometry().right() + 1 : 0;
        QCOMPARE(control->x(), start + twips::toPixels(c.gap));
        QCOMPARE(control->y(), twips::toPixels(885));
        if (c.id)
            QCOMPARE(control->width(), control->sizeHint().width());
    }

    // Anything typed, composed, pasted or dropped into a check-mark cell but
    // a blank is "x"; Backspace is left to the box.
    void checkCells_data()
    {
        addCaseRows(checkCases);
    }
    void checkCells()
    {
        const CheckCase &c = currentCase(checkCases);
        const QString cell = c.ticked ? QStringLiteral("x") : QString();
        const bool inputs = QLatin1String(c.box) == "txtcheckbox";
        QTest::keyClick(user.child(inputs ? "txt_gd" : "Text1"), Qt::Key_Right);
        auto *check = user.child<QLineEdit>(c.box);
        enter(*check, c.entry, QString::fromUtf8(c.input));
        QCOMPARE(check->text().trimmed(), cell);
        QTest::keyClick(check, Qt::Key_Escape);
        QCOMPARE(user.child<GridControl>(inputs ? "fg1" : "fg2")->TextMatrix(1, 2), cell);
    }

    // A text that will not be stored as typed is marked while it is typed and
    // after, with what will be stored; the status bar counts the marks. Clear
    // leaves nothing to mark.
    void storedValueMarks()
    {
        auto *fg1 = user.child<GridControl>("fg1");
        auto *box = user.child<QLineEdit>("txt_gd");
        auto *dwell = user.child<QLineEdit>("txtTimeout");
        const QColor plain = box->palette().color(QPalette::Base);
        QTest::keyClicks(box, "5"); // Type of input 1
        QCOMPARE(box->toolTip(), QStringLiteral("'5' will be stored as '1'."));
        QVERIFY(box->palette().color(QPalette::Base) != plain);
        QCOMPARE(
            user.child<ctrlSBar>("mSBar1")->Message(),
            QStringLiteral("1 value will not be stored as typed; its tool tip says what will."));
        QTest::keyClick(box, Qt::Key_Return); // on to input 2
        QCOMPARE(fg1->CellToolTip(1, 1), QStringLiteral("'5' will be stored as '1'."));
        QCOMPARE(fg1->CellBackColor(1, 1), StoredValueMarks::markColor);
        QCOMPARE(box->toolTip(), QString());
        QCOMPARE(box->palette().color(QPalette::Base), plain);
        QTest::keyClicks(dwell, "300");
        QCOMPARE(dwell->toolTip(), QStringLiteral("'300' will be stored as '255'."));
        QCOMPARE(
            user.child<ctrlSBar>("mSBar1")->Message(),
            QStringLiteral("2 values will not be stored as typed; their tool tips say what will."));
        user.click("cmdClear");
        QCOMPARE(fg1->CellToolTip(1, 1), QString());
        QCOMPARE(fg1->CellBackColor(1, 1), QColor());
        QCOMPARE(user.child<ctrlSBar>("mSBar1")->Message(), QString());
    }

    // On the outer size in twips, less the menu bar: fg2 ends 105 short of the
    // right edge, both grids 420 above the status bar; a height that would be
    // negative is not taken. fg1's width and the grids' places stay.
    void gridsFollowWindowSize()
    {
        const int menu = user.child("mnuBar")->height();
        auto *fg1 = user.child<GridControl>("fg1");
        auto *fg2 = user.child<GridControl>("fg2");
        const QRect inputs = fg1->geometry();
        const QPoint outputs = fg2->pos();
        user.window->setMinimumSize(0, 0); // the rule itself, below the smallest size offered
        for (const QSize size : {QSize(12000, 8000), QSize(10000, 1500)}) {
            const int heightBefore = fg1->height();
            user.window->resize(twips::toPixels(size.width()), twips::toPixels(size.height()));
            QTRY_COMPARE(user.window->height(), twips::toPixels(size.height()));
            const QSizeF outer = QSizeF(user.window->frameGeometry().size()) * 15;
            QCOMPARE(fg2->width(), twips::toPixels(outer.width() - 105 - 5460));
            const double height = outer.height() - menu * 15 - 1425 - 240 - 420;
            QCOMPARE(fg1->height(), height < 0 ? heightBefore : twips::toPixels(height));
            QCOMPARE(fg2->height(), fg1->height());
            QCOMPARE(fg1->geometry(),
                     QRect(inputs.topLeft(), QSize(inputs.width(), fg1->height())));
            QCOMPARE(fg2->pos(), outputs);
            QCOMPARE(user.child("mSBar1")
                         ->mapTo(user.window.get(), QPoint(0, user.child("mSBar1")->height()))
                         .y(),
                     user.window->height());
        }
    }

    // F1 anywhere in the window, over an open list too (which closes), and
    // the Help button open the manual; a message names it when nothing could.
    void help_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("viewer");
        for (const char *name : {"txt_gd", "frmTQ540_2", "cbBaud"})
            QTest::newRow(name) << name << true; // cbBaud: over its open list
        QTest::newRow("cmdHelp, no viewer") << "cmdHelp" << false;
    }
    void help()
    {
        QFETCH(QString, control);
        QFETCH(bool, viewer);
        user.viewerTakes = viewer;
        auto *list = qobject_cast<QComboBox *>(user.child(qPrintable(control)));
        if (list)
            list->showPopup();
        if (control == "cmdHelp")
            user.click("cmdHelp");
        else
            QTest::keyClick(list ? QApplication::focusWidget() : user.child(qPrintable(control)),
                            Qt::Key_F1);
        const QString path = QCoreApplication::applicationDirPath() + "/dc-tq540-2.pdf";
        QCOMPARE(user.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        QCOMPARE(user.messages.size(), viewer ? 0 : 1);
        if (!viewer)
            QVERIFY(user.messages[0].contains(QDir::toNativeSeparators(path)));
        if (list)
            QVERIFY(!list->view()->isVisible());
    }

    // Tab runs through the settings row and the grids' shown edit boxes,
    // never resting on a grid unless its current row is scrolled out of view.
    void tabChain_data()
    {
        addCaseRows(tabCases);
    }
    void tabChain()
    {
        const TabCase &c = currentCase(tabCases);
        user.child<GridControl>("fg1")->setCol(c.inputCol);
        user.child<GridControl>("fg2")->setTopRow(c.outputsTopRow);
        user.child(c.from)->setFocus();
        QTest::keyClick(user.child(c.from), c.back ? Qt::Key_Backtab : Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), user.child(c.to));
    }

    // The first thing to type is which device: the window opens with the
    // keyboard in the serial number / device ID field.
    void focusStartsOnTheTarget()
    {
        QCOMPARE(QApplication::focusWidget(), user.child("txtSN"));
    }

    // At its first size the window shows the toolbar's strip whole, the
    // device labels holding their longest values.
    void deviceLabelsShowLongestValues()
    {
        SimBench line({.serialNo = 2147483647, .deviceId = 255, .baud = 38400});
        user.child<QLineEdit>("txtSN")->setText(QStringLiteral("2147483647"));
        user.click("cmdTest");
        QWidget *toolbar = user.child("mTBar"); // the window has labels of these names too
        QCOMPARE(user.child<QLabel>("lbSN", toolbar)->text(), QStringLiteral("2147483647"));
        for (const char *name : {"lbSpeed", "lbSN", "lbID"}) {
            const auto *value = user.child<QLabel>(name, toolbar);
            QVERIFY(value->width() >= value->sizeHint().width());
            QVERIFY(value->mapTo(user.window.get(), QPoint(value->width(), 0)).x() <=
                    user.window->width());
        }
    }

    // However small it is made, every toolbar button and the settings row stay
    // in view, and from the top down nothing overlaps: toolbar, settings row,
    // grid titles, grids (their first row shown), status bar. Exit closes the
    // window, which comes back at its size and place.
    void sizeAndPlace()
    {
        user.window->resize(1, 1);
        QTRY_COMPARE(user.window->size(), user.window->minimumSize());
        const auto inWindow = [this](const char *name) {
            const QWidget *control = user.child(name);
            return QRect(control->mapTo(user.window.get(), QPoint()), control->size());
        };
        for (const char *name : {"cmdOpen", "cmdSave", "cmdSaveAs", "cmdClear", "cmdTest",
                                 "cmdDownload", "cmdUpload", "cmdExit", "cmdHelp", "ckAlarmSystem"})
            QVERIFY2(user.window->rect().contains(inWindow(name)), name);
        const char *const fromTop[][3] = {{"mTBar", "", ""},
                                          {"cbBaud", "txtTimeout", "ckAlarmSystem"},
                                          {"Label1_0", "Label1_2", ""},
                                          {"fg1", "fg2", ""},
                                          {"mSBar1", "", ""}};
        for (std::size_t band = 1; band < std::size(fromTop); ++band)
            for (const char *above : fromTop[band - 1])
                for (const char *below : fromTop[band])
                    if (*above && *below)
                        QVERIFY2(inWindow(above).bottom() < inWindow(below).top(),
                                 qPrintable(QString("%1 over %2").arg(above, below)));
        QCOMPARE(inWindow("mSBar1").bottom(), user.window->height() - 1);
        QVERIFY(user.child<GridControl>("fg1")->RowIsVisible(1));
        QVERIFY(user.child<GridControl>("fg2")->RowIsVisible(1));
        const QRect chosen(40, 50, user.window->width() + 80, user.window->height() + 60);
        user.window->setGeometry(chosen);
        QTRY_COMPARE(user.window->geometry(), chosen);
        user.click("cmdExit");
        QVERIFY(!user.window->isVisible());
        user.show(true); // over the settings the last window left
        QCOMPARE(user.window->geometry(), chosen);
    }

    // One pass with the toolbar and the simulated device: download decodes
    // into the window, upload encodes an edit still in its box, save writes
    // the window's image; clear empties the data cells (the box shows its
    // emptied cell) and sets the settings' defaults, leaving the row numbers
    // and the image.
    void downloadUploadSaveClear()
    {
        SimBench line;
        std::vector<std::uint8_t> &eeprom = line.device->eeprom();
        // 2400 baud, alarm system, 99 minutes, a byte of no field; input 1:
        // type 1, alarm, latch, group 5; input 24: latch, group 7; output 1:
        // on, alarm; output 24: on.
        // clang-format off
        for (const auto &[at, byte] : {std::pair{32, 1}, {33, 1}, {34, 99}, {35, 0x11}, {39, 0xE5}, {62, 0x47}, {79, 0x81}, {102, 1}})
            // clang-format on
            eeprom[at] = std::uint8_t(byte);

        user.click("cmdDownload");
        QCOMPARE(line.addressRange(m::CMD_READ_BLOCK), std::pair(32, 119));
        auto *fg1 = user.child<GridControl>("fg1");
        auto *fg2 = user.child<GridControl>("fg2");
        QCOMPARE(fg1->TextMatrix(1, 3), QStringLiteral("5")); // the group
        QCOMPARE(fg2->TextMatrix(1, 2), QStringLiteral("x")); // the alarm
        QCOMPARE(user.child<QLineEdit>("txtTimeout")->text(), QStringLiteral("99"));
        QCOMPARE(user.child<QLineEdit>("Text1")->text(), QStringLiteral("1")); // shows its cell

        QTest::keyClicks(user.child("Text1"), "0"); // output 1 off, left in the box
        user.click("cmdUpload");
        QCOMPARE(line.addressRange(m::CMD_WRITE_BLOCK), std::pair(32, 119));
        QCOMPARE(eeprom[79], 0x80);

        user.answers << user.files.filePath("saved.ztb");
        user.click("cmdSave"); // no file yet: asks for a name
        // The window's image up to output 24 (where the file ends is the file layer's rule).
        QCOMPARE(
            readFile(user.files.filePath("saved.ztb")).left(103),
            bytesAt(103,
                    {{32, 1}, {33, 1}, {34, 99}, {39, 0xE5}, {62, 0x47}, {79, 0x80}, {102, 1}}));
        QCOMPARE(user.child<UserControl1>("mTBar")->MinEEPROMSIZE(), 1024);

        user.click("cmdClear");
        QCOMPARE(user.window->windowHandle()->title(), frmTQ540_2::titleWithoutFile);
        for (const GridControl *g : {fg1, fg2})
            for (int row = 1; row <= 24; ++row)
                for (int col = 0; col < g->Cols(); ++col)
                    QCOMPARE(g->TextMatrix(row, col), col ? QString() : QString::number(row));
        QCOMPARE(user.child<QLineEdit>("Text1")->text(), QString());
        QCOMPARE(user.child<QComboBox>("cbBaud")->currentText(), QStringLiteral("9600"));
        QCOMPARE(user.child<QLineEdit>("txtTimeout")->text(), QStringLiteral("30"));
        QVERIFY(!user.child<QCheckBox>("ckAlarmSystem")->isChecked());
        QCOMPARE(EEPROMBuf[40], 0xE5); // input 1, at address 39
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
    }

private:
    // Text into the box as the user would bring it.
    static void enter(QLineEdit &box, Entry entry, const QString &text)
    {
        if (entry == Entry::Composed) {
            QInputMethodEvent composing(QStringLiteral("\u00b4"), {}); // a dead key, pending
            QApplication::sendEvent(&box, &composing);
            QInputMethodEvent done;
            done.setCommitString(text);
            QApplication::sendEvent(&box, &done);
        } else if (entry == Entry::Pasted) {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        } else if (entry == Entry::Dropped) {
            QMimeData data;
            data.setText(text);
            QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, {});
            // Straight to the box: outside a drag the application routes a drop
            // to the drag's target, which there is none of.
            static_cast<QObject &>(box).event(&drop);
        } else {
            QTest::keyClicks(&box, text);
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
