// Device-independent bitmaps as bitmap resources store them.

#include "peresources.h"

#include <QImage>
#include <QtEndian>

#include <cstdlib>

namespace {

constexpr quint32 infoHeaderSize = 40; // later header versions only add fields
constexpr quint32 uncompressed = 0;
constexpr qint64 maxSide = 32768;
constexpr qint64 maxPixels = 16 * 1024 * 1024;

struct DibHeader
{
    qint64 width = 0;
    qint64 height = 0; // rows, always positive
    bool bottomUp = true;
    int bitsPerPixel = 0;
    qint64 paletteEntries = 0;
    qint64 paletteOffset = 0;
    qint64 pixelOffset = 0;
    qint64 stride = 0;
};

template <typename T> T at(QByteArrayView bytes, qint64 offset)
{
    return qFromLittleEndian<T>(bytes.data() + offset);
}

bool supportedDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::optional<DibHeader> readHeader(QByteArrayView dib)
{
    if (dib.size() < infoHeaderSize)
        return std::nullopt;
    const quint32 headerSize = at<quint32>(dib, 0);
    const qint64 height = at<qint32>(dib, 8);
    DibHeader h;
    h.width = at<qint32>(dib, 4);
    h.height = std::llabs(height);
    h.bottomUp = height > 0;
    h.bitsPerPixel = at<quint16>(dib, 14);
    const quint32 coloursUsed = at<quint32>(dib, 32);
    if (headerSize < infoHeaderSize || headerSize > quint64(dib.size()) ||
        at<quint16>(dib, 12) != 1 || at<quint32>(dib, 16) != uncompressed ||
        !supportedDepth(h.bitsPerPixel) || h.width <= 0 || h.height == 0 || h.width > maxSide ||
        h.height > maxSide || h.width * h.height > maxPixels || coloursUsed > 256)
        return std::nullopt;
    // Up to 8 bits a pixel indexes the colour table; above, an optional table
    // may still sit between header and pixels.
    const qint64 fullPalette = h.bitsPerPixel <= 8 ? (qint64(1) << h.bitsPerPixel) : 0;
    h.paletteEntries = coloursUsed ? coloursUsed : fullPalette;
    h.paletteOffset = headerSize;
    h.pixelOffset = h.paletteOffset + 4 * h.paletteEntries;
    h.stride = (h.width * h.bitsPerPixel + 31) / 32 * 4;
    if (h.pixelOffset > dib.size() || h.stride * h.height > dib.size() - h.pixelOffset)
        return std::nullopt;
    return h;
}

QRgb paletteColour(QByteArrayView dib, const DibHeader &h, quint32 index)
{
    if (h.bitsPerPixel > 8 || index >= h.paletteEntries)
        return qRgb(0, 0, 0);
    const char *bgr = dib.data() + h.paletteOffset + 4 * qint64(index);
    return qRgb(uchar(bgr[2]), uchar(bgr[1]), uchar(bgr[0]));
}

int expand5(int v)
{
    return (v << 3) | (v >> 2);
}

QRgb pixel(QByteArrayView dib, const DibHeader &h, const uchar *row, qint64 x)
{
    switch (h.bitsPerPixel) {
    case 1:
        return paletteColour(dib, h, (row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
        return paletteColour(dib, h, (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
    case 8:
        return paletteColour(dib, h, row[x]);
    case 16: {
        const int v = row[2 * x] | (row[2 * x + 1] << 8);
        return qRgb(expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31));
    }
    default: { // 24 and 32 bits: blue, green, red (and an unused byte)
        const uchar *p = row + x * (h.bitsPerPixel / 8);
        return qRgb(p[2], p[1], p[0]);
    }
    }
}

} // namespace

QImage imageFromDib(QByteArrayView dib)
{
    const auto h = readHeader(dib);
    if (!h)
        return {};
    QImage image(int(h->width), int(h->height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto *pixels = reinterpret_cast<const uchar *>(dib.data() + h->pixelOffset);
    for (qint64 r = 0; r < h->height; ++r) {
        const uchar *row = pixels + r * h->stride;
        auto *line =
            reinterpret_cast<QRgb *>(image.scanLine(int(h->bottomUp ? h->height - 1 - r : r)));
        for (qint64 x = 0; x < h->width; ++x)
            line[x] = pixel(dib, *h, row, x);
    }
    return image;
}

QImage PeResources::bitmap(const ResourceId &name) const
{
    const auto dib = data(ResourceId::number(resourcetype::bitmap), name);
    return dib ? imageFromDib(*dib) : QImage();
}
