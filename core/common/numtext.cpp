#include "numtext.h"

#include <cmath>
#include <limits>

namespace numtext {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Length of the run of ASCII digits starting at pos.
qsizetype digitRun(const QString &text, qsizetype pos)
{
    qsizetype end = pos;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
        ++end;
    return end - pos;
}

} // namespace

double leadingNumber(const QString &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    const qsizetype start = pos;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        ++pos;
    qsizetype mantissaDigits = digitRun(text, pos);
    pos += mantissaDigits;
    if (pos < text.size() && text[pos] == u'.') {
        const qsizetype fraction = digitRun(text, pos + 1);
        if (fraction > 0 || mantissaDigits > 0) {
            pos += 1 + fraction;
            mantissaDigits += fraction;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    // An exponent counts only when digits follow the letter (and its sign).
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        qsizetype exp = pos + 1;
        if (exp < text.size() && (text[exp] == u'+' || text[exp] == u'-'))
            ++exp;
        const qsizetype expDigits = digitRun(text, exp);
        if (expDigits > 0)
            pos = exp + expDigits;
    }
    // The text is a well-formed number, so a failed conversion is out of
    // range: too large a magnitude comes back infinite and reads as the
    // largest number, too small a one comes back 0 and reads as 0.
    bool ok = false;
    const double value = text.mid(start, pos - start).toDouble(&ok);
    if (std::isinf(value))
        return std::copysign(std::numeric_limits<double>::max(), value);
    return ok ? value : 0.0;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    return std::nearbyint(value); // default rounding mode: to nearest, ties to even
}

double roundedNumber(const QString &text)
{
    return roundHalfEven(leadingNumber(text));
}

std::optional<std::int32_t> roundedInt32(const QString &text)
{
    const double value = roundedNumber(text);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

int clampedInt(double value, int low, int high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return static_cast<int>(value);
}

} // namespace numtext
