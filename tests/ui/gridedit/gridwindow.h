#pragma once

// A grid small enough to scroll both ways, and the grid editor on it with the
// key forwarder and the edit-box keeper the main window uses.
//
// 16 rows (a header, data rows 1-15) and 6 columns: the fixed row numbers, 600
// twips wide, then data columns of 1200 twips (80 px): 1 combo box, 2 text box,
// 3 check box, 4 text box, 5 combo box (one text box and one combo box serve
// two columns each). The text and combo boxes are 20 px (300 twips) high, so
// every row is 285 twips (19 px); the check box is 20 x 10 px. At 96 dpi (15
// twips a pixel) the grid is 340 x 143 px at (10, 10) and its cells start 2 px
// in. Whatever the style's scroll bar extent from 12 to 20 px, the cells end
// 1815 to 1935 twips down and 4770 to 4890 across: rows 1-5 and data columns
// 1-3 show whole, row 6 and column 4 in part. So TopRow runs 1-11, LeftCol
// 1-3, and a page is 5 rows. Down scrolls onto a row whose lower edge passes
// the grid's own height (2145 twips), row TopRow + 6; Right onto a column whose
// right edge passes its width (5100 twips), column LeftCol + 3.

#include "cgridedit.h"
#include "editboxkeeper.h"
#include "gridcontrol.h"
#include "griderrors.h"
#include "virtualkeys.h"

#include <QtTest>
#include <QtWidgets>

// The real grid, whose scrolling can be made to fail.
class FailingGrid : public GridControl
{
public:
    using GridControl::GridControl;

    void setTopRow(int row) override
    {
        if (fail)
            throw GridRangeError("scrolling refused");
        GridControl::setTopRow(row);
    }

    bool fail = false;
};

// Installed before the key forwarder, so it sees only the keys let through.
class KeyProbe : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }

    QList<int> keys;
};

// Row, Col, TopRow, LeftCol.
using Place = QList<int>;

struct GridWindow
{
    QWidget window;
    QLineEdit *other = new QLineEdit(&window); // where a hidden box would pass the focus on
    FailingGrid *grid = new FailingGrid(&window);
    QComboBox *combo = new QComboBox(&window);
    QLineEdit *text = new QLineEdit(&window);
    QCheckBox *check = new QCheckBox(&window);
    cGridEdit editor;
    KeyProbe probe;
    KeyForwarder keys{editor};
    EditBoxKeeper keeper{*grid};

    GridWindow()
    {
        other->setGeometry(10, 170, 100, 20);
        grid->setGeometry(10, 10, 340, 143);
        grid->setRows(16);
        grid->setCols(6);
        for (int row = 1; row < 16; ++row) {
            grid->setTextMatrix(row, 2, cellText(row, 2));
            grid->setTextMatrix(row, 4, cellText(row, 4));
        }
        combo->addItems({"1200", "2400", "4800", "9600", "19200"});
        combo->setFixedHeight(20);
        text->setFixedHeight(20);
        check->setFixedSize(20, 10);
        for (QWidget *box : std::initializer_list<QWidget *>{combo, text, check}) {
            box->hide();
            box->installEventFilter(&probe);
            keys.watch(*box);
            keeper.watch(*box);
        }
        editor.setMGrid(grid);
        editor.EditBox_Ini(0, nullptr, 10, "No.", 600, 4); // titles A to E
        for (int col = 1; col < 6; ++col)
            editor.EditBox_Ini(col, control(col), 2, QString(QChar('@' + col)), 1200, 4);
        window.resize(400, 200);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int refresh = vk::None;
        editor.KeyPress(refresh, 0);
    }

    // Two characters in every text-box cell.
    static QString cellText(int row, int col) { return QString::number(10 * col + row); }

    QWidget *control(int col) const
    {
        return col == 3 ? check : col % 2 ? static_cast<QWidget *>(combo) : text;
    }

    void place(const Place &at) const
    {
        grid->setTopRow(at[2]);
        grid->setLeftCol(at[3]);
        grid->setRow(at[0]);
        grid->setCol(at[1]);
    }
    Place where() const { return {grid->Row(), grid->Col(), grid->TopRow(), grid->LeftCol()}; }

    // Presses a key in the current column's control, with the modifiers of the
    // mask (1 Shift, 2 Ctrl, 4 Alt); true when the key reached the control.
    // Qt's Shift, Ctrl and Alt modifiers are the mask's bits, 25 places up.
    bool press(Qt::Key key, int mask = 0)
    {
        probe.keys.clear();
        QTest::keyClick(control(grid->Col()), key, Qt::KeyboardModifiers(mask << 25));
        return probe.keys.contains(key);
    }

    // A click on the grid, in its pixels.
    void click(QPoint at) const { QTest::mouseClick(grid, Qt::LeftButton, {}, at); }
    // One notch of the mouse wheel towards the user, over the text box.
    void wheel() const
    {
        QWheelEvent event({4, 4}, text->mapToGlobal(QPoint(4, 4)), {}, {0, -120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(text, &event);
    }
    void scrollBarDown() const
    {
        for (QScrollBar *bar : grid->findChildren<QScrollBar *>()) {
            if (bar->orientation() == Qt::Vertical)
                bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }
    }

    // Where a text or combo box on the current cell lies in the window.
    QPoint boxTopLeft() const
    {
        return {52 + 80 * (grid->Col() - grid->LeftCol()),
                31 + 19 * (grid->Row() - grid->TopRow())};
    }
};
