#pragma once

class QWidget;

// Widget geometry in twips, for windows laid out from design sizes in twips.
// Kept apart from twips.h so that the pure conversions need no widgets.
namespace twips {

void place(QWidget &control, double left, double top, double width, double height);
void moveLeft(QWidget &control, double left);
double leftOf(const QWidget &control);
double rightOf(const QWidget &control);

// The control takes the width of its text; its height and position stay.
void fitWidthToText(QWidget &control);

} // namespace twips
