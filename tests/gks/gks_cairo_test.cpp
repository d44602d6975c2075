// The headless picture device: what is drawn lands in the picture at the
// right place and colour, in vector files their readers render, and a file
// that cannot be written fails the open.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/resrc.hpp"
#include "gks/gks_cairo.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_line.hpp"
#include "support/run_program.hpp"

namespace orv::test {
namespace {

using orv::testing::have_program;
using orv::testing::run_command;

class CairoTest : public GksTest {
protected:
    int open(const std::string& text) {
        if (gopen_gks(nullptr) != 0) return -1;
        return gopen_ws(1, text.c_str(), kWsRaster);
    }
    // A red square over the left half of the picture's lower half and a blue
    // line along its top, in world units 0-1 over the whole picture.
    static void draw() {
        ginq_maxview(1, &wx_, &wy_);
        const float whole[4] = {0.0F, wx_, 0.0F, wy_};
        gset_ws_win(1, whole);
        gset_win(1, whole);
        gset_vp(1, whole);
        gsel_norm_tran(1);
        gset_colr_rep(1, 2, 1.0F, 0.0F, 0.0F);
        gset_colr_rep(1, 3, 0.0F, 0.0F, 1.0F);
        gset_fill_colr_ind(2);
        const GPoint square[4] = {{0.0F, 0.0F}, {wx_ / 2, 0.0F}, {wx_ / 2, wy_ / 2}, {0.0F, wy_ / 2}};
        gfill_area(4, square);
        gset_line_colr_ind(3);
        gset_linewidth(3.0F);
        const GPoint line[2] = {{0.0F, wy_ * 0.75F}, {wx_, wy_ * 0.75F}};
        gpolyline(2, line);
    }
    static void expect_rgb(const ImageRecord& im, int x, int y, int rgb) {
        int r = 0, g = 0, b = 0;
        IMG_pixel_rgb(im, IMG_pixel(im, x, y), &r, &g, &b);
        EXPECT_EQ(r << 16 | g << 8 | b, rgb) << x << "," << y;
    }
    static inline float wx_ = 1.0F, wy_ = 1.0F;
};

// Vector files render in their readers; each frame is a page of its own.
TEST_F(CairoTest, VectorFilesRenderInTheirReaders) {
    const struct { const char* format; const char* program; const char* command; } cases[] = {
        {"pdf", "pdftoppm", "pdftoppm -png -r 72 -singlefile FILE OUT"},
        {"svg", "rsvg-convert", "rsvg-convert -d 72 -p 72 -o OUT.png FILE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        if (!have_program(c.program)) continue;
        gks_reset_all_for_tests();
        const std::string file = path(std::string("v.") + c.format);
        ASSERT_EQ(open(std::string(c.format) + "," + file), 0);
        draw();
        if (c.format[0] == 'p') {
            gclear_ws(1, 1);
            draw();
        }
        ASSERT_EQ(gclose_ws(1), 0);
        std::string command = c.command;
        command.replace(command.find("FILE"), 4, file).replace(command.find("OUT"), 3, path("out"));
        ASSERT_EQ(run_command(command).status, 0) << command;
        ImageRecord im;
        ASSERT_EQ(IMG_read(path("out.png").c_str(), &im, 0), 1);
        EXPECT_EQ(im.width, 792);  // 1100 pixels as 0.72-point units
        expect_rgb(im, im.width / 8, im.height * 7 / 8, 0xFF0000);
    }
    const std::string pages = "Pages:           2";
    const std::string info = have_program("pdfinfo") ? run_command("pdfinfo " + path("v.pdf")).out : pages;
    EXPECT_NE(info.find(pages), std::string::npos) << info;
}

// Lines are stroked in batches: a fill drawn after them still covers them,
// and the last lines are in the picture when it is captured.
TEST_F(CairoTest, LinesKeepTheirPlaceInTheDrawingOrder) {
    RES_put("geometry", "100x80");
    ASSERT_EQ(open("gif," + path("o.gif")), 0);
    draw();
    gset_linewidth(1.0F);
    gset_line_colr_ind(2);
    for (int k = 0; k < 300; ++k) {  // more points than one batch holds
        const float y = wy_ * (0.1F + 0.1F * static_cast<float>(k % 2));
        const GPoint segment[2] = {{0.0F, y}, {wx_, y}};
        gpolyline(2, segment);
    }
    gset_fill_colr_ind(3);
    const GPoint left[4] = {{0.0F, 0.0F}, {wx_ / 4, 0.0F}, {wx_ / 4, wy_ * 0.3F}, {0.0F, wy_ * 0.3F}};
    gfill_area(4, left);
    const GPoint last[2] = {{wx_ * 0.5F, 0.0F}, {wx_ * 0.5F, wy_}};
    gpolyline(2, last);
    ImageRecord im;
    ASSERT_EQ(gcairo_capture(&im), 1);
    expect_rgb(im, 10, 71, 0x0000FF);   // the lines under the fill
    expect_rgb(im, 80, 71, 0xFF0000);   // the lines beside it
    expect_rgb(im, 50, 20, 0xFF0000);   // the last line, over the blue one, stroked for the capture
}

}  // namespace
}  // namespace orv::test
