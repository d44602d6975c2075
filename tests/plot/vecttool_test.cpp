#include "plot/vecttool.hpp"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(VectTool, WindAndVectorConventions) {
    struct Case {
        float u, v, wind_direction, polar_direction, speed;
    };
    for (const Case& c : {Case{0, -10, 0, 180, 10}, Case{-10, 0, 90, -90, 10}, Case{10, 10, 225, 45, 14.1421F},
                          Case{0.001F, 0, 0, 0, 0.001F}}) {
        float d = 0, s = 0;
        ASSERT_EQ(vect2wind(&d, &s, c.u, c.v), 0);
        EXPECT_NEAR(d, c.wind_direction, 1e-3) << c.u << "," << c.v;
        EXPECT_NEAR(s, c.speed, 1e-3);
        ASSERT_EQ(vect2polar(&d, &s, c.u, c.v), 0);
        EXPECT_NEAR(d, c.polar_direction, 1e-3);
    }
    float u = 0, v = 0;
    wind2vect(&u, &v, 90, 10);
    EXPECT_NEAR(u, -10, 1e-4);
    EXPECT_NEAR(v, 0, 1e-4);
    polar2vect(&u, &v, 90, 10);
    EXPECT_NEAR(u, 10, 1e-4);
    EXPECT_EQ(wind2vect(&u, &v, -9999, 10), -1);
    EXPECT_EQ(u, -9999.0F);
    float d = 0, s = 0;
    EXPECT_EQ(vect2wind(&d, &s, 3, -9999), -1);
    EXPECT_EQ(s, -9999.0F);
}

TEST(VectTool, Products) {
    const float a[3] = {1, 0, 0};
    const float b[3] = {0, 1, 0};
    float c[3];
    EXPECT_EQ(dot_product(a, b), 0.0F);
    cross_product(c, a, b);
    EXPECT_EQ(c[2], 1.0F);
    const float m[3] = {-9999, 0, 0};
    EXPECT_EQ(dot_product(m, b), -9999.0F);
    EXPECT_EQ(cross_product(c, m, b), -1);
}

}  // namespace
}  // namespace orv
