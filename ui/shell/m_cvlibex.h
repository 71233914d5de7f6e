#pragma once

#include <QString>
#include <cstdint>

class QFont;
class QWidget;

// Gives windows and controls the system's default user-interface font while
// they are created.
namespace m_cvlibex {

// Character set reported for the system font. Qt picks glyphs by script on
// its own, so the value only says "the system's default".
constexpr std::int32_t defaultCharset = 1;

// Face name, point size and character set of the system's default GUI font.
// True when the font could be read; the face name is only set then. Size and
// character set are always set (both 0 when the font cannot be read).
bool GetDefaultGuiFont(QString &faceName, std::int32_t &size, std::int32_t &charset);

// Copies the default GUI font's face name (and its point size when withSize
// is true) onto `font`; changes nothing when the font cannot be read.
void ApplyDefaultGuiFont(QFont &font, bool withSize);

// Point size of a logical font height (pixels, negative for a character
// height) on a screen of `dpi` pixels per inch: |height * 72 / dpi| with the
// remainder dropped, as the system's font dialogs count it. 0 for a dpi < 1.
std::int32_t pointSizeFromHeight(std::int32_t height, std::int32_t dpi);

// Logical height (negative, in pixels) of a font of `pointSize` points on a
// screen of `dpi` pixels per inch, rounded to the nearest pixel.
std::int32_t heightFromPointSize(double pointSize, std::int32_t dpi);

// ApplyDefaultGuiFont with size on `widget`'s own font.
void applyDefaultGuiFont(QWidget *widget);

// The same for every widget inside `parent` (not `parent` itself).
void applyDefaultGuiFontToControls(QWidget *parent);

} // namespace m_cvlibex
