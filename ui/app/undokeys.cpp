#include "undokeys.h"

#include <QKeyEvent>
#include <QWidget>

void UndoKeys::watch(QWidget &box)
{
    box.installEventFilter(this);
}

bool UndoKeys::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const QKeyCombination key = static_cast<QKeyEvent *>(event)->keyCombination();
    // Left unaccepted, the override goes on to the window's shortcuts.
    return key == (Qt::CTRL | Qt::Key_Z) || key == (Qt::CTRL | Qt::Key_Y);
}
