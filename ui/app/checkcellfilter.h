#pragma once

#include <QValidator>

class QLineEdit;

// Check-mark cells hold "x" or nothing: in their edit boxes every character
// other than "x" and a space becomes "x", however it came in: typed, composed
// by an input method, pasted (Ctrl+V, Shift+Insert, the context menu, the
// middle button) or dropped. Backspace, the editing keys and shortcuts work
// as in any box. It works as the boxes' validator, which sees every change of
// their text.
class CheckCellFilter : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    void watch(QLineEdit &box);

    State validate(QString &input, int &pos) const override;
};
