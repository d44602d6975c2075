// Conversion of values between unit names, with the conversions listed in the
// units file "units.lup" of the installation data, and small helpers for unit
// texts of the form "name (units)".
//
// A unit text may begin with a scale: "A^B " (A to the power B), "A " (a
// number and a blank) or "-" (-1); the rest is the base unit, in which "_"
// and blanks are the same.
#pragma once

#include <cstddef>

namespace orv {

inline constexpr int kUnitMaxChars = 14;      // of a unit text used in a conversion
inline constexpr std::size_t kUnitsSize = 16; // a units field (15 characters)
inline constexpr std::size_t kUnitNameSize = 80;

// value converted from units `from` to units `to`; -9999 is never converted.
// Without a units file the result is 0.
float UNIT_cvt(const char* from, const char* to, float value);

// "%.0e %s%s": value times the scale of units, the base unit and suffix;
// out holds size bytes (longer texts are cut).
char* UNIT_scale(const char* units, const char* suffix, char* out, float value, std::size_t size);
template <std::size_t N>
char* UNIT_scale(const char* units, const char* suffix, char (&out)[N], float value) {
    return UNIT_scale(units, suffix, out, value, N);
}

// Splits "name (units)" into the name (trailing blanks removed) and the units:
// 2 with both, 1 with a name only, 0 when the text begins with "(", -1 for
// an absent or empty text. name and units hold name_size and units_size bytes.
int UNIT_parse(const char* text, char* name, std::size_t name_size, char* units, std::size_t units_size);
template <std::size_t N, std::size_t M>
int UNIT_parse(const char* text, char (&name)[N], char (&units)[M]) {
    return UNIT_parse(text, name, N, units, M);
}

// Rewrites text (size bytes) as "name (units)" with its name and new units.
char* UNIT_change(char* text, std::size_t size, const char* units);
template <std::size_t N>
char* UNIT_change(char (&text)[N], const char* units) {
    return UNIT_change(text, N, units);
}

void UNIT_reset_for_tests();

}  // namespace orv
