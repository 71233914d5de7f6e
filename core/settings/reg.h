#pragma once

#include "settingsstore.h"

#include <QString>
#include <cstdint>

// String values of the program's settings store (the registry on Windows).
namespace Reg {

// Root keys: the store's two scopes.
enum class RootKey : std::uint32_t {
    CurrentUser = 0x80000001,  // HKEY_CURRENT_USER, the user's own
    LocalMachine = 0x80000002, // HKEY_LOCAL_MACHINE, machine-wide
};

constexpr RootKey rootKeyOf(settingsstore::Scope scope)
{
    return scope == settingsstore::Scope::User ? RootKey::CurrentUser : RootKey::LocalMachine;
}

// Values longer than this many bytes are not read.
constexpr int maxValueBytes = 8192;

// Reads the value under that root alone as text, blanks trimmed and a trailing
// zero byte dropped. True when it was read (possibly empty); false, with
// `value` empty, when the key or value is missing or cannot be read.
bool RegGetString(RootKey root, const QString &keyPath, const QString &valueName, QString &value);

// Writes `text` as a string value under that root, creating the key. True when
// it was stored; a standard user's write under LocalMachine is refused.
bool RegSetString(RootKey root, const QString &keyPath, const QString &valueName,
                  const QString &text);

} // namespace Reg
