#include "grid/grd_tool.hpp"

#include "plot/module_reset.hpp"

namespace orv {
namespace {
class GridStore : public test::ModuleTest {
protected:
    // Slot i as an nx x ny grid holding the given values (row 0 first).
    static GridField* filled(int i, int nx, int ny, const std::vector<float>& values) {
        const Domain d = test::latlon_domain(nx, ny);
        GRD_set_grid_domain(i, &d);
        EXPECT_EQ(GRD_alloc_grid(i), 1);
        GridField* grid = GRD_get_grid(i);
        std::copy(values.begin(), values.end(), grid->values);
        return grid;
    }
    static std::vector<float> values(const GridField* g) { return {g->values, g->values + g->domain.nx * g->domain.ny}; }
};
TEST_F(GridStore, CopiesShareMovesHandOverAndInfoCopiesLeaveValuesOut) {
    EXPECT_EQ(test::stderr_of([] { EXPECT_EQ(GRD_alloc_grid(5), 0); }), "GRD_alloc: No memory for grid field\n");  // no domain
    GridField* a = filled(0, 2, 2, {1, 2, 3, 4});
    copy_text(a->info, "500mb Temperature (C)");
    a->hour = 24;
    GRD_set_grid(1, a);
    EXPECT_EQ(GRD_get_grid(1)->values, a->values);
    GRD_free(GRD_get_grid(1));  // shared with slot 0: slot 0 keeps its array
    EXPECT_EQ(std::make_pair(a->values[3], GRD_get_grid(1)->domain.nx), std::make_pair(4.0F, kMissing));
    GridField moved, header;
    GRD_init(&moved);
    GRD_init(&header);
    GRD_move(&moved, a);
    EXPECT_EQ(std::make_pair(a->values, moved.hour), std::make_pair(static_cast<float*>(nullptr), 24));
    GRD_copy_info(&header, &moved);
    EXPECT_EQ(std::make_tuple(header.values, header.domain.nx, std::string(header.info)),
              std::make_tuple(static_cast<float*>(nullptr), 2, std::string()));  // the info is not part of the header copy
    std::free(moved.values);
}
TEST_F(GridStore, StatisticsSkipMissingValues) {
    float max = 0, min = 0, out[2];
    GridField* grid = filled(0, 3, 1, {kMissingF, kMissingF, kMissingF});
    EXPECT_EQ(GRD_maxmin(grid, &max, &min), 0);
    EXPECT_EQ(std::make_pair(max, min), std::make_pair(kMissingF, kMissingF));
    EXPECT_EQ(GRD_stats("AVGNUM", grid, out), 1);
    EXPECT_EQ(std::make_pair(out[0], out[1]), std::make_pair(kMissingF, 0.0F));
    grid = filled(1, 4, 1, {3, kMissingF, -2, 7});
    EXPECT_EQ(GRD_maxmin(grid, &max, &min), 1);
    EXPECT_EQ(std::make_pair(max, min), std::make_pair(7.0F, -2.0F));
    EXPECT_EQ(GRD_stats("maxmin", grid, out), 1);
    EXPECT_EQ(std::make_pair(out[0], out[1]), std::make_pair(7.0F, -2.0F));
    EXPECT_EQ(GRD_stats("avgnum", grid, out), 1);
    EXPECT_FLOAT_EQ(out[0], 8.0F / 3.0F);
    EXPECT_EQ(out[1], 3.0F);
    EXPECT_EQ(GRD_stats("median", grid, out), 0);
    GridField none;
    GRD_init(&none);
    EXPECT_EQ(GRD_maxmin(&none, &max, &min), -1);
    // The largest vector ignores points with a missing or zero component.
    GridField* u = filled(2, 3, 1, {0, 3, kMissingF});
    GridField* v = filled(3, 3, 1, {10, 4, 50});
    EXPECT_EQ(GRD_UVmax(u, v, &max), 1);
    EXPECT_EQ(max, 5.0F);
    EXPECT_EQ(GRD_UVmax(u, &none, &max), -1);
    EXPECT_EQ(max, kMissingF);
}
TEST_F(GridStore, BilinearValuesAndTheirEdges) {
    // 3 x 2 grid: row 0 = 0 10 20, row 1 = 100 110 120
    GridField* grid = filled(0, 3, 2, {0, 10, 20, 100, 110, 120});
    const struct { float i, j, want; } cases[] = {
        {0.5F, 0.5F, 55.0F}, {1.25F, 0.0F, 12.5F}, {2.0F, 0.0F, 20.0F},  // last column exactly
        {3.0F - 0.99989F, 0.0F, kMissingF}, {-0.01F, 0.0F, kMissingF},
        {1.0F, 1.0F, 110.0F}, {1.5F, 1.0F, 110.0F},  // last row: corner A alone
        {0.0F, -0.01F, kMissingF}, {0.0F, 1.01F, kMissingF},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(GRD_get_value(grid, c.i, c.j), c.want) << c.i << "," << c.j;
    grid->values[5] = kMissingF;
    EXPECT_EQ(GRD_get_value(grid, 1.5F, 0.5F), kMissingF);  // a missing neighbour
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 0.5F, 0.5F), 55.0F);
}
TEST_F(GridStore, LookupThroughAnotherDomainAndProjectedPositions) {
    GridField* grid = filled(0, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Domain plane;  // proj -9999: plane coordinates of the grid's own domain
    float gx = 0, gy = 0;
    MAP_domain(&grid->domain);
    MAP_grid_tran(&gx, &gy, 2.0F, 1.0F);
    Domain other = test::latlon_domain(5, 5);
    other.clat = 10.0F;
    MAP_domain(&other);
    float x = gx, y = gy;
    EXPECT_FLOAT_EQ(GRD_get_value_domain(grid, &plane, &x, &y), 6.0F);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(2.0F, 1.0F));
    EXPECT_EQ(MAP_get_domain(nullptr)->clat, 10.0F);  // the current domain is restored
    MAP_tran(&x, &y, 41.0F, -101.0F);                // (41 N, 101 W) in the other plane
    EXPECT_FLOAT_EQ(GRD_get_value_domain(grid, &other, &x, &y), 1.0F);
    float* xs = static_cast<float*>(std::malloc(4));  // held arrays are released first
    float* ys = nullptr;
    ASSERT_EQ(GRD_proj_XY(grid, &grid->domain, &xs, &ys), 0);
    MAP_domain(&grid->domain);
    for (int k = 0; k < 9; ++k) {
        MAP_grid_tran(&x, &y, static_cast<float>(k % 3), static_cast<float>(k / 3));
        EXPECT_LT(std::hypot(xs[k] - x, ys[k] - y), 1e-4) << k;
    }
    std::free(xs);
    std::free(ys);
    grid->values[4] = kMissingF;
    ASSERT_EQ(GRD_point_locate(grid, "lat"), 1);
    EXPECT_EQ(values(grid), (std::vector<float>{41, 41, 41, 40, kMissingF, 40, 39, 39, 39}));
    EXPECT_EQ(std::make_pair(std::string(grid->info), grid->variable), std::make_pair(std::string("Latitude (deg)"), 0));
    GridField* lon = filled(1, 3, 1, {0, 0, 0});
    lon->domain.clon = 179.5F;  // the eastern point folds to the western hemisphere
    ASSERT_EQ(GRD_point_locate(lon, "lon"), 1);
    EXPECT_EQ(values(lon), (std::vector<float>{178.5F, 179.5F, -179.5F}));
    EXPECT_EQ(GRD_point_locate(lon, "height"), 0);
}
TEST_F(GridStore, ArithmeticCutoffsAndUnitsLeaveMissingValuesAlone) {
    GridField* grid = filled(0, 3, 1, {1, kMissingF, 3});
    GRD_scale(grid, 2.0F);
    GRD_offset(grid, 1.0F);
    EXPECT_EQ(values(grid), (std::vector<float>{3, kMissingF, 7}));
    GridField* cut = GRD_get_grid(1);
    ASSERT_EQ(GRD_cutoff(cut, "Higher", grid, 5.0F, 0.0F), 1);
    EXPECT_NE(cut->values, grid->values);
    EXPECT_EQ(values(cut), (std::vector<float>{3, kMissingF, 0}));
    ASSERT_EQ(GRD_cutoff(cut, "higher", grid, 7.0F, 0.0F), 1);
    EXPECT_EQ(values(cut), (std::vector<float>{3, kMissingF, 7}));
    ASSERT_EQ(GRD_cutoff(grid, "lower", grid, 5.0F, -1.0F), 1);  // in place
    EXPECT_EQ(values(grid), (std::vector<float>{-1, kMissingF, 7}));
    EXPECT_EQ(GRD_cutoff(cut, "sideways", grid, 0.0F, 0.0F), 0);
    grid = filled(2, 2, 1, {0, kMissingF});
    copy_text(grid->units, "C");
    copy_text(grid->info, "Temperature (C)");
    ASSERT_EQ(GRD_units(grid, "F"), 0);
    EXPECT_NEAR(grid->values[0], 32.0F, 1e-4);
    EXPECT_EQ(grid->values[1], kMissingF);
    EXPECT_EQ(std::string(grid->units) + " " + grid->info, "F Temperature (F)");
    GridField none;
    GRD_init(&none);
    EXPECT_EQ(GRD_units(&none, "F"), -1);
}
}  // namespace
}  // namespace orv
