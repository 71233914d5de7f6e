#include "inputfiles.h"

#include "apifilefunction.h"
#include "configfile.h"
#include "eepromimage.h"
#include "resdll.h"
#include "toolbartext.h"

#include <QFileInfo>
#include <algorithm>

namespace tq540ctl {

QString readFailure(const QString &path, std::int32_t result, const QString &otherwise)
{
    if (result == API_FileFunction::fileNotRegular)
        return QStringLiteral("%1: not a regular file (a folder, a device or a pipe)").arg(path);
    return otherwise;
}

std::int32_t readWholeFile(const QString &path, QByteArray &content)
{
    content = QByteArray(QFileInfo(path).size(), '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        path, std::span(reinterpret_cast<std::uint8_t *>(content.data()), content.size()));
    content.truncate(std::max(count, 0));
    return count;
}

QString loadUploadFile(const QString &path, bool force, std::span<std::uint8_t> image)
{
    using tqimage::layout::transferStart, tqimage::layout::transferStop;
    const std::int32_t count = configfile::load(path, image);
    if (count < 0)
        return readFailure(
            path, count,
            QStringLiteral("%1: %2").arg(path, gResDll.GetStr(toolbartext::cantReadFile)));
    // Positions 1 to transferStop are the image's configuration bytes.
    if (count > transferStop && !force)
        return QStringLiteral("%1: longer than the %2 bytes of a configuration; nothing was "
                              "sent (--force sends its bytes %3 to %4 all the same)")
            .arg(path)
            .arg(transferStop)
            .arg(transferStart - 1)
            .arg(transferStop - 1);
    return {};
}

} // namespace tq540ctl
