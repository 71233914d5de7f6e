#pragma once

// The simulated device behind every COM port, on a manual clock so the link's
// waits (the 3-second reset wait among them) take no real time. Ports can be
// made missing, and the device swapped (unplugged and another plugged in), or
// several devices put on one line; gLink is closed at the end.

#include "linkclock.h"
#include "m.h"
#include "mcomm.h"
#include "simbus.h"
#include "simdevice.h"
#include "simport.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>

struct SimBench
{
    explicit SimBench(const sim::DeviceConfig &config = {})
        : device(std::make_shared<sim::Device>(config)), scoped(&clock),
          ports([this](const QString &name) -> std::unique_ptr<mComm::CommDevice> {
              if (portsMissing)
                  return nullptr;
              if (bus)
                  return sim::portFactory(bus, sim::Route::EveryPort)(name);
              return sim::portFactory(device, sim::Route::EveryPort)(name);
          })
    {
    }
    ~SimBench()
    {
        clock.onEvents = nullptr;
        m::CloseLink(m::gLink);
    }
    // Addresses gLink to the device on COM1, as the toolbar would.
    void addressGLink()
    {
        m::gLink = m::tLink{};
        m::gLink.Port = 1;
        m::gLink.TargetID = std::int32_t(sim::PRODUCT_BASE + device->config().deviceId);
    }
    // Puts a device on the line; from the first on, the ports lead to the
    // line instead of `device`.
    sim::Device &addToBus(const sim::DeviceConfig &config)
    {
        if (!bus)
            bus = std::make_shared<sim::Bus>();
        bus->add(std::make_shared<sim::Device>(config));
        return *bus->devices().back();
    }
    int requests(std::uint8_t command) const
    {
        return int(std::count_if(device->log().begin(), device->log().end(),
                                 [command](const auto &e) { return e.command == command; }));
    }
    // The lowest and highest EEPROM address block requests of this command touched.
    std::pair<int, int> addressRange(std::uint8_t command) const
    {
        std::pair<int, int> range{INT_MAX, -1};
        for (const sim::Device::Exchange &e : device->log()) {
            if (e.command == command)
                range = {std::min(range.first, e.address),
                         std::max(range.second, e.address + e.count - 1)};
        }
        return range;
    }
    sim::Device &at(int k) { return *bus->devices()[std::size_t(k)]; }
    // The block writes sent to the devices on the line.
    int blockWrites() const
    {
        int writes = 0;
        for (const auto &onLine : bus->devices())
            for (const sim::Device::Exchange &e : onLine->log())
                writes += e.command == m::CMD_WRITE_BLOCK ? 1 : 0;
        return writes;
    }
    // Device k of the line is gone from its first block request on.
    void vanishAtFirstBlock(int k)
    {
        sim::Device *gone = &at(k);
        clock.onEvents = [gone] {
            for (const sim::Device::Exchange &e : gone->log())
                if (e.command == m::CMD_READ_BLOCK || e.command == m::CMD_WRITE_BLOCK)
                    gone->faults.vanishAfterFrames = 0;
        };
    }

    std::shared_ptr<sim::Device> device;
    std::shared_ptr<sim::Bus> bus; // several devices on the line; null: `device` alone
    linkclock::ManualClock clock;
    linkclock::ScopedClock scoped;
    mComm::ScopedPortFactory ports;
    bool portsMissing = false;
};
