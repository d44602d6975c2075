#include "plot/plt_labl.hpp"
#include <sstream>

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class PltLablTest : public test::ModuleTest {
protected:
    void SetUp() override {
        for (const char* v : {"orvps_param", "orvps_print", "PSPRINT", "PSCOLOR", "orvps_geometry", "PSGEOMETRY"})
            unsetenv(v);
        test::ModuleTest::SetUp();
        MESS_set(0, static_cast<int>(kMessWarn));
    }
    static void reset() { test::reset_modules(); }
    // Opens a PostScript plot of a square map; `params` are its plot parameters.
    void open_ps(const char* params = "") {
        RES_put("plot_param", params);
        RES_put("file_path", ORV_DATA_DIR);
        RES_put("device", ("ps," + dir_.file("out.ps")).c_str());
        RES_put("color_text", "black");
        FLAG_set(kFlagDevice, kWsPostScript);
        PLT_open(1.0F);
        ASSERT_EQ(gchk_graphics(), 1);
        PLT_get_view(view_);
    }
    struct Text { float x, y; std::string text; };
    // Ends the plot and gives the strings lettered in it with their positions.
    std::vector<Text> texts() {
        GPH_end(1);
        std::vector<Text> out;
        for (const std::string& line : test::lines_of(test::slurp(dir_.file("out.ps")))) {
            if (line.rfind("%%TE:", 0) != 0) continue;
            std::istringstream in(line.substr(5));
            Text t{};
            in >> t.x >> t.y;
            std::getline(in >> std::ws, t.text);
            out.push_back(t);
        }
        return out;
    }
    static const Text& find(const std::vector<Text>& all, const std::string& text) {
        static const Text none{-1, -1, ""};
        for (const Text& t : all)
            if (t.text == text) return t;
        ADD_FAILURE() << text << " not lettered";
        return none;
    }
    // The width of a text in the current text attributes.
    static float width(const std::string& text) {
        const GTextAttr& a = ginq_text_attr();
        return static_cast<float>(gtext_font_width(text.c_str(), a.spacing, a.char_spacing)) * a.expansion * a.height / 105.0F;
    }
    float view_[4] = {};
};
TEST_F(PltLablTest, OverlaysAppendToLineZeroWhenTheLabelTypeIsNegative) {
    PLT_set_label_type(-1);
    EXPECT_EQ(PLT_label_up_left("Temperature"), 0);
    PLT_next_overlay();
    EXPECT_EQ(PLT_label_up_left("Dew point"), 0);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Dew point");
    PLT_next_overlay();
    EXPECT_EQ(PLT_label_up_left("Wind"), 0);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Wind");
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpLeft, 1)) + PLT_get_label(kLabelUpLeft, 2), "");
    EXPECT_LT(PLT_get_label_type(), -1);
    // An addition that would pass 59 characters is refused; the line stays.
    EXPECT_EQ(PLT_label_up_left(std::string(48, 'x').c_str()), -1);
    EXPECT_STREQ(PLT_get_label(kLabelUpLeft, 0), "Temperature Wind");
    EXPECT_EQ(PLT_label_up_left(std::string(47, 'x').c_str()), 0);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpLeft, 0)).size(), 59U);
}
TEST_F(PltLablTest, OverlaysTakeTheirOwnLinesOtherwiseWithinSix) {
    PLT_label_up_right("first");
    EXPECT_EQ(PLT_next_overlay(), 1);
    PLT_label_up_right("second");
    EXPECT_EQ(PLT_next_overlay(), 2);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpRight, 0)) + "," + PLT_get_label(kLabelUpRight, 1), "first,second");
    EXPECT_EQ(PLT_get_num_over(), 2);
    EXPECT_EQ(PLT_label_up_right(std::string(69, 'y').c_str()), -1);
    EXPECT_EQ(PLT_label_up_right(std::string(68, 'y').c_str()), 0);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpRight, 2)).size(), 68U);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpRight, 6)) + PLT_get_label(-1, 0), "");
    PLT_init_labels();
    EXPECT_STREQ(PLT_get_label(kLabelUpRight, 0), "");
    EXPECT_EQ(PLT_get_num_over(), 0);
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
TEST_F(PltLablTest, TemplatesExpandDateCodes) {
    DateRecord d{2024, 3, 5, 65, 2, 12, kMissing, kMissing};
    PLT_label_date(&d);
    PLT_label_for_time(12);
    char expected[kDateLabelSize] = "";
    DATE_make_label(&d, expected);
    const std::pair<const char*, std::string> cases[] = {
        {"%m/%d/%y_%hZ", "03/05/24 12Z"}, {"%h%nZ", "1200Z"},  // no minute: on the hour
        {"%b_100%%%q", "MAR 100%"},       {"", ""},
        {"end%", "end"},                  {"%D", expected},
        {"%F|%f", "0.5 day|12 hour"},     {"%V", "0Z WED  6 MAR 24"},
        {"%W", "WED  6 MAR 24"},
    };
    char out[kLabelSize] = "";
    for (const auto& [format, want] : cases) {
        PLT_label_format(format, out);
        EXPECT_EQ(out, want) << format;
    }
    char small[8];
    PLT_label_format("%D", small);
    EXPECT_EQ(std::string(small), std::string(expected).substr(0, 7));
    DateRecord unset{kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    PLT_label_date(&unset);
    PLT_label_format("%m/%d/%y_%h%nZ", out);
    EXPECT_STREQ(out, "// Z") << "unset fields print nothing";
    PLT_label_date(&d);
    RES_put("label", "ul:Run_%hZ,lr2:day_%d,xx:ignored,uc:");
    EXPECT_EQ(PLT_label_resource(), 4);
    EXPECT_EQ(std::string(PLT_get_label(kLabelUpLeft, 0)) + "," + PLT_get_label(kLabelLowRight, 2), "Run 12Z,day 05");
    EXPECT_EQ(PLT_get_num_over(), 3);
}
TEST_F(PltLablTest, LabelsSitInTheMarginsAboveAndBelowTheView) {
    open_ps();
    const char* names[4] = {"UPPER LEFT", "UPPER RIGHT", "LOWER LEFT", "LOWER RIGHT"};
    const auto setters = {PLT_label_up_left, PLT_label_up_right, PLT_label_low_left, PLT_label_low_right};
    for (int i = 0; const auto set : setters) set(names[i++]);
    EXPECT_EQ(PLT_labels(), 0);
    float area[4];
    GPH_get_view_size(area);
    const float* view = view_;
    const float line = std::min(view[2] - area[2], 0.03F * (view[3] - view[2]));
    const float margin = 0.01F * (view[1] - view[0]);
    const auto found = texts();
    ASSERT_EQ(found.size(), 4U);
    EXPECT_NEAR(find(found, "UPPER LEFT").y, view[3] + 0.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "LOWER LEFT").y, view[2] - 0.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "UPPER LEFT").x, view[0] + margin, 1e-4);
    EXPECT_NEAR(find(found, "LOWER RIGHT").x, view[1] - margin, 1e-4);
    EXPECT_NEAR(find(found, "UPPER RIGHT").x, view[1] - margin, 1e-4);
}
// Full labels go inside the plot with their own space, shared between overlay lines.
TEST_F(PltLablTest, FullLabelsGoInsideThePlot) {
    open_ps("fullab");
    ASSERT_EQ(PLT_get_full_lab(), 1);
    PLT_label_up_center("TOP");
    PLT_label_low_center("BOTTOM");
    EXPECT_EQ(PLT_labels(), 0);
    auto found = texts();
    const float line = std::min(0.06F, 0.03F * (view_[3] - view_[2]));
    EXPECT_NEAR(find(found, "TOP").y, view_[3] - 1.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "BOTTOM").y, view_[2] + 1.2F * line, 1e-4);
    EXPECT_NEAR(find(found, "TOP").x, (view_[0] + view_[1]) / 2, 1e-4);
    reset();
    open_ps("fullab");
    for (const char* text : {"one", "two", "three"}) {
        PLT_label_up_left(text);
        PLT_next_overlay();
    }
    EXPECT_EQ(PLT_labels(), 0);
    found = texts();
    ASSERT_EQ(found.size(), 3U);
    const float third = std::min(0.06F / 3, 0.03F * (view_[3] - view_[2]));
    EXPECT_NEAR(find(found, "two").y - find(found, "one").y, third, 1e-4);
    EXPECT_NEAR(find(found, "three").y, view_[3] - 3.2F * third + 2 * third, 1e-4);
}
// Texts of one row keep a clear gap: long labels shrink rather than run
// into each other, and on a square map the upper left and right labels of a
// contour map keep a few letters apart.
TEST_F(PltLablTest, LabelsOfOneRowKeepApart) {
    const struct { const char* left; const char* centre; const char* right; bool shrinks; } cases[] = {
        {"", "Surface Temperature", "1 day GFS MOS valid 12Z WED  6 MAR 24 and a long tail", true},
        {"sfc Temperature (F)", "", "24 hour GFS MOS valid 0Z MON  7 DEC 26", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.right);
        reset();
        open_ps();
        PLT_label_up_left(c.left);
        PLT_label_up_center(c.centre);
        PLT_label_up_right(c.right);
        PLT_labels();
        float area[4];
        GPH_get_view_size(area);
        const float full_height = 0.75F * std::min(view_[2] - area[2], 0.03F * (view_[3] - view_[2]));
        const float map_width = view_[1] - view_[0];
        const float left_end = *c.left ? view_[0] + 0.01F * map_width + width(c.left)
                                       : (view_[0] + view_[1]) / 2 + width(c.centre) / 2;
        const float right_start = view_[1] - 0.01F * map_width - width(c.right);
        const float height = ginq_text_attr().height;  // the height the row was drawn with
        EXPECT_GT(right_start - left_end, c.shrinks ? 0.0F : 0.02F * map_width);
        EXPECT_GE(right_start - left_end, c.shrinks ? 0.0F : height);
        if (c.shrinks) {
            EXPECT_LT(height, 0.95F * full_height);
            EXPECT_GT(height, 0.3F * full_height);
        }
        EXPECT_EQ(texts().size(), 2U);
    }
}
TEST_F(PltLablTest, SwitchesAndMissingRoomStopTheDrawing) {
    open_ps("full");
    PLT_label_up_left("hidden");
    EXPECT_EQ(PLT_labels(), -1);  // the plot fills the window: no margin
    EXPECT_TRUE(texts().empty());
    reset();
    open_ps();
    FLAG_setplot(kPlotText, 0);
    PLT_label_up_left("hidden");
    EXPECT_EQ(PLT_labels(), 0);
    FLAG_setplot(kPlotText, 1);
    FLAG_setplot(kPlotTextUL, 0);
    PLT_labels();
    EXPECT_TRUE(texts().empty());
    EXPECT_NE(test::slurp(dir_.file("out.ps")).find("%%PL:5"), std::string::npos);  // border
}
}  // namespace
}  // namespace orv
