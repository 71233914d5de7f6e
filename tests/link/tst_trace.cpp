// The link's traffic log: the line of each frame sent or received, for frames
// made by hand from the protocol's rules (packet, 16-bit sum, 7-bit body), and
// the reason for every frame the receiver drops.

#include "fakeport.h"
#include "linktrace.h"

#include <QTest>

namespace {

struct CollectedLines : linktrace::Sink
{
    QStringList lines;
    void writeLine(const QString &line) override { lines << line; }
};

std::vector<std::uint8_t> bytesOf(const QString &hex)
{
    std::vector<std::uint8_t> bytes;
    for (const QString &byte : hex.split(u' ', Qt::SkipEmptyParts))
        bytes.push_back(std::uint8_t(byte.toUInt(nullptr, 16)));
    return bytes;
}

QString repeated(const QString &byte, int count)
{
    return QStringList(count, byte).join(u' ');
}

void freeAllSlots()
{
    for (m::RxSlot &slot : m::RxSlots)
        slot[0] = 0;
    m::ReadSlot = 0;
    m::WriteSlot = -1;
    m::WritePos = 0;
}

// Replies to the identify request with sequence number 1, flags 0C (sequence
// number and option): 0C 01 00 00 00 0A 00 81 2A, sum 00C2.
const QString reply = QStringLiteral("02 86 80 20 80 80 80 94 80 40 4A 58 20 80 03");
const QString replyFields = QStringLiteral("flags=0C seq=1 opt=0A status=00 cmd=81 len=1 data=2A");

} // namespace

class TestTrace : public QObject
{
    Q_OBJECT

private slots:
    void init() { freeAllSlots(); }
    void cleanup() { freeAllSlots(); }

    void frameLines_data()
    {
        QTest::addColumn<QString>("received"); // empty: the identify request is sent
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<bool>("slotsTaken");
        QTest::addColumn<QStringList>("expected");
        // The identify request to 261 with sequence number 1, the worked example.
        QTest::newRow("sent") << QString() << 0 << false
                              << QStringList{
                                     "       0 tx  9600 sent          flags=0E tgt=00000105 seq=1 "
                                     "opt=0A status=00 cmd=01 len=0 data=- sum=0020 ok | 02 87 81 "
                                     "A0 90 80 80 82 80 80 80 81 A0 80 84 40 80 03"};
        QTest::newRow("reply") << reply << 0 << false
                               << QStringList{"       0 rx  9600 reply         " + replyFields +
                                              " sum=00C2 ok | " + reply};
        QTest::newRow("1234 ms later") << reply << 1234 << false
                                       << QStringList{"    1234 rx  9600 reply         " +
                                                      replyFields + " sum=00C2 ok | " + reply};
        // 0F 07 02 00 00 41 42 0F 80 01 00 00 00 0A 05 81 01 02, sum 01BE.
        QTest::newRow("every header field")
            << "02 87 C1 E0 20 80 81 82 42 87 E0 80 90 80 80 80 8A 82 60 20 90 95 F8 82 03" << 0
            << false
            << QStringList{"       0 rx  9600 reply         flags=0F src=00000207 tgt=800F4241 "
                           "seq=1 opt=0A status=05 cmd=81 len=2 data=0102 sum=01BE ok | 02 87 C1 "
                           "E0 20 80 81 82 42 87 E0 80 90 80 80 80 8A 82 60 20 90 95 F8 82 03"};
        // The reply with its sum's low byte C3.
        QTest::newRow("bad checksum")
            << "02 86 80 20 80 80 80 94 80 40 4A 58 30 80 03" << 0 << false
            << QStringList{"       0 rx  9600 drop:checksum " + replyFields +
                           " sum=00C3 bad, expected 00C2 | 02 86 80 20 80 80 80 94 80 40 4A 58 30 "
                           "80 03"};
        QTest::newRow("too short")
            << "02 86 81 C0 A0 03" << 0 << false
            << QStringList{"       0 rx  9600 drop:short    | 02 86 81 C0 A0 03"};
        // The frame is dropped at its 64th body byte; the rest up to the next STX goes unseen.
        QTest::newRow("too long") << "02 " + repeated("40", 66) + " 03" << 0 << false
                                  << QStringList{"       0 rx  9600 drop:long     | 02 " +
                                                 repeated("40", 64)};
        QTest::newRow("cut by the next STX")
            << "02 40 41 " + reply << 0 << false
            << QStringList{"       0 rx  9600 drop:cut      | 02 40 41",
                           "       0 rx  9600 reply         " + replyFields + " sum=00C2 ok | " +
                               reply};
        // 0C 01 00 00 00 0A 00 85 2A, sum 00C6: the reply to a write block.
        QTest::newRow("foreign command")
            << "02 86 80 20 80 80 80 94 80 42 4A 58 60 80 03" << 0 << false
            << QStringList{"       0 rx  9600 drop:command  flags=0C seq=1 opt=0A status=00 cmd=85 "
                           "len=1 data=2A sum=00C6 ok | 02 86 80 20 80 80 80 94 80 42 4A 58 60 80 "
                           "03"};
        // 0C 02 00 00 00 0A 00 81 2A, sum 00C3.
        QTest::newRow("foreign sequence number")
            << "02 86 80 40 80 80 80 94 80 40 4A 58 30 80 03" << 0 << false
            << QStringList{"       0 rx  9600 drop:seq      flags=0C seq=2 opt=0A status=00 cmd=81 "
                           "len=1 data=2A sum=00C3 ok | 02 86 80 40 80 80 80 94 80 40 4A 58 30 80 "
                           "03"};
        QTest::newRow("no free slot") << reply << 0 << true
                                      << QStringList{"       0 rx  9600 drop:no-slot  " +
                                                     replyFields + " sum=00C2 ok | " + reply};
    }
    void frameLines()
    {
        QFETCH(QString, received);
        QFETCH(int, afterMs);
        QFETCH(bool, slotsTaken);
        QFETCH(QStringList, expected);
        linkclock::ManualClock clock(5000); // times count from the trace's start
        linkclock::ScopedClock scopedClock(&clock);
        FakePorts ports;
        CollectedLines trace;
        linktrace::ScopedSink scopedTrace(&trace);
        m::tLink link;
        link.Port = 1;
        link.DCBString = QStringLiteral("baud=9600");
        link.TargetID = 0x105;
        link.SeqNo = 1;
        link.Command = m::CMD_IDENTIFY;
        link.Opt = 10;
        link.Flags = 15;
        link.Retries = 1;
        link.Timeout = 1;
        QCOMPARE(m::OpenLink(link), m::LINK_OK);
        if (received.isEmpty()) {
            m::Transact(link);
        } else {
            for (m::RxSlot &slot : m::RxSlots)
                slot[0] = slotsTaken ? 5 : 0;
            clock.advance(std::chrono::milliseconds(afterMs));
            ports.last->feed(bytesOf(received));
            m::ReceiveBytes(link);
            while (!slotsTaken && m::ParseFrame(link)) {
            }
        }
        QCOMPARE(trace.lines, expected);
    }
};

QTEST_GUILESS_MAIN(TestTrace)
#include "tst_trace.moc"
