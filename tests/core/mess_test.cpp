#include "core/mess.hpp"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include "core/flag.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

namespace fs = std::filesystem;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

using orv::testing::read_file;

class MessTest : public ::testing::Test {
protected:
    void SetUp() override {
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        RES_reset_for_tests();
    }
    void TearDown() override {
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        std::freopen("/dev/null", "r", stdin);
    }
    void feed_stdin(const std::string& text) {
        ASSERT_TRUE(orv::testing::feed_stdin((dir_ / "stdin.txt").string(), text));
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    orv::testing::ScratchDir scratch_;
    fs::path dir_ = scratch_.path();
};

TEST_F(MessTest, InitialLevelShowsUpToOut2) {
    EXPECT_EQ(MESS_get(), 0x000FFFFF);
    CaptureStdout();
    EXPECT_EQ(MESS_print(0x00100000, "out3\n"), 0);
    EXPECT_EQ(MESS_print(0x00010000, "out2\n"), 1);
    EXPECT_EQ(GetCapturedStdout(), "out2\n");
    EXPECT_EQ(MESS_check(0x00100000), 0);
    EXPECT_EQ(MESS_check(0x00010000 | 0x00100000), 1);
}

TEST_F(MessTest, SpecificationLevels) {
    struct Case { const char* spec; unsigned level; };
    const Case cases[] = {
        {"warn", 0xFF},         {"out2", 0xFFFFF},      {"none", 0},
        {"mess", 0xFFF},        {"messa", 0x1FF},       {"warn,+out1b", 0xFF | 0x2000},
        {"+debug", 0xF00FFFFF}, {"-print", 0xFFFF0},    {"PRINT", 0xF},
        {"bogus", 0xFFFFF},     {"print,+debugd", 0x8000000F}, {" warn , +out1b ", 0x20FF},
        {"warn,+xx", 0xFF},     {"-xx", 0xFFFFF},
        {"out4c", 0x7FFFFFF},   {"warn,,+debug", 0xF00000FF},   {"error,-errora", 0x2F},
    };
    for (const Case& c : cases) {
        MESS_reset_for_tests();
        MESS_set_str(c.spec);
        EXPECT_EQ(static_cast<unsigned>(MESS_get()), c.level) << c.spec;
    }
}

TEST_F(MessTest, SpecificationCountsAsOneExplicitSetting) {
    MESS_set_str("warn,+out1b,-print,line=30");
    EXPECT_EQ(MESS_check_set(), 1);
    EXPECT_EQ(MESS_get_max_lines(), 30);
    MESS_set(20, 0xF);  // a module default no longer overrides the user's choice
    EXPECT_EQ(MESS_get(), 0x20F0);
}

// An unknown word is said and changes nothing: the batch default still applies.
TEST_F(MessTest, UnknownLevelWordWarnsAndSetsNothing) {
    CaptureStderr();
    MESS_set_str("xx");
    EXPECT_EQ(GetCapturedStderr(), "Unknown message level: xx\n");
    EXPECT_EQ(MESS_check_set(), 0);
}

TEST_F(MessTest, SetOperations) {
    MESS_set(20, 0x30);  // a default applies while nothing was set explicitly
    EXPECT_EQ(MESS_get(), 0x3F);
    EXPECT_EQ(MESS_check_set(), 0);
    MESS_set(1, 0xF000);
    EXPECT_EQ(MESS_get(), 0xF03F);
    MESS_set(-1, 0xF);
    EXPECT_EQ(MESS_get(), 0xF030);
    MESS_set(7, 0);  // unknown op changes nothing
    EXPECT_EQ(MESS_get(), 0xF030);
    MESS_set(0, -1);
    EXPECT_EQ(static_cast<unsigned>(MESS_get()), 0xFFFFFFFFU);
    MESS_set(0, 255);  // batch mode
    EXPECT_EQ(MESS_get(), 0xFF);
    EXPECT_EQ(MESS_check_set(), 4);
    MESS_set(21, 0xF00);
    EXPECT_EQ(MESS_get(), 0xFF);
}

TEST_F(MessTest, WarningsGoToStderrOrdinaryOutputToStdout) {
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(MESS_print(192, "warn %d\n", 1), 1);
    EXPECT_EQ(MESS_print(15, "print %s\n", "x"), 1);
    EXPECT_EQ(MESS_print(48, "error\n"), 1);
    EXPECT_EQ(MESS_print(0x800, "mess\n"), 1);
    const std::string err = GetCapturedStderr();
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(err, "warn 1\nerror\n");
    EXPECT_EQ(out, "print x\nmess\n");
}

TEST_F(MessTest, FileItemsSelectOutputModes) {
    const std::string f = path("m.txt");
    std::ofstream(f) << "old\n";
    // "+fi" appends and shows on the terminal, "-fi" truncates and shows, "fi" writes the file only.
    const struct { const char *item, *text, *shown, *file; } cases[] = {
        {"+fi=", "a\n", "a\n", "old\na\n"}, {"-fi=", "b\n", "b\n", "b\n"}, {"fi=", "c\n", "", "b\nc\n"}};
    for (const auto& c : cases) {
        MESS_set_str((c.item + f).c_str());
        CaptureStdout();
        MESS_print(15, "%s", c.text);
        EXPECT_EQ(GetCapturedStdout(), c.shown) << c.item;
        EXPECT_EQ(read_file(f), c.file) << c.item;
    }
}

TEST_F(MessTest, UnopenableFileLeavesMessagesOnTerminal) {
    const std::string plain = path("plain");
    std::ofstream(plain) << "x";
    MESS_set_str(("fi=" + plain + "/f.txt").c_str());
    CaptureStdout();
    EXPECT_EQ(MESS_print(15, "still here\n"), 1);
    EXPECT_EQ(GetCapturedStdout(), "still here\n");
}

TEST_F(MessTest, PagingHoldDoesNotWaitInBatchMode) {
    feed_stdin("xy");
    FLAG_set_batch(1);
    MESS_set_str("page");
    CaptureStdout();
    for (int i = 0; i < 23; ++i) MESS_print(15, "line\n");
    EXPECT_EQ(GetCapturedStdout().find("Press return"), std::string::npos);
    EXPECT_EQ(std::getchar(), 'x');
}
}  // namespace
}  // namespace orv
