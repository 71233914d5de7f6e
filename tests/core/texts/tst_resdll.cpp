#include "resdll.h"
#include "testfiles.h"
#include "uilanguage.h"

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
    // As written in tests/core/texts/fixture.rc; with a type, the custom resource of
    // that type (named in any case, or "#number").
    void strings_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, qint32 id, const char *type, const QString &text) {
            QTest::newRow(name) << id << QString::fromLatin1(type) << text;
        };
        const QString file = QStringLiteral("Custom text\nsecond line\n");
        row("beyond 16 bits", 0x10000 + 16, "", "");
        row("first of a bundle", 16, "", "first of its bundle");
        row("last of a bundle", 31, "", "last of its bundle");
        // clang-format off
        row("300 characters cut to 255", 18, "", QStringLiteral("0123456789").repeated(26).left(255));
        // clang-format on
        row("non-ASCII", 19, "", QStringLiteral("Größe °C – ✓ 温度"));
        row("cut before a split surrogate pair", 20, "", QString(254, u'a'));
        row("named type", 7, "MYTEXT", file);
        row("type name in any case", 7, "MyText", file);
        row("numbered type", 9, "#10", file);
        row("wrong type", 9, "MYTEXT", "");
        row("longer type name", 7, "MYTEXT2", "");
    }
    void strings()
    {
        QFETCH(qint32, id);
        QFETCH(QString, type);
        cResDll dll;
        dll.setFilename(fixtureDll);
        QTEST(dll.GetStr(id, type), "text");
    }

    // One string stored in several languages, as fixture.rc files them: ID 32
    // in Arabic (Saudi Arabia), German (Germany) and English (United States);
    // 48 in those but English and language-neutral; 64 in German with no
    // country, German (Switzerland) and English (United States); 80 in Arabic
    // (Saudi Arabia) and French (France). Read by a user of each UI language.
    void languageOrder_data()
    {
        QTest::addColumn<quint16>("user"); // language ID; 0: none known
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, quint16 user, qint32 id, const char *text) {
            QTest::newRow(name) << user << id << QString::fromLatin1(text);
        };
        row("language-neutral first", 0x0407, 48, "neutral");
        row("the user's language", 0x0407, 32, "de-DE");
        row("the user's language, stored after another", 0x040C, 80, "fr-FR");
        row("the user's country before the primary language", 0x0807, 64, "de-CH");
        row("the primary language", 0x0C07, 64, "de");
        row("another country of the primary language", 0x0C07, 32, "de-DE");
        row("English (United States) for a language not stored", 0x040C, 32, "en-US");
        row("English (United States) for no user language", 0, 32, "en-US");
        row("the first stored without English", 0x0411, 80, "ar-SA");
    }
    void languageOrder()
    {
        QFETCH(quint16, user);
        QFETCH(qint32, id);
        const uilanguage::ScopedSource seam([user] { return user; });
        cResDll dll;
        dll.setFilename(fixtureDll);
        QTEST(dll.GetStr(id), "text");
    }

    // Each load replaces the library; one that fails leaves none, with
    // empty texts and no bitmaps, as before the first load.
    void loading_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("bytes"); // from memory: the fixture's first bytes; -1: the file
        QTest::addColumn<bool>("loaded");
        const QString memory = QStringLiteral("in memory");
        QTest::newRow("another library") << fixtureDll << -1 << true;
        QTest::newRow("from memory") << memory << INT_MAX << true;
        QTest::newRow("missing file") << QStringLiteral(TQ_BIN_DIR "/no-such.dll") << -1 << false;
        // clang-format off
        QTest::newRow("not a library") << QStringLiteral(TQ_SOURCE_DIR "/tests/core/texts/fixture.rc") << -1 << false;
        // clang-format on
        QTest::newRow("cut short in memory") << memory << 100 << false;
    }
    void loading()
    {
        QFETCH(QString, path);
        QFETCH(int, bytes);
        QFETCH(bool, loaded);
        cResDll dll;
        QCOMPARE(dll.hInstance(), 0);
        dll.setFilename(langDll);
        const qint32 first = dll.hInstance();
        QVERIFY(first != 0);
        QCOMPARE(dll.GetStr(1100), QStringLiteral("Open"));
        if (bytes < 0)
            dll.setFilename(path);
        else
            dll.setLibraryBytes(path, readFile(fixtureDll).left(bytes));
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
    // and leaves the size as it was. Drawn unscaled from the corner, as far
    // as the client area reaches; an unknown handle draws nothing.
    void bitmaps()
    {
        cResDll dll;
        dll.setFilename(fixtureDll);
        qint32 w = 0, h = 0, handle = 0, second = 0;
        QVERIFY(dll.BmpGet(5, w, h, handle));
        QCOMPARE(QSize(w, h), QSize(3, 2));
        QVERIFY(dll.BmpGet(5, w, h, second));
        QVERIFY(handle != 0 && second != 0 && second != handle);
        const QRgb grey = qRgb(128, 128, 128);
        QImage canvas(3, 2, QImage::Format_RGB32);
        canvas.fill(grey);
        {
            const QImage client(2, 1, QImage::Format_RGB32);
            QPainter painter(&canvas);
            dll.BmpDraw(&client, painter, second);
            dll.BmpDraw(&canvas, painter, second + 1000);
        }
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                QCOMPARE(dll.bitmapImage(second).pixel(x, y), tinyBitmap[y][x]);
                QCOMPARE(canvas.pixel(x, y), x < 2 && y < 1 ? tinyBitmap[y][x] : grey);
            }
        dll.BmpDelete(handle);
        QVERIFY(dll.bitmapImage(handle).isNull());
        QVERIFY(!dll.bitmapImage(second).isNull());
        for (const qint32 missing : {6, -5}) {
            QVERIFY(!dll.BmpGet(missing, w, h, handle));
            QCOMPARE(handle, 0);
            QCOMPARE(QSize(w, h), QSize(3, 2));
        }
    }
};

QTEST_GUILESS_MAIN(TestResDll)
#include "tst_resdll.moc"
