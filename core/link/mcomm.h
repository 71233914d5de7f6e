#pragma once

#include "scopedseam.h"
#include "settingsstore.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// The serial port layer: ports are chosen by number (1 to 16), opened with a
// mode string such as "baud=9600 parity=N data=8 stop=1", read by polling
// (a read never blocks) and written whole; RTS, DTR and BREAK move only when
// asked. Failures are kept in CommLastError, which nothing displays.
namespace mComm {

// Line selectors of CommSetLine.
constexpr std::int16_t LINE_BREAK = 1;
constexpr std::int16_t LINE_DTR = 2;
constexpr std::int16_t LINE_RTS = 3;

// Result and error codes.
constexpr std::int32_t COMM_OK = 0;
constexpr std::int32_t COMM_ALREADY_OPEN = 26;
constexpr std::int32_t COMM_CANNOT_OPEN = 27;
// A port number outside the table (the run-time "subscript out of range").
constexpr std::int32_t COMM_BAD_PORT = 9;
// A mode string or line selector the layer cannot use ("the parameter is incorrect").
constexpr std::int32_t COMM_INVALID_PARAMETER = 87;
// The serial port driver's errors are COMM_DEVICE_ERROR plus the driver's own
// number (QSerialPort::SerialPortError), so they never meet the codes above.
constexpr std::int32_t COMM_DEVICE_ERROR = 1000;
constexpr std::int32_t COMM_NO_DEVICE = COMM_DEVICE_ERROR + 1;
constexpr std::int32_t COMM_NOT_OPEN = COMM_DEVICE_ERROR + 13;

constexpr int PORT_COUNT = settingsstore::comPortCount;

// The line settings of a port, named like the fields of a Windows DCB.
struct CommState
{
    std::int32_t BaudRate = 9600;
    char Parity = 'N'; // N, E, O, M or S
    int ByteSize = 8;  // 5 to 8
    int StopBits = 1;  // 1, 2, or 15 for one and a half
    bool operator==(const CommState &) const = default;
};

// Reads a mode string the way the Windows BuildCommDCB call does: either
// "baud=9600 parity=N data=8 stop=1" (any subset, any order, keys and letters
// in any case) or "9600,N,8,1". Fields not named keep their value in `state`.
// A two-digit speed is the classic abbreviation (96 = 9600, 19 = 19200).
// False, with `state` untouched, for an unknown key, parity letter or value.
bool BuildCommState(const QString &mode, CommState &state);

// One open serial device. Two implementations: the system's serial port, and
// the simulated device of core/sim/. Operations return false (or -1) on failure and
// then describe it through errorCode and errorText. Only moving bytes must be
// implemented; the other calls succeed without doing anything unless a device
// needs them, so a test's port implements just what it uses.
class CommDevice
{
public:
    virtual ~CommDevice() = default;
    // Opens the device for this process alone.
    virtual bool open() { return true; }
    virtual bool setupQueues(std::int64_t /*inBytes*/, std::int64_t /*outBytes*/) { return true; }
    // Discards whatever is queued in both directions.
    virtual bool purge() { return true; }
    // Leaves `state` as it is unless the device knows better.
    virtual bool getState(CommState & /*state*/) { return true; }
    // Applies speed, parity, data and stop bits; never any flow control.
    virtual bool setState(const CommState & /*state*/) { return true; }
    // Bytes received and waiting to be read; -1 when that cannot be known.
    virtual std::int64_t bytesWaiting() = 0;
    // Reads at most dst.size() bytes that are already waiting.
    virtual std::int64_t read(std::span<std::uint8_t> dst) = 0;
    // Hands the bytes to the driver before returning; the count it took.
    virtual std::int64_t write(std::span<const std::uint8_t> src) = 0;
    virtual bool setLine(std::int16_t /*line*/, bool /*state*/) { return true; }
    // True once everything written has left the device: the system's output
    // queue and the transmitter are empty. Waits at most for what the
    // transmitter itself still holds, so callers poll it while events run.
    virtual bool outputDrained() { return true; }
    virtual bool close() { return true; }
    virtual std::int32_t errorCode() const { return 0; }
    virtual QString errorText() const { return {}; }
};

// Makes the device for a resolved port name (a device path, or "sim"); an
// empty result is a port that does not exist.
using PortFactory = std::function<std::unique_ptr<CommDevice>(const QString &name)>;

// Replaces the factory CommOpen uses; returns the previous one. An empty
// factory restores systemPortFactory.
PortFactory setPortFactory(PortFactory factory);
using ScopedPortFactory = ScopedSeam<PortFactory, &setPortFactory>;

// The system's serial ports through QSerialPort.
std::unique_ptr<CommDevice> systemPortFactory(const QString &name);

// The device name for a port name as CommOpen receives it ("COM" and the
// number). On Windows that name itself. Elsewhere the port map of the settings
// store first, else COM1-8 = /dev/ttyS0-7, COM9-12 = /dev/ttyUSB0-3,
// COM13-16 = /dev/ttyACM0-3. Any other name (a device path, "sim") as it is.
QString ResolvePortName(const QString &name);

struct CommPort
{
    std::unique_ptr<CommDevice> hComm;
    std::int16_t bOpen = 0;
    CommState dcb;
};

// Indexed by port number minus one.
extern std::array<CommPort, PORT_COUNT> CommPorts;

struct CommError
{
    std::int32_t lErrCode = 0;
    QString sErrContext;
    QString sErrText;
};

extern CommError CommLastError;

// A device that cannot be opened returns COMM_CANNOT_OPEN and leaves the
// system's reason in CommLastError, for a front end to show.
std::int32_t CommOpen(std::int16_t port, const QString &name, const QString &settings);
// Sets the mode of an open port and drops DTR and RTS; from here on they move
// only through CommSetLine. A device without modem lines (a pseudo-terminal)
// takes the mode but reports the line step as failed.
std::int32_t CommSet(std::int16_t port, const QString &settings);
std::int32_t CommClose(std::int16_t port);
// Bytes copied into data (at most maxCount and data.size()), 0 when nothing is
// waiting, -1 when the port's status cannot be read or the port is not in the table.
std::int32_t CommRead(std::int16_t port, std::span<std::uint8_t> data, std::int32_t maxCount);
// Bytes taken; -1 for a port number outside the table.
std::int32_t CommWrite(std::int16_t port, std::span<const std::uint8_t> data);
std::int32_t CommSetLine(std::int16_t port, std::int16_t line, bool state);
// True when the port has sent everything written to it, or is not open.
bool CommOutputDrained(std::int16_t port);

// Records a failure in CommLastError and returns its code. Without a text, the
// text is GetSystemErrorText(code).
std::int32_t SetCommError(const QString &context, std::int32_t code, const QString &text = {});
QString GetSystemErrorText(std::int32_t code);

} // namespace mComm
