#pragma once

#include "scopedseam.h"

#include <QString>
#include <functional>

class QUrl;

// The user manual next to the program, opened by F1 and the toolbar's Help.
// Opening goes through one replaceable opener, so tests can answer it.
namespace helpfile {

inline const QString fileName = QStringLiteral("dc-tq540-2.pdf");

// The manual's path beside the program.
QString helpFilePath(const QString &programDir);

// Hands a URL to the desktop; true when something took it.
using Opener = std::function<bool(const QUrl &url)>;

// Replaces the opener; returns the previous one. An empty opener restores
// the desktop's own (QDesktopServices::openUrl).
Opener setOpener(Opener opener);
using ScopedOpener = ScopedSeam<Opener, &setOpener>;

// Asks the desktop to open the manual from the program's directory. A missing
// file or a refusal is not reported: the user simply sees no document.
void openHelp();

} // namespace helpfile
