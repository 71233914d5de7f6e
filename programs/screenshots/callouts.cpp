#include "callouts.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <optional>

namespace callouts {

namespace {

// In the window's pixels, before scaling.
constexpr int margin = 12;
constexpr qreal badgeRadius = 7.5;
constexpr qreal badgeShift = 3; // outward from the corner, clear of the text
const QColor ink(0xB0, 0x1E, 0x23);

// The control an object path names, searched level by level.
QWidget *find(QWidget &window, const QString &path)
{
    QWidget *widget = &window;
    for (const QString &name : path.split(u'/')) {
        widget = widget->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        if (!widget)
            return nullptr;
    }
    return widget;
}

// One callout's controls on the canvas: the outline of them all and the
// first one's own box.
struct Placed
{
    QRectF outline;
    QRectF first;
    Anchor anchor;
};

std::optional<Placed> place(QWidget &window, const Callout &item, QString &missing)
{
    std::vector<QRectF> boxes;
    for (const QString &path : item.controls) {
        const QWidget *control = find(window, path);
        if (!control) {
            missing = path;
            return std::nullopt;
        }
        const QPoint topLeft = control->mapTo(&window, QPoint(0, 0)) + QPoint(margin, margin);
        boxes.emplace_back(QRect(topLeft, control->size()));
    }
    QRectF united;
    for (const QRectF &box : boxes)
        united |= box;
    return Placed{united.adjusted(-1, -1, 1, 1), boxes.front(), item.anchor};
}

QPointF badgeCentre(const Placed &placed)
{
    const QRectF &box = placed.outline;
    switch (placed.anchor) {
    case Anchor::TopLeft:
        return {box.left() - badgeShift, box.top() - badgeShift};
    case Anchor::AfterFirst:
        return {placed.first.right() + badgeRadius + 4, placed.first.center().y()};
    case Anchor::TopCentre:
        break;
    }
    return {box.center().x(), box.top() - badgeShift};
}

void drawBadge(QPainter &painter, QPointF centre, int number)
{
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(ink);
    painter.drawEllipse(centre, badgeRadius, badgeRadius);
    QFont font = painter.font();
    font.setPixelSize(number < 10 ? 10 : 9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRectF square(centre.x() - badgeRadius, centre.y() - badgeRadius, 2 * badgeRadius,
                        2 * badgeRadius);
    painter.drawText(square, Qt::AlignCenter, QString::number(number));
}

QPixmap render(QWidget &window, int scale)
{
    QPixmap picture(window.size() * scale);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::white);
    window.render(&picture);
    return picture;
}

// The window's picture on a white canvas with room for the markers.
QImage framedPicture(QWidget &window, int scale)
{
    const QSize size = window.size() + QSize(2 * margin, 2 * margin);
    QImage canvas(size * scale, QImage::Format_RGB32);
    canvas.setDevicePixelRatio(scale);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawPixmap(margin, margin, render(window, scale));
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawRect(QRectF(margin - 0.5, margin - 0.5, window.width() + 1, window.height() + 1));
    return canvas;
}

} // namespace

QImage draw(QWidget &window, const std::vector<Callout> &items, int scale, QString &missing)
{
    std::vector<Placed> placed;
    for (const Callout &item : items) {
        const std::optional<Placed> one = place(window, item, missing);
        if (!one)
            return {};
        placed.push_back(*one);
    }
    QImage canvas = framedPicture(window, scale);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    // Outlines first, so no outline crosses a marker.
    painter.setPen(QPen(ink, 1.2));
    for (const Placed &one : placed)
        painter.drawRoundedRect(one.outline, 2, 2);
    int number = 1;
    for (const Placed &one : placed)
        drawBadge(painter, badgeCentre(one), number++);
    return canvas;
}

} // namespace callouts
