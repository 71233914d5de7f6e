#include "restore.h"

#include "apifilefunction.h"
#include "transfertext.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

namespace site {

namespace {

struct SavedFile
{
    const DeviceEntry *entry;
    QByteArray bytes;
};

// The saved devices' files, each as site.json recorded it; the problems of
// those that cannot be read or have changed.
std::vector<SavedFile> checkFiles(const QString &folder, const SiteIndex &site,
                                  std::vector<diagnostic::Problem> &refused)
{
    std::vector<SavedFile> files;
    for (const DeviceEntry &entry : site.devices) {
        if (!entry.saved())
            continue;
        const QString path = QDir(folder).filePath(entry.file);
        QByteArray bytes(QFileInfo(path).size(), '\0');
        const std::int32_t count = API_FileFunction::FileReadAll(
            path, std::span(reinterpret_cast<std::uint8_t *>(bytes.data()), bytes.size()));
        if (count < 0)
            refused.push_back(diagnostic::cannotRead(path, QStringLiteral("configuration file"),
                                                     API_FileFunction::LastErrorText()));
        else if (sha256(bytes.left(count)).compare(entry.sha256, Qt::CaseInsensitive) != 0)
            refused.push_back({path, QStringLiteral("changed since the backup"),
                               QStringLiteral("its SHA-256 is not the one in %1; nothing was "
                                              "restored")
                                   .arg(indexName)});
        files.push_back({&entry, bytes.left(std::max(count, 0))});
    }
    return files;
}

UploadCheck restoreDevice(m::tLink &link, const SavedFile &file, TransferObserver &observer)
{
    auto image = std::make_unique<tqimage::EEPROMImage>();
    const auto addresses = tqimage::addressView(*image);
    std::copy_n(file.bytes.begin(), std::min<qsizetype>(file.bytes.size(), addresses.size()),
                addresses.begin());
    return uploadConfirmed(link, m::serialAddress(file.entry->serialNumber), file.entry->speed,
                           *image, observer);
}

} // namespace

RestoreOutcome restore(m::tLink &link, const QString &folder, const SiteIndex &site,
                       SiteObserver &observer)
{
    RestoreOutcome outcome;
    const std::vector<SavedFile> files = checkFiles(folder, site, outcome.refused);
    if (!outcome.refused.empty()) {
        outcome.status = RESULT_FILE_FAILED;
        return outcome;
    }
    bool stopped = false;
    for (std::size_t k = 0; k < files.size(); ++k) {
        DeviceRestore device{*files[k].entry, {}};
        stopped = stopped || observer.stopRequested();
        if (stopped) {
            device.check.result = m::LINK_CANCELLED;
        } else {
            observer.deviceBegins(int(k) + 1, int(files.size()), device.entry);
            device.check = restoreDevice(link, files[k], observer);
            observer.deviceEnds(device.entry, device.check.result);
        }
        if (outcome.status == m::LINK_OK)
            outcome.status = device.check.result;
        outcome.devices.push_back(device);
    }
    return outcome;
}

} // namespace site
