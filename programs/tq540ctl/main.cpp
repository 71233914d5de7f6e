#include "subcommand.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq540ctl"));
    return tq540ctl::dispatch(QCoreApplication::arguments().mid(1));
}
