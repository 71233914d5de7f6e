// The grid control on its own, shaped as in gridwindow.h with rows of 285
// twips: refused assignments, notifications, scrolling by whole rows.
#include "gridwindow.h"
#include "twips.h"

namespace {

struct ShapedGrid
{
    QWidget window;
    GridControl *grid = new GridControl(&window);

    explicit ShapedGrid(int rows = 16)
    {
        shapeGrid(*grid, rows);
        grid->setRowHeightMin(285);
        window.resize(400, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
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
        ShapedGrid s;
        GridControl &g = *s.grid;
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(16));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(6));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTopRow(0)); // a fixed row
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setLeftCol(0));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColWidth(1, -2));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColAlignment(1, 10));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTextMatrix(16, 0, "x"));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.RowIsVisible(-1));
        QCOMPARE(g.Row(), 1);
        QCOMPARE(g.Col(), 1);
        QCOMPARE(g.TopRow(), 1);
    }

    // Heard before the assignment returns, and only when something changed.
    void notifiesAtOnceAndOnlyOnChange()
    {
        int moves = 0;
        int scrolls = 0;
        ShapedGrid s;
        s.grid->setListener([&](EditGrid::Notification notification) {
            ++(notification == EditGrid::Notification::RowColChange ? moves : scrolls);
        });
        s.grid->setRow(3);
        QCOMPARE(moves, 1);
        s.grid->setRow(3);
        s.grid->setTopRow(1);
        s.grid->setLeftCol(1);
        QCOMPARE(moves, 1);
        QCOMPARE(scrolls, 0);
        s.grid->setTopRow(4);
        QCOMPARE(scrolls, 1);
        QCOMPARE(moves, 1);
        QCOMPARE(s.grid->Row(), 3);
    }

    // A page is the 5 rows shown whole; the last page starts at row 11.
    void scrollsByWholeRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("topRow");
        QTest::addColumn<QString>("move"); // a page up or down, or a TopRow
        QTest::addColumn<int>("expected");
        QTest::newRow("page down") << 16 << 1 << "down" << 6;
        QTest::newRow("page down to the last page") << 16 << 8 << "down" << 11;
        QTest::newRow("page down on the last page") << 16 << 11 << "down" << 11;
        QTest::newRow("page up") << 16 << 9 << "up" << 4;
        QTest::newRow("page up to the first page") << 16 << 3 << "up" << 1;
        QTest::newRow("TopRow past the last page") << 16 << 1 << "15" << 11;
        QTest::newRow("every row shown") << 5 << 1 << "down" << 1;
    }

    void scrollsByWholeRows()
    {
        QFETCH(int, rows);
        QFETCH(int, topRow);
        QFETCH(QString, move);
        QFETCH(int, expected);
        ShapedGrid s(rows);
        s.grid->setTopRow(topRow);
        int scrolls = 0;
        s.grid->setListener([&](EditGrid::Notification) { ++scrolls; });
        if (move == "down" || move == "up")
            s.grid->ScrollPage(move == "up" ? EditGrid::PageMove::Up : EditGrid::PageMove::Down);
        else
            s.grid->setTopRow(move.toInt());
        s.grid->setListener({});
        QCOMPARE(s.grid->TopRow(), expected);
        QCOMPARE(scrolls, expected == topRow ? 0 : 1);
    }

    void rowVisibility_data()
    {
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("visible");
        QTest::newRow("header") << 11 << 0 << true;
        QTest::newRow("last whole row") << 1 << 5 << true;
        QTest::newRow("row cut off") << 1 << 6 << true;
        QTest::newRow("below the view") << 1 << 7 << false;
        QTest::newRow("above the view") << 4 << 3 << false;
        QTest::newRow("last row") << 11 << 15 << true;
    }

    void rowVisibility()
    {
        QFETCH(int, topRow);
        QFETCH(int, row);
        QFETCH(bool, visible);
        ShapedGrid s;
        s.grid->setTopRow(topRow);
        QCOMPARE(s.grid->RowIsVisible(row), visible);
    }
};

QTEST_MAIN(TestGridControl)
#include "tst_gridcontrol.moc"
