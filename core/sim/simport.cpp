#include "simport.h"

#include "linkclock.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::int32_t DEVICE_GONE = mComm::COMM_DEVICE_ERROR + 9; // resource error
constexpr std::int32_t NOT_OPEN = mComm::COMM_NOT_OPEN;

} // namespace

SimPort::SimPort(std::shared_ptr<Bus> line) : bus(std::move(line)) {}

SimPort::~SimPort()
{
    close();
}

bool SimPort::open()
{
    if (!bus || bus->gone() || bus->inUse()) {
        error = mComm::COMM_DEVICE_ERROR + 2;
        return false;
    }
    bus->setInUse(true);
    opened = true;
    return true;
}

bool SimPort::alive()
{
    if (!opened)
        error = NOT_OPEN;
    else if (bus->gone())
        error = DEVICE_GONE;
    else
        return true;
    return false;
}

bool SimPort::purge()
{
    pending.clear();
    incoming.clear();
    return alive();
}

bool SimPort::getState(mComm::CommState &current)
{
    current = state;
    return alive();
}

bool SimPort::setState(const mComm::CommState &wanted)
{
    if (!alive())
        return false;
    state = wanted;
    return true;
}

std::uint64_t SimPort::nowUs() const
{
    linkclock::Clock &clock = linkclock::current();
    const std::uint64_t counter = clock.perfCounter();
    const std::uint64_t frequency = std::max<std::uint64_t>(clock.perfFrequency(), 1);
    return counter / frequency * 1'000'000 + counter % frequency * 1'000'000 / frequency;
}

double SimPort::byteUs() const
{
    return 10'000'000.0 / std::max(state.BaudRate, 1);
}

void SimPort::advanceLine(std::uint64_t now)
{
    while (!pending.empty() && !rts) {
        Pending &reply = pending.front();
        const std::uint64_t start = std::max({reply.earliestUs, lineFreeUs, rtsDroppedUs});
        if (start > now)
            return;
        for (std::size_t i = 0; i < reply.frame.size(); ++i)
            incoming.push_back({start + std::uint64_t((i + 1) * byteUs()), reply.frame[i]});
        lineFreeUs = start + std::uint64_t(reply.frame.size() * byteUs());
        pending.pop_front();
    }
}

std::int64_t SimPort::bytesWaiting()
{
    if (!alive())
        return -1;
    const std::uint64_t now = nowUs();
    advanceLine(now);
    return std::count_if(incoming.begin(), incoming.end(),
                         [now](const Timed &t) { return t.atUs <= now; });
}

std::int64_t SimPort::read(std::span<std::uint8_t> dst)
{
    if (!alive())
        return -1;
    const std::uint64_t now = nowUs();
    advanceLine(now);
    std::size_t count = 0;
    while (count < dst.size() && !incoming.empty() && incoming.front().atUs <= now) {
        dst[count++] = incoming.front().byte;
        incoming.pop_front();
    }
    return std::int64_t(count);
}

std::int64_t SimPort::write(std::span<const std::uint8_t> src)
{
    if (!alive())
        return -1;
    const std::uint64_t now = nowUs();
    advanceLine(now);
    const std::uint64_t start = std::max(now, hostFreeUs);
    hostFreeUs = start + std::uint64_t(src.size() * byteUs());
    if (bus->echo)
        echoBytes(src, start);
    const bool eightNoneOne = state.Parity == 'N' && state.ByteSize == 8 && state.StopBits == 1;
    for (Reply &reply : bus->carry(src, state.BaudRate, eightNoneOne))
        pending.push_back(
            {std::move(reply.frame), hostFreeUs + std::uint64_t(reply.delayMs) * 1000});
    return std::int64_t(src.size());
}

void SimPort::echoBytes(std::span<const std::uint8_t> bytes, std::uint64_t start)
{
    // Kept in time order behind whatever is already on its way in.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const Timed byte{start + std::uint64_t((i + 1) * byteUs()), bytes[i]};
        const auto at =
            std::upper_bound(incoming.begin(), incoming.end(), byte.atUs,
                             [](std::uint64_t us, const Timed &t) { return us < t.atUs; });
        incoming.insert(at, byte);
    }
}

bool SimPort::setLine(std::int16_t line, bool on)
{
    if (!alive())
        return false;
    if (line == mComm::LINE_RTS) {
        const std::uint64_t now = nowUs();
        advanceLine(now);
        if (rts && !on)
            rtsDroppedUs = now;
        rts = on;
    }
    return true;
}

bool SimPort::outputDrained()
{
    return !alive() || nowUs() >= hostFreeUs;
}

bool SimPort::close()
{
    if (opened && bus)
        bus->setInUse(false);
    opened = false;
    pending.clear();
    incoming.clear();
    return true;
}

mComm::PortFactory portFactory(std::shared_ptr<Bus> line, Route route, mComm::PortFactory fallback)
{
    return [line, route, fallback](const QString &name) -> std::unique_ptr<mComm::CommDevice> {
        if (route == Route::EveryPort || name == QLatin1String("sim"))
            return std::make_unique<SimPort>(line);
        return fallback ? fallback(name) : nullptr;
    };
}

mComm::PortFactory portFactory(std::shared_ptr<Device> device, Route route,
                               mComm::PortFactory fallback)
{
    return portFactory(std::make_shared<Bus>(std::move(device)), route, std::move(fallback));
}

} // namespace sim
