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

// ---------------------------------------------------------------- grid math
//
// A function variable of the variable list ("sub(temp,dewp)") is computed
// into its own slot from the slots of its operands, innermost functions
// first. Derivatives measure distance on the earth (the map factor of the
// grid's projection taken into account) in units of 100 km, so first
// derivatives come out in units of 1e-5 per metre. A result that is not a
// finite number (a zero divisor, the root of a negative value, an overflow)
// is stored as missing.

inline constexpr int kMathMaxOperands = 20;

// Computes every function variable whose slot holds no data yet; returns 1.
int GRD_calc_var();
// One function into slot `slot` (and slot+1 for a vector result). `grids`
// holds the operands' variable indexes (ended by -1), `constants` the value of
// each operand that is a constant (-9999 for grids and for a constant that is
// not a number). 1 done, 0 with "GRD_math: Invalid grids" or
// "GRD_math: Math function not available: <name>".
int GRD_math(int slot, const char* name, const int* grids, const float* constants);
// 20 "wind", 21 "vect", 23 "stream"/"strm", 10 a computed function, else 0.
int GRD_is_math_func(const char* name);
int GRD_is_plot_func(const char* name);  // 1 for the drawn functions
int GRD_is_vect_func(const char* name);  // 1 for "grad" and "vdiff"
// The operands of nesting level `level` from variable `start` on: at most
// `max` (negative: no limit) into grids/constants, -1 after the last (the
// arrays hold max + 1 entries). Returns the index where the walk stopped.
int GRD_find_param_grids(int start, int max, int level, int* grids, float* constants);
// The number of leading operands that are grids or constants with a value.
int GRD_find_num_data(const int* grids, const float* constants);

// Operators on whole grids. The result takes the first operand's header; its
// values are allocated when it has none. 1, or -1 with "<name>: No memory for
// grid field" or when an operand has no values or another shape.
int GRD_dx(GridField* out, const GridField* a);
int GRD_dy(GridField* out, const GridField* a);
int GRD_laplacian(GridField* out, const GridField* a);
int GRD_vorticity(GridField* out, const GridField* u, const GridField* v);
// -(d(qu)/dx + d(qv)/dy); without q, the convergence of the wind itself.
int GRD_converge(GridField* out, const GridField* u, const GridField* v, const GridField* q);
int GRD_deformation1(GridField* out, const GridField* u, const GridField* v);
int GRD_deformation2(GridField* out, const GridField* u, const GridField* v);
int GRD_advection(GridField* out, const GridField* u, const GridField* v, const GridField* s);
// Every present point combined with the Coriolis parameter f = 14.584 sin(lat)
// (1e-5 per second): "add", "sub" (v - f), "sub-" (f - v), "mul", "div"
// (v / f), "div-" (f / v), any case. 1, or 0 for an unknown mode.
int GRD_coriolis(GridField* grid, const char* mode);

// Lets the variable parser and the plot reach the grid math.
void GRD_register_hooks();

// Releases every array of the pool and restores the start state.
void GRD_reset_for_tests();

}  // namespace orv
