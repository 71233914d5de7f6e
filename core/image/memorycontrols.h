#pragma once

#include "codec.h"

#include <array>

namespace tqimage {

// The codec's controls held as plain values, as a freshly loaded window has
// them: empty data cells, empty dwell time, alarm unchecked, no baud selection.
// Used where there is no window (the command-line tool, tests).
class MemoryControls : public CodecControls
{
public:
    using InputRow = std::array<QString, grid::inputCols - 1>;   // columns 1 .. 4
    using OutputRow = std::array<QString, grid::outputCols - 1>; // columns 1 .. 2

    std::array<InputRow, layout::recordCount> inputs;
    std::array<OutputRow, layout::recordCount> outputs;
    QString timeout;
    int alarmSystem = 0;
    int baudIndex = -1;

    // What clearing the window does: empty data cells, alarm unchecked,
    // "9600" selected, dwell time "30".
    void clear();

    int gridRows(Grid grid) const override;
    QString cellText(Grid grid, int row, int col) const override;
    void setCellText(Grid grid, int row, int col, const QString &text) override;
    QString timeoutText() const override { return timeout; }
    void setTimeoutText(const QString &text) override { timeout = text; }
    int alarmSystemValue() const override { return alarmSystem; }
    void setAlarmSystemValue(int value) override { alarmSystem = value; }
    int baudListIndex() const override { return baudIndex; }
    void setBaudListIndex(int index) override { baudIndex = index; }
    // No edit boxes: nothing is being typed and nothing to place.
    void EditBox_Restore(Grid) override {}
    void SetPosition(Grid) override {}

private:
    // Refuses a cell outside the data rows and columns, as a grid would.
    template <typename Self> static auto &cell(Self &self, Grid grid, int row, int col);
};

} // namespace tqimage
