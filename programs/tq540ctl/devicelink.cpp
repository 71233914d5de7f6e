#include "devicelink.h"

#include "arguments.h"
#include "linktrace.h"
#include "m.h"
#include "openfailure.h"
#include "resdll.h"
#include "simport.h"
#include "subcommand.h"
#include "target.h"
#include "transferconsole.h"
#include "transfertext.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <memory>

namespace tq540ctl {

void loadLanguage()
{
    const QString path = langLibraryPath(QCoreApplication::applicationDirPath());
    gResDll.setFilename(path);
    if (gResDll.hInstance() == 0)
        fail(0, diagnostic::languageLibraryNotLoaded(path));
}

QString text(int id, const QString &fallback)
{
    return textOr(id, fallback);
}

QString outcomeText(std::int32_t result)
{
    return transfertext::outcomeText(result);
}

namespace {

// A port number (COMn), the in-process simulated device, or a device path,
// which then stands behind port 1 whatever its name resolves to.
std::optional<DeviceTarget> choosePort(const QString &port, diagnostic::Problem &problem)
{
    if (port == u"sim")
        return DeviceTarget{
            1, sim::portFactory(std::make_shared<sim::Device>(), sim::Route::EveryPort), port};
    static const QRegularExpression number(QStringLiteral("^(?:COM)?([0-9]+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = number.match(port);
    if (!match.hasMatch())
        return DeviceTarget{1, [port](const QString &) { return mComm::systemPortFactory(port); },
                            port};
    const int n = match.captured(1).toInt();
    if (n < 1 || n > mComm::PORT_COUNT) {
        problem = diagnostic::badValue(
            QStringLiteral("--port"), port,
            QStringLiteral("a port number from 1 to %1").arg(mComm::PORT_COUNT));
        return std::nullopt;
    }
    const QString com = QStringLiteral("COM%1").arg(n);
    return DeviceTarget{std::int16_t(n), {}, mComm::ResolvePortName(com)};
}

} // namespace

std::optional<DeviceTarget> devicePort(const QString &port, diagnostic::Problem &problem)
{
    return choosePort(port, problem);
}

std::optional<DeviceTarget> deviceTarget(const QString &port, const QString &sn,
                                         diagnostic::Problem &problem)
{
    std::optional<DeviceTarget> target = choosePort(port, problem);
    if (!target)
        return std::nullopt;
    const std::optional<std::int32_t> address = m::writtenAddress(sn);
    if (!address) {
        problem = diagnostic::badValue(QStringLiteral("--sn"), sn,
                                       QStringLiteral("a serial number or device ID (a number "
                                                      "from 0 to 2147483647)"));
        return std::nullopt;
    }
    target->address = *address;
    return target;
}

std::int32_t withDevice(DeviceTarget target, const std::function<std::int32_t()> &work)
{
    m::gLink = m::tLink{};
    m::gLink.TargetID = target.address;
    m::gLink.Port = target.port;
    mComm::CommLastError = {};
    std::optional<mComm::ScopedPortFactory> factory;
    if (target.factory)
        factory.emplace(std::move(target.factory));
    return work();
}

std::int32_t runTransfer(DeviceTarget target, TransferKind kind, tqimage::EEPROMImage &image,
                         TransferOptions options, std::optional<VerifyMismatch> *mismatch)
{
    return withDevice(std::move(target), [&] {
        TransferConsole console;
        TransferDriver driver(m::gLink, image, console, options);
        const std::int32_t result =
            driver.run(kind, tqimage::layout::transferStart, tqimage::layout::transferStop);
        if (mismatch)
            *mismatch = driver.mismatch();
        return result;
    });
}

QString mismatchText(const VerifyMismatch &mismatch)
{
    return outcomeText(m::LINK_VERIFY_FAILED) + u' ' + transfertext::mismatchText(mismatch);
}

int reportFailure(std::int32_t result, const QString &device, const QString &source)
{
    fail(result, {source, outcomeText(result), {}});
    if (result == m::LINK_PORT_FAILED && mComm::CommLastError.lErrCode != mComm::COMM_OK)
        fail(result,
             {device, QStringLiteral("cannot open the port"), mComm::openFailureReason(device)});
    return result;
}

QString portOptionHelp()
{
    return QStringLiteral(
        "  --port P      The serial port (required): a port number 1 to 16 (COM1 to COM16;\n"
        "                off Windows the settings' port map Ports/COMn names its device,\n"
        "                else COM1-8 are /dev/ttyS0-7, COM9-12 /dev/ttyUSB0-3, COM13-16\n"
        "                /dev/ttyACM0-3), a device path such as /dev/ttyUSB0, or 'sim': a\n"
        "                simulated TQ540-2 inside tq540ctl (serial number 1000001, device\n"
        "                ID 1, 9600 baud, 1 KiB EEPROM).\n");
}

QString traceOptionHelp()
{
    return QStringLiteral(
        "  --trace FILE  Write every frame sent and received to FILE (replaced; '-' for the\n"
        "                error stream), one line each: milliseconds since the start, tx or\n"
        "                rx, baud, what became of the frame (sent, reply, or drop: and why),\n"
        "                the packet's fields, then the frame's bytes in hex.\n");
}

CommandRun withTrace(CommandRun run)
{
    return [run = std::move(run)](const QStringList &args) {
        QStringList rest;
        QString path;
        for (qsizetype i = 0; i < args.size(); ++i) {
            if (args[i] != u"--trace")
                rest << args[i];
            else if (const diagnostic::Problem problem = takeValue(args, i, path))
                return usageError(problem);
        }
        if (!path.isNull()) {
            QString reason;
            if (!linktrace::traceToFile(path, reason))
                return fail(exitFailure,
                            diagnostic::cannotWrite(path, QStringLiteral("trace"), reason));
            TransferConsole::setStatusLineAllowed(path != u"-");
        }
        return run(rest);
    };
}

} // namespace tq540ctl
