#include "core/date.hpp"
#include <gtest/gtest.h>
#include <array>
#include <tuple>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"

namespace orv {
namespace {

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
};

TEST_F(DateTest, SecondsOfKnownInstantsAndCorrections) {
    struct Case { DateRecord d; std::int64_t seconds; };
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

TEST_F(DateTest, DayNumbersAndDaysOfTheYear) {
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
    struct Julian { int year, day_of_year, month, day; };
    for (const Julian& c : {Julian{2004, 60, 2, 29}, Julian{2005, 60, 3, 1}, Julian{2005, 400, 12, 31},
                            Julian{2004, 366, 12, 31}, Julian{2004, 0, 1, 1}, Julian{2005, 31, 1, 31},
                            Julian{2005, 32, 2, 1}}) {
        int month = 0, day = 0;
        DATE_julian_monday(c.year, c.day_of_year, &month, &day);
        EXPECT_EQ((std::array{month, day}), (std::array{c.month, c.day})) << c.year << " " << c.day_of_year;
    }
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
    struct Case { const char* tz; DateRecord d; const char* text; };
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
    struct Case { DateHourForm form; int hours, days; const char* text; };
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
    struct Case { const char* tz; int code; DateRecord d; const char* text; };
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
    struct Case { int code; const char* model; DateRecord d; const char* text; };
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

}  // namespace
}  // namespace orv
