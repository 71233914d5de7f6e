#include "ctrlsbar.h"

#include "m_cvlibex.h"
#include "twips.h"
#include "twipslayout.h"

#include <QLabel>
#include <QResizeEvent>

namespace {

// Design geometry in twips.
constexpr double barHeight = 240;
constexpr double versionLeft = 75, versionTop = 15, versionWidth = 3315, versionHeight = 210;
constexpr double copyRightLeft = 3765, copyRightTop = 15, copyRightHeight = 255;

} // namespace

ctrlSBar::ctrlSBar(QWidget *parent)
    : QWidget(parent), lbVersion(new QLabel(this)), lbCopyRight(new QLabel(this))
{
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbCopyRight->setObjectName(QStringLiteral("lbCopyRight"));
    twips::place(*lbVersion, versionLeft, versionTop, versionWidth, versionHeight);
    twips::place(*lbCopyRight, copyRightLeft, copyRightTop, 0, copyRightHeight);
    m_cvlibex::applyDefaultGuiFontToControls(this);
    // Layouts and hosts cannot stretch the bar either.
    setFixedHeight(twips::toPixels(barHeight));
}

QString ctrlSBar::Version() const
{
    return lbVersion->text();
}

void ctrlSBar::setVersion(const QString &text)
{
    lbVersion->setText(text);
}

QString ctrlSBar::CopyRight() const
{
    return lbCopyRight->text();
}

void ctrlSBar::setCopyRight(const QString &text)
{
    lbCopyRight->setText(text);
}

QSize ctrlSBar::sizeHint() const
{
    return {twips::toPixels(copyRightLeft) + lbCopyRight->sizeHint().width(),
            twips::toPixels(barHeight)};
}

void ctrlSBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The fixed height already holds the bar at its design height; this catches a
    // change of the screen's DPI or a host that changed the limits.
    const int wanted = twips::toPixels(barHeight);
    if (height() != wanted)
        setFixedHeight(wanted);
    layOut();
}

void ctrlSBar::layOut()
{
    const double width = twips::fromPixels(this->width()) - copyRightLeft;
    // Too narrow: the notice keeps its last width rather than vanishing.
    if (width < 0)
        return;
    QRect geometry = lbCopyRight->geometry();
    geometry.setWidth(twips::toPixels(width));
    lbCopyRight->setGeometry(geometry);
}
