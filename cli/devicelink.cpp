#include "devicelink.h"

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
#include <QRegularExpression>
#include <memory>

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
            1, sim::portFactory(std::make_shared<sim::Device>(), sim::Route::EveryPort)};
    static const QRegularExpression number(QStringLiteral("^(?:COM)?([0-9]+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = number.match(port);
    if (!match.hasMatch())
        return DeviceTarget{1, [port](const QString &) { return mComm::systemPortFactory(port); }};
    const int n = match.captured(1).toInt();
    if (n < 1 || n > mComm::PORT_COUNT) {
        error = QStringLiteral("the port number must be 1 to %1, not %2")
                    .arg(mComm::PORT_COUNT)
                    .arg(port);
        return std::nullopt;
    }
    return DeviceTarget{std::int16_t(n), {}};
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

} // namespace tq540ctl
