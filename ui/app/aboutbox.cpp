#include "aboutbox.h"

#include "msgbox.h"
#include "resdll.h"

#include <QCoreApplication>
#include <QDir>

namespace aboutbox {

namespace {

// Language texts.
constexpr int TEXT_VERSION = 1731;
constexpr int TEXT_QT = 1732;
constexpr int TEXT_LOADED = 1733;
constexpr int TEXT_NOT_LOADED = 1734;

} // namespace

QString text()
{
    const bool loaded = gResDll.hInstance() != 0;
    const QString library =
        loaded ? gResDll.filename() : langLibraryPath(QCoreApplication::applicationDirPath());
    const QString libraryLine =
        loaded ? textOr(TEXT_LOADED, QStringLiteral("Language library: %1 (loaded)"))
               : textOr(TEXT_NOT_LOADED, QStringLiteral("Language library: %1 (not loaded)"));
    return textOr(TEXT_VERSION, QStringLiteral("Program version: %1"))
               .arg(QStringLiteral(TQ_VERSION)) +
           u'\n' +
           textOr(TEXT_QT, QStringLiteral("Qt version: %1")).arg(QLatin1String(qVersion())) +
           u'\n' + libraryLine.arg(QDir::toNativeSeparators(library));
}

void show(QWidget *parent)
{
    msgbox::show(parent, text());
}

} // namespace aboutbox
