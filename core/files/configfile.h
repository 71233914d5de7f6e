#pragma once

#include <QString>
#include <cstdint>
#include <span>

// Configuration files: the raw image bytes from EEPROM address 0 on, without
// header, trailing zero bytes left out.
namespace configfile {

// The pattern the file dialogs offer.
inline const QString filePattern = QStringLiteral("*.ztb");

// Length a configuration file of `image` gets: up to its last non-zero byte,
// at least 1 (an all-zero image is one zero byte), at most the image's length;
// 0 only for an empty image.
std::int32_t storedLength(std::span<const std::uint8_t> image);

// Reads the file into `image`: on success the image is emptied first and the
// file's first image.size() bytes copied in; the result is the count copied.
// Returns API_FileFunction::fileNotRegular or fileFailed, with `image`
// untouched, when the path is not a regular file or cannot be opened or read.
std::int32_t load(const QString &path, std::span<std::uint8_t> image);

// Writes `image` as a configuration file, replacing any old one atomically
// (in place where its folder allows nothing else): the count written, or
// API_FileFunction::fileNotRegular or fileFailed (the old file is kept).
std::int32_t save(const QString &path, std::span<const std::uint8_t> image);

} // namespace configfile
