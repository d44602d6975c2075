// Dates and times.
#pragma once

#include <cstdint>

namespace orv {

struct DateRecord {
    std::int32_t year;
    std::int32_t month;
    std::int32_t day;
    std::int32_t jday;     // day of year, 1..366
    std::int32_t wday;     // 0 = Sunday
    std::int32_t hour;
    std::int32_t minute;
    std::int32_t second;
};

int DATE_set_TZ(const char* text);

}  // namespace orv
