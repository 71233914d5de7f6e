#include "testfiles.h"
#include "peresources.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

namespace {

template <typename T> void put(QByteArray &b, qsizetype at, T v)
{
    qToLittleEndian(v, b.data() + at);
}
const auto put16 = put<quint16>;
const auto put32 = put<quint32>;

constexpr quint32 rsrcRva = 0x1000;
constexpr qsizetype rsrcFileOffset = 0x200;
constexpr qsizetype peOffset = 0x40;
constexpr qsizetype coffOffset = peOffset + 4;
constexpr qsizetype optionalOffset = coffOffset + 20;

// A minimal library image: DOS header, PE header, one section ".rsrc" at
// RVA 0x1000 (file offset 0x200) holding `rsrc`, named by the resource
// data directory.
QByteArray buildPe(const QByteArray &rsrc, bool pe32Plus = true)
{
    const quint16 optionalSize = pe32Plus ? 240 : 224;
    const qsizetype directories = optionalOffset + (pe32Plus ? 112 : 96);
    const qsizetype section = optionalOffset + optionalSize;
    QByteArray pe(rsrcFileOffset, '\0');
    put16(pe, 0, 0x5A4D);
    put32(pe, 0x3C, peOffset);
    put32(pe, peOffset, 0x4550);
    put16(pe, coffOffset, pe32Plus ? 0x8664 : 0x14C);
    put16(pe, coffOffset + 2, 1);
    put16(pe, coffOffset + 16, optionalSize);
    put16(pe, coffOffset + 18, 0x2022);
    put16(pe, optionalOffset, pe32Plus ? 0x20B : 0x10B);
    put32(pe, directories - 4, 16);
    put32(pe, directories + 16, rsrcRva);
    put32(pe, directories + 20, quint32(rsrc.size()));
    pe.replace(section, 5, ".rsrc");
    put32(pe, section + 8, quint32(rsrc.size()));
    put32(pe, section + 12, rsrcRva);
    put32(pe, section + 16, quint32(rsrc.size()));
    put32(pe, section + 20, rsrcFileOffset);
    return pe + rsrc;
}

// Offsets inside the hand-made resource section below.
constexpr qsizetype typeEntry = 0x10; // type 6 -> name directory 0x18
constexpr qsizetype nameDir = 0x18;   // one entry: bundle 1 -> language directory 0x30
constexpr qsizetype nameEntry = 0x28;
constexpr qsizetype languageEntry = 0x40; // language 0x409 -> data entry 0x48
constexpr qsizetype dataEntry = 0x48;
constexpr qsizetype bundle = 0x58;

// A resource section with one string bundle: ID 0 "Hi", ID 1 "Abc".
QByteArray stringSection()
{
    QByteArray r(bundle, '\0');
    put16(r, 0x0E, 1);
    put32(r, typeEntry, 6);
    put32(r, typeEntry + 4, 0x80000000u | nameDir);
    put16(r, nameDir + 0x0E, 1);
    put32(r, nameEntry, 1);
    put32(r, nameEntry + 4, 0x80000000u | 0x30);
    put16(r, 0x30 + 0x0E, 1);
    put32(r, languageEntry, 0x409);
    put32(r, languageEntry + 4, dataEntry);
    r += QByteArray::fromHex("0200 4800 6900"
                             "0300 4100 6200 6300");
    r += QByteArray(14 * 2, '\0');
    put32(r, dataEntry, rsrcRva + bundle);
    put32(r, dataEntry + 4, quint32(r.size() - bundle));
    return r;
}

// Every string ID the program asks for.
QList<quint32> programIds()
{
    QList<quint32> ids{1207, 1208, 1300, 1301, 1600, 2000, 2205, 2206, 3015};
    for (const auto &[first, last] :
         {std::pair{1100, 1108}, {1200, 1204}, {1350, 1358}, {1400, 1425}, {2300, 2311}})
        for (int id = first; id <= last; ++id)
            ids << quint32(id);
    return ids;
}

QByteArray dibHeader(qint32 width, qint32 height, quint16 bits, quint32 compression = 0,
                     quint32 coloursUsed = 0)
{
    QByteArray h(40, '\0');
    put32(h, 0, 40);
    put32(h, 4, quint32(width));
    put32(h, 8, quint32(height));
    put16(h, 12, 1);
    put16(h, 14, bits);
    put32(h, 16, compression);
    put32(h, 32, coloursUsed);
    return h;
}

using Rows = QList<QList<QRgb>>;

} // namespace

class TestPeResources : public QObject
{
    Q_OBJECT

private slots:

    void handMadeLibrary()
    {
        for (const bool pe32Plus : {true, false}) {
            const auto res = PeResources::fromBytes(buildPe(stringSection(), pe32Plus));
            QVERIFY(res);
            QCOMPARE(res->string(0), QStringLiteral("Hi"));
            QCOMPARE(res->string(1), QStringLiteral("Abc"));
            for (const quint32 missing : {2, 16, 0x10000})
                QCOMPARE(res->string(missing), std::nullopt);
        }
    }

    // Each row writes one 32-bit value into the valid library: in the resource
    // section (offsets from its start) or in the headers before it. `loads`
    // says whether the library must still load; string 0 is then "Hi" or missing.
    void damaged_data()
    {
        QTest::addColumn<qsizetype>("at"); // in the file
        QTest::addColumn<quint32>("value");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<bool>("intact"); // string 0 still reads "Hi"
        const qsizetype r = rsrcFileOffset, directories = optionalOffset + 112,
                        section = optionalOffset + 240;
        const auto row = [](const char *name, qsizetype at, quint32 value, bool loads,
                            bool intact = false) {
            QTest::newRow(name) << at << value << loads << intact;
        };
        // clang-format off
        row("name directory points back", r + nameEntry + 4, 0x80000000u, false);
        row("language level points to a directory", r + languageEntry + 4, 0x80000030u, false);
        row("type level holds data", r + typeEntry + 4, quint32(dataEntry), false);
        row("65535 numbered entries", r + 0x0E, 0xFFFFu, false);
        row("65535 named entries", r + 0x0C, 0xFFFFu, false);
        row("subdirectory at the very end", r + typeEntry + 4, 0x80000000u | 0x7C, false);
        row("data entry past the end", r + languageEntry + 4, 0x00FFFFF0u, false);
        row("type name longer than the section", r + typeEntry, 0x80000000u | quint32(dataEntry + 4), false);
        row("data outside every section", r + dataEntry, 0xFFFFFF00u, true);
        row("data just one byte too long", r + dataEntry + 4, 43u, true);
        row("string length beyond the bundle", r + bundle, 0xFFFFu, true);
        row("not MZ", 0, 0x5A4Eu, false);
        row("PE header offset at the last bytes", 0x3C, quint32(rsrcFileOffset + stringSection().size() - 2), false);
        row("no PE signature", peOffset, 0x4551u, false);
        row("unknown optional header", optionalOffset, 0x30Bu, false);
        row("65535 sections", coffOffset + 2, 0xFFFFu, false);
        row("optional header too short", coffOffset + 16, 16u, false);
        row("optional header past the end", coffOffset + 16, 0xFFFFu, false);
        row("two data directories", directories - 4, 2u, false);
        row("resources outside every section", directories + 16, 0x9000u, false);
        row("section data offset at the top", section + 20, 0xFFFFFFFFu, false);
        row("section claims 4 GB", section + 16, 0xFFFFFFFFu, true, true);
        row("no resources", directories + 16, 0u, true);
        row("intact", 0, 0x5A4Du, true, true);
        // clang-format on
    }
    void damaged()
    {
        QFETCH(qsizetype, at);
        QFETCH(quint32, value);
        QFETCH(bool, intact);
        QByteArray pe = buildPe(stringSection());
        put32(pe, at, value); // a 16-bit field and the one after it
        const auto res = PeResources::fromBytes(pe);
        QTEST(bool(res), "loads");
        if (res)
            QCOMPARE(res->string(0), intact ? std::optional(QStringLiteral("Hi")) : std::nullopt);
    }

    // 65535 type entries that all lead to one name directory of 65535 entries
    // would mean four thousand million visits; the walk must give up early.
    void sharedSubdirectoriesAreBounded()
    {
        const qsizetype dirSize = 16 + 0xFFFF * 8;
        QByteArray rsrc(2 * dirSize + 16 + 8 + 16, '\0');
        const qsizetype languageDir = 2 * dirSize;
        for (int d = 0; d < 2; ++d) {
            put16(rsrc, d * dirSize + 0x0E, 0xFFFF);
            for (int i = 0; i < 0xFFFF; ++i) {
                put32(rsrc, d * dirSize + 16 + i * 8, quint32(i));
                put32(rsrc, d * dirSize + 16 + i * 8 + 4, 0x80000000u | quint32((d + 1) * dirSize));
            }
        }
        put16(rsrc, languageDir + 0x0E, 1);
        put32(rsrc, languageDir + 16 + 4, quint32(languageDir + 24));
        QVERIFY(!PeResources::fromBytes(buildPe(rsrc)));
    }

    // lang.dll holds every text the program asks for, each one line; a copy
    // cut short gives back what the whole file holds, or nothing.
    void languageLibrary()
    {
        const QByteArray bytes = readFile(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        const auto intact = PeResources::fromBytes(bytes);
        QVERIFY(intact);
        for (const quint32 id : programIds()) {
            const QString text = intact->string(id).value_or(QString());
            QVERIFY2(!text.trimmed().isEmpty() && !text.contains(u'\n') && !text.contains(u'\r'),
                     qPrintable(QString::number(id)));
        }
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            const auto cut = PeResources::fromBytes(bytes.first(length));
            for (const quint32 id : programIds())
                QVERIFY(!cut || !cut->string(id) || cut->string(id) == intact->string(id));
        }
    }

    // Hand-made bitmaps, the colours as they follow from the bytes written;
    // those refused give no image.
    void dib_data()
    {
        QTest::addColumn<QByteArray>("dib");
        QTest::addColumn<Rows>("expected"); // none: refused
        const auto row = [](const char *name, const QByteArray &start, const char *hex,
                            const Rows &rows = {}) {
            QTest::newRow(name) << start + QByteArray::fromHex(hex) << rows;
        };
        const QRgb c1 = qRgb(10, 20, 30), c2 = qRgb(200, 100, 50), red = qRgb(255, 0, 0),
                   green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
        // clang-format off
        row("1 bit, bottom-up", dibHeader(2, 2, 1), "1e140a00 3264c800 80000000 40000000", {{c1, c2}, {c2, c1}});
        row("4 bits, three colours", dibHeader(3, 1, 4, 0, 3), "0000ff00 00ff0000 ff000000 01200000", {{red, green, blue}});
        row("8 bits, top-down", dibHeader(2, -2, 8, 0, 2), "ffffff00 03020100 00010000 01000000", {{white, qRgb(1, 2, 3)}, {qRgb(1, 2, 3), white}});
        row("16 bits, 5-5-5", dibHeader(3, 1, 16), "007c e003 1f00 0000", {{red, green, blue}});
        row("32 bits, bottom-up", dibHeader(1, 2, 32), "010203ff 0a0b0c00", {{qRgb(12, 11, 10)}, {qRgb(3, 2, 1)}});
        row("24 bits after an optional colour table", dibHeader(1, 1, 24, 0, 1), "11111100 332211 00", {{qRgb(0x11, 0x22, 0x33)}});
        // clang-format on

        const char *pixels = "010203ff 0a0b0c00";
        const QByteArray good = dibHeader(1, 2, 32) + QByteArray::fromHex(pixels);
        const auto with = [&](qsizetype at, const char *hex) {
            return QByteArray(good).replace(at, qstrlen(hex) / 2, QByteArray::fromHex(hex));
        };
        row("header cut short", good.first(39), "");
        row("core header", with(0, "0c000000"), "");
        row("header longer than the block", with(0, "ffffff7f"), "");
        row("two planes", with(12, "0200"), "");
        row("run-length compressed", dibHeader(1, 2, 8, 1), pixels);
        row("2 bits", dibHeader(1, 2, 2), pixels);
        row("negative width", dibHeader(-1, 2, 32), pixels);
        row("height 0", dibHeader(1, 0, 32), pixels);
        row("lowest height", dibHeader(1, INT_MIN, 32), pixels);
        row("pixels one byte short", good.first(good.size() - 1), "");
        row("colour table missing", dibHeader(1, 1, 8), "00000000");
        row("300 colours", dibHeader(1, 1, 8, 0, 300) + QByteArray(1204, '\0'), "");
        row("100000 pixels wide", dibHeader(100000, 1, 24) + QByteArray(64, '\0'), "");
        row("30000 x 30000", dibHeader(30000, 30000, 1) + QByteArray(64, '\0'), "");
    }
    void dib()
    {
        QFETCH(QByteArray, dib);
        QFETCH(Rows, expected);
        const QImage image = imageFromDib(dib);
        QCOMPARE(image.size(), QSize(expected.value(0).size(), expected.size()));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(image.pixel(x, y) | 0xFF000000u, expected[y][x]);
    }
};

QTEST_GUILESS_MAIN(TestPeResources)
#include "tst_peresources.moc"
