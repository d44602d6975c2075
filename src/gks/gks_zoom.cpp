// Pixel zoom of the window device: a part of the picture enlarged by
// integer pixel replication.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "core/mess.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_x11.hpp"
#include "gks/gks_x11_state.hpp"

namespace orv {
namespace {

constexpr int kMaxZoom = 1024;

struct PixelZoom {
    int zoom = 1;
    int origin_x = 0;
    int origin_y = 0;
    int centre_x = -1;
    int centre_y = -1;
    XImage* base = nullptr;  // the unzoomed picture of a window without frames
};
PixelZoom g;

void drop_base() {
    if (g.base != nullptr) XDestroyImage(g.base);
    g.base = nullptr;
}

XImage* read_picture(Drawable d) {
    const X11Window& w = gx11();
    return XGetImage(w.display, d, 0, 0, static_cast<unsigned>(w.win_width), static_cast<unsigned>(w.win_height),
                     AllPlanes, ZPixmap);
}

// Enlarges the source window at the zoom origin onto the backing pixmap.
void render(XImage* source) {
    X11Window& w = gx11();
    XImage* out = read_picture(w.base_window);
    if (out == nullptr) return;
    const int z = g.zoom;
    for (int y = 0; y < w.win_height; ++y) {
        const int sy = std::min(g.origin_y + y / z, source->height - 1);
        for (int x = 0; x < w.win_width; ++x) {
            const int sx = std::min(g.origin_x + x / z, source->width - 1);
            XPutPixel(out, x, y, XGetPixel(source, sx, sy));
        }
    }
    XPutImage(w.display, w.base_window, w.gc, out, 0, 0, 0, 0, static_cast<unsigned>(w.win_width),
              static_cast<unsigned>(w.win_height));
    XDestroyImage(out);
}

void place_window() {
    const X11Window& w = gx11();
    const int sw = std::max(w.win_width / g.zoom, 1);
    const int sh = std::max(w.win_height / g.zoom, 1);
    g.origin_x = std::clamp(g.centre_x - sw / 2, 0, std::max(w.win_width - sw, 0));
    g.origin_y = std::clamp(g.centre_y - sh / 2, 0, std::max(w.win_height - sh, 0));
}

void show_from(Drawable d) {
    XImage* source = read_picture(d);
    if (source == nullptr) return;
    render(source);
    XDestroyImage(source);
}

}  // namespace

int gzoom(int frame, int x, int y, int factor, int /*flag*/) {
    X11Window& w = gx11();
    if (w.display == nullptr || gtype_is_PIX() != 0) return -1;
    long long z = g.zoom;
    if (factor < -1) z = static_cast<long long>(g.zoom) * -static_cast<long long>(factor);
    if (factor > 0) z = factor;
    if (z > kMaxZoom) {
        MESS_print(kMessError, "gzoom: Cannot zoom past 1024x\n");
        return -1;
    }
    const unsigned long frame_id = gget_num_frames() > 0 ? gget_frame_id(frame) : 0;
    if (frame_id == 0 && g.base == nullptr) g.base = read_picture(w.base_window);
    if (x != -1 && x != -2) {
        g.centre_x = static_cast<int>(xZ_p(static_cast<float>(x)));
        g.centre_y = static_cast<int>(yZ_p(static_cast<float>(y)));
    }
    if (g.centre_x < 0) {
        g.centre_x = w.win_width / 2;
        g.centre_y = w.win_height / 2;
    }
    g.zoom = static_cast<int>(std::max(z, 1LL));
    place_window();
    if (frame_id != 0)
        show_from(frame_id);
    else if (g.base != nullptr)
        render(g.base);
    gupdate_window();
    return 0;
}

void gzoom_show(unsigned long pixmap) {
    if (g.zoom < 2) return;
    place_window();
    show_from(pixmap);
}

int gunzoom() {
    X11Window& w = gx11();
    if (w.display == nullptr) return -1;
    g.zoom = 1;
    g.origin_x = g.origin_y = 0;
    g.centre_x = g.centre_y = -1;
    if (g.base != nullptr) {
        XPutImage(w.display, w.base_window, w.gc, g.base, 0, 0, 0, 0, static_cast<unsigned>(g.base->width),
                  static_cast<unsigned>(g.base->height));
        drop_base();
    } else if (gget_cur_frame() >= 0) {
        gdisplay_frame(kFrameCurrent);
    }
    gupdate_window();
    return 0;
}

int greset_zoom() {
    gzoom_forget();
    return 0;
}

void gzoom_forget() {
    drop_base();
    g.zoom = 1;
    g.origin_x = g.origin_y = 0;
    g.centre_x = g.centre_y = -1;
}

int gget_zoom() { return g.zoom; }
float xZ_p(float p) { return p / static_cast<float>(g.zoom) + static_cast<float>(g.origin_x); }
float yZ_p(float p) { return p / static_cast<float>(g.zoom) + static_cast<float>(g.origin_y); }

void gks_zoom_reset_for_tests() {
    drop_base();
    g = PixelZoom{};
}

}  // namespace orv
