#pragma once

#include "eepromimage.h"
#include "target.h"

#include <QString>
#include <optional>

// A configuration named on the command line: a configuration file (.ztb), or
// a device as port:P or port:P,sn=N (P and N as --port and --sn take them),
// whose configuration is downloaded. diff compares two; sheet prints one.
namespace tq540ctl {

// The P of a device's name; empty for a file.
std::optional<QString> sourcePort(const QString &source);

// Reads the configuration `source` names into `image`: 0, or the exit status
// of the failure, already reported: `fileStatus` for a file that cannot be
// read, 2 for a device named wrongly, else the download's result. After a
// device's download `found` (when given) holds what answered.
int loadConfiguration(const QString &source, tqimage::EEPROMImage &image, int fileStatus,
                      m::DeviceSummary *found = nullptr);

} // namespace tq540ctl
