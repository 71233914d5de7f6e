#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace twips {

double logicalDpi()
{
    if (auto *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}

int toPixels(double twipValue)
{
    return static_cast<int>(std::lround(twipValue * logicalDpi() / perInch));
}

double fromPixels(int pixels)
{
    return pixels * perInch / logicalDpi();
}

QRect rectToPixels(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips
