#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The device protocol: the link record, packets and their 7-bit frames, the
// request/reply exchange (Transact) and the device operations built on it.
// Everything runs on the calling thread; the waits let events run through the
// link clock (linkclock.h), where the caller's cancel button sets Cancel.
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

// Flag byte bits: which optional header fields a packet carries.
constexpr std::uint8_t FLAG_SOURCE = 1;
constexpr std::uint8_t FLAG_TARGET = 2;
constexpr std::uint8_t FLAG_SEQUENCE = 4;
constexpr std::uint8_t FLAG_OPTION = 8;

constexpr std::uint8_t STX = 0x02;
constexpr std::uint8_t ETX = 0x03;
constexpr int MAX_FRAME = 64;    // STX, body and ETX
constexpr int MIN_BODY = 5;      // a shorter body between STX and ETX is noise
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

extern tLink gLink;

// Receive slots: byte 0 of a slot is the body length of a complete frame (0 =
// free), bytes 1 to 64 the body as received.
using RxSlot = std::array<std::uint8_t, 65>;
constexpr int SLOT_COUNT = 129;
extern std::array<RxSlot, SLOT_COUNT> RxSlots;
extern std::int16_t ReadSlot;
extern std::int16_t WriteSlot; // -1 when no slot was free
extern std::int16_t WritePos;  // 0 when not inside a frame

std::int32_t OpenLink(tLink &link);
void CloseLink(tLink &link);
std::int32_t Transact(tLink &link);
void SendFrame(tLink &link, std::span<const std::uint8_t> frame);
// Moves waiting bytes into the slot table; the number of bytes read.
std::int32_t ReceiveBytes(tLink &link);
// Examines slot ReadSlot; true when it held a complete frame.
bool ParseFrame(tLink &link);
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
int FindFreeSlot();
std::int32_t GetBaud(std::int16_t port);

// The reply wait of a record whose Timeout is negative: the longest reply's
// time on the wire at this speed (576000 / baud ms) plus 150 ms.
int SpeedWaitMs(std::int32_t baud);

// Milliseconds RTS stays up for a frame: the larger of the protocol's
// bytes x 9000 / baud + 15 and the frame's time on the wire (10 bits a byte) + 2.
double HoldTimeMs(int frameBytes, std::int32_t baud);

// Asks for the device information with a 1500 ms wait per attempt.
std::int32_t Identify(tLink &link);
// The same request with the record's own Retries and Timeout (a bus scan asks
// each address once, with the wait the speed needs).
std::int32_t Probe(tLink &link);
std::int32_t ParseDeviceInfo(tLink &link);
std::int32_t SelectSpeed(tLink &link);
// On success buffer holds the bytes in indices 1 to lStop - lStart + 1.
std::int32_t ReadBlocks(tLink &link, std::vector<std::uint8_t> &buffer, std::int32_t &lStart,
                        std::int32_t &lStop);
// image index p holds EEPROM address p - 1 (an EEPROMBuf of 65537 bytes).
std::int32_t WriteBlocks(tLink &link, std::span<const std::uint8_t> image, std::int32_t lStart,
                         std::int32_t lStop);
std::int32_t ResetDevice(tLink &link);

} // namespace m
