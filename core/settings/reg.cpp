#include "reg.h"

#include "settingsstore.h"

#include <QByteArray>
#include <QVariant>

namespace Reg {

namespace {

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
    if (root != RootKey::LocalMachine)
        return false;
    const auto store = settingsstore::open(keyPath);
    if (store->status() != QSettings::NoError || !store->contains(valueName))
        return false;
    QByteArray bytes;
    if (!storedBytes(store->value(valueName), bytes) || bytes.size() > maxValueBytes)
        return false;
    if (bytes.endsWith('\0'))
        bytes.chop(1);
    value = QString::fromLocal8Bit(bytes).trimmed();
    return true;
}

bool RegSetString(RootKey root, const QString &keyPath, const QString &valueName,
                  const QString &text)
{
    if (root != RootKey::LocalMachine)
        return false;
    const auto store = settingsstore::open(keyPath);
    if (!store->isWritable())
        return false;
    store->setValue(valueName, text);
    store->sync();
    return store->status() == QSettings::NoError;
}

} // namespace Reg
