// Arbitrary language libraries through cResDll, used the way the program
// uses lang.dll: texts by ID with and without a resource type, bitmaps
// fetched, drawn and released.

#include "fuzzcheck.h"
#include "resdll.h"

#include <QByteArray>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

namespace {

// IDs in the first bundles, the program's own ranges, and the extremes.
constexpr qint32 stringIds[] = {0,    1,    15,   16,   17,    31,    32, 1100,  1207,
                                1400, 1425, 2205, 3015, 65535, 65536, -1, -65536};
constexpr qint32 resourceIds[] = {0, 1, 2, 5, 7, 8, 9, 65535};
const QString resourceTypes[] = {QStringLiteral("NOTE"), QStringLiteral("MYTEXT"),
                                 QStringLiteral("#10"),  QStringLiteral("#6"),
                                 QStringLiteral("#2"),   QStringLiteral("#65536")};

void readTexts(const cResDll &dll)
{
    for (qint32 id : stringIds)
        FUZZ_CHECK(dll.GetStr(id).size() <= cResDll::maxStringLength);
    for (const QString &type : resourceTypes)
        for (qint32 id : resourceIds)
            dll.GetStr(id, type);
}

void useBitmaps(cResDll &dll)
{
    QImage canvas(8, 8, QImage::Format_RGB32);
    QPainter painter(&canvas);
    for (qint32 id : resourceIds) {
        qint32 width = -1, height = -1, handle = -1;
        const bool found = dll.BmpGet(id, width, height, handle);
        FUZZ_CHECK(found == (handle != 0));
        if (!found)
            continue;
        const QImage image = dll.bitmapImage(handle);
        FUZZ_CHECK(image.width() == width && image.height() == height);
        dll.BmpDraw(&canvas, painter, handle);
        dll.BmpDelete(handle);
        FUZZ_CHECK(dll.bitmapImage(handle).isNull());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    cResDll dll;
    dll.setLibraryBytes(QStringLiteral("lang.dll"),
                        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    FUZZ_CHECK((dll.hInstance() != 0) == !dll.filename().isEmpty());
    readTexts(dll);
    useBitmaps(dll);
    return 0;
}
