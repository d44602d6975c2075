#include "core/string.hpp"

#include <gtest/gtest.h>

#include <cstring>
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

TEST(ParseString, KeepsEmptyItemsAndDropsTrailingSeparators) {
    EXPECT_EQ(split("a,,b,", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(split("h12", ','), (std::vector<std::string>{"h12"}));
    EXPECT_EQ(split("x\ny\nz", '\n'), (std::vector<std::string>{"x", "y", "z"}));
}

TEST(ParseString, AbsentOrEmptyTextGivesMinusOne) {
    int n = 7;
    char** items = reinterpret_cast<char**>(&n);
    EXPECT_EQ(parse_string("", ',', &n, &items), -1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(parse_string(nullptr, ',', &n, &items), -1);
}

TEST(ParseCommand, SplitsAtBlankRunsAndKeepsQuotedText) {
    int n = 0;
    char** items = nullptr;
    ASSERT_EQ(parse_command("  set  title \"a b c\" x", &n, &items), 4);
    EXPECT_STREQ(items[0], "set");
    EXPECT_STREQ(items[2], "a b c");
    EXPECT_STREQ(items[3], "x");
    free_parsed_array(n, items);
}

TEST(BoundedCopy, TruncatesAndTerminates) {
    char small[5];
    strntcpy(small, "abcdefgh", sizeof small);
    EXPECT_STREQ(small, "abcd");
    char name[8] = "ab";
    strmcat(name, "cdefghijk", sizeof name);
    EXPECT_STREQ(name, "abcdefg");
    char rec[3];
    copy_text(rec, nullptr);
    EXPECT_STREQ(rec, "");
}

TEST(InPlaceEdits, TrimStripAndShift) {
    char a[] = "a  b   c   ";
    strip_spaces(a);
    EXPECT_STREQ(a, "a b c");
    char b[] = "line\r\n  \r";
    wstrim_string(b);
    EXPECT_STREQ(b, "line");
    char c[] = "a\\,b\\\\";
    strip_escape(c);
    EXPECT_STREQ(c, "a,b\\");
    char d[] = "abcdef";
    shift_string(d, -2);
    EXPECT_STREQ(d, "cdef");
    shift_string(d, 3);
    EXPECT_STREQ(d, "c");
    shift_string(d, 9);
    EXPECT_STREQ(d, "");
    char e[] = "ok\x01\x7f\xffz\n\r";
    clean_line(e);
    EXPECT_STREQ(e, "ok \x7f z");
    char f[] = "ab  \x1f\n";  // trailing control characters go, trailing blanks stay
    clean_line(f);
    EXPECT_STREQ(f, "ab  ");
}

TEST(Predicates, NumbersLettersBlanks) {
    EXPECT_EQ(string_is_num("-42"), 1);
    EXPECT_EQ(string_is_num("-"), 0);
    EXPECT_EQ(string_is_num(""), 0);
    EXPECT_EQ(string_is_num("4a"), 0);
    EXPECT_EQ(string_is_alpha(""), 0);
    EXPECT_EQ(string_is_alpha("abC"), 1);
    EXPECT_EQ(string_is_blank(nullptr), 1);
    EXPECT_EQ(string_is_blank(" \t"), 1);
    EXPECT_EQ(string_is_float("1E5"), 1);
    EXPECT_EQ(string_is_num_len("12ab", 2), 1);
    EXPECT_EQ(string_is_num_len("12ab", 3), 0);
}

TEST(Compare, CaseInsensitive) {
    EXPECT_EQ(stricmp("GFSX", "gfsx"), 0);
    EXPECT_LT(stricmp("gfs", "gfsx"), 0);
    EXPECT_EQ(strnicmp("PLOT_domain", "plot_d", 6), 0);
    EXPECT_STREQ(strlstr("my_GFSX_conv", "gfsx"), "GFSX_conv");
    EXPECT_EQ(strlstr("abc", "x"), nullptr);
    EXPECT_EQ(searchstr("abcabc", "ca"), 2);
}

TEST(Create, CopiesAndConcatenations) {
    char* s = create_strcat("a", nullptr, "c");
    EXPECT_STREQ(s, "ac");
    free(s);
    EXPECT_EQ(create_strcat("a", "b", nullptr), nullptr);
}

}  // namespace
}  // namespace orv
