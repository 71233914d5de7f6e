// Times a bus scan of device IDs 1 to 255 at 9600 baud against the in-process
// simulated device (one device present) on the real clock, and compares it
// with what the protocol itself needs for the same exchanges (the scan's
// floor, busscan::probeFloorMs): each request's RTS hold, then the reply's
// time on the wire for the device that answers and the whole reply wait for
// every other ID.

#include "busscan.h"
#include "m.h"
#include "mcomm.h"
#include "simport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <numeric>

namespace {

struct Counter : busscan::ScanObserver
{
    int probes = 0;
    void probing(std::int32_t, int) override { ++probes; }
};

// Milliseconds the scan's exchanges need at the least, by the scan's own
// floor: the device's log holds the requests it answered.
double floorMs(const sim::Device &device, int probes, std::int32_t baud)
{
    const std::vector<sim::Device::Exchange> &answered = device.log();
    double total = double(probes - int(answered.size())) * busscan::probeFloorMs(baud);
    for (const sim::Device::Exchange &exchange : answered)
        total += busscan::probeFloorMs(baud, exchange.replyBytes);
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::int32_t baud = 9600;
    sim::DeviceConfig config;
    config.deviceId = 200;
    config.baud = baud;
    auto device = std::make_shared<sim::Device>(config);
    mComm::ScopedPortFactory factory(sim::portFactory(device, sim::Route::EveryPort));

    m::tLink link;
    link.Port = 1;
    std::vector<int> ids(255);
    std::iota(ids.begin(), ids.end(), 1);
    const std::vector<std::int32_t> speeds{baud};
    Counter counter;
    std::vector<busscan::FoundDevice> found;
    QElapsedTimer wall;
    wall.start();
    const std::int32_t result = busscan::ScanBus(link, ids, speeds, counter, found);
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;
    const double floor = floorMs(*device, counter.probes, baud);

    QTextStream(stdout) << QStringLiteral("scan of IDs 1-255 at %1 baud: result %2, %3 requests, "
                                          "%4 found, wall %5 ms, floor %6 ms, ratio %7\n")
                               .arg(baud)
                               .arg(result)
                               .arg(counter.probes)
                               .arg(found.size())
                               .arg(wallMs, 0, 'f', 1)
                               .arg(floor, 0, 'f', 1)
                               .arg(wallMs / floor, 0, 'f', 3);
    return 0;
}
