#include "core/resrc.hpp"

#include <gtest/gtest.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/date.hpp"
#include "core/def_read.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/mqueue.hpp"
#include "core/string.hpp"

extern char** environ;
#include "support/run_program.hpp"

namespace orv {
namespace {

// Every test starts from fresh module state, with no "orv" variable of the
// caller's environment visible and the defaults search list pointing into a
// private temporary directory.
class ResTest : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        old_cwd_ = cwd;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "orv", 3) == 0) saved_env_.emplace_back(*e);
        for (const auto& kv : saved_env_) unsetenv(kv.substr(0, kv.find('=')).c_str());
        setenv("orvdefault", dir_.c_str(), 1);
        reset_all();
    }

    void TearDown() override {
        reset_all();
        if (chdir(old_cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << old_cwd_;
        for (char** e = environ; *e != nullptr;) {
            if (std::strncmp(*e, "orv", 3) == 0) {
                const std::string kv = *e;
                unsetenv(kv.substr(0, kv.find('=')).c_str());
                e = environ;
            } else {
                ++e;
            }
        }
        for (const auto& kv : saved_env_) {
            const auto eq = kv.find('=');
            setenv(kv.substr(0, eq).c_str(), kv.substr(eq + 1).c_str(), 1);
        }
    }

    static void reset_all() {
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        DEF_reset_for_tests();
        FILE_reset_for_tests();
        MESS_reset_for_tests();
        MQ_reset_for_tests();
    }

    // Runs start-up with this program's resources on the given arguments
    // (argument 0 is "/usr/local/bin/mosplot" unless given).
    void init(const std::vector<std::string>& args, const char* prog = "/usr/local/bin/mosplot") {
        args_.assign({prog});
        args_.insert(args_.end(), args.begin(), args.end());
        argv_.clear();
        for (auto& a : args_) argv_.push_back(a.data());
        argv_.push_back(nullptr);
        RES_init(static_cast<int>(args_.size()), argv_.data(), kMosplotKeyedIds,
                 kMosplotPositionalIds);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    void write(const std::string& name, const std::string& text) const {
        const std::string p = path(name);
        const auto slash = p.rfind('/');
        mkdir(p.substr(0, slash).c_str(), 0755);
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

// ---- command line ---------------------------------------------------------

TEST_F(ResTest, SwitchOptionsSetHelpBatchAndTakeNoSeparateValue) {
    init({"-h", "-ba=no", "-ic", "chart.mos"});
    EXPECT_EQ(FLAG_help(), 1);
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(get("batch"), "no");
    EXPECT_EQ(get("icon"), "");
    EXPECT_EQ(get("filename"), "chart.mos");
    int icon = 0;
    EXPECT_EQ(RES_getval("icon", &icon, kResSwitch), 1);
    EXPECT_EQ(icon, 1);
    // No explicit message level: batch mode shows print, error and warn only.
    EXPECT_EQ(MESS_get(), 255);
}

TEST_F(ResTest, FlagsStartUnsetAndBatchKeepsAnExplicitMessageLevel) {
    init({"-me", "mess", "-ba"});
    EXPECT_EQ(FLAG_get(kFlagHelp), -9999);
    EXPECT_EQ(FLAG_get(kFlagDevice), -9999);
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(get("message"), "mess");
    EXPECT_GT(MESS_check_set(), 0);
    EXPECT_NE(MESS_get(), 255);
}

TEST_F(ResTest, ValuesBeginningWithMinusAndDigitBelongToTheOption) {
    init({"-in", "-5", "-cb", "-x"});
    EXPECT_EQ(get("con_interval"), "-5");
    float interval = 0;
    EXPECT_EQ(RES_getval("con_interval", &interval, kResReal), 1);
    EXPECT_FLOAT_EQ(interval, -5.0F);
    // "-x" is an option of its own: con_base stays without a value.
    EXPECT_EQ(get("con_base"), "");
    EXPECT_EQ(get("x"), "");
    float base = 7;
    EXPECT_EQ(RES_getval("con_base", &base, kResReal), 0);
    EXPECT_FLOAT_EQ(base, 7.0F);
}

TEST_F(ResTest, OptionSpellingsFindTheSameDescriptor) {
    const std::vector<std::vector<std::string>> spellings = {
        {"--plot_domain=us"}, {"-plot_domain=us"}, {"-pd=us"}, {"-plot_d", "us"},
        {"-PD", "us"},        {"-Plot_Domain", "us"}, {"--pd", "us"}};
    for (const auto& s : spellings) {
        reset_all();
        init(s);
        EXPECT_EQ(get("plot_domain"), "us") << s[0];
        int n = 0;
        char** items = nullptr;
        RES_getvals("pd", &n, &items);
        EXPECT_EQ(n, 0) << s[0] << ": stored under the option name";
    }
}

TEST_F(ResTest, AbbreviationBeatsFullNameAndFullNameBeatsPrefix) {
    // "co" is no abbreviation; its first prefix match in table order is con_path.
    init({"-co", "red", "-time", "12", "-h", "-cot", "blue"});
    EXPECT_EQ(get("con_path"), "red");
    EXPECT_EQ(get("color_text"), "blue");
    EXPECT_EQ(get("time"), "12");
    EXPECT_EQ(get("help"), "");
}

TEST_F(ResTest, UnknownOptionsAreStoredUnderTheirOwnName) {
    init({"-foo=bar", "-Baz", "qux"});
    EXPECT_EQ(get("foo"), "bar");
    EXPECT_EQ(get("Baz"), "qux");
    EXPECT_EQ(get("baz"), "<unset>");  // names are compared exactly
}

TEST_F(ResTest, PositionalArgumentsCollectInFilename) {
    setenv("orvfilename", "from_env", 1);
    init({"a", "-ti", "t", "b", "--", "-"});
    EXPECT_EQ(get("filename"), "a\nb\n-");
    int n = 0;
    char** items = nullptr;
    EXPECT_EQ(RES_getvals("filename", &n, &items), 3);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(items[0], "a");
    EXPECT_STREQ(items[2], "-");
    free_parsed_array(n, items);
}

TEST_F(ResTest, OverlongOptionNamesAreCut) {
    const std::string longname(200, 'q');
    const std::string arg = "-" + longname + "=v";
    init({arg});
    EXPECT_EQ(get(longname.substr(0, kResOptionMax).c_str()), "v");
    EXPECT_EQ(get(longname.c_str()), "<unset>");
}

TEST_F(ResTest, UnknownIdentifierIsPrintedAndEndsTheTable) {
    const int keyed[] = {57, 1, 3, 0};
    const int positional[] = {50, 0};
    args_ = {"prog", "-ba", "x"};
    argv_ = {args_[0].data(), args_[1].data(), args_[2].data(), nullptr};
    ::testing::internal::CaptureStdout();
    RES_init(3, argv_.data(), keyed, positional);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "1\n");
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(get("ba"), "x");
    EXPECT_EQ(get("filename"), "<unset>");
}

// ---- sources and their order ----------------------------------------------

TEST_F(ResTest, DefaultsFileThenEnvironmentThenCommandLine) {
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    setenv("orvdefault", "", 1);  // the empty list means .orvdef of the current directory
    write(".orvdef", "*message out1\n*.con_base 3\nmosplot.label file\n");
    init({});
    EXPECT_EQ(get("message"), "out1");
    EXPECT_EQ(get("con_base"), "3");
    EXPECT_EQ(get("label"), "file");

    reset_all();
    setenv("orvmess", "warn", 1);
    init({});
    EXPECT_EQ(get("message"), "warn");

    reset_all();
    init({"-me", "error"});
    EXPECT_EQ(get("message"), "error");
}

TEST_F(ResTest, FilePathDefaultsToTheInstallationData) {
    init({});
    EXPECT_EQ(get("file_path"), ORV_DATA_DIR);
    reset_all();
    setenv("orvfile", "/elsewhere", 1);
    init({});
    EXPECT_EQ(get("file_path"), "/elsewhere");
}

TEST_F(ResTest, LaterSearchListElementsOverrideEarlierOnes) {
    write("one/orv.cfg", "*con_base 1\n*label one\n");
    write("two/.orvdef", "*con_base 2\n");
    const std::string list = path("one") + ":" + path("missing") + ":" + path("two");
    setenv("orvdefault", list.c_str(), 1);
    init({});
    EXPECT_EQ(get("con_base"), "2");
    EXPECT_EQ(get("label"), "one");
    EXPECT_EQ(get("default"), list);
}

TEST_F(ResTest, DefaultsFileMayReplaceTheSearchListWhileItIsRead) {
    write("a/Orv.res", "mosplot.default " + std::string(300, 'x') + "\n*con_base 1\n");
    write("b/Orv.res", "*label b\n");
    setenv("orvdefault", (path("a") + ":" + path("b")).c_str(), 1);
    init({});
    EXPECT_EQ(get("con_base"), "1");
    EXPECT_EQ(get("label"), "b");
}

TEST_F(ResTest, DefaultsOptionReplacesTheEnvironmentList) {
    write("cmd/Orv.res", "*con_base 5\n");
    write("env/Orv.res", "*con_base 6\n");
    setenv("orvdefault", path("env").c_str(), 1);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-df", path("cmd")}, {"-defaults=" + path("cmd")}, {"-DF", path("cmd")}}) {
        reset_all();
        init(args);
        EXPECT_EQ(get("con_base"), "5") << args[0];
        EXPECT_EQ(get("default"), path("cmd"));
    }
}

TEST_F(ResTest, ProgramTitleSelectsTheDefaultsPatterns) {
    write("Orv.res",
          "mosplot.con_base 1\n"
          "special.con_base 2\n"
          "mosplot.sub.con_base 3\n"
          "*.label \"all programs\"\n"
          "other.label no\n");
    init({});
    EXPECT_EQ(get("con_base"), "1");
    EXPECT_EQ(get("label"), "all programs");

    reset_all();
    init({"-na", "special"});
    EXPECT_EQ(get("name"), "special");
    EXPECT_EQ(get("con_base"), "2");

    reset_all();
    init({"-name=+sub"});
    EXPECT_EQ(get("con_base"), "3");

    // Only exact lower-case forms of "name" set the title.
    reset_all();
    init({"-NA", "special"});
    EXPECT_EQ(get("con_base"), "1");
    EXPECT_EQ(get("NA"), "<unset>");
}

TEST_F(ResTest, OverlongTitleIsCut) {
    const std::string title(100, 't');
    init({"-na", title});
    EXPECT_EQ(std::string(DEF_get_title()), title.substr(0, 29));
    EXPECT_EQ(get("name"), title);
}

TEST_F(ResTest, DefaultsPatternsForUnknownNamesStoreTheBaseName) {
    write("Orv.res", "mosplot.my_setting 7\n*.other_one 8\nelse.never 9\n");
    init({});
    EXPECT_EQ(get("my_setting"), "7");
    EXPECT_EQ(get("other_one"), "8");
    EXPECT_EQ(get("never"), "<unset>");
}

TEST_F(ResTest, EnvironmentFormsInOrderOfPrecedence) {
    setenv("orvplot_domain", "plain", 1);
    init({});
    EXPECT_EQ(get("plot_domain"), "plain");

    reset_all();
    setenv("orvdomain", "own", 1);
    init({});
    EXPECT_EQ(get("plot_domain"), "own");

    reset_all();
    setenv("orvmosplot.plot_domain", "qualified", 1);
    init({});
    EXPECT_EQ(get("plot_domain"), "qualified");

    reset_all();
    setenv("orvwin.sub.plot_domain", "titled", 1);
    init({"-na", "+sub"}, "/opt/win");
    EXPECT_EQ(get("plot_domain"), "titled");
}

TEST_F(ResTest, TagsFromTheSearchListSelectBlocks) {
    write("Orv.res",
          "IF big\n*con_base 10\nELSE\n*con_base 1\nEND\n");
    setenv("orvdefault", ("+BIG:" + dir_).c_str(), 1);
    init({});
    EXPECT_EQ(get("con_base"), "10");
    reset_all();
    setenv("orvdefault", dir_.c_str(), 1);
    init({});
    EXPECT_EQ(get("con_base"), "1");
}

// ---- conversions ------------------------------------------------------------

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
        {"0x1F", 31, 0, 0, 0, 31.0F},  // hexadecimal for ints only     {"-12", -12, 5, 5, -12, -12.0F},  {"+7", 7, 5, 5, 7, 7.0F},
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

    RES_put("dir", "/data");
    char* p = nullptr;
    RES_getval("dir", &p, kResPath);
    EXPECT_STREQ(p, "/data/");
    std::free(p);
    RES_put("dir", "NONE");
    RES_getval("dir", &p, kResPath);
    EXPECT_STREQ(p, "");
    std::free(p);

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
    EXPECT_EQ(RES_set_device("ps"), 4);
    EXPECT_EQ(RES_set_device("pcl"), 5);  // the HPGL device in its wrapper, not PostScript
    EXPECT_EQ(RES_set_device("PCL,out.pcl"), 5);
    EXPECT_EQ(RES_set_device("pclx"), 4);
    EXPECT_EQ(RES_set_device("Hpgl"), 5);
    EXPECT_EQ(RES_set_device("q"), 5);
    EXPECT_EQ(RES_set_device("meta"), 3);
    EXPECT_EQ(RES_set_device("W"), 6);
    EXPECT_EQ(RES_set_device("d"), 1);
    EXPECT_EQ(RES_set_device(""), 1);

    init({"-de", "p,out/plot.ps"});
    EXPECT_EQ(FLAG_get(kFlagDevice), -9999);  // converted only when the graphics ask
    const char* name = nullptr;
    EXPECT_EQ(RES_getval("device", &name, kResDevice), 1);
    EXPECT_EQ(FLAG_get(kFlagDevice), 4);
    EXPECT_STREQ(name, "out/plot.ps");
}

TEST_F(ResTest, FileParameterAndPlotTypeSetTheirFlags) {
    init({"-pf", "APP", "-pl", "cf"});
    EXPECT_EQ(FLAG_get(kFlagFileParam), 2);
    EXPECT_EQ(FLAG_get(kFlagPlotType), 15);
    reset_all();
    init({"-pf", "reuse", "-pl", "stream"});
    EXPECT_EQ(FLAG_get(kFlagFileParam), 3);
    EXPECT_EQ(FLAG_get(kFlagPlotType), 23);
    reset_all();
    init({"-pf", "bogus", "-pl", "bogus"});
    EXPECT_EQ(FLAG_get(kFlagFileParam), -9999);
    EXPECT_EQ(FLAG_get(kFlagPlotType), -9999);
}

TEST_F(ResTest, DrawListSwitchesPlotComponents) {
    init({"-dr", "map,grid"});
    for (int i = 0; i < kPlotAll; ++i)
        EXPECT_EQ(FLAG_getplot(i), i == kPlotMap || i == kPlotGrid ? 1U : 0U) << i;
    EXPECT_EQ(FLAG_getplot(kPlotAll), 2U);

    // A value that begins with "-" and a letter must be joined with "=".
    reset_all();
    init({"-dr=-map"});
    EXPECT_EQ(FLAG_getplot(kPlotMap), 0U);
    EXPECT_EQ(FLAG_getplot(kPlotData), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotText), 6U);
    EXPECT_EQ(FLAG_getplot(kPlotTextLR), 1U);

    reset_all();
    init({"-dr", "text,-text_ul,+DATA,bogus"});
    EXPECT_EQ(FLAG_getplot(kPlotText), 5U);
    EXPECT_EQ(FLAG_getplot(kPlotTextUL), 0U);
    EXPECT_EQ(FLAG_getplot(kPlotBorder), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotData), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotMap), 0U);

    reset_all();
    init({"-dr", "none,+sum"});
    EXPECT_EQ(FLAG_getplot(kPlotAll), 1U);
    EXPECT_EQ(FLAG_getplot(kPlotSum), 1U);
}

struct HourCase {
    const char* text;
    int year, month, day, hour, minute;
};

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

TEST_F(ResTest, DomainValuesGoThroughTheRegisteredDecoder) {
    static std::string seen;
    RES_put("plot_domain", "us");
    int domain = 0;
    EXPECT_EQ(RES_getval("plot_domain", &domain, kResDomain), 0);  // no decoder yet
    RES_set_domain_decoder([](const char* text, void* dest) {
        seen = text;
        *static_cast<int*>(dest) = 42;
        return 1;
    });
    EXPECT_EQ(RES_getval("plot_domain", &domain, kResDomain), 1);
    EXPECT_EQ(seen, "us");
    EXPECT_EQ(domain, 42);
    EXPECT_EQ(RES_getval("plot_domain", &domain, kResRegion), 1);
    EXPECT_EQ(RES_getval("plot_domain", nullptr, kResRegion), 0);
}

// ---- the list -----------------------------------------------------------------

TEST_F(ResTest, StoringReplacesInPlaceAndAppendJoinsWithNewlines) {
    RES_put("a", "1");
    RES_put("b", "2");
    RES_put("a", "3");
    RES_new(-9999, "c", nullptr, kResString);
    EXPECT_EQ(RES_append(-9999, "b", "x", kResList), 0);
    EXPECT_EQ(RES_append(-9999, "b", nullptr, kResList), 0);
    EXPECT_EQ(RES_append(-9999, "c", "first", kResString), 0);
    EXPECT_EQ(RES_append(-9999, "d", "new", kResString), 0);
    ::testing::internal::CaptureStdout();
    RES_list();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "a: 3\nb: 2\nx\nc: first\nd: new\n");
    EXPECT_EQ(RES_get("zzz"), nullptr);

    RES_new(-9999, "e", nullptr, kResString);
    ::testing::internal::CaptureStdout();
    RES_list();
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("\ne:\n"), std::string::npos);

    int n = 5;
    char** items = nullptr;
    EXPECT_EQ(RES_getvals("e", &n, &items), 0);
    EXPECT_EQ(n, 0);
    RES_put("commas", "x,y");
    EXPECT_EQ(RES_getvals("commas", &n, &items), 2);
    free_parsed_array(n, items);
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

TEST_F(ResTest, ProgramNameFromArgumentZero) {
    init({}, "/usr/local/bin/mosplot");
    EXPECT_STREQ(RES_get_prog(), "/usr/local/bin/mosplot");
    char buf[30];
    EXPECT_STREQ(RES_get_progname(buf), "mosplot");
    char* copy = RES_get_progname(nullptr);
    EXPECT_STREQ(copy, "mosplot");
    std::free(copy);
    char tiny[4];
    EXPECT_STREQ(RES_get_progname(tiny, sizeof tiny), "mos");
    EXPECT_STREQ(DEF_get_progname(), "mosplot");
    EXPECT_STREQ(ORV_version(), "5.60.4-LINUX-X11");
}

TEST_F(ResTest, CatalogueHoldsEveryIdentifierButTheGaps) {
    const int gaps[] = {1,  4,  7,  12, 14, 21, 25, 36, 38, 42, 43, 61, 62,
                        66, 70, 75, 77, 81, 87, 90, 91, 93, 95, 97, 103};
    for (int id = 1; id <= 114; ++id) {
        const bool gap = std::find(std::begin(gaps), std::end(gaps), id) != std::end(gaps);
        ResourceDesc d{};
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(RES_enter(&d, id), 1);
        const std::string out = ::testing::internal::GetCapturedStdout();
        ASSERT_NE(d.name, nullptr);
        EXPECT_EQ(d.name[0] == '\0', gap) << id;
        EXPECT_EQ(out, gap ? std::to_string(id) + "\n" : "") << id;
        if (!gap) {
            EXPECT_EQ(d.key == nullptr, d.position >= 1 && d.position <= 10) << id;
        }
    }
    ResourceDesc d{};
    RES_enter(&d, 50);
    EXPECT_STREQ(d.name, "filename");
    EXPECT_EQ(d.position, 10);
    EXPECT_EQ(d.type, kResList);
    RES_enter(&d, 84);
    EXPECT_STREQ(d.env, "orvdomain");
    EXPECT_STREQ(d.key, "pd");
    EXPECT_EQ(d.type, kResDomain);
}

TEST_F(ResTest, ProgramsCanDescribeTheirOwnResources) {
    int limit = 0;
    int count = 0;
    char** values = nullptr;
    ResourceDesc table[4];
    RES_fill_obj(&table[0], "limit", "myenvlimit", "lm", kResInt, &limit, nullptr);
    RES_fill_obj(&table[1], "values", "myenvvalues", 10, kResList, &values, &count);
    RES_fill_obj(&table[2], "", nullptr, nullptr, 0, nullptr, nullptr);
    char a0[] = "tool", a1[] = "-lm", a2[] = "0x10", a3[] = "p", a4[] = "q";
    char* argv[] = {a0, a1, a2, a3, a4, nullptr};
    RES_decode(a0, "Orv", 5, argv, table);
    EXPECT_EQ(limit, 16);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(values[1], "q");
    free_parsed_array(count, values);
}

// ---- loop window --------------------------------------------------------------

constexpr int kLoopQueue = 7;

// A loop window in miniature, run in a forked child: it answers the
// resource queries, acknowledges everything else, logs each request to a
// file and ends after "quit".
[[noreturn]] void serve_loop_window(int ready_fd, const std::string& log_path) {
    MQ_timeout(10);
    const int h = MQ_create(kLoopQueue);
    const char ready = h >= 0 ? '1' : '0';
    if (write(ready_fd, &ready, 1) != 1 || h < 0) _exit(2);
    close(ready_fd);
    std::ofstream log(log_path);
    int ch = 0;
    char req[kMqBufferSize];
    while (MQ_sget(h, &ch, req) >= 0) {
        const std::string r = req;
        log << r << '\n';
        if (r == "query res plot_domain") {
            MQ_sput(h, ch, 0, "!note");
            MQ_sput(h, ch, 0, "%s", "\nblank");
            MQ_sput(h, ch, 0, "us\n");
            MQ_sput(h, ch, 1, "%s", "");
        } else if (r == "query res con_base") {
            MQ_sput(h, ch, 0, "7\n");
            MQ_sput(h, ch, 1, "%s", "");
        } else if (r == "query res geometry") {
            MQ_sput(h, ch, -3, "%s", "");
        } else if (r.rfind("query res ", 0) == 0) {
            MQ_sput(h, ch, 1, "%s", "");
        } else {
            MQ_sput(h, ch, 1, "ok");
            if (r == "quit") break;
        }
    }
    log.close();
    _exit(MQ_del(h) == 0 ? 0 : 3);
}

bool sysv_queues_available() {
    const int qid = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
    if (qid >= 0) msgctl(qid, IPC_RMID, nullptr);
    return qid >= 0;
}

class LoopWindowTest : public ResTest {
protected:
    void SetUp() override {
        ResTest::SetUp();
        if (!sysv_queues_available()) GTEST_SKIP() << "System V message queues are not available here";
        std::random_device rd;
        offset_ = 0x52000000 + static_cast<int>((rd() ^ (static_cast<unsigned>(getpid()) << 8)) & 0xFFFFFF);
        MQ_offset(offset_);
        MQ_timeout(5);
    }

    void TearDown() override {
        if (server_ > 0) {
            kill(server_, SIGKILL);
            waitpid(server_, nullptr, 0);
        }
        const int qid = msgget(offset_ + kLoopQueue, 0);
        if (qid >= 0) msgctl(qid, IPC_RMID, nullptr);
        ResTest::TearDown();
    }

    void start_loop_window() {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            serve_loop_window(fds[1], path("requests.log"));
        }
        close(fds[1]);
        char ready = '0';
        ASSERT_EQ(read(fds[0], &ready, 1), 1);
        close(fds[0]);
        ASSERT_EQ(ready, '1');
        server_ = pid;
    }

    int loop_window_exit_status() {
        int status = 0;
        waitpid(server_, &status, 0);
        server_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> requests() const {
        std::ifstream in(path("requests.log"));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }

    int offset_ = 0;
    pid_t server_ = 0;
};

TEST_F(LoopWindowTest, ResourcesAreExchangedWithTheLoopWindow) {
    // "*.label" and not "*label", which would also match color_label.
    write("Orv.res", "*.label from_file\n*con_base 1\n");
    setenv("orvdefault", (dir_ + ":#7").c_str(), 1);
    start_loop_window();
    ::testing::internal::CaptureStderr();
    init({"-ti", "hello", "-ba", "-zz=1", "file.mos"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ORVloop not running!\n");

    EXPECT_EQ(get("plot_domain"), "us");
    EXPECT_EQ(get("con_base"), "7");
    EXPECT_EQ(get("label"), "from_file");
    EXPECT_EQ(get("title"), "hello");
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(loop_window_exit_status(), 0);

    std::vector<std::string> expected;
    for (const int* ids : {kMosplotKeyedIds, kMosplotPositionalIds})
        for (; *ids != 0; ++ids) {
            ResourceDesc d{};
            RES_enter(&d, *ids);
            expected.push_back(std::string("query res ") + d.name);
        }
    expected.insert(expected.end(), {"set res label from_file", "set res title hello",
                                     "set res batch ", "set res zz 1", "quit"});
    const std::vector<std::string> got = requests();
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << i;
}

TEST_F(LoopWindowTest, MissingLoopWindowIsReportedAndSkipped) {
    write("Orv.res", "*con_base 2\n");
    setenv("orvdefault", ("#7:" + dir_).c_str(), 1);
    ::testing::internal::CaptureStderr();
    init({"-cb", "3"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "ORVloop window: 7 not running or no message queue exists\n");
    EXPECT_EQ(get("con_base"), "3");
}

TEST_F(LoopWindowTest, SilentLoopWindowEndsTheProgram) {
    const int h = MQ_create(kLoopQueue);  // exists, but nobody answers
    ASSERT_GE(h, 0);
    setenv("orvdefault", "#7", 1);
    MQ_timeout(1);
    EXPECT_EXIT(init({}), ::testing::ExitedWithCode(7), "Queue not responding!!\n");
    MQ_del(h);
}

// ---- help -------------------------------------------------------------------

TEST_F(ResTest, HelpTextListsEveryOption) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RES_help_print("mosplot", kMosplotKeyedIds, kMosplotPositionalIds), 1);
    const std::string help = ::testing::internal::GetCapturedStdout();
    // The head, a few options of the table in order, and the end.
    const char* const lines[] = {
        "mosplot syntax (version:5.60.4-LINUX-X11)\n   mosplot [options...]\nKeyed options...\n"
        " -df file    Resource/defaults file name\n -na name    Program name\n",
        " -me level   Message level to be displayed:\n"
        "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n",
        " -pf param   File parameters: use,calc,over,app\n",
        " -cof clr[,...]  Fill contour colors\n",
        " -ti title   Window title\n -ic         Open window iconified\n -bg clr     Background color\n"
        " -ge wxh+x+y  Window geometry\nPositional options...\n file [file...]  Input file names\n",
    };
    std::size_t at = 0;
    for (const char* line : lines) {
        const std::size_t found = help.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + std::strlen(line);
    }
    EXPECT_EQ(at, help.size());
    EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), 95);
}

}  // namespace
}  // namespace orv
