#pragma once

#include <QObject>

class QInputMethodEvent;
class QLineEdit;

// Check-mark cells hold "x" or nothing: in their edit boxes every typed
// character other than "x" and a space becomes "x", and so does text composed
// by an input method. Backspace, the editing keys and shortcuts pass unchanged.
class CheckCellFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Install before the box's KeyForwarder, so the grid editor sees the key
    // first (filters installed later run first) and this only the keys it
    // leaves to the box.
    void watch(QLineEdit &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void composed(QInputMethodEvent &event);
};
