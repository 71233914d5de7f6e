#pragma once

#include <QString>
#include <functional>
#include <utility>

// What the grid editor needs of a grid: its structure, current cell, scroll
// position, cell sizes and texts (twips), its place in its container (twips),
// page scrolling and focus. Assignments it cannot take throw GridRangeError.
// The grid tells its one listener of RowColChange and Scroll synchronously,
// from inside the assignment (or page scroll) that caused them, and of Resize
// when its own size changed (and with it which cells it shows).
class EditGrid
{
public:
    enum class PageMove { Up, Down };
    enum class Notification { RowColChange, Scroll, Resize };
    using Listener = std::function<void(Notification)>;

    EditGrid() = default;
    EditGrid(const EditGrid &) = delete;
    EditGrid &operator=(const EditGrid &) = delete;
    virtual ~EditGrid() = default;

    // Replaces the listener; an empty one stops the calls.
    void setListener(Listener listener) { mListener = std::move(listener); }

    virtual int Rows() const = 0;
    virtual int Cols() const = 0;
    virtual int FixedRows() const = 0;
    virtual int FixedCols() const = 0;

    virtual int Row() const = 0;
    virtual void setRow(int row) = 0;
    virtual int Col() const = 0;
    virtual void setCol(int col) = 0;
    virtual int TopRow() const = 0;
    virtual void setTopRow(int row) = 0;
    virtual int LeftCol() const = 0;
    virtual void setLeftCol(int col) = 0;

    virtual int ColWidth(int col) const = 0;
    virtual void setColWidth(int col, int width) = 0;
    virtual int RowHeight(int row) const = 0;
    virtual int RowHeightMin() const = 0;
    virtual void setRowHeightMin(int height) = 0;

    virtual QString TextMatrix(int row, int col) const = 0;
    virtual void setTextMatrix(int row, int col, const QString &text) = 0;
    virtual void setColAlignment(int col, int alignment) = 0;

    virtual bool RowIsVisible(int row) const = 0;
    virtual int CellLeft() const = 0;
    virtual int CellTop() const = 0;
    virtual int CellWidth() const = 0;
    virtual QString Text() const = 0;

    virtual double Left() const = 0;
    virtual double Top() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;

    virtual void ScrollPage(PageMove move) = 0;
    virtual void SetFocus() = 0;

protected:
    void notify(Notification notification)
    {
        if (mListener)
            mListener(notification);
    }

private:
    Listener mListener;
};
