#include "gks/gks_colr.hpp"

#include <gtest/gtest.h>

#include "gks/gks_fixture.hpp"
#include "gks/gks_obj.hpp"

namespace orv::test {
namespace {

using GksColrTest = GksTest;

TEST_F(GksColrTest, ValidIndices) {
    for (int i : {-1, 0, 255, 256, 500, 508}) EXPECT_EQ(gis_valid_colr(i), 1) << i;
    for (int i : {-2, 257, 499, 509}) EXPECT_EQ(gis_valid_colr(i), 0) << i;
}

TEST_F(GksColrTest, DefiningColours) {
    ASSERT_EQ(open_ps(path("c.ps")), 0);
    gset_redraw(1);
    ginit_objs();
    EXPECT_EQ(gset_colr_rep(1, 504, 1, 0, 0), 0);
    EXPECT_EQ(gget_objs(), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(gset_colr_rep(1, 300, 1, 0, 0), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("gset_colr_rep: invalid color index: 300\n"),
              std::string::npos);
    EXPECT_EQ(gset_colr_rep(1, 5, 1.0F, 0.5F, 2.0F), 0);
    float r = 0, g = 0, b = 0;
    ASSERT_EQ(gget_color_rgb(5, &r, &g, &b), 0);
    EXPECT_FLOAT_EQ(g, 0.5F);
    EXPECT_FLOAT_EQ(b, 1.0F);  // intensities are kept within 0-1
    int r8 = 0, g8 = 0, b8 = 0;
    gget_color_rgb256(5, &r8, &g8, &b8);
    EXPECT_EQ(r8, 255);
    EXPECT_EQ(g8, 127);
    EXPECT_EQ(gget_max_colr(), 5);
    ASSERT_NE(gget_objs(), nullptr);
    EXPECT_EQ(gget_objs()->type, kObjColorRep);
    EXPECT_EQ(gis_color_near(5, 0, 0.995F, 0.5F, 1.0F), 1);
    EXPECT_EQ(gis_color_near(5, 0, 0.98F, 0.5F, 1.0F), 0);
    EXPECT_EQ(gis_color_near(gget_color_ind(5), 1, 1.0F, 0.5F, 1.0F), 1);
    // The background of paper is white.
    gget_color_rgb(-1, &r, &g, &b);
    EXPECT_FLOAT_EQ(r + g + b, 3.0F);
}

TEST_F(GksColrTest, AllocatingAnyIndexReusesNearColours) {
    const int first = galloc_colr(-1, 0.2F, 0.4F, 0.6F);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(galloc_colr(-1, 0.2F, 0.4F, 0.6F), first);
    EXPECT_EQ(galloc_colr(-1, 0.202F, 0.4F, 0.6F), first);
    EXPECT_EQ(galloc_colr(-1, 0.9F, 0.4F, 0.6F), 1);
    EXPECT_EQ(gget_max_colr(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(galloc_colr(600, 0, 0, 0), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(gget_max_colr(), 1);
    galloc_colr(10, 0, 0, 0);
    EXPECT_EQ(galloc_colr(-1, 0.5F, 0.5F, 0.5F), 11);
}

}  // namespace
}  // namespace orv::test
