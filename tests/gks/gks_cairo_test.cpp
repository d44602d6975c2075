// The headless picture device: what is drawn lands in the file at the right
// place and colour, in every format, one file or page per frame.
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
#include "gks/xdump.hpp"
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
    static void expect_rgb(const ImageRecord& im, int x, int y, int r, int g, int b) {
        int pr = 0, pg = 0, pb = 0;
        IMG_pixel_rgb(im, IMG_pixel(im, x, y), &pr, &pg, &pb);
        EXPECT_EQ(pr, r) << x << "," << y;
        EXPECT_EQ(pg, g) << x << "," << y;
        EXPECT_EQ(pb, b) << x << "," << y;
    }
    static inline float wx_ = 1.0F, wy_ = 1.0F;
};

TEST_F(CairoTest, EveryRasterFormatHoldsThePicture) {
    const struct {
        const char* text;
        const char* geometry;
        int width, height;
    } cases[] = {
        {"png,a.png", nullptr, 1100, 850},
        {"gif,a.gif", "300x200", 300, 200},
        {"xwd,a.xwd", "120x90+5+5", 120, 90},
        {"b.gif", "0x0", 1100, 850},  // the format from the extension; a bad size is not taken
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        reset();
        if (c.geometry != nullptr) RES_put("geometry", c.geometry);
        const std::string text = c.text;
        const std::string file = path(text.substr(text.find(',') + 1));
        ASSERT_EQ(open(text.find(',') == std::string::npos ? file : text.substr(0, 4) + file), 0);
        draw();
        ASSERT_EQ(gclose_ws(1), 0);
        ImageRecord im;
        ASSERT_EQ(IMG_read(file.c_str(), &im, 0), 1);
        ASSERT_EQ(im.width, c.width);
        ASSERT_EQ(im.height, c.height);
        expect_rgb(im, im.width / 8, im.height * 7 / 8, 255, 0, 0);   // in the square
        expect_rgb(im, im.width * 7 / 8, im.height * 7 / 8, 255, 255, 255);  // background
        int line_y = -1;
        for (int y = 0; y < im.height && line_y < 0; ++y)
            if (IMG_pixel(im, im.width / 2, y) != IMG_pixel(im, im.width * 7 / 8, im.height * 7 / 8)) line_y = y;
        EXPECT_NEAR(line_y, (im.height - 1) / 4.0, 3);
        expect_rgb(im, im.width / 2, line_y, 0, 0, 255);
    }
}

TEST_F(CairoTest, FramesBecomeFilesOrPages) {
    for (const char* text : {"png,f.png", "pdf,f.pdf"}) {
        SCOPED_TRACE(text);
        gks_reset_all_for_tests();
        const std::string t = text;
        ASSERT_EQ(open(t.substr(0, 4) + path(t.substr(4))), 0);
        draw();
        gclear_ws(1, 1);
        draw();
        ASSERT_EQ(gclose_ws(1), 0);
    }
    ImageRecord im;
    EXPECT_EQ(IMG_read(path("f.png").c_str(), &im, 0), 1);
    EXPECT_EQ(IMG_read(path("f_01.png").c_str(), &im, 0), 1);
    if (have_program("pdfinfo")) {
        const auto r = run_command("pdfinfo " + path("f.pdf"));
        EXPECT_NE(r.out.find("Pages:           2"), std::string::npos) << r.out;
    }
}

TEST_F(CairoTest, VectorFilesRenderInTheirReaders) {
    const struct {
        const char* text;
        const char* program;
        const char* command;  // renders %s to out.png
    } cases[] = {
        {"pdf,v.pdf", "pdftoppm", "pdftoppm -png -r 72 -singlefile %s OUT"},
        {"svg,v.svg", "rsvg-convert", "rsvg-convert -d 72 -p 72 -o OUT.png %s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (!have_program(c.program)) continue;
        gks_reset_all_for_tests();
        const std::string t = c.text;
        const std::string file = path(t.substr(4));
        ASSERT_EQ(open(t.substr(0, 4) + file), 0);
        draw();
        ASSERT_EQ(gclose_ws(1), 0);
        std::string command = c.command;
        command.replace(command.find("%s"), 2, file);
        command.replace(command.find("OUT"), 3, path("out"));
        const auto r = run_command(command);
        ASSERT_EQ(r.status, 0) << r.out;
        ImageRecord im;
        ASSERT_EQ(IMG_read(path("out.png").c_str(), &im, 0), 1);
        EXPECT_EQ(im.width, 792);  // 1100 pixels as 0.72-point units
        expect_rgb(im, im.width / 8, im.height * 7 / 8, 255, 0, 0);
    }
}

TEST_F(CairoTest, ImageOverlaysLeaveTheTransparentColourOut) {
    // A 10 x 6 picture: red with a white (background) hole at column 2.
    ImageRecord overlay;
    ASSERT_EQ(IMG_alloc(&overlay, 10, 6, 8, "test"), 1);
    overlay.colors = {ImgColor{1.0F, 0.0F, 0.0F}, ImgColor{1.0F, 1.0F, 1.0F}};
    for (int y = 0; y < 6; ++y) overlay.data[static_cast<std::size_t>(y) * 10 + 2] = 1;
    ASSERT_EQ(XWD_write(path("o.xwd").c_str(), &overlay), 1);
    RES_put("geometry", "100x80");
    ASSERT_EQ(open("png," + path("m.png")), 0);
    draw();
    gset_fill_colr_ind(3);
    const GPoint all[4] = {{0.0F, 0.0F}, {wx_, 0.0F}, {wx_, wy_}, {0.0F, wy_}};
    gfill_area(4, all);
    EXPECT_EQ(goverlay_image_file(path("o.xwd").c_str(), nullptr, 5, 7), 1);
    EXPECT_EQ(goverlay_image_file(path("o.xwd").c_str(), "", -4, -3), 1);  // from the lower-right corner
    EXPECT_EQ(goverlay_image_file(path("none.xwd").c_str(), nullptr, 0, 0), 0);
    ImageRecord im;
    ASSERT_EQ(gcairo_capture(&im), 1);
    expect_rgb(im, 5, 7, 255, 0, 0);
    expect_rgb(im, 7, 7, 0, 0, 255);  // the hole
    expect_rgb(im, 4, 7, 0, 0, 255);
    expect_rgb(im, 99 - 4, 79 - 3, 255, 0, 0);  // the image's lower-right pixel
    expect_rgb(im, 100 - 4, 80 - 3, 0, 0, 255);
    expect_rgb(im, 100 - 4 - 10 + 2, 79 - 3, 0, 0, 255);
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
    expect_rgb(im, 10, 71, 0, 0, 255);   // the lines under the fill
    expect_rgb(im, 80, 71, 255, 0, 0);   // the lines beside it
    expect_rgb(im, 50, 20, 255, 0, 0);   // the last line, over the blue one, stroked for the capture
}

TEST_F(CairoTest, UnwritableFileFailsTheOpen) {
    for (const char* text : {"png,/no/such/dir/a.png", "pdf,/no/such/dir/a.pdf"}) {
        SCOPED_TRACE(text);
        gks_reset_all_for_tests();
        EXPECT_EQ(open(text), -1);
        EXPECT_EQ(gchk_graphics(), 0);
    }
    // A run that ends before the picture is written leaves no empty file.
    gks_reset_all_for_tests();
    ASSERT_EQ(open("png," + path("never.png")), 0);
    gks_reset_all_for_tests();
    EXPECT_FALSE(std::ifstream(path("never.png")).good());
}

TEST_F(CairoTest, DeviceWordsSelectThePictureDevice) {
    for (const char* word : {"png", "GIF,x.gif", "xwd,a", "img", "pdf,m.pdf", "svg"})
        EXPECT_EQ(RES_set_device(word), kWsRaster) << word;
    for (const char* word : {"p,x.png", "ps", "pngx"}) EXPECT_NE(RES_set_device(word), kWsRaster) << word;
}

}  // namespace
}  // namespace orv::test
