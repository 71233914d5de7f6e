#pragma once

#include <QPoint>
#include <QRect>

// Layout sizes are kept in twips (1/1440 inch) where the program computes in
// twips; these convert at the widget boundary with the screen's logical DPI.
namespace twips {

constexpr int perInch = 1440;

// Logical dots per inch of the primary screen (96 when there is no screen).
double logicalDpi();

int toPixels(double twipValue);
double fromPixels(int pixels);

QRect rectToPixels(double left, double top, double width, double height);

} // namespace twips
