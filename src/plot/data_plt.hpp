// Plot data control, drawing side: the frame's map underlay and overlay, each
// variable drawn as contours, vectors or station plots, the colour and vector
// bars, and the raw station files written while station plots are drawn.
#pragma once

#include "grid/grd_tool.hpp"
#include "plot/data.hpp"

namespace orv {

// What the plot reaches in modules that arrive separately (vectors and
// streamlines, station plots and raw station files, grid math). An empty
// entry draws or computes nothing.
struct DataSeams {
    // Vectors.
    void (*vect_set_type)(int type);
    void (*vect_set_format)(int type, const char* format);
    // Finds the two component slots from variable v (function flag: the
    // variable is a grid function): the last variable index used, -1 none.
    int (*find_param_grids)(int v, int n, int function, int* slots);
    int (*vect_plot)(int frame, int variable, const GridField* u, const GridField* v, const Domain* domain,
                     DataCallbackFunc callback);
    int (*vect_get_vect)();
    int (*vect_draw_vect)();
    // Grid math.
    int (*calc_var)();
    int (*is_plot_func)(const char* name);
    // Station plots.
    int (*raw_plot_init)(const AttribRecord* attributes, float scale);
    int (*raw_plot_data)(RawData* raw);
    char* (*raw_data_to_string)(const RawData* raw, char* out, int size);
    void (*plot_grid_init)();
    int (*plot_grid)(float x, float y);  // 1 when the position is free
    // Raw station files: open (mode 0 read, 1 write) gives a handle or -1.
    int (*raw_open)(const char* path, int mode);
    int (*raw_set_field)(int fd, int field, const char* name, const char* info, const char* format);
    int (*raw_putinfo)(int fd, const char* info, const char* label);
    int (*raw_write)(int fd, int mode, const char* id, float lat, float lon, const RawData* raw);
    int (*raw_close)(int fd);
};
DataSeams* DATA_seams();

// Fills the frame module's hooks for contours, map grids and grid files.
void DATA_register_hooks();

// Frame composition.
int DATA_plot_init();
void DATA_new_frame();
int DATA_map_underlay();
int DATA_map_overlay();
int DATA_plot_grid(int v, PlotControl* control);
int DATA_plot_cont(int v, PlotControl* control, const char* format);
int DATA_plot_vect(int v, PlotControl* control, char* units, const char* format);
int DATA_plot_raw(int v, PlotControl* control);
int DATA_plot_raw_label(int first, int last, PlotControl* control);
int DATA_plot_bar();
int DATA_plot_vect_bar();
int DATA_plot_map(int v);
void DATA_set_site(int flag);
void DATA_set_dist(float distance);

// Frame state, for the driver and tests.
int DATA_get_fill();
int DATA_get_map_flag();

// Raw station files.
int RAW_date_open(const DateRecord* date);
int RAW_file_open(const char* spec, int* field, const char** extra, int mode);
int RAW_save_station(const CityEntry* entry);
int RAW_save_data(const RawData* raw);
int RAW_save_end();
int RAW_close_file();
// text is a station's scratch block (kRawLabelBlock bytes).
inline constexpr int kRawLabelBlock = 120;
int RAW_set_var_string(const VarRecord* variable, const RawData* raw, char* text);

void DATA_plt_reset_for_tests();

}  // namespace orv
