// The grid editor on real widgets (gridwindow.h): every key of the dispatch
// in one table, then what the table cannot show, and last the grid control's
// own rules.
#include "casetable.h"
#include "gridwindow.h"
#include "twips.h"

#include <functional>

namespace {

// What the control holds when the key comes: a text box's caret at 0, 1 or 2
// in its two characters, or its whole text selected; a combo box's list closed
// or open; the check box.
enum State { Caret0, CaretIn, CaretEnd, Whole, Closed, Open, Check };
constexpr bool taken = true;
constexpr bool passed = false;

struct KeyCase
{
    const char *name;
    Qt::Key key;
    int mask; // 1 Shift, 2 Ctrl, 4 Alt
    Place from;
    State state;
    Place to;
    bool consumed;
};

// Places are Row, Col, TopRow, LeftCol, worked out from the geometry in
// gridwindow.h: columns 1 and 5 combo boxes, 2 and 4 text boxes, 3 the check box.
// Right and End share one test of the caret, Left and Home another.
const KeyCase keyCases[] = {
    {"Enter moves down", Qt::Key_Return, 0, {3, 2, 1, 1}, Whole, {4, 2, 1, 1}, taken},
    {"Enter on the last row", Qt::Key_Return, 0, {15, 4, 11, 2}, CaretIn, {15, 4, 11, 2}, taken},
    {"Enter, list open", Qt::Key_Return, 0, {3, 1, 1, 1}, Open, {3, 1, 1, 1}, passed},
    {"Page Down", Qt::Key_PageDown, 0, {3, 2, 1, 1}, Whole, {8, 2, 6, 1}, taken},
    {"Page Down at the end", Qt::Key_PageDown, 0, {12, 2, 11, 1}, Whole, {15, 2, 11, 1}, taken},
    {"Page Down, list open", Qt::Key_PageDown, 0, {3, 1, 1, 1}, Open, {3, 1, 1, 1}, passed},
    {"Page Up", Qt::Key_PageUp, 0, {9, 2, 7, 1}, Whole, {4, 2, 2, 1}, taken},
    {"Page Up at the top", Qt::Key_PageUp, 0, {4, 2, 1, 1}, Whole, {1, 2, 1, 1}, taken},
    {"Page Up, list open", Qt::Key_PageUp, 0, {9, 5, 7, 3}, Open, {9, 5, 7, 3}, passed},
    {"End, text selected", Qt::Key_End, 0, {2, 2, 1, 1}, Whole, {2, 5, 1, 3}, taken},
    {"End, caret at the end", Qt::Key_End, 0, {2, 2, 1, 1}, CaretEnd, {2, 5, 1, 3}, taken},
    {"End, caret inside", Qt::Key_End, 0, {2, 2, 1, 1}, CaretIn, {2, 2, 1, 1}, passed},
    {"Home, caret inside", Qt::Key_Home, 0, {2, 4, 1, 2}, CaretIn, {2, 4, 1, 2}, passed},
    {"Ctrl+End", Qt::Key_End, 2, {3, 4, 1, 2}, CaretIn, {15, 4, 11, 2}, taken},
    {"Ctrl+Home", Qt::Key_Home, 2, {12, 5, 10, 3}, Closed, {1, 1, 1, 1}, taken},
    {"Ctrl+Shift+Home is Home", Qt::Key_Home, 3, {9, 4, 7, 2}, Caret0, {9, 1, 7, 1}, taken},
    {"Left, caret inside", Qt::Key_Left, 0, {2, 4, 1, 2}, CaretIn, {2, 4, 1, 2}, passed},
    {"Left scrolls, text selected", Qt::Key_Left, 0, {2, 2, 1, 2}, Whole, {2, 1, 1, 1}, taken},
    {"Left, list at column 1", Qt::Key_Left, 0, {2, 1, 1, 1}, Closed, {2, 1, 1, 1}, taken},
    {"Left, list open", Qt::Key_Left, 0, {2, 5, 1, 3}, Open, {2, 4, 1, 3}, taken},
    {"Right, caret at the end", Qt::Key_Right, 0, {2, 2, 1, 1}, CaretEnd, {2, 3, 1, 1}, taken},
    {"Right, caret inside", Qt::Key_Right, 0, {2, 2, 1, 1}, CaretIn, {2, 2, 1, 1}, passed},
    {"Right scrolls, check box", Qt::Key_Right, 0, {2, 3, 1, 1}, Check, {2, 4, 1, 2}, taken},
    {"Right, list at column 5", Qt::Key_Right, 0, {2, 5, 1, 3}, Closed, {2, 5, 1, 3}, taken},
    {"Right, list open", Qt::Key_Right, 0, {2, 1, 1, 1}, Open, {2, 2, 1, 1}, taken},
    {"Ctrl+Right is Right", Qt::Key_Right, 2, {2, 2, 1, 1}, Whole, {2, 3, 1, 1}, taken},
    {"Up, caret inside", Qt::Key_Up, 0, {5, 4, 1, 2}, CaretIn, {4, 4, 1, 2}, taken},
    {"Up scrolls", Qt::Key_Up, 0, {4, 2, 4, 1}, Whole, {3, 2, 3, 1}, taken},
    {"Up, list on row 1", Qt::Key_Up, 0, {1, 1, 1, 1}, Closed, {1, 1, 1, 1}, taken},
    {"Up, list open", Qt::Key_Up, 0, {5, 1, 1, 1}, Open, {5, 1, 1, 1}, passed},
    {"Up, text on row 1", Qt::Key_Up, 0, {1, 2, 1, 1}, Whole, {1, 2, 1, 1}, passed},
    {"Down onto the cut-off row", Qt::Key_Down, 0, {5, 2, 1, 1}, Whole, {6, 2, 1, 1}, taken},
    {"Down scrolls one row", Qt::Key_Down, 0, {6, 2, 1, 1}, Whole, {7, 2, 2, 1}, taken},
    {"Down, list on the last row", Qt::Key_Down, 0, {15, 5, 11, 3}, Closed, {15, 5, 11, 3}, taken},
    {"Down, list open", Qt::Key_Down, 0, {3, 1, 1, 1}, Open, {3, 1, 1, 1}, passed},
    {"Down, text on the last row", Qt::Key_Down, 0, {15, 2, 11, 1}, Whole, {15, 2, 11, 1}, passed},
    {"Shift+Right", Qt::Key_Right, 1, {2, 2, 1, 1}, Whole, {2, 2, 1, 1}, passed},
    {"Alt+Down", Qt::Key_Down, 4, {2, 2, 1, 1}, Whole, {2, 2, 1, 1}, passed},
    {"Tab", Qt::Key_Tab, 0, {2, 2, 1, 1}, Whole, {2, 2, 1, 1}, passed},
    {"Letter", Qt::Key_A, 0, {2, 2, 1, 1}, Whole, {2, 2, 1, 1}, passed},
};

// Moves of the grid or its current cell, with "7" typed on row `start` of
// column 2, the text box's column; the box ends shown or hidden. A click that
// makes no cell current leaves the focus in the box.
struct FollowCase
{
    const char *name;
    int start;
    std::function<void(GridWindow &)> move;
    Place to;
    bool shown;
};

// clang-format off
const FollowCase followCases[] = {
    {"Escape", 2, [](auto &w) { w.press(Qt::Key_Escape); }, {2, 2, 1, 1}, true},
    {"click on another cell", 2, [](auto &w) { w.click({162, 87}); }, {4, 2, 1, 1}, true},
    {"click on the cut-off row", 1, [](auto &w) { w.click({160, 118}); }, {6, 2, 2, 1}, true},
    {"click on a row number", 1, [](auto &w) { w.click({22, 30}); }, {1, 2, 1, 1}, true},
    {"scroll bar", 1, [](auto &w) { w.scrollBarDown(); }, {1, 2, 2, 1}, false},
    {"wheel over the box, row in view", 5, [](auto &w) { w.wheel(); }, {5, 2, 4, 1}, true},
    {"grid lower", 4, [](auto &w) { w.grid->resize(340, 60); }, {4, 2, 1, 1}, false},
    {"column without control", 3, [](auto &w) { w.grid->setCol(0); }, {3, 2, 1, 1}, true},
};
// clang-format on

// A cell placed at `at` shows in its box, which lies on the cell; Escape
// commits the box back. Grid at 150/150 twips, each row 285 twips.
struct ValueCase
{
    const char *name;
    Place at;
    const char *cell;
    const char *shown; // the check box: 1 ticked, 0 clear
    const char *committed;
    QRect box;
};

// Text: 150 + 30 + 600 + 1200 = 1980 = 132 px; 150 + 30 + 3 * 285 = 1035 = 69 px.
// Combo: 1980 + 2 * 1200 (columns 3 and 4); 1035 (rows 7 and 8).
// Check, centred: 1980 + (1200 - 300) / 2 = 2430; 750 + (285 - 150) \ 2 = 817 = 54.5 px.
const ValueCase valueCases[] = {
    {"text keeps its blanks", {3, 2, 1, 1}, " 12 ", " 12 ", "12", {132, 69, 80, 20}},
    {"check X", {2, 3, 1, 2}, "X", "1", "x", {162, 54, 20, 10}},
    {"check x in blanks", {2, 3, 1, 2}, " x  ", "1", "x", {162, 54, 20, 10}},
    {"check two marks", {2, 3, 1, 2}, "xx", "0", "", {162, 54, 20, 10}},
    {"list entry in blanks", {9, 5, 7, 3}, " 9600 ", "9600", "9600", {212, 69, 80, 20}},
    {"not in the list", {9, 5, 7, 3}, "1234", "", "", {212, 69, 80, 20}},
};

struct RegistrationCase
{
    const char *name;
    int col;
    double width;
    int boxHeight; // px, 0: no box
    int minBefore;
    const char *title;
    int widthAfter;
    int minAfter;
};

const RegistrationCase registrationCases[] = {
    {"300 twips over 240, 1000.5", 1, 1000.5, 20, 240, "Title", 1000, 285},
    {"285 twips over 285, 1001.5", 2, 1001.5, 19, 285, "Title", 1002, 285},
    {"no box, 3.5", 4, 3.5, 0, 240, "Title", 4, 240},
    {"beyond the grid", 6, 500, 20, 240, "E", 1200, 240}, // column 5 untouched
};

} // namespace

class TestGridEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(twips::logicalDpi(), 96.0);
        QCOMPARE(QApplication::wheelScrollLines(), 3);
    }

    void keys_data() { addCaseRows(keyCases); }

    void keys()
    {
        const KeyCase &c = currentCase(keyCases);
        GridWindow w;
        w.place(c.from);
        QCOMPARE(w.control(c.from[1]) == w.text, c.state <= Whole);
        if (c.state <= CaretEnd)
            w.text->setCursorPosition(c.state);
        else if (c.state == Whole)
            w.text->selectAll();
        else if (c.state == Open)
            w.combo->showPopup();
        QCOMPARE(w.press(c.key, c.mask), !c.consumed);
        QCOMPARE(w.where(), c.to);
    }

    void boxShowsItsCell_data() { addCaseRows(valueCases); }

    void boxShowsItsCell()
    {
        const ValueCase &c = currentCase(valueCases);
        GridWindow w;
        w.combo->setCurrentIndex(1);
        w.grid->setTextMatrix(c.at[0], c.at[1], c.cell);
        w.place(c.at);
        QWidget *box = w.control(c.at[1]);
        QCOMPARE(box->geometry(), c.box);
        QVERIFY(box->hasFocus());
        for (QWidget *other : {w.control(1), w.control(2), w.control(3)})
            QCOMPARE(other->isVisible(), other == box);
        const QString value = box == w.check  ? QString::number(int(w.check->isChecked()))
                              : box == w.text ? w.text->text()
                                              : w.combo->currentText();
        QCOMPARE(value, c.shown);
        QVERIFY(!w.press(Qt::Key_Escape));
        QCOMPARE(w.grid->TextMatrix(c.at[0], c.at[1]), c.committed);
        if (box == w.text)
            QCOMPARE(w.text->selectedText(), c.committed);
    }

    // A box on a shown row lies on its cell and has the focus; on a row out of
    // view it is hidden and the grid has the focus. Either way it holds its
    // cell, or what was typed on it; leaving the row commits what was typed.
    void boxFollowsItsCell_data() { addCaseRows(followCases); }

    void boxFollowsItsCell()
    {
        const FollowCase &c = currentCase(followCases);
        GridWindow w;
        w.place({c.start, 2, 1, 1});
        QTest::keyClicks(w.text, "7");
        c.move(w);
        QCOMPARE(w.where(), c.to);
        QCOMPARE(w.text->isVisible(), c.shown);
        QCOMPARE(QApplication::focusWidget(), c.shown ? static_cast<QWidget *>(w.text) : w.grid);
        if (c.shown)
            QCOMPARE(w.text->pos(), w.boxTopLeft());
        QCOMPARE(w.text->text(), c.to[0] == c.start ? "7" : GridWindow::cellText(c.to[0], 2));
        if (c.to[0] != c.start)
            QCOMPARE(w.grid->TextMatrix(c.start, 2), QStringLiteral("7"));
    }

    void registration_data() { addCaseRows(registrationCases); }

    // The row height follows a taller box (less 15 twips); the width is
    // rounded to whole twips, halves to even. Registered again on the grid of
    // gridwindow.h with alignment 7.
    void registration()
    {
        const RegistrationCase &c = currentCase(registrationCases);
        GridWindow w;
        w.grid->setRowHeightMin(c.minBefore);
        QLineEdit box;
        box.setFixedHeight(c.boxHeight);
        w.editor.EditBox_Ini(c.col, c.boxHeight ? &box : nullptr, 1, "Title", c.width, 7);
        QCOMPARE(w.grid->RowHeightMin(), c.minAfter);
        const int shown = std::min(c.col, 5);
        QCOMPARE(w.grid->TextMatrix(0, shown), c.title);
        QCOMPARE(w.grid->ColWidth(shown), c.widthAfter);
        QCOMPARE(w.grid->ColAlignment(shown), c.col < 6 ? 7 : 4);
    }

    // A grid call that fails inside KeyPress reaches a direct caller; a key
    // has it logged and goes on to the box. Either way the lock is released
    // and the editor goes on.
    void failingGridCall()
    {
        GridWindow w;
        w.place({6, 2, 1, 1}); // Down from here scrolls, and from the row below
        w.grid->fail = true;
        int keyCode = vk::Down;
        QVERIFY_THROWS_EXCEPTION(GridRangeError, w.editor.KeyPress(keyCode, 0));
        QCOMPARE(keyCode, vk::Down);
        QVERIFY(!w.editor.UpdateLocked());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^grid editor: KeyPress failed"));
        QVERIFY(w.press(Qt::Key_Down));
        QVERIFY(!w.editor.UpdateLocked());
        w.grid->fail = false;
        QVERIFY(!w.press(Qt::Key_Escape));
    }

    // The grid control's own rules. Out of range it throws and changes
    // nothing; in range it is heard before the assignment returns, and only
    // when something changed.
    void assignments()
    {
        int moves = 0;
        int scrolls = 0;
        GridWindow w;
        GridControl &g = *w.grid;
        g.setListener([&](EditGrid::Notification notification) {
            ++(notification == EditGrid::Notification::RowColChange ? moves : scrolls);
        });
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(-1));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setRow(16));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setCol(6));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setTopRow(0)); // a fixed row
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColWidth(1, -2));
        QVERIFY_THROWS_EXCEPTION(GridRangeError, g.setColAlignment(1, 10));
        w.place({1, 1, 1, 1});
        QCOMPARE(moves + scrolls, 0);
        g.setRow(3);
        QCOMPARE(moves, 1);
        g.setTopRow(4);
        QCOMPARE(scrolls, 1);
        QCOMPARE(w.where(), (Place{3, 1, 4, 1}));
    }

    // A cell's background and tool tip stay with the cell as the rows scroll;
    // a text's change is heard once, and not when the text stays.
    void cellLooks()
    {
        GridWindow w;
        GridControl &g = *w.grid;
        QList<QPoint> changed;
        connect(&g, &GridControl::cellTextChanged,
                [&](int row, int col) { changed << QPoint(col, row); });
        w.place({1, 2, 1, 1});
        g.setTextMatrix(3, 3, "5");
        g.setTextMatrix(3, 3, "5");
        QCOMPARE(changed, QList<QPoint>{QPoint(3, 3)});
        g.setCellBackColor(3, 3, QColor(255, 224, 160));
        g.setCellToolTip(3, 3, "Will be 1");
        // Row 3, column 3: 2 px of frame, 40 px of row numbers, two columns
        // of 80 px across; the header and two rows of 19 px down.
        const QPoint inCell(2 + 40 + 160 + 4, 2 + 3 * 19 + 4);
        const auto tipAt = [&] {
            QHelpEvent help(QEvent::ToolTip, inCell, g.mapToGlobal(inCell));
            QApplication::sendEvent(&g, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(), QStringLiteral("Will be 1"));
        QCOMPARE(g.grab().toImage().pixelColor(inCell), QColor(255, 224, 160));
        g.setTopRow(2); // row 4 lies there now
        QCOMPARE(tipAt(), QString());
        QCOMPARE(g.grab().toImage().pixelColor(inCell), g.palette().color(QPalette::Base));
    }

    // Paging within the rows; Page Down and Up from the middle are in the key
    // table. A page is the 5 rows shown whole, the last page starts at row 11.
    void scrollsByWholeRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("topRow");
        QTest::addColumn<int>("move"); // 1 a page down, -1 a page up, else a TopRow
        QTest::addColumn<int>("expected");
        QTest::newRow("page down to the last page") << 16 << 8 << 1 << 11;
        QTest::newRow("page down on the last page") << 16 << 11 << 1 << 11;
        QTest::newRow("page up to the first page") << 16 << 3 << -1 << 1;
        QTest::newRow("TopRow past the last page") << 16 << 1 << 15 << 11;
        QTest::newRow("every row shown") << 5 << 1 << 1 << 1;
    }

    // After the move the header and rows TopRow to TopRow + 5 show, the last
    // of them cut off.
    void scrollsByWholeRows()
    {
        QFETCH(int, rows);
        QFETCH(int, topRow);
        QFETCH(int, move);
        QFETCH(int, expected);
        GridWindow w;
        w.grid->setRows(rows);
        w.grid->setTopRow(topRow);
        int scrolls = 0;
        w.grid->setListener([&](EditGrid::Notification) { ++scrolls; });
        if (qAbs(move) == 1)
            w.grid->ScrollPage(move < 0 ? EditGrid::PageMove::Up : EditGrid::PageMove::Down);
        else
            w.grid->setTopRow(move);
        w.grid->setListener({});
        QCOMPARE(w.grid->TopRow(), expected);
        QCOMPARE(scrolls, expected == topRow ? 0 : 1);
        for (int row = 0; row < rows; ++row)
            QCOMPARE(w.grid->RowIsVisible(row),
                     row == 0 || (row >= expected && row <= expected + 5));
    }
};

QTEST_MAIN(TestGridEdit)
#include "tst_gridedit.moc"
