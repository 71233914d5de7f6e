#pragma once

#include "editgrid.h"

class GridControl;

// Lets the grid editor drive a GridControl; the control's notifications are
// passed on directly, so they stay synchronous.
class GridControlAdapter : public EditGrid
{
    Q_OBJECT

public:
    explicit GridControlAdapter(GridControl &grid, QObject *parent = nullptr);

    GridControl &control() const { return mGrid; }

    int Rows() const override;
    int Cols() const override;
    int FixedRows() const override;
    int FixedCols() const override;
    int Row() const override;
    void setRow(int row) override;
    int Col() const override;
    void setCol(int col) override;
    int TopRow() const override;
    void setTopRow(int row) override;
    int LeftCol() const override;
    void setLeftCol(int col) override;
    int ColWidth(int col) const override;
    void setColWidth(int col, int width) override;
    int RowHeight(int row) const override;
    int RowHeightMin() const override;
    void setRowHeightMin(int height) override;
    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString &text) override;
    void setColAlignment(int col, int alignment) override;
    bool RowIsVisible(int row) const override;
    double CellLeft() const override;
    double CellTop() const override;
    double CellWidth() const override;
    QString Text() const override;
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void ScrollPage(PageMove move) override;
    void SetFocus() override;

private:
    GridControl &mGrid;
};
