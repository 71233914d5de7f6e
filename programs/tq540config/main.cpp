#include "commandline.h"
#include "startup.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    answerHelpAndVersion(argc, argv);
    QApplication app(argc, argv);
    // The application data folder (the recovery files) is Corvant's, as the settings are.
    QCoreApplication::setOrganizationName(QStringLiteral("Corvant"));
    const std::unique_ptr<QWidget> window = Main();
    return app.exec();
}
