#include "plot/windbarb.hpp"

#include <gtest/gtest.h>

#include <array>

#include "plot/module_reset.hpp"
#include "plot/plot_recorder.hpp"

namespace orv {
namespace {

class WindBarbTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        test::open_recording(&drawn_, -2.0F, 2.0F, -2.0F, 2.0F);
    }
    void TearDown() override {
        gclose_ws(1);
        reset();
        test::g_recording = nullptr;
    }
    static void reset() { test::reset_modules(); }
    // Point k of shape s is at (x, y).
    void expect_point(std::size_t s, std::size_t k, float x, float y) {
        ASSERT_LT(s, drawn_.shapes.size());
        ASSERT_LT(k, drawn_.shapes[s].points.size());
        EXPECT_NEAR(drawn_.shapes[s].points[k].x, x, 1e-4) << s << "," << k;
        EXPECT_NEAR(drawn_.shapes[s].points[k].y, y, 1e-4) << s << "," << k;
    }
    test::Recording drawn_;
};

TEST_F(WindBarbTest, SpeedsBecomePennantsAndBarbs) {
    struct Case {
        float speed;
        int pennants, full, half;
    };
    for (const Case& c : {Case{65, 1, 1, 1}, Case{48, 1, 0, 0}, Case{47, 0, 4, 1}, Case{3, 0, 0, 1}, Case{2, 0, 0, 0},
                          Case{17, 0, 1, 1}, Case{102, 2, 0, 0}, Case{999, 6, 0, 0}}) {
        const BarbParts p = WIND_barb_parts(c.speed);
        EXPECT_EQ((std::array<int, 3>{p.pennants, p.full, p.half}), (std::array<int, 3>{c.pennants, c.full, c.half}))
            << c.speed;
    }
}

// A north wind's shaft points north from the station, its flags on the east.
TEST_F(WindBarbTest, NorthWindOf65KnotsPointsNorthWithFlagsEast) {
    ASSERT_EQ(WIND_barb(0, 0, 0, 65, 1, 0.1F), 0);
    ASSERT_EQ(drawn_.fills(), 1);
    ASSERT_EQ(drawn_.lines(), 4);  // shaft, pennant outline, full barb, half barb
    expect_point(0, 0, 0, 0.1F);
    expect_point(0, 1, 0, 1);
    ASSERT_TRUE(drawn_.shapes[1].filled);
    expect_point(1, 0, 0, 1);
    expect_point(1, 1, 0, 0.88F);
    expect_point(1, 2, 0.5F, 1);
    expect_point(3, 0, 0, 0.76F);
    expect_point(3, 1, 0.5F, 0.88F);
    expect_point(4, 0, 0, 0.64F);
    expect_point(4, 1, 0.25F, 0.70F);
}

TEST_F(WindBarbTest, LightWindsAndCalm) {
    ASSERT_EQ(WIND_barb(0, 0, 90, 3, 1, 0), 0);  // east wind: shaft east, barbs south
    ASSERT_EQ(drawn_.lines(), 2);
    expect_point(0, 1, 1, 0);
    expect_point(1, 0, 0.88F, 0);
    expect_point(1, 1, 0.94F, -0.25F);
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_barb(0, 0, 0, 2, 1, 0), 0);
    EXPECT_EQ(drawn_.lines(), 1);  // the shaft alone
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_barb(0, 0, 0, 12, 1, 0), 0);  // the first full barb starts at the tip
    expect_point(1, 0, 0, 1);
    expect_point(1, 1, 0.5F, 1.12F);
    drawn_.shapes.clear();
    EXPECT_EQ(WIND_barb(0, 0, 0, 0, 1, 0), -1);
    EXPECT_EQ(WIND_barb(0, 0, -9999, 10, 1, 0), -1);
    EXPECT_EQ(WIND_barb(0, 0, 0, -9999, 1, 0), -1);
    EXPECT_TRUE(drawn_.shapes.empty());
}

TEST_F(WindBarbTest, ArrowsAndTracksPointDownwind) {
    ASSERT_EQ(WIND_vect(0, 0, 0, 2, 0.5F, 1), 0);  // north wind: arrow to the south
    ASSERT_EQ(drawn_.lines(), 3);
    expect_point(0, 1, 0, -1);
    expect_point(1, 1, -0.2F, -0.8F);
    expect_point(2, 1, 0.2F, -0.8F);
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_vect(0, 0, 0, 2, 0.5F, 0), 0);  // no head
    EXPECT_EQ(drawn_.lines(), 1);
    drawn_.shapes.clear();
    ASSERT_EQ(WIND_track(4, 0, 0, 270, 1, 0), 0);  // west wind: track to the east
    ASSERT_EQ(drawn_.lines(), 5);
    expect_point(0, 1, 1, 0);
    expect_point(2, 0, 0.25F, 0);
    drawn_.shapes.clear();
    EXPECT_EQ(WIND_vect(0, 0, 0, 0, 1, 1), -1);
    EXPECT_EQ(WIND_track(4, 0, 0, -9999, 1, 1), -1);
    EXPECT_TRUE(drawn_.shapes.empty());
}

}  // namespace
}  // namespace orv
