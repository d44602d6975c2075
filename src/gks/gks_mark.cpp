#include "gks/gks_mark.hpp"

#include <cmath>

#include "gks/gks_colr.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

GMarkerAttr g;

}  // namespace

int gpolymarker(int n, const GPoint* pts) {
    const int status = gcheck_points("gpolymarker", n, pts, 1);
    if (status <= 0) return status;
    gnew_obj(kObjPolymarker, n, static_cast<std::size_t>(n) * sizeof(GPoint), pts);
    const GDevice* d = gget_device();
    if (d != nullptr && d->polymarker != nullptr) return d->polymarker(n, pts);
    return 1;
}

int gset_marker_colr_ind(int index) {
    return gset_colr_attr("gset_marker_colr_ind", kObjMarkerColor, g.color, index);
}

int gset_marker_type(int type) {
    return gset_int_attr("gset_marker_type", kObjMarkerType, g.type, type);
}

int gset_marker_size(float size) {
    return gset_float_attr("gset_marker_size", "marker size", kObjMarkerSize, g.size, size);
}

int gset_marker_width(float width) {
    if (width == 0.0F && gtype_is_PS()) width = 1.0F;
    return gset_float_attr("gset_marker_width", "marker width", kObjMarkerWidth, g.width, width);
}

void greset_marker() { g = GMarkerAttr{}; }
const GMarkerAttr& ginq_marker_attr() { return g; }
void gks_mark_reset_for_tests() { g = GMarkerAttr{}; }

int gmarker_strokes(int type, float x, float y, int h, GMarkerStroke stroke, void* user) {
    const auto f = static_cast<float>(h);
    switch (type) {
        case 1: {
            const GPoint p[5] = {{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}, {x, y}};
            stroke(user, 5, p);
            return 1;
        }
        case 2:
        case 3: {
            const GPoint a[2] = {{x - f, y}, {x + f, y}};
            const GPoint b[2] = {{x, y - f}, {x, y + f}};
            stroke(user, 2, a);
            stroke(user, 2, b);
            if (type == 2) return 2;
            [[fallthrough]];
        }
        case 5: {
            const GPoint c[2] = {{x - f, y - f}, {x + f, y + f}};
            const GPoint d[2] = {{x - f, y + f}, {x + f, y - f}};
            stroke(user, 2, c);
            stroke(user, 2, d);
            return type == 3 ? 4 : 2;
        }
        case 4: {
            static constexpr float kCos[12] = {1, 0.866F, 0.5F, 0, -0.5F, -0.866F,
                                               -1, -0.866F, -0.5F, 0, 0.5F, 0.866F};
            GPoint p[13];
            for (int i = 0; i < 12; ++i)
                p[i] = GPoint{x + f * kCos[i], y + f * kCos[(i + 9) % 12]};
            p[12] = p[0];
            stroke(user, 13, p);
            return 1;
        }
        case 6: {
            const GPoint p[5] = {{x - f, y - f}, {x + f, y - f}, {x + f, y + f}, {x - f, y + f},
                                 {x - f, y - f}};
            stroke(user, 5, p);
            return 1;
        }
        case 7:
        case 9: {
            const float s = type == 7 ? 1.0F : -1.0F;
            const GPoint p[4] = {{x - f, y + s * f}, {x + f, y + s * f}, {x, y - s * f},
                                 {x - f, y + s * f}};
            stroke(user, 4, p);
            return 1;
        }
        case 8: {
            const GPoint p[2] = {{x, y}, {x, y}};
            stroke(user, 2, p);
            return 1;
        }
        default:
            return 0;
    }
}

}  // namespace orv
