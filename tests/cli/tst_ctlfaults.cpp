// tq540ctl against tq540sim on a pseudo-terminal when things go wrong: the
// device unplugged in the middle of a transfer, a noisy line, late
// replies, and a configuration file that cannot be written. Each case checks
// the outcome text and exit status, that no file was written or replaced, and
// that the port was given back (the next transfer works at once).

#include "ctlprocess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace ctltest;

const QString textNoAnswer = QStringLiteral("Remote control no responded.");
const QString textResetFailed = QStringLiteral("Can't reset remote control.");
const QString textCannotWrite = QStringLiteral("Can't write the configuration file.");

QString failure(const QString &message)
{
    return QStringLiteral("tq540ctl: %1\n").arg(message);
}

} // namespace

class TestCtlFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    // The arguments of a download into, or an upload from, `file`.
    static QStringList transfer(const QString &command, const QString &port, const QString &file)
    {
        return command == u"download" ? QStringList{command, "--port", port, "-o", file}
                                      : QStringList{command, "--port", port, file};
    }

    // A device on the same link answers the next transfer at once.
    void secondTransferWorks(const QString &link)
    {
        Simulator again(link, {});
        QVERIFY(again.started);
        const Run run = tq540ctl(transfer("download", link, path("again.ztb")));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Download completed.\n"));
        QVERIFY(again.stop());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        writeFile(path("upload.ztb"), pattern(120, 5));
    }

    // The simulator's own fault: its terminal closes and its link goes, as
    // when an adapter is unplugged, after so many frames.
    void unpluggedMidTransfer_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("framesAnswered"); // identify, then the blocks
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("download, at block 2") << "download"
                                              << "2" << 3 << textNoAnswer;
        QTest::newRow("upload, at block 3") << "upload"
                                            << "3" << 3 << textNoAnswer;
        QTest::newRow("upload, at the reset") << "upload"
                                              << "4" << 12 << textResetFailed;
    }
    void unpluggedMidTransfer()
    {
        QFETCH(QString, command);
        QFETCH(QString, framesAnswered);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QString link = path("tty-unplugged");
        const QString file = command == u"download" ? path("unplugged.ztb") : path("upload.ztb");
        Simulator sim(link, {"--vanish-after", framesAnswered});
        QVERIFY(sim.started);
        const Run run = tq540ctl(transfer(command, link, file));
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, failure(message));
        QVERIFY(!QFileInfo::exists(link)); // the link went with the terminal
        QVERIFY(!QFile::exists(path("unplugged.ztb")));
        QVERIFY(sim.stop());
        secondTransferWorks(link);
    }

    void noisyLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("fault");
        QTest::newRow("noise before every reply, download")
            << "download" << QStringList{"--noise", "1000"};
        QTest::newRow("noise before every reply, upload")
            << "upload" << QStringList{"--noise", "1000"};
        // The identify reply is damaged; the search finds the device on its
        // second pass, after six speeds without an answer (9 s).
        QTest::newRow("bit flipped in the first reply")
            << "download" << QStringList{"--flip-bit", "1"};
    }
    void noisyLine()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, fault);
        const QByteArray eeprom = pattern(200, 9);
        writeFile(path("device.ztb"), eeprom);
        const QString saved = path("noisy-after.ztb");
        Simulator sim(path("tty-noisy"),
                      QStringList{"--image", path("device.ztb"), "--save", saved} + fault);
        QVERIFY(sim.started);
        const QString file = command == u"download" ? path("noisy.ztb") : path("upload.ztb");
        const Run run = tq540ctl(transfer(command, sim.linkPath, file));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QVERIFY(sim.stop());
        QByteArray expected = eeprom;
        if (command == u"download") {
            QCOMPARE(readFile(file), QByteArray(32, '\0') + eeprom.mid(32, 88));
        } else {
            expected.replace(32, 88, pattern(120, 5).mid(32, 88));
        }
        QCOMPARE(readFile(saved), expected);
    }

    // Every reply 1.2 s late, within the 1.5 s each exchange waits.
    void lateButInTime()
    {
        Simulator sim(path("tty-late"), {"--delay", "1200"});
        QVERIFY(sim.started);
        const Run run = tq540ctl(transfer("download", sim.linkPath, path("late.ztb")));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Download completed.\n"));
        QVERIFY(sim.stop());
    }

    // A device the user may not open: the outcome, the device and the remedy.
    void portWithoutPermission()
    {
        const QString device = path("denied-tty");
        writeFile(device, QByteArray());
        QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions()));
        QProcess ctl;
        // Root may open anything: run as nobody, who cannot even reach the folder.
        constexpr int cannotBeNobody = 99;
        const QByteArray program = QFile::encodeName(ctlProgram);
        if (::geteuid() == 0) {
            ctl.setChildProcessModifier([program] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0 ||
                    ::access(program.constData(), X_OK) != 0)
                    ::_exit(cannotBeNobody);
            });
        }
        ctl.start(ctlProgram, {"test", "--port", device});
        const Run run = finish(ctl);
        if (run.status == cannotBeNobody)
            QSKIP("tq540ctl cannot be run as nobody from this build folder");
        QCOMPARE(run.status, 25);
        QCOMPARE(run.err, failure(QStringLiteral("Can't open communication port.")) +
                              failure(device + QStringLiteral(": Permission denied (add yourself "
                                                              "to the dialout group)")));
    }

    // A download whose file cannot be written keeps the old file.
    void unwritableFile_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("read-only file in a read-only folder") << "folder";
        QTest::newRow("read-only file system") << "proc";
        QTest::newRow("disk full") << "full";
    }
    void unwritableFile()
    {
        QFETCH(QString, where);
        QString file = path("kept.ztb");
        QByteArray old("old");
        QProcess ctl;
        if (where == u"folder") {
            QDir().mkpath(path("locked"));
            file = path("locked/kept.ztb");
            writeFile(file, old);
            const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
            const auto enterable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
            QFile::setPermissions(file, readable);
            QFile::setPermissions(path("locked"), readable | enterable);
            QFile::setPermissions(dir.path(), readable | enterable | QFile::WriteOwner);
            // Root writes into anything: the download runs as "nobody" then.
            ctl.setChildProcessModifier([] {
                if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    ::_exit(99);
            });
        } else if (where == u"proc") {
            file = QStringLiteral("/proc/version");
            old = readFile(file);
        } else {
            writeFile(file, old);
            // The download's file has 35 bytes; the disk takes 16.
            ctl.setChildProcessModifier([] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{16, 16};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        ctl.start(ctlProgram, transfer("download", "sim", file));
        const Run run = finish(ctl);
        if (where == u"folder")
            QFile::setPermissions(path("locked"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, failure(file + QStringLiteral(": ") + textCannotWrite));
        QCOMPARE(readFile(file), old);
    }
};

QTEST_GUILESS_MAIN(TestCtlFaults)
#include "tst_ctlfaults.moc"
