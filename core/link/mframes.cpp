#include "mframes.h"

#include <algorithm>

namespace m {

namespace {

void appendLe32(std::vector<std::uint8_t> &out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
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

} // namespace

std::vector<std::uint8_t> buildFrame(const tLink &link, std::int32_t &result)
{
    const std::vector<std::uint8_t> packet = buildPacket(link, result);
    if (result != LINK_OK)
        return {};
    std::vector<std::uint8_t> frame{STX};
    const std::vector<std::uint8_t> body = Encode7(packet);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(ETX);
    if (frame.size() > MAX_FRAME) {
        result = LINK_FRAME_TOO_LONG;
        return {};
    }
    return frame;
}

std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int k = count - 1; k >= 0; --k)
        value = (value << 8) | bytes[at + k];
    return value;
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

} // namespace m
