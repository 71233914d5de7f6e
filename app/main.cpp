#include "msgbox.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(msgbox::appTitle);
    window.resize(640, 430);
    window.show();
    return app.exec();
}
