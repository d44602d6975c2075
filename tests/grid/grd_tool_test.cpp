#include "grid/grd_tool.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/unittool.hpp"
#include "geo/maptran.hpp"

namespace orv {
namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

Domain latlon_domain(int nx, int ny) {
    Domain d;
    d.proj = kProjLatLon;
    d.clat = 40.0F;
    d.clon = -100.0F;
    d.dx = 1.0F;
    d.dy = 1.0F;
    d.nx = nx;
    d.ny = ny;
    return d;
}

class GridStore : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        GRD_reset_for_tests();
        MAP_reset_for_tests();
        MESS_reset_for_tests();
        UNIT_reset_for_tests();
        RES_reset_for_tests();
    }
    // Slot i as an nx x ny grid holding the given values (row 0 first).
    static GridField* filled(int i, int nx, int ny, const std::vector<float>& values) {
        const Domain d = latlon_domain(nx, ny);
        GRD_set_grid_domain(i, &d);
        EXPECT_EQ(GRD_alloc_grid(i), 1);
        GridField* grid = GRD_get_grid(i);
        std::copy(values.begin(), values.end(), grid->values);
        return grid;
    }
};

TEST_F(GridStore, PoolStartsInitialisedAndSlotsReset) {
    GridField* grid = GRD_get_grid(59);
    EXPECT_EQ(grid, GRD_get_grids() + 59);
    EXPECT_EQ(grid->values, nullptr);
    EXPECT_EQ(grid->source, 0);
    EXPECT_EQ(grid->level, kMissing);
    EXPECT_EQ(grid->level_type, kMissing);
    EXPECT_EQ(grid->hour, kMissing);
    EXPECT_EQ(grid->variable, kMissing);
    EXPECT_EQ(grid->domain.proj, kMissing);
    EXPECT_STREQ(grid->label, "");
}

TEST_F(GridStore, AllocationNeedsPointsAndReplacesTheOldArray) {
    CaptureStderr();
    EXPECT_EQ(GRD_alloc_grid(0), 0);  // no domain yet
    EXPECT_EQ(GetCapturedStderr(), "GRD_alloc: No memory for grid field\n");
    filled(0, 3, 2, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(GRD_alloc_grid(0), 1);  // the first array is released (checked by the sanitizer build)
    GRD_free(GRD_get_grid(0));
    EXPECT_EQ(GRD_get_grid(0)->values, nullptr);
    EXPECT_EQ(GRD_get_grid(0)->domain.nx, kMissing);
}

TEST_F(GridStore, CopiesShareMovesHandOverAndInfoCopiesLeaveValuesOut) {
    GridField* a = filled(0, 2, 2, {1, 2, 3, 4});
    copy_text(a->info, "500mb Temperature (C)");
    a->hour = 24;
    GRD_set_grid(1, a);
    EXPECT_EQ(GRD_get_grid(1)->values, a->values);
    GRD_free(GRD_get_grid(1));  // shared with slot 0: slot 0 keeps its array
    EXPECT_EQ(a->values[3], 4.0F);

    GridField moved;
    GRD_init(&moved);
    GRD_move(&moved, a);
    EXPECT_EQ(a->values, nullptr);
    EXPECT_EQ(moved.hour, 24);

    GridField header;
    GRD_init(&header);
    GRD_copy_info(&header, &moved);
    EXPECT_EQ(header.values, nullptr);
    EXPECT_EQ(header.domain.nx, 2);
    EXPECT_STREQ(header.info, "");  // the info is not part of the header copy
    std::free(moved.values);
}

TEST_F(GridStore, GridFactorRefinesStoredDomains) {
    Domain d = latlon_domain(33, 25);
    d.dx = d.dy = 2.0F;
    GRD_set_grid_factor(0);
    EXPECT_EQ(GRD_get_grid_factor(), 1);
    GRD_set_grid_factor(2);
    GRD_get_grid(3)->source = 1;
    GRD_set_grid_domain(3, &d);
    Domain out;
    GRD_get_grid_domain(3, &out);
    EXPECT_EQ(out.nx, 65);
    EXPECT_EQ(out.ny, 49);
    EXPECT_EQ(out.dx, 1.0F);
    EXPECT_EQ(out.dy, 1.0F);
    EXPECT_EQ(GRD_get_grid(3)->source, 0);
}

TEST_F(GridStore, StatisticsSkipMissingValues) {
    GridField* grid = filled(0, 3, 1, {kMissingF, kMissingF, kMissingF});
    float max = 0, min = 0;
    EXPECT_EQ(GRD_maxmin(grid, &max, &min), 0);
    EXPECT_EQ(max, kMissingF);
    EXPECT_EQ(min, kMissingF);
    float out[2];
    EXPECT_EQ(GRD_stats("AVGNUM", grid, out), 1);
    EXPECT_EQ(out[0], kMissingF);
    EXPECT_EQ(out[1], 0.0F);

    grid = filled(1, 4, 1, {3, kMissingF, -2, 7});
    EXPECT_EQ(GRD_maxmin(grid, &max, &min), 1);
    EXPECT_EQ(max, 7.0F);
    EXPECT_EQ(min, -2.0F);
    EXPECT_EQ(GRD_stats("maxmin", grid, out), 1);
    EXPECT_EQ(out[0], 7.0F);
    EXPECT_EQ(out[1], -2.0F);
    EXPECT_EQ(GRD_stats("avgnum", grid, out), 1);
    EXPECT_FLOAT_EQ(out[0], 8.0F / 3.0F);
    EXPECT_EQ(out[1], 3.0F);
    EXPECT_EQ(GRD_stats("median", grid, out), 0);

    GridField none;
    GRD_init(&none);
    EXPECT_EQ(GRD_maxmin(&none, &max, &min), -1);
}

TEST_F(GridStore, VectorMaximumIgnoresZeroComponents) {
    GridField* u = filled(0, 3, 1, {0, 3, kMissingF});
    GridField* v = filled(1, 3, 1, {10, 4, 50});
    float max = 0;
    EXPECT_EQ(GRD_UVmax(u, v, &max), 1);
    EXPECT_FLOAT_EQ(max, 5.0F);
    GridField none;
    GRD_init(&none);
    EXPECT_EQ(GRD_UVmax(u, &none, &max), -1);
    EXPECT_EQ(max, kMissingF);
}

TEST_F(GridStore, BilinearValuesAndTheirEdges) {
    // 3 x 2 grid: row 0 = 0 10 20, row 1 = 100 110 120
    GridField* grid = filled(0, 3, 2, {0, 10, 20, 100, 110, 120});
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 0.5F, 0.5F), 55.0F);
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 1.25F, 0.0F), 12.5F);
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 2.0F, 0.0F), 20.0F);      // last column exactly
    EXPECT_EQ(GRD_get_value(grid, 3.0F - 0.99989F, 0.0F), kMissingF);
    EXPECT_EQ(GRD_get_value(grid, -0.01F, 0.0F), kMissingF);
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 1.0F, 1.0F), 110.0F);     // last row: corner A alone
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 1.5F, 1.0F), 110.0F);
    grid->values[5] = kMissingF;
    EXPECT_EQ(GRD_get_value(grid, 1.5F, 0.5F), kMissingF);       // a missing neighbour
    EXPECT_FLOAT_EQ(GRD_get_value(grid, 0.5F, 0.5F), 55.0F);
}

TEST_F(GridStore, LookupThroughAnotherDomain) {
    GridField* grid = filled(0, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Domain plane;  // proj -9999: plane coordinates of the grid's own domain
    float gx = 0, gy = 0;
    MAP_domain(&grid->domain);
    MAP_grid_tran(&gx, &gy, 2.0F, 1.0F);
    Domain other = latlon_domain(5, 5);
    other.clat = 10.0F;
    MAP_domain(&other);
    float x = gx, y = gy;
    EXPECT_FLOAT_EQ(GRD_get_value_domain(grid, &plane, &x, &y), 6.0F);
    EXPECT_FLOAT_EQ(x, 2.0F);
    EXPECT_FLOAT_EQ(y, 1.0F);
    EXPECT_EQ(MAP_get_domain(nullptr)->clat, 10.0F);  // the current domain is restored

    // The point (41 N, 101 W) given in the other latitude/longitude plane.
    MAP_tran(&x, &y, 41.0F, -101.0F);
    EXPECT_FLOAT_EQ(GRD_get_value_domain(grid, &other, &x, &y), 1.0F);
}

TEST_F(GridStore, ProjectedPositionsAndPointCoordinates) {
    GridField* grid = filled(0, 3, 3, {0, 0, 0, 0, kMissingF, 0, 0, 0, 0});
    float* xs = static_cast<float*>(std::malloc(4));  // held arrays are released first
    float* ys = nullptr;
    ASSERT_EQ(GRD_proj_XY(grid, &grid->domain, &xs, &ys), 0);
    MAP_domain(&grid->domain);
    for (int k = 0; k < 9; ++k) {
        float x = 0, y = 0;
        MAP_grid_tran(&x, &y, static_cast<float>(k % 3), static_cast<float>(k / 3));
        EXPECT_NEAR(xs[k], x, 1e-4) << k;
        EXPECT_NEAR(ys[k], y, 1e-4) << k;
    }
    std::free(xs);
    std::free(ys);

    ASSERT_EQ(GRD_point_locate(grid, "lat"), 1);
    EXPECT_FLOAT_EQ(grid->values[0], 41.0F);
    EXPECT_FLOAT_EQ(grid->values[8], 39.0F);
    EXPECT_EQ(grid->values[4], kMissingF);
    EXPECT_STREQ(grid->info, "Latitude (deg)");
    EXPECT_EQ(grid->variable, 0);
    GridField* lon = filled(1, 3, 1, {0, 0, 0});
    lon->domain.clon = 179.5F;  // the eastern point folds to the western hemisphere
    ASSERT_EQ(GRD_point_locate(lon, "lon"), 1);
    EXPECT_FLOAT_EQ(lon->values[0], 178.5F);
    EXPECT_FLOAT_EQ(lon->values[2], -179.5F);
    EXPECT_EQ(GRD_point_locate(lon, "height"), 0);
}

TEST_F(GridStore, ArithmeticLeavesMissingValuesAlone) {
    GridField* grid = filled(0, 3, 1, {1, kMissingF, 3});
    GRD_scale(grid, 2.0F);
    GRD_offset(grid, 1.0F);
    EXPECT_EQ(grid->values[0], 3.0F);
    EXPECT_EQ(grid->values[1], kMissingF);
    EXPECT_EQ(grid->values[2], 7.0F);

    GridField* cut = GRD_get_grid(1);
    ASSERT_EQ(GRD_cutoff(cut, "Higher", grid, 5.0F, 0.0F), 1);
    EXPECT_NE(cut->values, grid->values);
    EXPECT_EQ(cut->values[0], 3.0F);
    EXPECT_EQ(cut->values[1], kMissingF);
    EXPECT_EQ(cut->values[2], 0.0F);
    EXPECT_EQ(grid->values[2], 7.0F);
    ASSERT_EQ(GRD_cutoff(grid, "lower", grid, 5.0F, -1.0F), 1);  // in place
    EXPECT_EQ(grid->values[0], -1.0F);
    EXPECT_EQ(GRD_cutoff(cut, "sideways", grid, 0.0F, 0.0F), 0);
}

TEST_F(GridStore, UnitsConvertValuesAndRewriteTheInfo) {
    GridField* grid = filled(0, 2, 1, {0, kMissingF});
    copy_text(grid->units, "C");
    copy_text(grid->info, "Temperature (C)");
    ASSERT_EQ(GRD_units(grid, "F"), 0);
    EXPECT_NEAR(grid->values[0], 32.0F, 1e-4);
    EXPECT_EQ(grid->values[1], kMissingF);
    EXPECT_STREQ(grid->units, "F");
    EXPECT_STREQ(grid->info, "Temperature (F)");
    GridField none;
    GRD_init(&none);
    EXPECT_EQ(GRD_units(&none, "F"), -1);
}

TEST_F(GridStore, PrintedForms) {
    GridField* grid = filled(0, 3, 2, {0, 10, 20, 100, 110, kMissingF});
    copy_text(grid->label, "12Z 5 JUN 2024");
    copy_text(grid->info, "Temperature (F)");
    grid->model = 7;
    grid->hour = 24;
    CaptureStdout();
    GRD_print_info(kMessPrint, grid, 0);
    GRD_print_info(kMessPrint, grid, 1);
    GRD_print_info(kMessPrint, grid, 2);
    EXPECT_EQ(GetCapturedStdout(),
              "12Z 5 JUN 2024-Temperature (F)\n"
              "Model: 7 Ltype: -9999 Level: -9999 Var: -9999 [] Hour: 24 Grid: 0\n"
              "Proj: 2 Lat: 40.00 Lon: -100.00 NX: 3 NY: 2 DX: 1.00 DY: 1.00\n");

    MAP_domain(&grid->domain);
    float x = 0, y = 0;
    MAP_grid_tran(&x, &y, 0.5F, 0.0F);
    CaptureStdout();
    GRD_print_value(grid, x, y);
    MAP_grid_tran(&x, &y, 1.5F, 0.5F);
    GRD_print_value(grid, x, y);
    GRD_print_value2(grid, grid, x, y);
    EXPECT_EQ(GetCapturedStdout(), "Grid:   0.50,  0.00 =   5.00\nGrid:   1.50,  0.50\nGrid:   1.50,  0.50 = \n");

    MESS_set(0, 0);
    CaptureStdout();
    GRD_print_info(kMessPrint, grid, 1);
    EXPECT_EQ(GetCapturedStdout(), "");
}

}  // namespace
}  // namespace orv
