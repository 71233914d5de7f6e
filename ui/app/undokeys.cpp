#include "undokeys.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

constexpr char ownFirst[] = "undoKeysOwnFirst";

// Whether `box` has its own step to take for `key`.
bool hasOwnStep(const QLineEdit &box, QKeyCombination key)
{
    return key == (Qt::CTRL | Qt::Key_Z) ? box.isUndoAvailable() : box.isRedoAvailable();
}

} // namespace

void UndoKeys::watch(QWidget &box)
{
    box.installEventFilter(this);
}

void UndoKeys::watchOwnFirst(QLineEdit &box)
{
    box.setProperty(ownFirst, true);
    box.installEventFilter(this);
}

bool UndoKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const QKeyCombination key = static_cast<QKeyEvent *>(event)->keyCombination();
    if (key != (Qt::CTRL | Qt::Key_Z) && key != (Qt::CTRL | Qt::Key_Y))
        return false;
    const auto *box = qobject_cast<QLineEdit *>(watched);
    // Left unaccepted, the override goes on to the window's shortcuts.
    return !(box && box->property(ownFirst).toBool() && hasOwnStep(*box, key));
}
