#include "plot/raw_plt.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
using RawPlotTest = test::ModuleTest;
// Station values drawn on a latitude/longitude map of 40 x 40 degrees.
class StationModelTest : public test::RecorderTest {
protected:
    void SetUp() override {
        test::RecorderTest::SetUp();
        Domain d = test::latlon_domain(41, 41);
        ASSERT_GE(MAP_setup(&d), 0);
        height_ = MAP_get_vert();
        ASSERT_GT(height_, 0.0F);
        test::open_recording(&drawn_, -1e4F, 1e4F, -1e4F, 1e4F);
        ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
        ASSERT_EQ(RAW_plot_init(nullptr, 1.0F), 0);
    }
    int plot(int type, float value, float second, const char* text = "", const char* format = "") {
        RawData r;
        RAW_data_init(&r);
        r.x = 0;
        r.y = 0;
        r.type = type;
        r.value = value;
        r.second = second;
        copy_text(r.text, text);
        copy_text(r.format, format);
        return RAW_plot_data(&r);
    }
    float height_ = 0;
};
TEST_F(StationModelTest, WindsCloudsAndValuesAtTheStation) {
    ASSERT_EQ(plot(kRawCbarb, 0, 0), 0);  // calm: the 0.013 circle and no shaft
    ASSERT_EQ(drawn_.shapes.size(), 1u);
    EXPECT_NEAR(drawn_.shapes[0].points[0].x, 0.013F * height_, 1e-4F * height_);
    drawn_.shapes.clear();
    ASSERT_EQ(plot(kRawCbarb, 180, 10), 0);  // a south wind: the shaft runs south from the circle's rim
    ASSERT_EQ(drawn_.lines(), 2);
    EXPECT_NEAR(drawn_.shapes[0].points[0].y, -0.01F * height_, 1e-4F * height_);
    EXPECT_NEAR(drawn_.shapes[0].points[1].y, -0.05F * height_, 1e-4F * height_);
    drawn_.shapes.clear();
    EXPECT_EQ(plot(kRawWbarb, -9999, 10), -1);
    EXPECT_EQ(plot(kRawValue, 20, -9999, "", "mx=10"), -1);  // outside the range
    EXPECT_TRUE(drawn_.shapes.empty());
    ASSERT_EQ(plot(kRawCloud, 67, -9999, "B"), 0);
    EXPECT_EQ(drawn_.fills(), 1);
    ASSERT_EQ(plot(kRawValue, 71.6F, -9999, "", "ul"), 0);
    ASSERT_EQ(plot(kRawText, -9999, -9999, "IFR"), 0);
    EXPECT_EQ(plot(kRawValue, -9999, -9999), -1);
    EXPECT_EQ(drawn_.texts, (std::vector<std::string>{"72", "IFR"}));
}
TEST_F(RawPlotTest, FormatFieldsPositionsAndTypes) {
    struct Case { const char* text; int type; float x, y; int horizontal, vertical; };
    for (const Case& c : {Case{"ul", 0, -0.012F, 0.02F, 3, 3}, Case{"LR", 0, 0.012F, -0.02F, 1, 3},
                          Case{"value:cc", 2, 0, 0, 2, 3}, Case{"wbarb:xy=-2 1", 32, -0.024F, 0.02F, 3, 3},
                          Case{"symb:ta=LT", 36, 0, 0, 1, 1}, Case{"%4.1f:tr", 2, 0.012F, 0.012F, 1, 3},
                          Case{"ta=rs:cbarb", 33, 0, 0, 3, 4}, Case{"bogus:xy=junk", 0, 0, 0, 2, 3}}) {
        RawFormat f;
        RAW_init_attrib(&f);
        EXPECT_EQ(RAW_parse_format(&f, c.text), c.type) << c.text;
        EXPECT_EQ(std::make_tuple(f.x_offset, f.y_offset, f.horizontal, f.vertical), std::make_tuple(c.x, c.y, c.horizontal, c.vertical)) << c.text;
    }
    RawFormat f;
    RAW_init_attrib(&f);
    RAW_parse_format(&f, "mk=crcl:sc=5000:mn=10:mx=20:sk=3:tx=A_very_long_fixed_text:sf=my.smb");
    EXPECT_EQ(std::make_tuple(f.marker, f.scale, f.min, f.max, f.skip, std::string(f.text), std::string(f.symbol_file)),
              std::make_tuple(4, 1.0F, 10.0F, 20.0F, 3, std::string("A_very_lo"), std::string("my.smb")));
}
TEST_F(RawPlotTest, ValueTexts) {
    struct Case { int type; const char* format; float value, second; const char* text; const char* expected; };
    for (const Case& c : {Case{2, "%z.1f", 0.5F, -9999, "", ".5"}, Case{2, "%z.1f", -0.5F, -9999, "", "-.5"},
                          Case{2, "", 71.6F, -9999, "", "72"}, Case{2, "%4.1f", 71.66F, -9999, "", "71.7"},
                          Case{2, "%s%n", 71.6F, -9999, "", "72"}, Case{2, "%d", 3, -9999, "", "3"},
                          Case{2, "", -9999, -9999, "", ""}, Case{3, "", 5, -9999, "OVC", "OVC"},
                          Case{32, "", 270, 15, "", "270-15"}, Case{32, "", 270, -9999, "", ""},
                          Case{5, "", 7.9F, -9999, "", "7"}}) {
        RawData r;
        RAW_data_init(&r);
        r.type = c.type;
        std::strcpy(r.format, c.format);
        std::strcpy(r.text, c.text);
        r.value = c.value;
        r.second = c.second;
        char out[kRawTextSize];
        EXPECT_STREQ(RAW_data_to_string(out, &r), c.expected) << c.format << " " << c.value;
    }
}
}  // namespace
}  // namespace orv
