#include "reg.h"

#include <QByteArray>
#include <QVariant>
#include <optional>

namespace Reg {

namespace {

std::optional<settingsstore::Scope> scopeOf(RootKey root)
{
    switch (root) {
    case RootKey::CurrentUser:
        return settingsstore::Scope::User;
    case RootKey::LocalMachine:
        return settingsstore::Scope::Machine;
    }
    return std::nullopt;
}

// The value as the bytes the store holds, whatever type it was stored as.
bool storedBytes(const QVariant &stored, QByteArray &bytes)
{
    if (stored.typeId() == QMetaType::QByteArray) {
        bytes = stored.toByteArray();
        return true;
    }
    if (!stored.canConvert<QString>())
        return false;
    bytes = stored.toString().toLocal8Bit();
    return true;
}

} // namespace

bool RegGetString(RootKey root, const QString &keyPath, const QString &valueName, QString &value)
{
    value.clear();
    const auto scope = scopeOf(root);
    if (!scope)
        return false;
    const auto stored = settingsstore::valueIn(*scope, keyPath, valueName);
    QByteArray bytes;
    if (!stored || !storedBytes(*stored, bytes) || bytes.size() > maxValueBytes)
        return false;
    if (bytes.endsWith('\0'))
        bytes.chop(1);
    value = QString::fromLocal8Bit(bytes).trimmed();
    return true;
}

bool RegSetString(RootKey root, const QString &keyPath, const QString &valueName,
                  const QString &text)
{
    const auto scope = scopeOf(root);
    return scope && settingsstore::writeValueIn(*scope, keyPath, valueName, text);
}

} // namespace Reg
