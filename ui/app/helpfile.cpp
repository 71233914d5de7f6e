#include "helpfile.h"

#include "msgbox.h"
#include "programfiles.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
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

void openHelp(QWidget *parent)
{
    const QString path = helpFilePath(QCoreApplication::applicationDirPath());
    const QUrl url = QUrl::fromLocalFile(path);
    const bool taken = opener() ? opener()(url) : QDesktopServices::openUrl(url);
    if (!taken)
        msgbox::show(parent, cannotOpenMessage.arg(QDir::toNativeSeparators(path)),
                     msgbox::Icon::Exclamation);
}

} // namespace helpfile
