#include "programfiles.h"

namespace programfiles {

QString beside(const QString &programDir, const QString &fileName)
{
    QString path = programDir;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    return path + fileName;
}

} // namespace programfiles
