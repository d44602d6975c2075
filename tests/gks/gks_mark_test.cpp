#include "gks/gks_mark.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "gks/gks_fixture.hpp"

namespace orv::test {
namespace {

using GksMarkTest = GksTest;

struct Strokes {
    std::vector<std::vector<GPoint>> list;
};

void collect(void* user, int n, const GPoint* pts) {
    static_cast<Strokes*>(user)->list.emplace_back(pts, pts + n);
}

TEST_F(GksMarkTest, MarkerShapes) {
    const int expected_strokes[] = {0, 1, 2, 4, 1, 2, 1, 1, 1, 1, 0};
    for (int type = 0; type <= 10; ++type) {
        Strokes s;
        EXPECT_EQ(gmarker_strokes(type, 100, 50, 4, collect, &s), expected_strokes[type]) << type;
    }
    Strokes circle;
    gmarker_strokes(4, 0, 0, 10, collect, &circle);
    ASSERT_EQ(circle.list[0].size(), 13U);
    EXPECT_FLOAT_EQ(circle.list[0][0].x, 10);
    EXPECT_FLOAT_EQ(circle.list[0][3].y, 10);
    EXPECT_FLOAT_EQ(circle.list[0][1].x, 8.66F);
    EXPECT_FLOAT_EQ(circle.list[0][12].x, circle.list[0][0].x);
    Strokes tri;
    gmarker_strokes(7, 0, 0, 2, collect, &tri);
    EXPECT_FLOAT_EQ(tri.list[0][0].y, 2);
    EXPECT_FLOAT_EQ(tri.list[0][2].y, -2);
    Strokes tri9;
    gmarker_strokes(9, 0, 0, 2, collect, &tri9);
    EXPECT_FLOAT_EQ(tri9.list[0][2].y, 2);
}

TEST_F(GksMarkTest, MarkersOnPostScript) {
    ASSERT_EQ(open_ps(path("m.ps")), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(gset_marker_size(-1), -1);
    EXPECT_EQ(gset_marker_width(-0.5F), -1);
    EXPECT_EQ(gpolymarker(0, nullptr), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("gset_marker_size: invalid marker size: -1.000000\n"), std::string::npos);
    EXPECT_NE(err.find("gset_marker_width: invalid marker width: -0.500000\n"), std::string::npos);
    EXPECT_EQ(gset_marker_width(0), 0);
    EXPECT_FLOAT_EQ(ginq_marker_attr().width, 1.0F);
    gset_marker_type(6);
    gset_marker_size(1);  // 7.2 points: half-size 3
    const GPoint p{0.5F, 0.5F};
    EXPECT_EQ(gpolymarker(1, &p), 1);
    gclose_ws(1);
    const std::string ps = slurp(path("m.ps"));
    EXPECT_NE(ps.find("%%PM:1\nnp\n284.50 284.50 mv\n290.50 284.50 ln\n"), std::string::npos) << ps;
    expect_renders(path("m.ps"));
}

}  // namespace
}  // namespace orv::test
