// Commissioning on a simulated line of three devices at three speeds,
// in-process on the manual clock: a plan refused before anything is sent,
// each problem named by its line; what report.json holds; the rows a re-run
// skips; a device failing in the middle or a stop between rows, and the
// status that results.

#include "commission.h"
#include "resdll.h"
#include "simbench.h"
#include "testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString when = QStringLiteral("2025-03-04T10:15:02Z");

// north.ztb sets 2400 baud and holds a byte the window does not show; the
// others set the speed their device runs at already.
const QByteArray northFile = bytesAt(38, {{32, 1}, {34, 45}, {37, 0x5A}});
const QByteArray eastFile = bytesAt(81, {{32, 4}, {34, 15}, {80, 0x81}});
const QByteArray southFile = bytesAt(35, {{32, 3}, {34, 30}});

const QByteArray plan = "port,sn,file\n"
                        "COM1,3,north.ztb\n"
                        "COM1,1234567890,east.ztb\n"
                        "COM1,77777,south.ztb\n";

// COM1 and 1 are one port; COM2 leads nowhere.
std::optional<commission::PlanPort> testPort(const QString &text, QString &why)
{
    if (text == u"COM1" || text == u"1")
        return commission::PlanPort{1, {}, QStringLiteral("line")};
    why = QStringLiteral("no such device");
    return std::nullopt;
}

struct Stopper : commission::Observer
{
    int stopAfter = -1;
    int ended = 0;
    void rowEnds(const commission::Job &, const commission::ReportEntry &) override { ++ended; }
    bool stopRequested() override { return stopAfter >= 0 && ended >= stopAfter; }
};

struct Site : SimBench
{
    QTemporaryDir dir;
    Site()
    {
        addToBus({.serialNo = 4242, .deviceId = 3, .baud = 4800});
        addToBus({.serialNo = 1234567890, .deviceId = 7, .baud = 19200});
        addToBus({.serialNo = 77777, .deviceId = 5, .baud = 9600});
        addressGLink();
        writeFile(path("north.ztb"), northFile);
        writeFile(path("east.ztb"), eastFile);
        writeFile(path("south.ztb"), southFile);
        writeFile(path("plan.csv"), plan);
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    std::optional<commission::Plan> load(std::vector<diagnostic::Problem> &refused)
    {
        return commission::loadPlan(path("plan.csv"), testPort, refused);
    }
    commission::Outcome run(commission::Observer &observer, bool again = false)
    {
        std::vector<diagnostic::Problem> refused;
        const std::optional<commission::Plan> checked = load(refused);
        diagnostic::Problem problem;
        std::optional<commission::Report> report = commission::readReport(path("report"), problem);
        if (!checked || !report)
            return {-1, problem, {}};
        return commission::run(m::gLink, *checked, *report,
                               {path("report"), again, [] { return when; }}, observer);
    }
    QJsonArray reported() const
    {
        return QJsonDocument::fromJson(readFile(path("report/report.json")))["devices"].toArray();
    }
};

QList<int> results(const commission::Outcome &outcome)
{
    QList<int> list;
    for (const commission::RowOutcome &row : outcome.rows)
        list << (row.fate == commission::RowOutcome::Fate::Skipped ? -1 : row.entry.result);
    return list;
}

} // namespace

class TestCommission : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll")); }

    // Every problem of a plan, in the order of its lines; $ stands for the
    // plan's folder.
    void planRefused_data()
    {
        QTest::addColumn<QByteArray>("rows"); // after the header
        QTest::addColumn<QStringList>("problems");
        const QString p = QStringLiteral("$/plan.csv:");
        // clang-format off
        QTest::newRow("no rows")          << QByteArray("\r\n") << QStringList{"$/plan.csv: not a plan: it lists no devices"};
        QTest::newRow("two fields")       << QByteArray("COM1,3\n") << QStringList{p + "2: malformed row: expected 3 fields (port,sn,file), found 2"};
        QTest::newRow("empty sn")         << QByteArray("COM1, ,north.ztb\n") << QStringList{p + "2: malformed row: the sn field is empty"};
        QTest::newRow("sn no number")     << QByteArray("COM1,abc,north.ztb\n") << QStringList{p + "2: malformed row: sn abc is not a serial number or device ID (a number from 0 to 2147483647)"};
        QTest::newRow("quote open")       << QByteArray("COM1,3,\"north.ztb\n") << QStringList{p + "2: malformed row: a quoted field is not closed"};
        QTest::newRow("after a quote")    << QByteArray("COM1,3,\"north\".ztb\n") << QStringList{p + "2: malformed row: text after a quoted field"};
        QTest::newRow("unknown port")     << QByteArray("COM2,3,north.ztb\n") << QStringList{p + "2: unknown port COM2: no such device"};
        QTest::newRow("missing file")     << QByteArray("COM1,3,gone.ztb\n") << QStringList{p + "2: $/gone.ztb: cannot read the configuration file: No such file or directory"};
        QTest::newRow("folder as file")   << QByteArray("COM1,3,.\n") << QStringList{p + "2: $/.: cannot read the configuration file: not a regular file (a folder, a device or a pipe)"};
        QTest::newRow("file too long")    << QByteArray("COM1,3,long.ztb\n") << QStringList{p + "2: $/long.ztb: not sent: longer than the 120 bytes of a configuration"};
        QTest::newRow("same ID")          << QByteArray("COM1,5,north.ztb\n1,5.0,east.ztb\n") << QStringList{p + "3: same address as line 2: device ID 5 on 1"};
        QTest::newRow("by line")          << QByteArray("COM1,4242,north.ztb\nCOM1,3\nCOM1,4242,long.ztb\n") << QStringList{
            p + "3: malformed row: expected 3 fields (port,sn,file), found 2",
            p + "4: $/long.ztb: not sent: longer than the 120 bytes of a configuration",
            p + "4: same address as line 2: serial number 4242 on COM1"};
        // clang-format on
    }
    void planRefused()
    {
        QFETCH(QByteArray, rows);
        Site site;
        writeFile(site.path("long.ztb"), QByteArray(121, '\1'));
        writeFile(site.path("plan.csv"), "port,sn,file\n" + rows);
        std::vector<diagnostic::Problem> refused;
        QVERIFY(!site.load(refused));
        QStringList problems;
        for (const diagnostic::Problem &problem : refused)
            problems << diagnostic::text(problem).replace(site.dir.path(), "$");
        QTEST(problems, "problems");
    }

    // A plan as a spreadsheet saves it: byte order mark, CRLF, blanks, quotes.
    void planAccepted()
    {
        Site site;
        writeFile(site.path("a, \"b\".ztb"), southFile);
        writeFile(site.path("plan.csv"), "\xEF\xBB\xBFPort, SN ,File\r\n\r\n"
                                         " 1 , 4242 , north.ztb \r\n"
                                         "COM1,5.4,\"a, \"\"b\"\".ztb\"\r\n");
        std::vector<diagnostic::Problem> refused;
        const std::optional<commission::Plan> checked = site.load(refused);
        QVERIFY(checked);
        QCOMPARE(checked->jobs.size(), std::size_t(2));
        const commission::Job &quoted = checked->jobs[1];
        QCOMPARE(quoted.row.line, 4);
        QCOMPARE(quoted.row.file, QStringLiteral("a, \"b\".ztb"));
        QCOMPARE(quoted.address, 512 + 5);
        QCOMPARE(quoted.sha256, sha256(southFile));
        QCOMPARE(checked->jobs[0].address, std::int32_t(0x80000000U | 4242));
        QCOMPARE(checked->ports.size(), std::size_t(1)); // 1 and COM1
    }

    // report.json after a run that went well, key by key ("0/speed").
    void reportHolds_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        const auto row = [](const char *key, const QJsonValue &value) {
            QTest::newRow(key) << QString::fromLatin1(key) << value;
        };
        row("0/plan", "plan.csv");
        row("0/line", 2);
        row("0/port", "COM1");
        row("0/sn", "3");
        row("0/file", "north.ztb");
        row("0/sha256", sha256(northFile));
        row("0/deviceId", 3);
        row("0/serialNumber", 4242);
        row("0/speed", 2400); // found again at the speed its file sets
        row("0/eepromSize", 1024);
        row("0/deviceText", "TQ540-2 remote I/O");
        row("0/result", 0);
        row("0/resultText", "Upload completed.");
        row("0/time", when);
        row("0/sheet", "4242.html");
        row("1/serialNumber", 1234567890);
        row("1/speed", 19200);
        row("2/line", 4);
    }
    void reportHolds()
    {
        QFETCH(QString, key);
        Site site;
        Stopper observer;
        QCOMPARE(site.run(observer).status, 0);
        QCOMPARE(site.at(0).eeprom()[37], std::uint8_t(0x5A)); // the unused byte went in
        QVERIFY(readFile(site.path("report/4242.html")).contains("<td>4242</td>"));
        const QJsonArray devices = site.reported();
        QCOMPARE(devices.size(), 3);
        QTEST(devices[key.section(u'/', 0, 0).toInt()][key.section(u'/', 1)], "value");
    }

    // A run after one that went well (or after that, an --again run in which
    // the south device failed); -1 marks a row skipped.
    void rerun_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("again");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("entries"); // in report.json at the end
        // clang-format off
        QTest::newRow("as it was")         << ""              << false << QList<int>{-1, -1, -1} << 3;
        QTest::newRow("--again")           << ""              << true  << QList<int>{0, 0, 0}    << 6;
        QTest::newRow("a file changed")    << "east.ztb"      << false << QList<int>{-1, 0, -1}  << 4;
        QTest::newRow("sn, port written otherwise") << "plan" << false << QList<int>{-1, -1, -1} << 3;
        QTest::newRow("last one failed")   << "south failed"  << false << QList<int>{-1, -1, 0}  << 7;
        // clang-format on
    }
    void rerun()
    {
        QFETCH(QString, change);
        QFETCH(bool, again);
        Site site;
        Stopper observer;
        site.run(observer);
        if (change == u"south failed") {
            site.vanishAtFirstBlock(2);
            site.run(observer, true);
            site.clock.onEvents = nullptr;
        }
        site.at(2) = sim::Device({.serialNo = 77777, .deviceId = 5, .baud = 9600}); // plugged back
        if (change == u"east.ztb")
            writeFile(site.path("east.ztb"), bytesAt(81, {{32, 4}, {34, 16}}));
        if (change == u"plan")
            writeFile(site.path("plan.csv"),
                      QByteArray(plan).replace(",3,", ",3.0,").replace("COM1,77777", "1,77777"));
        const int writesBefore = site.blockWrites();
        const commission::Outcome outcome = site.run(observer, again);
        QTEST(results(outcome), "rows");
        QCOMPARE(outcome.status, 0);
        QTEST(int(site.reported().size()), "entries");
        QCOMPARE(site.blockWrites() > writesBefore, results(outcome).contains(0));
    }

    // Row k's device vanishes at its first block, or the run stops once n
    // rows are done: the others go on or are not reached (and not recorded);
    // the status is the first row's that failed.
    void failsInTheMiddle_data()
    {
        QTest::addColumn<int>("vanishing"); // -1: none
        QTest::addColumn<int>("stopAfter"); // -1: never
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("status");
        // clang-format off
        QTest::newRow("second vanishes")        << 1  << -1 << QList<int>{0, 3, 0} << 3 << 3;
        QTest::newRow("stopped after one")      << -1 << 1  << QList<int>{0, 4, 4} << 1 << 4;
        QTest::newRow("first fails, stopped")   << 0  << 2  << QList<int>{3, 0, 4} << 2 << 3;
        // clang-format on
    }
    void failsInTheMiddle()
    {
        QFETCH(int, vanishing);
        Site site;
        Stopper observer;
        QFETCH(int, stopAfter);
        observer.stopAfter = stopAfter;
        if (vanishing >= 0)
            site.vanishAtFirstBlock(vanishing);
        const commission::Outcome outcome = site.run(observer);
        QTEST(results(outcome), "rows");
        QTEST(int(site.reported().size()), "entries");
        QTEST(int(outcome.status), "status");
    }

    // A device not found again after its reset is recorded as it answered
    // before.
    void lostAfterItsReset()
    {
        Site site;
        sim::Device *north = &site.at(0);
        site.clock.onEvents = [north] {
            if (north->resets() > 0)
                north->faults.vanishAfterFrames = 0;
        };
        Stopper observer;
        QCOMPARE(site.run(observer).status, 3);
        const QJsonObject entry = site.reported()[0].toObject();
        QCOMPARE(entry["serialNumber"], 4242);
        QCOMPARE(entry["speed"], 4800);
        QCOMPARE(entry["sheet"], "");
    }

    // A report's folder that cannot be made: nothing is sent.
    void reportNotWritable()
    {
        Site site;
        writeFile(site.path("report"), "a file where the folder would be");
        Stopper observer;
        const commission::Outcome outcome = site.run(observer);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.problem.subject, site.path("report"));
        QCOMPARE(site.blockWrites(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCommission)
#include "tst_commission.moc"
