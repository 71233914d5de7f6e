#include "twipslayout.h"

#include "twips.h"

#include <QWidget>

namespace twips {

void place(QWidget &control, double left, double top, double width, double height)
{
    control.setGeometry(rectToPixels(left, top, width, height));
}

void moveLeft(QWidget &control, double left)
{
    control.move(toPixels(left), control.y());
}

double leftOf(const QWidget &control)
{
    return fromPixels(control.x());
}

double rightOf(const QWidget &control)
{
    return leftOf(control) + fromPixels(control.width());
}

void fitWidthToText(QWidget &control)
{
    control.resize(control.sizeHint().width(), control.height());
}

} // namespace twips
