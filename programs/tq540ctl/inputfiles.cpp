#include "inputfiles.h"

#include "apifilefunction.h"
#include "configfile.h"
#include "eepromimage.h"

#include <QFileInfo>
#include <algorithm>

namespace tq540ctl {

diagnostic::Problem readProblem(const QString &path, const QString &role)
{
    return diagnostic::cannotRead(path, role, API_FileFunction::LastErrorText());
}

diagnostic::Problem writeProblem(const QString &path, const QString &role)
{
    return diagnostic::cannotWrite(path, role, API_FileFunction::LastErrorText());
}

std::int32_t readWholeFile(const QString &path, QByteArray &content)
{
    content = QByteArray(QFileInfo(path).size(), '\0');
    const std::int32_t count = API_FileFunction::FileReadAll(
        path, std::span(reinterpret_cast<std::uint8_t *>(content.data()), content.size()));
    content.truncate(std::max(count, 0));
    return count;
}

diagnostic::Problem loadUploadFile(const QString &path, bool force, std::span<std::uint8_t> image)
{
    using tqimage::layout::transferStart, tqimage::layout::transferStop;
    const std::int32_t count = configfile::load(path, image);
    if (count < 0)
        return readProblem(path);
    // Positions 1 to transferStop are the image's configuration bytes.
    if (count > transferStop && !force)
        return {path, QStringLiteral("not sent"),
                QStringLiteral("longer than the %1 bytes of a configuration (--force sends its "
                               "bytes %2 to %3 all the same)")
                    .arg(transferStop)
                    .arg(transferStart - 1)
                    .arg(transferStop - 1)};
    return {};
}

} // namespace tq540ctl
