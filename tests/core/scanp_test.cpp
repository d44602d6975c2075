#include "core/scanp.hpp"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include "core/mess.hpp"
#include "core/orv.hpp"

namespace orv {
namespace {

class Scanp : public ::testing::Test {
protected:
    void SetUp() override { MESS_reset_for_tests(); }
    void attach(const char* text) {
        line_ = text;
        line_.push_back('\0');
        scanp_set(&rec_, line_.data());
    }
    std::string line_;
    ScanpRecord rec_;
};

TEST_F(Scanp, FixedIntegerFields) {
    // {text, format, result, value (77 when untouched)}
    const struct { const char *text, *format; int result, value; } cases[] = {
        {"  5xyz", "%<3D", 1, 5}, {"abc", "%3D", 0, 77}, {"   ", "%3!   !D", 1, kMissing}, {"-12", "%3D", 1, -12},
        {"4 ", "%2D", 1, 4}, {"1234", "%<3D", 1, 123},
        {" 5x", "%3D", 0, 77},   // an exact field must be filled by the number and blanks
        {" 5", "%3D", 0, 77},    // the text ends inside an exact field
        {"   ", "%<3D", 0, 77},  // a blank field holds no number
    };
    for (const auto& c : cases) {
        int v = 77;
        attach(c.text);
        EXPECT_EQ(scanp(&rec_, c.format, &v), c.result) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    attach("  5xyz");
    int v = 0;
    scanp(&rec_, "%<3D", &v);
    EXPECT_EQ(rec_.consumed, 3);
    attach("abc");
    scanp(&rec_, "%3D", &v);
    EXPECT_EQ(rec_.complete, 0);
    attach("   ");
    scanp(&rec_, "%3!   !D", &v);
    EXPECT_EQ(rec_.stored, 1);
}

TEST_F(Scanp, BulletinRowsWithCursor) {
    attach("TMP  48 46 45 44 56 65 67 59");
    std::vector<int> values;
    for (int off = 4; off < rec_.length; off += 3) {
        int v = 0;
        scanp_off(&rec_, off);
        ASSERT_EQ(scanp(&rec_, "%<3D", &v), 1) << off;
        values.push_back(v);
    }
    EXPECT_EQ(values, (std::vector<int>{48, 46, 45, 44, 56, 65, 67, 59}));
    // {row, cursor, format, result, first, second}
    const struct { const char *row; int off; const char* format; int result, a, b; } cases[] = {
        {"T06      0/ 3  0/ 4 12/99", 9, "%<3D/%<2D", 2, 0, 3}, {"T06      0/ 3  0/ 4 12/99", 19, "%<3D/%<2D", 2, 12, 99},
        {"QPF       0/0  /  1/1", 14, "%1! !D/%1! !D", 2, kMissing, kMissing},
        {"P06         0     2", 10, "%<3!   !D", 1, 0, -5}, {"P06         0     2", 16, "%<3!   !D", 1, 2, -5},
        {"P06         0     2", 22, "%<3!   !D", -1, -5, -5},  // cursor past the end of the line
    };
    for (const auto& c : cases) {
        int a = -5, b = -5;
        attach(c.row);
        scanp_off(&rec_, c.off);
        EXPECT_EQ(scanp(&rec_, c.format, &a, &b), c.result) << c.row << " at " << c.off;
        EXPECT_EQ(std::pair(a, b), std::pair(c.a, c.b)) << c.row << " at " << c.off;
    }
    char cloud[kScanpMaxText + 1];
    attach("CLD  CL SC");
    scanp_off(&rec_, 7);
    EXPECT_EQ(scanp(&rec_, "%<3S", cloud), 1);
    EXPECT_STREQ(cloud, " SC");
}

TEST_F(Scanp, TextConversions) {
    char a[kScanpMaxText + 1], b[kScanpMaxText + 1], c[kScanpMaxText + 1];
    attach("KEED  123\tGFS");
    EXPECT_EQ(scanp(&rec_, "%4A%2W%3N%w%S", a, b, c, a, a), 5);
    EXPECT_STREQ(b, "  ");
    EXPECT_STREQ(c, "123");
    EXPECT_STREQ(a, "GFS");
    EXPECT_EQ(rec_.complete, 1);
    EXPECT_EQ(rec_.consumed, rec_.length);
    attach("AB1");
    EXPECT_EQ(scanp(&rec_, "%3A", a), 0);
    EXPECT_EQ(scanp(&rec_, "%<3A%N", a, b), 2);
    EXPECT_STREQ(a, "AB");
    EXPECT_STREQ(b, "1");
    std::string long_word(200, 'x');
    attach(long_word.c_str());
    EXPECT_EQ(scanp(&rec_, "%s", a), 1);
    EXPECT_EQ(std::string(a).size(), static_cast<size_t>(kScanpMaxText));
    EXPECT_EQ(rec_.consumed, 200);
}

TEST_F(Scanp, FreeFormConversions) {
    int i = 0, n = 0;
    float f = 0;
    char w[kScanpMaxText + 1];
    char ch[2] = {'?', '?'};
    attach("  -42 3.5e1 word!xy");
    EXPECT_EQ(scanp(&rec_, "%d%f %s%n%c", &i, &f, w, &n, ch), 3);
    EXPECT_EQ(i, -42);
    EXPECT_FLOAT_EQ(f, 35.0F);
    EXPECT_STREQ(w, "word!xy");
    EXPECT_EQ(n, rec_.length);
    EXPECT_EQ(ch[0], '?') << "nothing is left for %c";
    EXPECT_EQ(rec_.complete, 0);
    attach("ab 12");
    EXPECT_EQ(scanp(&rec_, "%c%*c %d", ch, &i), 3);
    EXPECT_EQ(ch[0], 'a');
    EXPECT_EQ(ch[1], '?') << "%c writes no terminator";
    EXPECT_EQ(rec_.stored, 2);
    EXPECT_EQ(i, 12);
    attach("  1.5  -.25");
    EXPECT_EQ(scanp(&rec_, "%<5F%F", &f, &f), 2);
    EXPECT_FLOAT_EQ(f, -0.25F);
    attach("1.");
    EXPECT_EQ(scanp(&rec_, "%f", &f), 1);
    EXPECT_FLOAT_EQ(f, 1.0F);
    attach(".");
    EXPECT_EQ(scanp(&rec_, "%f", &f), 0);
    // Only real numbers take an exponent, and only within their field.
    attach("12e3 x");
    EXPECT_EQ(scanp(&rec_, "%d%s", &i, w), 2);
    EXPECT_EQ(i, 12);
    EXPECT_STREQ(w, "e3");
    attach("1.5e1");
    EXPECT_EQ(scanp(&rec_, "%<3F%s", &f, w), 2);
    EXPECT_FLOAT_EQ(f, 1.5F);
    EXPECT_STREQ(w, "e1");
}

TEST_F(Scanp, BlanksLiteralsAndCounts) {
    int a = 0, b = 0;
    attach("12  \t34");
    EXPECT_EQ(scanp(&rec_, "%d  %d", &a, &b), 2) << "a run of format blanks is one directive";
    attach("1234");
    EXPECT_EQ(scanp(&rec_, "%2D %2D", &a, &b), 1) << "a blank needs at least one white-space character";
    EXPECT_EQ(rec_.consumed, 2);
    EXPECT_EQ(rec_.complete, 0);
    attach("5%/6");
    EXPECT_EQ(scanp(&rec_, "%1D%%/%1D", &a, &b), 2);
    EXPECT_EQ(b, 6);
    attach("x");
    EXPECT_EQ(scanp(&rec_, "", &a), -1);
    EXPECT_EQ(scanp(&rec_, "%3!  D", &a), 0) << "an unclosed missing text is a failing directive";
    EXPECT_EQ(scanp(&rec_, "x%", &a), 0);
    EXPECT_EQ(rec_.complete, 0);
}

TEST_F(Scanp, SetsAndAlternatives) {
    char out[kScanpMaxText + 1];
    attach("FOUS26 KWNO");
    EXPECT_EQ(scanp(&rec_, "%(FOUS14|FOAK2[56789]|FOUS2[123456])", out), 1);
    EXPECT_STREQ(out, "FOUS26");
    EXPECT_EQ(scanp(&rec_, "%*(FOUS4[4-9]|FEUS2[123456])"), 0);
    EXPECT_EQ(scanp(&rec_, "%[A-Z]%*[0-9] %[^ ]", out, out), 3);
    EXPECT_STREQ(out, "KWNO");
    attach("]]a");
    EXPECT_EQ(scanp(&rec_, "%[]]", out), 1);
    EXPECT_STREQ(out, "]]");
}

// Every row of real bulletins scans without overrunning and the temperature
// rows give plausible values.
TEST_F(Scanp, RealBulletinRows) {
    const std::string path = ORV_SOURCE_DIR "/../shared/data/mos/gfs_mav_fous26_2014010100.txt";
    std::ifstream in(path);
    if (!in) GTEST_SKIP() << "bulletin folder not found: " << path;
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.rfind("TMP ", 0) != 0) continue;
        attach(line.c_str());
        for (int off = 4; off + 3 <= rec_.length; off += 3) {
            int v = kMissing;
            scanp_off(&rec_, off);
            ASSERT_EQ(scanp(&rec_, "%<3D", &v), 1) << line;
            EXPECT_GT(v, -80);
            EXPECT_LT(v, 130);
        }
        ++rows;
    }
    EXPECT_GE(rows, 3);
}
}  // namespace
}  // namespace orv
