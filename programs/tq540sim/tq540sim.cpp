// tq540sim: a simulated TQ540-2 on a pseudo-terminal, for trying the tool and
// its command-line front end without a device.

#include "diagnostic.h"
#include "m.h"
#include "ptyserver.h"
#include "simbus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <memory>
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

// One device on the line.
struct DeviceOptions
{
    sim::DeviceConfig config;
    QString imagePath;
};

struct Options
{
    QString linkPath;
    QString savePath;
    std::vector<DeviceOptions> devices{1}; // the one-device options' device, or each --device
    sim::DeviceFaults faults;              // for every device
    bool echo = false;
};

const char *const kDescription =
    "Simulates TQ540-2 remote I/O modules on a pseudo-terminal: one device, or with\n"
    "--device several on one RS-485 line. PATH becomes a symbolic link to the\n"
    "terminal; open it as a serial port (for the tool, map a COM number to PATH in\n"
    "the port map). A device answers identify, read, write and reset requests\n"
    "addressed to its device ID (512 + ID) or to its serial number with bit 31 set,\n"
    "and only while the terminal is set to its speed with 8 data bits, no parity\n"
    "and one stop bit; replies go out one after the other. The faults apply to\n"
    "every device on the line. SIGTERM or SIGINT ends it: the link is removed and,\n"
    "with --save, the EEPROM is written out.";

const char *const kAfterOptions =
    "\n"
    "Example:\n"
    "  tq540sim --link /tmp/tq540 --serial 5555 --baud 19200 &\n"
    "  tq540ctl test --port /tmp/tq540 --sn 5555\n"
    "  tq540sim --link /tmp/line --device id=3,sn=4242,baud=4800 \\\n"
    "           --device id=7,sn=1234567890,baud=19200 &\n"
    "  tq540ctl scan --port /tmp/line --ids 1-10\n"
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
        {QStringLiteral("device"),
         QStringLiteral("A device on the line, in place of the options above; repeat it for "
                        "several. Keys left out take the defaults above: id (device ID), sn "
                        "(serial number, each device its own), baud (speed until a reset), "
                        "eeprom (kilobytes), image (EEPROM from a configuration file)."),
         QStringLiteral("id=N,sn=N,baud=B[,eeprom=K][,image=FILE]")},
        {QStringLiteral("echo"),
         QStringLiteral("The host hears its own frames, as a two-wire RS-485 adapter without "
                        "echo suppression does.")},
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

// `text` as a whole number within [low, high]; the problem names `subject`
// with `shown` ("--id 300", "--device id=300") when it is not one.
std::optional<qint64> wholeNumber(const QString &text, qint64 low, qint64 high,
                                  const QString &subject, const QString &shown, Problem *problem)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) {
        *problem = diagnostic::badValue(
            subject, shown, QStringLiteral("a whole number from %1 to %2").arg(low).arg(high));
        return std::nullopt;
    }
    return value;
}

// The faults: each option's range and where its value goes.
bool readFaults(const QCommandLineParser &parser, sim::DeviceFaults &f, Problem *problem)
{
    const auto take = [&](const char *name, qint64 low, qint64 high, auto assign) {
        const QString key = QLatin1String(name);
        if (!parser.isSet(key))
            return true;
        const std::optional<qint64> value = wholeNumber(
            parser.value(key), low, high, QStringLiteral("--") + key, parser.value(key), problem);
        if (value)
            assign(*value);
        return value.has_value();
    };
    return take("drop", 0, 1'000'000, [&](qint64 v) { f.dropReplies = int(v); }) &&
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

// What makes a device this device: each value's one-device option and its key
// in --device.
struct IdentityField
{
    const char *option;
    const char *key;
};
constexpr IdentityField identityFields[] = {
    {"serial", "sn"}, {"id", "id"}, {"baud", "baud"}, {"eeprom-kb", "eeprom"}, {"image", "image"}};

// The line speed: one of the speeds the tool searches.
std::optional<std::int32_t> baudValue(const QString &text, const QString &subject,
                                      const QString &shown, Problem *problem)
{
    bool ok = false;
    const std::int32_t baud = text.toInt(&ok);
    const auto &speeds = m::SEARCH_SPEEDS;
    if (!ok || std::find(speeds.begin(), speeds.end(), baud) == speeds.end()) {
        *problem = diagnostic::badValue(
            subject, shown, QStringLiteral("one of 1200, 2400, 4800, 9600, 19200 or 38400"));
        return std::nullopt;
    }
    return baud;
}

// Sets the device's value named by `key` (a --device key) from `text`.
bool setIdentity(const QString &key, const QString &text, const QString &subject,
                 const QString &shown, DeviceOptions &device, Problem *problem)
{
    sim::DeviceConfig &c = device.config;
    std::optional<qint64> value;
    if (key == u"image")
        device.imagePath = text;
    else if (key == u"baud" && (value = baudValue(text, subject, shown, problem)))
        c.baud = std::int32_t(*value);
    else if (key == u"sn" && (value = wholeNumber(text, 1, 0x7FFFFFFF, subject, shown, problem)))
        c.serialNo = std::uint32_t(*value);
    else if (key == u"id" && (value = wholeNumber(text, 0, 255, subject, shown, problem)))
        c.deviceId = std::uint8_t(*value);
    else if (key == u"eeprom" && (value = wholeNumber(text, 1, 64, subject, shown, problem)))
        c.eepromKb = int(*value);
    return key == u"image" || value.has_value();
}

// A --device value: key=value pairs separated by commas.
bool readDeviceValue(const QString &value, DeviceOptions &device, Problem *problem)
{
    const QString option = QStringLiteral("--device");
    for (const QString &pair : value.split(u',')) {
        const QString key = pair.section(u'=', 0, 0);
        const bool known = std::any_of(std::begin(identityFields), std::end(identityFields),
                                       [&](const IdentityField &f) { return key == f.key; });
        if (!known || !pair.contains(u'=')) {
            *problem = diagnostic::badValue(
                option, pair, QStringLiteral("one of id=N, sn=N, baud=B, eeprom=K, image=FILE"));
            return false;
        }
        if (!setIdentity(key, pair.section(u'=', 1), option, pair, device, problem))
            return false;
    }
    return true;
}

// The devices of --device, each with its own serial number.
bool readDevices(const QStringList &values, Options &options, Problem *problem)
{
    options.devices.clear();
    for (const QString &value : values) {
        DeviceOptions device;
        if (!readDeviceValue(value, device, problem))
            return false;
        const std::uint32_t sn = device.config.serialNo;
        if (std::any_of(options.devices.begin(), options.devices.end(),
                        [sn](const DeviceOptions &d) { return d.config.serialNo == sn; })) {
            *problem = diagnostic::givenTwice(QStringLiteral("--device sn=%1").arg(sn));
            return false;
        }
        options.devices.push_back(device);
    }
    return true;
}

// The one device of the one-device options; none of them goes with --device.
bool readOneDevice(const QCommandLineParser &parser, Options &options, Problem *problem)
{
    const bool several = parser.isSet(QStringLiteral("device"));
    for (const char *name : {"serial", "id", "baud", "eeprom-kb", "image", "save"}) {
        const QString option = QLatin1String(name);
        if (!parser.isSet(option))
            continue;
        if (several) {
            *problem =
                diagnostic::notWith(QStringLiteral("--") + option, QStringLiteral("--device"));
            return false;
        }
        const auto field = std::find_if(std::begin(identityFields), std::end(identityFields),
                                        [&](const IdentityField &f) { return option == f.option; });
        if (field != std::end(identityFields) &&
            !setIdentity(QLatin1String(field->key), parser.value(option),
                         QStringLiteral("--") + option, parser.value(option), options.devices[0],
                         problem))
            return false;
    }
    options.savePath = parser.value(QStringLiteral("save"));
    return true;
}

// An option with a value given more than once (the parser would keep the
// last); --device is the one meant to be repeated.
Problem givenTwice(const QCommandLineParser &parser)
{
    for (const QCommandLineOption &option : optionList()) {
        const QString name = option.names().first();
        const bool repeatable = name == QLatin1String("device");
        if (!repeatable && !option.valueName().isEmpty() && parser.values(name).size() > 1)
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
    options.echo = parser.isSet(QStringLiteral("echo"));
    if (!readOneDevice(parser, options, problem) || !readFaults(parser, options.faults, problem))
        return false;
    const QStringList values = parser.values(QStringLiteral("device"));
    return values.isEmpty() || readDevices(values, options, problem);
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
    sim::Bus bus;
    bus.echo = options.echo;
    for (const DeviceOptions &wanted : options.devices) {
        auto device = std::make_shared<sim::Device>(wanted.config);
        device->faults = options.faults;
        if (!wanted.imagePath.isEmpty() && !device->loadImage(wanted.imagePath, &problem))
            return failure(EXIT_USAGE, problem);
        bus.add(std::move(device));
    }

    const sigset_t waitMask = catchStopSignals();
    sim::PtyServer server(bus);
    if (!server.create(options.linkPath, &problem))
        return failure(EXIT_FAILED, problem);
    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("verbose")))
        server.log = [&out](const QString &line) { out << line << Qt::endl; };
    out << options.linkPath << " -> " << server.terminalPath() << Qt::endl;
    server.serve(stopRequested, waitMask);
    server.removeLink();
    if (!options.savePath.isEmpty() &&
        !bus.devices().front()->saveImage(options.savePath, &problem))
        return failure(EXIT_FAILED, problem);
    return 0;
}
