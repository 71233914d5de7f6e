// tq540ctl end to end: one success and one failure of each command, the
// device commands against tq540sim on a pseudo-terminal ($SIM, COM3 in the
// port map) or the simulated device inside tq540ctl (--port sim); bad
// arguments, exit statuses, files written whole or not at all, and the
// signals that cancel a transfer or wait for its end. The transfers' own
// outcomes are the driver's, the JSON form's and diff's wording tst_cli's.

#include "ctlprocess.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace ctltest;

namespace {

void row(const char *name, const QString &arguments, int status, const QString &out,
         const QString &err, const QStringList &sim = {}, const QString &file = {},
         const QString &content = {}, int fileLimit = 0, int signal = 0, const QString &sent = {})
{
    QTest::newRow(name) << arguments << status << out << err << sim << file << content << fileLimit
                        << signal << sent;
}

} // namespace

class TestCtl : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString expand(const QString &text) const
    {
        return QString(text).replace("$SIM", dir.filePath("tty")).replace("$DIR", dir.path());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // The port map the tool reads lives here, for this test and its children.
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Corvant", "kWare")
            .setValue("SoftWare/Corvant/kWare/Ports/COM3", expand("$SIM"));
        QCOMPARE(::mkfifo(QFile::encodeName(expand("$DIR/pipe.ztb")).constData(), 0600), 0);
        writeFile(expand("$DIR/up.ztb"), bytesAt(51, {{32, 3}, {50, 0x5A}}));
        writeFile(expand("$DIR/long.ztb"), QByteArray(121, 1));
        writeFile(expand("$DIR/factory.ztb"), bytesAt(35, {{32, 3}, {34, 30}}));
        writeFile(expand("$DIR/changed.ztb"), bytesAt(44, {{32, 3}, {34, 15}, {43, 4}}));
        // Speed code 1 (2400 baud), LED dwell 200.
        writeFile(expand("$DIR/hand.ztb"), bytesAt(35, {{32, 1}, {34, 200}}));
        writeFile(expand("$DIR/cleared.json"), clearedJson());
        writeFile(expand("$DIR/bad.json"), clearedJson("\"30\"", "30"));
        writeFile(expand("$DIR/big.ztb"), QByteArray(1025, '\x01')); // a byte more than it holds
    }

    // $DIR/out.ztb holds "old" before each row. JSON is compared compact, keys
    // sorted; "~" asks for a part only. A signal comes once the trace on the
    // error stream shows the request named sent: Ctrl+C, SIGTERM and SIGHUP
    // cancel the search or a scan (a scan lists what it found); while the
    // device is written and reset a signal waits for the end.
    void commands_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("sim"); // tq540sim's options; empty: none
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("content");
        QTest::addColumn<int>("fileLimit"); // bytes a file may have; 0: no limit
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("sent"); // a field of that request's trace line
        const QStringList device{"--id", "1"};
        const QString found =
            QStringLiteral("Device found.\nSpeed:          19200 baud\nSerial number:  5555\n"
                           "Device ID:      9\nEEPROM size:    2048 bytes\n");
        const QString factory = QString(32, QChar(0)) + "\x03" + QChar(0) + "\x1e";
        const QString failure = "tq540ctl: %1\n";
        // Device ID 5 does not answer: the search goes on until stopped.
        const QString search = QStringLiteral("download --port sim --sn 5 -o $DIR/out.ztb");
        const QString cancelled = QStringLiteral("~tq540ctl: User canceled.\n");
        const QString held = "~tq540ctl: the device is being written; this cannot be interrupted\n";
        // clang-format off
        row("test by serial number", "test --port $SIM --sn 5555", 0, found, "", QStringList{"--id", "9", "--serial", "5555", "--baud", "19200", "--eeprom-kb", "2"});
        row("test through COM3, JSON", "test --port COM3 --json", 0, "{\"deviceId\":1,\"deviceText\":\"TQ540-2 remote I/O\",\"eepromSize\":1024,\"message\":\"Device found.\",\"result\":0,\"serialNumber\":1000001,\"speed\":9600}", "", device);
        row("test, no such port", "test --port /nonexistent/tty", 25, "", failure.arg("Can't open communication port.\ntq540ctl: /nonexistent/tty: cannot open the port: no such device"));
        row("download", "download --port sim -o $DIR/out.ztb", 0, "Download completed.\n", "", {}, "$DIR/out.ztb", factory);
        row("download, disk full", "download --port sim -o $DIR/out.ztb", 1, "", failure.arg("$DIR/out.ztb: cannot write the configuration file: File too large"), {}, "$DIR/out.ztb", "old", 16);
        row("upload, write error", "upload --port $SIM $DIR/up.ztb", 9, "", failure.arg("Write err."), QStringList{"--write-error", "70"});
        row("upload, verify finds a lost byte", "upload --port $SIM --verify $DIR/up.ztb", 15, "", failure.arg("The device's memory does not match what was written. First difference at EEPROM address 50: 0x5A written, 0x00 read."), QStringList{"--lose-write", "50"});
        row("scan", "scan --port $SIM --ids 1-4 --speeds 9600,19200 --json", 0, "[{\"deviceId\":3,\"deviceText\":\"TQ540-2 remote I/O\",\"eepromSize\":1024,\"id\":3,\"serialNumber\":4242,\"speed\":19200}]", "", QStringList{"--id", "3", "--serial", "4242", "--baud", "19200"});
        row("scan, nobody answers", "scan --port sim --ids 2-3 --speeds 9600", 3, "", failure.arg("no device answered"));
        row("diff, device and file", "diff port:$SIM,sn=7 $DIR/changed.ztb", 1, "LED dwell time: 30 -> 15\nInput 5, Group: 0 -> 4\n", "", QStringList{"--id", "7"});
        row("diff, equal", "diff $DIR/factory.ztb port:sim", 0, "", "");
        row("diff, no such file", "diff $DIR/none.ztb port:sim", 2, "", failure.arg("$DIR/none.ztb: cannot read the configuration file: No such file or directory"));
        row("ports", "ports --json", 0, "~{\"access\":\"free\",\"com\":[3],\"description\":null,\"manufacturer\":null,\"name\":\"tty\",\"path\":\"$SIM\",\"productId\":null,\"serialNumber\":null,\"vendorId\":null}", "", device);
        row("ports, bad argument", "ports --all", 2, "", failure.arg("--all: unknown option\nTry 'tq540ctl ports --help'."));
        row("trace to a file", "test --trace $DIR/t.log --port sim", 0, "~Device found.\n", "", {}, "$DIR/t.log", "~ tx  9600 sent          flags=0E tgt=00000201 seq=1 opt=0A status=00 cmd=01 len=0");
        row("show as JSON", "show $DIR/hand.ztb --json", 0, "~\"baud\":\"2400\",\"dwell\":\"200\"", "");
        row("show", "show $DIR/hand.ztb", 0, "~Baud rate:       2400\nAlarm system:    off\nLED dwell time:  200\n", "");
        // Where a saved file ends is the file layer's rule, shown once with download.
        row("encode", "encode $DIR/cleared.json -o $DIR/out.ztb", 0, "", "", {}, "$DIR/out.ztb", "~" + factory);
        row("encode bad content", "encode $DIR/bad.json -o $DIR/out.ztb", 2, "", failure.arg("$DIR/bad.json: not a configuration: dwell: expected a text"), {}, "$DIR/out.ztb", "old");
        row("encode, no folder", "encode $DIR/cleared.json -o $DIR/no/out.ztb", 1, "", failure.arg("$DIR/no/out.ztb: cannot write the configuration file: No such file or directory"));
        row("help", "--help", 0, "~\n  test --port P [--sn N] [--json]", "");
        row("version", "--version", 0, "tq540ctl " TQ_VERSION "\n", "");
        // Refused before anything is sent.
        row("no command", "", 2, "", "~Usage: tq540ctl COMMAND");
        row("unknown command", "frobnicate", 2, "", failure.arg("frobnicate: unknown command\nTry 'tq540ctl --help'."));
        row("no port", "test", 2, "", failure.arg("--port P: required\nTry 'tq540ctl test --help'."));
        row("port 0", "test --port 0", 2, "", "~tq540ctl: --port 0: not a port number from 1 to 16\n");
        row("port 17", "test --port COM17", 2, "", "~tq540ctl: --port COM17: not a port number from 1 to 16\n");
        row("unknown option", "test --port sim --speed 9600", 2, "", "~tq540ctl: --speed: unknown option\n");
        row("flag with a value", "test --port sim --json=1", 2, "", failure.arg("--json: takes no value\nTry 'tq540ctl test --help'."));
        row("download without -o", "download --port sim", 2, "", "~tq540ctl: -o FILE.ztb: required\n");
        row("-o twice", "download --port sim -o a.ztb -o b.ztb", 2, "", "~tq540ctl: -o: given twice\n");
        row("upload without file", "upload --port sim", 2, "", "~tq540ctl: FILE.ztb: required\n");
        // The window reads "abc" as device ID 0; here no frame is sent for it.
        row("--sn not a number", "test --port sim --sn abc --trace $DIR/sn.log", 2, "", failure.arg("--sn abc: not a serial number or device ID (a number from 0 to 2147483647)\nTry 'tq540ctl test --help'."), {}, "$DIR/sn.log", "! tx ");
        row("trace without a file", "test --port sim --trace", 2, "", "~tq540ctl: --trace: needs a value\n");
        row("trace not written", "test --port sim --trace /nonexistent/t.log", 1, "", failure.arg("/nonexistent/t.log: cannot write the trace: No such file or directory"));
        row("upload file missing", "upload --port sim /nonexistent/x.ztb", 1, "", failure.arg("/nonexistent/x.ztb: cannot read the configuration file: No such file or directory"));
        row("upload of a pipe", "upload --port sim --force $DIR/pipe.ztb", 1, "", failure.arg("$DIR/pipe.ztb: cannot read the configuration file: not a regular file (a folder, a device or a pipe)"));
        row("upload of 121 bytes", "upload --port sim $DIR/long.ztb", 1, "", failure.arg("$DIR/long.ztb: not sent: longer than the 120 bytes of a configuration (--force sends its bytes 32 to 119 all the same)"));
        row("scan of ID 256", "scan --port sim --ids 1-256", 2, "", "~tq540ctl: --ids 1-256: not device IDs from 0 to 255 (N, N-M or a comma-separated list of them)\n");
        row("show of two files", "show a.ztb b.ztb", 2, "", failure.arg("b.ztb: unexpected argument\nTry 'tq540ctl show --help'."));
        // Signals; a cancelled download writes nothing.
        row("Ctrl+C in the search", search, 4, "", cancelled, {}, "$DIR/out.ztb", "old", 0, SIGINT, "seq=1");
        row("SIGTERM in the search", search, 4, "", cancelled, {}, "$DIR/out.ztb", "old", 0, SIGTERM, "seq=1");
        row("SIGHUP in the search", search, 4, "", cancelled, {}, "$DIR/out.ztb", "old", 0, SIGHUP, "seq=1");
        row("SIGTERM while writing", "upload --port sim $DIR/up.ztb", 0, "Upload completed.\n", held, {}, "", "", 0, SIGTERM, "cmd=05");
        row("SIGTERM while resetting", "upload --port sim $DIR/up.ztb", 0, "Upload completed.\n", held, {}, "", "", 0, SIGTERM, "cmd=04");
        row("Ctrl+C in a scan", "scan --port sim --speeds 9600", 4, "ID   Serial number  Speed  EEPROM  Device text\n"
            "1    1000001        9600   1024    TQ540-2 remote I/O\n", cancelled, {}, "", "", 0, SIGINT, "seq=2");
        // clang-format on
    }
    void commands()
    {
        QFETCH(QStringList, sim);
        QFETCH(QString, file);
        QFETCH(int, fileLimit);
        QFETCH(int, signal);
        QFETCH(QString, sent);
        writeFile(expand("$DIR/out.ztb"), "old");
        std::optional<Simulator> device;
        if (!sim.isEmpty())
            QVERIFY(device.emplace(expand("$SIM"), sim).started);
        QProcess ctl;
        if (fileLimit)
            ctl.setChildProcessModifier([fileLimit] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(fileLimit), rlim_t(fileLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        QFETCH(QString, arguments);
        ctl.setReadChannel(QProcess::StandardError);
        ctl.start(ctlProgram,
                  expand(arguments + (signal ? " --trace -" : "")).split(u' ', Qt::SkipEmptyParts));
        if (signal) {
            QVERIFY(awaitLine(ctl, [&](const QString &line) {
                return line.contains(" sent ") && line.contains(' ' + sent + ' ');
            }));
            QCOMPARE(::kill(pid_t(ctl.processId()), signal), 0);
        }
        const Run run = finish(ctl);
        QTEST(run.status, "status");
        QFETCH(QString, out);
        QVERIFY2(matches(compactJson(run.out), expand(out)), qPrintable(run.out));
        QFETCH(QString, err);
        QVERIFY2(matches(run.err, expand(err)), qPrintable(run.err));
        const QString written = file.isEmpty() ? "" : QString::fromLatin1(readFile(expand(file)));
        QFETCH(QString, content);
        QVERIFY2(matches(written, content), qPrintable(written));
        if (device)
            QVERIFY(device->stop());
    }

    // Each command's help (found in the command list), the list's own and the
    // simulator's: a usage line, every option it names under the one heading
    // "Options:", and an example.
    void help_data()
    {
        QTest::addColumn<QStringList>("command");
        QProcess list;
        list.start(ctlProgram, {"--help"});
        const QString commands = finish(list).out.section("Commands:\n", 1).section("\n\n", 0, 0);
        for (const QString &line : commands.split(u'\n')) {
            const QString name = line.trimmed().section(u' ', 0, 0);
            QTest::newRow(qPrintable(name)) << QStringList{ctlProgram, name, "--help"};
        }
        QVERIFY(commands.count(u'\n') >= 7);
        QTest::newRow("tq540ctl") << QStringList{ctlProgram, "--help"};
        QTest::newRow("tq540sim") << QStringList{simProgram, "--help"};
    }
    void help()
    {
        QFETCH(QStringList, command);
        QProcess process;
        process.start(command.first(), command.mid(1));
        const Run run = finish(process);
        QCOMPARE(run.status, 0);
        const QString usage = run.out.section(u'\n', 0, 0);
        QVERIFY2(usage.startsWith("Usage: "), qPrintable(usage));
        QCOMPARE(run.out.count("\nOptions:\n"), 1);
        const QString options = run.out.section("\nOptions:\n", 1).section("\n\n", 0, 0);
        static const QRegularExpression named(QStringLiteral("(?<![\\w-])--?[a-z][-a-z]*"));
        for (const QRegularExpressionMatch &match : named.globalMatch(usage)) {
            const QString option = match.captured();
            QVERIFY2(options.contains("  " + option + ' ') ||
                         options.contains("  " + option + ',') ||
                         options.contains(", " + option + ' '),
                     qPrintable(option));
        }
        QVERIFY(run.out.contains("\nExample:\n  " + QFileInfo(command.first()).fileName() + ' '));
    }

    // The simulator's messages, in the same wording; refused, it makes no link.
    void simulator_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        // clang-format off
        QTest::newRow("version")       << "--version" << 0 << "tq540sim " TQ_VERSION "\n" << "";
        QTest::newRow("bad ID")        << "--link $DIR/s --id 300" << 2 << "" << "tq540sim: --id 300: not a whole number from 0 to 255\nTry 'tq540sim --help'.\n";
        QTest::newRow("ID twice")      << "--link $DIR/s --id 1 --id 2" << 2 << "" << "tq540sim: --id: given twice\nTry 'tq540sim --help'.\n";
        QTest::newRow("no value")      << "--link" << 2 << "" << "tq540sim: --link: needs a value\nTry 'tq540sim --help'.\n";
        QTest::newRow("no link")       << "" << 2 << "" << "tq540sim: --link PATH: required\nTry 'tq540sim --help'.\n";
        QTest::newRow("odd speed")     << "--link $DIR/s --baud 1234" << 2 << "" << "tq540sim: --baud 1234: not one of 1200, 2400, 4800, 9600, 19200 or 38400\nTry 'tq540sim --help'.\n";
        QTest::newRow("image too large") << "--link $DIR/s --image $DIR/big.ztb" << 2 << "" << "tq540sim: $DIR/big.ztb: cannot load the EEPROM image: 1025 bytes, longer than the EEPROM's 1024\n";
        QTest::newRow("image missing") << "--link $DIR/s --image $DIR/none.ztb" << 2 << "" << "tq540sim: $DIR/none.ztb: cannot read the EEPROM image: No such file or directory\n";
        QTest::newRow("link on a file") << "--link $DIR/up.ztb" << 1 << "" << "tq540sim: $DIR/up.ztb: cannot create the link: something that is not a symbolic link is there\n";
        // --device where it makes no sense.
        const QString device = QStringLiteral("--link $DIR/s --device ");
        const QString refused = QStringLiteral("tq540sim: %1\nTry 'tq540sim --help'.\n");
        QTest::newRow("one-device option too") << device + "id=3,sn=4242 --serial 5" << 2 << "" << refused.arg("--serial: cannot be used with --device");
        QTest::newRow("unknown key")           << device + "id=3,colour=red" << 2 << "" << refused.arg("--device colour=red: not one of id=N, sn=N, baud=B, eeprom=K, image=FILE");
        QTest::newRow("value out of range")    << device + "id=3,sn=0" << 2 << "" << refused.arg("--device sn=0: not a whole number from 1 to 2147483647");
        QTest::newRow("one serial twice")      << device + "id=3,sn=5 --device id=4,sn=5" << 2 << "" << refused.arg("--device sn=5: given twice");
        // clang-format on
    }
    void simulator()
    {
        QFETCH(QString, arguments);
        QProcess process;
        process.start(simProgram, expand(arguments).split(u' ', Qt::SkipEmptyParts));
        const Run run = finish(process);
        QTEST(run.status, "status");
        QFETCH(QString, out);
        QCOMPARE(run.out, expand(out));
        QFETCH(QString, err);
        QCOMPARE(run.err, expand(err));
        QVERIFY(!QFileInfo::exists(expand("$DIR/s")));
    }
};

QTEST_GUILESS_MAIN(TestCtl)
#include "tst_ctl.moc"
