// Events of the window device: the hold, keys, buttons, the rubber band and
// the callbacks through which the plot hears of them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gks_x11.hpp"
#include "gks/gks_x11_state.hpp"

namespace orv {
namespace {

constexpr int kBandOff = 0;
constexpr int kBandLine = 1;
constexpr int kBandPolyline = 3;
constexpr int kClientRelease = 9;
constexpr int kClientNewFrame = 2;
constexpr float kPollFast = 0.1F;
constexpr float kPollSlow = 0.5F;
constexpr int kPollsBeforeSlow = 50;

using Clock = std::chrono::steady_clock;

struct EvntState {
    int input_mode = kInputIdle;
    GMouseCallback callback = nullptr;
    float refresh_interval = 0.0F;
    GRefreshCallback refresh = nullptr;
    int band_mode = kBandOff;
    XPoint anchor{0, 0};
    XPoint points[3]{};
    int num_points = 0;
    int constraint = 0;
    float limits[4] = {kMissingF, kMissingF, kMissingF, kMissingF};  // pixels: x0, x1, y0, y1
    bool band_drawn = false;
    XPoint band_at{0, 0};
    int last_type = 0;
    GImageWriter writers[2] = {nullptr, nullptr};
    bool resize_pending = false;
    bool in_callback = false;
    int expose_updates = 0;
};
EvntState g;

std::string modifier_suffix(unsigned state) {
    std::string s;
    if ((state & Mod1Mask) != 0) s += "-Alt";
    if ((state & ShiftMask) != 0) s += "-Shft";
    if ((state & ControlMask) != 0) s += "-Cntrl";
    return s;
}

// The plot hears of events only while it waits in the hold: a handler that
// redraws the plot must not run inside the drawing of the plot.
// Nor inside another handler: a resize that arrives meanwhile waits.
void call_back(int kind, const std::string& text, int px, int py) {
    if (g.callback == nullptr || g.input_mode == kInputIdle) return;
    if (g.in_callback) {
        g.resize_pending = g.resize_pending || text == "size";
        return;
    }
    float x = 0.0F, y = 0.0F;
    gx11_pixel_to_world(px, py, &x, &y);
    const int old = gset_cursor(kCursorCallback);
    g.in_callback = true;
    g.callback(kind, text.c_str(), x, y);
    g.in_callback = false;
    gset_cursor(old);
}

// ---- rubber band: exclusive-or drawing on the window itself

XPoint limited(XPoint p) {
    if (g.limits[0] != kMissingF) {
        p.x = static_cast<short>(std::clamp(static_cast<float>(p.x), std::min(g.limits[0], g.limits[1]),
                                            std::max(g.limits[0], g.limits[1])));
        p.y = static_cast<short>(std::clamp(static_cast<float>(p.y), std::min(g.limits[2], g.limits[3]),
                                            std::max(g.limits[2], g.limits[3])));
    }
    if (g.constraint == 1) p.x = g.anchor.x;
    if (g.constraint == 2) p.y = g.anchor.y;
    return p;
}

void draw_band(XPoint at) {
    X11Window& w = gx11();
    if (w.display == nullptr || w.window_gone || !w.own_window) return;
    const XPoint a = g.anchor;
    switch (g.band_mode) {
    case kBandLine: XDrawLine(w.display, w.root_window, w.band_gc, a.x, a.y, at.x, at.y); break;
    case kBandPolyline: {
        XPoint p[4] = {a};
        int n = 1;
        for (int i = 0; i < g.num_points && n < 3; ++i) p[n++] = g.points[i];
        p[n++] = at;
        XDrawLines(w.display, w.root_window, w.band_gc, p, n, CoordModeOrigin);
        break;
    }
    default:
        XDrawRectangle(w.display, w.root_window, w.band_gc, std::min(a.x, at.x), std::min(a.y, at.y),
                       static_cast<unsigned>(std::abs(at.x - a.x)), static_cast<unsigned>(std::abs(at.y - a.y)));
    }
}

void move_band(XPoint at) {
    if (g.band_mode == kBandOff) return;
    if (g.band_drawn) draw_band(g.band_at);
    g.band_at = limited(at);
    draw_band(g.band_at);
    g.band_drawn = true;
}

void end_band(XPoint at) {
    if (g.band_mode == kBandOff) return;
    move_band(at);
    g.band_mode = kBandOff;
    g.band_drawn = false;
    std::fill(std::begin(g.limits), std::end(g.limits), kMissingF);
}

// ---- keys

void pointer_position(int* x, int* y) {
    X11Window& w = gx11();
    Window root = 0, child = 0;
    int rx = 0, ry = 0;
    unsigned mask = 0;
    *x = *y = 0;
    if (!w.window_gone) XQueryPointer(w.display, w.root_window, &root, &child, &rx, &ry, x, y, &mask);
}

struct ImageKind {
    const char* extension;
    const char* name;
};
constexpr ImageKind kImageKinds[2] = {{"gif", "GIF"}, {"xwd", "XWD"}};

// The file of frame `frame` (-1: the only picture) in the "image_path"
// directory, named from the first five characters of the window title.
std::string image_file(int kind, int frame) {
    char stem[6] = "";
    std::snprintf(stem, sizeof stem, "%.5s", gget_win_title());
    std::replace(stem, stem + std::strlen(stem), ' ', '_');
    char name[32];
    if (frame < 0)
        std::snprintf(name, sizeof name, "%s.%s", stem, kImageKinds[kind].extension);
    else
        std::snprintf(name, sizeof name, "%s-%2.2d.%s", stem, frame, kImageKinds[kind].extension);
    char path[kFileNameSize] = "";
    FILE_add_path(RES_get("image_path"), name, path, sizeof path);
    return path;
}

int write_image(int kind, int frame) {
    const std::string file = image_file(kind, frame);
    if (frame >= 0) gselect_frame(frame);
    const GImageWriter writer = g.writers[kind];
    const bool written = writer != nullptr && writer(file.c_str()) != 0;
    if (written)
        MESS_print(kMessPrint, "Created %s file: %s\n", kImageKinds[kind].name, file.c_str());
    else
        MESS_print(kMessError, "gprocess_x11_event: Unable to write %s file: %s\n", kImageKinds[kind].name,
                   file.c_str());
    return written ? 1 : 0;
}

void alt_command(char key, int px, int py) {
    switch (key) {
    case 'q': g.input_mode = kInputReleased; break;
    case 'd': gdelete_frame(kFrameCurrent); break;
    case 'z': gzoom(kFrameCurrent, px, py, -2, 0); break;
    case 'u': gunzoom(); break;
    case 'm': {
        const int old = gset_cursor(kCursorBusy);
        gobj_print_meta();
        gset_cursor(old);
        break;
    }
    case 'g': gsave_images(kImageGif); break;
    case 'x': gsave_images(kImageXwd); break;
    case 'l': gtoggle_loop(); break;
    case ']': gstep_loop_speed(1); break;
    case '[': gstep_loop_speed(0); break;
    default: break;
    }
}

void key_press(XKeyEvent& e) {
    if (g.input_mode != kInputWaiting && g.input_mode != kInputKeyPressed) return;
    if (g.input_mode == kInputWaiting) g.input_mode = kInputKeyPressed;
    char text[32] = "";
    KeySym sym = NoSymbol;
    XKeyEvent plain = e;
    plain.state &= ~(Mod1Mask | ControlMask);
    const int n = XLookupString(&plain, text, sizeof text - 1, &sym, nullptr);
    text[std::max(n, 0)] = '\0';
    if (sym == XK_Return || sym == XK_KP_Enter) {
        std::strcpy(text, "Ret");
        g.input_mode = kInputReleased;
    } else if (n <= 0) {
        const char* name = XKeysymToString(sym);
        if (name == nullptr || IsModifierKey(sym)) return;
        copy_text(text, name);
    }
    int px = e.x, py = e.y;
    if ((e.state & Mod1Mask) != 0 && n == 1) {
        alt_command(text[0], px, py);
        pointer_position(&px, &py);
    }
    call_back(2, text + modifier_suffix(e.state), px, py);
}

// ---- buttons

void button_press(XButtonEvent& e) {
    switch (e.button) {
    case Button1: gstep_loop_speed(0); break;
    case Button3: gstep_loop_speed(1); break;
    case Button2: gtoggle_loop(); break;
    default: return;
    }
    g.anchor = XPoint{static_cast<short>(e.x), static_cast<short>(e.y)};
    g.band_drawn = false;
    call_back(3, "B" + std::to_string(e.button) + "-P" + modifier_suffix(e.state), e.x, e.y);
}

void button_release(XButtonEvent& e) {
    if (e.button < Button1 || e.button > Button3) return;
    end_band(XPoint{static_cast<short>(e.x), static_cast<short>(e.y)});
    call_back(3, "B" + std::to_string(e.button) + "-R" + modifier_suffix(e.state), e.x, e.y);
}

void motion(XEvent& e) {
    X11Window& w = gx11();
    while (XCheckTypedWindowEvent(w.display, w.root_window, MotionNotify, &e)) {
    }
    move_band(XPoint{static_cast<short>(e.xmotion.x), static_cast<short>(e.xmotion.y)});
}

// ---- window

void resized(int width, int height) {
    if (g.callback != nullptr)
        call_back(2, "size", width, height);
    else
        gobj_redraw_plot();
    gupdate_window();
}

void resize_if_pending() {
    if (!g.resize_pending) return;
    g.resize_pending = false;
    resized(gx11().win_width, gx11().win_height);
}

void configure(XConfigureEvent& e) {
    if (gx11_adopt_size(e.width, e.height) == 0) return;
    if (g.input_mode == kInputIdle && g.callback != nullptr)
        g.resize_pending = true;  // told when the hold begins
    else
        resized(e.width, e.height);
}

// A client drawing into the window from another process asks for its
// picture to become a new frame.
void frame_from_window() {
    const int n = gget_num_frames();
    const int made = gcreate_frame(-1);
    if (made < 0) return;
    if (n > 0) gcopy_frame(made, made - 1);
    X11Window& w = gx11();
    const Pixmap frame = gget_frame_id(made);
    gx11_copy_area(w.base_window, frame);
}

void client_message(XClientMessageEvent& e) {
    X11Window& w = gx11();
    if (e.data.l[0] == static_cast<long>(w.wm_delete) && w.wm_delete != 0) {
        g.input_mode = kInputReleased;
        return;
    }
    if (e.data.b[0] == kClientRelease) g.input_mode = kInputReleased;
    if (e.data.b[0] == kClientNewFrame) frame_from_window();
}

void process(XEvent& e) {
    X11Window& w = gx11();
    const int previous = g.last_type;
    g.last_type = e.type;
    switch (e.type) {
    case Expose:
        // A burst of exposures needs one copy of the picture.
        if (previous != Expose) {
            gupdate_window();
            ++g.expose_updates;
        }
        break;
    case MapNotify: w.mapped = true; break;
    case UnmapNotify: w.mapped = false; break;
    case ConfigureNotify: configure(e.xconfigure); break;
    case DestroyNotify:
        if (e.xdestroywindow.window == w.root_window) {
            w.window_gone = true;
            g.input_mode = kInputReleased;
        }
        break;
    case ClientMessage: client_message(e.xclient); break;
    case KeyPress: key_press(e.xkey); break;
    case ButtonPress: button_press(e.xbutton); break;
    case ButtonRelease: button_release(e.xbutton); break;
    case MotionNotify: motion(e); break;
    default: break;
    }
}

bool events_on() {
    const X11Window& w = gx11();
    return w.display != nullptr && w.own_window && gtype_is_WIN() != 0;
}

void sleep_seconds(float s) { std::this_thread::sleep_for(std::chrono::duration<float>(s)); }

// One step of the loop: wait out the frame's delay, then show the next.
void loop_step() {
    gloop_sleep();
    // Looping may have been stopped by a key handled while sleeping.
    if (g.input_mode == kInputReleased || gget_looping() == 0) return;
    if (gx11().mapped) gdisplay_frame(ginc_frame(0));
    gstart_loop_timer();
    gcheck_event();
}

void hold_with_refresh() {
    auto last_refresh = Clock::now();
    int empty_polls = 0;
    while (g.input_mode != kInputReleased) {
        if (gget_looping() != 0 && gget_num_frames() >= 2) {
            loop_step();
        } else {
            sleep_seconds(empty_polls >= kPollsBeforeSlow ? kPollSlow : kPollFast);
            empty_polls = gcheck_event() > 0 ? 0 : empty_polls + 1;
        }
        resize_if_pending();
        if (std::chrono::duration<float>(Clock::now() - last_refresh).count() >= g.refresh_interval) {
            last_refresh = Clock::now();
            if (g.refresh != nullptr) g.refresh();
        }
    }
}

}  // namespace

int gcheck_event() {
    if (!events_on()) return 0;
    X11Window& w = gx11();
    int count = 0;
    while (XPending(w.display) > 0) {
        XEvent e;
        XNextEvent(w.display, &e);
        process(e);
        ++count;
    }
    // What the handlers printed reaches a file or pipe before the next wait.
    if (count > 0) std::fflush(stdout);
    return count;
}

int gwait_event() {
    if (!events_on()) return 0;
    XEvent e;
    XNextEvent(gx11().display, &e);
    process(e);
    const int more = gcheck_event();
    std::fflush(stdout);
    return 1 + more;
}

int ghold(int /*mode*/) {
    if (!events_on()) return 0;
    X11Window& w = gx11();
    gupdate_window();
    // Waiting starts before the pending events are handled, so that a
    // release among them (a closed window, a client's message) is kept.
    g.input_mode = w.window_gone ? kInputReleased : kInputWaiting;
    gcheck_event();
    resize_if_pending();
    XFlush(w.display);
    if (gget_looping() != 0) gstart_loop_timer();
    std::fflush(stdout);
    if (g.refresh_interval > 0.0F) {
        hold_with_refresh();
    } else {
        while (g.input_mode != kInputReleased) {
            if (gget_num_frames() >= 2 && gget_looping() != 0)
                loop_step();
            else
                gwait_event();
            resize_if_pending();
        }
    }
    g.input_mode = kInputIdle;
    gbell(50);
    XFlush(w.display);
    return 0;
}

int gset_mouse_callback(GMouseCallback callback) {
    g.callback = callback;
    return 0;
}

int gset_refresh_callback(float interval, GRefreshCallback callback) {
    g.refresh_interval = interval > 0.0F ? interval : 0.0F;
    g.refresh = callback;
    return 0;
}

int gset_rubber_band(int mode, float x, float y) {
    g.band_mode = mode;
    g.num_points = 0;
    g.constraint = 0;
    g.band_drawn = false;
    if (gchk_graphics() != 0)
        g.anchor = XPoint{static_cast<short>(xW_p(x) + 0.5F), static_cast<short>(yW_p(y) + 0.5F)};
    return 0;
}

int gset_rubber_band_points(const float* points, int n, int constraint) {
    g.num_points = std::clamp(n, 0, 3);
    g.constraint = constraint >= 0 && constraint <= 2 ? constraint : 0;
    for (int i = 0; i < g.num_points && points != nullptr; ++i)
        g.points[i] = XPoint{static_cast<short>(xW_p(points[2 * i]) + 0.5F),
                             static_cast<short>(yW_p(points[2 * i + 1]) + 0.5F)};
    return 0;
}

int gset_rubber_band_limits(const float* rect) {
    if (rect == nullptr) {
        std::fill(std::begin(g.limits), std::end(g.limits), kMissingF);
        return 0;
    }
    g.limits[0] = xW_p(rect[0]);
    g.limits[1] = xW_p(rect[1]);
    g.limits[2] = yW_p(rect[2]);
    g.limits[3] = yW_p(rect[3]);
    return 0;
}

int gget_input_mode() { return g.input_mode; }

void gset_image_writer(int kind, GImageWriter writer) {
    if (kind == kImageGif || kind == kImageXwd) g.writers[kind] = writer;
}

int gsave_images(int kind) {
    if (kind != kImageGif && kind != kImageXwd) return 0;
    const int old = gset_cursor(kCursorBusy);
    const int frames = gget_num_frames();
    int written = 0;
    if (frames <= 1) {
        written = write_image(kind, -1);
    } else {
        if (gget_looping() != 0) {
            MESS_print(kMessPrint, "Creating %s files:\n", kImageKinds[kind].name);
            for (int i = 0; i < frames; ++i) written += write_image(kind, i);
        } else {
            written = write_image(kind, std::max(gget_cur_frame(), 0));
        }
        gselect_frame(kFrameBase);
    }
    gset_cursor(old);
    return written;
}
int gget_expose_count() { return g.expose_updates; }
void gset_input_mode(int mode) { g.input_mode = mode; }

void gks_evnt_reset_for_tests() { g = EvntState{}; }

}  // namespace orv
