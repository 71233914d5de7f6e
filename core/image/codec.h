#pragma once

#include "eepromimage.h"

#include <QString>

namespace tqimage {

// The input grid (fg1) and the output grid (fg2).
enum class Grid { Inputs, Outputs };

// What the codec reads and writes of the main window: the two grids' cells,
// the dwell-time box, the alarm check box, the baud list and the two grid
// editors. The main window implements it with its real controls.
class CodecControls
{
public:
    virtual ~CodecControls() = default;

    // Rows of the grid including the header row 0.
    virtual int gridRows(Grid grid) const = 0;
    virtual QString cellText(Grid grid, int row, int col) const = 0;
    virtual void setCellText(Grid grid, int row, int col, const QString &text) = 0;

    virtual QString timeoutText() const = 0; // txtTimeout
    virtual void setTimeoutText(const QString &text) = 0;
    virtual int alarmSystemValue() const = 0; // ckAlarmSystem: 1 = checked
    virtual void setAlarmSystemValue(int value) = 0;
    virtual int baudListIndex() const = 0; // cbBaud: -1 = no selection
    virtual void setBaudListIndex(int index) = 0;

    // The grid's editor commits what is being typed into its cell.
    virtual void EditBox_Restore(Grid grid) = 0;
    // The grid's editor lays its edit box over the current cell again.
    virtual void SetPosition(Grid grid) = 0;
};

// Controls and grids into the image. Only the codec's fields are written.
void EEPROM_ENCODE(CodecControls &controls, EEPROMImage &image = EEPROMBuf);

// Image into the controls and grids.
void EEPROM_DECODE(CodecControls &controls, const EEPROMImage &image = EEPROMBuf);

} // namespace tqimage
