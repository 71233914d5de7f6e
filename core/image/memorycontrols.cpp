#include "memorycontrols.h"

#include <stdexcept>

namespace tqimage {

void MemoryControls::clear()
{
    inputs = {};
    outputs = {};
    alarmSystem = 0;
    baudIndex = baudFallbackIndex;
    timeout = clearedDwellText;
}

template <typename Self> auto &MemoryControls::cell(Self &self, Grid grid, int row, int col)
{
    const int cols = grid == Grid::Inputs ? grid::inputCols : grid::outputCols;
    if (row < 1 || row > layout::recordCount || col < 1 || col >= cols)
        throw std::out_of_range("no such grid cell");
    return grid == Grid::Inputs ? self.inputs[row - 1][col - 1] : self.outputs[row - 1][col - 1];
}

int MemoryControls::gridRows(Grid) const
{
    return grid::rows;
}

QString MemoryControls::cellText(Grid grid, int row, int col) const
{
    if (col == 0 && row >= 1 && row <= layout::recordCount)
        return QString::number(row);
    return cell(*this, grid, row, col);
}

void MemoryControls::setCellText(Grid grid, int row, int col, const QString &text)
{
    cell(*this, grid, row, col) = text;
}

} // namespace tqimage
