#pragma once

#include "scopedseam.h"

#include <QString>
#include <functional>

class QUrl;
class QWidget;

// The user manual next to the program, opened by F1 and the toolbar's Help.
// Opening goes through one replaceable opener, so tests can answer it.
namespace helpfile {

inline const QString fileName = QStringLiteral("dc-tq540-2.pdf");

// The program's own message (the language library has none) when nothing
// could open the manual; %1 is its path.
inline const QString cannotOpenMessage =
    QStringLiteral("The help document could not be opened:\n%1\n\n"
                   "Check that the file is there and that a PDF viewer is installed.");

// The manual's path beside the program.
QString helpFilePath(const QString &programDir);

// Hands a URL to the desktop; true when something took it.
using Opener = std::function<bool(const QUrl &url)>;

// Replaces the opener; returns the previous one. An empty opener restores
// the desktop's own (QDesktopServices::openUrl).
Opener setOpener(Opener opener);
using ScopedOpener = ScopedSeam<Opener, &setOpener>;

// Asks the desktop to open the manual from the program's directory. When
// nothing takes it (no PDF viewer, say), a message box over `parent` says so
// and names the file.
void openHelp(QWidget *parent);

} // namespace helpfile
