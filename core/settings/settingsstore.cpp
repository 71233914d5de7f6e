#include "settingsstore.h"

#include <memory>

namespace settingsstore {

namespace {

// One scope's store for a registry-style key path; the returned object's
// groups start at that key.
std::unique_ptr<QSettings> open(Scope scope, const QString &keyPath)
{
#ifdef Q_OS_WIN
    const QString root = scope == Scope::User ? QStringLiteral("HKEY_CURRENT_USER\\")
                                              : QStringLiteral("HKEY_LOCAL_MACHINE\\");
    return std::make_unique<QSettings>(root + keyPath, QSettings::NativeFormat);
#else
    auto store = std::make_unique<QSettings>(
        QSettings::IniFormat, scope == Scope::User ? QSettings::UserScope : QSettings::SystemScope,
        QStringLiteral("Corvant"), QStringLiteral("kWare"));
    // The user's file alone: the machine-wide one is read in its own turn.
    store->setFallbacksEnabled(false);
    QString group = keyPath;
    group.replace(u'\\', u'/');
    store->beginGroup(group);
    return store;
#endif
}

} // namespace

std::optional<QVariant> valueIn(Scope scope, const QString &keyPath, const QString &name)
{
    const auto store = open(scope, keyPath);
    if (store->status() != QSettings::NoError || !store->contains(name))
        return std::nullopt;
    return store->value(name);
}

bool writeValueIn(Scope scope, const QString &keyPath, const QString &name, const QVariant &value)
{
    const auto store = open(scope, keyPath);
    if (!store->isWritable())
        return false;
    store->setValue(name, value);
    store->sync();
    return store->status() == QSettings::NoError;
}

namespace {

// The program's value `name` from the first scope in readOrder that holds it;
// invalid when none does.
QVariant value(const QString &name)
{
    for (const Scope scope : readOrder) {
        if (auto stored = valueIn(scope, programKeyPath, name))
            return *stored;
    }
    return {};
}

void setValue(const QString &name, const QVariant &value)
{
    writeValueIn(writeScope, programKeyPath, name, value);
}

const QString windowGeometryValue = QStringLiteral("WindowGeometry");
const QString windowMenuHeightValue = QStringLiteral("WindowMenuHeight");
const QString verifyAfterUploadValue = QStringLiteral("VerifyAfterUpload");
const QString recentFilesValue = QStringLiteral("RecentFiles");

} // namespace

QByteArray windowGeometry()
{
    return value(windowGeometryValue).toByteArray();
}

void setWindowGeometry(const QByteArray &geometry)
{
    setValue(windowGeometryValue, geometry);
}

int windowMenuHeight()
{
    return value(windowMenuHeightValue).toString().toInt();
}

void setWindowMenuHeight(int pixels)
{
    setValue(windowMenuHeightValue, QString::number(pixels));
}

bool verifyAfterUpload()
{
    return value(verifyAfterUploadValue).toString().trimmed() == u"1";
}

void setVerifyAfterUpload(bool on)
{
    setValue(verifyAfterUploadValue, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList recentFiles()
{
    return value(recentFilesValue).toStringList();
}

void setRecentFiles(const QStringList &paths)
{
    setValue(recentFilesValue, paths);
}

QString mappedPortPath(int comNumber)
{
    return value(QStringLiteral("Ports/COM%1").arg(comNumber)).toString().trimmed();
}

} // namespace settingsstore
