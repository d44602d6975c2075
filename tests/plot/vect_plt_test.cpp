#include "plot/vect_plt.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
using test::Shape;
constexpr int kSize = 41;  // a 41 x 41 latitude/longitude grid of 1 degree around (40 N, 100 W)
class VectPlotTest : public test::RecorderTest {
protected:
    void SetUp() override {
        test::RecorderTest::SetUp();
        test::open_recording(&drawn_, -1e4F, 1e4F, -1e4F, 1e4F);
        domain_ = test::latlon_domain(kSize, kSize);
        for (int slot : {0, 1}) {
            GRD_set_grid_domain(slot, &domain_);
            ASSERT_EQ(GRD_alloc_grid(slot), 1);
        }
        FLAG_set(kFlagBatch, 1);
        MAP_domain(&domain_);
        MAP_grid_tran(&step_, &cy_, 1.0F, 0.0F);
        MAP_grid_tran(&x0_, &cy_, 0.0F, 0.0F);
        step_ -= x0_;
        MAP_tran(&cx_, &cy_, 40.0F, -100.0F);
        ASSERT_GT(CLR_read_table(ORV_DATA_DIR "orv.clr"), 0);
    }
    // Fills the components from (column, row counted from the south).
    void fill(const std::function<float(float, float)>& u, const std::function<float(float, float)>& v) {
        for (int j = 0; j < kSize; ++j)
            for (int i = 0; i < kSize; ++i) {
                const float x = static_cast<float>(i - kSize / 2);
                const float y = static_cast<float>(kSize / 2 - j);
                GRD_get_grid(0)->values[j * kSize + i] = u(x, y);
                GRD_get_grid(1)->values[j * kSize + i] = v(x, y);
            }
    }
    int draw(int type) {
        VECT_set_type(type);
        EXPECT_EQ(VECT_plot_setup(0, -1, GRD_get_grid(0), GRD_get_grid(1), &domain_, nullptr), 0);
        return VECT_draw(GRD_get_grid(0), GRD_get_grid(1));
    }
    // The traced lines (the arrow heads are lines of two points).
    std::vector<const Shape*> streamlines() const {
        std::vector<const Shape*> out;
        for (const Shape& s : drawn_.shapes)
            if (!s.filled && s.points.size() > 4) out.push_back(&s);
        return out;
    }
    Domain domain_;
    float cx_ = 0, cy_ = 0, x0_ = 0, step_ = 0;  // the centre, the western edge, the spacing of the points
};
TEST_F(VectPlotTest, StreamlinesOfARotationStayOnCircles) {
    fill([](float, float y) { return -y; }, [](float x, float) { return x; });
    ASSERT_EQ(draw(kVectStreams), 0);
    const auto lines = streamlines();
    ASSERT_GE(lines.size(), 5u);
    for (const Shape* s : lines) {
        const float r0 = std::hypot(s->points[0].x - cx_, s->points[0].y - cy_);
        for (const GPoint& p : s->points) ASSERT_NEAR(std::hypot(p.x - cx_, p.y - cy_), r0, 0.05F * step_);
        // Counter-clockwise: the second point is to the left of the first seen from the centre.
        const GPoint& a = s->points[0];
        const GPoint& b = s->points[1];
        EXPECT_GT((a.x - cx_) * (b.y - a.y) - (a.y - cy_) * (b.x - a.x), 0.0F);
    }
}
TEST_F(VectPlotTest, CalmMissingAndPartlyMissingFields) {
    fill([](float, float) { return 0.0F; }, [](float, float) { return 0.0F; });
    ASSERT_EQ(draw(kVectStreams), 0);
    EXPECT_TRUE(drawn_.shapes.empty());
    EXPECT_EQ(VECT_get_num_streams(), 0);
    fill([](float x, float) { return x < 0 ? kMissingF : 5.0F; }, [](float, float) { return 3.0F; });
    ASSERT_EQ(draw(kVectStreams), 0);
    for (const Shape* s : streamlines())
        for (const GPoint& p : s->points) ASSERT_GE(p.x, cx_ - 0.5F * step_);  // never into the missing half
    drawn_.shapes.clear();
    ASSERT_EQ(draw(kVectArrows), 0);
    for (const Shape& s : drawn_.shapes) ASSERT_GE(s.points[0].x, cx_ - 0.001F * step_);
    GridField empty = *GRD_get_grid(0);
    empty.values = nullptr;
    EXPECT_EQ(VECT_draw(&empty, GRD_get_grid(1)), -1);
    EXPECT_EQ(VECT_draw(nullptr, GRD_get_grid(1)), -1);
}
TEST_F(VectPlotTest, ArrowsScaleToTheFastestWind) {
    fill([](float x, float) { return x == 0 ? 10.0F : 5.0F; }, [](float, float) { return 0.0F; });
    RES_put("plot_param", "wv_skip=10");
    ASSERT_EQ(draw(kVectArrows), 0);
    float longest = 0, shortest = 1e9F;
    int arrows = 0;
    for (const Shape& s : drawn_.shapes) {
        const float len = std::hypot(s.points[1].x - s.points[0].x, s.points[1].y - s.points[0].y);
        if (std::fabs(s.points[1].y - s.points[0].y) > 1e-4F) continue;  // the heads
        ++arrows;
        longest = std::max(longest, len);
        shortest = std::min(shortest, len);
        EXPECT_GT(s.points[1].x, s.points[0].x);  // a westerly points east
    }
    EXPECT_EQ(arrows, 25) << drawn_.shapes.size();  // every 10th column and row of 41
    EXPECT_NEAR(longest, VECT_get_vector_size(), 1e-4);
    EXPECT_NEAR(shortest, longest / 2, 1e-4);
}
// Components along the axes of a polar stereographic grid drawn on a
// latitude/longitude plot: every arrow follows its grid row on the plot.
TEST_F(VectPlotTest, GridRelativeComponentsFollowTheGridOnAnotherProjection) {
    Domain polar;
    polar.proj = kProjPolarStereo;
    polar.plat = 90.0F;
    polar.plon = -100.0F;
    polar.clat = 40.0F;
    polar.clon = -100.0F;
    polar.dx = polar.dy = 0.6F;
    polar.nx = polar.ny = kSize;
    for (int slot : {2, 3}) {
        GRD_set_grid_domain(slot, &polar);
        ASSERT_EQ(GRD_alloc_grid(slot), 1);
    }
    const std::size_t n = kSize * kSize;
    std::fill_n(GRD_get_grid(2)->values, n, 5.0F);  // along the rows, eastward on the grid
    std::fill_n(GRD_get_grid(3)->values, n, 0.0F);
    float* xs = nullptr;
    float* ys = nullptr;
    ASSERT_EQ(GRD_proj_XY(GRD_get_grid(2), &domain_, &xs, &ys), 0);
    RES_put("plot_param", "uvgrid,wv_skip=10");
    VECT_set_type(kVectArrows);
    ASSERT_EQ(VECT_plot_setup(0, -1, GRD_get_grid(2), GRD_get_grid(3), &domain_, nullptr), 0);
    ASSERT_EQ(VECT_draw(GRD_get_grid(2), GRD_get_grid(3)), 0);
    int checked = 0;
    for (int j = 0; j < kSize; j += 10)
        for (int i = 0; i < kSize; i += 10) {
            const std::size_t k = static_cast<std::size_t>(j) * kSize + i;
            const std::size_t next = i + 1 < kSize ? k + 1 : k - 1;
            const float sign = i + 1 < kSize ? 1.0F : -1.0F;
            const float row = std::atan2(sign * (ys[next] - ys[k]), sign * (xs[next] - xs[k]));
            for (const Shape& s : drawn_.shapes) {
                if (s.points.size() != 2 || std::hypot(s.points[0].x - xs[k], s.points[0].y - ys[k]) > 1e-4F) continue;
                const float arrow = std::atan2(s.points[1].y - s.points[0].y, s.points[1].x - s.points[0].x);
                EXPECT_NEAR(arrow, row, 0.02F) << i << "," << j;
                ++checked;
            }
        }
    EXPECT_EQ(checked, 25);
    std::free(xs);
    std::free(ys);
}
// The type answered for a variable's first frame is kept for its later
// frames; a variable without a first frame asks again.
TEST_F(VectPlotTest, LaterFramesOfAVariableKeepTheFirstFramesChoice) {
    fill([](float, float) { return 5.0F; }, [](float, float) { return 3.0F; });
    testing::ScratchDir dir;
    FLAG_set(kFlagBatch, 0);
    ASSERT_TRUE(testing::feed_stdin(dir.file("answers"), "strm\nbarb\n"));
    const auto type_of = [&](int frame, int variable) {
        EXPECT_EQ(VECT_plot_setup(frame, variable, GRD_get_grid(0), GRD_get_grid(1), &domain_, nullptr), 0);
        return VECT_get_type();
    };
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(type_of(0, 3), kVectStreams);
    EXPECT_EQ(type_of(1, 3), kVectStreams);
    EXPECT_EQ(type_of(1, 4), kVectBarbs);
    ::testing::internal::GetCapturedStdout();
}
// The stand-alone picture of two grids: map window, arrows and key, in a
// PostScript file of its own.
TEST_F(VectPlotTest, WholePictureOfTwoGridsWritesPostScript) {
    gclose_ws(1);
    test::g_recording = nullptr;
    MAP_register_hooks();
    testing::ScratchDir dir;
    RES_put("file_path", ORV_DATA_DIR);
    RES_put("device", ("ps," + dir.file("wind.ps")).c_str());
    RES_put("plot_param", "vbar,wv_skip=5");
    FLAG_set(kFlagDevice, kWsPostScript);
    fill([](float, float) { return 5.0F; }, [](float, float) { return 3.0F; });
    VECT_set_type(kVectArrows);
    test::stdout_of([&] { EXPECT_EQ(VECT_plot_grid(GRD_get_grid(0), GRD_get_grid(1), nullptr, nullptr), 0); });
    EXPECT_EQ(gchk_graphics(), 0) << "the picture it opened is closed";
    const std::string ps = test::slurp(dir.file("wind.ps"));
    EXPECT_NE(ps.find("MAX VECTOR"), std::string::npos);
    std::size_t lines = 0;
    for (std::size_t at = ps.find("%%PL:"); at != std::string::npos; at = ps.find("%%PL:", at + 1)) ++lines;
    EXPECT_GE(lines, 81U * 3) << "every 5th point of 41 x 41 has a shaft and two head strokes";
    EXPECT_NE(ps.find("showpage"), std::string::npos);
}
}  // namespace
}  // namespace orv
