#include "gks/gks_tool.hpp"

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

#include <strings.h>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "gks/gif.hpp"
#include "gks/gks_cairo.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_hpgl.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_meta.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_ps.hpp"
#include "gks/gks_x11.hpp"

namespace orv {
namespace {

constexpr int kDeviceSlots = 8;
constexpr std::size_t kErrTextMax = 80;

struct ToolState {
    bool gks_open = false;
    std::FILE* err = nullptr;
    bool err_is_stderr = true;
    bool ws_open = false;
    bool ws_active = false;
    int ws_type = 0;
    const GDevice* device = nullptr;
    std::array<const GDevice*, kDeviceSlots> devices{};
    GTextAttr text;
    const GTextHooks* hooks = nullptr;
};
ToolState g;

void ensure_builtin_devices() {
    if (g.devices[kWsPostScript] == nullptr) gps_register();
    if (g.devices[kWsHpgl] == nullptr) ghpgl_register();
    if (g.devices[kWsWindow] == nullptr) gx11_register();
    if (g.devices[kWsRaster] == nullptr) gcairo_register();
    if (g.devices[kWsMeta] == nullptr) gmeta_register();
}

bool need_open(const char* function) {
    if (g.gks_open && g.ws_open) return true;
    gerr_printf(function, "GKS not opened\n");
    return false;
}

void changed(int code, int n = 0) {
    if (g.device != nullptr && g.device->attribute != nullptr) g.device->attribute(code, n);
}

template <typename T>
void record_value(int code, int value, const T& data) {
    gnew_obj(code, value, sizeof(T), &data);
}

bool negative_or_nan(float v) { return !(v >= 0.0F); }

// A width of 0 on the printer is one dot.
float printer_width(float w) { return (w == 0.0F && g.ws_type == kWsPostScript) ? 1.0F : w; }

}  // namespace

int gopen_gks(const char* err_file, int /*memory*/) {
    if (g.err != nullptr && !g.err_is_stderr) std::fclose(g.err);
    if (err_file == nullptr || *err_file == '\0' || std::strcmp(err_file, "-") == 0) {
        g.err = stderr;
        g.err_is_stderr = true;
    } else {
        g.err = std::fopen(err_file, "w");
        g.err_is_stderr = false;
        if (g.err == nullptr) return 1;
    }
    g.gks_open = true;
    ensure_builtin_devices();
    return 0;
}

int gclose_gks() {
    if (g.err != nullptr && !g.err_is_stderr) std::fclose(g.err);
    g.err = nullptr;
    g.gks_open = false;
    return 0;
}

int gchk_gks() { return g.gks_open ? 1 : 0; }
int gchk_graphics() { return (g.gks_open && g.ws_open) ? 1 : 0; }

int gerr_printf(const char* function, const char* format, ...) {
    if (g.err == nullptr) return 0;
    char text[kErrTextMax + 1];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (g.err_is_stderr) return MESS_print(kMessError, "%s: %s", function, text);
    std::fprintf(g.err, "%s: %s", function, text);
    std::fflush(g.err);
    return 1;
}

void gregister_device(const GDevice* device) {
    if (device != nullptr && device->kind > 0 && device->kind < kDeviceSlots)
        g.devices[static_cast<std::size_t>(device->kind)] = device;
}

const GDevice* gfind_device(int kind) {
    ensure_builtin_devices();
    if (kind <= 0 || kind >= kDeviceSlots) return nullptr;
    return g.devices[static_cast<std::size_t>(kind)];
}

int gopen_ws(int ws, const char* text, int kind) {
    if (!g.gks_open) {
        gerr_printf("gopen_ws", "GKS not opened\n");
        return -1;
    }
    if (g.ws_open) {
        gerr_printf("gopen_ws", "workstation already open\n");
        return -1;
    }
    const char* print = std::getenv("orvprint");
    if (kind == kWsPostScript && print != nullptr && strcasecmp(print, "hpgl") == 0) kind = kWsHpgl;
    const GDevice* d = gfind_device(kind);
    if (d == nullptr || d->open == nullptr) {
        gerr_printf("gopen_ws", "device not available: %d\n", kind);
        return -1;
    }
    g.ws_type = kind;
    g.device = d;
    g.ws_open = true;
    if (d->open(ws, text) != 0) {
        g.ws_open = false;
        g.ws_type = 0;
        g.device = nullptr;
        return -1;
    }
    return 0;
}

int gclose_ws(int ws) {
    if (!g.ws_open) return -1;
    int status = 0;
    if (g.device != nullptr && g.device->close != nullptr) status = g.device->close(ws);
    gobj_keep_frame(0);
    gclear_objs();
    g.ws_open = false;
    g.ws_active = false;
    g.ws_type = 0;
    g.device = nullptr;
    return status;
}

int gactivate_ws(int /*ws*/) {
    if (!g.ws_open) return -1;
    g.ws_active = true;
    return 0;
}

int gdeactivate_ws(int /*ws*/) {
    g.ws_active = false;
    return 0;
}

int gclear_ws(int ws, int flag) {
    if (!g.ws_open) return -1;
    if (g.device != nullptr && g.device->clear != nullptr) g.device->clear(ws, flag);
    gclear_objs();
    return 0;
}

int ginit_plot(int kind) {
    ginit_tran(kind);
    if (kind == 10) return 0;
    greset_line();
    greset_marker();
    greset_fill();
    greset_text();
    return 0;
}

int gget_ws_type() { return g.ws_type; }

int gset_ws_type(int kind) {
    const int old = g.ws_type;
    const GDevice* d = gfind_device(kind);
    g.ws_type = kind;
    g.device = d;
    return old;
}

const GDevice* gget_device() { return g.device; }
int gtype_is_WIN() { return g.ws_type == kWsWindow ? 1 : 0; }
int gtype_is_PIX() { return g.ws_type == kWsPixmap ? 1 : 0; }
int gtype_is_WIN_PIX() { return (g.ws_type == kWsWindow || g.ws_type == kWsPixmap) ? 1 : 0; }
int gtype_is_PS() { return g.ws_type == kWsPostScript ? 1 : 0; }
int gtype_is_HPGL() { return g.ws_type == kWsHpgl ? 1 : 0; }
int gtype_is_META() { return g.ws_type == kWsMeta ? 1 : 0; }

int gset_int_attr(const char* function, int code, int& slot, int value) {
    if (!need_open(function)) return -1;
    if (slot == value) return 0;
    slot = value;
    gnew_obj(code, value, 0, nullptr);
    changed(code);
    return 0;
}

int gset_colr_attr(const char* function, int code, int& slot, int index) {
    if (!need_open(function)) return -1;
    if (!gis_valid_colr(index)) {
        gerr_printf(function, "invalid color index: %d\n", index);
        return -1;
    }
    return gset_int_attr(function, code, slot, index);
}

int gset_float_attr(const char* function, const char* what, int code, float& slot, float value) {
    if (!need_open(function)) return -1;
    if (!(value >= 0.0F) || std::isinf(value)) {
        gerr_printf(function, "invalid %s: %f\n", what, static_cast<double>(value));
        return -1;
    }
    if (slot == value) return 0;
    slot = value;
    gnew_obj(code, 0, sizeof value, &value);
    changed(code);
    return 0;
}

int gcheck_points(const char* function, int n, const GPoint* pts, int min_points) {
    if (!need_open(function)) return -1;
    if (n < min_points || pts == nullptr) {
        gerr_printf(function, "invalid number of points: %d\n", n);
        return -1;
    }
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(pts[i].x) || !std::isfinite(pts[i].y)) {
            gerr_printf(function, "invalid point: %d\n", i + 1);
            return -1;
        }
    }
    return gpts_in_win(n, pts);
}

int gmessage(int level, const char* text) {
    if (text == nullptr) return -1;
    gnew_obj(kObjMessage, level, std::strlen(text) + 1, text);
    if (g.device != nullptr && g.device->message != nullptr) g.device->message(text);
    return 0;
}

int gclear_region(const float* rect) {
    if (!need_open("gclear_region") || rect == nullptr) return -1;
    gnew_obj(kObjClearRegion, 0, 4 * sizeof(float), rect);
    if (g.device != nullptr && g.device->clear_region != nullptr) g.device->clear_region(rect);
    return 0;
}

// ---- text ----

int gtext(float x, float y, const char* string) {
    if (!need_open("gtext")) return -1;
    if (string == nullptr || *string == '\0') return 0;
    if (!std::isfinite(x) || !std::isfinite(y)) {
        gerr_printf("gtext", "invalid point: %d\n", 1);
        return -1;
    }
    const std::size_t len = std::strlen(string);
    auto* rec = static_cast<char*>(gnew_obj(kObjText, 0, 2 * sizeof(float) + len + 1, nullptr));
    if (rec != nullptr) {
        const float pos[2] = {x, y};
        std::memcpy(rec, pos, sizeof pos);
        std::memcpy(rec + sizeof pos, string, len + 1);
    }
    if (g.device != nullptr && g.device->text != nullptr) return g.device->text(x, y, string);
    if (g.hooks != nullptr && g.hooks->draw != nullptr) return g.hooks->draw(string, x, y);
    gtext_begin(x, y, string, -1);
    gtext_end();
    return 0;
}

int gset_text_colr_ind(int index) {
    return gset_colr_attr("gset_text_colr_ind", kObjTextColor, g.text.color, index);
}

int gset_char_ht(float height) {
    if (negative_or_nan(height) || std::isinf(height)) {
        gerr_printf("gset_char_ht", "invalid character height: %f\n", static_cast<double>(height));
        return -1;
    }
    if (height == g.text.height) return 0;
    g.text.height = height;
    record_value(kObjCharHt, 0, height);
    changed(kObjCharHt);
    return 0;
}

int gset_char_up_vec(float x, float y) {
    const float len = std::hypot(x, y);
    if (!std::isfinite(len) || len == 0.0F) {
        gerr_printf("gset_char_up_vec", "invalid up vector: %f %f\n", static_cast<double>(x),
                    static_cast<double>(y));
        return -1;
    }
    const float ux = x / len, uy = y / len;
    if (ux == g.text.up_x && uy == g.text.up_y) return 0;
    g.text.up_x = ux;
    g.text.up_y = uy;
    const float v[2] = {ux, uy};
    gnew_obj(kObjUpVec, 0, sizeof v, v);
    changed(kObjUpVec);
    return 0;
}

int gset_text_align(int horizontal, int vertical) {
    if (horizontal == g.text.align_h && vertical == g.text.align_v) return 0;
    g.text.align_h = horizontal;
    g.text.align_v = vertical;
    const int v[2] = {horizontal, vertical};
    gnew_obj(kObjTextAlign, 0, sizeof v, v);
    changed(kObjTextAlign);
    return 0;
}

int gset_fontprec(int font, int precision) {
    if (font == g.text.font) return 0;
    if (g.hooks != nullptr && g.hooks->select_font != nullptr && g.hooks->select_font(font) < 0)
        return -1;
    g.text.font = font;
    g.text.precision = precision;
    const int v[2] = {font, precision};
    gnew_obj(kObjFont, 0, sizeof v, v);
    changed(kObjFont);
    return 0;
}

namespace {
int set_text_float(const char* function, const char* what, int code, float& slot, float value,
                   bool allow_negative) {
    if ((!allow_negative && negative_or_nan(value)) || !std::isfinite(value)) {
        gerr_printf(function, "invalid %s: %f\n", what, static_cast<double>(value));
        return -1;
    }
    if (value == slot) return 0;
    slot = value;
    record_value(code, 0, value);
    changed(code);
    return 0;
}
}  // namespace

int gset_expan(float factor) {
    return set_text_float("gset_expan", "expansion factor", kObjExpan, g.text.expansion, factor,
                          false);
}

int gset_space(float spacing) {
    return set_text_float("gset_space", "spacing", kObjSpace, g.text.spacing, spacing, true);
}

int gset_char_space(float spacing) {
    return set_text_float("gset_char_space", "character spacing", kObjCharSpace,
                          g.text.char_spacing, spacing, true);
}

int gset_text_width(float width) {
    return set_text_float("gset_text_width", "text width", kObjTextWidth, g.text.width,
                          printer_width(width), false);
}

int gset_font_drop(int n) {
    const int old = g.text.drop;
    g.text.drop = n < 0 ? 0 : n;
    return old;
}

int gget_font_drop() { return g.text.drop; }

void greset_text() {
    const int font = g.text.font;
    const int precision = g.text.precision;
    const int drop = g.text.drop;
    g.text = GTextAttr{};
    g.text.font = font;  // the loaded font stays; gset_fontprec changes it
    g.text.precision = precision;
    g.text.drop = drop;
    g.text.width = printer_width(g.text.width);
}

const GTextAttr& ginq_text_attr() { return g.text; }

void gset_text_hooks(const GTextHooks* hooks) { g.hooks = hooks; }
const GTextHooks* gget_text_hooks() { return g.hooks; }

void gtext_begin(float x, float y, const char* string, int shadow) {
    if (g.device != nullptr && g.device->text_begin != nullptr)
        g.device->text_begin(x, y, string, shadow);
}

void gtext_glyph_begin() {
    if (g.device != nullptr && g.device->glyph_begin != nullptr) g.device->glyph_begin();
}

void gtext_move(float x, float y) {
    if (g.device != nullptr && g.device->text_move != nullptr) g.device->text_move(x, y);
}

void gtext_draw(float x, float y) {
    if (g.device != nullptr && g.device->text_draw != nullptr) g.device->text_draw(x, y);
}

void gtext_glyph_end() {
    if (g.device != nullptr && g.device->glyph_end != nullptr) g.device->glyph_end();
}

void gtext_end() {
    if (g.device != nullptr && g.device->text_end != nullptr) g.device->text_end();
}

void gks_tool_reset_for_tests() {
    if (g.err != nullptr && !g.err_is_stderr) std::fclose(g.err);
    g = ToolState{};
}

void gks_reset_all_for_tests() {
    gks_x11_reset_for_tests();
    gps_reset_for_tests();
    ghpgl_reset_for_tests();
    gmeta_reset_for_tests();
    gks_cairo_reset_for_tests();
    gif_reset_for_tests();
    gks_obj_reset_for_tests();
    gks_tool_reset_for_tests();
    gks_tran_reset_for_tests();
    gks_line_reset_for_tests();
    gks_mark_reset_for_tests();
    gks_fill_reset_for_tests();
    gks_colr_reset_for_tests();
}

}  // namespace orv
