#pragma once

#include "scopedseam.h"

#include <QStringList>

#include <functional>
#include <optional>

// The language the user wants the program's texts in, as a Windows language
// ID (see langid.h): a language library that carries its texts in several
// languages is read in this one first.
namespace uilanguage {

// The user's UI language; 0 when the system names none the table below knows.
quint16 user();

// Where user() comes from: the system (the user's default UI language on
// Windows, the locale's UI languages elsewhere), unless a test installs its
// own (an empty source restores the system's).
using Source = std::function<quint16()>;
Source setSource(Source source);
using ScopedSource = ScopedSeam<Source, &setSource>;

// The language ID of the first of `names` that the table knows. A name is a
// locale name as QLocale::uiLanguages() gives it ("de-AT", "zh-Hans-CN",
// "pt"); the table knows every primary language Windows numbers, and the
// countries and scripts with a language ID of their own. A language alone,
// or with a country that has no ID of its own, gives the primary language
// with the neutral sublanguage ("de" and "de-BE" give 0x0007).
std::optional<quint16> fromNames(const QStringList &names);

} // namespace uilanguage
