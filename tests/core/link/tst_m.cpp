// The protocol on a scripted port and the manual clock: frames worked out by
// hand, what the receiver makes of each frame (as the trace shows it), the
// exchange's timing and the tick-count wait under it, the device operations,
// the bus scan, and the device address the serial number / ID field gives.

#include "busscan.h"
#include "fakeport.h"
#include "linktrace.h"
#include "target.h"

#include <QTest>

using namespace m;
using Setup = std::function<void(FakeLine &)>;
using Operation = std::function<QString()>;
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Operation)

namespace {

// The identify request of the worked example: to 0x105, sequence number 1.
void identifyRequest(tLink &l)
{
    l.TargetID = 0x105, l.SeqNo = 1, l.Command = 1, l.Opt = 10, l.Flags = 15, l.Retries = 1;
}

// Its reply, flags 0C (sequence, option): 0C 01 00 00 00 0A 00 81 2A, sum 00C2.
const char *const reply2A = "02 86 80 20 80 80 80 94 80 40 4A 58 20 80 03";

struct Trace : linktrace::Sink
{
    void writeLine(const QString &line) override { lines << line; }
    QStringList lines;
};

// A speed search from the record's last speed (0: none) for the device at
// its speed, the record asking for 3 attempts an exchange: the result, every
// speed set on the port (the open's first), the requests sent, and the speed
// found.
Operation search(int lastBaud, int deviceBaud, int infoBytes = -1)
{
    return [=] {
        FakeLine line(sim::DeviceConfig{.baud = deviceBaud});
        line.device->faults.shortInfoLength = infoBytes;
        line.link.Retries = 3;
        if (lastBaud)
            line.link.DCBString = modeString(lastBaud), line.link.Settings = shortForm(lastBaud);
        OpenLink(line.link);
        QString outcome = QString::number(SelectSpeed(line.link)) + u':';
        for (const std::int32_t baud : line.port().speeds)
            outcome += u' ' + QString::number(baud);
        outcome += QStringLiteral(", %1 requests").arg(line.port().writes.size());
        return line.link.SpeedFound
                   ? outcome + "; " + line.link.Settings + ' ' + line.link.DCBString
                   : outcome;
    };
}

// A bus scan with device ID 2 at 9600 baud on the line, Ctrl+C once so many
// requests went out (-1: never): the result, each speed/ID asked, the devices
// found, and the time it took to the nearest 50 ms: a silent ID costs its request's
// RTS hold and 576000 / baud + 150 ms, one that answers the hold alone.
Operation scan(const QList<int> &speeds, const QList<int> &ids, int cancelAfter = -1)
{
    return [=] {
        FakeLine line(sim::DeviceConfig{.deviceId = 2});
        QStringList asked;
        line.prepare = [&](FakePort &port) {
            port.onWrite = [&](FakePort &) {
                asked << QStringLiteral("%1/%2")
                             .arg(port.state.BaudRate)
                             .arg(line.link.TargetID - 512);
            };
        };
        line.clock.onEvents = [&] {
            if (asked.size() == cancelAfter)
                line.link.Cancel = LINK_TRUE;
        };
        busscan::ScanObserver quiet;
        std::vector<busscan::FoundDevice> found;
        const std::int32_t result =
            busscan::ScanBus(line.link, std::vector<int>(ids.begin(), ids.end()),
                             std::vector<std::int32_t>(speeds.begin(), speeds.end()), quiet, found);
        QString outcome = QString::number(result) + ": " + asked.join(u' ');
        for (const busscan::FoundDevice &device : found)
            outcome += QStringLiteral("; found %1 at %2").arg(device.id).arg(device.summary.baud);
        return outcome + QStringLiteral("; about %1 ms").arg(qRound(line.elapsedMs() / 50) * 50) +
               (mComm::CommPorts[0].bOpen ? ", port open" : "");
    };
}

} // namespace

class TestLinkProtocol : public QObject
{
    Q_OBJECT

private slots:
    // Frames worked out by hand from the protocol's rules: the packet (flags;
    // target, sequence number and option as the flags say; status; command;
    // data; their 16-bit sum, low byte first) as one bit stream, seven bits to
    // a body byte whose bit 7 repeats the previous one's bit 0, or is set when
    // bits 5 and 6 are clear; STX before, ETX after. Requests carry flags 0E,
    // to 0x105 or to serial number 12345678 (0x80BC614E). Replies come from
    // device ID 7 (0x207) with flags 0D (source, sequence, option), status 0
    // and the command | 0x80; the identify reply's information block is
    // 4E 61 BC 80, 07, 01 02 03, 02 00, 34 12, 56, 9A 78, 42, 99, 41.
    void handWorkedFrames_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("result"); // of the block transfer
        // clang-format off
        QTest::newRow("identify, download 33-120, identify") << false << QStringList{
            // identify, sequence 1: the worked example
            "02 87 81 A0 90 80 80 82 80 80 80 81 A0 80 84 40 80 03",
            // read 36 bytes at 32, 36 at 68, 16 at 104, sequence 1 to 3
            "02 87 81 A0 90 80 80 82 80 80 80 80 50 80 98 40 80 92 99 80 80 03",
            "02 87 81 A0 90 80 80 84 80 80 80 80 50 80 99 88 80 92 22 20 80 03",
            "02 87 81 A0 90 80 80 86 80 80 80 80 50 80 99 D0 80 88 26 40 80 03",
            // identify again, sequence 4, no data
            "02 87 81 A0 90 80 80 88 80 80 80 81 A0 80 84 46 80 03"
        } << QStringList{
            "02 86 41 E0 20 80 80 82 80 80 80 81 A0 84 85 9C 61 DE 20 80 70 88 88 86 82 80 8D 82 25 B4 69 F0 42 4C 50 2C 60 28 03",
            // address, count, then 0xC0 + a for address a
            "02 86 41 E0 20 80 80 82 80 80 80 80 50 84 98 40 80 92 38 9C 9E 97 8F C9 E5 F3 B9 FD 8E 4F AB D7 EC 76 7B DD FF 87 C7 E5 "
            "F3 FA 3D BE 6F BF E3 F3 FA 7D FF 9F DF F7 FC 80 81 81 80 7B C1 F0 03",
            "02 86 41 E0 20 80 80 84 80 80 80 80 50 84 99 88 80 92 81 80 50 30 9C 90 89 85 82 61 C0 68 38 9E 90 88 44 42 31 A0 54 2C "
            "97 8C 86 23 A1 D8 70 3A 9E 8F C8 84 92 91 8C 48 25 93 89 E2 90 20 03",
            "02 86 41 E0 20 80 80 86 80 80 80 80 50 84 99 D0 80 88 8A 85 92 51 AC 58 2D 97 8B E6 83 89 C8 66 34 9A 4D C6 71 A0 90 03",
            "02 86 41 E0 20 80 80 88 80 80 80 81 A0 84 85 9C 61 DE 20 80 70 88 88 86 82 80 8D 82 25 B4 69 F0 42 4C 50 2D 90 28 03"} << 0;
        QTest::newRow("identify, upload 33-120, reset") << true << QStringList{
            // identify, sequence 1
            "02 87 93 CC 9B E4 80 82 80 80 80 81 A0 80 84 8A 82 03",
            // write 0xFF - a at address a in the same blocks, sequence 1 to 3
            "02 87 93 CC 9B E4 80 82 80 80 80 80 50 80 94 40 80 92 37 FB ED EE 73 B7 DA 6C 76 9A 7D B6 57 A9 D3 E9 B4 3A 8C 7E 3B 9B "
            "CC 65 F2 59 9C 46 9F 8D C5 E2 30 78 2C 8E 82 7F BE 5E 6F 85 E1 F8 03",
            "02 87 93 CC 9B E4 80 84 80 80 80 80 50 80 95 88 80 92 2E 77 AB CD E2 6F B6 5A 6D 96 3B 95 C6 61 AF D7 AB B5 CA 5D AA 53 "
            "A8 53 E9 D4 5A 25 8E 45 A1 D0 27 F3 E9 EC 72 37 9A 4C 66 88 31 D0 03",
            "02 87 93 CC 9B E4 80 86 80 80 80 80 50 80 95 D0 80 88 25 F2 69 AC 52 27 92 48 64 91 F8 74 36 99 8B C5 A2 31 87 B0 2C 03",
            // reset, sequence 4, no data
            "02 87 93 CC 9B E4 80 88 80 80 80 80 50 80 90 8C 82 03"
        } << QStringList{
            "02 86 41 E0 20 80 80 82 80 80 80 81 A0 84 85 9C 61 DE 20 80 70 88 88 86 82 80 8D 82 25 B4 69 F0 42 4C 50 2C 60 28 03",
            // result 00
            "02 86 41 E0 20 80 80 82 80 80 80 80 50 84 94 81 A1 80 80 03",
            "02 86 41 E0 20 80 80 84 80 80 80 80 50 84 94 81 A2 80 80 03",
            "02 86 41 E0 20 80 80 86 80 80 80 80 50 84 94 81 A3 80 80 03",
            "02 86 41 E0 20 80 80 88 80 80 80 80 50 84 92 46 80 03"} << 0;
        // The first read's reply carries its 36 bytes but echoes the count as
        // 35; then one that echoes 36 but carries 35 (E0 to 02, sum 1ED9).
        const QStringList firstRead{"02 87 81 A0 90 80 80 82 80 80 80 81 A0 80 84 40 80 03",
                                    "02 87 81 A0 90 80 80 82 80 80 80 80 50 80 98 40 80 92 99 80 80 03"};
        const QString identified = "02 86 41 E0 20 80 80 82 80 80 80 81 A0 84 85 9C 61 DE 20 80 70 88 88 86 82 80 8D 82 25 B4 69 F0 42 4C 50 2C 60 28 03";
        QTest::newRow("identify, download stopped by the echo") << false << firstRead << QStringList{identified,
            "02 86 41 E0 20 80 80 82 80 80 80 80 50 84 98 40 80 91 F8 9C 9E 97 8F C9 E5 F3 B9 FD 8E 4F AB D7 EC 76 7B DD FF 87 C7 E5 "
            "F3 FA 3D BE 6F BF E3 F3 FA 7D FF 9F DF F7 FC 80 81 81 80 7B B1 F0 03"} << 6;
        QTest::newRow("identify, download stopped by a short reply") << false << firstRead << QStringList{identified,
            "02 86 41 E0 20 80 80 82 80 80 80 80 50 84 98 40 80 92 38 9C 9E 97 8F C9 E5 F3 B9 FD 8E 4F AB D7 EC 76 7B DD FF 87 C7 E5 "
            "F3 FA 3D BE 6F BF E3 F3 FA 7D FF 9F DF F7 FC 80 81 81 B6 23 E0 03"} << 6;
        // clang-format on
    }
    void handWorkedFrames()
    {
        QFETCH(bool, upload);
        QFETCH(QStringList, replies);
        FakeLine line;
        line.link.TargetID = upload ? std::int32_t(0x80BC614EU) : 0x105;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        line.port().onWrite = [&replies](FakePort &port) {
            port.rx += QByteArray::fromHex(replies.value(port.writes.size() - 1).toLatin1());
        };
        QCOMPARE(Identify(line.link), LINK_OK);
        const tLink &l = line.link;
        QCOMPARE(QString::asprintf("%X %X %X %d %X %X %X %X %X ", l.SerialNo, l.DevID, l.Info6,
                                   l.EEPROMSize, l.Info11, l.Info13, l.Info14, l.Info16, l.Info17) +
                     l.DevText,
                 QStringLiteral("80BC614E 7 30201 2048 1234 56 789A 42 99 A"));
        std::vector<std::uint8_t> image(121), buffer;
        std::int32_t start = 33, stop = 120;
        for (int p = 33; p <= 120; ++p)
            image[p] = std::uint8_t(0xFF - (p - 1));
        QFETCH(int, result);
        if (upload) {
            QCOMPARE(WriteBlocks(line.link, image, start, stop), result);
            const double resetAt = line.elapsedMs();
            QCOMPARE(ResetDevice(line.link), LINK_OK);
            // The request's RTS hold (18 bytes at 9600 baud), then 3 s.
            QVERIFY(line.elapsedMs() - resetAt > 3031 && line.elapsedMs() - resetAt < 3034);
        } else {
            QCOMPARE(ReadBlocks(line.link, buffer, start, stop), result);
            // A stopped read keeps nothing of the reply it refused.
            for (int p = 33; p <= 120; ++p)
                QCOMPARE(buffer.at(p - 32), std::uint8_t(result == LINK_OK ? 0xC0 + p - 1 : 0));
            if (result == LINK_OK)
                QCOMPARE(Identify(line.link), LINK_OK);
        }
        QStringList sent;
        for (const QByteArray &frame : line.port().writes)
            sent << QString::fromLatin1(frame.toHex(' ').toUpper());
        QTEST(sent, "requests");
    }

    // The identify request at 9600 baud unless a row says otherwise. RTS stays
    // up for the larger of bytes x 9000 / baud + 15 ms and the frame's time on
    // the wire (10 bits a byte) + 2 ms, and until the port has sent the frame;
    // each attempt then waits Timeout x 100 ms, 576000 / baud + 150 ms for a
    // negative Timeout, or 1500 ms. A row with a trace has the request sent
    // 1234 ms after the trace began, and what came back in one read once its
    // RTS fell: a frame made by hand as above, then the reply, which no damaged
    // or foreign frame before it may strand.
    void exchange_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<double>("rtsMs");      // RTS up for the first frame, within 1 ms
        QTest::addColumn<double>("elapsedMs");  // within 2 ms an attempt
        QTest::addColumn<QStringList>("trace"); // after the request's line
        const auto at = [](int baud, int retries, int timeout, int txLen,
                           std::uint64_t drainLagUs) {
            return Setup([=](FakeLine &l) {
                mComm::CommSet(1, QStringLiteral("baud=%1").arg(baud));
                l.link.Retries = std::int16_t(retries), l.link.Timeout = std::int16_t(timeout);
                l.link.TxLen = txLen, l.port().drainLagUs = drainLagUs;
            });
        };
        const QStringList none;
        // clang-format off
        const auto received = [](const char *name, const QString &frame, const QStringList &lines, void (*prepare)() = [] {}) {
            QTest::newRow(name) << Setup([frame, prepare](FakeLine &l) {
                prepare();
                l.clock.advance(std::chrono::milliseconds(1234));
                l.port().rx = QByteArray::fromHex((frame + ' ' + reply2A).toLatin1());
            }) << 0 << 1 << 31.875 << 31.875 << lines;
        };
        const QString rx = QStringLiteral("    1266 rx  9600 "); // after the 31.875 ms hold
        const QString reply = rx + "reply         flags=0C seq=1 opt=0A status=00 cmd=81 len=1 data=2A sum=00C2 ok | " + reply2A;
        QTest::newRow("one attempt of 1500 ms")    << at(9600, 1, 0, 0, 0) << 3 << 1 << 31.875 << 1531.875 << none;
        QTest::newRow("Retries 0: three attempts") << at(9600, 0, 0, 0, 0) << 3 << 3 << 31.875 << 3 * 1531.875 << none;
        QTest::newRow("Timeout in tenths")         << at(9600, 2, 5, 0, 0) << 3 << 2 << 31.875 << 2 * 531.875 << none;
        QTest::newRow("wait from 9600 baud")       << at(9600, 1, -1, 0, 0) << 3 << 1 << 31.875 << 31.875 + 210 << none;
        QTest::newRow("wait from 1200 baud")       << at(1200, 1, -1, 0, 0) << 3 << 1 << 152.0 << 152 + 630.0 << none;
        QTest::newRow("64 bytes at 9600")          << at(9600, 1, 1, 40, 0) << 3 << 1 << 75.0 << 175.0 << none;
        QTest::newRow("63 bytes at 1200")          << at(1200, 1, 1, 39, 0) << 3 << 1 << 527.0 << 627.0 << none;
        QTest::newRow("adapter still sending")     << at(4800, 1, 1, 0, 57500) << 3 << 1 << 57.5 << 157.5 << none;
        QTest::newRow("adapter never done")        << at(9600, 1, 1, 0, FakePort::NEVER) << 3 << 1 << 1031.875 << 1131.875 << none;
        QTest::newRow("reply at 1400 ms") << Setup([](FakeLine &l) { l.clock.onEvents = [&l] {
            if (l.elapsedMs() >= 1400 && l.port().rx.isEmpty() && !l.link.Replied)
                l.port().rx = QByteArray::fromHex(reply2A);
        }; }) << 0 << 1 << 31.875 << 1400.0 << none;
        QTest::newRow("cancel within one poll") << Setup([](FakeLine &l) { l.link.Retries = 3; l.clock.onEvents = [&l] {
            l.link.Cancel = l.elapsedMs() >= 200 ? LINK_TRUE : LINK_FALSE;
        }; }) << 4 << 1 << 31.875 << 200.0 << none;
        QTest::newRow("tick count wraps at 100 ms") << Setup([](FakeLine &l) {
            l.clock.advance(std::chrono::milliseconds(0xFFFFFFFFLL - 99));
            l.link.Retries = 2;
        }) << 3 << 2 << 31.875 << 100 + 1531.875 << none;
        QTest::newRow("no target")                << Setup([](FakeLine &l) { l.link.TargetID = 0; }) << 1 << 0 << 0.0 << 0.0 << none;
        QTest::newRow("65-byte frame")            << Setup([](FakeLine &l) { l.link.TxLen = 41; }) << 2 << 0 << 0.0 << 0.0 << none;
        QTest::newRow("cancelled before sending") << Setup([](FakeLine &l) { l.link.Cancel = LINK_TRUE; }) << 4 << 0 << 0.0 << 0.0 << none;
        // 0F 07 02 00 00 41 42 0F 80 01 00 00 00 0A 05 81 01 02, sum 01BE: the reply with every header field.
        const QString everyField = "02 87 C1 E0 20 80 81 82 42 87 E0 80 90 80 80 80 8A 82 60 20 90 95 F8 82 03";
        received("every header field", everyField, {rx + "reply         flags=0F src=00000207 tgt=800F4241 seq=1 opt=0A status=05 cmd=81 len=2 data=0102 sum=01BE ok | " + everyField});
        // The reply with its sum's low byte C3.
        const QString badSum = "02 86 80 20 80 80 80 94 80 40 4A 58 30 80 03";
        received("bad checksum", badSum, {rx + "drop:checksum flags=0C seq=1 opt=0A status=00 cmd=81 len=1 data=2A sum=00C3 bad, expected 00C2 | " + badSum, reply});
        received("too short", "02 86 81 C0 A0 03", {rx + "drop:short    | 02 86 81 C0 A0 03", reply});
        // Dropped at its 64th body byte; the rest up to the next STX goes unseen.
        received("too long", "02 " + QStringList(66, "40").join(' ') + " 03", {rx + "drop:long     | 02 " + QStringList(64, "40").join(' '), reply});
        received("cut by the next STX", "02 40 41", {rx + "drop:cut      | 02 40 41", reply});
        // 0C 01 00 00 00 0A 00 85 2A, sum 00C6: the reply to a write block.
        const QString write = "02 86 80 20 80 80 80 94 80 42 4A 58 60 80 03";
        received("foreign command", write, {rx + "drop:command  flags=0C seq=1 opt=0A status=00 cmd=85 len=1 data=2A sum=00C6 ok | " + write, reply});
        // 0C 02 00 00 00 0A 00 81 2A, sum 00C3.
        const QString seq2 = "02 86 80 40 80 80 80 94 80 40 4A 58 30 80 03";
        received("foreign sequence number", seq2, {rx + "drop:seq      flags=0C seq=2 opt=0A status=00 cmd=81 len=1 data=2A sum=00C3 ok | " + seq2, reply});
        // The reply with bit 7 of every body byte flipped: decoding ignores it.
        const QString flipped = "02 06 00 A0 00 00 00 14 00 C0 CA D8 A0 00 03";
        received("bit 7 not as sent", flipped, {rx + "reply         flags=0C seq=1 opt=0A status=00 cmd=81 len=1 data=2A sum=00C2 ok | " + flipped});
        // A frame takes the first free slot from ReadSlot on, after 128 comes 0;
        // with no slot free it is dropped (here every one holds the reply).
        received("slot 128, then slot 0", seq2, {rx + "drop:seq      flags=0C seq=2 opt=0A status=00 cmd=81 len=1 data=2A sum=00C3 ok | " + seq2, reply}, [] { gReceiver.ReadSlot = 128; });
        received("no free slot", seq2, {rx + "drop:no-slot  flags=0C seq=2 opt=0A status=00 cmd=81 len=1 data=2A sum=00C3 ok | " + seq2, QString(reply).replace("reply       ", "drop:no-slot"), reply}, [] {
            const QByteArray body = QByteArray::fromHex(reply2A).mid(1, 13);
            for (RxSlot &slot : gReceiver.RxSlots)
                slot[0] = 13, std::copy(body.begin(), body.end(), slot.begin() + 1);
        });
        // clang-format on
    }
    void exchange()
    {
        QFETCH(Setup, setup);
        QFETCH(int, attempts);
        QFETCH(double, rtsMs);
        QFETCH(double, elapsedMs);
        FakeLine line;
        identifyRequest(line.link);
        Trace traced;
        const linktrace::ScopedSink sink(&traced);
        QCOMPARE(OpenLink(line.link), LINK_OK);
        setup(line);
        const qsizetype first = line.port().lines.size();
        const double start = line.elapsedMs();
        QTEST(int(Transact(line.link)), "result");
        const double took = line.elapsedMs() - start;
        QVERIFY2(took >= elapsedMs && took <= elapsedMs + 2 * std::max(attempts, 1),
                 qPrintable(QString::number(took)));
        QCOMPARE(int(line.port().writes.size()), attempts);
        QCOMPARE(line.port().lines.mid(first, 3).join(", "),
                 attempts ? QStringLiteral("line 3 on, write, line 3 off") : QString());
        const double held = line.port().rtsHeldMs.value(0);
        QVERIFY2(held >= rtsMs && held <= rtsMs + 1.01, qPrintable(QString::number(held)));
        QFETCH(QStringList, trace);
        if (!trace.isEmpty())
            QCOMPARE(traced.lines,
                     QStringList{"    1234 tx  9600 sent          flags=0E tgt=00000105 seq=1 "
                                 "opt=0A status=00 cmd=01 len=0 data=- sum=0020 ok | 02 87 81 A0 "
                                 "90 80 80 82 80 80 80 81 A0 80 84 40 80 03"} +
                         trace);
    }

    // The one tick-count wait under the reply and reset waits, on the manual
    // clock (a pass that found nothing rests a millisecond). Pass k returns
    // what letter k of the script says (i idle, b busy, d done), idle after it.
    void tickWait_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<uint>("startTick");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outcome"); // ended by a pass; passes; milliseconds taken
        // clang-format off
        QTest::newRow("polls in its last millisecond") << 3 << 0u << "" << "false 4 4";
        QTest::newRow("a pass ends it")                << 3 << 0u << "id" << "true 2 1";
        QTest::newRow("busy passes do not rest")       << 3 << 0u << "bbbbd" << "true 5 0";
        QTest::newRow("the counter wraps")             << 100 << 0xFFFFFFFEu << "" << "false 2 2";
        // clang-format on
    }
    void tickWait()
    {
        QFETCH(int, ms);
        QFETCH(uint, startTick);
        QFETCH(QString, script);
        linkclock::ManualClock clock(startTick);
        const linkclock::ScopedClock scoped(&clock);
        qsizetype passes = 0;
        const bool ended = linkclock::waitTicks(ms, [&] {
            const char letter = passes < script.size() ? script.at(passes).toLatin1() : 'i';
            ++passes;
            switch (letter) {
            case 'b':
                return linkclock::Pass::Busy;
            case 'd':
                return linkclock::Pass::Done;
            default:
                return linkclock::Pass::Idle;
            }
        });
        QTEST(QStringLiteral("%1 %2 %3")
                  .arg(ended ? "true" : "false")
                  .arg(passes)
                  .arg(clock.elapsed().count() / 1000),
              "outcome");
    }

    // The simulated device on the fake port. The speed search tries the last
    // known speed first, then 9600, 4800, 19200, 2400, 1200 and 38400, none
    // twice in a pass, two passes, one attempt each; an information block is
    // complete from 18 bytes on. A bus scan asks device IDs in ascending
    // order, each once a speed and not again once found.
    void deviceOperations_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("outcome");
        const QString pass = QStringLiteral("9600 4800 19200 2400 1200 38400");
        const QString pass2400 = QStringLiteral("2400 9600 4800 19200 1200 38400");
        // clang-format off
        QTest::newRow("fresh record") << search(0, 38400) << "0: 9600 " + pass + ", 6 requests; 38400,N,8,1 baud=38400 parity=N data=8 stop=1";
        QTest::newRow("last speed first") << search(2400, 19200) << "0: 2400 2400 9600 4800 19200, 4 requests; 19200,N,8,1 baud=19200 parity=N data=8 stop=1";
        QTest::newRow("last speed 9600, once a pass") << search(9600, 1200) << "0: 9600 9600 4800 19200 2400 1200, 5 requests; 1200,N,8,1 baud=1200 parity=N data=8 stop=1";
        QTest::newRow("no answer: two passes") << search(2400, 600) << "3: 2400 " + pass2400 + ' ' + pass2400 + ", 12 requests";
        QTest::newRow("17 bytes of information") << search(0, 9600, 17) << "3: 9600 " + pass + ' ' + pass + ", 12 requests";
        QTest::newRow("scan: ascending, each once") << scan({9600}, {3, 1, 2, 1}) << "0: 9600/1 9600/2 9600/3; found 2 at 9600; about 500 ms";
        QTest::newRow("scan: found, not asked again") << scan({9600, 4800}, {2, 3}) << "0: 9600/2 9600/3 4800/3; found 2 at 9600; about 600 ms";
        QTest::newRow("scan: Ctrl+C keeps the found") << scan({9600}, {2, 3, 4}, 2) << "4: 9600/2 9600/3; found 2 at 9600; about 50 ms";
        // clang-format on
    }
    void deviceOperations()
    {
        QFETCH(Operation, operation);
        QTEST(operation(), "outcome");
    }

    // The device address for the serial number / device ID field under a
    // product code: the field's number, halves rounded to even, is a device
    // ID below 256, addressed as the product base (the number after the
    // first "-", else of the whole code, times 256, halves to even) plus the
    // ID; from 256 on it is a serial number, addressed with bit 31 set. A
    // negative number, or one beyond 32 bits, is refused.
    void addressing_data()
    {
        QTest::addColumn<QString>("productCode");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("address"); // in hex; "refused"
        // clang-format off
        QTest::newRow("device ID")                  << "TQ540-2" << "7"          << "00000207";
        QTest::newRow("ID 255")                     << "TQ540-2" << "255"        << "000002FF";
        QTest::newRow("256: a serial number")       << "TQ540-2" << "256"        << "80000100";
        QTest::newRow("beyond 32 bits")             << "TQ540-2" << "2147483648" << "refused";
        QTest::newRow("negative")                   << "TQ540-2" << "-1"         << "refused";
        QTest::newRow("-0.5 rounds to 0")           << "TQ540-2" << "-0.5"       << "00000200";
        QTest::newRow("12.5 rounds to 12")          << "TQ540-2" << "12.5"       << "0000020C";
        QTest::newRow("13.5 rounds to 14")          << "TQ540-2" << "13.5"       << "0000020E";
        QTest::newRow("255.5 rounds to 256")        << "TQ540-2" << "255.5"      << "80000100";
        QTest::newRow("no number: ID 0")            << "TQ540-2" << "ID 3"       << "00000200";
        QTest::newRow("product base 768")           << "TQ-3"    << "5"          << "00000305";
        QTest::newRow("base 2.5 rounds to 2")       << "TQ-0.009765625" << "0"   << "00000002";
        QTest::newRow("base 3.5 rounds to 4")       << "TQ-0.013671875" << "0"   << "00000004";
        QTest::newRow("no dash, a letter first")    << "TQ540"   << "7"          << "00000007";
        QTest::newRow("base and ID beyond 32 bits") << "TQ-8388607.99609375" << "1" << "refused";
        // clang-format on
    }
    void addressing()
    {
        QFETCH(QString, productCode);
        QFETCH(QString, field);
        const std::optional<std::int32_t> address =
            targetAddress(field, productBaseOf(productCode));
        QTEST(address ? QString::asprintf("%08X", std::uint32_t(*address))
                      : QStringLiteral("refused"),
              "address");
    }
};

QTEST_GUILESS_MAIN(TestLinkProtocol)
#include "tst_m.moc"
