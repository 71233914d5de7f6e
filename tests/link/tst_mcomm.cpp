#include "fakeport.h"
#include "simport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace mComm;

Q_DECLARE_METATYPE(mComm::CommState)

class TestMComm : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir config;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1025);

    static std::int32_t open(std::int16_t port, const QString &mode = QStringLiteral("baud=9600"))
    {
        return CommOpen(port, QStringLiteral("COM%1").arg(port), mode);
    }

private slots:
    void initTestCase()
    {
        // The port map lives in the user's settings; keep the tests' own.
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }

    void init() { CommLastError = {}; }

    // What is waiting, up to the maximum and never past the caller's array;
    // bytes that arrive while events run are already read by this call.
    void readTakesWhatIsWaiting()
    {
        FakePorts ports;
        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        QCOMPARE(open(1), COMM_OK);
        QCOMPARE(CommRead(1, buffer, 256), 0);
        QCOMPARE(ports.last->readCalls, 0); // nothing waiting: no read
        std::vector<std::uint8_t> waiting(300);
        for (std::size_t i = 0; i < waiting.size(); ++i)
            waiting[i] = std::uint8_t(i);
        ports.last->feed(waiting);
        QCOMPARE(CommRead(1, buffer, 256), 256);
        QVERIFY(std::equal(buffer.begin(), buffer.begin() + 256, waiting.begin()));
        QCOMPARE(CommRead(1, buffer, 256), 44);
        QCOMPARE(buffer[0], std::uint8_t(256 % 256));
        QCOMPARE(buffer[43], std::uint8_t(299 % 256));
        ports.last->feed(std::vector<std::uint8_t>(100, 0x55));
        std::array<std::uint8_t, 10> small{};
        QCOMPARE(CommRead(1, small, 256), 10);
        QCOMPARE(CommRead(1, small, -5), 0);
        ports.last->rx.clear();
        clock.onEvents = [&] { ports.last->feed({1, 2, 3}); };
        QCOMPARE(CommRead(1, buffer, 256), 3);
    }

    void readOfAPortWhoseStatusFails()
    {
        FakePorts ports;
        QCOMPARE(open(2), COMM_OK);
        ports.last->statusFails = true;
        QCOMPARE(CommRead(2, buffer, 256), -1);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommRead (ClearCommError)"));
        QCOMPARE(CommRead(3, buffer, 256), -1); // never opened
    }

    void openTwiceIsRefusedAndKeepsTheFirst()
    {
        FakePorts ports;
        QCOMPARE(open(1), COMM_OK);
        FakePort *first = ports.last;
        QCOMPARE(open(1), COMM_ALREADY_OPEN);
        QCOMPARE(ports.names.size(), 1); // no second device was made
        QCOMPARE(CommLastError.lErrCode, 0);
        const std::array<std::uint8_t, 3> bytes{1, 2, 3};
        QCOMPARE(CommWrite(1, bytes), 3);
        QCOMPARE(first->writes.size(), std::size_t(1));
    }

    // Why a port would not open is kept for a front end to show.
    void openFailureIsRecorded_data()
    {
        QTest::addColumn<QString>("port"); // "refused", "missing", or a system device
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused by the device")
            << "refused" << int(FakePort::FAILURE) << "fake failure";
        QTest::newRow("no device behind the name")
            << "missing" << int(COMM_NO_DEVICE) << "The device does not exist.";
        QTest::newRow("no such system device")
            << "/nonexistent/ttyX" << COMM_DEVICE_ERROR + 1 << "No such file or directory";
    }
    void openFailureIsRecorded()
    {
        QFETCH(QString, port);
        QFETCH(int, code);
        QFETCH(QString, text);
        std::optional<ScopedPortFactory> factory;
        if (port == u"refused" || port == u"missing") {
            factory.emplace([port](const QString &) -> std::unique_ptr<CommDevice> {
                if (port == u"missing")
                    return nullptr;
                auto fake = std::make_unique<FakePort>();
                fake->refuseOpen = true;
                return fake;
            });
        }
        QCOMPARE(CommOpen(1, port, QStringLiteral("baud=9600")), COMM_CANNOT_OPEN);
        QCOMPARE(CommLastError.lErrCode, code);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommOpen (CreateFile)"));
        QCOMPARE(CommLastError.sErrText, text);
        QCOMPARE(CommPorts[0].bOpen, std::int16_t(0));
        QCOMPARE(CommClose(5), COMM_OK); // never opened
    }

    void failedOpenStepIsRecordedAndLeavesThePortOpen_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("context");
        QTest::newRow("queues") << "setupQueues"
                                << "CommOpen (SetupComm)";
        QTest::newRow("purge") << "purge"
                               << "CommOpen (PurgeComm)";
        QTest::newRow("get state") << "getState"
                                   << "CommOpen (GetCommState)";
        QTest::newRow("set state") << "setState"
                                   << "CommOpen (SetCommState)";
    }
    void failedOpenStepIsRecordedAndLeavesThePortOpen()
    {
        QFETCH(QString, step);
        QFETCH(QString, context);
        FakePorts ports;
        ports.prepare = [step](FakePort &port) { port.failAt = step; };
        QCOMPARE(open(1), FakePort::FAILURE);
        QCOMPARE(CommLastError.lErrCode, FakePort::FAILURE);
        QCOMPARE(CommLastError.sErrContext, context);
        QCOMPARE(CommLastError.sErrText, QStringLiteral("fake failure"));
        // Half open: refused until closed, as the link closes before it opens.
        QCOMPARE(open(1), COMM_ALREADY_OPEN);
        QCOMPARE(CommClose(1), COMM_OK);
        ports.prepare = nullptr;
        QCOMPARE(open(1), COMM_OK);
    }

    void badModeStrings_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("unknown parity letter") << "baud=9600 parity=X data=8 stop=1";
        QTest::newRow("letters for speed") << "baud=fast parity=N data=8 stop=1";
        QTest::newRow("nine data bits") << "baud=9600 data=9";
        QTest::newRow("three stop bits") << "baud=9600 stop=3";
        QTest::newRow("unknown key") << "speed=9600";
        QTest::newRow("key without value") << "baud=9600 parity";
        QTest::newRow("empty") << "";
        QTest::newRow("too many fields") << "9600,N,8,1,x,y";
    }
    void badModeStrings()
    {
        QFETCH(QString, mode);
        FakePorts ports;
        QCOMPARE(open(1, mode), COMM_INVALID_PARAMETER);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommOpen (BuildCommDCB)"));
        QVERIFY(!CommLastError.sErrText.isEmpty());
        QCOMPARE(CommClose(1), COMM_OK);
        QCOMPARE(open(1, QStringLiteral("baud=4800")), COMM_OK);
        QCOMPARE(CommSet(1, mode), COMM_INVALID_PARAMETER);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSet (BuildCommDCB)"));
        QCOMPARE(ports.last->state.BaudRate, 4800); // unchanged
    }

    void modeStrings_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<mComm::CommState>("expected");
        // Starting from 9600 baud, even parity, 7 data bits, 2 stop bits.
        QTest::newRow("all four") << "baud=19200 parity=N data=8 stop=1"
                                  << CommState{19200, 'N', 8, 1};
        QTest::newRow("speed only") << "baud=1200" << CommState{1200, 'E', 7, 2};
        QTest::newRow("any case and order")
            << "STOP=1 Parity=o BAUD=2400" << CommState{2400, 'O', 7, 1};
        QTest::newRow("abbreviated speed") << "baud=96 parity=m" << CommState{9600, 'M', 7, 2};
        QTest::newRow("one and a half") << "stop=1.5 data=5" << CommState{9600, 'E', 5, 15};
        QTest::newRow("short form") << "38400,n,8,1" << CommState{38400, 'N', 8, 1};
        QTest::newRow("short form, speed only") << "19,s" << CommState{19200, 'S', 7, 2};
    }
    void modeStrings()
    {
        QFETCH(QString, mode);
        QFETCH(mComm::CommState, expected);
        CommState state{9600, 'E', 7, 2};
        QVERIFY(BuildCommState(mode, state));
        QCOMPARE(state, expected);
    }

    // Setting the mode also drops DTR, which the system raised on opening.
    void setChangesTheSpeedOfAnOpenPort()
    {
        FakePorts ports;
        QCOMPARE(open(1, QStringLiteral("baud=9600 parity=N data=8 stop=1")), COMM_OK);
        QVERIFY(ports.last->events.empty());
        QCOMPARE(CommSet(1, QStringLiteral("baud=38400 parity=N data=8 stop=1")), COMM_OK);
        QCOMPARE(ports.last->state, (CommState{38400, 'N', 8, 1}));
        QCOMPARE(CommPorts[0].dcb.BaudRate, 38400);
        QCOMPARE(ports.last->events.size(), std::size_t(1));
        QCOMPARE(ports.last->events[0].what, QStringLiteral("dtr off"));
        // A port without modem lines takes the speed but reports the DTR step.
        ports.last->failAt = QStringLiteral("setLine");
        QCOMPARE(CommSet(1, QStringLiteral("baud=4800")), FakePort::FAILURE);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSet (SetCommState)"));
        QCOMPARE(ports.last->state.BaudRate, 4800);
        QCOMPARE(CommSet(4, QStringLiteral("baud=9600")), COMM_NOT_OPEN);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSet (GetCommState)"));
    }

    void linesMoveOnlyWhenAsked()
    {
        FakePorts ports;
        QCOMPARE(open(1), COMM_OK);
        QVERIFY(ports.last->events.empty());
        QCOMPARE(CommSetLine(1, LINE_RTS, true), COMM_OK);
        QCOMPARE(CommSetLine(1, LINE_RTS, false), COMM_OK);
        QCOMPARE(ports.last->events.size(), std::size_t(2));
        QCOMPARE(ports.last->events[0].what, QStringLiteral("rts on"));
        QCOMPARE(ports.last->events[1].what, QStringLiteral("rts off"));
        QCOMPARE(CommSetLine(1, 7, true), COMM_INVALID_PARAMETER);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSetLine (EscapeCommFunction)"));
        // A pseudo-terminal has no RTS, DTR or BREAK: the refusal is recorded.
        CommLastError = {};
        ports.last->failAt = QStringLiteral("setLine");
        QCOMPARE(CommSetLine(1, LINE_DTR, true), FakePort::FAILURE);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSetLine (EscapeCommFunction)"));
    }

    void writeHandsOverTheWholeBuffer()
    {
        FakePorts ports;
        QCOMPARE(open(1), COMM_OK);
        const std::vector<std::uint8_t> bytes{2, 0x87, 0x81, 3};
        QCOMPARE(CommWrite(1, bytes), 4);
        QCOMPARE(ports.last->writes.at(0), bytes);
        QCOMPARE(CommWrite(6, bytes), 0); // not open: nothing taken
    }

    void failedCloseKeepsThePortOpen()
    {
        FakePorts ports;
        QCOMPARE(open(1), COMM_OK);
        ports.last->failAt = QStringLiteral("close");
        QCOMPARE(CommClose(1), FakePort::FAILURE);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommClose (CloseHandle)"));
        QCOMPARE(CommPorts[0].bOpen, std::int16_t(-1));
        ports.last->failAt.clear();
        QCOMPARE(CommClose(1), COMM_OK);
        QCOMPARE(CommPorts[0].bOpen, std::int16_t(0));
    }

    void portNumbersOutsideTheTable_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("0") << 0;
        QTest::newRow("17") << 17;
        QTest::newRow("-1") << -1;
        QTest::newRow("32767") << 32767;
    }
    void portNumbersOutsideTheTable()
    {
        QFETCH(int, port);
        FakePorts ports;
        const auto p = std::int16_t(port);
        const std::array<std::uint8_t, 2> bytes{1, 2};
        QCOMPARE(CommOpen(p, QStringLiteral("COM1"), QStringLiteral("baud=9600")), COMM_BAD_PORT);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommOpen"));
        QCOMPARE(CommSet(p, QStringLiteral("baud=9600")), COMM_BAD_PORT);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSet"));
        QCOMPARE(CommClose(p), COMM_BAD_PORT);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommClose"));
        QCOMPARE(CommRead(p, buffer, 256), -1);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommRead"));
        QCOMPARE(CommWrite(p, bytes), -1);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommWrite"));
        QCOMPARE(CommSetLine(p, LINE_RTS, true), COMM_BAD_PORT);
        QCOMPARE(CommLastError.sErrContext, QStringLiteral("CommSetLine"));
        QCOMPARE(CommLastError.sErrText, QStringLiteral("Subscript out of range"));
        QVERIFY(ports.names.isEmpty());
    }

    void allSixteenPortsOpen()
    {
        FakePorts ports;
        for (std::int16_t port = 1; port <= 16; ++port)
            QCOMPARE(open(port), COMM_OK);
    }

#ifndef Q_OS_WIN
    void portNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("COM1") << "COM1"
                              << "/dev/ttyS0";
        QTest::newRow("COM8") << "COM8"
                              << "/dev/ttyS7";
        QTest::newRow("COM9") << "COM9"
                              << "/dev/ttyUSB0";
        QTest::newRow("COM12") << "COM12"
                               << "/dev/ttyUSB3";
        QTest::newRow("COM13") << "COM13"
                               << "/dev/ttyACM0";
        QTest::newRow("COM16") << "COM16"
                               << "/dev/ttyACM3";
        QTest::newRow("mapped") << "COM5"
                                << "/dev/ttyAMA0";
        QTest::newRow("mapped to the simulator") << "COM6"
                                                 << "sim";
        QTest::newRow("device path") << "/dev/pts/4"
                                     << "/dev/pts/4";
        QTest::newRow("simulator") << "sim"
                                   << "sim";
    }
    void portNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        {
            QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                            QStringLiteral("kWare"));
            store.beginGroup(QStringLiteral("SoftWare/Corvant/kWare/Ports"));
            store.setValue(QStringLiteral("COM5"), QStringLiteral("/dev/ttyAMA0"));
            store.setValue(QStringLiteral("COM6"), QStringLiteral("sim"));
        }
        QCOMPARE(ResolvePortName(name), expected);
        FakePorts ports;
        QCOMPARE(CommOpen(1, name, QStringLiteral("baud=9600")), COMM_OK);
        QCOMPARE(ports.names.value(0), expected);
    }
#endif

    void theSimulatorOpensByName()
    {
        auto device = std::make_shared<sim::Device>();
        const ScopedPortFactory simulated(sim::portFactory(device));
        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        QCOMPARE(CommOpen(1, QStringLiteral("sim"), QStringLiteral("baud=9600")), COMM_OK);
        QVERIFY(device->inUse);
        // One device: a second port cannot have it as well.
        QCOMPARE(CommOpen(2, QStringLiteral("sim"), QStringLiteral("baud=9600")), COMM_CANNOT_OPEN);
        QCOMPARE(CommRead(1, buffer, 256), 0);
        // Its output is sent once ten bytes have had 10 bits each at 9600
        // baud: 10.4167 ms.
        QCOMPARE(CommWrite(1, std::array<std::uint8_t, 10>{}), 10);
        clock.advance(std::chrono::microseconds(10415));
        QVERIFY(!CommOutputDrained(1));
        clock.advance(std::chrono::microseconds(2));
        QVERIFY(CommOutputDrained(1));
        QCOMPARE(CommClose(1), COMM_OK);
        QVERIFY(!device->inUse);
    }
};

QTEST_GUILESS_MAIN(TestMComm)
#include "tst_mcomm.moc"
