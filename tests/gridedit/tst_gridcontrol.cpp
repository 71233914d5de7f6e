// The grid control's own rules, on the grid of gridwindow.h (a page of 5
// rows, the last page from row 11): refused assignments, notifications,
// scrolling by whole rows and which rows show.
#include "gridwindow.h"
#include "twips.h"

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
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(16));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(6));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTopRow(0)); // a fixed row
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setLeftCol(0));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColWidth(1, -2));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColAlignment(1, 10));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTextMatrix(16, 0, "x"));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.RowIsVisible(-1));
        QCOMPARE(w.where(), (Place{1, 1, 1, 1}));
    }

    // Heard before the assignment returns, and only when something changed.
    void notifiesAtOnceAndOnlyOnChange()
    {
        int moves = 0;
        int scrolls = 0;
        GridWindow w;
        w.grid->setListener([&](EditGrid::Notification notification) {
            ++(notification == EditGrid::Notification::RowColChange ? moves : scrolls);
        });
        w.grid->setRow(3);
        QCOMPARE(moves, 1);
        w.place({3, 1, 1, 1});
        QCOMPARE(moves, 1);
        QCOMPARE(scrolls, 0);
        w.scrollTo(4);
        QCOMPARE(scrolls, 1);
        QCOMPARE(moves, 1);
        QCOMPARE(w.where(), (Place{3, 1, 4, 1}));
    }

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

    // After the move the header and rows TopRow to TopRow + 5 show, the last
    // of them cut off.
    void scrollsByWholeRows()
    {
        QFETCH(int, rows);
        QFETCH(int, topRow);
        QFETCH(QString, move);
        QFETCH(int, expected);
        GridWindow w;
        w.grid->setRows(rows);
        w.scrollTo(topRow);
        int scrolls = 0;
        w.grid->setListener([&](EditGrid::Notification) { ++scrolls; });
        if (move == "down" || move == "up")
            w.grid->ScrollPage(move == "up" ? EditGrid::PageMove::Up : EditGrid::PageMove::Down);
        else
            w.scrollTo(move.toInt());
        w.grid->setListener({});
        QCOMPARE(w.grid->TopRow(), expected);
        QCOMPARE(scrolls, expected == topRow ? 0 : 1);
        QList<int> shown;
        QList<int> expectedShown{0};
        for (int row = 0; row < rows; ++row) {
            if (w.grid->RowIsVisible(row))
                shown << row;
            if (row >= expected && row <= expected + 5)
                expectedShown << row;
        }
        QCOMPARE(shown, expectedShown);
    }
};

QTEST_MAIN(TestGridControl)
#include "tst_gridcontrol.moc"
