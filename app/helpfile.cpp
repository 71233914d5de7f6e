#include "helpfile.h"

#include "programfiles.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace helpfile {

namespace {

Opener &opener()
{
    static Opener current;
    return current;
}

} // namespace

QString helpFilePath(const QString &programDir)
{
    return programfiles::beside(programDir, fileName);
}

Opener setOpener(Opener replacement)
{
    return std::exchange(opener(), std::move(replacement));
}

void openHelp()
{
    const QUrl url = QUrl::fromLocalFile(helpFilePath(QCoreApplication::applicationDirPath()));
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace helpfile
