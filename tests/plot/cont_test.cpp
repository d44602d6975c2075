#include "plot/cont.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
using test::make_grid;
class ContTest : public test::ModuleTest {
protected:
    void SetUp() override {
        test::ModuleTest::SetUp();
        RES_put("file_path", (dir_.path() + "/").c_str());
    }
    void TearDown() override {
        close();
        test::ModuleTest::TearDown();
    }
    void close() {
        if (open_) gclose_ws(1);
        open_ = false;
        test::g_recording = nullptr;
    }
    // Opens the recording workstation with a window over the grid, afresh.
    void open_recorder(int nx, int ny) {
        close();
        drawn_ = test::Recording{};
        test::open_recording(&drawn_, 0.0F, static_cast<float>(nx - 1), 0.0F, static_cast<float>(ny - 1));
        open_ = true;
        ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    }
    // A bar under a view of 0.1..0.9 x 0.2..0.9 over a recorder.
    void open_bar() {
        open_recorder(2, 2);
        const float view[4] = {0.1F, 0.9F, 0.2F, 0.9F};
        GPH_view(2, view);
        CONT_set_type(15);
    }
    test::Recording drawn_;
    bool open_ = false;
};
const ContGrid* const kNoGrid = nullptr;
ContGrid grid_of(const std::vector<float>& z, int nx, int ny) {
    ContGrid g;
    g.nx = nx;
    g.ny = ny;
    g.values = z.data();
    return g;
}
int fill_color(float v) {
    AttribRecord a;
    CONT_get_fill_attrib(&a, v);
    return a.color;
}
TEST_F(ContTest, IntervalChoice) {
    const struct { int n; float max, min, want; } cases[] = {
        {13, 170.0F, 0.0F, 20.0F},  // 14 colours: d = 13.08
        {13, 1.3F, 0.0F, 0.1F},          {13, 5.0F, 5.0F, 1.0F},         {0, 2.5F, 0.0F, 3.0F},  // n = 0 counts as 1
        {1, 4500.0F, 0.0F, 5000.0F},     {1, 0.00034F, 0.0F, 0.0004F},   {1, 0.00005F, 0.0F, 0.00005F},
        {1, 9e6F, 0.0F, 9e6F},           {1, std::nanf(""), 0.0F, 1.0F},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(CONT_calc_intrvl(c.n, c.max, c.min), c.want) << c.n << " " << c.max;
}
TEST_F(ContTest, LevelExtentFromTheGridWithAndWithoutBase) {
    const auto z = make_grid(4, 3, [](int i, int j) { return static_cast<float>(3 * i + j) + 0.5F; });  // 0.5..11.5
    const ContGrid grid = grid_of(z, 4, 3);
    CONT_set_intrvl(5.0F);
    ASSERT_EQ(CONT_set_cont_ext(&grid), 0);
    EXPECT_EQ(CONT_get_num_cont(), 3);  // 0, 5, 10 .. 15
    EXPECT_FLOAT_EQ(CONT_get_levels().lowest, 0.0F);
    EXPECT_EQ(CONT_get_levels().first_color, 0);
    // With a base the band colours stay put when the range changes.
    CONT_reset_for_tests();
    AttribRecord colors[6];
    for (int k = 0; k < 6; ++k) {
        ATTRIB_init(&colors[k]);
        colors[k].color = k < 5 ? 10 + k : -2;
    }
    CONT_set_fill_attribs(colors);
    CONT_set_intrvl(5.0F);
    CONT_set_base(2.0F);
    for (const float max : {30.0F, 14.0F}) {
        CONT_set_range(max, max == 30.0F ? 12.5F : 1.0F);
        ASSERT_EQ(CONT_set_cont_ext(kNoGrid), 0);
        EXPECT_EQ(fill_color(13.0F), 10 + 2) << max;  // (13 - 2) / 5 = band 2
    }
    // Without a range or with nothing but missing values there are no levels.
    CONT_reset_for_tests();
    EXPECT_EQ(CONT_set_cont_ext(kNoGrid), -1);
    for (const float v : {kMissingF, std::nanf("")}) {
        const std::vector<float> bad(9, v);
        const ContGrid g = grid_of(bad, 3, 3);
        EXPECT_EQ(CONT_set_cont_ext(&g), -1);
    }
}
TEST_F(ContTest, ConstantGridGetsOneBandNoLinesAndOneFill) {
    const std::vector<float> z(20, 3.0F);
    const ContGrid grid = grid_of(z, 5, 4);
    ASSERT_EQ(CONT_set_cont_ext(&grid), 0);
    EXPECT_EQ(std::make_pair(CONT_get_intrvl(), CONT_get_num_cont()), std::make_pair(1.0F, 1));
    open_recorder(5, 4);
    CONT_set_type(12);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    EXPECT_TRUE(drawn_.shapes.empty());
    CONT_reset_for_tests();
    CONT_set_type(15);
    ASSERT_EQ(CONT_draw_contour(&grid), 0);
    EXPECT_EQ(drawn_.fills(), 1);  // the twelve cells joined
}
// Colour lists: "level:colour" entries, interpolated levels, colour ranges,
// the 256-entry limit, and the resource that overrides the argument.
TEST_F(ContTest, FillListsGiveLevelsAndColours) {
    std::string long_list;
    for (int k = 0; k < 300; ++k) long_list += (k ? "," : "") + std::to_string(k) + ":" + std::to_string(k % 20);
    const struct { const char* list; const char* resource; int count; std::vector<float> levels; std::vector<int> colors; } cases[] = {
        {"0:2, 10:3, 20:4", nullptr, 3, {0, 10, 20}, {2, 3, 4}},
        {"0:2,3,20:4", nullptr, 3, {0, 10, 20}, {}},
        {"0:2,3,4,30:5,6,7", nullptr, 6, {0, 10, 20, 30, 40, 50}, {}},  // trailing entries continue the last step
        {"2,3,10:4", nullptr, 3, {}, {2, 3, 4}},                        // no level on the first entry: colours only
        {"3-7", nullptr, 5, {}, {3, 4, 5, 6, 7}},
        {"7-3,1", nullptr, 6, {}, {7, 6, 5, 4, 3, 1}},
        {long_list.c_str(), nullptr, 256, {}, {}},
        {"2,3,4", "5,6", 2, {}, {5, 6}},
        {"2,3,4", "default", 3, {}, {2, 3, 4}},
        {nullptr, nullptr, 15, {}, {}},  // the default list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list ? c.list : "null");
        CONT_reset_for_tests();
        RES_reset_for_tests();
        if (c.resource) RES_put("color_fill", c.resource);
        ASSERT_EQ(CONT_set_fill_colors(c.list, c.resource ? 0 : 1), c.count);
        float levels[256];
        const int n = CONT_get_values(levels);
        EXPECT_EQ(n, c.levels.empty() ? (c.count == 256 ? 256 : 0) : c.count);
        if (!c.levels.empty()) { EXPECT_EQ(std::vector<float>(levels, levels + n), c.levels); }
        for (std::size_t k = 0; k < c.colors.size(); ++k) {
            AttribRecord a;
            CONT_get_fill_attrib_ind(static_cast<int>(k), &a);
            EXPECT_EQ(a.color, c.colors[k]) << k;
        }
    }
}
TEST_F(ContTest, FillListWithValuesGivesLabelsAndBands) {
    ASSERT_EQ(CONT_set_fill_colors("0:2, 10:3, 20:4", 1), 3);
    EXPECT_EQ(std::string(CONT_get_level_label(0)) + "," + CONT_get_level_label(2), "0,20");
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 10.0F);
    for (const auto& [value, color] : {std::pair{15.0F, 3}, {-1.0F, -1}, {99.0F, 4}, {10.0F, 3}, {9.99F, 2}})
        EXPECT_EQ(fill_color(value), color) << value;
    // A second list is refused until the flag is reset.
    EXPECT_EQ(CONT_set_fill_colors("5:2", 1), -1);
    CONT_reset_fill_set();
    EXPECT_EQ(CONT_set_fill_colors("5:2:la=five,6:3", 1), 2);
    EXPECT_STREQ(CONT_get_level_label(0), "five");
    // An explicit list stops at the first unset value.
    CONT_reset_for_tests();
    const float levels[] = {0.0F, 5.0F, 5.0F, 2.0F, 10.0F, -9999.0F, 50.0F};
    EXPECT_EQ(CONT_set_values(levels, 7), 5);
    EXPECT_FLOAT_EQ(CONT_get_intrvl(), 5.0F);
}
TEST_F(ContTest, LevelFiles) {
    dir_.write("temp.lev", "# temperature bands\n@ignored\n  -10:2:la=cold  \n\n0:3\n10:4\n");
    ASSERT_EQ(CONT_set_fill_colors("temp.lev", 1), 3);
    float levels[256];
    ASSERT_EQ(CONT_get_values(levels), 3);
    EXPECT_EQ(std::make_pair(levels[0], std::string(CONT_get_level_label(0))), std::make_pair(-10.0F, std::string("cold")));
    CONT_reset_fill_set();
    ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    EXPECT_EQ(test::stderr_of([] { EXPECT_EQ(CONT_set_fill_colors("nosuch.lev", 1), -1); }),
              "CONT_set_fill_colors: Unable to read contour level file: nosuch.lev\n");
    EXPECT_EQ(CONT_get_values(nullptr), 0);  // the default colours instead
    AttribRecord first;
    CONT_get_fill_attrib_ind(0, &first);
    EXPECT_EQ(first.color, CLR_get_ind("Magenta"));
    EXPECT_EQ(CONT_set_fill_colors("2,3", 1), -1);  // still counts as decoded
}
TEST_F(ContTest, FormatKeywordsAndParameterEntries) {
    CONT_set_format(14, "cf:in=5:cb=2:mn=1:mx=9:sk=2:3:%5.1f:nobar:rlab");
    EXPECT_EQ(CONT_get_type(), 12);
    EXPECT_EQ(CONT_format_decode_type("cf:in=5:cb=2:mn=1:mx=9:sk=2:3:%5.1f:nobar:rlab"), 15);
    EXPECT_EQ(std::make_tuple(CONT_get_intrvl(), CONT_get_base(), CONT_get_bar()), std::make_tuple(5.0F, 2.0F, -2));
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
    EXPECT_EQ(std::make_tuple(a.color, a.width, a.style), std::make_tuple(3, 2.5F, 4));
    // Parameter entries and the base resource set cut-offs: values outside get no fill.
    CONT_reset_for_tests();
    EXPECT_EQ(CONT_param_decode("fill=3,lab=3:2:5:6,maxl=7,conmin=3,conmax=8,grid,mapcon,unknown"), 7);
    EXPECT_EQ(std::make_pair(CONT_get_fill_pat(), CONT_get_map_under()), std::make_pair(3, 1));
    const auto bands = [](std::vector<float> at) {
        std::vector<bool> out;
        AttribRecord b;
        for (float v : at) out.push_back(CONT_get_fill_attrib(&b, v) >= 0);
        return out;
    };
    CONT_set_intrvl(1.0F);
    CONT_set_range(10.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(bands({2, 5, 9}), (std::vector<bool>{false, true, false}));
    CONT_reset_for_tests();
    RES_put("con_base", ">5,<20");
    CONT_read_base();
    EXPECT_FLOAT_EQ(CONT_get_base(), 5.0F);
    CONT_set_intrvl(1.0F);
    CONT_set_range(30.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(bands({4, 10, 21}), (std::vector<bool>{false, true, false}));
}
TEST_F(ContTest, LabelKeywordSetsSkipAndRadius) {
    // "lab=25": skip 2, radius 5, seen through what the labels draw.
    const auto z = make_grid(11, 11, [](int i, int j) { return static_cast<float>(100.0 - (i - 5) * (i - 5) - (j - 5) * (j - 5)); });
    const ContGrid grid = grid_of(z, 11, 11);
    open_recorder(11, 11);
    CONT_format_decode_type("ln:in=10:lab=0");
    CONT_set_cont_ext(&grid);
    CONT_draw_labels(&grid);
    CONT_draw_maxmin(&grid);
    EXPECT_TRUE(drawn_.texts.empty());
    // The maximum in the middle with its value; the four corners are lowest
    // within five points, but a mark there would be cut by the window's edge.
    CONT_format_decode_type("lab=25");
    CONT_draw_maxmin(&grid);
    EXPECT_EQ(drawn_.texts, (std::vector<std::string>{"H", "100"}));
    drawn_.texts.clear();
    CONT_set_label_type(2, 1);  // radius 1: the slope has no other extremes
    CONT_draw_maxmin(&grid);
    EXPECT_EQ(drawn_.texts.size(), 2U);
}
TEST_F(ContTest, ExtremaNeedStrictNeighboursAndFewMissing) {
    // A plateau of two equal maxima gets no mark; a minimum with two missing
    // neighbours gets none either; one missing neighbour is allowed.
    std::vector<float> z(49, 50.0F);
    z[3 * 7 + 2] = z[3 * 7 + 3] = 60.0F;
    z[5 * 7 + 5] = 10.0F;
    z[6 * 7 + 6] = z[6 * 7 + 5] = -9999.0F;
    const ContGrid grid = grid_of(z, 7, 7);
    open_recorder(7, 7);
    CONT_set_type(12);
    CONT_set_label_type(2, 1);
    CONT_draw_maxmin(&grid);
    EXPECT_TRUE(drawn_.texts.empty());
    z[6 * 7 + 5] = 50.0F;
    CONT_draw_maxmin(&grid);
    EXPECT_EQ(drawn_.texts, (std::vector<std::string>{"L", "10.0"}));
}
// The cells the analysis left without a value are filled in one light
// neutral colour that no band has, exactly over those cells.
TEST_F(ContTest, MissingCellsAreFilledInTheirOwnColour) {
    // The missing points of a 6 x 5 grid, the area of the missing cells and their outlines, one a run along a row.
    const struct { const char* what; std::vector<int> missing; double area; int outlines; } cases[] = {
        {"none", {}, 0.0, 0}, {"one inner point", {2 * 6 + 2}, 4.0, 2}, {"the top row", {0, 1, 2, 3, 4, 5}, 5.0, 1},
        {"a corner point", {29}, 1.0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto z = make_grid(6, 5, [](int i, int j) { return static_cast<float>(i + 2 * j); });
        for (int k : c.missing) z[static_cast<std::size_t>(k)] = -9999.0F;
        const ContGrid grid = grid_of(z, 6, 5);
        CONT_reset_for_tests();
        open_recorder(6, 5);
        CONT_set_type(15);
        CONT_set_intrvl(2.0F);
        ASSERT_EQ(CONT_draw_contour(&grid), 0);
        const int gray = CLR_get_ind("LGray");
        ASSERT_GE(gray, 0);
        double area = 0.0;
        int outlines = 0;
        for (const test::Shape& s : drawn_.shapes) {
            if (s.filled && s.color == gray) {
                area += test::area_of(s.points);
                ++outlines;
            } else if (s.filled) {
                float r = 0, g = 0, b = 0, r2 = 0, g2 = 0, b2 = 0;
                CLR_get_rgb(gray, &r, &g, &b);
                CLR_get_rgb(s.color, &r2, &g2, &b2);
                EXPECT_GT(std::fabs(r - r2) + std::fabs(g - g2) + std::fabs(b - b2), 0.15F) << s.color;
            }
        }
        EXPECT_NEAR(area, c.area, 1e-4);
        EXPECT_EQ(outlines, c.outlines);
    }
}
// Printed values (type 17) and high/low marks write a field in one format;
// missing points are skipped and formats reading other arguments refused.
TEST_F(ContTest, PrintedValuesAndMarksWriteAFieldInOneFormat) {
    // The values of a 3 x 2 grid.
    const struct { const char* format; std::vector<float> values; std::vector<std::string> texts; } printed[] = {
        {"", {0.0003F, 9.0F, 0.37F, -0.02F, 2.0F, 3.0F}, {"0.0", "9.0", "0.4", "0.0", "2.0", "3.0"}},
        {"value:%4.1f", {-9999, 1, 2, 10, 11, 12}, {" 1.0", " 2.0", "10.0", "11.0", "12.0"}},
        {"%6.2f mm", {1.5F, 2.5F, 3.5F, 4.5F, 5, 6}, {"  1.50 mm", "  2.50 mm", "  3.50 mm", "  4.50 mm", "  5.00 mm", "  6.00 mm"}},
        {"value:%s%n", {1, 2, 3, 4, 5, 6}, {"1.0", "2.0", "3.0", "4.0", "5.0", "6.0"}},
    };
    for (const auto& c : printed) {
        SCOPED_TRACE(c.format);
        CONT_reset_for_tests();
        open_recorder(3, 2);
        CONT_set_type(17);
        if (*c.format) CONT_format_decode_type(c.format);
        const ContGrid grid = grid_of(c.values, 3, 2);
        ASSERT_EQ(CONT_draw_contour(&grid), 0);
        EXPECT_EQ(drawn_.texts, c.texts);
    }
    const struct { float high, low; std::vector<std::string> marks; } marks[] = {
        {25.9F, -0.301F, {"H", "25.9", "L", "-0.3"}},
        {25.9F, -0.04F, {"H", "25.9", "L", "0.0"}},
        {0.0123F, 0.0004F, {"H", "0.0123", "L", "0.0004"}},
    };
    CONT_reset_for_tests();
    open_recorder(7, 7);
    CONT_set_type(12);
    CONT_set_label_type(2, 1);
    for (const auto& c : marks) {
        drawn_.texts.clear();
        std::vector<float> z(49, (c.high + c.low) / 2);
        z[1 * 7 + 1] = c.high;
        z[5 * 7 + 5] = c.low;
        const ContGrid grid = grid_of(z, 7, 7);
        CONT_draw_maxmin(&grid);
        EXPECT_EQ(drawn_.texts, c.marks);
    }
}
// Labels of straight north-south lines: every second level, only in the
// rows the label spacing picks, and none when a label is taller than its room.
TEST_F(ContTest, ContourLabelsTakeEverySecondLevelInTheirRowsAndTooTallOnesAreLeftOut) {
    for (const float scale : {1.0F, 100.0F}) {  // 100: label height 0.015 x 4 x 100 = 6 cells
        const int n = scale > 1 ? 5 : 11;
        const auto z = make_grid(n, n, [](int i, int) { return static_cast<float>(i) + 0.5F; });
        const ContGrid grid = grid_of(z, n, n);
        CONT_reset_for_tests();
        open_recorder(n, n);
        CONT_set_type(12);
        CONT_set_intrvl(1.0F);
        CONT_set_label_space(scale > 1 ? 1 : 5, scale > 1 ? 1 : 5);
        CONT_set_scale(scale);
        ASSERT_EQ(CONT_draw_contour(&grid), 0);
        CONT_draw_labels(&grid);
        EXPECT_EQ(drawn_.texts.empty(), scale > 1);
        std::set<float> rows;
        for (std::size_t k = 0; k < drawn_.texts.size(); ++k) {
            EXPECT_EQ(std::atoi(drawn_.texts[k].c_str()) % 2, 0) << drawn_.texts[k];
            rows.insert(std::round(drawn_.text_at[k].y * 1000.0F));
        }
        if (scale == 1.0F) { EXPECT_EQ(rows.size(), 2U) << "cell rows 0 and 5 of ten"; }
    }
}
// Bar numbers share the fewest decimals that tell the levels apart; a point
// over the bar gives the value of its box.
TEST_F(ContTest, ColourBarLabelsBoxesAndGivesTheValueUnderAPoint) {
    const struct { float max, min, interval, base; std::vector<std::string> labels; } cases[] = {
        {76.0F, 75.0F, 0.25F, kMissingF, {"75.00", "75.25", "75.50", "75.75", "76.00", "76.25"}},
        {77.0F, 75.0F, 0.5F, kMissingF, {"75.0", "75.5", "76.0", "76.5", "77.0", "77.5"}},
        {85.0F, -5.0F, 10.0F, 5.0F, {"-5", "5", "15", "25", "35", "45", "55", "65", "75", "85", "95"}},
        // 31 boxes labelled every third: the closing edge replaces "30" beside it.
        {30.5F, 0.0F, 1.0F, kMissingF, {"0", "3", "6", "9", "12", "15", "18", "21", "24", "27", "31"}},
        {29.5F, 0.0F, 1.0F, kMissingF, {"0", "3", "6", "9", "12", "15", "18", "21", "24", "27", "30"}},
    };
    open_bar();
    for (const auto& c : cases) {
        drawn_.texts.clear();
        CONT_set_base(c.base);
        CONT_set_intrvl(c.interval);
        CONT_set_range(c.max, c.min);
        ASSERT_EQ(CONT_set_cont_ext(kNoGrid), 0);
        ASSERT_EQ(CONT_draw_bar(1, ""), 0);
        EXPECT_EQ(drawn_.texts, c.labels);
    }
    EXPECT_EQ(drawn_.text_colors[0], CLR_get_ind("white"));
    const float x = 0.1F + 0.03F * 0.8F + (0.5F - 0.1F - 0.024F) / 30.0F * 4.5F;  // in box 4 of 30
    EXPECT_FLOAT_EQ(CONT_get_bar_value(x, 0.2F - 0.02F), 4.0F);  // under the view
    EXPECT_EQ(CONT_get_bar_value(x, 0.3F), -9999.0F);              // in the map above the bar
    CONT_set_full_labels(1);
    ASSERT_EQ(CONT_draw_bar(1, ""), 0);
    EXPECT_FLOAT_EQ(CONT_get_bar_value(x, 0.2F + 0.02F), 4.0F);  // inside it
    EXPECT_EQ(CONT_get_bar_value(x, 0.2F - 0.02F), -9999.0F);
    EXPECT_EQ(CONT_get_bar_value(0.95F, 0.18F), -9999.0F);
    CONT_set_range(200.5F, 0.0F);  // 201 levels: no bar
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_draw_bar(1, ""), -1);
    const float low[4] = {0.1F, 0.9F, 0.005F, 0.9F};  // no room under the view
    GPH_view(2, low);
    CONT_set_full_labels(0);
    CONT_set_range(5.0F, 0.0F);
    CONT_set_cont_ext(kNoGrid);
    EXPECT_EQ(CONT_draw_bar(1, ""), -1);
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
// Labels and marks never overlap, share one number of decimals and read
// against the fill under them.
TEST_F(ContTest, LabelsAndMarksKeepApartAndReadOnTheirFill) {
    const auto slope = [](int i, int j) { return 3.0F * i + std::sin(j / 2.0F); };
    const struct { int type; float interval; float (*z)(int i, int j); } cases[] = {
        {15, 1.0F, slope}, {12, 1.0F, slope},
        {16, 4.0F, [](int i, int j) { return 30.0F * std::sin(i / 2.0F) * std::cos(j / 2.0F); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        close();
        test::reset_modules();
        open_recorder(30, 20);
        RES_put("file_path", ORV_DATA_DIR);  // texts laid out by the stroke font reach the device as strokes
        gtext_register_hooks();
        ASSERT_GT(gsetup_fonts(), 0);
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
                EXPECT_FALSE(a[0] < b[1] && b[0] < a[1] && a[2] < b[3] && b[2] < a[3]) << texts[k] << " over " << texts[m];
            }
            const bool mark_part = texts[k] == "H" || texts[k] == "L" || (k > 0 && (texts[k - 1] == "H" || texts[k - 1] == "L"));
            if (!mark_part) {
                if (label_decimals == std::string::npos) label_decimals = decimals_of(texts[k]);
                EXPECT_EQ(decimals_of(texts[k]), label_decimals) << texts[k];
            }
            int under = -1;
            for (std::size_t f = drawn_.shapes_before[k]; f-- > 0 && under < 0;) {
                const test::Shape& s = drawn_.shapes[f];
                if (s.filled && test::inside(s.points, (a[0] + a[1]) / 2, (a[2] + a[3]) / 2)) under = s.color;
            }
            ASSERT_GE(under, 0) << texts[k];
            const double l1 = luminance_of(drawn_.text_colors[k]), l2 = luminance_of(under);
            EXPECT_GE((std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05), 4.5) << texts[k] << " on " << under;
        }
    }
}
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
    void setup(GridField* f, int frame = 0, int frames = 0) {
        test::stdout_of([&] { CONT_plot_setup(frame, frames, f, nullptr, nullptr); });
    }
};
TEST_F(ContGridTest, DrawReportsMissingGrids) {
    std::vector<float> none;
    GridField empty = field(none, 3, 3);
    empty.values = nullptr;
    EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(CONT_draw(static_cast<const GridField*>(nullptr)) + CONT_draw(&empty), -2); }),
              "CONT_draw: Invalid grids\nCONT_draw: Invalid grid arrays\n");
    FLAG_setplot(kPlotData, 0);
    EXPECT_EQ(CONT_draw(&empty), -1);
}
// The frame labels of a batch set-up: the range in one format, "no data",
// or the levels of a list (which switches the bar on).
TEST_F(ContGridTest, SetupInBatchMakesFrameLabels) {
    const struct { const char* interval; const char* fill; float (*f)(int, int); const char* range; const char* fourth; } cases[] = {
        {"5", nullptr, [](int i, int j) { return static_cast<float>(i * 4 + j) + 1.25F; }, "LO: 1.2  HI: 25.2", "INTERVAL: "},
        {"5", nullptr, [](int, int) { return kMissingF; }, "no data", nullptr},
        {nullptr, "0:2,10:3,20:4", [](int i, int j) { return static_cast<float>(5 * (i + j)); }, nullptr, "LEVELS: 0.0,10.0,20.0"},
    };
    for (const auto& c : cases) {
        close();
        test::reset_modules();
        FLAG_set_batch(1);
        if (c.interval) RES_put("con_interval", c.interval);
        if (c.fill) RES_put("color_fill", c.fill);
        auto z = make_grid(6, 5, c.f);
        GridField f = field(z, 6, 5);
        open_recorder(6, 5);  // the colour table names the fill colours
        setup(&f);
        EXPECT_EQ(CONT_get_type(), 15);
        if (c.range) { EXPECT_STREQ(CONT_get_frame_label(2), c.range); }
        if (c.fourth) { EXPECT_EQ(std::string(CONT_get_frame_label(3)).rfind(c.fourth, 0), 0U) << CONT_get_frame_label(3); }
        if (c.fill) { EXPECT_GT(CONT_get_bar(), 0); }
    }
    EXPECT_STREQ(CONT_get_frame_label(0), "Temperature (F)");
    EXPECT_STREQ(CONT_get_frame_label(1), "12Z 01 JAN 2014");
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature (F)");
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 0), "12Z 01 JAN 2014");
}
TEST_F(ContGridTest, DeferredMarksAndLabelsAreDrawnOnceWhenTheMapIsDrawn) {
    FLAG_set_batch(1);
    RES_put("con_interval", "4");
    auto z = make_grid(12, 10, [](int i, int j) { return 30.0F * std::sin(i / 2.0F) * std::cos(j / 2.0F); });
    GridField f = field(z, 12, 10);
    open_recorder(12, 10);
    setup(&f);
    CONT_defer_annotations(1);
    ASSERT_EQ(CONT_draw(&f), 0);
    EXPECT_GT(drawn_.fills(), 0);
    EXPECT_TRUE(drawn_.texts.empty());
    EXPECT_EQ(CONT_draw_pending(), 1);
    const std::size_t n = drawn_.texts.size();
    EXPECT_GT(n, 0U);
    EXPECT_EQ(CONT_draw_pending(), 0);
    CONT_draw(&f);  // the next set-up draws what still waits
    setup(&f);
    EXPECT_EQ(drawn_.texts.size(), 2 * n);
}
// Positions projected for one grid are kept for the next draw of that grid
// only: a grid of another region over the same map takes its own places.
TEST_F(ContGridTest, GridsOfTwoRegionsOverOneMapTakeTheirOwnPlaces) {
    FLAG_set_batch(1);
    Domain map = test::latlon_domain(41, 41);
    ASSERT_GE(MAP_setup(&map), 0);
    close();
    test::open_recording(&drawn_, -1e4F, 1e4F, -1e4F, 1e4F);
    open_ = true;
    ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    RES_put("con_interval", "1");
    auto z = make_grid(5, 5, [](int i, int j) { return static_cast<float>(i + j) + 0.5F; });
    const auto top_of = [&](float clat) {
        GridField f = field(z, 5, 5);
        f.domain = test::latlon_domain(5, 5);
        f.domain.clat = clat;
        setup(&f);
        CONT_set_type(12);
        drawn_ = test::Recording{};
        EXPECT_EQ(CONT_draw(&f), 0);
        float top = -1e30F;
        for (const auto& s : drawn_.shapes)
            for (const auto& p : s.points) top = std::max(top, p.y);
        return top;
    };
    const float south = top_of(35.0F), north = top_of(45.0F);
    ASSERT_GT(south, -1e30F) << "the grid draws contours";
    EXPECT_GT(north, south + 5.0F * MAP_get_vert() / 41.0F) << "ten degrees further north";
}
TEST_F(ContGridTest, PlotParametersOutliveTheContourSetUp) {
    FLAG_set_batch(1);
    CONT_register_hooks();
    RES_put("color_fill", "0:2,10:3,20:4");
    RES_put("plot_format", "value:%3.0f");
    auto z = make_grid(4, 4, [](int i, int j) { return static_cast<float>(5 * (i + j)); });
    GridField f = field(z, 4, 4);
    open_recorder(4, 4);
    setup(&f);
    CONT_draw(&f);
    const std::vector<GPoint> plain = drawn_.text_at;
    drawn_ = test::Recording{};
    RES_put("plot_param", "nobar,plt_skip=2,plt_off=0.5");
    setup(&f);
    CONT_draw(&f);
    EXPECT_EQ(CONT_get_bar(), -2);
    ASSERT_EQ(plain.size(), 16U);
    ASSERT_EQ(drawn_.text_at.size(), 4U) << "every second column and row";
    EXPECT_GT(drawn_.text_at[0].x, plain[0].x);
    EXPECT_GT(drawn_.text_at[0].y, plain[0].y);
}
}  // namespace
}  // namespace orv
