#pragma once

#include <QStringList>
#include <array>
#include <cstdint>
#include <span>

// The one in-memory copy of the device's EEPROM and the byte layout of the
// configuration it carries.
namespace tqimage {

// Indices 0 to 65536: index p from 1 on (a position) holds EEPROM address p - 1;
// index 0 belongs to no address and is never used.
constexpr int imagePositions = 65536;
using EEPROMImage = std::array<std::uint8_t, imagePositions + 1>;

// The shared image: zero at start, kept for the whole run, used by the main
// window, the toolbar and the transfer window.
extern EEPROMImage EEPROMBuf;

// Positions 1 .. 65536, the view lent to the toolbar: element k is EEPROM
// address k and offset k of a configuration file.
std::span<std::uint8_t, imagePositions> addressView(EEPROMImage &image);
std::span<const std::uint8_t, imagePositions> addressView(const EEPROMImage &image);

namespace layout {

constexpr int posBaud = 33;  // index into baudRates()
constexpr int posFlags = 34; // option flags
constexpr int posDwell = 35; // LED dwell time in minutes

constexpr int recordCount = 24; // inputs, and outputs
constexpr int posFirstInput = 40;
constexpr int posLastInput = posFirstInput + recordCount - 1; // 63
constexpr int posFirstOutput = 80;
constexpr int posLastOutput = posFirstOutput + recordCount - 1; // 103

// Image positions moved to and from the device.
constexpr int transferStart = 33;
constexpr int transferStop = 120;

constexpr std::uint8_t flagAlarmSystem = 0x01;

// Input record bits and the input grid column each one is edited in.
constexpr std::uint8_t inputGroupMask = 0x07; // column 3, a number 0 .. 7
constexpr std::uint8_t inputTypeBit = 0x20;   // column 1, "0"/"1"
constexpr std::uint8_t inputLatchBit = 0x40;  // column 4, check mark
constexpr std::uint8_t inputAlarmBit = 0x80;  // column 2, check mark

// Output record bits.
constexpr std::uint8_t outputPowerOnBit = 0x01; // column 1, "0"/"1"
constexpr std::uint8_t outputAlarmBit = 0x80;   // column 2, check mark

} // namespace layout

// The grids: row 0 is the header, rows 1 .. 24 are records 1 .. 24; column 0
// holds the row number.
namespace grid {
constexpr int rows = layout::recordCount + 1;
constexpr int inputCols = 5;
constexpr int outputCols = 3;
constexpr int inputTypeCol = 1;
constexpr int inputAlarmCol = 2;
constexpr int inputGroupCol = 3;
constexpr int inputLatchCol = 4;
constexpr int outputPowerOnCol = 1;
constexpr int outputAlarmCol = 2;
} // namespace grid

// The items of the baud-rate list, in order; the stored code is the list index.
const QStringList &baudRates();
// Selected when the list has no selection or the stored code is not in the list.
constexpr int baudFallbackIndex = 3; // "9600"

// What clearing the window puts into the dwell-time box.
inline const QString clearedDwellText = QStringLiteral("30");

// Text of a set check-mark cell.
inline const QString checkMark = QStringLiteral("x");

} // namespace tqimage
