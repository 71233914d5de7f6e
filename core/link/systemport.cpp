#include "mcomm.h"

#include <QSerialPort>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace mComm {

namespace {

// Longest wait for written bytes to reach the driver; a frame of 64 bytes
// needs 534 ms at 1200 baud.
constexpr int kWriteBoundMs = 1000;

QSerialPort::Parity toQtParity(char parity)
{
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

char fromQtParity(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return 'E';
    case QSerialPort::OddParity:
        return 'O';
    case QSerialPort::MarkParity:
        return 'M';
    case QSerialPort::SpaceParity:
        return 'S';
    default:
        return 'N';
    }
}

QSerialPort::StopBits toQtStopBits(int stopBits)
{
    switch (stopBits) {
    case 2:
        return QSerialPort::TwoStop;
    case 15:
        return QSerialPort::OneAndHalfStop;
    default:
        return QSerialPort::OneStop;
    }
}

class SystemPort : public CommDevice
{
public:
    explicit SystemPort(const QString &name) { port.setPortName(name); }

    bool open() override { return port.open(QIODevice::ReadWrite); }
    bool setupQueues(std::int64_t inBytes, std::int64_t) override
    {
        port.setReadBufferSize(inBytes);
        return true;
    }
    bool purge() override { return port.clear(QSerialPort::AllDirections); }
    bool getState(CommState &state) override
    {
        state.BaudRate = port.baudRate();
        state.Parity = fromQtParity(port.parity());
        state.ByteSize = port.dataBits();
        state.StopBits = port.stopBits() == QSerialPort::OneAndHalfStop ? 15 : port.stopBits();
        return port.isOpen();
    }
    bool setState(const CommState &state) override
    {
        return port.setBaudRate(state.BaudRate) && port.setParity(toQtParity(state.Parity)) &&
               port.setDataBits(static_cast<QSerialPort::DataBits>(state.ByteSize)) &&
               port.setStopBits(toQtStopBits(state.StopBits)) &&
               port.setFlowControl(QSerialPort::NoFlowControl);
    }
    std::int64_t bytesWaiting() override
    {
        return port.isOpen() && port.error() != QSerialPort::ResourceError ? port.bytesAvailable()
                                                                           : -1;
    }
    std::int64_t read(std::span<std::uint8_t> dst) override
    {
        return port.read(reinterpret_cast<char *>(dst.data()), qint64(dst.size()));
    }
    std::int64_t write(std::span<const std::uint8_t> src) override;
    bool setLine(std::int16_t line, bool state) override
    {
        switch (line) {
        case LINE_BREAK:
            return port.setBreakEnabled(state);
        case LINE_DTR:
            return port.setDataTerminalReady(state);
        case LINE_RTS:
            return port.setRequestToSend(state);
        default:
            return false;
        }
    }
    bool outputDrained() override;
    bool close() override
    {
        port.close();
        return true;
    }
    std::int32_t errorCode() const override
    {
        return port.error() == QSerialPort::NoError ? 0 : COMM_DEVICE_ERROR + port.error();
    }
    QString errorText() const override { return port.errorString(); }

private:
    QSerialPort port;
};

std::int64_t SystemPort::write(std::span<const std::uint8_t> src)
{
    const qint64 taken = port.write(reinterpret_cast<const char *>(src.data()), qint64(src.size()));
    if (taken <= 0)
        return taken;
    port.flush();
    if (port.bytesToWrite() > 0)
        port.waitForBytesWritten(kWriteBoundMs);
    const qint64 stuck = port.bytesToWrite();
    if (stuck > 0) {
        // What has not reached the driver by now is dropped, so it cannot
        // trail into the next frame.
        port.clear(QSerialPort::Output);
    }
    return taken - stuck;
}

bool SystemPort::outputDrained()
{
    if (!port.isOpen())
        return true;
    if (port.bytesToWrite() > 0) {
        port.flush();
        return false;
    }
    // The system's queue is polled, so a long frame never blocks the caller;
    // once it is empty, draining waits only for the bytes a USB adapter or the
    // UART still holds. A port that cannot tell counts as drained.
#ifdef Q_OS_WIN
    const HANDLE handle = port.handle();
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(handle, &errors, &status) && status.cbOutQue > 0)
        return false;
    FlushFileBuffers(handle);
#else
    const int fd = port.handle();
#ifdef TIOCOUTQ
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0)
        return false;
#endif
    // Interrupted by a signal, it is simply asked again.
    if (::tcdrain(fd) != 0 && errno == EINTR)
        return false;
#endif
    return true;
}

} // namespace

std::unique_ptr<CommDevice> systemPortFactory(const QString &name)
{
    return std::make_unique<SystemPort>(name);
}

} // namespace mComm
