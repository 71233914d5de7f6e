// The grid control on its own: refused assignments, notifications, scrolling
// by whole rows (page, wheel, scroll bar), clicks, cell geometry in twips.
#include "gridcontrol.h"
#include "griderrors.h"
#include "testsuites.h"
#include "twips.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

constexpr int rowTwips = 300;

// 25 rows of 300 twips under a 300-twip header. The grid is 134 px high; at 15
// twips a pixel the cells start at 30 twips and the area ends at 1980, leaving
// 1650 twips below the header: rows 1 .. 5 show whole and row 6 in part.
struct GridWindow
{
    QWidget window;
    GridControl *grid = new GridControl(&window);

    explicit GridWindow(int rows = 25)
    {
        grid->setRows(rows);
        grid->setCols(5);
        grid->setRowHeightMin(rowTwips);
        const int widths[] = {700, 1000, 1000, 1000, 1000};
        for (int col = 0; col < 5; ++col)
            grid->setColWidth(col, widths[col]);
        grid->setGeometry(8, 40, 400, 134);
        window.resize(500, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QScrollBar *verticalBar() const
    {
        for (auto *bar : grid->findChildren<QScrollBar *>()) {
            if (bar->orientation() == Qt::Vertical)
                return bar;
        }
        return nullptr;
    }

    // The centre of a cell, from the column widths and row heights above.
    QPoint centreOf(int row, int col) const
    {
        const int widths[] = {700, 1000, 1000, 1000, 1000};
        int left = GridControl::frameTwips;
        for (int c = 0; c < col; ++c)
            left += widths[c];
        const int top = GridControl::frameTwips + rowTwips * (row - grid->TopRow() + 1);
        return QPoint(twips::toPixels(left + 150), twips::toPixels(top + 150));
    }
};

// Counts the notifications the grid gives its listener.
struct Notifications
{
    int moves = 0;
    int scrolls = 0;

    explicit Notifications(EditGrid &grid)
    {
        grid.setListener([this](EditGrid::Notification notification) {
            ++(notification == EditGrid::Notification::RowColChange ? moves : scrolls);
        });
    }
};

} // namespace

class TestGridControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(twips::logicalDpi(), 96.0); }

    void refusesOutOfRange()
    {
        GridWindow w;
        GridControl &g = *w.grid;
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(25));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(5));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTopRow(0)); // a fixed row
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setLeftCol(0));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColWidth(1, -2));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColAlignment(1, 10));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTextMatrix(25, 0, "x"));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.RowIsVisible(-1));
        QCOMPARE(g.Row(), 1);
        QCOMPARE(g.Col(), 1);
        QCOMPARE(g.TopRow(), 1);
    }

    void notifiesAtOnceAndOnlyOnChange()
    {
        GridWindow w;
        const Notifications heard(*w.grid);
        w.grid->setRow(3);
        QCOMPARE(heard.moves, 1);
        w.grid->setRow(3);
        w.grid->setTopRow(1);
        QCOMPARE(heard.moves, 1);
        QCOMPARE(heard.scrolls, 0);
        w.grid->setTopRow(4);
        QCOMPARE(heard.scrolls, 1);
        QCOMPARE(heard.moves, 1); // scrolling leaves the current cell alone
        QCOMPARE(w.grid->Row(), 3);
    }

    void pagesByWholeVisibleRows()
    {
        GridWindow w;
        GridControl &g = *w.grid;
        QVERIFY(g.RowIsVisible(6));
        QVERIFY(!g.RowIsVisible(7));
        g.ScrollPage(GridControl::PageMove::Down);
        QCOMPARE(g.TopRow(), 6);
        QVERIFY(!g.RowIsVisible(5));
        QVERIFY(g.RowIsVisible(0)); // the header stays
        g.setTopRow(18);
        g.ScrollPage(GridControl::PageMove::Down);
        QCOMPARE(g.TopRow(), 20); // the last five rows fill the area
        g.ScrollPage(GridControl::PageMove::Up);
        QCOMPARE(g.TopRow(), 15);
        g.setTopRow(24); // stops at the last page
        QCOMPARE(g.TopRow(), 20);
        QVERIFY(g.RowIsVisible(24));
    }

    void noScrollingWhenAllRowsFit()
    {
        GridWindow w(6);
        const Notifications heard(*w.grid);
        QVERIFY(w.verticalBar()->isHidden());
        w.grid->ScrollPage(GridControl::PageMove::Down);
        w.grid->setTopRow(5);
        QCOMPARE(w.grid->TopRow(), 1);
        QCOMPARE(heard.scrolls, 0);
    }

    void rowHeightMinAppliesToEveryRow()
    {
        GridWindow w;
        w.grid->setRowHeight(3, 100);
        QCOMPARE(w.grid->RowHeight(3), rowTwips);
        w.grid->setRowHeight(3, 450);
        QCOMPARE(w.grid->RowHeight(3), 450);
        QCOMPARE(w.grid->RowHeight(0), rowTwips);
    }

    void clickMakesCellCurrent()
    {
        GridWindow w;
        const Notifications heard(*w.grid);
        QTest::mouseClick(w.grid, Qt::LeftButton, {}, w.centreOf(3, 2));
        QCOMPARE(w.grid->Row(), 3);
        QCOMPARE(w.grid->Col(), 2);
        QCOMPARE(heard.moves, 1);
        QVERIFY(w.grid->hasFocus());
        QTest::mouseClick(w.grid, Qt::LeftButton, {}, w.centreOf(0, 3)); // a header
        QTest::mouseClick(w.grid, Qt::LeftButton, {}, w.centreOf(4, 0)); // a row number
        QCOMPARE(w.grid->Row(), 3);
        QCOMPARE(w.grid->Col(), 2);
        // Scrolled, the first row under the header is the top row.
        w.grid->setTopRow(10);
        QTest::mouseClick(w.grid, Qt::LeftButton, {}, w.centreOf(10, 1));
        QCOMPARE(w.grid->Row(), 10);
    }

    void wheelAndScrollBarScrollWholeRows()
    {
        GridWindow w;
        const Notifications heard(*w.grid);
        const QPoint at = w.centreOf(2, 2);
        QWheelEvent wheel(at, w.grid->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.grid, &wheel);
        QCOMPARE(w.grid->TopRow(), 1 + QApplication::wheelScrollLines());
        QCOMPARE(heard.scrolls, 1);
        w.verticalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w.grid->TopRow(), 2 + QApplication::wheelScrollLines());
        QCOMPARE(heard.scrolls, 2);
    }

    void geometryInTwips()
    {
        GridWindow w;
        GridControl &g = *w.grid;
        QCOMPARE(g.Left(), 120.0);
        QCOMPARE(g.Top(), 600.0);
        QCOMPARE(g.Height(), 2010.0);
        g.setRow(3);
        g.setCol(2);
        QCOMPARE(g.CellLeft(), 30 + 700 + 1000);
        QCOMPARE(g.CellTop(), 30 + 300 + 600);
        QCOMPARE(g.CellWidth(), 1000);
        g.setTopRow(2);
        QCOMPARE(g.CellTop(), 30 + 300 + 300);
    }

    void keyboardMovesAndKeepsCellInView()
    {
        GridWindow w;
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(w.grid->Row(), 24);
        QCOMPARE(w.grid->Col(), 4);
        QVERIFY(w.grid->RowIsVisible(24));
        QTest::keyClick(w.grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(w.grid->Row(), 1);
        QCOMPARE(w.grid->TopRow(), 1);
    }
};

int runGridControlTests(int argc, char **argv)
{
    TestGridControl tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_gridcontrol.moc"
