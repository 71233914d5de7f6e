#include "startup.h"

#include "mainwindowfactory.h"
#include "msgbox.h"
#include "resdll.h"

#include <QCoreApplication>
#include <QWidget>

QString langLibraryPath(const QString &programDir)
{
    QString path = programDir;
    if (!path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('/');
    return path + QStringLiteral("lang.dll");
}

std::unique_ptr<QWidget> startUp(const QString &programDir)
{
    gResDll.setFilename(langLibraryPath(programDir));
    // Fixed text: without the library there is no text to take it from.
    if (gResDll.hInstance() == 0)
        msgbox::show(nullptr, QStringLiteral("System error, please reinstall!"));
    std::unique_ptr<QWidget> window = createMainWindow();
    window->show();
    return window;
}

std::unique_ptr<QWidget> Main()
{
    return startUp(QCoreApplication::applicationDirPath());
}
