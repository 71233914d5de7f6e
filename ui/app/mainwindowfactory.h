#pragma once

#include <QString>

#include <memory>

class QWidget;

// Creates the program's main window, not yet shown; `simulating` marks it as
// working with the simulated device; a `traceFile` is recorded from the start.
std::unique_ptr<QWidget> createMainWindow(bool simulating = false, const QString &traceFile = {});
