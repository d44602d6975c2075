// The PostScript device: a page (or encapsulated file) in text form, device
// coordinates in points with y upwards.
#pragma once

#include <csignal>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

struct ImageRecord;

// The output of a printer device (PostScript, HPGL): a created file, a file
// appended to, or a pipe to a spooling command.
struct GPrintOutput {
    std::FILE* out = nullptr;
    bool is_pipe = false;
    void (*old_sigpipe)(int) = SIG_DFL;
    int append = 0;
};
// Opens `name`: "|command" pipes to the command ("Spooling to: %s\n"),
// "+file" appends ("Appending to: %s\n"), any other name is created
// ("Creating: %s\n"); `announce`, when given, is the one message (a format
// with one %s) for every case. A file appended to that ends with one of
// `closings` (the texts the device closes its files with) has them cut off
// and `append` set: the plot joins the file's last page and the close writes
// them again. Null when the output cannot be opened.
std::FILE* gps_open_output(GPrintOutput& output, const char* name, std::span<const std::string_view> closings,
                           const char* announce = nullptr);
// Flushes and closes: 0, or -1 with `fail_text` (or "spooling command
// failed\n" for a pipe) under `function` when a write failed.
int gps_close_output(GPrintOutput& output, const char* function, const char* fail_text);

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
// The same with 1 to 6 decimals ("%.<decimals>f").
char* gps_fixed(char* out, float v, int decimals);
// A bitmap of width x height pixel bytes (colour-table indices, row 0 at the
// top) into the current viewport, starting at the given column and row.
int gps_image(const unsigned char* pixels, int width, int height, int col_offset,
              int row_offset);

// The printer devices' parameter helpers: the paper size of a paper name or
// of "sz=LONGxSHORT" inches (false for other words and nonsense sizes), the fields of a device text split at commas and
// trimmed, and the picture's place on the page from a geometry text
// ("WxH+X+Y" in hundredths of an inch, "+X+Y", or the page grid "Pcxr+c+r")
// in an area of the given size; `units_per_inch` device units to the inch,
// `base` added to both offsets.
bool gps_paper_size(const char* word, float* long_side, float* short_side);
std::vector<std::string> gps_split_fields(const char* text);
void gps_place_picture(const char* geo, int area_w, int area_h, int units_per_inch, int base);

// Opens the PostScript workstation from a device text (file name, then
// parameters, comma-separated). 0, or -1 with "unable to open postscript file\n".
int gps_open_ws(int ws, const char* text);
// Registers the device with the kernel (the kernel does so on first use).
void gps_register();

void gps_reset_for_tests();

}  // namespace orv
