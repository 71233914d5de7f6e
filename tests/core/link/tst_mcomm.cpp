// The serial ports on scripted devices: mode strings read the way the Windows
// BuildCommDCB call reads them, a table of the toolbar's 16 ports, every
// failure kept in CommLastError with where it happened, and which device each
// COM number leads to (the port map) and how the COM list names it.

#include "fakeport.h"
#include "portlist.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace mComm;

class TestMComm : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::array<std::uint8_t, 1025> buffer{};

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit()); // the port map's store
        QFile device(dir.filePath(QStringLiteral("ttyX")));
        QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(device.fileName(), dir.filePath(QStringLiteral("by-id"))));
    }

    void init() { CommLastError = {}; }

    // CommSet on a port opened at 9600 baud, even parity, 7 data bits and 2
    // stop bits: what the mode names changes and DTR and RTS drop (lines 2
    // and 3); a mode refused changes nothing.
    void modeStrings_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("outcome"); // result; speed, parity, data, stop bits; else
        // clang-format off
        QTest::newRow("any case and order") << "STOP=1 Parity=o BAUD=2400 data=8" << "0; 2400 O 8 1; line 2 off, line 3 off";
        QTest::newRow("abbreviated speed")  << "baud=96 parity=m" << "0; 9600 M 7 2; line 2 off, line 3 off";
        QTest::newRow("one and a half")     << "stop=1.5 data=5" << "0; 9600 E 5 15; line 2 off, line 3 off";
        QTest::newRow("short form in part") << "19,s" << "0; 19200 S 7 2; line 2 off, line 3 off";
        const QString refused = QStringLiteral("87; 9600 E 7 2; CommSet (BuildCommDCB)");
        QTest::newRow("unknown parity")     << "baud=9600 parity=X" << refused;
        QTest::newRow("nine data bits")     << "data=9" << refused;
        QTest::newRow("five fields")        << "9600,N,8,1,x" << refused;
        // clang-format on
    }
    void modeStrings()
    {
        QFETCH(QString, mode);
        FakeLine line;
        QCOMPARE(CommOpen(1, "COM1", "baud=9600 parity=E data=7 stop=2"), COMM_OK);
        const std::int32_t result = CommSet(1, mode);
        const CommState &set = line.port().state;
        const QString outcome = QString::asprintf("%d; %d %c %d %d; ", result, set.BaudRate,
                                                  set.Parity, set.ByteSize, set.StopBits);
        QTEST(outcome + line.port().lines.join(", ") + CommLastError.sErrContext, "outcome");
        QCOMPARE(CommPorts[0].dcb, set);
    }

    // A port that cannot move DTR still gets RTS dropped (RTS turns a
    // half-duplex converter); one without modem lines (a pseudo-terminal)
    // takes the mode and reports the failure.
    void linesAtRest_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<QString>("outcome"); // result, speed; the lines CommSet moved
        // clang-format off
        QTest::newRow("no DTR")         << "line 2" << "1010 4800; line 2 off, line 3 off";
        QTest::newRow("no modem lines") << "setLine" << "1010 4800; line 2 off, line 3 off";
        // clang-format on
    }
    void linesAtRest()
    {
        QFETCH(QString, failAt);
        FakeLine line;
        line.prepare = [failAt](FakePort &fake) { fake.failAt = failAt; };
        QCOMPARE(CommOpen(1, "COM1", "baud=9600"), COMM_OK);
        const std::int32_t result = CommSet(1, "baud=4800");
        QTEST(QString::asprintf("%d %d; ", result, line.port().state.BaudRate) +
                  line.port().lines.join(", "),
              "outcome");
    }

    // Why a port would not open, and what else failed on opening: a failure
    // after the device opened leaves the port half open, to be closed first.
    void openFailures_data()
    {
        // The device's step that fails; none: a missing system port.
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("open"); // the port afterwards
        // clang-format off
        QTest::newRow("device refuses")  << "open" << "27 1010 CommOpen (CreateFile): fake failure" << false;
        QTest::newRow("no such device")  << "" << "27 1001 CommOpen (CreateFile): No such file or directory" << false;
        QTest::newRow("mode string")     << "mode" << "87 87 CommOpen (BuildCommDCB): The parameter is incorrect." << true;
        QTest::newRow("set state")       << "setState" << "1010 1010 CommOpen (SetCommState): fake failure" << true;
        // A pseudo-terminal takes the speed but has no DTR to drop.
        QTest::newRow("DTR, then CommSet") << "setLine" << "1010 1010 CommSet (SetCommState): fake failure" << true;
        // clang-format on
    }
    void openFailures()
    {
        QFETCH(QString, failAt);
        FakeLine line;
        const QString port = failAt.isEmpty() ? "/nonexistent/tty" : "COM1";
        std::optional<ScopedPortFactory> system;
        if (failAt.isEmpty())
            system.emplace(systemPortFactory);
        line.prepare = [failAt](FakePort &fake) { fake.failAt = failAt; };
        std::int32_t result =
            CommOpen(16, port, failAt == u"mode" ? "baud=9600 parity=X" : "baud=9600");
        if (failAt == u"setLine")
            result = CommSet(16, QStringLiteral("baud=4800"));
        const CommError &e = CommLastError;
        QTEST(QString::asprintf("%d %d ", result, e.lErrCode) + e.sErrContext + ": " + e.sErrText,
              "error");
        QTEST(bool(CommPorts[15].bOpen), "open");
    }

    // Every operation on a port number outside the table fails with the
    // bare operation's name.
    void portsOutsideTheTable()
    {
        FakeLine line;
        for (const std::int16_t p : {0, 17})
            QCOMPARE((QList<std::int32_t>{CommOpen(p, "COM1", "baud=9600"), CommSet(p, "baud=9600"),
                                          CommRead(p, buffer, 256), CommWrite(p, buffer),
                                          CommSetLine(p, LINE_RTS, true), CommClose(p)}),
                     (QList<std::int32_t>{9, 9, -1, -1, 9, 9}));
        QCOMPARE(CommLastError.sErrContext + ": " + CommLastError.sErrText,
                 "CommClose: Subscript out of range");
        QVERIFY(line.names.isEmpty());
    }

    // Port 1 with 300 bytes waiting: a second open is refused and the first
    // device stays in use; a read takes at most its maximum and leaves the
    // rest for the next; closing a port that was never opened succeeds.
    void edgesOfAPort()
    {
        FakeLine line;
        line.prepare = [](FakePort &port) { port.rx = QByteArray(300, 'x'); };
        QCOMPARE(
            (QList<std::int32_t>{CommOpen(1, "COM1", "baud=9600"), CommOpen(1, "COM1", "baud=9600"),
                                 CommWrite(1, std::span(buffer).first(4)), CommRead(1, buffer, 256),
                                 CommRead(1, buffer, 256), CommRead(1, buffer, 256), CommClose(2)}),
            (QList<std::int32_t>{0, 26, 4, 256, 44, 0, 0}));
        QCOMPARE(line.names.size(), 1);
        QCOMPARE(CommLastError.sErrContext, QString());
    }

#ifndef Q_OS_WIN
    // The COM list's entries for some numbers, and the COM numbers that lead
    // to the first of the system's ports (given as path|name|description).
    // COM1-8 are ttyS0-7, COM9-12 ttyUSB0-3, COM13-16 ttyACM0-3, unless the
    // port map names another device. $TMP/by-id is a link to $TMP/ttyX.
    void portMap_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QStringList>("entries"); // each names its COM number first
        QTest::addColumn<QList<int>>("comsOfFirst");
        const QString usb0 = QStringLiteral("/dev/ttyUSB0|ttyUSB0|FT232R USB UART");
        // clang-format off
        QTest::newRow("built-in map") << "" << QStringList{"/dev/ttyS0|ttyS0|", "/dev/ttyS7|ttyS7|", usb0, "/dev/ttyUSB3|ttyUSB3|", "/dev/ttyACM0|ttyACM0|", "/dev/ttyACM3|ttyACM3|"}
            << QStringList{"1  ttyS0", "8  ttyS7", "9  ttyUSB0 (FT232R USB UART)", "12  ttyUSB3", "13  ttyACM0", "16  ttyACM3", "10"} << QList<int>{1};
        QTest::newRow("mapped elsewhere")        << "COM9=/dev/ttyAMA0" << QStringList{"/dev/ttyAMA0|ttyAMA0|", usb0} << QStringList{"9  ttyAMA0"} << QList<int>{9};
        QTest::newRow("two numbers, one port")   << "COM3=/dev/ttyUSB0" << QStringList{usb0} << QStringList{"3  ttyUSB0 (FT232R USB UART)"} << QList<int>{3, 9};
        QTest::newRow("through a symbolic link") << "COM5=$TMP/by-id" << QStringList{"$TMP/ttyX|ttyX|Adapter"} << QStringList{"5  ttyX (Adapter)"} << QList<int>{5};
        QTest::newRow("mapped, not listed")      << "COM4=$TMP/ttyX" << QStringList{} << QStringList{"4  ttyX"} << QList<int>{4};
        QTest::newRow("mapped, missing")         << "COM4=$TMP/gone" << QStringList{} << QStringList{"4"} << QList<int>{};
        // clang-format on
    }
    void portMap()
    {
        QFETCH(QString, map);
        QFETCH(QStringList, ports);
        QFETCH(QStringList, entries);
        QSettings store(QSettings::IniFormat, QSettings::UserScope, "Corvant", "kWare");
        store.clear();
        if (!map.isEmpty())
            store.setValue("SoftWare/Corvant/kWare/Ports/" + map.section(u'=', 0, 0),
                           map.section(u'=', 1).replace("$TMP", dir.path()));
        std::vector<portlist::SystemPort> system;
        for (const QString &port : ports) {
            const QStringList f = QString(port).replace("$TMP", dir.path()).split(u'|');
            system.push_back({f[1], f[0], f[2], {}, {}, {}, {}}); // name, path, description
        }
        const portlist::ScopedSource source([&] { return system; });
        const std::vector<portlist::SystemPort> listed = portlist::systemPorts();
        QStringList shown;
        for (const QString &entry : entries)
            shown << portlist::comListEntry(entry.section(u' ', 0, 0).toInt(), listed);
        QCOMPARE(shown, entries);
        const std::vector<int> first =
            listed.empty() ? std::vector<int>{} : portlist::comNumbersOf(listed.front());
        QTEST(QList<int>(first.begin(), first.end()), "comsOfFirst");
    }
#endif
};

QTEST_GUILESS_MAIN(TestMComm)
#include "tst_mcomm.moc"
