#include "widgeteditcontrols.h"

#include "griderrors.h"
#include "twips.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace {

// The limit as the editor set it (0 = none), kept on the widget itself so that
// every adapter of one text box sees the same value.
constexpr char limitProperty[] = "tqMaxLength";
constexpr int unlimited = 32767;

} // namespace

// --- any widget --------------------------------------------------------------

WidgetEditControl::WidgetEditControl(QWidget &widget) : mWidget(&widget) {}

QWidget &WidgetEditControl::widget() const
{
    if (!mWidget)
        throw MissingMemberError("the control no longer exists");
    return *mWidget;
}

quintptr WidgetEditControl::hWnd() const
{
    return reinterpret_cast<quintptr>(mWidget.data());
}

double WidgetEditControl::Left() const
{
    return twips::fromPixels(widget().x());
}

double WidgetEditControl::Top() const
{
    return twips::fromPixels(widget().y());
}

double WidgetEditControl::Width() const
{
    return twips::fromPixels(widget().width());
}

double WidgetEditControl::Height() const
{
    return twips::fromPixels(widget().height());
}

void WidgetEditControl::Move(double left, double top, std::optional<double> width)
{
    QWidget &w = widget();
    w.move(twips::toPixels(left), twips::toPixels(top));
    if (width)
        w.resize(twips::toPixels(*width), w.height());
}

bool WidgetEditControl::Visible() const
{
    return !widget().isHidden();
}

void WidgetEditControl::setVisible(bool visible)
{
    QWidget &w = widget();
    w.setVisible(visible);
    // Shown over the grid, whatever the order the owner created them in.
    if (visible)
        w.raise();
}

void WidgetEditControl::SetFocus()
{
    QWidget &w = widget();
    if (!w.isVisibleTo(w.window()) || !w.isEnabled())
        throw MissingMemberError("a hidden or disabled control cannot take the focus");
    w.setFocus(Qt::OtherFocusReason);
}

// --- text box ----------------------------------------------------------------

LineEditControl::LineEditControl(QLineEdit &lineEdit) : WidgetEditControl(lineEdit) {}

QLineEdit &LineEditControl::lineEdit() const
{
    return static_cast<QLineEdit &>(widget());
}

QString LineEditControl::Text() const
{
    return lineEdit().text();
}

void LineEditControl::setText(const QString &text)
{
    applyLimit(int(text.size()));
    lineEdit().setText(text);
}

int LineEditControl::SelStart() const
{
    const QLineEdit &edit = lineEdit();
    return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
}

void LineEditControl::setSelStart(int start)
{
    if (start < 0)
        throw InvalidValueError("negative SelStart");
    QLineEdit &edit = lineEdit();
    edit.setCursorPosition(std::min(start, int(edit.text().size())));
}

int LineEditControl::SelLength() const
{
    return int(lineEdit().selectedText().size());
}

void LineEditControl::setSelLength(int length)
{
    if (length < 0)
        throw InvalidValueError("negative SelLength");
    QLineEdit &edit = lineEdit();
    const int start = SelStart();
    const int span = std::min(length, int(edit.text().size()) - start);
    if (span > 0)
        edit.setSelection(start, span);
    else
        edit.setCursorPosition(start);
}

QString LineEditControl::SelText() const
{
    return lineEdit().selectedText();
}

int LineEditControl::MaxLength() const
{
    const QVariant limit = lineEdit().property(limitProperty);
    if (limit.isValid())
        return limit.toInt();
    const int own = lineEdit().maxLength();
    return own >= unlimited ? 0 : own;
}

void LineEditControl::setMaxLength(int length)
{
    if (length < 0)
        throw InvalidValueError("negative MaxLength");
    lineEdit().setProperty(limitProperty, length);
    applyLimit(int(lineEdit().text().size()));
}

// QLineEdit would cut a longer text down to its limit; the limit is therefore
// never below the length of the text being shown.
void LineEditControl::applyLimit(int textLength)
{
    const int limit = MaxLength();
    lineEdit().setMaxLength(limit == 0 ? unlimited : std::max(limit, textLength));
}

// --- combo box -----------------------------------------------------------------

ComboBoxControl::ComboBoxControl(QComboBox &comboBox) : WidgetEditControl(comboBox) {}

QComboBox &ComboBoxControl::comboBox() const
{
    return static_cast<QComboBox &>(widget());
}

QString ComboBoxControl::Text() const
{
    return comboBox().currentText();
}

void ComboBoxControl::setText(const QString &text)
{
    QComboBox &combo = comboBox();
    const int index = combo.findText(text);
    if (combo.isEditable()) {
        combo.setCurrentIndex(index);
        combo.setEditText(text);
        return;
    }
    if (index < 0)
        throw InvalidValueError("the list holds no such entry");
    combo.setCurrentIndex(index);
}

int ComboBoxControl::ListIndex() const
{
    return comboBox().currentIndex();
}

void ComboBoxControl::setListIndex(int index)
{
    QComboBox &combo = comboBox();
    if (index < -1 || index >= combo.count())
        throw InvalidValueError("list index out of range");
    combo.setCurrentIndex(index);
}

bool ComboBoxControl::ListDropped() const
{
    return comboBox().view()->isVisible();
}

// --- check box -------------------------------------------------------------------

CheckBoxControl::CheckBoxControl(QCheckBox &checkBox) : WidgetEditControl(checkBox) {}

QCheckBox &CheckBoxControl::checkBox() const
{
    return static_cast<QCheckBox &>(widget());
}

int CheckBoxControl::Value() const
{
    switch (checkBox().checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void CheckBoxControl::setValue(int value)
{
    static constexpr Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    if (value < 0 || value > 2)
        throw InvalidValueError("check box value out of range");
    checkBox().setCheckState(states[value]);
}

// --- factory -----------------------------------------------------------------------

std::unique_ptr<EditControl> makeEditControl(QWidget &widget)
{
    if (auto *lineEdit = qobject_cast<QLineEdit *>(&widget))
        return std::make_unique<LineEditControl>(*lineEdit);
    if (auto *comboBox = qobject_cast<QComboBox *>(&widget))
        return std::make_unique<ComboBoxControl>(*comboBox);
    if (auto *checkBox = qobject_cast<QCheckBox *>(&widget))
        return std::make_unique<CheckBoxControl>(*checkBox);
    return std::make_unique<WidgetEditControl>(widget);
}
