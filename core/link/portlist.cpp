#include "portlist.h"

#include "mcomm.h"
#include "openfailure.h"
#include "settingsstore.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace portlist {

namespace {

std::vector<SystemPort> enumerate()
{
    std::vector<SystemPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SystemPort port;
        port.name = info.portName();
        port.path = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        ports.push_back(port);
    }
    return ports;
}

Source &source()
{
    static Source installed = enumerate;
    return installed;
}

// True when a device name (a path, or a Windows port name) is this port.
bool leadsTo(const QString &device, const SystemPort &port)
{
    if (device == port.path || device.compare(port.name, Qt::CaseInsensitive) == 0)
        return true;
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(port.path).canonicalFilePath();
}

QString comDevice(int comNumber)
{
    return mComm::ResolvePortName(QStringLiteral("COM%1").arg(comNumber));
}

bool listed(const QString &device, const std::vector<SystemPort> &ports)
{
    return std::any_of(ports.begin(), ports.end(),
                       [&](const SystemPort &port) { return leadsTo(device, port); });
}

} // namespace

Source setSource(Source replacement)
{
    Source previous = std::move(source());
    source() = replacement ? std::move(replacement) : Source(enumerate);
    return previous;
}

std::vector<SystemPort> systemPorts()
{
    std::vector<SystemPort> ports = source()();
#ifndef Q_OS_WIN
    for (int com = 1; com <= mComm::PORT_COUNT; ++com) {
        const QString mapped = settingsstore::mappedPortPath(com);
        if (mapped.isEmpty() || !QFileInfo::exists(mapped) || listed(mapped, ports))
            continue;
        SystemPort port;
        port.name = QFileInfo(mapped).fileName();
        port.path = mapped;
        ports.push_back(port);
    }
#endif
    return ports;
}

std::vector<int> comNumbersOf(const SystemPort &port)
{
    std::vector<int> numbers;
    for (int com = 1; com <= mComm::PORT_COUNT; ++com) {
        if (leadsTo(comDevice(com), port))
            numbers.push_back(com);
    }
    return numbers;
}

QString comListEntry(int comNumber, const std::vector<SystemPort> &ports)
{
    const QString device = comDevice(comNumber);
    const auto port = std::find_if(ports.begin(), ports.end(),
                                   [&](const SystemPort &p) { return leadsTo(device, p); });
    QString entry = QString::number(comNumber);
    if (port == ports.end())
        return entry;
    entry += QStringLiteral("  ") + port->name;
    if (!port->description.isEmpty())
        entry += QStringLiteral(" (%1)").arg(port->description);
    return entry;
}

Access checkAccess(const SystemPort &port, QString *detail)
{
    const std::unique_ptr<mComm::CommDevice> device = mComm::systemPortFactory(port.path);
    if (device->open()) {
        device->close();
        return Access::Free;
    }
    const mComm::DeviceFile file = mComm::inspectDevice(port.path);
    const mComm::OpenProblem problem = mComm::classifyOpenFailure(device->errorCode(), file);
    if (problem == mComm::OpenProblem::InUse)
        return Access::Busy;
    if (problem == mComm::OpenProblem::NoPermission)
        return Access::NoPermission;
    if (detail)
        *detail = mComm::openFailureText(problem, file.joinGroup, device->errorText());
    return Access::Failed;
}

} // namespace portlist
