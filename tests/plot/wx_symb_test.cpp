#include "plot/wx_symb.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class WxSymbTest : public test::RecorderTest {
protected:
    void SetUp() override {
        test::RecorderTest::SetUp();
        RES_put("file_path", (dir_.path() + "/").c_str());
        test::open_recording(&drawn_, -2.0F, 2.0F, -2.0F, 2.0F);
    }
};
TEST_F(WxSymbTest, CloudCodesFillTheirShareOfTheCircle) {
    const float full = 3.0F;  // a 12-sided polygon of radius 1
    struct Case { const char* code; float share; int lines; };
    for (const Case& c : {Case{"C", 0, 1}, Case{"F", 0, 2}, Case{"S", 0.25F, 1}, Case{"3", 0.25F, 2},
                          Case{"4", 0.5F, 1}, Case{"5", 0.5F, 2}, Case{"B", 0.75F, 1}, Case{"O", 1, 1},
                          Case{"7", 0.67F, 1}, Case{"X", 0, 3}, Case{"?", 0, 2}}) {
        drawn_.shapes.clear();
        ASSERT_EQ(WX_cloud(c.code, 0, 0, 1), 0);
        double area = 0;
        for (const test::Shape& s : drawn_.shapes) area += s.filled ? test::area_of(s.points) : 0.0;
        EXPECT_NEAR(area / full, c.share, 0.06) << c.code;
        EXPECT_EQ(drawn_.lines(), c.lines) << c.code;
    }
}
TEST_F(WxSymbTest, SymbolFileEntriesByPrefixAndBadInput) {
    std::string many;
    for (int i = 0; i < 105; ++i) many += "S" + std::to_string(i) + " 0,0 1,1 L $\n";
    std::string long_group = "LONG ";
    for (int i = 0; i < 25; ++i) long_group += "0.5,0.5 ";
    dir_.write("a.smb", "R 0,0 1,0 1,1 F 0,0 0,1 L $\nTRW 0.5,0 0.5,1 L\n$\nAVERYLONGSYMBOLNAMEINDEED 0,0 1,1 L $\n" +
                            long_group + "L $\nJUNK 0,0 x,y 1,1 L $\nCUT 0,0 0.5");
    ASSERT_EQ(WX_symb_file("a.smb"), 6);
    EXPECT_EQ(WX_symb_file("a.smb"), -1);  // already open
    GPH_text_align(1, 5);                  // box corner at the point
    ASSERT_EQ(WX_symb("R-", 1, 1, 0.5F), 0);
    ASSERT_EQ(drawn_.shapes.size(), 2u);
    EXPECT_TRUE(drawn_.shapes[0].filled);
    EXPECT_EQ(std::make_pair(drawn_.shapes[0].points[2].x, drawn_.shapes[0].points[2].y), std::make_pair(1.5F, 1.5F));
    EXPECT_EQ(WX_symb("trw", 0, 0, 1), 0);
    EXPECT_EQ(WX_symb("ZR", 0, 0, 1), -1);
    EXPECT_EQ(WX_symb("  ", 0, 0, 1), -1);
    drawn_.shapes.clear();
    EXPECT_EQ(WX_symb("LONG", 0, 0, 1), 0);
    ASSERT_EQ(drawn_.shapes.size(), 1u);
    EXPECT_EQ(drawn_.shapes[0].points.size(), 20u);
    EXPECT_EQ(WX_symb("CUT", 0, 0, 1), 0);  // an entry cut short by the end of the file draws nothing
    dir_.write("b.smb", many);
    EXPECT_EQ(WX_symb_file("b.smb"), kWxMaxEntries);
    EXPECT_EQ(WX_symb_file("missing.smb"), -1);
}
}  // namespace
}  // namespace orv
