#pragma once

#include "memorycontrols.h"

#include <QString>

namespace tqimage {

// What the image keeps of the texts in the window's controls: each text goes
// through the codec (encoded into a scratch image, decoded again) and comes
// back as the window will show it after a save, an upload or a download. A
// Type of "5" comes back as "1", a dwell time of "300" as "255".
MemoryControls asStored(const CodecControls &controls);

// The controls' texts and settings, copied: what asStored works on, and where
// the caller can put a text still being typed in place of its cell's.
MemoryControls copyOf(const CodecControls &controls);

// True when `typed` will not be stored as it stands: it differs, blanks
// around it aside, from the `stored` text asStored gave back. An empty text
// (nothing typed) is left alone: it reads as 0 or unset, as a cleared window
// starts.
bool storedOtherwise(const QString &typed, const QString &stored);

} // namespace tqimage
