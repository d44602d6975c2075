// The graphics kernel: colours, fills, lines, markers, the display list and the transformations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_ps.hpp"
#include "gks/gks_tran.hpp"

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
    EXPECT_EQ(stderr_of([] { EXPECT_EQ(gset_colr_rep(1, 300, 1, 0, 0), -1); }), "gset_colr_rep: invalid color index: 300\n");
    EXPECT_EQ(gset_colr_rep(1, 5, 1.0F, 0.5F, 2.0F), 0);
    float r = 0, g = 0, b = 0;
    ASSERT_EQ(gget_color_rgb(5, &r, &g, &b), 0);
    EXPECT_FLOAT_EQ(g, 0.5F);
    EXPECT_FLOAT_EQ(b, 1.0F);  // intensities are kept within 0-1
    int r8 = 0, g8 = 0, b8 = 0;
    gget_color_rgb256(5, &r8, &g8, &b8);
    EXPECT_EQ(r8 * 1000 + g8, 255127);
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

using GksFillTest = GksTest;

TEST_F(GksFillTest, PatternBits) {
    // Row y mod 8, bit x mod 8. Style 1 rows 0xaa, 0x55; style 6 rows 0x03 ... 0x81.
    const int bits[][4] = {{1, 1, 0, 1}, {1, 0, 0, 0}, {1, 0, 1, 1}, {1, 8, 9, 1}, {6, 0, 0, 1}, {6, 2, 0, 0},
                           {6, 7, 7, 1}, {20, 0, 0, 0}, {-1, 0, 0, 0}, {1, -1, 0, 1}};  // -1: column 7
    for (const auto& b : bits) EXPECT_EQ(gfill_test(b[0], b[1], b[2]), b[3]) << b[0] << " " << b[1] << "," << b[2];
    for (const auto& [style, set] : {std::pair{0, 64}, std::pair{10, 0}, std::pair{19, 64}}) {
        int n = 0;
        for (int k = 0; k < 64; ++k) n += gfill_test(style, k % 8, k / 8);
        EXPECT_EQ(n, set) << style;
    }
    EXPECT_EQ(gfill_pattern(20), nullptr);
}

TEST_F(GksFillTest, FillsOnPostScript) {
    ASSERT_EQ(open_ps(path("f.ps")), 0);
    const std::string err = stderr_of([] {
        EXPECT_EQ(gset_fill_style_ind(20), -1);
        EXPECT_EQ(gset_fill_colr_ind(300), -1);
    });
    EXPECT_EQ(err, "gset_fill_style_ind: invalid style index: 20\ngset_fill_colr_ind: invalid color index: 300\n");
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
    EXPECT_NE(ps.find("%%FA:3\nnp\n57.50 57.50 mv\n287.50 57.50 ln\n172.50 287.50 ln\ncp\n0.500 setgray\nfill\n"),
              std::string::npos) << ps;
    EXPECT_NE(ps.find("cp\n0 setgray\nfill\n"), std::string::npos);
    EXPECT_EQ(ps.find("%%FA:3", ps.find("%%FA:3") + 1), ps.rfind("%%FA:3"));
    expect_renders(path("f.ps"));
}

using GksLineTest = GksTest;

int count_records(int code) {
    int n = 0;
    for (const GObj* o = gget_objs(); o != nullptr; o = o->next) n += o->type == code ? 1 : 0;
    return n;
}

TEST_F(GksLineTest, PointCountsAndCoordinatesAreChecked) {
    ASSERT_EQ(open_ps(path("l.ps")), 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GPoint one[1] = {{0.5F, 0.5F}};
    const GPoint bad[2] = {{0.5F, 0.5F}, {nan, 0.2F}};
    const GPoint inf[2] = {{0.5F, 0.5F}, {0.2F, std::numeric_limits<float>::infinity()}};
    const GPoint left[2] = {{-2, 0.5F}, {-1, 0.7F}};
    const GPoint huge[2] = {{0.5F, 0.5F}, {1e30F, -1e30F}};
    const std::string err = stderr_of([&] {
        EXPECT_EQ(gpolyline(1, one), -1);
        EXPECT_EQ(gpolyline(0, nullptr), -1);
        EXPECT_EQ(gpolyline(2, bad), -1);
        EXPECT_EQ(gpolyline(2, inf), -1);
    });
    EXPECT_EQ(err, "gpolyline: invalid number of points: 1\ngpolyline: invalid number of points: 0\n"
                   "gpolyline: invalid point: 2\ngpolyline: invalid point: 2\n");
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
    const std::string err = stderr_of([] {
        EXPECT_EQ(gset_line_colr_ind(257), -1);
        EXPECT_EQ(gset_line_colr_ind(499), -1);
        EXPECT_EQ(gset_linewidth(-1), -1);
        EXPECT_EQ(gset_linewidth(std::numeric_limits<float>::quiet_NaN()), -1);
        EXPECT_EQ(gset_linetype(-2), -1);
    });
    for (const char* said : {"gset_line_colr_ind: invalid color index: 257\n",
                             "gset_linewidth: invalid line width: -1.000000\n", "gset_linetype: invalid line type: -2\n"})
        EXPECT_NE(err.find(said), std::string::npos) << said;
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
    EXPECT_NE(ps.find("%%PL:3\n3.0 dot lw\n[6] 0 setdash\nnp\n0.00 0.00 mv\n287.50 575.00 ln\n575.00 0.00 ln\nstroke\n"),
              std::string::npos) << ps;
    expect_renders(path("p.ps"));
}

using GksMarkTest = GksTest;

TEST_F(GksMarkTest, MarkersOnPostScript) {
    ASSERT_EQ(open_ps(path("m.ps")), 0);
    const std::string err = stderr_of([] {
        EXPECT_EQ(gset_marker_size(-1), -1);
        EXPECT_EQ(gset_marker_width(-0.5F), -1);
        EXPECT_EQ(gpolymarker(0, nullptr), -1);
    });
    EXPECT_EQ(err.rfind("gset_marker_size: invalid marker size: -1.000000\n"
                        "gset_marker_width: invalid marker width: -0.500000\n", 0), 0U) << err;
    EXPECT_EQ(gset_marker_width(0), 0);
    EXPECT_FLOAT_EQ(ginq_marker_attr().width, 1.0F);
    gset_marker_type(6);
    gset_marker_size(1);  // 7.2 points: half-size 3
    const GPoint p{0.5F, 0.5F};
    EXPECT_EQ(gpolymarker(1, &p), 1);
    gclose_ws(1);
    const std::string ps = slurp(path("m.ps"));
    EXPECT_NE(ps.find("%%PM:1\nnp\n284.50 284.50 mv\n290.50 284.50 ln\n"), std::string::npos) << ps;
    expect_renders(path("m.ps"));
}

using GksObjTest = GksTest;

std::vector<int> record_types() {
    std::vector<int> types;
    for (const GObj* o = gget_objs(); o != nullptr; o = o->next) types.push_back(o->type);
    return types;
}

int g_calls = 0;
int g_last_arg = 0;
void count_call(void* arg) {
    ++g_calls;
    g_last_arg = *static_cast<int*>(arg);
}

TEST_F(GksObjTest, RecordsAndCopies) {
    EXPECT_EQ(gnew_obj(kObjLineType, 2, 0, nullptr), nullptr);  // recorded, no data
    EXPECT_EQ(record_types(), (std::vector<int>{kObjLineType}));
    ginit_objs();
    EXPECT_EQ(gget_objs(), nullptr);
    const float data[2] = {1.5F, 2.5F};
    auto* copy = static_cast<float*>(gnew_obj(kObjUpVec, 0, sizeof data, data));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, data);
    EXPECT_FLOAT_EQ(copy[1], 2.5F);
    void* space = gnew_obj(kObjText, 0, 16, nullptr);
    EXPECT_NE(space, nullptr);
    std::memset(space, 0, 16);
    EXPECT_EQ(gset_redraw(0), 1);
    EXPECT_EQ(gnew_obj(kObjLineType, 2, 0, nullptr), nullptr);
    EXPECT_EQ(gget_num_objs(), 3);
    EXPECT_EQ(record_types(), (std::vector<int>{kObjUpVec, kObjText}));
    gclear_objs();
    EXPECT_EQ(gget_objs(), nullptr);
    setenv("orvredraw", "no", 1);
    gset_redraw(1);
    ginit_objs();
    EXPECT_EQ(gget_redraw(), 0);
    unsetenv("orvredraw");
}

TEST_F(GksObjTest, DeletingASegmentRemovesItsRecordsOnly) {
    ASSERT_EQ(open_window(), 0);
    gset_line_colr_ind(2);
    gcreate_seg(3);
    gset_linetype(2);
    const GPoint pts[2] = {{0.1F, 0.1F}, {0.2F, 0.2F}};
    gpolyline(2, pts);
    gclose_seg(3);
    gcreate_seg(4);
    gset_linetype(3);
    gclose_seg(4);
    gset_line_colr_ind(5);
    EXPECT_EQ(gdel_seg(3), 0);
    EXPECT_EQ(record_types(),
              (std::vector<int>{kObjLineColor, kObjSegStart, kObjLineType, kObjSegEnd, kObjLineColor}));
    EXPECT_EQ(gget_objs()->next->value, 4);
    EXPECT_EQ(gdel_seg(9), -1);
    // The tail stays right after a delete at the end.
    EXPECT_EQ(gdel_seg(4), 0);
    gset_line_colr_ind(6);
    EXPECT_EQ(record_types(), (std::vector<int>{kObjLineColor, kObjLineColor, kObjLineColor}));
    EXPECT_EQ(gget_redraw(), 1);
}

TEST_F(GksObjTest, RedrawReplaysTheList) {
    ASSERT_EQ(open_window(), 0);
    auto* arg = static_cast<int*>(std::malloc(sizeof(int)));
    *arg = 42;
    g_calls = 0;
    EXPECT_EQ(gset_redraw_func(count_call, arg), 0);
    gset_line_colr_ind(9);
    gset_linewidth(3);
    greset_line();
    EXPECT_EQ(ginq_line_attr().color, 1);
    const std::size_t before = record_types().size();
    EXPECT_EQ(gobj_redraw_plot(), 0);
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_last_arg, 42);
    // the reset is part of the drawing: the replay ends as the drawing did
    EXPECT_EQ(ginq_line_attr().color, 1);
    EXPECT_FLOAT_EQ(ginq_line_attr().width, 1);
    EXPECT_EQ(record_types().size(), before);  // replay records nothing
    gset_redraw(0);
    EXPECT_EQ(gobj_redraw_plot(), -1);
}

using GksTranTest = GksTest;

TEST_F(GksTranTest, WorldToNdcThroughWindowAndViewport) {
    const float win[4] = {0, 10, 0, 5};
    const float vp[4] = {0.1F, 0.9F, 0.1F, 0.5F};
    ASSERT_EQ(gset_win(1, win), 0);
    ASSERT_EQ(gset_vp(1, vp), 0);
    ASSERT_EQ(gsel_norm_tran(1), 0);
    // Re-expressed in the unit transformation 0 the world point is its NDC.
    const float got[] = {xW_NDC(10), yW_NDC(5), xW_NDC(0), xW_trans(1, 0, 10), yW_trans(1, 0, 2.5F)};
    const float want[] = {0.9F, 0.5F, 0.1F, 0.9F, 0.3F};
    for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << k;
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
    EXPECT_EQ((std::vector<float>{plt[1] - plt[0], plt[3] - plt[2], xNDC_p(1), yNDC_p(1), yNDC_p(0), yNDC_ps(1)}),
              (std::vector<float>{576, 576, 576, 0, 576, 576}));
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
    float plt[4], ws[4], dev[4];
    gget_plt_rect(plt);
    gget_ws_win(ws);
    gget_ws_vp(dev);
    EXPECT_EQ((std::vector<float>{plt[1] - plt[0], plt[3] - plt[2], ws[3], dev[1]}), (std::vector<float>{756, 378, 0.5F, 756}));
    // A workstation window away from the origin: its corners are the
    // rectangle's, on the screen and on paper.
    const float corner[4] = {0.5F, 1, 0.25F, 0.75F};
    ASSERT_EQ(gset_ws_win(1, corner), 0);
    gget_plt_rect(plt);
    EXPECT_EQ((std::vector<float>{xNDC_p(0.5F), xNDC_p(1), yNDC_p(0.75F), xNDC_ps(0.5F), yNDC_ps(0.25F)}),
              (std::vector<float>{plt[0], plt[1], plt[2], plt[0], plt[2]}));
}

TEST_F(GksTranTest, DeviceCoordinatesAreClamped) {
    const float win[4] = {0, 1e-30F, 0, 1e-30F};
    ASSERT_EQ(gset_win(0, win), 0);
    EXPECT_EQ((std::vector<float>{xW_ps(1e30F), yW_ps(-1e30F), xW_p(1e30F), yW_p(1e30F)}),
              (std::vector<float>{100000, -100000, 30000, -30000}));
}

TEST_F(GksTranTest, InvalidTransformationsAndRectanglesAreRefused) {
    ASSERT_EQ(gopen_gks(nullptr), 0);
    const float unit[4] = {0, 1, 0, 1};
    const float flat[4] = {0, 0, 0, 1};
    const float nan_rect[4] = {0, std::numeric_limits<float>::quiet_NaN(), 0, 1};
    float all[8];
    int n = -1, status = 0;
    const std::string err = stderr_of([&] {
        EXPECT_EQ(gsel_norm_tran(6), -1);
        EXPECT_EQ(gset_win(-1, unit), -1);
        EXPECT_EQ(gset_vp(1, flat), -1);
        EXPECT_EQ(gset_win(1, nan_rect), -1);
        EXPECT_EQ(ginq_norm_tran(9, &status, all), -1);
    });
    for (const char* said : {"gsel_norm_tran: invalid transformation number: 6\n",
                             "gset_win: invalid transformation number: -1\n", "gset_vp: invalid rectangle"})
        EXPECT_NE(err.find(said), std::string::npos) << said;
    EXPECT_EQ(status, -1);
    EXPECT_EQ(ginq_cur_norm_tran_num(nullptr, &n), 0);
    EXPECT_EQ(n, 0);
}

TEST_F(GksTranTest, PointsOutsideTheWindow) {
    const float win[4] = {0, 10, 0, 10};
    gset_win(0, win);
    const GPoint cases[3][2] = {{{-5, 1}, {-1, 8}}, {{-5, 1}, {15, 8}}, {{1, 11}, {2, 12}}};  // left, across, above
    for (int k = 0; k < 3; ++k) EXPECT_EQ(gpts_in_win(2, cases[k]), k == 1 ? 1 : 0) << k;
}

}  // namespace
}  // namespace orv::test
