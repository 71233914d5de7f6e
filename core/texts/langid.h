#pragma once

#include <QtGlobal>

// Windows language IDs (LANGID), as a resource library files each resource
// under: the primary language in the low 10 bits, the sublanguage (country
// or script) in the 6 bits above.
namespace langid {

constexpr quint16 make(quint16 primary, quint16 sublanguage)
{
    return quint16(sublanguage << 10 | primary);
}
constexpr quint16 primary(quint16 language)
{
    return language & 0x3FF;
}

inline constexpr quint16 neutral = 0x0000;          // LANG_NEUTRAL, SUBLANG_NEUTRAL
inline constexpr quint16 englishUs = 0x0409;        // LANG_ENGLISH, SUBLANG_ENGLISH_US
inline constexpr quint16 neutralSublanguage = 0x00; // SUBLANG_NEUTRAL
// The sublanguage of a primary language's main country (SUBLANG_DEFAULT).
inline constexpr quint16 defaultSublanguage = 0x01;

} // namespace langid
