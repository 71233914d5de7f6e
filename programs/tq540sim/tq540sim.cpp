// tq540sim: a simulated TQ540-2 on a pseudo-terminal, for trying the tool and
// its command-line front end without a device.

#include "diagnostic.h"
#include "m.h"
#include "ptyserver.h"
#include "simdevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <optional>

namespace {

using diagnostic::Problem;

constexpr int EXIT_FAILED = 1; // the terminal, its link or the saved image failed
constexpr int EXIT_USAGE = 2;  // bad arguments, or the image to load

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

struct Options
{
    QString linkPath;
    QString imagePath;
    QString savePath;
    sim::DeviceConfig config;
    sim::DeviceFaults faults;
};

const char *const kDescription =
    "Simulates a TQ540-2 remote I/O module on a pseudo-terminal. PATH becomes a\n"
    "symbolic link to the terminal; open it as a serial port (for the tool, map a\n"
    "COM number to PATH in the port map). The device answers identify, read,\n"
    "write and reset requests addressed to its device ID (512 + ID) or to its\n"
    "serial number with bit 31 set, and only while the terminal is set to its\n"
    "speed with 8 data bits, no parity and one stop bit. SIGTERM or SIGINT ends\n"
    "it: the link is removed and, with --save, the EEPROM is written out.";

const char *const kAfterOptions =
    "\n"
    "Example:\n"
    "  tq540sim --link /tmp/tq540 --serial 5555 --baud 19200 &\n"
    "  tq540ctl test --port /tmp/tq540 --sn 5555\n"
    "\n"
    "Exit status: 0 stopped by SIGTERM or SIGINT; 1 the pseudo-terminal or its link\n"
    "could not be made, or --save could not write its file; 2 bad arguments, or the\n"
    "--image file could not be loaded.\n";

QList<QCommandLineOption> optionList()
{
    return {
        {QStringLiteral("link"),
         QStringLiteral("Symbolic link to create (required). A link there whose terminal is "
                        "gone is replaced; one to anything that exists is left alone."),
         QStringLiteral("PATH")},
        {QStringLiteral("serial"),
         QStringLiteral("Serial number, 1 to 2147483647 (default 1000001)."), QStringLiteral("N")},
        {QStringLiteral("id"), QStringLiteral("Device ID, 0 to 255 (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("baud"),
         QStringLiteral("Line speed: 1200, 2400, 4800, 9600, 19200 or 38400 (default 9600), "
                        "until a reset: then the speed stored at EEPROM address 32."),
         QStringLiteral("B")},
        {QStringLiteral("eeprom-kb"),
         QStringLiteral("EEPROM size in kilobytes, 1 to 64 (default 1)."), QStringLiteral("K")},
        {QStringLiteral("image"),
         QStringLiteral("Load the EEPROM from a configuration file (raw bytes from address 0)."),
         QStringLiteral("FILE.ztb")},
        {QStringLiteral("save"),
         QStringLiteral("On exit, write the EEPROM to this configuration file."),
         QStringLiteral("FILE.ztb")},
        {QStringLiteral("drop"), QStringLiteral("Fault: send no reply to the next N requests."),
         QStringLiteral("N")},
        {QStringLiteral("bad-checksum"),
         QStringLiteral("Fault: the next N replies carry a wrong checksum."), QStringLiteral("N")},
        {QStringLiteral("wrong-seq"),
         QStringLiteral("Fault: the next N replies carry the previous sequence number."),
         QStringLiteral("N")},
        {QStringLiteral("short-info"),
         QStringLiteral("Fault: cut the information block to LEN bytes."), QStringLiteral("LEN")},
        {QStringLiteral("write-error"), QStringLiteral("Fault: a write block covering ADDR fails."),
         QStringLiteral("ADDR")},
        {QStringLiteral("lose-write"),
         QStringLiteral("Fault: a write to ADDR is confirmed but the byte is not kept."),
         QStringLiteral("ADDR")},
        {QStringLiteral("no-echo"),
         QStringLiteral("Fault: the next N read replies echo a count one short."),
         QStringLiteral("N")},
        {QStringLiteral("delay"), QStringLiteral("Fault: start every reply MS milliseconds late."),
         QStringLiteral("MS")},
        {QStringLiteral("noise"),
         QStringLiteral(
             "Fault: line noise (random bytes, broken frames) before the next N replies."),
         QStringLiteral("N")},
        {QStringLiteral("garbage-inside"),
         QStringLiteral("Fault: random bytes inside the next N replies."), QStringLiteral("N")},
        {QStringLiteral("flip-bit"),
         QStringLiteral("Fault: one data bit flipped in each of the next N replies."),
         QStringLiteral("N")},
        {QStringLiteral("verbose"),
         QStringLiteral("Print a line for every chunk of bytes read and every reply sent.")},
        {QStringLiteral("vanish-after"),
         QStringLiteral("Fault: the port disappears after N frames."), QStringLiteral("N")},
    };
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(optionList());
}

// Whether the argument names an option that takes a value.
bool takesValue(const QString &argument)
{
    QString name = argument;
    while (name.startsWith(u'-'))
        name.remove(0, 1);
    const QList<QCommandLineOption> options = optionList();
    return std::any_of(options.begin(), options.end(), [&](const QCommandLineOption &option) {
        return option.names().contains(name.section(u'=', 0, 0)) && !option.valueName().isEmpty();
    });
}

// The option's value as a whole number within [low, high], or the problem.
std::optional<qint64> number(const QCommandLineParser &parser, const QString &name, qint64 low,
                             qint64 high, Problem *problem)
{
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < low || value > high) {
        *problem =
            diagnostic::badValue(QStringLiteral("--") + name, parser.value(name),
                                 QStringLiteral("a whole number from %1 to %2").arg(low).arg(high));
        return std::nullopt;
    }
    return value;
}

// Each numeric option: its range and where its value goes.
bool readNumbers(const QCommandLineParser &parser, Options &options, Problem *problem)
{
    const auto take = [&](const char *name, qint64 low, qint64 high, auto assign) {
        const QString key = QLatin1String(name);
        if (!parser.isSet(key))
            return true;
        const std::optional<qint64> value = number(parser, key, low, high, problem);
        if (value)
            assign(*value);
        return value.has_value();
    };
    sim::DeviceConfig &c = options.config;
    sim::DeviceFaults &f = options.faults;
    return take("serial", 1, 0x7FFFFFFF, [&](qint64 v) { c.serialNo = std::uint32_t(v); }) &&
           take("id", 0, 255, [&](qint64 v) { c.deviceId = std::uint8_t(v); }) &&
           take("eeprom-kb", 1, 64, [&](qint64 v) { c.eepromKb = int(v); }) &&
           take("drop", 0, 1'000'000, [&](qint64 v) { f.dropReplies = int(v); }) &&
           take("bad-checksum", 0, 1'000'000, [&](qint64 v) { f.corruptChecksums = int(v); }) &&
           take("wrong-seq", 0, 1'000'000, [&](qint64 v) { f.wrongSequences = int(v); }) &&
           take("short-info", 0, 40, [&](qint64 v) { f.shortInfoLength = int(v); }) &&
           take("write-error", 0, 65535, [&](qint64 v) { f.writeErrorAddress = int(v); }) &&
           take("lose-write", 0, 65535, [&](qint64 v) { f.lostWriteAddress = int(v); }) &&
           take("no-echo", 0, 1'000'000, [&](qint64 v) { f.noEchoReads = int(v); }) &&
           take("delay", 0, 60'000, [&](qint64 v) { f.replyDelayMs = int(v); }) &&
           take("vanish-after", 0, 1'000'000, [&](qint64 v) { f.vanishAfterFrames = int(v); }) &&
           take("noise", 0, 1'000'000, [&](qint64 v) { f.noiseBefore = int(v); }) &&
           take("garbage-inside", 0, 1'000'000, [&](qint64 v) { f.garbageInside = int(v); }) &&
           take("flip-bit", 0, 1'000'000, [&](qint64 v) { f.flippedBits = int(v); });
}

// The line speed: one of the speeds the tool searches.
bool readBaud(const QCommandLineParser &parser, sim::DeviceConfig &config, Problem *problem)
{
    const QString name = QStringLiteral("baud");
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const std::int32_t baud = parser.value(name).toInt(&ok);
    const auto &speeds = m::SEARCH_SPEEDS;
    if (!ok || std::find(speeds.begin(), speeds.end(), baud) == speeds.end()) {
        *problem =
            diagnostic::badValue(QStringLiteral("--baud"), parser.value(name),
                                 QStringLiteral("one of 1200, 2400, 4800, 9600, 19200 or 38400"));
        return false;
    }
    config.baud = baud;
    return true;
}

// An option with a value given more than once (the parser would keep the last).
Problem givenTwice(const QCommandLineParser &parser)
{
    for (const QCommandLineOption &option : optionList()) {
        const QString name = option.names().first();
        if (!option.valueName().isEmpty() && parser.values(name).size() > 1)
            return diagnostic::givenTwice(QStringLiteral("--") + name);
    }
    return {};
}

bool readOptions(const QCommandLineParser &parser, Options &options, Problem *problem)
{
    if (!parser.positionalArguments().isEmpty()) {
        *problem = diagnostic::unexpectedArgument(parser.positionalArguments().first());
        return false;
    }
    if ((*problem = givenTwice(parser)))
        return false;
    options.linkPath = parser.value(QStringLiteral("link"));
    if (options.linkPath.isEmpty()) {
        *problem = diagnostic::required(QStringLiteral("--link PATH"));
        return false;
    }
    options.imagePath = parser.value(QStringLiteral("image"));
    options.savePath = parser.value(QStringLiteral("save"));
    if (!readNumbers(parser, options, problem))
        return false;
    return readBaud(parser, options.config, problem);
}

// What the parser refused, in the programs' wording: an unknown option, an
// option that takes a value given last without one, or a flag given a value.
Problem parseProblem(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return diagnostic::unknownOption((unknown.first().size() == 1 ? "-" : "--") +
                                         unknown.first());
    // An option that takes a value takes the next argument whatever it is.
    const QString last = arguments.size() > 1 ? arguments.last() : QString();
    if (last.startsWith(u'-') && !last.contains(u'=') && takesValue(last))
        return diagnostic::missingValue(last);
    for (const QString &argument : arguments.mid(1)) {
        if (argument.startsWith(u'-') && argument.contains(u'=') && !takesValue(argument))
            return diagnostic::takesNoValue(argument.section(u'=', 0, 0));
    }
    return {{}, parser.errorText(), {}};
}

// SIGTERM and SIGINT request a stop. They stay blocked except while the
// server waits, so a stop cannot slip in between its check and its wait; the
// mask to wait with is returned.
sigset_t catchStopSignals()
{
    sigset_t stopSignals, waitMask;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    return waitMask;
}

int usageError(const Problem &problem)
{
    diagnostic::writeUsage(problem);
    return EXIT_USAGE;
}

int failure(int status, const Problem &problem)
{
    diagnostic::write(problem);
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq540sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TQ_VERSION));
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(app.arguments()))
        return usageError(parseProblem(parser, app.arguments()));
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText() << kAfterOptions;
        return 0;
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    Options options;
    Problem problem;
    if (!readOptions(parser, options, &problem))
        return usageError(problem);
    sim::Device device(options.config);
    device.faults = options.faults;
    if (!options.imagePath.isEmpty() && !device.loadImage(options.imagePath, &problem))
        return failure(EXIT_USAGE, problem);

    const sigset_t waitMask = catchStopSignals();
    sim::PtyServer server(device);
    if (!server.create(options.linkPath, &problem))
        return failure(EXIT_FAILED, problem);
    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("verbose")))
        server.log = [&out](const QString &line) { out << line << Qt::endl; };
    out << options.linkPath << " -> " << server.terminalPath() << Qt::endl;
    server.serve(stopRequested, waitMask);
    server.removeLink();
    if (!options.savePath.isEmpty() && !device.saveImage(options.savePath, &problem))
        return failure(EXIT_FAILED, problem);
    return 0;
}
