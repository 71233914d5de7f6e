#pragma once

#include "mframes.h"
#include "mlink.h"
#include "mstate.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The device protocol: the link record and its vocabulary (mlink.h), packets
// and their 7-bit frames (mframes.h), what the module keeps between calls
// (mstate.h), and here the receive path, the request/reply exchange
// (Transact) and the device operations built on it. Everything runs on the
// calling thread; the waits let events run through the link clock
// (linkclock.h), where the caller's cancel button sets Cancel.
namespace m {

// The receiver (mreceiver.cpp): cuts the incoming bytes into frames in the
// slot table and takes the awaited reply from them.

// Moves waiting bytes into the slot table; the number of bytes read.
std::int32_t ReceiveBytes(tLink &link);
// Examines slot ReadSlot; true when it held a complete frame.
bool ParseFrame(tLink &link);
int FindFreeSlot();

// The exchange (mexchange.cpp): the port, one request and its reply.

std::int32_t OpenLink(tLink &link);
void CloseLink(tLink &link);
std::int32_t Transact(tLink &link);
void SendFrame(tLink &link, std::span<const std::uint8_t> frame);
std::int32_t GetBaud(std::int16_t port);

// The reply wait of a record whose Timeout is negative: the longest reply's
// time on the wire at this speed (576000 / baud ms) plus 150 ms.
int SpeedWaitMs(std::int32_t baud);

// Milliseconds RTS stays up for a frame: the larger of the protocol's
// bytes x 9000 / baud + 15 and the frame's time on the wire (10 bits a byte) + 2.
double HoldTimeMs(int frameBytes, std::int32_t baud);

// The device operations (mdevice.cpp), each one or a series of exchanges.

// Asks for the device information with a 1500 ms wait per attempt.
std::int32_t Identify(tLink &link);
// The same request with the record's own Retries and Timeout (a bus scan asks
// each address once, with the wait the speed needs).
std::int32_t Probe(tLink &link);
// Bytes of an identify request's frame on the line: the same for every
// address, as every field of the request has a fixed size.
int IdentifyFrameBytes();
std::int32_t ParseDeviceInfo(tLink &link);
// Finds the device's speed: identify at the last known speed, then at each
// of SEARCH_SPEEDS, twice over. `trying` hears of each attempt before it is
// sent: the speed, which attempt it is (from 1) and how many there are.
using SpeedTry = std::function<void(std::int32_t baud, int attempt, int attempts)>;
std::int32_t SelectSpeed(tLink &link, const SpeedTry &trying = {});
// On success buffer holds the bytes in indices 1 to lStop - lStart + 1.
std::int32_t ReadBlocks(tLink &link, std::vector<std::uint8_t> &buffer, std::int32_t &lStart,
                        std::int32_t &lStop);
// image index p holds EEPROM address p - 1 (an EEPROMBuf of 65537 bytes).
std::int32_t WriteBlocks(tLink &link, std::span<const std::uint8_t> image, std::int32_t lStart,
                         std::int32_t lStop);
std::int32_t ResetDevice(tLink &link);

} // namespace m
