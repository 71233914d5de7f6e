// `cmake --install` of this build into a scratch prefix: the programs, their
// language library and help document side by side, launchers in bin, the
// desktop entry and icon; the installed tq540ctl runs with its lang.dll and
// without the display libraries.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString appDir = QStringLiteral(TQ_INSTALL_APPDIR);

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
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
        QVERIFY(prefix.isValid());
        const Run install = run(QStringLiteral(TQ_CMAKE_COMMAND),
                                {"--install", TQ_BUILD_DIR, "--prefix", prefix.path()});
        QVERIFY2(install.status == 0, qPrintable(install.err));
    }

    void filesSideBySide_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("executable");
        QTest::newRow("window program") << "tq540config" << true;
        QTest::newRow("command line") << "tq540ctl" << true;
        QTest::newRow("simulator") << "tq540sim" << true;
        QTest::newRow("language library") << "lang.dll" << false;
        QTest::newRow("help document") << "dc-tq540-2.pdf" << false;
    }
    void filesSideBySide()
    {
        QFETCH(QString, file);
        QFETCH(bool, executable);
        const QFileInfo info(installed(appDir + u'/' + file));
        QVERIFY2(info.isFile(), qPrintable(info.filePath()));
        QVERIFY(info.size() > 0);
        QCOMPARE(info.isExecutable(), executable);
        if (!executable)
            return;
        // The launcher in bin leads to the program beside its files.
        const QFileInfo launcher(installed(QStringLiteral("bin/") + file));
        QVERIFY(launcher.isSymLink());
        QVERIFY(QFileInfo(launcher.symLinkTarget()).isRelative() ||
                launcher.symLinkTarget().startsWith(prefix.path()));
        QCOMPARE(launcher.canonicalFilePath(), info.canonicalFilePath());
    }

    void desktopEntryAndIcon()
    {
        QFile entry(installed(QStringLiteral("share/applications/tq540config.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QVERIFY(text.contains("\nExec=tq540config\n"));
        QVERIFY(text.contains("\nIcon=tq540config\n"));
        QVERIFY(QFileInfo(
                    installed(QStringLiteral("share/icons/hicolor/scalable/apps/tq540config.svg")))
                    .size() > 0);
    }

    // The command-line programs run where no display libraries are installed.
    void commandLineProgramsNeedNoGui_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("command line") << "tq540ctl";
        QTest::newRow("simulator") << "tq540sim";
    }
    void commandLineProgramsNeedNoGui()
    {
        QFETCH(QString, program);
        const Run ldd = run(QStringLiteral("ldd"), {installed(appDir + u'/' + program)});
        QCOMPARE(ldd.status, 0);
        QVERIFY(ldd.out.contains(QStringLiteral("libQt6Core")));
        for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6DBus"})
            QVERIFY2(!ldd.out.contains(QLatin1String(library)), library);
    }

    // The message for code 25 comes from lang.dll: found beside the program,
    // though it was started through its launcher.
    void installedCtlFindsItsLanguageLibrary()
    {
        const Run ctl =
            run(installed(QStringLiteral("bin/tq540ctl")), {"test", "--port", "/nonexistent/tty"});
        QCOMPARE(ctl.status, 25);
        QVERIFY2(ctl.err.startsWith(QStringLiteral("tq540ctl: Can't open communication port.\n")),
                 qPrintable(ctl.err));
    }

    void installedCtlShowsAFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("a.ztb")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(32, '\0') + QByteArray("\x03\x00\x1e", 3)); // 9600 baud, 30 min
        file.close();
        const Run show = run(installed(QStringLiteral("bin/tq540ctl")), {"show", file.fileName()});
        QCOMPARE(show.status, 0);
        QVERIFY2(show.out.startsWith(QStringLiteral("Baud rate:       9600\n")),
                 qPrintable(show.out));
        QVERIFY(show.out.contains(QStringLiteral("LED dwell time:  30\n")));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
