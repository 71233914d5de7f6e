#pragma once

#include "configstate.h"

#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// A window's unsaved configuration kept on disk, so that an exit, a crash or
// a killed process loses nothing: one file per running window in the
// application data folder, beside a lock file that the window holds while it
// runs. A file whose lock nobody holds (its window ended, or its process was
// killed: the lock names a process that is gone) belongs to nobody, and the
// next window to start may offer it.
class RecoveryFile
{
public:
    // A new file of this window's own (not written yet), its lock taken;
    // nothing when the folder cannot be written.
    static std::unique_ptr<RecoveryFile> create();
    // The files that belong to nobody, each now locked by the caller, oldest
    // first. Locks left without a file are cleared away.
    static std::vector<std::unique_ptr<RecoveryFile>> unowned();
    // Where the files lie: "recovery" in the application data folder.
    static QString folder();

    // The lock is released; the file stays (its window ends with unsaved
    // edits) unless removed.
    ~RecoveryFile();

    const QString &path() const { return mPath; }
    // Writes the state aside and puts it in place at once. False when it
    // could not be written; an earlier content then stays.
    bool write(const ConfigState &state, const QDateTime &kept);
    std::optional<configstate::Kept> read() const;
    // The file goes; its lock stays held.
    void remove();

private:
    RecoveryFile(QString path, std::unique_ptr<QLockFile> lock);
    // The lock of `path`, taken unless a running process holds it.
    static std::unique_ptr<QLockFile> tryLock(const QString &path);

    QString mPath;
    std::unique_ptr<QLockFile> mLock;
};
