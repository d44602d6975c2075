// Frames of the window device and their looping.
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_x11.hpp"
#include "gks/gks_x11_state.hpp"

namespace orv {
namespace {

constexpr float kLastFrameDelay = 1.0F;
constexpr float kSleepStep = 0.2F;
constexpr float kMinSleep = 0.01F;  // a zero delay still yields to the system
constexpr std::size_t kFrameDataSize = 52;

using Clock = std::chrono::steady_clock;

struct Frame {
    char label[161] = "";
    unsigned char data[kFrameDataSize] = {};
    int data_length = 0;
    Pixmap id = 0;
    int width = 0;
    int height = 0;
    float delay = 0.5F;
    int flag = 1;
};

struct LoopState {
    std::array<Frame, kMaxFrames> frames{};
    int num_images = 0;
    int cur_image = -1;
    int looping = 0;
    int direction = 1;
    float loop_delay = 0.5F;
    int loop_title = 1;
    Clock::time_point timer{};
};
LoopState g;

bool valid(int n) { return n >= 0 && n < g.num_images; }

// Frame numbers of the frame operations: -1 the last, -2 the current.
int resolve(int n) {
    if (n == kFrameLast) return g.num_images - 1;
    if (n == kFrameCurrent) return g.cur_image;
    return n;
}

Drawable drawable_of(int n) {
    if (n == kFrameBase) return gx11().base_window;
    n = resolve(n);
    return valid(n) ? g.frames[static_cast<std::size_t>(n)].id : 0;
}

void free_pixmap(Frame& f) {
    X11Window& w = gx11();
    if (f.id != 0 && w.display != nullptr) XFreePixmap(w.display, f.id);
    if (w.draw_window == f.id && f.id != 0) w.draw_window = w.base_window;
    f.id = 0;
}

void keep_last_delay() {
    if (g.num_images > 0) g.frames[static_cast<std::size_t>(g.num_images - 1)].delay = kLastFrameDelay;
}

void show_title() {
    char extra[24] = "";
    if (g.loop_title != 0 && g.num_images > 0 && g.cur_image >= 0)
        std::snprintf(extra, sizeof extra, " [%d]", g.cur_image);
    gset_win_title_extra(extra);
}

float seconds_since(Clock::time_point t) {
    return std::chrono::duration<float>(Clock::now() - t).count();
}

}  // namespace

int gcreate_frame(int n) {
    X11Window& w = gx11();
    if (w.display == nullptr) return -1;
    if (n < 0 || n > g.num_images) n = g.num_images;
    if (n >= kMaxFrames) {
        MESS_print(kMessError, "gcreate_frame: no room for frame: %d\n", n);
        return -1;
    }
    Frame& f = g.frames[static_cast<std::size_t>(n)];
    if (f.id != 0 && (f.width != w.win_width || f.height != w.win_height)) free_pixmap(f);
    if (f.id == 0) {
        f.id = XCreatePixmap(w.display, w.root_window, static_cast<unsigned>(w.win_width),
                             static_cast<unsigned>(w.win_height), static_cast<unsigned>(w.depth));
        f.width = w.win_width;
        f.height = w.win_height;
    }
    gx11_clear_drawable(f.id);
    if (n == g.num_images) ++g.num_images;
    if (n > 0) g.frames[static_cast<std::size_t>(n - 1)].delay = g.loop_delay;
    keep_last_delay();
    MESS_print(kMessDebug, "Created frame: %d-%ld\n", n, static_cast<long>(f.id));
    return n;
}

int gselect_frame(int n) {
    X11Window& w = gx11();
    if (w.display == nullptr) return -1;
    gset_redraw(0);
    const Drawable d = drawable_of(n);
    // A frame that does not exist must not receive another frame's picture.
    w.draw_window = d != 0 ? d : w.base_window;
    MESS_print(kMessDebug, "Selected frame: %d\n", n);
    return d != 0 ? 0 : -1;
}

int gdisplay_frame(int n) {
    X11Window& w = gx11();
    if (n < 0) n = g.cur_image;
    if (w.display == nullptr || !valid(n)) return -1;
    const Frame& f = g.frames[static_cast<std::size_t>(n)];
    if (f.id == 0) return -1;
    g.cur_image = n;
    if (gget_zoom() >= 2)
        gzoom_show(f.id);
    else
        gx11_copy_area(f.id, w.base_window);
    show_title();
    gupdate_window();
    MESS_print(kMessDebug, "Display frame: %d\n", n);
    return 0;
}

int gclear_frame(int n) {
    const Drawable d = drawable_of(n);
    if (d == 0) return -1;
    gx11_clear_drawable(d);
    return 0;
}

int gcopy_frame(int to, int from) {
    const Drawable a = drawable_of(to), b = drawable_of(from);
    if (a == 0 || b == 0) return -1;
    gx11_copy_area(b, a);
    return 0;
}

int gswitch_frame(int a, int b) {
    a = resolve(a);
    b = resolve(b);
    if (!valid(a) || !valid(b)) return -1;
    std::swap(g.frames[static_cast<std::size_t>(a)], g.frames[static_cast<std::size_t>(b)]);
    return 0;
}

int gdelete_frame(int n) {
    n = resolve(n);
    if (n >= kMaxFrames || !valid(n)) return -1;
    free_pixmap(g.frames[static_cast<std::size_t>(n)]);
    std::move(g.frames.begin() + n + 1, g.frames.begin() + g.num_images, g.frames.begin() + n);
    g.frames[static_cast<std::size_t>(g.num_images - 1)] = Frame{};
    --g.num_images;
    keep_last_delay();
    if (g.num_images == 0) {
        g.cur_image = -1;
        gx11_clear_drawable(gx11().base_window);
        show_title();
        gupdate_window();
        return 0;
    }
    if (g.cur_image > n || g.cur_image >= g.num_images) --g.cur_image;
    if (g.cur_image == n || g.cur_image == g.num_images - 1) gdisplay_frame(g.cur_image);
    return 0;
}

int gdelete_all_frames() {
    for (int i = 0; i < g.num_images; ++i) free_pixmap(g.frames[static_cast<std::size_t>(i)]);
    std::fill(g.frames.begin(), g.frames.end(), Frame{});
    g.num_images = 0;
    g.cur_image = -1;
    g.looping = 0;
    return 0;
}

void gx11_forget_frames() {
    for (Frame& f : g.frames) f.id = 0;
    g.num_images = 0;
    g.cur_image = -1;
}

int gget_num_frames() { return g.num_images; }
int gget_cur_frame() { return g.cur_image; }

int gset_looping(int flag) {
    if (flag != 0 && flag != 1) flag = g.looping != 0 ? 0 : 1;
    if (flag != g.looping) MESS_print(kMessMess, flag != 0 ? "Looping initiated\n" : "Looping stopped\n");
    g.looping = flag;
    if (flag != 0) gstart_loop_timer();
    return 0;
}

int gtoggle_loop() { return gset_looping(-1); }
int gget_looping() { return g.looping; }

int gset_loop_delay(int frame, float seconds) {
    if (!(seconds >= 0.0F)) seconds = 0.0F;
    if (frame >= 0) {
        if (frame >= kMaxFrames) return -1;
        g.frames[static_cast<std::size_t>(frame)].delay = seconds;
        return 0;
    }
    g.loop_delay = seconds;
    for (int i = 0; i + 1 < g.num_images; ++i) g.frames[static_cast<std::size_t>(i)].delay = seconds;
    return 0;
}

int ginc_loop_delay(float step) {
    g.loop_delay = std::max(g.loop_delay + step, 0.0F);
    if (g.loop_delay < 0.001F) g.loop_delay = 0.0F;  // steps of 0.05 leave rounding behind
    for (int i = 0; i + 1 < g.num_images; ++i) g.frames[static_cast<std::size_t>(i)].delay = g.loop_delay;
    MESS_print(kMessPrint, step < 0.0F ? "Loop delay decremented to: %2.2f\n" : "Loop delay incremented to: %2.2f\n",
               static_cast<double>(g.loop_delay));
    return 0;
}

float gget_loop_delay() { return g.loop_delay; }

float gget_frame_delay(int frame) {
    frame = resolve(frame);
    return frame >= 0 && frame < kMaxFrames ? g.frames[static_cast<std::size_t>(frame)].delay : g.loop_delay;
}

int gset_loop_direct(int direction) {
    g.direction = direction;
    return 0;
}

int gget_loop_direct() { return g.direction; }

int ginc_frame(int step) {
    if (g.num_images < 1) return -1;
    if (step == 0) step = g.direction % 2 != 0 ? 1 : -1;
    step = std::clamp(step, -kMaxFrames, kMaxFrames);
    const int last = g.num_images - 1;
    const int from = g.cur_image;
    int next = from + step;
    if (next > last) {
        if (g.direction < 2) {
            next = 0;
        } else {
            g.direction = 2;
            next = last - 1;
        }
    } else if (next < 0) {
        if (g.direction < 2) {
            next = last;
        } else {
            g.direction = 3;
            next = 1;
        }
    }
    next = std::clamp(next, 0, last);
    MESS_print(kMessDebug, "INC: %d-%d %d-%d\n", from, step, next, g.direction);
    return next;
}

int gset_frame_id(int frame, unsigned long pixmap) {
    if (frame < 0 || frame >= kMaxFrames) return -1;
    g.frames[static_cast<std::size_t>(frame)].id = pixmap;
    return 0;
}

unsigned long gget_frame_id(int frame) { return drawable_of(frame); }

int gset_loop_title(int flag) {
    g.loop_title = flag;
    return 0;
}

int gset_frame_label(int frame, const char* label) {
    if (frame < 0 || frame >= kMaxFrames) return -1;
    copy_text(g.frames[static_cast<std::size_t>(frame)].label, label);
    return 0;
}

const char* gget_frame_label(int frame) {
    frame = resolve(frame);
    return frame >= 0 && frame < kMaxFrames ? g.frames[static_cast<std::size_t>(frame)].label : "";
}

int gset_image_data(int frame, const void* data, int length) {
    if (frame < 0 || frame >= kMaxFrames || data == nullptr || length < 0) return -1;
    Frame& f = g.frames[static_cast<std::size_t>(frame)];
    f.data_length = std::min(length, static_cast<int>(kFrameDataSize));
    std::memcpy(f.data, data, static_cast<std::size_t>(f.data_length));
    return f.data_length;
}

int gget_image_data(int frame, void* data, int size) {
    frame = resolve(frame);
    if (frame < 0 || frame >= kMaxFrames || data == nullptr || size < 0) return -1;
    const Frame& f = g.frames[static_cast<std::size_t>(frame)];
    const int n = std::min(size, f.data_length);
    std::memcpy(data, f.data, static_cast<std::size_t>(n));
    return n;
}

void gstart_loop_timer() { g.timer = Clock::now(); }

void gloop_sleep() {
    const float delay = std::max(gget_frame_delay(g.cur_image), kMinSleep);
    for (float left = delay - seconds_since(g.timer); left > 0.0F && gget_input_mode() != kInputReleased;
         left = delay - seconds_since(g.timer)) {
        std::this_thread::sleep_for(std::chrono::duration<float>(std::min(left, kSleepStep)));
        gcheck_event();
    }
}

void gstep_loop_speed(int faster) {
    if (g.looping != 0) {
        if (faster != 0)
            ginc_loop_delay(g.loop_delay <= 0.11F ? -0.05F : -0.1F);
        else
            ginc_loop_delay(g.loop_delay < 0.09F ? 0.05F : 0.1F);
        return;
    }
    if (g.num_images < 1) return;
    gdisplay_frame(ginc_frame(faster != 0 ? 1 : -1));
}

void gks_loop_reset_for_tests() { g = LoopState{}; }

}  // namespace orv
