#pragma once

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// The row of device settings under the toolbar, left to right: the baud-rate
// label and list, the dwell-time label, box and unit, and the alarm check box.
// Its controls are children of the window's designed area, which owns them.
class SettingsRow
{
public:
    // Creates the controls at the row's design place.
    explicit SettingsRow(QWidget &window);

    // Captions from the language library, each control placed after the one
    // before it, so the row follows the width of the texts.
    void layOut();
    // The baud list's items, none selected.
    void fillBaudList();
    // Alarm off, "9600", the default dwell time.
    void reset();

    QComboBox &cbBaud() const { return *mBaud; }
    QLineEdit &txtTimeout() const { return *mTimeout; }
    QCheckBox &ckAlarmSystem() const { return *mAlarmSystem; }

private:
    QLabel *mBaudLabel;    // Label1(1)
    QComboBox *mBaud;      // cbBaud
    QLabel *mTimeoutLabel; // Label1(3)
    QLineEdit *mTimeout;   // txtTimeout
    QLabel *mUnitLabel;    // Label1(4)
    QCheckBox *mAlarmSystem;
};
