#pragma once

#include <QString>

// The toolbar's COM port choice as the settings store keeps it: the list index
// of the selected port (0 for port 1 .. 15 for port 16) as decimal text.
namespace comport {

inline const QString valueName = QStringLiteral("Com");

// List index from the stored text: its leading number rounded; a number
// outside 0 .. 15 gives 0.
int indexFromStoredText(const QString &stored);

// Stored text of a list index (-1 when nothing is selected).
QString storedTextFromIndex(int index);

// The stored index, the user's own before the machine-wide one
// (settingsstore::readOrder), or 0 when nothing usable is stored.
int readStoredIndex();

// Stores the index in the user's own scope; false when the store refused it.
bool writeStoredIndex(int index);

} // namespace comport
