#pragma once

#include "diagnostic.h"

#include <QString>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

// A model of the TQ540-2 on its serial line: it answers well-formed requests
// addressed to it (identify, reset, write block, read block) with reply frames
// in the same format, and can be told to misbehave for tests.
namespace sim {

// Faults to inject; counters count down as the faults are used.
struct DeviceFaults
{
    int dropReplies = 0;        // the next N replies are not sent
    int corruptChecksums = 0;   // the next N replies carry a wrong checksum
    int wrongSequences = 0;     // the next N replies carry the previous sequence number
    int shortInfoLength = -1;   // information blocks cut to this many bytes (-1: whole)
    int writeErrorAddress = -1; // a write block covering this address fails (-1: none)
    int lostWriteAddress = -1;  // a write to this address is confirmed but not kept (-1: none)
    int noEchoReads = 0;        // the next N read replies echo a count one short
    int replyDelayMs = 0;       // every reply starts this much later
    int vanishAfterFrames = -1; // the device is gone after this many frames (-1: never)
    int noiseBefore = 0;        // the next N replies follow a burst of line noise
    int garbageInside = 0;      // the next N replies carry random bytes inside the frame
    int flippedBits = 0;        // the next N replies have one data bit flipped
};

struct DeviceConfig
{
    std::uint32_t serialNo = 1000001;
    std::uint8_t deviceId = 1;
    std::int32_t baud = 9600; // the line speed until a reset takes the EEPROM's
    int eepromKb = 1;
    std::uint8_t status = 0;
    std::uint32_t info6 = 0x020100; // firmware 0.1.2, say
    std::uint16_t info11 = 24;      // inputs
    std::uint8_t info13 = 24;       // outputs
    std::uint16_t info14 = 540;
    std::uint8_t info16 = 2;
    std::uint8_t info17 = 0;
    QString deviceText = QStringLiteral("TQ540-2 remote I/O");
};

// Device addresses: a device ID is addressed as this base plus the ID, a
// serial number with bit 31 set.
constexpr std::uint32_t PRODUCT_BASE = 512;
constexpr std::uint32_t SERIAL_BIT = 0x80000000U;

class Device
{
public:
    // One request the device understood, for tests and the benchmark.
    struct Exchange
    {
        std::uint8_t command = 0;
        int address = -1; // block requests only
        int count = 0;
        int dataLength = 0;   // bytes of request data
        int requestBytes = 0; // whole frame
        int replyBytes = 0;   // whole frame; 0 when none was sent
    };

    explicit Device(const DeviceConfig &config = {});

    const DeviceConfig &config() const { return cfg; }
    std::vector<std::uint8_t> &eeprom() { return memory; }
    const std::vector<std::uint8_t> &eeprom() const { return memory; }

    // A fresh device's EEPROM: speed code 3 at address 32, LED dwell 30 at
    // address 34, all else 0.
    static std::vector<std::uint8_t> factoryImage(int bytes);
    // A configuration file: raw EEPROM bytes from address 0. False, with
    // `problem` saying why, when it cannot be read or does not fit.
    bool loadImage(const QString &path, diagnostic::Problem *problem);
    // Writes the EEPROM without its trailing zero bytes, at least one byte.
    bool saveImage(const QString &path, diagnostic::Problem *problem) const;

    // Whether the device hears a line at this speed and framing. Its speed is
    // the configured one until a reset, then the one the speed code at EEPROM
    // address 32 gives (9600 for a code outside the list).
    bool listensAt(std::int32_t baud, bool eightNoneOne = true) const;

    // Feeds bytes as they arrive from the line; returns the reply frames due
    // (STX to ETX), in order.
    std::vector<std::vector<std::uint8_t>> receive(std::span<const std::uint8_t> bytes);
    // Bytes sent at another speed reach the receiver as garbage: the frame
    // it was receiving is lost.
    void hearNoise() { inFrame = false; }

    bool vanished() const { return gone; }
    int resets() const { return resetCount; }
    const std::vector<Exchange> &log() const { return exchanges; }
    void clearLog() { exchanges.clear(); }

    DeviceFaults faults;
    // Set while a port holds the device open, so a second open is refused.
    bool inUse = false;

private:
    std::vector<std::uint8_t> handleFrame(std::span<const std::uint8_t> body);
    std::vector<std::uint8_t> answer(std::uint8_t command, std::span<const std::uint8_t> data,
                                     Exchange &exchange);
    std::vector<std::uint8_t> infoBlock() const;
    std::vector<std::uint8_t> writeBlock(std::span<const std::uint8_t> data, Exchange &exchange);
    std::vector<std::uint8_t> readBlock(std::span<const std::uint8_t> data, Exchange &exchange);
    std::vector<std::uint8_t> replyFrame(const std::vector<std::uint8_t> &header,
                                         std::uint8_t command, std::span<const std::uint8_t> data);
    void damageOnTheLine(std::vector<std::uint8_t> &frame);

    DeviceConfig cfg;
    std::int32_t speed; // the line speed now
    std::vector<std::uint8_t> memory;
    std::vector<std::uint8_t> body; // frame being received
    bool inFrame = false;
    int frames = 0;
    bool gone = false;
    int resetCount = 0;
    std::vector<Exchange> exchanges;
    std::mt19937 noise; // default-seeded: the same noise in every run
};

} // namespace sim
