#include "settingsrow.h"

#include "eepromimage.h"
#include "resdll.h"
#include "twipslayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// Design geometry in twips.
constexpr double rowTop = 885;
constexpr double rowHeight = 315;
constexpr double firstLeft = 30;
constexpr double baudWidth = 1000;
constexpr double timeoutWidth = 495;
// Gaps after each control of the chain.
constexpr double gapAfterCaption = 30;
constexpr double gapAfterBaud = 120;
constexpr double gapAfterTimeout = 60;
constexpr double gapAfterUnit = 180;

// String IDs.
constexpr int idBaudCaption = 2300;
constexpr int idTimeoutCaption = 2301;
constexpr int idTimeoutUnit = 2302;
constexpr int idAlarmSystem = 2303;

template <typename Control> Control *makeControl(QWidget &parent, const char *name, double width)
{
    auto *control = new Control(&parent);
    control->setObjectName(QString::fromLatin1(name));
    twips::place(*control, firstLeft, rowTop, width, rowHeight);
    return control;
}

QLabel *makeLabel(QWidget &parent, const char *name)
{
    QLabel *label = makeControl<QLabel>(parent, name, 0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// A label or check box takes the width of its new text; its height stays.
template <typename Control> void setCaption(Control &control, int id)
{
    control.setText(gResDll.GetStr(id));
    twips::fitWidthToText(control);
}

// Places `next` after `previous` with `gap` twips between them.
void placeAfter(QWidget &next, const QWidget &previous, double gap)
{
    twips::moveLeft(next, twips::rightOf(previous) + gap);
}

} // namespace

SettingsRow::SettingsRow(QWidget &window)
    : mBaudLabel(makeLabel(window, "Label1_1")),
      mBaud(makeControl<QComboBox>(window, "cbBaud", baudWidth)),
      mTimeoutLabel(makeLabel(window, "Label1_3")),
      mTimeout(makeControl<QLineEdit>(window, "txtTimeout", timeoutWidth)),
      mUnitLabel(makeLabel(window, "Label1_4")),
      mAlarmSystem(makeControl<QCheckBox>(window, "ckAlarmSystem", 0))
{
}

void SettingsRow::layOut()
{
    setCaption(*mBaudLabel, idBaudCaption);
    placeAfter(*mBaud, *mBaudLabel, gapAfterCaption);
    placeAfter(*mTimeoutLabel, *mBaud, gapAfterBaud);
    setCaption(*mTimeoutLabel, idTimeoutCaption);
    placeAfter(*mTimeout, *mTimeoutLabel, gapAfterCaption);
    placeAfter(*mUnitLabel, *mTimeout, gapAfterTimeout);
    setCaption(*mUnitLabel, idTimeoutUnit);
    placeAfter(*mAlarmSystem, *mUnitLabel, gapAfterUnit);
    setCaption(*mAlarmSystem, idAlarmSystem);
}

void SettingsRow::fillBaudList()
{
    mBaud->clear();
    mBaud->addItems(tqimage::baudRates());
    mBaud->setCurrentIndex(-1);
}

void SettingsRow::reset()
{
    mAlarmSystem->setChecked(false);
    mBaud->setCurrentIndex(tqimage::baudFallbackIndex);
    mTimeout->setText(tqimage::clearedDwellText);
}
