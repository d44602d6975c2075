// A graphics device for the station and vector plot tests that keeps every
// polyline and filled area with its points.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"

namespace orv::test {

struct Shape {
    bool filled;
    std::vector<GPoint> points;
};

struct Recording {
    std::vector<Shape> shapes;
    std::vector<std::string> texts;
    int lines() const {
        int n = 0;
        for (const Shape& s : shapes) n += s.filled ? 0 : 1;
        return n;
    }
    int fills() const { return static_cast<int>(shapes.size()) - lines(); }
};

inline Recording* g_recording = nullptr;

inline int rec_open(int, const char*) { return 0; }
inline int rec_close(int) { return 0; }
inline int rec_polyline(int n, const GPoint* p) {
    g_recording->shapes.push_back({false, std::vector<GPoint>(p, p + n)});
    return 0;
}
inline int rec_fill(int n, const GPoint* p) {
    g_recording->shapes.push_back({true, std::vector<GPoint>(p, p + n)});
    return 0;
}
inline void rec_text_begin(float, float, const char* s, int shadow) {
    if (shadow < 0) g_recording->texts.emplace_back(s);
}

inline GDevice recording_device() {
    GDevice d{};
    d.kind = kWsMeta;
    d.open = rec_open;
    d.close = rec_close;
    d.polyline = rec_polyline;
    d.fill_area = rec_fill;
    d.text_begin = rec_text_begin;
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

}  // namespace orv::test
