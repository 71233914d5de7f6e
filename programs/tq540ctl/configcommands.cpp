// tq540ctl show and encode: configuration files without a device.

#include "arguments.h"
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
    bool json = false;
    QString file;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{"--json"}, nullptr, &json}, {{}, &file, nullptr, "FILE.ztb"}}))
        return usageError(problem);
    tqimage::EEPROMImage image{};
    if (configfile::load(file, tqimage::addressView(image)) < 0)
        return fail(exitFailure, readProblem(file));
    MemoryControls controls;
    tqimage::EEPROM_DECODE(controls, image);
    if (json)
        out() << configjson::write(controls);
    else
        printTable(controls);
    out().flush();
    return exitOk;
}

int encode(const QStringList &args)
{
    QString input, output;
    if (const diagnostic::Problem problem =
            readArguments(args, {{{"-o", "--output"}, &output, nullptr, "-o FILE.ztb"},
                                 {{}, &input, nullptr, "FILE.json"}}))
        return usageError(problem);
    QByteArray json;
    if (readWholeFile(input, json) < 0)
        return fail(exitFailure, readProblem(input, QStringLiteral("JSON file")));
    MemoryControls controls;
    QString error;
    if (!configjson::read(json, controls, error))
        return fail(exitUsage, {input, QStringLiteral("not a configuration"), error});
    tqimage::EEPROMImage image{};
    tqimage::EEPROM_ENCODE(controls, image);
    if (configfile::save(output, tqimage::addressView(image)) < 0)
        return fail(exitFailure, writeProblem(output));
    return exitOk;
}

[[maybe_unused]] const bool registered =
    addSubcommand({QStringLiteral("show"), QStringLiteral("FILE.ztb [--json]"),
                   QStringLiteral("Show a configuration file as the window would."), show,
                   QStringLiteral("Prints the baud rate, the alarm system and the LED dwell\n"
                                  "time, then the grids of the 24 inputs and the 24 outputs."),
                   QStringLiteral("  --json        Print the configuration's JSON form instead:\n"
                                  "                one object with the keys baud, alarm, dwell,\n"
                                  "                inputs (24 rows of 4 cells: type, alarm,\n"
                                  "                group, latch) and outputs (24 rows of 2\n"
                                  "                cells: power-on, alarm).\n"),
                   QStringLiteral("Exit status: 0, 1 the file cannot be read, 2 bad arguments."),
                   QStringLiteral("  tq540ctl show site-a.ztb --json > site-a.json")}) &&
    addSubcommand({QStringLiteral("encode"), QStringLiteral("FILE.json -o FILE.ztb"),
                   QStringLiteral("Write a configuration file from the JSON form of 'show'."),
                   encode,
                   QStringLiteral("Reads the JSON form that 'show --json' prints, checks every\n"
                                  "key and cell, and writes the configuration file. An existing\n"
                                  "file is replaced at once or not at all."),
                   QStringLiteral("  -o, --output FILE.ztb\n"
                                  "                The configuration file to write (required).\n"),
                   QStringLiteral("Exit status: 0; 1 a file cannot be read or written; 2 bad\n"
                                  "arguments, or the JSON is not a configuration (the message\n"
                                  "names the key or cell and what it expects)."),
                   QStringLiteral("  tq540ctl encode site-a.json -o site-a.ztb")});

} // namespace

} // namespace tq540ctl
