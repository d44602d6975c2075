// The window state that the four window modules (gks_x11, gks_loop,
// gks_evnt, gks_zoom) share. Nothing outside them includes this.
#pragma once

#include <X11/Xlib.h>

namespace orv {

struct X11Window {
    Display* display = nullptr;
    int screen = 0;
    int depth = 0;
    Visual* visual = nullptr;
    Colormap colormap = 0;
    Window root_window = 0;      // the window on the screen (device 1) or the target (device 6)
    Pixmap base_window = 0;      // backing pixmap: receives drawing unless a frame is selected
    Drawable draw_window = 0;    // the current drawing target
    bool own_window = false;     // device 1 created the window and may destroy it
    int win_width = 640;
    int win_height = 512;
    GC gc = nullptr;             // root context: copies and clears
    GC line_gc = nullptr;
    GC fill_gc = nullptr;
    GC mark_gc = nullptr;
    GC text_gc = nullptr;
    GC band_gc = nullptr;        // exclusive-or rubber band
    unsigned long foreground = 0;
    unsigned long background = 0;
    bool mapped = false;
    bool window_gone = false;    // destroyed by someone else: no more requests on it
    Atom wm_delete = 0;
};

X11Window& gx11();

// Converts a window pixel (zoomed) to the world coordinates of the current
// transformation.
void gx11_pixel_to_world(int px, int py, float* x, float* y);
// Fills a drawable with the background.
void gx11_clear_drawable(Drawable d);
// Adopts the window's new size after a ConfigureNotify: 1 when it changed.
int gx11_adopt_size(int width, int height);

// Test resets of the other window modules.
void gks_loop_reset_for_tests();
void gks_evnt_reset_for_tests();
void gks_zoom_reset_for_tests();

}  // namespace orv
