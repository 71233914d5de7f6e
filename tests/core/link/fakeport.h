#pragma once

// A scripted serial port for the link's tests: bytes to hand out, what was
// written and when the lines moved on the link clock, output that takes a set
// time to leave, a step that can be told to fail, and optionally the simulated
// device answering at once what it hears at the port's speed.

#include "linkclock.h"
#include "m.h"
#include "mcomm.h"
#include "simdevice.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class FakePort : public mComm::CommDevice
{
public:
    static constexpr std::uint64_t NEVER = UINT64_MAX;

    bool open() override { return step("open"); }
    bool setState(const mComm::CommState &wanted) override
    {
        speeds.push_back(wanted.BaudRate);
        state = step("setState") ? wanted : state;
        return step("setState");
    }
    std::int64_t bytesWaiting() override { return step("status") ? rx.size() : -1; }
    std::int64_t read(std::span<std::uint8_t> dst) override
    {
        const qsizetype n = std::min(qsizetype(dst.size()), rx.size());
        std::copy_n(rx.begin(), n, dst.begin());
        rx.remove(0, n);
        return n;
    }
    std::int64_t write(std::span<const std::uint8_t> src) override
    {
        writes << QByteArray(reinterpret_cast<const char *>(src.data()), qsizetype(src.size()));
        lines << QStringLiteral("write");
        drainedAtUs = drainLagUs == NEVER ? NEVER : nowUs() + drainLagUs;
        if (device && device->listensAt(state.BaudRate))
            for (const std::vector<std::uint8_t> &reply : device->receive(src))
                rx.append(reinterpret_cast<const char *>(reply.data()), qsizetype(reply.size()));
        if (onWrite)
            onWrite(*this);
        return std::int64_t(src.size());
    }
    bool setLine(std::int16_t line, bool on) override
    {
        lines << QStringLiteral("line %1 %2").arg(line).arg(on ? "on" : "off");
        if (line == mComm::LINE_RTS && on)
            rtsUpAtUs = nowUs();
        else if (line == mComm::LINE_RTS && rtsUpAtUs)
            rtsHeldMs << double(nowUs() - *std::exchange(rtsUpAtUs, std::nullopt)) / 1000;
        return step("setLine") && failAt != QStringLiteral("line %1").arg(line);
    }
    bool outputDrained() override { return nowUs() >= drainedAtUs; }
    std::int32_t errorCode() const override { return mComm::COMM_DEVICE_ERROR + 10; } // 1010
    QString errorText() const override { return QStringLiteral("fake failure"); }

    // The step that fails: "status" for bytesWaiting, "setLine" for every
    // line, "line 2" for DTR alone.
    QString failAt;
    std::uint64_t drainLagUs = 0; // how long written bytes take to leave after the write
    mComm::CommState state;
    sim::Device *device = nullptr;
    std::function<void(FakePort &)> onWrite;
    QByteArray rx;
    QList<QByteArray> writes;
    QStringList lines;                // what happened: "write", or "line 3 on" for RTS raised
    QList<double> rtsHeldMs;          // how long RTS stayed up each time
    std::vector<std::int32_t> speeds; // every speed asked for

private:
    bool step(const char *name) const { return failAt != QLatin1String(name); }
    static std::uint64_t nowUs() { return linkclock::current().perfCounter(); }
    std::uint64_t drainedAtUs = 0;
    std::optional<std::uint64_t> rtsUpAtUs; // while RTS is up
};

// FakePorts behind every port name on a manual clock (a microsecond a
// counter tick), an empty receive slot table, and a fresh link record for
// COM1; with a device configuration, the device answers on every port and the
// record is addressed to its device ID.
struct FakeLine
{
    explicit FakeLine(std::optional<sim::DeviceConfig> config = {})
        : device(config ? std::make_unique<sim::Device>(*config) : nullptr)
    {
        m::gReceiver = {};
        link.Port = 1;
        link.TargetID = config ? std::int32_t(sim::PRODUCT_BASE + config->deviceId) : 0;
    }
    ~FakeLine()
    {
        for (std::int16_t port = 1; port <= mComm::PORT_COUNT; ++port)
            mComm::CommClose(port);
    }
    FakePort &port() const { return *last; }
    double elapsedMs() const { return double(clock.elapsed().count()) / 1000.0; }

    std::unique_ptr<sim::Device> device;
    std::function<void(FakePort &)> prepare; // runs on each new port
    FakePort *last = nullptr;                // the latest port made, owned by the port table
    QStringList names;                       // the names ports were made for
    m::tLink link;
    linkclock::ManualClock clock;
    linkclock::ScopedClock scoped{&clock};
    mComm::ScopedPortFactory factory{[this](const QString &name) {
        auto port = std::make_unique<FakePort>();
        port->device = device.get();
        if (prepare)
            prepare(*port);
        names << name;
        last = port.get();
        return port;
    }};
};
