#pragma once

#include "editcontrol.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;

// An edit control over a Qt widget that lives in the same parent as the grid.
// On its own it is a control of no known kind: geometry, visibility, focus.
class WidgetEditControl : public EditControl
{
public:
    explicit WidgetEditControl(QWidget &widget);

    EditKind kind() const override { return EditKind::Other; }
    quintptr hWnd() const override;
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void Move(double left, double top, std::optional<double> width = std::nullopt) override;
    bool Visible() const override;
    void setVisible(bool visible) override;
    void SetFocus() override;

protected:
    QWidget &widget() const;

private:
    QPointer<QWidget> mWidget;
};

// A text box. MaxLength limits what the user types, not texts set from the
// program: a cell longer than the limit is shown whole, never cut.
class LineEditControl : public WidgetEditControl
{
public:
    explicit LineEditControl(QLineEdit &lineEdit);

    EditKind kind() const override { return EditKind::TextBox; }
    QString Text() const override;
    void setText(const QString &text) override;
    int SelStart() const override;
    void setSelStart(int start) override;
    int SelLength() const override;
    void setSelLength(int length) override;
    QString SelText() const override;
    int MaxLength() const override;
    void setMaxLength(int length) override;

private:
    QLineEdit &lineEdit() const;
    void applyLimit(int textLength);
};

// A combo box. Its list counts as open while the popup is shown.
class ComboBoxControl : public WidgetEditControl
{
public:
    explicit ComboBoxControl(QComboBox &comboBox);

    EditKind kind() const override { return EditKind::ComboBox; }
    QString Text() const override;
    // A combo box that cannot be typed into refuses a text its list lacks.
    void setText(const QString &text) override;
    int ListIndex() const override;
    void setListIndex(int index) override;
    bool ListDropped() const override;

private:
    QComboBox &comboBox() const;
};

class CheckBoxControl : public WidgetEditControl
{
public:
    explicit CheckBoxControl(QCheckBox &checkBox);

    EditKind kind() const override { return EditKind::CheckBox; }
    int Value() const override;
    void setValue(int value) override;

private:
    QCheckBox &checkBox() const;
};

// The adapter that fits the widget's type (a QLineEdit, QComboBox or
// QCheckBox, or a control of no known kind).
std::unique_ptr<EditControl> makeEditControl(QWidget &widget);
