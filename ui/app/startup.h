#pragma once

#include "commandline.h"

#include <QString>

#include <memory>

class QWidget;

// Start-up for a program living in programDir: loads the language library
// into gResDll, warns once when it cannot be loaded, puts the simulated
// device behind the COM ports when asked, and shows the main window, which it
// returns. The program runs until that window is closed.
std::unique_ptr<QWidget> startUp(const QString &programDir, const StartOptions &options = {});

// The start-up procedure, from the program's own directory and with the
// program's command line.
std::unique_ptr<QWidget> Main();
