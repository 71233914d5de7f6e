// A site backup and its restore on a simulated line of three devices at
// three speeds, in-process on the manual clock: what site.json holds, the
// files as the devices held them, a changed file refused before anything is
// sent, a device failing in the middle or a stop between devices recorded
// while the others go on, and the status that results.

#include "backup.h"
#include "resdll.h"
#include "restore.h"
#include "simbench.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString when = QStringLiteral("2025-03-04T10:15:02Z");

// Device 4242 holds speed code 1 (2400 baud) and a byte the window does not
// show (EEPROM address 37); the others are as from the factory.
const QByteArray file4242 = bytesAt(38, {{32, 1}, {34, 30}, {37, 0x5A}});
const QByteArray factoryFile = bytesAt(35, {{32, 3}, {34, 30}});

// Stops the run once so many devices are done with.
struct Stopper : site::SiteObserver
{
    int stopAfter = -1;
    int ended = 0;
    void deviceEnds(const site::DeviceEntry &, std::int32_t) override { ++ended; }
    bool stopRequested() override { return stopAfter >= 0 && ended >= stopAfter; }
};

// The line: found in this order, 9600 baud first, then 4800 and 19200.
struct SiteBench : SimBench
{
    SiteBench()
    {
        addToBus({.serialNo = 77777, .deviceId = 5, .baud = 9600});
        sim::Device &d4242 = addToBus({.serialNo = 4242, .deviceId = 3, .baud = 4800});
        std::copy(file4242.begin(), file4242.end(), d4242.eeprom().begin());
        addToBus({.serialNo = 1234567890, .deviceId = 7, .baud = 19200});
        addressGLink();
    }
    site::BackupOutcome backUp(const QString &folder, site::SiteObserver &observer)
    {
        const site::BackupRequest request{
            "COM1", folder, {1, 2, 3, 4, 5, 6, 7, 8}, {9600, 4800, 19200}, [] { return when; }};
        return site::backUp(m::gLink, request, observer);
    }
};

} // namespace

class TestSite : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int runs = 0;
    QString freshFolder() { return dir.filePath(QStringLiteral("backup%1").arg(++runs)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
    }

    // site.json after a backup that went well, key by key ("devices/1/file").
    void siteJsonHolds_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        const auto row = [](const char *key, const QJsonValue &value) {
            QTest::newRow(key) << QString::fromLatin1(key) << value;
        };
        row("port", "COM1");
        row("devices/1/deviceId", 3);
        row("devices/1/serialNumber", 4242);
        row("devices/1/speed", 4800);
        row("devices/1/eepromSize", 1024);
        row("devices/1/deviceText", "TQ540-2 remote I/O");
        row("devices/1/file", "4242.ztb");
        row("devices/1/sha256", sha256(file4242));
        row("devices/1/time", when);
        row("devices/1/result", 0);
        row("devices/1/resultText", "Download completed.");
        row("devices/0/serialNumber", 77777);
        row("devices/0/sha256", sha256(factoryFile));
        row("devices/2/serialNumber", 1234567890);
        row("devices/2/speed", 19200);
    }
    void siteJsonHolds()
    {
        QFETCH(QString, key);
        SiteBench bench;
        Stopper observer;
        const QString folder = freshFolder();
        QCOMPARE(bench.backUp(folder, observer).status, 0);
        QCOMPARE(readFile(folder + "/4242.ztb"), file4242); // the unused byte kept
        QJsonValue value = QJsonDocument::fromJson(readFile(folder + "/site.json")).object();
        for (const QString &step : key.split(u'/'))
            value = value.isArray() ? value.toArray().at(step.toInt()) : value.toObject()[step];
        QTEST(value, "value");
    }

    // A restore after device 4242 was given another configuration: as saved
    // it goes back; a file changed or missing since is refused before
    // anything is sent.
    void restore_data()
    {
        QTest::addColumn<QString>("change"); // to 4242.ztb
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("refused");
        QTest::newRow("as saved") << "" << 0 << 0;
        QTest::newRow("file changed") << "changed" << 1 << 1;
        QTest::newRow("file missing") << "missing" << 1 << 1;
    }
    void restore()
    {
        QFETCH(QString, change);
        SiteBench bench;
        Stopper observer;
        const QString folder = freshFolder();
        QCOMPARE(bench.backUp(folder, observer).status, 0);
        bench.at(1).eeprom()[37] = 0x11;
        if (change == u"changed")
            writeFile(folder + "/4242.ztb", bytesAt(38, {{32, 1}, {34, 30}, {37, 0x5B}}));
        if (change == u"missing")
            QFile::remove(folder + "/4242.ztb");
        diagnostic::Problem problem;
        const std::optional<site::SiteIndex> index = site::readIndex(folder, problem);
        QVERIFY(index);

        const site::RestoreOutcome outcome = site::restore(m::gLink, folder, *index, observer);
        QTEST(outcome.status, "status");
        QTEST(int(outcome.refused.size()), "refused");
        for (const diagnostic::Problem &refused : outcome.refused)
            QCOMPARE(refused.subject, folder + "/4242.ztb");
        QCOMPARE(bench.blockWrites(), outcome.status == 0 ? 3 * 3 : 0);
        QCOMPARE(bench.at(1).eeprom()[37], std::uint8_t(outcome.status == 0 ? 0x5A : 0x11));
    }

    // Device k vanishes at its first block, or the run stops once n devices
    // are done: recorded, the others go on; the status is the first failure.
    void deviceFailsInTheMiddle_data()
    {
        QTest::addColumn<bool>("restoring");
        QTest::addColumn<int>("vanishing"); // -1: none
        QTest::addColumn<int>("stopAfter"); // -1: never
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("status");
        // clang-format off
        QTest::newRow("backup, second vanishes")      << false << 1  << -1 << QList<int>{0, 3, 0} << 3;
        QTest::newRow("backup, stopped after one")    << false << -1 << 1  << QList<int>{0, 4, 4} << 4;
        QTest::newRow("backup, first fails, stopped") << false << 0  << 2  << QList<int>{3, 0, 4} << 3;
        QTest::newRow("restore, second vanishes")     << true  << 1  << -1 << QList<int>{0, 3, 0} << 3;
        QTest::newRow("restore, stopped after one")   << true  << -1 << 1  << QList<int>{0, 4, 4} << 4;
        QTest::newRow("restore, first fails, stopped") << true << 0  << 2  << QList<int>{3, 0, 4} << 3;
        // clang-format on
    }
    void deviceFailsInTheMiddle()
    {
        QFETCH(bool, restoring);
        QFETCH(int, vanishing);
        QFETCH(int, stopAfter);
        SiteBench bench;
        const QString folder = freshFolder();
        site::SiteObserver unseen;
        if (restoring)
            QCOMPARE(bench.backUp(folder, unseen).status, 0);
        Stopper observer;
        if (vanishing >= 0)
            bench.vanishAtFirstBlock(vanishing);
        observer.stopAfter = stopAfter;
        QList<int> results;
        std::int32_t status = -1;
        if (restoring) {
            diagnostic::Problem problem;
            const site::RestoreOutcome outcome =
                site::restore(m::gLink, folder, *site::readIndex(folder, problem), observer);
            for (const site::DeviceRestore &device : outcome.devices)
                results << device.check.result;
            status = outcome.status;
        } else {
            status = bench.backUp(folder, observer).status;
            diagnostic::Problem problem;
            const std::optional<site::SiteIndex> index = site::readIndex(folder, problem);
            QVERIFY(index);
            for (const site::DeviceEntry &entry : index->devices) {
                results << entry.result;
                QCOMPARE(
                    QFile::exists(QStringLiteral("%1/%2.ztb").arg(folder).arg(entry.serialNumber)),
                    entry.saved());
            }
        }
        QTEST(results, "results");
        QTEST(int(status), "status");
    }

    // Refused or nothing to do: no site.json is written.
    void nothingBackedUp_data()
    {
        QTest::addColumn<bool>("anyoneThere");
        QTest::addColumn<bool>("folderHoldsABackup");
        QTest::addColumn<int>("status");
        QTest::newRow("nobody answers") << false << false << 3;
        QTest::newRow("a backup there already") << true << true << 1;
    }
    void nothingBackedUp()
    {
        QFETCH(bool, anyoneThere);
        QFETCH(bool, folderHoldsABackup);
        SiteBench bench;
        if (!anyoneThere)
            bench.bus = std::make_shared<sim::Bus>();
        const QString folder = freshFolder();
        if (folderHoldsABackup) {
            QVERIFY(QDir().mkpath(folder));
            writeFile(folder + "/site.json", "earlier");
        }
        Stopper observer;
        QTEST(int(bench.backUp(folder, observer).status), "status");
        QCOMPARE(readFile(folder + "/site.json"),
                 QByteArray(folderHoldsABackup ? "earlier" : "<missing>"));
        if (anyoneThere)
            QCOMPARE(int(bench.at(0).log().size()), 0);
    }

    // An index whose file lies elsewhere, or lacks a key, is no backup.
    void indexRefused_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("error");
        const QString sum = QString(64, u'a');
        const QString entry = QStringLiteral(
            "{\"deviceId\":3,\"serialNumber\":4242,\"speed\":4800,\"eepromSize\":1024,"
            "\"deviceText\":\"\",\"time\":\"\",\"result\":0,\"resultText\":\"\",\"file\":");
        // clang-format off
        QTest::newRow("file outside")  << entry + "\"../4242.ztb\",\"sha256\":\"" + sum + "\"}" << "devices[0].file: expected the name of a file in the backup's folder";
        QTest::newRow("sum cut short") << entry + "\"4242.ztb\",\"sha256\":\"abc\"}" << "devices[0].sha256: expected 64 hex digits";
        QTest::newRow("no sum")        << entry + "\"4242.ztb\"}" << "devices[0]: missing key \"sha256\"";
        // clang-format on
    }
    void indexRefused()
    {
        QFETCH(QString, device);
        QString error;
        const QString json = "{\"port\":\"COM1\",\"devices\":[" + device + "]}";
        QVERIFY(!site::fromJson(json.toUtf8(), error));
        QTEST(error, "error");
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "tst_site.moc"
