#pragma once

#include "mframes.h"
#include "mlink.h"

#include <array>
#include <cstdint>
#include <vector>

// Everything module m remembers from one call to the next: the link record
// the transfer window works on, and the receiver's slot table with its
// positions. Nothing else in the module outlives a call.
namespace m {

inline tLink gLink;

// Receive slots: byte 0 of a slot is the body length of a complete frame (0 =
// free), bytes 1 to 64 the body as received.
using RxSlot = std::array<std::uint8_t, MAX_BODY + 1>;
constexpr int SLOT_COUNT = 129;

// The receive path's state (mreceiver.cpp). It is kept across exchanges, so
// a late reply to an earlier request may still sit in a slot; its sequence
// number or command drops it.
struct Receiver
{
    std::array<RxSlot, SLOT_COUNT> RxSlots{};
    std::int16_t ReadSlot = 0;   // the slot ParseFrame examines next
    std::int16_t WriteSlot = -1; // the slot being filled; -1 when no slot was free
    std::int16_t WritePos = 0;   // next position in WriteSlot; 0 when not inside a frame
    // A frame that found no free slot, gathered only while tracing so that
    // the trace can show what was dropped.
    struct Unslotted
    {
        std::vector<std::uint8_t> body;
        bool open = false;
    } unslotted;
};

inline Receiver gReceiver;

} // namespace m
