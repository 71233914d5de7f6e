#include "helpkey.h"

#include "helpfile.h"

#include <QCoreApplication>
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
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && (widget == &mWindow || mWindow.isAncestorOf(widget));
}

bool HelpKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isInWindow(watched))
        return false;
    if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1)
        return false;
    helpfile::openHelp(&mWindow);
    return true;
}
