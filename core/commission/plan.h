#pragma once

#include "diagnostic.h"
#include "mcomm.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// A commissioning plan: a CSV file with one row per device after the header
// row "port,sn,file", as a spreadsheet saves it:
//
//     port,sn,file
//     /dev/ttyUSB0,3,io-north.ztb
//     /dev/ttyUSB0,1234567890,"pump house, east.ztb"
//
// `port` is a port as tq540ctl's --port takes it, `sn` a serial number or
// device ID as --sn takes it, `file` the configuration file, relative to the
// plan's folder. Blanks around a field are dropped; a field in double quotes
// may hold commas and doubled quotes (""). Blank lines are skipped, CRLF line
// ends and a leading byte order mark accepted. A plan is refused as a whole,
// before anything is written, when a row is malformed, names a port that does
// not exist or a file that cannot be read or is longer than a configuration,
// or addresses a device a row above addresses on the same port; every
// problem names its line ("site-a.csv:3").
namespace commission {

struct PlanRow
{
    int line = 0; // in the plan's file, the header being line 1
    QString port;
    QString sn;
    QString file;
};

// A port a plan names, as the front end opens it: a port number, the factory
// that makes the port behind it (empty: the system's), and what it leads to
// (a device path, "sim"), by which two names of one port are known as one.
struct PlanPort
{
    std::int16_t number = 1;
    mComm::PortFactory factory;
    QString device;
};

// The port for a plan's port text; empty, with `why` ("COM17: not a port
// number from 1 to 16"), when it names none.
using PortResolver = std::function<std::optional<PlanPort>(const QString &port, QString &why)>;

// A row checked: where and what it writes.
struct Job
{
    PlanRow row;
    std::int32_t address = 0; // the target address the sn stands for
    std::size_t port = 0;     // index into Plan::ports
    QString path;             // the configuration file, beside the plan
    QByteArray bytes;         // its content
    QString sha256;
};

struct Plan
{
    QString path;
    std::vector<PlanPort> ports;              // one for each port the rows lead to
    std::map<QString, std::size_t> portIndex; // a port as the rows write it -> ports
    std::vector<Job> jobs;                    // in the plan's order
};

// Reads the plan at `path` and checks every row; empty, with every problem
// found in `refused`, when anything is wrong with it.
std::optional<Plan> loadPlan(const QString &path, const PortResolver &resolve,
                             std::vector<diagnostic::Problem> &refused);

// An address in words: "device ID 5", "serial number 4242".
QString addressText(std::int32_t address);

} // namespace commission
