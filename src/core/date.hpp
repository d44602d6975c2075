// Dates and times: the eight-integer date record, conversions to and from
// seconds since 1970 and day numbers, the short text forms of file headers,
// the process-wide time-zone setting and the texts that label plots.
//
// Seconds since 1970-01-01 00:00 UT are carried as std::int64_t, so dates
// after 2037 convert correctly; results for earlier dates are those of the
// classic 32-bit count.
//
// Output texts never overrun: every function writing text takes the buffer
// size, and an overload for character arrays supplies it from the array type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace orv {

struct DateRecord {
    std::int32_t year;
    std::int32_t month;
    std::int32_t day;
    std::int32_t jday;  // day of year, 1..366
    std::int32_t wday;  // 0 = Sunday
    std::int32_t hour;
    std::int32_t minute;
    std::int32_t second;
};

// A buffer of this size holds every label built here from model texts of up
// to 29 characters (the model text is cut there).
inline constexpr std::size_t kDateLabelSize = 128;

// Names; the empty text outside 1..12.
const char* DATE_month(int month);        // "JAN"
const char* DATE_month_lower(int month);  // "jan"
const char* DATE_month_long(int month);   // "January"

void DATE_init(DateRecord* date);  // every field -9999
// Prints "year/month/day hh:mm:ss" with MESS_print at `level`.
void DATE_print(unsigned level, const DateRecord* date);
int DATE_is_leap(int year);

// Seconds since 1970-01-01 00:00 UT. Normalises the record in place first:
// negative year -> 1980, 0..49 -> 2000.., 50..199 -> 1900..; month outside
// 1..12 -> 1; day > 31 -> 1; hour > 23, minute > 59, second > 59 -> 0.
// Unset (-9999) hours, minutes or seconds are not corrected: set them first.
std::int64_t DATE_num_sec(DateRecord* date);
std::int64_t DATE_num_sec_tm(const std::tm* tm);

// Day numbers count 1970-01-01 as day 1. A month outside 1..12 counts as 1.
int DATE_date_days(int year, int month, int day);
int DATE_days_date(int days, int* year, int* month, int* day);
// Splits a count of seconds (taken within one day) into hour, minute, second.
int DATE_time_date(std::int64_t seconds, int* hour, int* minute, int* second);
int DATE_julian_monday(int year, int day_of_year, int* month, int* day);
int DATE_monday_julian(int year, int month, int day, int* day_of_year);

// One shared record, overwritten by the next call; second 0, day of year and
// weekday as left.
DateRecord* DATE_to_struct(int year, int month, int day, int hour, int minute);

// Clock. A null time pointer means now.
std::time_t DATE_get_time(std::time_t* t);
std::tm DATE_get_gmtime(const std::time_t* t);
std::tm DATE_get_localtime(const std::time_t* t);
int DATE_get_gmdate(const std::time_t* t, DateRecord* date);
int DATE_get_localdate(const std::time_t* t, DateRecord* date);
int DATE_get_current_gmdate(DateRecord* date);
// Fills every field of `date` from seconds since 1970 (UT); any 64-bit count.
int DATE_sec_to_date(std::int64_t seconds, DateRecord* date);

// Current universal time as "yy MON dd  hh:mm:ssZ" and "dd-hh:mmZ".
char* DATE_get_current_str(char* out, std::size_t size);
void DATE_print_current(unsigned level);
char* DATE_get_simple_current_str(char* out, std::size_t size);

// "yyyymmddhhmm"; normalises the record in place (negative year -> 1980,
// month outside 1..12 -> 1, day > 31 -> 1, hour > 23 -> 0, minute > 59 -> 0).
char* DATE_make_seq(DateRecord* date, char* out, std::size_t size);
// Reads the sequence form back; returns the number of fields read (-1 for a
// null argument). Fields not in the text are left as they were.
int DATE_decode_seq(const char* text, DateRecord* date);

// Time zone: "[+|-]NAME[:HOURS]". "-" selects the 12-hour clock with the
// universal time in brackets, "+" the plain 12-hour clock; without a sign the
// clock is kept. A text without a name changes only the clock. Returns 0, or
// -1 for a null text.
int DATE_set_TZ(const char* text);
int DATE_get_tz_off();
const char* DATE_get_tz_str();
int DATE_get_tz_clock();  // 0 24-hour, +1 12-hour, -1 12-hour with UT

// Date labels; each returns 0, or -1 without an output buffer or date.
int DATE_make_label(const DateRecord* date, char* out, std::size_t size);
char* DATE_fhour_label(char* out, std::size_t size, int hours, int days);
// How forecast hours are named: mixed (hours up to 60, whole and half days
// beyond; the start value), or one form for every time of a run: hours, or
// days wherever the hours are whole or half days.
enum class DateHourForm { mixed, hours, days };
void DATE_set_fhour_form(DateHourForm form);
int DATE_make_label_valid_time(int time_code, const DateRecord* date, char* out, std::size_t size);
int DATE_make_label_for_time_mod(int time_code, const char* model_text, const DateRecord* date,
                                 char* out, std::size_t size);
int DATE_make_label_for_time(int time_code, int model, const DateRecord* date, char* out,
                             std::size_t size);
// The same label for a date given as seconds since 1970.
int DATE_make_label_for(int time_code, const char* model_text, std::int64_t seconds, char* out,
                        std::size_t size);
int DATE_format_label(char* out, std::size_t size, const char* format, int time_code,
                      const char* model_text, const DateRecord* date);

// Model names for DATE_make_label_for_time. The namer returns the model's
// name, or null/empty when it has none; without a namer no model text is shown.
using DateModelNamer = const char* (*)(int model);
void DATE_set_model_namer(DateModelNamer namer);

// Reads a date back from a label; returns 0 (-1 for a null argument).
int DATE_decode_label(const char* text, DateRecord* date);
int DATE_decode_month(const char* text);

// Decoding window for observation times given as hour * 100 + minute.
int DATE_set_datim(const DateRecord* date);
const DateRecord* DATE_get_datim();
int DATE_set_range(int before, int after);
int DATE_chk_range(int hhmm);

void DATE_reset_for_tests();

// Character arrays give their own size.
template <std::size_t N>
int DATE_make_label(const DateRecord* date, char (&out)[N]) {
    return DATE_make_label(date, out, N);
}
template <std::size_t N>
char* DATE_fhour_label(char (&out)[N], int hours, int days) {
    return DATE_fhour_label(out, N, hours, days);
}
template <std::size_t N>
int DATE_make_label_valid_time(int time_code, const DateRecord* date, char (&out)[N]) {
    return DATE_make_label_valid_time(time_code, date, out, N);
}
template <std::size_t N>
int DATE_make_label_for_time_mod(int time_code, const char* model_text, const DateRecord* date,
                                 char (&out)[N]) {
    return DATE_make_label_for_time_mod(time_code, model_text, date, out, N);
}
template <std::size_t N>
int DATE_make_label_for_time(int time_code, int model, const DateRecord* date, char (&out)[N]) {
    return DATE_make_label_for_time(time_code, model, date, out, N);
}
template <std::size_t N>
int DATE_format_label(char (&out)[N], const char* format, int time_code, const char* model_text,
                      const DateRecord* date) {
    return DATE_format_label(out, N, format, time_code, model_text, date);
}
template <std::size_t N>
char* DATE_make_seq(DateRecord* date, char (&out)[N]) {
    return DATE_make_seq(date, out, N);
}
template <std::size_t N>
char* DATE_get_current_str(char (&out)[N]) {
    return DATE_get_current_str(out, N);
}
template <std::size_t N>
char* DATE_get_simple_current_str(char (&out)[N]) {
    return DATE_get_simple_current_str(out, N);
}

}  // namespace orv
