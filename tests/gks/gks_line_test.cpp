#include "gks/gks_line.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gks/gks_fixture.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_ps.hpp"

namespace orv::test {
namespace {

using GksLineTest = GksTest;

int count_records(int code) {
    int n = 0;
    for (const GObj* o = gget_objs(); o != nullptr; o = o->next) n += o->type == code ? 1 : 0;
    return n;
}

TEST_F(GksLineTest, PrimitivesBeforeTheKernelIsOpen) {
    const GPoint pts[2] = {{0, 0}, {1, 1}};
    ASSERT_EQ(gopen_gks(nullptr), 0);  // kernel open, no workstation
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpolyline(2, pts), -1);
    EXPECT_EQ(gtext(0, 0, "x"), -1);
    EXPECT_EQ(gset_line_colr_ind(2), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gpolyline: GKS not opened\n"), std::string::npos);
    EXPECT_NE(err.find("gtext: GKS not opened\n"), std::string::npos);
    EXPECT_NE(err.find("gset_line_colr_ind: GKS not opened\n"), std::string::npos);
    // Without the error file nothing is written, and still nothing crashes.
    gclose_gks();
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpolyline(2, pts), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(GksLineTest, PointCountsAndCoordinatesAreChecked) {
    ASSERT_EQ(open_ps(path("l.ps")), 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GPoint one[1] = {{0.5F, 0.5F}};
    const GPoint bad[2] = {{0.5F, 0.5F}, {nan, 0.2F}};
    const GPoint inf[2] = {{0.5F, 0.5F}, {0.2F, std::numeric_limits<float>::infinity()}};
    const GPoint left[2] = {{-2, 0.5F}, {-1, 0.7F}};
    const GPoint huge[2] = {{0.5F, 0.5F}, {1e30F, -1e30F}};
    testing::internal::CaptureStderr();
    EXPECT_EQ(gpolyline(1, one), -1);
    EXPECT_EQ(gpolyline(0, nullptr), -1);
    EXPECT_EQ(gpolyline(2, bad), -1);
    EXPECT_EQ(gpolyline(2, inf), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gpolyline: invalid number of points: 1\n"), std::string::npos);
    EXPECT_NE(err.find("gpolyline: invalid number of points: 0\n"), std::string::npos);
    EXPECT_NE(err.find("gpolyline: invalid point: 2\n"), std::string::npos);
    EXPECT_EQ(gpolyline(2, left), 0);
    EXPECT_EQ(gpolyline(2, huge), 1);
    ASSERT_EQ(gclose_ws(1), 0);
    const std::string ps = slurp(path("l.ps"));
    EXPECT_EQ(ps.find("%%PL:1"), std::string::npos);
    EXPECT_NE(ps.find("100000.00 -100000.00 ln\n"), std::string::npos);
    EXPECT_EQ(ps.find("nan"), std::string::npos);
    expect_renders(path("l.ps"));
}

TEST_F(GksLineTest, SettersValidateAndSkipUnchangedValues) {
    ASSERT_EQ(open_ps(path("s.ps")), 0);
    gset_redraw(1);
    ginit_objs();
    testing::internal::CaptureStderr();
    EXPECT_EQ(gset_line_colr_ind(257), -1);
    EXPECT_EQ(gset_line_colr_ind(499), -1);
    EXPECT_EQ(gset_linewidth(-1), -1);
    EXPECT_EQ(gset_linewidth(std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(gset_linetype(-2), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gset_line_colr_ind: invalid color index: 257\n"), std::string::npos);
    EXPECT_NE(err.find("gset_linewidth: invalid line width: -1.000000\n"), std::string::npos);
    EXPECT_NE(err.find("gset_linetype: invalid line type: -2\n"), std::string::npos);
    EXPECT_EQ(gget_objs(), nullptr);
    EXPECT_EQ(gset_line_colr_ind(3), 0);
    EXPECT_EQ(gset_line_colr_ind(3), 0);
    EXPECT_EQ(gset_line_colr_ind(505), 0);
    EXPECT_EQ(gset_line_colr_ind(-1), 0);
    EXPECT_EQ(count_records(kObjLineColor), 3);
    // Width 0 is one dot on the printer, so it is unchanged from the reset 1.
    EXPECT_EQ(gset_linewidth(0), 0);
    EXPECT_FLOAT_EQ(ginq_line_attr().width, 1.0F);
    EXPECT_EQ(count_records(kObjLineWidth), 0);
    EXPECT_EQ(gset_linewidth(2.5F), 0);
    EXPECT_EQ(count_records(kObjLineWidth), 1);
    EXPECT_EQ(gset_linetype(7), 0);
    EXPECT_EQ(ginq_line_attr().type, 7);
}

TEST_F(GksLineTest, PolylineOnPostScript) {
    ASSERT_EQ(open_ps(path("p.ps")), 0);
    const float win[4] = {0, 100, 0, 100};
    gset_win(0, win);
    gset_line_colr_ind(2);
    gset_linewidth(3);
    gset_linetype(2);
    const GPoint pts[3] = {{0, 0}, {50, 100}, {100, 0}};
    EXPECT_EQ(gpolyline(3, pts), 1);
    ASSERT_EQ(gclose_ws(1), 0);
    const std::string ps = slurp(path("p.ps"));
    const std::string expect =
        "%%PL:3\n3.0 dot lw\n[6] 0 setdash\nnp\n0.00 0.00 mv\n287.50 575.00 ln\n575.00 0.00 "
        "ln\nstroke\n";
    EXPECT_NE(ps.find(expect), std::string::npos) << ps;
    expect_renders(path("p.ps"));
}

}  // namespace
}  // namespace orv::test
