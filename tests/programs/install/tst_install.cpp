// `cmake --install` of this build into a scratch prefix: the programs, their
// language library and help document side by side, launchers in bin, the
// desktop entry and icon; the installed tq540ctl runs with its lang.dll, and
// the command-line programs without the display libraries.

#include "ctlprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

ctltest::Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return ctltest::finish(process, 120000);
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir prefix;
    QString installed(const QString &path) const { return prefix.filePath(path); }

private slots:
    void initTestCase()
    {
        const ctltest::Run install = run(QStringLiteral(TQ_CMAKE_COMMAND),
                                         {"--install", TQ_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY2(install.status == 0, qPrintable(install.err));
    }

    void filesSideBySide_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<bool>("gui");
        QTest::newRow("window program") << "tq540config" << true << true;
        QTest::newRow("command line") << "tq540ctl" << true << false;
        QTest::newRow("simulator") << "tq540sim" << true << false;
        QTest::newRow("language library") << "lang.dll" << false << false;
        QTest::newRow("help document") << "dc-tq540-2.pdf" << false << false;
    }
    void filesSideBySide()
    {
        QFETCH(QString, file);
        QFETCH(bool, executable);
        QFETCH(bool, gui);
        const QFileInfo info(installed(QStringLiteral(TQ_INSTALL_APPDIR "/") + file));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
        QCOMPARE(info.isExecutable(), executable);
        if (!executable)
            return;
        // The launcher in bin leads to the program beside its files.
        const QFileInfo launcher(installed(QStringLiteral("bin/") + file));
        QVERIFY(launcher.isSymLink() && (QFileInfo(launcher.symLinkTarget()).isRelative() ||
                                         launcher.symLinkTarget().startsWith(prefix.path())));
        QCOMPARE(launcher.canonicalFilePath(), info.canonicalFilePath());
        if (gui)
            return;
        const ctltest::Run ldd = run(QStringLiteral("ldd"), {info.filePath()});
        QVERIFY(ldd.status == 0 && ldd.out.contains(QStringLiteral("libQt6Core")));
        for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6DBus"})
            QVERIFY2(!ldd.out.contains(QLatin1String(library)), library);
    }

    void desktopEntryAndIcon()
    {
        const QByteArray text =
            readFile(installed(QStringLiteral("share/applications/tq540config.desktop")));
        QVERIFY(text.contains("\nExec=tq540config\n") && text.contains("\nIcon=tq540config\n"));
        const QString icon = QStringLiteral("share/icons/hicolor/scalable/apps/tq540config.svg");
        QVERIFY(QFileInfo(installed(icon)).size() > 0);
    }

    // "Device found." comes from lang.dll (without it, "device link result
    // 0"): found beside the program, though it was started through its launcher.
    void installedCtlFindsItsLanguageLibrary()
    {
        const ctltest::Run ctl =
            run(installed(QStringLiteral("bin/tq540ctl")), {"test", "--port", "sim"});
        QVERIFY2(ctl.status == 0 && ctl.out.startsWith(QStringLiteral("Device found.\n")),
                 qPrintable(ctl.out + ctl.err));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
