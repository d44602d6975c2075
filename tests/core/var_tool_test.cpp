#include "core/var_tool.hpp"
#include <gtest/gtest.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" lacks \"" << part << "\"";
}

constexpr int kTraceLevel = 0x40000000;

class VarTool : public ::testing::Test {
protected:
    void SetUp() override {
        VAR_reset_for_tests();
        FLAG_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
        RES_put("file_path", (dir_ + "/").c_str());
        write("variable.lup", "");
        VAR_set_def_type(11);
    }
    void TearDown() override {
        VAR_reset_for_tests();
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ + "/" + name) << text;
    }
    static const VarRecord& var(int i) { return *VAR_get_var(i); }
    // The records of the last setup, "name:flag:type:time/status:leveltype/level:units:format" each.
    static std::string records() {
        std::string out;
        for (int i = 0; i < VAR_get_num(); ++i) {
            const VarRecord& v = var(i);
            out += (i > 0 ? " ; " : "") + std::string(v.name) + ":" + std::to_string(v.flag) + ":" +
                   std::to_string(v.type) + ":" + std::to_string(v.time) + "/" + std::to_string(v.time_status) +
                   ":" + std::to_string(v.level_type) + "/" + std::to_string(v.level) + ":" + v.units + ":" +
                   v.format;
        }
        return out;
    }
    static std::string setup(const char* spec) {
        VAR_setup(nullptr, spec);
        return records();
    }
    static std::vector<int> flags() {
        std::vector<int> out;
        for (int i = 0; i < VAR_get_num(); ++i) out.push_back(VAR_get_flag(i));
        return out;
    }
    static std::string traced(const char* spec) {
        MESS_set(1, kTraceLevel);
        ::testing::internal::CaptureStdout();
        VAR_setup(nullptr, spec);
        return ::testing::internal::GetCapturedStdout();
    }
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
};

int time_of(const char* text, int* status = nullptr) {
    int code = -1;
    const int s = VAR_dec_time(text, &code);
    if (status != nullptr) *status = s;
    return s == 0 ? -1 : code;
}

struct Level {
    int status, type, level;
    bool operator==(const Level&) const = default;
};
Level level_of(const char* text) {
    Level l{};
    l.status = VAR_dec_level(text, &l.type, &l.level);
    return l;
}

TEST_F(VarTool, TermsTakeTheirPartsOrTheDefaults) {
    FLAG_set(kFlagHour, 24);
    FLAG_set(kFlagLevel, 1);
    EXPECT_EQ(VAR_setup(nullptr, "temp"), 1);
    EXPECT_EQ(records(), "temp:0:11:24/1:1/0::");
    EXPECT_EQ(var(0).level_status, 1);
    EXPECT_EQ(setup("h12:sfc:temp:F:cf"), "temp:0:15:12/2:1/0:F:");
    EXPECT_EQ(var(0).level_status, 2);
    // A type word in the units place is the type.
    EXPECT_EQ(setup("temp:C:ln:5.1.0:nolabel, dewp::barb, wind:barb"),
              "temp:0:12:24/1:1/0:C:5.1.0:nolabel ; dewp:0:22:24/1:1/0:: ; wind:0:22:24/1:1/0::");
    EXPECT_EQ(setup("#5, MAP:line:red, panel, te\\:mp\\,x"), "#5:0:40:24/1:1/0:: ; map:4:37:-9999/0:-9999/-9999::red ; panel:4:8:-9999/0:-9999/-9999:: ; "
              "te:mp,x:0:11:24/1:1/0::");
    FLAG_set(kFlagPlotType, 15);  // a contour plot type of the program wins
    EXPECT_EQ(setup("temp"), "temp:0:15:24/1:1/0::");
    FLAG_set(kFlagPlotType, 11);  // plain contours leave the default
    VAR_set_def_type(36);
    EXPECT_EQ(setup("temp"), "temp:0:36:24/1:1/0::");
}

TEST_F(VarTool, OverLongTextsTruncateAndTheTableHoldsSixty) {
    const std::string name(40, 'n');
    const std::string units(30, 'u');
    const std::string format(300, 'f');
    VAR_setup(nullptr, (name + ":" + units + ":cf:" + format).c_str());
    EXPECT_EQ(std::string(var(0).name), name.substr(0, 19));
    EXPECT_EQ(std::string(var(0).units), units.substr(0, 15));
    EXPECT_EQ(std::string(var(0).format), format.substr(0, 100));
    std::string many;
    for (int i = 0; i < 70; ++i) many += "v" + std::to_string(i) + ",";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VAR_setup(nullptr, many.c_str()), 1);
    EXPECT_TRUE(Contains(::testing::internal::GetCapturedStderr(), "v60"));
    EXPECT_EQ(VAR_get_num(), 60);
    EXPECT_EQ((std::vector<std::string>{VAR_get_name(59), VAR_get_name(60)}), (std::vector<std::string>{"v59", ""}));
    EXPECT_EQ(VAR_get_var(60), nullptr);
    EXPECT_EQ(VAR_setup(nullptr, ""), 0);
}

TEST_F(VarTool, FunctionsGroupsAndVectorsNest) {
    EXPECT_EQ(setup("add(temp, max(dewp, #3)), wspd"),
              "add:2:11:0/1:0/0:: ; temp:11:10:0/1:0/0:: ; max:13:10:0/1:0/0:: ; dewp:21:10:0/1:0/0:: ; "
              "#3:21:40:0/1:0/0:: ; wspd:0:11:0/1:0/0::");
    EXPECT_EQ((std::vector{VAR_is_calc_GRID(0), VAR_is_fit_GRID(1), VAR_is_SUBFUNC(2), VAR_is_plot_FUNC(0),
                           VAR_is_PLOT(1), VAR_is_REG(5)}),
              (std::vector{1, 1, 1, 1, 0, 1}));
    VAR_set_math_func([](const char* n) { return std::string(n) == "wind" ? 20 : std::string(n) == "add" ? 10 : 0; });
    VAR_set_vect_func([](const char* n) { return std::string(n) == "grad" ? 1 : 0; });
    // The function's settings are the operands' base.
    EXPECT_EQ(setup("h12:sfc:wind(uwnd,vwnd):barb, add(a, grad(b))"),
              "wind:2:22:12/2:1/0:: ; wind:8:22:12/2:1/0:: ; uwnd:11:10:12/1:1/0:: ; vwnd:11:10:12/1:1/0:: ; "
              "add:2:10:0/1:0/0:: ; a:11:10:0/1:0/0:: ; grad:13:10:0/1:0/0:: ; grad:19:10:0/1:0/0:: ; b:21:10:0/1:0/0::");
    EXPECT_EQ((std::vector{VAR_is_FUNC_VECT(0), VAR_is_FUNC_VECT(1), VAR_is_FUNC_VECT(4), VAR_is_SUBFUNC_VECT(6)}),
              (std::vector{1, 1, 0, 1}));
    EXPECT_EQ(setup("stn{temp,dewp}, wind<uwnd,vwnd>:vect, [nolab]cldcv:%:cf:5.0.0, vis"),
              "stn:5:11:0/1:0/0:: ; temp:1:11:0/1:0/0:: ; dewp:1:11:0/1:0/0:: ; wind:6:21:0/1:0/0:: ; "
              "uwnd:10:10:0/1:0/0:: ; vwnd:10:10:0/1:0/0:: ; cldcv:0:15:0/1:0/0:%:5.0.0:nolab ; vis:0:11:0/1:0/0::nolab");
    // A group member is drawn as contours; a vector component is no plot of its own.
    EXPECT_EQ((std::vector{VAR_is_COMP(0), VAR_is_VECT(3), VAR_is_SUBPLOT(4), VAR_is_subplot_GRID(1),
                           VAR_is_subplot_GRID(4)}),
              (std::vector{1, 1, 1, 1, 0}));
}

TEST_F(VarTool, UnmatchedBracketsDropTheRest) {
    EXPECT_TRUE(Contains(traced("temp, add(dewp, wspd"), "Unmatched ()\n"));
    EXPECT_EQ(VAR_get_num(), 1);
    EXPECT_TRUE(Contains(traced("temp, dewp), wspd"), "Unmatched ()\n"));
    EXPECT_EQ(VAR_get_num(), 1);
    EXPECT_TRUE(Contains(traced("w<u,v"), "Unmatched <>\n"));
    EXPECT_EQ(VAR_get_num(), 0);
    EXPECT_TRUE(Contains(traced("[abc temp"), "Unmatched []\n"));
    EXPECT_TRUE(Contains(traced("g{a,b"), "Unmatched {}\n"));
    EXPECT_TRUE(Contains(traced("add(a\\),b)"), "Function add ( a\\),b )"));
    EXPECT_STREQ(VAR_get_name(1), "a)");
    MESS_reset_for_tests();
    const std::string deep = std::string(200, '(') + "x" + std::string(200, ')');
    ::testing::internal::CaptureStderr();
    VAR_setup(nullptr, deep.c_str());
    EXPECT_TRUE(Contains(::testing::internal::GetCapturedStderr(), "Too many variables"));
    EXPECT_EQ(VAR_get_num(), 60);
}

TEST_F(VarTool, TimeCodes) {
    // {current hour, text, code (-1: refused), status (-1: any)}
    const struct { int hour; const char* text; int code, status; } cases[] = {
        {kMissing, "h24-12acc", 4012024, -1}, {kMissing, "d2", 48, -1}, {kMissing, "e1", 36, -1},
        {kMissing, "3day", 72, -1}, {kMissing, "1.5day", 36, -1}, {kMissing, "h24-12xyz", 2012024, -1},
        {kMissing, "anal-12acc", 4012000, -1}, {kMissing, "init", 0, 2}, {kMissing, "miss", -9999, -1},
        {kMissing, "", 0, 2},  // no current hour
        {kMissing, "time-6acc", -1, -1}, {24, "", 24, 1}, {24, "time-6", 18, -1}, {24, "time-6avg", 3018024, -1},
        {24, "temp", -1, -1}, {24, "h6-12acc", -1, -1},  // a range cannot start before hour 0
        {24, "h2000-12acc", -1, -1},
    };
    for (const auto& c : cases) {
        FLAG_set(kFlagHour, c.hour);
        int status = -5;
        EXPECT_EQ(time_of(c.text, &status), c.code) << c.text;
        if (c.status != -1) {
            EXPECT_EQ(status, c.status) << c.text;
        }
    }
}

TEST_F(VarTool, NamedAndNumericLevels) {
    const std::pair<const char*, Level> cases[] = {
        {"sfc", {2, 1, 0}}, {"SL", {2, 102, 0}}, {"sclw_top", {2, 254, 0}}, {"none", {2, 0, 0}},
        {"miss", {2, -9999, -9999}}, {"xyz", {0, -9999, -9999}}, {"500mb", {2, 100, 500}}, {"500", {2, 100, 500}},
        {"850-500mb", {2, 101, 50085}}, {"500hPa-850hPa", {2, 101, 50085}}, {"1000ft", {2, 103, 304}},
        {"2m_ag", {2, 105, 2}}, {"0-3000m_ag", {2, 106, 30000}}, {"0+30mb_ag", {2, 116, 30000}},
        {"30mb_ag", {2, 116, 30000}}, {"310K", {2, 113, 310}}, {"300-330k", {2, 114, 330300}},
        {"0.995sigma", {2, 107, 9950}}, {"500mb-2m", {0, -9999, -9999}}, {"", {2, 0, 0}},
    };
    for (const auto& [text, level] : cases) EXPECT_EQ(level_of(text), level) << text;
    EXPECT_EQ(level_of("20000-500mb").status, 0);  // does not fit a layer code
    EXPECT_EQ(level_of("99999999999mb").status, 0);
    FLAG_set(kFlagLevel, 100);
    FLAG_set(kFlagLevelQual, 700);
    EXPECT_EQ(level_of(""), (Level{1, 100, 700}));
    EXPECT_EQ(level_of("level"), (Level{1, 100, 700}));
}

TEST_F(VarTool, LevelCodesRoundTripThroughText) {
    const std::vector<std::pair<int, int>> codes = {
        {1, 0}, {102, 0}, {100, 500}, {101, 50085}, {103, 1500}, {104, 30015}, {105, 10},
        {106, 30000}, {107, 9950}, {108, 100044}, {113, 310}, {114, 330300}, {116, 30000}, {0, 0}};
    for (const auto& [type, level] : codes) {
        char text[kVarLevelSize];
        VAR_enc_level(type, level, text);
        EXPECT_EQ(level_of(text), (Level{2, type, level})) << text;
    }
    char small[4];
    EXPECT_STREQ(VAR_enc_level(101, 50085, small, sizeof small), "500");
    // {type, first, second} -> {result, type, level}
    const struct { int type; float first, second; std::array<int, 3> got; } encodings[] = {
        {100, 850.0F, 500.0F, {1, 101, 50085}}, {103, 3000.0F, 1500.0F, {1, 104, 30015}},
        {105, 2.7F, -9999.0F, {0, 105, 2}}, {100, 1e12F, -9999.0F, {-1, -9999, -9999}}};
    for (const auto& e : encodings) {
        int type = 0, level = 0;
        const int r = VAR_enc_level(e.type, &type, &level, e.first, e.second);
        EXPECT_EQ((std::array{r, type, level}), e.got) << e.type << " " << e.first;
    }
}

TEST_F(VarTool, TypeWordsAndFormatTypes) {
    // "fcont" is printed only.
    EXPECT_EQ((std::vector{VAR_dec_type("CF"), VAR_dec_type("track"), VAR_dec_type("wx"), VAR_dec_type("fcont")}),
              (std::vector{15, 23, 36, -1}));
    EXPECT_EQ((std::vector<std::string>{VAR_print_type(15), VAR_print_type(40), VAR_print_type(99)}),
              (std::vector<std::string>{"fcont", "const", "----"}));
    // A numeric format turns the record into plain contours only where the
    // program asks for a contour plot and the record is not a vector kind.
    struct Case { int plot_type, type, result, type_after; };
    const Case cases[] = {
        {kMissing, 36, 0, 36}, {0, 36, 0, 36}, {99, 36, 0, 36}, {15, 36, 1, 11}, {15, 22, 1, 11},
        {15, 20, 0, 20},       {15, 21, 0, 21}, {15, 23, 0, 23}, {15, 30, 0, 30},
    };
    for (const Case& c : cases) {
        FLAG_set(kFlagPlotType, c.plot_type);
        int type = c.type;
        EXPECT_EQ(VAR_dec_format("5.1.0", &type), c.result) << c.plot_type << " " << c.type;
        EXPECT_EQ(type, c.type_after) << c.plot_type << " " << c.type;
    }
    int type = 20;
    EXPECT_EQ(VAR_dec_format("barb", &type), 2);
    EXPECT_EQ(type, 22);
}

TEST_F(VarTool, DefinitionsExpandWithOverridesAndStopOnCycles) {
    write("test.var",
          "# comment line\n"
          "cf_temp  Temperature 1  temp:F:cf\n"
          "pair     Two_fields  1  temp,\\\n"
          "                          dewp\n"
          "loop_a   A           0  loop_b\n"
          "loop_b   B           0  loop_a:C\n"
          "wind     Wind        1  wind:barb\n");
    ASSERT_EQ(VAR_open_file("test.var"), 0);
    char def[kVarDefSize];
    ASSERT_EQ(VAR_lookup("pair", def), 1);
    EXPECT_STREQ(def, "temp,dewp");
    EXPECT_EQ(VAR_lookup("nothing", def), 0);
    EXPECT_EQ(setup("h12:sfc:cf_temp:C, pair, wind"),
              "temp:0:15:12/1:1/0:C: ; temp:0:11:0/1:0/0:: ; dewp:0:11:0/1:0/0:: ; wind:0:22:0/1:0/0::");
    EXPECT_EQ(setup("loop_a, +cf_temp"), "loop_a:0:11:0/1:0/0:C: ; cf_temp:0:11:0/1:0/0::");
    write("other.var", "x  X  1  dewp\n");
    VAR_setup(nullptr, "fi:other.var:x");
    EXPECT_STREQ(VAR_get_name(0), "dewp");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VAR_open_file(nullptr), -1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Contains(err, "VAR_open_file: Unable to open var file: " + dir_ + "/"));
    EXPECT_TRUE(Contains(err, ".var\n"));
}

TEST_F(VarTool, MenuConditionsSelectItems) {
    write("menu.var",
          "always  Always_shown  1            a\n"
          "never   Never         0            b\n"
          "eta     Eta_only      mo=eta*      c\n"
          "both    Ngm_at_12     mo=ngm&ft=h1[0-2]  d\n"
          "either  Either        mo=x,ft=h24  e\n"
          "level   Upper         le=500mb     f\n"
          "bad     Bad_test      zz=1         g\n");
    ASSERT_EQ(VAR_open_file("menu.var"), 0);
    auto shown = [] {
        std::vector<std::string> out;
        for (const MenuEntry* m = VAR_get_menu() + 1; m->label != nullptr; ++m) out.push_back(m->abbr);
        return out;
    };
    EXPECT_EQ(VAR_read_menu(), 1);
    EXPECT_EQ(shown(), (std::vector<std::string>{"always"}));
    EXPECT_STREQ(VAR_get_menu()[1].label, "Always shown");
    EXPECT_EQ(VAR_get_menu()[1].value, 1);
    EXPECT_EQ(VAR_get_menu()[1].shown[0], 1);
    VAR_set_model_str("ngm");
    VAR_set_time_str("h12");
    VAR_set_level_str("500mb");
    VAR_read_menu();
    EXPECT_EQ(shown(), (std::vector<std::string>{"always", "both", "level"}));
    VAR_set_model_str("eta_ua");
    VAR_set_time_str("h24");
    VAR_read_menu();
    EXPECT_EQ(shown(), (std::vector<std::string>{"always", "eta", "either", "level"}));
    std::string big;
    for (int i = 0; i < 60; ++i) big += "m" + std::to_string(i) + " L 1 x\n";
    write("big.var", big);
    VAR_open_file("big.var");
    EXPECT_EQ(VAR_read_menu(), 49);
}

TEST_F(VarTool, MenuInBatchMode) {
    write("menu.var", "first  First_item  1  temp\nsecond Second  1  dewp\n");
    char reply[160] = "";
    FLAG_set_batch(1);
    EXPECT_EQ(VAR_menu("T", "P", reply, 3), 1);
    EXPECT_STREQ(reply, "def");
    ASSERT_EQ(VAR_open_file("menu.var"), 0);
    VAR_read_menu();
    EXPECT_EQ(VAR_menu("T", "P", reply, 3), 1);
    EXPECT_STREQ(reply, "first");
}

TEST_F(VarTool, PatternsMatchTheWholeText) {
    EXPECT_TRUE(VAR_menu_display("eta*", "eta_ua"));
    EXPECT_FALSE(VAR_menu_display("eta", "eta_ua"));
    EXPECT_TRUE(VAR_menu_display("h?[0-2]", "h12"));
    EXPECT_TRUE(VAR_menu_display("a\\*b", "a*b"));
    EXPECT_FALSE(VAR_menu_display("a\\*b", "axb"));
    EXPECT_TRUE(VAR_menu_display("[abc", "a"));  // an open set ends with the pattern
    EXPECT_TRUE(VAR_menu_display("", ""));
}

TEST_F(VarTool, LookupListGivesIdentifiersAndLabels) {
    write("variable.lup",
          "# ids abbr description\n"
          "11,2,7 temp Temperature  \r\n"
          "17 dewp Dew point\n"
          "lonely\n"
          "x,5 odd Odd ids\n"
          "12q part Part number\n");
    EXPECT_EQ(VAR_read_varfile(), 4);
    VAR_setup(nullptr, "TEMP, 17, max-dewp, ens[+2]temp, ensmean[]dewp, 999");
    EXPECT_EQ((std::vector{var(0).ids[0], var(0).ids[2], var(0).ids[3], var(2).ids[0], var(3).ids[0], var(4).ids[0],
                           var(5).ids[0]}),
              (std::vector{11, 7, -9999, 17, 19342011, 19000017, 999}));
    EXPECT_STREQ(var(1).name, "dewp");
    EXPECT_STREQ(var(5).name, "999");
    char out[kVarLabelSize];
    EXPECT_STREQ(VAR_str(out, 1011, "F"), "Temperature (F)");
    EXPECT_STREQ(VAR_str(out, 999, ""), "v999");
    VAR_set_label_type_func([] { return -1; });
    EXPECT_STREQ(VAR_str(out, 17, nullptr), "dewp");
    EXPECT_STREQ(VAR_abbr(out, 11), "temp");
    EXPECT_STREQ(VAR_abbr(out, 5), "");
    EXPECT_EQ((std::vector{VAR_search_var_num("DEWP"), VAR_search_var_num("none"), VAR_search_var_num("odd"),
                           VAR_search_var_num("part")}),
              (std::vector{17, 0, -9999, -9999}));  // "12q" is no identifier
    RES_put("file_path", "/nonexistent/");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(VAR_read_varfile(), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "VAR_read_varfile: Unable to open file: /nonexistent/variable.lup\n");
}

TEST_F(VarTool, FieldDescriptions) {
    write("variable.lup", "11 temp Temperature\n");
    char info[kVarInfoSize];
    EXPECT_STREQ(VAR_make_datatype(12, 100, 500, 11, "C", info), "500mb Temperature (C)");
    EXPECT_STREQ(VAR_make_datatype(12, 0, 0, 11, "", info), "Temperature");
    VAR_setup(nullptr, "h12:sfc:temp:F, h12:850-500mb:thick:m");
    EXPECT_STREQ(VAR_make_var_datatype(0, info), "sfc Temperature (F)");
    EXPECT_STREQ(VAR_make_var_datatype(1, info), "500-850mb thick (m)");
    EXPECT_STREQ(VAR_make_var_datatype(99, info), "");
    write("variable.lup", "12 long " + std::string(120, 'd') + "\n");
    VAR_read_varfile();
    EXPECT_EQ(std::string(VAR_make_datatype(0, 1, 0, 12, "F", info)), "sfc " + std::string(65, 'd'));
}

TEST_F(VarTool, ShippedMenuDefinitionsParseToKnownVariables) {
    RES_put("file_path", ORV_DATA_DIR);
    ASSERT_EQ(VAR_open_file("mosplot.var"), 0);
    ASSERT_GT(VAR_read_varfile(), 50);
    const int items = VAR_read_menu();
    EXPECT_GT(items, 25);  // no model chosen: everything shows
    std::vector<std::string> abbrs;
    for (const MenuEntry* m = VAR_get_menu() + 1; m->label != nullptr; ++m) abbrs.emplace_back(m->abbr);
    for (const auto& abbr : abbrs) {
        ASSERT_EQ(VAR_setup(nullptr, abbr.c_str()), 1) << abbr;
        for (int i = 0; i < VAR_get_num(); ++i) {
            if (VAR_is_COMP(i) || VAR_is_VECT(i)) continue;
            EXPECT_NE(var(i).type, -9999) << abbr;
            const int role = var(i).flag % 10;
            if (role == kVarFunction || role == kVarSubFunction || role >= kVarFuncVector) continue;  // computed
            EXPECT_NE(var(i).ids[0], -9999) << abbr << ": " << var(i).name;
        }
    }
    VAR_setup(nullptr, "cf_temp");
    EXPECT_EQ(var(0).type, 15);
    VAR_set_model_str("eta_ua");
    VAR_read_menu();
    EXPECT_STREQ(VAR_get_menu()[1].abbr, "temp");
    EXPECT_LT(VAR_read_menu(), items);
    char out[kVarLabelSize];
    for (int model : {239, 277, 278, 279, 289, 290}) EXPECT_EQ(VAR_model(out, model), 1) << model;
    VAR_model(out, 290);
    EXPECT_STREQ(out, "NAM MOS");
    EXPECT_EQ(VAR_source(out, 7), 1);
}
}  // namespace
}  // namespace orv
