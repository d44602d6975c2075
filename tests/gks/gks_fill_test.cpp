#include "gks/gks_fill.hpp"

#include <gtest/gtest.h>

#include "gks/gks_fixture.hpp"
#include "gks/gks_colr.hpp"

namespace orv::test {
namespace {

using GksFillTest = GksTest;

TEST_F(GksFillTest, PatternBits) {
    // Row y mod 8, bit x mod 8.
    EXPECT_EQ(gfill_test(1, 1, 0), 1);  // 0xaa
    EXPECT_EQ(gfill_test(1, 0, 0), 0);
    EXPECT_EQ(gfill_test(1, 0, 1), 1);  // 0x55
    EXPECT_EQ(gfill_test(1, 8, 9), 1);
    EXPECT_EQ(gfill_test(6, 0, 0), 1);  // 0x03
    EXPECT_EQ(gfill_test(6, 2, 0), 0);
    EXPECT_EQ(gfill_test(6, 7, 7), 1);  // 0x81
    int set0 = 0, set10 = 0, set19 = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            set0 += gfill_test(0, x, y);
            set10 += gfill_test(10, x, y);
            set19 += gfill_test(19, x, y);
        }
    EXPECT_EQ(set0, 64);
    EXPECT_EQ(set10, 0);
    EXPECT_EQ(set19, 64);
    EXPECT_EQ(gfill_test(20, 0, 0), 0);
    EXPECT_EQ(gfill_test(-1, 0, 0), 0);
    EXPECT_EQ(gfill_test(1, -1, 0), 1);  // column 7 of 0xaa
    EXPECT_EQ(gfill_pattern(20), nullptr);
}

TEST_F(GksFillTest, FillsOnPostScript) {
    ASSERT_EQ(open_ps(path("f.ps")), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(gset_fill_style_ind(20), -1);
    EXPECT_EQ(gset_fill_colr_ind(300), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gset_fill_style_ind: invalid style index: 20\n"), std::string::npos);
    EXPECT_NE(err.find("gset_fill_colr_ind: invalid color index: 300\n"), std::string::npos);
    const GPoint tri[3] = {{0.1F, 0.1F}, {0.5F, 0.1F}, {0.3F, 0.5F}};
    gset_colr_rep(1, 7, 0.5F, 0.5F, 0.5F);
    gset_fill_colr_ind(7);
    EXPECT_EQ(gfill_area(3, tri), 1);
    gset_fill_int_style(2);
    EXPECT_EQ(gfill_area(3, tri), 0);  // patterns are not filled on paper
    gset_fill_int_style(1);
    gset_fill_print_solid(1);
    EXPECT_EQ(gfill_area(3, tri), 1);
    gclose_ws(1);
    const std::string ps = slurp(path("f.ps"));
    // The colour's gray (0.9 r + g + 0.8 b) / 2.7 = 0.5.
    EXPECT_NE(ps.find("%%FA:3\nnp\n57.50 57.50 mv\n287.50 57.50 ln\n172.50 287.50 ln\ncp\n0.500 "
                      "setgray\nfill\n"),
              std::string::npos)
        << ps;
    EXPECT_NE(ps.find("cp\n0 setgray\nfill\n"), std::string::npos);
    EXPECT_EQ(ps.find("%%FA:3", ps.find("%%FA:3") + 1), ps.rfind("%%FA:3"));
    expect_renders(path("f.ps"));
}

}  // namespace
}  // namespace orv::test
