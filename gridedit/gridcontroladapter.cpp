#include "gridcontroladapter.h"

#include "gridcontrol.h"

GridControlAdapter::GridControlAdapter(GridControl &grid, QObject *parent)
    : EditGrid(parent), mGrid(grid)
{
    connect(&grid, &GridControl::RowColChange, this, &EditGrid::RowColChange, Qt::DirectConnection);
    connect(&grid, &GridControl::Scroll, this, &EditGrid::Scroll, Qt::DirectConnection);
}

int GridControlAdapter::Rows() const
{
    return mGrid.Rows();
}
int GridControlAdapter::Cols() const
{
    return mGrid.Cols();
}
int GridControlAdapter::FixedRows() const
{
    return mGrid.FixedRows();
}
int GridControlAdapter::FixedCols() const
{
    return mGrid.FixedCols();
}
int GridControlAdapter::Row() const
{
    return mGrid.Row();
}
void GridControlAdapter::setRow(int row)
{
    mGrid.setRow(row);
}
int GridControlAdapter::Col() const
{
    return mGrid.Col();
}
void GridControlAdapter::setCol(int col)
{
    mGrid.setCol(col);
}
int GridControlAdapter::TopRow() const
{
    return mGrid.TopRow();
}
void GridControlAdapter::setTopRow(int row)
{
    mGrid.setTopRow(row);
}
int GridControlAdapter::LeftCol() const
{
    return mGrid.LeftCol();
}
void GridControlAdapter::setLeftCol(int col)
{
    mGrid.setLeftCol(col);
}
int GridControlAdapter::ColWidth(int col) const
{
    return mGrid.ColWidth(col);
}
void GridControlAdapter::setColWidth(int col, int width)
{
    mGrid.setColWidth(col, width);
}
int GridControlAdapter::RowHeight(int row) const
{
    return mGrid.RowHeight(row);
}
int GridControlAdapter::RowHeightMin() const
{
    return mGrid.RowHeightMin();
}
void GridControlAdapter::setRowHeightMin(int height)
{
    mGrid.setRowHeightMin(height);
}

QString GridControlAdapter::TextMatrix(int row, int col) const
{
    return mGrid.TextMatrix(row, col);
}

void GridControlAdapter::setTextMatrix(int row, int col, const QString &text)
{
    mGrid.setTextMatrix(row, col, text);
}

void GridControlAdapter::setColAlignment(int col, int alignment)
{
    mGrid.setColAlignment(col, alignment);
}

bool GridControlAdapter::RowIsVisible(int row) const
{
    return mGrid.RowIsVisible(row);
}
double GridControlAdapter::CellLeft() const
{
    return mGrid.CellLeft();
}
double GridControlAdapter::CellTop() const
{
    return mGrid.CellTop();
}
double GridControlAdapter::CellWidth() const
{
    return mGrid.CellWidth();
}
QString GridControlAdapter::Text() const
{
    return mGrid.Text();
}
double GridControlAdapter::Left() const
{
    return mGrid.Left();
}
double GridControlAdapter::Top() const
{
    return mGrid.Top();
}
double GridControlAdapter::Width() const
{
    return mGrid.Width();
}
double GridControlAdapter::Height() const
{
    return mGrid.Height();
}

void GridControlAdapter::ScrollPage(PageMove move)
{
    mGrid.ScrollPage(move == PageMove::Down ? GridControl::PageMove::Down
                                            : GridControl::PageMove::Up);
}

void GridControlAdapter::SetFocus()
{
    mGrid.SetFocus();
}
