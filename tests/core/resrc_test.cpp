#include "core/resrc.hpp"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>
#include "core/date.hpp"
#include "core/def_read.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/mqueue.hpp"
#include "core/string.hpp"
#include "core/loop_window.hpp"
#include "support/run_program.hpp"

extern char** environ;

namespace orv {
namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// Every test starts from fresh module state, with no "orv" variable of the
// caller's environment visible and the defaults search list pointing into a
// private temporary directory.
class ResTest : public ::testing::Test {
protected:
    static void unset_orv() {
        for (char** e = environ; *e != nullptr;)
            if (std::strncmp(*e, "orv", 3) == 0) {
                unsetenv(std::string(*e, std::strcspn(*e, "=")).c_str());
                e = environ;
            } else {
                ++e;
            }
    }
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_cwd_ = cwd;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "orv", 3) == 0) saved_env_.emplace_back(*e);
        unset_orv();
        setenv("orvdefault", dir_.c_str(), 1);
        reset_all();
    }
    void TearDown() override {
        reset_all();
        if (chdir(old_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_cwd_;
        unset_orv();
        for (const auto& kv : saved_env_) setenv(kv.substr(0, kv.find('=')).c_str(), kv.substr(kv.find('=') + 1).c_str(), 1);
    }
    static void reset_all() {
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        DEF_reset_for_tests();
        FILE_reset_for_tests();
        MESS_reset_for_tests();
        MQ_reset_for_tests();
    }
    // Runs start-up with this program's resources on the given arguments.
    void init(const std::vector<std::string>& args, const char* prog = "/usr/local/bin/mosplot") {
        args_.assign({prog});
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        RES_init(static_cast<int>(args_.size()), argv_.data(), kMosplotKeyedIds, kMosplotPositionalIds);
    }
    void reinit(const std::vector<std::string>& args, const char* prog = "/usr/local/bin/mosplot") {
        reset_all();
        init(args, prog);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        const std::string p = path(name);
        mkdir(p.substr(0, p.rfind('/')).c_str(), 0755);
        std::ofstream(p) << text;
    }
    static std::string get(const char* name) {
        const char* v = RES_get(name);
        return v != nullptr ? v : "<unset>";
    }
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
    std::string old_cwd_;
    std::vector<std::string> saved_env_;
    std::vector<std::string> args_;
    std::vector<char*> argv_;
};

// Start-up from defaults files, the environment and the command line: each
// row sets its environment, runs start-up on its arguments and names the
// resources it expects ("<unset>" for none).
TEST_F(ResTest, StartUpGathersResourcesFromEverySource) {
    write("here/.orvdef", "*message out1\n*.con_base 3\nmosplot.label file\n");
    write("one/orv.cfg", "*con_base 1\n*label one\n");
    write("two/.orvdef", "*con_base 2\n");
    write("a/Orv.res", "mosplot.default " + std::string(300, 'x') + "\n*con_base 1\n");
    write("b/Orv.res", "*label b\n");
    write("cmd/Orv.res", "*con_base 5\n");
    write("env/Orv.res", "*con_base 6\n");
    write("title/Orv.res", "mosplot.con_base 1\nspecial.con_base 2\nmosplot.sub.con_base 3\n"
                           "*.label \"all programs\"\nother.label no\n");
    write("pat/Orv.res", "mosplot.my_setting 7\n*.other_one 8\nelse.never 9\n");
    write("tag/Orv.res", "IF big\n*con_base 10\nELSE\n*con_base 1\nEND\n");
    ASSERT_EQ(chdir(path("here").c_str()), 0);
    const std::string list = path("one") + ":" + path("missing") + ":" + path("two");
    const std::string q(200, 'q');
    struct Row {
        std::vector<std::string> env, args;
        std::vector<std::pair<std::string, std::string>> want;
        const char* prog = "/usr/local/bin/mosplot";
    };
    const Row rows[] = {
        // The empty search list means .orvdef of the current directory.
        {{"orvdefault="}, {}, {{"message", "out1"}, {"con_base", "3"}, {"label", "file"}}},
        {{"orvdefault=", "orvmess=warn"}, {}, {{"message", "warn"}}},
        {{"orvdefault=", "orvmess=warn"}, {"-me", "error"}, {{"message", "error"}}},
        {{}, {}, {{"file_path", ORV_DATA_DIR}}},
        {{"orvfile=/elsewhere"}, {}, {{"file_path", "/elsewhere"}}},
        {{"orvdefault=" + list}, {}, {{"con_base", "2"}, {"label", "one"}, {"default", list}}},
        // A defaults file may replace the search list while it is read.
        {{"orvdefault=" + path("a") + ":" + path("b")}, {}, {{"con_base", "1"}, {"label", "b"}}},
        {{"orvdefault=" + path("env")}, {"-df", path("cmd")}, {{"con_base", "5"}, {"default", path("cmd")}}},
        {{"orvdefault=" + path("env")}, {"-defaults=" + path("cmd")}, {{"con_base", "5"}}},
        {{"orvdefault=" + path("env")}, {"-DF", path("cmd")}, {{"con_base", "5"}}},
        {{"orvdefault=" + path("title")}, {}, {{"con_base", "1"}, {"label", "all programs"}}},
        {{"orvdefault=" + path("title")}, {"-na", "special"}, {{"name", "special"}, {"con_base", "2"}}},
        {{"orvdefault=" + path("title")}, {"-name=+sub"}, {{"con_base", "3"}}},
        // Only exact lower-case forms of "name" set the title.
        {{"orvdefault=" + path("title")}, {"-NA", "special"}, {{"con_base", "1"}, {"NA", "<unset>"}}},
        {{"orvdefault=" + path("pat")}, {}, {{"my_setting", "7"}, {"other_one", "8"}, {"never", "<unset>"}}},
        {{"orvdefault=+BIG:" + path("tag")}, {}, {{"con_base", "10"}}},
        {{"orvdefault=" + path("tag")}, {}, {{"con_base", "1"}}},
        // Environment forms in order of precedence.
        {{"orvplot_domain=plain"}, {}, {{"plot_domain", "plain"}}},
        {{"orvplot_domain=plain", "orvdomain=own"}, {}, {{"plot_domain", "own"}}},
        {{"orvplot_domain=plain", "orvdomain=own", "orvmosplot.plot_domain=qualified"}, {}, {{"plot_domain", "qualified"}}},
        {{"orvdomain=own", "orvmosplot.plot_domain=q", "orvwin.sub.plot_domain=titled"}, {"-na", "+sub"}, {{"plot_domain", "titled"}}, "/opt/win"},
        // Switches take no separate value; the rest is positional.
        {{}, {"-h", "-ba=no", "-ic", "chart.mos"}, {{"batch", "no"}, {"icon", ""}, {"filename", "chart.mos"}}},
        // Values beginning with "-" and a digit belong to the option; "-x" is an option.
        {{}, {"-in", "-5", "-cb", "-x"}, {{"con_interval", "-5"}, {"con_base", ""}, {"x", ""}}},
        {{}, {"--plot_domain=us"}, {{"plot_domain", "us"}, {"pd", "<unset>"}}},
        {{}, {"-plot_domain=us"}, {{"plot_domain", "us"}}},
        {{}, {"-pd=us"}, {{"plot_domain", "us"}, {"pd", "<unset>"}}},
        {{}, {"-plot_d", "us"}, {{"plot_domain", "us"}}},
        {{}, {"-PD", "us"}, {{"plot_domain", "us"}}},
        {{}, {"-Plot_Domain", "us"}, {{"plot_domain", "us"}}},
        {{}, {"--pd", "us"}, {{"plot_domain", "us"}}},
        // "co" is no abbreviation; its first prefix match in table order is con_path.
        {{}, {"-co", "red", "-time", "12", "-h", "-cot", "blue"},
         {{"con_path", "red"}, {"color_text", "blue"}, {"time", "12"}, {"help", ""}}},
        // Unknown options are stored under their own name, compared exactly.
        {{}, {"-foo=bar", "-Baz", "qux"}, {{"foo", "bar"}, {"Baz", "qux"}, {"baz", "<unset>"}}},
        {{"orvfilename=from_env"}, {"a", "-ti", "t", "b", "--", "-"}, {{"filename", "a\nb\n-"}}},
        {{}, {"-" + q + "=v"}, {{q.substr(0, kResOptionMax), "v"}, {q, "<unset>"}}},
        {{}, {"-na", std::string(100, 't')}, {{"name", std::string(100, 't')}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.args.empty() ? (r.env.empty() ? "" : r.env.back()) : r.args[0]);
        unset_orv();
        setenv("orvdefault", path("none").c_str(), 1);
        for (const std::string& e : r.env) setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), 1);
        reinit(r.args, r.prog);
        for (const auto& [name, value] : r.want) EXPECT_EQ(get(name.c_str()), value) << name;
    }
    EXPECT_EQ(std::string(DEF_get_title()), std::string(29, 't'));  // an overlong title is cut
}

TEST_F(ResTest, CommandLineSetsFlagsAndTheMessageLevel) {
    init({"-h", "-ba=no", "-ic", "chart.mos"});
    EXPECT_EQ(FLAG_help(), 1);
    EXPECT_EQ(FLAG_batch(), 1);
    int icon = 0;
    EXPECT_EQ(RES_getval("icon", &icon, kResSwitch), 1);
    EXPECT_EQ(icon, 1);
    EXPECT_EQ(MESS_get(), 255);  // no explicit level: batch mode shows print, error and warn only
    reinit({"-me", "mess", "-ba"});
    EXPECT_EQ(FLAG_get(kFlagHelp), -9999);
    EXPECT_EQ(FLAG_get(kFlagDevice), -9999);
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_GT(MESS_check_set(), 0);
    EXPECT_NE(MESS_get(), 255);
}

TEST_F(ResTest, UnknownIdentifierIsPrintedAndEndsTheTable) {
    const int keyed[] = {57, 1, 3, 0};
    const int positional[] = {50, 0};
    args_ = {"prog", "-ba", "x"};
    argv_ = {args_[0].data(), args_[1].data(), args_[2].data(), nullptr};
    CaptureStdout();
    RES_init(3, argv_.data(), keyed, positional);
    EXPECT_EQ(GetCapturedStdout(), "1\n");
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(get("ba"), "x");
    EXPECT_EQ(get("filename"), "<unset>");
    // Only the first argc arguments are read, even where more follow.
    reset_all();
    args_ = {"prog", "-na=special", "-ba"};
    argv_ = {args_[0].data(), args_[1].data(), args_[2].data(), nullptr};
    RES_init(1, argv_.data(), kMosplotKeyedIds, kMosplotPositionalIds);
    EXPECT_EQ(get("name"), "<unset>");
    EXPECT_EQ(FLAG_batch(), 0);
    ResourceDesc d{};
    RES_enter(&d, 84);
    EXPECT_STREQ(d.env, "orvdomain");
    EXPECT_STREQ(d.key, "pd");
    EXPECT_EQ(d.type, kResDomain);
}

TEST_F(ResTest, NumericConversionsKeepTheDestinationOnBadText) {
    // Each text converted into a destination that held 5: what it holds after.
    struct Case {
        const char* text;
        int as_int;
        std::int16_t as_short;  // shorts and longs need a leading digit
        std::int64_t as_long, as_int_long;
        float as_real;
    };
    const Case cases[] = {
        {"0x1F", 31, 0, 0, 0, 31.0F},  // hexadecimal for ints only
        {"-12", -12, 5, 5, -12, -12.0F},  {"+7", 7, 5, 5, 7, 7.0F},
        {"abc", 5, 5, 5, 5, 5.0F},        {"2.25", 2, 2, 2, 2, 2.25F},
        {"10", 10, 10, 10, 10, 10.0F},
    };
    for (const Case& c : cases) {
        RES_put("v", c.text);
        int i = 5;
        std::int16_t s = 5;
        std::int64_t l = 5, il = 5;
        float f = 5;
        EXPECT_EQ(RES_getval("v", &i, kResInt), 1);
        RES_getval("v", &s, kResShort);
        RES_getval("v", &l, kResLong);
        RES_getval("v", &il, kResIntLong);
        RES_getval("v", &f, kResReal);
        EXPECT_EQ(i, c.as_int) << c.text;
        EXPECT_EQ(s, c.as_short) << c.text;
        EXPECT_EQ(l, c.as_long) << c.text;
        EXPECT_EQ(il, c.as_int_long) << c.text;
        EXPECT_FLOAT_EQ(f, c.as_real) << c.text;
    }
    RES_put("v", "123456789012");
    std::int64_t l = 0;
    RES_getval("v", &l, kResLong);
    EXPECT_EQ(l, 123456789012LL);
    int i = 5;
    EXPECT_EQ(RES_getval("nothing", &i, kResInt), 0);
    EXPECT_EQ(RES_getval("v", nullptr, kResInt), 0);
}

TEST_F(ResTest, SwitchWordsAndTextConversions) {
    RES_new(-9999, "sw", nullptr, kResSwitch);
    int v = 0;
    RES_getval("sw", &v, kResSwitch);
    EXPECT_EQ(v, 1);
    for (const auto& [word, want] : std::vector<std::pair<const char*, int>>{
             {"OFF", 0}, {"yes", 1}, {"No", 0}, {"True", 1}, {"maybe", 1}, {"false", 0}}) {
        RES_put("sw", word);
        RES_getval("sw", &v, kResSwitch);
        EXPECT_EQ(v, want) << word;
    }
    for (const auto& [dir, path] : std::vector<std::pair<const char*, std::string>>{{"/data", "/data/"}, {"NONE", ""}}) {
        RES_put("dir", dir);
        char* p = nullptr;
        RES_getval("dir", &p, kResPath);
        EXPECT_EQ(p, path);
        std::free(p);
    }
    const char* text = nullptr;
    RES_put("t", "hello");
    RES_getval("t", &text, kResString);
    EXPECT_EQ(text, RES_get("t"));
    char copy[kResCopySize];
    RES_put("long", std::string(500, 'x').c_str());
    EXPECT_EQ(RES_getval("long", copy, kResStrCopy), 1);
    EXPECT_EQ(std::strlen(copy), kResCopySize - 1);
}

TEST_F(ResTest, DeviceCodeAndOutputName) {
    // "pcl" is the HPGL device in its wrapper, not PostScript; picture formats go to the picture device.
    for (const auto& [text, code] : std::vector<std::pair<const char*, int>>{
             {"ps", 4}, {"pcl", 5}, {"PCL,out.pcl", 5}, {"pclx", 4}, {"Hpgl", 5}, {"q", 5}, {"meta", 3}, {"W", 6},
             {"d", 1}, {"", 1}, {"png", 7}, {"PNG,map.png", 7}, {"svg", 7}, {"pngx", 4}, {"gif,x", 7}})
        EXPECT_EQ(RES_set_device(text), code) << text;
    init({"-de", "p,out/plot.ps"});
    EXPECT_EQ(FLAG_get(kFlagDevice), -9999);  // converted only when the graphics ask
    const char* name = nullptr;
    EXPECT_EQ(RES_getval("device", &name, kResDevice), 1);
    EXPECT_EQ(FLAG_get(kFlagDevice), 4);
    EXPECT_STREQ(name, "out/plot.ps");
}

TEST_F(ResTest, FileParameterAndPlotTypeSetTheirFlags) {
    const struct { const char *param, *type; int param_flag, type_flag; } rows[] = {
        {"APP", "cf", 2, 15}, {"reuse", "stream", 3, 23}, {"over", "ndln", 1, 14}, {"use", "dln", 3, 13},
        {"bogus", "bogus", -9999, -9999}};
    for (const auto& r : rows) {
        reinit({"-pf", r.param, "-pl", r.type});
        EXPECT_EQ(FLAG_get(kFlagFileParam), r.param_flag) << r.param;
        EXPECT_EQ(FLAG_get(kFlagPlotType), r.type_flag) << r.type;
    }
}

TEST_F(ResTest, DrawListSwitchesPlotComponents) {
    init({"-dr", "map,grid"});
    for (int i = 0; i < kPlotAll; ++i)
        EXPECT_EQ(FLAG_getplot(i), i == kPlotMap || i == kPlotGrid ? 1U : 0U) << i;
    EXPECT_EQ(FLAG_getplot(kPlotAll), 2U);
    // A value that begins with "-" and a letter must be joined with "=".
    reinit({"-dr=-map"});
    EXPECT_EQ((std::vector{FLAG_getplot(kPlotMap), FLAG_getplot(kPlotData), FLAG_getplot(kPlotText), FLAG_getplot(kPlotTextLR)}),
              (std::vector{0U, 1U, 6U, 1U}));
    reinit({"-dr", "text,-text_ul,+DATA,bogus"});
    EXPECT_EQ((std::vector{FLAG_getplot(kPlotText), FLAG_getplot(kPlotTextUL), FLAG_getplot(kPlotBorder),
                           FLAG_getplot(kPlotData), FLAG_getplot(kPlotMap)}),
              (std::vector{5U, 0U, 1U, 1U, 0U}));
    reinit({"-dr", "none,+sum"});
    EXPECT_EQ((std::vector{FLAG_getplot(kPlotAll), FLAG_getplot(kPlotSum)}), (std::vector{1U, 1U}));
}

struct HourCase { const char* text; int year, month, day, hour, minute; };

TEST_F(ResTest, HourSpecificationsFillTheTimeSetting) {
    constexpr int u = -9999;
    const HourCase cases[] = {
        {"#2005031512", 2005, 3, 15, 12, u},
        {"#200503151230", 2005, 3, 15, 12, 30},
        {"#2005", 2005, u, u, u, u},
        {"#20050x", u, u, u, u, u},  // month 0: refused
        {"2014010100", u, u, u, u, u},  // no form gives a date without "#"
        {"-2147483648", u, u, u, u, u},
        {"031512", u, 3, 15, 12, u},
        {"1512", u, u, 15, 12, u},
        {"512", u, u, 5, 12, u},
        {"2d6:30", u, u, 2, 6, 30},
        {":45", u, u, u, u, 45},
        {"-:30", u, u, u, u, -30},
        {"-0:30", u, u, u, u, -30},
        {"12", u, u, u, 12, u},
        {"-306", u, u, u, -306, u},
        {"6:15", u, u, u, 6, 15},
        {"junk", u, u, u, u, u},
        {"12abc", u, u, u, u, u},
        {"2d6:30x", u, u, u, u, u},
        {"-1d-306:-30", u, u, -1, -306, -30},
    };
    for (const auto& c : cases) {
        reset_all();
        init({"-ho", c.text});
        DateRecord t{};
        FILE_get_time(&t);
        EXPECT_EQ(t.year, c.year) << c.text;
        EXPECT_EQ(t.month, c.month) << c.text;
        EXPECT_EQ(t.day, c.day) << c.text;
        EXPECT_EQ(t.hour, c.hour) << c.text;
        EXPECT_EQ(t.minute, c.minute) << c.text;
    }
    reset_all();
    EXPECT_EXIT(init({"-ba", "-ho", "2014010100"}), ::testing::ExitedWithCode(2),
                "Hour specification not understood: 2014010100");
}

TEST_F(ResTest, StoringAResourceFromItsOwnValue) {
    RES_put("self", "abc");
    EXPECT_EQ(RES_append(-9999, "self", RES_get("self"), kResList), 0);
    EXPECT_EQ(get("self"), "abc\nabc");
    for (int i = 0; i < 6; ++i) RES_append(-9999, "self", RES_get("self"), kResList);
    EXPECT_EQ(std::string(RES_get("self")).size(), 128U * 4 - 1);
    RES_put("self", RES_get("self") + 4);
    EXPECT_EQ(std::string(RES_get("self")).substr(0, 3), "abc");
}

TEST_F(ResTest, ValueTextsStayValidWhileOtherResourcesAreAdded) {
    RES_put("keep", "short");
    const char* kept = RES_get("keep");
    for (int i = 0; i < 2000; ++i) RES_put(("r" + std::to_string(i)).c_str(), "v");
    EXPECT_EQ(kept, RES_get("keep"));
    EXPECT_STREQ(kept, "short");
}

// A queue number nobody created (the offset is private to this process).
TEST_F(ResTest, MissingLoopWindowIsReportedAndSkipped) {
    if (!orv::testing::sysv_queues_available()) GTEST_SKIP() << "System V message queues are not available here";
    MQ_offset(0x52000000 + static_cast<int>((static_cast<unsigned>(getpid()) * 2654435761U) & 0xFFFFFF));
    write("Orv.res", "*con_base 2\n");
    setenv("orvdefault", ("#7:" + dir_).c_str(), 1);
    ::testing::internal::CaptureStderr();
    init({"-cb", "3"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ORVloop window: 7 not running or no message queue exists\n");
    EXPECT_EQ(get("con_base"), "3");
}
}  // namespace
}  // namespace orv
