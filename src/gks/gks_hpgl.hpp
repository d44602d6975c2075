// The HPGL device: HP-GL/2 plotter commands, optionally wrapped in PCL for
// laser printers; device coordinates in plotter units (1015 to the inch)
// with y upwards.
#pragma once

#include <cstdio>

namespace orv {

std::FILE* ghpgl_open_file(const char* name);
void ghpgl_init();
int ghpgl_init_file();
int ghpgl_close_file();
// The frame on the current page is finished: drawing that follows starts a
// new page. The file's close ends the page either way.
void ghpgl_end_frame();
// 0 no PCL, 1 PCL wrapper, 2 PCL wrapper with the plot turned.
void ghpgl_set_pcl(int mode);
void ghpgl_set_rotate(int degrees);
void ghpgl_set_base_width(float width);
// Colour: every colour is a pen of its own with the colour's intensities;
// otherwise lines are black and fills screened by the colour's gray level.
void ghpgl_set_colorPS(int flag);
void ghpgl_set_reverse(int flag);
void ghpgl_set_color(int index);
void ghpgl_set_fill_color(int index);
void ghpgl_set_width(int index, float width);
void ghpgl_set_type(int type);
void ghpgl_move(float x, float y);
void ghpgl_line(float x, float y);
void ghpgl_move_abs(float x, float y);
void ghpgl_line_abs(float x, float y);
[[gnu::format(printf, 1, 2)]] int ghpgl_printf(const char* format, ...);

// Opens the HPGL workstation from a device text (file name, then
// parameters, comma-separated). 0, or -1 with "unable to open HPGL file\n".
int ghpgl_open_ws(int ws, const char* text);
// Registers the device with the kernel (the kernel does so on first use).
void ghpgl_register();

void ghpgl_reset_for_tests();

}  // namespace orv
