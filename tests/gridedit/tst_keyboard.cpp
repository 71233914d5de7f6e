// The grid editor on real widgets: keys pressed in the edit controls and
// forwarded by KeyForwarder, clicks on the grid, its scroll bar.
#include "cgridedit.h"
#include "gridcontrol.h"
#include "testsuites.h"
#include "twips.h"
#include "virtualkeys.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

namespace {

// Installed before the forwarder, so it sees only the keys let through.
class KeyProbe : public QObject
{
public:
    QList<int> keys;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

// An input grid: row numbers in column 0, a text box shared by columns 1 and 3,
// a combo box in column 2, a check box in column 4. The grid sits at 120/600.
struct EditorWindow
{
    QWidget window;
    GridControl *grid = new GridControl(&window);
    QLineEdit *text = new QLineEdit(&window);
    QComboBox *combo = new QComboBox(&window);
    QCheckBox *check = new QCheckBox(&window);
    cGridEdit editor;
    KeyForwarder keys{editor};
    KeyProbe probe;

    explicit EditorWindow(int rows = 25)
    {
        grid->setGeometry(8, 40, 420, 300);
        grid->setRows(rows);
        grid->setCols(5);
        for (int row = 1; row < rows; ++row)
            grid->setTextMatrix(row, 0, QString::number(row));
        combo->addItems({"1200", "2400", "4800", "9600", "19200"});
        for (QWidget *control : {static_cast<QWidget *>(text), static_cast<QWidget *>(combo),
                                 static_cast<QWidget *>(check)}) {
            control->resize(control->sizeHint());
            control->hide();
            control->installEventFilter(&probe);
            keys.watch(*control);
        }
        editor.setMGrid(grid);
        editor.EditBox_Ini(0, nullptr, 10, "No.", 700, 4);
        editor.EditBox_Ini(1, text, 10, "A", 1200, 4);
        editor.EditBox_Ini(2, combo, 1, "B", 1000, 4);
        editor.EditBox_Ini(3, text, 1, "C", 1000, 4);
        editor.EditBox_Ini(4, check, 1, "D", 1000, 4);
        window.resize(600, 420);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int refresh = vk::None;
        editor.KeyPress(refresh, 0);
    }

    // Presses a key in a control; true when the key reached the control.
    bool press(QWidget *control, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        probe.keys.clear();
        QTest::keyClick(control, key, modifiers);
        return probe.keys.contains(key);
    }

    QString cell(int row, int col) const { return grid->TextMatrix(row, col); }
    int cellTopPixels(int row) const
    {
        int top = 600 + GridControl::frameTwips + grid->RowHeight(0);
        for (int r = grid->TopRow(); r < row; ++r)
            top += grid->RowHeight(r);
        return twips::toPixels(top);
    }
};

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void startPlacesTextBoxOnFirstCell()
    {
        EditorWindow w;
        QCOMPARE(w.cell(0, 1), QStringLiteral("A"));
        QVERIFY(w.text->isVisible());
        QCOMPARE(w.text->pos(), QPoint(twips::toPixels(120 + 30 + 700), w.cellTopPixels(1)));
        QCOMPARE(w.text->width(), twips::toPixels(1200));
        QCOMPARE(QApplication::focusWidget(), w.text);
        // A row is the text box's height less 15 twips.
        QCOMPARE(w.grid->RowHeight(5), int(twips::fromPixels(w.text->height())) - 15);
    }

    void enterCommitsAndMovesDown()
    {
        EditorWindow w;
        w.grid->setTextMatrix(2, 1, "7");
        QTest::keyClicks(w.text, "42");
        QVERIFY(!w.press(w.text, Qt::Key_Return));
        QCOMPARE(w.cell(1, 1), QStringLiteral("42"));
        QCOMPARE(w.grid->Row(), 2);
        QCOMPARE(w.text->text(), QStringLiteral("7"));
        QCOMPARE(w.text->selectedText(), QStringLiteral("7"));
        QCOMPARE(w.text->y(), w.cellTopPixels(2));
    }

    void caretInsideTextKeepsArrows()
    {
        EditorWindow w;
        QTest::keyClicks(w.text, "12");
        QVERIFY(w.press(w.text, Qt::Key_Left));
        QCOMPARE(w.text->cursorPosition(), 1);
        QVERIFY(w.press(w.text, Qt::Key_Right));
        QCOMPARE(w.grid->Col(), 1);
        QVERIFY(!w.press(w.text, Qt::Key_Right)); // caret at the end
        QCOMPARE(w.grid->Col(), 2);
        QCOMPARE(w.cell(1, 1), QStringLiteral("12"));
        QVERIFY(!w.press(w.combo, Qt::Key_Left));
        QCOMPARE(w.grid->Col(), 1);
        QCOMPARE(w.text->selectedText(), QStringLiteral("12"));
        QVERIFY(!w.press(w.text, Qt::Key_Right)); // whole text selected
        QCOMPARE(w.grid->Col(), 2);
        QVERIFY(!w.press(w.combo, Qt::Key_Left));
        QVERIFY(w.press(w.text, Qt::Key_Left)); // first editable column: stays
        QCOMPARE(w.grid->Col(), 1);
    }

    void openListKeepsVerticalKeys()
    {
        EditorWindow w;
        w.grid->setCol(2);
        QCOMPARE(QApplication::focusWidget(), w.combo);
        w.combo->showPopup();
        QVERIFY(w.combo->view()->isVisible());
        QVERIFY(w.press(w.combo, Qt::Key_Down));
        QVERIFY(w.press(w.combo, Qt::Key_Return));
        QVERIFY(w.press(w.combo, Qt::Key_PageDown));
        QCOMPARE(w.grid->Row(), 1);
        w.combo->showPopup();
        QVERIFY(!w.press(w.combo, Qt::Key_Right));
        QCOMPARE(w.grid->Col(), 3);
        w.combo->hidePopup();
    }

    void lastRow()
    {
        EditorWindow w;
        QVERIFY(!w.press(w.text, Qt::Key_End, Qt::ControlModifier));
        QTest::keyClicks(w.text, "3");
        QVERIFY(w.press(w.text, Qt::Key_Down)); // text box: the key is left alone
        QVERIFY(!w.press(w.text, Qt::Key_Return));
        QCOMPARE(w.grid->Row(), 24);
        QCOMPARE(w.cell(24, 1), QStringLiteral("3"));
        QCOMPARE(w.text->selectedText(), QStringLiteral("3"));
        w.grid->setCol(2);
        w.combo->setCurrentIndex(2);
        QVERIFY(!w.press(w.combo, Qt::Key_Down)); // combo box: commits in place
        QCOMPARE(w.grid->Row(), 24);
        QCOMPARE(w.cell(24, 2), QStringLiteral("4800"));
    }

    void escapeKeepsTypedText()
    {
        EditorWindow w;
        QTest::keyClicks(w.text, "9");
        QVERIFY(!w.press(w.text, Qt::Key_Escape));
        QCOMPARE(w.cell(1, 1), QStringLiteral("9"));
        QCOMPARE(w.text->text(), QStringLiteral("9"));
        QCOMPARE(w.text->selectedText(), QStringLiteral("9"));
        QCOMPARE(w.grid->Row(), 1);
    }

    void ctrlHomeAndCtrlEnd()
    {
        EditorWindow w;
        w.grid->setCol(3);
        QVERIFY(!w.press(w.text, Qt::Key_End, Qt::ControlModifier));
        QCOMPARE(w.grid->Row(), 24);
        QCOMPARE(w.grid->Col(), 3);
        QVERIFY(w.grid->TopRow() > 1);
        QVERIFY(w.grid->RowIsVisible(24));
        QCOMPARE(w.text->y(), w.cellTopPixels(24));
        QVERIFY(!w.press(w.text, Qt::Key_Home, Qt::ControlModifier));
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->Col(), 1);
        QCOMPARE(w.grid->TopRow(), 1);
        QCOMPARE(w.grid->LeftCol(), 1);
    }

    void pageDownKeepsPlaceOnScreen()
    {
        EditorWindow w;
        w.grid->setRow(3);
        QVERIFY(!w.press(w.text, Qt::Key_PageDown));
        QVERIFY(w.grid->TopRow() > 1);
        QCOMPARE(w.grid->Row(), w.grid->TopRow() + 2);
        QCOMPARE(w.text->y(), w.cellTopPixels(w.grid->Row()));
    }

    // Down scrolls one row once the new row's lower edge passes the grid's height.
    void downScrollsOneRow()
    {
        EditorWindow w;
        int row = 1;
        while (w.grid->TopRow() == 1 && row < 24) {
            QVERIFY(!w.press(w.text, Qt::Key_Down));
            ++row;
        }
        QCOMPARE(w.grid->Row(), row);
        QCOMPARE(w.grid->TopRow(), 2);
        int bottom = GridControl::frameTwips;
        for (int r = 0; r <= row; ++r)
            bottom += w.grid->RowHeight(r);
        QVERIFY(bottom > w.grid->Height());
        QVERIFY(bottom - w.grid->RowHeight(row) <= w.grid->Height());
    }

    void modifiers()
    {
        EditorWindow w;
        QVERIFY(w.press(w.text, Qt::Key_Right, Qt::ShiftModifier));
        QVERIFY(w.press(w.text, Qt::Key_Down, Qt::AltModifier));
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->Col(), 1);
        w.text->selectAll();
        QVERIFY(!w.press(w.text, Qt::Key_Right, Qt::ControlModifier));
        QCOMPARE(w.grid->Col(), 2);
        w.grid->setCol(3);
        QVERIFY(!w.press(w.text, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier));
        QCOMPARE(w.grid->Col(), 1); // Home, not Ctrl+Home: the row stays
        QCOMPARE(w.grid->Row(), 1);
        QVERIFY(w.press(w.text, Qt::Key_A));
        QVERIFY(w.press(w.text, Qt::Key_Tab));
    }

    void checkBoxColumn()
    {
        EditorWindow w;
        w.grid->setCol(4);
        QVERIFY(w.check->isVisible());
        const int cellLeft = 120 + 30 + 700 + 1200 + 1000 + 1000;
        const int room = 1000 - int(twips::fromPixels(w.check->width()));
        QCOMPARE(w.check->x(), twips::toPixels(cellLeft + room / 2));
        QVERIFY(w.press(w.check, Qt::Key_Space));
        QVERIFY(!w.press(w.check, Qt::Key_Return));
        QCOMPARE(w.cell(1, 4), QStringLiteral("x"));
        QCOMPARE(w.check->checkState(), Qt::Unchecked); // row 2 is clear
    }

    void clickOnAnotherCellCommitsAndMoves()
    {
        EditorWindow w;
        QTest::keyClicks(w.text, "5");
        const QPoint cell3x3(twips::toPixels(30 + 700 + 1200 + 1000 + 150),
                             twips::toPixels(30 + w.grid->RowHeight(0) * 3 + 150));
        QTest::mouseClick(w.grid, Qt::LeftButton, {}, cell3x3);
        QCOMPARE(w.cell(1, 1), QStringLiteral("5"));
        QCOMPARE(w.grid->Row(), 3);
        QCOMPARE(w.grid->Col(), 3);
        QVERIFY(w.text->isVisible());
        QCOMPARE(w.text->pos(),
                 QPoint(twips::toPixels(120 + 30 + 700 + 1200 + 1000), w.cellTopPixels(3)));
        QCOMPARE(QApplication::focusWidget(), w.text);
    }

    void scrollBarHidesOrMovesBox()
    {
        EditorWindow w;
        QScrollBar *bar = w.grid->findChild<QScrollBar *>();
        if (bar->orientation() != Qt::Vertical)
            bar = w.grid->findChildren<QScrollBar *>().at(1);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w.grid->TopRow(), 2);
        QVERIFY(w.text->isHidden());
        QVERIFY(w.grid->hasFocus());
        w.grid->setRow(5);
        QVERIFY(w.text->isVisible());
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(w.text->y(), w.cellTopPixels(5));
        QCOMPARE(w.grid->TopRow(), 1);
    }

    void ownerHoldsLock()
    {
        EditorWindow w;
        QTest::keyClicks(w.text, "8");
        const QPoint before = w.text->pos();
        w.editor.setUpdateLocked(true);
        QVERIFY(w.press(w.text, Qt::Key_Down));
        QVERIFY(w.press(w.text, Qt::Key_Escape));
        w.grid->setRow(4);
        QCOMPARE(w.text->pos(), before);
        QCOMPARE(w.cell(1, 1), QString());
        w.editor.setUpdateLocked(false);
        QVERIFY(!w.press(w.text, Qt::Key_Escape));
        QCOMPARE(w.cell(1, 1), QStringLiteral("8"));
        QCOMPARE(w.text->y(), w.cellTopPixels(4));
    }
};

int runKeyboardTests(int argc, char **argv)
{
    TestKeyboard tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_keyboard.moc"
