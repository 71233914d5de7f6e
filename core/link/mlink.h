#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The vocabulary of the device protocol: result codes, commands, the speeds,
// and the link record every operation works on.
namespace m {

// Booleans of the record are 16-bit.
constexpr std::int16_t LINK_TRUE = -1;
constexpr std::int16_t LINK_FALSE = 0;

// Result codes; a transfer window shows result r as language text 1400 + r.
constexpr std::int32_t LINK_OK = 0;
constexpr std::int32_t LINK_NO_TARGET = 1;
constexpr std::int32_t LINK_FRAME_TOO_LONG = 2;
constexpr std::int32_t LINK_NO_REPLY = 3;
constexpr std::int32_t LINK_CANCELLED = 4;
constexpr std::int32_t LINK_BAD_RANGE = 5;
constexpr std::int32_t LINK_NO_ECHO = 6;
constexpr std::int32_t LINK_IMAGE_OVERFLOW = 7;
constexpr std::int32_t LINK_SHORT_INFO = 8;
constexpr std::int32_t LINK_WRITE_ERROR = 9;
constexpr std::int32_t LINK_BEYOND_EEPROM = 10;
constexpr std::int32_t LINK_RESET_FAILED = 12;
constexpr std::int32_t LINK_DOWNLOAD_DONE = 13;
constexpr std::int32_t LINK_UPLOAD_DONE = 14;
constexpr std::int32_t LINK_VERIFY_FAILED = 15; // the device holds other bytes than were written
constexpr std::int32_t LINK_PORT_FAILED = 25;

// Commands of the device.
constexpr std::uint8_t CMD_IDENTIFY = 1;
constexpr std::uint8_t CMD_RESET = 4;
constexpr std::uint8_t CMD_WRITE_BLOCK = 5;
constexpr std::uint8_t CMD_READ_BLOCK = 6;
constexpr std::uint8_t CMD_REPLY = 0x80;

constexpr int MAX_BLOCK = 36;    // EEPROM bytes per read or write request
constexpr int INFO_MIN_LEN = 18; // bytes of a complete information block
constexpr int RESET_WAIT_MS = 3000;
// Positions are EEPROM address + 1 and addresses are 16-bit.
constexpr std::int32_t MAX_POSITION = 65536;

// The speeds the speed search tries after the last known one, in this order.
constexpr std::array<std::int32_t, 6> SEARCH_SPEEDS = {9600, 4800, 19200, 2400, 1200, 38400};

// A speed as a mode string for CommSet, "baud=9600 parity=N data=8 stop=1",
// and in its short form, "9600,N,8,1"; always no parity, 8 data bits, 1 stop bit.
QString modeString(std::int32_t baud);
QString shortForm(std::int32_t baud);

inline const QString DEFAULT_MODE = modeString(SEARCH_SPEEDS[0]);

struct tLink
{
    std::int32_t TargetID = 0;
    std::uint8_t Flags = 0;
    std::int32_t SourceID = 0;
    std::int32_t SeqNo = 0;
    std::uint8_t Opt = 0;
    std::int32_t TxLen = 0;
    std::array<std::uint8_t, 65> TxData{}; // request data in 1..TxLen
    std::int32_t RxLen = 0;
    std::array<std::uint8_t, 65> RxData{}; // reply data in 1..RxLen
    std::uint8_t LastStatus = 0;
    std::int16_t StatusChanged = LINK_FALSE;
    std::uint8_t Command = 0;
    std::int16_t Retries = 0; // attempts per exchange; below 1 means 3
    std::int16_t Timeout = 0; // tenths of a second; negative: from the speed; 0: 1500 ms
    std::int16_t Cancel = LINK_FALSE;
    std::int16_t Replied = LINK_FALSE;
    std::int32_t Total = 0; // progress: bytes of the running block transfer
    std::int32_t Done = 0;  // progress: bytes moved so far
    std::int16_t Port = 0;
    QString Settings;  // "9600,N,8,1"
    QString DCBString; // "baud=9600 parity=N data=8 stop=1"; blank means that one
    std::int16_t SpeedFound = LINK_FALSE;
    std::int32_t SerialNo = 0;
    std::int32_t Info6 = 0;
    std::uint8_t DevID = 0;
    std::uint8_t Info17 = 0;
    std::int16_t Info11 = 0;
    std::int16_t Info13 = 0;
    std::int16_t Info14 = 0;
    std::int16_t Info16 = 0;
    std::int32_t EEPROMSize = 0; // bytes
    QString DevText;
};

} // namespace m
