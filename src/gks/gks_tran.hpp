// Graphics kernel transformations: normalisation transformations 0-5 (world
// window -> NDC viewport), the workstation window and viewport, the device
// rectangle that keeps the workstation window's aspect, conversions between
// world, NDC and device coordinates, and clipping at the current viewport.
// Rectangles passed in or out are four floats: x min, x max, y min, y max.
#pragma once

namespace orv {

inline constexpr int kMaxNormTran = 5;

struct GPoint {
    float x;
    float y;
};

// ginq_disp_space_size's record.
struct GDispSpace {
    int units;       // 1: device units
    float width;     // width - 1
    float height;    // height - 1
    int raster_width;
    int raster_height;
};

int gset_win(int n, const float* rect);
int gset_vp(int n, const float* rect);
int gsel_norm_tran(int n);
int gset_ws_win(int ws, const float* rect);
int gset_ws_vp(int ws, const float* rect);
int ginq_norm_tran(int n, int* status, float* out8);
int ginq_cur_norm_tran_num(int* status, int* n);
int ginq_disp_space_size(int ws, int* status, GDispSpace* out);
int ginq_maxview(int ws, float* x, float* y);
// 0 when the bounding box of the points lies wholly outside the current window.
int gpts_in_win(int n, const GPoint* pts);

float xW_NDC(float x);
float yW_NDC(float y);
float xW_p(float x);
float yW_p(float y);
float xW_ps(float x);
float yW_ps(float y);
float xNDC_p(float x);
float yNDC_p(float y);
float xNDC_ps(float x);
float yNDC_ps(float y);
float xp_W(float px);
float yp_W(float py);
float xW_trans(int from, int to, float x);
float yW_trans(int from, int to, float y);
// The current viewport in device units: x, y, width, height.
int gget_xviewport(int* out4);
int gget_gviewport(int* out4);

// Device size (the window, or the printer's picture area) and its offset.
void gset_window_size(int width, int height);
void gset_window_offset(int x, int y);
void gget_window_size(int* width, int* height);
void gget_window_offset(int* x, int* y);

// Initialises the transformations for a workstation: kind 10 is a resize
// (keeps the workstation window and the six transformations).
void ginit_tran(int kind);
// Recomputes the device clip for the current viewport.
void gupdate_clip();
// Device clip rectangle of the current viewport (device units): x0, x1, y0, y1.
void gget_clip_rect(float* out4);
// The workstation window (NDC) and viewport (device units): x0, x1, y0, y1.
void gget_ws_win(float* out4);
void gget_ws_vp(float* out4);
// The used device rectangle: x0, x1, y0, y1.
void gget_plt_rect(float* out4);

void gks_tran_reset_for_tests();

}  // namespace orv
