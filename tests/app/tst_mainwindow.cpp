// The configuration window's own set-up and wiring: its grids' columns, its
// captions and settings row, clearing, the check-mark cells, sizing, help,
// the focus chain, what a field engineer meets (the device labels, the
// smallest size, the size and place remembered), and one pass through the
// window with its toolbar and the simulated device.
#include "../casetable.h"
#include "../simbench.h"
#include "../transferuser.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "gridcontrol.h"
#include "twips.h"
#include "usercontrol1.h"
#include "windowfixture.h"

using tqimage::EEPROMBuf;

namespace {

struct ColumnCase
{
    const char *name;
    const char *grid;
    int col;
    int headerId;
    int width;
    const char *box; // "": none
    int maxLength;
};

const ColumnCase columnCases[] = {
    {"fg1 0", "fg1", 0, 2306, 700, "", 10},
    {"fg1 1", "fg1", 1, 2307, 1200, "txt_gd", 1},
    {"fg1 2", "fg1", 2, 2308, 1000, "txtcheckbox", 1},
    {"fg1 3", "fg1", 3, 2309, 1000, "txt_gd", 1},
    {"fg1 4", "fg1", 4, 2310, 1000, "txtcheckbox", 1},
    {"fg2 0", "fg2", 0, 2306, 700, "", 10},
    {"fg2 1", "fg2", 1, 2311, 1200, "Text1", 1},
    {"fg2 2", "fg2", 2, 2308, 1000, "txtCheck2", 1},
};

struct CaptionCase
{
    const char *name; // the control
    int id;           // its text, 0: none
    const char *after;
    const char *previous; // in the settings row ("" the first), or none
    int gap;
};

const CaptionCase captionCases[] = {
    {"frmTQ540_2", 2000, "[TQ540-2]", nullptr, 0},
    {"lbVersion", 1600, " 1.0.20", nullptr, 0},
    {"Label1_0", 2304, "", nullptr, 0},
    {"Label1_2", 2305, "", nullptr, 0},
    {"Label1_1", 2300, "", "", 30},
    {"cbBaud", 0, "", "Label1_1", 30},
    {"Label1_3", 2301, "", "cbBaud", 120},
    {"txtTimeout", 0, "", "Label1_3", 30},
    {"Label1_4", 2302, "", "txtTimeout", 60},
    {"ckAlarmSystem", 2303, "", "Label1_4", 180},
};

struct TabCase
{
    const char *name;
    int inputCol;
    int outputsTopRow;
    const char *from;
    bool back;
    const char *to;
};

const TabCase tabCases[] = {
    {"alarm to inputs", 1, 1, "ckAlarmSystem", false, "txt_gd"},
    {"alarm to a check cell", 2, 1, "ckAlarmSystem", false, "txtcheckbox"},
    {"inputs to outputs", 1, 1, "txt_gd", false, "Text1"},
    {"outputs back to inputs", 2, 1, "Text1", true, "txtcheckbox"},
    {"inputs back to alarm", 1, 1, "txt_gd", true, "ckAlarmSystem"},
    {"to outputs scrolled out", 1, 20, "txt_gd", false, "fg2"},
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { f.show(); }
    void cleanup() { f.window.reset(); }

    // Both grids have 24 data rows. fg1's rows are as high as its text box;
    // fg2's only follow the editor's rule, 15 twips lower. The row numbers
    // cannot be edited (their limit of 10 has no box to act on); the data
    // columns take one character.
    void columns_data() { addCaseRows(columnCases); }

    void columns()
    {
        const ColumnCase &c = currentCase(columnCases);
        auto *g = f.child<GridControl>(c.grid);
        QVERIFY(!gResDll.GetStr(c.headerId).isEmpty());
        QCOMPARE(g->TextMatrix(0, c.col), gResDll.GetStr(c.headerId));
        QCOMPARE(g->ColWidth(c.col), c.width);
        QCOMPARE(g->ColAlignment(c.col), 4); // centred both ways
        const bool inputs = g->objectName() == "fg1";
        const QWidget *textBox = f.child(inputs ? "txt_gd" : "Text1");
        QCOMPARE(g->RowHeight(24),
                 qRound(twips::fromPixels(textBox->height())) - (inputs ? 0 : 15));
        g->setCol(c.col);
        if (!*c.box) {
            QCOMPARE(g->Col(), 1); // back to the cell being edited
            return;
        }
        auto *box = f.child<QLineEdit>(c.box);
        QVERIFY(box->isVisible());
        QTest::keyClicks(box, QString(11, u'x'));
        QCOMPARE(box->text(), QString(c.maxLength, u'x'));
    }

    // Captions are texts of the language library; the settings row runs left
    // to right, each control its gap (twips) after the one before, each
    // caption as wide as its text.
    void captions_data() { addCaseRows(captionCases); }

    void captions()
    {
        const CaptionCase &c = currentCase(captionCases);
        const QWidget *control = f.child(c.name);
        if (c.id) {
            QVERIFY(!gResDll.GetStr(c.id).isEmpty());
            const QString shown = control == f.window.get() ? control->windowTitle()
                                                            : control->property("text").toString();
            QCOMPARE(shown, gResDll.GetStr(c.id) + c.after);
        }
        if (!c.previous)
            return;
        const int start = *c.previous ? f.child(c.previous)->geometry().right() + 1 : 0;
        QCOMPARE(control->x(), start + twips::toPixels(c.gap));
        QCOMPARE(control->y(), twips::toPixels(885));
        if (c.id)
            QCOMPARE(control->width(), control->sizeHint().width());
    }

    // Clear empties the data cells, the box shows its emptied cell, and the
    // settings get their defaults; the row numbers and the image stay.
    void clear()
    {
        auto *baud = f.child<QComboBox>("cbBaud");
        auto *dwell = f.child<QLineEdit>("txtTimeout");
        auto *alarm = f.child<QCheckBox>("ckAlarmSystem");
        QCOMPARE(baud->currentIndex(), -1);
        QTest::keyClicks(f.child("txt_gd"), "1");
        QTest::keyClick(f.child("txt_gd"), Qt::Key_Right);
        QTest::keyClicks(f.child("txtcheckbox"), "x");
        f.child<GridControl>("fg2")->setTextMatrix(24, 2, "x");
        alarm->setChecked(true);
        dwell->setText("12");
        EEPROMBuf[40] = 0xE5;

        f.click("cmdClear");

        QCOMPARE(f.window->windowTitle(), frmTQ540_2::titleWithoutFile);
        for (const char *grid : {"fg1", "fg2"}) {
            auto *g = f.child<GridControl>(grid);
            for (int row = 1; row <= 24; ++row) {
                QCOMPARE(g->TextMatrix(row, 0), QString::number(row));
                for (int col = 1; col < g->Cols(); ++col)
                    QCOMPARE(g->TextMatrix(row, col), QString());
            }
        }
        QCOMPARE(f.child<QLineEdit>("txtcheckbox")->text(), QString());
        QCOMPARE(baud->currentText(), QStringLiteral("9600"));
        QCOMPARE(dwell->text(), QStringLiteral("30"));
        QVERIFY(!alarm->isChecked());
        QCOMPARE(EEPROMBuf[40], 0xE5);
    }

    // Anything typed or composed into a check-mark cell but a blank is "x";
    // Backspace is left to the box.
    void checkCells_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("composed");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("ticked");
        for (const char *box : {"txtcheckbox", "txtCheck2"}) {
            QTest::addRow("%s X", box) << box << false << "X" << true;
            QTest::addRow("%s digit", box) << box << false << "3" << true;
            QTest::addRow("%s blank", box) << box << false << " " << false;
            QTest::addRow("%s backspace", box) << box << false << "x\b" << false;
            QTest::addRow("%s composed", box) << box << true << "é" << true;
            QTest::addRow("%s composed two", box) << box << true << "ab" << true;
            QTest::addRow("%s composed blank", box) << box << true << " " << false;
        }
    }

    void checkCells()
    {
        QFETCH(QString, box);
        QFETCH(bool, composed);
        QFETCH(QString, input);
        QFETCH(bool, ticked);
        const QString cell = ticked ? QStringLiteral("x") : QString();
        const bool inputs = box == "txtcheckbox";
        QTest::keyClick(f.child(inputs ? "txt_gd" : "Text1"), Qt::Key_Right);
        auto *check = f.child<QLineEdit>(qPrintable(box));
        if (composed) {
            QInputMethodEvent composing(QStringLiteral("\u00b4"), {}); // a dead key, pending
            QApplication::sendEvent(check, &composing);
            QInputMethodEvent done;
            done.setCommitString(input);
            QApplication::sendEvent(check, &done);
        } else {
            QTest::keyClicks(check, input);
        }
        QCOMPARE(check->text().trimmed(), cell);
        QTest::keyClick(check, Qt::Key_Escape);
        QCOMPARE(f.child<GridControl>(inputs ? "fg1" : "fg2")->TextMatrix(1, 2), cell);
    }

    // On the outer size in twips: fg2 ends 105 short of the right edge, both
    // grids 420 above the status bar; a height that would be negative is not
    // taken. fg1's width and the grids' places stay.
    void gridsFollowWindowSize()
    {
        auto *fg1 = f.child<GridControl>("fg1");
        auto *fg2 = f.child<GridControl>("fg2");
        const QRect inputs = fg1->geometry();
        const QPoint outputs = fg2->pos();
        for (const QSize size : {QSize(12000, 8000), QSize(10000, 1500)}) {
            const int heightBefore = fg1->height();
            f.window->resize(twips::toPixels(size.width()), twips::toPixels(size.height()));
            QTRY_COMPARE(f.window->height(), twips::toPixels(size.height()));
            const QSizeF outer = QSizeF(f.window->frameGeometry().size()) * 15;
            QCOMPARE(fg2->width(), twips::toPixels(outer.width() - 105 - 5460));
            const double height = outer.height() - 1425 - 240 - 420;
            QCOMPARE(fg1->height(), height < 0 ? heightBefore : twips::toPixels(height));
            QCOMPARE(fg2->height(), fg1->height());
            QCOMPARE(fg1->geometry().topLeft(), inputs.topLeft());
            QCOMPARE(fg1->width(), inputs.width());
            QCOMPARE(fg2->pos(), outputs);
            QCOMPARE(f.child("mSBar1")->geometry().bottom(), f.window->height() - 1);
        }
    }

    // F1 anywhere in the window, over an open list too (which closes), and
    // the Help button open the manual; a message names it when nothing could.
    void help_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("viewer");
        for (const char *name : {"txt_gd", "txtcheckbox", "Text1", "txtCheck2", "cbBaud",
                                 "txtTimeout", "ckAlarmSystem", "fg1", "frmTQ540_2", "cmdOpen",
                                 "open cbBaud", "open cbComm", "cmdHelp"})
            QTest::newRow(name) << name << true;
        QTest::newRow("no viewer") << "txt_gd" << false;
    }

    void help()
    {
        QFETCH(QString, control);
        QFETCH(bool, viewer);
        f.viewerTakes = viewer;
        const bool open = control.startsWith("open ");
        auto *list = open ? f.child<QComboBox>(qPrintable(control.mid(5))) : nullptr;
        if (open)
            list->showPopup();
        if (control == "cmdHelp")
            f.click("cmdHelp");
        else
            QTest::keyClick(open ? QApplication::focusWidget() : f.child(qPrintable(control)),
                            Qt::Key_F1);
        const QString path = QCoreApplication::applicationDirPath() + "/dc-tq540-2.pdf";
        QCOMPARE(f.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        QCOMPARE(f.messages.size(), viewer ? 0 : 1);
        if (!viewer)
            QVERIFY(f.messages[0].contains(QDir::toNativeSeparators(path)));
        if (open)
            QVERIFY(!list->view()->isVisible());
    }

    // Tab runs through the settings row and the grids' shown edit boxes,
    // never resting on a grid unless its current row is scrolled out of view.
    void tabChain_data() { addCaseRows(tabCases); }

    void tabChain()
    {
        const TabCase &c = currentCase(tabCases);
        f.child<GridControl>("fg1")->setCol(c.inputCol);
        f.child<GridControl>("fg2")->setTopRow(c.outputsTopRow);
        QWidget *start = f.child(c.from);
        start->setFocus();
        QTest::keyClick(start, c.back ? Qt::Key_Backtab : Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.child(c.to));
    }

    // At its first size the window shows the longest values of the device
    // labels whole, each clear of the caption after it.
    void deviceLabelsShowLongestValues()
    {
        SimBench line({.serialNo = 2147483647, .deviceId = 255, .baud = 38400});
        TransferUser user;
        f.child<QLineEdit>("txtSN")->setText(QStringLiteral("255"));
        f.click("cmdTest");
        QCOMPARE(user.outcomes, QStringList{gResDll.GetStr(1400)});
        QWidget *toolbar = f.child("mTBar"); // the window has labels of these names too
        const char *const labels[][3] = {{"lbSpeed", "38400", "Label1_0"},
                                         {"lbSN", "2147483647", "Label1_1"},
                                         {"lbID", "255", ""}};
        for (const auto &[name, shown, next] : labels) {
            const auto *value = f.child<QLabel>(name, toolbar);
            QCOMPARE(value->text(), QString::fromLatin1(shown));
            QVERIFY(value->width() >= value->sizeHint().width());
            QVERIFY(value->mapTo(f.window.get(), QPoint(value->width(), 0)).x() <=
                    f.window->width());
            if (*next)
                QVERIFY(value->geometry().right() < f.child(next, toolbar)->x());
        }
    }

    // However small it is made, every toolbar button stays in view.
    void smallestSizeKeepsButtons()
    {
        f.window->resize(1, 1);
        QTRY_COMPARE(f.window->size(), f.window->minimumSize());
        for (const char *name : {"cmdOpen", "cmdSave", "cmdSaveAs", "cmdClear", "cmdTest",
                                 "cmdDownload", "cmdUpload", "cmdExit", "cmdHelp"}) {
            const auto *button = f.child<QPushButton>(name);
            const QRect inWindow(button->mapTo(f.window.get(), QPoint()), button->size());
            QVERIFY2(f.window->rect().contains(inWindow), name);
        }
        QVERIFY(f.child("mSBar1")->y() >= f.child("mTBar")->geometry().bottom());
    }

    // Exit closes the window, which comes back at its size and place.
    void exitRemembersSizeAndPlace()
    {
        const QRect chosen(40, 50, f.window->width() + 80, f.window->height() + 60);
        f.window->setGeometry(chosen);
        QTRY_COMPARE(f.window->geometry(), chosen);
        f.click("cmdExit");
        QVERIFY(!f.window->isVisible());
        f.show(true);
        QCOMPARE(f.window->geometry(), chosen);
    }

    // One pass with the toolbar and the simulated device: download decodes
    // into the window, upload encodes an edit still in its box, save writes
    // the window's image, clear and open bring it back.
    void downloadUploadSaveOpen()
    {
        SimBench line;
        TransferUser user;
        std::vector<std::uint8_t> &eeprom = line.device->eeprom();
        eeprom[32] = 1;     // 2400 baud
        eeprom[33] = 1;     // alarm system
        eeprom[34] = 99;    // minutes
        eeprom[35] = 0x11;  // not a field of the configuration
        eeprom[39] = 0xE5;  // input 1: type 1, alarm, latch, group 5
        eeprom[62] = 0x47;  // input 24: latch, group 7
        eeprom[79] = 0x81;  // output 1: on, alarm
        eeprom[102] = 0x01; // output 24: on

        f.click("cmdDownload");
        QCOMPARE(line.addressRange(m::CMD_READ_BLOCK), std::pair(32, 119));
        QCOMPARE(cells("fg1", 1), QStringList({"1", "x", "5", "x"}));
        QCOMPARE(cells("fg1", 24), QStringList({"0", "", "7", "x"}));
        QCOMPARE(cells("fg2", 1), QStringList({"1", "x"}));
        QCOMPARE(cells("fg2", 24), QStringList({"1", ""}));
        QCOMPARE(f.child<QLineEdit>("txtTimeout")->text(), QStringLiteral("99"));
        QCOMPARE(f.child<QLineEdit>("Text1")->text(), QStringLiteral("1")); // shows its cell

        QTest::keyClicks(f.child("Text1"), "0"); // output 1 off, left in the box
        f.click("cmdUpload");
        QCOMPARE(line.addressRange(m::CMD_WRITE_BLOCK), std::pair(32, 119));
        QCOMPARE(user.outcomes, QStringList({gResDll.GetStr(1413), gResDll.GetStr(1414)}));
        QCOMPARE(eeprom[79], 0x80);
        QCOMPARE(eeprom[35], 0x11); // went back as it came

        mAnswers << mFiles.filePath("saved.ztb");
        f.click("cmdSave");             // no file yet: asks for a name
        QByteArray expected(103, '\0'); // up to output 24, the last byte not zero
        for (const auto &[at, byte] :
             {std::pair{32, 1}, {33, 1}, {34, 99}, {39, 0xE5}, {62, 0x47}, {79, 0x80}, {102, 1}})
            expected[at] = char(byte);
        QFile saved(mFiles.filePath("saved.ztb"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), expected);
        QCOMPARE(f.child<UserControl1>("mTBar")->MinEEPROMSIZE(), 1024);

        f.click("cmdClear");
        QCOMPARE(cells("fg2", 1), QStringList({"", ""}));
        mAnswers << mFiles.filePath("saved.ztb");
        f.click("cmdOpen");
        QCOMPARE(cells("fg1", 24), QStringList({"0", "", "7", "x"}));
        QCOMPARE(cells("fg2", 1), QStringList({"0", "x"}));
        QVERIFY2(f.messages.isEmpty(), qPrintable(f.messages.join('\n')));
    }

private:
    // The data cells of a row of fg1 or fg2.
    QStringList cells(const char *grid, int row) const
    {
        const auto *g = f.child<GridControl>(grid);
        QStringList texts;
        for (int col = 1; col < g->Cols(); ++col)
            texts << g->TextMatrix(row, col);
        return texts;
    }

    WindowFixture f;
    QTemporaryDir mFiles;
    QStringList mAnswers;
    filedialogs::ScopedPresenter mDialogs{[this](QFileDialog &, filedialogs::Mode) {
        return mAnswers.isEmpty() ? QString() : mAnswers.takeFirst();
    }};
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
