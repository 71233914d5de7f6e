#include "simbus.h"

#include "linenoise.h"

#include <algorithm>

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

std::vector<Reply> Bus::carry(std::span<const std::uint8_t> bytes, std::int32_t baud,
                              bool eightNoneOne)
{
    std::vector<Reply> replies;
    int speakers = 0;
    for (const std::shared_ptr<Device> &device : members) {
        if (!device->listensAt(baud, eightNoneOne)) {
            device->hearNoise();
            continue;
        }
        const int delayMs = std::max(device->faults.replyDelayMs, 0);
        std::vector<std::vector<std::uint8_t>> frames = device->receive(bytes);
        speakers += frames.empty() ? 0 : 1;
        for (std::vector<std::uint8_t> &frame : frames)
            replies.push_back({std::move(frame), delayMs});
    }
    if (speakers > 1)
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
