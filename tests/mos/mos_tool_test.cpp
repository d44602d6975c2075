#include "mos/mos_tool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <vector>
#include <string>
#include <tuple>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/unittool.hpp"
#include "geo/maptran.hpp"
#include "mos/mos_plt.hpp"
#include "mos/mos_test_product.hpp"

namespace orv {
namespace {

constexpr int M = kMissing;

VarRecord var(const char* name, int time = 0, const char* units = "") {
    VarRecord v{};
    copy_text(v.name, name);
    copy_text(v.units, units);
    v.time = time;
    return v;
}

class MosTool : public ::testing::Test {
protected:
    void SetUp() override {
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        RES_reset_for_tests();
        UNIT_reset_for_tests();
        MAP_reset_for_tests();
        MOS_reset_for_tests();
        MOS_tool_reset_for_tests();
        MOS_read_reset_for_tests();
        PAR_reset_for_tests();
        FILE_reset_for_tests();
        MESS_set(0, 0);
        RES_put("file_path", ORV_DATA_DIR);
        blank(kModelGfs);
    }
    void TearDown() override {
        RES_reset_for_tests();
        UNIT_reset_for_tests();
    }

    // A report of the given model with the GFS hours in row 0.
    void blank(int model) {
        MOS_initialize(&r);
        copy_text(r.id, "KAAA");
        r.model = model;
        r.columns = 21;
        for (int c = 0; c < 19; ++c) r.values[kMosHour][c] = 6 + 3 * c;
        r.values[kMosHour][19] = 66;
        r.values[kMosHour][20] = 72;
    }
    RawData get(const char* name, int time = 6, const char* units = "") {
        VarRecord v = var(name, time, units);
        RawData raw{};
        raw.x = raw.y = 0.0F;
        EXPECT_EQ(MOS_get_data(&r, &v, &raw), 1);
        units_ = v.units;
        return raw;
    }
    void set(int row, int col, int value) { r.values[row][col] = value; }
    void set(const std::string& cells) {
        test::for_cells(cells, [&](int row, int col, int value, const std::string&) { set(row, col, value); });
    }
    void base_hour(int hour) {
        DateRecord d{2014, 1, 1, 1, 3, hour, 0, 0};
        MOS_set_date(&d);
    }

    MosReport r{};
    std::string units_;
};

// An hour the bulletin does not have gives missing values, whatever column
// 0 holds, and one warning naming the hours it has; the station's name stays.
TEST_F(MosTool, HourNotInTheBulletinIsMissingWithAWarning) {
    MESS_set(0, 0xFF);
    r.columns = 19;
    for (const int row : {kMosTemp, kMosPop6, kMosSvr6, kMosTstm12, kMosQpf12})
        for (int c = 0; c < 21; ++c) set(row, c, 1);
    set(kMosCloud, 0, 'B');
    testing::internal::CaptureStderr();
    for (const char* name : {"temp", "pop", "post", "pot12", "prec12", "cldcv", "maxt"})
        EXPECT_TRUE(is_missing(get(name, 99).value)) << name;
    EXPECT_STREQ(get("cldcv", 99).text, "");
    EXPECT_STREQ(get("city", 99).text, "KAAA");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Forecast hour 99 is not in the bulletin; its hours are "
              "6 9 12 15 18 21 24 27 30 33 36 39 42 45 48 51 54 57 60\n");
}

// Every maximum/minimum cell c holds 100 + c.
std::string all_max_min() {
    std::string s = "XN";
    for (int c = 0; c < 21; ++c) s += " " + std::to_string(c) + "=" + std::to_string(100 + c);
    return s;
}

// One variable of a report holding the cells given: its value (M for
// missing), the second value of a pair and the text, where given.
TEST_F(MosTool, ValuesOfTheStandardFamily) {
    constexpr float kAny = 12345.0F;
    const std::string xn = all_max_min();
    const struct Case {
        std::string cells;
        const char* name;
        int time;
        float value;
        const char* text = nullptr;
        float second = kAny;
        const char* units = "";
        int model = kModelGfs;
        int base_hour = 0;
    } cases[] = {
        {"TMP 0=50", "temp", 6, 50}, {"TMP 0=50", "temp", 6, 10, nullptr, kAny, "C"},
        {"TMP 0=50", "dewd", 6, M},  // dew point missing: not the temperature
        {"TMP 0=50 DPT 0=41", "dewd", 6, 9}, {"", "city", 6, M, "KAAA", kAny, "F"},
        {"WDR 0=270 WSP 0=20", "wind", 6, 270, nullptr, 20},
        {"WDR 0=270 WSP 0=10", "wind", 6, 270, nullptr, 5.144F, "m/s"},  // never the direction
        {"WDR 0=270 WSP 0=24", "hwind", 6, 270, nullptr, 0}, {"WDR 0=270 WSP 0=25", "hwind", 6, 270, nullptr, 25},
        {"WDR 0=270 WSP 0=30", "uwnd", 6, 30 * 0.5144F}, {"WDR 0=270 WSP 0=30", "vwnd", 6, 0},
        {"WDR 0=180 WSP 0=10", "vwnd", 6, 5.144F},
        {"WDR 0=270 WSP 0=30", "uwndg", 6, 30 * 0.5144F},  // no projection: north is grid north
        // probabilities fall back to the next columns
        {"P06 1=40", "pop6", 6, M}, {"P06 1=40", "pop", 6, 40}, {"T12 2=15", "pot12", 6, 15},
        {"S06 1=3", "post", 6, 3}, {"S06 1=3", "post12", 6, M},
        // cloud cover categories
        {"CLD 0=C", "cldcv", 6, 0}, {"CLD 0=F", "cldcv", 6, 19}, {"CLD 0=S", "cldcv", 6, 33},
        {"CLD 0=B", "cldcv", 6, 67, "B"}, {"CLD 0=O", "cldcv", 6, 100}, {"CLD 0=X", "cldcv", 6, 100},
        {"CLD 0=57", "cldcv", 6, 100},  // '9'
        {"CLD 0=52", "cldcv", 6, 50},   // '4'
        {"CLD 0=Q", "cldcv", 6, M}, {"CLD 0=48", "cldcv", 6, 0}, {"CLD 0=56", "cldcv", 6, 100},  // '0', '8'
        {"CLD 0=47", "cldcv", 6, M}, {"CLD 0=58", "cldcv", 6, M},
        // amounts and snow
        {"Q06 0=3", "prec", 6, 0.37F}, {"Q06 0=0", "prec6", 6, 0}, {"Q06 0=1", "prec6", 6, 0.05F},
        {"Q06 0=2", "prec6", 6, 0.15F}, {"Q06 0=4", "prec6", 6, 0.75F}, {"Q06 0=5", "prec6", 6, 1.5F},
        {"Q06 0=7", "prec6", 6, M}, {"Q12 0=6", "prec12", 6, 3}, {"Q12 0=0", "prec12", 6, 0},
        {"SNW 0=0", "snwfl24", 6, 0}, {"SNW 0=2", "snwfl24", 6, 2},
        {"SN6 0=1", "snwfl", 6, M},  // six-hour snow is the NGM's
        {"SNW 0=2", "snwfl12", 6, M, nullptr, kAny, "", kModelAvn},
        {"SN6 0=1", "snwfl6", 6, 1, nullptr, kAny, "", kModelNgm},
        {"SN6 0=0", "snwfl6", 6, 0, nullptr, kAny, "", kModelNgm},
        {"SN6 0=-1", "snwfl6", 6, M, nullptr, kAny, "", kModelNgm}, {"SNW 0=-1", "snwfl24", 6, M},
        {"SNW 0=3", "snwfl24", 6, 3, nullptr, kAny, "", kModelNgm},
        {"SNW 0=4", "snwfl24", 6, 4, nullptr, kAny, "", kModelGfsx},
        // maxima and minima by the file's base hour; hours 6 and 18 of the day hold neither
        {xn, "maxt", 24, 106}, {xn, "maxt", 36, M}, {xn, "mint", 36, 110}, {xn, "mint", 30, M}, {xn, "mint", 42, M},
        {xn, "mint", 54, M}, {xn, "extt", 36, 110}, {xn, "maxt", 24, M, nullptr, kAny, "", kModelGfs, 12},
        {xn, "maxt", 36, 110, nullptr, kAny, "", kModelGfs, 12}, {xn, "maxt", 24, M, nullptr, kAny, "", kModelGfs, 6},
        {xn, "mint", 36, M, nullptr, kAny, "", kModelGfs, 6},
        {xn, "nmaxt", 24, M},  // normals are the MRF family's
        {xn, "nmaxt", 24, 116, nullptr, kAny, "", kModelGfsx}, {xn, "nmint", 24, 115, nullptr, kAny, "", kModelGfsx},
        {xn, "dmaxt", 24, 106 - 116, nullptr, kAny, "", kModelGfsx},
        {xn, "dmint", 36, 110 - 115, nullptr, kAny, "", kModelGfsx},
        {xn, "dmint", 30, M, nullptr, kAny, "", kModelGfsx},
        // derived: relative humidity needs both temperatures
        {"TMP 0=95 DPT 0=75", "rhum", 6, 52.7F}, {"DPT 0=75", "rhum", 6, M},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cells + " " + c.name + " " + std::to_string(c.time));
        blank(c.model);
        base_hour(c.base_hour);
        set(c.cells);
        const RawData raw = get(c.name, c.time, c.units);
        if (is_missing(c.value)) {
            EXPECT_TRUE(is_missing(raw.value)) << raw.value;
        } else {
            EXPECT_NEAR(raw.value, c.value, 0.02F + 1e-3F * std::fabs(c.value));
        }
        if (c.text != nullptr) {
            EXPECT_STREQ(raw.text, c.text);
        }
        if (c.second != kAny) {
            EXPECT_NEAR(raw.second, c.second, 1e-3F);
        }
    }
}

// Every ceiling and visibility category by model, and the ends of the scales.
TEST_F(MosTool, CeilingAndVisibilityCategories) {
    const struct {
        int model;
        int row;
        std::vector<float> by_category;  // categories 0 .. size - 1
    } cases[] = {
        {kModelGfs, kMosCeiling, {M, 1, 3, 7, 15, 25, 50, 100, 250, 500, M}},
        {kModelNgm, kMosCeiling, {M, 1, 3, 7, 20, 50, 100, 250, M, 500, M}},
        {kModelGfs, kMosVis, {M, 0.125F, 0.375F, 0.75F, 2, 4, 6, 10, M}},
        {kModelNgm, kMosVis, {M, 0.25F, 0.75F, 2, 4, 10, M, M, M}},
    };
    for (const auto& c : cases) {
        blank(c.model);
        set(kMosCloud, 0, 'O');
        for (std::size_t cat = 0; cat < c.by_category.size(); ++cat) {
            set(c.row, 0, static_cast<int>(cat));
            const float got = c.row == kMosCeiling ? MOS_cld_hght(&r, 0) : MOS_vis(&r, 0);
            EXPECT_FLOAT_EQ(got, c.by_category[cat]) << c.model << " row " << c.row << " category " << cat;
        }
    }
    set(kMosCeiling, 0, 4);
    set(kMosCloud, 0, 'C');  // clear: no ceiling
    EXPECT_TRUE(is_missing(MOS_cld_hght(&r, 0)));
    set(kMosCloud, 0, 'O');
    EXPECT_STREQ(get("cldcl").text, "20");
    r.model = kModelGfs;
    const std::pair<int, const char*> texts[] = {{6, "6"}, {3, "0.8"}, {1, "0.1"}, {0, ""}};
    for (const auto& [cat, text] : texts) {  // three quarters of a mile is not printed as one
        set(kMosVis, 0, cat);
        EXPECT_STREQ(get("vis").text, text) << cat;
    }
}

TEST_F(MosTool, FlightRules) {
    auto fr = [&](int cloud, int cig, int vis) {
        set(kMosCloud, 0, cloud);
        set(kMosCeiling, 0, cig);
        set(kMosVis, 0, vis);
        const RawData d = get("fr");
        return std::string(d.text) + "=" + std::to_string(static_cast<int>(d.value));
    };
    EXPECT_EQ(fr('O', 3, 7), "IFR=2");  // overcast at 7 hundred feet whatever the visibility
    EXPECT_EQ(fr('O', 3, M), "IFR=2");
    EXPECT_EQ(fr('S', 8, 5), "MVFR=1");  // no ceiling, 4 miles
    EXPECT_EQ(fr('S', 8, 6), "VFR=0");   // 6 miles
    EXPECT_EQ(fr('B', 5, M), "MVFR=1");  // 25 hundred feet, visibility unknown
    EXPECT_EQ(fr('B', 6, M), "VFR=0");
    EXPECT_EQ(fr('C', M, M), "VFR=0");
    EXPECT_EQ(fr('B', 6, 2), "IFR=2");   // visibility below three miles
    EXPECT_EQ(fr('B', 5, 7), "MVFR=1");
}

// The weather of a period: wet from a PoP of 25, severe above 20, storms
// above 30 (or two columns on), the intensity from the amount category;
// dry periods give fog or haze at low visibility.
TEST_F(MosTool, Weather) {
    const struct {
        int hours;
        const char* cells;
        const char* want;
    } cases[] = {
        {6, "P06 0=25 Q06 0=0 TYP 0=R", "R-"},   {6, "P06 0=24 Q06 0=0 TYP 0=R", ""},
        {6, "P06 0=60 Q06 0=2 TYP 0=S", "S-"},   {6, "P06 0=60 Q06 0=3 TYP 0=S", "S"},
        {6, "P06 0=60 Q06 0=4 TYP 0=S", "S+"},   {6, "P06 0=60 Q06 0=5 TYP 0=S", "S+"},
        {6, "P06 0=60 Q06 0=6 TYP 0=S", "S-"},   {6, "P06 0=60 Q06 0=3 TYP 0=Z", "ZR"},
        {6, "P06 0=60 Q06 0=4 TYP 0=Z", "ZR+"},  {6, "P06 0=60 Q06 0=3 TYP 0=R", "R-"},
        {6, "P06 0=60 Q06 0=4 TYP 0=R", "R"},    {6, "P06 0=60 Q06 0=5 TYP 0=R", "R+"},
        {6, "P06 0=60 Q06 0=3 TMP 0=31", "S"},   {6, "P06 0=60 Q06 0=3 TMP 0=32", "R-"},
        {6, "P06 0=60 TMP 0=40 XN 0=31", "S-"},  {6, "P06 0=60 TMP 0=40 XN 0=32", "R-"},
        {6, "P06 0=60 S06 0=21", "TRW+"},        {6, "P06 0=60 S06 0=20", "R-"},
        {6, "P06 0=60 T06 0=31", "TRW-"},        {6, "P06 0=60 T06 0=30", "R-"},
        {6, "P06 0=60 T06 2=35", "TRW-"},        {6, "P06 0=60 T06 3=35", "R-"},
        {6, "P06 0=20 VIS 0=2 OBV 0=F", "F"},    {6, "P06 0=20 VIS 0=2 OBV 0=FG", "F"},
        {6, "P06 0=20 VIS 0=2 OBV 0=BR", "F"},   {6, "VIS 0=1 OBV 0=FG", "F"},
        {6, "VIS 0=3 OBV 0=FG", "F"},            {6, "VIS 0=0 OBV 0=FG", ""},
        {6, "VIS 0=4 OBV 0=FG", ""},             {6, "VIS 0=4 OBV 0=HZ", "H"},
        {6, "VIS 0=2 OBV 0=H", "H"},             {6, "VIS 0=5 OBV 0=HZ", ""},
        {12, "P12 0=50 Q12 0=4 TYP 0=S", "S"},   {12, "P12 0=50 Q12 0=5 TYP 0=S", "S+"},
        {12, "P12 0=50 Q12 0=3 TYP 0=S", "S-"},  {12, "P12 0=50 S12 0=21", "TRW+"},
        {12, "P12 0=50 T12 2=31", "TRW-"},       {12, "P12 0=24 Q12 0=5 TYP 0=S", ""},
    };
    char text[kMosWeatherSize];
    for (const auto& c : cases) {
        blank(kModelGfs);
        set(c.cells);
        EXPECT_STREQ(c.hours == 6 ? MOS_weather6(&r, 0, text) : MOS_weather12(&r, 0, text), c.want)
            << c.hours << ": " << c.cells;
    }
    set("P06 0=20 VIS 0=2 OBV 0=FG Q12 0=6 P12 0=50 TYP 0=S");
    EXPECT_STREQ(get("wx").text, "F");
    EXPECT_STREQ(get("obvis").text, "FG");
    EXPECT_STREQ(get("wx12").text, "S+");
    EXPECT_STREQ(get("ptype").text, "S");
}

TEST_F(MosTool, RealNamStationsGiveFogAndFlightCategories) {
    const std::string dir = ORV_SOURCE_DIR "/../shared/data/mos";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "real bulletins not found in " << dir << "; skipping";
    FLAG_set(kFlagDataKind, kModelNam);
    ASSERT_TRUE(test::open_bulletin(dir + "/nam_met_fous46_2017081212.txt"));
    int counter = 0;
    ASSERT_EQ(MOS_read(0, &r, kMosReadFull, &counter), 0);  // KFOZ
    MOS_close_file();
    // 12Z + 45 h: overcast at category 1, visibility 3/8 mile in fog, no 6-hour PoP
    EXPECT_STREQ(get("wx", 45).text, "F");
    EXPECT_STREQ(get("fr", 45).text, "IFR");
    EXPECT_STREQ(get("obvis", 45).text, "FG");
    EXPECT_FLOAT_EQ(get("cldcv", 18).value, 19.0F);  // FW
    EXPECT_FLOAT_EQ(get("temp", 72).value, 49.0F);
    EXPECT_STREQ(get("fr", 6).text, "VFR");
}

// One variable of an extended or MRF report: value (M for missing) and,
// where given, the text, level, level type, units or time it leaves.
struct FamilyCase {
    const char* name;
    int time;
    float value;
    const char* units = "";
    int level = kMissing;
    int level_type = kMissing;
    int time_after = kMissing;
    const char* text = nullptr;
};

template <typename Report, typename Get>
void expect_values(const Report& report, Get get, bool check_result, const std::vector<FamilyCase>& cases) {
    for (const FamilyCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.time));
        VarRecord v = var(c.name, c.time, c.units);
        RawData raw{};
        const int result = get(&report, &v, &raw);
        if (check_result) {
            EXPECT_EQ(result, is_missing(c.value) ? 0 : 1);
        }
        if (c.text != nullptr) {
            EXPECT_STREQ(raw.text, c.text);
        } else if (is_missing(c.value)) {
            EXPECT_TRUE(is_missing(raw.value)) << raw.value;
        } else {
            EXPECT_NEAR(raw.value, c.value, 1e-3F);
        }
        EXPECT_TRUE(is_missing(c.level) || v.level == c.level) << v.level;
        EXPECT_TRUE(is_missing(c.level_type) || v.level_type == c.level_type) << v.level_type;
        EXPECT_TRUE(is_missing(c.time_after) || v.time == c.time_after) << v.time;
    }
}

TEST(MosuTool, ValuesLevelsAndSums) {
    RES_reset_for_tests();
    MESS_set(0, 0);
    MosuReport u{};
    MOSU_initialize(&u);
    copy_text(u.id, "BOS");
    for (int c = 0; c < 11; ++c) u.hours[c] = 6 * c;
    std::tie(u.temp[0][0], u.temp[2][0], u.rhum[2][0], u.pres[2], u.vvel[2]) = std::tuple(7, -5, 80, 1013, -25);
    std::tie(u.thick[2], u.wdir[2], u.wspd[2]) = std::tuple(5400, 180, 10);
    for (int c = 1; c <= 8; ++c) u.prec[c] = 10 * c;
    u.prec[9] = 1000;
    expect_values(u, MOSU_get_data, false, {
        {"temp", 12, -5},  // the fourth slot is never filled
        {"tempb", 12, M}, {"rhum", 12, 80}, {"pres", 12, 1013, "", M, 102},
        {"vvel", 12, -2.5F, "", 700, 100}, {"thick", 12, 5400, "", 100050},
        {"vwnd", 12, 5.144F}, {"prec", 12, 0.2F},
        {"prec", 4000018, 0.6F},  // accumulation up to 18 hours: columns 1..3
        {"cprec", 12, 3.6F, "", M, M, 4000060},
        {"temp", 66, M},  // not among the first nine columns
        {"temp", 9, M}, {"temp", 54, M}, {"temp", 48, M}, {"temp", 0, 7},
        {"city", 0, M, "", M, M, M, "BOS"},
    });
    EXPECT_EQ(u.wdir[2], 180);
    VarRecord v = var("temp", 12);
    RawData raw{};
    MOSU_get_data(&u, &v, &raw);
    EXPECT_STREQ(v.units, "C");
    v = var("lift");
    EXPECT_EQ(MOSU_get_var(&v), 1);
    EXPECT_STREQ(v.units, "dC");
}

TEST(MosmTool, DayAndHalfDayIndexesWeatherAndUnits) {
    RES_reset_for_tests();
    MESS_set(0, 0);
    MosmReport m{};
    MOSM_initialize(&m);
    for (int i = 0; i < kMosmDayValues; ++i) std::tie(m.max[i], m.min[i], m.nmax[i], m.pop24[i]) = std::tuple(50 + i, 30 + i, 52, 10 * i);
    for (int i = 0; i < kMosmHalfDays; ++i) std::tie(m.wind[i], m.cloud[i], m.pos[i]) = std::tuple(i, 5 * i, 50);
    expect_values(m, MOSM_get_data, true, {
        {"wspd", 48, 3},  // day 1, half-day 3
        {"wspd", 36, 2},  // day 1, half-day 2
        {"wspd", 24, 1}, {"wspd", 192, 15}, {"maxt", 48, 51}, {"maxt", 24, 50}, {"maxt", 192, 57}, {"dmaxt", 48, -1},
        {"temp", 216, M},  // past the eighth day or between half days
        {"temp", 99, M}, {"temp", 30, M}, {"maxt", 48, (51.0F - 32.0F) * 5.0F / 9.0F, "C"},
        {"cldcv", 60, 20, "", M, M, M, "20"},
    });
    char text[kMosWeatherSize];
    m.pop24[2] = 40;
    m.pos[4] = 60;
    for (const auto& [pos, want] : {std::pair{50, "S-"}, {30, "R-"}, {M, "R-"}}) {
        m.pos[5] = pos;
        EXPECT_STREQ(MOSM_weather(&m, 2, text), want) << pos;
    }
    m.pop24[2] = 29;
    EXPECT_STREQ(MOSM_weather(&m, 2, text), "");
    VarRecord v = var("pos");
    EXPECT_EQ(MOSM_get_var(&v), 1);
    EXPECT_STREQ(v.units, "%");
    v = var("tempb");
    EXPECT_EQ(MOSM_get_var(&v), 0);
}

}  // namespace
}  // namespace orv
