// tq540ctl commission and sheet end to end, against tq540sim with three
// devices at three speeds on one pseudo-terminal: a plan commissioned, its
// re-run skipping every row, Ctrl+C between rows, a plan refused, and the
// sheet of a device. The rules themselves are tst_commission's
// and tst_sheet's.

#include "ctlprocess.h"

#include <QJsonArray>
#include <csignal>

using namespace ctltest;

class TestCtlCommission : public QObject, private CtlFolder
{
    Q_OBJECT

    QStringList line() const
    {
        return {"--device", "id=3,sn=4242,baud=4800", "--device", "id=7,sn=1234567890,baud=19200",
                "--device", "id=5,sn=77777"};
    }
    // A plan on the line `link`, reporting into the folder named after it.
    QString plan(const QString &name, const QString &link)
    {
        writeFile(path(name + ".csv"), QStringLiteral("port,sn,file\n%1,3,north.ztb\n"
                                                      "%1,1234567890,east.ztb\n%1,5,south.ztb\n")
                                           .arg(path(link))
                                           .toUtf8());
        return path(name + ".csv");
    }
    int reported(const QString &folder)
    {
        return int(QJsonDocument::fromJson(readFile(path(folder + "/report.json")))["devices"]
                       .toArray()
                       .size());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // north.ztb sets 2400 baud; east.ztb holds a byte the window does not show.
        writeFile(path("north.ztb"), bytesAt(38, {{32, 1}, {34, 45}, {39, 0xA3}}));
        writeFile(path("east.ztb"), bytesAt(81, {{32, 4}, {34, 15}, {36, 5}, {80, 0x81}}));
        writeFile(path("south.ztb"), bytesAt(35, {{32, 3}, {34, 30}}));
    }

    void commissionThenRerun()
    {
        Simulator sim(path("line"), line());
        QVERIFY(sim.started);
        Run run = ctl("commission " + plan("site-a", "line"));
        QCOMPARE(run.err, "");
        QVERIFY2(run.out.startsWith("Line  Port"), qPrintable(run.out));
        QCOMPARE(run.out.count("Upload completed."), 3);
        QVERIFY(run.out.contains(" 4242           3   2400   Upload completed.\n"));
        QVERIFY(run.out.endsWith("3 of 3 devices commissioned; " + path("site-a/report.json") +
                                 " records them.\n"));
        QCOMPARE(run.status, 0);
        QCOMPARE(reported("site-a"), 3);
        for (const char *sheet : {"4242.html", "1234567890.html", "77777.html"})
            QVERIFY(QFile::exists(path("site-a/") + sheet));

        run = ctl("commission $DIR/site-a.csv");
        QCOMPARE(run.out.count("; not written again."), 3);
        QVERIFY(run.out.contains("3 of 3 devices commissioned (3 done before); "));
        QCOMPARE(run.status, 0);
        QCOMPARE(reported("site-a"), 3);

        run = ctl("sheet port:$DIR/line,sn=1234567890 -o $DIR/east.html");
        QCOMPARE(run.status, 0);
        const QByteArray sheet = readFile(path("east.html"));
        QVERIFY(sheet.contains("<td>Serial Number:</td><td>1234567890</td>"));
        QVERIFY(sheet.contains("<td>Baud rate:</td><td>19200</td>"));
        QVERIFY(sheet.contains("(EEPROM address: value): 36: 0x05</p>"));
        QVERIFY(sim.stop());
    }

    // Ctrl+C while the first row's device is written: it is finished and
    // recorded, the other rows are not reached.
    void stopBetweenRows()
    {
        Simulator sim(path("line2"), line());
        QVERIFY(sim.started);
        QProcess process;
        process.setReadChannel(QProcess::StandardError);
        process.start(ctlProgram, {"commission", plan("site-b", "line2"), "--trace", "-"});
        QVERIFY(awaitLine(process, [](const QString &line) {
            return line.contains(" sent ") && line.contains(" cmd=05 ");
        }));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        const Run run = finish(process);
        QCOMPARE(run.status, 4);
        QVERIFY2(run.out.contains("1 of 3 devices commissioned; "), qPrintable(run.out));
        QCOMPARE(reported("site-b"), 1);
    }

    // A port that leads nowhere refuses the plan; tq540ctl's own rule.
    void planRefused()
    {
        const Run run = ctl("commission " + plan("nowhere", "nowhere"));
        const QString refusal = "tq540ctl: " + path("nowhere.csv:%1") + ": unknown port " +
                                path("nowhere") + ": no such device\n";
        QCOMPARE(run.err, refusal.arg(2) + refusal.arg(3) + refusal.arg(4));
        QCOMPARE(run.status, 2);
    }
};

QTEST_GUILESS_MAIN(TestCtlCommission)
#include "tst_ctlcommission.moc"
