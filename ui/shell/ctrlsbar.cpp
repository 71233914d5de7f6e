#include "ctrlsbar.h"

#include "m_cvlibex.h"
#include "twips.h"
#include "twipslayout.h"

#include <QLabel>
#include <QResizeEvent>
#include <algorithm>

namespace {

// Design geometry in twips.
constexpr double barHeight = 240;
constexpr double versionLeft = 75, versionTop = 15, versionWidth = 3315, versionHeight = 210;
constexpr double designCopyRightLeft = 3765, copyRightTop = 15, copyRightHeight = 255;
// The message starts where the notice would, and keeps the design's gap
// between the version and the notice before the notice.
constexpr double messageLeft = designCopyRightLeft, messageGap = 375;

} // namespace

ctrlSBar::ctrlSBar(QWidget *parent)
    : QWidget(parent), lbVersion(new QLabel(this)), lbMessage(new QLabel(this)),
      lbCopyRight(new QLabel(this))
{
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    lbCopyRight->setObjectName(QStringLiteral("lbCopyRight"));
    twips::place(*lbVersion, versionLeft, versionTop, versionWidth, versionHeight);
    twips::place(*lbMessage, messageLeft, versionTop, 0, versionHeight);
    twips::place(*lbCopyRight, designCopyRightLeft, copyRightTop, 0, copyRightHeight);
    lbMessage->hide();
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

void ctrlSBar::setMessage(const QString &text)
{
    setMessagePart(0, text);
}

void ctrlSBar::setMessagePart(int part, const QString &text)
{
    mParts[part] = text;
    QStringList shown;
    for (const QString &each : std::as_const(mParts))
        if (!each.isEmpty())
            shown << each;
    mMessage = shown.join(QStringLiteral("   |   "));
    lbMessage->setToolTip(mMessage);
    lbMessage->setVisible(!mMessage.isEmpty());
    layOut();
}

double ctrlSBar::copyRightLeft() const
{
    if (mMessage.isEmpty())
        return designCopyRightLeft;
    return twips::rightOf(*lbMessage) + messageGap;
}

QSize ctrlSBar::sizeHint() const
{
    const int message = mMessage.isEmpty() ? 0
                                           : lbMessage->fontMetrics().horizontalAdvance(mMessage) +
                                                 twips::toPixels(messageGap);
    return {twips::toPixels(designCopyRightLeft) + message + lbCopyRight->sizeHint().width(),
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
    if (!mMessage.isEmpty()) {
        const int room = width() - twips::toPixels(messageLeft + messageGap);
        const QFontMetrics metrics = lbMessage->fontMetrics();
        const int wanted = metrics.horizontalAdvance(mMessage);
        lbMessage->setText(metrics.elidedText(mMessage, Qt::ElideMiddle, std::max(room, 0)));
        lbMessage->resize(std::clamp(wanted, 0, std::max(room, 0)), lbMessage->height());
    }
    twips::moveLeft(*lbCopyRight, copyRightLeft());
    const double width = twips::fromPixels(this->width()) - copyRightLeft();
    // Too narrow: the notice keeps its last width rather than vanishing.
    if (width < 0)
        return;
    QRect geometry = lbCopyRight->geometry();
    geometry.setWidth(twips::toPixels(width));
    lbCopyRight->setGeometry(geometry);
}
