#pragma once

#include "scopedseam.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The serial ports this machine has, and which COM number of the port map
// leads to each. tq540ctl lists them; the toolbar names them in its COM list.
namespace portlist {

struct SystemPort
{
    QString name; // "ttyUSB0", "COM3"
    QString path; // "/dev/ttyUSB0"; what a port is opened by
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<std::uint16_t> vendorId; // USB adapters only
    std::optional<std::uint16_t> productId;
};

// Where the system's list comes from: the serial port driver's enumeration,
// unless a test installs its own (an empty source restores it).
using Source = std::function<std::vector<SystemPort>()>;
Source setSource(Source source);
using ScopedSource = ScopedSeam<Source, &setSource>;

// The system's ports, and after them the existing devices the port map names
// that the system does not list (a pseudo-terminal, say).
std::vector<SystemPort> systemPorts();

// COM numbers 1 to 16 whose port (mComm::ResolvePortName) is this one, also
// when one of the two names is a symbolic link to the other.
std::vector<int> comNumbersOf(const SystemPort &port);

// The COM list's entry for a number: "9  ttyUSB0 (FT232R USB UART)" when the
// number leads to one of `ports`, else just "9". It starts with the number, so
// whatever reads the entry's leading number reads the port number.
QString comListEntry(int comNumber, const std::vector<SystemPort> &ports);

enum class Access { Free, Busy, NoPermission, Failed };

// Whether the port can be opened now: it is opened for a moment and closed
// again; a failure is judged as mComm::classifyOpenFailure judges it. `detail`
// gets the reason in words (mComm::openFailureText) for Failed.
Access checkAccess(const SystemPort &port, QString *detail = nullptr);

} // namespace portlist
