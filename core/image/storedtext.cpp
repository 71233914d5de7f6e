#include "storedtext.h"

#include <memory>

namespace tqimage {

namespace {

template <typename Row> void copyRows(const CodecControls &from, Grid grid, Row &rows)
{
    for (int row = 1; row <= layout::recordCount; ++row)
        for (std::size_t c = 0; c < rows[0].size(); ++c)
            rows[std::size_t(row - 1)][c] = from.cellText(grid, row, int(c) + 1);
}

} // namespace

MemoryControls copyOf(const CodecControls &controls)
{
    MemoryControls copy;
    copyRows(controls, Grid::Inputs, copy.inputs);
    copyRows(controls, Grid::Outputs, copy.outputs);
    copy.timeout = controls.timeoutText();
    copy.alarmSystem = controls.alarmSystemValue();
    copy.baudIndex = controls.baudListIndex();
    return copy;
}

MemoryControls asStored(const CodecControls &controls)
{
    MemoryControls typed = copyOf(controls);
    auto image = std::make_unique<EEPROMImage>();
    EEPROM_ENCODE(typed, *image);
    MemoryControls stored;
    EEPROM_DECODE(stored, *image);
    return stored;
}

bool storedOtherwise(const QString &typed, const QString &stored)
{
    const QString text = typed.trimmed();
    return !text.isEmpty() && text != stored;
}

} // namespace tqimage
