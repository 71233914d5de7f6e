#pragma once

#include "diagnostic.h"
#include "eepromimage.h"
#include "mcomm.h"
#include "transferdriver.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// What every device command of tq540ctl shares: the messages of the language
// library, reading --port and --sn, and running a transfer on the console.
namespace tq540ctl {

// Loads the language library beside the program; warns, naming the path it
// looked for, when it is missing (outcomes then show as result codes).
void loadLanguage();

// Language library text `id`, or `fallback` when the library has none.
QString text(int id, const QString &fallback = {});
// The outcome text of a device link result, as the transfer window shows it.
QString outcomeText(std::int32_t result);

// A device to talk to: a COM port number, the port factory behind it (empty:
// the system's serial ports), the device it stands for (a path, or "sim") and
// the target address.
struct DeviceTarget
{
    std::int16_t port = 1;
    mComm::PortFactory factory;
    QString device;
    std::int32_t address = 0;
};

// The port for the text of --port (see below); empty with `problem` for a
// text that names none. The address is left 0.
std::optional<DeviceTarget> devicePort(const QString &port, diagnostic::Problem &problem);

// The device for the texts of --port (a port number 1 to 16 or COMn, a
// device path, or "sim") and --sn (a number written out, read as the toolbar
// reads its field: "abc", which the field would take as 0, is refused here);
// empty with `problem` for texts that name none.
std::optional<DeviceTarget> deviceTarget(const QString &port, const QString &sn,
                                         diagnostic::Problem &problem);

// Runs `work` on gLink, fresh and addressed to the target's device behind
// its port; returns what `work` returns.
std::int32_t withDevice(DeviceTarget target, const std::function<std::int32_t()> &work);

// Runs one transfer of the configuration range with the device on gLink
// (fresh, addressed to it), the console showing its stages; the port is
// closed on return. The driver's result; after LINK_VERIFY_FAILED `mismatch`
// (when given) says where.
std::int32_t runTransfer(DeviceTarget target, TransferKind kind, tqimage::EEPROMImage &image,
                         TransferOptions options = {},
                         std::optional<VerifyMismatch> *mismatch = nullptr);

// The outcome of a verify that found a difference, with where it lies.
QString mismatchText(const VerifyMismatch &mismatch);

// Reports a failed transfer on the error stream as the window words it
// (after `source`, diff's A or B, when given); after a port that could not be
// opened, a second line names the device tried and the reason in words
// (mComm::openFailureReason). Returns `result`, the exit status.
int reportFailure(std::int32_t result, const QString &device, const QString &source = {});

// The help's lines of --port and --trace, for every command that takes them.
QString portOptionHelp();
QString traceOptionHelp();

using CommandRun = std::function<int(const QStringList &args)>;
// A device command that takes "--trace FILE" anywhere among its arguments:
// the link's frames go to FILE ("-": the error stream) while it runs.
CommandRun withTrace(CommandRun run);

} // namespace tq540ctl
