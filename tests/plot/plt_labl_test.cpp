#include "plot/plt_labl.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "gks/ps_render.hpp"
#include "plot/colors.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

using test::have_ghostscript;
using test::landscape_to_page;
using test::Page;
using test::render_page;

class PltLablTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"orvps_param", "orvps_print", "PSPRINT", "PSCOLOR", "orvps_geometry",
                              "PSGEOMETRY"})
            unsetenv(v);
        reset();
        MESS_set(0, static_cast<int>(kMessWarn));
        dir_ = test::make_temp_dir();
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        reset();
        test::remove_dir(dir_);
    }
    static void reset() {
        PLT_reset_for_tests();
        gks_reset_all_for_tests();
        gks_text_reset_for_tests();
        GPH_reset_for_tests();
        CLR_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    // Opens a PostScript plot of a square map.
    void open_ps(const std::string& file) {
        RES_put("file_path", ORV_DATA_DIR);
        RES_put("device", ("ps," + path(file)).c_str());
        RES_put("color_text", "black");
        FLAG_set(kFlagDevice, kWsPostScript);
        PLT_open(1.0F);
        ASSERT_EQ(gchk_graphics(), 1);
    }

    struct Text {
        float x, y;
        std::string text;
    };
    // The strings lettered in a PostScript file, with their positions.
    std::vector<Text> texts(const std::string& file) const {
        std::vector<Text> out;
        for (const std::string& line : test::lines_of(test::slurp(path(file)))) {
            if (line.rfind("%%TE:", 0) != 0) continue;
            std::istringstream in(line.substr(5));
            Text t{};
            in >> t.x >> t.y;
            std::getline(in >> std::ws, t.text);
            out.push_back(t);
        }
        return out;
    }
    const Text* find(const std::vector<Text>& all, const std::string& text) const {
        for (const Text& t : all)
            if (t.text == text) return &t;
        return nullptr;
    }
    std::string dir_;
};

// ---------------------------------------------------------------- storage

TEST_F(PltLablTest, OverlaysAppendToLineZeroWhenTheLabelTypeIsNegative) {
    PLT_set_label_type(-1);
    EXPECT_EQ(PLT_label_up_left("Temperature"), 0);
    PLT_next_overlay();
    EXPECT_EQ(PLT_label_up_left("Dew point"), 0);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Dew point");
    PLT_next_overlay();
    EXPECT_EQ(PLT_label_up_left("Wind"), 0);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Wind");
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 1), "");
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 2), "");
    EXPECT_LT(PLT_get_label_type(), -1);

    // An addition that would pass 59 characters is refused; the line stays.
    EXPECT_EQ(PLT_label_up_left(std::string(48, 'x').c_str()), -1);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Wind");
    EXPECT_EQ(PLT_label_up_left(std::string(47, 'x').c_str()), 0);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpLeft, 0)).size(), 59U);
}

TEST_F(PltLablTest, OverlaysTakeTheirOwnLinesOtherwise) {
    PLT_label_up_right("first");
    EXPECT_EQ(PLT_next_overlay(), 1);
    PLT_label_up_right("second");
    EXPECT_EQ(PLT_next_overlay(), 2);
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 0), "first");
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 1), "second");
    EXPECT_EQ(PLT_get_num_over(), 2);

    EXPECT_EQ(PLT_label_up_right(std::string(69, 'y').c_str()), -1);
    EXPECT_EQ(PLT_label_up_right(std::string(68, 'y').c_str()), 0);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpRight, 2)).size(), 68U);
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 6), "");
    EXPECT_STREQ(PLT_get_label(-1, 0), "");

    PLT_init_labels();
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 0), "");
    EXPECT_EQ(PLT_get_num_over(), 0);
}

TEST_F(PltLablTest, OverlayCountsStayWithinTheSixLines) {
    EXPECT_EQ(PLT_set_overlay(9), 5);
    EXPECT_EQ(PLT_get_num_over(), 5);
    EXPECT_EQ(PLT_next_overlay(), -1);  // no seventh line
    EXPECT_EQ(PLT_get_overlay(), 5);
    EXPECT_EQ(PLT_label_low_right("last line"), 0);
    EXPECT_STREQ(PLT_get_label(kLabelLowRight, 5), "last line");

    EXPECT_EQ(PLT_set_num_overlay(-2), 2);
    EXPECT_EQ(PLT_set_num_overlay(1), 2);
    EXPECT_EQ(PLT_set_overlay_base(7), 5);
    EXPECT_EQ(PLT_get_num_over(), 5);
}

// ---------------------------------------------------------------- templates

TEST_F(PltLablTest, TemplatesExpandDateCodes) {
    DateRecord d{2024, 3, 5, 65, 2, 12, kMissing, kMissing};
    PLT_label_date(&d);
    PLT_label_for_time(12);
    char out[kLabelSize] = "";
    PLT_label_format("%m/%d/%y_%hZ", out);
    EXPECT_STREQ(out, "03/05/24 12Z");
    PLT_label_format("%h%nZ", out);  // no minute: on the hour
    EXPECT_STREQ(out, "1200Z");
    PLT_label_format("%b_100%%%q", out);
    EXPECT_STREQ(out, "MAR 100%");
    PLT_label_format("", out);
    EXPECT_STREQ(out, "");
    PLT_label_format("end%", out);
    EXPECT_STREQ(out, "end");

    char expected[kDateLabelSize] = "";
    DATE_make_label(&d, expected);
    PLT_label_format("%D", out);
    EXPECT_STREQ(out, expected);
    PLT_label_format("%F|%f", out);
    EXPECT_STREQ(out, "0.5 day|12 hour");
    PLT_label_format("%V", out);
    EXPECT_STREQ(out, "0Z WED  6 MAR 24");
    PLT_label_format("%W", out);
    EXPECT_STREQ(out, "WED  6 MAR 24");

    DateRecord unset{kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    PLT_label_date(&unset);
    PLT_label_format("%m/%d/%y_%h%nZ", out);
    EXPECT_STREQ(out, "// Z") << "unset fields print nothing";
    PLT_label_date(&d);

    char small[8];
    PLT_label_format("%D", small);
    EXPECT_EQ(std::string(small), std::string(expected).substr(0, 7));
}

TEST_F(PltLablTest, LabelResourceFixesPositionsAndSetsOverlayLines) {
    DateRecord d{2024, 3, 5, 65, 2, 12, kMissing, kMissing};
    PLT_label_date(&d);
    RES_put("label", "ul:Run_%hZ,lr2:day_%d,xx:ignored,uc:");
    EXPECT_EQ(PLT_label_resource(), 4);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Run 12Z");
    EXPECT_STREQ(PLT_get_label(kLabelLowRight, 2), "day 05");
    EXPECT_EQ(PLT_get_num_over(), 3);
}

// ---------------------------------------------------------------- drawing

TEST_F(PltLablTest, LabelsSitInTheMarginsAboveAndBelowTheView) {
    open_ps("margins.ps");
    PLT_label_up_left("UPPER LEFT");
    PLT_label_up_right("UPPER RIGHT");
    PLT_label_low_left("LOWER LEFT");
    PLT_label_low_right("LOWER RIGHT");
    float view[4];
    PLT_get_view(view);
    EXPECT_EQ(PLT_labels(), 0);
    int pages[4][2];
    const char* names[4] = {"UPPER LEFT", "UPPER RIGHT", "LOWER LEFT", "LOWER RIGHT"};
    const auto all_texts = [&] {
        GPH_end(1);
        return texts("margins.ps");
    };
    // Page positions of the centres of the strings, while the device is open.
    float area[4];
    GPH_get_view_size(area);
    const float space = view[2] - area[2];
    const float line = std::min(space, 0.03F * (view[3] - view[2]));
    const float xs[4] = {view[0] + 0.01F * (view[1] - view[0]) + 0.05F,
                         view[1] - 0.01F * (view[1] - view[0]) - 0.05F, 0, 0};
    const float upper_y = view[3] + 0.2F * line + 0.3F * line;
    const float lower_y = view[2] - 0.2F * line - 0.35F * line;
    for (int i = 0; i < 4; ++i) {
        const float x = i < 2 ? xs[i] : xs[i - 2];
        landscape_to_page(xNDC_ps(x), yNDC_ps(i < 2 ? upper_y : lower_y), &pages[i][0],
                          &pages[i][1]);
    }
    int cx = 0, cy = 0;
    landscape_to_page(xNDC_ps((view[0] + view[1]) / 2), yNDC_ps((view[2] + view[3]) / 2), &cx, &cy);
    const auto found = all_texts();
    ASSERT_EQ(found.size(), 4U);
    for (const char* name : names) ASSERT_NE(find(found, name), nullptr) << name;
    EXPECT_NEAR(find(found, "UPPER LEFT")->y, view[3] + 0.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "LOWER LEFT")->y, view[2] - 0.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "UPPER LEFT")->x, view[0] + 0.01F * (view[1] - view[0]), 1e-4);
    EXPECT_NEAR(find(found, "LOWER RIGHT")->x, view[1] - 0.01F * (view[1] - view[0]), 1e-4);

    if (!have_ghostscript()) GTEST_SKIP() << "gs is not installed: the page is not sampled";
    const Page page = render_page(path("margins.ps"), dir_);
    ASSERT_TRUE(page.ok());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(page.ink_near(pages[i][0], pages[i][1], 4)) << names[i];
    // The middle of the map stays blank.
    EXPECT_FALSE(page.ink_near(cx, cy, 20));
}

TEST_F(PltLablTest, FullLabelsGoInsideThePlotWithTheirOwnSpace) {
    RES_put("plot_param", "fullab");
    open_ps("full.ps");
    ASSERT_EQ(PLT_get_full_lab(), 1);
    PLT_label_up_center("TOP");
    PLT_label_low_center("BOTTOM");
    EXPECT_EQ(PLT_labels(), 0);
    float view[4];
    PLT_get_view(view);
    GPH_end(1);
    const auto found = texts("full.ps");
    ASSERT_NE(find(found, "TOP"), nullptr);
    ASSERT_NE(find(found, "BOTTOM"), nullptr);
    const float line = std::min(0.06F, 0.03F * (view[3] - view[2]));
    EXPECT_NEAR(find(found, "TOP")->y, view[3] - 1.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "BOTTOM")->y, view[2] + 1.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "TOP")->x, (view[0] + view[1]) / 2, 1e-4);
}

TEST_F(PltLablTest, LineHeightsShareTheSpaceBetweenOverlayLines) {
    RES_put("plot_param", "fullab");
    open_ps("lines.ps");
    PLT_label_up_left("one");
    PLT_next_overlay();
    PLT_label_up_left("two");
    PLT_next_overlay();
    PLT_label_up_left("three");
    PLT_next_overlay();
    EXPECT_EQ(PLT_labels(), 0);
    float view[4];
    PLT_get_view(view);
    GPH_end(1);
    const auto found = texts("lines.ps");
    ASSERT_EQ(found.size(), 3U);
    const float line = std::min(0.06F / 3, 0.03F * (view[3] - view[2]));
    EXPECT_NEAR(find(found, "two")->y - find(found, "one")->y, line, 1e-4);
    EXPECT_NEAR(find(found, "three")->y, view[3] - 3.2F * line + 2 * line, 1e-4);
}

TEST_F(PltLablTest, LongLabelsShrinkRatherThanRunIntoEachOther) {
    open_ps("long.ps");
    const std::string right = "1 day GFS MOS valid 12Z WED  6 MAR 24 and a long tail";
    PLT_label_up_center("Surface Temperature");
    PLT_label_up_right(right.c_str());
    float view[4];
    PLT_get_view(view);
    PLT_labels();
    float area[4];
    GPH_get_view_size(area);
    const float full_height = 0.75F * std::min(view[2] - area[2], 0.03F * (view[3] - view[2]));
    const GTextAttr& a = ginq_text_attr();
    const auto width = [&a](const std::string& text) {
        return static_cast<float>(gtext_font_width(text.c_str(), a.spacing, a.char_spacing)) *
               a.expansion * a.height / 105.0F;
    };
    const float height = a.height;  // the height the row was drawn with
    const float centre_end = (view[0] + view[1]) / 2 + width("Surface Temperature") / 2;
    const float right_start = view[1] - 0.01F * (view[1] - view[0]) - width(right);
    GPH_end(1);
    EXPECT_GT(right_start, centre_end);
    EXPECT_LT(height, 0.95F * full_height);
    EXPECT_GT(height, 0.3F * full_height);
    ASSERT_EQ(texts("long.ps").size(), 2U);
}

// On a square map the upper left and right labels of a contour map keep a
// clear gap (a few letters) between them.
TEST_F(PltLablTest, UpperLabelsOfASquareMapKeepApart) {
    const std::string left = "sfc Temperature (F)";
    const std::string right = "24 hour GFS MOS valid 0Z MON  7 DEC 26";
    open_ps("square.ps");
    PLT_label_up_left(left.c_str());
    PLT_label_up_right(right.c_str());
    float view[4];
    PLT_get_view(view);
    PLT_labels();
    const GTextAttr& a = ginq_text_attr();
    const auto width = [&a](const std::string& text) {
        return static_cast<float>(gtext_font_width(text.c_str(), a.spacing, a.char_spacing)) * a.expansion *
               a.height / 105.0F;
    };
    const float map_width = view[1] - view[0];
    const float left_end = view[0] + 0.01F * map_width + width(left);
    const float right_start = view[1] - 0.01F * map_width - width(right);
    GPH_end(1);
    EXPECT_GT(right_start - left_end, 0.02F * map_width);
    EXPECT_GE(right_start - left_end, a.height);
    ASSERT_EQ(texts("square.ps").size(), 2U);
}

TEST_F(PltLablTest, ColourBarAndVectorKeyTakeTheLowerLabelsPlaces) {
    static int bar = 1;
    static int key = 0;
    PLT_hooks()->cont_get_bar = [] { return bar; };
    PLT_hooks()->vect_get_vect = [] { return key; };
    open_ps("bar.ps");
    PLT_label_up_left("UL");
    PLT_label_low_left("LL");
    PLT_label_low_center("LC");
    PLT_label_low_right("LR");
    PLT_labels();
    key = 1;
    bar = 0;
    PLT_labels();
    GPH_end(1);
    std::vector<std::string> drawn;
    for (const auto& t : texts("bar.ps")) drawn.push_back(t.text);
    const std::vector<std::string> expected = {"UL", "LR", "UL", "LL", "LC"};
    EXPECT_EQ(drawn, expected);
}

TEST_F(PltLablTest, SwitchesAndMissingRoomStopTheDrawing) {
    RES_put("plot_param", "full");
    open_ps("none.ps");
    PLT_label_up_left("hidden");
    EXPECT_EQ(PLT_labels(), -1);  // the plot fills the window: no margin
    GPH_end(1);
    EXPECT_TRUE(texts("none.ps").empty());

    PLT_reset_for_tests();
    RES_put("plot_param", "");
    open_ps("notext.ps");
    FLAG_setplot(kPlotText, 0);
    PLT_label_up_left("hidden");
    EXPECT_EQ(PLT_labels(), 0);
    FLAG_setplot(kPlotText, 1);
    FLAG_setplot(kPlotTextUL, 0);
    PLT_labels();
    GPH_end(1);
    EXPECT_TRUE(texts("notext.ps").empty());
    EXPECT_NE(test::slurp(path("notext.ps")).find("%%PL:5"), std::string::npos);  // border
}

}  // namespace
}  // namespace orv
