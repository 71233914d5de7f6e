// The language library's bitmaps, apart from its texts because images need
// Qt GUI and the command-line programs read texts without it.
#include "resdll.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <limits>
#include <map>

struct cResDll::Bitmaps
{
    std::map<qint32, QImage> images;
    qint32 last = 0;
};

bool cResDll::BmpGet(qint32 ID, qint32 &iWidth, qint32 &iHeight, qint32 &iHandle)
{
    iHandle = 0;
    if (!mBitmaps)
        mBitmaps = std::make_shared<Bitmaps>();
    std::map<qint32, QImage> &images = mBitmaps->images;
    const auto name = ResourceId::fromId(ID);
    if (!mLibrary || !name || images.size() >= maxBitmaps)
        return false;
    QImage image = mLibrary->bitmap(*name);
    if (image.isNull())
        return false;
    qint32 &last = mBitmaps->last;
    do
        last = last == std::numeric_limits<qint32>::max() ? 1 : last + 1;
    while (images.count(last));
    iWidth = image.width();
    iHeight = image.height();
    iHandle = last;
    images.emplace(iHandle, std::move(image));
    return true;
}

void cResDll::BmpDraw(const QPaintDevice *des_hwnd, QPainter &des_hdc, qint32 hImage) const
{
    const QImage image = bitmapImage(hImage);
    if (!des_hwnd || image.isNull())
        return;
    const QRect client(0, 0, des_hwnd->width(), des_hwnd->height());
    const QPainter::CompositionMode mode = des_hdc.compositionMode();
    des_hdc.setCompositionMode(QPainter::CompositionMode_Source);
    des_hdc.drawImage(QPoint(0, 0), image, client & image.rect());
    des_hdc.setCompositionMode(mode);
}

void cResDll::BmpDelete(qint32 iImage)
{
    if (mBitmaps)
        mBitmaps->images.erase(iImage);
}

QImage cResDll::bitmapImage(qint32 handle) const
{
    if (!mBitmaps)
        return {};
    const auto it = mBitmaps->images.find(handle);
    return it == mBitmaps->images.end() ? QImage() : it->second;
}
