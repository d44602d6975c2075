#include "plot/colors.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

class Colors : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/colors_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        RES_reset_for_tests();
        MESS_reset_for_tests();
        CLR_reset_for_tests();
        gks_text_reset_for_tests();
        RES_put("file_path", (dir_ + "/").c_str());
    }
    void TearDown() override {
        CLR_reset_for_tests();
        RES_reset_for_tests();
        std::filesystem::remove_all(dir_);
    }
    void write(const char* name, const std::string& text) { std::ofstream(dir_ + "/" + name) << text; }
    static AttribRecord unset() {
        AttribRecord r{};
        ATTRIB_init(&r);
        return r;
    }
    static void expect_rgb(int i, float r, float gr, float b) {
        float cr = -1;
        float cg = -1;
        float cb = -1;
        CLR_get_rgb(i, &cr, &cg, &cb);
        EXPECT_NEAR(cr, r, 1e-4) << "entry " << i;
        EXPECT_NEAR(cg, gr, 1e-4) << "entry " << i;
        EXPECT_NEAR(cb, b, 1e-4) << "entry " << i;
    }
    std::string dir_;
};

// --- colour table files ---------------------------------------------------

TEST_F(Colors, TableLinesInEveryFormAndCommentsAndEnd) {
    write("t.clr",
          "# a comment\r\n"
          "  black 0 0 0  \r\n"
          "7 white 1.0 1.0 1.0\n"
          "Red #FF0000\n"
          "12 teal #008080\n"
          "\n"
          "END\n"
          "LGray 0.8 0.8 0.8\n");
    EXPECT_EQ(CLR_read_table("t.clr"), 5);
    EXPECT_EQ(CLR_get_num(), 5);
    EXPECT_STREQ(CLR_get_name(0), "black");
    EXPECT_STREQ(CLR_get_name(1), "white");
    EXPECT_STREQ(CLR_get_name(2), "Red");
    EXPECT_STREQ(CLR_get_name(3), "teal");
    expect_rgb(1, 1, 1, 1);
    expect_rgb(2, 1, 0, 0);
    expect_rgb(3, 0, 128.0F / 255.0F, 128.0F / 255.0F);
    expect_rgb(4, 0.8F, 0.8F, 0.8F);
    // Named by argument: the table declares no fill colours.
    EXPECT_EQ(CLR_get_num_fill(), 0);
    // Beyond the table: the last entry; an empty table: nothing.
    EXPECT_STREQ(CLR_get_name(57), "LGray");
    CLR_clear_table();
    EXPECT_STREQ(CLR_get_name(3), "");
    float r = -1;
    EXPECT_EQ(CLR_get_rgb(3, &r, nullptr, nullptr), -1);
    EXPECT_EQ(r, 0.0F);
}

TEST_F(Colors, FillColoursComeFromTheConfiguredTable) {
    std::string text;
    for (int i = 0; i < 20; ++i) {
        if (i == 15) text += "END\n";
        text += "c" + std::to_string(i) + " 0.1 0.2 0.3\n";
    }
    write("fill.clr", text);
    RES_put("color_table", "fill.clr");
    EXPECT_EQ(CLR_read_table(nullptr), 20);
    EXPECT_EQ(CLR_get_num_fill(), 15);

    // Without END the table declares all but its last colour.
    write("noend.clr", "a 0 0 0\nb 0 0 0\nc 0 0 0\n");
    RES_put("color_table", "noend.clr");
    CLR_read_table("");
    EXPECT_EQ(CLR_get_num(), 3);
    EXPECT_EQ(CLR_get_num_fill(), 2);
}

TEST_F(Colors, SeveralFilesAppendAndMissingFilesAreSkipped) {
    write("a.clr", "black 0 0 0\nwhite 1 1 1\nEND\n");
    write("b.clr", "red 1 0 0\n");
    EXPECT_EQ(CLR_read_table("gone.clr, a.clr,,b.clr"), 3);
    EXPECT_EQ(CLR_get_ind("red"), 2);
    EXPECT_EQ(CLR_get_num_fill(), 0);
    // A list of which nothing opens keeps the table.
    EXPECT_EQ(CLR_read_table("gone.clr"), 3);
    EXPECT_EQ(CLR_get_ind("white"), 1);
}

TEST_F(Colors, BadLinesKeepWhatTheScanStoredAndTheTableStopsAt256) {
    std::string text = "only_name\nnum 0.5\nhexy #12\n";
    text += "averyveryverylongcolourname 0 0 1" + std::string(200, ' ') + "junk\n";
    for (int i = 0; i < 300; ++i) text += "k" + std::to_string(i) + " 0.25 0.5 2.0\n";
    write("t.clr", text);
    EXPECT_EQ(CLR_read_table("t.clr"), 256);
    EXPECT_STREQ(CLR_get_name(0), "only_name");
    EXPECT_STREQ(CLR_get_name(2), "hexy");
    EXPECT_STREQ(CLR_get_name(3), "averyveryverylongco");  // long lines and names are cut
    expect_rgb(4, 0.25F, 0.5F, 1.0F);                       // intensities above 1 are cut
    EXPECT_STREQ(CLR_get_name(255), "k251");
    EXPECT_EQ(CLR_get_ind("k252"), -1);
}

TEST_F(Colors, TablesThatAreNoTablesWarnAndFallBackToTheBuiltInColours) {
    write("maps.lst", "[25,80,-160,-65,75]\n  orv.map\n  >20:lalo:10\n");
    write("one.clr", "red 1 0 0\n");
    const struct {
        const char* list;
        const char* warning;
    } cases[] = {
        {"maps.lst", "CLR_read_table: 3 lines of maps.lst are not colours (line 1: [25,80,-160,-65,75])\n"},
        {"one.clr", ""},
        {"gone.clr", ""},
    };
    for (const auto& c : cases) {
        CLR_reset_for_tests();
        testing::internal::CaptureStderr();
        CLR_read_table(c.list);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string(c.warning) + "CLR_read_table: no usable colour table in " + c.list +
                      "; using the built-in colours\n");
        expect_rgb(CLR_get_ind("white"), 1, 1, 1);
        expect_rgb(CLR_get_ind("LBlue"), 0.45F, 0.65F, 1.0F);
        EXPECT_NE(CLR_get_ind("white"), CLR_get_ind("black")) << c.list;
    }
}

// --- colour texts ---------------------------------------------------------

TEST_F(Colors, ColourTextsToIndices) {
    write("t.clr", "black 0 0 0\nwhite 1 1 1\nRed 1 0 0\nred 0.5 0 0\n");
    CLR_read_table("t.clr");
    EXPECT_EQ(CLR_get_ind("RED"), 2);  // first match, any case
    EXPECT_EQ(CLR_get_ind(""), -1);
    EXPECT_EQ(CLR_get_ind(nullptr), -1);
    EXPECT_EQ(CLR_get_ind("None"), -1);
    EXPECT_EQ(CLR_get_ind("OFF"), -1);
    EXPECT_EQ(CLR_get_ind("back"), -1);
    EXPECT_EQ(CLR_get_ind("End"), -2);
    EXPECT_EQ(CLR_get_ind("12"), 12);  // beyond the table all the same
    EXPECT_EQ(CLR_get_ind("0"), 0);
    EXPECT_EQ(CLR_get_ind("purple"), -1);
    EXPECT_EQ(CLR_get_num(), 4);
}

TEST_F(Colors, PatternColours) {
    const char* names[] = {"pblk", "pbblk", "ptblk", "pwht", "pbwht", "ptwht", "pgry", "pbgry", "ptgry"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(CLR_get_ind(names[i]), 500 + i) << names[i];
    EXPECT_EQ(CLR_get_ind("PGRY"), 506);
}

TEST_F(Colors, RgbTextsAddAnEntryOnceAndAreFoundAgain) {
    write("t.clr", "black 0 0 0\nwhite 1 1 1\n");
    CLR_read_table("t.clr");
    EXPECT_EQ(CLR_get_ind("#FF8000"), 2);
    EXPECT_STREQ(CLR_get_name(2), "#FF8000");
    expect_rgb(2, 1, 128.0F / 255.0F, 0);
    EXPECT_EQ(CLR_get_ind("#ff8000"), 2);
    EXPECT_EQ(CLR_get_num(), 3);

    EXPECT_EQ(CLR_get_ind("#255000051"), 3);
    expect_rgb(3, 1, 0, 51.0F / 255.0F);
    // Texts of other lengths or with other characters are no colour.
    EXPECT_EQ(CLR_get_ind("#FF80"), -1);
    EXPECT_EQ(CLR_get_ind("#GG0000"), -1);
    EXPECT_EQ(CLR_get_ind("#12345678X"), -1);
    EXPECT_EQ(CLR_get_num(), 4);
}

TEST_F(Colors, AFullTableGivesTheNearestColourForNewRgbTexts) {
    std::string text = "black 0 0 0\nwhite 1 1 1\n";
    for (int i = 2; i < 256; ++i) text += "g" + std::to_string(i) + " 0.5 0.5 0.5\n";
    write("t.clr", text);
    CLR_read_table("t.clr");
    EXPECT_EQ(CLR_get_ind("#F0F0F0"), 1);
    EXPECT_EQ(CLR_get_num(), 256);
}

TEST_F(Colors, ShippedTableHasTheDefaultColourNamesAndARamp) {
    RES_put("file_path", ORV_DATA_DIR);
    CLR_read_table(nullptr);
    const char* names[] = {"black", "white", "red", "green", "blue", "yellow", "brown", "magenta",
                           "cyan", "gray", "tan", "Magenta", "LMagenta", "Blue", "LBlue", "Cyan",
                           "LCyan", "Green", "LGreen", "Brown", "Yellow", "Red", "LRed", "DGray",
                           "LGray", "White"};
    for (const char* name : names) EXPECT_GE(CLR_get_ind(name), 0) << name;
    const int fills = CLR_get_num_fill();
    ASSERT_GE(fills, 10);
    // Cold to warm: the ramp starts blue-ish and ends red-ish.
    float r0 = 0, g0 = 0, b0 = 0, r1 = 0, g1 = 0, b1 = 0;
    CLR_get_rgb(0, &r0, &g0, &b0);
    CLR_get_rgb(fills - 1, &r1, &g1, &b1);
    EXPECT_GT(b0, r0);
    EXPECT_GT(r1, b1);
    expect_rgb(CLR_get_ind("black"), 0, 0, 0);
    expect_rgb(CLR_get_ind("White"), 1, 1, 1);
}

TEST_F(Colors, TableColoursReachTheOpenDevice) {
    write("t.clr", "black 0 0 0\nwhite 1 1 1\nred 1 0 0\n");
    CLR_read_table("t.clr");
    gks_reset_all_for_tests();
    MESS_set(-1, static_cast<int>(kMessPrint));
    ASSERT_EQ(gopen_gks(nullptr), 0);
    ASSERT_EQ(gopen_ws(1, (dir_ + "/out.ps").c_str(), kWsPostScript), 0);
    EXPECT_EQ(CLR_define_colors(), 3);
    const int added = CLR_get_ind("#00FF80");
    float r = -1;
    float gr = -1;
    float b = -1;
    gget_color_rgb(2, &r, &gr, &b);
    EXPECT_EQ(r, 1.0F);
    EXPECT_EQ(gr, 0.0F);
    gget_color_rgb(added, &r, &gr, &b);
    EXPECT_EQ(r, 0.0F);
    EXPECT_EQ(gr, 1.0F);
    EXPECT_NEAR(b, 128.0F / 255.0F, 1e-6);
    gclose_ws(1);
    gclose_gks();
    gks_reset_all_for_tests();
}

// --- attribute texts ------------------------------------------------------

TEST_F(Colors, AttributeTextsWithKeys) {
    write("t.clr", "black 0 0 0\nwhite 1 1 1\nred 1 0 0\nblue 0 0 1\n");
    CLR_read_table("t.clr");
    AttribRecord r = unset();
    ATTRIB_parse("red:wi=2:st=dsh", &r);
    EXPECT_EQ(r.color, 2);
    EXPECT_EQ(r.width, 2.0F);
    EXPECT_EQ(r.style, 2);
    EXPECT_EQ(r.fill, kMissing);
    EXPECT_EQ(r.height, kMissingF);

    r = unset();
    ATTRIB_parse("co=blue:fp=hat", &r);
    EXPECT_EQ(r.color, 3);
    EXPECT_EQ(r.fill, 9);

    r = unset();
    ATTRIB_parse("CO=white:ST=llsdsh:sc=1.5:te=0.8:fi=3%:HI=2", &r);
    EXPECT_EQ(r.color, 1);
    EXPECT_EQ(r.style, 4);
    EXPECT_EQ(r.height, 2.0F);
    EXPECT_FLOAT_EQ(r.expansion, 0.8F);
    EXPECT_EQ(r.fill, 13);

    const char* styles[] = {"sol", "dsh", "lsdsh", "llsdsh", "dot", "7", "x"};
    const int expected[] = {1, 2, 3, 4, 5, 7, 0};
    for (int i = 0; i < 7; ++i) {
        ATTRIB_parse((std::string("st=") + styles[i]).c_str(), &r);
        EXPECT_EQ(r.style, expected[i]) << styles[i];
    }
}

TEST_F(Colors, FirstFieldIsAColourAndLettersReadValues) {
    write("t.clr", "black 0 0 0\nw3 1 1 1\n");
    CLR_read_table("t.clr");
    AttribRecord r = unset();
    ATTRIB_parse("w3", &r);
    EXPECT_EQ(r.color, 1);
    EXPECT_EQ(r.width, kMissingF);

    r = unset();
    ATTRIB_parse("black:w3:s2:h1.5:e0.5:f6:t2:q9", &r);
    EXPECT_EQ(r.color, 0);
    EXPECT_EQ(r.width, 3.0F);
    EXPECT_EQ(r.style, 2);
    EXPECT_EQ(r.height, 1.5F);
    EXPECT_EQ(r.expansion, 0.5F);
    EXPECT_EQ(r.fill, 6);
    EXPECT_EQ(r.font, 2);

    ATTRIB_parse(":fM:wxyz", &r);  // the colour stays; "fM" unsets the pattern
    EXPECT_EQ(r.color, 0);
    EXPECT_EQ(r.fill, kMissing);
    EXPECT_EQ(r.width, 0.0F);

    ATTRIB_parse("none", &r);
    EXPECT_EQ(r.color, -1);
    ATTRIB_parse("wi=4", &r);  // a keyed first field is no colour
    EXPECT_EQ(r.color, -1);
    EXPECT_EQ(r.width, 4.0F);
}

TEST_F(Colors, FontFieldTakesANameFromTheFontList) {
    write("fonts.lst", "alpha a.fnt\nbeta b.fnt\n");
    gset_font_list("fi:fonts.lst");
    ASSERT_EQ(gsetup_fonts(), 2);
    AttribRecord r = unset();
    ATTRIB_parse("fo=BETA", &r);
    EXPECT_EQ(r.font, 2);
    ATTRIB_parse("fo=3", &r);
    EXPECT_EQ(r.font, 3);
    ATTRIB_parse("fo=nosuchfont", &r);
    EXPECT_EQ(r.font, 1);
}

TEST_F(Colors, GetParsesTheDefaultThenTheResource) {
    write("t.clr", "black 0 0 0\nwhite 1 1 1\nred 1 0 0\n");
    CLR_read_table("t.clr");
    AttribRecord r = unset();
    EXPECT_EQ(ATTRIB_get("color_line", "red:s4", &r), 0);
    EXPECT_EQ(r.color, 2);
    EXPECT_EQ(r.style, 4);
    EXPECT_EQ(r.width, kMissingF);

    RES_put("color_line", "wi=3");
    r = unset();
    EXPECT_EQ(ATTRIB_get("color_line", "red:s4", &r), 1);
    EXPECT_EQ(r.color, 2);
    EXPECT_EQ(r.style, 4);
    EXPECT_EQ(r.width, 3.0F);
}

TEST_F(Colors, UpdateCopiesOnlySetFields) {
    AttribRecord target{3, 1.0F, 2.0F, 1.0F, 1, 0, 1};
    AttribRecord source = unset();
    source.width = 5.0F;
    source.fill = 9;
    ATTRIB_update(&target, &source);
    EXPECT_EQ(target.color, 3);
    EXPECT_EQ(target.width, 5.0F);
    EXPECT_EQ(target.height, 2.0F);
    EXPECT_EQ(target.fill, 9);
    EXPECT_EQ(target.font, 1);
}

TEST_F(Colors, FillPatternNames) {
    const std::pair<const char*, int> cases[] = {
        {"sol", 0}, {"ST", 1}, {"lst", 4}, {"||", 5}, {"\\\\", 6}, {"//", 7}, {"--", 8},
        {"xx", 9}, {"0%", 10}, {"1%", 11}, {"9%", 19}, {"14", 14}, {"solid", 0}, {"10%", 10}};
    for (const auto& [text, pattern] : cases) EXPECT_EQ(ATTR_parse_fill_pat(text), pattern) << text;
}

TEST_F(Colors, MarkerNames) {
    const std::pair<const char*, int> cases[] = {
        {"pnt", 1}, {".", 1}, {"plus", 2}, {"+", 2}, {"STAR", 3}, {"*", 3}, {"crcl", 4},
        {"circle", 4}, {"o", 4}, {"x", 5}, {"sqr", 6}, {"square", 6}, {"#", 6}, {"tri", 7},
        {"^", 7}, {"itri", 9}, {"v", 9}, {"dot", 8}, {"pl", 0}, {"12", 12}, {"triangle", 7}};
    for (const auto& [text, marker] : cases) EXPECT_EQ(ATTR_parse_marker(text), marker) << text;
}

}  // namespace
}  // namespace orv
