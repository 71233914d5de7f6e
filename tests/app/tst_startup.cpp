#include "msgbox.h"
#include "resdll.h"
#include "startup.h"

#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The window's toolbar stores its COM port; keep that out of the user's settings.
        QVERIFY(mConfig.isValid());
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
    }

    void init() { mMessages.clear(); }

    void libraryPath_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("path");
        QTest::newRow("folder") << "/opt/tq540"
                                << "/opt/tq540/lang.dll";
        QTest::newRow("folder with separator") << "/opt/tq540/"
                                               << "/opt/tq540/lang.dll";
        QTest::newRow("root") << "/"
                              << "/lang.dll";
        QTest::newRow("drive root") << "C:/"
                                    << "C:/lang.dll";
        QTest::newRow("drive root, backslash") << "C:\\"
                                               << "C:\\lang.dll";
        QTest::newRow("folder, backslash") << "C:\\Tools\\"
                                           << "C:\\Tools\\lang.dll";
        QTest::newRow("spaces") << "C:/Program Files/TQ"
                                << "C:/Program Files/TQ/lang.dll";
    }

    void libraryPath()
    {
        QFETCH(QString, dir);
        QFETCH(QString, path);
        QCOMPARE(langLibraryPath(dir), path);
    }

    void missingLibraryWarnsOnceAndCarriesOn()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        QTemporaryDir empty;
        QVERIFY(empty.isValid());

        const std::unique_ptr<QWidget> window = startUp(empty.path());

        QCOMPARE(mMessages, QStringList{"System error, please reinstall!"});
        QCOMPARE(gResDll.hInstance(), 0);
        QCOMPARE(gResDll.filename(), QString());
        QCOMPARE(gResDll.GetStr(1100), QString());
        QVERIFY(window);
        QVERIFY(window->isVisible());
        // Text 2000 is empty: the caption is the product code alone.
        QCOMPARE(window->windowTitle(), QStringLiteral("[TQ540-2]"));
    }

    void libraryFoundStartsQuietly()
    {
        const std::unique_ptr<QWidget> window = startUp(QStringLiteral(TQ_BIN_DIR));

        QCOMPARE(mMessages, QStringList());
        QVERIFY(gResDll.hInstance() != 0);
        QCOMPARE(gResDll.filename(), QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QCOMPARE(gResDll.GetStr(1100), QStringLiteral("Open"));
        QVERIFY(window->isVisible());
    }

private:
    QStringList mMessages;
    msgbox::ScopedPresenter mBoxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { mMessages << text; }};
    QTemporaryDir mConfig;
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
