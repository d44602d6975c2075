#include "gks/gks_meta.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <strings.h>
#include <unistd.h>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/tools.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"

namespace orv {
namespace {

constexpr std::size_t kMetaNameSize = 160;
constexpr int kAreaWidth = 1000;  // a nominal 10 x 8 inch picture in hundredths
constexpr int kAreaHeight = 800;
constexpr float kCgmPerUnit = 10.0F;  // CGM points are tenths of a device unit
constexpr int kCgmMaxArea = 1600;  // the largest picture (16 inches)
// Lines are cut at a guard box around the largest picture, so that every
// point written fits 16 bits and keeps its direction.
constexpr float kGuardLow = -1600.0F;
constexpr float kGuardHigh = 3200.0F;
constexpr int kPointsPerLine = 4;

// CGM classes and elements.
constexpr int kDelimiter = 0, kDescriptor = 1, kPictureDesc = 2, kControl = 3, kPrimitive = 4,
              kAttribute = 5;
constexpr int kBeginMetafile = 1, kEndMetafile = 2, kBeginPicture = 3, kBeginBody = 4, kEndPicture = 5;
constexpr int kVersion = 1, kDescription = 2, kMaxColorIndex = 9, kElementList = 11;
constexpr int kColorSelection = 2, kVdcExtent = 6, kBackgroundColor = 7;
constexpr int kClipRect = 5;
constexpr int kPolyline = 1, kPolygon = 7;
constexpr int kLineType = 2, kLineWidth = 3, kLineColor = 4, kInteriorStyle = 22, kFillColor = 23;
constexpr int kLongForm = 31;
constexpr std::size_t kMaxPartition = 32000;  // bytes in one long-form partition
constexpr unsigned char kEndMetafileBytes[2] = {0x00, kEndMetafile << 5};

struct Rgb {
    int r = -1, g = -1, b = -1;
    bool operator==(const Rgb&) const = default;
};

struct MetaState {
    std::FILE* out = nullptr;
    bool is_pipe = false;
    void (*old_sigpipe)(int) = SIG_DFL;
    int append = 0;
    int kind = kMetaText;
    int dash_type = 1;
    bool write_error = false;
    // CGM: the attributes last written in the current picture.
    Rgb line_rgb;
    Rgb fill_rgb;
    float line_width = -1.0F;
    int interior = -1;
    bool picture_drawn = false;
    // The frame in the picture is finished: the next drawing starts a new one.
    bool frame_done = false;
    // The text stroke being collected (device units) and its shadow offset.
    std::vector<GPoint> stroke;
    float shadow = 0.0F;
};
MetaState g;

bool is_text() { return g.out != nullptr && g.kind == kMetaText; }
bool is_cgm() { return g.out != nullptr && g.kind == kMetaCgm; }

double d(float v) { return static_cast<double>(v); }

// ---- CGM encoding ----

void put_bytes(const void* data, std::size_t n) {
    if (g.out != nullptr && n > 0 && std::fwrite(data, 1, n, g.out) != n) g.write_error = true;
}

void put_word(int v) {
    const auto w = static_cast<std::uint16_t>(v);
    const unsigned char b[2] = {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w & 0xFF)};
    put_bytes(b, 2);
}

int cgm_coord(float device) {
    const float v = std::round(device * kCgmPerUnit);
    if (!(v > -32768.0F)) return -32768;
    return static_cast<int>(std::min(v, 32767.0F));
}

// The parameters of one element, big-endian.
struct Params {
    std::vector<unsigned char> bytes;
    void byte(int v) { bytes.push_back(static_cast<unsigned char>(v)); }
    void word(int v) {
        const auto w = static_cast<std::uint16_t>(v);
        byte(w >> 8);
        byte(w & 0xFF);
    }
    void text(const char* s) {
        const std::size_t n = std::min<std::size_t>(s != nullptr ? std::strlen(s) : 0, 254);
        byte(static_cast<int>(n));
        bytes.insert(bytes.end(), s, s + n);
    }
    void rgb(const Rgb& c) {
        byte(c.r);
        byte(c.g);
        byte(c.b);
    }
    void point(float x, float y) {
        word(cgm_coord(x));
        word(cgm_coord(y));
    }
};

// One element: the short form up to 30 bytes of parameters, else the long
// form in partitions, each but the last flagged as continued.
void put_element(int cgm_class, int element, const Params& p) {
    const std::size_t n = p.bytes.size();
    if (n < kLongForm) {
        gcgm_control(cgm_class, element, static_cast<int>(n), -1);
        put_bytes(p.bytes.data(), n);
    } else {
        gcgm_control(cgm_class, element, kLongForm, -1);
        std::size_t at = 0;
        do {
            const std::size_t part = std::min(kMaxPartition, n - at);
            const bool more = at + part < n;
            put_word(static_cast<int>(part) | (more ? 0x8000 : 0));
            put_bytes(p.bytes.data() + at, part);
            at += part;
        } while (at < n);
    }
    if (n % 2 != 0) put_bytes("", 1);
}

void put_empty(int cgm_class, int element) { put_element(cgm_class, element, Params{}); }

Rgb rgb_of(int index) {
    if (index >= 500 && index <= 502) return {0, 0, 0};
    if (index >= 503 && index <= 505) return {255, 255, 255};
    if (index >= 506 && index <= 508) return {178, 178, 178};
    float r = 0, gr = 0, b = 0;
    gget_color_rgb(index, &r, &gr, &b);
    const auto c = [](float v) { return static_cast<int>(std::clamp(v, 0.0F, 1.0F) * 255.0F + 0.5F); };
    return {c(r), c(gr), c(b)};
}

const char* title() {
    const char* t = GPH_get_win_title();
    return t != nullptr ? t : "";
}

void cgm_begin_picture() {
    int w = 0, h = 0;
    gget_window_size(&w, &h);
    Params name;
    name.text(title());
    put_element(kDelimiter, kBeginPicture, name);
    Params mode;
    mode.word(1);  // direct colours
    put_element(kPictureDesc, kColorSelection, mode);
    Params extent;
    extent.word(0);
    extent.word(0);
    extent.word(cgm_coord(static_cast<float>(w)));
    extent.word(cgm_coord(static_cast<float>(h)));
    put_element(kPictureDesc, kVdcExtent, extent);
    Params background;
    background.rgb(rgb_of(-1));
    put_element(kPictureDesc, kBackgroundColor, background);
    put_empty(kDelimiter, kBeginBody);
    g.line_rgb = g.fill_rgb = Rgb{};
    g.line_width = -1.0F;
    g.interior = -1;
    g.dash_type = 1;  // each picture starts with the standard's defaults
    g.picture_drawn = false;
}

void cgm_begin_metafile() {
    Params name;
    name.text(title());
    put_element(kDelimiter, kBeginMetafile, name);
    Params version;
    version.word(1);
    put_element(kDescriptor, kVersion, version);
    Params description;
    description.text("ORVCGM-1.0");
    put_element(kDescriptor, kDescription, description);
    Params list;
    list.word(1);
    list.word(-1);
    list.word(1);
    put_element(kDescriptor, kElementList, list);
    Params max_color;
    max_color.byte(255);
    put_element(kDescriptor, kMaxColorIndex, max_color);
}

void cgm_line_attributes(int color, float width, int type) {
    const Rgb c = rgb_of(color);
    if (!(c == g.line_rgb)) {
        Params p;
        p.rgb(c);
        put_element(kAttribute, kLineColor, p);
        g.line_rgb = c;
    }
    const float w = std::clamp(width == 0.0F ? 1.0F : width, 0.0F, 32767.0F);
    if (w != g.line_width) {
        // a scale factor of the nominal width as a 16.16 fixed-point real
        Params p;
        const auto fixed = static_cast<std::int64_t>(std::llround(static_cast<double>(w) * 65536.0));
        p.word(static_cast<int>(fixed >> 16));
        p.word(static_cast<int>(fixed & 0xFFFF));
        put_element(kAttribute, kLineWidth, p);
        g.line_width = w;
    }
    // the standard's solid, dash, dot and dash-dot; the fine dots are dots
    const int cgm_type = type == 1 ? 1 : type == 3 || type == 5 ? 3 : type == 4 ? 4 : 2;
    if (cgm_type != g.dash_type) {
        Params p;
        p.word(cgm_type);
        put_element(kAttribute, kLineType, p);
        g.dash_type = cgm_type;
    }
}

void put_points(int element, const std::vector<GPoint>& pts) {
    Params p;
    p.bytes.reserve(pts.size() * 4);
    for (const GPoint& pt : pts) p.point(pt.x, pt.y);
    put_element(kPrimitive, element, p);
    g.picture_drawn = true;
}

bool inside_guard(const GPoint& p) {
    return p.x >= kGuardLow && p.x <= kGuardHigh && p.y >= kGuardLow && p.y <= kGuardHigh;
}

// Cuts the segment a-b to the guard box (Liang-Barsky); false when nothing
// of it is inside.
bool clip_segment(GPoint* a, GPoint* b) {
    const float dx = b->x - a->x, dy = b->y - a->y;
    float t0 = 0.0F, t1 = 1.0F;
    const float p[4] = {-dx, dx, -dy, dy};
    const float q[4] = {a->x - kGuardLow, kGuardHigh - a->x, a->y - kGuardLow, kGuardHigh - a->y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0F) {
            if (q[k] < 0.0F) return false;
            continue;
        }
        const float t = q[k] / p[k];
        if (p[k] < 0.0F) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const GPoint start = *a;
    if (t1 < 1.0F) *b = {start.x + t1 * dx, start.y + t1 * dy};
    if (t0 > 0.0F) *a = {start.x + t0 * dx, start.y + t0 * dy};
    return true;
}

// A polyline in device units, as runs of its parts inside the guard box.
void cgm_polyline_device(const std::vector<GPoint>& pts) {
    std::vector<GPoint> run;
    const auto flush = [&] {
        if (run.size() >= 2) put_points(kPolyline, run);
        run.clear();
    };
    if (std::all_of(pts.begin(), pts.end(), inside_guard)) {
        if (pts.size() >= 2) put_points(kPolyline, pts);
        return;
    }
    for (std::size_t i = 1; i < pts.size(); ++i) {
        GPoint a = pts[i - 1], b = pts[i];
        if (!clip_segment(&a, &b)) {
            flush();
            continue;
        }
        if (run.empty() || run.back().x != a.x || run.back().y != a.y) {
            flush();
            run.push_back(a);
        }
        run.push_back(b);
    }
    flush();
}

// One edge of the guard box for the polygon cut (Sutherland-Hodgman).
std::vector<GPoint> clip_polygon_edge(const std::vector<GPoint>& in, int edge) {
    const auto inside = [edge](const GPoint& p) {
        switch (edge) {
        case 0: return p.x >= kGuardLow;
        case 1: return p.x <= kGuardHigh;
        case 2: return p.y >= kGuardLow;
        default: return p.y <= kGuardHigh;
        }
    };
    const auto cross = [edge](const GPoint& a, const GPoint& b) {
        const float bound = edge == 0 || edge == 2 ? kGuardLow : kGuardHigh;
        if (edge < 2) {
            const float t = (bound - a.x) / (b.x - a.x);
            return GPoint{bound, a.y + t * (b.y - a.y)};
        }
        const float t = (bound - a.y) / (b.y - a.y);
        return GPoint{a.x + t * (b.x - a.x), bound};
    };
    std::vector<GPoint> out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const GPoint& cur = in[i];
        const GPoint& prev = in[(i + in.size() - 1) % in.size()];
        if (inside(cur)) {
            if (!inside(prev)) out.push_back(cross(prev, cur));
            out.push_back(cur);
        } else if (inside(prev)) {
            out.push_back(cross(prev, cur));
        }
    }
    return out;
}

std::vector<GPoint> to_device(int n, const GPoint* pts) {
    std::vector<GPoint> dev(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) dev[static_cast<std::size_t>(i)] = {xW_ps(pts[i].x), yW_ps(pts[i].y)};
    return dev;
}

void cgm_polygon_device(std::vector<GPoint> pts, int color, int interior) {
    for (int edge = 0; edge < 4 && !std::all_of(pts.begin(), pts.end(), inside_guard); ++edge)
        pts = clip_polygon_edge(pts, edge);
    if (pts.size() < 3) return;
    const Rgb c = rgb_of(color);
    if (!(c == g.fill_rgb)) {
        Params p;
        p.rgb(c);
        put_element(kAttribute, kFillColor, p);
        g.fill_rgb = c;
    }
    if (interior != g.interior) {
        Params p;
        p.word(interior);
        put_element(kAttribute, kInteriorStyle, p);
        g.interior = interior;
    }
    put_points(kPolygon, pts);
}

// ---- the text metafile ----

// Texts stay on their line.
std::string one_line(const char* text) {
    std::string s = text != nullptr ? text : "";
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    return s;
}

void write_points(const char* command, int n, const GPoint* pts) {
    gmeta_printf("%s %d ", command, n);
    for (int i = 0; i < n; ++i) {
        gmeta_printf("%f,%f ", d(pts[i].x), d(pts[i].y));
        if ((i + 1) % kPointsPerLine == 0 && i + 1 < n) gmeta_printf("\n   ");
    }
    gmeta_printf("\n");
}

void write_rect(const char* command, int n, const float* r) {
    gmeta_printf("%s %d %f %f %f %f\n", command, n, d(r[0]), d(r[2]), d(r[1]), d(r[3]));
}

void write_attribute(int code, int n) {
    const GLineAttr& line = ginq_line_attr();
    const GMarkerAttr& mark = ginq_marker_attr();
    const GFillAttr& fill = ginq_fill_attr();
    const GTextAttr& text = ginq_text_attr();
    float r[8];
    switch (code) {
    case kObjWin:
    case kObjVp: {
        int status = 0;
        if (ginq_norm_tran(n, &status, r) == 0) write_rect(code == kObjWin ? "WIN" : "VP", n, code == kObjWin ? r : r + 4);
        break;
    }
    case kObjWsWin: gget_ws_win(r); write_rect("WS_WIN", n, r); break;
    case kObjWsVp: gget_ws_vp(r); write_rect("WS_VP", n, r); break;
    case kObjSelTran: gmeta_printf("TR %d\n", n); break;
    case kObjLineColor: gmeta_printf("PL_CLR %d\n", line.color); break;
    case kObjLineWidth: gmeta_printf("PL_LW %f\n", d(line.width)); break;
    case kObjLineType: gmeta_printf("PL_TYPE %d\n", line.type); break;
    case kObjLineBold: gmeta_printf("PL_BOLD %d\n", line.print_bold); break;
    case kObjMarkerColor: gmeta_printf("PM_CLR %d\n", mark.color); break;
    case kObjMarkerSize: gmeta_printf("PM_SIZE %f\n", d(mark.size)); break;
    case kObjMarkerType: gmeta_printf("PM_TYPE %d\n", mark.type); break;
    case kObjMarkerWidth: gmeta_printf("PM_WDTH %f\n", d(mark.width)); break;
    case kObjFillColor: gmeta_printf("FA_CLR %d\n", fill.color); break;
    case kObjFillIntStyle: gmeta_printf("FA_INT %d\n", fill.int_style); break;
    case kObjFillStyle: gmeta_printf("FA_ST %d\n", fill.style_index); break;
    case kObjFillSolid: gmeta_printf("FA_SOLID %d\n", fill.print_solid); break;
    case kObjTextColor: gmeta_printf("TE_CLR %d\n", text.color); break;
    case kObjCharHt: gmeta_printf("TE_HGHT %f\n", d(text.height)); break;
    case kObjExpan: gmeta_printf("TE_EXP %f\n", d(text.expansion)); break;
    case kObjTextWidth: gmeta_printf("TE_WDTH %f\n", d(text.width)); break;
    case kObjSpace: gmeta_printf("TE_SPC %f\n", d(text.spacing)); break;
    case kObjCharSpace: gmeta_printf("TE_CSPC %f\n", d(text.char_spacing)); break;
    case kObjUpVec: gmeta_printf("TE_UP %f,%f\n", d(text.up_x), d(text.up_y)); break;
    case kObjTextAlign: gmeta_printf("TE_ALGN %d %d\n", text.align_h, text.align_v); break;
    case kObjFont: gmeta_printf("TE_FNT %d %d\n", text.font, text.precision); break;
    case kObjSegStart: gmeta_printf("SEG_CR %d\n", n); break;
    case kObjSegEnd: gmeta_printf("SEG_CL %d\n", n); break;
    case kObjSegDelete: gmeta_printf("SEG_DE %d\n", n); break;
    default: break;
    }
}

// ---- device entries ----

void meta_attribute(int code, int n) {
    if (is_text()) write_attribute(code, n);
}

void meta_color_rep(int index, float r, float gr, float b) {
    if (is_text()) gmeta_printf("CLR %d %d %f %f %f\n", 1, index, d(r), d(gr), d(b));
}

void meta_clip() {
    if (!is_cgm() || g.frame_done) return;
    float r[4];
    gget_clip_rect(r);
    Params p;
    p.point(r[0], r[2]);
    p.point(r[1], r[3]);
    put_element(kControl, kClipRect, p);
}

void new_picture() {
    g.frame_done = false;
    put_empty(kDelimiter, kEndPicture);
    cgm_begin_picture();
    meta_clip();
}

// Drawing after a finished frame goes into a picture of its own.
void begin_drawing() {
    if (is_cgm() && g.frame_done) new_picture();
}

int meta_polyline(int n, const GPoint* pts) {
    begin_drawing();
    if (is_text()) {
        write_points("PL", n, pts);
    } else if (is_cgm()) {
        const GLineAttr& a = ginq_line_attr();
        cgm_line_attributes(a.color, a.width * static_cast<float>(a.print_bold), a.type);
        cgm_polyline_device(to_device(n, pts));
    }
    return 1;
}

int meta_fill_area(int n, const GPoint* pts) {
    begin_drawing();
    if (is_text()) {
        write_points("FA", n, pts);
    } else if (is_cgm()) {
        const GFillAttr& a = ginq_fill_attr();
        // solid fills; patterns and hollow styles are drawn as outlines
        cgm_polygon_device(to_device(n, pts), a.print_solid != 0 ? 500 : a.color, a.int_style == 1 ? 1 : 0);
    }
    return 1;
}

void marker_stroke(void* /*user*/, int n, const GPoint* pts) {
    cgm_polyline_device(std::vector<GPoint>(pts, pts + n));
}

int meta_polymarker(int n, const GPoint* pts) {
    begin_drawing();
    if (is_text()) {
        write_points("PM", n, pts);
    } else if (is_cgm()) {
        const GMarkerAttr& a = ginq_marker_attr();
        cgm_line_attributes(a.color, a.width, 1);
        const int h = static_cast<int>(10.0F * a.size / 2.0F);
        for (int i = 0; i < n; ++i) gmarker_strokes(a.type, xW_ps(pts[i].x), yW_ps(pts[i].y), h, marker_stroke, nullptr);
    }
    return 1;
}

void meta_message(const char* text) {
    if (is_text()) gmeta_printf("ME %s\n", one_line(text).c_str());
}

void meta_clear_region(const float* rect) {
    begin_drawing();
    if (is_text()) {
        gmeta_printf("CLR_REG %f %f %f %f\n", d(rect[0]), d(rect[1]), d(rect[2]), d(rect[3]));
    } else if (is_cgm()) {
        const GPoint box[4] = {{rect[0], rect[2]}, {rect[0], rect[3]}, {rect[1], rect[3]}, {rect[1], rect[2]}};
        cgm_polygon_device(to_device(4, box), -1, 1);
    }
}

int meta_text(float x, float y, const char* string) {
    if (is_text()) {
        gmeta_printf("TE %f,%f %s\n", d(x), d(y), one_line(string).c_str());
        return 0;
    }
    // A CGM picture gets the text's strokes.
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->draw != nullptr) return hooks->draw(string, x, y);
    return 0;
}

void flush_stroke() {
    cgm_polyline_device(g.stroke);
    g.stroke.clear();
}

void meta_text_begin(float, float, const char*, int shadow) {
    if (!is_cgm()) return;
    begin_drawing();
    const GTextAttr& a = ginq_text_attr();
    cgm_line_attributes(shadow >= 0 ? 500 : a.color, a.width, 1);
    g.shadow = shadow > 0 ? static_cast<float>(shadow) : 0.0F;
    g.stroke.clear();
}

void meta_text_move(float x, float y) {
    if (!is_cgm()) return;
    flush_stroke();
    g.stroke.push_back({xW_ps(x) + g.shadow, yW_ps(y) - g.shadow});
}

void meta_text_draw(float x, float y) {
    if (is_cgm()) g.stroke.push_back({xW_ps(x) + g.shadow, yW_ps(y) - g.shadow});
}

void meta_glyph_end() {
    if (is_cgm()) flush_stroke();
}

void meta_clear(int /*ws*/, int /*flag*/) {
    // a new picture once the current one has something in it
    if (is_cgm() && g.picture_drawn) new_picture();
}

int meta_close(int /*ws*/) { return gmeta_close_file(); }

constexpr GDevice kMetaDevice = {
    kWsMeta,        gmeta_open_ws,     meta_close,      meta_clear,      meta_clip,
    meta_attribute, meta_color_rep,    meta_polyline,   meta_polymarker, meta_fill_area,
    meta_message,   meta_clear_region, meta_text_begin, nullptr,         meta_text_move,
    meta_text_draw, meta_glyph_end,    meta_glyph_end,  meta_text,       nullptr,
};

// ---- output ----

void close_at_exit() {
    if (g.out != nullptr) gmeta_close_file();
}

// Opens a binary metafile to add a picture: its END METAFILE is taken off
// and written again at the close. False, with the file untouched, when it
// does not end as this device ends its files.
bool reopen_cgm(const char* name) {
    std::FILE* file = FILE_open(name, "r+");
    if (file == nullptr) return false;
    unsigned char tail[2] = {0, 0};
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    const bool ours = size >= 2 && std::fseek(file, size - 2, SEEK_SET) == 0 &&
                      std::fread(tail, 1, 2, file) == 2 && std::memcmp(tail, kEndMetafileBytes, 2) == 0;
    if (!ours || ::ftruncate(fileno(file), size - 2) != 0 || std::fseek(file, 0, SEEK_END) != 0) {
        FILE_close(file);
        return false;
    }
    g.out = file;
    return true;
}

std::vector<std::string> split_commas(const char* text) {
    std::vector<std::string> fields;
    if (text == nullptr) return fields;
    std::string cur;
    const auto push = [&] {
        const std::size_t b = cur.find_first_not_of(" \t\n");
        fields.push_back(b == std::string::npos ? std::string() : cur.substr(b, cur.find_last_not_of(" \t\n") - b + 1));
        cur.clear();
    };
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ',') push();
        else cur += *p;
    }
    push();
    return fields;
}

// The resource "geometry": "WxH+X+Y" or "+X+Y" in inches (hundredths of the
// picture units), or the "P" page grid of the printer devices.
void apply_geometry() {
    const char* geo = RES_get("geometry");
    if (geo == nullptr || *geo == '\0') return;
    int w = kAreaWidth, h = kAreaHeight, x = 0, y = 0;
    if (geo[0] == 'P' || geo[0] == 'p') {
        float cols = 1, rows = 1, col = 0, row = 0;
        std::sscanf(geo + 1, "%fx%f+%f+%f", &cols, &rows, &col, &row);
        if (!std::isfinite(cols) || !std::isfinite(rows) || !std::isfinite(col) || !std::isfinite(row)) return;
        if (cols > 1) {
            cols = std::clamp(cols, 1.0F, 8.0F);
            rows = std::clamp(rows, 1.0F, 8.0F);
            col = std::clamp(col, 0.0F, cols - 1.0F);
            row = std::clamp(row, 0.0F, rows - 1.0F);
            x = static_cast<int>(col / cols * kAreaWidth);
            y = static_cast<int>((1.0F - (1.0F + row) / rows) * kAreaHeight);
            w = static_cast<int>(kAreaWidth / cols);
            h = static_cast<int>(kAreaHeight / rows);
        } else {
            w = static_cast<int>(std::clamp(cols, 0.0F, 1.0F) * kAreaWidth);
            h = static_cast<int>(std::clamp(rows, 0.0F, 1.0F) * kAreaHeight);
            x = static_cast<int>(std::clamp(col, 0.0F, 1.0F) * kAreaWidth);
            y = static_cast<int>(std::clamp(row, 0.0F, 1.0F) * kAreaHeight);
        }
    } else {
        int v[4] = {0, 0, 0, 0};
        const int n = std::sscanf(geo, "%dx%d%d%d", &v[0], &v[1], &v[2], &v[3]);
        const auto units = [](int inches) { return std::clamp(inches, -kCgmMaxArea / 100, kCgmMaxArea / 100) * 100; };
        if (n >= 2) {
            w = units(v[0]);
            h = units(v[1]);
        }
        if (n == 4) {
            x = units(v[2]);
            y = units(v[3]);
        } else if (n < 2 && std::sscanf(geo, "%d%d", &v[0], &v[1]) == 2) {
            x = units(v[0]);
            y = units(v[1]);
        }
    }
    gset_window_size(std::clamp(w, 2, kCgmMaxArea), std::clamp(h, 2, kCgmMaxArea));
    gset_window_offset(x, y);
}

}  // namespace

void gmeta_register() { gregister_device(&kMetaDevice); }

std::FILE* gmeta_open_file(const char* name) {
    if (g.out != nullptr) gmeta_close_file();
    g.append = 0;
    g.write_error = false;
    if (name == nullptr || *name == '\0') return nullptr;
    if (name[0] == '|') {
        if (name[1] == '\0') return nullptr;
        g.old_sigpipe = std::signal(SIGPIPE, SIG_IGN);  // a failed spooler must not end the program
        g.out = FILE_open(name, "w");
        g.is_pipe = g.out != nullptr;
        if (g.out == nullptr) std::signal(SIGPIPE, g.old_sigpipe);
    } else if (name[0] == '+') {
        if (name[1] == '\0' || FILE_is_stdio(name + 1)) return nullptr;
        const bool has_plots = FILE_size(name + 1) > 0;
        if (has_plots && g.kind == kMetaCgm) {
            // a file that is not a metafile of ours gets a whole metafile after it
            if (reopen_cgm(name + 1)) g.append = 1;
            else g.out = FILE_open(name + 1, "a");
        } else {
            g.out = FILE_open(name + 1, "a");
            g.append = has_plots ? 1 : 0;
        }
    } else {
        g.out = FILE_open(name, "w");
    }
    if (g.out == nullptr) return nullptr;
    MESS_print(kMessPrint, "Creating metafile: %s\n", name);
    static const bool registered = std::atexit(close_at_exit) == 0;
    (void)registered;
    return g.out;
}

int gmeta_init_file() {
    if (g.out == nullptr) return -1;
    if (g.kind == kMetaCgm) {
        if (g.append == 0) cgm_begin_metafile();
        cgm_begin_picture();
        return 0;
    }
    if (g.append == 0) gmeta_printf("ORVMETA\n");
    gmeta_printf("#Title: ORV Graphics Display: %s\n", one_line(title()).c_str());
    gmeta_printf("#Creator: ORV Metafile Processor-1.0\n");
    const std::time_t now = std::time(nullptr);
    char date[64];
    ctime_r(&now, date);
    gmeta_printf("#CreationDate: %s", date);
    return 0;
}

void gmeta_write_state() {
    if (!is_text()) return;
    int status = 0, n = 0;
    ginq_cur_norm_tran_num(&status, &n);
    gmeta_printf("TR %d\n", n);
    for (int code : {kObjLineColor, kObjLineWidth, kObjLineType, kObjLineBold, kObjMarkerColor, kObjMarkerSize,
                     kObjMarkerType, kObjMarkerWidth, kObjFillColor, kObjFillIntStyle, kObjFillStyle,
                     kObjFillSolid, kObjTextColor, kObjCharHt, kObjExpan, kObjTextWidth, kObjSpace,
                     kObjCharSpace, kObjUpVec, kObjTextAlign, kObjFont})
        write_attribute(code, 0);
}

int gmeta_close_file() {
    if (g.out == nullptr) return -1;
    if (g.kind == kMetaCgm) {
        flush_stroke();
        put_empty(kDelimiter, kEndPicture);
        put_empty(kDelimiter, kEndMetafile);
    }
    const bool write_error = g.write_error || std::fflush(g.out) != 0 || std::ferror(g.out) != 0;
    const int status = FILE_close(g.out);
    g.out = nullptr;
    if (g.is_pipe) std::signal(SIGPIPE, g.old_sigpipe);
    const bool was_pipe = g.is_pipe;
    g.is_pipe = false;
    if (write_error || status != 0) {
        gerr_printf("gmeta_close_file", was_pipe ? "spooling command failed\n" : "unable to write metafile\n");
        return -1;
    }
    MESS_print(kMessPrint, "Created metafile\n");
    return 0;
}

void gmeta_end_frame() {
    if (is_cgm() && g.picture_drawn) g.frame_done = true;
}

void gmeta_set_type(int kind) { g.kind = kind == kMetaCgm ? kMetaCgm : kMetaText; }
int gmeta_get_type() { return g.kind; }

int gmeta_printf(const char* format, ...) {
    if (!is_text()) return 0;
    va_list ap;
    va_start(ap, format);
    const int n = std::vfprintf(g.out, format, ap);
    va_end(ap);
    if (n < 0) g.write_error = true;
    return n;
}

void gcgm_control(int cgm_class, int element, int length, int value) {
    put_word(((cgm_class & 0xF) << 12) | ((element & 0x7F) << 5) | std::clamp(length, 0, kLongForm));
    if (value >= 0) put_word(value);
}

void gcgm_point(float x, float y) { gcgm_ps_point(xW_ps(x), yW_ps(y)); }

void gcgm_ps_point(float x, float y) {
    put_word(cgm_coord(x));
    put_word(cgm_coord(y));
}

int gmeta_open_ws(int /*ws*/, const char* text) {
    gset_redraw(0);
    gset_cache(0);
    const std::vector<std::string> fields = split_commas(text);
    g.kind = kMetaText;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (strcasecmp(fields[i].c_str(), "cgm") == 0) g.kind = kMetaCgm;
        if (strcasecmp(fields[i].c_str(), "orv") == 0) g.kind = kMetaText;
    }
    char name[kMetaNameSize] = "";
    if (!fields.empty()) copy_text(name, fields[0].c_str());
    const char* env = std::getenv("orvmeta_out");
    if (*name == '\0' && env != nullptr) copy_text(name, env);
    if (*name == '\0') copy_text(name, g.kind == kMetaCgm ? "orv.cgm" : "orv.meta");
    errno = 0;
    if (gmeta_open_file(name) == nullptr) {
        const int reason = errno;
        if (reason != 0)
            MESS_print(kMessError, "gopen_ws: unable to open metafile %s: %s\n", name, std::strerror(reason));
        else
            gerr_printf("gopen_ws", "unable to open metafile\n");
        return -1;
    }
    gset_window_size(kAreaWidth, kAreaHeight);
    gset_window_offset(0, 0);
    apply_geometry();
    gmeta_init_file();
    ginit_plot(4);
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->setup != nullptr) hooks->setup();
    ginit_background();
    gmeta_write_state();
    return 0;
}

namespace {

constexpr std::size_t kKeywordMax = 9;
constexpr std::size_t kTextMax = 100;
constexpr int kMaxPointCount = 1 << 22;
constexpr int kReportedRecords = 5;

// Reads the text of a metafile from a cursor. Numbers are read without
// leaving the line unless a point list continues on the next one.
class MetaReader {
public:
    explicit MetaReader(std::string text) : text_(std::move(text)), p_(text_.c_str()), end_(p_ + text_.size()) {}

    bool at_end() {
        while (p_ < end_ && (is_blank(*p_) || *p_ == '\n')) ++p_;
        return p_ >= end_;
    }
    const char* position() const { return p_; }
    int line_of(const char* at) const {
        return 1 + static_cast<int>(std::count(text_.c_str(), at, '\n'));
    }
    std::string keyword() {
        skip(true);
        const char* start = p_;
        while (p_ < end_ && !is_blank(*p_) && *p_ != '\n') ++p_;
        return std::string(start, p_);
    }
    void skip_line() {
        while (p_ < end_ && *p_ != '\n') ++p_;
    }
    bool integer(int* v, bool cross_lines = false) {
        if (!skip(cross_lines)) return false;
        char* stop = nullptr;
        errno = 0;
        const long n = std::strtol(p_, &stop, 10);
        if (stop == p_ || errno != 0 || n < -1000000000L || n > 1000000000L || !ends_value(stop)) return false;
        p_ = stop;
        *v = static_cast<int>(n);
        return true;
    }
    bool number(float* v, bool cross_lines = false) {
        if (!skip(cross_lines)) return false;
        char* stop = nullptr;
        const float f = std::strtof(p_, &stop);
        if (stop == p_ || !std::isfinite(f) || !ends_value(stop)) return false;
        p_ = stop;
        *v = f;
        return true;
    }
    bool pair(GPoint* pt, bool cross_lines = false) {
        if (!number(&pt->x, cross_lines) || p_ >= end_ || *p_ != ',') return false;
        ++p_;
        return number(&pt->y);
    }
    // The rest of the line after one blank, at most kTextMax characters.
    std::string rest_of_line() {
        if (p_ < end_ && is_blank(*p_)) ++p_;
        const char* start = p_;
        skip_line();
        std::string s(start, std::min<std::size_t>(static_cast<std::size_t>(p_ - start), kTextMax));
        for (char& c : s)
            if (static_cast<unsigned char>(c) < 32) c = ' ';
        return s;
    }
    // Nothing but blanks left on the line.
    bool line_done() {
        skip(false);
        return p_ >= end_ || *p_ == '\n';
    }

private:
    static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; }
    bool ends_value(const char* stop) const { return stop >= end_ || is_blank(*stop) || *stop == '\n' || *stop == ','; }
    // Skips blanks, and with cross_lines a line break before a continuation
    // line (one that begins with a blank); false at the end of the line or
    // the text, where the value should have been.
    bool skip(bool cross_lines) {
        for (;;) {
            while (p_ < end_ && is_blank(*p_)) ++p_;
            if (!cross_lines || p_ + 1 >= end_ || *p_ != '\n' || !is_blank(p_[1])) break;
            ++p_;
        }
        return p_ < end_ && *p_ != '\n';
    }

    std::string text_;
    const char* p_;
    const char* end_;
};

bool read_points(MetaReader& in, std::vector<GPoint>* pts) {
    int n = 0;
    if (!in.integer(&n) || n < 1 || n > kMaxPointCount) return false;
    pts->clear();
    pts->reserve(static_cast<std::size_t>(std::min(n, 65536)));
    for (int i = 0; i < n; ++i) {
        GPoint pt{};
        if (!in.pair(&pt, true)) return false;
        pts->push_back(pt);
    }
    return in.line_done();
}

// "x0 y0 x1 y1" as a kernel rectangle (x min, x max, y min, y max) whose
// extent is a finite number.
bool read_rect(MetaReader& in, int* n, float* rect) {
    float v[4];
    if (!in.integer(n) || !in.number(&v[0]) || !in.number(&v[1]) || !in.number(&v[2]) || !in.number(&v[3]))
        return false;
    if (!std::isfinite(v[2] - v[0]) || !std::isfinite(v[3] - v[1])) return false;
    rect[0] = v[0];
    rect[1] = v[2];
    rect[2] = v[1];
    rect[3] = v[3];
    return in.line_done();
}

bool read_int_setter(MetaReader& in, int (*setter)(int)) {
    int v = 0;
    if (!in.integer(&v) || !in.line_done()) return false;
    setter(v);
    return true;
}

bool read_float_setter(MetaReader& in, int (*setter)(float)) {
    float v = 0;
    if (!in.number(&v) || !in.line_done()) return false;
    setter(v);
    return true;
}

bool read_two_ints(MetaReader& in, int (*setter)(int, int)) {
    int a = 0, b = 0;
    if (!in.integer(&a) || !in.integer(&b) || !in.line_done()) return false;
    setter(a, b);
    return true;
}

struct IntSetter {
    const char* keyword;
    int (*setter)(int);
};
struct FloatSetter {
    const char* keyword;
    int (*setter)(float);
};

constexpr IntSetter kIntSetters[] = {
    {"PL_CLR", gset_line_colr_ind},   {"PL_TYPE", gset_linetype},      {"PL_BOLD", gset_line_print_bold},
    {"PM_CLR", gset_marker_colr_ind}, {"PM_TYPE", gset_marker_type},   {"FA_CLR", gset_fill_colr_ind},
    {"FA_INT", gset_fill_int_style},  {"FA_ST", gset_fill_style_ind},  {"FA_SOLID", gset_fill_print_solid},
    {"TE_CLR", gset_text_colr_ind},   {"TR", gsel_norm_tran},
};
constexpr FloatSetter kFloatSetters[] = {
    {"PL_LW", gset_linewidth},  {"PM_SIZE", gset_marker_size}, {"PM_WDTH", gset_marker_width},
    {"TE_HGHT", gset_char_ht},  {"TE_EXP", gset_expan},        {"TE_WDTH", gset_text_width},
    {"TE_SPC", gset_space},     {"TE_CSPC", gset_char_space},
};
// Written for the record, not replayed.
constexpr const char* kSkipped[] = {"WS_WIN", "WS_VP", "SEG_CR", "SEG_CL", "SEG_DE", "CLR_REG", "ORVMETA"};

// Performs one command; false when its arguments are damaged.
bool replay_command(MetaReader& in, const std::string& key, std::vector<GPoint>* pts) {
    for (const IntSetter& s : kIntSetters)
        if (key == s.keyword) return read_int_setter(in, s.setter);
    for (const FloatSetter& s : kFloatSetters)
        if (key == s.keyword) return read_float_setter(in, s.setter);
    if (key == "PL" || key == "FA" || key == "PM") {
        if (!read_points(in, pts)) return false;
        const int n = static_cast<int>(pts->size());
        if (key == "PL") gpolyline(n, pts->data());
        else if (key == "FA") gfill_area(n, pts->data());
        else gpolymarker(n, pts->data());
        return true;
    }
    if (key == "WIN" || key == "VP") {
        int n = 0;
        float rect[4];
        if (!read_rect(in, &n, rect)) return false;
        if (key == "WIN") gset_win(n, rect);
        else gset_vp(n, rect);
        return true;
    }
    if (key == "TE") {
        GPoint at{};
        if (!in.pair(&at)) return false;
        gtext(at.x, at.y, in.rest_of_line().c_str());
        return true;
    }
    if (key == "ME") {
        gmessage(0, in.rest_of_line().c_str());
        return true;
    }
    if (key == "CLR") {
        int ws = 0, index = 0;
        float c[3];
        if (!in.integer(&ws) || !in.integer(&index) || !in.number(&c[0]) || !in.number(&c[1]) || !in.number(&c[2]) ||
            !in.line_done())
            return false;
        gset_colr_rep(1, index, c[0], c[1], c[2]);
        return true;
    }
    if (key == "TE_UP") {
        GPoint up{};
        if (!in.pair(&up) || !in.line_done()) return false;
        gset_char_up_vec(up.x, up.y);
        return true;
    }
    if (key == "TE_ALGN") return read_two_ints(in, gset_text_align);
    if (key == "TE_FNT") return read_two_ints(in, gset_fontprec);
    return false;
}

bool known_skipped(const std::string& key) {
    if (!key.empty() && key[0] == '#') return true;
    return std::any_of(std::begin(kSkipped), std::end(kSkipped), [&](const char* k) { return key == k; });
}

bool known_command(const std::string& key) {
    static constexpr const char* kOthers[] = {"PL", "FA", "PM", "WIN", "VP", "TE", "ME", "CLR", "TE_UP", "TE_ALGN", "TE_FNT"};
    return std::any_of(std::begin(kIntSetters), std::end(kIntSetters), [&](const IntSetter& s) { return key == s.keyword; }) ||
           std::any_of(std::begin(kFloatSetters), std::end(kFloatSetters), [&](const FloatSetter& s) { return key == s.keyword; }) ||
           std::any_of(std::begin(kOthers), std::end(kOthers), [&](const char* k) { return key == k; });
}

bool read_whole_file(const char* name, std::string* text) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return false;
    char buf[65536];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) text->append(buf, n);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

struct SavedKernel {
    GKernelState state;
    std::array<std::array<float, 3>, kColorEntries> colors{};
};

void save_kernel(SavedKernel* s) {
    s->state = gsave_kernel_state();
    for (int i = -1; i < kBackgroundEntry; ++i) {
        auto& c = s->colors[static_cast<std::size_t>(i + 1)];
        gget_color_rgb(i, &c[0], &c[1], &c[2]);
    }
}

void restore_kernel(const SavedKernel& s) {
    grestore_kernel_state(s.state);
    for (int i = -1; i < kBackgroundEntry; ++i) {
        const auto& c = s.colors[static_cast<std::size_t>(i + 1)];
        float r = 0, gr = 0, b = 0;
        gget_color_rgb(i, &r, &gr, &b);
        if (r != c[0] || gr != c[1] || b != c[2]) gset_colr_rep(1, i, c[0], c[1], c[2]);
    }
}

}  // namespace

int gread_metafile(const char* name) {
    std::string text;
    if (name == nullptr || !read_whole_file(name, &text)) {
        MESS_print(kMessError, "gread_metafile: Unable to open image file: %s\n", name != nullptr ? name : "");
        return -1;
    }
    if (text.compare(0, 7, "ORVMETA") != 0 || (text.size() > 7 && !std::isspace(static_cast<unsigned char>(text[7])))) {
        MESS_print(kMessError, "gread_metafile: Not a metafile: %s\n", name);
        return -1;
    }
    MetaReader in(std::move(text));
    in.skip_line();
    std::vector<GPoint> pts;
    int damaged = 0;
    while (!in.at_end()) {
        const char* start = in.position();
        const std::string key = in.keyword();
        if (known_skipped(key)) {
            in.skip_line();
            continue;
        }
        const bool known = key.size() <= kKeywordMax && known_command(key);
        if (known && replay_command(in, key, &pts)) {
            in.skip_line();
            continue;
        }
        if (++damaged <= kReportedRecords)
            MESS_print(kMessWarn, "gread_metafile: %s record at line %d of %s: %.20s\n", known ? "Damaged" : "Unknown",
                       in.line_of(start), name, key.c_str());
        in.skip_line();
    }
    if (damaged > kReportedRecords)
        MESS_print(kMessWarn, "gread_metafile: %d records of %s skipped\n", damaged, name);
    return 0;
}

int gmeta_overlay(const char* name) {
    if (name == nullptr || *name == '\0') return -1;
    char path[kFileNameSize];
    FILE_add_path(orv_file_path(), name, path);
    if (FILE_is_file(path) == 0) copy_text(path, name);
    SavedKernel saved;
    save_kernel(&saved);
    const int status = gread_metafile(path);
    restore_kernel(saved);
    return status;
}

void gmeta_reset_for_tests() {
    if (g.out != nullptr) FILE_close(g.out);
    if (g.is_pipe) std::signal(SIGPIPE, g.old_sigpipe);
    g = MetaState{};
}

}  // namespace orv
