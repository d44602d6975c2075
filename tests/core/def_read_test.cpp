#include "core/def_read.hpp"
#include <gtest/gtest.h>
#include <fstream>
#include <string>
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

TEST_F(DefTest, TagListHoldsTen) {
    for (int i = 0; i < kDefMaxTags; ++i) EXPECT_EQ(DEF_tag(("t" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(DEF_tag("one_more"), -1);
    DEF_clr_tag();
    EXPECT_EQ(DEF_tag("again"), 0);
    const auto p = write("f", "IF AGAIN\nyes 1\nEND\n");
    EXPECT_EQ(read_all(p), Lines{"yes=1"});
}

}  // namespace
}  // namespace orv
