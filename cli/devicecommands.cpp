// tq540ctl test, download and upload: one device transfer each, run on the
// console the way the transfer window runs it.

#include "configfile.h"
#include "eepromimage.h"
#include "inputfiles.h"
#include "m.h"
#include "mcomm.h"
#include "numtext.h"
#include "resdll.h"
#include "simport.h"
#include "subcommand.h"
#include "target.h"
#include "toolbartext.h"
#include "transferconsole.h"
#include "transfertext.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <memory>
#include <optional>

namespace tq540ctl {

namespace {

enum class Transfer { Test, Download, Upload };

constexpr std::int32_t transferStart = tqimage::layout::transferStart;
constexpr std::int32_t transferStop = tqimage::layout::transferStop;

QString text(int id, const QString &fallback = {})
{
    const QString found = gResDll.GetStr(id);
    return found.isEmpty() ? fallback : found;
}

QString outcomeText(std::int32_t result)
{
    return text(transfertext::outcomeBase + result,
                QStringLiteral("device link result %1").arg(result));
}

void loadLanguage()
{
    const QString path = langLibraryPath(QCoreApplication::applicationDirPath());
    gResDll.setFilename(path);
    if (gResDll.hInstance() == 0)
        fail(0, QStringLiteral("cannot load the language library '%1'; messages show result "
                               "codes only")
                    .arg(QDir::toNativeSeparators(path)));
}

struct DeviceArgs
{
    QString port;
    QString sn = QStringLiteral("1"); // the toolbar's field starts with "1"
    QString output;                   // download
    QString input;                    // upload
    bool force = false;               // upload: a file longer than a configuration too
};

// The value after an option, which may itself start with "-" (--sn -1).
bool takeValue(const QStringList &args, qsizetype &i, QString &value, QString &error)
{
    const QString option = args[i];
    if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(option);
        return false;
    }
    if (!value.isNull()) {
        error = QStringLiteral("%1 given twice").arg(option);
        return false;
    }
    value = args[++i];
    return true;
}

bool parseArgs(Transfer kind, const QStringList &args, DeviceArgs &parsed, QString &error)
{
    QString sn;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        bool ok = true;
        if (arg == u"--port")
            ok = takeValue(args, i, parsed.port, error);
        else if (arg == u"--sn")
            ok = takeValue(args, i, sn, error);
        else if (kind == Transfer::Download && (arg == u"-o" || arg == u"--output"))
            ok = takeValue(args, i, parsed.output, error);
        else if (kind == Transfer::Upload && arg == u"--force")
            parsed.force = true;
        else if (arg.startsWith(u'-'))
            error = QStringLiteral("unknown option '%1'").arg(arg), ok = false;
        else if (kind == Transfer::Upload && parsed.input.isNull())
            parsed.input = arg;
        else
            error = QStringLiteral("unexpected argument '%1'").arg(arg), ok = false;
        if (!ok)
            return false;
    }
    if (!sn.isNull())
        parsed.sn = sn;
    if (parsed.port.isEmpty())
        error = QStringLiteral("--port P is required");
    else if (kind == Transfer::Download && parsed.output.isEmpty())
        error = QStringLiteral("-o FILE.ztb is required");
    else if (kind == Transfer::Upload && parsed.input.isEmpty())
        error = QStringLiteral("the configuration file to upload is required");
    return error.isEmpty();
}

struct PortChoice
{
    std::int16_t number = 1;
    mComm::PortFactory factory; // empty: the system's serial ports
};

// A port number (COMn), the in-process simulated device, or a device path,
// which then stands behind port 1 whatever its name resolves to.
std::optional<PortChoice> choosePort(const QString &port, QString &error)
{
    if (port == u"sim")
        return PortChoice{1,
                          sim::portFactory(std::make_shared<sim::Device>(), sim::Route::EveryPort)};
    static const QRegularExpression number(QStringLiteral("^(?:COM)?([0-9]+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = number.match(port);
    if (!match.hasMatch()) {
        return PortChoice{1, [port](const QString &) { return mComm::systemPortFactory(port); }};
    }
    const int n = match.captured(1).toInt();
    if (n < 1 || n > mComm::PORT_COUNT) {
        error = QStringLiteral("the port number must be 1 to %1, not %2")
                    .arg(mComm::PORT_COUNT)
                    .arg(port);
        return std::nullopt;
    }
    return PortChoice{std::int16_t(n), {}};
}

class ScopedPortFactory
{
public:
    explicit ScopedPortFactory(mComm::PortFactory factory)
        : previous(factory ? mComm::setPortFactory(std::move(factory)) : mComm::PortFactory())
    {
    }
    ~ScopedPortFactory()
    {
        if (previous)
            mComm::setPortFactory(std::move(previous));
    }
    ScopedPortFactory(const ScopedPortFactory &) = delete;
    ScopedPortFactory &operator=(const ScopedPortFactory &) = delete;

private:
    mComm::PortFactory previous;
};

std::int32_t download(tqimage::EEPROMImage &image, TransferConsole &console)
{
    console.stage(text(transfertext::reading), true);
    std::vector<std::uint8_t> read;
    std::int32_t start = transferStart, stop = transferStop;
    const std::int32_t result = m::ReadBlocks(m::gLink, read, start, stop);
    if (result != m::LINK_OK)
        return result;
    std::copy(read.begin() + 1, read.end(), image.begin() + start);
    return m::LINK_DOWNLOAD_DONE;
}

std::int32_t upload(const tqimage::EEPROMImage &image, TransferConsole &console)
{
    console.setCancellable(false);
    console.stage(text(transfertext::writing), true);
    const std::int32_t result = m::WriteBlocks(m::gLink, image, transferStart, transferStop);
    if (result != m::LINK_OK)
        return result;
    console.stage(text(transfertext::resetting));
    return m::ResetDevice(m::gLink) == m::LINK_OK ? m::LINK_UPLOAD_DONE : m::LINK_RESET_FAILED;
}

// Open, speed search, then the blocks; the port is closed whatever happens.
std::int32_t runTransfer(Transfer kind, tqimage::EEPROMImage &image)
{
    TransferConsole console;
    std::int32_t result = m::OpenLink(m::gLink);
    if (result == m::LINK_OK) {
        console.stage(text(transfertext::searching));
        result = m::SelectSpeed(m::gLink);
    }
    if (result == m::LINK_OK && kind != Transfer::Test) {
        m::gLink.Total = 0;
        if (transferStop > m::gLink.EEPROMSize)
            result = m::LINK_BEYOND_EEPROM;
        else if (kind == Transfer::Download)
            result = download(image, console);
        else
            result = upload(image, console);
    }
    console.clearLine();
    m::CloseLink(m::gLink);
    return result;
}

void printDeviceInfo()
{
    const m::tLink &link = m::gLink;
    const auto serial = static_cast<std::uint32_t>(link.SerialNo) & ~m::SERIAL_ADDRESS_BIT;
    out() << "Speed:          " << qint64(numtext::leadingNumber(link.Settings)) << " baud\n"
          << "Serial number:  " << serial << '\n'
          << "Device ID:      " << link.DevID << '\n'
          << "EEPROM size:    " << link.EEPROMSize << " bytes\n";
}

// The outcome as the transfer window words it; the exit status.
int report(Transfer kind, std::int32_t result)
{
    const bool ok =
        result == m::LINK_OK || result == m::LINK_DOWNLOAD_DONE || result == m::LINK_UPLOAD_DONE;
    if (!ok)
        return fail(result, outcomeText(result));
    out() << outcomeText(result) << '\n';
    if (kind == Transfer::Test)
        printDeviceInfo();
    out().flush();
    return exitOk;
}

int runDeviceCommand(Transfer kind, const QString &usage, const QStringList &args)
{
    loadLanguage();
    DeviceArgs parsed;
    QString error;
    if (!parseArgs(kind, args, parsed, error))
        return fail(exitUsage, QStringLiteral("%1\nusage: %2").arg(error, usage));
    std::optional<PortChoice> port = choosePort(parsed.port, error);
    if (!port)
        return fail(exitUsage, error);
    const std::optional<std::int32_t> target =
        m::targetAddress(parsed.sn, m::productBaseOf(m::TQ540_PRODUCT_CODE));
    if (!target)
        return fail(exitUsage,
                    text(toolbartext::badTarget, QStringLiteral("bad --sn '%1'").arg(parsed.sn)));
    auto image = std::make_unique<tqimage::EEPROMImage>();
    if (kind == Transfer::Upload) {
        const QString refused =
            loadUploadFile(parsed.input, parsed.force, tqimage::addressView(*image));
        if (!refused.isEmpty())
            return fail(exitFailure, refused);
    }

    m::gLink = m::tLink{};
    m::gLink.TargetID = *target;
    m::gLink.Port = port->number;
    std::int32_t result;
    {
        ScopedPortFactory factory(std::move(port->factory));
        result = runTransfer(kind, *image);
    }
    // A file is written only for a complete download, and replaced atomically.
    if (result == m::LINK_DOWNLOAD_DONE &&
        configfile::save(parsed.output, tqimage::addressView(*image)) < 0)
        return fail(exitFailure,
                    QStringLiteral("%1: %2").arg(parsed.output, text(toolbartext::cantWriteFile)));
    return report(kind, result);
}

const QString commonDetails = QStringLiteral(
    "Options:\n"
    "  --port P   The serial port: a port number 1 to 16 (COM1 to COM16; off Windows\n"
    "             the settings' port map Ports/COMn names its device, else COM1-8 are\n"
    "             /dev/ttyS0-7, COM9-12 /dev/ttyUSB0-3, COM13-16 /dev/ttyACM0-3), a device\n"
    "             path such as /dev/ttyUSB0, or 'sim': a simulated TQ540-2 inside tq540ctl\n"
    "             (serial number 1000001, device ID 1, 9600 baud, 1 KiB EEPROM).\n"
    "  --sn N     The device's serial number or device ID, as in the toolbar's field\n"
    "             (default 1). Below 256 it is a device ID, above a serial number;\n"
    "             fractions round to the nearest whole number, halves to even. Negative\n"
    "             numbers and numbers above 2147483647 are refused.\n"
    "\n"
    "The device's speed is searched among 9600, 4800, 19200, 2400, 1200 and 38400\n"
    "baud, twice over: without an answer that takes about 21 seconds. Ctrl+C cancels\n"
    "the search or a download (exit status 4); writing the device and its reset\n"
    "cannot be interrupted. On a terminal, the stage and a percentage are shown on\n"
    "the error stream.\n"
    "\n"
    "Exit status: 0 success; 1 the configuration file could not be read or written;\n"
    "2 bad arguments; otherwise the device link's result: 3 no answer, 4 cancelled,\n"
    "6 a reply did not match its request, 9 write error, 10 beyond the device's\n"
    "EEPROM, 12 the device could not be reset, 25 the port could not be opened.");

Subcommand deviceCommand(Transfer kind, const QString &name, const QString &arguments,
                         const QString &summary, const QString &about)
{
    const QString usage = QStringLiteral("tq540ctl %1 %2").arg(name, arguments);
    return {name, arguments, summary,
            [kind, usage](const QStringList &args) { return runDeviceCommand(kind, usage, args); },
            about + QStringLiteral("\n\n") + commonDetails};
}

[[maybe_unused]] const bool registered =
    addSubcommand(deviceCommand(
        Transfer::Test, QStringLiteral("test"), QStringLiteral("--port P [--sn N]"),
        QStringLiteral("Find and identify a device."),
        QStringLiteral("Finds the device's speed and prints it with the device's serial\n"
                       "number, device ID and EEPROM size (in bytes)."))) &&
    addSubcommand(deviceCommand(
        Transfer::Download, QStringLiteral("download"),
        QStringLiteral("--port P [--sn N] -o FILE.ztb"),
        QStringLiteral("Read a device's configuration into a file."),
        QStringLiteral("Reads EEPROM addresses 32 to 119 (image positions 33 to 120) and\n"
                       "writes them as a configuration file, all other bytes zero. The file\n"
                       "is written only when the whole range was read; an existing file is\n"
                       "replaced at once or not at all."))) &&
    addSubcommand(deviceCommand(
        Transfer::Upload, QStringLiteral("upload"),
        QStringLiteral("--port P [--sn N] [--force] FILE.ztb"),
        QStringLiteral("Write a configuration file into a device and reset it."),
        QStringLiteral("Writes EEPROM addresses 32 to 119 (image positions 33 to 120) from\n"
                       "the file, then resets the device. Nothing is sent (exit status 1)\n"
                       "when the file cannot be read, is not a regular file, or is longer\n"
                       "than the 120 bytes of a configuration; --force sends the bytes 32\n"
                       "to 119 of such a long file all the same.")));

} // namespace

} // namespace tq540ctl
