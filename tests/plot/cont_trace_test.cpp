#include "plot/cont_trace.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace orv {
namespace {

struct Segment {
    int color;
    float level;
    GPoint a;
    GPoint b;
};
struct Polygon {
    int color;
    float lower;
    std::vector<GPoint> pts;
};

class Recorder : public ContSink {
public:
    void segment(int color, float level, GPoint a, GPoint b) override { segs.push_back({color, level, a, b}); }
    void polygon(int color, float lower, int n, const GPoint* pts) override {
        polys.push_back({color, lower, std::vector<GPoint>(pts, pts + n)});
    }
    std::vector<Segment> segs;
    std::vector<Polygon> polys;
};

// Grid of nx x ny values from f(i, j) with j counted from the bottom.
template <typename F>
std::vector<float> make_grid(int nx, int ny, F f) {
    std::vector<float> z(static_cast<size_t>(nx * ny));
    for (int row = 0; row < ny; ++row) {
        for (int i = 0; i < nx; ++i) z[row * nx + i] = f(i, ny - 1 - row);
    }
    return z;
}

ContLevels fill_levels(float lowest, float interval, int count, int type = 15) {
    ContLevels l;
    l.type = type;
    l.lowest = lowest;
    l.interval = interval;
    l.count = count;
    l.num_colors = 1000;
    return l;
}

bool inside(const std::vector<GPoint>& poly, double x, double y) {
    bool in = false;
    for (size_t k = 0, prev = poly.size() - 1; k < poly.size(); prev = k++) {
        const double xi = poly[k].x, yi = poly[k].y, xj = poly[prev].x, yj = poly[prev].y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

// Samples a fine lattice over the grid (offsets chosen to miss grid lines)
// and counts the band polygons covering each sample. Every polygon lies in
// one cell, so it is tested only against that cell's samples.
struct Coverage {
    int gaps = 0;
    int overlaps = 0;
    int samples = 0;
};
Coverage rasterise(const std::vector<Polygon>& polys, int nx, int ny, int per_cell = 12) {
    std::map<std::pair<int, int>, std::vector<const Polygon*>> by_cell;
    for (const Polygon& p : polys) {
        double cx = 0, cy = 0;
        for (const GPoint& q : p.pts) cx += q.x, cy += q.y;
        cx /= static_cast<double>(p.pts.size());
        cy /= static_cast<double>(p.pts.size());
        by_cell[{static_cast<int>(std::floor(cx)), static_cast<int>(std::floor(cy))}].push_back(&p);
    }
    Coverage c;
    for (int j = 0; j < ny - 1; ++j) {
        for (int i = 0; i < nx - 1; ++i) {
            const auto& cell = by_cell[{i, j}];
            for (int a = 0; a < per_cell; ++a) {
                for (int b = 0; b < per_cell; ++b) {
                    const double x = i + (a + 0.01234567) / per_cell;
                    const double y = j + (b + 0.0271828) / per_cell;
                    int hits = 0;
                    for (const Polygon* p : cell) hits += inside(p->pts, x, y) ? 1 : 0;
                    ++c.samples;
                    if (hits == 0) ++c.gaps;
                    if (hits > 1) ++c.overlaps;
                }
            }
        }
    }
    return c;
}

TEST(ContTraceTiling, FilledBandsOfAnAnalyticFieldTileTheGrid) {
    const int nx = 41, ny = 31;
    // Waves with many saddles plus a slope.
    const auto z = make_grid(nx, ny, [](int i, int j) {
        return static_cast<float>(40.0 * std::sin(i / 3.0) * std::cos(j / 2.5) + 2.0 * i);
    });
    ContField f{nx, ny, z.data(), nullptr, nullptr};
    Recorder r;
    cont_trace(f, fill_levels(-50.0F, 7.0F, 30), ContWrap{}, r);
    ASSERT_FALSE(r.polys.empty());
    const Coverage c = rasterise(r.polys, nx, ny);
    EXPECT_EQ(c.gaps, 0);
    EXPECT_EQ(c.overlaps, 0);
}

TEST(ContTraceTiling, IntegerFieldWithLevelsOnGridValuesAndRandomSaddles) {
    const int nx = 30, ny = 25;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> d(0, 6);
    const auto z = make_grid(nx, ny, [&](int, int) { return static_cast<float>(2 * d(rng)); });
    ContField f{nx, ny, z.data(), nullptr, nullptr};
    for (int type : {15, 16}) {
        Recorder r;
        cont_trace(f, fill_levels(0.0F, 2.0F, 7, type), ContWrap{}, r);
        const Coverage c = rasterise(r.polys, nx, ny);
        EXPECT_EQ(c.gaps, 0) << type;
        EXPECT_EQ(c.overlaps, 0) << type;
    }
}

TEST(ContTraceTiling, BandColourMatchesTheValueAtGridPointsAwayFromLevels) {
    const int nx = 20, ny = 20;
    const auto z = make_grid(nx, ny, [](int i, int j) { return static_cast<float>(i * 1.3 + j * 0.7 + 0.05); });
    ContField f{nx, ny, z.data(), nullptr, nullptr};
    ContLevels l = fill_levels(0.0F, 2.0F, 20);
    Recorder r;
    cont_trace(f, l, ContWrap{}, r);
    // A sample just inside the cell corner (i, j) takes the band of z(i, j).
    for (int j = 0; j < ny - 1; j += 3) {
        for (int i = 0; i < nx - 1; i += 3) {
            const double x = i + 1e-3, y = j + 1e-3;
            const float v = z[(ny - 1 - j) * nx + i];
            int found = -1;
            for (const Polygon& p : r.polys) {
                if (inside(p.pts, x, y)) found = p.color;
            }
            EXPECT_EQ(found, static_cast<int>(std::floor(v / 2.0F))) << i << "," << j;
        }
    }
}

TEST(ContTraceTiling, ExplicitListsWithRepeatedAndDescendingLevelsNeverOverlap) {
    const int nx = 25, ny = 25;
    const auto z = make_grid(nx, ny, [](int i, int j) {
        return static_cast<float>(10.0 * std::sin(i / 4.0) + 10.0 * std::cos(j / 5.0));
    });
    ContField f{nx, ny, z.data(), nullptr, nullptr};
    const float list[] = {-30.0F, -5.0F, -5.0F, 8.0F, 2.0F, 12.0F};
    ContLevels l = fill_levels(0, 0, 6);
    l.list = list;
    Recorder r;
    cont_trace(f, l, ContWrap{}, r);
    const Coverage c = rasterise(r.polys, nx, ny);
    EXPECT_EQ(c.gaps, 0);  // every value lies above the first level
    EXPECT_EQ(c.overlaps, 0);
}

TEST(ContTraceTiling, CutoffsLeaveValuesOutsideUnfilled) {
    const int nx = 21, ny = 5;
    const auto z = make_grid(nx, ny, [](int i, int) { return static_cast<float>(i); });  // 0..20
    ContField f{nx, ny, z.data(), nullptr, nullptr};
    ContLevels l = fill_levels(0.0F, 4.0F, 6);
    l.min_cut = 5.0F;
    l.max_cut = 13.0F;
    Recorder r;
    cont_trace(f, l, ContWrap{}, r);
    double area = 0;
    for (const Polygon& p : r.polys) {
        for (size_t k = 0; k + 1 < p.pts.size(); ++k) {
            area += p.pts[k].x * p.pts[k + 1].y - p.pts[k + 1].x * p.pts[k].y;
        }
        for (const GPoint& q : p.pts) {
            EXPECT_GE(q.x, 5.0F - 1e-5F);
            EXPECT_LE(q.x, 13.0F + 1e-5F);
        }
    }
    EXPECT_NEAR(std::fabs(area) / 2, 8.0 * (ny - 1), 1e-3);
    Coverage c = rasterise(r.polys, nx, ny);
    EXPECT_EQ(c.overlaps, 0);
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

// Joined band pieces cover exactly what the pieces covered, with no gap or
// overlap, in far fewer polygons; a band round a hole (the bump) keeps it.
TEST(ContTraceMerge, JoinedBandsCoverWhatTheirPiecesCovered) {
    struct Case {
        const char* name;
        int nx, ny;
        float (*f)(int, int);
        ContLevels levels;
    };
    const Case cases[] = {
        {"waves", 31, 21, [](int i, int j) { return static_cast<float>(40.0 * std::sin(i / 3.0) * std::cos(j / 2.5) + 2.0 * i); },
         fill_levels(-50.0F, 7.0F, 30)},
        {"bump", 21, 17, [](int i, int j) { return static_cast<float>(10.0 * std::exp(-((i - 10) * (i - 10) + (j - 8) * (j - 8)) / 20.0)); },
         fill_levels(0.0F, 2.0F, 6)},
        {"saddles on levels", 16, 12, [](int i, int j) { return static_cast<float>(2 * ((i * 7 + j * 13 + i * j) % 4)); },
         fill_levels(0.0F, 2.0F, 5, 16)},
    };
    for (const Case& c : cases) {
        const auto z = make_grid(c.nx, c.ny, c.f);
        const ContField f{c.nx, c.ny, z.data(), nullptr, nullptr};
        Recorder pieces;
        cont_trace(f, c.levels, ContWrap{}, pieces);
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

TEST(ContTraceCells, ConstantGrid) {
    const auto z = make_grid(5, 4, [](int, int) { return 7.0F; });
    ContField f{5, 4, z.data(), nullptr, nullptr};
    Recorder lines;
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 1.0F, 10, 12), ContWrap{}, lines), 0);
    EXPECT_TRUE(lines.segs.empty());
    Recorder fills;
    cont_trace(f, fill_levels(0.0F, 1.0F, 10, 15), ContWrap{}, fills);
    ASSERT_EQ(fills.polys.size(), 12U);  // one polygon per cell
    for (const Polygon& p : fills.polys) {
        EXPECT_EQ(p.color, 7);
        EXPECT_EQ(p.pts.size(), 5U);
    }
}

TEST(ContTraceCells, MissingNanAndTooSmallGridsAreSkipped) {
    std::vector<float> z = make_grid(3, 3, [](int i, int j) { return static_cast<float>(i + j); });
    z[4] = -9999.0F;  // the centre point touches every cell
    ContField f{3, 3, z.data(), nullptr, nullptr};
    Recorder r;
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    z[4] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    z[4] = std::numeric_limits<float>::infinity();
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    EXPECT_TRUE(r.polys.empty());
    const float one = 3.0F;
    ContField single{1, 1, &one, nullptr, nullptr};
    EXPECT_EQ(cont_trace(single, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    ContField none{0, 0, nullptr, nullptr, nullptr};
    EXPECT_EQ(cont_trace(none, fill_levels(0.0F, 1.0F, 5), ContWrap{}, r), 0);
    // A zero or NaN interval traces nothing instead of looping.
    z[4] = 2.0F;
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 0.0F, 5), ContWrap{}, r), 0);
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, std::nanf(""), 5), ContWrap{}, r), 0);
}

TEST(ContTraceCells, MissingPositionsSkipTheCell) {
    const auto z = make_grid(2, 2, [](int i, int) { return static_cast<float>(i); });
    const float xs[] = {0, 1, 0, 1};
    const float ys[] = {1, 1, 0, -9999.0F};
    ContField f{2, 2, z.data(), xs, ys};
    Recorder r;
    EXPECT_EQ(cont_trace(f, fill_levels(0.0F, 0.5F, 3, 12), ContWrap{}, r), 0);
}

TEST(ContTraceCells, LevelThroughAGridPointIsDrawnOnce) {
    // z = i: the level 2 runs down the grid column i = 2.
    const auto z = make_grid(5, 3, [](int i, int) { return static_cast<float>(i); });
    ContField f{5, 3, z.data(), nullptr, nullptr};
    Recorder r;
    cont_trace(f, fill_levels(2.0F, 1.0F, 1, 12), ContWrap{}, r);
    ASSERT_EQ(r.segs.size(), 2U);  // one per cell row, no duplicate
    for (const Segment& s : r.segs) {
        EXPECT_FLOAT_EQ(s.a.x, 2.0F);
        EXPECT_FLOAT_EQ(s.b.x, 2.0F);
    }
}

TEST(ContTraceCells, ContourTouchingOnlyACornerIsNotDrawn) {
    const float z[4] = {5.0F, 1.0F, 1.0F, 1.0F};  // corner 0 (bottom-left after layout) at the level
    // Layout rows top-down: row 0 = upper corners (2, 3), row 1 = lower (0, 1).
    const float grid[4] = {z[2], z[3], z[0], z[1]};
    ContField f{2, 2, grid, nullptr, nullptr};
    Recorder r;
    cont_trace(f, fill_levels(5.0F, 1.0F, 1, 12), ContWrap{}, r);
    EXPECT_TRUE(r.segs.empty());
}

TEST(ContTraceCells, FlatSideOnALevelIsDrawnAlongTheSide) {
    const float grid[4] = {0.0F, 0.0F, 3.0F, 3.0F};  // top row 0, bottom row 3
    ContField f{2, 2, grid, nullptr, nullptr};
    Recorder r;
    cont_trace(f, fill_levels(3.0F, 1.0F, 1, 12), ContWrap{}, r);
    ASSERT_EQ(r.segs.size(), 1U);
    EXPECT_FLOAT_EQ(r.segs[0].a.y, 0.0F);
    EXPECT_FLOAT_EQ(r.segs[0].b.y, 0.0F);
    EXPECT_FLOAT_EQ(std::fabs(r.segs[0].b.x - r.segs[0].a.x), 1.0F);
}

TEST(ContTraceCells, SaddlePairingFollowsTheMeasure) {
    // Corners 0 and 3 high, 1 and 2 low.
    ContCrossings c;
    const float far[4] = {10.0F, 0.0F, 0.0F, 10.0F};
    cont_crossings(far, 2.0F, &c);  // crossings near the low corners: total >= 2
    ASSERT_EQ(c.n, 4);
    EXPECT_GE(c.total, 2.0F);
    EXPECT_EQ(c.pair[0], 3);
    EXPECT_EQ(c.pair[1], 0);  // cuts off corner 1
    EXPECT_EQ(c.pair[2], 1);
    EXPECT_EQ(c.pair[3], 2);  // cuts off corner 2
    cont_crossings(far, 8.0F, &c);  // near corners 0 and 3
    ASSERT_EQ(c.n, 4);
    EXPECT_LT(c.total, 2.0F);
    EXPECT_EQ(c.pair[0], 2);
    EXPECT_EQ(c.pair[1], 3);
    EXPECT_EQ(c.pair[2], 0);
    EXPECT_EQ(c.pair[3], 1);
    // A corner on the level is counted on one side only.
    const float corner[4] = {4.0F, 0.0F, 8.0F, 8.0F};
    cont_crossings(corner, 4.0F, &c);
    EXPECT_EQ(c.n, 2);
    const float touch[4] = {4.0F, 8.0F, 8.0F, 8.0F};
    cont_crossings(touch, 4.0F, &c);
    EXPECT_EQ(c.n, 0);
}

TEST(ContTraceCells, BusyCellsAreSkippedWhole) {
    const auto z = make_grid(3, 2, [](int i, int) { return i == 2 ? 100.0F : static_cast<float>(i); });
    ContField f{3, 2, z.data(), nullptr, nullptr};
    ContLevels l = fill_levels(0.0F, 1.0F, 101, 12);
    l.busy_limit = 30.0F;
    Recorder r;
    EXPECT_EQ(cont_trace(f, l, ContWrap{}, r), 1);  // the 1 -> 100 cell spans 99 intervals
}

TEST(ContTraceCells, FillWithLinesDrawsEachBandTopInTheNextColour) {
    const auto z = make_grid(2, 2, [](int i, int) { return i * 10.0F; });
    ContField f{2, 2, z.data(), nullptr, nullptr};
    ContLevels l = fill_levels(0.0F, 4.0F, 3, 16);
    l.num_colors = 3;
    l.first_color = 1;
    Recorder r;
    cont_trace(f, l, ContWrap{}, r);
    ASSERT_EQ(r.segs.size(), 2U);  // levels 4 and 8
    EXPECT_FLOAT_EQ(r.segs[0].level, 4.0F);
    EXPECT_EQ(r.segs[0].color, 2);
    EXPECT_EQ(r.segs[1].color, 0);  // wraps round the three colours
    EXPECT_EQ(r.polys.size(), 3U);
}

TEST(ContTraceWrap, InterpolationUnwrapsAcrossTheDateLine) {
    ContWrap w;
    w.proj = kProjLatLon;
    const GPoint p = cont_int_xy(w, {-179.0F, 0.0F}, {179.0F, 0.0F}, 0.5F);
    EXPECT_FLOAT_EQ(p.x, 180.0F);
    w.proj = 5;
    EXPECT_FLOAT_EQ(cont_int_xy(w, {-179.0F, 0.0F}, {179.0F, 0.0F}, 0.5F).x, 0.0F);
}

TEST(ContTraceWrap, MercatorAndMollweideUnwrapByTheirWidths) {
    ContWrap w;
    w.proj = kProjMercator;
    EXPECT_NEAR(cont_int_xy(w, {-199.0F, 0.0F}, {199.0F, 0.0F}, 0.0F).x, 201.3156F, 1e-3);
    w.proj = kProjMollweide;
    // At the equator the map is 254.852 wide; the eastern end is moved.
    EXPECT_NEAR(cont_int_xy(w, {120.0F, 0.0F}, {-120.0F, 0.0F}, 1.0F).x, 134.852F, 1e-3);
    EXPECT_NEAR(cont_int_xy(w, {-120.0F, 0.0F}, {120.0F, 0.0F}, 0.0F).x, 134.852F, 1e-3);
    EXPECT_FLOAT_EQ(cont_int_xy(w, {-5.0F, 0.0F}, {3.0F, 0.0F}, 0.5F).x, -1.0F);  // near the middle
    EXPECT_NEAR(cont_mollweide_width(63.713F), 0.0F, 1e-4);
}

TEST(ContTraceWrap, SegmentAcrossTheDateLineIsDrawnOnBothSides) {
    Recorder out;
    ContWrap w;
    w.proj = kProjLatLon;
    ContWrapSink sink(w, out);
    sink.segment(0, 1.0F, {179.0F, 10.0F}, {-179.0F, 11.0F});
    ASSERT_EQ(out.segs.size(), 2U);
    EXPECT_FLOAT_EQ(out.segs[0].b.x, 181.0F);
    EXPECT_FLOAT_EQ(out.segs[1].a.x, -181.0F);
    sink.segment(0, 1.0F, {10.0F, 10.0F}, {12.0F, 11.0F});
    EXPECT_EQ(out.segs.size(), 3U);
    w.proj = kProjLambert;
    ContWrapSink lambert(w, out);
    lambert.segment(0, 1.0F, {-30.0F, 0.0F}, {30.0F, 0.0F});
    EXPECT_EQ(out.segs.size(), 3U);
}

TEST(ContTraceWrap, PolygonsOverTheEdgeAreFilledOnBothSides) {
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
    w.proj = kProjLambert;
    ContWrapSink lambert(w, out);
    const GPoint jump[4] = {{-40.0F, 0.0F}, {40.0F, 0.0F}, {40.0F, 1.0F}, {-40.0F, 0.0F}};
    lambert.polygon(0, 0.0F, 4, jump);
    EXPECT_EQ(out.polys.size(), 3U);
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
    for (int row = 0; row < ny; ++row) {
        for (int i = 0; i < nx; ++i) {
            float lon = 170.0F + 5.0F * i;
            if (lon > 180.0F) lon -= 360.0F;
            xs.push_back(lon);
            ys.push_back(static_cast<float>(ny - 1 - row));
        }
    }
    const auto z = make_grid(nx, ny, [](int i, int j) { return static_cast<float>(i + j); });
    ContField f{nx, ny, z.data(), xs.data(), ys.data()};
    ContWrap w;
    w.proj = kProjLatLon;
    Recorder out;
    ContWrapSink sink(w, out);
    cont_trace(f, fill_levels(2.5F, 1.0F, 1, 12), w, sink);
    ASSERT_EQ(out.segs.size(), 3U);
    EXPECT_FLOAT_EQ(out.segs[0].a.x, 177.5F);  // the cell west of the date line
    EXPECT_FLOAT_EQ(out.segs[1].a.x, -177.5F);
    EXPECT_FLOAT_EQ(out.segs[1].b.x, -180.0F);
    EXPECT_FLOAT_EQ(out.segs[2].a.x, 182.5F);
    EXPECT_FLOAT_EQ(out.segs[2].b.x, 180.0F);
}

}  // namespace
}  // namespace orv
