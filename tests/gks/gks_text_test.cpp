#include "gks/gks_text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/ps_render.hpp"

namespace orv {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

struct Point {
    bool move;
    float x;
    float y;
};

// Collects the strokes of a layout, glyph by glyph.
class Recorder : public GStrokeSink {
public:
    void glyph_begin() override { glyphs.emplace_back(); }
    void move(float x, float y) override { glyphs.back().push_back({true, x, y}); }
    void draw(float x, float y) override { glyphs.back().push_back({false, x, y}); }
    std::vector<std::vector<Point>> glyphs;
};

// A stroke font in the unnamed form: glyphs as lists of (x, y, move) and
// the characters they belong to.
struct TestGlyph {
    unsigned char code;
    std::vector<std::array<int, 3>> points;  // x, y, move
};

std::string unnamed_font(const std::vector<TestGlyph>& glyphs) {
    std::ostringstream out;
    std::vector<int> index(256, -1);
    int position = 1;
    out << "255\n";
    for (const TestGlyph& glyph : glyphs) {
        index[glyph.code] = position;
        for (const auto& [x, y, move] : glyph.points) out << (move != 0 ? x + 128 : x) << ' ' << y << ' ';
        out << "255\n";
        position += static_cast<int>(glyph.points.size()) * 2 + 1;
    }
    out << "254\n";
    for (int i : index) out << i << ' ';
    out << '\n';
    return out.str();
}

// 'A': a box 41 units wide from the base line to the cap height; 'B' a
// vertical bar at x 10; '!' a single draw point without a move before it.
const std::vector<TestGlyph> kGlyphs = {
    {'A', {{0, 35, 1}, {41, 35, 0}, {41, 140, 0}, {0, 140, 0}, {0, 35, 0}}},
    {'B', {{10, 0, 1}, {10, 160, 0}}},
    {'!', {{5, 50, 0}, {5, 60, 0}}},
};

class GksText : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = test::make_temp_dir();
        ASSERT_FALSE(dir_.empty());
        RES_reset_for_tests();
        MESS_reset_for_tests();
        gks_reset_all_for_tests();
        gks_text_reset_for_tests();
        MESS_set(-1, static_cast<int>(kMessPrint | kMessMess));  // no "Creating: ..." lines
        RES_put("file_path", (dir_ + "/").c_str());
        write("test.fnt", unnamed_font(kGlyphs));
    }
    void TearDown() override {
        close_graphics();
        gks_reset_all_for_tests();
        gks_text_reset_for_tests();
        RES_reset_for_tests();
        test::remove_dir(dir_);
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir_ + "/" + name) << text; }
    void open_graphics(const std::string& device_text = "out.ps") {
        gtext_register_hooks();
        ASSERT_EQ(gopen_gks(nullptr), 0);
        ASSERT_EQ(gopen_ws(1, (dir_ + "/" + device_text).c_str(), kWsPostScript), 0);
        open_ = true;
    }
    void close_graphics() {
        if (!open_) return;
        gclose_ws(1);
        gclose_gks();
        open_ = false;
    }
    // Loads the test font with a one-entry list so that gsetup_fonts works.
    void load_test_font() {
        gset_font_list("test.fnt");
        open_graphics();
        ASSERT_EQ(read_font("test.fnt"), 0);
    }
    static GTextAttr unit_attr() {
        GTextAttr a;
        a.height = 105.0F;  // one world unit per font unit
        return a;
    }
    static Recorder lay_out(const char* text, const GTextAttr& attr, float x = 0, float y = 0) {
        Recorder r;
        gtext_layout(text, x, y, attr, r);
        return r;
    }
    std::string dir_;
    bool open_ = false;
};

TEST_F(GksText, LayoutAlignsScalesTurnsAndSpaces) {
    load_test_font();
    GTextAttr a = unit_attr();
    // One character: its own width alone (41, odd) decides; two: advance 41 + 25, then the last width.
    EXPECT_EQ(gtext_font_width("A", a.spacing, a.char_spacing), 41);
    EXPECT_EQ(gtext_font_width("AA", a.spacing, a.char_spacing), 107);
    EXPECT_EQ(gtext_font_width("AqA", a.spacing, a.char_spacing), 107);  // no glyph: no width
    const int expected_left[] = {0, 0, -20, -41};
    for (int h = 0; h <= 3; ++h) {
        a.align_h = h;
        EXPECT_FLOAT_EQ(lay_out("A", a).glyphs.at(0)[0].x, static_cast<float>(expected_left[h])) << "alignment " << h;
    }
    const Recorder r = lay_out("AA", a);
    ASSERT_EQ(r.glyphs.size(), 2U);
    EXPECT_FLOAT_EQ(r.glyphs[0][0].x, -107.0F);
    EXPECT_FLOAT_EQ(r.glyphs[1][1].x, 0.0F);  // the right edge ends at the anchor
    a.align_h = 2;
    a.expansion = 1.5F;  // widens the glyphs and the width: floor(1.5 * 41) = 61
    EXPECT_FLOAT_EQ(lay_out("A", a).glyphs[0][0].x, -30.0F);
    // The base line of 'A' is at font y 35; bottom alignment puts the descender line (y 0) of 'B' on the anchor.
    a = unit_attr();
    const float base_y[] = {0, -125, -105, -50, 0, 35};
    for (int v = 0; v <= 5; ++v) {
        a.align_v = v;
        EXPECT_FLOAT_EQ(lay_out("A", a).glyphs[0][0].y, base_y[v]) << "alignment " << v;
    }
    EXPECT_FLOAT_EQ(lay_out("B", a).glyphs[0][0].y, 0.0F);
    // A character without a glyph keeps the pen; a blank without one advances by 40 plus the spacing.
    a = unit_attr();
    const Recorder skip = lay_out("AqA", a);
    ASSERT_EQ(skip.glyphs.size(), 2U);
    EXPECT_FLOAT_EQ(skip.glyphs[1][0].x, 66.0F);
    EXPECT_FLOAT_EQ(lay_out("A A", a).glyphs[1][0].x, 66.0F + 65.0F);
    EXPECT_EQ(gget_char_width(' '), 40);
    // Fixed character spacing: every cell is (100 + 100 spacing) * charspace, truncated.
    a.char_spacing = 0.5F;
    EXPECT_FLOAT_EQ(lay_out("A A", a).glyphs[1][0].x, 124.0F);
    EXPECT_EQ(gtext_font_width("AA", a.spacing, a.char_spacing), 62 + 50);
    // A glyph beginning with a draw point begins with a move all the same.
    const Recorder bang = lay_out("!", unit_attr());
    ASSERT_EQ(bang.glyphs.size(), 1U);
    EXPECT_TRUE(bang.glyphs[0][0].move);
    EXPECT_FALSE(bang.glyphs[0][1].move);
    a = unit_attr();
    a.height = 0.21F;  // 0.002 world units per font unit
    const Recorder small = lay_out("A", a, 1.0F, 2.0F);
    EXPECT_NEAR(small.glyphs[0][2].x, 1.0F + 41 * 0.002F, 1e-6);
    EXPECT_NEAR(small.glyphs[0][2].y, 2.0F + 105 * 0.002F, 1e-6);
    // Up vector (1, 0): the text runs down the page, glyph tops to the right.
    a = unit_attr();
    a.up_x = 1.0F;
    a.up_y = 0.0F;
    const Recorder down = lay_out("AA", a, 10.0F, 10.0F);
    ASSERT_EQ(down.glyphs.size(), 2U);
    EXPECT_FLOAT_EQ(down.glyphs[0][0].x, 10.0F);
    EXPECT_FLOAT_EQ(down.glyphs[0][1].y, 10.0F - 41.0F);   // along the base line: down
    EXPECT_FLOAT_EQ(down.glyphs[0][2].x, 10.0F + 105.0F);  // towards the top: right
    EXPECT_FLOAT_EQ(down.glyphs[1][0].y, 10.0F - 66.0F);
}

TEST_F(GksText, ExtentHoldsTheStrokesAtEveryAlignmentAndTurn) {
    load_test_font();
    struct Case {
        int horizontal, vertical;
        float up_x, up_y;
    };
    for (const Case& c : {Case{1, 0, 0, 1}, Case{2, 3, 0, 1}, Case{3, 5, 0, 1}, Case{2, 3, 1, 0}, Case{3, 1, -1, 0}}) {
        GTextAttr a = unit_attr();
        a.align_h = c.horizontal;
        a.align_v = c.vertical;
        a.up_x = c.up_x;
        a.up_y = c.up_y;
        float box[4];
        gtext_extent("AA", 10, 20, a, box);
        float strokes[4] = {1e9F, -1e9F, 1e9F, -1e9F};
        for (const auto& glyph : lay_out("AA", a, 10, 20).glyphs)
            for (const Point& p : glyph)
                for (int k = 0; k < 4; k += 2) {
                    const float v = k == 0 ? p.x : p.y;
                    strokes[k] = std::min(strokes[k], v);
                    strokes[k + 1] = std::max(strokes[k + 1], v);
                }
        for (int k = 0; k < 4; k += 2) {
            SCOPED_TRACE(testing::Message() << c.horizontal << "," << c.vertical << " up " << c.up_x << " " << k);
            EXPECT_LE(box[k], strokes[k] + 1e-3F);
            EXPECT_GE(box[k + 1], strokes[k + 1] - 1e-3F);
            EXPECT_LE((box[k + 1] - box[k]) - (strokes[k + 1] - strokes[k]), 60.0F);  // the cell, no more
        }
    }
}

TEST_F(GksText, BadFontFilesAreRefusedAndTheLoadedFontStays) {
    const std::string good = unnamed_font(kGlyphs);
    const std::string data = good.substr(0, good.find("254"));
    std::string past_end = good;
    past_end.replace(past_end.rfind("-1"), 2, "9999");
    std::string below = good;
    below.replace(below.rfind("-1"), 2, "-7");
    std::string no_glyphs;
    for (int i = 0; i < 256; ++i) no_glyphs += "-1 ";
    const std::string big_code = "255 300 35 255 254\n" + no_glyphs;
    const std::string negative_code = "255 -3 35 255 254\n" + no_glyphs;
    const std::pair<const char*, std::string> files[] = {
        {"empty.fnt", ""},          {"nodata.fnt", "255 128 35"}, {"noindex.fnt", data + "254\n"},
        {"few.fnt", data + "254\n-1 -1 -1\n"},   {"past.fnt", past_end},       {"below.fnt", below},
        {"big.fnt", big_code},      {"neg.fnt", negative_code},   {"words.fnt", "hello there"},
        {"nameless.fnt", "7"},      {"huge.fnt", "255 99999999999999999999 35 255 254\n" + no_glyphs},
    };
    load_test_font();
    for (const auto& [name, text] : files) write(name, text);
    std::vector<std::pair<std::string, std::string>> names = {{"", " file: \n"},  // never standard input
                                                              {"absent.fnt", " file: absent.fnt"},
                                                              {"#-misc-fixed-*", ": -misc-fixed-*"}};
    for (const auto& f : files) names.emplace_back(f.first, std::string(" file: ") + f.first);
    for (const auto& [name, said] : names) {
        CaptureStderr();
        EXPECT_EQ(read_font(name.c_str()), -1) << name;
        const std::string err = GetCapturedStderr();
        EXPECT_NE(err.find("read_font: unable to load font" + said), std::string::npos) << name << ": " << err;
        EXPECT_EQ(gget_font_type(), 1);
        EXPECT_EQ(gget_char_width('A'), 41) << name;
    }
}

TEST_F(GksText, GlyphsEndAtTheEndOfTheData) {
    // 'A' starts on the last value before the end, 'B' on the end itself,
    // 'C' in the middle of a pair: every walk stops within the data.
    std::string text = "255 128 35 20 35 254\n";
    for (int i = 0; i < 256; ++i) text += (i == 'A' ? "4 " : i == 'B' ? "5 " : i == 'C' ? "2 " : "-1 ");
    write("edge.fnt", text);
    load_test_font();
    ASSERT_EQ(read_font("edge.fnt"), 0);
    const Recorder r = lay_out("ABC", unit_attr());
    ASSERT_EQ(r.glyphs.size(), 2U);
    EXPECT_EQ(r.glyphs[0].size(), 1U);
    EXPECT_EQ(gget_char_width('B'), 0);
}

TEST_F(GksText, ReadFontNeedsOpenGraphicsAndNoFontDrawsNothing) {
    CaptureStderr();
    EXPECT_EQ(read_font("test.fnt"), -1);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(gget_font_type(), 0);
    EXPECT_TRUE(lay_out("AB", unit_attr()).glyphs.empty());
}

TEST_F(GksText, SelectingFontsOfTheList) {
    write("other.fnt", unnamed_font({{'A', {{0, 35, 1}, {90, 35, 0}}}}));
    write("fonts.lst", "one test.fnt\ntwo other.fnt\n");
    gset_font_list("fi:fonts.lst");
    open_graphics();
    ASSERT_EQ(gsetup_fonts(), 2);
    EXPECT_EQ(gget_font_index("TWO"), 2);
    EXPECT_EQ(gget_font_index("4"), 4);
    EXPECT_EQ(gget_font_index("three"), 1);
    EXPECT_EQ(gget_font_index(""), 1);
    EXPECT_EQ(gget_char_width('A'), 41);
    EXPECT_EQ(gselect_font(2), 0);
    EXPECT_EQ(gget_char_width('A'), 90);
    CaptureStderr();
    EXPECT_EQ(gselect_font(3), -1);
    EXPECT_EQ(gselect_font(0), -1);
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find("gset_fontprec: invalid font id: 3"), std::string::npos) << err;
    EXPECT_NE(err.find("gset_fontprec: invalid font id: 0"), std::string::npos) << err;
    EXPECT_EQ(gget_char_width('A'), 90);
    EXPECT_EQ(gselect_font(1), 0);
    EXPECT_EQ(gget_char_width('A'), 41);
}

// Every shipped font: capitals from the base line (35) to 105 above it, no
// side bearing, a blank 40 wide, and a degree sign.
TEST_F(GksText, ShippedFontsFollowTheCellGeometry) {
    RES_put("file_path", ORV_DATA_DIR);
    open_graphics();
    const int fonts = gsetup_fonts();
    ASSERT_GE(fonts, 5);
    EXPECT_STREQ(gget_font_file(1), "modern.fnt");
    for (int f = 1; f <= fonts; ++f) {
        ASSERT_EQ(read_font(gget_font_file(f)), 0) << gget_font_file(f);
        float left = 1e9F, low = 1e9F, high = -1e9F;  // of "O", and of "H"
        const Recorder o = lay_out("O", unit_attr()), h = lay_out("H", unit_attr());
        for (const Point& p : o.glyphs.at(0)) left = std::min(left, p.x);
        for (const Point& p : h.glyphs.at(0)) {
            low = std::min(low, p.y);
            high = std::max(high, p.y);
        }
        EXPECT_EQ((std::vector<float>{left, low, high}), (std::vector<float>{0, 0, 105})) << gget_font_name(f);
        EXPECT_EQ(gget_char_width(' '), 40);
        EXPECT_FALSE(lay_out("\xb0", unit_attr()).glyphs.empty()) << "degree sign in " << gget_font_name(f);
    }
}

// The bands of inked rows between blank ones of the page Ghostscript renders: the lines of text.
int ink_bands(const std::string& ps, const std::string& dir) {
    const test::Page page = test::render_page(ps, dir);
    int bands = 0;
    bool above = false;
    for (int row = 0; row < page.height; ++row) {
        bool inked = false;
        for (int col = 0; col < page.width && !inked; ++col) {
            const unsigned char* p = &page.rgb[(static_cast<std::size_t>(row) * page.width + col) * 3];
            inked = p[0] + p[1] + p[2] < 3 * 128;
        }
        bands += inked && !above ? 1 : 0;
        above = inked;
    }
    return bands;
}

TEST_F(GksText, EveryShippedFontRendersThroughTheKernel) {
    if (!test::have_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    RES_put("file_path", ORV_DATA_DIR);
    open_graphics("fonts.ps,port");
    const int fonts = gget_num_fonts();
    ASSERT_GE(fonts, 5);
    gset_char_ht(0.4F / static_cast<float>(fonts));
    for (int f = 1; f <= fonts; ++f) {
        ASSERT_EQ(gset_fontprec(f, 2), 0);
        const float y = 1.0F - static_cast<float>(f) / static_cast<float>(fonts + 1);
        EXPECT_EQ(gtext(0.05F, y, "Temp 25\xb0 gjpqy"), 0);
    }
    close_graphics();
    EXPECT_EQ(ink_bands(dir_ + "/fonts.ps", dir_), fonts);  // one line of text in each font
}

}  // namespace
}  // namespace orv
