#pragma once

#include "mcomm.h"
#include "simbus.h"

#include <deque>
#include <memory>

// The simulated line as a serial port inside this process. Bytes take their
// time on the wire (ten bits a byte at the port's speed) on the link clock, so
// the exchange runs at the pace a real line would, or at a test clock's pace.
// A device hears only a port set to its own speed, and starts a reply once its
// request is complete and the host has dropped RTS; a reply waits until the
// line is free, so replies never overlap. With the line's echo the host's own
// bytes come back as they go out.
namespace sim {

class SimPort : public mComm::CommDevice
{
public:
    explicit SimPort(std::shared_ptr<Bus> line);
    ~SimPort() override;

    bool open() override;
    bool setupQueues(std::int64_t, std::int64_t) override { return alive(); }
    bool purge() override;
    bool getState(mComm::CommState &state) override;
    bool setState(const mComm::CommState &state) override;
    std::int64_t bytesWaiting() override;
    std::int64_t read(std::span<std::uint8_t> dst) override;
    std::int64_t write(std::span<const std::uint8_t> src) override;
    bool setLine(std::int16_t line, bool state) override;
    // The host's transmitter is done once the last byte written has had its
    // time on the wire.
    bool outputDrained() override;
    bool close() override;
    std::int32_t errorCode() const override { return error; }
    QString errorText() const override { return mComm::GetSystemErrorText(error); }

private:
    struct Timed
    {
        std::uint64_t atUs;
        std::uint8_t byte;
    };
    struct Pending
    {
        std::vector<std::uint8_t> frame;
        std::uint64_t earliestUs;
    };

    bool alive();
    std::uint64_t nowUs() const;
    double byteUs() const;
    // Puts the replies whose time has come onto the line.
    void advanceLine(std::uint64_t now);
    // The host's own bytes, heard as they leave from `start` on.
    void echoBytes(std::span<const std::uint8_t> bytes, std::uint64_t start);

    std::shared_ptr<Bus> bus;
    bool opened = false;
    mComm::CommState state;
    bool rts = false;
    std::uint64_t rtsDroppedUs = 0;
    std::uint64_t hostFreeUs = 0; // the host's transmitter is busy until then
    std::uint64_t lineFreeUs = 0; // a reply is on the line until then
    std::deque<Pending> pending;
    std::deque<Timed> incoming;
    std::int32_t error = 0;
};

enum class Route {
    SimName,   // only the port name "sim"
    EveryPort, // every port name, so any COM number reaches the device
};

// A port factory for mComm::setPortFactory: the simulated line behind the
// route's names, `fallback` for the others.
mComm::PortFactory portFactory(std::shared_ptr<Bus> line, Route route = Route::SimName,
                               mComm::PortFactory fallback = mComm::systemPortFactory);
// The same for one device alone on its line.
mComm::PortFactory portFactory(std::shared_ptr<Device> device, Route route = Route::SimName,
                               mComm::PortFactory fallback = mComm::systemPortFactory);

} // namespace sim
