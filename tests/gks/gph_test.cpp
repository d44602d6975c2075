#include "gks/gph.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "core/flag.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_text.hpp"

namespace orv::test {
namespace {

constexpr int U = kMissing;
constexpr float F = kMissingF;

class GphTest : public GksTest {
protected:
    // Opens a workstation through the plotting layer and lays out the whole
    // picture as transformation 2 with world 0-100 both ways.
    void begin(const char* text, int type) {
        int ws = 0;
        gregister_device(&kFakeWindow);
        GPH_begin(&ws, text, &type);
        float view[4] = {0, 0, 0, 0};
        GPH_reset(ws, type, view, 0);
        const float world[4] = {0, 100, 0, 100};
        GPH_win(2, world);
        GPH_trans(2);
    }
};

// Every primitive and attribute through the plotting layer.
void draw_picture() {
    GPH_set_color(2, 1, 0, 0);
    GPH_set_color(3, 0, 0.6F, 0);
    GPH_set_color(4, 0, 0, 1);
    gcreate_seg(1);
    const AttribRecord line{2, 2.0F, F, F, 2, U, U};
    GPH_line_attr(&line);
    GPH_line(5, 50, 60, 50);
    for (int t = 1; t <= 5; ++t) {
        const AttribRecord styled{3, 1.0F, F, F, t, U, U};
        GPH_line_attr(&styled);
        GPH_line(5, 35 + 2.0F * static_cast<float>(t), 60, 35 + 2.0F * static_cast<float>(t));
    }
    GPH_line_attr(nullptr);
    gset_line_print_bold(2);
    GPH_rect(2, 2, 65, 55);
    const float border[4] = {1, 66, 1, 56};
    GPH_border(border);
    GPH_circle(20, 75, 10);
    gclose_seg(1);
    const AttribRecord solid{4, F, F, F, U, 0, U};
    GPH_fill_attr(&solid);
    GPH_frect(10, 10, 30, 30);
    GPH_fcircle(50, 75, 5);
    const AttribRecord pattern{2, F, F, F, U, 5, U};
    GPH_fill_attr(&pattern);
    GPH_frect(40, 10, 60, 30);
    GPH_fill_attr(nullptr);
    gset_fill_print_solid(1);
    GPH_frect(62, 40, 64, 42);
    gset_fill_print_solid(0);
    const AttribRecord marker{3, 1.0F, 0.5F, F, 2, U, U};
    GPH_mark_attr(&marker, 1.0F);
    for (int t = 1; t <= 9; ++t) {
        gset_marker_type(t);
        GPH_mark(5.0F * static_cast<float>(t), 90);
    }
    GPH_mark_attr(nullptr, 0.5F);
    const AttribRecord text{2, 1.0F, 2.0F, 1.5F, U, U, 1};
    GPH_text_attr(&text, 0.02F);
    GPH_text_align(2, 3);
    GPH_text_rotate(30);
    gset_char_space(0.1F);
    gset_space(0.3F);
    const float pos[2] = {30, 60};
    GPH_pprint(pos, "Centred");
    GPH_pprintf(pos, "%d degrees", 30);
    GPH_printf("%s", 10, 62, "left");
    GPH_text_rotate(0);
    GPH_text_align(1, 5);
    const AttribRecord plain{1, 1.0F, F, 1.0F, U, U, U};
    GPH_text_attr(&plain, 6.0F);
    GPH_printf("%s", 75, 20, "HHHH");
    GPH_text_attr(nullptr, 0.01F);
    gmessage(15, "picture done");
    const float blank[4] = {3, 4, 3, 4};
    gclear_region(blank);
}

std::string drawing_part(const std::string& ps) {
    const std::size_t begin = ps.find("%%ORV Plot:");
    const std::size_t end = ps.find("%%End of plot");
    if (begin == std::string::npos || end == std::string::npos) return "";
    return ps.substr(begin, end - begin);
}

TEST_F(GphTest, PanelLayout) {
    ASSERT_EQ(open_window(), 0);
    gset_window_size(1001, 751);  // maximum view 1 x 0.75
    float view[4] = {0, 0, 0, 0};
    GPH_reset(1, kWsWindow, view, 0);
    EXPECT_FLOAT_EQ(GPH_get_vert_win_size(), 0.75F);
    float margins[4] = {0.1F, 0.1F, 0.1F, 0.1F};
    GPH_panel(1, kWsWindow, margins, 1);
    const float want[4] = {0.2F, 0.8F, 0.075F, 0.675F};
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(margins[k], want[k], 1e-6) << k;
    float vp[4], win[4];
    GPH_get_view(2, vp);
    GPH_get_win(3, win);
    EXPECT_FLOAT_EQ(vp[0], margins[0]);
    EXPECT_FLOAT_EQ(win[3], margins[3]);
    // Aspect 0 keeps the panel's own shape; a wide aspect is width-limited.
    float same[4] = {0.1F, 0.1F, 0.1F, 0.1F};
    GPH_panel(1, kWsWindow, same, 0);
    EXPECT_NEAR(same[0], 0.1F, 1e-6);
    EXPECT_NEAR(same[3], 0.675F, 1e-6);
    float wide[4] = {0, 0, 0, 0};
    GPH_panel(1, kWsWindow, wide, 4);
    EXPECT_NEAR(wide[1] - wide[0], 1.0F, 1e-6);
    EXPECT_NEAR(wide[3] - wide[2], 0.25F, 1e-6);
    GPH_set_view_size(0.5F, 0.5F, 0.5F, 0);
    float rect[4];
    GPH_get_view_size(rect);
    EXPECT_FLOAT_EQ(rect[0], 0.5F);
    EXPECT_FLOAT_EQ(rect[3], 0.375F);
    float half[4] = {0, 0, 0, 0};
    GPH_panel(1, kWsWindow, half, 0);
    EXPECT_FLOAT_EQ(half[0], 0.5F);
    EXPECT_FLOAT_EQ(half[1], 1.0F);
}

TEST_F(GphTest, AttributeRecordsLeaveUnsetFieldsAlone) {
    ASSERT_EQ(open_window(), 0);
    const AttribRecord line{5, 3.0F, F, F, 4, U, U};
    GPH_line_attr(&line);
    const AttribRecord none{-1, F, F, F, U, U, U};
    GPH_line_attr(&none);
    EXPECT_EQ(ginq_line_attr().color, 5);
    EXPECT_EQ(ginq_line_attr().type, 4);
    EXPECT_FLOAT_EQ(ginq_line_attr().width, 3.0F);
    GPH_line_attr(nullptr);
    EXPECT_EQ(ginq_line_attr().type, 1);
    EXPECT_FLOAT_EQ(ginq_line_attr().width, 0.0F);
    const AttribRecord fill{6, F, F, F, U, 7, U};
    GPH_fill_attr(&fill);
    EXPECT_EQ(ginq_fill_attr().int_style, 2);
    EXPECT_EQ(ginq_fill_attr().style_index, 7);
    GPH_fill_attr(&none);
    EXPECT_EQ(ginq_fill_attr().int_style, 2);
    const AttribRecord mark{7, 2.0F, 3.0F, F, 5, U, U};
    GPH_mark_attr(&mark, 0.5F);
    EXPECT_FLOAT_EQ(ginq_marker_attr().size, 1.5F);
    EXPECT_EQ(ginq_marker_attr().type, 5);
    GPH_mark_attr(&none, 0.25F);
    EXPECT_FLOAT_EQ(ginq_marker_attr().size, 0.25F);
    const AttribRecord text{8, 2.0F, 1.5F, 0.8F, U, U, U};
    EXPECT_EQ(GPH_text_attr(&text, 0.02F), 0);
    EXPECT_FLOAT_EQ(ginq_text_attr().height, 0.03F);
    EXPECT_FLOAT_EQ(ginq_text_attr().expansion, 0.8F);
    EXPECT_EQ(GPH_text_attr(nullptr, 0.02F), -1);
    EXPECT_FLOAT_EQ(ginq_text_attr().expansion, 1.0F);
    GPH_text_rotate(90);
    EXPECT_NEAR(ginq_text_attr().up_x, 1.0F, 1e-6);
    EXPECT_NEAR(ginq_text_attr().up_y, 0.0F, 1e-6);
    int h = 0, v = 0;
    GPH_text_align(3, 5);
    GPH_get_text_align(&h, &v);
    EXPECT_EQ(h * 10 + v, 35);
}

TEST_F(GphTest, PictureRendersAndReplaysToTheSameCommands) {
    gtext_register_hooks();
    // Drawn straight to paper, on a picture area the size the print uses.
    RES_put("geometry", "1052x802");
    ::testing::internal::CaptureStdout();
    begin(path("direct.ps").c_str(), kWsPostScript);
    draw_picture();
    GPH_end(1);
    ::testing::internal::GetCapturedStdout();
    RES_put("geometry", "");

    // Drawn on a window, then printed from the display list.
    begin("", kWsWindow);
    draw_picture();
    setenv("orvps_print", path("replayed.ps").c_str(), 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(gobj_print_plot(), 0);
    ::testing::internal::GetCapturedStdout();
    unsetenv("orvps_print");
    GPH_end(1);

    const std::string direct = slurp(path("direct.ps"));
    const std::string replayed = slurp(path("replayed.ps"));
    for (const char* mark : {"%%PL:", "%%FA:", "%%PM:", "%%TE:", "%%Message: picture done"})
        EXPECT_NE(direct.find(mark), std::string::npos) << mark;
    ASSERT_FALSE(drawing_part(direct).empty());
    EXPECT_EQ(drawing_part(direct), drawing_part(replayed));
    expect_renders(path("direct.ps"));
    expect_renders(path("replayed.ps"));
}

}  // namespace
}  // namespace orv::test
