#pragma once

#include "simdevice.h"

#include <memory>
#include <random>
#include <span>
#include <vector>

// Simulated devices on one RS-485 line, as a site wires them. Every device
// hears every frame the host sends, but only when the line runs at its own
// speed and framing: at another it hears noise, which breaks off any frame it
// was receiving, and it stays silent. Each answers only its own address, so
// one request gets at most one reply; the ports that carry the line send the
// replies one after the other. Each device takes its stored speed at its own
// reset. A line with one device is what the one-device options make.
namespace sim {

// A reply a device has ready, and how long it waits before it starts sending.
struct Reply
{
    std::vector<std::uint8_t> frame;
    int delayMs = 0;
};

class Bus
{
public:
    Bus() = default;
    explicit Bus(std::shared_ptr<Device> device);

    void add(std::shared_ptr<Device> device);
    const std::vector<std::shared_ptr<Device>> &devices() const { return members; }

    // The host's bytes, sent at this speed and framing; the replies due, in
    // the order they go onto the line. Devices that answer the same request
    // (two with one device ID) talk at once: the host hears noise instead.
    std::vector<Reply> carry(std::span<const std::uint8_t> bytes, std::int32_t baud,
                             bool eightNoneOne);

    // Whether some device hears a line at this speed and framing.
    bool listensAt(std::int32_t baud, bool eightNoneOne) const;

    // The line is gone, as an unplugged adapter is, once every device on it
    // has vanished (a fault); a single vanished device just falls silent.
    bool gone() const;

    // A port holds the line open; a second open is refused.
    bool inUse() const;
    void setInUse(bool used);

    // The host hears its own frames, as a two-wire adapter without echo
    // suppression does.
    bool echo = false;

private:
    std::vector<Reply> carryFrame(std::span<const std::uint8_t> bytes, std::int32_t baud,
                                  bool eightNoneOne);

    std::vector<std::shared_ptr<Device>> members;
    std::mt19937 noise; // default-seeded: the same noise in every run
};

} // namespace sim
