// The field engineer's commands end to end, against tq540sim on a
// pseudo-terminal and the in-process simulated device: ports, scan, diff,
// upload --verify and test --json.

#include "ctlprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>

namespace {

using namespace ctltest;

// A fresh device's EEPROM: speed code 3 at address 32, LED dwell 30 at address 34.
const QByteArray factory = bytesAt(35, {{32, 3}, {34, 30}});

} // namespace

class TestToolkit : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    }

    void portsNamesAMappedSimulator()
    {
        Simulator sim(path(QStringLiteral("tty-ports")), {});
        QVERIFY(sim.started);
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                  QStringLiteral("kWare"))
            .setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/COM3"), sim.linkPath);
        const Run run = tq540ctl({"ports", "--json"});
        QCOMPARE(run.status, 0);
        const QJsonArray ports = QJsonDocument::fromJson(run.out.toUtf8()).array();
        const auto entry = std::find_if(ports.begin(), ports.end(), [&](const QJsonValue &port) {
            return port[QStringLiteral("path")].toString() == sim.linkPath;
        });
        QVERIFY2(entry != ports.end(), qPrintable(run.out));
        QCOMPARE(entry->toObject()[QStringLiteral("com")].toArray(), QJsonArray{3});
        QCOMPARE(entry->toObject()[QStringLiteral("access")].toString(), QStringLiteral("free"));
        QVERIFY(sim.stop());
    }

    void scanListsWhoAnswers()
    {
        Simulator sim(path(QStringLiteral("tty-scan")),
                      {"--id", "3", "--serial", "4242", "--baud", "19200"});
        QVERIFY(sim.started);
        const Run run = tq540ctl(
            {"scan", "--port", sim.linkPath, "--ids", "1-4", "--speeds", "9600,19200", "--json"});
        QCOMPARE(run.status, 0);
        const QJsonObject device{
            {"id", 3},        {"deviceId", 3},      {"serialNumber", 4242},
            {"speed", 19200}, {"eepromSize", 1024}, {"deviceText", "TQ540-2 remote I/O"}};
        QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).array(), QJsonArray{device});
        QVERIFY(sim.stop());
    }

    void ctrlCStopsTheScanAndListsTheFound()
    {
        Simulator sim(path(QStringLiteral("tty-stop")), {"--verbose"});
        QVERIFY(sim.started);
        QProcess ctl;
        ctl.start(ctlProgram, {"scan", "--port", sim.linkPath, "--speeds", "9600"});
        // Device ID 1 has answered and ID 2 is being asked; ID 255 is a minute away.
        for (const char *event : {"replied ", "received "})
            QVERIFY(awaitLine(sim.process, [event](const QString &line) {
                return line.startsWith(QLatin1String(event));
            }));
        QCOMPARE(::kill(pid_t(ctl.processId()), SIGINT), 0);
        const Run run = finish(ctl, 10000);
        QCOMPARE(run.status, 4);
        QCOMPARE(run.out,
                 QStringLiteral("ID   Serial number  Speed  EEPROM  Device text\n"
                                "1    1000001        9600   1024    TQ540-2 remote I/O\n"));
        QCOMPARE(run.err, QStringLiteral("tq540ctl: User canceled.\n"));
        QVERIFY(sim.stop());
    }

    void diffInWords_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::newRow("device and file")
            << "port:$SIM,sn=7"
            << "$DIR/changed.ztb" << 1 << "LED dwell time: 30 -> 15\nInput 5, Group: 0 -> 4\n";
        QTest::newRow("equal") << "$DIR/factory.ztb"
                               << "port:sim" << 0 << "";
        QTest::newRow("port not opened") << "port:/nonexistent/tty"
                                         << "$DIR/factory.ztb" << 25 << "";
        QTest::newRow("unreadable file") << "$DIR/missing.ztb"
                                         << "port:sim" << 2 << "";
    }
    void diffInWords()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        writeFile(path(QStringLiteral("factory.ztb")), factory);
        writeFile(path(QStringLiteral("changed.ztb")), bytesAt(44, {{32, 3}, {34, 15}, {43, 4}}));
        Simulator sim(path(QStringLiteral("tty-diff")), {"--id", "7"});
        QVERIFY(sim.started);
        const auto expand = [&](QString text) {
            return text.replace(QStringLiteral("$SIM"), sim.linkPath)
                .replace(QStringLiteral("$DIR"), dir.path());
        };
        const Run run = tq540ctl({"diff", expand(a), expand(b)});
        QTEST(run.status, "status");
        QTEST(run.out, "out");
        QVERIFY(sim.stop());
    }

    void uploadVerifyNamesTheFirstDifference()
    {
        Simulator sim(path(QStringLiteral("tty-verify")), {"--lose-write", "50"});
        QVERIFY(sim.started);
        writeFile(path(QStringLiteral("up.ztb")), bytesAt(51, {{32, 3}, {50, 0x5A}}));
        const Run run = tq540ctl(
            {"upload", "--port", sim.linkPath, "--verify", path(QStringLiteral("up.ztb"))});
        QCOMPARE(run.status, 15);
        QCOMPARE(run.err, QStringLiteral("tq540ctl: The device's memory does not match what was "
                                         "written. First difference at EEPROM address 50: 0x5A "
                                         "written, 0x00 read.\n"));
        QVERIFY(sim.stop());
    }

    void testAsJson()
    {
        const Run run = tq540ctl({"test", "--port", "sim", "--json"});
        QCOMPARE(run.status, 0);
        const QJsonObject found{{"result", 0},
                                {"message", "Device found."},
                                {"deviceId", 1},
                                {"serialNumber", 1000001},
                                {"speed", 9600},
                                {"eepromSize", 1024},
                                {"deviceText", "TQ540-2 remote I/O"}};
        QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).object(), found);
    }

    void helpNamesTheToolkit()
    {
        const Run list = tq540ctl({"--help"});
        for (const char *usage : {"ports [--json]", "scan --port P [--ids", "diff A B"})
            QVERIFY2(list.out.contains(QLatin1String(usage)), usage);
        QVERIFY(tq540ctl({"upload", "--help"}).out.contains(QStringLiteral("--verify")));
        QVERIFY(tq540ctl({"test", "--help"}).out.contains(QStringLiteral("--json")));
    }
};

QTEST_GUILESS_MAIN(TestToolkit)
#include "tst_toolkit.moc"
