// tq540ctl diff: two configurations, each a file or a device's, compared in
// the words of the window.

#include "arguments.h"
#include "configdiff.h"
#include "configsource.h"
#include "devicelink.h"
#include "subcommand.h"

#include <memory>

namespace tq540ctl {

namespace {

constexpr int exitDiffer = 1;

int diff(const QStringList &args)
{
    QString a, b;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{}, &a, nullptr, "A"}, {{}, &b, nullptr, "B"}}))
        return usageError(problem);
    loadLanguage();
    auto before = std::make_unique<tqimage::EEPROMImage>();
    auto after = std::make_unique<tqimage::EEPROMImage>();
    // A file that cannot be read is 2 here: 1 means "they differ".
    if (const int status = loadConfiguration(a, *before, exitUsage))
        return status;
    if (const int status = loadConfiguration(b, *after, exitUsage))
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
