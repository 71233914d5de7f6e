#pragma once

#include <QObject>

class QLineEdit;
class QWidget;

// Ctrl+Z and Ctrl+Y in a text box of the configuration are the window's Undo
// and Redo, not the box's own: the box is kept from taking them, so the
// window's shortcuts see them. A box outside the configuration (the serial
// number) keeps its own undo while it has typing to undo, and passes the keys
// on otherwise: the keyboard starts there, and Ctrl+Z must not go nowhere.
class UndoKeys : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void watch(QWidget &box);
    void watchOwnFirst(QLineEdit &box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
