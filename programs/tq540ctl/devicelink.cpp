#include "devicelink.h"

#include "linktrace.h"
#include "m.h"
#include "resdll.h"
#include "simport.h"
#include "subcommand.h"
#include "target.h"
#include "toolbartext.h"
#include "transferconsole.h"
#include "transfertext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <memory>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <unistd.h>
#endif

namespace tq540ctl {

void loadLanguage()
{
    const QString path = langLibraryPath(QCoreApplication::applicationDirPath());
    gResDll.setFilename(path);
    if (gResDll.hInstance() == 0)
        fail(0, QStringLiteral("cannot load the language library '%1'; messages show result "
                               "codes only")
                    .arg(QDir::toNativeSeparators(path)));
}

QString text(int id, const QString &fallback)
{
    const QString found = gResDll.GetStr(id);
    return found.isEmpty() ? fallback : found;
}

QString outcomeText(std::int32_t result)
{
    return text(transfertext::outcomeBase + result,
                QStringLiteral("device link result %1").arg(result));
}

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

namespace {

// A port number (COMn), the in-process simulated device, or a device path,
// which then stands behind port 1 whatever its name resolves to.
std::optional<DeviceTarget> choosePort(const QString &port, QString &error)
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
        error = QStringLiteral("the port number must be 1 to %1, not %2")
                    .arg(mComm::PORT_COUNT)
                    .arg(port);
        return std::nullopt;
    }
    const QString com = QStringLiteral("COM%1").arg(n);
    return DeviceTarget{std::int16_t(n), {}, mComm::ResolvePortName(com)};
}

// What the system said when the port would not open, with the usual remedy
// for a device the user may not open.
QString openFailureReason([[maybe_unused]] const QString &device)
{
    QString reason = mComm::CommLastError.sErrText;
#ifdef Q_OS_LINUX
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
        reason += QStringLiteral(" (add yourself to the dialout group)");
#endif
    return reason;
}

} // namespace

std::optional<DeviceTarget> devicePort(const QString &port, QString &error)
{
    return choosePort(port, error);
}

std::optional<DeviceTarget> deviceTarget(const QString &port, const QString &sn, QString &error)
{
    std::optional<DeviceTarget> target = choosePort(port, error);
    if (!target)
        return std::nullopt;
    const std::optional<std::int32_t> address =
        m::targetAddress(sn, m::productBaseOf(m::TQ540_PRODUCT_CODE));
    if (!address) {
        error = text(toolbartext::badTarget, QStringLiteral("bad --sn '%1'").arg(sn));
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

int reportFailure(std::int32_t result, const QString &device)
{
    fail(result, outcomeText(result));
    if (result == m::LINK_PORT_FAILED && !mComm::CommLastError.sErrText.isEmpty())
        fail(result, QStringLiteral("%1: %2").arg(device, openFailureReason(device)));
    return result;
}

CommandRun withTrace(CommandRun run)
{
    return [run = std::move(run)](const QStringList &args) {
        QStringList rest;
        QString path;
        QString error;
        for (qsizetype i = 0; i < args.size(); ++i) {
            if (args[i] != u"--trace")
                rest << args[i];
            else if (!takeValue(args, i, path, error))
                return fail(exitUsage, error);
        }
        if (!path.isNull()) {
            if (!linktrace::traceToFile(path, error))
                return fail(exitFailure,
                            QStringLiteral("%1: cannot write the trace: %2").arg(path, error));
            TransferConsole::setStatusLineAllowed(path != u"-");
        }
        return run(rest);
    };
}

} // namespace tq540ctl
