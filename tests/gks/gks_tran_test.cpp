#include "gks/gks_tran.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gks/gks_fixture.hpp"

namespace orv::test {
namespace {

using GksTranTest = GksTest;

TEST_F(GksTranTest, WorldToNdcThroughWindowAndViewport) {
    const float win[4] = {0, 10, 0, 5};
    const float vp[4] = {0.1F, 0.9F, 0.1F, 0.5F};
    ASSERT_EQ(gset_win(1, win), 0);
    ASSERT_EQ(gset_vp(1, vp), 0);
    ASSERT_EQ(gsel_norm_tran(1), 0);
    EXPECT_FLOAT_EQ(xW_NDC(10), 0.9F);
    EXPECT_FLOAT_EQ(yW_NDC(5), 0.5F);
    EXPECT_FLOAT_EQ(xW_NDC(0), 0.1F);
    // Re-expressed in the unit transformation 0 the world point is its NDC.
    EXPECT_FLOAT_EQ(xW_trans(1, 0, 10), 0.9F);
    EXPECT_FLOAT_EQ(yW_trans(1, 0, 2.5F), 0.3F);
    float all[8];
    int status = -1;
    ASSERT_EQ(ginq_norm_tran(1, &status, all), 0);
    EXPECT_EQ(status, 0);
    EXPECT_FLOAT_EQ(all[1], 10);
    EXPECT_FLOAT_EQ(all[6], 0.1F);
    int n = -1;
    ginq_cur_norm_tran_num(&status, &n);
    EXPECT_EQ(n, 1);
}

TEST_F(GksTranTest, DeviceRectangleKeepsAspect) {
    gset_window_size(757, 577);
    ginit_tran(0);
    float plt[4];
    gget_plt_rect(plt);
    EXPECT_FLOAT_EQ(plt[1] - plt[0], 576);
    EXPECT_FLOAT_EQ(plt[3] - plt[2], 576);
    EXPECT_FLOAT_EQ(xNDC_p(1), 576);
    EXPECT_FLOAT_EQ(yNDC_p(1), 0);
    EXPECT_FLOAT_EQ(yNDC_p(0), 576);
    EXPECT_FLOAT_EQ(yNDC_ps(1), 576);
    // Pixels back to world undo both steps.
    EXPECT_NEAR(xp_W(xW_p(0.25F)), 0.25F, 1e-5);
    EXPECT_NEAR(yp_W(yW_p(0.75F)), 0.75F, 1e-5);
    // The window device's clip rectangle (x, y, width, height) holds the
    // viewport's pixels, both edges included; nothing past its four values.
    const float vp[4] = {0.25F, 0.75F, 0.25F, 0.5F};
    ASSERT_EQ(gset_vp(0, vp), 0);
    int clip[5] = {-7, -7, -7, -7, -7};
    gget_xviewport(clip);
    EXPECT_EQ(std::vector<int>(clip, clip + 5), (std::vector<int>{144, 288, 289, 145, -7}));
    // A window offset moves the used rectangle.
    gset_window_offset(10, 20);
    ginit_tran(0);
    EXPECT_FLOAT_EQ(xNDC_ps(0), 10);
    EXPECT_FLOAT_EQ(yNDC_ps(0), 20);
}

TEST_F(GksTranTest, WideWorkstationWindowIsWidthLimited) {
    gset_window_size(757, 577);
    ginit_tran(0);
    const float wide[4] = {0, 1, 0, 0.5F};
    ASSERT_EQ(gset_ws_win(1, wide), 0);
    float plt[4];
    gget_plt_rect(plt);
    EXPECT_FLOAT_EQ(plt[1] - plt[0], 756);
    EXPECT_FLOAT_EQ(plt[3] - plt[2], 378);
    float ws[4], dev[4];
    gget_ws_win(ws);
    gget_ws_vp(dev);
    EXPECT_FLOAT_EQ(ws[3], 0.5F);
    EXPECT_FLOAT_EQ(dev[1], 756);
    // A workstation window away from the origin: its corners are the
    // rectangle's, on the screen and on paper.
    const float corner[4] = {0.5F, 1, 0.25F, 0.75F};
    ASSERT_EQ(gset_ws_win(1, corner), 0);
    gget_plt_rect(plt);
    EXPECT_FLOAT_EQ(xNDC_p(0.5F), plt[0]);
    EXPECT_FLOAT_EQ(xNDC_p(1), plt[1]);
    EXPECT_FLOAT_EQ(yNDC_p(0.75F), plt[2]);
    EXPECT_FLOAT_EQ(xNDC_ps(0.5F), plt[0]);
    EXPECT_FLOAT_EQ(yNDC_ps(0.25F), plt[2]);
}

TEST_F(GksTranTest, DeviceCoordinatesAreClamped) {
    const float win[4] = {0, 1e-30F, 0, 1e-30F};
    ASSERT_EQ(gset_win(0, win), 0);
    EXPECT_FLOAT_EQ(xW_ps(1e30F), 100000);
    EXPECT_FLOAT_EQ(yW_ps(-1e30F), -100000);
    EXPECT_FLOAT_EQ(xW_p(1e30F), 30000);
    EXPECT_FLOAT_EQ(yW_p(1e30F), -30000);
}

TEST_F(GksTranTest, InvalidTransformationsAndRectanglesAreRefused) {
    ASSERT_EQ(gopen_gks(nullptr), 0);
    const float unit[4] = {0, 1, 0, 1};
    testing::internal::CaptureStderr();
    EXPECT_EQ(gsel_norm_tran(6), -1);
    EXPECT_EQ(gset_win(-1, unit), -1);
    const float flat[4] = {0, 0, 0, 1};
    EXPECT_EQ(gset_vp(1, flat), -1);
    const float nan_rect[4] = {0, std::numeric_limits<float>::quiet_NaN(), 0, 1};
    EXPECT_EQ(gset_win(1, nan_rect), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gsel_norm_tran: invalid transformation number: 6\n"), std::string::npos);
    EXPECT_NE(err.find("gset_win: invalid transformation number: -1\n"), std::string::npos);
    EXPECT_NE(err.find("gset_vp: invalid rectangle"), std::string::npos);
    float all[8];
    int n = -1;
    EXPECT_EQ(ginq_cur_norm_tran_num(nullptr, &n), 0);
    EXPECT_EQ(n, 0);
    int status = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ginq_norm_tran(9, &status, all), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, -1);
}

TEST_F(GksTranTest, PointsOutsideTheWindow) {
    const float win[4] = {0, 10, 0, 10};
    gset_win(0, win);
    const GPoint left[2] = {{-5, 1}, {-1, 8}};
    const GPoint across[2] = {{-5, 1}, {15, 8}};
    const GPoint above[2] = {{1, 11}, {2, 12}};
    EXPECT_EQ(gpts_in_win(2, left), 0);
    EXPECT_EQ(gpts_in_win(2, across), 1);
    EXPECT_EQ(gpts_in_win(2, above), 0);
}

TEST_F(GksTranTest, MaximumViewNeedsAWorkstation) {
    float x = 0, y = 0;
    EXPECT_EQ(ginq_maxview(1, &x, &y), -1);
    EXPECT_FLOAT_EQ(x, 1);
    EXPECT_FLOAT_EQ(y, 1);
    ASSERT_EQ(open_ps(path("a.ps")), 0);
    ASSERT_EQ(ginq_maxview(1, &x, &y), 0);
    EXPECT_FLOAT_EQ(x, 1);
    EXPECT_FLOAT_EQ(y, 575.0F / 755.0F);
    GDispSpace space{};
    int status = -1;
    ASSERT_EQ(ginq_disp_space_size(1, &status, &space), 0);
    EXPECT_EQ(space.raster_width, 756);
    EXPECT_EQ(space.raster_height, 576);
    EXPECT_FLOAT_EQ(space.width, 755);
}

}  // namespace
}  // namespace orv::test
