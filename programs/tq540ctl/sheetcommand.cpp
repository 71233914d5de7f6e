// tq540ctl sheet: a configuration, from a file or a device, as a printable
// one-page sheet in HTML.

#include "apifilefunction.h"
#include "arguments.h"
#include "configsource.h"
#include "devicelink.h"
#include "inputfiles.h"
#include "sheet.h"
#include "subcommand.h"

#include <QDate>
#include <memory>

namespace tq540ctl {

namespace {

int writeSheet(const QString &path, const QString &html)
{
    const QByteArray bytes = html.toUtf8();
    if (API_FileFunction::FileWriteAll(
            path, std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                            std::size_t(bytes.size()))) < 0)
        return fail(exitFailure, writeProblem(path, QStringLiteral("sheet")));
    return exitOk;
}

int sheetCommand(const QStringList &args)
{
    QString source, output;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{}, &source, nullptr, "FILE.ztb|port:P"},
                                 {{"-o", "--output"}, &output, nullptr, "-o SHEET.html"}}))
        return usageError(problem);
    loadLanguage();
    auto image = std::make_unique<tqimage::EEPROMImage>();
    m::DeviceSummary found;
    if (const int status = loadConfiguration(source, *image, exitFailure, &found))
        return status;
    sheet::Source from{{}, {}, QDate::currentDate().toString(Qt::ISODate)};
    if (const std::optional<QString> port = sourcePort(source))
        from.device =
            sheet::Device{*port, found.serialNumber, found.deviceId, found.deviceText, found.baud};
    else
        from.file = source;
    return writeSheet(output, sheet::html(*image, from));
}

[[maybe_unused]] const bool registered = addSubcommand(
    {QStringLiteral("sheet"), QStringLiteral("FILE.ztb|port:P[,sn=N] -o SHEET.html"),
     QStringLiteral("Write a configuration as a printable sheet."), withTrace(sheetCommand),
     QStringLiteral(
         "Writes one A4 page in HTML: the three settings and both grids with the texts the\n"
         "window shows, the file or the device the configuration came from, today's date,\n"
         "and the bytes of EEPROM addresses 32 to 119 the window does not show, if any.\n"
         "The source is a configuration file, or a device as port:P or port:P,sn=N with P\n"
         "and N as --port and --sn of 'download' (its configuration is downloaded first).\n"
         "A web browser or the window prints the sheet, or saves it as PDF."),
     QStringLiteral("  -o, --output SHEET.html\n"
                    "                The sheet to write (required; replaced).\n") +
         traceOptionHelp(),
     QStringLiteral(
         "Exit status: 0 the sheet was written; 1 the file could not be read or the\n"
         "sheet not written; 2 bad arguments; otherwise the device link's result as\n"
         "for 'download' (3 no answer, 4 cancelled with Ctrl+C, 25 port not opened...)."),
     QStringLiteral("  tq540ctl sheet site-a/io-north.ztb -o io-north.html\n"
                    "  tq540ctl sheet port:/dev/ttyUSB0,sn=4242 -o 4242.html")});

} // namespace

} // namespace tq540ctl
