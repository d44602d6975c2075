#include "mos/mos_tool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <map>
#include <string>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/unittool.hpp"
#include "geo/maptran.hpp"
#include "grid/grd_tool.hpp"
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
    void base_hour(int hour) {
        DateRecord d{2014, 1, 1, 1, 3, hour, 0, 0};
        MOS_set_date(&d);
    }

    MosReport r{};
    std::string units_;
};

TEST_F(MosTool, GetVarKnowsTheTableAndFillsOnlyEmptyUnits) {
    const std::map<std::string, std::string> natural = {
        {"temp", "F"},     {"dewd", "dF"},  {"wdir", "deg"}, {"wind", "knt"},   {"uwnd", "m/s"},
        {"vwndg", "m/s"},  {"pop12", "%"},  {"cldcv", "%"},  {"vis", "mi"},     {"cldcl", "100 ft"},
        {"snwfl24", "in"}, {"vpres", "mb"}, {"heat", "K"},   {"wchilf", "W/m^2"}, {"fr", ""},
        {"humit", "F"},    {"hwind", "knt"}, {"wchill2", "K"},
    };
    for (const auto& [name, units] : natural) {
        VarRecord v = var(name.c_str());
        EXPECT_EQ(MOS_get_var(&v), 1) << name;
        EXPECT_EQ(std::string(v.units), units) << name;
    }
    VarRecord named = var("TEMP-sfc", 0, "C");
    EXPECT_EQ(MOS_get_var(&named), 1);
    EXPECT_STREQ(named.units, "C");
    VarRecord unknown = var("height");
    EXPECT_EQ(MOS_get_var(&unknown), 0);
    EXPECT_STREQ(unknown.units, "");
}

TEST_F(MosTool, ColumnIsTheLastMatchingHour) {
    set(kMosTemp, 0, 40);
    set(kMosTemp, 6, 50);
    EXPECT_EQ(MOS_column(&r, 24), 6);
    EXPECT_EQ(MOS_column(&r, 2000024), 6);  // the time's hour is its value modulo 1000
    EXPECT_EQ(MOS_column(&r, 25), -1);
    r.values[kMosHour][7] = 24;
    EXPECT_EQ(MOS_column(&r, 24), 7);
}

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

TEST_F(MosTool, DirectValuesAndDifferences) {
    set(kMosTemp, 0, 50);
    set(kMosWspd, 0, 20);
    set(kMosWdir, 0, 270);
    EXPECT_FLOAT_EQ(get("temp").value, 50.0F);
    EXPECT_EQ(units_, "F");
    EXPECT_TRUE(is_missing(get("dewd").value));  // dew point missing: not the temperature
    set(kMosDewp, 0, 41);
    EXPECT_FLOAT_EQ(get("dewd").value, 9.0F);
    EXPECT_STREQ(get("city").text, "KAAA");

    const RawData w = get("wind");
    EXPECT_FLOAT_EQ(w.value, 270.0F);
    EXPECT_FLOAT_EQ(w.second, 20.0F);
    EXPECT_FLOAT_EQ(get("hwind").second, 0.0F);
    set(kMosWspd, 0, 30);
    EXPECT_FLOAT_EQ(get("hwind").second, 30.0F);

    EXPECT_NEAR(get("uwnd").value, 30 * 0.5144F, 1e-4);
    EXPECT_NEAR(get("vwnd").value, 0.0F, 1e-4);
    EXPECT_NEAR(get("uwndg").value, 30 * 0.5144F, 1e-3);  // no projection: north is grid north
}

TEST_F(MosTool, UnitsAreConvertedAfterwardsButNeverTheDirection) {
    set(kMosTemp, 0, 50);
    EXPECT_NEAR(get("temp", 6, "C").value, 10.0F, 1e-3);
    set(kMosWdir, 0, 270);
    set(kMosWspd, 0, 10);
    const RawData w = get("wind", 6, "m/s");
    EXPECT_FLOAT_EQ(w.value, 270.0F);
    EXPECT_NEAR(w.second, 5.144F, 1e-3);
    const RawData t = get("city", 6, "F");
    EXPECT_STREQ(t.text, "KAAA");
}

TEST_F(MosTool, ProbabilitiesFallBackToLaterColumns) {
    set(kMosPop6, 1, 40);
    set(kMosTstm12, 2, 15);
    set(kMosSvr6, 1, 3);
    EXPECT_TRUE(is_missing(get("pop6").value));
    EXPECT_FLOAT_EQ(get("pop").value, 40.0F);
    EXPECT_FLOAT_EQ(get("pot12").value, 15.0F);
    EXPECT_FLOAT_EQ(get("post").value, 3.0F);
    EXPECT_TRUE(is_missing(get("post12").value));
}

TEST_F(MosTool, CloudCoverCategoriesAndText) {
    const std::map<int, float> cover = {{'C', 0}, {'F', 19}, {'S', 33}, {'B', 67}, {'O', 100}, {'X', 100}, {'9', 100},
                                        {'4', 50}};
    for (const auto& [code, pct] : cover) {
        set(kMosCloud, 0, code);
        EXPECT_FLOAT_EQ(get("cldcv").value, pct) << static_cast<char>(code);
    }
    set(kMosCloud, 0, 'B');
    EXPECT_STREQ(get("cldcv").text, "B");
    set(kMosCloud, 0, 'Q');
    EXPECT_TRUE(is_missing(get("cldcv").value));
}

TEST_F(MosTool, CeilingAndVisibilityByModel) {
    set(kMosCeiling, 0, 4);
    EXPECT_FLOAT_EQ(MOS_cld_hght(&r, 0), 15.0F);
    set(kMosCeiling, 0, 8);
    EXPECT_FLOAT_EQ(MOS_cld_hght(&r, 0), 250.0F);
    set(kMosCloud, 0, 'C');
    EXPECT_TRUE(is_missing(MOS_cld_hght(&r, 0)));
    r.model = kModelNgm;
    set(kMosCloud, 0, 'O');
    EXPECT_TRUE(is_missing(MOS_cld_hght(&r, 0)));
    set(kMosCeiling, 0, 4);
    EXPECT_FLOAT_EQ(MOS_cld_hght(&r, 0), 20.0F);
    EXPECT_STREQ(get("cldcl").text, "20");

    set(kMosVis, 0, 1);
    EXPECT_FLOAT_EQ(MOS_vis(&r, 0), 0.25F);
    set(kMosVis, 0, 6);
    EXPECT_TRUE(is_missing(MOS_vis(&r, 0)));
    r.model = kModelGfs;
    EXPECT_FLOAT_EQ(MOS_vis(&r, 0), 6.0F);
    EXPECT_STREQ(get("vis").text, "6");
    set(kMosVis, 0, 3);  // three quarters of a mile is not printed as one
    EXPECT_STREQ(get("vis").text, "0.8");
    set(kMosVis, 0, 1);
    EXPECT_STREQ(get("vis").text, "0.1");
    set(kMosVis, 0, 0);
    EXPECT_STREQ(get("vis").text, "");
}

TEST_F(MosTool, AmountsAndSnow) {
    set(kMosQpf6, 0, 3);
    set(kMosQpf12, 0, 6);
    EXPECT_FLOAT_EQ(get("prec").value, 0.37F);
    EXPECT_FLOAT_EQ(get("prec12").value, 3.0F);
    set(kMosQpf6, 0, 0);  // category 0: none
    set(kMosQpf12, 0, 0);
    EXPECT_FLOAT_EQ(get("prec6").value, 0.0F);
    EXPECT_FLOAT_EQ(get("prec12").value, 0.0F);
    set(kMosSnow, 0, 0);
    EXPECT_FLOAT_EQ(get("snwfl24").value, 0.0F);
    set(kMosQpf6, 0, 7);
    EXPECT_TRUE(is_missing(get("prec6").value));
    set(kMosSnow, 0, 2);
    EXPECT_FLOAT_EQ(get("snwfl24").value, 2.0F);
    EXPECT_TRUE(is_missing(get("snwfl").value));  // six-hour snow is the NGM's
    r.model = kModelAvn;
    EXPECT_TRUE(is_missing(get("snwfl12").value));
    r.model = kModelNgm;
    set(kMosSnow6, 0, 1);
    EXPECT_FLOAT_EQ(get("snwfl6").value, 1.0F);
    set(kMosSnow6, 0, 0);
    EXPECT_FLOAT_EQ(get("snwfl6").value, 0.0F);
}

TEST_F(MosTool, MaxMinByTheFileBaseHour) {
    for (int c = 0; c < 21; ++c) set(kMosMaxMin, c, 100 + c);
    base_hour(0);
    EXPECT_FLOAT_EQ(get("maxt", 24).value, 106.0F);
    EXPECT_TRUE(is_missing(get("maxt", 36).value));
    EXPECT_FLOAT_EQ(get("mint", 36).value, 110.0F);
    for (const int between : {30, 42, 54})  // hours 6 and 18 of the day hold neither
        EXPECT_TRUE(is_missing(get("mint", between).value)) << between;
    EXPECT_FLOAT_EQ(get("extt", 36).value, 110.0F);
    base_hour(12);
    EXPECT_TRUE(is_missing(get("maxt", 24).value));
    EXPECT_FLOAT_EQ(get("maxt", 36).value, 110.0F);
    base_hour(6);
    EXPECT_TRUE(is_missing(get("maxt", 24).value));
    EXPECT_TRUE(is_missing(get("mint", 36).value));
    base_hour(0);
    EXPECT_TRUE(is_missing(get("nmaxt", 24).value));  // normals are the MRF family's
    r.model = kModelGfsx;
    EXPECT_FLOAT_EQ(get("nmaxt", 24).value, 116.0F);
    EXPECT_FLOAT_EQ(get("nmint", 24).value, 115.0F);
    EXPECT_FLOAT_EQ(get("dmaxt", 24).value, 106.0F - 116.0F);
    EXPECT_FLOAT_EQ(get("dmint", 36).value, 110.0F - 115.0F);
    EXPECT_TRUE(is_missing(get("dmint", 30).value));
}

TEST_F(MosTool, DerivedThermodynamics) {
    set(kMosTemp, 0, 95);
    set(kMosDewp, 0, 75);
    set(kMosWspd, 0, 10);
    EXPECT_GT(get("heat").value, 308.0F);
    EXPECT_NEAR(get("rhum").value, 53.0F, 2.0F);
    EXPECT_NEAR(get("vpres").value, 56.0F, 2.0F);
    EXPECT_FALSE(is_missing(get("humit").value));
    set(kMosTemp, 0, 10);
    EXPECT_LT(get("wchilt").value, 260.0F);
    EXPECT_FALSE(is_missing(get("wchilf").value));
    set(kMosTemp, 0, M);
    EXPECT_TRUE(is_missing(get("rhum").value));
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

TEST_F(MosTool, Weather) {
    char text[kMosWeatherSize];
    set(kMosPop6, 0, 60);
    set(kMosQpf6, 0, 4);
    set(kMosPtype, 0, 'S');
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "S+");
    set(kMosPtype, 0, 'Z');
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "ZR+");
    set(kMosPtype, 0, 'R');
    set(kMosQpf6, 0, 3);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "R-");
    set(kMosPtype, 0, M);
    set(kMosTemp, 0, 20);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "S");
    set(kMosTemp, 0, 40);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "R-");
    set(kMosMaxMin, 0, 30);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "S");
    set(kMosTstm6, 2, 35);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "TRW-");
    set(kMosSvr6, 0, 21);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "TRW+");

    // dry: fog and haze from the obstruction, old and current codes
    set(kMosPop6, 0, 20);
    set(kMosVis, 0, 2);
    for (const char* fog : {"F", "FG", "BR"}) {
        set(kMosObvis, 0, mos_code(fog, static_cast<int>(std::strlen(fog))));
        EXPECT_STREQ(MOS_weather6(&r, 0, text), "F") << fog;
        EXPECT_STREQ(get("wx").text, "F") << fog;
    }
    set(kMosObvis, 0, mos_code("HZ", 2));
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "H");
    set(kMosVis, 0, 4);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "H");
    set(kMosObvis, 0, mos_code("FG", 2));
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "");
    set(kMosPop6, 0, M);
    set(kMosVis, 0, 1);
    EXPECT_STREQ(MOS_weather6(&r, 0, text), "F");
    EXPECT_STREQ(get("obvis").text, "FG");

    // twelve-hour elements have their own amount scale
    set(kMosPop12, 0, 50);
    set(kMosQpf12, 0, 4);
    set(kMosPtype, 0, 'S');
    EXPECT_STREQ(MOS_weather12(&r, 0, text), "S");
    set(kMosQpf12, 0, 6);
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

// ---------------------------------------------------------------- extended family

TEST(MosuTool, ValuesLevelsAndSums) {
    RES_reset_for_tests();
    MESS_set(0, 0);
    MosuReport u{};
    MOSU_initialize(&u);
    copy_text(u.id, "BOS");
    for (int c = 0; c < 11; ++c) u.hours[c] = 6 * c;
    u.temp[2][0] = -5;
    u.rhum[2][0] = 80;
    u.pres[2] = 1013;
    u.vvel[2] = -25;
    u.thick[2] = 5400;
    u.wdir[2] = 180;
    u.wspd[2] = 10;
    for (int c = 1; c <= 8; ++c) u.prec[c] = 10 * c;
    u.prec[9] = 1000;

    RawData raw{};
    VarRecord v = var("temp", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, -5.0F);  // the fourth slot is never filled
    EXPECT_STREQ(v.units, "C");
    v = var("tempb", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_TRUE(is_missing(raw.value));
    v = var("rhum", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 80.0F);
    v = var("pres", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 1013.0F);
    EXPECT_EQ(v.level_type, 102);
    v = var("vvel", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, -2.5F);
    EXPECT_EQ(v.level_type, 100);
    EXPECT_EQ(v.level, 700);
    v = var("thick", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_EQ(v.level, 100050);
    v = var("vwnd", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_NEAR(raw.value, 5.144F, 1e-4);
    EXPECT_EQ(u.wdir[2], 180);
    v = var("prec", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 0.2F);
    v = var("prec", 4000018);  // accumulation up to 18 hours: columns 1..3
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 0.6F);
    v = var("cprec", 12);
    MOSU_get_data(&u, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 3.6F);
    EXPECT_EQ(v.time, 4000060);
    u.temp[0][0] = 7;
    for (const int hour : {66, 9, 54}) {  // not among the first nine columns: missing
        v = var("temp", hour);
        MOSU_get_data(&u, &v, &raw);
        EXPECT_TRUE(is_missing(raw.value)) << hour;
    }
    v = var("city");
    MOSU_get_data(&u, &v, &raw);
    EXPECT_STREQ(raw.text, "BOS");
    v = var("lift");
    EXPECT_EQ(MOSU_get_var(&v), 1);
    EXPECT_STREQ(v.units, "dC");
}

// ---------------------------------------------------------------- MRF family

TEST(MosmTool, DayAndHalfDayIndexesWeatherAndUnits) {
    RES_reset_for_tests();
    MESS_set(0, 0);
    MosmReport m{};
    MOSM_initialize(&m);
    for (int i = 0; i < kMosmDayValues; ++i) {
        m.max[i] = 50 + i;
        m.min[i] = 30 + i;
        m.nmax[i] = 52;
        m.pop24[i] = 10 * i;
    }
    for (int i = 0; i < kMosmHalfDays; ++i) {
        m.wind[i] = i;
        m.cloud[i] = 5 * i;
        m.pos[i] = 50;
    }
    RawData raw{};
    VarRecord v = var("wspd", 48);
    EXPECT_EQ(MOSM_get_data(&m, &v, &raw), 1);
    EXPECT_FLOAT_EQ(raw.value, 3.0F);  // day 1, half-day 3
    v = var("wspd", 36);
    MOSM_get_data(&m, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 2.0F);  // day 1, half-day 2
    v = var("maxt", 48);
    MOSM_get_data(&m, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, 51.0F);
    v = var("dmaxt", 48);
    MOSM_get_data(&m, &v, &raw);
    EXPECT_FLOAT_EQ(raw.value, -1.0F);
    for (const int hour : {216, 99, 30}) {  // past the eighth day or between half days
        v = var("temp", hour);
        EXPECT_EQ(MOSM_get_data(&m, &v, &raw), 0) << hour;
        EXPECT_TRUE(is_missing(raw.value)) << hour;
    }
    v = var("cldcv", 60);
    MOSM_get_data(&m, &v, &raw);
    EXPECT_STREQ(raw.text, "20");
    v = var("maxt", 48, "C");
    MOSM_get_data(&m, &v, &raw);
    EXPECT_NEAR(raw.value, (51.0F - 32.0F) * 5.0F / 9.0F, 1e-3);

    char text[kMosWeatherSize];
    m.pop24[2] = 40;
    m.pos[4] = 60;
    m.pos[5] = 50;
    EXPECT_STREQ(MOSM_weather(&m, 2, text), "S-");
    m.pos[5] = 30;
    EXPECT_STREQ(MOSM_weather(&m, 2, text), "R-");
    m.pos[5] = M;
    EXPECT_STREQ(MOSM_weather(&m, 2, text), "R-");
    m.pop24[2] = 29;
    EXPECT_STREQ(MOSM_weather(&m, 2, text), "");
    v = var("pos");
    EXPECT_EQ(MOSM_get_var(&v), 1);
    EXPECT_STREQ(v.units, "%");
    v = var("tempb");
    EXPECT_EQ(MOSM_get_var(&v), 0);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// Every variable the shipped menu file defines is one that a bulletin family supplies.
TEST(MosVariables, ShippedMenuDefinitionsAreKnownToAFamily) {
    RES_reset_for_tests();
    VAR_reset_for_tests();
    MESS_reset_for_tests();
    MESS_set(0, 0);
    RES_put("file_path", ORV_DATA_DIR);
    ASSERT_EQ(VAR_open_file("mosplot.var"), 0);
    std::ifstream f(std::string(ORV_DATA_DIR) + "/mosplot.var");
    std::string line;
    int checked = 0;
    while (std::getline(f, line)) {
        std::istringstream words(line);
        std::string abbr, label, condition;
        if (!(words >> abbr >> label >> condition) || abbr[0] == '#' || line[0] == ' ') continue;
        ASSERT_EQ(VAR_setup(nullptr, abbr.c_str()), 1) << abbr;
        for (int i = 0; i < VAR_get_num(); ++i) {
            VarRecord v = *VAR_get_var(i);
            if (v.flag % 10 == kVarGroup) continue;  // a station-model group, not a value
            const int role = v.flag % 10;
            if (role == kVarFunction || role == kVarSubFunction || role == kVarFuncVector ||
                role == kVarSubFuncVector) {  // computed from its operands, which are checked
                EXPECT_EQ(GRD_is_math_func(v.name), kTypeGrid) << abbr << ": " << v.name;
                continue;
            }
            const int known = MOS_get_var(&v) + MOSU_get_var(&v) + MOSM_get_var(&v);
            EXPECT_GT(known, 0) << abbr << ": " << v.name;
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
    VAR_reset_for_tests();
    RES_reset_for_tests();
}

}  // namespace
}  // namespace orv
