#pragma once

#include <QString>
#include <cstdint>

// String values of the program's settings store (the registry on Windows).
namespace Reg {

// Root keys. The store holds the machine-wide hive only.
enum class RootKey : std::uint32_t {
    LocalMachine = 0x80000002, // HKEY_LOCAL_MACHINE
};

// Values longer than this many bytes are not read.
constexpr int maxValueBytes = 8192;

// Reads the value as text, blanks trimmed and a trailing zero byte dropped.
// True when it was read (possibly empty); false, with `value` empty, when the
// key or value is missing or cannot be read.
bool RegGetString(RootKey root, const QString &keyPath, const QString &valueName, QString &value);

// Writes `text` as a string value, creating the key. True when it was stored.
bool RegSetString(RootKey root, const QString &keyPath, const QString &valueName,
                  const QString &text);

} // namespace Reg
