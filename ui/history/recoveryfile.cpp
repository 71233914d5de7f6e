#include "recoveryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUuid>

namespace {

const QString suffix = QStringLiteral(".json");
const QString lockSuffix = QStringLiteral(".lock");

QString lockPath(const QString &path)
{
    return path + lockSuffix;
}

} // namespace

QString RecoveryFile::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

RecoveryFile::RecoveryFile(QString path, std::unique_ptr<QLockFile> lock)
    : mPath(std::move(path)), mLock(std::move(lock))
{
}

RecoveryFile::~RecoveryFile() = default;

std::unique_ptr<QLockFile> RecoveryFile::tryLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(lockPath(path));
    // Only a lock whose process is gone is stale: a window may run for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

std::unique_ptr<RecoveryFile> RecoveryFile::create()
{
    if (!QDir().mkpath(folder()))
        return nullptr;
    const QString path =
        folder() + u'/' + QUuid::createUuid().toString(QUuid::WithoutBraces) + suffix;
    std::unique_ptr<QLockFile> lock = tryLock(path);
    if (!lock)
        return nullptr;
    return std::unique_ptr<RecoveryFile>(new RecoveryFile(path, std::move(lock)));
}

std::vector<std::unique_ptr<RecoveryFile>> RecoveryFile::unowned()
{
    std::vector<std::unique_ptr<RecoveryFile>> found;
    const QDir dir(folder());
    for (const QFileInfo &lockInfo : dir.entryInfoList({u'*' + suffix + lockSuffix}, QDir::Files)) {
        const QString path = lockInfo.filePath().chopped(lockSuffix.size());
        if (!QFileInfo::exists(path))
            tryLock(path); // taken and let go at once, unless its window still runs
    }
    for (const QFileInfo &info :
         dir.entryInfoList({u'*' + suffix}, QDir::Files, QDir::Time | QDir::Reversed)) {
        if (std::unique_ptr<QLockFile> lock = tryLock(info.filePath()))
            found.push_back(
                std::unique_ptr<RecoveryFile>(new RecoveryFile(info.filePath(), std::move(lock))));
    }
    return found;
}

bool RecoveryFile::write(const ConfigState &state, const QDateTime &kept)
{
    QSaveFile file(mPath);
    return file.open(QIODevice::WriteOnly) && file.write(configstate::toJson(state, kept)) >= 0 &&
           file.commit();
}

std::optional<configstate::Kept> RecoveryFile::read() const
{
    QFile file(mPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return configstate::fromJson(file.readAll());
}

void RecoveryFile::remove()
{
    QFile::remove(mPath);
}
