#include "resdll.h"

#include <QFile>
#include <QPaintDevice>
#include <QPainter>

#include <limits>

cResDll gResDll;

namespace {

qint32 nextModuleHandle()
{
    static qint32 last = 0;
    last = last == std::numeric_limits<qint32>::max() ? 1 : last + 1;
    return last;
}

std::optional<PeResources> loadLibraryFile(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > PeResources::maxFileSize)
        return std::nullopt;
    return PeResources::fromBytes(file.read(PeResources::maxFileSize + 1));
}

std::optional<ResourceId> numericId(qint32 id)
{
    if (id < 0 || id > 0xFFFF)
        return std::nullopt;
    return ResourceId::number(quint16(id));
}

// Cuts to `length` UTF-16 units without leaving half a surrogate pair.
QString truncated(QString text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    text.truncate(length);
    return text;
}

} // namespace

cResDll::~cResDll()
{
    release();
}

void cResDll::release()
{
    mLibrary.reset();
    mFilename.clear();
    mHInstance = 0;
}

void cResDll::setFilename(const QString &path)
{
    release();
    load(path, loadLibraryFile(path));
}

void cResDll::setLibraryBytes(const QString &name, const QByteArray &bytes)
{
    release();
    load(name, PeResources::fromBytes(bytes));
}

void cResDll::load(const QString &name, std::optional<PeResources> library)
{
    mLibrary = std::move(library);
    if (!mLibrary)
        return;
    mFilename = name;
    mHInstance = nextModuleHandle();
}

QString cResDll::GetStr(qint32 ID, const QString &ResName) const
{
    if (!mLibrary || ID < 0)
        return {};
    if (ResName.isEmpty())
        return truncated(mLibrary->string(quint32(ID)).value_or(QString()), maxStringLength);
    const auto name = numericId(ID);
    if (!name)
        return {};
    const auto bytes = mLibrary->data(ResourceId::parse(ResName), *name);
    return bytes ? QString::fromLocal8Bit(*bytes) : QString();
}

bool cResDll::BmpGet(qint32 ID, qint32 &iWidth, qint32 &iHeight, qint32 &iHandle)
{
    iHandle = 0;
    const auto name = numericId(ID);
    if (!mLibrary || !name || mBitmaps.size() >= maxBitmaps)
        return false;
    QImage image = mLibrary->bitmap(*name);
    if (image.isNull())
        return false;
    do
        mLastBitmap = mLastBitmap == std::numeric_limits<qint32>::max() ? 1 : mLastBitmap + 1;
    while (mBitmaps.count(mLastBitmap));
    iWidth = image.width();
    iHeight = image.height();
    iHandle = mLastBitmap;
    mBitmaps.emplace(iHandle, std::move(image));
    return true;
}

void cResDll::BmpDraw(const QPaintDevice *des_hwnd, QPainter &des_hdc, qint32 hImage) const
{
    const auto it = mBitmaps.find(hImage);
    if (!des_hwnd || it == mBitmaps.end())
        return;
    const QRect client(0, 0, des_hwnd->width(), des_hwnd->height());
    const QPainter::CompositionMode mode = des_hdc.compositionMode();
    des_hdc.setCompositionMode(QPainter::CompositionMode_Source);
    des_hdc.drawImage(QPoint(0, 0), it->second, client & it->second.rect());
    des_hdc.setCompositionMode(mode);
}

void cResDll::BmpDelete(qint32 iImage)
{
    mBitmaps.erase(iImage);
}

QImage cResDll::bitmapImage(qint32 handle) const
{
    const auto it = mBitmaps.find(handle);
    return it == mBitmaps.end() ? QImage() : it->second;
}

QString langLibraryPath(const QString &programDir)
{
    QString path = programDir;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    return path + QStringLiteral("lang.dll");
}
