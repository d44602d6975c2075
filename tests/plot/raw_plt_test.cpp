#include "plot/raw_plt.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/flag.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
#include "gks/gph.hpp"
#include "plot/colors.hpp"

namespace orv {
namespace {

class RawPlotTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        RAW_plt_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        VAR_reset_for_tests();
    }
};

TEST_F(RawPlotTest, FormatFieldsPositionsAndTypes) {
    struct Case {
        const char* text;
        int type;
        float x, y;
        int horizontal, vertical;
    };
    for (const Case& c : {Case{"ul", 0, -0.012F, 0.02F, 3, 3}, Case{"LR", 0, 0.012F, -0.02F, 1, 3},
                          Case{"value:cc", 2, 0, 0, 2, 3}, Case{"wbarb:xy=-2 1", 32, -0.024F, 0.02F, 3, 3},
                          Case{"symb:ta=LT", 36, 0, 0, 1, 1}, Case{"%4.1f:tr", 2, 0.012F, 0.012F, 1, 3},
                          Case{"ta=rs:cbarb", 33, 0, 0, 3, 4}, Case{"bogus:xy=junk", 0, 0, 0, 2, 3}}) {
        RawFormat f;
        RAW_init_attrib(&f);
        EXPECT_EQ(RAW_parse_format(&f, c.text), c.type) << c.text;
        EXPECT_FLOAT_EQ(f.x_offset, c.x) << c.text;
        EXPECT_FLOAT_EQ(f.y_offset, c.y) << c.text;
        EXPECT_EQ(f.horizontal, c.horizontal) << c.text;
        EXPECT_EQ(f.vertical, c.vertical) << c.text;
    }
    RawFormat f;
    RAW_init_attrib(&f);
    RAW_parse_format(&f, "mk=crcl:sc=5000:mn=10:mx=20:sk=3:tx=A_very_long_fixed_text:sf=my.smb");
    EXPECT_EQ(f.marker, 4);
    EXPECT_EQ(f.scale, 1.0F);
    EXPECT_EQ(f.min, 10.0F);
    EXPECT_EQ(f.max, 20.0F);
    EXPECT_EQ(f.skip, 3);
    EXPECT_STREQ(f.text, "A_very_lo");
    EXPECT_STREQ(f.symbol_file, "my.smb");
}

TEST_F(RawPlotTest, ValueTexts) {
    struct Case {
        int type;
        const char* format;
        float value, second;
        const char* text;
        const char* expected;
    };
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
