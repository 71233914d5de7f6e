#include "m.h"

#include "linktrace.h"
#include "mcomm.h"

#include <algorithm>

namespace m {

namespace {

constexpr int RECEIVE_CHUNK = 256;

bool validSlot(int slot)
{
    return slot >= 0 && slot < SLOT_COUNT;
}

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

void takeUnslottedByte(const tLink &link, std::uint8_t byte)
{
    Receiver::Unslotted &unslotted = gReceiver.unslotted;
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
    const Receiver &rx = gReceiver;
    if (rx.unslotted.open)
        traceReceived(link, rx.unslotted.body, false, linktrace::Verdict::NoFreeSlot);
    else if (rx.WritePos > 0)
        traceReceived(
            link,
            std::span<const std::uint8_t>(rx.RxSlots[rx.WriteSlot]).subspan(1, rx.WritePos - 1),
            false, linktrace::Verdict::Cut);
}

void takeByte(const tLink &link, std::uint8_t byte, bool tracing)
{
    Receiver &rx = gReceiver;
    if (!validSlot(rx.WriteSlot) || rx.WritePos > MAX_BODY)
        rx.WritePos = 0;
    if (byte == STX) {
        if (tracing)
            traceCutFrame(link);
        rx.WriteSlot = static_cast<std::int16_t>(FindFreeSlot());
        rx.WritePos = rx.WriteSlot >= 0 ? 1 : 0;
        rx.unslotted = {{}, tracing && rx.WriteSlot < 0};
    } else if (rx.unslotted.open) {
        takeUnslottedByte(link, byte);
    } else if (byte == ETX) {
        if (rx.WritePos > 0)
            rx.RxSlots[rx.WriteSlot][0] = static_cast<std::uint8_t>(rx.WritePos - 1);
        rx.WritePos = 0;
    } else if (rx.WritePos > 0) {
        rx.RxSlots[rx.WriteSlot][rx.WritePos] = byte;
        if (++rx.WritePos > MAX_BODY) {
            rx.WritePos = 0; // longer than any frame: dropped up to the next STX
            if (tracing)
                traceReceived(link,
                              std::span<const std::uint8_t>(rx.RxSlots[rx.WriteSlot]).subspan(1),
                              false, linktrace::Verdict::TooLong);
        }
    }
}

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

// Frees the slot just examined and moves on to the next. Frames are stored in
// order from ReadSlot on, so a frame that came in right behind a damaged one
// sits in the next slot; staying on a freed slot would strand it.
void releaseReadSlot()
{
    Receiver &rx = gReceiver;
    rx.RxSlots[rx.ReadSlot][0] = 0;
    rx.ReadSlot = static_cast<std::int16_t>((rx.ReadSlot + 1) % SLOT_COUNT);
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
    const Receiver &rx = gReceiver;
    const int from = validSlot(rx.ReadSlot) ? rx.ReadSlot : 0;
    for (int k = 0; k < SLOT_COUNT; ++k) {
        const int slot = (from + k) % SLOT_COUNT;
        if (rx.RxSlots[slot][0] == 0)
            return slot;
    }
    return -1;
}

bool ParseFrame(tLink &link)
{
    Receiver &rx = gReceiver;
    if (!validSlot(rx.ReadSlot))
        rx.ReadSlot = 0;
    const RxSlot &slot = rx.RxSlots[rx.ReadSlot];
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

} // namespace m
