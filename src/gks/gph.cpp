#include "gks/gph.hpp"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/menu.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"

namespace orv {
namespace {

constexpr const char* kDevicePrompt = "Display (D) or Postscript (P): ";
constexpr int kCirclePoints = 37;

struct GphState {
    float xvp = 1.0F, yvp = 1.0F;
    float sizex = 1.0F, sizey = 1.0F, offx = 0.0F, offy = 0.0F;
    char def_font[21] = "";
    bool ws_open = false;
    int type = 0;
    int start_type = 0;
    char prog_name[61] = "";
    char title[61] = "";
    const GphColorHooks* colors = nullptr;
};
GphState g;

bool unset(int v) { return v == kMissing; }
bool unset(float v) { return v == kMissingF; }

int font_index(const char* name) {
    const GTextHooks* hooks = gget_text_hooks();
    if (hooks != nullptr && hooks->font_index != nullptr) return hooks->font_index(name);
    if (name != nullptr && std::isdigit(static_cast<unsigned char>(*name))) return std::atoi(name);
    return 1;
}

int polygon(bool fill, int n, const GPoint* pts) { return fill ? gfill_area(n, pts) : gpolyline(n, pts); }

int box(bool fill, float x0, float y0, float x1, float y1) {
    const GPoint pts[5] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    return polygon(fill, 5, pts);
}

int circle(bool fill, float x, float y, float radius) {
    GPoint pts[kCirclePoints];
    for (int i = 0; i < kCirclePoints; ++i) {
        const double a = i * 10.0 * std::numbers::pi / 180.0;
        pts[i] = GPoint{x + radius * static_cast<float>(std::cos(a)),
                        y + radius * static_cast<float>(std::sin(a))};
    }
    return polygon(fill, kCirclePoints, pts);
}

}  // namespace

int GPH_device_number(const char* name) { return RES_set_device(name); }

int GPH_setup(int* ws, int* type, float* view, float aspect) {
    const char* device_text = nullptr;
    if (RES_get("device") != nullptr) RES_getval("device", &device_text, kResDevice);
    const int flag = FLAG_get(kFlagDevice);
    if (flag >= 1)
        *type = flag;
    else
        *type = FLAG_batch() != 0 ? kWsWindow : 0;
    GPH_set_win_title();
    if (g.colors != nullptr && g.colors->read_table != nullptr) g.colors->read_table(nullptr);
    if (RES_get("draw") != nullptr) RES_getval("draw", nullptr, kResDraw);
    GPH_begin(ws, device_text, type);
    return GPH_reset(*ws, *type, view, aspect);
}

int GPH_begin(int* ws, const char* device_text, int* type) {
    FILE_delete("orvgks.err");
    *ws = 1;
    g.start_type = *type;
    if (*type == 0) {
        char answer[11] = "";
        ORV_prompts(kDevicePrompt, answer, sizeof answer);
        *type = GPH_device_number(answer);
        FLAG_set(kFlagDevice, *type);
    }
    if (!g.ws_open) {
        if (gopen_gks(nullptr) != 0) {
            MESS_print(kMessError, "GPH_begin: Error opening Kernel System\n");
            ORV_exit(4);
        }
        if (gopen_ws(*ws, device_text, *type) != 0) {
            MESS_print(kMessError, "GPH_begin: Error opening workstation\n");
            ORV_exit(4);
        }
        g.ws_open = true;
        gactivate_ws(*ws);
    }
    g.type = *type;
    return 0;
}

int GPH_end(int ws) {
    gdeactivate_ws(ws);
    const int status = gclose_ws(ws);
    gclose_gks();
    FLAG_set(kFlagDevice, g.start_type);
    g.ws_open = false;
    return status;
}

int GPH_reset(int ws, int type, float* view, float aspect) {
    gclear_ws(ws, 1);
    ginq_maxview(ws, &g.xvp, &g.yvp);
    const float whole[4] = {0.0F, g.xvp, 0.0F, g.yvp};
    gset_ws_win(ws, whole);
    gset_vp(1, whole);
    gset_win(1, whole);
    GPH_panel(ws, type, view, aspect);
    if (g.colors != nullptr && g.colors->define_colors != nullptr) g.colors->define_colors();
    GPH_text_font(nullptr);
    return 0;
}

int GPH_panel(int /*ws*/, int /*type*/, float* margins, float aspect) {
    float m[4] = {0.0F, 0.0F, 0.0F, 0.0F};
    if (margins != nullptr) std::memcpy(m, margins, sizeof m);
    const float x0 = (g.sizex * m[0] + g.offx) * g.xvp;
    const float x1 = (g.offx + g.sizex - g.sizex * m[1]) * g.xvp;
    const float y0 = (g.sizey * m[2] + g.offy) * g.yvp;
    const float y1 = (g.offy + g.sizey - g.sizey * m[3]) * g.yvp;
    const float W = x1 - x0, H = y1 - y0;
    float w = aspect, h = 1.0F;
    if (aspect == 0.0F) {
        w = g.sizex * g.xvp;
        h = g.sizey * g.yvp;
    }
    float bw = W, bh = H;
    if (W > 0.0F && H > 0.0F && w > 0.0F && h > 0.0F) {
        if (h / H > w / W)
            bw = w * H / h;
        else
            bh = h * W / w;
    }
    const float cx = (x0 + x1) / 2.0F, cy = (y0 + y1) / 2.0F;
    const float panel[4] = {cx - bw / 2.0F, cx + bw / 2.0F, cy - bh / 2.0F, cy + bh / 2.0F};
    for (int n = 2; n <= 3; ++n) {
        gset_vp(n, panel);
        gset_win(n, panel);
    }
    gset_linetype(1);
    gset_linewidth(0.0F);
    gset_fill_int_style(1);
    gset_marker_width(0.0F);
    gset_text_width(0.0F);
    gset_expan(1.0F);
    if (margins != nullptr) std::memcpy(margins, panel, sizeof panel);
    return 0;
}

int GPH_set_view_size(float sizex, float sizey, float offx, float offy) {
    g.sizex = sizex;
    g.sizey = sizey;
    g.offx = offx;
    g.offy = offy;
    return 0;
}

int GPH_get_view_size(float* rect) {
    rect[0] = g.offx * g.xvp;
    rect[1] = (g.offx + g.sizex) * g.xvp;
    rect[2] = g.offy * g.yvp;
    rect[3] = (g.offy + g.sizey) * g.yvp;
    return 0;
}

float GPH_get_vert_win_size() { return g.yvp; }

int GPH_device_prompt(int* type) {
    if (*type != 0) return *type;
    MESS_print(kMessPrint, "%s", kDevicePrompt);
    char word[11] = "";
    *type = (std::scanf("%10s", word) == 1 && (word[0] == 'P' || word[0] == 'p')) ? kWsPostScript
                                                                                   : kWsWindow;
    return *type;
}

int gdevice_setup(const char* text, char* rest, int rest_size) {
    if (rest != nullptr && rest_size > 0) *rest = '\0';
    if (text == nullptr) return GPH_device_number("");
    const char* comma = std::strchr(text, ',');
    if (comma != nullptr && rest != nullptr && rest_size > 0) {
        // The rest is one word, as a scanf "%s" reads it.
        const char* start = comma + 1;
        while (*start == ' ' || *start == '\t' || *start == '\n') ++start;
        std::size_t len = std::strcspn(start, " \t\n");
        len = std::min(len, static_cast<std::size_t>(rest_size - 1));
        std::memcpy(rest, start, len);
        rest[len] = '\0';
    }
    return GPH_device_number(text);
}

int GPH_set_win_title() {
    const char* name = RES_get("name");
    char own[31] = "";
    if (name == nullptr || *name == '\0') name = RES_get_progname(own, sizeof own);
    copy_text(g.prog_name, name);
    const char* title = RES_get("title");
    if (title == nullptr || *title == '\0') {
        title = RES_get("name");
        if (title != nullptr && *title == '+') ++title;
    }
    if (title == nullptr || *title == '\0') title = g.prog_name;
    copy_text(g.title, title);
    return 0;
}

const char* GPH_get_win_title() { return g.title; }

int GPH_trans(int n) { return gsel_norm_tran(n); }
int GPH_view(int n, const float* rect) { return gset_vp(n, rect); }
int GPH_win(int n, const float* rect) { return gset_win(n, rect); }

int GPH_get_view(int n, float* rect) {
    float all[8];
    int status = 0;
    if (ginq_norm_tran(n, &status, all) != 0) return -1;
    std::memcpy(rect, all + 4, 4 * sizeof(float));
    return 0;
}

int GPH_get_win(int n, float* rect) {
    float all[8];
    int status = 0;
    if (ginq_norm_tran(n, &status, all) != 0) return -1;
    std::memcpy(rect, all, 4 * sizeof(float));
    return 0;
}

int GPH_print_view(const float* rect) {
    MESS_print(kMessPrint, "%5.2f %5.2f %5.2f %5.2f\n", static_cast<double>(rect[0]),
               static_cast<double>(rect[1]), static_cast<double>(rect[2]),
               static_cast<double>(rect[3]));
    return 0;
}

int GPH_hold(int mode) {
    const GDevice* d = gget_device();
    return (d != nullptr && d->hold != nullptr) ? d->hold(mode) : 0;
}

int GPH_set_color(int index, float r, float gr, float b) { return gset_colr_rep(1, index, r, gr, b); }

int GPH_line_attr(const AttribRecord* attr) {
    if (attr == nullptr) {
        gset_linetype(1);
        gset_linewidth(0.0F);
        return 0;
    }
    if (attr->color >= 0 && !unset(attr->color)) gset_line_colr_ind(attr->color);
    if (!unset(attr->style)) gset_linetype(attr->style);
    if (!unset(attr->width)) gset_linewidth(attr->width);
    return 0;
}

int GPH_fill_attr(const AttribRecord* attr) {
    if (attr == nullptr) {
        gset_fill_int_style(1);
        return 0;
    }
    if (attr->color >= 0 && !unset(attr->color)) gset_fill_colr_ind(attr->color);
    if (attr->fill == 0) {
        gset_fill_int_style(1);
    } else if (!unset(attr->fill)) {
        gset_fill_int_style(2);
        gset_fill_style_ind(attr->fill);
    }
    return 0;
}

int GPH_mark_attr(const AttribRecord* attr, float size) {
    if (attr == nullptr) {
        if (size > 0.0F) gset_marker_size(size);
        gset_marker_width(0.0F);
        return 0;
    }
    if (attr->color >= 0 && !unset(attr->color)) gset_marker_colr_ind(attr->color);
    if (!unset(attr->style)) gset_marker_type(attr->style);
    if (!unset(attr->height))
        gset_marker_size(attr->height * size);
    else if (size > 0.0F)
        gset_marker_size(size);
    if (!unset(attr->width)) gset_marker_width(attr->width);
    return 0;
}

int GPH_text_attr(const AttribRecord* attr, float height) {
    if (attr == nullptr) {
        gset_text_width(0.0F);
        gset_expan(1.0F);
        return -1;
    }
    if (attr->color >= 0 && !unset(attr->color)) gset_text_colr_ind(attr->color);
    if (!unset(attr->height))
        gset_char_ht(attr->height * height);
    else
        gset_char_ht(height);
    if (!unset(attr->width)) gset_text_width(attr->width);
    if (!unset(attr->expansion)) gset_expan(attr->expansion);
    if (!unset(attr->font)) gset_fontprec(attr->font, 2);
    gset_space(0.25F);
    return 0;
}

int GPH_text_font(const char* name) {
    return gset_fontprec(font_index(name != nullptr ? name : g.def_font), 2);
}

int GPH_set_def_font(const char* name) {
    copy_text(g.def_font, name);
    return 0;
}

int GPH_text_align(int horizontal, int vertical) { return gset_text_align(horizontal, vertical); }

int GPH_get_text_align(int* horizontal, int* vertical) {
    *horizontal = ginq_text_attr().align_h;
    *vertical = ginq_text_attr().align_v;
    return 0;
}

int GPH_text_rotate(float angle) {
    const double a = static_cast<double>(angle) * std::numbers::pi / 180.0;
    return gset_char_up_vec(static_cast<float>(std::sin(a)), static_cast<float>(std::cos(a)));
}

int GPH_line(float x1, float y1, float x2, float y2) {
    const GPoint pts[2] = {{x1, y1}, {x2, y2}};
    return gpolyline(2, pts);
}

int GPH_mark(float x, float y) {
    const GPoint p{x, y};
    return gpolymarker(1, &p);
}

int GPH_rect(float x0, float y0, float x1, float y1) { return box(false, x0, y0, x1, y1); }
int GPH_frect(float x0, float y0, float x1, float y1) { return box(true, x0, y0, x1, y1); }
int GPH_border(const float* rect) { return box(false, rect[0], rect[2], rect[1], rect[3]); }
int GPH_circle(float x, float y, float radius) { return circle(false, x, y, radius); }
int GPH_fcircle(float x, float y, float radius) { return circle(true, x, y, radius); }

int GPH_pprint(const float* position, const char* text) { return gtext(position[0], position[1], text); }

int GPH_pprintf(const float* position, const char* format, ...) {
    char text[61];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    return gtext(position[0], position[1], text);
}

int GPH_printf(const char* format, double x, double y, ...) {
    char text[101];
    va_list ap;
    va_start(ap, y);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    return gtext(static_cast<float>(x), static_cast<float>(y), text);
}

void GPH_set_color_hooks(const GphColorHooks* hooks) { g.colors = hooks; }

void GPH_reset_for_tests() {
    const GphColorHooks* colors = g.colors;
    g = GphState{};
    g.colors = colors;
}

}  // namespace orv
