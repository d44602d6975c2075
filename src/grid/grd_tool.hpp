// The grid store: one process-wide pool of 60 grid slots holding every
// analysed or computed field, and the operations on single grids
// (allocation, copying, statistics, look-up, arithmetic, units, printing).
//
// Slot i belongs to variable i of the variable list. Values are row-major,
// nx values a row, row 0 the northern row and column 0 the western column;
// -9999 marks a missing value and never takes part in arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/date.hpp"
#include "geo/maptran.hpp"

namespace orv {

inline constexpr int kGridSlots = 60;
inline constexpr std::size_t kGridLabelSize = 50;
inline constexpr std::size_t kGridInfoSize = 70;
inline constexpr std::size_t kGridUnitsSize = 16;  // 15 characters

// One grid with its header.
struct GridField {
    std::int32_t grid_number;  // number within its source ("Grid")
    std::int32_t source;       // data source; 0 = no data yet
    std::int32_t version;      // encoding version
    char label[kGridLabelSize];
    char info[kGridInfoSize];  // level, variable name and units
    DateRecord date;           // valid date
    std::int32_t model;
    std::int32_t level_type;
    std::int32_t level;
    std::int32_t hour;         // forecast hour
    std::int32_t variable;     // variable number of the variable table
    char units[kGridUnitsSize];
    Domain domain;
    float* values;             // nx * ny values (malloc'd), or null
};

// What accompanies a grid written to a grid file.
struct GridInfo {
    std::int32_t count;
    std::int32_t layout;  // 0: projection variables, 1: coordinate variables
    std::int32_t nx;
    std::int32_t ny;
    DateRecord date;
};

// Pool access; the pool is initialised on first use. No bound check on i.
GridField* GRD_get_grids();
GridField* GRD_get_grid(int i);
int GRD_init_grids();
void GRD_init(GridField* grid);

// Allocation. An array the grid held before is released, unless another pool
// slot shares it. 1, or 0 with "GRD_alloc: No memory for grid field\n" (also
// for a domain without points).
int GRD_alloc(GridField* grid);
int GRD_alloc_grid(int i);
void GRD_free(GridField* grid);

// Copies. GRD_copy shares the values array (only one holder may free it);
// GRD_move leaves src re-initialised; GRD_copy_info copies the header without
// values (dst's values become null; a pool slot releases its old array).
void GRD_copy(GridField* dst, const GridField* src);
void GRD_move(GridField* dst, GridField* src);
void GRD_set_grid(int i, const GridField* src);
void GRD_copy_info(GridField* dst, const GridField* src);

// Slot setters.
void GRD_set_grid_info(int i, const char* text);
void GRD_set_grid_date(int i, const DateRecord* date, const char* label);
void GRD_set_grid_domain(int i, const Domain* domain);
void GRD_get_grid_domain(int i, Domain* out);
void GRD_set_var(int i);
void GRD_set_info(GridInfo* info, const DateRecord* date, const Domain* domain);
void GRD_make_datatype(GridField* grid);

// Grid factor refining every domain stored by GRD_set_grid_domain; values
// below 1 are ignored.
void GRD_set_grid_factor(int factor);
int GRD_get_grid_factor();

// Statistics. GRD_maxmin: 1, 0 when every value is missing, -1 without values.
int GRD_maxmin(const GridField* grid, float* max, float* min);
// Largest vector length where neither component is 0 or missing; -1 without
// arrays, else 1.
int GRD_UVmax(const GridField* u, const GridField* v, float* max);
// Kinds "max", "min", "maxmin", "avg", "avgnum" (any case): 1, else 0.
int GRD_stats(const char* kind, const GridField* grid, float* out);

// Look-up at fractional grid coordinates (bilinear), -9999 outside.
float GRD_get_value(const GridField* grid, float x, float y);
// The point given in `domain` (plane coordinates of the grid's own domain when
// domain->proj is -9999) becomes fractional grid coordinates, written back.
float GRD_get_value_domain(const GridField* grid, const Domain* domain, float* lat_or_x,
                           float* lon_or_y);
// Plot coordinates in `domain` of every grid point (-9999 where a point does
// not project). The arrays are malloc'd; any held before are freed. 0 or -1.
int GRD_proj_XY(const GridField* grid, const Domain* domain, float** xs, float** ys);
// Every present point replaced by its coordinate: "lat", "lon..." (any text
// beginning "lon"), "projx", "projy". 1, or 0 for an unknown kind or no values.
int GRD_point_locate(GridField* grid, const char* kind);

// In-place arithmetic; missing values stay missing.
void GRD_scale(GridField* grid, float factor);
void GRD_offset(GridField* grid, float offset);
// dst becomes a copy of src with its own array, values beyond the threshold
// ("lower": below, "higher": above) replaced. 1, or 0.
int GRD_cutoff(GridField* dst, const char* mode, const GridField* src, float threshold,
               float replacement);
// Converts the values to `units`; 0, or -1 without values.
int GRD_units(GridField* grid, const char* units);

// Read-out at a plot point (x, y in the current map's plane).
void GRD_print_value(const GridField* grid, float x, float y);
void GRD_print_value2(const GridField* u, const GridField* v, float x, float y);
// Forms -2..3.
void GRD_print_info(unsigned level, GridField* grid, int form);
void GRD_print(unsigned level, GridField* grid);

// Releases every array of the pool and restores the start state.
void GRD_reset_for_tests();

}  // namespace orv
