#include "core/date.hpp"
#include <gtest/gtest.h>
#include <array>
#include <tuple>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

DateRecord make_date(int year, int month, int day, int hour = kMissing, int minute = kMissing,
                     int second = kMissing) {
    return {year, month, day, kMissing, kMissing, hour, minute, second};
}

std::array<int, 5> ymdhm(const DateRecord& d) { return {d.year, d.month, d.day, d.hour, d.minute}; }

class DateTest : public ::testing::Test {
protected:
    void SetUp() override {
        DATE_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
    }
    void TearDown() override {
        DATE_reset_for_tests();
        RES_reset_for_tests();
    }
    static std::string label(DateRecord d) {
        char out[kDateLabelSize];
        EXPECT_EQ(DATE_make_label(&d, out), 0);
        return out;
    }
    static std::string valid(int code, DateRecord d) {
        char out[kDateLabelSize];
        EXPECT_EQ(DATE_make_label_valid_time(code, &d, out), 0);
        return out;
    }
    static std::string plot(int code, const char* model, DateRecord d) {
        char out[kDateLabelSize];
        EXPECT_EQ(DATE_make_label_for_time_mod(code, model, &d, out), 0);
        return out;
    }
    static std::string fhour(int hours, int days) {
        char out[32];
        return DATE_fhour_label(out, hours, days);
    }
    static void set_reference(const DateRecord& ref) {
        CaptureStdout();
        DATE_set_datim(&ref);
        GetCapturedStdout();
    }
};

TEST_F(DateTest, SecondsOfKnownInstantsAndCorrections) {
    struct Case {
        DateRecord d;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {make_date(1970, 1, 1, 0, 0, 0), 0},
        {make_date(2000, 3, 1, 0, 0, 0), 951868800},
        {make_date(1969, 12, 31, 23, 59, 59), -1},
        {make_date(1901, 12, 14, 0, 0, 0), -2147472000},
        {make_date(2038, 1, 19, 3, 14, 8), 2147483648LL},
        {make_date(2100, 3, 1, 0, 0, 0), 4107542400LL},  // 2100 is not a leap year
        {make_date(2400, 2, 29, 12, 0, 0), 13574606400LL},
        {make_date(99, 1, 1, 0, 0, 0), 915148800},       // two-digit years widen
        {make_date(5, 3, 15, 12, 0, 0), 1110888000},
        {make_date(-3, 13, 32, 24, 60, 60), 315532800},  // every field out of range: 1980-01-01
    };
    for (const Case& c : cases) {
        DateRecord d = c.d;
        EXPECT_EQ(DATE_num_sec(&d), c.seconds) << c.d.year << "-" << c.d.month;
    }
    DateRecord bad = make_date(-3, 13, 32, 24, 60, 60);
    DATE_num_sec(&bad);
    EXPECT_EQ(ymdhm(bad), (std::array{1980, 1, 1, 0, 0}));
    EXPECT_EQ(bad.second, 0);
}

TEST_F(DateTest, SecondsRoundTripAgreesWithTheCLibrary) {
    // Steps of a little over 11 days with an odd remainder sweep every
    // month, weekday and time of day from 1902 to 2199.
    for (std::int64_t s = -2145000000LL; s < 7258118400LL; s += 987659) {
        const std::time_t t = static_cast<std::time_t>(s);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        DateRecord d{};
        DATE_sec_to_date(s, &d);
        const std::array<int, 8> expected = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                             tm.tm_yday + 1,    tm.tm_wday,    tm.tm_hour,
                                             tm.tm_min,         tm.tm_sec};
        ASSERT_EQ((std::array{d.year, d.month, d.day, d.jday, d.wday, d.hour, d.minute, d.second}),
                  expected)
            << s;
        ASSERT_EQ(DATE_num_sec(&d), s);
        ASSERT_EQ(DATE_num_sec_tm(&tm), s);
    }
}

TEST_F(DateTest, LeapYearsDayNumbersAndDaysOfTheYear) {
    for (int year : {1972, 2000, 2004, 2024, 2400}) EXPECT_EQ(DATE_is_leap(year), 1) << year;
    for (int year : {1900, 1971, 2005, 2100}) EXPECT_EQ(DATE_is_leap(year), 0) << year;
    const int jan2005 = DATE_date_days(2005, 1, 1);  // months 0 and 13 are January
    EXPECT_EQ((std::vector{DATE_date_days(1970, 1, 1), DATE_date_days(1972, 3, 1), DATE_date_days(2005, 13, 1) - jan2005,
                           DATE_date_days(2005, 0, 1) - jan2005}),
              (std::vector{1, 791, 0, 0}));
    int y = 0, m = 0, d = 0;
    DATE_days_date(791, &y, &m, &d);
    EXPECT_EQ((std::array{y, m, d}), (std::array{1972, 3, 1}));
    for (int n = -800; n < 60000; n += 97) {
        DATE_days_date(n, &y, &m, &d);
        ASSERT_EQ(DATE_date_days(y, m, d), n);
    }
    for (const auto& [seconds, hms] : {std::pair{86400 * 3 + 45296, std::array{12, 34, 56}},
                                       {43205, {12, 0, 5}}, {-1, {23, 59, 59}}, {3599, {0, 59, 59}}}) {
        int h = 0, mi = 0, s = 0;
        DATE_time_date(seconds, &h, &mi, &s);
        EXPECT_EQ((std::array{h, mi, s}), hms) << seconds;
    }
    struct Julian {
        int year, day_of_year, month, day;
    };
    for (const Julian& c : {Julian{2004, 60, 2, 29}, Julian{2005, 60, 3, 1}, Julian{2005, 400, 12, 31},
                            Julian{2004, 366, 12, 31}, Julian{2004, 0, 1, 1}, Julian{2005, 31, 1, 31},
                            Julian{2005, 32, 2, 1}}) {
        int month = 0, day = 0;
        DATE_julian_monday(c.year, c.day_of_year, &month, &day);
        EXPECT_EQ((std::array{month, day}), (std::array{c.month, c.day})) << c.year << " " << c.day_of_year;
    }
    for (const auto& [year, month, day, jday] : {std::array{2004, 12, 31, 366}, {2005, 14, 31, 365}, {2005, 0, 5, 5}}) {
        int got = 0;
        DATE_monday_julian(year, month, day, &got);
        EXPECT_EQ(got, jday) << year << " " << month;
    }
}

TEST_F(DateTest, MonthNamesSharedRecordClockAndPrint) {
    EXPECT_EQ((std::vector<std::string>{DATE_month(1), DATE_month(12), DATE_month_lower(12), DATE_month_long(9),
                                        DATE_month(0), DATE_month(13), DATE_month_lower(13), DATE_month_long(0)}),
              (std::vector<std::string>{"JAN", "DEC", "dec", "September", "", "", "", ""}));
    DateRecord* shared = DATE_to_struct(2005, 3, 15, 12, 30);
    EXPECT_EQ(DATE_to_struct(2006, 1, 2, 3, 4), shared);
    EXPECT_EQ(ymdhm(*shared), (std::array{2006, 1, 2, 3, 4}));
    EXPECT_EQ(shared->second, 0);
    const std::time_t t = 1110889800;  // 2005-03-15 12:30 UT
    DateRecord d{};
    DATE_get_gmdate(&t, &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 3, 15, 12, 30}));
    EXPECT_EQ((std::array{d.jday, d.wday, d.second}), (std::array{74, 2, 0}));
    CaptureStdout();
    DATE_print(kMessPrint, &d);
    EXPECT_EQ(GetCapturedStdout(), "2005/3/15 12:30:00\n");
    char text[40];
    EXPECT_TRUE(std::regex_match(DATE_get_current_str(text), std::regex(R"(\d\d [A-Z]{3} \d\d  \d\d:\d\d:\d\dZ)")));
    EXPECT_TRUE(std::regex_match(DATE_get_simple_current_str(text), std::regex(R"(\d\d-\d\d:\d\dZ)")));
    char tiny[5];
    EXPECT_EQ(std::strlen(DATE_get_current_str(tiny)), 4U);
}

TEST_F(DateTest, SequenceForm) {
    char out[16];
    for (auto [d, seq] : {std::pair{make_date(2005, 3, 15, 6, 30), "200503150630"}, {make_date(2005, 12, 31, 23, 59), "200512312359"},
                          {make_date(-1, 0, 40, 25, 61), "198001010000"}, {make_date(2005, 13, 32, 24, 60), "200501010000"}})
        EXPECT_STREQ(DATE_make_seq(&d, out), seq);
    DateRecord back{};
    DATE_init(&back);
    EXPECT_EQ(DATE_decode_seq("200503150630", &back), 5);
    EXPECT_EQ(ymdhm(back), (std::array{2005, 3, 15, 6, 30}));
    EXPECT_EQ(back.second, kMissing);
    EXPECT_EQ((std::vector{DATE_decode_seq("", &back), DATE_decode_seq(nullptr, &back)}), (std::vector{0, -1}));
}

TEST_F(DateTest, TimeZoneSetting) {
    EXPECT_STREQ(DATE_get_tz_str(), "Z");
    EXPECT_EQ(DATE_get_tz_clock(), 0);
    const struct { const char *text, *name; int offset, clock; } cases[] = {
        {"-EST:-5", " EST", -18000, -1},
        {"IST:5.5", " IST", 19800, -1},  // no sign: the clock stays
        {"+PACIFIC:-8", " PACI", 0, 1},  // the name is cut to four letters; "F:" is no offset
        {"HUGE:1e30", " HUGE", 0, 1},  // beyond any count of seconds: no offset
        {"GMT", " GMT", 0, 1},
    };
    for (const auto& c : cases) {
        DATE_set_TZ(c.text);
        EXPECT_STREQ(DATE_get_tz_str(), c.name) << c.text;
        EXPECT_EQ(DATE_get_tz_off(), c.offset) << c.text;
        EXPECT_EQ(DATE_get_tz_clock(), c.clock) << c.text;
    }
    EXPECT_EQ(DATE_set_TZ(nullptr), -1);
}

TEST_F(DateTest, LabelsFollowThePrecisionZoneAndClock) {
    struct Case {
        const char* tz;
        DateRecord d;
        const char* text;
    };
    const Case cases[] = {
        {nullptr, make_date(2005, kMissing, kMissing), "05"},
        {nullptr, make_date(2005, 3, kMissing), "MAR 05"},
        {nullptr, make_date(2005, 12, 15), "15 DEC 05"},
        {nullptr, make_date(2005, 3, 5, 12), "12Z  5 MAR 05"},
        {nullptr, make_date(2005, 3, 15, 12, 30), "1230Z 15 MAR 05"},
        {nullptr, make_date(-4, 13, 15, 24, 75), "0000Z 15 JAN 80"},
        {nullptr, make_date(2105, 3, 15, 6), "06Z 15 MAR 05"},
        {"EST:-5", make_date(2005, 3, 15, 12, 30), "0730 EST 15 MAR 05"},
        // A shifted label always has minutes; the shift may cross midnight.
        {"EST:-5", make_date(2005, 3, 15, 2), "2100 EST 14 MAR 05"},
        // A date without an hour names a calendar day and is not shifted.
        {"EST:-5", make_date(2005, 3, 15), "15 MAR 05"},
        {"-EST:-5", make_date(2005, 3, 15, 12, 30), "7:30 AM EST [1230Z] 15 MAR 05"},
        {"-EST:-5", make_date(2005, 3, 15, 17, 5), "12:05 PM EST [1705Z] 15 MAR 05"},
        {"-EST:-5", make_date(2005, 3, 15, 5, 0), "12:00 AM EST [0500Z] 15 MAR 05"},
        {"+EST:-5", make_date(2005, 3, 15, 20, 45), "3:45 PM EST 15 MAR 05"},
        {"+Z:0", make_date(2005, 3, 15, 0), "12 AM Z 15 MAR 05"},
        {"+Z:0", make_date(2005, 3, 15, 12), "12 PM Z 15 MAR 05"},
        {"+Z:0", make_date(2005, 3, 15, 13), "1 PM Z 15 MAR 05"},
        {"+Z:0", make_date(2005, 3, 15, 11), "11 AM Z 15 MAR 05"},
        {"+Z:0", make_date(2005, 3, 15, 23), "11 PM Z 15 MAR 05"},
        {"-Z:0", make_date(2005, 3, 15, 18), "6 PM Z [18Z] 15 MAR 05"},
    };
    for (const Case& c : cases) {
        DATE_reset_for_tests();
        if (c.tz != nullptr) DATE_set_TZ(c.tz);
        EXPECT_EQ(label(c.d), c.text) << (c.tz != nullptr ? c.tz : "Z");
    }
}

TEST_F(DateTest, LabelsNeverOverrunTheBuffer) {
    DATE_set_TZ("-ABCD:-5");
    DateRecord d = make_date(2005, 3, 15, 17, 5);
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(DATE_make_label(&d, small, 6), 0);
    EXPECT_STREQ(small, "12:05");
    EXPECT_EQ(small[6], 'x');
    EXPECT_EQ((std::vector{DATE_make_label(&d, nullptr, 10), DATE_make_label(nullptr, small)}), (std::vector{-1, -1}));
    EXPECT_STREQ(small, "");
}

TEST_F(DateTest, ForecastHourLabels) {
    struct Case {
        DateHourForm form;
        int hours, days;
        const char* text;
    };
    const DateHourForm mixed = DateHourForm::mixed, hours = DateHourForm::hours, days = DateHourForm::days;
    const Case cases[] = {
        {mixed, 84, 0, "3.5 day"}, {mixed, 72, 0, "3 day"},   {mixed, 30, 1, "30 hour"},
        {mixed, 12, 1, "0.5 day"}, {mixed, 12, 0, "12 hour"}, {mixed, 24, 1, "1 day"},
        {mixed, 36, 1, "1.5 day"}, {mixed, 48, 1, "2 day"},   {mixed, 60, 1, "2.5 day"},
        {mixed, 60, 0, "60 hour"}, {mixed, 66, 1, "66 hour"}, {mixed, 805, 0, "5 day"},
        {mixed, 903, 0, "3 month"}, {mixed, 0, 1, ""},        {mixed, kMissing, 0, ""},
        // A run that names its times in one form names every time so.
        {hours, 84, 0, "84 hour"}, {hours, 803, 0, "72 hour"}, {hours, 903, 0, "3 month"},
        {hours, 0, 0, ""},         {hours, -6, 0, ""},         {days, 48, 0, "2 day"},
        {days, 60, 0, "2.5 day"},  {days, 12, 0, "0.5 day"},   {days, 66, 0, "66 hour"},
        {days, 803, 0, "3 day"},   {days, kMissing, 0, ""},
    };
    for (const Case& c : cases) {
        DATE_set_fhour_form(c.form);
        EXPECT_EQ(fhour(c.hours, c.days), c.text) << c.hours << " form " << static_cast<int>(c.form);
    }
}

TEST_F(DateTest, ValidTimeLabels) {
    struct Case {
        const char* tz;
        int code;
        DateRecord d;
        const char* text;
    };
    const Case cases[] = {
        {nullptr, 12, make_date(2005, 3, 15, 0), "12Z TUE 15 MAR 05"},
        {nullptr, 12, make_date(2004, 12, 31, 18), "6Z SAT  1 JAN 05"},
        {nullptr, 24, make_date(2005, 3, 15), "WED 16 MAR 05"},
        {nullptr, 2000036, make_date(2005, 3, 15, 0), "12Z WED 16 MAR 05"},
        {nullptr, 800, make_date(2005, 3, 15, 6), "6Z TUE 15 MAR 05"},
        {nullptr, 805, make_date(2005, 3, 15, 0), "0Z SUN 20 MAR 05"},
        {nullptr, 899, make_date(2005, 3, 15, 0), "0Z WED 22 JUN 05"},
        {nullptr, 902, make_date(2004, 12, 31, 0), "0Z MON 28 FEB 05"},
        {nullptr, 901, make_date(2004, 1, 31, 0), "0Z SUN 29 FEB 04"},
        {nullptr, 912, make_date(2004, 1, 31, 0), "0Z MON 31 JAN 05"},
        // Unusable fields fall back: day 1, month 1, hour 0.
        {nullptr, 0, make_date(2005, 13, 40, 30), "0Z SAT  1 JAN 05"},
        {nullptr, 0, make_date(2005, 12, 31, 24), "0Z SAT 31 DEC 05"},
        {"-EST:-5", 12, make_date(2005, 3, 15, 0), "7 AM EST [12Z] TUE 15 MAR 05"},
        // No sign: the clock of the last setting stays.
        {"CET:1", 23, make_date(2005, 3, 15, 0), "12 AM CET [23Z] WED 16 MAR 05"},
    };
    for (const Case& c : cases) {
        if (c.tz != nullptr) DATE_set_TZ(c.tz);
        EXPECT_EQ(valid(c.code, c.d), c.text) << c.code;
    }
}

TEST_F(DateTest, PlotLabels) {
    const DateRecord d = make_date(2005, 3, 15, 0);
    const DateRecord day = make_date(2005, 3, 15);
    struct Case {
        int code;
        const char* model;
        DateRecord d;
        const char* text;
    };
    const Case cases[] = {
        {12, "NGM MOS", d, "12 hour NGM MOS valid 12Z TUE 15 MAR 05"},
        {0, "NGM MOS", d, "NGM MOS analysis for 00Z 15 MAR 05"},
        {0, nullptr, d, "Analysis for 00Z 15 MAR 05"},
        {kMissing, "", d, "Analysis for 00Z 15 MAR 05"},
        {800, "NGM MOS", d, "NGM MOS analysis for 00Z 15 MAR 05"},
        {12, nullptr, d, "12 hour  valid 12Z TUE 15 MAR 05"},
        {2006012, "NGM MOS", d, "12 hour NGM MOS valid 12Z TUE 15 MAR 05"},
        // Kinds from 6 name the start hour; a range ending at 0 is an analysis.
        {6012000, "NGM MOS", d, "12 hour NGM MOS analysis valid 0Z 15 MAR 05"},
        {6012000, nullptr, d, "12 hour Analysis valid 0Z 15 MAR 05"},
        {6012024, "NGM MOS", d, "12 hour NGM MOS valid 0Z WED 16 MAR 05"},
        {5012024, "NGM MOS", d, "24 hour NGM MOS valid 0Z WED 16 MAR 05"},
        {6000024, "NGM MOS", d, "NGM MOS valid 0Z WED 16 MAR 05"},
        // Without an hour the days form is used and the year prints with "%2d".
        {84, "NGM MOS", day, "3.5 day NGM MOS valid FRI 18 MAR  5"},
        {6012000, "NGM MOS", day, "0.5 day NGM MOS analysis valid 15 MAR  5"},
        {805, "MRF MOS", d, "5 day MRF MOS valid 0Z SUN 20 MAR 05"},
        {12, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", d,
         "12 hour ABCDEFGHIJKLMNOPQRSTUVWXYZ012 valid 12Z TUE 15 MAR 05"},
    };
    for (const Case& c : cases) EXPECT_EQ(plot(c.code, c.model, c.d), c.text) << c.code;
    DATE_set_TZ("-EST:-5");
    EXPECT_EQ(plot(12, "NGM MOS", make_date(2005, 3, 15, 5)),
              "12 hour NGM MOS valid 12 PM EST [17Z] TUE 15 MAR 05");
    EXPECT_EQ(plot(0, "NGM MOS", make_date(2005, 3, 15, 5)),
              "NGM MOS analysis for 12:00 AM EST [0500Z] 15 MAR 05");
}

const char* test_model_name(int model) { return model == 2 ? "ETA MOS" : nullptr; }

TEST_F(DateTest, PlotLabelByModelNumber) {
    char out[kDateLabelSize];
    const DateRecord d2014 = make_date(2014, 1, 1, 0);
    DATE_make_label_for_time(24, 279, &d2014, out);  // from the shipped model list
    EXPECT_STREQ(out, "24 hour GFS MOS valid 0Z THU  2 JAN 14");
    const DateRecord d = make_date(2005, 3, 15, 0);
    DATE_set_model_namer(test_model_name);
    for (const auto& [code, model, text] : {std::tuple{12, 2, "12 hour ETA MOS valid 12Z TUE 15 MAR 05"},
                                            {0, 7, "Analysis for 00Z 15 MAR 05"}}) {
        DATE_make_label_for_time(code, model, &d, out);
        EXPECT_STREQ(out, text);
    }
    DATE_make_label_for(12, "NGM MOS", 1110844800, out, sizeof out);
    EXPECT_STREQ(out, "12 hour NGM MOS valid 12Z TUE 15 MAR 05");
}

TEST_F(DateTest, FormatLabel) {
    const DateRecord d = make_date(2005, 3, 5, 6, 30);
    char out[kDateLabelSize];
    EXPECT_EQ(DATE_format_label(out, "%F %x %M %d/%m/%y %h%n code %f", 2006012, "NGM", &d), 0);
    EXPECT_STREQ(out, "12 hour NGM MAR 05/03/05 0630 code 2006012");
    EXPECT_EQ(DATE_format_label(out, "%F_%q%%%", 7012036, nullptr, &d), 0);
    EXPECT_STREQ(out, "12 hour_q%");
    const DateRecord day = make_date(2005, 3, 5);
    DATE_format_label(out, "[%h%n] %F %x", 36, nullptr, &day);
    EXPECT_STREQ(out, "[] 1.5 day ");
    EXPECT_EQ(DATE_format_label(out, nullptr, 0, nullptr, &d), -1);
}

TEST_F(DateTest, DecodeMonth) {
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(DATE_decode_month(DATE_month(m)), m);
        EXPECT_EQ(DATE_decode_month(DATE_month_lower(m)), m);
    }
    for (const char* bad : {"Jan", "AXE", "J", "", static_cast<const char*>(nullptr)}) EXPECT_EQ(DATE_decode_month(bad), 0) << bad;
}

TEST_F(DateTest, DecodeLabelForms) {
    struct Case {
        const char* text;
        std::array<int, 5> ymdhm;
    };
    const Case cases[] = {
        {"12Z 15 MAR 05", {2005, 3, 15, 12, kMissing}},
        {"NGM MOS analysis for 1230Z 15 MAR 05", {2005, 3, 15, 12, 30}},
        {"valid  930Z  1 jan 99", {1999, 1, 1, 9, 30}},
        {"NGM MOS analysis for 06Z 15 DEC 05", {2005, 12, 15, 6, kMissing}},
        {"2005 3 15 6", {2005, 3, 15, 6, kMissing}},
        {"no date here", {kMissing, kMissing, kMissing, kMissing, kMissing}},
    };
    for (const Case& c : cases) {
        DateRecord d = make_date(2001, 1, 1, 1, 1, 1);
        EXPECT_EQ(DATE_decode_label(c.text, &d), 0);
        EXPECT_EQ(ymdhm(d), c.ymdhm) << c.text;
    }
    DateRecord d{};
    DATE_decode_label("12:30:45Z 15 MAR 05", &d);
    EXPECT_EQ((std::array{d.hour, d.minute, d.second, d.day}), (std::array{12, 30, 45, 15}));
    EXPECT_EQ(DATE_decode_label(nullptr, &d), -1);
    for (const DateRecord& r : {make_date(2005, 3, 15, 12), make_date(1999, 11, 2, 23, 59),
                                make_date(2049, 7, 31, 0, 5)}) {
        DateRecord back{};
        DATE_decode_label(label(r).c_str(), &back);
        EXPECT_EQ(ymdhm(back), ymdhm(r)) << label(r);
    }
}

TEST_F(DateTest, DecodingWindowAroundTheReference) {
    const DateRecord ref = make_date(2005, 3, 15, 12, 0);
    CaptureStdout();
    DATE_set_datim(&ref);
    EXPECT_EQ(GetCapturedStdout(), "Decoding for: 12:00Z\nDecoding range: -15 +10 mins\n");
    EXPECT_EQ(DATE_get_datim()->day, 15);
    struct Case {
        int before, after, hhmm, inside;
    };
    const Case cases[] = {
        {-15, 10, 1145, 1}, {-15, 10, 1144, 0}, {-15, 10, 1210, 1}, {-15, 10, 1211, 0},
        {-15, 10, kMissing, 0}, {30, 0, 1130, 1}, {30, 0, 1201, 0}, {-5, 5, 1155, 1},
        {-5, 5, 1154, 0}, {-5, -5, 1205, 1}, {-5, -5, 1206, 0},
    };
    for (const Case& c : cases) {
        DATE_set_range(c.before, c.after);
        EXPECT_EQ(DATE_chk_range(c.hhmm), c.inside) << c.before << " " << c.after << " " << c.hhmm;
    }
    set_reference(make_date(2005, 3, 15, 0, 5));  // across midnight
    DATE_set_range(15, 10);
    for (const auto& [hhmm, inside] : {std::pair{2355, 1}, {2349, 0}, {15, 1}, {16, 0}, {0, 1}})
        EXPECT_EQ(DATE_chk_range(hhmm), inside) << hhmm;
    set_reference(make_date(2005, 3, 15, 23, 55));
    for (const auto& [hhmm, inside] : {std::pair{5, 1}, {6, 0}, {2340, 1}, {2339, 0}})
        EXPECT_EQ(DATE_chk_range(hhmm), inside) << hhmm;
}

TEST_F(DateTest, DecodingWindowFromTheResource) {
    RES_put("decode_hour", "18:30-45+20");
    const DateRecord ref = make_date(2005, 3, 15, 12, 0);
    CaptureStdout();
    DATE_set_datim(&ref);
    EXPECT_EQ(GetCapturedStdout(), "Decoding for: 18:30Z\nDecoding range: -45 +20 mins\n");
    EXPECT_EQ((std::vector{DATE_chk_range(1745), DATE_chk_range(1744), DATE_chk_range(1850), DATE_chk_range(1851)}),
              (std::vector{1, 0, 1, 0}));
    RES_put("decode_hour", "cu:cu");
    DateRecord before{};
    DATE_get_current_gmdate(&before);
    set_reference(ref);
    const int now = before.hour * 60 + before.minute;
    const int got = DATE_get_datim()->hour * 60 + DATE_get_datim()->minute;
    EXPECT_TRUE(got == now || got == (now + 1) % 1440);
}
}  // namespace
}  // namespace orv
