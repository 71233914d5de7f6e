#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// The files tq540ctl's commands read, through the toolbar's file functions so
// that a path which is not a regular file is refused the same way everywhere,
// and what the commands say when a file is refused.
namespace tq540ctl {

// The message for a file the file functions refused (`result` negative): a
// path that is not a regular file is named as such, any other failure is
// worded as `otherwise`.
QString readFailure(const QString &path, std::int32_t result, const QString &otherwise);

// Reads a whole file into `content`: its length, or the file functions'
// negative result.
std::int32_t readWholeFile(const QString &path, QByteArray &content);

// Reads the configuration file to upload into `image` (element k is EEPROM
// address k). Returns an empty text when it may be sent, else why not: it
// cannot be read, it is not a regular file, or it is longer than the image's
// configuration bytes (refused unless `force`: such a file is probably not a
// configuration, and the bytes past them would be dropped unseen).
QString loadUploadFile(const QString &path, bool force, std::span<std::uint8_t> image);

} // namespace tq540ctl
