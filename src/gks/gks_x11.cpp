#include "gks/gks_x11.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_x11_state.hpp"
#include "gks/gph.hpp"

namespace orv {
namespace {

constexpr int kDefaultX = 100;
constexpr int kDefaultY = 100;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 512;
constexpr int kBorderWidth = 5;
constexpr int kIconSize = 48;
constexpr int kPrintColorFirst = 500;
constexpr long kEventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            EnterWindowMask | LeaveWindowMask | ButtonMotionMask | ExposureMask |
                            StructureNotifyMask | FocusChangeMask;

struct X11State {
    X11Window w;
    int kind = 0;
    char title[61] = "X11_Graph";
    bool title_set = false;
    char title_extra[41] = "";
    char prog_name[61] = "X11_Graph";
    char geometry[41] = "";
    int iconic = 0;
    int fixed_size = 0;
    int cursor_type = 0;
    std::array<Cursor, 16> cursors{};
    std::array<Pixmap, kFillPatterns> stipples{};
    bool x_error = false;
    // text strokes
    std::vector<XPoint> path;
    int shadow = -1;
};
X11State g;

// ---------------------------------------------------------------- errors

int on_x_error(Display* display, XErrorEvent* event) {
    g.x_error = true;
    char text[128] = "";
    XGetErrorText(display, event->error_code, text, sizeof text);
    MESS_print(kMessDebug, "X11 error: %s (request %d)\n", text, event->request_code);
    return 0;
}

int on_x_io_error(Display* /*display*/) {
    gx11_forget_frames();
    MESS_print(kMessError, "Fatal X11 Error\n");
    ORV_exit(4);
}

// ---------------------------------------------------------------- colours

unsigned long pixel_of(int index) {
    if (index >= kPrintColorFirst) index = 1;
    const int pixel = gget_color_ind(index);
    if (pixel >= 0) return static_cast<unsigned long>(pixel);
    return index == -1 ? g.w.background : g.w.foreground;
}

unsigned short intensity(float v) { return static_cast<unsigned short>(65535.0F * v); }

bool writable_visual() {
    const int c = g.w.visual != nullptr ? g.w.visual->c_class : TrueColor;
    return c == PseudoColor || c == GrayScale || c == DirectColor;
}

// Read-write cells where the visual has them (switched off for good once
// none can be had), else a shared colour.
int allocate_pixel(int index, float r, float gr, float b) {
    XColor c{};
    c.red = intensity(r);
    c.green = intensity(gr);
    c.blue = intensity(b);
    c.flags = DoRed | DoGreen | DoBlue;
    if (gget_rw_colors() != 0 && writable_visual()) {
        const int old = gget_color_ind(index);
        unsigned long pixel = 0;
        if (old >= 0 || XAllocColorCells(g.w.display, g.w.colormap, False, nullptr, 0, &pixel, 1) != 0) {
            c.pixel = old >= 0 ? static_cast<unsigned long>(old) : pixel;
            XStoreColor(g.w.display, g.w.colormap, &c);
            MESS_print(kMessDebug, "Stored RW Cells: %d %lu (%.2f %.2f %.2f) (%5d %5d %5d)\n", index,
                       c.pixel, static_cast<double>(r), static_cast<double>(gr),
                       static_cast<double>(b), c.red, c.green, c.blue);
            return static_cast<int>(c.pixel);
        }
        gset_rw_colors(0);
    }
    if (XAllocColor(g.w.display, g.w.colormap, &c) == 0) return -1;
    MESS_print(kMessDebug, "Allocated RW Cells: %d %lu (%.2f %.2f %.2f) (%5d %5d %5d)\n", index,
               c.pixel, static_cast<double>(r), static_cast<double>(gr), static_cast<double>(b),
               c.red, c.green, c.blue);
    return static_cast<int>(c.pixel);
}

void x11_color_rep(int index, float r, float gr, float b) {
    if (g.w.display == nullptr) return;
    const int pixel = allocate_pixel(index, r, gr, b);
    if (pixel < 0) return;
    gset_color_pixel(index, pixel);
    if (index == -1) g.w.background = static_cast<unsigned long>(pixel);
}

// ---------------------------------------------------------------- drawing

// X11 coordinates are 16-bit: huge markers or shadows stay in range.
short to_short(float v) { return static_cast<short>(std::clamp(v, -32000.0F, 32000.0F)); }

XPoint to_pixel(float x, float y) { return XPoint{to_short(xW_p(x) + 0.5F), to_short(yW_p(y) + 0.5F)}; }

std::vector<XPoint> to_pixels(int n, const GPoint* pts) {
    std::vector<XPoint> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i)] = to_pixel(pts[i].x, pts[i].y);
    return out;
}

void set_dashes(GC gc, int type) {
    static constexpr char kDash[] = {6, 6};
    static constexpr char kDot[] = {3, 6};
    static constexpr char kDashDot[] = {6, 6, 3, 6};
    static constexpr char kFine[] = {2, 2};
    XGCValues v{};
    v.line_style = type == 1 ? LineSolid : LineOnOffDash;
    XChangeGC(g.w.display, gc, GCLineStyle, &v);
    switch (type) {
    case 2: XSetDashes(g.w.display, gc, 0, kDash, 2); break;
    case 3: XSetDashes(g.w.display, gc, 0, kDot, 2); break;
    case 4: XSetDashes(g.w.display, gc, 0, kDashDot, 4); break;
    case 5: XSetDashes(g.w.display, gc, 0, kFine, 2); break;
    default: break;  // other dashed types keep the dash list they had
    }
}

void set_line(GC gc, unsigned long pixel, float width) {
    XGCValues v{};
    v.foreground = pixel;
    v.line_width = std::clamp(static_cast<int>(width), 0, 100);
    XChangeGC(g.w.display, gc, GCForeground | GCLineWidth, &v);
}

bool can_draw() { return g.w.display != nullptr && g.w.draw_window != 0; }

int x11_polyline(int n, const GPoint* pts) {
    if (!can_draw()) return 0;
    const GLineAttr& a = ginq_line_attr();
    set_line(g.w.line_gc, pixel_of(a.color), a.width);
    set_dashes(g.w.line_gc, a.type);
    std::vector<XPoint> p = to_pixels(n, pts);
    XDrawLines(g.w.display, g.w.draw_window, g.w.line_gc, p.data(), n, CoordModeOrigin);
    return 1;
}

Pixmap stipple(int pattern) {
    auto& s = g.stipples[static_cast<std::size_t>(pattern)];
    if (s == 0) {
        const std::uint8_t* rows = gfill_pattern(pattern);
        if (rows == nullptr) return 0;
        char bits[8];
        std::memcpy(bits, rows, sizeof bits);
        s = XCreateBitmapFromData(g.w.display, g.w.root_window, bits, 8, 8);
    }
    return s;
}

int x11_fill_area(int n, const GPoint* pts) {
    if (!can_draw()) return 0;
    const GFillAttr& a = ginq_fill_attr();
    set_line(g.w.fill_gc, pixel_of(a.color), 0.0F);
    std::vector<XPoint> p = to_pixels(n, pts);
    XGCValues v{};
    v.fill_style = FillSolid;
    const Pixmap pattern = a.int_style == 2 ? stipple(a.style_index) : 0;
    if (pattern != 0) {
        v.fill_style = FillStippled;
        v.stipple = pattern;
        XChangeGC(g.w.display, g.w.fill_gc, GCFillStyle | GCStipple, &v);
    } else {
        XChangeGC(g.w.display, g.w.fill_gc, GCFillStyle, &v);
    }
    if (a.int_style == 1 || pattern != 0)
        XFillPolygon(g.w.display, g.w.draw_window, g.w.fill_gc, p.data(), n, Complex, CoordModeOrigin);
    v.fill_style = FillSolid;
    XChangeGC(g.w.display, g.w.fill_gc, GCFillStyle, &v);
    XDrawLines(g.w.display, g.w.draw_window, g.w.fill_gc, p.data(), n, CoordModeOrigin);
    return 1;
}

struct MarkerPass {
    int dx;
};

void marker_stroke(void* user, int n, const GPoint* pts) {
    const int d = static_cast<const MarkerPass*>(user)->dx;
    std::vector<XPoint> p(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        p[static_cast<std::size_t>(i)] = XPoint{to_short(pts[i].x + 0.5F + static_cast<float>(d)),
                                                to_short(pts[i].y + 0.5F + static_cast<float>(d))};
    if (n == 1)
        XDrawPoint(g.w.display, g.w.draw_window, g.w.mark_gc, p[0].x, p[0].y);
    else
        XDrawLines(g.w.display, g.w.draw_window, g.w.mark_gc, p.data(), n, CoordModeOrigin);
}

int x11_polymarker(int n, const GPoint* pts) {
    if (!can_draw()) return 0;
    const GMarkerAttr& a = ginq_marker_attr();
    const int h = static_cast<int>(10.0F * a.size / 2.0F);
    const int drop = gget_font_drop();
    for (int pass = 0; pass <= drop; ++pass) {
        const bool shadow = pass < drop;
        set_line(g.w.mark_gc, shadow ? BlackPixel(g.w.display, g.w.screen) : pixel_of(a.color), a.width);
        MarkerPass mp{shadow ? pass : 0};
        for (int i = 0; i < n; ++i)
            gmarker_strokes(a.type, xW_p(pts[i].x), yW_p(pts[i].y), h, marker_stroke, &mp);
    }
    return 1;
}

void x11_clear_region(const float* rect) {
    if (!can_draw()) return;
    const XPoint a = to_pixel(rect[0], rect[3]);
    const XPoint b = to_pixel(rect[1], rect[2]);
    XSetForeground(g.w.display, g.w.fill_gc, g.w.background);
    XFillRectangle(g.w.display, g.w.draw_window, g.w.fill_gc, std::min(a.x, b.x), std::min(a.y, b.y),
                   static_cast<unsigned>(std::abs(b.x - a.x) + 1), static_cast<unsigned>(std::abs(b.y - a.y) + 1));
}

void x11_update_clip() {
    if (g.w.display == nullptr) return;
    int c[4];
    gget_xviewport(c);
    XRectangle r{static_cast<short>(c[0]), static_cast<short>(c[1]),
                 static_cast<unsigned short>(std::max(c[2], 0)), static_cast<unsigned short>(std::max(c[3], 0))};
    for (GC gc : {g.w.line_gc, g.w.fill_gc, g.w.mark_gc, g.w.text_gc})
        if (gc != nullptr) XSetClipRectangles(g.w.display, gc, 0, 0, &r, 1, Unsorted);
}

// ---- text strokes: each connected stroke is one polyline in the text context

void flush_path() {
    if (g.path.size() >= 2 && can_draw())
        XDrawLines(g.w.display, g.w.draw_window, g.w.text_gc, g.path.data(),
                   static_cast<int>(g.path.size()), CoordModeOrigin);
    g.path.clear();
}

void x11_text_begin(float /*x*/, float /*y*/, const char* /*string*/, int shadow) {
    if (g.w.display == nullptr) return;
    const GTextAttr& a = ginq_text_attr();
    g.shadow = shadow;
    const unsigned long pixel = shadow >= 0 ? BlackPixel(g.w.display, g.w.screen) : pixel_of(a.color);
    set_line(g.w.text_gc, pixel, a.width);
    set_dashes(g.w.text_gc, 1);
    g.path.clear();
}

void add_point(float x, float y) {
    XPoint p = to_pixel(x, y);
    if (g.shadow > 0) {
        p.x = to_short(static_cast<float>(p.x + g.shadow));
        p.y = to_short(static_cast<float>(p.y + g.shadow));
    }
    g.path.push_back(p);
}

void x11_glyph_begin() { g.path.clear(); }

void x11_text_move(float x, float y) {
    flush_path();
    add_point(x, y);
}

void x11_text_draw(float x, float y) { add_point(x, y); }
void x11_glyph_end() { flush_path(); }
void x11_text_end() {
    flush_path();
    g.shadow = -1;
}

// ---------------------------------------------------------------- window

std::string shown_title() {
    std::string t = g.title;
    t += g.title_extra;
    std::replace(t.begin(), t.end(), '_', ' ');
    return t;
}

void store_title() {
    if (g.w.display == nullptr || !g.w.own_window || g.w.window_gone) return;
    const std::string t = shown_title();
    XStoreName(g.w.display, g.w.root_window, t.c_str());
    XSetIconName(g.w.display, g.w.root_window, t.c_str());
}

GC new_gc() {
    XGCValues v{};
    v.foreground = g.w.foreground;
    v.background = g.w.background;
    v.graphics_exposures = False;
    return XCreateGC(g.w.display, g.w.root_window, GCForeground | GCBackground | GCGraphicsExposures, &v);
}

void create_gcs() {
    g.w.gc = new_gc();
    g.w.line_gc = new_gc();
    g.w.fill_gc = new_gc();
    g.w.mark_gc = new_gc();
    g.w.text_gc = new_gc();
    XGCValues v{};
    v.function = GXxor;
    v.foreground = g.w.foreground ^ g.w.background;
    v.subwindow_mode = IncludeInferiors;
    g.w.band_gc = XCreateGC(g.w.display, g.w.root_window, GCFunction | GCForeground | GCSubwindowMode, &v);
    XSetLineAttributes(g.w.display, g.w.text_gc, 0, LineSolid, CapRound, JoinRound);
}

void free_gcs() {
    for (GC* gc : {&g.w.gc, &g.w.line_gc, &g.w.fill_gc, &g.w.mark_gc, &g.w.text_gc, &g.w.band_gc}) {
        if (*gc != nullptr) XFreeGC(g.w.display, *gc);
        *gc = nullptr;
    }
    for (Pixmap& s : g.stipples) {
        if (s != 0) XFreePixmap(g.w.display, s);
        s = 0;
    }
    for (Cursor& c : g.cursors) {
        if (c != 0) XFreeCursor(g.w.display, c);
        c = 0;
    }
}

// The geometry text: gset_geometry's, else the resource, else the X default.
const char* geometry_text() {
    if (g.geometry[0] != '\0') return g.geometry;
    const char* res = RES_get("geometry");
    if (res != nullptr && *res != '\0') return res;
    return XGetDefault(g.w.display, g.prog_name, "geometry");
}

struct Placement {
    int x = kDefaultX, y = kDefaultY;
    unsigned width = kDefaultWidth, height = kDefaultHeight;
    long hint_flags = PPosition | PSize;
};

Placement placement() {
    Placement p;
    p.width = static_cast<unsigned>(g.w.win_width);
    p.height = static_cast<unsigned>(g.w.win_height);
    const char* text = geometry_text();
    if (text == nullptr || *text == '\0') return p;
    int x = 0, y = 0;
    unsigned w = 0, h = 0;
    const int flags = XParseGeometry(text, &x, &y, &w, &h);
    if ((flags & WidthValue) != 0 && w > 0) p.width = std::min(w, 8192U);
    if ((flags & HeightValue) != 0 && h > 0) p.height = std::min(h, 8192U);
    if ((flags & (WidthValue | HeightValue)) != 0) p.hint_flags |= USSize;
    if ((flags & XValue) != 0) {
        p.x = (flags & XNegative) != 0
                  ? DisplayWidth(g.w.display, g.w.screen) + x - static_cast<int>(p.width) - 2 * kBorderWidth
                  : x;
        p.hint_flags |= USPosition;
    }
    if ((flags & YValue) != 0) {
        p.y = (flags & YNegative) != 0
                  ? DisplayHeight(g.w.display, g.w.screen) + y - static_cast<int>(p.height) - 2 * kBorderWidth
                  : y;
        p.hint_flags |= USPosition;
    }
    return p;
}

bool starts_iconic() {
    const char* def = XGetDefault(g.w.display, g.prog_name, "iconic");
    const char* res = RES_get("icon");
    return g.iconic != 0 || (def != nullptr && std::strcmp(def, "on") == 0) || (res != nullptr && *res != '\0');
}

void set_hints(const Placement& p, bool iconic) {
    XSizeHints* size = XAllocSizeHints();
    size->flags = p.hint_flags;
    size->x = p.x;
    size->y = p.y;
    size->width = static_cast<int>(p.width);
    size->height = static_cast<int>(p.height);
    if (g.fixed_size != 0) {
        size->flags |= PMinSize | PMaxSize;
        size->min_width = size->max_width = size->width;
        size->min_height = size->max_height = size->height;
    }
    XWMHints* wm = XAllocWMHints();
    wm->flags = StateHint | InputHint | IconPixmapHint;
    wm->input = True;
    wm->initial_state = iconic ? IconicState : NormalState;
    static const char kIcon[kIconSize * kIconSize / 8] = {};
    wm->icon_pixmap = XCreateBitmapFromData(g.w.display, g.w.root_window, kIcon, kIconSize, kIconSize);
    XClassHint* cls = XAllocClassHint();
    std::string res_name = g.prog_name;
    std::string res_class = "Orv";
    cls->res_name = res_name.data();
    cls->res_class = res_class.data();
    XSetWMProperties(g.w.display, g.w.root_window, nullptr, nullptr, nullptr, 0, size, wm, cls);
    XFree(size);
    XFree(wm);
    XFree(cls);
    g.w.wm_delete = XInternAtom(g.w.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(g.w.display, g.w.root_window, &g.w.wm_delete, 1);
}

Bool first_view_event(Display* /*d*/, XEvent* e, XPointer arg) {
    const Window win = *reinterpret_cast<Window*>(arg);
    return (e->xany.window == win && (e->type == Expose || e->type == MapNotify)) ? True : False;
}

bool connect(const char* device_text) {
    std::string name = device_text != nullptr ? device_text : "";
    name = name.substr(0, name.find(','));
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_x_io_error);
    g.w.display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (g.w.display == nullptr) {
        gerr_printf("gopen_ws", "unable to connect to display\n");
        return false;
    }
    g.w.screen = DefaultScreen(g.w.display);
    g.w.depth = DefaultDepth(g.w.display, g.w.screen);
    g.w.visual = DefaultVisual(g.w.display, g.w.screen);
    g.w.colormap = DefaultColormap(g.w.display, g.w.screen);
    if (std::getenv("orvinverse") != nullptr) gset_inverse(1);
    const unsigned long black = BlackPixel(g.w.display, g.w.screen);
    const unsigned long white = WhitePixel(g.w.display, g.w.screen);
    // Labels are white unless the display is inverse: the plain window is
    // dark and the inverse one light, so that they can be read.
    g.w.background = gget_inverse() != 0 ? white : black;
    g.w.foreground = gget_inverse() != 0 ? black : white;
    return true;
}

void disconnect() {
    XCloseDisplay(g.w.display);
    g.w = X11Window{};
}

// Colours, kernel state, fonts and the background of a fresh device.
void init_drawing() {
    gset_window_size(g.w.win_width, g.w.win_height);
    gset_window_offset(0, 0);
    static constexpr GObjWindowHooks kHooks = {
        [] { gx11_adopt_size(-1, -1); },
        gset_cursor,
        [] { gcheck_event(); },
        [](int volume) { gbell(volume); },
    };
    gset_obj_window_hooks(&kHooks);
    for (int i = 0; i <= gget_max_colr(); ++i) {
        float r = 0, gr = 0, b = 0;
        gget_color_rgb(i, &r, &gr, &b);
        x11_color_rep(i, r, gr, b);
    }
    ginit_plot(1);
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->setup != nullptr) hooks->setup();
    ginit_background();
    gx11_clear_drawable(g.w.base_window);
}

int open_window(int /*ws*/, const char* text) {
    if (!connect(text)) return -1;
    if (!g.title_set) {
        const char* t = GPH_get_win_title();
        if (t != nullptr && *t != '\0') {
            copy_text(g.title, t);
            copy_text(g.prog_name, t);
        }
    }
    const Placement p = placement();
    XSetWindowAttributes attr{};
    attr.background_pixel = g.w.background;
    attr.border_pixel = g.w.foreground;
    attr.backing_store = Always;
    attr.colormap = g.w.colormap;
    attr.event_mask = kEventMask;
    g.w.root_window = XCreateWindow(
        g.w.display, RootWindow(g.w.display, g.w.screen), p.x, p.y, p.width, p.height, kBorderWidth,
        CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWBorderPixel | CWBackingStore | CWColormap | CWEventMask, &attr);
    if (g.w.root_window == 0) {
        gerr_printf("gopen_ws", "unable to open window\n");
        disconnect();
        return -1;
    }
    g.w.own_window = true;
    g.w.win_width = static_cast<int>(p.width);
    g.w.win_height = static_cast<int>(p.height);
    const bool iconic = starts_iconic();
    set_hints(p, iconic);
    store_title();
    create_gcs();
    g.w.base_window = XCreatePixmap(g.w.display, g.w.root_window, p.width, p.height,
                                    static_cast<unsigned>(g.w.depth));
    g.w.draw_window = g.w.base_window;
    XMapWindow(g.w.display, g.w.root_window);
    if (!iconic) {
        XEvent e;
        Window win = g.w.root_window;
        XIfEvent(g.w.display, &e, first_view_event, reinterpret_cast<XPointer>(&win));
    }
    g.w.mapped = true;
    ginit_objs();
    gset_redraw(1);
    gset_cache(1);
    init_drawing();
    gupdate_window();
    return 0;
}

// The target window of the pixmap device from its identifier text.
bool parse_target(const char* id, Window* win, int* w, int* h) {
    unsigned long value = 0;
    int drawable = 0, cmap = 0;
    if (id[0] == '+')
        return std::sscanf(id + 1, "%lu:%d:%dx%d:%d", &value, &drawable, w, h, &cmap) >= 1 &&
               (*win = value) != 0;
    if (id[0] == '0' && (id[1] == 'x' || id[1] == 'X'))
        return std::sscanf(id + 2, "%lx:%dx%d:%d", &value, w, h, &cmap) >= 1 && (*win = value) != 0;
    return std::sscanf(id, "%lu:%dx%d:%d", &value, w, h, &cmap) >= 1 && (*win = value) != 0;
}

// A name beginning with "W" names the window-identifier file "orvloop."
// (or "orvloop.N"); its first word is the identifier.
bool read_id_file(const char* id, std::string* out) {
    char name[32] = "orvloop.";
    if (id[1] >= '0' && id[1] <= '9') std::snprintf(name, sizeof name, "orvloop.%c", id[1]);
    char path[kFileNameSize] = "";
    FILE_add_path(RES_get("file_path"), name, path, sizeof path);
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) {
        gerr_printf("gopen_ws", "unable to open window id file\n");
        return false;
    }
    char word[64] = "";
    const bool ok = std::fscanf(f, "%63s", word) == 1;
    std::fclose(f);
    *out = word;
    return ok;
}

int open_pixmap(int /*ws*/, const char* text) {
    gset_redraw(0);
    gset_cache(0);
    std::string fields = text != nullptr ? text : "";
    std::string id;
    if (const std::size_t comma = fields.find(','); comma != std::string::npos) id = fields.substr(comma + 1);
    id = id.substr(0, id.find(','));
    for (const char* env : {"orvwindow", "WINDOW"})
        if (id.empty() && std::getenv(env) != nullptr) id = std::getenv(env);
    if (id.empty()) {
        gerr_printf("gopen_ws", "window parameters not specified\n");
        return -1;
    }
    if (id[0] == 'W' && !read_id_file(id.c_str(), &id)) return -1;
    Window target = 0;
    int w = kDefaultWidth, h = kDefaultHeight;
    if (!parse_target(id.c_str(), &target, &w, &h)) {
        gerr_printf("gopen_ws", "window id not specified\n");
        return -1;
    }
    if (!connect(text)) return -1;
    XWindowAttributes wa{};
    if (XGetWindowAttributes(g.w.display, target, &wa) == 0) {
        gerr_printf("gopen_ws", "window id not specified\n");
        disconnect();
        return -1;
    }
    g.w.root_window = target;
    g.w.win_width = std::clamp(w, 1, 8192);
    g.w.win_height = std::clamp(h, 1, 8192);
    create_gcs();
    g.w.base_window = XCreatePixmap(g.w.display, target, static_cast<unsigned>(g.w.win_width),
                                    static_cast<unsigned>(g.w.win_height), static_cast<unsigned>(wa.depth));
    g.w.draw_window = g.w.base_window;
    g.w.mapped = true;
    init_drawing();
    return 0;
}

int x11_close(int /*ws*/) {
    if (g.w.display == nullptr) return -1;
    gdelete_all_frames();
    gzoom_forget();
    gset_obj_window_hooks(nullptr);
    if (g.w.base_window != 0) XFreePixmap(g.w.display, g.w.base_window);
    free_gcs();
    if (g.w.own_window && !g.w.window_gone) {
        XUnmapWindow(g.w.display, g.w.root_window);
        XDestroyWindow(g.w.display, g.w.root_window);
    }
    XSync(g.w.display, False);
    disconnect();
    g.kind = 0;
    g.title_extra[0] = '\0';  // the next window starts without a frame number
    return 0;
}

void x11_clear(int /*ws*/, int /*flag*/) {
    if (g.w.display == nullptr) return;
    gzoom_forget();
    gx11_clear_drawable(g.w.base_window);
    ginit_plot(1);
}

int x11_hold(int mode) { return ghold(mode); }

constexpr GDevice kWindowDevice = {
    kWsWindow,      open_window,     x11_close,      x11_clear,      x11_update_clip,
    nullptr,        x11_color_rep,   x11_polyline,   x11_polymarker, x11_fill_area,
    nullptr,        x11_clear_region, x11_text_begin, x11_glyph_begin, x11_text_move,
    x11_text_draw,  x11_glyph_end,   x11_text_end,   nullptr,        x11_hold,
};

constexpr GDevice kPixmapDevice = {
    kWsPixmap,      open_pixmap,     x11_close,      x11_clear,      x11_update_clip,
    nullptr,        x11_color_rep,   x11_polyline,   x11_polymarker, x11_fill_area,
    nullptr,        x11_clear_region, x11_text_begin, x11_glyph_begin, x11_text_move,
    x11_text_draw,  x11_glyph_end,   x11_text_end,   nullptr,        nullptr,
};

}  // namespace

X11Window& gx11() { return g.w; }

void gx11_register() {
    gregister_device(&kWindowDevice);
    gregister_device(&kPixmapDevice);
}

int gx11_open() { return g.w.display != nullptr ? 1 : 0; }

void gx11_clear_drawable(Drawable d) {
    if (g.w.display == nullptr || d == 0) return;
    XSetForeground(g.w.display, g.w.gc, g.w.background);
    XFillRectangle(g.w.display, d, g.w.gc, 0, 0, static_cast<unsigned>(g.w.win_width),
                   static_cast<unsigned>(g.w.win_height));
}

void gx11_copy_area(unsigned long from, unsigned long to) {
    if (g.w.display == nullptr) return;
    if (from == 0) from = g.w.base_window;
    if (to == 0) to = g.w.base_window;
    if (from == to) return;
    XCopyArea(g.w.display, from, to, g.w.gc, 0, 0, static_cast<unsigned>(g.w.win_width),
              static_cast<unsigned>(g.w.win_height), 0, 0);
}

void gx11_pixel_to_world(int px, int py, float* x, float* y) {
    *x = xp_W(xZ_p(static_cast<float>(px)));
    *y = yp_W(yZ_p(static_cast<float>(py)));
}

int gx11_adopt_size(int width, int height) {
    if (g.w.display == nullptr) return 0;
    if (width <= 0 || height <= 0) {
        if (!g.w.own_window || g.w.window_gone) return 0;
        Window root = 0;
        int x = 0, y = 0;
        unsigned w = 0, h = 0, border = 0, depth = 0;
        if (XGetGeometry(g.w.display, g.w.root_window, &root, &x, &y, &w, &h, &border, &depth) == 0) return 0;
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
    if (width == g.w.win_width && height == g.w.win_height) return 0;
    const Pixmap fresh = XCreatePixmap(g.w.display, g.w.root_window, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), static_cast<unsigned>(g.w.depth));
    const bool drawing_on_base = g.w.draw_window == g.w.base_window;
    XSetForeground(g.w.display, g.w.gc, g.w.background);
    XFillRectangle(g.w.display, fresh, g.w.gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    // The old picture stays until the plot is redrawn for the new size.
    XCopyArea(g.w.display, g.w.base_window, fresh, g.w.gc, 0, 0, static_cast<unsigned>(std::min(width, g.w.win_width)),
              static_cast<unsigned>(std::min(height, g.w.win_height)), 0, 0);
    XFreePixmap(g.w.display, g.w.base_window);
    g.w.base_window = fresh;
    if (drawing_on_base) g.w.draw_window = fresh;
    g.w.win_width = width;
    g.w.win_height = height;
    gzoom_forget();
    gset_window_size(width, height);
    ginit_plot(10);
    return 1;
}

int gupdate_window() {
    if (g.w.display == nullptr || !g.w.own_window || g.w.window_gone) return -1;
    XCopyArea(g.w.display, g.w.base_window, g.w.root_window, g.w.gc, 0, 0,
              static_cast<unsigned>(g.w.win_width), static_cast<unsigned>(g.w.win_height), 0, 0);
    XFlush(g.w.display);
    return 0;
}

int gresize_window(int width, int height) {
    if (g.w.display == nullptr) return 0;
    if (width > 0 && height > 0 && g.w.own_window && !g.w.window_gone) {
        XResizeWindow(g.w.display, g.w.root_window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(g.w.display, False);
    }
    return gx11_adopt_size(width, height);
}

int gset_geometry(const char* text) {
    copy_text(g.geometry, text);
    return 0;
}

int gset_win_title(const char* text) {
    copy_text(g.title, text);
    g.title_set = true;
    store_title();
    return 0;
}

int gset_win_title_extra(const char* text) {
    copy_text(g.title_extra, text);
    store_title();
    return 0;
}

int gset_prog_name(const char* text) {
    copy_text(g.prog_name, text);
    return 0;
}

const char* gget_win_title_full() {
    static std::string shown;
    shown = shown_title();
    return shown.c_str();
}

const char* gget_win_title() { return g.title; }

int gset_iconic(int flag) {
    g.iconic = flag;
    return 0;
}

int gset_fixed_size(int flag) {
    g.fixed_size = flag;
    return 0;
}

int gset_cursor_type(int type) { return gset_cursor(type); }

int gset_cursor(int type) {
    const int old = g.cursor_type;
    g.cursor_type = type;
    if (g.w.display == nullptr || !g.w.own_window || g.w.window_gone) return old;
    if (type <= 0 || type >= static_cast<int>(g.cursors.size())) {
        XUndefineCursor(g.w.display, g.w.root_window);
        return old;
    }
    static constexpr unsigned kShapes[] = {XC_left_ptr, XC_crosshair, XC_hand2, XC_fleur, XC_pencil,
                                           XC_question_arrow, XC_sizing, XC_tcross, XC_watch};
    auto& c = g.cursors[static_cast<std::size_t>(type)];
    if (c == 0) c = XCreateFontCursor(g.w.display, kShapes[std::min<std::size_t>(static_cast<std::size_t>(type), 8)]);
    XDefineCursor(g.w.display, g.w.root_window, c);
    return old;
}

int gbell(int volume) {
    if (g.w.display == nullptr) return -1;
    XBell(g.w.display, std::clamp(volume, -100, 100));
    return 0;
}

int gsync() {
    if (g.w.display == nullptr) return -1;
    XSync(g.w.display, False);
    return 0;
}

int gx11_capture(ImageRecord* image) {
    if (g.w.display == nullptr || image == nullptr) return 0;
    const Drawable source = g.w.draw_window != 0 ? g.w.draw_window : g.w.base_window;
    XImage* img = XGetImage(g.w.display, source, 0, 0, static_cast<unsigned>(g.w.win_width),
                            static_cast<unsigned>(g.w.win_height), AllPlanes, ZPixmap);
    if (img == nullptr) {
        MESS_print(kMessError, "gget_image: unable to read the window\n");
        return 0;
    }
    IMG_init(image);
    if (IMG_alloc_rgb(image, g.w.win_width, g.w.win_height, "gget_image") == 0) {
        XDestroyImage(img);
        return 0;
    }
    // Pixel values become colours through the colour map, once per value.
    std::unordered_map<unsigned long, std::uint32_t> rgb;
    for (int y = 0; y < g.w.win_height; ++y)
        for (int x = 0; x < g.w.win_width; ++x) {
            const unsigned long pixel = XGetPixel(img, x, y);
            auto it = rgb.find(pixel);
            if (it == rgb.end()) {
                XColor c{};
                c.pixel = pixel;
                XQueryColor(g.w.display, g.w.colormap, &c);
                it = rgb.emplace(pixel, (std::uint32_t{c.red} >> 8) << 16 | (std::uint32_t{c.green} >> 8) << 8 |
                                            std::uint32_t{c.blue} >> 8).first;
            }
            IMG_put_rgb(image, x, y, it->second);
        }
    XDestroyImage(img);
    copy_text(image->name, GPH_get_win_title());
    return 1;
}

long gget_pixel(int x, int y) {
    if (g.w.display == nullptr || x < 0 || y < 0 || x >= g.w.win_width || y >= g.w.win_height) return -1;
    XImage* img = XGetImage(g.w.display, g.w.base_window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (img == nullptr) return -1;
    const long pixel = static_cast<long>(XGetPixel(img, 0, 0));
    XDestroyImage(img);
    return pixel;
}

void gks_x11_reset_for_tests() {
    if (g.w.display != nullptr) x11_close(1);
    g = X11State{};
    gks_loop_reset_for_tests();
    gks_evnt_reset_for_tests();
    gks_zoom_reset_for_tests();
}

}  // namespace orv
