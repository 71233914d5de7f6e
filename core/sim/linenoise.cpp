#include "linenoise.h"

#include "m.h"

namespace sim::linenoise {

namespace {

int uniform(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Body bytes as an encoder makes them: 0x20 and above, never STX or ETX.
std::uint8_t bodyByte(std::mt19937 &random)
{
    return static_cast<std::uint8_t>(uniform(random, 0x20, 0xFF));
}

} // namespace

std::vector<std::uint8_t> burst(std::mt19937 &random)
{
    std::vector<std::uint8_t> bytes;
    for (int k = uniform(random, 1, 12); k > 0; --k)
        bytes.push_back(static_cast<std::uint8_t>(uniform(random, 0, 0xFF)));
    bytes.push_back(m::STX);
    for (int k = uniform(random, 1, 20); k > 0; --k)
        bytes.push_back(bodyByte(random));
    // A damaged frame long enough to reach the checksum test.
    bytes.push_back(m::STX);
    for (int k = uniform(random, 5, 40); k > 0; --k)
        bytes.push_back(bodyByte(random));
    bytes.push_back(m::ETX);
    return bytes;
}

void insertGarbage(std::vector<std::uint8_t> &frame, std::mt19937 &random)
{
    if (frame.size() < 2)
        return;
    const int at = uniform(random, 1, int(frame.size()) - 1);
    std::vector<std::uint8_t> garbage(std::size_t(uniform(random, 1, 4)));
    for (std::uint8_t &byte : garbage)
        byte = static_cast<std::uint8_t>(uniform(random, 0, 0xFF));
    frame.insert(frame.begin() + at, garbage.begin(), garbage.end());
}

void flipDataBit(std::vector<std::uint8_t> &frame, std::mt19937 &random)
{
    const int bodyBytes = int(frame.size()) - 2;
    const int dataBits = bodyBytes * 7 / 8 * 8; // Decode7 drops the rest
    if (dataBits < 1)
        return;
    const int bit = uniform(random, 0, dataBits - 1);
    frame[std::size_t(1 + bit / 7)] ^= static_cast<std::uint8_t>(0x40 >> (bit % 7));
}

} // namespace sim::linenoise
