#pragma once

#include <cstdint>

class QWidget;

// Greys out, and later restores, the Close command of a window while it must
// not be closed (a device transfer is running in it).
namespace modCloseBtn {

// Results of EnableCloseButton. Changing the command's identifier or its
// state cannot fail with Qt, so no other result occurs.
constexpr std::int16_t closeDone = 0;
constexpr std::int16_t closeNotAWindow = -1;

// enable false: the window refuses every close request (title-bar button,
// Alt+F4, Escape in a dialog) and hides its title-bar close button where the
// platform allows. enable true: normal closing again. A call that finds the
// window already in the asked state changes nothing and returns closeDone.
// closeNotAWindow for a null widget or one that is not a top-level window.
std::int16_t EnableCloseButton(QWidget *window, const bool &enable);

// True while the window's Close command is greyed.
bool isCloseGreyed(const QWidget *window);

} // namespace modCloseBtn
