#include "gks/gks_ps.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <strings.h>
#include <unistd.h>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"

namespace orv {
namespace {

constexpr std::size_t kPsNameSize = 81;
constexpr int kTextPathMax = 29;
constexpr float kPointsPerInch = 72.0F;

struct PaperSize {
    const char* name;
    float long_side;
    float short_side;
};

constexpr PaperSize kPapers[] = {
    {"letter", 11.0F, 8.5F}, {"legal", 14.0F, 8.5F},   {"11x17", 17.0F, 11.0F},
    {"a4", 11.69F, 8.26F},   {"a3", 16.54F, 11.69F},   {"a2", 23.39F, 16.54F},
    {"a1", 33.11F, 23.39F},  {"b4", 14.33F, 10.12F},   {"b3", 20.27F, 14.33F},
    {"b2", 28.66F, 20.27F},  {"b1", 40.55F, 28.66F},   {"ansid", 34.0F, 22.0F},
};

struct PsState {
    GPrintOutput output;
    int eps = 0;
    int orient = 0;
    float scale = 1.0F;
    int color = 0;
    int reverse = 0;
    float base_width = 1.0F;
    float long_side = 11.0F;
    float short_side = 8.5F;
    float cur_gray = 0.0F;
    int cur_color = -1;
    float cur_width = 1.0F;
    float cur_type = 1.0F;
    float gray[kColorEntries] = {};
    // The frame on the page is finished: the next drawing starts a new page.
    bool frame_done = false;
    // text strokes
    int path_points = 0;
    float last_x = 0.0F, last_y = 0.0F;
    float shadow_dx = 0.0F, shadow_dy = 0.0F;
};
PsState g;

int gray_entry(int index) { return index == -1 ? kBackgroundEntry : index; }

bool in_gray_table(int index) { return index >= -1 && index < kBackgroundEntry; }

// Comment text stays on its line.
std::string comment_text(const char* text) {
    std::string s = text != nullptr ? text : "";
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
    return s;
}

void put_pair(float x, float y, const char* op) {
    if (g.output.out == nullptr) return;
    char buf[112];
    char* p = gps_number(buf, x);
    *p++ = ' ';
    p = gps_number(p, y);
    *p++ = ' ';
    *p++ = op[0];
    *p++ = op[1];
    *p++ = '\n';
    // One writer owns the file: the stream lock is not needed per point.
    fwrite_unlocked(buf, 1, static_cast<std::size_t>(p - buf), g.output.out);
}

// Fixed words and counted comments of the drawing commands, written
// without the format machinery: they are most of a busy picture's lines.
void put_word(std::string_view text) {
    if (g.output.out != nullptr) fwrite_unlocked(text.data(), 1, text.size(), g.output.out);
}

void put_count(std::string_view tag, int n) {
    char buf[48];
    std::memcpy(buf, tag.data(), tag.size());
    char* p = std::to_chars(buf + tag.size(), buf + sizeof buf - 1, n).ptr;
    *p++ = '\n';
    put_word(std::string_view(buf, static_cast<std::size_t>(p - buf)));
}

// Below this the hundredths of a float are an exact double and an exact
// 64-bit integer.
constexpr float kFastNumberLimit = 1.0e9F;

}  // namespace

char* gps_fixed(char* out, float v, int decimals) {
    const bool fast = std::fabs(v) < kFastNumberLimit && decimals >= 1 && decimals <= 6;
    if (!fast) return std::to_chars(out, out + 48, v, std::chars_format::fixed, decimals).ptr;
    // 24 bits of mantissa times 10^6 fit a double exactly; the rounding is
    // then to nearest, halves to even, as the conversion does.
    static constexpr double kScale[] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    const double scaled = std::nearbyint(static_cast<double>(v) * kScale[decimals]);
    auto n = static_cast<unsigned long long>(std::fabs(scaled));
    if (std::signbit(v)) *out++ = '-';
    char digits[24];
    int k = 0;
    do {
        digits[k++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0 || k <= decimals);
    while (k > decimals) *out++ = digits[--k];
    *out++ = '.';
    while (k > 0) *out++ = digits[--k];
    return out;
}

char* gps_number(char* out, float v) {
    if (!(std::fabs(v) < kFastNumberLimit)) return gps_fixed(out, v, 2);
    const double hundredths = std::nearbyint(static_cast<double>(v) * 100.0);
    auto n = static_cast<unsigned long long>(std::fabs(hundredths));
    if (std::signbit(v)) *out++ = '-';
    const unsigned long long whole = n / 100;
    const auto cents = static_cast<unsigned>(n % 100);
    out = std::to_chars(out, out + 24, whole).ptr;
    *out++ = '.';
    *out++ = static_cast<char>('0' + cents / 10);
    *out++ = static_cast<char>('0' + cents % 10);
    return out;
}

namespace {

void set_paper(const char* word) { gps_paper_size(word, &g.long_side, &g.short_side); }

void apply_parameter(const char* word) {
    if (strcasecmp(word, "port") == 0) {
        g.orient = 1;
    } else if (strcasecmp(word, "land") == 0) {
        g.orient = 0;
    } else if (strcasecmp(word, "eps") == 0) {
        g.eps = 1;
    } else if (strcasecmp(word, "noeps") == 0) {
        g.eps = 0;
    } else if (strcasecmp(word, "color") == 0) {
        g.color = 1;
        gset_inverse(1);
    } else if (strcasecmp(word, "gray") == 0) {
        g.color = 0;
    } else if (strncasecmp(word, "scale", 5) == 0) {
        if (std::strlen(word) > 6) g.scale = std::strtof(word + 6, nullptr);
    } else if (strncasecmp(word, "lwidth", 6) == 0) {
        if (std::strlen(word) > 7) g.base_width = std::trunc(std::strtof(word + 7, nullptr));
    } else {
        set_paper(word);
    }
    if (!(g.scale > 0.0F) || !std::isfinite(g.scale)) g.scale = 1.0F;
    if (!(g.base_width >= 0.0F) || !std::isfinite(g.base_width)) g.base_width = 1.0F;
}

void apply_parameters(const std::vector<std::string>& words) {
    for (const std::string& w : words)
        if (!w.empty()) apply_parameter(w.c_str());
}

void apply_geometry(int area_w, int area_h) {
    const char* geo = RES_get("geometry");
    if (geo == nullptr || *geo == '\0') geo = std::getenv("orvps_geometry");
    if (geo == nullptr || *geo == '\0') geo = std::getenv("PSGEOMETRY");
    gps_place_picture(geo, area_w, area_h, 72, 0);
}

void write_color_reset() { gps_printf(g.color != 0 ? "0 0 0 setrgbcolor\n" : "0 setgray\n"); }

// The procedure definitions and page set-up of the prolog.
void write_definitions() {
    gps_printf("/inch {72 mul} def\n");
    gps_printf("/dot {.33 mul} def\n");
    gps_printf("/mv {moveto} def\n");
    gps_printf("/ln {lineto} def\n");
    gps_printf("/lw {setlinewidth} def\n");
    gps_printf("/np {newpath} def\n");
    gps_printf("/cp {closepath} def\n");
    if (g.orient == 0) {
        gps_printf("90 rotate\n");
        if (g.eps != 0)
            gps_printf("0. inch -%.2f inch translate\n", static_cast<double>(g.short_side));
        else
            gps_printf(".25 inch -%.2f inch translate\n", static_cast<double>(g.short_side - 0.25F));
    } else if (g.eps == 0) {
        gps_printf(".25 inch .25 inch translate\n");
    }
}

// The picture area in points: the long side across the page in landscape,
// up the page in portrait, a quarter inch of margin all round.
void picture_area(int* width, int* height) {
    const int across = static_cast<int>((g.long_side - 0.5F) * kPointsPerInch);
    const int up = static_cast<int>((g.short_side - 0.5F) * kPointsPerInch);
    *width = g.orient != 0 ? up : across;
    *height = g.orient != 0 ? across : up;
}

// Where the picture lands on the page: an encapsulated portrait picture
// starts at the origin, a landscape one is turned and moved up against the
// short side of the paper.
void write_bounding_box() {
    int w = 0, h = 0;
    picture_area(&w, &h);
    const double pw = w * static_cast<double>(g.scale);
    const double ph = h * static_cast<double>(g.scale);
    double box[4] = {0.0, 0.0, pw, ph};
    if (g.orient == 0) {
        const double right = static_cast<double>(g.short_side) * kPointsPerInch;
        box[0] = std::max(0.0, right - ph);
        box[1] = 0.0;
        box[2] = right;
        box[3] = pw;
    }
    gps_printf("%%%%BoundingBox: %d %d %d %d\n", static_cast<int>(std::floor(box[0])),
               static_cast<int>(std::floor(box[1])), static_cast<int>(std::ceil(box[2])),
               static_cast<int>(std::ceil(box[3])));
}

// Paper other than letter is asked of the page device, so that the page
// that shows or prints the picture is the one it was laid out for.
void write_page_size() {
    constexpr float kLetterLong = 11.0F, kLetterShort = 8.5F;
    if (g.long_side == kLetterLong && g.short_side == kLetterShort) return;
    gps_printf("<< /PageSize [%d %d] >> setpagedevice\n",
               static_cast<int>(std::lround(g.short_side * kPointsPerInch)),
               static_cast<int>(std::lround(g.long_side * kPointsPerInch)));
}

void write_scale() {
    if (g.scale != 1.0F)
        gps_printf("%.2f %.2f scale\n", static_cast<double>(g.scale), static_cast<double>(g.scale));
}

// The start of a page: its save object, the definitions and the drawing state.
void write_page_setup() {
    if (g.eps == 0) gps_printf("/saveobj save def\n");
    write_definitions();
    write_color_reset();
    gps_printf("2 setlinejoin\n");
    gps_printf("1 dot lw\n");
    gps_printf("[] 0 setdash\n");
    write_scale();
    gps_printf("%%%%Begin plot\n");
    gps_printf("%%%%ORV Plot: %s\n", comment_text(GPH_get_win_title()).c_str());
}

void write_page_end() {
    gps_printf("%%%%End of plot\n");
    if (g.eps == 0) gps_printf("saveobj restore\n");
    gps_printf("showpage\n");
}

// What a closed file ends with, after the end of its last page.
constexpr std::string_view kDocumentEnd = "end\n%%EOF\n";
constexpr std::string_view kEpsDocumentEnd = "%%EOF\n";

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Opens a file to append a plot to its last page: the file's closing lines
// (one of `closings`) are cut off, and its new close writes them again.
// False, with the file untouched, when the file does not end so.
bool reopen_last_page(GPrintOutput& output, const char* name, std::span<const std::string_view> closings) {
    std::FILE* file = FILE_open(name, "r+");
    if (file == nullptr) return false;
    char buf[64];
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    const long from = std::max(0L, size - static_cast<long>(sizeof buf));
    std::size_t n = 0;
    if (size > 0 && std::fseek(file, from, SEEK_SET) == 0) n = std::fread(buf, 1, sizeof buf, file);
    const std::string_view tail(buf, n);
    std::size_t cut = 0;
    for (const std::string_view closing : closings)
        if (cut == 0 && closing.size() <= sizeof buf && ends_with(tail, closing)) cut = closing.size();
    if (cut == 0 || ::ftruncate(fileno(file), size - static_cast<long>(cut)) != 0 ||
        std::fseek(file, 0, SEEK_END) != 0) {
        FILE_close(file);
        return false;
    }
    output.out = file;
    return true;
}

// The end of a closed file's last page and the file: what an append cuts off.
constexpr std::string_view kPsClosings[] = {"saveobj restore\nshowpage\nend\n%%EOF\n", "showpage\n%%EOF\n"};

// Drawing after a finished frame goes on a new page, with the clip path the
// new page needs.
void ps_clip();
void begin_drawing() {
    if (g.output.out == nullptr || !g.frame_done) return;
    g.frame_done = false;
    write_page_end();
    gps_init();
    write_page_setup();
    ps_clip();
}

// ---- device entries ----

void ps_clip() {
    if (g.output.out == nullptr || g.frame_done) return;
    float r[4];
    gget_clip_rect(r);
    gps_printf("initclip\n");
    gps_printf("np\n");
    gps_printf("%3.2f %3.2f mv\n", static_cast<double>(r[0] - 0.1F), static_cast<double>(r[2] - 0.1F));
    gps_printf("%3.2f %3.2f ln\n", static_cast<double>(r[0] - 0.1F), static_cast<double>(r[3] + 0.1F));
    gps_printf("%3.2f %3.2f ln\n", static_cast<double>(r[1] + 0.1F), static_cast<double>(r[3] + 0.1F));
    gps_printf("%3.2f %3.2f ln\n", static_cast<double>(r[1] + 0.1F), static_cast<double>(r[2] - 0.1F));
    gps_printf("cp\n");
    gps_printf("clip\n");
}

int ps_polyline(int n, const GPoint* pts) {
    begin_drawing();
    const GLineAttr& a = ginq_line_attr();
    put_count("%%PL:", n);
    gps_set_width(a.color, a.width);
    gps_set_color(a.color);
    gps_set_type(a.type);
    put_word("np\n");
    gps_move(pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) gps_line(pts[i].x, pts[i].y);
    put_word("stroke\n");
    return 1;
}

int ps_fill_area(int n, const GPoint* pts) {
    begin_drawing();
    const GFillAttr& a = ginq_fill_attr();
    if (a.int_style != 1) return 0;
    put_count("%%FA:", n);
    put_word("np\n");
    gps_move(pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) gps_line(pts[i].x, pts[i].y);
    put_word("cp\n");
    gps_set_fill_color(a.color);
    put_word("fill\n");
    return 1;
}

void marker_stroke(void* /*user*/, int n, const GPoint* pts) {
    put_word("np\n");
    gps_move_abs(pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) gps_line_abs(pts[i].x, pts[i].y);
    put_word("stroke\n");
}

int ps_polymarker(int n, const GPoint* pts) {
    begin_drawing();
    const GMarkerAttr& a = ginq_marker_attr();
    put_count("%%PM:", n);
    gps_set_width(a.color, a.width);
    gps_set_color(a.color);
    gps_set_type(1);
    const int h = static_cast<int>(10.0F * a.size * 0.72F / 2.0F);
    for (int i = 0; i < n; ++i)
        gmarker_strokes(a.type, xW_ps(pts[i].x), yW_ps(pts[i].y), h, marker_stroke, nullptr);
    return 1;
}

void ps_message(const char* text) { gps_printf("%%%%Message: %s\n", comment_text(text).c_str()); }

void ps_clear_region(const float* rect) {
    begin_drawing();
    gps_printf("np\n");
    gps_move(rect[0], rect[2]);
    gps_line(rect[0], rect[3]);
    gps_line(rect[1], rect[3]);
    gps_line(rect[1], rect[2]);
    gps_printf("cp\n");
    gps_set_fill_color(-1);
    gps_printf("fill\n");
}

void ps_text_begin(float x, float y, const char* string, int shadow) {
    begin_drawing();
    const GTextAttr& a = ginq_text_attr();
    if (g.output.out != nullptr) {
        char buf[128] = "%%TE:";
        char* p = gps_fixed(buf + 5, x, 6);
        *p++ = ' ';
        p = gps_fixed(p, y, 6);
        *p++ = ' ';
        fwrite_unlocked(buf, 1, static_cast<std::size_t>(p - buf), g.output.out);
        const std::string text = comment_text(string);
        fwrite_unlocked(text.data(), 1, text.size(), g.output.out);
        fputc_unlocked('\n', g.output.out);
    }
    gps_set_width(a.color, a.width);
    if (shadow >= 0) {
        gps_printf("0 setgray\n");
        g.cur_gray = 0.0F;
        g.cur_color = -1;
    } else {
        gps_set_color(a.color);
    }
    gps_set_type(1);
    g.shadow_dx = shadow > 0 ? static_cast<float>(shadow) : 0.0F;
    g.shadow_dy = -g.shadow_dx;
    g.path_points = 0;
}

void ps_glyph_begin() {
    put_word("np\n");
    g.path_points = 0;
}

void ps_text_move(float x, float y) {
    if (g.path_points > 0) put_word("stroke\nnp\n");
    g.last_x = xW_ps(x) + g.shadow_dx;
    g.last_y = yW_ps(y) + g.shadow_dy;
    gps_move_abs(g.last_x, g.last_y);
    g.path_points = 1;
}

void ps_text_draw(float x, float y) {
    if (g.path_points > kTextPathMax) {
        put_word("stroke\nnp\n");
        gps_move_abs(g.last_x, g.last_y);
        g.path_points = 1;
    }
    g.last_x = xW_ps(x) + g.shadow_dx;
    g.last_y = yW_ps(y) + g.shadow_dy;
    if (g.path_points == 0)
        gps_move_abs(g.last_x, g.last_y);
    else
        gps_line_abs(g.last_x, g.last_y);
    ++g.path_points;
}

void ps_glyph_end() {
    put_word("stroke\n");
    g.path_points = 0;
}

void ps_text_end() { g.shadow_dx = g.shadow_dy = 0.0F; }

int ps_close(int /*ws*/) { return gps_close_file(); }

void ps_color_rep(int index, float r, float gr, float b) { gps_set_color_rep(index, r, gr, b); }

constexpr GDevice kPsDevice = {
    kWsPostScript, gps_open_ws,    ps_close,       nullptr,         ps_clip,
    nullptr,       ps_color_rep,   ps_polyline,    ps_polymarker,   ps_fill_area,
    ps_message,    ps_clear_region, ps_text_begin, ps_glyph_begin,  ps_text_move,
    ps_text_draw,  ps_glyph_end,   ps_text_end,    nullptr,         nullptr,
};

// A run that ends while a file is open still leaves it complete.
void close_at_exit() {
    if (g.output.out != nullptr) gps_close_file();
}

void close_open_file_at_exit() {
    static const bool registered = std::atexit(close_at_exit) == 0;
    (void)registered;
}

void release_output() {
    if (g.output.out == nullptr) return;
    FILE_close(g.output.out);
    g.output.out = nullptr;
}

}  // namespace

bool gps_paper_size(const char* word, float* long_side, float* short_side) {
    if (strncasecmp(word, "sz", 2) == 0) {
        // "sz=LONGxSHORT" in inches; nonsense sizes are passed over
        float l = 0.0F, s = 0.0F;
        if (std::strlen(word) <= 3 || std::sscanf(word + 3, "%fx%f", &l, &s) != 2 || !(l > 0.5F) || !(s > 0.5F) ||
            !std::isfinite(l) || !std::isfinite(s))
            return false;
        *long_side = l;
        *short_side = s;
        return true;
    }
    for (const PaperSize& p : kPapers) {
        if (strcasecmp(word, p.name) == 0) {
            *long_side = p.long_side;
            *short_side = p.short_side;
            return true;
        }
    }
    return false;
}

std::vector<std::string> gps_split_fields(const char* text) {
    std::vector<std::string> fields;
    if (text == nullptr) return fields;
    const auto trimmed = [](std::string s) {
        const std::size_t b = s.find_first_not_of(" \t\n");
        if (b == std::string::npos) return std::string();
        return s.substr(b, s.find_last_not_of(" \t\n") - b + 1);
    };
    std::string cur;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ',') {
            fields.push_back(trimmed(cur));
            cur.clear();
        } else {
            cur += *p;
        }
    }
    fields.push_back(trimmed(cur));
    return fields;
}

void gps_place_picture(const char* geo, int area_w, int area_h, int units_per_inch, int base) {
    // Hundredths of an inch in whole device units, computed exactly.
    const auto units = [units_per_inch](int v) {
        return static_cast<int>(static_cast<long long>(v) * units_per_inch / 100);
    };
    if (geo == nullptr || *geo == '\0') return;
    int w = area_w, h = area_h, x = 0, y = 0;
    if (geo[0] == 'P' || geo[0] == 'p') {
        float cols = 1, rows = 1, col = 0, row = 0;
        std::sscanf(geo + 1, "%fx%f+%f+%f", &cols, &rows, &col, &row);
        if (cols > 1) {
            cols = std::clamp(cols, 1.0F, 8.0F);
            rows = std::clamp(rows, 1.0F, 8.0F);
            x = static_cast<int>(col / cols * static_cast<float>(area_w));
            y = static_cast<int>((1.0F - (1.0F + row) / rows) * static_cast<float>(area_h));
            w = static_cast<int>(static_cast<float>(area_w) / cols);
            h = static_cast<int>(static_cast<float>(area_h) / rows);
        } else {
            w = static_cast<int>(cols * static_cast<float>(area_w));
            h = static_cast<int>(rows * static_cast<float>(area_h));
            x = static_cast<int>(col * static_cast<float>(area_w));
            y = static_cast<int>(row * static_cast<float>(area_h));
        }
    } else {
        int v[4] = {0, 0, 0, 0};
        const int n = std::sscanf(geo, "%dx%d%d%d", &v[0], &v[1], &v[2], &v[3]);
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
    gset_window_size(w, h);
    gset_window_offset(x + base, y + base);
}

void gps_register() { gregister_device(&kPsDevice); }

std::FILE* gps_open_output(GPrintOutput& output, const char* name, std::span<const std::string_view> closings,
                           const char* announce) {
    output.append = 0;
    if (name == nullptr || *name == '\0') return nullptr;
    const char* shown = name;
    const char* standard = "Creating: %s\n";
    if (name[0] == '|') {
        if (name[1] == '\0') return nullptr;
        output.old_sigpipe = std::signal(SIGPIPE, SIG_IGN);  // a failed spooler must not end the program
        output.out = FILE_open(name, "w");
        output.is_pipe = output.out != nullptr;
        if (output.out == nullptr) std::signal(SIGPIPE, output.old_sigpipe);
        shown = name + 1;
        standard = "Spooling to: %s\n";
    } else if (name[0] == '+') {
        if (name[1] == '\0' || FILE_is_stdio(name + 1)) return nullptr;
        // A file that is not one of the device's, or nothing, gets a page of its own.
        if (FILE_size(name + 1) > 0 && reopen_last_page(output, name + 1, closings)) output.append = 1;
        else output.out = FILE_open(name + 1, "a");
        shown = name + 1;
        standard = "Appending to: %s\n";
    } else {
        output.out = FILE_open(name, "w");
    }
    if (output.out != nullptr) MESS_print(kMessPrint, announce != nullptr ? announce : standard, shown);
    return output.out;
}

int gps_close_output(GPrintOutput& output, const char* function, const char* fail_text) {
    if (output.out == nullptr) return -1;
    const bool write_error = std::fflush(output.out) != 0 || std::ferror(output.out) != 0;
    const int status = FILE_close(output.out);
    output.out = nullptr;
    if (output.is_pipe) std::signal(SIGPIPE, output.old_sigpipe);
    const bool was_pipe = output.is_pipe;
    output.is_pipe = false;
    if (write_error || status != 0) {
        gerr_printf(function, "%s", was_pipe ? "spooling command failed\n" : fail_text);
        return -1;
    }
    return 0;
}

std::FILE* gps_open_file(const char* name) {
    if (g.output.out != nullptr) gps_close_file();
    if (gps_open_output(g.output, name, kPsClosings) == nullptr) return nullptr;
    if (std::getenv("PSCOLOR") != nullptr) g.color = 1;
    close_open_file_at_exit();
    return g.output.out;
}

void gps_init() {
    g.cur_gray = 0.0F;
    g.cur_color = -1;
    g.cur_width = 1.0F;
    g.cur_type = 1.0F;
}

int gps_init_file() {
    if (g.output.out == nullptr) return -1;
    const char* title = GPH_get_win_title();
    if (g.output.append != 0) {
        // The plot goes on the page of the file's last plot.
        write_color_reset();
        gps_printf("1 dot lw\n");
        gps_printf("[] 0 setdash\n");
        gps_printf("%%%%ORV Plot: %s\n", comment_text(title).c_str());
        return 0;
    }
    if (g.eps != 0) {
        gps_printf("%%!PS-Adobe-3.0 EPSF-3.0\n");
        write_bounding_box();
    } else {
        gps_printf("%%!PS-Adobe-1.0\n");
    }
    gps_printf("%%%%Title: ORV Graphics Display: %s\n", comment_text(title).c_str());
    gps_printf("%%%%Creator: ORV Postscript Processor-2.0\n");
    const std::time_t now = std::time(nullptr);
    char date[64];
    ctime_r(&now, date);
    gps_printf("%%%%CreationDate: %s", date);
    gps_printf("%%%%EndComments\n");
    gps_printf("%%%%Postscript initialization\n");
    if (g.eps == 0) write_page_size();
    if (g.eps == 0) gps_printf("30 dict begin\n");
    write_page_setup();
    return 0;
}

void gps_end_frame() {
    if (g.output.out != nullptr) g.frame_done = true;
}

int gps_close_file() {
    if (g.output.out == nullptr) return -1;
    // Every file ends complete, appended ones too: a later append takes the
    // closing lines off again. An encapsulated file has no dictionary or
    // save object to undo.
    write_page_end();
    gps_printf("%s", std::string(g.eps == 0 ? kDocumentEnd : kEpsDocumentEnd).c_str());
    g.frame_done = false;
    if (gps_close_output(g.output, "gps_close_file", "unable to write postscript file\n") != 0) return -1;
    MESS_print(kMessPrint, "Created Postscript file\n");
    return 0;
}

void gps_set_size(float long_side, float short_side) {
    if (long_side > 0.0F && short_side > 0.0F) {
        g.long_side = long_side;
        g.short_side = short_side;
    }
}

void gps_set_EPS(int flag) { g.eps = flag; }
void gps_set_orient(int flag) { g.orient = flag; }
void gps_set_scale(float scale) { g.scale = scale > 0.0F ? scale : 1.0F; }
void gps_set_colorPS(int flag) { g.color = flag; }
int gps_get_colorPS() { return g.color; }
void gps_set_reverse(int flag) { g.reverse = flag; }
void gps_set_base_width(float width) { g.base_width = width >= 0.0F ? width : 1.0F; }

void gps_set_color_rep(int index, float r, float gr, float b) {
    if (!in_gray_table(index) && index != kBackgroundEntry) return;
    float gray = (0.9F * r + gr + 0.8F * b) / 2.7F;
    if (g.reverse != 0) gray = 1.0F - gray;
    g.gray[gray_entry(index)] = gray;
}

float gps_get_gray(int index) {
    if (index >= 500 && index <= 508) return index <= 502 ? 0.0F : (index <= 505 ? 1.0F : 0.7F);
    if (!in_gray_table(index)) return 0.0F;
    return g.gray[gray_entry(index)];
}

void gps_set_color(int index) {
    if (index >= 500 && index <= 502) {
        if (g.cur_gray != 0.0F) gps_printf("0 setgray\n");
        g.cur_gray = 0.0F;
        return;
    }
    if (index >= 503 && index <= 505) {
        if (g.cur_gray != 1.0F) gps_printf("1 setgray\n");
        g.cur_gray = 1.0F;
        return;
    }
    if (index >= 506 && index <= 508) {
        gps_printf(".7 setgray\n");
        g.cur_gray = 0.7F;
        return;
    }
    if (g.color != 0) {
        if (index == g.cur_color && g.cur_gray == -1.0F) return;
        float r = 0, gr = 0, b = 0;
        gget_color_rgb(index, &r, &gr, &b);
        char buf[128];
        char* p = gps_number(buf, r);
        *p++ = ' ';
        p = gps_number(p, gr);
        *p++ = ' ';
        p = gps_number(p, b);
        std::memcpy(p, " setrgbcolor\n", 13);
        if (g.output.out != nullptr) fwrite_unlocked(buf, 1, static_cast<std::size_t>(p + 13 - buf), g.output.out);
        g.cur_color = index;
        g.cur_gray = -1.0F;
        return;
    }
    if (g.cur_gray != 0.0F) gps_printf("0 setgray\n");
    g.cur_gray = 0.0F;
}

void gps_set_fill_color(int index) {
    if (g.color != 0 || (index >= 500 && index <= 508)) {
        gps_set_color(index);
        return;
    }
    if (ginq_fill_attr().print_solid != 0) {
        gps_printf("0 setgray\n");
        g.cur_gray = 0.0F;
        return;
    }
    if (index == -1) {
        if (g.cur_gray != 1.0F) gps_printf("1 setgray\n");
        g.cur_gray = 1.0F;
        return;
    }
    const float gray = gps_get_gray(index);
    if (gray != g.cur_gray) gps_printf("%3.3f setgray\n", static_cast<double>(gray));
    g.cur_gray = gray;
}

void gps_set_width(int index, float width) {
    float remembered = 0.0F;
    if (index == 502 || index == 505 || index == 508) {
        remembered = 4.0F * width;
        if (remembered == g.cur_width) return;
        gps_printf("%d dot lw\n", static_cast<int>(4.0F * g.base_width * width));
    } else if (index == 501 || index == 504 || index == 507) {
        remembered = 2.0F * width;
        if (remembered == g.cur_width) return;
        gps_printf("%d dot lw\n", static_cast<int>(2.0F * g.base_width * width));
    } else {
        const auto bold = static_cast<float>(ginq_line_attr().print_bold);
        remembered = bold * width;
        if (remembered == g.cur_width) return;
        gps_printf("%2.1f dot lw\n", static_cast<double>(bold * width * g.base_width));
    }
    g.cur_width = remembered;
}

void gps_set_type(int type) {
    const auto t = static_cast<float>(type);
    if (t == g.cur_type) return;
    static constexpr const char* kDashes[] = {"[] 0 setdash\n", "[6] 0 setdash\n",
                                              "[3 6] 0 setdash\n", "[6 6 3 6] 0 setdash\n",
                                              "[2] 0 setdash\n"};
    if (type >= 1 && type <= 5) gps_printf("%s", kDashes[type - 1]);
    g.cur_type = t;
}

void gps_move(float x, float y) { put_pair(xW_ps(x), yW_ps(y), "mv"); }
void gps_line(float x, float y) { put_pair(xW_ps(x), yW_ps(y), "ln"); }
void gps_move_abs(float x, float y) { put_pair(x, y, "mv"); }
void gps_line_abs(float x, float y) { put_pair(x, y, "ln"); }

int gps_printf(const char* format, ...) {
    if (g.output.out == nullptr) return 0;
    va_list ap;
    va_start(ap, format);
    const int n = std::vfprintf(g.output.out, format, ap);
    va_end(ap);
    return n;
}

int gps_image(const unsigned char* pixels, int width, int height, int col_offset, int row_offset) {
    if (g.output.out == nullptr || pixels == nullptr || width <= 0 || height <= 0) return -1;
    begin_drawing();
    int vp[4];
    gget_gviewport(vp);
    const int vw = std::max(vp[2], 1), vh = std::max(vp[3], 1);
    gps_printf("gsave\n");
    gps_printf("%d %d translate\n", vp[0], vp[1]);
    gps_printf("%d %d scale\n", vw, vh);
    gps_printf("/picstr %d string def\n", vw);
    gps_printf("%d %d 8 [ %d 0 0 %d 0 %d ]\n", vw, vh, vw, -vh, vh);
    gps_printf("{ currentfile picstr readhexstring pop }\n");
    gps_printf(g.color != 0 ? "false 3 colorimage\n" : "image\n");
    for (int row = 0; row < vh; ++row) {
        const int ir = row + row_offset;
        for (int col = 0; col < vw; ++col) {
            const int ic = col + col_offset;
            const bool inside = ir >= 0 && ir < height && ic >= 0 && ic < width;
            const int index = inside ? pixels[static_cast<std::size_t>(ir) * static_cast<std::size_t>(width) + static_cast<std::size_t>(ic)] : -1;
            if (g.color != 0) {
                int r = 255, gr = 255, b = 255;
                if (inside) gget_color_rgb256(index, &r, &gr, &b);
                gps_printf("%02X%02X%02X", r, gr, b);
            } else {
                gps_printf("%02X", inside ? index : 255);
            }
            if ((col + 1) % 80 == 0 && col + 1 < vw) gps_printf("\n");
        }
        gps_printf("\n");
    }
    gps_printf("grestore\n");
    return 0;
}

int gps_open_ws(int /*ws*/, const char* text) {
    gset_redraw(0);
    gset_cache(0);
    const std::vector<std::string> fields = gps_split_fields(text);
    char name[kPsNameSize] = "";
    if (!fields.empty()) copy_text(name, fields[0].c_str());
    for (const char* env : {"orvps_print", "PSPRINT"}) {
        const char* v = std::getenv(env);
        if (*name == '\0' && v != nullptr) copy_text(name, v);
    }
    if (*name == '\0') copy_text(name, "orv.ps");
    errno = 0;
    if (gps_open_file(name) == nullptr) {
        // A directory that does not exist is not made: say which file failed
        // and why (a name can be longer than the kernel's error texts).
        const int reason = errno;
        if (reason != 0)
            MESS_print(48, "gopen_ws: unable to open postscript file %s: %s\n", name, std::strerror(reason));
        else
            gerr_printf("gopen_ws", "unable to open postscript file\n");
        return -1;
    }
    gps_set_size(11.0F, 8.5F);
    gps_init();
    apply_parameters(gps_split_fields(std::getenv("orvps_param")));
    if (fields.size() > 1) apply_parameters(std::vector<std::string>(fields.begin() + 1, fields.end()));
    int area_w = 0, area_h = 0;
    picture_area(&area_w, &area_h);
    gset_window_size(area_w, area_h);
    gset_window_offset(0, 0);
    gps_init_file();
    apply_geometry(area_w, area_h);
    for (int i = -1; i < kBackgroundEntry; ++i) {
        float r = 0, gr = 0, b = 0;
        gget_color_rgb(i, &r, &gr, &b);
        gps_set_color_rep(i, r, gr, b);
    }
    ginit_plot(2);
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->setup != nullptr) hooks->setup();
    ginit_background();
    return 0;
}

void gps_reset_for_tests() {
    if (g.output.is_pipe) std::signal(SIGPIPE, g.output.old_sigpipe);
    release_output();
    g = PsState{};
}

}  // namespace orv
