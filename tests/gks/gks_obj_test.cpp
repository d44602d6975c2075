#include "gks/gks_obj.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"

namespace orv::test {
namespace {

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

TEST_F(GksObjTest, PrintingAnEmptyList) {
    ASSERT_EQ(open_window(), 0);
    setenv("orvps_print", path("empty.ps").c_str(), 1);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(gobj_print_plot(), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "gobj_print_plot: No redraw data to make Postscript file from\n"),
              std::string::npos);
    unsetenv("orvps_print");
    const std::string ps = slurp(path("empty.ps"));
    EXPECT_EQ(ps.find("%%PL"), std::string::npos);
    EXPECT_NE(ps.find("showpage"), std::string::npos);
    EXPECT_EQ(gget_ws_type(), kWsWindow);
    expect_renders(path("empty.ps"));

    setenv("orvps_print", (path("empty.ps") + "/x.ps").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(gobj_print_plot(), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "gprint_plot: unable to open postscript file\n"),
              std::string::npos);
    unsetenv("orvps_print");
    setenv("METAOUT", (path("empty.ps") + "/x.meta").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(gobj_print_meta(), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("gprint_meta: unable to open metafile\n"),
              std::string::npos);
    unsetenv("METAOUT");
    EXPECT_EQ(gget_ws_type(), kWsWindow);
}

}  // namespace
}  // namespace orv::test
