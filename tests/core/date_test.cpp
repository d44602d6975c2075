#include "core/date.hpp"

#include <gtest/gtest.h>

#include <array>
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

// ---- seconds, day numbers and records ----------------------------------

TEST_F(DateTest, NumSecKnownInstants) {
    DateRecord epoch = make_date(1970, 1, 1, 0, 0, 0);
    EXPECT_EQ(DATE_num_sec(&epoch), 0);
    DateRecord leap_2000 = make_date(2000, 3, 1, 0, 0, 0);
    EXPECT_EQ(DATE_num_sec(&leap_2000), 951868800);
    DateRecord before_epoch = make_date(1969, 12, 31, 23, 59, 59);
    EXPECT_EQ(DATE_num_sec(&before_epoch), -1);
    DateRecord early = make_date(1901, 12, 14, 0, 0, 0);
    EXPECT_EQ(DATE_num_sec(&early), -2147472000);
}

TEST_F(DateTest, NumSecPassesThe32BitLimit) {
    DateRecord last = make_date(2038, 1, 19, 3, 14, 7);
    EXPECT_EQ(DATE_num_sec(&last), 2147483647);
    DateRecord next = make_date(2038, 1, 19, 3, 14, 8);
    EXPECT_EQ(DATE_num_sec(&next), 2147483648LL);
    DateRecord century = make_date(2100, 3, 1, 0, 0, 0);  // 2100 is not a leap year
    EXPECT_EQ(DATE_num_sec(&century), 4107542400LL);
    DateRecord far = make_date(2400, 2, 29, 12, 0, 0);
    EXPECT_EQ(DATE_num_sec(&far), 13574606400LL);
}

TEST_F(DateTest, NumSecWidensAndCorrectsTheRecordInPlace) {
    DateRecord d99 = make_date(99, 1, 1, 0, 0, 0);
    DateRecord d1999 = make_date(1999, 1, 1, 0, 0, 0);
    EXPECT_EQ(DATE_num_sec(&d99), DATE_num_sec(&d1999));
    EXPECT_EQ(d99.year, 1999);

    DateRecord d5 = make_date(5, 3, 15, 12, 0, 0);
    DATE_num_sec(&d5);
    EXPECT_EQ(d5.year, 2005);

    DateRecord bad = make_date(-3, 13, 32, 24, 60, 60);
    EXPECT_EQ(DATE_num_sec(&bad), 315532800);  // 1980-01-01
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

TEST_F(DateTest, LeapDaysAndYearEnds) {
    for (int year : {1972, 2000, 2004, 2024, 2040, 2400}) {
        DateRecord feb29 = make_date(year, 2, 29, 0, 0, 0);
        DateRecord mar1 = make_date(year, 3, 1, 0, 0, 0);
        EXPECT_EQ(DATE_num_sec(&mar1) - DATE_num_sec(&feb29), 86400) << year;
        EXPECT_EQ(DATE_is_leap(year), 1) << year;
    }
    for (int year : {1900, 1971, 2005, 2100, 2200}) EXPECT_EQ(DATE_is_leap(year), 0) << year;

    DateRecord d{};
    DateRecord end_2040 = make_date(2040, 12, 31, 23, 59, 59);
    DATE_sec_to_date(DATE_num_sec(&end_2040) + 1, &d);
    EXPECT_EQ(ymdhm(d), (std::array{2041, 1, 1, 0, 0}));
    EXPECT_EQ(d.jday, 1);
    DATE_sec_to_date(DATE_num_sec(&end_2040), &d);
    EXPECT_EQ(d.jday, 366);
}

TEST_F(DateTest, DayNumbers) {
    EXPECT_EQ(DATE_date_days(1970, 1, 1), 1);
    EXPECT_EQ(DATE_date_days(1972, 3, 1), 791);
    EXPECT_EQ(DATE_date_days(2040, 1, 1), 25568);
    int y = 0, m = 0, d = 0;
    DATE_days_date(1, &y, &m, &d);
    EXPECT_EQ((std::array{y, m, d}), (std::array{1970, 1, 1}));
    DATE_days_date(791, &y, &m, &d);
    EXPECT_EQ((std::array{y, m, d}), (std::array{1972, 3, 1}));
    for (int n = -800; n < 60000; n += 97) {
        DATE_days_date(n, &y, &m, &d);
        ASSERT_EQ(DATE_date_days(y, m, d), n);
    }
}

TEST_F(DateTest, SplitsOfDaysAndYears) {
    int h = 0, mi = 0, s = 0;
    DATE_time_date(45296, &h, &mi, &s);
    EXPECT_EQ((std::array{h, mi, s}), (std::array{12, 34, 56}));
    DATE_time_date(86400 * 3 + 59, &h, &mi, &s);
    EXPECT_EQ((std::array{h, mi, s}), (std::array{0, 0, 59}));

    int month = 0, day = 0;
    DATE_julian_monday(2004, 60, &month, &day);
    EXPECT_EQ((std::array{month, day}), (std::array{2, 29}));
    DATE_julian_monday(2005, 60, &month, &day);
    EXPECT_EQ((std::array{month, day}), (std::array{3, 1}));
    DATE_julian_monday(2005, 400, &month, &day);  // clamped to 365
    EXPECT_EQ((std::array{month, day}), (std::array{12, 31}));
    DATE_julian_monday(2004, 0, &month, &day);
    EXPECT_EQ((std::array{month, day}), (std::array{1, 1}));

    int jday = 0;
    DATE_monday_julian(2004, 12, 31, &jday);
    EXPECT_EQ(jday, 366);
    DATE_monday_julian(2005, 14, 31, &jday);
    EXPECT_EQ(jday, 365);
}

TEST_F(DateTest, SharedRecordNamesAndPrint) {
    DateRecord* shared = DATE_to_struct(2005, 3, 15, 12, 30);
    EXPECT_EQ(DATE_to_struct(2006, 1, 2, 3, 4), shared);
    EXPECT_EQ(ymdhm(*shared), (std::array{2006, 1, 2, 3, 4}));
    EXPECT_EQ(shared->second, 0);
    EXPECT_STREQ(DATE_month_long(9), "September");
    EXPECT_STREQ(DATE_month(0), "");
    EXPECT_STREQ(DATE_month_lower(13), "");

    const DateRecord d = make_date(2005, 3, 15, 12, 30, 0);
    ::testing::internal::CaptureStdout();
    DATE_print(kMessPrint, &d);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "2005/3/15 12:30:00\n");
}

TEST_F(DateTest, ClockFormsAgree) {
    const std::time_t t = 1110889800;  // 2005-03-15 12:30 UT
    DateRecord d{};
    DATE_get_gmdate(&t, &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 3, 15, 12, 30}));
    EXPECT_EQ((std::array{d.jday, d.wday}), (std::array{74, 2}));

    const char* saved = std::getenv("TZ");
    const std::string saved_tz = saved != nullptr ? saved : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    DateRecord local{};
    DATE_get_localdate(&t, &local);
    if (saved != nullptr)
        setenv("TZ", saved_tz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(std::memcmp(&local, &d, sizeof d), 0);

    char text[40];
    EXPECT_TRUE(std::regex_match(DATE_get_current_str(text),
                                 std::regex(R"(\d\d [A-Z]{3} \d\d  \d\d:\d\d:\d\dZ)")));
    EXPECT_TRUE(
        std::regex_match(DATE_get_simple_current_str(text), std::regex(R"(\d\d-\d\d:\d\dZ)")));
    char tiny[5];
    EXPECT_EQ(std::strlen(DATE_get_current_str(tiny)), 4U);
}

TEST_F(DateTest, SequenceForm) {
    DateRecord d = make_date(2005, 3, 15, 6, 30);
    char out[16];
    EXPECT_STREQ(DATE_make_seq(&d, out), "200503150630");

    DateRecord bad = make_date(-1, 0, 40, 25, 61);
    EXPECT_STREQ(DATE_make_seq(&bad, out), "198001010000");
    EXPECT_EQ(ymdhm(bad), (std::array{1980, 1, 1, 0, 0}));

    DateRecord back{};
    DATE_init(&back);
    EXPECT_EQ(DATE_decode_seq("200503150630", &back), 5);
    EXPECT_EQ(ymdhm(back), (std::array{2005, 3, 15, 6, 30}));
    EXPECT_EQ(back.second, kMissing);
}

// ---- time zone and date labels -----------------------------------------

TEST_F(DateTest, TimeZoneSetting) {
    EXPECT_STREQ(DATE_get_tz_str(), "Z");
    EXPECT_EQ(DATE_get_tz_off(), 0);
    EXPECT_EQ(DATE_get_tz_clock(), 0);

    DATE_set_TZ("-EST:-5");
    EXPECT_STREQ(DATE_get_tz_str(), " EST");
    EXPECT_EQ(DATE_get_tz_off(), -18000);
    EXPECT_EQ(DATE_get_tz_clock(), -1);

    DATE_set_TZ("IST:5.5");  // no sign: the clock stays
    EXPECT_EQ(DATE_get_tz_off(), 19800);
    EXPECT_EQ(DATE_get_tz_clock(), -1);

    DATE_set_TZ("+PACIFIC:-8");  // the name is cut to four letters
    EXPECT_STREQ(DATE_get_tz_str(), " PACI");
    EXPECT_EQ(DATE_get_tz_clock(), 1);

    DATE_set_TZ("HUGE:1e30");  // beyond any count of seconds: no offset
    EXPECT_EQ(DATE_get_tz_off(), 0);

    DATE_set_TZ("GMT");
    EXPECT_STREQ(DATE_get_tz_str(), " GMT");
    EXPECT_EQ(DATE_get_tz_off(), 0);
    EXPECT_EQ(DATE_set_TZ(nullptr), -1);
}

TEST_F(DateTest, LabelFormsFollowThePrecision) {
    EXPECT_EQ(label(make_date(2005, kMissing, kMissing)), "05");
    EXPECT_EQ(label(make_date(2005, 3, kMissing)), "MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15)), "15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 5, 12)), "12Z  5 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 12, 30)), "1230Z 15 MAR 05");
    EXPECT_EQ(label(make_date(-4, 13, 15, 24, 75)), "0000Z 15 JAN 80");
    EXPECT_EQ(label(make_date(2105, 3, 15, 6)), "06Z 15 MAR 05");
}

TEST_F(DateTest, LabelInLocalTime) {
    DATE_set_TZ("EST:-5");
    EXPECT_EQ(label(make_date(2005, 3, 15, 12, 30)), "0730 EST 15 MAR 05");
    // A shifted label always has minutes; the shift may cross midnight.
    EXPECT_EQ(label(make_date(2005, 3, 15, 2)), "2100 EST 14 MAR 05");
    // A date without an hour names a calendar day and is not shifted.
    EXPECT_EQ(label(make_date(2005, 3, 15)), "15 MAR 05");

    DATE_set_TZ("-EST:-5");
    EXPECT_EQ(label(make_date(2005, 3, 15, 12, 30)), "7:30 AM EST [1230Z] 15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 17, 5)), "12:05 PM EST [1705Z] 15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 5, 0)), "12:00 AM EST [0500Z] 15 MAR 05");

    DATE_set_TZ("+EST:-5");
    EXPECT_EQ(label(make_date(2005, 3, 15, 20, 45)), "3:45 PM EST 15 MAR 05");
}

TEST_F(DateTest, TwelveHourClockInUniversalTime) {
    DATE_set_TZ("+Z:0");
    EXPECT_EQ(label(make_date(2005, 3, 15, 0)), "12 AM Z 15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 12)), "12 PM Z 15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 13)), "1 PM Z 15 MAR 05");
    EXPECT_EQ(label(make_date(2005, 3, 15, 11)), "11 AM Z 15 MAR 05");
    DATE_set_TZ("-Z:0");
    EXPECT_EQ(label(make_date(2005, 3, 15, 18)), "6 PM Z [18Z] 15 MAR 05");
}

TEST_F(DateTest, LabelsNeverOverrunTheBuffer) {
    DATE_set_TZ("-ABCD:-5");
    DateRecord d = make_date(2005, 3, 15, 17, 5);
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(DATE_make_label(&d, small, 6), 0);
    EXPECT_STREQ(small, "12:05");
    EXPECT_EQ(small[6], 'x');
    EXPECT_EQ(DATE_make_label(&d, nullptr, 10), -1);
    EXPECT_EQ(DATE_make_label(nullptr, small), -1);
    EXPECT_STREQ(small, "");
}

TEST_F(DateTest, ForecastHourLabel) {
    EXPECT_EQ(fhour(84, 0), "3.5 day");
    EXPECT_EQ(fhour(84, 1), "3.5 day");
    EXPECT_EQ(fhour(72, 0), "3 day");
    EXPECT_EQ(fhour(30, 1), "30 hour");
    EXPECT_EQ(fhour(12, 1), "0.5 day");
    EXPECT_EQ(fhour(12, 0), "12 hour");
    EXPECT_EQ(fhour(60, 1), "2.5 day");
    EXPECT_EQ(fhour(60, 0), "60 hour");
    EXPECT_EQ(fhour(66, 1), "66 hour");
    EXPECT_EQ(fhour(805, 0), "5 day");
    EXPECT_EQ(fhour(903, 0), "3 month");
    EXPECT_EQ(fhour(0, 1), "");
    EXPECT_EQ(fhour(kMissing, 0), "");
}

// A run that names its times in one form names every time so.
TEST_F(DateTest, ForecastHourLabelInOneForm) {
    struct Case {
        DateHourForm form;
        int hours;
        const char* text;
    };
    const Case cases[] = {
        {DateHourForm::hours, 60, "60 hour"}, {DateHourForm::hours, 72, "72 hour"},
        {DateHourForm::hours, 84, "84 hour"}, {DateHourForm::hours, 803, "72 hour"},
        {DateHourForm::hours, 903, "3 month"}, {DateHourForm::hours, 0, ""},
        {DateHourForm::days, 48, "2 day"},    {DateHourForm::days, 60, "2.5 day"},
        {DateHourForm::days, 12, "0.5 day"},  {DateHourForm::days, 66, "66 hour"},
        {DateHourForm::days, 803, "3 day"},   {DateHourForm::days, kMissing, ""},
    };
    for (const Case& c : cases) {
        DATE_set_fhour_form(c.form);
        EXPECT_EQ(fhour(c.hours, 0), c.text) << c.hours;
    }
}

TEST_F(DateTest, ValidTimeLabel) {
    EXPECT_EQ(valid(12, make_date(2005, 3, 15, 0)), "12Z TUE 15 MAR 05");
    EXPECT_EQ(valid(12, make_date(2004, 12, 31, 18)), "6Z SAT  1 JAN 05");
    EXPECT_EQ(valid(24, make_date(2005, 3, 15)), "WED 16 MAR 05");
    EXPECT_EQ(valid(2000036, make_date(2005, 3, 15, 0)), "12Z WED 16 MAR 05");
    EXPECT_EQ(valid(800, make_date(2005, 3, 15, 6)), "6Z TUE 15 MAR 05");
    // Unusable fields fall back: day 1, month 1, hour 0.
    EXPECT_EQ(valid(0, make_date(2005, 13, 40, 30)), "0Z SAT  1 JAN 05");

    DATE_set_TZ("-EST:-5");
    EXPECT_EQ(valid(12, make_date(2005, 3, 15, 0)), "7 AM EST [12Z] TUE 15 MAR 05");
    DATE_set_TZ("CET:1");  // no sign: still the clock with universal time
    EXPECT_EQ(valid(23, make_date(2005, 3, 15, 0)), "12 AM CET [23Z] WED 16 MAR 05");
}

TEST_F(DateTest, DayAndMonthCodesMoveTheValidTimeByDaysAndMonths) {
    EXPECT_EQ(valid(805, make_date(2005, 3, 15, 0)), "0Z SUN 20 MAR 05");
    EXPECT_EQ(valid(902, make_date(2004, 12, 31, 0)), "0Z MON 28 FEB 05");
    EXPECT_EQ(valid(901, make_date(2004, 1, 31, 0)), "0Z SUN 29 FEB 04");
}

TEST_F(DateTest, PlotLabel) {
    const DateRecord d = make_date(2005, 3, 15, 0);
    EXPECT_EQ(plot(12, "NGM MOS", d), "12 hour NGM MOS valid 12Z TUE 15 MAR 05");
    EXPECT_EQ(plot(0, "NGM MOS", d), "NGM MOS analysis for 00Z 15 MAR 05");
    EXPECT_EQ(plot(0, nullptr, d), "Analysis for 00Z 15 MAR 05");
    EXPECT_EQ(plot(kMissing, "", d), "Analysis for 00Z 15 MAR 05");
    EXPECT_EQ(plot(800, "NGM MOS", d), "NGM MOS analysis for 00Z 15 MAR 05");
    EXPECT_EQ(plot(12, nullptr, d), "12 hour  valid 12Z TUE 15 MAR 05");
    EXPECT_EQ(plot(2006012, "NGM MOS", d), "12 hour NGM MOS valid 12Z TUE 15 MAR 05");
}

TEST_F(DateTest, PlotLabelForRangesAndDays) {
    const DateRecord d = make_date(2005, 3, 15, 0);
    // Kinds from 6 name the start hour; a range ending at 0 is an analysis.
    EXPECT_EQ(plot(6012000, "NGM MOS", d), "12 hour NGM MOS analysis valid 0Z 15 MAR 05");
    EXPECT_EQ(plot(6012000, nullptr, d), "12 hour Analysis valid 0Z 15 MAR 05");
    EXPECT_EQ(plot(6012024, "NGM MOS", d), "12 hour NGM MOS valid 0Z WED 16 MAR 05");
    // Without an hour the days form is used and the year prints with "%2d".
    const DateRecord day = make_date(2005, 3, 15);
    EXPECT_EQ(plot(84, "NGM MOS", day), "3.5 day NGM MOS valid FRI 18 MAR  5");
    EXPECT_EQ(plot(6012000, "NGM MOS", day), "0.5 day NGM MOS analysis valid 15 MAR  5");
    EXPECT_EQ(plot(805, "MRF MOS", d), "5 day MRF MOS valid 0Z SUN 20 MAR 05");
}

TEST_F(DateTest, PlotLabelInLocalTimeKeepsTheWholeDate) {
    DATE_set_TZ("-EST:-5");
    EXPECT_EQ(plot(12, "NGM MOS", make_date(2005, 3, 15, 5)),
              "12 hour NGM MOS valid 12 PM EST [17Z] TUE 15 MAR 05");
    EXPECT_EQ(plot(0, "NGM MOS", make_date(2005, 3, 15, 5)),
              "NGM MOS analysis for 12:00 AM EST [0500Z] 15 MAR 05");
}

TEST_F(DateTest, PlotLabelCutsLongModelTexts) {
    const std::string label =
        plot(12, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", make_date(2005, 3, 15, 0));
    EXPECT_EQ(label, "12 hour ABCDEFGHIJKLMNOPQRSTUVWXYZ012 valid 12Z TUE 15 MAR 05");
}

const char* test_model_name(int model) { return model == 2 ? "ETA MOS" : nullptr; }

TEST_F(DateTest, PlotLabelByModelNumber) {
    const DateRecord d = make_date(2005, 3, 15, 0);
    char out[kDateLabelSize];
    DATE_make_label_for_time(12, 2, &d, out);
    EXPECT_STREQ(out, "12 hour  valid 12Z TUE 15 MAR 05");
    DATE_set_model_namer(test_model_name);
    DATE_make_label_for_time(12, 2, &d, out);
    EXPECT_STREQ(out, "12 hour ETA MOS valid 12Z TUE 15 MAR 05");
    DATE_make_label_for_time(0, 7, &d, out);
    EXPECT_STREQ(out, "Analysis for 00Z 15 MAR 05");
    DATE_make_label_for(12, "NGM MOS", 1110844800, out, sizeof out);
    EXPECT_STREQ(out, "12 hour NGM MOS valid 12Z TUE 15 MAR 05");
}

TEST_F(DateTest, PlotLabelNamesTheMosModelsFromTheShippedList) {
    const DateRecord d = make_date(2014, 1, 1, 0);
    char out[kDateLabelSize];
    DATE_make_label_for_time(24, 279, &d, out);
    EXPECT_STREQ(out, "24 hour GFS MOS valid 0Z THU  2 JAN 14");
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
    EXPECT_EQ(DATE_format_label(out, "", 0, nullptr, &d), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(DATE_format_label(out, nullptr, 0, nullptr, &d), -1);
}

// ---- decoding ----------------------------------------------------------

TEST_F(DateTest, DecodeMonth) {
    const char* upper[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                           "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(DATE_decode_month(upper[m - 1]), m);
        EXPECT_EQ(DATE_decode_month(DATE_month_lower(m)), m);
    }
    EXPECT_EQ(DATE_decode_month("Jan"), 0);
    EXPECT_EQ(DATE_decode_month("Dec"), 12);
    EXPECT_EQ(DATE_decode_month("AXE"), 0);
    EXPECT_EQ(DATE_decode_month("J"), 0);
    EXPECT_EQ(DATE_decode_month(""), 0);
    EXPECT_EQ(DATE_decode_month(nullptr), 0);
}

TEST_F(DateTest, DecodeLabelForms) {
    DateRecord d{};
    DATE_decode_label("12Z 15 MAR 05", &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 3, 15, 12, kMissing}));

    DATE_decode_label("NGM MOS analysis for 1230Z 15 MAR 05", &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 3, 15, 12, 30}));

    DATE_decode_label("valid  930Z  1 jan 99", &d);
    EXPECT_EQ(ymdhm(d), (std::array{1999, 1, 1, 9, 30}));

    DATE_decode_label("12:30:45Z 15 MAR 05", &d);
    EXPECT_EQ((std::array{d.hour, d.minute, d.second, d.day}), (std::array{12, 30, 45, 15}));

    DATE_decode_label("NGM MOS analysis for 06Z 15 DEC 05", &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 12, 15, 6, kMissing}));

    DATE_decode_label("2005 3 15 6", &d);
    EXPECT_EQ(ymdhm(d), (std::array{2005, 3, 15, 6, kMissing}));
}

TEST_F(DateTest, DecodeLabelOfNothingLeavesTheDateUnset) {
    DateRecord d = make_date(2005, 3, 15, 6, 0, 0);
    EXPECT_EQ(DATE_decode_label("no date here", &d), 0);
    EXPECT_EQ(ymdhm(d), (std::array{kMissing, kMissing, kMissing, kMissing, kMissing}));
    EXPECT_EQ(DATE_decode_label("", &d), 0);
    EXPECT_EQ(DATE_decode_label(nullptr, &d), -1);
}

TEST_F(DateTest, LabelsDecodeBack) {
    for (const DateRecord& d : {make_date(2005, 3, 15, 12), make_date(1999, 11, 2, 23, 59),
                                make_date(2049, 7, 31, 0, 5)}) {
        DateRecord back{};
        DATE_decode_label(label(d).c_str(), &back);
        EXPECT_EQ(ymdhm(back), ymdhm(d)) << label(d);
    }
}

// ---- decoding window ---------------------------------------------------

TEST_F(DateTest, DecodingWindowAroundTheReference) {
    const DateRecord ref = make_date(2005, 3, 15, 12, 0);
    ::testing::internal::CaptureStdout();
    DATE_set_datim(&ref);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Decoding for: 12:00Z\nDecoding range: -15 +10 mins\n");
    EXPECT_EQ(DATE_get_datim()->day, 15);
    EXPECT_EQ(DATE_chk_range(1145), 1);
    EXPECT_EQ(DATE_chk_range(1144), 0);
    EXPECT_EQ(DATE_chk_range(1210), 1);
    EXPECT_EQ(DATE_chk_range(1211), 0);
    EXPECT_EQ(DATE_chk_range(kMissing), 0);

    DATE_set_range(30, 0);
    EXPECT_EQ(DATE_chk_range(1130), 1);
    EXPECT_EQ(DATE_chk_range(1201), 0);
    DATE_set_range(-5, 5);
    EXPECT_EQ(DATE_chk_range(1155), 1);
    EXPECT_EQ(DATE_chk_range(1154), 0);
}

TEST_F(DateTest, DecodingWindowAcrossMidnight) {
    const DateRecord ref = make_date(2005, 3, 15, 0, 5);
    ::testing::internal::CaptureStdout();
    DATE_set_datim(&ref);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(DATE_chk_range(2355), 1);
    EXPECT_EQ(DATE_chk_range(2349), 0);
    EXPECT_EQ(DATE_chk_range(15), 1);
    EXPECT_EQ(DATE_chk_range(16), 0);
}

TEST_F(DateTest, DecodingWindowFromTheResource) {
    RES_put("decode_hour", "18:30-45+20");
    const DateRecord ref = make_date(2005, 3, 15, 12, 0);
    ::testing::internal::CaptureStdout();
    DATE_set_datim(&ref);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Decoding for: 18:30Z\nDecoding range: -45 +20 mins\n");
    EXPECT_EQ(DATE_chk_range(1745), 1);
    EXPECT_EQ(DATE_chk_range(1850), 1);
    EXPECT_EQ(DATE_chk_range(1851), 0);

    RES_put("decode_hour", "cu:cu");
    DateRecord before{};
    DATE_get_current_gmdate(&before);
    ::testing::internal::CaptureStdout();
    DATE_set_datim(&ref);
    ::testing::internal::GetCapturedStdout();
    const int now = before.hour * 60 + before.minute;
    const int got = DATE_get_datim()->hour * 60 + DATE_get_datim()->minute;
    EXPECT_TRUE(got == now || got == (now + 1) % 1440);
}

}  // namespace
}  // namespace orv
