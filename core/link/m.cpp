#include "m.h"

#include "linkclock.h"
#include "linktrace.h"
#include "mcomm.h"

#include <algorithm>
#include <cmath>

namespace m {

tLink gLink;
std::array<RxSlot, SLOT_COUNT> RxSlots{};
std::int16_t ReadSlot = 0;
std::int16_t WriteSlot = -1;
std::int16_t WritePos = 0;

namespace {

constexpr std::uint8_t REQUEST_FLAGS = FLAG_SOURCE | FLAG_TARGET | FLAG_SEQUENCE | FLAG_OPTION;
constexpr std::uint8_t OPT_IDENTIFY = 10;
constexpr std::uint8_t OPT_BLOCK = 5;
constexpr int DEFAULT_WAIT_MS = 1500;
constexpr int MAX_BODY = 64;
constexpr int RECEIVE_CHUNK = 256;
// RTS falls at the latest this long after the hold time when the port never
// reports its output sent (a stalled adapter), so the exchange goes on to its
// reply time-out instead of hanging.
constexpr double DRAIN_LIMIT_MS = 1000.0;

bool validSlot(int slot)
{
    return slot >= 0 && slot < SLOT_COUNT;
}

void appendLe32(std::vector<std::uint8_t> &out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int k = count - 1; k >= 0; --k)
        value = (value << 8) | bytes[at + k];
    return value;
}

// Sequence numbers count on and wrap instead of overflowing.
std::int32_t nextSeqNo(std::int32_t seqNo)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seqNo) + 1U);
}

// The request packet of the record with its checksum, or empty with the
// result code that refuses it.
std::vector<std::uint8_t> buildPacket(const tLink &link, std::int32_t &result)
{
    std::uint8_t flags = link.Flags;
    if (link.SourceID == 0)
        flags &= ~FLAG_SOURCE;
    if (link.SeqNo == 0)
        flags &= ~FLAG_SEQUENCE;
    result = LINK_OK;
    if (!(flags & FLAG_TARGET) || link.TargetID == 0) {
        result = LINK_NO_TARGET;
        return {};
    }
    if (link.TxLen > MAX_BODY) {
        result = LINK_FRAME_TOO_LONG; // could never fit into a frame
        return {};
    }
    std::vector<std::uint8_t> packet{flags};
    if (flags & FLAG_SOURCE)
        appendLe32(packet, link.SourceID);
    appendLe32(packet, link.TargetID);
    if (flags & FLAG_SEQUENCE)
        appendLe32(packet, link.SeqNo);
    if (flags & FLAG_OPTION)
        packet.push_back(link.Opt);
    packet.push_back(0); // status
    packet.push_back(link.Command);
    for (int i = 1; i <= link.TxLen; ++i)
        packet.push_back(link.TxData[i]);
    const int n = static_cast<int>(packet.size());
    packet.resize(n + 2);
    CheckSum(packet, n);
    return packet;
}

int replyWaitMs(const tLink &link)
{
    if (link.Timeout > 0)
        return link.Timeout * 100;
    if (link.Timeout < 0)
        return SpeedWaitMs(GetBaud(link.Port));
    return DEFAULT_WAIT_MS;
}

// One attempt's wait for the reply; false when all attempts must stop.
bool awaitReply(tLink &link, int waitMs)
{
    linkclock::Clock &clock = linkclock::current();
    const std::uint32_t start = clock.tickCount();
    for (;;) {
        clock.processEvents();
        const std::uint32_t now = clock.tickCount();
        // A wrapped counter ends the attempt, as a time-out would.
        if (now < start || std::uint64_t(now) > std::uint64_t(start) + waitMs)
            return true;
        const bool gotBytes = ReceiveBytes(link) > 0;
        const bool parsed = ParseFrame(link);
        if (link.Cancel || link.Replied)
            return false;
        if (!gotBytes && !parsed)
            clock.idle();
    }
}

// Frees the slot just examined and moves on to the next. Frames are stored in
// order from ReadSlot on, so a frame that came in right behind a damaged one
// sits in the next slot; staying on a freed slot would strand it.
void releaseReadSlot()
{
    RxSlots[ReadSlot][0] = 0;
    ReadSlot = static_cast<std::int16_t>((ReadSlot + 1) % SLOT_COUNT);
}

void waitMs(int ms)
{
    linkclock::Clock &clock = linkclock::current();
    const std::uint32_t start = clock.tickCount();
    for (;;) {
        clock.processEvents();
        const std::uint32_t now = clock.tickCount();
        if (now < start || now - start >= std::uint32_t(ms))
            return;
        clock.idle();
    }
}

} // namespace

std::int32_t OpenLink(tLink &link)
{
    const QString mode = link.DCBString.trimmed().isEmpty() ? DEFAULT_MODE : link.DCBString;
    mComm::CommClose(link.Port);
    const std::int32_t result =
        mComm::CommOpen(link.Port, QStringLiteral("COM%1").arg(link.Port), mode);
    return result == mComm::COMM_OK ? LINK_OK : LINK_PORT_FAILED;
}

void CloseLink(tLink &link)
{
    mComm::CommClose(link.Port);
}

std::int32_t Transact(tLink &link)
{
    std::int32_t result = LINK_OK;
    const std::vector<std::uint8_t> packet = buildPacket(link, result);
    if (result != LINK_OK)
        return result;
    std::vector<std::uint8_t> frame{STX};
    const std::vector<std::uint8_t> body = Encode7(packet);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(ETX);
    if (frame.size() > MAX_FRAME)
        return LINK_FRAME_TOO_LONG;

    const int attempts = link.Retries < 1 ? 3 : link.Retries;
    link.Replied = LINK_FALSE;
    for (int attempt = 0; attempt < attempts && !link.Cancel; ++attempt) {
        SendFrame(link, frame);
        if (!awaitReply(link, replyWaitMs(link)))
            break;
    }
    if (link.Cancel)
        return LINK_CANCELLED;
    return link.Replied ? LINK_OK : LINK_NO_REPLY;
}

int SpeedWaitMs(std::int32_t baud)
{
    return static_cast<int>(std::lround(576000.0 / (baud > 0 ? baud : 1200) + 150));
}

double HoldTimeMs(int frameBytes, std::int32_t baud)
{
    // Without a known speed, hold as long as the slowest speed needs.
    const double rate = baud > 0 ? baud : 1200;
    return std::max(frameBytes * 9000.0 / rate + 15.0, frameBytes * 10000.0 / rate + 2.0);
}

void SendFrame(tLink &link, std::span<const std::uint8_t> frame)
{
    linkclock::Clock &clock = linkclock::current();
    mComm::CommSetLine(link.Port, mComm::LINE_RTS, true);
    const double ticksPerMs = static_cast<double>(clock.perfFrequency()) / 1000.0;
    const std::uint64_t start = clock.perfCounter();
    const std::int32_t baud = GetBaud(link.Port);
    const double holdTicks = HoldTimeMs(static_cast<int>(frame.size()), baud) * ticksPerMs;
    const double limitTicks = holdTicks + DRAIN_LIMIT_MS * ticksPerMs;
    mComm::CommWrite(link.Port, frame);
    if (linktrace::enabled())
        linktrace::frame(frame, linktrace::Verdict::Sent, baud); // while the frame is on the line
    for (;;) {
        clock.processEvents();
        const std::uint64_t now = clock.perfCounter();
        if (now < start)
            break;
        // A USB adapter may still be sending when the frame's time is up:
        // the port is asked only then, when little can remain.
        const double held = static_cast<double>(now - start);
        if (held > holdTicks && (held > limitTicks || mComm::CommOutputDrained(link.Port)))
            break;
        const double leftUs = held < holdTicks ? (holdTicks - held) * 1000.0 / ticksPerMs : 1000.0;
        clock.idle(std::chrono::microseconds(static_cast<std::int64_t>(std::min(leftUs, 1000.0))));
    }
    mComm::CommSetLine(link.Port, mComm::LINE_RTS, false);
}

namespace {

// Hands a received frame to the trace: STX, the body, and ETX when it came.
void traceReceived(const tLink &link, std::span<const std::uint8_t> body, bool ended,
                   linktrace::Verdict verdict)
{
    std::vector<std::uint8_t> frame{STX};
    frame.insert(frame.end(), body.begin(), body.end());
    if (ended)
        frame.push_back(ETX);
    linktrace::frame(frame, verdict, GetBaud(link.Port));
}

// A frame that found no free slot, gathered only while tracing so that the
// trace can show what was dropped.
struct Unslotted
{
    std::vector<std::uint8_t> body;
    bool open = false;
};
Unslotted unslotted;

void takeUnslottedByte(const tLink &link, std::uint8_t byte)
{
    const bool ended = byte == ETX;
    if (!ended)
        unslotted.body.push_back(byte);
    if (ended || unslotted.body.size() >= MAX_BODY) {
        traceReceived(link, unslotted.body, ended, linktrace::Verdict::NoFreeSlot);
        unslotted.open = false;
    }
}

// The frame in progress when an STX starts the next one never got its ETX.
void traceCutFrame(const tLink &link)
{
    if (unslotted.open)
        traceReceived(link, unslotted.body, false, linktrace::Verdict::NoFreeSlot);
    else if (WritePos > 0)
        traceReceived(link,
                      std::span<const std::uint8_t>(RxSlots[WriteSlot]).subspan(1, WritePos - 1),
                      false, linktrace::Verdict::Cut);
}

void takeByte(const tLink &link, std::uint8_t byte, bool tracing)
{
    if (!validSlot(WriteSlot) || WritePos > MAX_BODY)
        WritePos = 0;
    if (byte == STX) {
        if (tracing)
            traceCutFrame(link);
        WriteSlot = static_cast<std::int16_t>(FindFreeSlot());
        WritePos = WriteSlot >= 0 ? 1 : 0;
        unslotted = {{}, tracing && WriteSlot < 0};
    } else if (unslotted.open) {
        takeUnslottedByte(link, byte);
    } else if (byte == ETX) {
        if (WritePos > 0)
            RxSlots[WriteSlot][0] = static_cast<std::uint8_t>(WritePos - 1);
        WritePos = 0;
    } else if (WritePos > 0) {
        RxSlots[WriteSlot][WritePos] = byte;
        if (++WritePos > MAX_BODY) {
            WritePos = 0; // longer than any frame: dropped up to the next STX
            if (tracing)
                traceReceived(link, std::span<const std::uint8_t>(RxSlots[WriteSlot]).subspan(1),
                              false, linktrace::Verdict::TooLong);
        }
    }
}

} // namespace

std::int32_t ReceiveBytes(tLink &link)
{
    std::array<std::uint8_t, 1025> buffer{};
    const std::int32_t count = mComm::CommRead(link.Port, buffer, RECEIVE_CHUNK);
    const bool tracing = linktrace::enabled();
    for (std::int32_t i = 0; i < count; ++i)
        takeByte(link, buffer[i], tracing);
    return std::max(count, 0);
}

int FindFreeSlot()
{
    const int from = validSlot(ReadSlot) ? ReadSlot : 0;
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const int slot = (from + k) % SLOT_COUNT;
        if (RxSlots[slot][0] == 0)
            return slot;
    }
    return -1;
}

namespace {

// Takes a frame body into the record when it is an intact reply to the
// pending request; the device's status is noted from any intact packet.
linktrace::Verdict takeReply(tLink &link, std::span<const std::uint8_t> body)
{
    const Packet packet = DecodePacket(body);
    if (!packet.sumOk)
        return linktrace::Verdict::BadChecksum;
    if (packet.status != link.LastStatus) {
        link.StatusChanged = LINK_TRUE;
        link.LastStatus = packet.status;
    }
    if (packet.command != static_cast<std::uint8_t>(link.Command | CMD_REPLY))
        return linktrace::Verdict::ForeignCommand;
    if (packet.seqNo != link.SeqNo)
        return linktrace::Verdict::ForeignSequence;
    const auto length = static_cast<std::int32_t>(packet.data.size());
    link.RxLen = length <= 64 ? length : 0;
    std::copy_n(packet.data.begin(), link.RxLen, link.RxData.begin() + 1);
    link.Replied = LINK_TRUE;
    return linktrace::Verdict::Reply;
}

} // namespace

bool ParseFrame(tLink &link)
{
    if (!validSlot(ReadSlot))
        ReadSlot = 0;
    RxSlot &slot = RxSlots[ReadSlot];
    const int bodyLen = slot[0];
    if (bodyLen == 0)
        return false;
    const auto body = std::span<const std::uint8_t>(slot).subspan(1, std::min(bodyLen, MAX_BODY));
    linktrace::Verdict verdict = linktrace::Verdict::TooShort;
    if (bodyLen > MAX_BODY)
        verdict = linktrace::Verdict::TooLong;
    else if (bodyLen >= MIN_BODY)
        verdict = takeReply(link, body);
    if (linktrace::enabled())
        traceReceived(link, body, true, verdict);
    releaseReadSlot();
    return true;
}

Packet DecodePacket(std::span<const std::uint8_t> body)
{
    // Zero-filled, so header fields past the end of a short packet read as 0.
    std::array<std::uint8_t, 257> bytes{};
    const std::vector<std::uint8_t> decoded = Decode7(body);
    const std::size_t size = std::min(decoded.size(), bytes.size());
    std::copy_n(decoded.begin(), size, bytes.begin());
    const int length = static_cast<int>(size) - 2; // without the checksum
    Packet packet;
    const auto sumAt = [&bytes, length] {
        return length < 0 ? std::uint16_t(0) : static_cast<std::uint16_t>(readLe(bytes, length, 2));
    };
    packet.sum = sumAt();
    packet.sumOk = CheckSum(bytes, length); // writes the right sum on a mismatch
    packet.expectedSum = sumAt();
    std::size_t at = 0;
    packet.flags = bytes[at++];
    const auto field = [&bytes, &at](int width) {
        const std::uint32_t value = readLe(bytes, at, width);
        at += width;
        return value;
    };
    if (packet.flags & FLAG_SOURCE)
        packet.source = field(4);
    if (packet.flags & FLAG_TARGET)
        packet.target = field(4);
    if (packet.flags & FLAG_SEQUENCE)
        packet.seqNo = static_cast<std::int32_t>(field(4));
    if (packet.flags & FLAG_OPTION)
        packet.opt = static_cast<std::uint8_t>(field(1));
    packet.status = static_cast<std::uint8_t>(field(1));
    packet.command = static_cast<std::uint8_t>(field(1));
    if (length > static_cast<int>(at))
        packet.data.assign(bytes.begin() + at, bytes.begin() + length);
    return packet;
}

std::vector<std::uint8_t> Encode7(std::span<const std::uint8_t> packet)
{
    const std::size_t bits = packet.size() * 8;
    std::vector<std::uint8_t> body((bits + 6) / 7);
    for (std::size_t bit = 0; bit < bits; ++bit) {
        if (packet[bit / 8] & (0x80 >> (bit % 8)))
            body[bit / 7] |= static_cast<std::uint8_t>(0x40 >> (bit % 7));
    }
    std::uint8_t previous = 0;
    for (std::uint8_t &byte : body) {
        byte |= static_cast<std::uint8_t>((previous & 1) << 7);
        // Keeps every body byte at 0x20 or above, clear of STX and ETX.
        if ((byte & 0x60) == 0)
            byte |= 0x80;
        previous = byte;
    }
    return body;
}

std::vector<std::uint8_t> Decode7(std::span<const std::uint8_t> body)
{
    const std::size_t bits = body.size() * 7;
    std::vector<std::uint8_t> packet(bits / 8);
    for (std::size_t bit = 0; bit < packet.size() * 8; ++bit) {
        if (body[bit / 7] & (0x40 >> (bit % 7)))
            packet[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    }
    return packet;
}

bool CheckSum(std::span<std::uint8_t> packet, int n)
{
    if (n < 0 || packet.size() < static_cast<std::size_t>(n) + 2)
        return false;
    std::uint16_t sum = 0;
    for (int i = 0; i < n; ++i)
        sum = static_cast<std::uint16_t>(sum + packet[i]);
    const auto low = static_cast<std::uint8_t>(sum & 0xFF);
    const auto high = static_cast<std::uint8_t>(sum >> 8);
    if (packet[n] == low && packet[n + 1] == high)
        return true;
    packet[n] = low;
    packet[n + 1] = high;
    return false;
}

std::int32_t GetBaud(std::int16_t port)
{
    if (port < 1 || port > mComm::PORT_COUNT)
        return 0;
    return mComm::CommPorts[port - 1].dcb.BaudRate;
}

std::int32_t Identify(tLink &link)
{
    link.Timeout = 0;
    return Probe(link);
}

std::int32_t Probe(tLink &link)
{
    link.Command = CMD_IDENTIFY;
    link.SeqNo = nextSeqNo(link.SeqNo);
    link.Opt = OPT_IDENTIFY;
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 0; // the request carries no data, whatever the last block left
    const std::int32_t result = Transact(link);
    if (result > 0)
        return result;
    return ParseDeviceInfo(link);
}

std::int32_t ParseDeviceInfo(tLink &link)
{
    const int length = std::clamp(link.RxLen, 0, 64);
    // Bytes the reply did not carry read as 0, never as an earlier reply's.
    std::array<std::uint8_t, 65> info{};
    std::copy_n(link.RxData.begin() + 1, length, info.begin() + 1);
    const std::span<const std::uint8_t> bytes(info);
    link.SerialNo = static_cast<std::int32_t>(readLe(bytes, 1, 4));
    link.DevID = info[5];
    link.Info6 = static_cast<std::int32_t>(readLe(bytes, 6, 3));
    link.EEPROMSize = static_cast<std::int32_t>(readLe(bytes, 9, 2)) * 1024;
    link.Info11 = static_cast<std::int16_t>(readLe(bytes, 11, 2));
    link.Info13 = info[13];
    link.Info14 = static_cast<std::int16_t>(readLe(bytes, 14, 2));
    link.Info16 = info[16];
    link.Info17 = info[17];
    link.DevText.clear();
    for (int k = INFO_MIN_LEN; k <= length; ++k)
        link.DevText += QChar::fromLatin1(static_cast<char>(info[k]));
    return length >= INFO_MIN_LEN ? LINK_OK : LINK_SHORT_INFO;
}

QString modeString(std::int32_t baud)
{
    return QStringLiteral("baud=%1 parity=N data=8 stop=1").arg(baud);
}

QString shortForm(std::int32_t baud)
{
    return QStringLiteral("%1,N,8,1").arg(baud);
}

std::int32_t SelectSpeed(tLink &link)
{
    const bool blank = link.DCBString.trimmed().isEmpty();
    const QString lastMode = blank ? DEFAULT_MODE : link.DCBString;
    const QString lastShort = blank ? shortForm(SEARCH_SPEEDS[0]) : link.Settings;
    link.Retries = 1;
    bool found = false;
    for (int pass = 0; pass < 2 && !found && !link.Cancel; ++pass) {
        for (std::size_t index = 0; index <= SEARCH_SPEEDS.size() && !found; ++index) {
            const QString mode = index == 0 ? lastMode : modeString(SEARCH_SPEEDS[index - 1]);
            if (index == 0 || mode != lastMode) {
                mComm::CommSet(link.Port, mode);
                if (Identify(link) == LINK_OK) {
                    link.Settings = index == 0 ? lastShort : shortForm(SEARCH_SPEEDS[index - 1]);
                    link.DCBString = mode;
                    link.SpeedFound = LINK_TRUE;
                    found = true;
                }
            }
            if (!found && link.Cancel)
                break;
        }
    }
    if (link.Cancel)
        return LINK_CANCELLED;
    return found ? LINK_OK : LINK_NO_REPLY;
}

namespace {

// Progress counters and the request fields shared by every block of a read or write.
void beginBlockTransfer(tLink &link, std::uint8_t command, std::int32_t lStart, std::int32_t lStop)
{
    link.Total = lStop - lStart + 1;
    link.Done = 0;
    link.Command = command;
    link.Opt = OPT_BLOCK;
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 3;
    link.SeqNo = 0;
}

// Address (position - 1, little-endian) and count of the block starting at position a.
void setBlockHeader(tLink &link, std::int32_t a, int count)
{
    link.TxData[1] = static_cast<std::uint8_t>((a - 1) & 0xFF);
    link.TxData[2] = static_cast<std::uint8_t>((a - 1) >> 8);
    link.TxData[3] = static_cast<std::uint8_t>(count);
    link.SeqNo = nextSeqNo(link.SeqNo);
}

} // namespace

std::int32_t ReadBlocks(tLink &link, std::vector<std::uint8_t> &buffer, std::int32_t &lStart,
                        std::int32_t &lStop)
{
    if (lStop < 1)
        lStop = link.EEPROMSize;
    if (lStart < 1 || lStop < lStart || lStop > MAX_POSITION)
        return LINK_BAD_RANGE;
    beginBlockTransfer(link, CMD_READ_BLOCK, lStart, lStop);
    buffer.assign(static_cast<std::size_t>(link.Total) + 1, 0);
    for (std::int32_t a = lStart; a <= lStop; a += MAX_BLOCK) {
        if (link.Cancel)
            return LINK_CANCELLED;
        const int count = std::min(MAX_BLOCK, lStop - a + 1);
        setBlockHeader(link, a, count);
        const std::int32_t result = Transact(link);
        if (result > 0)
            return result;
        // A reply must echo address and count and carry every byte asked for.
        if (link.RxLen < 3 + count ||
            !std::equal(link.TxData.begin() + 1, link.TxData.begin() + 4, link.RxData.begin() + 1))
            return LINK_NO_ECHO;
        std::copy_n(link.RxData.begin() + 4, count, buffer.begin() + link.Done + 1);
        link.Done += count;
    }
    return LINK_OK;
}

std::int32_t WriteBlocks(tLink &link, std::span<const std::uint8_t> image, std::int32_t lStart,
                         std::int32_t lStop)
{
    const auto upper = static_cast<std::int64_t>(image.size()) - 1;
    if (lStart < 1 || lStop < lStart || lStop > upper || lStop > MAX_POSITION)
        return LINK_BAD_RANGE;
    beginBlockTransfer(link, CMD_WRITE_BLOCK, lStart, lStop);
    for (std::int32_t a = lStart; a <= lStop; a += MAX_BLOCK) {
        if (link.Cancel)
            return LINK_CANCELLED;
        const int count = std::min(MAX_BLOCK, lStop - a + 1);
        setBlockHeader(link, a, count);
        std::copy_n(image.begin() + a, count, link.TxData.begin() + 4);
        link.TxLen = count + 3;
        const std::int32_t result = Transact(link);
        if (result > 0)
            return result;
        // A reply without its result byte confirms nothing.
        if (link.RxLen < 1 || link.RxData[1] != 0)
            return LINK_WRITE_ERROR;
        link.Done += count;
    }
    return LINK_OK;
}

std::int32_t ResetDevice(tLink &link)
{
    link.Command = CMD_RESET;
    link.Opt = OPT_BLOCK;
    link.SeqNo = nextSeqNo(link.SeqNo);
    link.Flags = REQUEST_FLAGS;
    link.TxLen = 0; // the request carries no data, whatever the last block left
    if (Transact(link) > 0)
        return LINK_RESET_FAILED;
    waitMs(RESET_WAIT_MS);
    return LINK_OK;
}

} // namespace m
