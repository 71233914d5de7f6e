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

} // namespace

class TestResDll : public QObject
{
    Q_OBJECT

private slots:
    // As written in lang/lang.rc and in tests/app/fixture.rc; with a type, the
    // custom resource of that type (named in any case, or "#number").
    void strings_data()
    {
        QTest::addColumn<QString>("library");
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const QString &library, qint32 id, const char *type,
                            const QString &text) {
            QTest::newRow(name) << library << id << QString::fromLatin1(type) << text;
        };
        const QString file = QStringLiteral("Custom text\nsecond line\n");
        row("first", langDll, 1100, "", "Open");
        row("trailing space kept", langDll, 2000, "", "Device Configure ");
        row("negative", langDll, -1, "", "");
        row("beyond 16 bits", langDll, 0x10000 + 1100, "", "");
        row("first of a bundle", fixtureDll, 16, "", "first of its bundle");
        row("last of a bundle", fixtureDll, 31, "", "last of its bundle");
        row("empty", fixtureDll, 17, "", "");
        row("300 characters cut to 255", fixtureDll, 18, "",
            QStringLiteral("0123456789").repeated(26).left(255));
        row("non-ASCII", fixtureDll, 19, "", QStringLiteral("Größe °C – ✓ 温度"));
        row("cut before a split surrogate pair", fixtureDll, 20, "", QString(254, u'a'));
        row("named type", fixtureDll, 7, "MYTEXT", file);
        row("type name in any case", fixtureDll, 7, "MyText", file);
        row("numbered type", fixtureDll, 9, "#10", file);
        row("wrong type", fixtureDll, 9, "MYTEXT", "");
        row("longer type name", fixtureDll, 7, "MYTEXT2", "");
    }
    void strings()
    {
        QFETCH(QString, library);
        QFETCH(qint32, id);
        QFETCH(QString, type);
        cResDll dll;
        dll.setFilename(library);
        QTEST(dll.GetStr(id, type), "text");
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

    // Each load of a bitmap gets its own handle; one that fails gives none
    // and leaves the size as it was.
    void bitmapHandles()
    {
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0, second = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));
        QCOMPARE(QSize(w, h), QSize(3, 2));
        QVERIFY(dll.BmpGet(5, w, h, second));
        QVERIFY(handle != 0 && second != 0 && second != handle);
        dll.BmpDelete(handle);
        QVERIFY(dll.bitmapImage(handle).isNull());
        QVERIFY(!dll.bitmapImage(second).isNull());
        for (const qint32 missing : {6, -5}) {
            QVERIFY(!dll.BmpGet(missing, w, h, handle));
            QCOMPARE(handle, 0);
            QCOMPARE(QSize(w, h), QSize(3, 2));
        }
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
