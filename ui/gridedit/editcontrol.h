#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The three kinds of edit control the grid editor knows; any other control
// is only moved, shown and hidden.
enum class EditKind { TextBox, ComboBox, CheckBox, Other };

// What the grid editor needs of an edit control. Positions and sizes are in
// the coordinates of the grid's container, in twips. A member the control's
// kind does not have throws MissingMemberError, so that tolerant steps skip it.
class EditControl
{
public:
    virtual ~EditControl() = default;

    virtual EditKind kind() const = 0;
    // Identifies the underlying window: two columns share one control when
    // their handles are equal, even through different EditControl objects.
    virtual quintptr hWnd() const = 0;

    virtual double Left() const = 0;
    virtual double Top() const = 0;
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    // Without a width the control keeps its size; it always keeps its height.
    virtual void Move(double left, double top, std::optional<double> width = std::nullopt) = 0;
    virtual bool Visible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void SetFocus() = 0;

    // Text box and combo box.
    virtual QString Text() const;
    virtual void setText(const QString &text);
    // Text box.
    virtual int SelStart() const;
    virtual void setSelStart(int start);
    virtual int SelLength() const;
    virtual void setSelLength(int length);
    virtual QString SelText() const;
    virtual int MaxLength() const;
    virtual void setMaxLength(int length);
    // Combo box: the selected list entry (-1 none) and whether its list is open.
    virtual int ListIndex() const;
    virtual void setListIndex(int index);
    virtual bool ListDropped() const;
    // Check box: 1 ticked, 0 clear.
    virtual int Value() const;
    virtual void setValue(int value);
};
