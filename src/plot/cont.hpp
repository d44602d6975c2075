// Contouring: levels, intervals and fill-colour lists, the drawing of one
// grid as contour lines, colour-filled bands or printed values, contour
// labels, "H"/"L" marks and the colour bar that keys the bands.
#pragma once

#include "geo/maptran.hpp"
#include "gks/gph.hpp"
#include "grid/grd_tool.hpp"
#include "plot/cont_trace.hpp"

namespace orv {

inline constexpr int kContMaxLevels = 256;
inline constexpr int kContLabelSize = 10;  // level label texts: 9 characters

// The grid being contoured, as the contour module reads it: nx x ny values
// stored from the top row down (-9999 missing), with its description and
// date label. `x`/`y` are per-point positions in the current map (null: the
// grid is drawn in its own coordinates).
struct ContGrid {
    int nx = 0;
    int ny = 0;
    const float* values = nullptr;
    const char* info = "";
    const char* label = "";
    const float* x = nullptr;
    const float* y = nullptr;
};

void CONT_init();
void CONT_grid(const float* x, const float* y);
void CONT_draw_grid(int flag);
void CONT_set_bar(int flag);
int CONT_get_bar();
void CONT_set_scale(float scale);
void CONT_set_skip(int columns, int rows);
void CONT_set_plot_offset(float x, float y);
void CONT_set_fill_pat(int pattern);
int CONT_get_fill_pat();
void CONT_reset_fill_set();
int CONT_get_num_cont();
void CONT_set_dash(int mode);
void CONT_set_intrvl(float interval);
float CONT_get_intrvl();
void CONT_set_range(float max, float min);
void CONT_set_bar_range(float max, float min);
void CONT_set_cutoff(float max, float min);
void CONT_set_type(int type);
int CONT_get_type();
void CONT_set_label_type(int skip, int radius);
void CONT_set_over(int overlay);
void CONT_set_label_space(int columns, int rows);
void CONT_set_base(float base);
float CONT_get_base();
// The lines-per-cell limit (the "maxl" parameter).
void CONT_set_max_lines(int limit);
// 1 when the map background goes under the contours ("mapcon").
int CONT_get_map_under();
// 1 when the frame labels sit inside the plot area (the colour bar then
// goes inside too).
void CONT_set_full_labels(int flag);

// The variable's contour type code (12..17) and format string.
void CONT_set_format(int type, const char* format);
int CONT_set_values(const float* levels, int n);
void CONT_reset_values();
int CONT_get_values(float* out);
int CONT_set_fill_attribs(const AttribRecord* records);
int CONT_get_fill_attrib_ind(int i, AttribRecord* out);
int CONT_get_fill_attrib(AttribRecord* out, float value);
// Label text of level i ("" when the value itself is printed).
const char* CONT_get_level_label(int i);

float CONT_calc_intrvl(int n, float max, float min);
// Computes the levels for the data range (taken from the grid when unset).
int CONT_set_cont_ext(const ContGrid* grid);
int CONT_set_fill_colors(const char* list, int from_format);
int CONT_format_decode_type(const char* format);
int CONT_format_decode_attrib(const char* format, AttribRecord* record);
int CONT_param_decode(const char* params);
// Applies the "con_base" entries (cut-offs and base).
void CONT_read_base();

float CONT_prompt_intrvl();
int CONT_prompt_type();

// The levels the tracer walks, from the current settings.
ContLevels CONT_get_levels();
// Draws the grid's contours, fills or values. 0, or -1 (nothing drawn).
int CONT_draw_contour(const ContGrid* grid);
// The sink that draws traced pieces through the graphics kernel.
int CONT_draw_lines(int kind, int n, const GPoint* points);

int CONT_draw_labels(const ContGrid* grid);
int CONT_draw_maxmin(const ContGrid* grid);
int CONT_draw_bar(int orientation, const char* title);
float CONT_get_bar_value(float x, float y);
int CONT_flash_value(const char* event, float x, float y);

// The analysed grids of the plot (GridField). Positions come from the current
// map: the grid's own coordinates when the map domain equals the grid's,
// else every point projected into the map.
using ContCallback = int (*)(const char* event, float x, float y);
// The number of stations the next plotted grid was analysed from (shown
// with its lowest and highest values); -1 when it was not analysed.
void CONT_set_station_count(int stations);
int CONT_plot_setup(int frame, int variable, const GridField* grid, const Domain* domain,
                    ContCallback callback);
int CONT_draw(const GridField* grid);
// While deferred, CONT_draw leaves the grid's marks and labels pending, so
// that they are drawn over the map: CONT_draw_pending draws them (1, or 0
// when none wait), as does the next CONT_plot_setup and switching the
// deferral off.
void CONT_defer_annotations(int on);
int CONT_draw_pending();
// A complete picture of the grid given to CONT_plot_grid on a domain: the
// graphics opened (or reset), map, contours, labels, colour bar, dump.
int CONT_plot(const Domain* domain);
// CONT_plot of a grid, on its own domain when the given one is unset.
int CONT_plot_grid(const GridField* grid, const Domain* domain, ContCallback callback);
int CONT_draw_contour(const GridField* grid);
int CONT_draw_labels(const GridField* grid);
int CONT_draw_maxmin(const GridField* grid);
int CONT_set_cont_ext(const GridField* grid);

// Event handler of a contour plot: value print-out, zoom, resize and the
// colour-bar flash.
int CONT_callback(const char* event, float x, float y);
// Gives the frame module the colour-bar and value-print settings it sets.
void CONT_register_hooks();

// The frame label texts the last set-up made: 0 upper left (the grid's
// description), 1 upper right (its date label), 2 lower right (range),
// 3 lower left (levels or interval). "" when there is none.
const char* CONT_get_frame_label(int position);

void CONT_reset_for_tests();

}  // namespace orv
