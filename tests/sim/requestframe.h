#pragma once

// Request frames for the simulated device's tests, built from their fields.

#include "m.h"

#include <cstdint>
#include <vector>

// Fields of a packet as the device would send it, numbered as on the wire.
struct PacketFields
{
    std::uint8_t flags = 0x0D;
    std::uint32_t source = 0x207;
    std::uint32_t target = 0;
    std::uint32_t seqNo = 1;
    std::uint8_t opt = 10;
    std::uint8_t status = 0;
    std::uint8_t command = 0x81;
    std::vector<std::uint8_t> data;
};

inline std::vector<std::uint8_t> packetOf(const PacketFields &f)
{
    std::vector<std::uint8_t> p{f.flags};
    const auto le32 = [&p](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            p.push_back(std::uint8_t(v >> (8 * k)));
    };
    if (f.flags & 1)
        le32(f.source);
    if (f.flags & 2)
        le32(f.target);
    if (f.flags & 4)
        le32(f.seqNo);
    if (f.flags & 8)
        p.push_back(f.opt);
    p.push_back(f.status);
    p.push_back(f.command);
    p.insert(p.end(), f.data.begin(), f.data.end());
    unsigned sum = 0;
    for (std::uint8_t b : p)
        sum += b;
    p.push_back(std::uint8_t(sum & 0xFF));
    p.push_back(std::uint8_t(sum >> 8));
    return p;
}

// STX, the 7-bit body (Encode7 is checked against the worked example) and ETX.
inline std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t> &packet)
{
    std::vector<std::uint8_t> frame{m::STX};
    const std::vector<std::uint8_t> body = m::Encode7(packet);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(m::ETX);
    return frame;
}

inline std::vector<std::uint8_t> frameOf(const PacketFields &fields)
{
    return frameOf(packetOf(fields));
}
