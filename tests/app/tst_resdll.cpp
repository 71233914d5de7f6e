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

    void unloadedGivesNothing()
    {
        cResDll dll;
        QCOMPARE(dll.filename(), QString());
        QCOMPARE(dll.hInstance(), 0);
        QCOMPARE(dll.GetStr(1100), QString());
        QCOMPARE(dll.GetStr(7, "MYTEXT"), QString());
        qint32 w = 5, h = 6, handle = 9;
        QVERIFY(!dll.BmpGet(5, w, h, handle));
        QCOMPARE(handle, 0);
    }

    void badPathUnloads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << QStringLiteral(TQ_BIN_DIR "/no-such.dll");
        QTest::newRow("empty path") << QString();
        QTest::newRow("directory") << QStringLiteral(TQ_BIN_DIR);
        QTest::newRow("not a library") << QStringLiteral(TQ_SOURCE_DIR "/tests/app/fixture.rc");
        QTest::newRow("bitmap file") << QStringLiteral(TQ_SOURCE_DIR "/tests/app/tiny.bmp");
    }

    void badPathUnloads()
    {
        QFETCH(QString, path);
        cResDll dll;
        dll.setFilename(langDll);
        QCOMPARE(dll.filename(), langDll);
        QVERIFY(dll.hInstance() != 0);
        QCOMPARE(dll.GetStr(1100), QStringLiteral("Open"));

        dll.setFilename(path);
        QCOMPARE(dll.filename(), QString());
        QCOMPARE(dll.hInstance(), 0);
        QCOMPARE(dll.GetStr(1100), QString());
    }

    void reloadGivesNewHandle()
    {
        cResDll dll;
        dll.setFilename(langDll);
        const qint32 first = dll.hInstance();
        dll.setFilename(fixtureDll);
        QVERIFY(dll.hInstance() != 0);
        QVERIFY(dll.hInstance() != first);
        QCOMPARE(dll.filename(), fixtureDll);
        QCOMPARE(dll.GetStr(1100), QString());
        QCOMPARE(dll.GetStr(16), QStringLiteral("first of its bundle"));
    }

    void libraryFromBytes()
    {
        QFile file(fixtureDll);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        cResDll dll;
        dll.setFilename(langDll);
        const qint32 first = dll.hInstance();
        dll.setLibraryBytes(QStringLiteral("in memory"), bytes);
        QCOMPARE(dll.filename(), QStringLiteral("in memory"));
        QVERIFY(dll.hInstance() != 0 && dll.hInstance() != first);
        QCOMPARE(dll.GetStr(16), QStringLiteral("first of its bundle"));
        QCOMPARE(dll.GetStr(1100), QString());

        // Bytes that are no library unload, as a bad file does.
        dll.setLibraryBytes(QStringLiteral("cut short"), bytes.first(100));
        QCOMPARE(dll.filename(), QString());
        QCOMPARE(dll.hInstance(), 0);
        QCOMPARE(dll.GetStr(16), QString());
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

    void bitmapDrawnUnscaledFromTheCorner()
    {
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));

        const QRgb grey = qRgb(128, 128, 128);
        QImage canvas(5, 4, QImage::Format_RGB32);
        canvas.fill(grey);
        {
            QPainter painter(&canvas);
            dll.BmpDraw(&canvas, painter, handle);
        }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(canvas.pixel(x, y), x < 3 && y < 2 ? tinyBitmap[y][x] : grey);
    }

    void bitmapDrawClippedToClientArea()
    {
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));

        const QRgb grey = qRgb(128, 128, 128);
        QImage canvas(5, 4, QImage::Format_RGB32);
        canvas.fill(grey);
        const QImage window(2, 1, QImage::Format_RGB32); // the client area: 2 x 1 pixels
        {
            QPainter painter(&canvas);
            dll.BmpDraw(&window, painter, handle);
            dll.BmpDraw(&canvas, painter, handle + 1000); // unknown handle: nothing drawn
        }
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(canvas.pixel(x, y), x < 2 && y < 1 ? tinyBitmap[y][x] : grey);
    }
};

QTEST_GUILESS_MAIN(TestResDll)
#include "tst_resdll.moc"
