#include "plot/vecttool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace orv {
namespace {
TEST(VectTool, WindAndVectorConventions) {
    struct Case { float u, v, wind_direction, polar_direction, speed; };
    for (const Case& c : {Case{0, -10, 0, 180, 10}, Case{-10, 0, 90, -90, 10}, Case{10, 10, 225, 45, 14.1421F},
                          Case{0.001F, 0, 0, 0, 0.001F}}) {
        float d = 0, s = 0;
        ASSERT_EQ(vect2wind(&d, &s, c.u, c.v), 0);
        EXPECT_NEAR(d, c.wind_direction, 1e-3) << c.u << "," << c.v;
        EXPECT_NEAR(s, c.speed, 1e-3);
        ASSERT_EQ(vect2polar(&d, &s, c.u, c.v), 0);
        EXPECT_NEAR(d, c.polar_direction, 1e-3);
    }
    float u = 0, v = 0, d = 0, s = 0;
    wind2vect(&u, &v, 90, 10);
    EXPECT_LT(std::hypot(u + 10, v), 1e-4);
    polar2vect(&u, &v, 90, 10);
    EXPECT_NEAR(u, 10, 1e-4);
    EXPECT_EQ(std::make_pair(wind2vect(&u, &v, -9999, 10), u), std::make_pair(-1, -9999.0F));
    EXPECT_EQ(std::make_pair(vect2wind(&d, &s, 3, -9999), s), std::make_pair(-1, -9999.0F));
}
}  // namespace
}  // namespace orv
