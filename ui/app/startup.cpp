#include "startup.h"

#include "diagnostic.h"
#include "mainwindowfactory.h"
#include "msgbox.h"
#include "resdll.h"
#include "simdevice.h"
#include "simulation.h"

#include <QCoreApplication>
#include <QWidget>

std::unique_ptr<QWidget> startUp(const QString &programDir, const StartOptions &options)
{
    const QString library = langLibraryPath(programDir);
    gResDll.setFilename(library);
    // Fixed text: without the library there is no text to take it from. The
    // error stream names the path looked for, for whoever starts it from a shell.
    if (gResDll.hInstance() == 0) {
        diagnostic::write(diagnostic::languageLibraryNotLoaded(library));
        msgbox::show(nullptr, QStringLiteral("System error, please reinstall!"));
    }
    if (options.simulate)
        simulation::start(std::make_shared<sim::Device>()); // in its default configuration
    std::unique_ptr<QWidget> window = createMainWindow(options.simulate, options.traceFile);
    window->show();
    return window;
}

std::unique_ptr<QWidget> Main()
{
    return startUp(QCoreApplication::applicationDirPath(),
                   parseCommandLine(QCoreApplication::arguments()));
}
