#include "helpkey.h"

#include "helpfile.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

HelpKeyFilter::HelpKeyFilter(QWidget &window) : QObject(&window), mWindow(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

HelpKeyFilter::~HelpKeyFilter()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool HelpKeyFilter::isInWindow(QObject *object) const
{
    const auto *widget = qobject_cast<QWidget *>(object);
    // An open drop-down list is a popup window of its own; it belongs to the
    // window of the control that opened it.
    while (widget && widget->window()->windowType() == Qt::Popup)
        widget = widget->window()->parentWidget();
    return widget && (widget == &mWindow || mWindow.isAncestorOf(widget));
}

bool HelpKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isInWindow(watched))
        return false;
    if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1)
        return false;
    // An open list holds the keyboard and the mouse: it closes before the
    // manual opens over it.
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    helpfile::openHelp(&mWindow);
    return true;
}
