#include "plot/colors.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class Colors : public test::ModuleTest {
protected:
    void SetUp() override {
        test::ModuleTest::SetUp();
        RES_put("file_path", (dir_.path() + "/").c_str());
    }
    // Reads a table of the given lines.
    void table(const std::string& text) {
        dir_.write("t.clr", text);
        CLR_read_table("t.clr");
    }
    static std::vector<float> rgb(int i) {
        float r = -1, g = -1, b = -1;
        CLR_get_rgb(i, &r, &g, &b);
        return {r, g, b};
    }
    static void expect_rgb(int i, std::vector<float> want) {
        const std::vector<float> got = rgb(i);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], 1e-4) << "entry " << i << " part " << k;
    }
    static AttribRecord parsed(const char* text, AttribRecord r = unset()) {
        ATTRIB_parse(text, &r);
        return r;
    }
    static AttribRecord unset() {
        AttribRecord r{};
        ATTRIB_init(&r);
        return r;
    }
};
TEST_F(Colors, TableLinesInEveryFormAndCommentsAndEnd) {
    dir_.write("t.clr", "# a comment\r\n  black 0 0 0  \r\n7 white 1.0 1.0 1.0\nRed #FF0000\n12 teal #008080\n\nEND\n"
                        "LGray 0.8 0.8 0.8\n");
    EXPECT_EQ(CLR_read_table("t.clr"), 5);
    EXPECT_EQ(CLR_get_num(), 5);
    for (const auto& [i, name] : {std::pair{0, "black"}, {1, "white"}, {2, "Red"}, {3, "teal"}, {57, "LGray"}})
        EXPECT_STREQ(CLR_get_name(i), name) << i;  // beyond the table: the last entry
    for (const auto& [i, want] : {std::pair{1, std::vector<float>{1, 1, 1}}, {2, {1, 0, 0}}, {3, {0, 128.0F / 255.0F, 128.0F / 255.0F}}})
        expect_rgb(i, want);
    expect_rgb(4, {0.8F, 0.8F, 0.8F});
    EXPECT_EQ(CLR_get_num_fill(), 0);  // named by argument: the table declares no fill colours
    CLR_clear_table();
    EXPECT_STREQ(CLR_get_name(3), "");
    float r = -1;
    EXPECT_EQ(CLR_get_rgb(3, &r, nullptr, nullptr), -1);
    EXPECT_EQ(r, 0.0F);
}
TEST_F(Colors, FillColoursListsOfFilesAndTheLimitOf256) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += (i == 15 ? "END\n" : "") + ("c" + std::to_string(i)) + " 0.1 0.2 0.3\n";
    dir_.write("fill.clr", text);
    RES_put("color_table", "fill.clr");
    EXPECT_EQ(CLR_read_table(nullptr), 20);
    EXPECT_EQ(CLR_get_num_fill(), 15);
    dir_.write("noend.clr", "a 0 0 0\nb 0 0 0\nc 0 0 0\n");  // all but the last colour
    RES_put("color_table", "noend.clr");
    CLR_read_table("");
    EXPECT_EQ(CLR_get_num(), 3);
    EXPECT_EQ(CLR_get_num_fill(), 2);
    CLR_reset_for_tests();
    dir_.write("a.clr", "black 0 0 0\nwhite 1 1 1\nEND\n");
    dir_.write("b.clr", "red 1 0 0\n");
    EXPECT_EQ(CLR_read_table("gone.clr, a.clr,,b.clr"), 3);
    EXPECT_EQ(CLR_get_ind("red"), 2);
    EXPECT_EQ(CLR_get_num_fill(), 0);
    EXPECT_EQ(CLR_read_table("gone.clr"), 3);  // a list of which nothing opens keeps the table
    EXPECT_EQ(CLR_get_ind("white"), 1);
    CLR_reset_for_tests();
    text = "only_name\nnum 0.5\nhexy #12\naveryveryverylongcolourname 0 0 1" + std::string(200, ' ') + "junk\n";
    for (int i = 0; i < 300; ++i) text += "k" + std::to_string(i) + " 0.25 0.5 2.0\n";
    dir_.write("t.clr", text);
    EXPECT_EQ(CLR_read_table("t.clr"), 256);
    EXPECT_STREQ(CLR_get_name(0), "only_name");
    EXPECT_STREQ(CLR_get_name(2), "hexy");
    EXPECT_STREQ(CLR_get_name(3), "averyveryverylongco");  // long lines and names are cut
    expect_rgb(4, {0.25F, 0.5F, 1.0F});                     // intensities above 1 are cut
    EXPECT_STREQ(CLR_get_name(255), "k251");
    EXPECT_EQ(CLR_get_ind("k252"), -1);
}
TEST_F(Colors, TablesThatAreNoTablesWarnAndFallBackToTheBuiltInColours) {
    dir_.write("maps.lst", "[25,80,-160,-65,75]\n  orv.map\n  >20:lalo:10\n");
    dir_.write("one.clr", "red 1 0 0\n");
    for (const auto& [list, warning] :
         {std::pair{"maps.lst", "CLR_read_table: 3 lines of maps.lst are not colours (line 1: [25,80,-160,-65,75])\n"},
          {"one.clr", ""}, {"gone.clr", ""}}) {
        CLR_reset_for_tests();
        EXPECT_EQ(test::stderr_of([&] { CLR_read_table(list); }),
                  std::string(warning) + "CLR_read_table: no usable colour table in " + list + "; using the built-in colours\n");
        expect_rgb(CLR_get_ind("white"), {1, 1, 1});
        expect_rgb(CLR_get_ind("LBlue"), {0.45F, 0.65F, 1.0F});
        EXPECT_NE(CLR_get_ind("white"), CLR_get_ind("black")) << list;
    }
}
TEST_F(Colors, RgbTextsAddAnEntryOnceAndAreFoundAgain) {
    table("black 0 0 0\nwhite 1 1 1\n");
    EXPECT_EQ(CLR_get_ind("#FF8000"), 2);
    EXPECT_STREQ(CLR_get_name(2), "#FF8000");
    expect_rgb(2, {1, 128.0F / 255.0F, 0});
    EXPECT_EQ(CLR_get_ind("#ff8000"), 2);
    EXPECT_EQ(CLR_get_ind("#255000051"), 3);
    expect_rgb(3, {1, 0, 51.0F / 255.0F});
    for (const char* bad : {"#FF80", "#GG0000", "#12345678X"}) EXPECT_EQ(CLR_get_ind(bad), -1) << bad;
    EXPECT_EQ(CLR_get_num(), 4);
    // A full table gives the nearest colour instead.
    std::string text = "black 0 0 0\nwhite 1 1 1\nblue 0 0 1\n";
    for (int i = 3; i < 256; ++i) text += "g" + std::to_string(i) + " 0.5 0.5 0.5\n";
    CLR_reset_for_tests();
    table(text);
    EXPECT_EQ(CLR_get_ind("#F0F0F0"), 1);
    EXPECT_EQ(CLR_get_ind("#0000F0"), 2);
    EXPECT_EQ(CLR_get_num(), 256);
}
// Attribute texts: keyed fields, a first field that is a colour, one-letter
// fields reading values, and the font named from the font list.
TEST_F(Colors, AttributeTexts) {
    table("black 0 0 0\nwhite 1 1 1\nred 1 0 0\nblue 0 0 1\nw3 1 1 1\n");
    const float U = kMissingF;
    const struct { const char* text; int color; float width; int style, fill; float height, expansion; int font; } cases[] = {
        {"red:wi=2:st=dsh", 2, 2, 2, kMissing, U, U, kMissing},
        {"co=blue:fp=hat", 3, U, kMissing, 9, U, U, kMissing},
        {"CO=white:ST=llsdsh:sc=1.5:te=0.8:fi=3%:HI=2", 1, U, 4, 13, 2, 0.8F, kMissing},
        {"w3", 4, U, kMissing, kMissing, U, U, kMissing},
        {"black:w3:s2:h1.5:e0.5:f6:t2:q9", 0, 3, 2, 6, 1.5F, 0.5F, 2},
        {"none", -1, U, kMissing, kMissing, U, U, kMissing},
        {"wi=4", kMissing, 4, kMissing, kMissing, U, U, kMissing},  // a keyed first field is no colour
    };
    for (const auto& c : cases) {
        const AttribRecord r = parsed(c.text);
        EXPECT_EQ(std::make_tuple(r.color, r.width, r.style, r.fill, r.height, r.expansion, r.font),
                  std::make_tuple(c.color, c.width, c.style, c.fill, c.height, c.expansion, c.font)) << c.text;
    }
    const AttribRecord after = parsed(":fM:wxyz", parsed("black:w3:f6"));  // the colour stays; "fM" unsets the pattern
    EXPECT_EQ(std::make_tuple(after.color, after.fill, after.width), std::make_tuple(0, kMissing, 0.0F));
    for (const auto& [style, want] : {std::pair{"sol", 1}, {"dsh", 2}, {"lsdsh", 3}, {"llsdsh", 4}, {"dot", 5}, {"7", 7}, {"x", 0}})
        EXPECT_EQ(parsed((std::string("st=") + style).c_str()).style, want) << style;
    dir_.write("fonts.lst", "alpha a.fnt\nbeta b.fnt\n");
    gset_font_list("fi:fonts.lst");
    ASSERT_EQ(gsetup_fonts(), 2);
    for (const auto& [font, want] : {std::pair{"fo=BETA", 2}, {"fo=3", 3}, {"fo=nosuchfont", 1}})
        EXPECT_EQ(parsed(font).font, want) << font;
}
}  // namespace
}  // namespace orv
