#pragma once

#include "memorycontrols.h"

#include <QByteArray>
#include <QString>

// The codec's controls as JSON:
// {"baud": "9600" or null, "alarm": false, "dwell": "30",
//  "inputs": 24 rows of 4 cell texts, "outputs": 24 rows of 2 cell texts}.
namespace configjson {

// Fills `controls` from the JSON text. On bad JSON (named by line and column),
// a missing or unknown key, a wrong row or cell count, a wrong type, a baud
// rate not in the list or a check cell holding anything but "x" or blanks it
// returns false with `error` naming what is wrong, and leaves `controls` as it was.
bool read(const QByteArray &json, tqimage::MemoryControls &controls, QString &error);

// The controls as indented JSON in the same form.
QByteArray write(const tqimage::MemoryControls &controls);

} // namespace configjson
