// Plot data control: the record of one station's value that the data
// sources, the station plotter and the raw-file writer exchange.
#pragma once

#include <cstddef>

namespace orv {

inline constexpr std::size_t kRawFormatSize = 80;
inline constexpr std::size_t kRawTextSize = 40;

struct RawData {
    float x;                     // plot position (projected), -9999 unset
    float y;
    int type;                    // variable type
    char format[kRawFormatSize]; // the variable's format text
    char text[kRawTextSize];     // a text value, empty when none
    float value;                 // -9999 missing
    float second;                // second component, -9999 missing
};

}  // namespace orv
