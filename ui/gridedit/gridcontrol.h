#pragma once

#include "editgrid.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

class QScrollBar;

// A display-only grid of text cells, the way a spreadsheet shows them: the
// first FixedRows rows and FixedCols columns are headers that stay in place
// while the rest scrolls by whole rows and columns (TopRow, LeftCol). One cell
// is current (Row, Col). Sizes and positions are in twips; the conversion to
// pixels happens only here, at the widget boundary.
//
// An assignment the grid cannot take (a row or column out of range) throws
// GridRangeError. RowColChange and Scroll go to the listener synchronously,
// from inside the assignment that caused them.
class GridControl : public QWidget, public EditGrid
{
    Q_OBJECT

public:
    // Alignment codes of ColAlignment: 3 x 3 positions, left/centre/right
    // times top/centre/bottom, plus 9 = text left and numbers right.
    enum Alignment {
        AlignLeftTop,
        AlignLeftCenter,
        AlignLeftBottom,
        AlignCenterTop,
        AlignCenterCenter,
        AlignCenterBottom,
        AlignRightTop,
        AlignRightCenter,
        AlignRightBottom,
        AlignGeneral
    };

    static constexpr int defaultColWidth = 960;
    static constexpr int defaultRowHeight = 240;
    // The frame around the cells; the first cell starts this far in.
    static constexpr int frameTwips = 30;

    explicit GridControl(QWidget *parent = nullptr);

    int Rows() const override { return mRows; }
    void setRows(int rows);
    int Cols() const override { return mCols; }
    void setCols(int cols);
    int FixedRows() const override { return mFixedRows; }
    void setFixedRows(int rows);
    int FixedCols() const override { return mFixedCols; }
    void setFixedCols(int cols);

    int Row() const override { return mRow; }
    void setRow(int row) override;
    int Col() const override { return mCol; }
    void setCol(int col) override;
    int TopRow() const override { return mTopRow; }
    void setTopRow(int row) override;
    int LeftCol() const override { return mLeftCol; }
    void setLeftCol(int col) override;

    // Widths and heights in twips; -1 restores the default, 0 hides.
    int ColWidth(int col) const override;
    void setColWidth(int col, int width) override;
    int RowHeight(int row) const override;
    void setRowHeight(int row, int height);
    int RowHeightMin() const override { return mRowHeightMin; }
    void setRowHeightMin(int height) override;

    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString &text) override;
    int ColAlignment(int col) const;
    void setColAlignment(int col, int alignment) override;

    // True when any part of the row lies in the visible cell area.
    bool RowIsVisible(int row) const override;

    // The current cell, relative to the grid's top-left corner, in twips.
    int CellLeft() const override;
    int CellTop() const override;
    int CellWidth() const override;
    int CellHeight() const;
    QString Text() const override;
    void setText(const QString &text);

    // The grid's place in its container, in twips.
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void setLeft(double left);
    void setTop(double top);
    void setWidth(double width);
    void setHeight(double height);

    // Scrolls by the number of rows wholly visible, as far as the rows reach.
    void ScrollPage(PageMove move) override;

    bool Redraw() const { return mRedraw; }
    void setRedraw(bool on);
    void SetFocus() override;

signals:
    // A cell's text became another (whoever set it).
    void cellTextChanged(int row, int col);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Cell
    {
        int row;
        int col;
    };

    void checkRow(int row) const;
    void checkCol(int col) const;
    int sumRowHeights(int from, int to) const;
    int sumColWidths(int from, int to) const;
    int rowTop(int row) const;
    int colLeft(int col) const;
    QRect cellArea() const;
    double areaBottom() const;
    double areaRight() const;
    int maxTopRow() const;
    int maxLeftCol() const;
    int wholeRowsVisible() const;
    std::optional<Cell> cellAt(QPoint pos) const;

    void resizeCells();
    void layoutScrollBars();
    void syncScrollBars();
    void applyScroll(int topRow, int leftCol);
    void moveCurrent(int row, int col);
    void ensureVisible(int row, int col);
    void repaintIfAllowed();

    void paintCell(QPainter &painter, int row, int col, const QRect &rect) const;
    Qt::Alignment qtAlignment(int col) const;

    int mRows = 2;
    int mCols = 2;
    int mFixedRows = 1;
    int mFixedCols = 1;
    int mRow = 1;
    int mCol = 1;
    int mTopRow = 1;
    int mLeftCol = 1;
    int mRowHeightMin = 0;
    bool mRedraw = true;
    int mWheelDelta = 0;
    QList<int> mColWidths;
    QList<int> mRowHeights;
    QList<int> mColAlignments;
    QList<QStringList> mCells;
    QScrollBar *mVBar;
    QScrollBar *mHBar;
};
