#pragma once

#include "codec.h"
#include "target.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The window's configuration at one moment, whole: the image as it stands
// (the bytes the window does not show but Upload sends included), the data
// length, the file it belongs to, the caption, and the controls' own texts (a
// cell typed "5" comes back as "5", not as what the codec would make of it).
// Typing not yet committed into a cell is not part of it.
struct ConfigState
{
    QByteArray image; // positions 1 on, trailing zero bytes left out
    std::int32_t dataLen = 0;
    QString filename;
    QString caption;
    QStringList inputCells; // data rows then data columns, row by row
    QStringList outputCells;
    QString timeoutText;
    int alarmSystem = 0;
    int baudIndex = -1;
    // The device a Download brought it from; the sheet names it. Not kept in
    // a recovery file: restored edits come from no device.
    std::optional<m::DeviceOrigin> origin;

    bool operator==(const ConfigState &) const = default;
};

namespace configstate {

// The image and the controls; dataLen, filename and caption are the caller's.
ConfigState capture(const tqimage::CodecControls &controls, const tqimage::EEPROMImage &image);
// Puts the image and the controls back and lays the edit boxes on their cells.
void apply(const ConfigState &state, tqimage::CodecControls &controls, tqimage::EEPROMImage &image);

// The state and the time it was kept, as a file's content, and back; nothing
// for content that is not such a file's.
QByteArray toJson(const ConfigState &state, const QDateTime &kept);
struct Kept
{
    ConfigState state;
    QDateTime time;
};
std::optional<Kept> fromJson(const QByteArray &content);

} // namespace configstate
