#include "windowcodeccontrols.h"

#include "cgridedit.h"
#include "gridcontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using tqimage::Grid;

WindowCodecControls::WindowCodecControls(GridWithEditor inputs, GridWithEditor outputs,
                                         QComboBox &cbBaud, QLineEdit &txtTimeout,
                                         QCheckBox &ckAlarmSystem)
    : mInputs(inputs), mOutputs(outputs), mBaud(cbBaud), mTimeout(txtTimeout),
      mAlarmSystem(ckAlarmSystem)
{
}

const WindowCodecControls::GridWithEditor &WindowCodecControls::pick(Grid grid) const
{
    return grid == Grid::Inputs ? mInputs : mOutputs;
}

int WindowCodecControls::gridRows(Grid grid) const
{
    return pick(grid).grid.Rows();
}

QString WindowCodecControls::cellText(Grid grid, int row, int col) const
{
    return pick(grid).grid.TextMatrix(row, col);
}

void WindowCodecControls::setCellText(Grid grid, int row, int col, const QString &text)
{
    pick(grid).grid.setTextMatrix(row, col, text);
}

QString WindowCodecControls::timeoutText() const
{
    return mTimeout.text();
}

void WindowCodecControls::setTimeoutText(const QString &text)
{
    mTimeout.setText(text);
}

int WindowCodecControls::alarmSystemValue() const
{
    return mAlarmSystem.isChecked() ? 1 : 0;
}

void WindowCodecControls::setAlarmSystemValue(int value)
{
    mAlarmSystem.setChecked(value == 1);
}

int WindowCodecControls::baudListIndex() const
{
    return mBaud.currentIndex();
}

void WindowCodecControls::setBaudListIndex(int index)
{
    mBaud.setCurrentIndex(index);
}

void WindowCodecControls::EditBox_Restore(Grid grid)
{
    pick(grid).editor.EditBox_Restore();
}

void WindowCodecControls::SetPosition(Grid grid)
{
    pick(grid).editor.SetPosition();
}
