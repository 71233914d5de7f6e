#pragma once

#include <QImage>
#include <QStringList>
#include <vector>

class QWidget;

// Numbered markers on a picture of a window, each drawn at the real geometry
// of the controls it explains, so the manual's legend and the picture cannot
// drift apart when the layout changes.
namespace callouts {

// Where the marker sits: on the middle or the left end of the outline's top
// edge, or after the first control (a title with its grid below).
enum class Anchor { TopCentre, TopLeft, AfterFirst };

struct Callout
{
    // Object paths below the window ("mTBar/txtSN"); the outline encloses
    // them all, so a caption and its field are one numbered item.
    QStringList controls;
    Anchor anchor = Anchor::TopCentre;
};

// The window drawn at `scale` times its size with a marker numbered 1, 2, ...
// for each callout in turn; `missing` names a control that was not found.
QImage draw(QWidget &window, const std::vector<Callout> &items, int scale, QString &missing);

} // namespace callouts
