#include "gks/gks_hpgl.hpp"

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <strings.h>

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
#include "gks/gks_ps.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

constexpr float kUnitsPerInch = 1015.0F;
constexpr int kPictureOffset = 10;
constexpr int kPoints = 10;      // points on one line of output
constexpr int kTextPathMax = 29;  // text strokes are broken after so many points
constexpr int kPens = 256;        // pen 0 is white, pen 1 black; colours take the others

// What a closed file ends with: an append takes it off and the close
// writes it again, so the plot joins the file's last page.
constexpr std::string_view kClosings[] = {"SP;PG;\n\033%0A\033E", "SP;PG;\n"};

enum Screen { kScreenSolid, kScreenWhite, kScreenGray };
constexpr const char* kScreenText[] = {"SV;\n", "SV1,0;\n", "SV1,30;\n"};

struct Rgb {
    int r = -1, g = -1, b = -1;
    bool operator==(const Rgb&) const = default;
};

struct HpglState {
    GPrintOutput output;
    int pcl = 1;
    int rotate = 0;
    float base_width = 0.2F;
    int color = 0;
    int reverse = 0;
    float long_side = 11.0F;
    float short_side = 8.5F;
    float cur_width = 1.0F;
    float cur_type = 1.0F;
    Screen screen = kScreenSolid;
    std::string fill;  // the last fill type written
    int pen = 1;
    int pen_count = 2;
    std::array<Rgb, kPens> pens{};
    bool frame_done = false;
    // text strokes
    int path_points = 0;
    float last_x = 0.0F, last_y = 0.0F;
    float shadow_dx = 0.0F, shadow_dy = 0.0F;
};
HpglState g;

bool is_print_color(int index) { return index >= 500 && index <= 508; }

// The gray level of a colour as the printer devices see it (0 black, 1 white).
float gray_of(int index) {
    if (is_print_color(index)) return index <= 502 ? 0.0F : (index <= 505 ? 1.0F : 0.7F);
    float r = 0, gr = 0, b = 0;
    gget_color_rgb(index, &r, &gr, &b);
    const float gray = (0.9F * r + gr + 0.8F * b) / 2.7F;
    return g.reverse != 0 ? 1.0F - gray : gray;
}

void select_pen(int pen) {
    if (pen == g.pen) return;
    ghpgl_printf("SP%d;\n", pen);
    g.pen = pen;
}

void select_screen(Screen screen) {
    if (screen == g.screen) return;
    ghpgl_printf("%s", kScreenText[screen]);
    g.screen = screen;
}

// The pen that draws a colour: one pen per distinct colour, defined when
// first used. When every pen is taken the nearest one draws.
int pen_of(int index) {
    Rgb c;
    gget_color_rgb256(index, &c.r, &c.g, &c.b);
    int nearest = 1, distance = 3 * 256;
    for (int p = 2; p < g.pen_count; ++p) {
        const Rgb& q = g.pens[static_cast<std::size_t>(p)];
        if (q == c) return p;
        const int d = std::abs(q.r - c.r) + std::abs(q.g - c.g) + std::abs(q.b - c.b);
        if (d < distance) {
            distance = d;
            nearest = p;
        }
    }
    if (g.pen_count >= kPens) return nearest;
    const int pen = g.pen_count++;
    g.pens[static_cast<std::size_t>(pen)] = c;
    ghpgl_printf("PC%d,%d,%d,%d;\n", pen, c.r, c.g, c.b);
    return pen;
}

void put_point(const char* op, float x, float y) {
    ghpgl_printf("%s%.0f,%.0f;", op, static_cast<double>(x), static_cast<double>(y));
}

// Moves to the first point and draws to the others, ten points to a line.
void write_path(int n, const GPoint* pts, const char* after_move) {
    ghpgl_move(pts[0].x, pts[0].y);
    ghpgl_printf("%s", after_move);
    for (int k = 1; k < n; ++k) {
        ghpgl_line(pts[k].x, pts[k].y);
        if ((k + 1) % kPoints == 0 && k + 1 < n) ghpgl_printf("\n");
    }
}

// The plot is turned a quarter when PCL mode 2 or the rotation says so:
// its picture area is then upright.
bool turned() {
    const int r = g.rotate != 0 ? g.rotate : (g.pcl == 2 ? 90 : 0);
    return r == 90 || r == 270;
}

void apply_parameter(const char* word) {
    const std::size_t len = std::strlen(word);
    if (strcasecmp(word, "pcl") == 0) {
        g.pcl = 1;
    } else if (strcasecmp(word, "nopcl") == 0) {
        g.pcl = 0;
    } else if (strcasecmp(word, "lj") == 0) {
        g.pcl = 2;
    } else if (strcasecmp(word, "port") == 0) {
        g.rotate = 0;
    } else if (strcasecmp(word, "land") == 0) {
        g.rotate = 90;
    } else if (strcasecmp(word, "color") == 0) {
        g.color = 1;
        gset_inverse(1);
    } else if (strcasecmp(word, "gray") == 0) {
        g.color = 0;
    } else if (strncasecmp(word, "rot", 3) == 0) {
        const int r = len > 4 ? std::atoi(word + 4) : -1;
        if (r == 0 || r == 90 || r == 180 || r == 270) g.rotate = r;
    } else if (strncasecmp(word, "lwidth", 6) == 0) {
        const float w = len > 7 ? std::strtof(word + 7, nullptr) : -1.0F;
        if (w >= 0.0F && std::isfinite(w)) g.base_width = w;
    } else if (strncasecmp(word, "roll", 4) == 0) {
        const float l = len > 5 ? std::strtof(word + 5, nullptr) : 0.0F;
        if (l > 0.5F && std::isfinite(l)) g.long_side = l;
    } else {
        gps_paper_size(word, &g.long_side, &g.short_side);
    }
}

void apply_parameters(const std::vector<std::string>& words, std::size_t from) {
    for (std::size_t i = from; i < words.size(); ++i)
        if (!words[i].empty()) apply_parameter(words[i].c_str());
}

// The pen set-up that starts every plot and page.
void write_pen_setup() {
    if (g.color != 0) ghpgl_printf("NP%d;\n", kPens);
    ghpgl_printf("PW%.1f;SV;LT;\n", static_cast<double>(g.base_width));
}

// Drawing after a finished frame goes on a new page, with the clip window
// the new page needs.
void hpgl_clip();
void begin_drawing() {
    if (g.output.out == nullptr || !g.frame_done) return;
    ghpgl_printf("PG;SP1;\n");
    // A reader may start a page with its own pens: the page defines its pens
    // and pen state again.
    ghpgl_init();
    write_pen_setup();
    hpgl_clip();
}

// ---- device entries ----

void hpgl_clip() {
    if (g.output.out == nullptr || g.frame_done) return;
    float r[4];
    gget_clip_rect(r);
    ghpgl_printf("IW %.0f,%.0f,%.0f,%.0f;\n", static_cast<double>(r[0] - 0.1F), static_cast<double>(r[2] - 0.1F),
                 static_cast<double>(r[1] + 0.1F), static_cast<double>(r[3] + 0.1F));
}

int hpgl_polyline(int n, const GPoint* pts) {
    begin_drawing();
    const GLineAttr& a = ginq_line_attr();
    ghpgl_set_width(a.color, a.width);
    ghpgl_set_color(a.color);
    ghpgl_set_type(a.type);
    write_path(n, pts, "");
    ghpgl_printf("\n");
    return 1;
}

int hpgl_fill_area(int n, const GPoint* pts) {
    begin_drawing();
    const GFillAttr& a = ginq_fill_attr();
    if (a.int_style != 1) return 0;
    ghpgl_set_fill_color(a.color);
    write_path(n, pts, "PM0;");
    ghpgl_printf("PM1;PM2;FP;\n");
    return 1;
}

void marker_stroke(void* /*user*/, int n, const GPoint* pts) {
    ghpgl_move_abs(pts[0].x, pts[0].y);
    for (int i = 1; i < n; ++i) ghpgl_line_abs(pts[i].x, pts[i].y);
    ghpgl_printf("\n");
}

int hpgl_polymarker(int n, const GPoint* pts) {
    begin_drawing();
    const GMarkerAttr& a = ginq_marker_attr();
    ghpgl_set_width(a.color, a.width);
    ghpgl_set_color(a.color);
    ghpgl_set_type(1);
    const int h = static_cast<int>(10.0F * a.size * 10.15F / 2.0F);
    for (int i = 0; i < n; ++i) gmarker_strokes(a.type, xW_ps(pts[i].x), yW_ps(pts[i].y), h, marker_stroke, nullptr);
    return 1;
}

void hpgl_clear_region(const float* rect) {
    begin_drawing();
    const GPoint pts[4] = {{rect[0], rect[2]}, {rect[0], rect[3]}, {rect[1], rect[3]}, {rect[1], rect[2]}};
    ghpgl_set_fill_color(-1);
    write_path(4, pts, "PM0;");
    ghpgl_printf("PM1;PM2;FP;\n");
}

void hpgl_text_begin(float /*x*/, float /*y*/, const char* /*string*/, int shadow) {
    begin_drawing();
    const GTextAttr& a = ginq_text_attr();
    ghpgl_set_width(a.color, a.width);
    if (shadow >= 0) {
        select_pen(1);
        select_screen(kScreenSolid);
    } else {
        ghpgl_set_color(a.color);
    }
    ghpgl_set_type(1);
    g.shadow_dx = shadow > 0 ? static_cast<float>(shadow) : 0.0F;
    g.shadow_dy = -g.shadow_dx;
    g.path_points = 0;
}

void hpgl_glyph_begin() { g.path_points = 0; }

void hpgl_text_move(float x, float y) {
    if (g.path_points > 0) ghpgl_printf("\n");
    g.last_x = xW_ps(x) + g.shadow_dx;
    g.last_y = yW_ps(y) + g.shadow_dy;
    ghpgl_move_abs(g.last_x, g.last_y);
    g.path_points = 1;
}

void hpgl_text_draw(float x, float y) {
    if (g.path_points > kTextPathMax) {
        ghpgl_printf("\n");
        g.path_points = 1;
    }
    g.last_x = xW_ps(x) + g.shadow_dx;
    g.last_y = yW_ps(y) + g.shadow_dy;
    if (g.path_points == 0)
        ghpgl_move_abs(g.last_x, g.last_y);
    else
        ghpgl_line_abs(g.last_x, g.last_y);
    ++g.path_points;
}

void hpgl_glyph_end() {
    if (g.path_points > 0) ghpgl_printf("\n");
    g.path_points = 0;
}

void hpgl_text_end() { g.shadow_dx = g.shadow_dy = 0.0F; }

int hpgl_close(int /*ws*/) { return ghpgl_close_file(); }

constexpr GDevice kHpglDevice = {
    kWsHpgl,        ghpgl_open_ws,     hpgl_close,      nullptr,         hpgl_clip,
    nullptr,        nullptr,           hpgl_polyline,   hpgl_polymarker, hpgl_fill_area,
    nullptr,        hpgl_clear_region, hpgl_text_begin, hpgl_glyph_begin, hpgl_text_move,
    hpgl_text_draw, hpgl_glyph_end,    hpgl_text_end,   nullptr,         nullptr,
};

// A run that ends while a file is open still leaves it complete.
void close_at_exit() {
    if (g.output.out != nullptr) ghpgl_close_file();
}

void close_open_file_at_exit() {
    static const bool registered = std::atexit(close_at_exit) == 0;
    (void)registered;
}

}  // namespace

void ghpgl_register() { gregister_device(&kHpglDevice); }

std::FILE* ghpgl_open_file(const char* name) {
    if (g.output.out != nullptr) ghpgl_close_file();
    if (gps_open_output(g.output, name, kClosings) == nullptr) return nullptr;
    if (std::getenv("PSCOLOR") != nullptr) g.color = 1;
    close_open_file_at_exit();
    return g.output.out;
}

void ghpgl_init() {
    g.cur_width = 1.0F;
    g.cur_type = 1.0F;
    g.screen = kScreenSolid;
    g.fill.clear();
    g.pen = 1;
    g.pen_count = 2;
    g.frame_done = false;
}

int ghpgl_init_file() {
    if (g.output.out == nullptr) return -1;
    if (g.output.append == 0) {
        if (g.pcl != 0) ghpgl_printf("\033E\033%%1B\033&l1O\n");
        ghpgl_printf("IN;SP1;PA;\n");
        if (g.pcl == 2) ghpgl_printf("RO90;\n");
        if (g.rotate != 0) ghpgl_printf("RO%d;\n", g.rotate);
    } else {
        ghpgl_printf("SP1;\n");
    }
    write_pen_setup();
    return 0;
}

void ghpgl_end_frame() {
    if (g.output.out != nullptr) g.frame_done = true;
}

int ghpgl_close_file() {
    if (g.output.out == nullptr) return -1;
    // Every file ends complete, appended ones too: a later append takes the
    // closing lines off again.
    ghpgl_printf("SP;PG;\n");
    if (g.pcl != 0) ghpgl_printf("\033%%0A\033E");
    g.frame_done = false;
    if (gps_close_output(g.output, "ghpgl_close_file", "unable to write HPGL file\n") != 0) return -1;
    MESS_print(kMessPrint, "Created HPGL file\n");
    return 0;
}

void ghpgl_set_pcl(int mode) { g.pcl = mode >= 0 && mode <= 2 ? mode : 1; }

void ghpgl_set_rotate(int degrees) {
    if (degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270) g.rotate = degrees;
}

void ghpgl_set_base_width(float width) { g.base_width = width >= 0.0F && std::isfinite(width) ? width : 0.2F; }
void ghpgl_set_colorPS(int flag) { g.color = flag; }
void ghpgl_set_reverse(int flag) { g.reverse = flag; }

void ghpgl_set_color(int index) {
    if (is_print_color(index)) {
        select_pen(1);
        select_screen(index <= 502 ? kScreenSolid : (index <= 505 ? kScreenWhite : kScreenGray));
        return;
    }
    if (g.color != 0) select_pen(pen_of(index));
    select_screen(kScreenSolid);
}

void ghpgl_set_fill_color(int index) {
    std::string fill = "FT1;\n";
    if (g.color != 0 && !is_print_color(index)) {
        select_pen(pen_of(index));
    } else {
        select_pen(1);
        if (ginq_fill_attr().print_solid == 0) {
            char text[32];
            const float shade = index == -1 ? 0.0F : 100.0F - 100.0F * gray_of(index);
            std::snprintf(text, sizeof text, "FT10,%.0f;\n", static_cast<double>(shade));
            fill = text;
        }
    }
    if (fill == g.fill) return;
    ghpgl_printf("%s", fill.c_str());
    g.fill = fill;
}

void ghpgl_set_width(int index, float width) {
    if (width == 0.0F) width = 1.0F;
    float factor = static_cast<float>(ginq_line_attr().print_bold);
    if (index == 501 || index == 504 || index == 507) factor = 2.0F;
    if (index == 502 || index == 505 || index == 508) factor = 4.0F;
    const float remembered = factor * width;
    if (remembered == g.cur_width) return;
    ghpgl_printf("PW%.1f;\n", static_cast<double>(remembered * g.base_width));
    g.cur_width = remembered;
}

void ghpgl_set_type(int type) {
    const auto t = static_cast<float>(type);
    if (t == g.cur_type) return;
    static constexpr const char* kTypes[] = {"LT;\n", "LT2,5,1;\n", "LT5,8,1;\n", "LT6,10,1;\n", "LT2,1,1;\n"};
    if (type >= 1 && type <= 5) ghpgl_printf("%s", kTypes[type - 1]);
    g.cur_type = t;
}

void ghpgl_move(float x, float y) { put_point("PU", xW_ps(x), yW_ps(y)); }
void ghpgl_line(float x, float y) { put_point("PD", xW_ps(x), yW_ps(y)); }
void ghpgl_move_abs(float x, float y) { put_point("PU", x, y); }
void ghpgl_line_abs(float x, float y) { put_point("PD", x, y); }

int ghpgl_printf(const char* format, ...) {
    if (g.output.out == nullptr) return 0;
    va_list ap;
    va_start(ap, format);
    const int n = std::vfprintf(g.output.out, format, ap);
    va_end(ap);
    return n;
}

int ghpgl_open_ws(int /*ws*/, const char* text) {
    gset_redraw(0);
    gset_cache(0);
    const std::vector<std::string> fields = gps_split_fields(text);
    char name[kFileNameSize] = "";
    if (!fields.empty()) copy_text(name, fields[0].c_str());
    const char* env_name = std::getenv("orvhp_out");
    if (*name == '\0' && env_name != nullptr) copy_text(name, env_name);
    if (*name == '\0') copy_text(name, "orv.hpgl");
    errno = 0;
    if (ghpgl_open_file(name) == nullptr) {
        const int reason = errno;
        if (reason != 0)
            MESS_print(kMessError, "gopen_ws: unable to open HPGL file %s: %s\n", name, std::strerror(reason));
        else
            gerr_printf("gopen_ws", "unable to open HPGL file\n");
        return -1;
    }
    // The words of each open start from the defaults; colour and reverse
    // may have been chosen before by the plot's parameters.
    g.pcl = 1;
    g.rotate = 0;
    g.base_width = 0.2F;
    g.long_side = 11.0F;
    g.short_side = 8.5F;
    ghpgl_init();
    apply_parameters(gps_split_fields(std::getenv("orvhp_param")), 0);
    apply_parameters(fields, 1);
    int area_w = static_cast<int>((g.long_side - 0.5F) * kUnitsPerInch);
    int area_h = static_cast<int>((g.short_side - 0.5F) * kUnitsPerInch);
    if (turned()) std::swap(area_w, area_h);
    gset_window_size(area_w, area_h);
    gset_window_offset(kPictureOffset, kPictureOffset);
    ghpgl_init_file();
    const char* geo = RES_get("geometry");
    if (geo == nullptr || *geo == '\0') geo = std::getenv("orvhp_geometry");
    gps_place_picture(geo, area_w, area_h, static_cast<int>(kUnitsPerInch), kPictureOffset);
    ginit_plot(3);
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->setup != nullptr) hooks->setup();
    ginit_background();
    return 0;
}

void ghpgl_reset_for_tests() {
    if (g.output.is_pipe) std::signal(SIGPIPE, g.output.old_sigpipe);
    if (g.output.out != nullptr) FILE_close(g.output.out);
    g = HpglState{};
}

}  // namespace orv
