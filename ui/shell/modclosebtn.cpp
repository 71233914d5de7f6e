#include "modclosebtn.h"

#include <QDialog>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace modCloseBtn {

namespace {

// Attached to a window while its Close command is greyed: refuses the close
// requests and remembers the window flags to restore.
class CloseGuard : public QObject
{
public:
    CloseGuard(QWidget *window, Qt::WindowFlags savedFlags)
        : QObject(window), savedFlags(savedFlags)
    {
        setObjectName(guardName());
        window->installEventFilter(this);
    }

    static QString guardName() { return QStringLiteral("modCloseBtnGuard"); }

    const Qt::WindowFlags savedFlags;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore(); // close() then reports the refusal
            return true;
        }
        // A dialog answers Escape with reject(), which hides it without a
        // close event.
        if (event->type() == QEvent::KeyPress && qobject_cast<QDialog *>(watched)) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

CloseGuard *guardOf(const QWidget *window)
{
    return window->findChild<CloseGuard *>(CloseGuard::guardName(), Qt::FindDirectChildrenOnly);
}

// setWindowFlags would hide a shown window (and so end a modal dialog's
// loop); this changes the decoration in place.
void changeFlags(QWidget *window, Qt::WindowFlags flags)
{
    window->overrideWindowFlags(flags);
    if (QWindow *handle = window->windowHandle())
        handle->setFlags(flags);
}

void greyOut(QWidget *window)
{
    const Qt::WindowFlags flags = window->windowFlags();
    new CloseGuard(window, flags);
    // Without the customise hint most platforms ignore a missing button hint.
    changeFlags(window, (flags | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
}

void restore(QWidget *window, CloseGuard *guard)
{
    const Qt::WindowFlags flags = guard->savedFlags;
    delete guard;
    changeFlags(window, flags);
}

} // namespace

std::int16_t EnableCloseButton(QWidget *window, const bool &enable)
{
    if (!window || !window->isWindow())
        return closeNotAWindow;
    CloseGuard *guard = guardOf(window);
    if (enable && guard)
        restore(window, guard);
    else if (!enable && !guard)
        greyOut(window);
    return closeDone;
}

bool isCloseGreyed(const QWidget *window)
{
    return window && guardOf(window) != nullptr;
}

} // namespace modCloseBtn
