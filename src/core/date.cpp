#include "core/date.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/mess.hpp"
#include "core/var_tool.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"

namespace orv {
namespace {

constexpr std::array<const char*, 12> kMonthUpper = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<const char*, 12> kMonthLower = {"jan", "feb", "mar", "apr", "may", "jun",
                                                     "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<const char*, 12> kMonthLong = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kWeekday = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
constexpr std::array<int, 13> kDaysBefore = {0,   31,  59,  90,  120, 151, 181,
                                             212, 243, 273, 304, 334, 365};
constexpr std::array<int, 13> kDaysBeforeLeap = {0,   31,  60,  91,  121, 152, 182,
                                                 213, 244, 274, 305, 335, 366};

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr unsigned kDebugTrace = 0x40000000U;
constexpr int kClock24 = 0;
constexpr int kClockWithUniversal = -1;
// Model texts and other appended parts of the plot label are cut here.
constexpr std::size_t kLabelPartMax = 29;

constexpr DateRecord kUnsetDate = {kMissing, kMissing, kMissing, kMissing,
                                   kMissing, kMissing, kMissing, kMissing};

// Model names for labels come from the variable module's name list.
const char* model_name_from_lookup(int model) {
    static char name[kVarLabelSize];
    name[0] = '\0';
    return VAR_model(name, model) == 1 && name[0] != '\0' ? name : nullptr;
}

struct DateState {
    char tz_text[7] = "Z";
    int tz_offset = 0;
    int clock = kClock24;
    DateRecord shared = kUnsetDate;
    DateModelNamer model_namer = model_name_from_lookup;
    DateRecord reference = kUnsetDate;
    int window_before = -15;
    int window_after = 10;
    DateHourForm hour_form = DateHourForm::mixed;
};
DateState g;

[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...) {
    std::array<char, 256> buffer{};
    std::va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, ap);
    va_end(ap);
    return buffer.data();
}

int give(const std::string& text, char* out, std::size_t size) {
    strntcpy(out, text.c_str(), size);
    return 0;
}

// Labels of an absent date: the empty text and -1.
int refuse(char* out, std::size_t size) {
    strntcpy(out, "", size);
    return -1;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 to the given Gregorian date; the day is taken
// linearly, so day 0 is the last day of the previous month.
std::int64_t days_from_civil(std::int64_t year, int month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floor_div(year, 400);
    const std::int64_t year_of_era = year - era * 400;
    const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

struct Civil {
    std::int64_t year;
    int month;
    int day;
};

Civil civil_from_days(std::int64_t days) {
    days += 719468;
    const std::int64_t era = floor_div(days, 146097);
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
    const int day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    const int month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool in_range(int v, int lo, int hi) { return v >= lo && v <= hi; }

int widen_year(int year) {
    if (year < 0) return 1980;
    if (year < 50) year += 2000;
    if (year < 200) year += 1900;
    return year;
}

// The corrections applied before converting a record to seconds.
void normalise_for_seconds(DateRecord& d) {
    d.year = widen_year(d.year);
    if (!in_range(d.month, 1, 12)) d.month = 1;
    if (d.day > 31) d.day = 1;
    if (d.hour > 23) d.hour = 0;
    if (d.minute > 59) d.minute = 0;
    if (d.second > 59) d.second = 0;
}

int zero_if_unset(int v) { return is_missing(v) ? 0 : v; }

const char* month_abbr(int month) { return DATE_month(month); }

int year2(int year) { return year % 100; }

// ---- time texts --------------------------------------------------------

struct TwelveHour {
    int hour;
    const char* half;
};

TwelveHour twelve_hour(int hour) {
    if (hour >= 13 && hour <= 23) return {hour - 12, "PM"};
    if (hour == 12) return {12, "PM"};
    if (hour == 0) return {12, "AM"};
    return {hour, "AM"};
}

// Hour-only time text; `padded` selects "%2.2d" instead of "%d" on the
// 24-hour clock.
std::string hour_text(int local_hour, int universal_hour, bool padded) {
    if (g.clock == kClock24) return format(padded ? "%2.2d%s" : "%d%s", local_hour, g.tz_text);
    const TwelveHour t = twelve_hour(local_hour);
    std::string text = format("%d %s%s", t.hour, t.half, g.tz_text);
    if (g.clock == kClockWithUniversal) text += format(" [%2.2dZ]", universal_hour);
    return text;
}

std::string hour_minute_text(const DateRecord& local, const DateRecord& universal) {
    if (g.clock == kClock24) return format("%2.2d%2.2d%s", local.hour, local.minute, g.tz_text);
    const TwelveHour t = twelve_hour(local.hour);
    std::string text = format("%d:%2.2d %s%s", t.hour, local.minute, t.half, g.tz_text);
    if (g.clock == kClockWithUniversal)
        text += format(" [%2.2d%2.2dZ]", universal.hour, universal.minute);
    return text;
}

// ---- forecast times ----------------------------------------------------

// How far a forecast hour value moves the valid time: plain hours, 800 + n
// days or 900 + n months (800 and 900 themselves mean no advance).
struct Advance {
    std::int64_t hours = 0;
    int months = 0;
};

Advance advance_of(int hours) {
    if (is_missing(hours) || hours == 800 || hours == 900) return {};
    if (hours > 800 && hours < 900) return {static_cast<std::int64_t>(hours - 800) * 24, 0};
    if (hours > 900 && hours < 1000) return {0, hours - 900};
    return {hours, 0};
}

int days_in_month(int year, int month) {
    const auto& table = DATE_is_leap(year) != 0 ? kDaysBeforeLeap : kDaysBefore;
    return table[month] - table[month - 1];
}

// The date record (normalised, hour and minute set) plus the advance, in
// seconds since 1970.
std::int64_t valid_seconds(DateRecord d, Advance advance) {
    if (advance.months != 0) {
        const std::int64_t months =
            static_cast<std::int64_t>(widen_year(d.year)) * 12 + (d.month - 1) + advance.months;
        d.year = static_cast<int>(months / 12);
        d.month = static_cast<int>(months % 12) + 1;
        if (d.day > days_in_month(d.year, d.month)) d.day = days_in_month(d.year, d.month);
    }
    return DATE_num_sec(&d) + advance.hours * 3600;
}

struct TimeCode {
    int kind = 0;
    int start = 0;
    int end = 0;
    int shown = kMissing;  // the hour the label names
};

TimeCode split_time_code(int code) {
    TimeCode tc;
    if (is_missing(code)) return tc;
    const auto as_hours = [](int h) { return h == 800 || h == 900 ? 0 : h; };
    tc.kind = code / 1000000;
    tc.start = as_hours(code % 1000000 / 1000);
    tc.end = as_hours(code % 1000);
    tc.shown = tc.kind < 6 ? tc.end : tc.start;
    return tc;
}

// The corrections of the valid-time labels; the hour is corrected only when
// set, the caller decides what an unset hour means.
void normalise_for_valid_time(DateRecord& d) {
    if (!is_missing(d.hour) && d.hour >= 24) d.hour = 0;
    if (!in_range(d.day, 1, 31)) d.day = 1;
    if (!in_range(d.month, 1, 12)) d.month = 1;
    if (d.year < 0) d.year = 1980;
}

struct ValidTime {
    DateRecord universal;
    DateRecord local;
};

ValidTime valid_time(DateRecord d, Advance advance) {
    d.hour = zero_if_unset(d.hour);
    d.minute = zero_if_unset(d.minute);
    d.second = zero_if_unset(d.second);
    const std::int64_t seconds = valid_seconds(d, advance);
    ValidTime v{};
    DATE_sec_to_date(seconds, &v.universal);
    DATE_sec_to_date(seconds + g.tz_offset, &v.local);
    return v;
}

std::string cut(const char* text, std::size_t limit) {
    return std::string(text, strnlen(text, limit));
}

bool has_text(const char* text) { return text != nullptr && *text != '\0'; }

// ---- labels ------------------------------------------------------------

enum class Precision { Year, Month, Day, Hour, Minute };

Precision precision_of(const DateRecord& d) {
    if (is_missing(d.month)) return Precision::Year;
    if (is_missing(d.day)) return Precision::Month;
    if (is_missing(d.hour)) return Precision::Day;
    if (is_missing(d.minute)) return Precision::Hour;
    return Precision::Minute;
}

std::string date_label(const DateRecord& date) {
    Precision precision = precision_of(date);
    DateRecord local = date;
    normalise_for_seconds(local);
    DateRecord universal = local;
    // A label of day precision or coarser names a calendar date, which a
    // shift to local time would move; only labels with an hour are shifted.
    if (g.tz_offset != 0 && precision >= Precision::Hour) {
        DateRecord work = local;
        work.minute = zero_if_unset(work.minute);
        work.second = zero_if_unset(work.second);
        const std::int64_t seconds = DATE_num_sec(&work);
        DATE_sec_to_date(seconds, &universal);
        DATE_sec_to_date(seconds + g.tz_offset, &local);
        precision = Precision::Minute;
    }
    const int yy = year2(local.year);
    switch (precision) {
    case Precision::Year: return format("%2.2d", yy);
    case Precision::Month: return format("%3s %2.2d", month_abbr(local.month), yy);
    case Precision::Day: return format("%2d %3s %2.2d", local.day, month_abbr(local.month), yy);
    case Precision::Hour:
        return format("%s %2d %3s %2.2d", hour_text(local.hour, universal.hour, true).c_str(),
                      local.day, month_abbr(local.month), yy);
    case Precision::Minute: break;
    }
    return format("%s %2d %3s %2.2d", hour_minute_text(local, universal).c_str(), local.day,
                  month_abbr(local.month), yy);
}

// A whole or half day, "0.5 day", "2 day", "3.5 day".
std::string day_text(int hours) {
    if (hours % 24 == 12) return format("%d.5 day", hours / 24);
    return format("%d day", hours / 24);
}

// Every time of a run named in one unit: hours as hours, or days where the
// hours are whole or half days.
std::string one_form_label(int hours, DateHourForm form) {
    if (hours > 800) hours = 24 * (hours - 800);
    if (hours <= 0 || is_missing(hours)) return "";
    if (form == DateHourForm::days && hours % 12 == 0) return day_text(hours);
    return format("%d hour", hours);
}

std::string fhour_label(int hours, bool days) {
    if (hours > 900) return format("%d month", hours - 900);
    if (g.hour_form != DateHourForm::mixed) return one_form_label(hours, g.hour_form);
    if (hours > 800) return format("%d day", hours - 800);
    if (days) {
        switch (hours) {
        case 12: return "0.5 day";
        case 24: return "1 day";
        case 36: return "1.5 day";
        case 48: return "2 day";
        case 60: return "2.5 day";
        default: break;
        }
    }
    if (hours > 60 && hours % 24 == 0) return format("%d day", hours / 24);
    if (hours > 60 && hours % 24 == 12) return format("%d.5 day", hours / 24);
    if (hours == 0 || is_missing(hours)) return "";
    return format("%d hour", hours);
}

std::string valid_time_label(int time_code, const DateRecord& date) {
    DateRecord d = date;
    const bool had_hour = !is_missing(d.hour);
    normalise_for_valid_time(d);
    const int hours = is_missing(time_code) ? 0 : time_code % 1000;
    const ValidTime v = valid_time(d, advance_of(hours));
    const DateRecord& l = v.local;
    if (!had_hour)
        return format("%3s %2d %3s %2.2d", kWeekday[l.wday], l.day, month_abbr(l.month),
                      year2(l.year));
    return format("%s %3s %2d %3s %2.2d", hour_text(l.hour, v.universal.hour, false).c_str(),
                  kWeekday[l.wday], l.day, month_abbr(l.month), year2(l.year));
}

std::string plot_label(int time_code, const char* model_text, const DateRecord& date) {
    const bool had_hour = !is_missing(date.hour);
    const bool has_model = has_text(model_text);
    const TimeCode tc = split_time_code(time_code);

    std::string label = cut(fhour_label(tc.shown, !had_hour).c_str(), kLabelPartMax);
    const bool has_forecast_hour = tc.shown != 0 && !is_missing(tc.shown);
    if (has_forecast_hour) label += ' ';
    if (has_model) label += cut(model_text, kLabelPartMax);

    DateRecord d = date;
    normalise_for_valid_time(d);
    if (tc.kind == 0 && !has_forecast_hour)
        return label + (has_model ? " analysis for " : "Analysis for ") + date_label(d);

    const bool is_valid_label = tc.start < 1 || tc.end != 0;
    if (is_valid_label)
        label += " valid";
    else
        label += has_model ? " analysis valid" : "Analysis valid";

    const ValidTime v = valid_time(d, advance_of(tc.end));
    const DateRecord& l = v.local;
    const std::string time = had_hour ? hour_text(l.hour, v.universal.hour, false) : "";
    const char* month = month_abbr(l.month);
    // The date and time part is built from bounded fields; it is not cut, as
    // a 12-hour time with a zone and the universal hour needs more than the
    // part limit.
    if (is_valid_label) {
        if (had_hour)
            return label + format(" %s %3s %2d %3s %2.2d", time.c_str(), kWeekday[l.wday], l.day,
                                  month, year2(l.year));
        return label + format(" %3s %2d %3s %2d", kWeekday[l.wday], l.day, month, year2(l.year));
    }
    if (had_hour)
        return label + format(" %s %2d %3s %2.2d", time.c_str(), l.day, month, year2(l.year));
    return label + format(" %2d %3s %2d", l.day, month, year2(l.year));
}

// The text of one date code of a label format.
std::string date_code_text(char code, int time_code, const DateRecord& d) {
    switch (code) {
    case 'F': return fhour_label(split_time_code(time_code).shown, is_missing(d.hour));
    case 'M': return format("%3.3s", month_abbr(d.month));
    case 'd': return format("%2.2d", d.day);
    case 'm': return format("%2.2d", d.month);
    case 'y': return format("%2.2d", year2(d.year));
    case 'h': return is_missing(d.hour) ? "" : format("%2.2d", d.hour);
    case 'n': return is_missing(d.minute) ? "" : format("%2.2d", d.minute);
    default: return "";
    }
}

bool is_date_code(char code) { return code != '\0' && std::strchr("FMdmyhn", code) != nullptr; }

std::string format_label(const char* format_text, int time_code, const char* model_text,
                         const DateRecord* date) {
    std::string out;
    for (const char* p = format_text; *p != '\0'; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        const char code = *++p;
        if (code == '\0') break;
        if (code == 'f')
            out += format("%d", time_code);
        else if (code == 'x')
            out += model_text != nullptr ? model_text : "";
        else if (is_date_code(code))
            out += date != nullptr ? date_code_text(code, time_code, *date) : "";
        else
            out += code;
    }
    return out;
}

// ---- decoding ----------------------------------------------------------

const char* last_chars(const char* text, std::size_t n) {
    const std::size_t len = std::strlen(text);
    return len > n ? text + len - n : text;
}

struct Decoded {
    int hour = kMissing, minute = kMissing, second = kMissing;
    int day = kMissing, year = kMissing, month = kMissing;
    char month_text[4] = "";
};

bool decode_label_forms(const char* text, Decoded& r) {
    if (std::sscanf(text, "%2dZ %2d %3s %2d", &r.hour, &r.day, r.month_text, &r.year) == 4)
        return true;
    r = Decoded{};
    const char* tail = last_chars(text, 15);
    if (std::sscanf(tail, "%2d%2dZ %2d %3s %2d", &r.hour, &r.minute, &r.day, r.month_text,
                    &r.year) == 5) {
        if (tail[0] == ' ') std::sscanf(tail, "%1d%2d", &r.hour, &r.minute);
        return true;
    }
    r = Decoded{};
    if (std::sscanf(last_chars(text, 19), "%2d:%2d:%2dZ %2d %3s %2d", &r.hour, &r.minute, &r.second,
                    &r.day, r.month_text, &r.year) == 6)
        return true;
    r = Decoded{};
    if (std::sscanf(last_chars(text, 13), "%2dZ %2d %3s %2d", &r.hour, &r.day, r.month_text,
                    &r.year) == 4)
        return true;
    // Last resort: four numbers, taken as year, month, day and hour.
    r = Decoded{};
    if (std::sscanf(text, "%9d %9d %9d %9d", &r.year, &r.month, &r.day, &r.hour) == 4) return true;
    r = Decoded{};
    return false;
}

int read_number(const char*& p) {
    int value = 0;
    for (int digits = 0; std::isdigit(static_cast<unsigned char>(*p)) != 0; ++p)
        if (++digits <= 6) value = value * 10 + (*p - '0');
    return value;
}

// One field of the decoding hour: "cu" for the current value, else digits.
int window_field(const char*& p, int current) {
    if (std::strncmp(p, "cu", 2) == 0) {
        p += 2;
        return current;
    }
    return read_number(p);
}

// "hh:mm", each field digits or "cu", then optionally "-before" and "+after".
void apply_decode_hour(const char* text) {
    DateRecord now{};
    DATE_get_current_gmdate(&now);
    const char* p = text;
    g.reference.hour = window_field(p, now.hour);
    g.reference.minute = 0;
    if (*p == ':') g.reference.minute = window_field(++p, now.minute);
    while (*p == '-' || *p == '+') {
        const char sign = *p++;
        const int minutes = read_number(p);
        if (sign == '-')
            g.window_before = -minutes;
        else
            g.window_after = minutes;
    }
}

}  // namespace

// ---- names and simple conversions ----------------------------------------

const char* DATE_month(int month) { return in_range(month, 1, 12) ? kMonthUpper[month - 1] : ""; }
const char* DATE_month_lower(int month) {
    return in_range(month, 1, 12) ? kMonthLower[month - 1] : "";
}
const char* DATE_month_long(int month) {
    return in_range(month, 1, 12) ? kMonthLong[month - 1] : "";
}

void DATE_init(DateRecord* date) {
    if (date != nullptr) *date = kUnsetDate;
}

void DATE_print(unsigned level, const DateRecord* date) {
    if (date == nullptr) return;
    MESS_print(level, "%d/%d/%d %2.2d:%2.2d:%2.2d\n", date->year, date->month, date->day,
               date->hour, date->minute, date->second);
}

int DATE_is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 1 : 0; }

std::int64_t DATE_num_sec(DateRecord* date) {
    if (date == nullptr) return 0;
    normalise_for_seconds(*date);
    const std::int64_t days = days_from_civil(date->year, date->month, date->day);
    return days * kSecondsPerDay + static_cast<std::int64_t>(date->hour) * 3600 +
           static_cast<std::int64_t>(date->minute) * 60 + date->second;
}

std::int64_t DATE_num_sec_tm(const std::tm* tm) {
    if (tm == nullptr) return 0;
    DateRecord d = {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_yday + 1,
                    tm->tm_wday,        tm->tm_hour,    tm->tm_min,  tm->tm_sec};
    return DATE_num_sec(&d);
}

int DATE_date_days(int year, int month, int day) {
    if (!in_range(month, 1, 12)) month = 1;
    return static_cast<int>(days_from_civil(year, month, day) + 1);
}

int DATE_days_date(int days, int* year, int* month, int* day) {
    const Civil c = civil_from_days(static_cast<std::int64_t>(days) - 1);
    if (year != nullptr) *year = static_cast<int>(c.year);
    if (month != nullptr) *month = c.month;
    if (day != nullptr) *day = c.day;
    return 0;
}

int DATE_time_date(std::int64_t seconds, int* hour, int* minute, int* second) {
    const std::int64_t s = seconds - floor_div(seconds, kSecondsPerDay) * kSecondsPerDay;
    if (hour != nullptr) *hour = static_cast<int>(s / 3600);
    if (minute != nullptr) *minute = static_cast<int>(s % 3600 / 60);
    if (second != nullptr) *second = static_cast<int>(s % 60);
    return 0;
}

int DATE_julian_monday(int year, int day_of_year, int* month, int* day) {
    const bool leap = DATE_is_leap(year) != 0;
    const auto& table = leap ? kDaysBeforeLeap : kDaysBefore;
    if (day_of_year < 1) day_of_year = 1;
    if (day_of_year > table[12]) day_of_year = table[12];
    int m = 1;
    while (m < 12 && day_of_year > table[m]) ++m;
    if (month != nullptr) *month = m;
    if (day != nullptr) *day = day_of_year - table[m - 1];
    return 0;
}

int DATE_monday_julian(int year, int month, int day, int* day_of_year) {
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    const auto& table = DATE_is_leap(year) != 0 ? kDaysBeforeLeap : kDaysBefore;
    if (day_of_year != nullptr) *day_of_year = table[month - 1] + day;
    return 0;
}

DateRecord* DATE_to_struct(int year, int month, int day, int hour, int minute) {
    g.shared.year = year;
    g.shared.month = month;
    g.shared.day = day;
    g.shared.hour = hour;
    g.shared.minute = minute;
    g.shared.second = 0;
    return &g.shared;
}

// ---- clock ---------------------------------------------------------------

std::time_t DATE_get_time(std::time_t* t) { return std::time(t); }

std::tm DATE_get_gmtime(const std::time_t* t) {
    const std::time_t when = t != nullptr ? *t : std::time(nullptr);
    std::tm tm{};
    gmtime_r(&when, &tm);
    return tm;
}

std::tm DATE_get_localtime(const std::time_t* t) {
    const std::time_t when = t != nullptr ? *t : std::time(nullptr);
    std::tm tm{};
    localtime_r(&when, &tm);
    return tm;
}

int DATE_sec_to_date(std::int64_t seconds, DateRecord* date) {
    if (date == nullptr) return -1;
    const std::int64_t days = floor_div(seconds, kSecondsPerDay);
    const Civil c = civil_from_days(days);
    date->year = static_cast<int>(c.year);
    date->month = c.month;
    date->day = c.day;
    date->jday = static_cast<int>(days - days_from_civil(c.year, 1, 1) + 1);
    date->wday =
        static_cast<int>(days + 4 - floor_div(days + 4, 7) * 7);  // 1970-01-01 was a Thursday
    DATE_time_date(seconds, &date->hour, &date->minute, &date->second);
    return 0;
}

int DATE_get_gmdate(const std::time_t* t, DateRecord* date) {
    const std::time_t when = t != nullptr ? *t : std::time(nullptr);
    return DATE_sec_to_date(when, date);
}

int DATE_get_localdate(const std::time_t* t, DateRecord* date) {
    if (date == nullptr) return -1;
    const std::tm tm = DATE_get_localtime(t);
    *date = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_yday + 1,
             tm.tm_wday,        tm.tm_hour,    tm.tm_min,  tm.tm_sec};
    return 0;
}

int DATE_get_current_gmdate(DateRecord* date) { return DATE_get_gmdate(nullptr, date); }

namespace {
std::string current_str() {
    DateRecord d{};
    DATE_get_current_gmdate(&d);
    return format("%2.2d %s %2.2d  %2.2d:%2.2d:%2.2dZ", year2(d.year), DATE_month(d.month), d.day,
                  d.hour, d.minute, d.second);
}
}  // namespace

char* DATE_get_current_str(char* out, std::size_t size) {
    give(current_str(), out, size);
    return out;
}

void DATE_print_current(unsigned level) { MESS_print(level, "%s", current_str().c_str()); }

char* DATE_get_simple_current_str(char* out, std::size_t size) {
    DateRecord d{};
    DATE_get_current_gmdate(&d);
    give(format("%2.2d-%2.2d:%2.2dZ", d.day, d.hour, d.minute), out, size);
    return out;
}

// ---- sequence form -------------------------------------------------------

char* DATE_make_seq(DateRecord* date, char* out, std::size_t size) {
    if (date == nullptr) return out;
    if (date->year < 0) date->year = 1980;
    if (!in_range(date->month, 1, 12)) date->month = 1;
    if (date->day > 31) date->day = 1;
    if (date->hour > 23) date->hour = 0;
    if (date->minute > 59) date->minute = 0;
    give(format("%4.4d%2.2d%2.2d%2.2d%2.2d", date->year, date->month, date->day, date->hour,
                date->minute),
         out, size);
    return out;
}

int DATE_decode_seq(const char* text, DateRecord* date) {
    if (text == nullptr || date == nullptr) return -1;
    const int n = std::sscanf(text, "%4d%2d%2d%2d%2d", &date->year, &date->month, &date->day,
                              &date->hour, &date->minute);
    return n < 0 ? 0 : n;
}

// ---- time zone -----------------------------------------------------------

int DATE_set_TZ(const char* text) {
    if (text == nullptr) return -1;
    if (*text == '-') {
        g.clock = -1;
        ++text;
    } else if (*text == '+') {
        g.clock = 1;
        ++text;
    }
    char name[5] = "";
    float hours = 0.0F;
    if (std::sscanf(text, "%4[^:]:%f", name, &hours) < 1) return 0;
    std::snprintf(g.tz_text, sizeof g.tz_text, " %s", name);
    // Product formed in single precision, as the hours were read; an offset
    // beyond the range of seconds counts as none.
    const float seconds = hours * 3600.0F;
    const bool representable = std::isfinite(seconds) && std::fabs(seconds) < 2.0e9F;
    g.tz_offset = representable ? static_cast<int>(seconds) : 0;
    return 0;
}

int DATE_get_tz_off() { return g.tz_offset; }
const char* DATE_get_tz_str() { return g.tz_text; }
int DATE_get_tz_clock() { return g.clock; }

// ---- labels --------------------------------------------------------------

int DATE_make_label(const DateRecord* date, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return -1;
    if (date == nullptr) return refuse(out, size);
    return give(date_label(*date), out, size);
}

void DATE_set_fhour_form(DateHourForm form) { g.hour_form = form; }

char* DATE_fhour_label(char* out, std::size_t size, int hours, int days) {
    give(fhour_label(hours, days != 0), out, size);
    return out;
}

int DATE_make_label_valid_time(int time_code, const DateRecord* date, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return -1;
    if (date == nullptr) return refuse(out, size);
    return give(valid_time_label(time_code, *date), out, size);
}

int DATE_make_label_for_time_mod(int time_code, const char* model_text, const DateRecord* date,
                                 char* out, std::size_t size) {
    if (out == nullptr || size == 0) return -1;
    if (date == nullptr) return refuse(out, size);
    return give(plot_label(time_code, model_text, *date), out, size);
}

int DATE_make_label_for_time(int time_code, int model, const DateRecord* date, char* out,
                             std::size_t size) {
    const char* model_text = g.model_namer != nullptr ? g.model_namer(model) : nullptr;
    return DATE_make_label_for_time_mod(time_code, model_text, date, out, size);
}

int DATE_make_label_for(int time_code, const char* model_text, std::int64_t seconds, char* out,
                        std::size_t size) {
    DateRecord date{};
    DATE_sec_to_date(seconds, &date);
    return DATE_make_label_for_time_mod(time_code, model_text, &date, out, size);
}

int DATE_format_label(char* out, std::size_t size, const char* format_text, int time_code,
                      const char* model_text, const DateRecord* date) {
    if (out == nullptr || size == 0 || format_text == nullptr) return -1;
    return give(format_label(format_text, time_code, model_text, date), out, size);
}

void DATE_set_model_namer(DateModelNamer namer) { g.model_namer = namer; }

// ---- decoding ------------------------------------------------------------

int DATE_decode_label(const char* text, DateRecord* date) {
    if (text == nullptr || date == nullptr) return -1;
    DATE_init(date);
    Decoded r;
    if (!decode_label_forms(text, r)) return 0;
    if (r.year >= 0) r.year = widen_year(r.year);
    date->year = r.year;
    date->month = r.month_text[0] != '\0' ? DATE_decode_month(r.month_text) : r.month;
    date->day = r.day;
    date->hour = r.hour;
    date->minute = r.minute;
    date->second = r.second;
    return 0;
}

int DATE_decode_month(const char* text) {
    if (text == nullptr || std::isalpha(static_cast<unsigned char>(text[0])) == 0) return 0;
    const bool upper = std::isupper(static_cast<unsigned char>(text[0])) != 0;
    const std::size_t length = strnlen(text, 3);
    // Compares a later letter in the case of the first.
    const auto is = [&](std::size_t i, char letter) {
        const char want = upper ? letter : static_cast<char>(std::tolower(letter));
        return i < length && text[i] == want;
    };
    switch (std::toupper(static_cast<unsigned char>(text[0]))) {
    case 'A': return is(2, 'R') ? 4 : is(2, 'G') ? 8 : 0;
    case 'D': return 12;
    case 'F': return 2;
    case 'J': return is(1, 'A') ? 1 : is(2, 'N') ? 6 : is(2, 'L') ? 7 : 0;
    case 'M': return is(2, 'R') ? 3 : is(2, 'Y') ? 5 : 0;
    case 'N': return 11;
    case 'O': return 10;
    case 'S': return 9;
    default: return 0;
    }
}

// ---- decoding window -------------------------------------------------------

int DATE_set_datim(const DateRecord* date) {
    if (date != nullptr)
        g.reference = *date;
    else
        DATE_get_current_gmdate(&g.reference);
    const char* decode_hour = RES_get("decode_hour");
    if (has_text(decode_hour)) apply_decode_hour(decode_hour);
    MESS_print(kMessMess, "Decoding for: %2.2d:%2.2dZ\n", g.reference.hour, g.reference.minute);
    MESS_print(kMessMess, "Decoding range: %d +%d mins\n", g.window_before, g.window_after);
    return 0;
}

const DateRecord* DATE_get_datim() { return &g.reference; }

int DATE_set_range(int before, int after) {
    g.window_before = before > 0 ? -before : before;
    g.window_after = after < 0 ? -after : after;
    return 0;
}

int DATE_chk_range(int hhmm) {
    if (hhmm < 0) return 0;
    const int observed = hhmm / 100 * 60 + hhmm % 100;
    const int reference = zero_if_unset(g.reference.hour) * 60 + zero_if_unset(g.reference.minute);
    int difference = observed - reference;
    // The observation is taken on the day nearest to the reference.
    if (difference > 720) difference -= 1440;
    if (difference < -720) difference += 1440;
    const int inside = difference >= g.window_before && difference <= g.window_after ? 1 : 0;
    MESS_print(kDebugTrace, "%d %d %d-%d = %d\n", hhmm, difference, g.window_before, g.window_after,
               inside);
    return inside;
}

void DATE_reset_for_tests() { g = DateState{}; }

}  // namespace orv
