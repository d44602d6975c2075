// Types and helpers shared by every module of the toolkit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// The one marker for "not set" or "missing", as an integer or a float.
inline constexpr int kMissing = -9999;
inline constexpr float kMissingF = -9999.0F;

constexpr bool is_missing(int v) { return v == kMissing; }
constexpr bool is_missing(long long v) { return v == kMissing; }
constexpr bool is_missing(float v) { return v == kMissingF; }
constexpr bool is_missing(double v) { return v == kMissing; }

// Bounded copy into a buffer of `size` bytes: truncates and always terminates.
// A null source gives the empty text. Returns dst.
char* strntcpy(char* dst, const char* src, std::size_t size);

// The same for fixed-length text fields: copy_text(rec.name, src).
template <std::size_t N>
char* copy_text(char (&dst)[N], const char* src) {
    return strntcpy(dst, src, N);
}

}  // namespace orv
