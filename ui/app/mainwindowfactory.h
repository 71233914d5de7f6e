#pragma once

#include <memory>

class QWidget;

// Creates the program's main window, not yet shown; `simulating` marks it as
// working with the simulated device.
std::unique_ptr<QWidget> createMainWindow(bool simulating = false);
