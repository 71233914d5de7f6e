#include "apifilefunction.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>

namespace API_FileFunction {

namespace {

// The open files, by handle. Everything runs on the user-interface thread.
struct OpenFiles
{
    std::map<FileHandle, std::unique_ptr<QFileDevice>> files;
    FileHandle next = 1;
};

OpenFiles &openFiles()
{
    static OpenFiles table;
    return table;
}

QString &lastError()
{
    static QString text;
    return text;
}

// Keeps the reason of a failure for LastErrorText; returns `result`.
std::int32_t failed(std::int32_t result, const QString &reason)
{
    lastError() = reason;
    return result;
}

QFileDevice *lookup(FileHandle handle)
{
    auto &files = openFiles().files;
    const auto it = files.find(handle);
    return it == files.end() ? nullptr : it->second.get();
}

// An existing file rewritten in place, where no file can be made beside it.
// It is not truncated when opened, so overwriting it needs no new space, and
// its old content is kept to be put back when the replacement fails.
// Unbuffered, so a failed write leaves nothing pending.
class InPlaceFile : public QFile
{
public:
    using QFile::QFile;

    bool openExisting()
    {
        if (!open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
            return false;
        old = readAll();
        return error() == QFileDevice::NoError && seek(0);
    }

    // Puts the old content back; the replacement is given up.
    void cancelWriting()
    {
        if (!cancelled && isOpen() && seek(0) && write(old) == old.size())
            resize(old.size());
        cancelled = true;
    }

    // Ends the file after the new content; false (and the old content back)
    // when that fails or the writing was given up.
    bool commit()
    {
        const bool done = !cancelled && resize(written);
        if (!done)
            cancelWriting();
        close();
        return done;
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        const qint64 count = QFile::writeData(data, length);
        written = std::max(written, pos() + std::max<qint64>(count, 0));
        return count;
    }

private:
    QByteArray old;
    qint64 written = 0; // the new content ends here
    bool cancelled = false;
};

// An existing path that is not a regular file: a folder, a device, a pipe.
// Opening a pipe waits for a writer and a device may read without end, and
// saving over either would replace it with a file, so the type alone refuses it.
bool isNotRegularFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// Written aside, or where nothing can be made beside an existing file, in
// place. On failure `reason` gets the system's text: for a new file, why it
// could not be made.
std::unique_ptr<QFileDevice> openReplacement(const QString &path, QString &reason)
{
    auto file = std::make_unique<QSaveFile>(path);
    if (file->open(QIODevice::WriteOnly))
        return file;
    reason = file->errorString();
    auto inPlace = std::make_unique<InPlaceFile>(path);
    if (inPlace->openExisting())
        return inPlace;
    if (inPlace->exists())
        reason = inPlace->errorString();
    return nullptr;
}

std::unique_ptr<QFileDevice> openDevice(const QString &path, Disposition disposition,
                                        bool readWrite, QString &reason)
{
    if (disposition == Disposition::CreateAlways)
        return openReplacement(path, reason);
    auto file = std::make_unique<QFile>(path);
    const QIODevice::OpenMode mode =
        (readWrite ? QIODevice::ReadWrite : QIODevice::ReadOnly) | QIODevice::ExistingOnly;
    if (file->open(mode))
        return file;
    reason = file->errorString();
    return nullptr;
}

// A replacement that missed some bytes must not take the old file's place.
void cancelReplacement(QFileDevice *device)
{
    if (auto *saveFile = qobject_cast<QSaveFile *>(device))
        saveFile->cancelWriting();
    else if (auto *inPlace = dynamic_cast<InPlaceFile *>(device))
        inPlace->cancelWriting();
}

// FileOpen with the reason of a failure: 0, fileFailed or fileNotRegular.
std::int32_t openFile(const QString &path, FileHandle &handle, Disposition disposition,
                      bool readWrite)
{
    handle = invalidHandle;
    if (path.isEmpty())
        return failed(fileFailed, QStringLiteral("no file name"));
    if (isNotRegularFile(path))
        return failed(fileNotRegular, QStringLiteral("not a regular file (a folder, a device "
                                                     "or a pipe)"));
    QString reason;
    auto device = openDevice(path, disposition, readWrite, reason);
    if (!device)
        return failed(fileFailed, reason);
    auto &table = openFiles();
    handle = table.next++;
    table.files.emplace(handle, std::move(device));
    return 0;
}

} // namespace

bool FileOpen(const QString &path, FileHandle &handle, Disposition disposition, bool readWrite)
{
    return openFile(path, handle, disposition, readWrite) == 0;
}

bool FileClose(FileHandle handle)
{
    auto &files = openFiles().files;
    const auto it = files.find(handle);
    if (it == files.end())
        return false;
    std::unique_ptr<QFileDevice> device = std::move(it->second);
    files.erase(it);
    bool closed = false;
    if (auto *saveFile = qobject_cast<QSaveFile *>(device.get())) {
        closed = saveFile->commit();
    } else if (auto *inPlace = dynamic_cast<InPlaceFile *>(device.get())) {
        closed = inPlace->commit();
    } else {
        device->close();
        closed = device->error() == QFileDevice::NoError;
    }
    if (!closed)
        failed(fileFailed, device->errorString());
    return closed;
}

void FileSeek(FileHandle handle, std::int32_t position)
{
    QFileDevice *device = lookup(handle);
    if (!device)
        return;
    if (position >= 1)
        device->seek(position - 1);
    else if (position == seekEnd)
        device->seek(device->size());
}

std::int32_t FileRead(FileHandle handle, std::int32_t position, std::span<std::uint8_t> buffer)
{
    QFileDevice *device = lookup(handle);
    if (!device)
        return failed(fileFailed, QStringLiteral("no such file handle"));
    FileSeek(handle, position);
    const qint64 got =
        device->read(reinterpret_cast<char *>(buffer.data()), static_cast<qint64>(buffer.size()));
    return got < 0 ? failed(fileFailed, device->errorString()) : static_cast<std::int32_t>(got);
}

std::int32_t FileWrite(FileHandle handle, std::int32_t position, std::span<const std::uint8_t> data)
{
    QFileDevice *device = lookup(handle);
    if (!device)
        return failed(fileFailed, QStringLiteral("no such file handle"));
    FileSeek(handle, position);
    errno = 0;
    const qint64 written = device->write(reinterpret_cast<const char *>(data.data()),
                                         static_cast<qint64>(data.size()));
    // Buffered bytes that cannot reach the disk are a failed write too. The
    // device words a failed flush "Unknown error"; the system's errno says
    // what it was (a full disk, say).
    if (written != static_cast<qint64>(data.size()) || !device->flush()) {
        const int code = errno;
        const QString reason = code != 0 ? qt_error_string(code) : device->errorString();
        cancelReplacement(device);
        return failed(fileFailed, reason);
    }
    return static_cast<std::int32_t>(written);
}

std::int32_t FileReadAll(const QString &path, std::span<std::uint8_t> buffer)
{
    FileHandle handle = invalidHandle;
    if (const std::int32_t opened = openFile(path, handle, Disposition::OpenExisting, false);
        opened < 0)
        return opened;
    const std::int32_t result = FileRead(handle, seekKeep, buffer);
    FileClose(handle);
    return result;
}

std::int32_t FileWriteAll(const QString &path, std::span<const std::uint8_t> data)
{
    FileHandle handle = invalidHandle;
    if (const std::int32_t opened = openFile(path, handle, Disposition::CreateAlways, true);
        opened < 0)
        return opened;
    const std::int32_t result = FileWrite(handle, seekKeep, data);
    const QString writeReason = lastError();
    // After a failed write the commit refuses, so the old content stays; the
    // write's reason is the one to tell.
    if (!FileClose(handle))
        return failed(fileFailed, result < 0 ? writeReason : lastError());
    return result;
}

QString LastErrorText()
{
    return lastError();
}

} // namespace API_FileFunction
