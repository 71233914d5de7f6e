#pragma once

#include "mlink.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Packets and their frames on the wire (mframes.cpp): a packet is a flag byte,
// the header fields it announces, status, command, data and a 16-bit sum; a
// frame is STX, the packet seven bits to a byte, ETX. Every body byte is 0x20
// or above, so STX and ETX never occur inside a frame.
namespace m {

// Flag byte bits: which optional header fields a packet carries.
constexpr std::uint8_t FLAG_SOURCE = 1;
constexpr std::uint8_t FLAG_TARGET = 2;
constexpr std::uint8_t FLAG_SEQUENCE = 4;
constexpr std::uint8_t FLAG_OPTION = 8;

constexpr std::uint8_t STX = 0x02;
constexpr std::uint8_t ETX = 0x03;
constexpr int MAX_FRAME = 64; // STX, body and ETX
constexpr int MAX_BODY = 64;  // bytes a receive slot holds between STX and ETX
constexpr int MIN_BODY = 5;   // a shorter body between STX and ETX is noise

// The request frame of the record, or empty with the result code that refuses
// it (no target address, or too long for a frame).
std::vector<std::uint8_t> buildFrame(const tLink &link, std::int32_t &result);

std::vector<std::uint8_t> Encode7(std::span<const std::uint8_t> packet);
std::vector<std::uint8_t> Decode7(std::span<const std::uint8_t> body);

// A packet read back from a frame body: the header fields its flag byte
// announces, its data and its checksum. Fields past the end of a short packet
// read as 0.
struct Packet
{
    std::uint8_t flags = 0;
    std::uint32_t source = 0; // with FLAG_SOURCE
    std::uint32_t target = 0; // with FLAG_TARGET
    std::int32_t seqNo = 0;   // with FLAG_SEQUENCE, else 0
    std::uint8_t opt = 0;     // with FLAG_OPTION
    std::uint8_t status = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> data;
    std::uint16_t sum = 0;         // as received
    std::uint16_t expectedSum = 0; // of the bytes received
    bool sumOk = false;
};
Packet DecodePacket(std::span<const std::uint8_t> body);
// packet[0..n-1] are packet bytes 1 to n. True when packet[n] (low) and
// packet[n+1] (high) hold their 16-bit sum; otherwise writes the sum there.
bool CheckSum(std::span<std::uint8_t> packet, int n);

// The count bytes (at most 4) from bytes[at] on as a little-endian number, the
// byte order of every multi-byte field the device sends.
std::uint32_t readLe(std::span<const std::uint8_t> bytes, std::size_t at, int count);

} // namespace m
