#include "mcomm.h"

#include "linkclock.h"
#include "settingsstore.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace mComm {

std::array<CommPort, PORT_COUNT> CommPorts;
CommError CommLastError;

namespace {

PortFactory &portFactory()
{
    static PortFactory factory = systemPortFactory;
    return factory;
}

CommPort *portEntry(std::int16_t port)
{
    if (port < 1 || port > PORT_COUNT)
        return nullptr;
    return &CommPorts[port - 1];
}

std::int32_t recordDeviceError(const QString &context, const CommDevice &device)
{
    const std::int32_t code = device.errorCode() != 0 ? device.errorCode() : COMM_DEVICE_ERROR + 11;
    return SetCommError(context, code, device.errorText());
}

std::int32_t recordBadPort(const QString &operation)
{
    return SetCommError(operation, COMM_BAD_PORT);
}

// An open port's device, or nullptr after recording that it is not open.
CommDevice *openDevice(CommPort &entry, const QString &context)
{
    if (entry.bOpen && entry.hComm)
        return entry.hComm.get();
    SetCommError(context, COMM_NOT_OPEN);
    return nullptr;
}

// Drops DTR and RTS, so that from here on they move only through
// CommSetLine. RTS is dropped even where DTR cannot be: it is the line that
// turns a half-duplex converter towards the device.
bool restModemLines(CommDevice &device)
{
    const bool dtr = device.setLine(LINE_DTR, false);
    const bool rts = device.setLine(LINE_RTS, false);
    return dtr && rts;
}

std::int32_t expandBaud(std::int32_t baud)
{
    // The classic two-digit abbreviations of the mode command.
    switch (baud) {
    case 11:
        return 110;
    case 15:
        return 150;
    case 30:
        return 300;
    case 60:
        return 600;
    case 12:
        return 1200;
    case 24:
        return 2400;
    case 48:
        return 4800;
    case 96:
        return 9600;
    case 19:
        return 19200;
    default:
        return baud;
    }
}

bool applyField(const QString &key, const QString &value, CommState &state)
{
    bool ok = false;
    if (key == u"baud") {
        const int baud = value.toInt(&ok);
        state.BaudRate = expandBaud(baud);
        return ok && baud > 0;
    }
    if (key == u"parity") {
        const QString letters = QStringLiteral("NEOMS");
        if (value.size() != 1 || !letters.contains(value.at(0).toUpper()))
            return false;
        state.Parity = value.at(0).toUpper().toLatin1();
        return true;
    }
    if (key == u"data") {
        const int bits = value.toInt(&ok);
        state.ByteSize = bits;
        return ok && bits >= 5 && bits <= 8;
    }
    if (key == u"stop") {
        if (value == u"1.5") {
            state.StopBits = 15;
            return true;
        }
        state.StopBits = value.toInt(&ok);
        return ok && (state.StopBits == 1 || state.StopBits == 2);
    }
    return false;
}

} // namespace

bool BuildCommState(const QString &mode, CommState &state)
{
    const QString text = mode.trimmed().toLower();
    if (text.isEmpty())
        return false;
    CommState result = state;
    if (text.contains(u'=')) {
        for (const QString &token : text.split(QRegularExpression(QStringLiteral("\\s+")))) {
            const qsizetype eq = token.indexOf(u'=');
            if (eq <= 0 || !applyField(token.left(eq), token.mid(eq + 1), result))
                return false;
        }
    } else {
        static const char *const keys[] = {"baud", "parity", "data", "stop"};
        const QStringList fields = text.split(u',');
        if (fields.size() > 4)
            return false;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (!applyField(QLatin1String(keys[i]), fields[i].trimmed(), result))
                return false;
        }
    }
    state = result;
    return true;
}

PortFactory setPortFactory(PortFactory factory)
{
    PortFactory previous = std::move(portFactory());
    portFactory() = factory ? std::move(factory) : PortFactory(systemPortFactory);
    return previous;
}

QString ResolvePortName(const QString &name)
{
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comName.match(name.trimmed());
#ifdef Q_OS_WIN
    Q_UNUSED(match);
    return name;
#else
    if (!match.hasMatch())
        return name;
    const int number = match.captured(1).toInt();
    const QString mapped = settingsstore::mappedPortPath(number);
    if (!mapped.isEmpty())
        return mapped;
    if (number >= 1 && number <= 8)
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    if (number >= 9 && number <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 9);
    if (number >= 13 && number <= 16)
        return QStringLiteral("/dev/ttyACM%1").arg(number - 13);
    return name;
#endif
}

std::int32_t CommOpen(std::int16_t port, const QString &name, const QString &settings)
{
    CommPort *entry = portEntry(port);
    if (!entry)
        return recordBadPort(QStringLiteral("CommOpen"));
    if (entry->bOpen)
        return COMM_ALREADY_OPEN;
    std::unique_ptr<CommDevice> device = portFactory()(ResolvePortName(name));
    if (!device || !device->open()) {
        const QString context = QStringLiteral("CommOpen (CreateFile)");
        if (device)
            recordDeviceError(context, *device);
        else
            SetCommError(context, COMM_NO_DEVICE);
        return COMM_CANNOT_OPEN;
    }
    entry->hComm = std::move(device);
    entry->bOpen = -1;
    CommDevice &dev = *entry->hComm;
    if (!dev.setupQueues(1024, 1024))
        return recordDeviceError(QStringLiteral("CommOpen (SetupComm)"), dev);
    if (!dev.purge())
        return recordDeviceError(QStringLiteral("CommOpen (PurgeComm)"), dev);
    // Reads never wait (CommRead asks only for what is waiting), so the read
    // and write time-outs of the Windows layer have nothing to set here.
    if (!dev.getState(entry->dcb))
        return recordDeviceError(QStringLiteral("CommOpen (GetCommState)"), dev);
    if (!BuildCommState(settings, entry->dcb))
        return SetCommError(QStringLiteral("CommOpen (BuildCommDCB)"), COMM_INVALID_PARAMETER);
    if (!dev.setState(entry->dcb))
        return recordDeviceError(QStringLiteral("CommOpen (SetCommState)"), dev);
    return COMM_OK;
}

std::int32_t CommSet(std::int16_t port, const QString &settings)
{
    CommPort *entry = portEntry(port);
    if (!entry)
        return recordBadPort(QStringLiteral("CommSet"));
    CommDevice *dev = openDevice(*entry, QStringLiteral("CommSet (GetCommState)"));
    if (!dev)
        return CommLastError.lErrCode;
    if (!dev->getState(entry->dcb))
        return recordDeviceError(QStringLiteral("CommSet (GetCommState)"), *dev);
    if (!BuildCommState(settings, entry->dcb))
        return SetCommError(QStringLiteral("CommSet (BuildCommDCB)"), COMM_INVALID_PARAMETER);
    if (!dev->setState(entry->dcb) || !restModemLines(*dev))
        return recordDeviceError(QStringLiteral("CommSet (SetCommState)"), *dev);
    return COMM_OK;
}

std::int32_t CommClose(std::int16_t port)
{
    CommPort *entry = portEntry(port);
    if (!entry)
        return recordBadPort(QStringLiteral("CommClose"));
    if (!entry->bOpen)
        return COMM_OK;
    if (entry->hComm && !entry->hComm->close())
        return recordDeviceError(QStringLiteral("CommClose (CloseHandle)"), *entry->hComm);
    entry->hComm.reset();
    entry->bOpen = 0;
    return COMM_OK;
}

std::int32_t CommRead(std::int16_t port, std::span<std::uint8_t> data, std::int32_t maxCount)
{
    linkclock::current().processEvents();
    CommPort *entry = portEntry(port);
    if (!entry) {
        recordBadPort(QStringLiteral("CommRead"));
        return -1;
    }
    const QString context = QStringLiteral("CommRead (ClearCommError)");
    CommDevice *dev = openDevice(*entry, context);
    if (!dev)
        return -1;
    std::int64_t waiting = dev->bytesWaiting();
    if (waiting < 0) {
        recordDeviceError(context, *dev);
        return -1;
    }
    waiting = std::min<std::int64_t>(
        {waiting, std::max(maxCount, 0), static_cast<std::int64_t>(data.size())});
    if (waiting == 0)
        return 0;
    return static_cast<std::int32_t>(std::max<std::int64_t>(dev->read(data.first(waiting)), 0));
}

std::int32_t CommWrite(std::int16_t port, std::span<const std::uint8_t> data)
{
    CommPort *entry = portEntry(port);
    if (!entry) {
        recordBadPort(QStringLiteral("CommWrite"));
        return -1;
    }
    // A failed or short write is seen only in the count, as the callers expect.
    if (!entry->bOpen || !entry->hComm || data.empty())
        return 0;
    return static_cast<std::int32_t>(std::max<std::int64_t>(entry->hComm->write(data), 0));
}

std::int32_t CommSetLine(std::int16_t port, std::int16_t line, bool state)
{
    CommPort *entry = portEntry(port);
    if (!entry)
        return recordBadPort(QStringLiteral("CommSetLine"));
    const QString context = QStringLiteral("CommSetLine (EscapeCommFunction)");
    CommDevice *dev = openDevice(*entry, context);
    if (!dev)
        return CommLastError.lErrCode;
    if (line != LINE_BREAK && line != LINE_DTR && line != LINE_RTS)
        return SetCommError(context, COMM_INVALID_PARAMETER);
    if (!dev->setLine(line, state))
        return recordDeviceError(context, *dev);
    return COMM_OK;
}

bool CommOutputDrained(std::int16_t port)
{
    CommPort *entry = portEntry(port);
    if (!entry || !entry->bOpen || !entry->hComm)
        return true;
    return entry->hComm->outputDrained();
}

std::int32_t SetCommError(const QString &context, std::int32_t code, const QString &text)
{
    CommLastError.lErrCode = code;
    CommLastError.sErrContext = context;
    CommLastError.sErrText = text.trimmed().isEmpty() ? GetSystemErrorText(code) : text.trimmed();
    return code;
}

QString GetSystemErrorText(std::int32_t code)
{
    switch (code) {
    case COMM_OK:
        return QStringLiteral("No error.");
    case COMM_BAD_PORT:
        return QStringLiteral("Subscript out of range");
    case COMM_INVALID_PARAMETER:
        return QStringLiteral("The parameter is incorrect.");
    case COMM_NO_DEVICE:
        return QStringLiteral("The device does not exist.");
    case COMM_DEVICE_ERROR + 2:
        return QStringLiteral("Access is denied, or the device is in use.");
    case COMM_DEVICE_ERROR + 3:
        return QStringLiteral("The device is already open.");
    case COMM_DEVICE_ERROR + 7:
        return QStringLiteral("The data could not be written.");
    case COMM_DEVICE_ERROR + 8:
        return QStringLiteral("The data could not be read.");
    case COMM_DEVICE_ERROR + 9:
        return QStringLiteral("The device has gone.");
    case COMM_DEVICE_ERROR + 10:
        return QStringLiteral("The operation is not supported by the device.");
    case COMM_DEVICE_ERROR + 12:
        return QStringLiteral("The operation timed out.");
    case COMM_NOT_OPEN:
        return QStringLiteral("The device is not open.");
    default:
        return QStringLiteral("Error %1.").arg(code);
    }
}

} // namespace mComm
