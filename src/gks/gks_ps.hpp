// The PostScript device: a page (or encapsulated file) in text form, device
// coordinates in points with y upwards.
#pragma once

#include <cstdio>

namespace orv {

struct ImageRecord;

std::FILE* gps_open_file(const char* name);
void gps_init();
int gps_init_file();
int gps_close_file();
// The frame on the current page is finished: drawing that follows starts a
// new page. The file's close ends the page either way.
void gps_end_frame();
void gps_set_size(float long_side, float short_side);
void gps_set_EPS(int flag);
void gps_set_orient(int flag);
void gps_set_scale(float scale);
void gps_set_colorPS(int flag);
int gps_get_colorPS();
void gps_set_reverse(int flag);
void gps_set_base_width(float width);
void gps_set_color_rep(int index, float r, float g, float b);
float gps_get_gray(int index);
void gps_set_color(int index);
void gps_set_fill_color(int index);
void gps_set_width(int index, float width);
void gps_set_type(int type);
void gps_move(float x, float y);
void gps_line(float x, float y);
void gps_move_abs(float x, float y);
void gps_line_abs(float x, float y);
[[gnu::format(printf, 1, 2)]] int gps_printf(const char* format, ...);
// Writes v with two decimals, rounded as the standard conversion rounds it
// ("%.2f" of the float), into out, which has room for 48 characters;
// returns the end of the text (not terminated).
char* gps_number(char* out, float v);
// A bitmap of width x height pixel bytes (colour-table indices, row 0 at the
// top) into the current viewport, starting at the given column and row.
int gps_image(const unsigned char* pixels, int width, int height, int col_offset,
              int row_offset);

// Opens the PostScript workstation from a device text (file name, then
// parameters, comma-separated). 0, or -1 with "unable to open postscript file\n".
int gps_open_ws(int ws, const char* text);
// Registers the device with the kernel (the kernel does so on first use).
void gps_register();

void gps_reset_for_tests();

}  // namespace orv
