#pragma once

#include <memory>

class QWidget;

// Creates the program's main window, not yet shown.
std::unique_ptr<QWidget> createMainWindow();
