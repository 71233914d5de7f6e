#include "editboxkeeper.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QWheelEvent>
#include <QWidget>

EditBoxKeeper::EditBoxKeeper(QWidget &grid, QObject *parent) : QObject(parent), mGrid(&grid)
{
    grid.installEventFilter(this);
}

void EditBoxKeeper::watch(QWidget &box)
{
    mBoxes << &box;
    box.installEventFilter(this);
    updateTabStop();
}

QWidget *EditBoxKeeper::shownBox() const
{
    for (QWidget *box : mBoxes) {
        if (box && !box->isHidden())
            return box;
    }
    return nullptr;
}

void EditBoxKeeper::updateTabStop()
{
    if (mGrid)
        mGrid->setFocusPolicy(shownBox() ? Qt::ClickFocus : Qt::StrongFocus);
}

bool EditBoxKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mGrid) {
        gridEvent(*event);
        return false;
    }
    for (QWidget *box : mBoxes) {
        if (box && box == watched)
            return boxEvent(*box, *event);
    }
    return false;
}

void EditBoxKeeper::gridEvent(const QEvent &event)
{
    if (event.type() != QEvent::FocusIn)
        return;
    if (QWidget *box = shownBox())
        box->setFocus(static_cast<const QFocusEvent &>(event).reason());
}

bool EditBoxKeeper::boxEvent(QWidget &box, QEvent &event)
{
    switch (event.type()) {
    case QEvent::ShowToParent:
        updateTabStop();
        if (mGrid && mGrid->hasFocus())
            box.setFocus(Qt::OtherFocusReason);
        return false;
    case QEvent::HideToParent:
        updateTabStop();
        return false;
    case QEvent::FocusOut:
        // Hiding a box with the focus passes the focus on before the box
        // hears of it; it belongs to the grid.
        if (box.isHidden() && mGrid)
            mGrid->setFocus(Qt::OtherFocusReason);
        return false;
    case QEvent::Wheel: {
        if (!mGrid)
            return false;
        const auto &wheel = static_cast<const QWheelEvent &>(event);
        QWheelEvent forwarded(mGrid->mapFromGlobal(wheel.globalPosition()), wheel.globalPosition(),
                              wheel.pixelDelta(), wheel.angleDelta(), wheel.buttons(),
                              wheel.modifiers(), wheel.phase(), wheel.inverted(), wheel.source());
        QCoreApplication::sendEvent(mGrid, &forwarded);
        return true;
    }
    default:
        return false;
    }
}
