#pragma once

#include "codec.h"

class GridControl;
class QCheckBox;
class QComboBox;
class QLineEdit;
class cGridEdit;

// The codec's view of the main window: the real grids, their editors and the
// three settings controls.
class WindowCodecControls : public tqimage::CodecControls
{
public:
    struct GridWithEditor
    {
        GridControl &grid;
        cGridEdit &editor;
    };

    WindowCodecControls(GridWithEditor inputs, GridWithEditor outputs, QComboBox &cbBaud,
                        QLineEdit &txtTimeout, QCheckBox &ckAlarmSystem);

    int gridRows(tqimage::Grid grid) const override;
    QString cellText(tqimage::Grid grid, int row, int col) const override;
    void setCellText(tqimage::Grid grid, int row, int col, const QString &text) override;

    QString timeoutText() const override;
    void setTimeoutText(const QString &text) override;
    int alarmSystemValue() const override;
    void setAlarmSystemValue(int value) override;
    int baudListIndex() const override;
    void setBaudListIndex(int index) override;

    void EditBox_Restore(tqimage::Grid grid) override;
    void SetPosition(tqimage::Grid grid) override;

private:
    const GridWithEditor &pick(tqimage::Grid grid) const;

    GridWithEditor mInputs;
    GridWithEditor mOutputs;
    QComboBox &mBaud;
    QLineEdit &mTimeout;
    QCheckBox &mAlarmSystem;
};
