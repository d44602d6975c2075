#include "plot/windbarb.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class WindBarbTest : public test::RecorderTest {
protected:
    void SetUp() override {
        test::RecorderTest::SetUp();
        test::open_recording(&drawn_, -2.0F, 2.0F, -2.0F, 2.0F);
    }
    // Each {s, k, x, y}: point k of shape s is at (x, y).
    void expect_points(std::initializer_list<std::array<float, 4>> points) {
        for (const auto& [s, k, x, y] : points) {
            ASSERT_LT(s, drawn_.shapes.size());
            ASSERT_LT(k, drawn_.shapes[static_cast<std::size_t>(s)].points.size());
            const GPoint& p = drawn_.shapes[static_cast<std::size_t>(s)].points[static_cast<std::size_t>(k)];
            EXPECT_LT(std::hypot(p.x - x, p.y - y), 1e-4) << s << "," << k;
        }
    }
};
TEST_F(WindBarbTest, SpeedsBecomePennantsAndBarbs) {
    struct Case { float speed; int pennants, full, half; };
    for (const Case& c : {Case{65, 1, 1, 1}, Case{48, 1, 0, 0}, Case{47, 0, 4, 1}, Case{3, 0, 0, 1}, Case{2, 0, 0, 0},
                          Case{17, 0, 1, 1}, Case{102, 2, 0, 0}, Case{999, 6, 0, 0}}) {
        const BarbParts p = WIND_barb_parts(c.speed);
        EXPECT_EQ((std::array<int, 3>{p.pennants, p.full, p.half}), (std::array<int, 3>{c.pennants, c.full, c.half})) << c.speed;
    }
}
TEST_F(WindBarbTest, NorthWindOf65KnotsPointsNorthWithFlagsEast) {
    ASSERT_EQ(WIND_barb(0, 0, 0, 65, 1, 0.1F), 0);
    ASSERT_EQ(std::make_pair(drawn_.fills(), drawn_.lines()), std::make_pair(1, 4));  // shaft, pennant outline, full and half barb
    ASSERT_TRUE(drawn_.shapes[1].filled);
    expect_points({{0, 0, 0, 0.1F}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 0.88F}, {1, 2, 0.5F, 1}, {3, 0, 0, 0.76F},
                   {3, 1, 0.5F, 0.88F}, {4, 0, 0, 0.64F}, {4, 1, 0.25F, 0.70F}});
}
TEST_F(WindBarbTest, LightWindsAndCalm) {
    ASSERT_EQ(WIND_barb(0, 0, 90, 3, 1, 0), 0);  // east wind: shaft east, barbs south
    ASSERT_EQ(drawn_.lines(), 2);
    expect_points({{0, 1, 1, 0}, {1, 0, 0.88F, 0}, {1, 1, 0.94F, -0.25F}});
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_barb(0, 0, 0, 2, 1, 0), 0);
    EXPECT_EQ(drawn_.lines(), 1);  // the shaft alone
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_barb(0, 0, 0, 12, 1, 0), 0);  // the first full barb starts at the tip
    expect_points({{1, 0, 0, 1}, {1, 1, 0.5F, 1.12F}});
    drawn_.shapes.clear();
    EXPECT_EQ(WIND_barb(0, 0, 0, 0, 1, 0), -1);
    EXPECT_EQ(WIND_barb(0, 0, -9999, 10, 1, 0), -1);
    EXPECT_EQ(WIND_barb(0, 0, 0, -9999, 1, 0), -1);
    EXPECT_TRUE(drawn_.shapes.empty());
}
}  // namespace
}  // namespace orv
