#include "core/menu.hpp"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

namespace fs = std::filesystem;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

constexpr const char* kTimeTitle = "\n        Forecast Time Menu\n";

// Variant 0 shows the nine hours; "54 hour" belongs to variant 1 only.
const MenuEntry kHours[] = {
    {"Back to previous menu", "back", 0, {1, 1}},
    {"6 hour", "h06", 6, {1, 0}},
    {"12 hour", "h12", 12, {1, 1}},
    {"18 hour", "h18", 18, {1, 0}},
    {"24 hour", "h24", 24, {1, 0}},
    {"30 hour", "h30", 30, {1, 0}},
    {"36 hour", "h36", 36, {1, 0}},
    {"42 hour", "h42", 42, {1, 0}},
    {"48 hour", "h48", 48, {1, 0}},
    {"54 hour", "h54", 54, {0, 1}},
    {"60 hour", "h60", 60, {1, 0}},
    {nullptr, nullptr, 0, {}},
};

const char* const kHourRows =
    "  1: 6 hour                        \n"
    "  2: 12 hour                       \n"
    "  3: 18 hour                       \n"
    "  4: 24 hour                       \n"
    "  5: 30 hour                       \n"
    "  6: 36 hour                       \n"
    "  7: 42 hour                       \n"
    "  8: 48 hour                       \n"
    "  9: 60 hour                       \n";

// A table of n shown items labelled "Item 1".."Item n".
class NumberedMenu {
public:
    explicit NumberedMenu(int n) {
        labels_.reserve(static_cast<std::size_t>(n) + 1);
        labels_.emplace_back("Back to previous menu");
        entries_.push_back({labels_.back().c_str(), "back", 0, {1}});
        for (int i = 1; i <= n; ++i) {
            labels_.push_back("Item " + std::to_string(i));
            entries_.push_back({labels_.back().c_str(), "x", i, {1}});
        }
        entries_.push_back({nullptr, nullptr, 0, {}});
    }
    const MenuEntry* items() const { return entries_.data(); }
private:
    std::vector<std::string> labels_;
    std::vector<MenuEntry> entries_;
};

std::string printed(const char* title, const MenuEntry* items, int k, int mode) {
    CaptureStdout();
    EXPECT_EQ(MENU_print(title, items, k, mode, nullptr, nullptr), 1);
    return GetCapturedStdout();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start + 1));
    return lines;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        RES_reset_for_tests();
    }
    void TearDown() override {
        MESS_reset_for_tests();
        RES_reset_for_tests();
        std::freopen("/dev/null", "r", stdin);
    }
    void feed_stdin(const std::string& text) {
        ASSERT_TRUE(orv::testing::feed_stdin((dir_ / "stdin.txt").string(), text));
    }
    // Runs the hour menu with mode 3 on the given input; the output is kept.
    int choose(const std::string& input, char* reply, int mode = 3) {
        feed_stdin(input);
        CaptureStdout();
        const int v = MENU_process(kTimeTitle, kHours, 0, "Enter the time: ", reply, mode);
        output_ = GetCapturedStdout();
        return v;
    }
    orv::testing::ScratchDir scratch_;
    fs::path dir_ = scratch_.path();
    std::string output_;
};

TEST_F(MenuTest, OneColumnAndTheTrailerByModeBits) {
    EXPECT_EQ(printed(kTimeTitle, kHours, 0, 3), std::string(kTimeTitle) + "\n" + kHourRows +
                                                     "  0: Back to previous menu         \n"
                                                     " -1: Exit program                  \n\n");
    const std::string head = std::string("T\n") + "\n" + kHourRows;
    EXPECT_EQ(printed("T\n", kHours, 0, 0), head + "\n");
    EXPECT_EQ(printed("T\n", kHours, 0, 1), head + "  0: Exit program                  \n\n");
    EXPECT_EQ(printed("T\n", kHours, 0, 2), head + "  0: Back to previous menu         \n\n");
    EXPECT_EQ(printed("T\n", kHours, 0, 4), head + " 99: Help                          \n\n");
    EXPECT_EQ(printed("Empty\n", kHours, 5, 3), "Empty\n\n");  // no shown items
}

// Thirteen items take seven rows, the last alone; fourteen pair the last row
// too, and the back item then shares its line with the exit item.
TEST_F(MenuTest, LongMenusTakeTwoColumns) {
    const NumberedMenu thirteen(13), fourteen(14);
    const auto lines13 = lines_of(printed("T\n", thirteen.items(), 0, 0));
    const auto lines14 = lines_of(printed("T\n", fourteen.items(), 0, 3));
    ASSERT_EQ(lines13.size(), 1 + 1 + 7 + 1u);
    ASSERT_EQ(lines14.size(), 1 + 1 + 7 + 1 + 1u);
    EXPECT_EQ(lines13[2], "  1: Item 1                           8: Item 8                        \n");
    EXPECT_EQ(lines13[8], "  7: Item 7                        \n");
    EXPECT_EQ(lines14[8], "  7: Item 7                          14: Item 14                       \n");
    EXPECT_EQ(lines14[9], "  0: Back to previous menu           -1: Exit program                  \n");
}

TEST_F(MenuTest, HourMenuReplies) {
    char reply[kMenuReplySize] = "";
    EXPECT_EQ(choose("0\n", reply), 0);
    EXPECT_EQ(choose("back\n", reply), 0);
    EXPECT_STREQ(reply, "back");
    EXPECT_EQ(choose("h12\n", reply), 12);
    EXPECT_EQ(choose("H18\n", reply), 18);
    EXPECT_STREQ(reply, "h18");
    EXPECT_EQ(choose("2\n", reply), 12);
    EXPECT_STREQ(reply, "h12");
    EXPECT_EQ(choose("9\n", reply), 60);  // rows skip items of other variants
    EXPECT_EQ(choose("12\n", reply), kMissing);
    EXPECT_EQ(choose("h54\n", reply), kMissing);  // not in this variant
    EXPECT_EQ(choose("list\n", reply), kMissing);
    EXPECT_STREQ(reply, "list");  // callers look at the unmatched word
    std::strcpy(reply, "h18");
    EXPECT_EQ(choose("\n", reply), 18);  // an empty reply keeps the pre-filled one
}

TEST_F(MenuTest, ExitAndMainWordsByMode) {
    char reply[kMenuReplySize] = "";
    const struct { const char* input; int mode, value; } cases[] = {
        {"-1\n", 3, -1}, {"MAIN\n", 3, 0}, {"main\n", 2, 0}, {"-1\n", 2, kMissing},
        {"0\n", 0, kMissing}, {"main\n", 1, kMissing}, {"0\n", 1, 0}};
    for (const auto& c : cases) EXPECT_EQ(choose(c.input, reply, c.mode), c.value) << c.input << " mode " << c.mode;
}

TEST_F(MenuTest, NumberBeyondTheRowsMayStillMatchAnAbbreviation) {
    const MenuEntry levels[] = {
        {"Back", "back", 0, {1}}, {"500 mb", "500", 500, {1}}, {"850 mb", "850", 850, {1}},
        {nullptr, nullptr, 0, {}},
    };
    char reply[kMenuReplySize] = "";
    feed_stdin("850\n");
    CaptureStdout();
    EXPECT_EQ(MENU_process("L\n", levels, 0, "Level: ", reply, 2), 850);
    GetCapturedStdout();
    EXPECT_STREQ(reply, "850");
}

TEST_F(MenuTest, WordPromptsTrimTruncateAndKeepTheDefault) {
    feed_stdin("  h12 \r\n\nabcdefghijklmnopqrstuvwxyz more\n" + std::string(100, 'a') + "\nnext\nabcdefgh\n");
    char buffer[81] = "def";
    char small[5] = "keep";
    CaptureStdout();
    EXPECT_STREQ(ORV_promptl("Word: ", buffer), "h12");
    EXPECT_STREQ(ORV_promptl("Word: ", buffer), "h12");  // empty line keeps it
    EXPECT_STREQ(ORV_promptl("Word: ", buffer), "abcdefghijklmnopqrs");
    char* first = ORV_prompts("? ", nullptr, 200);  // a long line is cut and its rest dropped
    char* second = ORV_promptl("? ", nullptr);
    EXPECT_STREQ(ORV_prompts("? ", small, 5), "abcd");
    EXPECT_EQ(GetCapturedStdout(), "Word: Word: Word: ? ? ? ");
    EXPECT_EQ(std::string(first), std::string(79, 'a'));
    EXPECT_STREQ(second, "next");
    std::free(first);
    std::free(second);
}

TEST_F(MenuTest, SetCommandRecognition) {
    EXPECT_EQ(ORV_set_command("set a=b"), 1);
    EXPECT_STREQ(RES_get("a"), "b");
    EXPECT_EQ(ORV_set_command("Set  a == c d"), 1);
    EXPECT_STREQ(RES_get("a"), "c d");
    EXPECT_EQ(ORV_set_command("hello"), 0);
    EXPECT_EQ(ORV_set_command(""), 0);
    // Words that merely begin with "set" or "exit" are ordinary replies.
    EXPECT_EQ(ORV_set_command("settings.txt"), 0);
    EXPECT_EQ(ORV_set_command("exit_data"), 0);
}

// A batch run never waits for an answer, even when one is there to read.
TEST_F(MenuTest, BatchRunEndsInsteadOfPrompting) {
    const auto prompt_in_batch = [this](auto ask) {
        feed_stdin("47.5\n");
        FLAG_set_batch(1);
        ask();
    };
    EXPECT_EXIT(prompt_in_batch([] { ORV_promptf("Enter the central latitude: "); }),
                ::testing::ExitedWithCode(3),
                "A batch run does not prompt: \"Enter the central latitude\" needs its answer on the command line");
    EXPECT_EXIT(prompt_in_batch([] {
                    char reply[kMenuReplySize] = "";
                    MENU_process(kTimeTitle, kHours, 0, "Enter the time: ", reply, 3);
                }),
                ::testing::ExitedWithCode(3), "\"Enter the time\" needs its answer");
}
}  // namespace
}  // namespace orv
