#include "mainwindowfactory.h"

#include "msgbox.h"

#include <QWidget>

// A plain window with the application's title until the configuration
// window takes its place.
std::unique_ptr<QWidget> createMainWindow()
{
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(msgbox::appTitle);
    window->resize(640, 430);
    return window;
}
