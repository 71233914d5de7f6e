#pragma once

#include <QObject>

class QWidget;

// Ctrl+Z and Ctrl+Y in a text box of the configuration are the window's Undo
// and Redo, not the box's own: the box is kept from taking them, so the
// window's shortcuts see them.
class UndoKeys : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void watch(QWidget &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
