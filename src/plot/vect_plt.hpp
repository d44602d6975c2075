// Vector plots of a wind field given as two component grids: arrows, barbs
// or streamlines traced through the field, coloured by speed through the
// contour module's levels, with a key arrow and frame labels.
#pragma once

#include "geo/maptran.hpp"
#include "grid/grd_tool.hpp"
#include "plot/data.hpp"

namespace orv {

enum VectType : int { kVectArrows = 21, kVectBarbs = 22, kVectStreams = 23, kVectNone = 99 };

void VECT_init();
void VECT_set_scale(float scale);
void VECT_set_intrvl(float interval);
float VECT_get_intrvl();
void VECT_set_max(float max);
void VECT_set_type(int type);
int VECT_get_type();
void VECT_set_vect(int flag);
int VECT_get_vect();
float VECT_get_vector_size();
void VECT_set_base(float base);
void VECT_set_format(int type, const char* format);
int VECT_format_decode_type();
int VECT_param_decode();
int VECT_prompt_type();

// Frame 0 remembers the type, interval and base chosen for the variable;
// later frames of the same variable reuse them.
int VECT_plot_setup(int frame, int variable, const GridField* u, const GridField* v, const Domain* domain,
                    DataCallbackFunc callback);
int VECT_draw(const GridField* u, const GridField* v);
int VECT_draw_vect();
// Traces one streamline from grid point (column, row); the number of steps made.
int VECT_stream(const GridField* u, const GridField* v, int column, int row, int steps);
// A complete picture of the grids set by VECT_plot_grid on the domain: map,
// vectors, labels, key and dump. It is also the picture's zoom and resize
// function.
int VECT_plot(const Domain* domain);
// VECT_plot of the two component grids, on the u grid's domain when the
// given one is unset.
int VECT_plot_grid(const GridField* u, const GridField* v, const Domain* domain, DataCallbackFunc callback);
// Slots of the n component grids that follow variable v; the last index used, -1 none.
int VECT_find_param_grids(int v, int n, int function, int* slots);

// Streamlines drawn by the last VECT_draw.
int VECT_get_num_streams();

// Connects the vector plotter to the plot data control.
void VECT_register_hooks();

void VECT_reset_for_tests();

}  // namespace orv
