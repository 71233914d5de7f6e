#pragma once

#include "diagnostic.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// The files tq540ctl's commands read and write, through the toolbar's file
// functions so that a path which is not a regular file is refused the same way
// everywhere, and what the commands say when a file is refused.
namespace tq540ctl {

inline const QString configurationFile = QStringLiteral("configuration file");

// The problem after the file functions failed to read or write `path` (the
// `role` it plays, "configuration file"), with the reason they give.
diagnostic::Problem readProblem(const QString &path, const QString &role = configurationFile);
diagnostic::Problem writeProblem(const QString &path, const QString &role = configurationFile);

// Reads a whole file into `content`: its length, or the file functions'
// negative result.
std::int32_t readWholeFile(const QString &path, QByteArray &content);

// Reads the configuration file to upload into `image` (element k is EEPROM
// address k). An empty problem when it may be sent, else why not: it cannot
// be read, it is not a regular file, or it is longer than the image's
// configuration bytes (refused unless `force`: such a file is probably not a
// configuration, and the bytes past them would be dropped unseen).
diagnostic::Problem loadUploadFile(const QString &path, bool force, std::span<std::uint8_t> image);

} // namespace tq540ctl
