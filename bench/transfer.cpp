// Times a download and an upload of positions 33 to 120 through the transfer
// driver against the in-process simulated device on the real clock, and
// compares them with what the protocol itself needs: each request's RTS hold
// plus its reply's time on the wire (and the reset wait after an upload). Also
// shows how busy the process kept a core. "transfer --trace FILE" runs the
// same with the link's trace written to FILE, to show that tracing costs no time.

#include "cputime.h"
#include "eepromimage.h"
#include "linkclock.h"
#include "linktrace.h"
#include "m.h"
#include "mcomm.h"
#include "simport.h"
#include "transferdriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

// Milliseconds the exchanges in the device's log need at the least.
double floorMs(const sim::Device &device, std::int32_t baud)
{
    double total = 0;
    for (const sim::Device::Exchange &exchange : device.log())
        total += m::HoldTimeMs(exchange.requestBytes, baud) + exchange.replyBytes * 10000.0 / baud;
    return total;
}

struct Measure
{
    QElapsedTimer wall;
    double cpuStart = cpuSeconds();
    Measure() { wall.start(); }
};

void report(const char *what, std::int32_t baud, std::int32_t result, const Measure &measure,
            double floor)
{
    const double wallMs = double(measure.wall.nsecsElapsed()) / 1e6;
    const double cpuMs = (cpuSeconds() - measure.cpuStart) * 1000.0;
    QTextStream(stdout) << QStringLiteral("%1 at %2 baud: result %3, wall %4 ms, floor %5 ms, "
                                          "ratio %6, cpu/wall %7\n")
                               .arg(QLatin1String(what))
                               .arg(baud)
                               .arg(result)
                               .arg(wallMs, 0, 'f', 1)
                               .arg(floor, 0, 'f', 1)
                               .arg(wallMs / floor, 0, 'f', 3)
                               .arg(cpuMs / wallMs, 0, 'f', 3);
}

void runAt(std::int32_t baud)
{
    sim::DeviceConfig config;
    config.baud = baud;
    auto device = std::make_shared<sim::Device>(config);
    mComm::ScopedPortFactory factory(sim::portFactory(device, sim::Route::EveryPort));

    m::tLink link;
    link.Port = 1;
    link.TargetID = std::int32_t(sim::PRODUCT_BASE + config.deviceId);
    link.DCBString = m::modeString(baud);
    link.Settings = m::shortForm(baud);
    auto image = std::make_unique<tqimage::EEPROMImage>();
    TransferObserver unseen; // the benchmark only times the transfers
    TransferDriver driver(link, *image, unseen);
    const std::int32_t start = tqimage::layout::transferStart;
    const std::int32_t stop = tqimage::layout::transferStop;

    // Each transfer starts with one identify at the speed already known.
    device->clearLog();
    Measure download;
    const std::int32_t readResult = driver.run(TransferKind::Download, start, stop);
    report("download", baud, readResult, download, floorMs(*device, baud));

    device->clearLog();
    Measure upload;
    const std::int32_t writeResult = driver.run(TransferKind::Upload, start, stop);
    report("upload", baud, writeResult, upload, floorMs(*device, baud) + m::RESET_WAIT_MS);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype trace = arguments.indexOf(QStringLiteral("--trace"));
    if (trace > 0) {
        QString error;
        if (trace + 1 >= arguments.size() || !linktrace::traceToFile(arguments[trace + 1], error)) {
            QTextStream(stderr) << "transfer: --trace FILE: " << error << '\n';
            return 2;
        }
    }
    for (std::int32_t baud : {9600, 38400})
        runAt(baud);
    return 0;
}
