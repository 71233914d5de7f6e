#pragma once

#include <QString>

namespace programfiles {

// A file that lies beside the program (the language library, the manual):
// the program's directory, a separator unless it already ends in one ("/" or
// "\"), then the file's name.
QString beside(const QString &programDir, const QString &fileName);

} // namespace programfiles
