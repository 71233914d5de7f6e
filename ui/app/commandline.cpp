#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// The program's options, described once for both readings of the command line.
struct Options
{
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral("Put a simulated TQ540-2 behind every COM port, to try the tool "
                       "without hardware.")};
    QCommandLineOption trace{
        QStringLiteral("trace"),
        QStringLiteral("Write every frame sent to and received from the device to <file> "
                       "('-' for the error stream): one line a frame, with the time, the packet "
                       "and why a frame was dropped."),
        QStringLiteral("file")};

    Options()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral(TQ_VERSION));
        parser.setApplicationDescription(
            QStringLiteral("Configuration tool for the TQ540-2 remote I/O module."));
        parser.addOptions({simulate, trace});
    }
};

} // namespace

void answerHelpAndVersion(int &argc, char **argv)
{
    // A core application needs no window system; it is gone before the GUI
    // application is made.
    const QCoreApplication core(argc, argv);
    Options options;
    // The GUI application's own options (-platform, -style) are unknown here;
    // they do not keep help or version from being answered.
    options.parser.parse(QCoreApplication::arguments());
    if (options.parser.isSet(options.version))
        options.parser.showVersion();
    if (options.parser.isSet(options.help))
        options.parser.showHelp();
}

StartOptions parseCommandLine(const QStringList &arguments)
{
    Options options;
    options.parser.process(arguments);
    return StartOptions{options.parser.isSet(options.simulate), options.parser.value(options.trace)};
}
