#include "core/unittool.hpp"
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

class Units : public ::testing::Test {
protected:
    void SetUp() override {
        UNIT_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
    }
    void TearDown() override {
        UNIT_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
    }
    // Uses a units file with the given lines (file_path without a trailing "/").
    void write_units(const std::string& content) {
        std::ofstream(dir_ + "/units.lup") << content;
        RES_put("file_path", dir_.c_str());
    }
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
};

// {from, to, value, result, tolerance}
struct Conversion { const char *from, *to; float value, result, tolerance; };

TEST_F(Units, ConversionsThroughTheLocalFile) {
    write_units("# test units\nC F *1.8+32\nF C *0.5555556-17.777778\nK C -273.15\nm ft *3.2808399\n");
    const Conversion cases[] = {
        {"C", "F", -9999.0F, -9999.0F, 0}, {"mb", "mb", 10.0F, 10.0F, 0}, {"KNT", "knt", 7.0F, 7.0F, 0},
        {"in_Hg", "in Hg", 29.9F, 29.9F, 0},  // "_" reads as a blank
        {"F", "", 50.0F, 50.0F, 0},  // no target: not converted
        {"C", "F", 100.0F, 212.0F, 1e-4F}, {"C", "100 F", 100.0F, 2.12F, 1e-6F},  // the target carries a scale
        {"c", "f", 0.0F, 32.0F, 1e-5F}, {"K", "C", 273.15F, 0.0F, 1e-4F}, {"10^3 m", "ft", 1.0F, 3280.8399F, 1e-3F},
        {"m", "10^-1 ft", 1.0F, 32.808399F, 1e-4F}, {"-m", "ft", 1.0F, -3.2808399F, 1e-6F},
        {"100 m", "m", 2.0F, 200.0F, 1e-4F},  // equal base units need no file line
        {"m", "yd", 5.0F, 5.0F, 1e-6F},  // no line: factor 1, offset 0
    };
    for (const Conversion& c : cases) EXPECT_NEAR(UNIT_cvt(c.from, c.to, c.value), c.result, c.tolerance) << c.from << " " << c.to;
}

// The shipped units file, found through the compiled-in data directory.
TEST_F(Units, ShippedUnitsFile) {
    const Conversion cases[] = {
        {"F", "C", 212.0F, 100.0F, 1e-4F}, {"K", "F", 273.15F, 32.0F, 1e-4F}, {"knt", "m/s", 10.0F, 5.144444F, 1e-5F},
        {"mb", "in Hg", 1013.25F, 29.92F, 0.01F}, {"100 ft", "m", 12.0F, 365.76F, 1e-3F},
    };
    for (const Conversion& c : cases) EXPECT_NEAR(UNIT_cvt(c.from, c.to, c.value), c.result, c.tolerance) << c.from << " " << c.to;
}

TEST(UnitTexts, ScaleParseAndChange) {
    char out[kUnitsSize];
    EXPECT_STREQ(UNIT_scale("m/s", "/m", out, 1e-5F), "1e-05 m/s/m");
    EXPECT_STREQ(UNIT_scale("100 m", "", out, 1e-5F), "1e-03 m");
    char small[8];
    EXPECT_STREQ(UNIT_scale("m/s", "/m", small, 1e-5F), "1e-05 m") << "cut at the buffer size";
    char name[kUnitNameSize], units[kUnitsSize];
    EXPECT_EQ(UNIT_parse("500 mb Temperature  (K)", name, units), 2);
    EXPECT_STREQ(name, "500 mb Temperature");
    EXPECT_STREQ(units, "K");
    EXPECT_EQ(UNIT_parse("Height", name, units), 1);
    EXPECT_STREQ(name, "Height");
    EXPECT_STREQ(units, "");
    EXPECT_EQ(UNIT_parse("(K)", name, units), 0);
    EXPECT_EQ(UNIT_parse("", name, units), -1);
    EXPECT_EQ(UNIT_parse("T (a very long units text)", name, units), 2);
    EXPECT_EQ(std::string(units).size(), kUnitsSize - 1);
    char info[71] = "Sfc Temperature (K)";
    EXPECT_STREQ(UNIT_change(info, "F"), "Sfc Temperature (F)");
    char tight[12] = "Temperature";
    EXPECT_STREQ(UNIT_change(tight, "F"), "Temperature");
}
}  // namespace
}  // namespace orv
