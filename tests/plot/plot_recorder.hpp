// A graphics device for the plot tests that keeps every polyline and filled
// area with its points, and every text with its place, colour and the bounds
// of its strokes, plus the grid helpers the contour tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "gks/gks_fill.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"

namespace orv::test {

struct Shape {
    bool filled;
    std::vector<GPoint> points;
    int color = 0;  // the fill colour of a filled area
};
struct Recording {
    std::vector<Shape> shapes;
    std::vector<std::string> texts;
    // For each text: its position, colour, stroke bounds (x0, x1, y0, y1)
    // and how many shapes came before it.
    std::vector<GPoint> text_at;
    std::vector<int> text_colors;
    std::vector<std::array<float, 4>> text_bounds;
    std::vector<std::size_t> shapes_before;
    bool in_shadow = false;
    int fills() const {
        return static_cast<int>(std::count_if(shapes.begin(), shapes.end(), [](const Shape& s) { return s.filled; }));
    }
    int lines() const { return static_cast<int>(shapes.size()) - fills(); }
};
inline Recording* g_recording = nullptr;
inline GDevice recording_device() {
    GDevice d{};
    d.kind = kWsMeta;
    d.open = [](int, const char*) { return 0; };
    d.close = [](int) { return 0; };
    d.polyline = [](int n, const GPoint* p) {
        g_recording->shapes.push_back({false, std::vector<GPoint>(p, p + n)});
        return 0;
    };
    d.fill_area = [](int n, const GPoint* p) {
        g_recording->shapes.push_back({true, std::vector<GPoint>(p, p + n), ginq_fill_attr().color});
        return 0;
    };
    d.text_begin = [](float x, float y, const char* s, int shadow) {
        Recording& r = *g_recording;
        r.in_shadow = shadow >= 0;
        if (r.in_shadow) return;
        r.texts.emplace_back(s);
        r.text_at.push_back({x, y});
        r.text_colors.push_back(ginq_text_attr().color);
        r.text_bounds.push_back({1e9F, -1e9F, 1e9F, -1e9F});
        r.shapes_before.push_back(r.shapes.size());
    };
    d.text_move = d.text_draw = [](float x, float y) {
        if (g_recording->in_shadow || g_recording->text_bounds.empty()) return;
        auto& b = g_recording->text_bounds.back();
        b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y), std::max(b[3], y)};
    };
    return d;
}
inline const GDevice kRecordingDevice = recording_device();
// Opens the recording workstation with transformation 2 over the window.
inline void open_recording(Recording* r, float x0, float x1, float y0, float y1) {
    g_recording = r;
    gregister_device(&kRecordingDevice);
    ASSERT_EQ(gopen_gks(nullptr), 0);
    ASSERT_EQ(gopen_ws(1, "", kWsMeta), 0);
    const float win[4] = {x0, x1, y0, y1};
    const float vp[4] = {0.1F, 0.9F, 0.1F, 0.9F};
    gset_win(2, win);
    gset_vp(2, vp);
    gsel_norm_tran(2);
    gset_text_hooks(nullptr);
}
// A grid of nx x ny values f(i, j), j counted from the bottom, rows from the top.
template <typename F>
std::vector<float> make_grid(int nx, int ny, F f) {
    std::vector<float> z(static_cast<std::size_t>(nx * ny));
    for (int row = 0; row < ny; ++row)
        for (int i = 0; i < nx; ++i) z[static_cast<std::size_t>(row * nx + i)] = f(i, ny - 1 - row);
    return z;
}
inline bool inside(const std::vector<GPoint>& polygon, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const double xi = polygon[i].x, yi = polygon[i].y, xj = polygon[j].x, yj = polygon[j].y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}
inline double area_of(const std::vector<GPoint>& p) {
    double twice = 0.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        const GPoint& a = p[k];
        const GPoint& b = p[(k + 1) % p.size()];
        twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return std::abs(twice) / 2.0;
}

}  // namespace orv::test
