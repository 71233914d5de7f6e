#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

StartOptions parseCommandLine(const QStringList &arguments)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(TQ_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configuration tool for the TQ540-2 remote I/O module."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Put a simulated TQ540-2 behind every COM port, to try the tool "
                       "without hardware."));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Write every frame sent to and received from the device to <file> "
                       "('-' for the error stream): one line a frame, with the time, the packet "
                       "and why a frame was dropped."),
        QStringLiteral("file"));
    parser.addOptions({simulate, trace});
    parser.process(arguments);
    return StartOptions{parser.isSet(simulate), parser.value(trace)};
}
