// The plot frame: opening, resetting and closing the graphics of a plot, the
// plot view and its margins, panels, the "plot_param" and "out_file"
// settings, dumping finished frames to image files, and the handlers of the
// display's events (zoom, unzoom, redraw, resize, refresh, value read-out).
//
// Every plot driver uses the same sequence: PLT_open or PLT_reset, draw,
// PLT_labels, PLT_dump, PLT_close.
#pragma once

#include <cstddef>

#include "geo/maptran.hpp"

namespace orv {

// Dump types of PLT_set_dump.
enum PltDumpType : int { kDumpNone = 0, kDumpXwd = 1, kDumpGif = 2, kDumpImg = 3, kDumpPng = 4 };

// PLT_dump's frame number that writes every frame image.
inline constexpr int kDumpAllFrames = -4;

// Dump file names hold at most 159 characters.
inline constexpr std::size_t kDumpNameSize = 160;

// The plot's event callback: an event name as the display delivers it
// ("v-Alt", "B1-P-Shft", "size", ...) and the pointer in world coordinates.
using PltEventFunc = int (*)(const char* event, float x, float y);
// The display's callback: the event kind (2 keys and resizes, 3 buttons) too.
using PltDisplayEventFunc = int (*)(int kind, const char* event, float x, float y);
// Zoom, resize and refresh functions redraw the plot for a domain.
using PltDomainFunc = int (*)(const Domain* domain);
using PltRefreshFunc = int (*)();

// What the frame module reaches in modules that arrive separately (contours,
// vectors, map backgrounds, grid store, image files, GRIB, the X11 display).
// Each module fills its entries once at start-up through PLT_hooks(); an
// empty entry means the feature is absent and is skipped quietly (image
// writers report the failure to write).
struct PltHooks {
    // Contouring.
    int (*cont_get_bar)();
    void (*cont_set_bar)(int flag);
    void (*cont_set_bar_range)(float max, float min);
    void (*cont_set_skip)(int columns, int rows);
    void (*cont_set_plot_offset)(float x, float y);
    // Vectors: the vector key flag.
    int (*vect_get_vect)();
    // Map backgrounds: the latitude/longitude grid settings.
    void (*map_latlon)(int dot, float extra_spacing, float lat_spacing, float lon_spacing);
    // Grid store and grid files. Grids are named by their slot.
    void (*grd_set_grid_factor)(int factor);
    void (*grd_use_hdr_file)(int flag);
    void (*grd_set_format)(const char* format);
    void (*grd_print_value)(int slot, float x, float y);
    void (*grd_print_value2)(int slot_u, int slot_v, float x, float y);
    int (*grd_edit_value)(int slot, float x, float y);
    // GRIB decoding tolerance.
    void (*grib_set_max_bad)(int count);
    // Image files: the writers by dump type (index kDumpXwd..kDumpPng),
    // each capturing the current drawing target: 1 written, 0 failed.
    int (*image_dump[5])(const char* file);
    void (*gif_interlace)(int flag);
    void (*gif_transparent)(int flag);
    // The X11 display.
    void (*set_mouse_callback)(PltDisplayEventFunc callback);
    void (*set_refresh_callback)(float interval, PltRefreshFunc callback);
    void (*set_loop_title)(int flag);
    void (*set_pixel_mode)(int mode);
    int (*num_frames)();          // frame images the display keeps
    int (*current_frame)();
    int (*select_frame)(int frame);
    void (*set_rubber_band)(int mode, float x, float y);  // anchor in world coordinates
    void (*update_window)();
    // Detaching into the background (ORV_back_proc unless replaced).
    int (*detach)();
};
// The hooks, for the modules that fill them.
PltHooks* PLT_hooks();

// Plot life cycle.
int PLT_open(float aspect);
int PLT_reset(float aspect);
// A whole picture's start: opens the graphics when none are open, else
// resets the open picture to the aspect. True when it opened them, so the
// caller closes them at the end.
bool PLT_begin(float aspect);
int PLT_close();
[[noreturn]] void PLT_exit(int code);
[[gnu::format(printf, 1, 2)]] int PLT_mess(const char* format, ...);

// Plot parameters ("plot_param") and output requests ("out_file"); PLT_open
// decodes both.
int PLT_param_decode();
// Applies the "plot_param" entries that set up a contour plot ("bar",
// "nobar", "plt_skip", "plt_off") again; returns how many there were.
int PLT_decode_cont_params();

// Panels: the view from the offsets in the current panel, and the layout
// text "columns x rows + column + row".
int PLT_panel(float aspect);
int PLT_panel_decode(const char* text);

// Border, colour bar and view.
void PLT_border(int on);
int PLT_get_border();
void PLT_set_bar(int n);
int PLT_bar();
void PLT_set_view_offset(float offset);
void PLT_set_view_offsets(float left, float right, float bottom, float top);
void PLT_get_view_offsets(float* offsets);
// The plot view (x min, x max, y min, y max in normalised units).
void PLT_get_view(float* view);
int PLT_get_work_type();
int PLT_get_full_lab();
void PLT_set_full_lab(int flag);

// Event callbacks.
int PLT_set_callback(PltEventFunc callback);
PltEventFunc PLT_get_callback();
void PLT_set_zoom_func(PltDomainFunc f);
void PLT_set_resize_func(PltDomainFunc f);
void PLT_set_refresh_func(float interval, PltDomainFunc f);
// The zoom count: 0 shows the original domain.
void PLT_set_zoom(int count);
int PLT_get_zoom();

// Image output.
void PLT_set_dump(int type, const char* name);
// The dump type an "out_file" entry beginning with "gif", "png", "img" or
// "xwd" requests, else kDumpNone.
int PLT_dump_type_of(const char* entry);
int PLT_get_dump_type();
// Writes the frame image when a dump type is set; a PostScript page ends
// with its frame either way.
int PLT_dump(int frame);

// Event handlers: 1 when the event was theirs, else 0.
int PLT_plot_zoom(const char* event, float x, float y);
int PLT_plot_resize(const char* event, float x, float y);
int PLT_plot_refresh();
int PLT_print_location(float x, float y);
int PLT_print_values(const char* event, float x, float y);

void PLT_reset_for_tests();

}  // namespace orv
