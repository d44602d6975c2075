#include "gks/gks_ps.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/resrc.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_line.hpp"

namespace orv::test {
namespace {

// The fast number writer gives the standard conversion's text for every kind
// of value: zero and negative zero, rounding halves (exact in binary or not),
// values just around them, large and huge values, and a sweep of page
// coordinates.
TEST(PsNumbers, TextIsTheStandardConversion) {
    std::vector<float> values = {0.0F, -0.0F, 0.005F, -0.005F, 0.125F, -0.125F, 0.375F, 2.5F, 0.015F,
                                 1.005F, 99.995F, -99.995F, 0.004999F, -0.0049F, 612.0F, 791.99F,
                                 123456.78F, 8388607.5F, 16777216.0F, 999999936.0F, 1.0e9F, -1.0e9F,
                                 3.0e38F, -3.0e38F, 1.0e-30F, std::numeric_limits<float>::denorm_min(),
                                 std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN()};
    for (int i = -200000; i <= 200000; ++i) {
        values.push_back(static_cast<float>(i) / 8.0F);      // exact halves and quarters of hundredths
        values.push_back(static_cast<float>(i) * 0.00731F);  // an irregular sweep
    }
    for (float v = 1.0e-3F; v < 1.0e10F; v *= 1.37F) {
        for (float w : {v, -v, std::nextafter(v, 0.0F), std::nextafter(v, 1.0e30F)}) values.push_back(w);
    }
    for (const int decimals : {2, 6})
        for (const float v : values) {
            char want[64];
            char got[64];
            const auto r = std::to_chars(want, want + 48, v, std::chars_format::fixed, decimals);
            ASSERT_EQ(r.ec, std::errc{});
            char* end = decimals == 2 ? gps_number(got, v) : gps_fixed(got, v, decimals);
            ASSERT_EQ(std::string(got, end), std::string(want, r.ptr)) << v << " to " << decimals;
        }
}

using GksPsTest = GksTest;

TEST_F(GksPsTest, HeaderWithPortraitEpsAndA4) {
    testing::internal::CaptureStdout();
    ASSERT_EQ(open_ps(path("h.ps") + ",port,eps,a4"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Creating: " + path("h.ps") + "\n");
    int w = 0, h = 0;
    gget_window_size(&w, &h);
    EXPECT_EQ(w, 558);  // portrait: the short side across
    EXPECT_EQ(h, 805);
    const GPoint pts[2] = {{0.1F, 0.1F}, {0.9F, 0.9F}};
    gpolyline(2, pts);
    ASSERT_EQ(gclose_ws(1), 0);
    const std::vector<std::string> lines = lines_of(slurp(path("h.ps")));
    ASSERT_GT(lines.size(), 24U);
    const std::pair<int, const char*> want[] = {
        {0, "%!PS-Adobe-3.0 EPSF-3.0"}, {1, "%%BoundingBox: 0 0 558 805"}, {2, "%%Title: ORV Graphics Display: "},
        {3, "%%Creator: ORV Postscript Processor-2.0"}, {5, "%%EndComments"}, {6, "%%Postscript initialization"},
        {7, "/inch {72 mul} def"}, {13, "/cp {closepath} def"},
        {14, "0 setgray"},  // portrait EPS: no rotation, no translation
        {15, "2 setlinejoin"}, {18, "%%Begin plot"}, {19, "%%ORV Plot: "}};
    for (const auto& [i, line] : want) EXPECT_EQ(lines[i], line) << i;
    EXPECT_TRUE(lines[4].starts_with("%%CreationDate: "));
    EXPECT_EQ(lines.back(), "%%EOF");
    expect_renders(path("h.ps"));
}

TEST_F(GksPsTest, LandscapeProlog) {
    ASSERT_EQ(open_ps(path("l.ps") + ",legal,scale=0.5"), 0);
    gclose_ws(1);
    const std::string ps = slurp(path("l.ps"));
    EXPECT_NE(ps.find("%!PS-Adobe-1.0\n"), std::string::npos);
    EXPECT_NE(ps.find("30 dict begin\n/saveobj save def\n"), std::string::npos);
    EXPECT_NE(ps.find("90 rotate\n.25 inch -8.25 inch translate\n"), std::string::npos);
    EXPECT_NE(ps.find("[] 0 setdash\n0.50 0.50 scale\n%%Begin plot\n"), std::string::npos);
    EXPECT_NE(ps.find("%%End of plot\nsaveobj restore\nshowpage\nend\n%%EOF\n"), std::string::npos);
    expect_renders(path("l.ps"));

    ASSERT_EQ(open_ps(path("e.ps") + ",eps,land"), 0);
    gclose_ws(1);
    const std::string eps = slurp(path("e.ps"));
    // turned, the picture (at the half scale still set) lies against the
    // paper's short side
    EXPECT_NE(eps.find("%%BoundingBox: 324 0 612 378\n"), std::string::npos);
    EXPECT_NE(eps.find("90 rotate\n0. inch -8.50 inch translate\n"), std::string::npos);
    EXPECT_EQ(eps.find("saveobj"), std::string::npos);
    expect_renders(path("e.ps"));
}

// Appended plots share the last page of the file, which stays a complete
// document after every plot.
TEST_F(GksPsTest, AppendedPlotsGoOnTheLastPage) {
    ASSERT_EQ(open_ps(path("a.ps")), 0);
    const GPoint pts[2] = {{0.1F, 0.1F}, {0.4F, 0.4F}};
    gpolyline(2, pts);
    gclose_ws(1);
    const std::string first = slurp(path("a.ps"));
    testing::internal::CaptureStdout();
    ASSERT_EQ(open_ps("+" + path("a.ps")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Appending to: " + path("a.ps") + "\n");
    gpolyline(2, pts);
    ASSERT_EQ(gclose_ws(1), 0);
    const std::string ps = slurp(path("a.ps"));
    const std::size_t kept = first.rfind("%%End of plot\n") + 14;
    ASSERT_EQ(ps.substr(0, kept), first.substr(0, kept));
    const std::string second = ps.substr(kept);
    EXPECT_EQ(count_of(ps, "%!PS"), 1);
    EXPECT_EQ(count_of(ps, "showpage"), 1);
    EXPECT_EQ(second.rfind("0 setgray\n1 dot lw\n[] 0 setdash\n%%ORV Plot: \n", 0), 0U) << second;
    EXPECT_NE(second.find("%%PL:2"), std::string::npos);
    EXPECT_TRUE(ps.ends_with(first.substr(kept))) << "the same closing lines";
    expect_renders(path("a.ps"));
    expect_pages(path("a.ps"), 1);

    // Nothing, or a file that does not end as ours do, gets a page of its own.
    std::ofstream(path("other.ps")) << "%!PS\n% another program's page\nshowpage\n";
    for (const char* name : {"new.ps", "other.ps"}) {
        testing::internal::CaptureStdout();
        ASSERT_EQ(open_ps("+" + path(name)), 0);
        gpolyline(2, pts);
        ASSERT_EQ(gclose_ws(1), 0);
        testing::internal::GetCapturedStdout();
        const std::string text = slurp(path(name));
        EXPECT_EQ(count_of(text, "%!PS-Adobe-1.0\n"), 1) << name;
        EXPECT_TRUE(text.ends_with("showpage\nend\n%%EOF\n")) << name;
        expect_pages(path(name), std::string(name) == "new.ps" ? 1 : 2);
    }
}

TEST_F(GksPsTest, AnExitWithAnOpenFileLeavesItComplete) {
    const std::string file = path("exit.ps");
    const auto draw_and_exit = [&] {
        open_ps(file);
        const GPoint pts[2] = {{0.1F, 0.1F}, {0.4F, 0.4F}};
        gpolyline(2, pts);
        std::exit(3);
    };
    EXPECT_EXIT(draw_and_exit(), ::testing::ExitedWithCode(3), "");
    EXPECT_TRUE(slurp(file).ends_with("showpage\nend\n%%EOF\n"));
    expect_pages(file, 1);
}

TEST_F(GksPsTest, SpoolersAndUnwritableFiles) {
    const std::string out = path("spooled.ps");
    testing::internal::CaptureStdout();
    ASSERT_EQ(open_ps("|cat > " + out), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Spooling to: cat > " + out + "\n");
    const GPoint pts2[2] = {{0.1F, 0.1F}, {0.4F, 0.4F}};
    gpolyline(2, pts2);
    EXPECT_EQ(gclose_ws(1), 0);
    EXPECT_NE(slurp(out).find("%%PL:2"), std::string::npos);
    expect_renders(out);

    testing::internal::CaptureStdout();
    ASSERT_EQ(open_ps("|exit 3"), 0);
    testing::internal::GetCapturedStdout();
    const std::vector<GPoint> pts = many_points();
    gpolyline(static_cast<int>(pts.size()), pts.data());
    EXPECT_NE(stderr_of([] { EXPECT_EQ(gclose_ws(1), -1); }).find("gps_close_file: spooling command failed\n"),
              std::string::npos);

    // Output goes only into directories that exist; none is made.
    const std::string err = stderr_of([&] { EXPECT_EQ(open_ps(path("no/such/x.ps")), -1); });
    EXPECT_NE(err.find("gopen_ws: unable to open postscript file " + path("no/such/x.ps") + ": No such file or directory\n"),
              std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path("no")));
    EXPECT_EQ(gchk_graphics(), 0);
    stderr_of([&] {
        EXPECT_EQ(gpolyline(2, pts.data()), -1);
        EXPECT_EQ(open_ps("+"), -1);
        EXPECT_EQ(open_ps("|"), -1);
    });
    EXPECT_EQ(gps_close_file(), -1);
    EXPECT_EQ(gps_printf("ignored\n"), 0);
}

TEST_F(GksPsTest, WidthsOfPatternColours) {
    ASSERT_EQ(open_ps(path("w.ps")), 0);
    gps_set_width(505, 2);  // four times as wide
    gps_set_width(505, 2);  // unchanged: nothing written
    gps_set_width(501, 2);  // twice as wide
    gps_set_width(3, 1.5F);
    gps_set_base_width(2);
    gps_set_width(508, 3);
    gset_line_print_bold(2);
    gps_set_width(1, 3);
    gclose_ws(1);
    const std::string ps = slurp(path("w.ps"));
    EXPECT_NE(ps.find("clip\n8 dot lw\n4 dot lw\n1.5 dot lw\n24 dot lw\n12.0 dot lw\n"), std::string::npos) << ps;
}

TEST_F(GksPsTest, GrayAndColourModes) {
    ASSERT_EQ(open_ps(path("g.ps")), 0);
    gset_colr_rep(1, 7, 0.2F, 0.4F, 0.9F);
    gset_line_colr_ind(7);
    gset_fill_colr_ind(7);
    const GPoint tri[3] = {{0.1F, 0.1F}, {0.5F, 0.1F}, {0.3F, 0.5F}};
    gpolyline(3, tri);
    gfill_area(3, tri);
    gps_set_color(506);
    gps_set_color(503);
    gps_set_color(503);
    gps_set_fill_color(-1);
    EXPECT_FLOAT_EQ(gps_get_gray(7), (0.9F * 0.2F + 0.4F + 0.8F * 0.9F) / 2.7F);
    gclose_ws(1);
    std::string ps = slurp(path("g.ps"));
    EXPECT_EQ(ps.find("setrgbcolor"), std::string::npos);
    EXPECT_NE(ps.find("cp\n0.481 setgray\nfill\n.7 setgray\n1 setgray\n%%End"), std::string::npos) << ps;
    expect_renders(path("g.ps"));

    gks_reset_all_for_tests();
    ASSERT_EQ(open_ps(path("c.ps") + ",color"), 0);
    EXPECT_EQ(gps_get_colorPS(), 1);
    EXPECT_EQ(gget_inverse(), 1);
    gset_colr_rep(1, 7, 0.2F, 0.4F, 0.9F);
    gset_line_colr_ind(7);
    gpolyline(3, tri);
    gpolyline(3, tri);
    gclose_ws(1);
    ps = slurp(path("c.ps"));
    EXPECT_EQ(count_of(ps, "0.20 0.40 0.90 setrgbcolor\n"), 1);
    expect_renders(path("c.ps"));
}

TEST_F(GksPsTest, DashPatterns) {
    ASSERT_EQ(open_ps(path("d.ps")), 0);
    for (int t : {2, 3, 4, 5, 9, 1, 1}) gps_set_type(t);
    gclose_ws(1);
    EXPECT_NE(slurp(path("d.ps")).find("clip\n[6] 0 setdash\n[3 6] 0 setdash\n[6 6 3 6] 0 setdash\n[2] 0 setdash\n"
                                       "[] 0 setdash\n%%End"), std::string::npos);
}

TEST_F(GksPsTest, PageGridPutsThePlotInOneCell) {
    // geometry: window size and the picture's lower left corner
    const std::pair<const char*, std::vector<float>> cases[] = {{"P2x2+1+0", {378, 288, 378, 288}},
                                                                {"1000x500+100+200", {720, 360, 72, 144}}};
    for (const auto& [geometry, want] : cases) {
        RES_put("geometry", geometry);
        ASSERT_EQ(open_ps(path("grid.ps")), 0);
        int w = 0, h = 0;
        gget_window_size(&w, &h);
        EXPECT_EQ((std::vector<float>{static_cast<float>(w), static_cast<float>(h), xNDC_ps(0), yNDC_ps(0)}), want) << geometry;
        gclose_ws(1);
        expect_renders(path("grid.ps"));
    }
}

TEST_F(GksPsTest, CommentsStayComments) {
    ASSERT_EQ(open_ps(path("m.ps")), 0);
    gmessage(15, "two\nlines) showpage (");
    gtext(0.5F, 0.5F, "a\nquit");
    gclose_ws(1);
    const std::string ps = slurp(path("m.ps"));
    EXPECT_NE(ps.find("%%Message: two lines) showpage (\n"), std::string::npos);
    EXPECT_NE(ps.find("%%TE:0.500000 0.500000 a quit\n"), std::string::npos);
    expect_renders(path("m.ps"));
}

// A renderer drawing one glyph: a long zigzag, then a second stroke.
int zigzag(const char* string, float x, float y) {
    for (int pass = 0; pass <= gget_font_drop(); ++pass) {
        const int shadow = pass < gget_font_drop() ? pass : -1;
        gtext_begin(x, y, string, shadow);
        gtext_glyph_begin();
        gtext_move(x, y);
        for (int i = 1; i <= 35; ++i) gtext_draw(x + 0.001F * static_cast<float>(i), y + 0.001F * static_cast<float>(i % 2));
        gtext_move(x, y + 0.01F);
        gtext_draw(x + 0.01F, y + 0.01F);
        gtext_glyph_end();
        gtext_end();
    }
    return 0;
}

TEST_F(GksPsTest, TextStrokes) {
    const GTextHooks hooks{zigzag, nullptr, nullptr, nullptr};
    gset_text_hooks(&hooks);
    ASSERT_EQ(open_ps(path("t.ps")), 0);
    gset_text_colr_ind(2);
    gset_text_width(2);
    gset_font_drop(2);  // shadows at offsets 0 and 1
    EXPECT_EQ(gtext(0.2F, 0.2F, "Z"), 0);
    EXPECT_EQ(gtext(0.2F, 0.2F, ""), 0);
    gclose_ws(1);
    const std::string ps = slurp(path("t.ps"));
    EXPECT_EQ(count_of(ps, "%%TE:0.200000 0.200000 Z\n"), 3);
    EXPECT_NE(ps.find("Z\n2.0 dot lw\n0 setgray\nnp\n115.00 115.00 mv\n"), std::string::npos) << ps;
    // The second shadow is one unit right and down.
    EXPECT_NE(ps.find("Z\n0 setgray\nnp\n116.00 114.00 mv\n"), std::string::npos);
    // 36 points: stroked after 30 and restarted from the last point.
    const std::size_t glyph = ps.find("115.00 115.00 mv");
    const std::size_t restart = ps.find("stroke\nnp\n", glyph);
    ASSERT_NE(restart, std::string::npos);
    EXPECT_EQ(count_of(ps.substr(glyph, restart - glyph), " ln\n"), 29);
    const std::size_t next_pass = ps.find("%%TE", glyph);
    EXPECT_EQ(count_of(ps.substr(glyph, next_pass - glyph), "stroke\n"), 3);
    expect_renders(path("t.ps"));
    gset_text_hooks(nullptr);
}

TEST_F(GksPsTest, ImagesFillTheViewport) {
    ASSERT_EQ(open_ps(path("i.ps") + ",color"), 0);
    const float vp[4] = {0.1F, 0.2F, 0.1F, 0.15F};
    gset_vp(0, vp);
    gset_colr_rep(1, 1, 1, 0, 0);
    const unsigned char pixels[6] = {1, 1, 1, 0, 0, 0};
    EXPECT_EQ(gps_image(pixels, 3, 2, -1, 0), 0);
    gclose_ws(1);
    const std::string ps = slurp(path("i.ps"));
    EXPECT_NE(ps.find("gsave\n57 57 translate\n57 28 scale\n/picstr 57 string def\n57 28 8 [ 57 0 0 -28 0 28 ]\n"
                      "{ currentfile picstr readhexstring pop }\nfalse 3 colorimage\nFFFFFFFF0000FF0000FF0000FFFFFF"),
              std::string::npos) << ps.substr(0, 2000);
    expect_renders(path("i.ps"));
}

}  // namespace
}  // namespace orv::test
