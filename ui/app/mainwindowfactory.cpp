#include "mainwindowfactory.h"

#include "frmtq540_2.h"

std::unique_ptr<QWidget> createMainWindow(bool simulating, const QString &traceFile)
{
    auto window = std::make_unique<frmTQ540_2>();
    window->setSimulating(simulating);
    if (!traceFile.isEmpty())
        window->startTrace(traceFile);
    return window;
}
