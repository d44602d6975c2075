#include "core/string.hpp"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace orv {
namespace {

std::vector<std::string> split(const char* s, char sep) {
    int n = 0;
    char** items = nullptr;
    parse_string(s, sep, &n, &items);
    std::vector<std::string> out(items, items + n);
    free_parsed_array(n, items);
    return out;
}

TEST(ParseString, SplitsKeepingEmptyItemsAndQuotedText) {
    EXPECT_EQ(split("a,,b,", ','), (std::vector<std::string>{"a", "", "b"}));  // trailing separators go
    EXPECT_EQ(split("h12", ','), (std::vector<std::string>{"h12"}));
    EXPECT_EQ(split("x\ny\nz", '\n'), (std::vector<std::string>{"x", "y", "z"}));
    int n = 7;
    char** items = reinterpret_cast<char**>(&n);
    EXPECT_EQ(parse_string("", ',', &n, &items), -1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(parse_string(nullptr, ',', &n, &items), -1);
    ASSERT_EQ(parse_command("  set  title \"a b c\" x", &n, &items), 4);
    EXPECT_EQ(std::vector<std::string>(items, items + n), (std::vector<std::string>{"set", "title", "a b c", "x"}));
    free_parsed_array(n, items);
}

// The text an in-place edit leaves.
std::string edited(void (*edit)(char*), const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    edit(buffer.data());
    return buffer.data();
}

TEST(InPlaceEdits, CopyTrimStripAndShift) {
    char small[5];
    strntcpy(small, "abcdefgh", sizeof small);
    EXPECT_STREQ(small, "abcd");
    char name[8] = "ab";
    strmcat(name, "cdefghijk", sizeof name);
    EXPECT_STREQ(name, "abcdefg");
    char rec[3] = "x";
    copy_text(rec, nullptr);
    EXPECT_STREQ(rec, "");
    const struct { void (*edit)(char*); const char *text, *result; } cases[] = {
        {strip_spaces, "a  b   c   ", "a b c"}, {wstrim_string, "line\r\n  \r", "line"},
        {trim_string, "  lead  ", "  lead"}, {trim_cr_string, "x \r\r", "x "}, {strip_escape, "a\\,b\\\\", "a,b\\"},
        {[](char* s) { shift_string(s, -2); }, "abcdef", "cdef"}, {[](char* s) { shift_string(s, 3); }, "cdef", "c"},
        {[](char* s) { shift_string(s, 9); }, "c", ""}, {clean_line, "ok\x01\x7f\xffz\n\r", "ok \x7f z"},
        {clean_line, "ab  \x1f\n", "ab  "},  // trailing control characters go, trailing blanks stay
    };
    for (const auto& c : cases) EXPECT_EQ(edited(c.edit, c.text), c.result) << c.text;
}

TEST(Predicates, NumbersLettersBlanksAndComparisons) {
    const std::pair<int, int> cases[] = {
        {string_is_num("-42"), 1}, {string_is_num("-"), 0}, {string_is_num(""), 0}, {string_is_num("4a"), 0},
        {string_is_alpha(""), 0}, {string_is_alpha("abC"), 1}, {string_is_blank(nullptr), 1},
        {string_is_blank(" \t"), 1}, {string_is_float("1E5"), 1}, {string_is_float("2.5"), 1},
        {string_is_float("12"), 0}, {string_is_float(nullptr), 0}, {string_is_num_len("12ab", 2), 1},
        {string_is_num_len("12ab", 3), 0}, {stricmp("GFSX", "gfsx"), 0}, {stricmp("gfs", "gfsx") < 0, 1},
        {strnicmp("PLOT_domain", "plot_d", 6), 0}, {strnicmp("abc", "ABD", 3) < 0, 1},
        {strnicmp("ab", "AB", 9), 0}, {searchstr("abcabc", "ca"), 2},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "row " << i;
    EXPECT_STREQ(strlstr("my_GFSX_conv", "gfsx"), "GFSX_conv");
    EXPECT_EQ(strlstr("abc", "x"), nullptr);
    char* s = create_strcat("a", nullptr, "c");
    EXPECT_STREQ(s, "ac");
    std::free(s);
    EXPECT_EQ(create_strcat("a", "b", nullptr), nullptr);
}
}  // namespace
}  // namespace orv
