#pragma once

#include "mcomm.h"

#include <QString>
#include <cstdint>

// Why a serial port would not open, in words a user can act on. Every front
// end shows the same reason: tq540ctl after its outcome line, the ports list,
// the transfer window. The decision is made from its inputs alone (the
// driver's error and the facts of the device file), so it can be tried with
// any of them, also where the real ones cannot be made (a test run as root).
namespace mComm {

enum class OpenProblem {
    Missing,      // no such device
    InUse,        // another program holds it
    NoPermission, // this user may not open it
    NotSerial,    // it exists but is no serial port
    Other,        // the driver's own text says it
};

// What the system says about a device file. Where there are no device files
// (Windows: COM3), nothing is known and the driver's error alone decides.
struct DeviceFile
{
    bool known = false;     // the facts below were looked at
    bool exists = false;    // a path that leads to something
    bool character = false; // a character device (a terminal, say)
    bool usable = false;    // this process may read and write it
    // The group that may read and write the device when this process is not
    // in it and may not otherwise (not root's group): joining it would help.
    QString joinGroup;
};

// The facts of `device` (a resolved port name: a path, or "COM3" on Windows).
DeviceFile inspectDevice(const QString &device);

// The problem behind a failed open: `code` is what CommOpen recorded in
// CommLastError (COMM_DEVICE_ERROR + the driver's error, or COMM_NO_DEVICE).
// The driver reports another program's lock file, an exclusive terminal and a
// device this user may not open all as a permission error: a device file the
// process may read and write (or a Windows COM port, where "access denied"
// means exactly that) is therefore in use, any other has no permission.
OpenProblem classifyOpenFailure(std::int32_t code, const DeviceFile &file);

// The reason in words (language library texts, English where it has none):
// "no such device", "in use by another program", "no permission" with
// "(add yourself to the dialout group, then log in again)" where joining the
// device's group would help, "not a serial port", else `systemText`.
QString openFailureText(OpenProblem problem, const QString &joinGroup, const QString &systemText);

// The reason the last CommOpen of `device` failed (from CommLastError).
QString openFailureReason(const QString &device);

// The device port number `port` leads to and the reason its last open failed,
// as a window shows it under the outcome: "/dev/ttyUSB0: no such device".
QString openFailureDetail(std::int16_t port);

} // namespace mComm
