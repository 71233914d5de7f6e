// A grid with its editor and EditBoxKeeper on real widgets: where the focus
// goes on Tab, clicks, scrolling and resizing, the wheel over an edit box,
// clicks on a row cut off at the bottom, and the page keys at the ends.
#include "cgridedit.h"
#include "editboxkeeper.h"
#include "gridcontrol.h"
#include "twips.h"
#include "virtualkeys.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

namespace {

constexpr int rowTwips = 300;
constexpr int colTwips[] = {700, 1000, 1000};

// A control ahead of the grid in the tab order, then the grid with a text box
// on column 1 and a check-mark box on column 2. The grid is 134 px high: at 15
// twips a pixel its header and rows 1 to 5 show whole and row 6 only in part.
struct KeptGrid
{
    QWidget window;
    QLineEdit *before = new QLineEdit(&window);
    GridControl *grid = new GridControl(&window);
    QLineEdit *text = new QLineEdit(&window);
    QLineEdit *check = new QLineEdit(&window);
    cGridEdit editor;
    KeyForwarder keys{editor};
    EditBoxKeeper keeper{*grid};

    explicit KeptGrid(int rows = 25)
    {
        before->setGeometry(8, 8, 100, 20);
        grid->setGeometry(8, 40, 300, 134);
        grid->setRows(rows);
        grid->setCols(3);
        for (QLineEdit *box : {text, check}) {
            box->resize(box->width(), twips::toPixels(rowTwips));
            box->hide();
            keys.watch(*box);
            keeper.watch(*box);
        }
        editor.setMGrid(grid);
        editor.EditBox_Ini(0, nullptr, 10, "No.", colTwips[0], 4);
        editor.EditBox_Ini(1, text, 1, "A", colTwips[1], 4);
        editor.EditBox_Ini(2, check, 1, "B", colTwips[2], 4);
        grid->setRowHeightMin(rowTwips);
        window.resize(500, 400);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int refresh = vk::None;
        editor.KeyPress(refresh, 0);
    }

    // The current cell's top edge in the window, where a box on it lies.
    int cellTop() const { return grid->y() + twips::toPixels(grid->CellTop()); }

    void wheel(QWidget *over, int delta) const
    {
        const QPoint at(4, 4);
        QWheelEvent event(at, over->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &event);
    }
};

// A point in a cell of a grid that shows its first rows, in the grid's pixels;
// fromTop twips below the cell's top.
QPoint cellPoint(int row, int col, int fromTop = rowTwips / 2)
{
    int left = GridControl::frameTwips + colTwips[col] / 2;
    for (int c = 0; c < col; ++c)
        left += colTwips[c];
    return {twips::toPixels(left),
            twips::toPixels(GridControl::frameTwips + rowTwips * row + fromTop)};
}

} // namespace

class TestEditBoxKeeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(twips::logicalDpi(), 96.0); }

    // Tab passes the grid by while its box is shown, and stops at it while
    // the current row is scrolled out of view; Shift+Tab goes back the same way.
    void tabStops_data()
    {
        QTest::addColumn<bool>("scrolledOut");
        QTest::addColumn<bool>("stopsAtGrid");
        QTest::newRow("box shown") << false << false;
        QTest::newRow("row scrolled out") << true << true;
    }

    void tabStops()
    {
        QFETCH(bool, scrolledOut);
        QFETCH(bool, stopsAtGrid);
        KeptGrid k;
        if (scrolledOut)
            k.grid->setTopRow(10);
        QCOMPARE(k.text->isVisible(), !scrolledOut);
        k.before->setFocus();
        QTest::keyClick(k.before, Qt::Key_Tab);
        QWidget *stop = stopsAtGrid ? static_cast<QWidget *>(k.grid) : k.text;
        QCOMPARE(QApplication::focusWidget(), stop);
        QTest::keyClick(stop, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), k.before);
    }

    // A click that makes no cell current leaves the focus in the box.
    void clickOutsideCellsFocusesBox_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("frame") << QPoint(1, 60);
        QTest::newRow("under the last row") << QPoint(60, 125);
        QTest::newRow("row number") << cellPoint(2, 0);
        QTest::newRow("column title") << cellPoint(0, 2);
    }

    void clickOutsideCellsFocusesBox()
    {
        QFETCH(QPoint, at);
        KeptGrid k(4); // three rows, room left under them
        k.before->setFocus();
        QTest::mouseClick(k.grid, Qt::LeftButton, {}, at);
        QCOMPARE(QApplication::focusWidget(), k.text);
        QVERIFY(k.text->isVisible());
        QCOMPARE(k.grid->Row(), 1);
        QCOMPARE(k.grid->Col(), 1);
    }

    // The wheel over the box scrolls the grid; scrolled out of view, the box
    // leaves the focus to the grid, and scrolled back it takes it again.
    void wheelScrollsOutAndBack()
    {
        KeptGrid k;
        k.wheel(k.text, -120);
        QCOMPARE(k.grid->TopRow(), 1 + QApplication::wheelScrollLines());
        QVERIFY(k.text->isHidden());
        QCOMPARE(QApplication::focusWidget(), k.grid);
        k.wheel(k.grid, 120);
        QCOMPARE(k.grid->TopRow(), 1);
        QVERIFY(k.text->isVisible());
        QCOMPARE(QApplication::focusWidget(), k.text);
        QCOMPARE(k.text->y(), k.cellTop());
    }

    // Resizing the grid: the box stays on its cell, hides with it, comes back
    // with it, and keeps what was typed.
    void resizeKeepsBoxOnCell()
    {
        KeptGrid k;
        k.grid->setRow(4);
        QTest::keyClicks(k.text, "7");
        k.grid->resize(300, 100); // rows 1 to 3 whole, row 4 in part
        QVERIFY(k.text->isVisible());
        QCOMPARE(k.text->y(), k.cellTop());
        k.grid->resize(300, 70); // row 4 out of view
        QVERIFY(k.text->isHidden());
        QCOMPARE(QApplication::focusWidget(), k.grid);
        k.grid->resize(300, 134);
        QVERIFY(k.text->isVisible());
        QCOMPARE(k.text->y(), k.cellTop());
        QCOMPARE(QApplication::focusWidget(), k.text);
        QCOMPARE(k.text->text(), QStringLiteral("7"));
        QCOMPARE(k.grid->TopRow(), 1);
    }

    // A click on row 6, cut off at the bottom, scrolls it into view: the box
    // lies inside the grid.
    void clickOnCutOffRowScrollsItIn()
    {
        KeptGrid k;
        QTest::mouseClick(k.grid, Qt::LeftButton, {}, cellPoint(6, 2, 60));
        QCOMPARE(k.grid->Row(), 6);
        QCOMPARE(k.grid->Col(), 2);
        QCOMPARE(k.grid->TopRow(), 2);
        QVERIFY(k.check->isVisible());
        QCOMPARE(k.check->y(), k.cellTop());
        const int gridBottom = k.grid->y() + k.grid->height() - 1;
        QVERIFY(k.check->geometry().bottom() <= gridBottom);
        QCOMPARE(QApplication::focusWidget(), k.check);
    }

    // Where the grid cannot scroll any further, Page Down and Page Up go on
    // to the last and the first row.
    void pageKeysReachEnds_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expectedRow");
        QTest::newRow("down on the last page") << 25 << 24 << 21 << int(Qt::Key_PageDown) << 24;
        QTest::newRow("up on the first page") << 25 << 1 << 4 << int(Qt::Key_PageUp) << 1;
        QTest::newRow("down, every row shown") << 5 << 1 << 2 << int(Qt::Key_PageDown) << 4;
        QTest::newRow("up, every row shown") << 5 << 1 << 3 << int(Qt::Key_PageUp) << 1;
    }

    void pageKeysReachEnds()
    {
        QFETCH(int, rows);
        QFETCH(int, topRow);
        QFETCH(int, row);
        QFETCH(int, key);
        QFETCH(int, expectedRow);
        KeptGrid k(rows);
        k.grid->setTopRow(topRow);
        k.grid->setRow(row);
        QTest::keyClicks(k.text, "3");
        QTest::keyClick(k.text, Qt::Key(key));
        QCOMPARE(k.grid->Row(), expectedRow);
        QCOMPARE(k.grid->TextMatrix(row, 1), QStringLiteral("3"));
        QVERIFY(k.text->isVisible());
        QCOMPARE(k.text->y(), k.cellTop());
    }
};

QTEST_MAIN(TestEditBoxKeeper)
#include "tst_editboxkeeper.moc"
