#include "gks/gks_cairo.hpp"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include <strings.h>
#include <unistd.h>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gif.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_img.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"
#include "gks/png.hpp"
#include "gks/xdump.hpp"

namespace orv {
namespace {

constexpr int kDefaultWidth = 1100;
constexpr int kDefaultHeight = 850;
constexpr int kMaxSide = 16384;
constexpr double kPointsPerPixel = 0.72;

struct CairoState {
    int format = kCairoNone;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    char file[160] = "";
    int width = 0;
    int height = 0;
    int frame = 0;       // frames finished so far
    bool dirty = false;  // drawn on since the last frame ended
    bool failed = false;
    int dash_type = 1;
    double shadow = 0.0;  // offset of the text shadow being drawn
    // Lines of one colour, width and type drawn one after another are
    // stroked together, when something else is drawn or the picture is used.
    bool lines_pending = false;
    GLineAttr pending_line{};
    int pending_points = 0;
};
CairoState g;

bool is_raster(int format) { return format >= kCairoPng && format <= kCairoImg; }

// The colours the picture must keep exactly are drawn without antialiasing.
bool smooth(int format) { return format == kCairoPng || format == kCairoPdf || format == kCairoSvg; }

void picture_size(int* w, int* h) {
    *w = kDefaultWidth;
    *h = kDefaultHeight;
    const char* geo = RES_get("geometry");
    int gw = 0, gh = 0;
    if (geo != nullptr && std::sscanf(geo, "%dx%d", &gw, &gh) == 2 && gw > 0 && gh > 0 &&
        gw <= kMaxSide && gh <= kMaxSide) {
        *w = gw;
        *h = gh;
    }
}

void set_color(int index) {
    float r = 0.0F, gr = 0.0F, b = 0.0F;
    if (gget_color_rgb(index, &r, &gr, &b) != 0) gget_color_rgb(1, &r, &gr, &b);
    cairo_set_source_rgb(g.cr, r, gr, b);
}

void set_width(float width) { cairo_set_line_width(g.cr, width < 1.0F ? 1.0 : width); }

void set_dash(int type) {
    static constexpr double kDashed[] = {6, 6};
    static constexpr double kDotted[] = {3, 6};
    static constexpr double kDashDot[] = {6, 6, 3, 6};
    static constexpr double kFine[] = {2, 2};
    switch (type) {
    case 1: cairo_set_dash(g.cr, nullptr, 0, 0); break;
    case 2: cairo_set_dash(g.cr, kDashed, 2, 0); break;
    case 3: cairo_set_dash(g.cr, kDotted, 2, 0); break;
    case 4: cairo_set_dash(g.cr, kDashDot, 4, 0); break;
    case 5: cairo_set_dash(g.cr, kFine, 2, 0); break;
    default:
        // Other types draw dashed with the dash list left as it was.
        if (g.dash_type == 1) cairo_set_dash(g.cr, kDashed, 2, 0);
        return;
    }
    g.dash_type = type;
}

// Device pixels, with lines through the pixel centres as on the window.
double px(float x) { return std::floor(xW_p(x) + 0.5F) + 0.5; }
double py(float y) { return std::floor(yW_p(y) + 0.5F) + 0.5; }

void trace(int n, const GPoint* pts) {
    cairo_move_to(g.cr, px(pts[0].x), py(pts[0].y));
    for (int i = 1; i < n; ++i) cairo_line_to(g.cr, px(pts[i].x), py(pts[i].y));
}

constexpr int kBatchPoints = 128;

// Strokes the lines waiting to be stroked.
void flush_lines() {
    if (!g.lines_pending) return;
    g.lines_pending = false;
    cairo_stroke(g.cr);
}

void begin_drawing() {
    flush_lines();
    g.dirty = true;
    cairo_new_path(g.cr);
}

void clear_picture() {
    cairo_save(g.cr);
    cairo_reset_clip(g.cr);
    set_color(-1);
    cairo_paint(g.cr);
    cairo_restore(g.cr);
}

std::string frame_file() {
    if (g.frame == 0) return g.file;
    std::string name = g.file;
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    char number[16];
    std::snprintf(number, sizeof number, "_%02d", g.frame);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + number;
    return name.insert(dot, number);
}

int write_raster(const char* name) {
    flush_lines();
    ImageRecord image;
    if (gcairo_capture(&image) == 0) return 0;
    switch (g.format) {
    case kCairoGif: return GIF_write(name, &image);
    case kCairoXwd: return XWD_write(name, &image);
    case kCairoImg:
        IMG_describe_plot(&image);
        return IMG_write(name, &image, 0);
    default: return PNG_write(name, &image);
    }
}

// Ends the current frame: an image file per frame, a page per frame.
void finish_frame() {
    if (is_raster(g.format)) {
        const std::string name = frame_file();
        if (write_raster(name.c_str()) == 0) {
            gerr_printf("gcairo", "unable to write image file: %s\n", name.c_str());
            g.failed = true;
        } else {
            MESS_print(kMessPrint, "Created: %s\n", name.c_str());
        }
    } else {
        flush_lines();
        cairo_show_page(g.cr);
    }
    ++g.frame;
    g.dirty = false;
}

void release() {
    if (g.cr != nullptr) cairo_destroy(g.cr);
    if (g.surface != nullptr) {
        cairo_surface_finish(g.surface);
        if (cairo_surface_status(g.surface) != CAIRO_STATUS_SUCCESS) g.failed = true;
        cairo_surface_destroy(g.surface);
    }
    g.cr = nullptr;
    g.surface = nullptr;
}

// ---- device entries ----

int cairo_close(int /*ws*/) {
    if (g.cr == nullptr) return -1;
    if (g.dirty || g.frame == 0) finish_frame();
    release();
    if (g.failed) gerr_printf("gcairo", "unable to write: %s\n", g.file);
    const int status = g.failed ? -1 : 0;
    g = CairoState{};
    return status;
}

void cairo_clear(int /*ws*/, int /*flag*/) {
    if (g.cr == nullptr) return;
    if (g.dirty) finish_frame();
    clear_picture();
}

void cairo_clip() {
    if (g.cr == nullptr) return;
    flush_lines();
    int r[4] = {0, 0, 0, 0};
    gget_xviewport(r);
    cairo_reset_clip(g.cr);
    cairo_new_path(g.cr);
    cairo_rectangle(g.cr, r[0], r[1], r[2], r[3]);
    cairo_clip(g.cr);
}

int cairo_polyline(int n, const GPoint* pts) {
    if (n < 1) return 1;
    const GLineAttr& a = ginq_line_attr();
    const GLineAttr& p = g.pending_line;
    // A long path costs the stroker more than it saves: a batch stays short.
    if (!g.lines_pending || a.color != p.color || a.width != p.width || a.type != p.type ||
        g.pending_points > kBatchPoints) {
        begin_drawing();
        set_color(a.color);
        set_width(a.width);
        set_dash(a.type);
        g.pending_line = a;
        g.lines_pending = true;
        g.pending_points = 0;
    }
    g.pending_points += n;
    trace(n, pts);
    return 1;
}

void set_fill_source(const GFillAttr& a) {
    set_color(a.color);
    if (a.int_style != 2) return;
    // A pattern is the X11 stipple: the colour where a bit is set, the
    // picture left as it is elsewhere.
    double r = 0, gr = 0, b = 0, alpha = 0;
    cairo_pattern_get_rgba(cairo_get_source(g.cr), &r, &gr, &b, &alpha);
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_surface_flush(tile);
    unsigned char* data = cairo_image_surface_get_data(tile);
    const int stride = cairo_image_surface_get_stride(tile);
    const auto pixel = 0xFF000000U | (static_cast<unsigned>(r * 255.0 + 0.5) << 16) |
                       (static_cast<unsigned>(gr * 255.0 + 0.5) << 8) |
                       static_cast<unsigned>(b * 255.0 + 0.5);
    for (int y = 0; y < 8; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < 8; ++x) row[x] = gfill_test(a.style_index, x, y) != 0 ? pixel : 0U;
    }
    cairo_surface_mark_dirty(tile);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(g.cr, pattern);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(tile);
}

int cairo_fill_area(int n, const GPoint* pts) {
    const GFillAttr& a = ginq_fill_attr();
    begin_drawing();
    set_fill_source(a);
    set_width(0.0F);
    set_dash(1);
    trace(n, pts);
    cairo_close_path(g.cr);
    // As on the window: filled (solid or patterned), then outlined. Areas
    // keep sharp edges even in smooth pictures: neighbouring areas then meet
    // without seams.
    const cairo_antialias_t smooth_lines = cairo_get_antialias(g.cr);
    cairo_set_antialias(g.cr, CAIRO_ANTIALIAS_NONE);
    if (a.int_style == 1 || a.int_style == 2) cairo_fill_preserve(g.cr);
    cairo_stroke(g.cr);
    cairo_set_antialias(g.cr, smooth_lines);
    return 1;
}

void marker_stroke(void* /*user*/, int n, const GPoint* pts) {
    cairo_move_to(g.cr, std::floor(pts[0].x) + 0.5, std::floor(pts[0].y) + 0.5);
    for (int i = 1; i < n; ++i)
        cairo_line_to(g.cr, std::floor(pts[i].x) + 0.5, std::floor(pts[i].y) + 0.5);
    if (n == 1) cairo_rectangle(g.cr, std::floor(pts[0].x), std::floor(pts[0].y), 1, 1);
    cairo_stroke(g.cr);
}

int cairo_polymarker(int n, const GPoint* pts) {
    const GMarkerAttr& a = ginq_marker_attr();
    begin_drawing();
    set_color(a.color);
    set_width(a.width);
    set_dash(1);
    const int h = static_cast<int>(10.0F * a.size / 2.0F);
    for (int i = 0; i < n; ++i)
        gmarker_strokes(a.type, std::floor(xW_p(pts[i].x) + 0.5F), std::floor(yW_p(pts[i].y) + 0.5F),
                        h, marker_stroke, nullptr);
    return 1;
}

void cairo_clear_region(const float* rect) {
    begin_drawing();
    set_color(-1);
    const double x0 = px(rect[0]) - 0.5, x1 = px(rect[1]) - 0.5;
    const double y0 = py(rect[3]) - 0.5, y1 = py(rect[2]) - 0.5;
    cairo_rectangle(g.cr, x0, y0, x1 - x0 + 1.0, y1 - y0 + 1.0);
    cairo_fill(g.cr);
}

void cairo_text_begin(float /*x*/, float /*y*/, const char* /*string*/, int shadow) {
    const GTextAttr& a = ginq_text_attr();
    begin_drawing();
    if (shadow >= 0)
        cairo_set_source_rgb(g.cr, 0, 0, 0);
    else
        set_color(a.color);
    set_width(a.width);
    set_dash(1);
    cairo_set_line_cap(g.cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(g.cr, CAIRO_LINE_JOIN_ROUND);
    g.shadow = shadow > 0 ? shadow : 0;
}

void cairo_text_move(float x, float y) {
    cairo_move_to(g.cr, xW_p(x) + 0.5 + g.shadow, yW_p(y) + 0.5 + g.shadow);
}

void cairo_text_draw(float x, float y) {
    cairo_line_to(g.cr, xW_p(x) + 0.5 + g.shadow, yW_p(y) + 0.5 + g.shadow);
}

void cairo_glyph_end() { cairo_stroke(g.cr); }

void cairo_text_end() {
    cairo_set_line_cap(g.cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(g.cr, CAIRO_LINE_JOIN_MITER);
    g.shadow = 0;
}

constexpr GDevice kCairoDevice = {
    kWsRaster,     gcairo_open_ws, cairo_close,       cairo_clear,      cairo_clip,
    nullptr,       nullptr,        cairo_polyline,    cairo_polymarker, cairo_fill_area,
    nullptr,       cairo_clear_region, cairo_text_begin, nullptr,       cairo_text_move,
    cairo_text_draw, cairo_glyph_end, cairo_text_end, nullptr,          nullptr,
};

// The format named by the device resource's word, else by the extension.
int format_of(const char* file) {
    const char* device = RES_get("device");
    if (device != nullptr) {
        char word[8] = "";
        std::sscanf(device, "%7[^,]", word);
        if (const int f = gcairo_format(word); f != kCairoNone) return f;
    }
    const char* dot = std::strrchr(file, '.');
    const int f = dot != nullptr ? gcairo_format(dot + 1) : kCairoNone;
    return f != kCairoNone ? f : kCairoPng;
}

cairo_surface_t* create_surface(const char* file) {
    const double w = g.width * kPointsPerPixel, h = g.height * kPointsPerPixel;
    switch (g.format) {
    case kCairoPdf: return cairo_pdf_surface_create(file, w, h);
    case kCairoSvg: return cairo_svg_surface_create(file, w, h);
    default: return cairo_image_surface_create(CAIRO_FORMAT_RGB24, g.width, g.height);
    }
}

// A raster file is written when the workstation closes; it must be
// writable now, so that a run that cannot write it stops before drawing. The
// trial leaves no empty file behind.
bool writable(const char* file) {
    const bool existed = access(file, F_OK) == 0;
    std::FILE* f = std::fopen(file, "ab");
    if (f == nullptr) return false;
    std::fclose(f);
    if (!existed) std::remove(file);
    return true;
}

// The drawing context on the new surface, and the kernel's device size.
void start_drawing() {
    g.cr = cairo_create(g.surface);
    if (!is_raster(g.format)) cairo_scale(g.cr, kPointsPerPixel, kPointsPerPixel);
    cairo_set_antialias(g.cr, smooth(g.format) ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(g.cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(g.cr, CAIRO_LINE_JOIN_MITER);
    gset_window_size(g.width, g.height);
    gset_window_offset(0, 0);
}

}  // namespace

int gcairo_format(const char* word) {
    static constexpr struct {
        const char* word;
        int format;
    } kFormats[] = {{"png", kCairoPng}, {"gif", kCairoGif}, {"xwd", kCairoXwd},
                    {"img", kCairoImg}, {"pdf", kCairoPdf}, {"svg", kCairoSvg}};
    if (word == nullptr) return kCairoNone;
    for (const auto& f : kFormats)
        if (strcasecmp(word, f.word) == 0) return f.format;
    return kCairoNone;
}

int gcairo_open_ws(int /*ws*/, const char* text) {
    release();
    g = CairoState{};
    const char* file = text != nullptr ? text : "";
    int named = kCairoNone;
    if (const char* comma = std::strchr(file, ','); comma != nullptr) {
        named = gcairo_format(std::string(file, comma).c_str());
        if (named != kCairoNone) file = comma + 1;
    }
    g.format = named != kCairoNone ? named : format_of(file);
    if (*file == '\0') {
        // As the printer's "orv.ps": "orv" with the format's extension.
        static constexpr const char* kDefaultNames[] = {"", "orv.png", "orv.gif", "orv.xwd",
                                                        "orv.img", "orv.pdf", "orv.svg"};
        file = kDefaultNames[g.format];
    }
    copy_text(g.file, file);
    picture_size(&g.width, &g.height);
    if (is_raster(g.format) && !writable(g.file)) {
        gerr_printf("gopen_ws", "unable to open image file: %s\n", g.file);
        return -1;
    }
    g.surface = create_surface(g.file);
    if (cairo_surface_status(g.surface) != CAIRO_STATUS_SUCCESS) {
        gerr_printf("gopen_ws", "unable to open image file: %s\n", g.file);
        cairo_surface_destroy(g.surface);
        g = CairoState{};
        return -1;
    }
    start_drawing();
    ginit_plot(1);
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->setup != nullptr) hooks->setup();
    // Pictures are white like paper, so labels take their dark, inverse colours.
    gset_inverse(1);
    ginit_background();
    clear_picture();
    return 0;
}

void gcairo_register() { gregister_device(&kCairoDevice); }

int gcairo_begin_picture(int smooth_lines) {
    if (g.cr != nullptr) return -1;
    g = CairoState{};
    g.format = smooth_lines != 0 ? kCairoPng : kCairoGif;
    picture_size(&g.width, &g.height);
    g.surface = create_surface("");
    if (cairo_surface_status(g.surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(g.surface);
        g = CairoState{};
        return -1;
    }
    start_drawing();
    clear_picture();
    return 0;
}

void gcairo_end_picture() {
    release();
    g = CairoState{};
}

int gcairo_capture(ImageRecord* image) {
    if (g.cr == nullptr || !is_raster(g.format) || image == nullptr) return 0;
    flush_lines();
    cairo_surface_flush(g.surface);
    IMG_init(image);
    if (IMG_alloc_rgb(image, g.width, g.height, "gget_image") == 0) return 0;
    const int stride = cairo_image_surface_get_stride(g.surface);
    const unsigned char* data = cairo_image_surface_get_data(g.surface);
    for (int y = 0; y < g.height; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        IMG_put_rgb_row(image, y, src, g.width);
    }
    copy_text(image->name, GPH_get_win_title());
    return 1;
}

int gcairo_put_image(const ImageRecord& image, int x, int y, long transparent) {
    if (g.cr == nullptr || image.width <= 0 || image.height <= 0) return 0;
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(picture);
        return 0;
    }
    cairo_surface_flush(picture);
    unsigned char* data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    for (int row = 0; row < image.height; ++row) {
        auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
        for (int col = 0; col < image.width; ++col) {
            int r = 0, gr = 0, b = 0;
            IMG_pixel_rgb(image, IMG_pixel(image, col, row), &r, &gr, &b);
            const auto rgb = static_cast<std::uint32_t>((r << 16) | (gr << 8) | b);
            out[col] = static_cast<long>(rgb) == transparent ? 0U : 0xFF000000U | rgb;
        }
    }
    cairo_surface_mark_dirty(picture);
    flush_lines();
    g.dirty = true;
    cairo_save(g.cr);
    cairo_set_source_surface(g.cr, picture, x, y);
    cairo_pattern_set_filter(cairo_get_source(g.cr), CAIRO_FILTER_NEAREST);
    cairo_paint(g.cr);
    cairo_restore(g.cr);
    cairo_surface_destroy(picture);
    return 1;
}

void gks_cairo_reset_for_tests() {
    release();
    g = CairoState{};
}

}  // namespace orv
