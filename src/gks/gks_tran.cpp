#include "gks/gks_tran.hpp"

#include <algorithm>
#include <cmath>

#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

// A rectangle held as corners and extent.
struct Rect6 {
    float x0 = 0.0F, y0 = 0.0F, x1 = 1.0F, y1 = 1.0F, w = 1.0F, h = 1.0F;
};

Rect6 rect_from(const float* r) {
    return Rect6{r[0], r[2], r[1], r[3], r[1] - r[0], r[3] - r[2]};
}

void rect_to(const Rect6& r, float* out) {
    out[0] = r.x0;
    out[1] = r.x1;
    out[2] = r.y0;
    out[3] = r.y1;
}

struct TranState {
    Rect6 wn[kMaxNormTran + 1];
    Rect6 vp[kMaxNormTran + 1];
    int cur_trans = 0;
    Rect6 cur_wn;
    Rect6 cur_vp;
    float sx = 1.0F, sy = 1.0F;  // world to NDC
    Rect6 wkwn;
    Rect6 wkvp{0.0F, 0.0F, 639.0F, 511.0F, 639.0F, 511.0F};
    Rect6 plt{0.0F, 0.0F, 511.0F, 511.0F, 511.0F, 511.0F};
    float dsx = 511.0F, dsy = 511.0F;  // NDC to device
    int win_width = 640, win_height = 512;
    int win_x = 0, win_y = 0;
    int clip[4] = {0, 0, 640, 512};  // X11 clip: x, y, width, height
};
TranState g;

constexpr float kPixelLimit = 30000.0F;
constexpr float kPrinterLimit = 100000.0F;

float clamp_to(float v, float limit) {
    if (std::isnan(v)) return 0.0F;
    return std::clamp(v, -limit, limit);
}

bool valid_tran(const char* function, int n) {
    if (n >= 0 && n <= kMaxNormTran) return true;
    gerr_printf(function, "invalid transformation number: %d\n", n);
    return false;
}

// A usable rectangle has finite corners and a non-zero extent.
bool valid_rect(const char* function, const float* r) {
    if (r != nullptr && std::isfinite(r[0]) && std::isfinite(r[1]) && std::isfinite(r[2]) &&
        std::isfinite(r[3]) && r[0] != r[1] && r[2] != r[3])
        return true;
    gerr_printf(function, "invalid rectangle\n");
    return false;
}

void world_scale() {
    g.sx = g.cur_vp.w / g.cur_wn.w;
    g.sy = g.cur_vp.h / g.cur_wn.h;
}

void device_scale() {
    const float sx = g.wkvp.w / g.wkwn.w;
    const float sy = g.wkvp.h / g.wkwn.h;
    float w = g.wkvp.w;
    float h = g.wkvp.h;
    if (sx > sy)
        w = g.wkwn.w * g.wkvp.h / g.wkwn.h;
    else
        h = g.wkvp.w * g.wkwn.h / g.wkwn.w;
    const float x0 = g.wkvp.x0 + static_cast<float>(g.win_x);
    const float y0 = g.wkvp.y0 + static_cast<float>(g.win_y);
    g.plt = Rect6{x0, y0, x0 + w, y0 + h, w, h};
    g.dsx = w / g.wkwn.w;
    g.dsy = h / g.wkwn.h;
}

void record_rect(int code, int n, const float* rect) { gnew_obj(code, n, 4 * sizeof(float), rect); }

void notify_device(int code, int n) {
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(code, n);
}

}  // namespace

void gupdate_clip() {
    g.clip[0] = static_cast<int>(xNDC_p(g.cur_vp.x0) + 0.5F);
    g.clip[2] = static_cast<int>(xNDC_p(g.cur_vp.x1) - static_cast<float>(g.clip[0]) + 1.5F);
    g.clip[1] = static_cast<int>(yNDC_p(g.cur_vp.y1) + 0.5F);
    g.clip[3] = static_cast<int>(yNDC_p(g.cur_vp.y0) - static_cast<float>(g.clip[1]) + 1.5F);
    const GDevice* d = gget_device();
    if (d != nullptr && d->update_clip != nullptr) d->update_clip();
}

void gget_clip_rect(float* out4) {
    out4[0] = xNDC_ps(g.cur_vp.x0);
    out4[1] = xNDC_ps(g.cur_vp.x1);
    out4[2] = yNDC_ps(g.cur_vp.y0);
    out4[3] = yNDC_ps(g.cur_vp.y1);
}

void gget_plt_rect(float* out4) { rect_to(g.plt, out4); }
void gget_ws_win(float* out4) { rect_to(g.wkwn, out4); }
void gget_ws_vp(float* out4) { rect_to(g.wkvp, out4); }

int gset_win(int n, const float* rect) {
    if (!valid_tran("gset_win", n) || !valid_rect("gset_win", rect)) return -1;
    g.wn[n] = rect_from(rect);
    record_rect(kObjWin, n, rect);
    notify_device(kObjWin, n);
    if (n == g.cur_trans) {
        g.cur_wn = g.wn[n];
        world_scale();
    }
    return 0;
}

int gset_vp(int n, const float* rect) {
    if (!valid_tran("gset_vp", n) || !valid_rect("gset_vp", rect)) return -1;
    g.vp[n] = rect_from(rect);
    record_rect(kObjVp, n, rect);
    notify_device(kObjVp, n);
    if (n == g.cur_trans) {
        g.cur_vp = g.vp[n];
        world_scale();
        gupdate_clip();
    }
    return 0;
}

int gsel_norm_tran(int n) {
    if (!valid_tran("gsel_norm_tran", n)) return -1;
    if (n == g.cur_trans) return 0;
    g.cur_trans = n;
    g.cur_wn = g.wn[n];
    g.cur_vp = g.vp[n];
    gnew_obj(kObjSelTran, n, 0, nullptr);
    notify_device(kObjSelTran, n);
    world_scale();
    gupdate_clip();
    return 0;
}

int gset_ws_win(int /*ws*/, const float* rect) {
    if (!valid_rect("gset_ws_win", rect)) return -1;
    g.wkwn = rect_from(rect);
    record_rect(kObjWsWin, 1, rect);
    notify_device(kObjWsWin, 1);
    device_scale();
    gupdate_clip();
    return 0;
}

int gset_ws_vp(int /*ws*/, const float* rect) {
    if (!valid_rect("gset_ws_vp", rect)) return -1;
    g.wkvp = rect_from(rect);
    record_rect(kObjWsVp, 1, rect);
    notify_device(kObjWsVp, 1);
    device_scale();
    gupdate_clip();
    return 0;
}

int ginq_norm_tran(int n, int* status, float* out8) {
    if (!valid_tran("ginq_norm_tran", n)) {
        if (status != nullptr) *status = -1;
        return -1;
    }
    rect_to(g.wn[n], out8);
    rect_to(g.vp[n], out8 + 4);
    if (status != nullptr) *status = 0;
    return 0;
}

int ginq_cur_norm_tran_num(int* status, int* n) {
    if (status != nullptr) *status = 0;
    if (n != nullptr) *n = g.cur_trans;
    return 0;
}

int ginq_disp_space_size(int /*ws*/, int* status, GDispSpace* out) {
    if (!gchk_graphics()) {
        if (status != nullptr) *status = -1;
        return -1;
    }
    out->units = 1;
    out->width = static_cast<float>(g.win_width - 1);
    out->height = static_cast<float>(g.win_height - 1);
    out->raster_width = g.win_width;
    out->raster_height = g.win_height;
    if (status != nullptr) *status = 0;
    return 0;
}

int ginq_maxview(int ws, float* x, float* y) {
    GDispSpace space{};
    int status = 0;
    *x = 1.0F;
    *y = 1.0F;
    if (ginq_disp_space_size(ws, &status, &space) != 0 || space.width <= 0.0F ||
        space.height <= 0.0F)
        return -1;
    if (space.width > space.height)
        *y = space.height / space.width;
    else
        *x = space.width / space.height;
    return 0;
}

int gpts_in_win(int n, const GPoint* pts) {
    if (n <= 0 || pts == nullptr) return 0;
    float xmin = pts[0].x, xmax = pts[0].x, ymin = pts[0].y, ymax = pts[0].y;
    for (int i = 1; i < n; ++i) {
        xmin = std::min(xmin, pts[i].x);
        xmax = std::max(xmax, pts[i].x);
        ymin = std::min(ymin, pts[i].y);
        ymax = std::max(ymax, pts[i].y);
    }
    const float wx0 = std::min(g.cur_wn.x0, g.cur_wn.x1), wx1 = std::max(g.cur_wn.x0, g.cur_wn.x1);
    const float wy0 = std::min(g.cur_wn.y0, g.cur_wn.y1), wy1 = std::max(g.cur_wn.y0, g.cur_wn.y1);
    if (xmax < wx0 || xmin > wx1 || ymax < wy0 || ymin > wy1) return 0;
    return 1;
}

float xW_NDC(float x) { return (x - g.cur_wn.x0) * g.sx + g.cur_vp.x0; }
float yW_NDC(float y) { return (y - g.cur_wn.y0) * g.sy + g.cur_vp.y0; }
float xNDC_p(float x) { return clamp_to((x - g.wkwn.x0) * g.dsx + g.plt.x0, kPixelLimit); }
float yNDC_p(float y) { return clamp_to((g.wkwn.y1 - y) * g.dsy + g.plt.y0, kPixelLimit); }
float xNDC_ps(float x) { return clamp_to((x - g.wkwn.x0) * g.dsx + g.plt.x0, kPrinterLimit); }
float yNDC_ps(float y) { return clamp_to((y - g.wkwn.y0) * g.dsy + g.plt.y0, kPrinterLimit); }
float xW_p(float x) { return xNDC_p(xW_NDC(x)); }
float yW_p(float y) { return yNDC_p(yW_NDC(y)); }
float xW_ps(float x) { return xNDC_ps(xW_NDC(x)); }
float yW_ps(float y) { return yNDC_ps(yW_NDC(y)); }

float xp_W(float px) {
    const float ndc = (px - g.plt.x0) / g.dsx + g.wkwn.x0;
    return (ndc - g.cur_vp.x0) / g.sx + g.cur_wn.x0;
}

float yp_W(float py) {
    const float ndc = g.wkwn.y1 - (py - g.plt.y0) / g.dsy;
    return (ndc - g.cur_vp.y0) / g.sy + g.cur_wn.y0;
}

float xW_trans(int from, int to, float x) {
    if (from < 0 || from > kMaxNormTran || to < 0 || to > kMaxNormTran) return x;
    const float ndc = (x - g.wn[from].x0) * g.vp[from].w / g.wn[from].w + g.vp[from].x0;
    return (ndc - g.vp[to].x0) * g.wn[to].w / g.vp[to].w + g.wn[to].x0;
}

float yW_trans(int from, int to, float y) {
    if (from < 0 || from > kMaxNormTran || to < 0 || to > kMaxNormTran) return y;
    const float ndc = (y - g.wn[from].y0) * g.vp[from].h / g.wn[from].h + g.vp[from].y0;
    return (ndc - g.vp[to].y0) * g.wn[to].h / g.vp[to].h + g.wn[to].y0;
}

int gget_xviewport(int* out4) {
    for (int i = 0; i < 4; ++i) out4[i] = g.clip[i];
    return 0;
}

int gget_gviewport(int* out4) {
    if (gtype_is_WIN_PIX()) return gget_xviewport(out4);
    float r[4];
    gget_clip_rect(r);
    out4[0] = static_cast<int>(r[0]);
    out4[1] = static_cast<int>(r[2]);
    out4[2] = static_cast<int>(r[1] - r[0]);
    out4[3] = static_cast<int>(r[3] - r[2]);
    return 0;
}

void gset_window_size(int width, int height) {
    g.win_width = std::max(width, 2);
    g.win_height = std::max(height, 2);
}

void gset_window_offset(int x, int y) {
    g.win_x = x;
    g.win_y = y;
}

void gget_window_offset(int* x, int* y) {
    *x = g.win_x;
    *y = g.win_y;
}

void gget_window_size(int* width, int* height) {
    *width = g.win_width;
    *height = g.win_height;
}

void ginit_tran(int kind) {
    const float w = static_cast<float>(g.win_width - 1);
    const float h = static_cast<float>(g.win_height - 1);
    g.wkvp = Rect6{0.0F, 0.0F, w, h, w, h};
    if (kind != 10) {
        g.wkwn = Rect6{};
        for (int i = 0; i <= kMaxNormTran; ++i) g.wn[i] = g.vp[i] = Rect6{};
        g.cur_trans = 0;
        g.cur_wn = g.cur_vp = Rect6{};
    }
    world_scale();
    device_scale();
    gupdate_clip();
}

void gks_tran_reset_for_tests() { g = TranState{}; }

}  // namespace orv
