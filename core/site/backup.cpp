#include "backup.h"

#include "apifilefunction.h"
#include "configfile.h"
#include "confirmedupload.h"
#include "eepromimage.h"
#include "target.h"
#include "transfertext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace site {

namespace {

using tqimage::layout::transferStart, tqimage::layout::transferStop;

// The folder to back up into: made when missing, refused when it holds a
// backup already, whose files the new one would replace.
diagnostic::Problem prepareFolder(const QString &folder)
{
    if (QFileInfo::exists(QDir(folder).filePath(indexName)))
        return {folder, QStringLiteral("cannot back up into this folder"),
                QStringLiteral("it holds a backup already (%1)").arg(indexName)};
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
    if (error)
        return {folder, QStringLiteral("cannot make the folder"),
                QString::fromLocal8Bit(error.message())};
    return {};
}

DeviceEntry entryOf(const busscan::FoundDevice &found)
{
    DeviceEntry entry;
    entry.deviceId = found.id;
    entry.serialNumber = found.summary.serialNumber;
    entry.speed = found.summary.baud;
    entry.eepromSize = found.summary.eepromSize;
    entry.deviceText = found.summary.deviceText;
    return entry;
}

void setResult(DeviceEntry &entry, std::int32_t result, const QString &text)
{
    entry.result = result;
    entry.resultText = text;
}

// Writes the downloaded range as a configuration file and records the bytes
// the file holds, read back, by their SHA-256.
void saveFile(const QString &folder, const tqimage::EEPROMImage &image, DeviceEntry &entry)
{
    const QString name = QString::number(entry.serialNumber) + QStringLiteral(".ztb");
    const QString path = QDir(folder).filePath(name);
    QByteArray written(transferStop, '\0');
    const bool saved = configfile::save(path, tqimage::addressView(image)) >= 0;
    const std::int32_t count =
        saved ? API_FileFunction::FileReadAll(
                    path, std::span(reinterpret_cast<std::uint8_t *>(written.data()),
                                    std::size_t(written.size())))
              : -1;
    if (count < 0) {
        const diagnostic::Problem problem = diagnostic::cannotWrite(
            path, QStringLiteral("configuration file"), API_FileFunction::LastErrorText());
        return setResult(entry, RESULT_FILE_FAILED, diagnostic::text(problem));
    }
    entry.file = name;
    entry.sha256 = sha256(written.left(count));
    setResult(entry, m::LINK_OK, transfertext::outcomeText(m::LINK_DOWNLOAD_DONE));
}

void backUpDevice(m::tLink &link, const QString &folder, DeviceEntry &entry,
                  TransferObserver &observer)
{
    auto image = std::make_unique<tqimage::EEPROMImage>();
    link = addressedLink(link.Port, m::serialAddress(entry.serialNumber), entry.speed);
    const std::int32_t result = TransferDriver(link, *image, observer)
                                    .run(TransferKind::Download, transferStart, transferStop);
    if (result == m::LINK_DOWNLOAD_DONE)
        saveFile(folder, *image, entry);
    else
        setResult(entry, result, transfertext::outcomeText(result));
}

std::int32_t firstFailure(const SiteIndex &site)
{
    const auto failed = std::find_if(site.devices.begin(), site.devices.end(),
                                     [](const DeviceEntry &entry) { return !entry.saved(); });
    return failed == site.devices.end() ? m::LINK_OK : failed->result;
}

} // namespace

QString utcNow()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

BackupOutcome backUp(m::tLink &link, const BackupRequest &request, SiteObserver &observer)
{
    BackupOutcome outcome{m::LINK_OK, prepareFolder(request.folder), {request.port, {}}};
    if (outcome.problem) {
        outcome.status = RESULT_FILE_FAILED;
        return outcome;
    }
    std::vector<busscan::FoundDevice> found;
    const std::int32_t scan = busscan::ScanBus(link, request.ids, request.speeds, observer, found);
    if (found.empty()) {
        QDir().rmdir(request.folder); // made for nothing; left when it holds anything
        outcome.status = scan == m::LINK_OK ? m::LINK_NO_REPLY : scan;
        return outcome;
    }
    bool stopped = scan != m::LINK_OK;
    for (std::size_t k = 0; k < found.size(); ++k) {
        DeviceEntry entry = entryOf(found[k]);
        stopped = stopped || observer.stopRequested();
        if (stopped) {
            setResult(entry, m::LINK_CANCELLED, transfertext::outcomeText(m::LINK_CANCELLED));
        } else {
            observer.deviceBegins(int(k) + 1, int(found.size()), entry);
            backUpDevice(link, request.folder, entry, observer);
            observer.deviceEnds(entry, entry.result);
        }
        entry.time = request.now();
        outcome.site.devices.push_back(entry);
        if ((outcome.problem = writeIndex(request.folder, outcome.site))) {
            outcome.status = RESULT_FILE_FAILED;
            return outcome;
        }
    }
    outcome.status = firstFailure(outcome.site);
    return outcome;
}

} // namespace site
