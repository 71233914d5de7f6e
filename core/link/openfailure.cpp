#include "openfailure.h"

#include "resdll.h"

#include <QFile>
#include <QSerialPort>

#ifndef Q_OS_WIN
#include <algorithm>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace mComm {

namespace {

// Language library texts of the reasons.
constexpr int textMissing = 1500;
constexpr int textInUse = 1501;
constexpr int textNoPermission = 1502;
constexpr int textJoinGroup = 1503; // %1: the group
constexpr int textNotSerial = 1504;

QString libraryText(int id, const char *fallback)
{
    return textOr(id, QString::fromLatin1(fallback));
}

#ifndef Q_OS_WIN
bool inGroup(gid_t group)
{
    if (::getegid() == group)
        return true;
    std::vector<gid_t> groups(std::max(::getgroups(0, nullptr), 0));
    groups.resize(std::max(::getgroups(int(groups.size()), groups.data()), 0));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// The device's group, when it may read and write the device, this process is
// not in it, and it is not root's group (which nobody should be told to join).
QString groupToJoin(const struct stat &info)
{
    const mode_t readWrite = S_IRGRP | S_IWGRP;
    if (info.st_gid == 0 || (info.st_mode & readWrite) != readWrite || inGroup(info.st_gid))
        return {};
    const struct group *entry = ::getgrgid(info.st_gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(info.st_gid);
}

// The file the serial port driver opens for a port name: a bare name is
// under /dev, as the driver takes it.
QString devicePath(const QString &device)
{
    const bool path = device.startsWith(u'/') || device.startsWith(QStringLiteral("./")) ||
                      device.startsWith(QStringLiteral("../"));
    return path ? device : QStringLiteral("/dev/") + device;
}
#endif

} // namespace

#ifdef Q_OS_WIN
DeviceFile inspectDevice(const QString &)
{
    return {};
}
#else
DeviceFile inspectDevice(const QString &device)
{
    DeviceFile file;
    file.known = true;
    const QByteArray path = QFile::encodeName(devicePath(device));
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) != 0)
        return file;
    file.exists = true;
    file.character = S_ISCHR(info.st_mode);
    file.usable = ::access(path.constData(), R_OK | W_OK) == 0;
    if (!file.usable)
        file.joinGroup = groupToJoin(info);
    return file;
}
#endif

OpenProblem classifyOpenFailure(std::int32_t code, const DeviceFile &file)
{
    const std::int32_t driverError = code - COMM_DEVICE_ERROR;
    if (driverError == QSerialPort::DeviceNotFoundError || (file.known && !file.exists))
        return OpenProblem::Missing;
    if (driverError == QSerialPort::PermissionError)
        return !file.known || file.usable ? OpenProblem::InUse : OpenProblem::NoPermission;
    if (driverError == QSerialPort::UnsupportedOperationError || (file.known && !file.character))
        return OpenProblem::NotSerial;
    return OpenProblem::Other;
}

QString openFailureText(OpenProblem problem, const QString &joinGroup, const QString &systemText)
{
    switch (problem) {
    case OpenProblem::Missing:
        return libraryText(textMissing, "no such device");
    case OpenProblem::InUse:
        return libraryText(textInUse, "in use by another program");
    case OpenProblem::NoPermission:
        if (joinGroup.isEmpty())
            return libraryText(textNoPermission, "no permission");
        return QStringLiteral("%1 (%2)").arg(
            libraryText(textNoPermission, "no permission"),
            libraryText(textJoinGroup, "add yourself to the %1 group, then log in again")
                .arg(joinGroup));
    case OpenProblem::NotSerial:
        return libraryText(textNotSerial, "not a serial port");
    case OpenProblem::Other:
        break;
    }
    return systemText;
}

QString openFailureReason(const QString &device)
{
    const DeviceFile file = inspectDevice(device);
    return openFailureText(classifyOpenFailure(CommLastError.lErrCode, file), file.joinGroup,
                           CommLastError.sErrText);
}

QString openFailureDetail(std::int16_t port)
{
    const QString device = ResolvePortName(QStringLiteral("COM%1").arg(port));
    return device + QStringLiteral(": ") + openFailureReason(device);
}

} // namespace mComm
