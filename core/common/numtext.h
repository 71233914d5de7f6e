#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Reading texts as numbers the way the user typed them into a cell or field.
namespace numtext {

// The value of the decimal number at the start of the text: leading blanks are
// skipped, an optional sign, digits, a decimal point and an exponent are taken,
// and reading stops at the first character that cannot continue the number.
// A text without a number gives 0.
double leadingNumber(const QString &text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// leadingNumber rounded half to even.
double roundedNumber(const QString &text);

// roundedNumber as a 32-bit integer; empty when it lies outside that range.
std::optional<std::int32_t> roundedInt32(const QString &text);

// Clamp a rounded number into [low, high] and return it as an integer.
int clampedInt(double value, int low, int high);

} // namespace numtext
