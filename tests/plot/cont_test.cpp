#include "plot/cont.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"
#include "gks/ps_render.hpp"
#include "geo/region.hpp"
#include "grid/grd_tool.hpp"
#include "plot/colors.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

// A device that records what reaches it.
struct Drawn {
    int polylines = 0;
    int fills = 0;
    std::vector<int> fill_colors;
    std::vector<std::string> texts;
    std::vector<GPoint> text_at;
    // Each text's colour and the bounds of its strokes (x0, x1, y0, y1), and
    // every fill's outline, in drawing order: fill_count_at[k] fills came
    // before text k.
    std::vector<int> text_colors;
    std::vector<std::array<float, 4>> text_bounds;
    std::vector<std::vector<GPoint>> fill_outlines;
    std::vector<std::size_t> fill_count_at;
};
Drawn* g_drawn = nullptr;

int rec_open(int, const char*) { return 0; }
int rec_close(int) { return 0; }
int rec_polyline(int, const GPoint*) {
    ++g_drawn->polylines;
    return 0;
}
int rec_fill(int n, const GPoint* p) {
    ++g_drawn->fills;
    g_drawn->fill_colors.push_back(ginq_fill_attr().color);
    g_drawn->fill_outlines.emplace_back(p, p + n);
    return 0;
}
bool g_shadow = false;
void rec_text_begin(float x, float y, const char* s, int shadow) {
    g_shadow = shadow >= 0;
    if (g_shadow) return;
    g_drawn->texts.emplace_back(s);
    g_drawn->text_at.push_back({x, y});
    g_drawn->text_colors.push_back(ginq_text_attr().color);
    g_drawn->text_bounds.push_back({1e9F, -1e9F, 1e9F, -1e9F});
    g_drawn->fill_count_at.push_back(g_drawn->fill_outlines.size());
}
void rec_text_point(float x, float y) {
    if (g_shadow) return;
    auto& b = g_drawn->text_bounds.back();
    b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y), std::max(b[3], y)};
}

GDevice recorder() {
    GDevice d{};
    d.kind = kWsMeta;
    d.open = rec_open;
    d.close = rec_close;
    d.polyline = rec_polyline;
    d.fill_area = rec_fill;
    d.text_begin = rec_text_begin;
    d.text_move = rec_text_point;
    d.text_draw = rec_text_point;
    return d;
}
const GDevice kRecorder = recorder();

class ContTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        char tmpl[] = "/tmp/cont_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        RES_put("file_path", (dir_ + "/").c_str());
        g_drawn = &drawn_;
    }
    void TearDown() override {
        if (open_) gclose_ws(1);
        reset();
        g_drawn = nullptr;
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    static void reset() {
        gks_reset_all_for_tests();
        GPH_reset_for_tests();
        CLR_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
        CONT_reset_for_tests();
        MAP_reset_for_tests();
        VAR_reset_for_tests();
        PLT_labl_reset_for_tests();
        PLT_reset_for_tests();
        MAP_draw_reset_for_tests();
    }
    // Opens the recording workstation with a window over the grid.
    void open_recorder(int nx, int ny) {
        gregister_device(&kRecorder);
        ASSERT_EQ(gopen_gks(nullptr), 0);
        ASSERT_EQ(gopen_ws(1, "", kWsMeta), 0);
        open_ = true;
        const float win[4] = {0.0F, static_cast<float>(nx - 1), 0.0F, static_cast<float>(ny - 1)};
        const float vp[4] = {0.1F, 0.9F, 0.1F, 0.9F};
        gset_win(2, win);
        gset_vp(2, vp);
        gsel_norm_tran(2);
        gset_text_hooks(nullptr);  // texts reach the device whole
        ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    }
    // Texts are laid out by the stroke font, so their strokes reach the device.
    void use_stroke_font() {
        RES_put("file_path", ORV_DATA_DIR);
        gtext_register_hooks();
        ASSERT_GT(gsetup_fonts(), 0);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ + "/" + name) << text;
    }
    std::string dir_;
    Drawn drawn_;
    bool open_ = false;
};

template <typename F>
std::vector<float> make_grid(int nx, int ny, F f) {
    std::vector<float> z(static_cast<size_t>(nx * ny));
    for (int row = 0; row < ny; ++row) {
        for (int i = 0; i < nx; ++i) z[row * nx + i] = f(i, ny - 1 - row);
    }
    return z;
}

const ContGrid* const kNoGrid = nullptr;

ContGrid grid_of(const std::vector<float>& z, int nx, int ny) {
    ContGrid g;
    g.nx = nx;
    g.ny = ny;
    g.values = z.data();
    return g;
}

TEST_F(ContTest, IntervalChoice) {
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(13, 170.0F, 0.0F), 20.0F);  // 14 colours: d = 13.08
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(13, 1.3F, 0.0F), 0.1F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(13, 5.0F, 5.0F), 1.0F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(0, 2.5F, 0.0F), 3.0F);      // n = 0 counts as 1
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(1, 4500.0F, 0.0F), 5000.0F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(1, 0.00034F, 0.0F), 0.0004F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(1, 0.00005F, 0.0F), 0.00005F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(1, 9e6F, 0.0F), 9e6F);
    EXPECT_FLOAT_EQ(CONT_calc_intrvl(1, std::nanf(""), 0.0F), 1.0F);
}

TEST_F(ContTest, LevelExtentFromTheGridWithAndWithoutBase) {
    const auto z = make_grid(4, 3, [](int i, int j) { return static_cast<float>(3 * i + j) + 0.5F; });  // 0.5..11.5
    const ContGrid grid = grid_of(z, 4, 3);
    CONT_set_intrvl(5.0F);
    ASSERT_EQ(CONT_set_cont_ext(&grid), 0);
    EXPECT_EQ(CONT_get_num_cont(), 3);  // 0, 5, 10 .. 15
    ContLevels l = CONT_get_levels();
    EXPECT_FLOAT_EQ(l.lowest, 0.0F);
    EXPECT_EQ(l.first_color, 0);
    // With a base the band colours stay put when the range changes.
    CONT_reset_for_tests();
    CONT_set_fill_attribs(nullptr);
    AttribRecord colors[6];
    for (int k = 0; k < 5; ++k) {
        ATTRIB_init(&colors[k]);
        colors[k].color = 10 + k;
    }
    colors[5].color = -2;
    CONT_set_fill_attribs(colors);
    CONT_set_intrvl(5.0F);
    CONT_set_base(2.0F);
    CONT_set_range(30.0F, 12.5F);
    ASSERT_EQ(CONT_set_cont_ext(kNoGrid), 0);
    AttribRecord a;
    CONT_get_fill_attrib(&a, 13.0F);
    const int color_high = a.color;
    CONT_set_range(14.0F, 1.0F);
    CONT_set_cont_ext(kNoGrid);
    CONT_get_fill_attrib(&a, 13.0F);
    EXPECT_EQ(a.color, color_high);
    EXPECT_EQ(a.color, 10 + 2);  // (13 - 2) / 5 = band 2
}

TEST_F(ContTest, LevelExtentFailsWithoutARange) {
    EXPECT_EQ(CONT_set_cont_ext(kNoGrid), -1);
    std::vector<float> z(9, -9999.0F);
    const ContGrid missing = grid_of(z, 3, 3);
    EXPECT_EQ(CONT_set_cont_ext(&missing), -1);
    z.assign(9, std::nanf(""));
    const ContGrid nans = grid_of(z, 3, 3);
    EXPECT_EQ(CONT_set_cont_ext(&nans), -1);
}

TEST_F(ContTest, ConstantGridGetsOneBand) {
    const std::vector<float> z(12, 4.0F);
    const ContGrid grid = grid_of(z, 4, 3);
    ASSERT_EQ(CONT_set_cont_ext(&grid), 0);
    EXPECT_EQ(CONT_get_intrvl(), 1.0F);
    EXPECT_EQ(CONT_get_num_cont(), 1);
}

TEST_F(ContTest, FillListWithValuesGivesLevelsAndLabels) {
    ASSERT_EQ(CONT_set_fill_colors("0:2, 10:3, 20:4", 1), 3);
    float levels[256];
    ASSERT_EQ(CONT_get_values(levels), 3);
    EXPECT_FLOAT_EQ(levels[1], 10.0F);
    EXPECT_STREQ(CONT_get_level_label(0), "0");
    EXPECT_STREQ(CONT_get_level_label(2), "20");
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 10.0F);
    AttribRecord a;
    CONT_get_fill_attrib(&a, 15.0F);
    EXPECT_EQ(a.color, 3);
    CONT_get_fill_attrib(&a, -1.0F);
    EXPECT_EQ(a.color, -1);
    CONT_get_fill_attrib(&a, 99.0F);
    EXPECT_EQ(a.color, 4);
    // A second list is refused until the flag is reset.
    EXPECT_EQ(CONT_set_fill_colors("5:2", 1), -1);
    CONT_reset_fill_set();
    EXPECT_EQ(CONT_set_fill_colors("5:2:la=five,6:3", 1), 2);
    EXPECT_STREQ(CONT_get_level_label(0), "five");
    EXPECT_EQ(CONT_set_values(levels, 3), -1);
}

TEST_F(ContTest, FillListInterpolatesMissingLevels) {
    ASSERT_EQ(CONT_set_fill_colors("0:2,3,20:4", 1), 3);
    float levels[256];
    ASSERT_EQ(CONT_get_values(levels), 3);
    EXPECT_FLOAT_EQ(levels[1], 10.0F);
    CONT_reset_fill_set();
    ASSERT_EQ(CONT_set_fill_colors("0:2,3,4,30:5,6,7", 1), 6);
    ASSERT_EQ(CONT_get_values(levels), 6);
    EXPECT_FLOAT_EQ(levels[2], 20.0F);
    EXPECT_FLOAT_EQ(levels[5], 50.0F);  // trailing entries continue the last step
    CONT_reset_fill_set();
    ASSERT_EQ(CONT_set_fill_colors("2,3,10:4", 1), 3);  // no level on the first entry: colours only
    EXPECT_EQ(CONT_get_values(nullptr), 0);
}

TEST_F(ContTest, ColourRangesAndLongLists) {
    ASSERT_EQ(CONT_set_fill_colors("3-7", 1), 5);
    AttribRecord a;
    CONT_get_fill_attrib_ind(4, &a);
    EXPECT_EQ(a.color, 7);
    CONT_reset_fill_set();
    ASSERT_EQ(CONT_set_fill_colors("7-3,1", 1), 6);
    CONT_get_fill_attrib_ind(1, &a);
    EXPECT_EQ(a.color, 6);
    CONT_reset_fill_set();
    std::string list;
    for (int k = 0; k < 300; ++k) list += (k ? "," : "") + std::to_string(k) + ":" + std::to_string(k % 20);
    EXPECT_EQ(CONT_set_fill_colors(list.c_str(), 1), 256);
    EXPECT_EQ(CONT_get_values(nullptr), 256);
}

TEST_F(ContTest, LevelFiles) {
    write("temp.lev", "# temperature bands\n@ignored\n  -10:2:la=cold  \n\n0:3\n10:4\n");
    ASSERT_EQ(CONT_set_fill_colors("temp.lev", 1), 3);
    float levels[256];
    ASSERT_EQ(CONT_get_values(levels), 3);
    EXPECT_FLOAT_EQ(levels[0], -10.0F);
    EXPECT_STREQ(CONT_get_level_label(0), "cold");
    CONT_reset_fill_set();
    ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CONT_set_fill_colors("nosuch.lev", 1), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "CONT_set_fill_colors: Unable to read contour level file: nosuch.lev\n");
    // the default colours instead
    EXPECT_EQ(CONT_get_values(nullptr), 0);
    AttribRecord first;
    CONT_get_fill_attrib_ind(0, &first);
    EXPECT_EQ(first.color, CLR_get_ind("Magenta"));
    EXPECT_GE(first.color, 0);
    EXPECT_EQ(CONT_set_fill_colors("2,3", 1), -1);  // still counts as decoded
}

TEST_F(ContTest, FillResourceOverridesTheArgumentUnlessDefault) {
    RES_put("color_fill", "5,6");
    EXPECT_EQ(CONT_set_fill_colors("2,3,4", 0), 2);
    CONT_reset_fill_set();
    RES_put("color_fill", "default");
    EXPECT_EQ(CONT_set_fill_colors("2,3,4", 0), 3);
    CONT_reset_fill_set();
    EXPECT_EQ(CONT_set_fill_colors(nullptr, 0), 15);  // the default list
}

TEST_F(ContTest, ExplicitLevelListsRepeatedAndDescending) {
    const float levels[] = {0.0F, 5.0F, 5.0F, 2.0F, 10.0F, -9999.0F, 50.0F};
    EXPECT_EQ(CONT_set_values(levels, 7), 5);  // stops at the unset value
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 5.0F);
    const auto z = make_grid(6, 6, [](int i, int j) { return static_cast<float>(i + j); });
    const ContGrid grid = grid_of(z, 6, 6);
    open_recorder(6, 6);
    CONT_set_type(15);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    EXPECT_GT(drawn_.fills, 0);
}

TEST_F(ContTest, FormatKeywords) {
    CONT_format_decode_type("lab=25");
    ContLevels l = CONT_get_levels();
    (void)l;
    CONT_set_format(14, "cf:in=5:cb=2:mn=1:mx=9:sk=2:3:%5.1f:nobar:rlab");
    EXPECT_EQ(CONT_get_type(), 12);
    EXPECT_EQ(CONT_format_decode_type("cf:in=5:cb=2:mn=1:mx=9:sk=2:3:%5.1f:nobar:rlab"), 15);
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 5.0F);
    EXPECT_FLOAT_EQ(CONT_get_base(), 2.0F);
    EXPECT_EQ(CONT_get_bar(), -2);
    EXPECT_EQ(CONT_format_decode_type("ln:value"), 17);  // a later keyword wins
    EXPECT_EQ(CONT_format_decode_type("LCF:junk:bar"), 16);
    EXPECT_EQ(CONT_get_bar(), 3);
    EXPECT_EQ(CONT_format_decode_type("cf:cof=0:2,10:3"), 15);
    EXPECT_EQ(CONT_get_values(nullptr), 2);
    FLAG_setplot(kPlotTextLR, 1);
    CONT_format_decode_type("nolr");
    EXPECT_EQ(FLAG_getplot(kPlotTextLR), 0U);
    AttribRecord a;
    ATTRIB_init(&a);
    EXPECT_EQ(CONT_format_decode_attrib("cf:co=3:wi=2.5:st=4", &a), 3);
    EXPECT_EQ(a.color, 3);
    EXPECT_FLOAT_EQ(a.width, 2.5F);
    EXPECT_EQ(a.style, 4);
}

TEST_F(ContTest, LabelKeywordSetsSkipAndRadius) {
    // "lab=25": skip 2, radius 5, seen through what the labels draw.
    const auto z = make_grid(11, 11, [](int i, int j) {
        return static_cast<float>(100.0 - (i - 5) * (i - 5) - (j - 5) * (j - 5));
    });
    const ContGrid grid = grid_of(z, 11, 11);
    open_recorder(11, 11);
    CONT_format_decode_type("ln:in=10:lab=0");
    CONT_set_cont_ext(&grid);
    CONT_draw_labels(&grid);
    CONT_draw_maxmin(&grid);
    EXPECT_TRUE(drawn_.texts.empty());
    CONT_format_decode_type("lab=25");
    CONT_draw_maxmin(&grid);
    // The maximum in the middle with its value; the four corners are lowest
    // within five points, but a mark there would be cut by the window's edge.
    ASSERT_EQ(drawn_.texts.size(), 2U);
    EXPECT_EQ(std::count(drawn_.texts.begin(), drawn_.texts.end(), "H"), 1);
    EXPECT_EQ(std::count(drawn_.texts.begin(), drawn_.texts.end(), "L"), 0);
    EXPECT_EQ(std::count(drawn_.texts.begin(), drawn_.texts.end(), "100"), 1);
    drawn_.texts.clear();
    CONT_set_label_type(2, 1);  // radius 1: the slope has no other extremes
    CONT_draw_maxmin(&grid);
    EXPECT_EQ(drawn_.texts.size(), 2U);
}

TEST_F(ContTest, ExtremaNeedStrictNeighboursAndFewMissing) {
    // A plateau of two equal maxima gets no mark; a minimum with two missing
    // neighbours gets none either.
    std::vector<float> z = make_grid(7, 7, [](int i, int j) { return static_cast<float>(i * 0 + j * 0 + 50); });
    z[3 * 7 + 2] = 60.0F;
    z[3 * 7 + 3] = 60.0F;
    z[5 * 7 + 5] = 10.0F;
    z[6 * 7 + 6] = -9999.0F;
    z[6 * 7 + 5] = -9999.0F;
    const ContGrid grid = grid_of(z, 7, 7);
    open_recorder(7, 7);
    CONT_set_type(12);
    CONT_set_label_type(2, 1);
    CONT_draw_maxmin(&grid);
    EXPECT_TRUE(drawn_.texts.empty());
    z[6 * 7 + 5] = 50.0F;  // one missing neighbour is allowed
    CONT_draw_maxmin(&grid);
    ASSERT_EQ(drawn_.texts.size(), 2U);
    EXPECT_EQ(drawn_.texts[0], "L");
}

TEST_F(ContTest, ParameterEntries) {
    EXPECT_EQ(CONT_param_decode("fill=3,lab=3:2:5:6,maxl=7,conmin=3,conmax=8,grid,mapcon,unknown"), 7);
    EXPECT_EQ(CONT_get_fill_pat(), 3);
    EXPECT_EQ(CONT_get_map_under(), 1);
    AttribRecord a;
    CONT_set_intrvl(1.0F);
    CONT_set_range(10.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_get_fill_attrib(&a, 2.0F), -1);  // below the cut-off
    EXPECT_EQ(CONT_get_fill_attrib(&a, 9.0F), -1);
    EXPECT_GE(CONT_get_fill_attrib(&a, 5.0F), 0);
}

TEST_F(ContTest, BaseResourceSetsCutoffsAndBase) {
    RES_put("con_base", ">5,<20");
    CONT_read_base();
    EXPECT_FLOAT_EQ(CONT_get_base(), 5.0F);
    AttribRecord a;
    CONT_set_intrvl(1.0F);
    CONT_set_range(30.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_get_fill_attrib(&a, 4.0F), -1);
    EXPECT_EQ(CONT_get_fill_attrib(&a, 21.0F), -1);
}

TEST_F(ContTest, ConstantGridDrawsNoLinesAndOneColourOfFill) {
    const std::vector<float> z(20, 3.0F);
    const ContGrid grid = grid_of(z, 5, 4);
    open_recorder(5, 4);
    CONT_set_type(12);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    EXPECT_EQ(drawn_.polylines, 0);
    CONT_reset_for_tests();
    CONT_set_type(15);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    EXPECT_EQ(drawn_.fills, 1);  // the twelve cells joined
    for (int c : drawn_.fill_colors) EXPECT_EQ(c, drawn_.fill_colors[0]);
}

double area_of(const std::vector<GPoint>& p) {
    double twice = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        const GPoint& a = p[k];
        const GPoint& b = p[(k + 1) % p.size()];
        twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return std::fabs(twice) / 2.0;
}

// The cells the analysis left without a value are filled in one light
// neutral colour that no band has, exactly over those cells.
TEST_F(ContTest, MissingCellsAreFilledInTheirOwnColour) {
    struct Case {
        const char* what;
        std::vector<int> missing;  // indices of missing values in a 6 x 5 grid
        double area;               // missing cells
        int outlines;              // one per run of missing cells along a row
    };
    const Case cases[] = {
        {"none", {}, 0.0, 0},
        {"one inner point", {2 * 6 + 2}, 4.0, 2},
        {"the top row", {0, 1, 2, 3, 4, 5}, 5.0, 1},
        {"a corner point", {29}, 1.0, 1},
    };
    for (const Case& c : cases) {
        auto z = make_grid(6, 5, [](int i, int j) { return static_cast<float>(i + 2 * j); });
        for (int k : c.missing) z[static_cast<std::size_t>(k)] = -9999.0F;
        const ContGrid grid = grid_of(z, 6, 5);
        reset();
        drawn_ = Drawn{};
        open_recorder(6, 5);
        CONT_set_type(15);
        CONT_set_intrvl(2.0F);
        ASSERT_EQ(CONT_draw_contour(&grid), 0) << c.what;
        const int gray = CLR_get_ind("LGray");
        ASSERT_GE(gray, 0);
        double area = 0.0;
        int outlines = 0;
        for (std::size_t k = 0; k < drawn_.fill_outlines.size(); ++k) {
            if (drawn_.fill_colors[k] != gray) continue;
            area += area_of(drawn_.fill_outlines[k]);
            ++outlines;
        }
        EXPECT_NEAR(area, c.area, 1e-4) << c.what;
        EXPECT_EQ(outlines, c.outlines) << c.what;
        float r = 0, g = 0, b = 0;
        CLR_get_rgb(gray, &r, &g, &b);
        for (int color : drawn_.fill_colors) {
            if (color == gray) continue;
            float r2 = 0, g2 = 0, b2 = 0;
            CLR_get_rgb(color, &r2, &g2, &b2);
            EXPECT_GT(std::fabs(r - r2) + std::fabs(g - g2) + std::fabs(b - b2), 0.15F) << c.what << " " << color;
        }
        gclose_ws(1);
        open_ = false;
    }
}

TEST_F(ContTest, PrintedValuesSkipMissingPoints) {
    std::vector<float> z = make_grid(3, 2, [](int i, int j) { return static_cast<float>(i + 10 * j); });
    z[0] = -9999.0F;
    const ContGrid grid = grid_of(z, 3, 2);
    open_recorder(3, 2);
    CONT_set_format(17, "value:%4.1f");
    CONT_format_decode_type("value:%4.1f");
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    ASSERT_EQ(drawn_.texts.size(), 5U);
    EXPECT_EQ(drawn_.texts[0], "11.0");
}

TEST_F(ContTest, ValueFormatsThatReadOtherArgumentsAreRefused) {
    const std::vector<float> z = {1.5F, 2.5F, 3.5F, 4.5F};
    const ContGrid grid = grid_of(z, 2, 2);
    open_recorder(2, 2);
    CONT_set_type(17);
    CONT_format_decode_type("value:%s%n");
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    CONT_format_decode_type("%6.2f mm");
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    ASSERT_EQ(drawn_.texts.size(), 8U);
    EXPECT_EQ(drawn_.texts[0].find('%'), std::string::npos);
    EXPECT_EQ(drawn_.texts[4], "  1.50 mm");
}

TEST_F(ContTest, GridLocationPrintsOneCell) {
    const std::vector<float> z = {3.0F, 4.0F, 1.0F, 2.0F};  // top row 3 4, bottom row 1 2
    const ContGrid grid = grid_of(z, 2, 2);
    open_recorder(2, 2);
    CONT_set_type(12);
    CONT_set_intrvl(1.0F);
    setenv("gridloc", "0,0", 1);
    testing::internal::CaptureStdout();
    CONT_draw_contour(&grid);
    const std::string out = testing::internal::GetCapturedStdout();
    unsetenv("gridloc");
    EXPECT_EQ(out.rfind("GRIDPOINT: 1.000000 2.000000 3.000000 4.000000\n", 0), 0U) << out;
}

TEST_F(ContTest, ContourLabelsOnACrossingField) {
    const auto z = make_grid(11, 11, [](int i, int) { return static_cast<float>(i) + 0.5F; });
    const ContGrid grid = grid_of(z, 11, 11);
    open_recorder(11, 11);
    CONT_set_type(12);
    CONT_set_intrvl(1.0F);
    CONT_set_label_space(5, 5);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    CONT_draw_labels(&grid);
    ASSERT_FALSE(drawn_.texts.empty());
    for (const std::string& t : drawn_.texts) {
        const int v = std::atoi(t.c_str());
        EXPECT_EQ(v % 2, 0) << t;  // every second level
    }
}

TEST_F(ContTest, TooTallLabelsAreLeftOut) {
    const auto z = make_grid(5, 5, [](int i, int) { return static_cast<float>(i) + 0.5F; });
    const ContGrid grid = grid_of(z, 5, 5);
    open_recorder(5, 5);
    CONT_set_type(12);
    CONT_set_intrvl(1.0F);
    CONT_set_label_space(1, 1);
    CONT_set_scale(100.0F);  // label height 0.015 x 4 x 100 = 6 cells
    CONT_draw_contour(&grid);
    CONT_draw_labels(&grid);
    EXPECT_TRUE(drawn_.texts.empty());
}

TEST_F(ContTest, ColourBarLabelsEveryNthBox) {
    open_recorder(2, 2);
    const float view[4] = {0.1F, 0.9F, 0.2F, 0.9F};
    GPH_view(2, view);
    CONT_set_type(15);
    CONT_set_intrvl(1.0F);
    CONT_set_range(29.5F, 0.0F);  // 30 levels
    ASSERT_EQ(CONT_set_cont_ext(kNoGrid), 0);
    ASSERT_EQ(CONT_get_num_cont(), 30);
    ASSERT_EQ(CONT_draw_bar(1, ""), 0);
    ASSERT_EQ(drawn_.texts.size(), 11U);  // boxes 0, 3, ..., 27 and the closing edge
    EXPECT_EQ(drawn_.texts.back(), "30");
    // The value under a point of the bar.
    const float x = 0.1F + 0.03F * 0.8F + (0.5F - 0.1F - 0.024F) / 30.0F * 4.5F;
    EXPECT_FLOAT_EQ(CONT_get_bar_value(x, 0.2F - 0.02F), 4.0F);  // under the view
    CONT_set_full_labels(1);
    ASSERT_EQ(CONT_draw_bar(1, ""), 0);
    EXPECT_FLOAT_EQ(CONT_get_bar_value(x, 0.2F + 0.02F), 4.0F);  // inside it
    EXPECT_EQ(CONT_get_bar_value(0.95F, 0.18F), -9999.0F);
    CONT_set_range(200.5F, 0.0F);  // 201 levels: no bar
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_draw_bar(1, ""), -1);
}

TEST_F(ContTest, ColourBarNeedsSpaceAndAnInterval) {
    open_recorder(2, 2);
    const float low[4] = {0.1F, 0.9F, 0.005F, 0.9F};
    GPH_view(2, low);
    CONT_set_intrvl(1.0F);
    CONT_set_range(5.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_draw_bar(1, ""), -1);
    EXPECT_EQ(CONT_get_bar_value(0.3F, 0.0F), -9999.0F);
}

bool inside(const std::vector<GPoint>& polygon, GPoint p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const GPoint& a = polygon[i];
        const GPoint& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

double luminance_of(int color) {
    float rgb[3];
    CLR_get_rgb(color, &rgb[0], &rgb[1], &rgb[2]);
    const auto linear = [](float v) { return v <= 0.04045F ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(rgb[0]) + 0.7152 * linear(rgb[1]) + 0.0722 * linear(rgb[2]);
}

std::size_t decimals_of(const std::string& number) {
    const std::size_t point = number.find('.');
    return point == std::string::npos ? 0 : number.size() - point - 1;
}

TEST_F(ContTest, LabelsAndMarksKeepApartAndReadOnTheirFill) {
    struct Case {
        const char* what;
        int type;
        float interval;
        float (*z)(int i, int j);
    };
    const Case cases[] = {
        {"crowded slope, fill", 15, 1.0F, [](int i, int j) { return 3.0F * i + std::sin(j / 2.0F); }},
        {"crowded slope, lines", 12, 1.0F, [](int i, int j) { return 3.0F * i + std::sin(j / 2.0F); }},
        {"highs and lows, fill with lines", 16, 4.0F,
         [](int i, int j) { return 30.0F * std::sin(i / 2.0F) * std::cos(j / 2.0F); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (open_) gclose_ws(1);
        reset();
        drawn_ = Drawn{};
        open_recorder(30, 20);
        use_stroke_font();
        const auto z = make_grid(30, 20, c.z);
        const ContGrid grid = grid_of(z, 30, 20);
        CONT_set_type(c.type);
        CONT_set_intrvl(c.interval);
        ASSERT_EQ(CONT_draw_contour(&grid), 0);
        CONT_draw_maxmin(&grid);
        CONT_draw_labels(&grid);
        const auto& texts = drawn_.texts;
        ASSERT_GT(texts.size(), 4U);
        std::size_t label_decimals = std::string::npos;
        for (std::size_t k = 0; k < texts.size(); ++k) {
            const auto& a = drawn_.text_bounds[k];
            for (std::size_t m = 0; m < k; ++m) {
                const auto& b = drawn_.text_bounds[m];
                EXPECT_FALSE(a[0] < b[1] && b[0] < a[1] && a[2] < b[3] && b[2] < a[3])
                    << "'" << texts[k] << "' overlaps '" << texts[m] << "'";
            }
            const bool mark_part = texts[k] == "H" || texts[k] == "L" || (k > 0 && (texts[k - 1] == "H" || texts[k - 1] == "L"));
            if (!mark_part) {
                if (label_decimals == std::string::npos) label_decimals = decimals_of(texts[k]);
                EXPECT_EQ(decimals_of(texts[k]), label_decimals) << texts[k];
            }
            const GPoint centre = {(a[0] + a[1]) / 2, (a[2] + a[3]) / 2};
            int under = -1;
            for (std::size_t f = drawn_.fill_count_at[k]; f-- > 0;) {
                if (inside(drawn_.fill_outlines[f], centre)) {
                    under = drawn_.fill_colors[f];
                    break;
                }
            }
            ASSERT_GE(under, 0) << texts[k];
            const double l1 = luminance_of(drawn_.text_colors[k]);
            const double l2 = luminance_of(under);
            EXPECT_GE((std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05), 4.5)
                << "'" << texts[k] << "' in colour " << drawn_.text_colors[k] << " on " << under;
        }
    }
}

TEST_F(ContTest, ColourBarNumbersShareTheFewestDecimalsThatTellLevelsApart) {
    struct Case {
        float max, min, interval, base;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {76.0F, 75.0F, 0.25F, kMissingF, {"75.00", "75.25", "75.50", "75.75", "76.00", "76.25"}},
        {77.0F, 75.0F, 0.5F, kMissingF, {"75.0", "75.5", "76.0", "76.5", "77.0", "77.5"}},
        {85.0F, -5.0F, 10.0F, 5.0F, {"-5", "5", "15", "25", "35", "45", "55", "65", "75", "85", "95"}},
        // 31 boxes labelled every third: the closing edge replaces "30" beside it.
        {30.5F, 0.0F, 1.0F, kMissingF, {"0", "3", "6", "9", "12", "15", "18", "21", "24", "27", "31"}},
    };
    open_recorder(2, 2);
    const float view[4] = {0.1F, 0.9F, 0.2F, 0.9F};
    GPH_view(2, view);
    CONT_set_type(15);
    for (const Case& c : cases) {
        drawn_.texts.clear();
        CONT_set_base(c.base);
        CONT_set_intrvl(c.interval);
        CONT_set_range(c.max, c.min);
        ASSERT_EQ(CONT_set_cont_ext(kNoGrid), 0);
        ASSERT_EQ(CONT_draw_bar(1, ""), 0);
        EXPECT_EQ(drawn_.texts, c.labels);
    }
}

TEST_F(ContTest, MarksAndPrintedValuesWriteAFieldInOneFormat) {
    struct Case {
        float high, low;
        std::vector<std::string> marks;
    };
    const Case cases[] = {
        {25.9F, -0.301F, {"H", "25.9", "L", "-0.3"}},
        {25.9F, -0.04F, {"H", "25.9", "L", "0.0"}},
        {0.0123F, 0.0004F, {"H", "0.0123", "L", "0.0004"}},
    };
    open_recorder(7, 7);
    CONT_set_type(12);
    CONT_set_label_type(2, 1);
    for (const Case& c : cases) {
        drawn_.texts.clear();
        std::vector<float> z(49, (c.high + c.low) / 2);
        z[1 * 7 + 1] = c.high;
        z[5 * 7 + 5] = c.low;
        const ContGrid grid = grid_of(z, 7, 7);
        CONT_draw_maxmin(&grid);
        EXPECT_EQ(drawn_.texts, c.marks);
    }
    drawn_.texts.clear();
    const std::vector<float> values = {0.0003F, 9.0F, 0.37F, -0.02F, 2.0F, 3.0F};
    const ContGrid printed = grid_of(values, 3, 2);
    CONT_set_type(17);
    ASSERT_EQ(CONT_draw_contour(&printed), 0);
    EXPECT_EQ(drawn_.texts, (std::vector<std::string>{"0.0", "9.0", "0.4", "0.0", "2.0", "3.0"}));
}

TEST_F(ContTest, FilledMapRendersAsPostScript) {
    if (!test::have_ghostscript()) GTEST_SKIP() << "Ghostscript is not installed";
    const auto z = make_grid(30, 20, [](int i, int j) {
        return static_cast<float>(20.0 * std::sin(i / 4.0) * std::cos(j / 3.0));
    });
    const ContGrid grid = grid_of(z, 30, 20);
    ASSERT_EQ(gopen_gks(nullptr), 0);
    const std::string file = dir_ + "/cont.ps";
    ASSERT_EQ(gopen_ws(1, file.c_str(), kWsPostScript), 0);
    open_ = true;
    const float win[4] = {0.0F, 29.0F, 0.0F, 19.0F};
    const float vp[4] = {0.1F, 0.9F, 0.1F, 0.7F};
    gset_win(2, win);
    gset_vp(2, vp);
    gsel_norm_tran(2);
    CONT_set_type(16);
    CONT_set_intrvl(5.0F);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    CONT_draw_labels(&grid);
    CONT_draw_maxmin(&grid);
    CONT_draw_bar(1, "title");
    gclose_ws(1);
    open_ = false;
    std::string log;
    EXPECT_TRUE(test::ps_renders(file, dir_, &log)) << log;
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

class ContGridTest : public ContTest {
protected:
    GridField field(std::vector<float>& z, int nx, int ny) {
        GridField f;
        GRD_init(&f);
        DOM_init(&f.domain);
        f.domain.nx = nx;
        f.domain.ny = ny;
        f.values = z.data();
        copy_text(f.info, "Temperature (F)");
        copy_text(f.label, "12Z 01 JAN 2014");
        return f;
    }
};

TEST_F(ContGridTest, DrawReportsMissingGrids) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(CONT_draw(static_cast<const GridField*>(nullptr)), -1);
    std::vector<float> none;
    GridField empty = field(none, 3, 3);
    empty.values = nullptr;
    EXPECT_EQ(CONT_draw(&empty), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "CONT_draw: Invalid grids\nCONT_draw: Invalid grid arrays\n");
    FLAG_setplot(kPlotData, 0);
    EXPECT_EQ(CONT_draw(&empty), -1);
}

TEST_F(ContGridTest, SetupInBatchChoosesFillsAndMakesFrameLabels) {
    FLAG_set_batch(1);
    RES_put("con_interval", "5");
    auto z = make_grid(6, 5, [](int i, int j) { return static_cast<float>(i * 4 + j) + 1.25F; });
    GridField f = field(z, 6, 5);
    open_recorder(6, 5);  // the colour table names the fill colours
    testing::internal::CaptureStdout();
    ASSERT_EQ(CONT_plot_setup(0, 0, &f, nullptr, nullptr), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(CONT_get_type(), 15);
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 5.0F);
    EXPECT_STREQ(CONT_get_frame_label(0), "Temperature (F)");
    EXPECT_STREQ(CONT_get_frame_label(1), "12Z 01 JAN 2014");
    EXPECT_STREQ(CONT_get_frame_label(2), "LO: 1.2  HI: 25.2");  // one format for both
    EXPECT_EQ(std::string(CONT_get_frame_label(3)).rfind("INTERVAL: ", 0), 0U);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature (F)");
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 0), "12Z 01 JAN 2014");
    EXPECT_EQ(CONT_draw(&f), 0);
    EXPECT_GT(drawn_.fills, 0);
}

TEST_F(ContGridTest, DeferredMarksAndLabelsAreDrawnOnceWhenTheMapIsDrawn) {
    FLAG_set_batch(1);
    RES_put("con_interval", "4");
    auto z = make_grid(12, 10, [](int i, int j) { return 30.0F * std::sin(i / 2.0F) * std::cos(j / 2.0F); });
    GridField f = field(z, 12, 10);
    open_recorder(12, 10);
    testing::internal::CaptureStdout();
    ASSERT_EQ(CONT_plot_setup(0, 0, &f, nullptr, nullptr), 0);
    CONT_defer_annotations(1);
    ASSERT_EQ(CONT_draw(&f), 0);
    EXPECT_TRUE(drawn_.texts.empty());
    EXPECT_EQ(CONT_draw_pending(), 1);
    const std::size_t n = drawn_.texts.size();
    EXPECT_GT(n, 0U);
    EXPECT_EQ(CONT_draw_pending(), 0);
    CONT_draw(&f);  // the next set-up draws what still waits
    CONT_plot_setup(0, 0, &f, nullptr, nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(drawn_.texts.size(), 2 * n);
}

TEST_F(ContGridTest, AllMissingFieldSaysNoData) {
    FLAG_set_batch(1);
    RES_put("con_interval", "5");
    auto z = make_grid(4, 4, [](int, int) { return kMissingF; });
    GridField f = field(z, 4, 4);
    testing::internal::CaptureStdout();
    CONT_plot_setup(0, 0, &f, nullptr, nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(CONT_get_frame_label(2), "no data");
}

TEST_F(ContGridTest, LaterFramesKeepTheFirstFramesChoices) {
    FLAG_set_batch(1);
    auto z = make_grid(4, 4, [](int i, int j) { return static_cast<float>(i + j) + 2.5F; });
    GridField f = field(z, 4, 4);
    testing::internal::CaptureStdout();
    CONT_set_intrvl(2.0F);
    RES_put("con_interval", "2");
    CONT_plot_setup(0, 3, &f, nullptr, nullptr);
    RES_put("con_interval", "7");  // ignored: the interval is remembered
    for (float& v : z) v += 1.0F;
    CONT_plot_setup(1, 3, &f, nullptr, nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 2.0F);
    EXPECT_FLOAT_EQ(CONT_get_base(), 2.0F);  // the first frame's lowest level
}

TEST_F(ContGridTest, LevelListsGiveALevelsLabelAndSwitchTheBarOn) {
    FLAG_set_batch(1);
    RES_put("color_fill", "0:2,10:3,20:4");
    auto z = make_grid(4, 4, [](int i, int j) { return static_cast<float>(5 * (i + j)); });
    GridField f = field(z, 4, 4);
    testing::internal::CaptureStdout();
    CONT_plot_setup(0, 0, &f, nullptr, nullptr);
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(CONT_get_frame_label(3), "LEVELS: 0.0,10.0,20.0");
    EXPECT_GT(CONT_get_bar(), 0);
}

TEST_F(ContGridTest, PlotParametersOutliveTheContourSetUp) {
    FLAG_set_batch(1);
    CONT_register_hooks();
    RES_put("color_fill", "0:2,10:3,20:4");
    RES_put("plot_format", "value:%3.0f");
    auto z = make_grid(4, 4, [](int i, int j) { return static_cast<float>(5 * (i + j)); });
    GridField f = field(z, 4, 4);
    open_recorder(4, 4);
    testing::internal::CaptureStdout();
    CONT_plot_setup(0, 0, &f, nullptr, nullptr);
    CONT_draw(&f);
    const std::vector<GPoint> plain = drawn_.text_at;
    drawn_ = Drawn{};
    RES_put("plot_param", "nobar,plt_skip=2,plt_off=0.5");
    CONT_plot_setup(0, 0, &f, nullptr, nullptr);
    CONT_draw(&f);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(CONT_get_bar(), -2);
    ASSERT_EQ(plain.size(), 16U);
    ASSERT_EQ(drawn_.text_at.size(), 4U) << "every second column and row";
    EXPECT_GT(drawn_.text_at[0].x, plain[0].x);
    EXPECT_GT(drawn_.text_at[0].y, plain[0].y);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(ContGridTest, WholePlotOfAGridInBatchWritesPostScript) {
    RES_put("file_path", ORV_DATA_DIR);
    RES_put("device", ("ps," + dir_ + "/plot.ps").c_str());
    FLAG_set(kFlagDevice, kWsPostScript);
    FLAG_set_batch(1);
    auto z = make_grid(21, 11, [](int i, int j) { return static_cast<float>(10.0 * std::sin(i / 3.0) + j); });
    GridField f = field(z, 21, 11);
    f.domain.proj = kProjLatLon;
    f.domain.clat = 40.0F;
    f.domain.clon = -100.0F;
    f.domain.dx = 1.0F;
    f.domain.dy = 1.0F;
    testing::internal::CaptureStdout();
    EXPECT_EQ(CONT_plot_grid(&f, nullptr, nullptr), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(CONT_get_type(), -9999);  // unset again afterwards
    EXPECT_EQ(gchk_graphics(), 0);
    const std::string ps = test::slurp(dir_ + "/plot.ps");
    EXPECT_NE(ps.find("showpage"), std::string::npos);
    if (test::have_ghostscript()) {
        std::string log;
        EXPECT_TRUE(test::ps_renders(dir_ + "/plot.ps", dir_, &log)) << log;
    }
}

}  // namespace
}  // namespace orv
