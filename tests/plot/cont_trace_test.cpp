#include "plot/cont_trace.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <vector>

#include "plot/plot_recorder.hpp"

namespace orv {
namespace {
using test::inside;
using test::make_grid;
struct Segment { int color; float level; GPoint a, b; };
struct Polygon { int color; float lower; std::vector<GPoint> pts; };
class Recorder : public ContSink {
public:
    void segment(int color, float level, GPoint a, GPoint b) override { segs.push_back({color, level, a, b}); }
    void polygon(int color, float lower, int n, const GPoint* pts) override {
        polys.push_back({color, lower, std::vector<GPoint>(pts, pts + n)});
    }
    std::vector<Segment> segs;
    std::vector<Polygon> polys;
};
ContLevels fill_levels(float lowest, float interval, int count, int type = 15) {
    ContLevels l;
    l.type = type;
    l.lowest = lowest;
    l.interval = interval;
    l.count = count;
    l.num_colors = 1000;
    return l;
}
Recorder trace(const std::vector<float>& z, int nx, int ny, const ContLevels& l) {
    Recorder r;
    cont_trace(ContField{nx, ny, z.data(), nullptr, nullptr}, l, ContWrap{}, r);
    return r;
}
// The band covering a point: its colour, -1 for none, -2 for more than one.
int band_at(const std::vector<Polygon>& polys, double x, double y) {
    int found = -1;
    for (const Polygon& p : polys) {
        if (!inside(p.pts, x, y)) continue;
        if (found != -1) return -2;
        found = p.color;
    }
    return found;
}
// Samples a fine lattice over the grid (offsets chosen to miss grid lines):
// points no band covers and points more than one covers. Every polygon
// lies in one cell, so it is tested only against that cell's samples.
std::pair<int, int> gaps_and_overlaps(const std::vector<Polygon>& polys, int nx, int ny) {
    std::map<std::pair<int, int>, std::vector<Polygon>> by_cell;
    for (const Polygon& p : polys) {
        double cx = 0, cy = 0;
        for (const GPoint& q : p.pts) cx += q.x, cy += q.y;
        by_cell[{static_cast<int>(std::floor(cx / p.pts.size())), static_cast<int>(std::floor(cy / p.pts.size()))}].push_back(p);
    }
    int gaps = 0, overlaps = 0;
    for (int j = 0; j < ny - 1; ++j)
        for (int i = 0; i < nx - 1; ++i)
            for (int a = 0; a < 12; ++a)
                for (int b = 0; b < 12; ++b) {
                    const int band = band_at(by_cell[{i, j}], i + (a + 0.01234567) / 12, j + (b + 0.0271828) / 12);
                    gaps += band == -1 ? 1 : 0;
                    overlaps += band == -2 ? 1 : 0;
                }
    return {gaps, overlaps};
}
// Filled bands tile the grid: waves with many saddles, integer fields with
// levels on grid values, explicit lists with repeated and descending levels.
TEST(ContTraceTiling, FilledBandsTileTheGrid) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> d(0, 6);
    const float list[] = {-30.0F, -5.0F, -5.0F, 8.0F, 2.0F, 12.0F};
    ContLevels listed = fill_levels(0, 0, 6);
    listed.list = list;
    const struct { const char* name; int nx, ny; std::function<float(int, int)> f; ContLevels levels; } cases[] = {
        {"waves", 41, 31, [](int i, int j) { return static_cast<float>(40.0 * std::sin(i / 3.0) * std::cos(j / 2.5) + 2.0 * i); },
         fill_levels(-50.0F, 7.0F, 30)},
        {"random integers, fill", 30, 25, [&](int, int) { return static_cast<float>(2 * d(rng)); }, fill_levels(0.0F, 2.0F, 7)},
        {"random integers, fill and lines", 30, 25, [&](int, int) { return static_cast<float>(2 * d(rng)); },
         fill_levels(0.0F, 2.0F, 7, 16)},
        {"explicit list", 25, 25, [](int i, int j) { return static_cast<float>(10.0 * std::sin(i / 4.0) + 10.0 * std::cos(j / 5.0)); },
         listed},
    };
    for (const auto& c : cases) {
        const auto z = make_grid(c.nx, c.ny, c.f);
        const Recorder r = trace(z, c.nx, c.ny, c.levels);
        ASSERT_FALSE(r.polys.empty()) << c.name;
        EXPECT_EQ(gaps_and_overlaps(r.polys, c.nx, c.ny), std::make_pair(0, 0)) << c.name;
    }
}
TEST(ContTraceTiling, BandColourMatchesTheValueAtGridPointsAwayFromLevels) {
    const int nx = 20, ny = 20;
    const auto z = make_grid(nx, ny, [](int i, int j) { return static_cast<float>(i * 1.3 + j * 0.7 + 0.05); });
    const Recorder r = trace(z, nx, ny, fill_levels(0.0F, 2.0F, 20));
    // A sample just inside the cell corner (i, j) takes the band of z(i, j).
    for (int j = 0; j < ny - 1; j += 3)
        for (int i = 0; i < nx - 1; i += 3)
            EXPECT_EQ(band_at(r.polys, i + 1e-3, j + 1e-3), static_cast<int>(std::floor(z[(ny - 1 - j) * nx + i] / 2.0F)))
                << i << "," << j;
}
TEST(ContTraceTiling, CutoffsLeaveValuesOutsideUnfilled) {
    const int nx = 21, ny = 5;
    const auto z = make_grid(nx, ny, [](int i, int) { return static_cast<float>(i); });  // 0..20
    ContLevels l = fill_levels(0.0F, 4.0F, 6);
    l.min_cut = 5.0F;
    l.max_cut = 13.0F;
    const Recorder r = trace(z, nx, ny, l);
    double area = 0;
    for (const Polygon& p : r.polys) {
        area += test::area_of(p.pts);
        for (const GPoint& q : p.pts) {
            EXPECT_GE(q.x, 5.0F - 1e-5F);
            EXPECT_LE(q.x, 13.0F + 1e-5F);
        }
    }
    EXPECT_NEAR(area, 8.0 * (ny - 1), 1e-3);
}
// Joined band pieces cover exactly what the pieces covered, with no gap or
// overlap, in far fewer polygons; a band round a hole (the bump) keeps it.
TEST(ContTraceMerge, JoinedBandsCoverWhatTheirPiecesCovered) {
    const struct { const char* name; int nx, ny; float (*f)(int, int); ContLevels levels; } cases[] = {
        {"waves", 31, 21, [](int i, int j) { return static_cast<float>(40.0 * std::sin(i / 3.0) * std::cos(j / 2.5) + 2.0 * i); },
         fill_levels(-50.0F, 7.0F, 30)},
        {"bump", 21, 17, [](int i, int j) { return static_cast<float>(10.0 * std::exp(-((i - 10) * (i - 10) + (j - 8) * (j - 8)) / 20.0)); },
         fill_levels(0.0F, 2.0F, 6)},
        {"saddles on levels", 16, 12, [](int i, int j) { return static_cast<float>(2 * ((i * 7 + j * 13 + i * j) % 4)); },
         fill_levels(0.0F, 2.0F, 5, 16)},
    };
    for (const auto& c : cases) {
        const auto z = make_grid(c.nx, c.ny, c.f);
        const ContField f{c.nx, c.ny, z.data(), nullptr, nullptr};
        const Recorder pieces = trace(z, c.nx, c.ny, c.levels);
        Recorder joined;
        {
            ContMergeSink merge(joined);
            cont_trace(f, c.levels, ContWrap{}, merge);
        }
        EXPECT_LT(joined.polys.size() * 3, pieces.polys.size()) << c.name;
        EXPECT_EQ(joined.segs.size(), pieces.segs.size()) << c.name;
        int differing = 0;
        for (double y = 0.0371; y < c.ny - 1; y += 0.25) {
            for (double x = 0.0113; x < c.nx - 1; x += 0.25) {
                const int want = band_at(pieces.polys, x, y);
                ASSERT_GE(want, 0) << c.name << " " << x << "," << y;
                differing += band_at(joined.polys, x, y) != want ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << c.name;
    }
}
TEST(ContTraceCells, MissingNanAndTooSmallGridsAreSkipped) {
    std::vector<float> z = make_grid(3, 3, [](int i, int j) { return static_cast<float>(i + j); });
    ContField f{3, 3, z.data(), nullptr, nullptr};
    Recorder r;
    // The centre point touches every cell.
    for (const float bad : {-9999.0F, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        z[4] = bad;
        EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    }
    EXPECT_TRUE(r.polys.empty());
    const float one = 3.0F;
    EXPECT_EQ(cont_trace(ContField{1, 1, &one, nullptr, nullptr}, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    EXPECT_EQ(cont_trace(ContField{0, 0, nullptr, nullptr, nullptr}, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    // A zero or NaN interval traces nothing instead of looping.
    z[4] = 2.0F;
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 0.0F, 5), ContWrap{}, r), 0);
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, std::nanf(""), 5), ContWrap{}, r), 0);
    // So is a cell with a missing position.
    const auto ramp = make_grid(2, 2, [](int i, int) { return static_cast<float>(i); });
    const float xs[] = {0, 1, 0, 1};
    const float ys[] = {1, 1, 0, -9999.0F};
    EXPECT_EQ(cont_trace(ContField{2, 2, ramp.data(), xs, ys}, fill_levels(0.0F, 0.5F, 3, 12), ContWrap{}, r), 0);
    EXPECT_TRUE(r.segs.empty());
}
// Levels on grid points: a level down a grid column is drawn once per cell
// row, one touching only a corner not at all, a flat side along the side.
TEST(ContTraceCells, LevelsThroughGridPoints) {
    const auto column = make_grid(5, 3, [](int i, int) { return static_cast<float>(i); });
    const Recorder down = trace(column, 5, 3, fill_levels(2.0F, 1.0F, 1, 12));
    ASSERT_EQ(down.segs.size(), 2U);
    for (const Segment& s : down.segs) EXPECT_EQ(std::make_pair(s.a.x, s.b.x), std::make_pair(2.0F, 2.0F));
    EXPECT_TRUE(trace({1.0F, 1.0F, 5.0F, 1.0F}, 2, 2, fill_levels(5.0F, 1.0F, 1, 12)).segs.empty());
    const Recorder flat = trace({0.0F, 0.0F, 3.0F, 3.0F}, 2, 2, fill_levels(3.0F, 1.0F, 1, 12));  // bottom row 3
    ASSERT_EQ(flat.segs.size(), 1U);
    EXPECT_EQ(std::make_tuple(flat.segs[0].a.y, flat.segs[0].b.y, std::fabs(flat.segs[0].b.x - flat.segs[0].a.x)), std::make_tuple(0.0F, 0.0F, 1.0F));
}
TEST(ContTraceCells, SaddlePairingFollowsTheMeasure) {
    // Corners 0 and 3 high, 1 and 2 low; crossings near the low corners give
    // a total of at least 2 and cut off corners 1 and 2.
    const struct { std::array<float, 4> corners; float level; int n; std::array<int, 4> pair; bool total_at_least_2; } cases[] = {
        {{10, 0, 0, 10}, 2.0F, 4, {3, 0, 1, 2}, true},
        {{10, 0, 0, 10}, 8.0F, 4, {2, 3, 0, 1}, false},
        {{4, 0, 8, 8}, 4.0F, 2, {}, false},  // a corner on the level is counted on one side only
        {{4, 8, 8, 8}, 4.0F, 0, {}, false},
    };
    for (const auto& c : cases) {
        ContCrossings x;
        cont_crossings(c.corners.data(), c.level, &x);
        ASSERT_EQ(x.n, c.n) << c.level;
        if (c.n != 4) continue;
        EXPECT_EQ(x.total >= 2.0F, c.total_at_least_2) << c.level;
        EXPECT_EQ((std::array<int, 4>{x.pair[0], x.pair[1], x.pair[2], x.pair[3]}), c.pair) << c.level;
    }
}
TEST(ContTraceCells, BusyCellsAreSkippedWholeAndBandTopsTakeTheNextColour) {
    const auto busy = make_grid(3, 2, [](int i, int) { return i == 2 ? 100.0F : static_cast<float>(i); });
    ContLevels l = fill_levels(0.0F, 1.0F, 101, 12);
    l.busy_limit = 30.0F;
    Recorder r;
    EXPECT_EQ(cont_trace(ContField{3, 2, busy.data(), nullptr, nullptr}, l, ContWrap{}, r), 1);  // 1 -> 100 spans 99
    // Fill with lines: each band top is drawn in the next colour, round three colours.
    const auto z = make_grid(2, 2, [](int i, int) { return i * 10.0F; });
    l = fill_levels(0.0F, 4.0F, 3, 16);
    l.num_colors = 3;
    l.first_color = 1;
    r = trace(z, 2, 2, l);
    ASSERT_EQ(r.segs.size(), 2U);  // levels 4 and 8
    EXPECT_EQ(std::make_tuple(r.segs[0].level, r.segs[0].color, r.segs[1].color, r.polys.size()), std::make_tuple(4.0F, 2, 0, 3U));
}
TEST(ContTraceWrap, SegmentsAndPolygonsOverTheEdgeAreDrawnOnBothSides) {
    Recorder out;
    ContWrap w;
    w.proj = kProjLatLon;
    ContWrapSink sink(w, out);
    const GPoint across[4] = {{179.0F, 0.0F}, {181.0F, 0.0F}, {181.0F, 1.0F}, {179.0F, 0.0F}};
    sink.polygon(0, 0.0F, 4, across);
    ASSERT_EQ(out.polys.size(), 2U);
    EXPECT_FLOAT_EQ(out.polys[1].pts[1].x, -179.0F);
    const GPoint plain[4] = {{10.0F, 0.0F}, {11.0F, 0.0F}, {11.0F, 1.0F}, {10.0F, 0.0F}};
    sink.polygon(0, 0.0F, 4, plain);
    EXPECT_EQ(out.polys.size(), 3U);
    w.proj = kProjLambert;  // a cone has no edge to wrap over
    ContWrapSink lambert(w, out);
    lambert.segment(0, 1.0F, {-30.0F, 0.0F}, {30.0F, 0.0F});
    const GPoint jump[4] = {{-40.0F, 0.0F}, {40.0F, 0.0F}, {40.0F, 1.0F}, {-40.0F, 0.0F}};
    lambert.polygon(0, 0.0F, 4, jump);
    EXPECT_EQ(std::make_pair(out.segs.size(), out.polys.size()), std::make_pair(0UL, 3UL));
    w.proj = kProjMollweide;
    ContWrapSink moll(w, out);
    const GPoint edge[4] = {{-126.0F, 0.0F}, {126.0F, 0.0F}, {126.0F, 1.0F}, {-126.0F, 0.0F}};
    moll.polygon(0, 0.0F, 4, edge);
    ASSERT_EQ(out.polys.size(), 5U);
    EXPECT_GT(out.polys[3].pts[0].x, 0.0F);
    EXPECT_LT(out.polys[4].pts[1].x, 0.0F);
}
TEST(ContTraceWrap, GlobalLatLonFieldTracesOverTheDateLine) {
    // Positions on a lat/lon map whose columns run from 170E over the date
    // line to 170W: a segment with ends on both sides comes out twice.
    const int nx = 5, ny = 2;
    std::vector<float> xs, ys;
    for (int row = 0; row < ny; ++row)
        for (int i = 0; i < nx; ++i) {
            xs.push_back(170.0F + 5.0F * i > 180.0F ? 5.0F * i - 190.0F : 170.0F + 5.0F * i);
            ys.push_back(static_cast<float>(ny - 1 - row));
        }
    const auto z = make_grid(nx, ny, [](int i, int j) { return static_cast<float>(i + j); });
    ContWrap w;
    w.proj = kProjLatLon;
    Recorder out;
    ContWrapSink sink(w, out);
    cont_trace(ContField{nx, ny, z.data(), xs.data(), ys.data()}, fill_levels(2.5F, 1.0F, 1, 12), w, sink);
    ASSERT_EQ(out.segs.size(), 3U);
    std::vector<float> ends;  // the cell west of the date line, then the one across it on both sides
    for (const Segment& s : out.segs) ends.insert(ends.end(), {s.a.x, s.b.x});
    EXPECT_EQ(ends[0], 177.5F);
    EXPECT_EQ(std::vector<float>(ends.begin() + 2, ends.end()), (std::vector<float>{-177.5F, -180.0F, 182.5F, 180.0F}));
}
}  // namespace
}  // namespace orv
