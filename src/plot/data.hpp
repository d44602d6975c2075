// Plot data control: the record of callbacks through which a data source
// hands its stations to the plot, the record of one station's value that the
// data sources, the station plotter and the raw-file writer exchange, and the
// station arrays and grid pass that turn reports into analysed grids.
#pragma once

#include <cstddef>

#include "core/date.hpp"
#include "core/var_tool.hpp"
#include "geo/maptran.hpp"
#include "gks/gph.hpp"

namespace orv {

struct CityEntry;

inline constexpr std::size_t kRawFormatSize = 80;
inline constexpr std::size_t kRawTextSize = 40;

struct RawData {
    float x;                     // plot position (projected), -9999 unset
    float y;
    int type;                    // variable type
    AttribRecord attributes;     // colour, size and line settings of the station plot
    char format[kRawFormatSize]; // the variable's format text
    char text[kRawTextSize];     // a text value, empty when none
    float value;                 // -9999 missing
    float second;                // second component, -9999 missing
};

void RAW_data_init(RawData* raw);
void RAW_data_init_val(RawData* raw);

struct PlotControl;

// The data source's callbacks. The report is the source's own buffer.
using DataOutFunc = int (*)();
using DataGetVarFunc = int (*)(VarRecord* variable);
using DataReadFunc = int (*)(void* report, CityEntry* entry);
using DataRewindFunc = int (*)();
using DataGetDataFunc = int (*)(const void* report, VarRecord* variable, RawData* raw);
using DataRawPlotFunc = int (*)(int variable, PlotControl* control);
using DataGridFunc = int (*)(PlotControl* control);
using DataCallbackFunc = int (*)(const char* event, float x, float y);

struct PlotControl {
    int frame;
    int model;                    // -9999 means 1
    DateRecord date;
    DataOutFunc raw_out;          // non-zero: write raw station files
    DataOutFunc grd_out;          // grid file type to write, 0 none
    Domain plot_domain;
    Domain grid_domain;
    void* report;
    DataGetVarFunc get_var;
    DataReadFunc read_report;     // -1 no more, 0 skip, 1 use
    DataRewindFunc rewind;
    DataGetDataFunc get_data;
    DataRawPlotFunc raw_plot;     // optional
    DataGridFunc grid_data;
    DataCallbackFunc callback;
};

// The process-wide record the driver fills.
PlotControl* DATA_get_control();
void DATA_control_init(PlotControl* control);

// Station arrays.
inline constexpr int kDataInitialLimit = 800;
inline constexpr int kDataGrowth = 400;

int DATA_init(int limit, int dimension);
int DATA_add_field(int i, const VarRecord* variable);
int DATA_chk_field(int i);  // 1 when field i has arrays
int DATA_add_loc(int i, float x, float y, float z = 0.0F);
int DATA_add_raw(int i, int field, const RawData* raw);
int DATA_get_raw(int i, int field, RawData* raw);
int DATA_get_num_stats();
// The number of stations with a value the grid of a slot was analysed from
// in this frame; -1 when the slot was not analysed.
int DATA_get_analysed(int slot);
int DATA_inc_num_stats(int n);
int DATA_get_limit();
int DATA_object_analyze();
void DATA_free();

// Grid pass, used by the data source's grid-data callback.
int DATA_setup_grid(PlotControl* control);
int DATA_get_data(PlotControl* control);
// The next report of a pass through the control's read-report callback,
// counting the reports of the pass in *reads (0 at the start): the callback's
// result, or -1 once kDataMaxReports reports have been read (a warning says
// so), so that a reader that stops making progress cannot hold a pass for ever.
inline constexpr int kDataMaxReports = 100000;
int DATA_read_report(PlotControl* control, CityEntry* entry, int* reads);
int DATA_save_grid(PlotControl* control);

// Frame state.
void DATA_new_grid();
int DATA_fit_grid(PlotControl* control);

void DATA_reset_for_tests();

}  // namespace orv
