// tq540ctl diff: two configurations, each a file or a device's, compared in
// the words of the window.

#include "arguments.h"
#include "configdiff.h"
#include "configfile.h"
#include "devicelink.h"
#include "inputfiles.h"
#include "m.h"
#include "subcommand.h"

#include <memory>

namespace tq540ctl {

namespace {

constexpr int exitDiffer = 1;

const QString portPrefix = QStringLiteral("port:");

// The configuration `source` names into `image`: 0, or the exit status of the
// failure, already reported.
int load(const QString &source, tqimage::EEPROMImage &image)
{
    if (!source.startsWith(portPrefix)) {
        if (configfile::load(source, tqimage::addressView(image)) >= 0)
            return exitOk;
        // Status 1 means "they differ" here.
        return fail(exitUsage, readProblem(source));
    }
    const QString device = source.mid(portPrefix.size());
    const qsizetype sn = device.lastIndexOf(QStringLiteral(",sn="));
    diagnostic::Problem problem;
    std::optional<DeviceTarget> target =
        deviceTarget(sn < 0 ? device : device.left(sn),
                     sn < 0 ? QStringLiteral("1") : device.mid(sn + 4), problem);
    if (!target) {
        problem.subject = source;
        return usageError(problem);
    }
    const QString path = target->device;
    const std::int32_t result = runTransfer(std::move(*target), TransferKind::Download, image);
    if (result != m::LINK_DOWNLOAD_DONE)
        return reportFailure(result, path, source);
    return exitOk;
}

int diff(const QStringList &args)
{
    QString a, b;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{}, &a, nullptr, "A"}, {{}, &b, nullptr, "B"}}))
        return usageError(problem);
    loadLanguage();
    auto before = std::make_unique<tqimage::EEPROMImage>();
    auto after = std::make_unique<tqimage::EEPROMImage>();
    if (const int status = load(a, *before))
        return status;
    if (const int status = load(b, *after))
        return status;
    const QStringList lines = configdiff::differences(*before, *after, configdiff::windowLabels());
    for (const QString &line : lines)
        out() << line << '\n';
    out().flush();
    return lines.isEmpty() ? exitOk : exitDiffer;
}

[[maybe_unused]] const bool registered = addSubcommand(
    {QStringLiteral("diff"), QStringLiteral("A B"),
     QStringLiteral("Compare two configurations, files or devices, setting by setting."),
     withTrace(diff),
     QStringLiteral(
         "A and B are configuration files (.ztb) or devices: port:P or port:P,sn=N with P\n"
         "and N as --port and --sn of 'download' (a device's configuration is downloaded\n"
         "first). Prints one line for each setting or cell that differs from A to B, named\n"
         "as the window names it:\n"
         "\n"
         "  LED dwell time: 30 -> 15\n"
         "  Input 5, Group: 3 -> 4\n"
         "  Output 2, Alarm: off -> on"),
     traceOptionHelp(),
     QStringLiteral(
         "Only the bytes a transfer moves are compared (EEPROM addresses 32 to 119). A byte\n"
         "whose difference the window does not show (an unused byte or bit) is named by its\n"
         "address: 'EEPROM address 36: 0x00 -> 0x05'. --trace covers a device's download.\n"
         "\n"
         "Exit status: 0 the configurations are equal; 1 they differ; 2 bad arguments or a\n"
         "file that cannot be read; otherwise the device link's result as for 'download'\n"
         "(3 no answer, 4 cancelled with Ctrl+C, 25 port not opened...)."),
     QStringLiteral("  tq540ctl diff port:/dev/ttyUSB0,sn=5555 site-a.ztb")});

} // namespace

} // namespace tq540ctl
