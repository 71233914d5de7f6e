#pragma once

#include <QStringList>

// What the command line asks of a run.
struct StartOptions
{
    // The simulated device answers on every COM port instead of the hardware.
    bool simulate = false;
    // Where the link's frames are written ("-": the error stream); empty: nowhere.
    QString traceFile = {};
};

// Prints the help or the version and ends the program when the arguments ask
// for either, before any window system is needed, so both work without a
// display; returns otherwise. Call with main's arguments before the GUI
// application exists.
void answerHelpAndVersion(int &argc, char **argv);

// Reads the program's arguments (the program's name first). --help and
// --version print their text and end the program, as does an unknown option
// (with a message and a non-zero exit code).
StartOptions parseCommandLine(const QStringList &arguments);
