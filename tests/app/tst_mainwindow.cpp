// The configuration window on real widgets: its texts, the keyboard in both
// grids, what the codec makes of the typed values, clearing, resizing and help.
#include "ctrlsbar.h"
#include "eepromimage.h"
#include "frmtq540_2.h"
#include "gridcontrol.h"
#include "helpfile.h"
#include "resdll.h"
#include "twips.h"
#include "windowchildren.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using tqimage::EEPROMBuf;

namespace {

// Twips and pixels differ by rounding at the widget boundary.
constexpr double onePixel = twips::perInch / 96.0 + 1;

bool closeTo(double actual, double expected)
{
    return std::abs(actual - expected) <= onePixel;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mConfig.isValid());
        // The toolbar stores its COM port; keep that out of the user's settings.
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
    }

    void init()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        EEPROMBuf.fill(0);
        mOpened.clear();
        showWindow();
    }

    void cleanup() { mWindow.reset(); }

    void captionsAfterLoading()
    {
        QCOMPARE(mWindow->windowTitle(), QStringLiteral("Device Configure [TQ540-2]"));
        QCOMPARE(child<QLabel>("Label1_1")->text(), QStringLiteral("Baud rate:"));
        QCOMPARE(child<QLabel>("Label1_3")->text(), QStringLiteral("LED dwell time:"));
        QCOMPARE(child<QLabel>("Label1_4")->text(), QStringLiteral("minutes"));
        QCOMPARE(child<QCheckBox>("ckAlarmSystem")->text(), QStringLiteral("Small alarm system"));
        QCOMPARE(child<QLabel>("Label1_0")->text(), QStringLiteral("Input Properties"));
        QCOMPARE(child<QLabel>("Label1_2")->text(), QStringLiteral("Output Properties"));

        // Each column's header is its text of the language library.
        const QList<int> inputHeaders{2306, 2307, 2308, 2309, 2310};
        const QList<int> inputWidths{700, 1200, 1000, 1000, 1000};
        QCOMPARE(fg1()->Cols(), 5);
        for (int col = 0; col < 5; ++col) {
            QCOMPARE(fg1()->TextMatrix(0, col), gResDll.GetStr(inputHeaders[col]));
            QCOMPARE(fg1()->ColWidth(col), inputWidths[col]);
            QCOMPARE(fg1()->ColAlignment(col), int(GridControl::AlignCenterCenter));
        }
        QCOMPARE(fg1()->TextMatrix(0, 1), QStringLiteral("Type (0/1)"));
        const QList<int> outputHeaders{2306, 2311, 2308};
        const QList<int> outputWidths{700, 1200, 1000};
        QCOMPARE(fg2()->Cols(), 3);
        for (int col = 0; col < 3; ++col) {
            QCOMPARE(fg2()->TextMatrix(0, col), gResDll.GetStr(outputHeaders[col]));
            QCOMPARE(fg2()->ColWidth(col), outputWidths[col]);
        }
        for (GridControl *grid : {fg1(), fg2()}) {
            QCOMPARE(grid->Rows(), 25);
            for (int row = 1; row <= 24; ++row)
                QCOMPARE(grid->TextMatrix(row, 0), QString::number(row));
        }

        auto *baud = child<QComboBox>("cbBaud");
        QCOMPARE(baud->count(), 5);
        QCOMPARE(baud->itemText(0), QStringLiteral("1200"));
        QCOMPARE(baud->itemText(4), QStringLiteral("19200"));
        QCOMPARE(baud->currentIndex(), -1);
        QCOMPARE(box("txtTimeout")->text(), QString());

        auto *status = child<ctrlSBar>("mSBar1");
        QCOMPARE(status->Version(), QStringLiteral("Version 1.0.20"));
        QCOMPARE(status->CopyRight(), frmTQ540_2::copyRightNotice);
        // Each grid's edit box lies on its first data cell.
        QVERIFY(box("txt_gd")->isVisible());
        QVERIFY(box("Text1")->isVisible());
        QVERIFY(!box("txtcheckbox")->isVisible());
    }

    void captionsWithoutLanguageLibrary()
    {
        mWindow.reset();
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/no-such-library.dll"));
        QCOMPARE(gResDll.hInstance(), 0);
        showWindow();

        QCOMPARE(mWindow->windowTitle(), QStringLiteral("[TQ540-2]"));
        QCOMPARE(child<QLabel>("Label1_1")->text(), QString());
        QCOMPARE(fg1()->TextMatrix(0, 1), QString());
        QCOMPARE(fg1()->TextMatrix(24, 0), QStringLiteral("24"));
        QCOMPARE(fg2()->TextMatrix(1, 0), QStringLiteral("1"));
        QCOMPARE(child<ctrlSBar>("mSBar1")->Version(), QStringLiteral(" 1.0.20"));
    }

    void settingsRowRunsLeftToRight()
    {
        const char *chain[] = {"Label1_1",   "cbBaud",   "Label1_3",
                               "txtTimeout", "Label1_4", "ckAlarmSystem"};
        QVERIFY(closeTo(twips::fromPixels(child<QWidget>(chain[0])->x()), 30));
        for (std::size_t i = 1; i < std::size(chain); ++i) {
            const QWidget *before = child<QWidget>(chain[i - 1]);
            const QWidget *after = child<QWidget>(chain[i]);
            QVERIFY2(before->geometry().right() < after->x(), chain[i]);
            QVERIFY(closeTo(twips::fromPixels(after->y()), 885));
        }
        // A label is as wide as its text.
        const auto *label = child<QLabel>("Label1_3");
        QCOMPARE(label->width(), label->sizeHint().width());
        QVERIFY(child<QWidget>("ckAlarmSystem")->geometry().right() < mWindow->width());
    }

    void clearResetsControlsNotImage()
    {
        QTest::keyClicks(box("txt_gd"), "1");
        QTest::keyClick(box("txt_gd"), Qt::Key_Right);
        QTest::keyClicks(box("txtcheckbox"), "x");
        QTest::keyClick(box("txtcheckbox"), Qt::Key_Escape);
        fg2()->setTextMatrix(7, 2, "x");
        child<QCheckBox>("ckAlarmSystem")->setChecked(true);
        child<QComboBox>("cbBaud")->setCurrentIndex(0);
        box("txtTimeout")->setText("12");
        EEPROMBuf[40] = 0xE5;

        click("cmdClear");

        QCOMPARE(mWindow->windowTitle(), QStringLiteral("Device Config"));
        for (GridControl *grid : {fg1(), fg2()}) {
            for (int row = 1; row <= 24; ++row) {
                QCOMPARE(grid->TextMatrix(row, 0), QString::number(row));
                for (int col = 1; col < grid->Cols(); ++col)
                    QCOMPARE(grid->TextMatrix(row, col), QString());
            }
        }
        QCOMPARE(box("txtcheckbox")->text(), QString()); // the box shows its emptied cell
        QCOMPARE(child<QComboBox>("cbBaud")->currentText(), QStringLiteral("9600"));
        QCOMPARE(box("txtTimeout")->text(), QStringLiteral("30"));
        QVERIFY(!child<QCheckBox>("ckAlarmSystem")->isChecked());
        QCOMPARE(EEPROMBuf[40], 0xE5);
    }

    // Row 1 of the inputs typed left to right, row 2 right to left; the bytes are
    // worked out by hand from the record layout.
    void typedValuesEncode()
    {
        QLineEdit *text = box("txt_gd");
        QLineEdit *check = box("txtcheckbox");
        QTest::keyClicks(text, "1");
        QTest::keyClick(text, Qt::Key_Right);
        QTest::keyClicks(check, "x");
        QTest::keyClick(check, Qt::Key_Right);
        QTest::keyClicks(text, "5");
        QTest::keyClick(text, Qt::Key_Right);
        QTest::keyClicks(check, "X");
        QTest::keyClick(check, Qt::Key_Return); // commits and moves to row 2, column 4
        QCOMPARE(fg1()->Row(), 2);
        QCOMPARE(fg1()->Col(), 4);

        QTest::keyClicks(check, "x");
        QTest::keyClick(check, Qt::Key_Left); // caret to the start of the text
        QTest::keyClick(check, Qt::Key_Left);
        QTest::keyClicks(text, "9"); // wraps to group 1
        QTest::keyClick(text, Qt::Key_Left);
        QTest::keyClick(text, Qt::Key_Left);
        QCOMPARE(fg1()->Col(), 2);
        QTest::keyClick(check, Qt::Key_Down); // row 3, column 2, left empty
        QTest::keyClick(check, Qt::Key_Up);
        QTest::keyClick(check, Qt::Key_Up);
        QCOMPARE(fg1()->Row(), 1);
        QCOMPARE(check->text(), QStringLiteral("x"));
        QTest::keyClicks(check, " "); // not set any more
        QTest::keyClick(check, Qt::Key_Escape);

        QLineEdit *outText = box("Text1");
        QLineEdit *outCheck = box("txtCheck2");
        QTest::keyClicks(outText, "1");
        QTest::keyClick(outText, Qt::Key_Right);
        QTest::keyClicks(outCheck, "7");
        QTest::keyClick(outCheck, Qt::Key_Return);
        QTest::keyClick(outCheck, Qt::Key_Left);
        QTest::keyClicks(outText, "4"); // even: the bit is clear
        QTest::keyClick(outText, Qt::Key_Escape);

        child<QComboBox>("cbBaud")->setCurrentIndex(2);
        QTest::keyClicks(box("txtTimeout"), "3.5");
        child<QCheckBox>("ckAlarmSystem")->setChecked(true);
        EEPROMBuf[34] = 0xFE;
        EEPROMBuf[64] = 0x77;

        mWindow->EEPROM_ENCODE();

        QCOMPARE(fg1()->TextMatrix(1, 2), QString()); // the space was trimmed
        QCOMPARE(EEPROMBuf[40], 0x65);                // type, latch, group 5
        QCOMPARE(EEPROMBuf[41], 0x41);                // latch, group 1
        QCOMPARE(EEPROMBuf[42], 0x00);
        QCOMPARE(EEPROMBuf[80], 0x81);
        QCOMPARE(EEPROMBuf[81], 0x00);
        QCOMPARE(EEPROMBuf[33], 2);
        QCOMPARE(EEPROMBuf[34], 0x01);
        QCOMPARE(EEPROMBuf[35], 4);
        QCOMPARE(EEPROMBuf[64], 0x77);
    }

    void checkCellFilter_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("byte");
        for (const char *name : {"txtcheckbox", "txtCheck2"}) {
            const int set = 0x80; // column 2 is the alarm bit in both grids
            QTest::addRow("%s x", name) << name << "x"
                                        << "x" << set;
            QTest::addRow("%s X", name) << name << "X"
                                        << "x" << set;
            QTest::addRow("%s digit", name) << name << "3"
                                            << "x" << set;
            QTest::addRow("%s letter", name) << name << "q"
                                             << "x" << set;
            QTest::addRow("%s punctuation", name) << name << "-"
                                                  << "x" << set;
            QTest::addRow("%s space", name) << name << " "
                                            << "" << 0;
        }
    }

    void checkCellFilter()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, typed);
        QFETCH(QString, cell);
        QFETCH(int, byte);
        const bool inputs = boxName == "txtcheckbox";
        QLineEdit *text = box(inputs ? "txt_gd" : "Text1");
        QLineEdit *check = box(qPrintable(boxName));
        QTest::keyClick(text, Qt::Key_Right);
        QVERIFY(check->isVisible());

        QTest::keyClicks(check, typed);
        QCOMPARE(check->text(), typed == " " ? typed : QStringLiteral("x"));
        QTest::keyClick(check, Qt::Key_Escape);
        GridControl *grid = inputs ? fg1() : fg2();
        QCOMPARE(grid->TextMatrix(1, 2), cell);
        mWindow->EEPROM_ENCODE();
        QCOMPARE(int(EEPROMBuf[inputs ? 40 : 80]), byte);

        // Backspace is left to the box.
        QTest::keyClicks(check, "x");
        QTest::keyClick(check, Qt::Key_Backspace);
        QCOMPARE(check->text(), QString());
    }

    void gridsFollowWindowSize()
    {
        const QRect inputsBefore = fg1()->geometry();
        mWindow->resize(twips::toPixels(12000), twips::toPixels(8000));
        QTRY_COMPARE(mWindow->width(), twips::toPixels(12000));

        // The rules work on the outer size, frame included.
        const double width = twips::fromPixels(mWindow->frameGeometry().width());
        const double height = twips::fromPixels(mWindow->frameGeometry().height());
        QVERIFY(closeTo(fg2()->Width(), width - 105 - 5460));
        QVERIFY(closeTo(fg1()->Height(), height - 1425 - 240 - 420));
        QCOMPARE(fg2()->Height(), fg1()->Height());
        QCOMPARE(fg1()->geometry().topLeft(), inputsBefore.topLeft());
        QCOMPARE(fg1()->width(), inputsBefore.width());
        QVERIFY(closeTo(fg2()->Left(), 5460));
        const QWidget *status = child<QWidget>("mSBar1");
        QCOMPARE(status->geometry().bottom(), mWindow->height() - 1);
        QVERIFY(closeTo(twips::fromPixels(status->height()), 240));
    }

    void shrinkingKeepsLastValidHeight()
    {
        mWindow->resize(twips::toPixels(10000), twips::toPixels(5000));
        QTRY_COMPARE(mWindow->height(), twips::toPixels(5000));
        const int height = fg1()->height();
        QVERIFY(closeTo(fg1()->Height(),
                        twips::fromPixels(mWindow->frameGeometry().height()) - 1425 - 240 - 420));

        // 1500 twips high: the rule would give a negative height.
        mWindow->resize(twips::toPixels(10000), twips::toPixels(1500));
        QTRY_COMPARE(mWindow->height(), twips::toPixels(1500));
        QCOMPARE(fg1()->height(), height);
        QCOMPARE(fg2()->height(), height);
        // The window cannot become narrower than its toolbar's buttons, so
        // fg2's width never comes out negative.
    }

    void helpFromKeysAndButton_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *name : {"txt_gd", "txtcheckbox", "Text1", "txtCheck2", "cbBaud",
                                 "txtTimeout", "ckAlarmSystem", "fg1", "frmTQ540_2", "cmdOpen"})
            QTest::newRow(name) << name;
    }

    void helpFromKeysAndButton()
    {
        QFETCH(QString, control);
        const QUrl manual =
            QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/dc-tq540-2.pdf");
        QWidget *target =
            control == "frmTQ540_2" ? mWindow.get() : child<QWidget>(qPrintable(control));

        QTest::keyClick(target, Qt::Key_F1);
        QCOMPARE(mOpened, QList<QUrl>{manual});

        click("cmdHelp");
        QCOMPARE(mOpened, (QList<QUrl>{manual, manual}));
    }

    void exitClosesWindow()
    {
        click("cmdExit");
        QVERIFY(!mWindow->isVisible());
    }

private:
    template <typename T> T *child(const char *name) const { return childOf<T>(*mWindow, name); }

    GridControl *fg1() const { return child<GridControl>("fg1"); }
    GridControl *fg2() const { return child<GridControl>("fg2"); }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    void click(const char *button) const { clickButton(*mWindow, button); }

    void showWindow()
    {
        mWindow = std::make_unique<frmTQ540_2>();
        mWindow->show();
        mWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mWindow.get()));
    }

    QTemporaryDir mConfig;
    std::unique_ptr<frmTQ540_2> mWindow;
    QList<QUrl> mOpened;
    helpfile::ScopedOpener mOpener{[this](const QUrl &url) {
        mOpened << url;
        return true;
    }};
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
