#pragma once

// A scripted serial port for the link's tests: bytes to hand out, a record of
// what was written and of the RTS and DTR lines, output that takes a set time
// to leave, and a step that can be told to fail.

#include "linkclock.h"
#include "m.h"
#include "mcomm.h"

#include <QStringList>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class FakePort : public mComm::CommDevice
{
public:
    static constexpr std::int32_t FAILURE = mComm::COMM_DEVICE_ERROR + 10;

    bool open() override
    {
        if (refuseOpen)
            lastError = FAILURE;
        return !refuseOpen;
    }
    bool setupQueues(std::int64_t, std::int64_t) override { return step("setupQueues"); }
    bool purge() override
    {
        rx.clear();
        return step("purge");
    }
    bool getState(mComm::CommState &current) override
    {
        current = state;
        return step("getState");
    }
    bool setState(const mComm::CommState &wanted) override
    {
        if (!step("setState"))
            return false;
        state = wanted;
        speeds.push_back(wanted.BaudRate);
        return true;
    }
    std::int64_t bytesWaiting() override { return statusFails ? -1 : std::int64_t(rx.size()); }
    std::int64_t read(std::span<std::uint8_t> dst) override
    {
        ++readCalls;
        std::size_t n = 0;
        for (; n < dst.size() && !rx.empty(); ++n) {
            dst[n] = rx.front();
            rx.pop_front();
        }
        return std::int64_t(n);
    }
    std::int64_t write(std::span<const std::uint8_t> src) override
    {
        writes.emplace_back(src.begin(), src.end());
        events.push_back(Event{"write", nowUs()});
        drainedAtUs = drainLagUs == NEVER ? NEVER : nowUs() + drainLagUs;
        if (onWrite)
            onWrite(*this, writes.back());
        return std::int64_t(src.size());
    }
    bool setLine(std::int16_t line, bool on) override
    {
        if (!step("setLine"))
            return false;
        if (line == mComm::LINE_RTS)
            events.push_back(Event{on ? "rts on" : "rts off", nowUs()});
        else if (line == mComm::LINE_DTR)
            events.push_back(Event{on ? "dtr on" : "dtr off", nowUs()});
        return true;
    }
    bool outputDrained() override
    {
        firstDrainAskUs = std::min(firstDrainAskUs, nowUs());
        return nowUs() >= drainedAtUs;
    }
    bool close() override { return step("close"); }
    std::int32_t errorCode() const override { return lastError; }
    QString errorText() const override { return QStringLiteral("fake failure"); }

    void feed(const std::vector<std::uint8_t> &bytes)
    {
        rx.insert(rx.end(), bytes.begin(), bytes.end());
    }

    struct Event
    {
        QString what;
        std::uint64_t atUs;
    };

    static constexpr std::uint64_t NEVER = UINT64_MAX;
    // How long a write's bytes take to leave after the write returns.
    std::uint64_t drainLagUs = 0;
    std::uint64_t firstDrainAskUs = NEVER;

    QString failAt;
    bool refuseOpen = false;
    bool statusFails = false;
    int readCalls = 0;
    mComm::CommState state;
    std::vector<std::int32_t> speeds;
    std::deque<std::uint8_t> rx;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<Event> events;
    std::function<void(FakePort &, const std::vector<std::uint8_t> &)> onWrite;

private:
    bool step(const char *name)
    {
        if (failAt != QLatin1String(name))
            return true;
        lastError = FAILURE;
        return false;
    }
    static std::uint64_t nowUs()
    {
        linkclock::Clock &clock = linkclock::current();
        return clock.perfCounter() * 1'000'000 / clock.perfFrequency();
    }
    std::int32_t lastError = 0;
    std::uint64_t drainedAtUs = 0;
};

// Puts FakePorts behind every port name while alive; `last` is the latest one
// made (owned by the port table while open).
class FakePorts
{
public:
    ~FakePorts()
    {
        for (std::int16_t port = 1; port <= mComm::PORT_COUNT; ++port)
            mComm::CommClose(port);
    }

    FakePort *last = nullptr;
    QStringList names;
    std::function<void(FakePort &)> prepare;

private:
    mComm::ScopedPortFactory factory{[this](const QString &name) {
        auto port = std::make_unique<FakePort>();
        if (prepare)
            prepare(*port);
        names.push_back(name);
        last = port.get();
        return port;
    }};
};

// Fields of a packet as the device would send it, numbered as on the wire.
struct PacketFields
{
    std::uint8_t flags = 0x0D;
    std::uint32_t source = 0x207;
    std::uint32_t target = 0;
    std::uint32_t seqNo = 1;
    std::uint8_t opt = 10;
    std::uint8_t status = 0;
    std::uint8_t command = 0x81;
    std::vector<std::uint8_t> data;
};

inline std::vector<std::uint8_t> packetOf(const PacketFields &f)
{
    std::vector<std::uint8_t> p{f.flags};
    const auto le32 = [&p](std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            p.push_back(std::uint8_t(v >> (8 * k)));
    };
    if (f.flags & 1)
        le32(f.source);
    if (f.flags & 2)
        le32(f.target);
    if (f.flags & 4)
        le32(f.seqNo);
    if (f.flags & 8)
        p.push_back(f.opt);
    p.push_back(f.status);
    p.push_back(f.command);
    p.insert(p.end(), f.data.begin(), f.data.end());
    unsigned sum = 0;
    for (std::uint8_t b : p)
        sum += b;
    p.push_back(std::uint8_t(sum & 0xFF));
    p.push_back(std::uint8_t(sum >> 8));
    return p;
}

// STX, the 7-bit body (Encode7 is checked against the worked example) and ETX.
inline std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t> &packet)
{
    std::vector<std::uint8_t> frame{m::STX};
    const std::vector<std::uint8_t> body = m::Encode7(packet);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(m::ETX);
    return frame;
}

inline std::vector<std::uint8_t> frameOf(const PacketFields &fields)
{
    return frameOf(packetOf(fields));
}
