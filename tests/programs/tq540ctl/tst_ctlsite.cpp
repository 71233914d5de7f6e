// tq540ctl backup and restore end to end, against tq540sim with three devices
// at three speeds on one pseudo-terminal whose adapter echoes the host's
// frames: a backup, a device changed, the restore that puts it back, a changed
// file refused, and Ctrl+C between devices. The rules themselves are
// tst_site's.

#include "ctlprocess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <csignal>

using namespace ctltest;

class TestCtlSite : public QObject, private CtlFolder
{
    Q_OBJECT

    // Each device's EEPROM sets the speed it starts at: speed code 2 is 4800
    // baud, 4 is 19200; 4242 also holds a byte the window does not show.
    QStringList line() const
    {
        return {"--echo",
                "--device",
                "id=3,sn=4242,baud=4800,image=" + path("4242.ztb"),
                "--device",
                "id=7,sn=1234567890,baud=19200,image=" + path("19200.ztb"),
                "--device",
                "id=5,sn=77777"};
    }
    QString table(const QString &result)
    {
        return QStringLiteral("ID   Serial number  Speed  File            Result\n"
                              "5    77777          9600   77777.ztb       %1\n"
                              "3    4242           4800   4242.ztb        %1\n"
                              "7    1234567890     19200  1234567890.ztb  %1\n")
            .arg(result);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        writeFile(path("4242.ztb"), bytesAt(38, {{32, 2}, {34, 30}, {37, 0x5A}}));
        writeFile(path("19200.ztb"), bytesAt(35, {{32, 4}, {34, 30}}));
        writeFile(path("other.ztb"), bytesAt(35, {{32, 2}, {34, 15}}));
    }

    void backupThenRestore()
    {
        Simulator sim(path("line"), line());
        QVERIFY(sim.started);
        const QString scan = "--port $DIR/line --ids 1-8 --speeds 9600,4800,19200";
        Run run = ctl("backup " + scan + " -d $DIR/site");
        QCOMPARE(run.err, "");
        QCOMPARE(run.out, table("Download completed.") + "3 of 3 devices saved; " +
                              path("site/site.json") + " lists them.\n");
        QCOMPARE(run.status, 0);
        QCOMPARE(readFile(path("site/4242.ztb")), readFile(path("4242.ztb")));

        QCOMPARE(ctl("upload --port $DIR/line --sn 4242 $DIR/other.ztb").status, 0);
        run = ctl("restore $DIR/site");
        QCOMPARE(run.err, "");
        QCOMPARE(run.out, table("Upload completed.") + "3 of 3 devices restored from " +
                              path("site") + ".\n");
        QCOMPARE(run.status, 0);
        QCOMPARE(ctl("diff port:$DIR/line,sn=4242 $DIR/site/4242.ztb").status, 0);

        writeFile(path("site/4242.ztb"), readFile(path("other.ztb")));
        run = ctl("restore $DIR/site --trace $DIR/refused.log");
        QCOMPARE(run.err, "tq540ctl: " + path("site/4242.ztb") +
                              ": changed since the backup: its SHA-256 is not the one in "
                              "site.json; nothing was restored\n");
        QCOMPARE(run.status, 1);
        QVERIFY(!readFile(path("refused.log")).contains(" tx "));
        QVERIFY(sim.stop());
    }

    // Ctrl+C while the first device is read: it is saved, the others are
    // recorded as cancelled.
    void stopBetweenDevices()
    {
        Simulator sim(path("line2"), line());
        QVERIFY(sim.started);
        QProcess process;
        process.setReadChannel(QProcess::StandardError);
        process.start(ctlProgram, {"backup", "--port", path("line2"), "--ids", "1-8", "--speeds",
                                   "9600,4800,19200", "-d", path("stopped"), "--trace", "-"});
        bool echoHeard = false; // the request came back, and was dropped
        QVERIFY(awaitLine(process, [&](const QString &line) {
            echoHeard = echoHeard || (line.contains(" drop:command ") && line.contains(" cmd=01 "));
            return line.contains(" sent ") && line.contains(" cmd=06 ");
        }));
        QVERIFY(echoHeard);
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        const Run run = finish(process);
        QCOMPARE(run.status, 4);
        QVERIFY2(run.out.endsWith("1 of 3 devices saved; " + path("stopped/site.json") +
                                  " lists them.\n"),
                 qPrintable(run.out));
        const QJsonArray devices =
            QJsonDocument::fromJson(readFile(path("stopped/site.json")))["devices"].toArray();
        QList<int> results;
        for (const QJsonValue &device : devices)
            results << device["result"].toInt(-1);
        QCOMPARE(results, (QList<int>{0, 4, 4}));
        QVERIFY(sim.stop());
    }
};

QTEST_GUILESS_MAIN(TestCtlSite)
#include "tst_ctlsite.moc"
