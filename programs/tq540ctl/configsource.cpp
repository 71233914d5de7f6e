#include "configsource.h"

#include "configfile.h"
#include "devicelink.h"
#include "inputfiles.h"
#include "m.h"
#include "subcommand.h"

namespace tq540ctl {

namespace {

const QString portPrefix = QStringLiteral("port:");
const QString snSeparator = QStringLiteral(",sn=");

// P and N of port:P,sn=N; N is 1 when not given.
std::optional<std::pair<QString, QString>> deviceOf(const QString &source)
{
    if (!source.startsWith(portPrefix))
        return std::nullopt;
    const QString device = source.mid(portPrefix.size());
    const qsizetype sn = device.lastIndexOf(snSeparator);
    if (sn < 0)
        return std::pair(device, QStringLiteral("1"));
    return std::pair(device.left(sn), device.mid(sn + snSeparator.size()));
}

} // namespace

std::optional<QString> sourcePort(const QString &source)
{
    const auto device = deviceOf(source);
    return device ? std::optional(device->first) : std::nullopt;
}

int loadConfiguration(const QString &source, tqimage::EEPROMImage &image, int fileStatus,
                      m::DeviceSummary *found)
{
    const auto device = deviceOf(source);
    if (!device) {
        if (configfile::load(source, tqimage::addressView(image)) >= 0)
            return exitOk;
        return fail(fileStatus, readProblem(source));
    }
    diagnostic::Problem problem;
    std::optional<DeviceTarget> target = deviceTarget(device->first, device->second, problem);
    if (!target) {
        problem.subject = source;
        return usageError(problem);
    }
    const QString path = target->device;
    const std::int32_t result = runTransfer(std::move(*target), TransferKind::Download, image);
    if (result != m::LINK_DOWNLOAD_DONE)
        return reportFailure(result, path, source);
    if (found)
        *found = m::summarize(m::gLink);
    return exitOk;
}

} // namespace tq540ctl
