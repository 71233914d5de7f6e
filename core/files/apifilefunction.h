#pragma once

#include <QString>
#include <cstdint>
#include <span>

// Positioned reads and writes of whole files into caller-owned buffers.
// Handles index a small table of open files; positions are 1-based.
namespace API_FileFunction {

using FileHandle = std::int32_t;
constexpr FileHandle invalidHandle = -1;

// Result of FileRead, FileWrite, FileReadAll and FileWriteAll when the file
// cannot be opened, read, written or committed; otherwise they return a count.
constexpr std::int32_t fileFailed = -1;
// Result of FileReadAll and FileWriteAll for a path that exists but is not a
// regular file (a folder, a device, a pipe): refused without opening it.
constexpr std::int32_t fileNotRegular = -2;

// FileSeek positions besides 1-based byte positions.
constexpr std::int32_t seekKeep = 0; // leave the file position where it is
constexpr std::int32_t seekEnd = -1; // move to the end of the file

enum class Disposition : std::int32_t {
    // Create the file, or replace an existing one. The new content is written
    // aside and takes the file's place only when FileClose succeeds, so a
    // failed write leaves the old file as it was. Such a file is write-only.
    // Where nothing can be written beside an existing file (a shared folder
    // open to writing files but not to making them), the file is rewritten in
    // place instead: its permissions stay, and a failed write or close puts
    // its old content back.
    CreateAlways = 2,
    // The file must exist; it is opened in place, never truncated.
    OpenExisting = 3,
};

// Opens the file for reading, or for reading and writing when `readWrite`.
// `handle` receives the new handle, or invalidHandle on failure. A path that
// exists but is not a regular file is refused without being opened.
bool FileOpen(const QString &path, FileHandle &handle, Disposition disposition, bool readWrite);

// Closes the handle; for a created file this puts the written content in the
// file's place. Returns false when that fails or the handle is unknown.
bool FileClose(FileHandle handle);

// Position 0 keeps the position, n >= 1 moves to byte offset n - 1, -1 to the
// end; other negative positions keep the position.
void FileSeek(FileHandle handle, std::int32_t position);

// Seek to `position`, then read up to buffer.size() bytes: the count read, or fileFailed.
std::int32_t FileRead(FileHandle handle, std::int32_t position, std::span<std::uint8_t> buffer);

// Seek to `position`, then write all of `data`: the count written, or fileFailed.
std::int32_t FileWrite(FileHandle handle, std::int32_t position,
                       std::span<const std::uint8_t> data);

// Read up to buffer.size() bytes from the start of an existing file, asking for
// read access only: the count read (0 for an empty file), fileNotRegular, or
// fileFailed when the file cannot be opened or read.
std::int32_t FileReadAll(const QString &path, std::span<std::uint8_t> buffer);

// Replace the file's content with `data` (see CreateAlways): the count
// written, fileNotRegular, or fileFailed when the file cannot be created,
// written or put in place (the old content is then kept).
std::int32_t FileWriteAll(const QString &path, std::span<const std::uint8_t> data);

// Why the last call that failed failed, in the system's words where the system
// said ("No such file or directory"); a path that is not a regular file is
// "not a regular file (a folder, a device or a pipe)". Kept until the next
// failure, so read it right after the call.
QString LastErrorText();

} // namespace API_FileFunction
