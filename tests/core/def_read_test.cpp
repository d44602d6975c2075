#include "core/def_read.hpp"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

class DefTest : public ::testing::Test {
protected:
    void SetUp() override {
        DEF_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
    }
    void TearDown() override {
        DEF_reset_for_tests();
        RES_reset_for_tests();
    }
    std::string write(const std::string& name, const std::string& text) const {
        const std::string p = dir_ + "/" + name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    // Every resource line of a file, as "name=value".
    static std::vector<std::string> read_all(const std::string& path) {
        std::vector<std::string> out;
        if (DEF_open(path.c_str()) != 0) return out;
        char name[kDefNameSize];
        char value[kDefLineSize];
        while (DEF_get(name, value) == 1) out.push_back(std::string(name) + "=" + value);
        DEF_close();
        return out;
    }
    using Lines = std::vector<std::string>;
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
};

TEST_F(DefTest, ResourceLinesCommentsAndQuotes) {
    const auto p = write("f",
                         "# a comment\n"
                         "\n"
                         "   \t\n"
                         "Mosplot*Con_Base:   5  trailing words\n"
                         "*label \"two words\" rest\n"
                         "*open \"no closing quote\n"
                         "*empty \"\"\n"
                         "lonely\n"
                         "  #not_comment 1\n"
                         "*crlf value\r\n");
    EXPECT_EQ(read_all(p), (Lines{"mosplot*con_base=5", "*label=two words",
                                  "*open=no closing quote", "*empty=", "#not_comment=1",
                                  "*crlf=value"}));
}

TEST_F(DefTest, NoFileGivesEndOfData) {
    char name[kDefNameSize];
    char value[kDefLineSize];
    EXPECT_EQ((std::vector{DEF_get(name, value), DEF_open((dir_ + "/missing").c_str()), DEF_get(name, value)}),
              (std::vector{-1, -1, -1}));
}

TEST_F(DefTest, ConditionalBlocksFollowTags) {
    const auto p = write("f",
                         "DEF alpha\n"
                         "IF ALPHA\n a 1\nELIF beta\n a 2\nELSE\n a 3\nEND\n"
                         "IF beta\n b 1\nELIF alpha\n b 2\nELSE\n b 3\nEND\n"
                         "IF gamma\n c 1\nELSE\n c 3\nEND\n"
                         "IF gamma\n DEF delta\nEND\n"
                         "IF delta\n d 1\nEND\n"
                         "UNDEF Alpha\n"
                         "IF alpha\n e 1\nELSE\n"
                         "  IF nothing\n  f 1\n  ELSE\n  f 2\n  END\n"
                         "END\n"
                         "IF\n g 1\n");
    EXPECT_EQ(read_all(p), (Lines{"a=1", "b=2", "c=3", "d=1", "f=2", "g=1"}));
}

TEST_F(DefTest, UnmatchedDirectivesAreReportedAndIgnored) {
    const auto p = write("f", "ELSE\nx 1\nELIF tag\nEND\ny 2\n");
    ::testing::internal::CaptureStderr();
    const Lines got = read_all(p);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "DEF_get: else without an if\n"
              "DEF_get: elif without an if\n"
              "DEF_get: end without an if\n");
    EXPECT_EQ(got, (Lines{"x=1", "y=2"}));
}

TEST_F(DefTest, OpenBlockCarriesIntoTheNextFile) {
    const auto first = write("first", "IF missing\n");
    const auto second = write("second", "hidden 1\nEND\nshown 2\n");
    EXPECT_EQ(read_all(first), Lines{});
    EXPECT_EQ(read_all(second), Lines{"shown=2"});
}

TEST_F(DefTest, DeepNestingIsSkippedSafely) {
    std::string text;
    for (int i = 0; i < 15; ++i) text += "IF t\n";
    text += "DEF t\ninner 1\nELSE\ninner 2\n";
    for (int i = 0; i < 15; ++i) text += "END\n";
    text += "after 1\n";
    EXPECT_EQ(read_all(write("f", text)), Lines{"after=1"});
}

TEST_F(DefTest, HostileContentDoesNotStopTheReader) {
    std::string junk = "a 1\n";
    junk += std::string(10000, 'x') + " value\n";
    static const char binary[] = "\0\x01\xff\xfe garbage \0\0\n";
    junk += std::string(binary, sizeof binary - 1);
    junk += "*" + std::string(200, 'n') + " v\n";
    junk += "b \"" + std::string(600, 'q') + "\"\n";
    junk += "c 3";  // no newline at the end
    const Lines got = read_all(write("f", junk));
    ASSERT_GE(got.size(), 4U);
    EXPECT_EQ(got.front(), "a=1");
    EXPECT_EQ(got.back(), "c=3");
    for (const auto& line : got) {
        const auto eq = line.find('=');
        EXPECT_LT(eq, kDefNameSize) << line.substr(0, 20);
        EXPECT_LT(line.size() - eq - 1, kDefLineSize);
    }
    EXPECT_EQ(got[got.size() - 3], "*" + std::string(62, 'n') + "=v");
}

TEST_F(DefTest, DirectoriesOfferThreeFileNamesInOrder) {
    ASSERT_EQ(mkdir((dir_ + "/d").c_str(), 0755), 0);
    EXPECT_EQ(DEF_open((dir_ + "/d").c_str()), -1);  // nothing there
    write("d/Orv.res", "from res\n");
    EXPECT_EQ(read_all(dir_ + "/d"), Lines{"from=res"});
    write("d/.orvdef", "from orvdef\n");
    EXPECT_EQ(read_all(dir_ + "/d/"), Lines{"from=orvdef"});
    write("d/orv.cfg", "from cfg\n");
    EXPECT_EQ(read_all(dir_ + "/d"), Lines{"from=cfg"});
}

TEST_F(DefTest, EmptyElementMeansDotOrvdefHereAndLongPathsAreRefused) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    write(".orvdef", "here 1\n");
    EXPECT_EQ(read_all(""), Lines{"here=1"});
    EXPECT_EQ(DEF_open(nullptr), 0);
    DEF_close();
    const std::string deep = "./" + std::string(90, 'd');
    EXPECT_EQ(DEF_open(deep.c_str()), -1);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(DefTest, UnreadableFileIsSkipped) {
    const auto p = write("locked", "x 1\n");
    chmod(p.c_str(), 0);
    if (access(p.c_str(), R_OK) == 0) GTEST_SKIP() << "running with permission to read anything";
    EXPECT_EQ(DEF_open(p.c_str()), -1);
}

TEST_F(DefTest, PatternsMatchTheQualifiedName) {
    char a0[] = "/usr/bin/mosplot";
    char* argv[] = {a0, nullptr};
    RES_setCL(1, argv);
    DEF_prog();
    EXPECT_STREQ(DEF_get_progname(), "mosplot");
    for (const char* yes : {"*plot_domain", "*.plot_domain", "mosplot.plot_domain", "*plot*domain",
                            "mos*domain", "*"
                            "mosplot.plot_domain"})
        EXPECT_EQ(DEF_cmp("plot_domain", yes), 1) << yes;
    for (const char* no : {"other.plot_domain", "plot_domain", "*domain.x", "mosplot.plot_dom",
                           "mosplot*", "*.plot_domainx", ""})
        EXPECT_EQ(DEF_cmp("plot_domain", no), 0) << no;
    EXPECT_EQ((std::vector{DEF_valid("mosplot.anything"), DEF_valid("*.anything"), DEF_valid("other.anything"),
                           DEF_valid("mosplot.")}),
              (std::vector{1, 1, 0, 0}));
    char base[kDefNameSize];
    EXPECT_STREQ(DEF_parse_name("a.b*c.name", base), "name");
    EXPECT_STREQ(DEF_parse_name("plain", base), "plain");
}

TEST_F(DefTest, TitlesChangeTheQualifiedName) {
    DEF_name("chart");
    EXPECT_EQ(DEF_cmp("label", "chart.label"), 1);
    EXPECT_EQ(DEF_cmp("label", "Orv.label"), 0);
    DEF_title("+east");
    EXPECT_EQ(DEF_cmp("label", "Orv.east.label"), 1);
    EXPECT_EQ(DEF_cmp("label", "*east.label"), 1);
    DEF_title(std::string(100, 'T').c_str());
    EXPECT_EQ(std::string(DEF_get_title()), std::string(29, 'T'));
    EXPECT_EQ(DEF_cmp("label", (std::string(29, 'T') + ".label").c_str()), 1);
    // The qualified name is cut at 39 characters.
    EXPECT_EQ(DEF_cmp("longer_name", (std::string(29, 'T') + ".longer_name").c_str()), 0);
    EXPECT_EQ(DEF_cmp("longer_name", (std::string(29, 'T') + ".longer_na").c_str()), 1);
}

TEST_F(DefTest, TagListHoldsTen) {
    for (int i = 0; i < kDefMaxTags; ++i) EXPECT_EQ(DEF_tag(("t" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(DEF_tag("one_more"), -1);
    DEF_clr_tag();
    EXPECT_EQ(DEF_tag("again"), 0);
    const auto p = write("f", "IF AGAIN\nyes 1\nEND\n");
    EXPECT_EQ(read_all(p), Lines{"yes=1"});
}

TEST_F(DefTest, EnvironmentLookupOrder) {
    DEF_name("tool");
    // Each step sets one more variable: the program's own form beats the
    // caller's name, which beats the plain one; the value is cut to the buffer.
    const std::pair<const char*, std::string> steps[] = {
        {"orvres_x=3", "3"}, {"myres_x=2", "2"}, {"orvtool.res_x=", std::string(63, '1')}};
    char out[64];
    EXPECT_EQ(DEF_env("res_x", "myres_x", out, sizeof out), 0);
    for (const auto& [var, want] : steps) {
        const std::string name(var, std::strchr(var, '=') - var);
        setenv(name.c_str(), want.size() > 60 ? std::string(100, '1').c_str() : want.c_str(), 1);
        EXPECT_EQ(DEF_env("res_x", "myres_x", out, sizeof out), 1) << var;
        EXPECT_EQ(out, want) << var;
    }
    EXPECT_EQ(std::string(DEF_env_value("res_x", "myres_x")), std::string(100, '1'));
    for (const char* name : {"orvtool.res_x", "myres_x", "orvres_x"}) unsetenv(name);
}
}  // namespace
}  // namespace orv
