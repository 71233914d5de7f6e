// tq540sim: a simulated TQ540-2 on a pseudo-terminal, for trying the tool and
// its command-line front end without a device.

#include "m.h"
#include "ptyserver.h"
#include "simdevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <optional>

namespace {

constexpr int EXIT_USAGE = 2;

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

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addOptions({
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
    });
}

// The option's value as a whole number within [low, high], or an error text.
std::optional<qint64> number(const QCommandLineParser &parser, const QString &name, qint64 low,
                             qint64 high, QString *error)
{
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < low || value > high) {
        *error = QStringLiteral("--%1 must be a whole number from %2 to %3, not \"%4\"")
                     .arg(name)
                     .arg(low)
                     .arg(high)
                     .arg(parser.value(name));
        return std::nullopt;
    }
    return value;
}

// Each numeric option: its range and where its value goes.
bool readNumbers(const QCommandLineParser &parser, Options &options, QString *error)
{
    const auto take = [&](const char *name, qint64 low, qint64 high, auto assign) {
        const QString key = QLatin1String(name);
        if (!parser.isSet(key))
            return true;
        const std::optional<qint64> value = number(parser, key, low, high, error);
        if (value)
            assign(*value);
        return value.has_value();
    };
    sim::DeviceConfig &c = options.config;
    sim::DeviceFaults &f = options.faults;
    return take("serial", 1, 0x7FFFFFFF, [&](qint64 v) { c.serialNo = std::uint32_t(v); }) &&
           take("id", 0, 255, [&](qint64 v) { c.deviceId = std::uint8_t(v); }) &&
           take("baud", 1200, 38400, [&](qint64 v) { c.baud = std::int32_t(v); }) &&
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

bool readOptions(const QCommandLineParser &parser, Options &options, QString *error)
{
    if (!parser.positionalArguments().isEmpty()) {
        *error =
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return false;
    }
    options.linkPath = parser.value(QStringLiteral("link"));
    if (options.linkPath.isEmpty()) {
        *error = QStringLiteral("--link PATH is required");
        return false;
    }
    options.imagePath = parser.value(QStringLiteral("image"));
    options.savePath = parser.value(QStringLiteral("save"));
    if (!readNumbers(parser, options, error))
        return false;
    // The device runs at the speeds the tool searches.
    const auto &speeds = m::SEARCH_SPEEDS;
    if (std::find(speeds.begin(), speeds.end(), options.config.baud) == speeds.end()) {
        *error = QStringLiteral("--baud must be 1200, 2400, 4800, 9600, 19200 or 38400");
        return false;
    }
    return true;
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

int usageError(const QString &message)
{
    QTextStream(stderr) << "tq540sim: " << message << "\nTry 'tq540sim --help'.\n";
    return EXIT_USAGE;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq540sim"));
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    Options options;
    QString error;
    if (!readOptions(parser, options, &error))
        return usageError(error);
    sim::Device device(options.config);
    device.faults = options.faults;
    if (!options.imagePath.isEmpty() && !device.loadImage(options.imagePath, &error))
        return usageError(error);

    const sigset_t waitMask = catchStopSignals();
    sim::PtyServer server(device);
    if (!server.create(options.linkPath, &error)) {
        QTextStream(stderr) << "tq540sim: " << error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("verbose")))
        server.log = [&out](const QString &line) { out << line << Qt::endl; };
    out << options.linkPath << " -> " << server.terminalPath() << Qt::endl;
    server.serve(stopRequested, waitMask);
    server.removeLink();
    if (!options.savePath.isEmpty() && !device.saveImage(options.savePath, &error)) {
        QTextStream(stderr) << "tq540sim: " << error << '\n';
        return 1;
    }
    return 0;
}
