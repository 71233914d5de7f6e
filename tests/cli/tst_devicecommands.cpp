// tq540ctl test, download and upload against tq540sim on a real pseudo-terminal
// and against the in-process simulated device, and the shared reading of the
// serial number / device ID field.

#include "ctlprocess.h"
#include "target.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {

using namespace ctltest;

// Outcome texts of the English language library.
const QString textFound = QStringLiteral("Device found.");
const QString textCancelled = QStringLiteral("User canceled.");
const QString textPortFailed = QStringLiteral("Can't open communication port.");
const QString textBadTarget =
    QStringLiteral("The serial number or device ID must be a number from 0 to 2147483647.");

std::int32_t serialAddress(std::uint32_t serial)
{
    return std::int32_t(serial | 0x80000000U);
}

} // namespace

class TestDeviceCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // The port map the tool reads lives here, for this test and its children.
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.ztb"))).constData(), 0600),
                 0);
        writeFile(path(QStringLiteral("long.ztb")), pattern(121, 1));
        QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                        QStringLiteral("kWare"));
        store.setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/COM3"), path("no-such-tty"));
    }

    void productBase_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("base");
        QTest::newRow("TQ540-2") << "TQ540-2" << 512;
        QTest::newRow("part 3") << "XY-3" << 768;
        QTest::newRow("first dash counts") << "A-1-2" << 256;
        QTest::newRow("no dash, own number") << "5" << 1280;
        QTest::newRow("no dash, letter first") << "ABC" << 0;
        QTest::newRow("fraction") << "A-0.5" << 128;
        QTest::newRow("beyond 32 bits") << "A-9e9" << 0;
    }
    void productBase()
    {
        QFETCH(QString, code);
        QFETCH(int, base);
        QCOMPARE(m::productBaseOf(code), base);
    }

    void targetAddress_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("productBase");
        QTest::addColumn<std::optional<std::int32_t>>("address");
        using A = std::optional<std::int32_t>;
        QTest::newRow("ID 5, base 768") << "5" << 768 << A(773);
        QTest::newRow("ID 255") << "255" << 768 << A(1023);
        QTest::newRow("serial 256") << "256" << 768 << A(serialAddress(256));
        QTest::newRow("largest serial") << "2147483647" << 512 << A(serialAddress(0x7FFFFFFF));
        QTest::newRow("empty") << "" << 512 << A(512);
        QTest::newRow("no number") << "abc" << 512 << A(512);
        QTest::newRow("leading number") << " 7xyz" << 512 << A(519);
        QTest::newRow("12.5 to even") << "12.5" << 512 << A(524);
        QTest::newRow("13.5 to even") << "13.5" << 512 << A(526);
        QTest::newRow("-0.4 is 0") << "-0.4" << 512 << A(512);
        QTest::newRow("negative") << "-1" << 512 << A();
        QTest::newRow("beyond 32 bits") << "2147483648" << 512 << A();
        QTest::newRow("ID beyond a huge base") << "1" << 0x7FFFFFFF << A();
    }
    void targetAddress()
    {
        QFETCH(QString, field);
        QFETCH(int, productBase);
        QFETCH(std::optional<std::int32_t>, address);
        QCOMPARE(m::targetAddress(field, productBase), address);
    }

    void testPrintsWhatTheDeviceIs_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QString>("sn");
        QTest::addColumn<QString>("portNumber"); // empty: the terminal's path
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("device ID, 19200, 2 KiB")
            << QStringList{"--id", "9", "--serial", "5555", "--baud", "19200", "--eeprom-kb", "2"}
            << "9" << QString()
            << QStringList{"Speed:          19200 baud", "Serial number:  5555",
                           "Device ID:      9", "EEPROM size:    2048 bytes"};
        // Speeds late in the search order would cost 1.5 s a speed tried before.
        QTest::newRow("serial number through port 2")
            << QStringList{"--id", "200", "--serial", "2147483647"} << "2147483647"
            << "2"
            << QStringList{"Speed:          9600 baud", "Serial number:  2147483647",
                           "Device ID:      200", "EEPROM size:    1024 bytes"};
        // COM2 is the port number, as in the window, not a file of that name.
        QTest::newRow("default --sn 1, 64 KiB, through COM2")
            << QStringList{"--id", "1", "--serial", "300", "--eeprom-kb", "64"} << QString()
            << "COM2"
            << QStringList{"Speed:          9600 baud", "Serial number:  300", "Device ID:      1",
                           "EEPROM size:    65536 bytes"};
    }
    void testPrintsWhatTheDeviceIs()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QString, sn);
        QFETCH(QString, portNumber);
        QFETCH(QStringList, expected);
        Simulator sim(path(QStringLiteral("tty-test")), simOptions);
        QVERIFY(sim.started);
        QString port = sim.linkPath;
        if (!portNumber.isEmpty()) {
            QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                            QStringLiteral("kWare"));
            store.setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/COM2"), sim.linkPath);
            port = portNumber;
        }
        QStringList arguments{"test", "--port", port};
        if (!sn.isNull())
            arguments << "--sn" << sn;
        const Run run = tq540ctl(arguments);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, (QStringList{textFound} + expected).join(u'\n') + u'\n');
        QVERIFY(sim.stop());
    }

    void downloadWritesTheConfigurationRange()
    {
        // A hand-made EEPROM: every byte set, so the file's trimming shows too.
        const QByteArray eeprom = pattern(200, 3);
        writeFile(path(QStringLiteral("device.ztb")), eeprom);
        Simulator sim(path(QStringLiteral("tty-down")),
                      {"--id", "4", "--image", path(QStringLiteral("device.ztb"))});
        QVERIFY(sim.started);
        const QString out = path(QStringLiteral("down.ztb"));
        writeFile(out, QByteArray("old content"));
        const Run run = tq540ctl({"download", "--port", sim.linkPath, "--sn", "4", "-o", out});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Download completed.\n"));
        QCOMPARE(readFile(out), QByteArray(32, '\0') + eeprom.mid(32, 88));
        QVERIFY(sim.stop());
    }

    void uploadWritesTheRangeAndResets()
    {
        const QByteArray before = pattern(300, 11);
        const QByteArray upload = pattern(130, 97); // bytes beyond address 119 are not sent
        writeFile(path(QStringLiteral("before.ztb")), before);
        writeFile(path(QStringLiteral("upload.ztb")), upload);
        const QString saved = path(QStringLiteral("after.ztb"));
        Simulator sim(path(QStringLiteral("tty-up")),
                      {"--serial", "4242", "--baud", "4800", "--image",
                       path(QStringLiteral("before.ztb")), "--save", saved});
        QVERIFY(sim.started);
        // A file longer than a configuration goes only with --force.
        const Run run = tq540ctl({"upload", "--port", sim.linkPath, "--sn", "4242", "--force",
                                  path(QStringLiteral("upload.ztb"))});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Upload completed.\n"));
        QVERIFY(sim.stop());
        QByteArray expected = before;
        expected.replace(32, 88, upload.mid(32, 88));
        QCOMPARE(readFile(saved), expected);
    }

    void failedTransfers_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("read reply without echo") << "download" << QStringList{"--no-echo", "1"} << 6
                                                 << "The device's reply did not match the request.";
        QTest::newRow("write error")
            << "upload" << QStringList{"--write-error", "70"} << 9 << "Write err.";
    }
    void failedTransfers()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, fault);
        QFETCH(int, status);
        QFETCH(QString, message);
        Simulator sim(path(QStringLiteral("tty-fault")), fault);
        QVERIFY(sim.started);
        const QString file = path(QStringLiteral("fault.ztb"));
        writeFile(file, QByteArray("kept"));
        const QStringList arguments = command == u"download"
                                          ? QStringList{command, "--port", sim.linkPath, "-o", file}
                                          : QStringList{command, "--port", sim.linkPath, file};
        const Run run = tq540ctl(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, QStringLiteral("tq540ctl: %1\n").arg(message));
        QCOMPARE(readFile(file), QByteArray("kept"));
        QVERIFY(sim.stop());
    }

    // Ctrl+C, SIGTERM and SIGHUP cancel the search and a download: exit status
    // 4, no file, the port given back. While the device is written and reset
    // a signal waits for the end, as the window holds its Cancel button.
    void signalsCancelOrWait_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<int>("repliesFirst"); // replies before the signal
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString cancelled = QStringLiteral("tq540ctl: %1\n").arg(textCancelled);
        // A device with another ID: the search goes on until stopped.
        const QStringList silent{"--id", "3"};
        QTest::newRow("Ctrl+C in the search")
            << "download" << silent << 0 << SIGINT << 4 << QString() << cancelled;
        QTest::newRow("SIGTERM in the search")
            << "download" << silent << 0 << SIGTERM << 4 << QString() << cancelled;
        QTest::newRow("SIGHUP in the search")
            << "download" << silent << 0 << SIGHUP << 4 << QString() << cancelled;
        // Late replies keep the download waiting for its first block.
        QTest::newRow("SIGTERM in a download") << "download" << QStringList{"--delay", "1000"} << 1
                                               << SIGTERM << 4 << QString() << cancelled;
        QTest::newRow("SIGTERM while writing")
            << "upload" << QStringList() << 1 << SIGTERM << 0 << "Upload completed.\n"
            << "tq540ctl: the device is being written; this cannot be interrupted\n";
    }
    void signalsCancelOrWait()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, simOptions);
        QFETCH(int, repliesFirst);
        QFETCH(int, signal);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Simulator sim(path(QStringLiteral("tty-signal")), simOptions + QStringList{"--verbose"});
        QVERIFY(sim.started);
        const QString file = path(QStringLiteral("signalled.ztb"));
        if (command == u"upload")
            writeFile(file, pattern(120, 1));
        QProcess ctl;
        ctl.start(ctlProgram, command == u"download"
                                  ? QStringList{command, "--port", sim.linkPath, "-o", file}
                                  : QStringList{command, "--port", sim.linkPath, file});
        // The device hearing a request after so many replies: the stage is running.
        int replies = 0;
        QVERIFY(awaitLine(sim.process, [&replies, repliesFirst](const QString &line) {
            replies += line.startsWith(QStringLiteral("replied ")) ? 1 : 0;
            return replies >= repliesFirst && line.startsWith(QStringLiteral("received "));
        }));
        QCOMPARE(::kill(pid_t(ctl.processId()), signal), 0);
        const Run run = finish(ctl, 15000);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, err);
        QCOMPARE(QFile::exists(file), command == u"upload");
        QFile::remove(file);
        // The port was given back: the device is found on it again.
        const qsizetype id = simOptions.indexOf(QStringLiteral("--id"));
        const QString sn = id < 0 ? QStringLiteral("1") : simOptions[id + 1];
        QCOMPARE(tq540ctl({"test", "--port", sim.linkPath, "--sn", sn}).status, 0);
        QVERIFY(sim.stop());
    }

    void inProcessSimulatedDevice()
    {
        Run run = tq540ctl({"test", "--port", "sim"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains(QStringLiteral("Serial number:  1000001\n")));
        const QString out = path(QStringLiteral("sim.ztb"));
        run = tq540ctl({"download", "--port", "sim", "-o", out});
        QCOMPARE(run.status, 0);
        // A fresh device: speed code 3 at address 32, LED dwell 30 at address 34.
        QCOMPARE(readFile(out), QByteArray(32, '\0') + QByteArray("\x03\x00\x1e", 3));
    }

    void refusedArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString ztb = QStringLiteral("x.ztb");
        QTest::newRow("no port") << QStringList{"test"} << 2 << "--port";
        QTest::newRow("port without value") << QStringList{"test", "--port"} << 2 << "--port";
        QTest::newRow("port 0") << QStringList{"test", "--port", "0"} << 2 << "1 to 16";
        QTest::newRow("port 17") << QStringList{"test", "--port", "COM17"} << 2 << "1 to 16";
        QTest::newRow("unknown option")
            << QStringList{"test", "--port", "sim", "--speed", "9600"} << 2 << "--speed";
        QTest::newRow("test takes no file")
            << QStringList{"test", "--port", "sim", ztb} << 2 << ztb;
        QTest::newRow("download without -o")
            << QStringList{"download", "--port", "sim"} << 2 << "-o";
        QTest::newRow("-o given twice")
            << QStringList{"download", "--port", "sim", "-o", ztb, "-o", ztb} << 2 << "twice";
        QTest::newRow("upload without file")
            << QStringList{"upload", "--port", "sim"} << 2 << "file";
        QTest::newRow("upload of two files")
            << QStringList{"upload", "--port", "sim", ztb, ztb} << 2 << ztb;
        QTest::newRow("negative --sn")
            << QStringList{"test", "--port", "sim", "--sn", "-1"} << 2 << textBadTarget;
        QTest::newRow("--sn beyond 32 bits")
            << QStringList{"upload", "--port", "sim", "--sn", "2147483648", ztb} << 2
            << textBadTarget;
        // The outcome, then the device tried and the system's reason.
        QTest::newRow("missing port")
            << QStringList{"test", "--port", "/nonexistent/tty"} << 25
            << textPortFailed + "\ntq540ctl: /nonexistent/tty: No such file or "
                                "directory\n";
        QTest::newRow("COM3 mapped to a missing device")
            << QStringList{"test", "--port", "COM3"} << 25
            << textPortFailed + "\ntq540ctl: " + path("no-such-tty") +
                   ": No such file or directory\n";
        QTest::newRow("trace without a file")
            << QStringList{"test", "--port", "sim", "--trace"} << 2 << "--trace needs a value";
        QTest::newRow("trace that cannot be written")
            << QStringList{"test", "--port", "sim", "--trace", "/nonexistent/t.log"} << 1
            << "/nonexistent/t.log: cannot write the trace: ";
        // The file is read before the port is opened: nothing is sent.
        QTest::newRow("unreadable upload file")
            << QStringList{"upload", "--port", "/nonexistent/tty", "/nonexistent/x.ztb"} << 1
            << "/nonexistent/x.ztb: Can't read the configuration file.";
        const QString pipe = path(QStringLiteral("pipe.ztb"));
        QTest::newRow("upload of a pipe")
            << QStringList{"upload", "--port", "/nonexistent/tty", pipe} << 1
            << pipe + ": not a regular file";
        QTest::newRow("--force reads no pipe")
            << QStringList{"upload", "--port", "/nonexistent/tty", "--force", pipe} << 1
            << pipe + ": not a regular file";
        const QString longFile = path(QStringLiteral("long.ztb"));
        QTest::newRow("upload of 121 bytes")
            << QStringList{"upload", "--port", "/nonexistent/tty", longFile} << 1
            << longFile + ": longer than the 120 bytes of a configuration; nothing was sent";
    }
    void refusedArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run run = tq540ctl(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.startsWith(QStringLiteral("tq540ctl: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    // The frames of a test, to a file or to the error stream (the line format
    // is the link's own and tested there).
    void traceOfATest_data()
    {
        QTest::addColumn<QString>("trace");
        QTest::newRow("to a file") << path(QStringLiteral("test.trace"));
        QTest::newRow("to the error stream") << "-";
    }
    void traceOfATest()
    {
        QFETCH(QString, trace);
        const Run run = tq540ctl({"test", "--trace", trace, "--port", "sim"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith(textFound));
        const QStringList lines =
            (trace == u"-" ? run.err : QString::fromUtf8(readFile(trace))).split(u'\n');
        QCOMPARE(lines.size(), 4); // the header, the request, the reply and the last newline
        QVERIFY2(lines[0].startsWith(QStringLiteral("# ")), qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QStringLiteral(" tx  9600 sent ")), qPrintable(lines[1]));
        QVERIFY2(lines[2].contains(QStringLiteral(" rx  9600 reply ")), qPrintable(lines[2]));
        QVERIFY(lines[3].isEmpty());
    }

    void helpExplainsTheCommands()
    {
        const Run list = tq540ctl({"--help"});
        for (const char *command : {"test", "download", "upload"})
            QVERIFY(list.out.contains(QStringLiteral("  %1 --port P").arg(command)));
        const Run help = tq540ctl({"upload", "--help"});
        QCOMPARE(help.status, 0);
        for (const char *topic :
             {"--port", "--sn", "--trace", "sim", "Ctrl+C", "SIGTERM", "Exit status", "25"})
            QVERIFY2(help.out.contains(QLatin1String(topic)), topic);
    }
};

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_devicecommands.moc"
