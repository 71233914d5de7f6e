// tq540ctl show and encode: configuration files without a device.

#include "codec.h"
#include "configfile.h"
#include "configjson.h"
#include "inputfiles.h"
#include "subcommand.h"

namespace tq540ctl {

namespace {

using tqimage::MemoryControls;

QString cellsLine(const QString &label, const auto &cells, int width)
{
    QString line = label.rightJustified(5);
    for (const QString &cell : cells)
        line += QStringLiteral("  ") + cell.leftJustified(width);
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}

void printGrid(const QString &title, const QStringList &headers, const auto &rows)
{
    const int width = 8;
    out() << title << '\n' << cellsLine(QStringLiteral("No."), headers, width) << '\n';
    for (std::size_t r = 0; r < rows.size(); ++r)
        out() << cellsLine(QString::number(r + 1), rows[r], width) << '\n';
}

void printTable(const MemoryControls &controls)
{
    const QStringList &rates = tqimage::baudRates();
    const bool selected = controls.baudIndex >= 0 && controls.baudIndex < rates.size();
    out() << "Baud rate:       " << (selected ? rates[controls.baudIndex] : QString()) << '\n'
          << "Alarm system:    " << (controls.alarmSystem == 1 ? "on" : "off") << '\n'
          << "LED dwell time:  " << controls.timeout << "\n\n";
    printGrid(QStringLiteral("Inputs"), {"type", "alarm", "group", "latch"}, controls.inputs);
    out() << '\n';
    printGrid(QStringLiteral("Outputs"), {"power-on", "alarm"}, controls.outputs);
}

int show(const QStringList &args)
{
    const bool json = args.contains(u"--json");
    QStringList files = args;
    files.removeAll(QStringLiteral("--json"));
    if (files.size() != 1 || files.first().startsWith(u'-'))
        return fail(exitUsage, QStringLiteral("usage: tq540ctl show FILE.ztb [--json]"));
    tqimage::EEPROMImage image{};
    if (const std::int32_t read = configfile::load(files.first(), tqimage::addressView(image));
        read < 0)
        return fail(
            exitFailure,
            readFailure(
                files.first(), read,
                QStringLiteral("cannot read the configuration file '%1'").arg(files.first())));
    MemoryControls controls;
    tqimage::EEPROM_DECODE(controls, image);
    if (json)
        out() << configjson::write(controls);
    else
        printTable(controls);
    out().flush();
    return exitOk;
}

bool parseEncodeArgs(const QStringList &args, QString &input, QString &output)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if ((args[i] == u"-o" || args[i] == u"--output") && i + 1 < args.size() && output.isEmpty())
            output = args[++i];
        else if (!args[i].startsWith(u'-') && input.isEmpty())
            input = args[i];
        else
            return false;
    }
    return !input.isEmpty() && !output.isEmpty();
}

int encode(const QStringList &args)
{
    QString input, output;
    if (!parseEncodeArgs(args, input, output))
        return fail(exitUsage, QStringLiteral("usage: tq540ctl encode FILE.json -o FILE.ztb"));
    QByteArray json;
    if (const std::int32_t read = readWholeFile(input, json); read < 0)
        return fail(exitFailure,
                    readFailure(input, read, QStringLiteral("cannot read '%1'").arg(input)));
    MemoryControls controls;
    QString error;
    if (!configjson::read(json, controls, error))
        return fail(exitUsage, QStringLiteral("%1: %2").arg(input, error));
    tqimage::EEPROMImage image{};
    tqimage::EEPROM_ENCODE(controls, image);
    if (configfile::save(output, tqimage::addressView(image)) < 0)
        return fail(exitFailure,
                    QStringLiteral("cannot write the configuration file '%1'").arg(output));
    return exitOk;
}

[[maybe_unused]] const bool registered =
    addSubcommand({QStringLiteral("show"), QStringLiteral("FILE.ztb [--json]"),
                   QStringLiteral("Show a configuration file as the window would."), show}) &&
    addSubcommand({QStringLiteral("encode"), QStringLiteral("FILE.json -o FILE.ztb"),
                   QStringLiteral("Write a configuration file from the JSON form of 'show'."),
                   encode});

} // namespace

} // namespace tq540ctl
