#include "commandline.h"
#include "startup.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    answerHelpAndVersion(argc, argv);
    QApplication app(argc, argv);
    const std::unique_ptr<QWidget> window = Main();
    return app.exec();
}
