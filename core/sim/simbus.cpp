#include "simbus.h"

#include "linenoise.h"
#include "m.h"

#include <algorithm>
#include <iterator>

namespace sim {

Bus::Bus(std::shared_ptr<Device> device)
{
    add(std::move(device));
}

void Bus::add(std::shared_ptr<Device> device)
{
    if (device)
        members.push_back(std::move(device));
}

// A frame ends at its ETX: the bytes are carried frame by frame, so that only
// replies to one and the same frame can collide.
std::vector<Reply> Bus::carry(std::span<const std::uint8_t> bytes, std::int32_t baud,
                              bool eightNoneOne)
{
    std::vector<Reply> replies;
    while (!bytes.empty()) {
        const auto end = std::find(bytes.begin(), bytes.end(), m::ETX);
        const std::size_t length = std::size_t(end - bytes.begin()) + (end == bytes.end() ? 0 : 1);
        std::vector<Reply> answers = carryFrame(bytes.first(length), baud, eightNoneOne);
        std::move(answers.begin(), answers.end(), std::back_inserter(replies));
        bytes = bytes.subspan(length);
    }
    return replies;
}

std::vector<Reply> Bus::carryFrame(std::span<const std::uint8_t> bytes, std::int32_t baud,
                                   bool eightNoneOne)
{
    std::vector<Reply> replies;
    for (const std::shared_ptr<Device> &device : members) {
        if (!device->listensAt(baud, eightNoneOne)) {
            device->hearNoise();
            continue;
        }
        const int delayMs = std::max(device->faults.replyDelayMs, 0);
        for (std::vector<std::uint8_t> &frame : device->receive(bytes))
            replies.push_back({std::move(frame), delayMs});
    }
    // Two devices that take one request for theirs talk at once.
    if (replies.size() > 1)
        return {{linenoise::burst(noise), 0}};
    return replies;
}

bool Bus::listensAt(std::int32_t baud, bool eightNoneOne) const
{
    return std::any_of(members.begin(), members.end(),
                       [&](const auto &device) { return device->listensAt(baud, eightNoneOne); });
}

bool Bus::gone() const
{
    return !members.empty() && std::all_of(members.begin(), members.end(),
                                           [](const auto &device) { return device->vanished(); });
}

bool Bus::inUse() const
{
    return std::any_of(members.begin(), members.end(),
                       [](const auto &device) { return device->inUse; });
}

void Bus::setInUse(bool used)
{
    for (const std::shared_ptr<Device> &device : members)
        device->inUse = used;
}

} // namespace sim
