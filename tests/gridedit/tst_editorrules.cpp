// The grid editor against a fake grid and fake controls: cell geometry,
// registration, moving values between cells and controls, and the lock.
#include "cgridedit.h"
#include "fakes.h"
#include "testsuites.h"

#include <QTest>

namespace {

void refresh(cGridEdit &editor)
{
    int keyCode = 0;
    editor.KeyPress(keyCode, 0);
}

// The grid of the worked example: at 120/600, column 0 700 wide, 1 1200, 2 1000.
struct ExampleGrid
{
    FakeGrid grid{6, 5};
    cGridEdit editor;

    ExampleGrid()
    {
        grid.left = 120;
        grid.top = 600;
        grid.widths = {700, 1200, 1000, 1000, 1000};
        grid.heights = QList<int>(6, 300);
        editor.setMGrid(&grid);
    }

    // Registers a column and keeps its width (an omitted width would be 0).
    void ini(int col, EditControl *box, int maxLength = 1)
    {
        editor.EditBox_Ini(col, box, maxLength, QString(), grid.widths[col]);
    }
};

} // namespace

class TestEditorRules : public QObject
{
    Q_OBJECT

private slots:
    void cellLocation_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("leftCol");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("width");
        // 120 + 30 + 700 + 1200 + 1000; 600 + 30 + 300 (row 0) + rows 2 and 3.
        QTest::newRow("worked example") << 4 << 3 << 2 << 1 << 3050.f << 1530.f << 1000.f;
        // Scrolled out to the left: the first scrolling column's left edge.
        QTest::newRow("column left of LeftCol") << 1 << 2 << 1 << 3 << 850.f << 930.f << 1000.f;
    }
    void cellLocation()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, topRow);
        QFETCH(int, leftCol);
        QFETCH(float, left);
        QFETCH(float, top);
        QFETCH(float, width);
        ExampleGrid f;
        f.grid.place(row, col, topRow, leftCol);
        const CellRect inContainer = f.editor.GetCellLoc();
        QCOMPARE(inContainer.left, left);
        QCOMPARE(inContainer.top, top);
        QCOMPARE(inContainer.width, width);
        QCOMPARE(inContainer.height, 300.f);
        const CellRect inGrid = f.editor.GetCellLocEx();
        QCOMPARE(inGrid.left, inContainer.left - 120);
        QCOMPARE(inGrid.top, inContainer.top - 600);
    }

    void checkBoxCentredInCell_data()
    {
        QTest::addColumn<double>("boxHeight");
        QTest::addColumn<double>("expectedTop");
        // Cell top 930, height 300. Room 105 -> 52; room -31 -> -15 (cut toward zero).
        QTest::newRow("smaller than the row") << 195.0 << 982.0;
        QTest::newRow("taller than the row") << 331.0 << 915.0;
    }
    void checkBoxCentredInCell()
    {
        QFETCH(double, boxHeight);
        QFETCH(double, expectedTop);
        ExampleGrid f;
        FakeControl box(EditKind::CheckBox, 200, boxHeight);
        f.ini(3, &box, 1);
        f.grid.minHeight = 0;
        f.grid.place(1, 3);
        refresh(f.editor);
        QCOMPARE(box.left, 3450.0);
        QCOMPARE(box.top, expectedTop);
        QCOMPARE(box.width, 200.0);
        QVERIFY(box.visible);
    }

    void rowHeightMinFollowsTallerControl_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<double>("boxHeight");
        QTest::addColumn<int>("after");
        QTest::newRow("300 over 240") << 240 << 300.0 << 285;
        QTest::newRow("285 over 285") << 285 << 285.0 << 285;
        QTest::newRow("lower control") << 400 << 300.0 << 400;
    }
    void rowHeightMinFollowsTallerControl()
    {
        QFETCH(int, before);
        QFETCH(double, boxHeight);
        QFETCH(int, after);
        ExampleGrid f;
        f.grid.minHeight = before;
        FakeControl box(EditKind::TextBox, 1000, boxHeight);
        f.ini(1, &box, 1);
        QCOMPARE(f.grid.RowHeightMin(), after);
    }

    void registrationWritesTitleWidthAlignment()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.editor.EditBox_Ini(2, &box, 7, QStringLiteral("Mode"), 1001.5, 4);
        QCOMPARE(f.grid.cells[0][2], QStringLiteral("Mode"));
        QCOMPARE(f.grid.widths[2], 1002);
        QCOMPARE(f.grid.alignments[2], 4);
        QCOMPARE(f.editor.columnEditor(2).MaxLength, 7);
        QCOMPARE(f.editor.columnEditor(2).hWnd, box.hWnd());
        // Omitted title, width and alignment are applied as empty, 0 and 0.
        f.editor.EditBox_Ini(2, &box, 7);
        QCOMPARE(f.grid.cells[0][2], QString());
        QCOMPARE(f.grid.widths[2], 0);
        QCOMPARE(f.grid.alignments[2], 0);
    }

    void registrationBeyondTheGridChangesNothing()
    {
        ExampleGrid f;
        const FakeGrid before(6, 5);
        FakeControl box(EditKind::TextBox, 1000, 600);
        f.editor.EditBox_Ini(5, &box, 1, QStringLiteral("Title"), 500, 4);
        QCOMPARE(f.grid.cells, before.cells);
        QCOMPARE(f.grid.widths, (QList<int>{700, 1200, 1000, 1000, 1000}));
        QCOMPARE(f.grid.alignments, before.alignments);
        QCOMPARE(f.grid.RowHeightMin(), 0);
    }

    void registrationBeyondTheTableFails()
    {
        FakeGrid grid(3, 12);
        cGridEdit editor;
        editor.setMGrid(&grid);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, editor.EditBox_Ini(11, nullptr, 1));
    }

    void textBoxShowsCellAndCommitsTrimmed()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(1, &box, 1);
        f.grid.cells[1][1] = QStringLiteral(" 12 ");
        refresh(f.editor);
        QCOMPARE(box.text, QStringLiteral(" 12 "));
        QCOMPARE(box.maxLength, 1);
        QCOMPARE(box.selStart, 0);
        QCOMPARE(box.selLength, 1); // the length limit, not the text's length
        QVERIFY(box.focusCount > 0);
        QCOMPARE(box.left, 120.0 + 30 + 700);
        QCOMPARE(box.width, 1200.0);
        f.editor.EditBox_Restore();
        QCOMPARE(f.grid.cells[1][1], QStringLiteral("12"));
    }

    void checkBoxReadsAndWritesMark_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("committed");
        QTest::newRow("X") << "X" << 1 << "x";
        QTest::newRow("x") << "x" << 1 << "x";
        QTest::newRow("x in blanks") << "  x " << 1 << "x";
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("blank") << " " << 0 << "";
        QTest::newRow("other letter") << "y" << 0 << "";
        QTest::newRow("two marks") << "xx" << 0 << "";
    }
    void checkBoxReadsAndWritesMark()
    {
        QFETCH(QString, cell);
        QFETCH(int, value);
        QFETCH(QString, committed);
        ExampleGrid f;
        FakeControl box(EditKind::CheckBox, 200, 200);
        f.ini(2, &box, 1);
        f.grid.place(3, 2);
        f.grid.cells[3][2] = cell;
        refresh(f.editor);
        QCOMPARE(box.value, value);
        f.editor.EditBox_Restore();
        QCOMPARE(f.grid.cells[3][2], committed);
    }

    void comboBoxSelectsListEntry_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("listIndex");
        QTest::newRow("in the list") << " 9600" << 3;
        QTest::newRow("not in the list") << "1234" << -1;
    }
    void comboBoxSelectsListEntry()
    {
        QFETCH(QString, cell);
        QFETCH(int, listIndex);
        ExampleGrid f;
        FakeControl box(EditKind::ComboBox);
        box.items = {"1200", "2400", "4800", "9600", "19200"};
        box.listIndex = 1;
        box.text = "2400";
        f.ini(1, &box, 1);
        f.grid.cells[1][1] = cell;
        refresh(f.editor);
        QCOMPARE(box.listIndex, listIndex);
        f.editor.EditBox_Restore();
        QCOMPARE(f.grid.cells[1][1], box.listIndex < 0 ? QString() : QStringLiteral("9600"));
    }

    void columnsSharingOneBox()
    {
        ExampleGrid f;
        FakeControl shared(EditKind::TextBox);
        FakeControl other(EditKind::CheckBox, 200, 200);
        f.ini(1, &shared, 1);
        f.ini(2, &other, 1);
        f.ini(3, &shared, 1);
        f.grid.cells[1][3] = QStringLiteral("7");
        refresh(f.editor);
        shared.text = QStringLiteral("5");
        f.grid.click(1, 3);
        QCOMPARE(f.grid.cells[1][1], QStringLiteral("5"));
        QVERIFY(shared.visible);
        QVERIFY(!other.visible);
        QCOMPARE(shared.text, QStringLiteral("7"));
        QCOMPARE(shared.left, 120.0 + 30 + 700 + 1200 + 1000);
    }

    void columnWithoutBoxBeforeFirstEdit()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(0, nullptr, 10);
        f.ini(1, &box, 1);
        f.grid.place(2, 0);
        refresh(f.editor);
        QCOMPARE(f.grid.Row(), 2);
        QCOMPARE(f.grid.Col(), 0);
        QVERIFY(!box.visible);
        QCOMPARE(f.editor.lastCol(), -1);
    }

    // The grid returns to the edited column; the one nested refresh raised by
    // that move already places the box, on the clicked row.
    void columnWithoutBoxAfterFirstEdit()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(0, nullptr, 10);
        f.ini(1, &box, 1);
        f.grid.cells[3][1] = QStringLiteral("4");
        refresh(f.editor);
        box.text = QStringLiteral("7");
        const int changesBefore = f.grid.rowColChanges;
        f.grid.click(3, 0);
        QCOMPARE(f.grid.rowColChanges - changesBefore, 2); // the click and the way back
        QCOMPARE(f.grid.cells[1][1], QStringLiteral("7"));
        QCOMPARE(f.grid.Col(), 1);
        QCOMPARE(f.grid.Row(), 3);
        QCOMPARE(box.text, QStringLiteral("4"));
        QCOMPARE(f.editor.lastCol(), 1);
        QCOMPARE(f.editor.lastRow(), 3);
        QCOMPARE(box.top, 600.0 + 30 + 300 * 3);
    }

    void hiddenRowHidesBoxButLoadsIt()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        box.visible = true;
        f.ini(1, &box, 1);
        f.grid.hiddenRows = {4};
        f.grid.place(4, 1);
        f.grid.cells[4][1] = QStringLiteral("3");
        refresh(f.editor);
        QVERIFY(!box.visible);
        QCOMPARE(f.grid.focusCount, 1);
        QCOMPARE(box.text, QStringLiteral("3"));
        QCOMPARE(box.focusCount, 0);
    }

    void restoreBeforeFirstPlacementWritesNothing()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        box.text = QStringLiteral("9");
        f.ini(1, &box, 1);
        f.editor.EditBox_Restore();
        QCOMPARE(f.grid.cells[1][1], QString());
    }

    void reRegisteringWithoutControlMakesColumnReadOnly()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(1, &box, 1);
        f.ini(1, nullptr, 1);
        QCOMPARE(f.editor.columnEditor(1).EditBox, nullptr);
        refresh(f.editor);
        QVERIFY(!box.visible);
    }

    void ownerLockStopsEveryRefresh()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(1, &box, 1);
        f.editor.setUpdateLocked(true);
        int keyCode = 40;
        f.editor.KeyPress(keyCode, 0);
        f.editor.SetPosition();
        QCOMPARE(keyCode, 40);
        QCOMPARE(f.grid.Row(), 1);
        QVERIFY(!box.visible);
        QVERIFY(f.editor.UpdateLocked());
    }

    void failingGridCallReleasesLock()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        f.ini(1, &box, 1);
        refresh(f.editor);
        f.grid.height = 100; // every move down asks for a scroll
        f.grid.failTopRow = true;
        int keyCode = 40;
        QVERIFY_THROWS_EXCEPTION(GridRangeError, f.editor.KeyPress(keyCode, 0));
        QVERIFY(!f.editor.UpdateLocked());
        QCOMPARE(keyCode, 40);
        f.grid.failTopRow = false;
        f.grid.height = 4000;
        f.editor.KeyPress(keyCode, 0);
        QCOMPARE(keyCode, 0);
        QCOMPARE(f.grid.Row(), 3);
    }

    void currentColumnBeyondTableFailsBeforeMoving()
    {
        FakeGrid grid(4, 13);
        cGridEdit editor;
        editor.setMGrid(&grid);
        grid.place(1, 11);
        int keyCode = 40;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, editor.KeyPress(keyCode, 0));
        QCOMPARE(grid.Row(), 1);
        QVERIFY(!editor.UpdateLocked());
    }

    void pageMovesKeepRowInGrid_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("expectedRow");
        QTest::newRow("down past the last row") << 34 << 20 << 10 << 24;
        QTest::newRow("up from above the view") << 33 << 2 << 8 << 1;
        QTest::newRow("down keeps the offset") << 34 << 7 << 5 << 17;
    }
    void pageMovesKeepRowInGrid()
    {
        QFETCH(int, key);
        QFETCH(int, row);
        QFETCH(int, topRow);
        QFETCH(int, expectedRow);
        FakeGrid grid(25, 3);
        cGridEdit editor;
        editor.setMGrid(&grid);
        FakeControl box(EditKind::TextBox);
        editor.EditBox_Ini(1, &box, 1);
        grid.pageRows = 10;
        grid.maxTopRow = 20;
        grid.place(row, 1, topRow);
        int keyCode = key;
        editor.KeyPress(keyCode, 0);
        QCOMPARE(grid.Row(), expectedRow);
        QCOMPARE(keyCode, 0);
    }

    void visibleRowsCount()
    {
        FakeGrid grid(10, 3);
        cGridEdit editor;
        grid.place(1, 1, 2);
        grid.hiddenRows = {6, 7};
        QCOMPARE(editor.GetMaxVisibleCols(grid), 4);
        grid.hiddenRows.clear();
        grid.fixedRows = 2;
        QCOMPARE(editor.GetMaxVisibleCols(grid), 7); // rows 2 .. Rows - FixedRows
    }

    void scrollPlacesTextBoxWithGridMetrics()
    {
        ExampleGrid f;
        FakeControl box(EditKind::TextBox);
        box.maxLength = 4;
        f.ini(1, &box, 1);
        f.grid.cellLeft = 730;
        f.grid.cellTop = 330;
        f.grid.cells[1][1] = QStringLiteral(" 5 ");
        f.editor.Scroll();
        QCOMPARE(box.left, 850.0);
        QCOMPARE(box.top, 930.0);
        QCOMPARE(box.width, 1200.0);
        QCOMPARE(box.text, QStringLiteral(" 5 "));
        QCOMPARE(box.maxLength, 4);
        QCOMPARE(f.editor.lastCol(), -1);
        f.grid.hiddenRows = {1};
        f.editor.Scroll();
        QVERIFY(!box.visible);
        QCOMPARE(f.grid.focusCount, 1);
    }
};

int runEditorRuleTests(int argc, char **argv)
{
    TestEditorRules tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_editorrules.moc"
