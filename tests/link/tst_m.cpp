#include "../simbench.h"
#include "fakeport.h"

#include <QTest>

using namespace m;

namespace {

// The identify request of the worked example, to target 0x105 with sequence
// number 1, and its frame.
const std::vector<std::uint8_t> examplePacket{0x0E, 0x05, 0x01, 0x00, 0x00, 0x01, 0x00,
                                              0x00, 0x00, 0x0A, 0x00, 0x01, 0x20, 0x00};
const std::vector<std::uint8_t> exampleFrame{0x02, 0x87, 0x81, 0xA0, 0x90, 0x80, 0x80, 0x82, 0x80,
                                             0x80, 0x80, 0x81, 0xA0, 0x80, 0x84, 0x40, 0x80, 0x03};

std::vector<std::uint8_t> bodyOf(const std::vector<std::uint8_t> &frame)
{
    return {frame.begin() + 1, frame.end() - 1};
}

void resetSlots()
{
    for (RxSlot &slot : RxSlots)
        slot[0] = 0;
    ReadSlot = 0;
    WriteSlot = -1;
    WritePos = 0;
}

tLink identifyRequest()
{
    tLink link;
    link.Port = 1;
    link.TargetID = 0x105;
    link.SeqNo = 1;
    link.Command = CMD_IDENTIFY;
    link.Opt = 10;
    link.Flags = 15;
    link.Retries = 1;
    return link;
}

double ms(std::chrono::microseconds us)
{
    return us.count() / 1000.0;
}

// Passes every call to the simulated port and notes the speeds set.
class SpeedRecorder : public mComm::CommDevice
{
public:
    SpeedRecorder(std::unique_ptr<mComm::CommDevice> inner, std::vector<int> &speeds)
        : inner(std::move(inner)), speeds(speeds)
    {
    }
    bool open() override { return inner->open(); }
    bool setupQueues(std::int64_t in, std::int64_t out) override
    {
        return inner->setupQueues(in, out);
    }
    bool purge() override { return inner->purge(); }
    bool getState(mComm::CommState &state) override { return inner->getState(state); }
    bool setState(const mComm::CommState &state) override
    {
        speeds.push_back(state.BaudRate);
        return inner->setState(state);
    }
    std::int64_t bytesWaiting() override { return inner->bytesWaiting(); }
    std::int64_t read(std::span<std::uint8_t> dst) override { return inner->read(dst); }
    std::int64_t write(std::span<const std::uint8_t> src) override { return inner->write(src); }
    bool setLine(std::int16_t line, bool state) override { return inner->setLine(line, state); }
    bool close() override { return inner->close(); }
    std::int32_t errorCode() const override { return inner->errorCode(); }
    QString errorText() const override { return inner->errorText(); }

private:
    std::unique_ptr<mComm::CommDevice> inner;
    std::vector<int> &speeds;
};

sim::DeviceConfig makeConfig(std::int32_t baud = 9600)
{
    sim::DeviceConfig config;
    config.serialNo = 4321;
    config.deviceId = 7;
    config.baud = baud;
    config.info6 = 0x030201;
    config.info11 = 0x1234;
    config.info13 = 0x56;
    config.info14 = 0x789A;
    config.info16 = 0x42;
    config.info17 = 0x99;
    config.deviceText = QStringLiteral("TQ540 test unit");
    return config;
}

// The simulated device, the link's record addressed to it, and the speeds set.
struct SimLine : SimBench
{
    explicit SimLine(const sim::DeviceConfig &config = makeConfig()) : SimBench(config)
    {
        wrap = [this](std::unique_ptr<mComm::CommDevice> port) {
            return std::make_unique<SpeedRecorder>(std::move(port), speeds);
        };
        link.Port = 1;
        link.TargetID = sim::PRODUCT_BASE + config.deviceId;
        link.Retries = 1;
    }
    ~SimLine() { CloseLink(link); }

    std::vector<int> speeds;
    tLink link;
};

std::vector<std::uint8_t> patternImage()
{
    std::vector<std::uint8_t> image(65537);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 7 + 1);
    return image;
}

// FakePorts behind every port on a manual clock, and the identify request.
struct Scripted
{
    explicit Scripted(std::uint32_t startTick = 0) : clock(startTick), scoped(&clock) {}
    FakePort &port() const { return *ports.last; }
    void receive(const std::vector<std::uint8_t> &bytes)
    {
        ports.last->feed(bytes);
        ReceiveBytes(link);
    }
    FakePorts ports;
    linkclock::ManualClock clock;
    linkclock::ScopedClock scoped;
    tLink link = identifyRequest();
};

std::vector<std::uint8_t> concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class TestLinkProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetSlots(); }

    // Framing

    void workedExample()
    {
        QCOMPARE(Encode7(examplePacket), bodyOf(exampleFrame));
        QCOMPARE(Decode7(bodyOf(exampleFrame)), examplePacket);
        std::vector<std::uint8_t> body = bodyOf(exampleFrame);
        for (std::uint8_t &byte : body)
            byte &= 0x7F; // bit 7 is ignored when decoding
        QCOMPARE(Decode7(body), examplePacket);
        std::vector<std::uint8_t> packet = examplePacket;
        QVERIFY(CheckSum(packet, 12));
        QCOMPARE(packet, examplePacket);
        // A wrong sum is reported and replaced by the right one.
        packet[12] = packet[13] = 0xFF;
        QVERIFY(!CheckSum(packet, 12));
        QCOMPARE(packet, examplePacket);
        std::vector<std::uint8_t> tooShort(examplePacket.begin(), examplePacket.begin() + 13);
        QVERIFY(!CheckSum(tooShort, 12));
        QVERIFY(!CheckSum(tooShort, -1));
    }

    void bodyBytesStayClearOfStxAndEtx()
    {
        std::vector<std::uint8_t> packet(56);
        for (int seed = 0; seed < 256; ++seed) {
            for (std::size_t i = 0; i < packet.size(); ++i)
                packet[i] = std::uint8_t(seed * 31 + i * (seed | 1));
            for (std::uint8_t byte : Encode7(packet))
                QVERIFY(byte >= 0x20);
            QCOMPARE(Decode7(Encode7(packet)), packet);
        }
    }

    void transactSendsTheWorkedExample()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        QCOMPARE(Transact(s.link), LINK_NO_REPLY);
        QCOMPARE(s.port().writes.size(), std::size_t(1));
        QCOMPARE(s.port().writes[0], exampleFrame);
        const auto &events = s.port().events;
        QCOMPARE(events.size(), std::size_t(3));
        QCOMPARE(events[0].what, QStringLiteral("rts on"));
        QCOMPARE(events[1].what, QStringLiteral("write"));
        QCOMPARE(events[2].what, QStringLiteral("rts off"));
    }

    void replyFlagCombinations_data()
    {
        QTest::addColumn<int>("flags");
        for (int flags = 0; flags < 16; ++flags)
            QTest::addRow("flags %d", flags) << flags;
    }
    void replyFlagCombinations()
    {
        QFETCH(int, flags);
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        s.link.SeqNo = (flags & 4) ? 0x01020304 : 0;
        PacketFields reply;
        reply.flags = std::uint8_t(flags);
        reply.seqNo = 0x01020304;
        reply.data = {0x11, 0x22, 0x33};
        s.port().feed(frameOf(reply));
        QCOMPARE(ReceiveBytes(s.link), int(frameOf(reply).size()));
        QVERIFY(ParseFrame(s.link));
        QCOMPARE(s.link.Replied, LINK_TRUE);
        QCOMPARE(s.link.RxLen, 3);
        QCOMPARE(s.link.RxData[1], std::uint8_t(0x11));
        QCOMPARE(s.link.RxData[3], std::uint8_t(0x33));
    }

    void replyWithBitSevenCleared()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        PacketFields reply;
        reply.data = {0xC0, 0x01};
        std::vector<std::uint8_t> frame = frameOf(reply);
        // Where bits 5 and 6 are both 0, bit 7 is what keeps the byte clear of
        // STX and ETX; elsewhere it only repeats the previous byte's bit 0.
        for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
            if (frame[i] & 0x60)
                frame[i] &= 0x7F;
        }
        s.receive(frame);
        ParseFrame(s.link);
        QCOMPARE(s.link.Replied, LINK_TRUE);
        QCOMPARE(s.link.RxLen, 2);
        QCOMPARE(s.link.RxData[1], std::uint8_t(0xC0));
    }

    void bodyPastSixtyFourBytesIsDropped()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        std::vector<std::uint8_t> bytes{STX};
        bytes.insert(bytes.end(), 70, 0x80);
        bytes.push_back(ETX);
        PacketFields reply;
        reply.data = {5};
        s.receive(concat(bytes, frameOf(reply)));
        for (const RxSlot &slot : RxSlots)
            QVERIFY(slot[0] <= 64);
        ParseFrame(s.link);
        QCOMPARE(s.link.Replied, LINK_TRUE);
        QCOMPARE(s.link.RxData[1], std::uint8_t(5));
    }

    void frameWithoutAFreeSlotIsIgnored()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        for (RxSlot &slot : RxSlots) {
            slot.fill(0x80);
            slot[0] = 10; // complete, but not a valid frame
        }
        s.receive(frameOf(PacketFields{}));
        QCOMPARE(WritePos, std::int16_t(0));
        for (int i = 0; i < SLOT_COUNT; ++i)
            QVERIFY(ParseFrame(s.link));
        QCOMPARE(s.link.Replied, LINK_FALSE);
        QVERIFY(!ParseFrame(s.link));
    }

    // A frame that is no reply, and the reply right behind it in one read
    // (line noise, or an earlier exchange's late reply).
    void droppedFrameBeforeTheReply_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("dropped");
        PacketFields fields;
        fields.data = {1};
        std::vector<std::uint8_t> badSum = packetOf(fields);
        badSum.back() ^= 1;
        QTest::newRow("bad checksum") << frameOf(badSum);
        QTest::newRow("body of four bytes")
            << std::vector<std::uint8_t>{STX, 0x90, 0x90, 0x90, 0x90, ETX};
        fields.command = 0x86;
        QTest::newRow("foreign command") << frameOf(fields);
        fields.command = 0x01;
        QTest::newRow("request, not reply") << frameOf(fields);
        fields.command = 0x81;
        fields.seqNo = 0;
        QTest::newRow("previous sequence number") << frameOf(fields);
    }
    void droppedFrameBeforeTheReply()
    {
        QFETCH(std::vector<std::uint8_t>, dropped);
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        PacketFields reply;
        reply.data = {7};
        s.receive(concat(dropped, frameOf(reply)));
        QVERIFY(RxSlots[0][0] > 0 && RxSlots[1][0] > 0);
        QVERIFY(ParseFrame(s.link));
        QCOMPARE(s.link.Replied, LINK_FALSE);
        // Every examined slot is freed and passed, damaged or not.
        QCOMPARE(ReadSlot, std::int16_t(1));
        QCOMPARE(RxSlots[0][0], std::uint8_t(0));
        QVERIFY(ParseFrame(s.link));
        QCOMPARE(s.link.Replied, LINK_TRUE);
        QCOMPARE(s.link.RxLen, 1);
        QCOMPARE(s.link.RxData[1], std::uint8_t(7));
        QVERIFY(!ParseFrame(s.link));
    }

    void statusByteChangeIsNoted()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        PacketFields reply;
        reply.status = 7;
        reply.seqNo = 99; // foreign, yet its status counts
        s.receive(frameOf(reply));
        ParseFrame(s.link);
        QCOMPARE(s.link.StatusChanged, LINK_TRUE);
        QCOMPARE(s.link.LastStatus, std::uint8_t(7));
        QCOMPARE(s.link.Replied, LINK_FALSE);
    }

    void replyWithoutDataStillCounts()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        s.link.RxLen = 9;
        s.receive(frameOf(PacketFields{}));
        ParseFrame(s.link);
        QCOMPARE(s.link.Replied, LINK_TRUE);
        QCOMPARE(s.link.RxLen, 0);
    }

    void slotIndicesOutOfRangeAreRepaired()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        ReadSlot = 500;
        WriteSlot = 300;
        WritePos = 40;
        s.receive({0x90, 0x90, ETX});
        ParseFrame(s.link);
        QCOMPARE(ReadSlot, std::int16_t(0));
        s.receive(frameOf(PacketFields{}));
        ParseFrame(s.link);
        QCOMPARE(s.link.Replied, LINK_TRUE);
    }

    // Transact on a manual clock

    void refusedRequests_data()
    {
        QTest::addColumn<std::int32_t>("target");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("txLen");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<std::int32_t>("result");
        QTest::newRow("no target") << 0 << 15 << 0 << false << LINK_NO_TARGET;
        QTest::newRow("target flag clear") << 0x105 << 13 << 0 << false << LINK_NO_TARGET;
        QTest::newRow("65-byte frame") << 0x105 << 15 << 41 << false << LINK_FRAME_TOO_LONG;
        QTest::newRow("data past the array") << 0x105 << 15 << 1000 << false << LINK_FRAME_TOO_LONG;
        QTest::newRow("cancelled before sending") << 0x105 << 15 << 0 << true << LINK_CANCELLED;
    }
    void refusedRequests()
    {
        QFETCH(std::int32_t, target);
        QFETCH(int, flags);
        QFETCH(int, txLen);
        QFETCH(bool, cancel);
        QFETCH(std::int32_t, result);
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        s.link.TargetID = target;
        s.link.Flags = std::uint8_t(flags);
        s.link.TxLen = txLen;
        s.link.Cancel = cancel ? LINK_TRUE : LINK_FALSE;
        QCOMPARE(Transact(s.link), result);
        QVERIFY(s.port().writes.empty());
    }

    void unansweredAttempts_data()
    {
        QTest::addColumn<int>("retries");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<double>("holdMs");
        QTest::addColumn<double>("waitMs");
        const QString at9600 = QStringLiteral("baud=9600");
        const QString at1200 = QStringLiteral("baud=1200");
        // 18-byte frames: hold 31.875 ms at 9600 baud, 152 ms at 1200.
        QTest::newRow("one attempt, default wait") << 1 << 0 << at9600 << 1 << 31.875 << 1500.0;
        QTest::newRow("retries 0 means three") << 0 << 0 << at9600 << 3 << 31.875 << 1500.0;
        QTest::newRow("tenths of a second") << 2 << 5 << at9600 << 2 << 31.875 << 500.0;
        QTest::newRow("from the speed, 9600") << 1 << -1 << at9600 << 1 << 31.875 << 210.0;
        QTest::newRow("from the speed, 1200") << 1 << -1 << at1200 << 1 << 152.0 << 630.0;
    }
    void unansweredAttempts()
    {
        QFETCH(int, retries);
        QFETCH(int, timeout);
        QFETCH(QString, mode);
        QFETCH(int, attempts);
        QFETCH(double, holdMs);
        QFETCH(double, waitMs);
        Scripted s;
        s.link.DCBString = mode;
        s.link.Retries = std::int16_t(retries);
        s.link.Timeout = std::int16_t(timeout);
        QCOMPARE(OpenLink(s.link), LINK_OK);
        QCOMPARE(Transact(s.link), LINK_NO_REPLY);
        QCOMPARE(int(s.port().writes.size()), attempts);
        const double expected = attempts * (holdMs + waitMs);
        const double took = ms(s.clock.elapsed());
        QVERIFY2(took >= expected && took <= expected + 2 * attempts,
                 qPrintable(QString::number(took)));
    }

    void lateReplyWithinTheWait()
    {
        Scripted s;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        PacketFields reply;
        reply.data = {42};
        s.clock.onEvents = [&] {
            if (s.clock.elapsed() >= std::chrono::milliseconds(1400) && s.port().rx.empty() &&
                !s.link.Replied)
                s.port().feed(frameOf(reply));
        };
        QCOMPARE(Transact(s.link), LINK_OK);
        QCOMPARE(s.link.RxData[1], std::uint8_t(42));
        QVERIFY(ms(s.clock.elapsed()) < 1402);
    }

    void cancelEndsTheWaitWithinOnePoll()
    {
        Scripted s;
        s.link.Retries = 3;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        int pollsAfterCancel = 0;
        s.clock.onEvents = [&] {
            if (s.link.Cancel)
                ++pollsAfterCancel;
            if (s.clock.elapsed() >= std::chrono::milliseconds(200))
                s.link.Cancel = LINK_TRUE;
        };
        QCOMPARE(Transact(s.link), LINK_CANCELLED);
        QCOMPARE(s.port().writes.size(), std::size_t(1));
        QVERIFY(ms(s.clock.elapsed()) < 202);
        QVERIFY(pollsAfterCancel <= 2); // the wait's own pass and CommRead's
    }

    void tickWrapEndsTheAttempt()
    {
        Scripted s(0xFFFFFFFFU - 99); // the millisecond counter wraps 100 ms from now
        s.link.Retries = 2;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        QCOMPARE(Transact(s.link), LINK_NO_REPLY);
        QCOMPARE(s.port().writes.size(), std::size_t(2));
        // The first attempt ends at the wrap, the second waits in full.
        const double expected = 100 + 31.875 + 1500;
        QVERIFY2(std::abs(ms(s.clock.elapsed()) - expected) < 3,
                 qPrintable(QString::number(ms(s.clock.elapsed()))));
    }

    void replyToThePreviousRequestTimesOut()
    {
        Scripted s;
        s.link.Retries = 2;
        s.link.SeqNo = 5;
        QCOMPARE(OpenLink(s.link), LINK_OK);
        s.port().onWrite = [](FakePort &port, const std::vector<std::uint8_t> &) {
            PacketFields reply;
            reply.seqNo = 4;
            port.feed(frameOf(reply));
        };
        QCOMPARE(Transact(s.link), LINK_NO_REPLY);
        QCOMPARE(s.port().writes.size(), std::size_t(2));
    }

    // RTS falls when the hold time is over and the port has sent the frame,
    // whichever comes later; a port that never reports it sent holds RTS
    // another second at most. The port is asked only once the hold is over.
    void rtsHoldCoversTheFrame_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("txLen");
        QTest::addColumn<int>("frameBytes");
        QTest::addColumn<double>("holdMs");
        QTest::addColumn<double>("sentAfterMs"); // after the write; -1: never
        QTest::addColumn<double>("fallsAtMs");
        // 18 x 9000 / 9600 + 15: the formula, longer than the wire time.
        QTest::newRow("identify at 9600") << "baud=9600" << 0 << 18 << 31.875 << 18.75 << 31.875;
        QTest::newRow("64-byte frame at 9600") << "baud=9600" << 40 << 64 << 75.0 << 0.0 << 75.0;
        // The formula gives 487.5 ms; the frame needs 525 ms on the wire, + 2.
        QTest::newRow("full block at 1200") << "baud=1200" << 39 << 63 << 527.0 << 0.0 << 527.0;
        QTest::newRow("full block at 2400") << "baud=2400" << 39 << 63 << 264.5 << 0.0 << 264.5;
        QTest::newRow("full block at 38400")
            << "baud=38400" << 39 << 63 << 29.765625 << 0.0 << 29.765625;
        // A USB adapter still sending 20 ms after the frame's 37.5 ms on the wire.
        QTest::newRow("late adapter at 4800") << "baud=4800" << 0 << 18 << 48.75 << 57.5 << 57.5;
        QTest::newRow("never sent") << "baud=9600" << 0 << 18 << 31.875 << -1.0 << 1031.875;
    }
    void rtsHoldCoversTheFrame()
    {
        QFETCH(QString, mode);
        QFETCH(int, txLen);
        QFETCH(int, frameBytes);
        QFETCH(double, holdMs);
        QFETCH(double, sentAfterMs);
        QFETCH(double, fallsAtMs);
        Scripted s;
        s.link.DCBString = mode;
        s.link.TxLen = txLen;
        s.link.Timeout = 1;
        s.ports.prepare = [sentAfterMs](FakePort &port) {
            port.drainLagUs = sentAfterMs < 0 ? FakePort::NEVER : std::uint64_t(sentAfterMs * 1000);
        };
        QCOMPARE(OpenLink(s.link), LINK_OK);
        Transact(s.link);
        const auto &events = s.port().events;
        QCOMPARE(s.port().writes.at(0).size(), std::size_t(frameBytes));
        QCOMPARE(events.at(2).what, QStringLiteral("rts off"));
        const double held = (events[2].atUs - events[0].atUs) / 1000.0;
        QVERIFY2(held > holdMs && held >= fallsAtMs && held <= fallsAtMs + 1.01,
                 qPrintable(QString::number(held)));
        const double firstAsked = (s.port().firstDrainAskUs - events[0].atUs) / 1000.0;
        QVERIFY2(firstAsked > holdMs, qPrintable(QString::number(firstAsked)));
    }

    // Device operations against the simulated device

    void identifyFillsTheRecord()
    {
        SimLine line;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(Identify(line.link), LINK_OK);
        QCOMPARE(std::uint32_t(line.link.SerialNo), 4321U | 0x80000000U);
        QCOMPARE(line.link.DevID, std::uint8_t(7));
        QCOMPARE(line.link.Info6, 0x030201);
        QCOMPARE(line.link.EEPROMSize, 1024);
        QCOMPARE(line.link.Info11, std::int16_t(0x1234));
        QCOMPARE(line.link.Info13, std::int16_t(0x56));
        QCOMPARE(line.link.Info14, std::int16_t(0x789A));
        QCOMPARE(line.link.Info16, std::int16_t(0x42));
        QCOMPARE(line.link.Info17, std::uint8_t(0x99));
        QCOMPARE(line.link.DevText, QStringLiteral("TQ540 test unit"));
        QCOMPARE(line.link.Timeout, std::int16_t(0));
    }

    void identifyAnswers_data()
    {
        QTest::addColumn<std::int32_t>("target");
        QTest::addColumn<int>("deviceBaud");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<std::int32_t>("result");
        const std::int32_t id = 512 + 7;
        QTest::newRow("device ID") << id << 9600 << 0 << LINK_OK;
        QTest::newRow("serial number") << std::int32_t(4321 | 0x80000000U) << 9600 << 0 << LINK_OK;
        QTest::newRow("serial number without bit 31") << 4321 << 9600 << 0 << LINK_NO_REPLY;
        QTest::newRow("another device ID") << id + 1 << 9600 << 0 << LINK_NO_REPLY;
        QTest::newRow("reply within the wait") << id << 9600 << 1000 << LINK_OK;
        QTest::newRow("reply past the wait") << id << 9600 << 1600 << LINK_NO_REPLY;
        QTest::newRow("device at another speed") << id << 19200 << 0 << LINK_NO_REPLY;
    }
    void identifyAnswers()
    {
        QFETCH(std::int32_t, target);
        QFETCH(int, deviceBaud);
        QFETCH(int, delayMs);
        QFETCH(std::int32_t, result);
        SimLine line(makeConfig(deviceBaud));
        line.device->faults.replyDelayMs = delayMs;
        line.link.TargetID = target;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(Identify(line.link), result);
        if (deviceBaud != 9600)
            QVERIFY(line.device->log().empty()); // garbled at the wrong speed
    }

    void shortInformationBlock()
    {
        SimLine line;
        line.device->faults.shortInfoLength = 17;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        line.link.RxData.fill(0xEE); // an earlier reply's bytes must not leak in
        QCOMPARE(Identify(line.link), LINK_SHORT_INFO);
        QCOMPARE(line.link.EEPROMSize, 1024);
        QCOMPARE(line.link.Info17, std::uint8_t(0x99));
        QVERIFY(line.link.DevText.isEmpty());
        line.device->faults.shortInfoLength = 8;
        QCOMPARE(Identify(line.link), LINK_SHORT_INFO);
        QCOMPARE(line.link.EEPROMSize, 0);
        QCOMPARE(line.link.Info17, std::uint8_t(0));
    }

    void shortInformationBlockIsNoAnswerToTheSearch()
    {
        SimLine line;
        line.device->faults.shortInfoLength = 17;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(SelectSpeed(line.link), LINK_NO_REPLY);
        // 9600 answered with a short block, so the search went on.
        QCOMPARE(line.requests(CMD_IDENTIFY), 2);
        QCOMPARE(line.speeds.size(), std::size_t(1 + 2 * 6));
        QCOMPARE(line.link.SpeedFound, LINK_FALSE);
    }

    void identifyAndResetCarryNoData()
    {
        SimLine line;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        const std::vector<std::uint8_t> image = patternImage();
        QCOMPARE(WriteBlocks(line.link, image, 33, 40), LINK_OK);
        QCOMPARE(Identify(line.link), LINK_OK);
        QCOMPARE(ResetDevice(line.link), LINK_OK);
        const auto &log = line.device->log();
        QCOMPARE(log.size(), std::size_t(3));
        QCOMPARE(log[0].dataLength, 3 + 8);
        QCOMPARE(log[1].dataLength, 0);
        QCOMPARE(log[2].dataLength, 0);
    }

    void speedSearch_data()
    {
        QTest::addColumn<QString>("lastMode");
        QTest::addColumn<QString>("lastShort");
        QTest::addColumn<int>("deviceBaud");
        QTest::addColumn<QList<int>>("tried");
        QTest::addColumn<std::int32_t>("result");
        QTest::addColumn<QString>("settings");
        const QList<int> list{9600, 4800, 19200, 2400, 1200, 38400};
        QTest::newRow("no last speed: 9600 once")
            << ""
            << "" << 38400 << list << LINK_OK << "38400,N,8,1";
        QTest::newRow("last speed 9600 is not tried twice")
            << "baud=9600 parity=N data=8 stop=1"
            << "9600,N,8,1" << 1200 << QList<int>{9600, 4800, 19200, 2400, 1200} << LINK_OK
            << "1200,N,8,1";
        QTest::newRow("last speed first")
            << "baud=2400 parity=N data=8 stop=1"
            << "2400,N,8,1" << 19200 << QList<int>{2400, 9600, 4800, 19200} << LINK_OK
            << "19200,N,8,1";
        QTest::newRow("last speed answers at once")
            << "baud=4800 parity=N data=8 stop=1"
            << "4800,N,8,1" << 4800 << QList<int>{4800} << LINK_OK << "4800,N,8,1";
        QTest::newRow("no answer: two passes")
            << "baud=2400 parity=N data=8 stop=1"
            << "2400,N,8,1" << 57600 << QList<int>{2400, 9600, 4800, 19200, 1200, 38400,
                                                   2400, 9600, 4800, 19200, 1200, 38400}
            << LINK_NO_REPLY << "2400,N,8,1";
    }
    void speedSearch()
    {
        QFETCH(QString, lastMode);
        QFETCH(QString, lastShort);
        QFETCH(int, deviceBaud);
        QFETCH(QList<int>, tried);
        QFETCH(std::int32_t, result);
        QFETCH(QString, settings);
        SimLine line(makeConfig(deviceBaud));
        line.link.DCBString = lastMode;
        line.link.Settings = lastShort;
        line.link.Retries = 3; // the search leaves one attempt per request
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(SelectSpeed(line.link), result);
        const QList<int> speeds(line.speeds.begin() + 1, line.speeds.end()); // after the open's
        QCOMPARE(speeds, tried);
        QCOMPARE(line.link.Retries, std::int16_t(1));
        if (result == LINK_OK) {
            QCOMPARE(line.link.Settings, settings);
            QCOMPARE(line.link.DCBString,
                     QStringLiteral("baud=%1 parity=N data=8 stop=1").arg(deviceBaud));
            QCOMPARE(line.link.SpeedFound, LINK_TRUE);
            QCOMPARE(GetBaud(line.link.Port), deviceBaud);
        }
    }

    void cancelDuringTheSpeedSearch()
    {
        SimLine line(makeConfig(38400));
        QCOMPARE(OpenLink(line.link), LINK_OK);
        line.clock.onEvents = [&] {
            if (line.clock.elapsed() >= std::chrono::milliseconds(2000))
                line.link.Cancel = LINK_TRUE;
        };
        QCOMPARE(SelectSpeed(line.link), LINK_CANCELLED);
        QCOMPARE(line.speeds.size(), std::size_t(1 + 2)); // 9600, then 4800 cancelled
        QVERIFY(ms(line.clock.elapsed()) < 2002);
    }

    void readsTheConfigurationRange()
    {
        SimLine line;
        for (std::size_t a = 0; a < line.device->eeprom().size(); ++a)
            line.device->eeprom()[a] = std::uint8_t(a ^ 0x5A);
        QCOMPARE(OpenLink(line.link), LINK_OK);
        std::vector<std::uint8_t> buffer;
        std::int32_t start = 33, stop = 120;
        QCOMPARE(ReadBlocks(line.link, buffer, start, stop), LINK_OK);
        QCOMPARE(line.link.Total, 88);
        QCOMPARE(line.link.Done, 88);
        const auto &log = line.device->log();
        QCOMPARE(log.size(), std::size_t(3));
        const std::pair<int, int> blocks[] = {{32, 36}, {68, 36}, {104, 16}};
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(std::pair(log[i].address, log[i].count), blocks[i]);
        QCOMPARE(buffer.size(), std::size_t(89));
        for (int i = 1; i <= 88; ++i)
            QCOMPARE(buffer[i], std::uint8_t((i + 31) ^ 0x5A));
    }

    void readsUpToTheEepromSize()
    {
        SimLine line;
        line.device->eeprom().back() = 0xAB;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(Identify(line.link), LINK_OK);
        std::vector<std::uint8_t> buffer;
        std::int32_t start = 33, stop = 0;
        QCOMPARE(ReadBlocks(line.link, buffer, start, stop), LINK_OK);
        QCOMPARE(stop, 1024);
        QCOMPARE(line.link.Total, 992);
        QCOMPARE(buffer.back(), std::uint8_t(0xAB));
        QCOMPARE(buffer[1], std::uint8_t(3)); // address 32: the speed code
    }

    void badRanges_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("imageSize");
        QTest::newRow("start 0") << 0 << 120 << 65537;
        QTest::newRow("stop before start") << 50 << 40 << 65537;
        QTest::newRow("one past the image") << 33 << 65537 << 65537;
        QTest::newRow("past a small image") << 33 << 120 << 100;
        QTest::newRow("past 16-bit addresses") << 65000 << 70000 << 70001;
    }
    void badRanges()
    {
        QFETCH(int, start);
        QFETCH(int, stop);
        QFETCH(int, imageSize);
        SimLine line;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        const std::vector<std::uint8_t> image(imageSize);
        QCOMPARE(WriteBlocks(line.link, image, start, stop), LINK_BAD_RANGE);
        if (imageSize == 65537 || stop > 65536) {
            std::vector<std::uint8_t> buffer;
            std::int32_t s = start, e = stop;
            QCOMPARE(ReadBlocks(line.link, buffer, s, e),
                     stop > 65536 || start < 1 || stop < start ? LINK_BAD_RANGE : LINK_OK);
        }
        QCOMPARE(line.requests(CMD_WRITE_BLOCK), 0);
    }

    // A read of 33-120 that stops part-way; the rest of the buffer stays empty.
    void readStops_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<std::int32_t>("result");
        QTest::addColumn<int>("done");
        QTest::newRow("reply that does not echo") << 0 << LINK_NO_ECHO << 0;
        QTest::newRow("port vanishes") << 1 << LINK_NO_REPLY << 36;
        QTest::newRow("cancel between blocks") << 2 << LINK_CANCELLED << 36;
    }
    void readStops()
    {
        QFETCH(int, fault);
        QFETCH(std::int32_t, result);
        QFETCH(int, done);
        SimLine line;
        if (fault < 2)
            (fault == 0 ? line.device->faults.noEchoReads : line.device->faults.vanishAfterFrames) =
                1;
        line.device->eeprom().assign(line.device->eeprom().size(), 0xEE);
        QCOMPARE(OpenLink(line.link), LINK_OK);
        line.clock.onEvents = [&] {
            if (fault == 2 && line.link.Done >= 36)
                line.link.Cancel = LINK_TRUE;
        };
        std::vector<std::uint8_t> buffer;
        std::int32_t start = 33, stop = 120;
        QCOMPARE(ReadBlocks(line.link, buffer, start, stop), result);
        QCOMPARE(line.link.Done, done);
        QCOMPARE(line.link.Total, 88);
        if (buffer.size() > std::size_t(done + 1))
            QCOMPARE(buffer[done + 1], std::uint8_t(0));
    }

    void writesTheConfigurationRange()
    {
        SimLine line;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        const std::vector<std::uint8_t> image = patternImage();
        QCOMPARE(WriteBlocks(line.link, image, 33, 120), LINK_OK);
        QCOMPARE(line.link.Total, 88);
        QCOMPARE(line.link.Done, 88);
        const std::vector<std::uint8_t> &eeprom = line.device->eeprom();
        QVERIFY(std::equal(eeprom.begin() + 32, eeprom.begin() + 120, image.begin() + 33));
        QCOMPARE(eeprom[31], std::uint8_t(0));
        QCOMPARE(eeprom[120], std::uint8_t(0));
        QCOMPARE(line.requests(CMD_WRITE_BLOCK), 3);
    }

    void writeErrorStopsTheTransfer_data()
    {
        QTest::addColumn<int>("errorAddress");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("requests");
        QTest::newRow("first block") << 32 << 33 << 0 << 1;
        QTest::newRow("second block") << 70 << 33 << 36 << 2;
        QTest::newRow("last byte") << 119 << 33 << 72 << 3;
        QTest::newRow("past the device's EEPROM") << -1 << 1000 << 0 << 1;
    }
    void writeErrorStopsTheTransfer()
    {
        QFETCH(int, errorAddress);
        QFETCH(int, start);
        QFETCH(int, done);
        QFETCH(int, requests);
        SimLine line;
        line.device->faults.writeErrorAddress = errorAddress;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        const std::vector<std::uint8_t> image = patternImage();
        QCOMPARE(WriteBlocks(line.link, image, start, start + 87), LINK_WRITE_ERROR);
        QCOMPARE(line.link.Done, done);
        QCOMPARE(line.requests(CMD_WRITE_BLOCK), requests);
        // Blocks before the failure stay written.
        const std::vector<std::uint8_t> &eeprom = line.device->eeprom();
        QVERIFY(std::equal(eeprom.begin() + 32, eeprom.begin() + 32 + done, image.begin() + 33));
    }

    void reset_data()
    {
        QTest::addColumn<int>("dropReplies");
        QTest::addColumn<std::int32_t>("result");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("answered: waits three seconds") << 0 << LINK_OK << 1 << 3000 << 3100;
        QTest::newRow("reply lost: no wait") << 1 << LINK_RESET_FAILED << 1 << 0 << 1600;
    }
    void reset()
    {
        QFETCH(int, dropReplies);
        QFETCH(std::int32_t, result);
        QFETCH(int, resets);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        SimLine line;
        line.device->faults.dropReplies = dropReplies;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        QCOMPARE(ResetDevice(line.link), result);
        QCOMPARE(line.device->resets(), resets);
        QVERIFY(ms(line.clock.elapsed()) >= minMs);
        QVERIFY(ms(line.clock.elapsed()) < maxMs);
    }

    void faultsOnOneAttemptAreRetried_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("dropped reply") << 0;
        QTest::newRow("corrupt checksum") << 1;
        QTest::newRow("wrong sequence number") << 2;
    }
    void faultsOnOneAttemptAreRetried()
    {
        QFETCH(int, fault);
        SimLine line;
        sim::DeviceFaults &faults = line.device->faults;
        int &count = fault == 0   ? faults.dropReplies
                     : fault == 1 ? faults.corruptChecksums
                                  : faults.wrongSequences;
        count = 1;
        QCOMPARE(OpenLink(line.link), LINK_OK);
        line.link.Retries = 2;
        QCOMPARE(Identify(line.link), LINK_OK);
        QCOMPARE(line.requests(CMD_IDENTIFY), 2);
        line.link.Retries = 1;
        count = 1;
        QCOMPARE(Identify(line.link), LINK_NO_REPLY);
    }

    void portThatCannotOpen()
    {
        SimLine line;
        line.device->inUse = true; // held by another program
        QCOMPARE(OpenLink(line.link), LINK_PORT_FAILED);
        line.device->inUse = false;
        line.link.Port = 0;
        QCOMPARE(OpenLink(line.link), LINK_PORT_FAILED);
    }
};

QTEST_GUILESS_MAIN(TestLinkProtocol)
#include "tst_m.moc"
