#include "resdll.h"

#include <QPainter>
#include <QtTest>

namespace {

const QString langDll = QStringLiteral(TQ_BIN_DIR "/lang.dll");
const QString fixtureDll = QStringLiteral(TQ_FIXTURE_DLL);

// The colours of tiny.bmp, row by row from the top, as drawn by hand.
const QRgb tinyBitmap[2][3] = {
    {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
    {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(0x12, 0x34, 0x56)},
};

QList<qint32> idRange(qint32 first, qint32 last)
{
    QList<qint32> ids;
    for (qint32 id = first; id <= last; ++id)
        ids << id;
    return ids;
}

} // namespace

class TestResDll : public QObject
{
    Q_OBJECT

private slots:
    void everyProgramTextIsOneLine_data()
    {
        QTest::addColumn<qint32>("id");
        const QList<QList<qint32>> groups{idRange(1100, 1108),      idRange(1200, 1204),
                                          {1207, 1208, 1300, 1301}, idRange(1350, 1358),
                                          idRange(1400, 1425),      {1600, 2000, 2205, 2206, 3015},
                                          idRange(2300, 2311)};
        for (const auto &group : groups)
            for (qint32 id : group)
                QTest::addRow("%d", id) << id;
    }

    void everyProgramTextIsOneLine()
    {
        QFETCH(qint32, id);
        cResDll dll;
        dll.setFilename(langDll);
        const QString text = dll.GetStr(id);
        QVERIFY2(!text.trimmed().isEmpty(), "no text");
        QVERIFY2(!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')),
                 qPrintable(text));
    }

    // As written in lang/lang.rc and in tests/app/fixture.rc.
    void strings_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("text");
        const auto lang = [](const char *name) -> QTestData & {
            return QTest::newRow(name) << langDll;
        };
        lang("first") << 1100 << "Open";
        lang("accelerator") << 1301 << "&Cancel";
        lang("apostrophe") << 1425 << "Can't open communication port.";
        lang("trailing space kept") << 2000 << "Device Configure ";
        lang("last") << 2311 << "Power-on";
        lang("missing in a used bundle") << 1205 << "";
        lang("missing bundle") << 9999 << "";
        lang("negative") << -1 << "";
        lang("beyond 16 bits") << 0x10000 + 1100 << "";

        const auto fixture = [](const char *name) -> QTestData & {
            return QTest::newRow(name) << fixtureDll;
        };
        const QString digits = QStringLiteral("0123456789");
        fixture("first of a bundle") << 16 << "first of its bundle";
        fixture("empty") << 17 << "";
        fixture("300 characters cut to 255") << 18 << digits.repeated(26).left(255);
        fixture("non-ASCII") << 19 << QStringLiteral("Größe °C – ✓ 温度");
        fixture("cut before a split surrogate pair") << 20 << QString(254, QLatin1Char('a'));
        fixture("last of a bundle") << 31 << "last of its bundle";
        fixture("missing") << 21 << "";
    }

    void strings()
    {
        QFETCH(QString, library);
        QFETCH(qint32, id);
        QFETCH(QString, text);
        cResDll dll;
        dll.setFilename(library);
        QCOMPARE(dll.GetStr(id), text);
    }

    void customResources_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        const QString file = QStringLiteral("Custom text\nsecond line\n");
        QTest::newRow("named type") << 7 << "MYTEXT" << file;
        QTest::newRow("type name in any case") << 7 << "MyText" << file;
        QTest::newRow("numbered type") << 9 << "#10" << file;
        QTest::newRow("wrong type") << 9 << "MYTEXT"
                                    << "";
        QTest::newRow("longer type name") << 7 << "MYTEXT2"
                                          << "";
        QTest::newRow("wrong ID") << 8 << "MYTEXT"
                                  << "";
        QTest::newRow("negative ID") << -7 << "MYTEXT"
                                     << "";
    }

    void customResources()
    {
        QFETCH(qint32, id);
        QFETCH(QString, type);
        QFETCH(QString, text);
        cResDll dll;
        dll.setFilename(fixtureDll);
        QCOMPARE(dll.GetStr(id, type), text);
    }

    // Each load replaces the library; one that fails leaves none, with
    // empty texts and no bitmaps, as before the first load.
    void loading_data()
    {
        QTest::addColumn<QString>("path"); // "bytes-all:" or "bytes-100:" + a path: from memory
        QTest::addColumn<bool>("loaded");
        QTest::newRow("another library") << fixtureDll << true;
        QTest::newRow("from memory") << "bytes-all:" + fixtureDll << true;
        QTest::newRow("missing file") << QStringLiteral(TQ_BIN_DIR "/no-such.dll") << false;
        QTest::newRow("empty path") << QString() << false;
        QTest::newRow("directory") << QStringLiteral(TQ_BIN_DIR) << false;
        QTest::newRow("not a library")
            << QStringLiteral(TQ_SOURCE_DIR "/tests/app/fixture.rc") << false;
        QTest::newRow("bitmap file")
            << QStringLiteral(TQ_SOURCE_DIR "/tests/app/tiny.bmp") << false;
        QTest::newRow("cut short in memory") << "bytes-100:" + fixtureDll << false;
    }
    void loading()
    {
        QFETCH(QString, path);
        QFETCH(bool, loaded);
        cResDll dll;
        QCOMPARE(dll.hInstance(), 0);
        dll.setFilename(langDll);
        const qint32 first = dll.hInstance();
        QVERIFY(first != 0);
        QCOMPARE(dll.GetStr(1100), QStringLiteral("Open"));
        if (path.startsWith(u"bytes-")) {
            QFile file(path.section(u':', 1));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const qsizetype count = path.startsWith(u"bytes-all") ? file.size() : 100;
            path = QStringLiteral("in memory");
            dll.setLibraryBytes(path, file.read(count));
        } else {
            dll.setFilename(path);
        }
        QCOMPARE(dll.filename(), loaded ? path : QString());
        QCOMPARE(dll.hInstance() != 0, loaded);
        QVERIFY(dll.hInstance() != first);
        QCOMPARE(dll.GetStr(1100), QString());
        QCOMPARE(dll.GetStr(16), loaded ? QStringLiteral("first of its bundle") : QString());
        qint32 w = 5, h = 6, handle = 9;
        QCOMPARE(dll.BmpGet(5, w, h, handle), loaded);
        QCOMPARE(handle != 0, loaded);
    }

    void bitmapFromLibrary()
    {
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));
        QCOMPARE(w, 3);
        QCOMPARE(h, 2);
        QVERIFY(handle != 0);
        const QImage image = dll.bitmapImage(handle);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(image.pixel(x, y), tinyBitmap[y][x]);

        qint32 second = 0;
        QVERIFY(dll.BmpGet(5, w, h, second));
        QVERIFY(second != 0 && second != handle);
        dll.BmpDelete(handle);
        QVERIFY(dll.bitmapImage(handle).isNull());
        QVERIFY(!dll.bitmapImage(second).isNull());
    }

    void missingBitmap_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<qint32>("id");
        QTest::newRow("no such bitmap") << fixtureDll << 6;
        QTest::newRow("a string bundle's number") << fixtureDll << 2;
        QTest::newRow("negative") << fixtureDll << -5;
        QTest::newRow("library without bitmaps") << langDll << 5;
    }

    void missingBitmap()
    {
        QFETCH(QString, library);
        QFETCH(qint32, id);
        cResDll dll;
        dll.setFilename(library);
        qint32 w = 77, h = 88, handle = 99;
        QVERIFY(!dll.BmpGet(id, w, h, handle));
        QCOMPARE(handle, 0);
        QCOMPARE(w, 77);
        QCOMPARE(h, 88);
    }

    // Unscaled from the corner, as far as the bitmap and the client area
    // reach; an unknown handle draws nothing.
    void bitmapDrawn_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("handleOffset");
        QTest::addColumn<QSize>("drawn");
        QTest::newRow("whole bitmap") << QSize(5, 4) << 0 << QSize(3, 2);
        QTest::newRow("client area smaller") << QSize(2, 1) << 0 << QSize(2, 1);
        QTest::newRow("unknown handle") << QSize(5, 4) << 1000 << QSize(0, 0);
    }
    void bitmapDrawn()
    {
        QFETCH(QSize, client);
        QFETCH(int, handleOffset);
        QFETCH(QSize, drawn);
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));
        const QRgb grey = qRgb(128, 128, 128);
        QImage canvas(5, 4, QImage::Format_RGB32);
        canvas.fill(grey);
        const QImage window(client, QImage::Format_RGB32);
        {
            QPainter painter(&canvas);
            dll.BmpDraw(&window, painter, handle + handleOffset);
        }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(canvas.pixel(x, y),
                         x < drawn.width() && y < drawn.height() ? tinyBitmap[y][x] : grey);
    }
};

QTEST_GUILESS_MAIN(TestResDll)
#include "tst_resdll.moc"
