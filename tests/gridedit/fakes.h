#pragma once

// A grid and edit controls that keep their state in plain fields, for driving
// the grid editor without widgets. Like the real ones they refuse values out of
// range by throwing and notify synchronously.
#include "editcontrol.h"
#include "editgrid.h"
#include "griderrors.h"

#include <QList>
#include <QSet>
#include <QStringList>

class FakeGrid : public EditGrid
{
public:
    FakeGrid(int rows, int cols) : mRows(rows), mCols(cols)
    {
        widths = QList<int>(cols, 1000);
        heights = QList<int>(rows, 240);
        cells = QList<QStringList>(rows, QStringList(cols));
        alignments = QList<int>(cols, 9);
    }

    int Rows() const override { return mRows; }
    int Cols() const override { return mCols; }
    int FixedRows() const override { return fixedRows; }
    int FixedCols() const override { return fixedCols; }
    int Row() const override { return mRow; }
    void setRow(int row) override { moveTo(checkRow(row), mCol); }
    int Col() const override { return mCol; }
    void setCol(int col) override { moveTo(mRow, checkCol(col)); }
    int TopRow() const override { return mTopRow; }
    void setTopRow(int row) override
    {
        if (failTopRow)
            throw GridRangeError("refused");
        scrollTo(checkRow(row), mLeftCol);
    }
    int LeftCol() const override { return mLeftCol; }
    void setLeftCol(int col) override { scrollTo(mTopRow, checkCol(col)); }
    int ColWidth(int col) const override { return widths.at(checkCol(col)); }
    void setColWidth(int col, int width) override { widths[checkCol(col)] = width; }
    int RowHeight(int row) const override { return std::max(heights.at(checkRow(row)), minHeight); }
    int RowHeightMin() const override { return minHeight; }
    void setRowHeightMin(int height) override { minHeight = height; }
    QString TextMatrix(int row, int col) const override
    {
        return cells[checkRow(row)][checkCol(col)];
    }
    void setTextMatrix(int row, int col, const QString &text) override
    {
        cells[checkRow(row)][checkCol(col)] = text;
    }
    void setColAlignment(int col, int alignment) override { alignments[checkCol(col)] = alignment; }
    bool RowIsVisible(int row) const override
    {
        checkRow(row);
        return row < fixedRows || (row >= mTopRow && !hiddenRows.contains(row));
    }
    int CellLeft() const override { return cellLeft; }
    int CellTop() const override { return cellTop; }
    int CellWidth() const override { return ColWidth(mCol); }
    QString Text() const override { return TextMatrix(mRow, mCol); }
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return width; }
    double Height() const override { return height; }
    void ScrollPage(PageMove move) override
    {
        const int target = move == PageMove::Down ? mTopRow + pageRows : mTopRow - pageRows;
        scrollTo(std::clamp(target, fixedRows, maxTopRow), mLeftCol);
    }
    void SetFocus() override { ++focusCount; }

    // A click: both coordinates change, one notification.
    void click(int row, int col) { moveTo(checkRow(row), checkCol(col)); }
    // Places the current cell without notifying anyone.
    void place(int row, int col, int topRow = 1, int leftCol = 1)
    {
        mRow = row;
        mCol = col;
        mTopRow = topRow;
        mLeftCol = leftCol;
    }

    int fixedRows = 1;
    int fixedCols = 1;
    int minHeight = 0;
    double left = 0;
    double top = 0;
    double width = 6000;
    double height = 4000;
    int cellLeft = 0;
    int cellTop = 0;
    int pageRows = 5;
    int maxTopRow = 1000;
    bool failTopRow = false;
    int focusCount = 0;
    int rowColChanges = 0;
    QSet<int> hiddenRows;
    QList<int> widths;
    QList<int> heights;
    QList<int> alignments;
    QList<QStringList> cells;

private:
    int checkRow(int row) const
    {
        if (row < 0 || row >= mRows)
            throw GridRangeError("row out of range");
        return row;
    }
    int checkCol(int col) const
    {
        if (col < 0 || col >= mCols)
            throw GridRangeError("column out of range");
        return col;
    }
    void moveTo(int row, int col)
    {
        if (row == mRow && col == mCol)
            return;
        mRow = row;
        mCol = col;
        ++rowColChanges;
        notify(Notification::RowColChange);
    }
    void scrollTo(int topRow, int leftCol)
    {
        if (topRow == mTopRow && leftCol == mLeftCol)
            return;
        mTopRow = topRow;
        mLeftCol = leftCol;
        notify(Notification::Scroll);
    }

    int mRows;
    int mCols;
    int mRow = 1;
    int mCol = 1;
    int mTopRow = 1;
    int mLeftCol = 1;
};

class FakeControl : public EditControl
{
    EditKind mKind;

public:
    explicit FakeControl(EditKind kind, double width = 1000, double height = 300)
        : mKind(kind), width(width), height(height)
    {
    }

    EditKind kind() const override { return mKind; }
    quintptr hWnd() const override { return reinterpret_cast<quintptr>(this); }
    double Left() const override { return left; }
    double Top() const override { return top; }
    double Width() const override { return width; }
    double Height() const override { return height; }
    void Move(double l, double t, std::optional<double> w) override
    {
        left = l;
        top = t;
        if (w)
            width = *w;
    }
    bool Visible() const override { return visible; }
    void setVisible(bool v) override { visible = v; }
    void SetFocus() override
    {
        if (!visible)
            throw MissingMemberError("hidden");
        ++focusCount;
    }

    QString Text() const override { return is(EditKind::CheckBox) ? EditControl::Text() : text; }
    void setText(const QString &t) override
    {
        if (is(EditKind::ComboBox)) {
            if (!items.contains(t))
                throw InvalidValueError("no such entry");
            listIndex = int(items.indexOf(t));
        } else if (!is(EditKind::TextBox)) {
            EditControl::setText(t);
        }
        text = t;
    }
    int SelStart() const override { return textOnly(selStart); }
    void setSelStart(int s) override { selStart = textOnly(s); }
    int SelLength() const override { return textOnly(selLength); }
    void setSelLength(int l) override { selLength = textOnly(l); }
    QString SelText() const override { return text.mid(SelStart(), SelLength()); }
    int MaxLength() const override { return textOnly(maxLength); }
    void setMaxLength(int l) override { maxLength = textOnly(l); }
    int ListIndex() const override { return comboOnly(listIndex); }
    void setListIndex(int i) override
    {
        listIndex = comboOnly(i);
        text = i < 0 ? QString() : items.at(i);
    }
    bool ListDropped() const override { return comboOnly(dropped); }
    int Value() const override { return is(EditKind::CheckBox) ? value : EditControl::Value(); }
    void setValue(int v) override
    {
        if (!is(EditKind::CheckBox))
            EditControl::setValue(v);
        value = v;
    }

    double left = 0;
    double top = 0;
    double width;
    double height;
    bool visible = false;
    int focusCount = 0;
    QString text;
    int selStart = 0;
    int selLength = 0;
    int maxLength = 0;
    QStringList items;
    int listIndex = -1;
    bool dropped = false;
    int value = 0;

private:
    bool is(EditKind kind) const { return mKind == kind; }
    template <typename T> T textOnly(T v) const
    {
        if (!is(EditKind::TextBox))
            throw MissingMemberError("not a text box");
        return v;
    }
    template <typename T> T comboOnly(T v) const
    {
        if (!is(EditKind::ComboBox))
            throw MissingMemberError("not a combo box");
        return v;
    }
};
