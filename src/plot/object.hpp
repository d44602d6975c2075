// Objective analysis: scattered station values onto the regular grid of the
// analysis domain, for up to 60 fields at once, by successive corrections: a
// first pass of Gaussian-weighted means of the stations within the radius of
// influence, then correction passes that add weighted means of the station
// residuals with a sharper weight.
#pragma once

#include "grid/grd_tool.hpp"

namespace orv {

// Parameters; every analysis set-up starts from OBJ_initialize. The setters
// apply the same validity rules as the "object_param" resource.
void OBJ_initialize();
void OBJ_set_filter(float kappa);    // squared map units; <= 0 gives 1.0
void OBJ_set_rad_inf(float radius);  // grid lengths; <= 0 gives 1000
void OBJ_set_num_pass(int passes);   // 1..4, else 1
void OBJ_set_converg(float gamma);   // 0.01 <= gamma < 1, else 0.2
void OBJ_set_min_sta(int count);     // below 1 gives 1
void OBJ_set_miss_val(float value);  // -9999: missing station values are skipped

// Reads "plot_param" ("miss..." and "gridx<n>") and then "object_param"
// ("smooth[,radinf,pass,conv,min]"). Returns 0.
int OBJ_decode_params();
// Per-variable options of a format text (items separated by ":"): "miss<v>"
// or "miss=<v>" sets the missing-value replacement. Returns 1 when one was set.
int OBJ_decode_format(const char* format);

// Analyses fields[f][0..n_stations) into slots[f] for every f with an array;
// slot 0's domain gives the grid and every target slot must hold values of
// that shape (others are skipped). x and y are the station positions in the
// plane of slot 0's domain and are turned into fractional grid indices in
// place. Missing field values may be replaced by the replacement value in
// place. Returns 0 after the residuals, -1 when there is no field, and -1
// after the first pass when one pass is asked for and residual messages are
// hidden (the grids are then complete).
int OBJ_analyze(float* x, float* y, float* const* fields, int n_stations, int n_fields,
                GridField* slots);

void OBJ_reset_for_tests();

}  // namespace orv
