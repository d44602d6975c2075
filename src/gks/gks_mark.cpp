#include "gks/gks_mark.hpp"

#include <cmath>

#include "gks/gks_colr.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

GMarkerAttr g;

bool need_open(const char* function) {
    if (gchk_graphics()) return true;
    gerr_printf(function, "GKS not opened\n");
    return false;
}

void changed(int code) {
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(code, 0);
}

int set_float(const char* function, const char* what, int code, float& slot, float value) {
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
    if (!need_open("gset_marker_colr_ind")) return -1;
    if (!gis_valid_colr(index)) {
        gerr_printf("gset_marker_colr_ind", "invalid color index: %d\n", index);
        return -1;
    }
    if (index == g.color) return 0;
    g.color = index;
    gnew_obj(kObjMarkerColor, index, 0, nullptr);
    changed(kObjMarkerColor);
    return 0;
}

int gset_marker_type(int type) {
    if (!need_open("gset_marker_type")) return -1;
    if (type == g.type) return 0;
    g.type = type;
    gnew_obj(kObjMarkerType, type, 0, nullptr);
    changed(kObjMarkerType);
    return 0;
}

int gset_marker_size(float size) {
    return set_float("gset_marker_size", "marker size", kObjMarkerSize, g.size, size);
}

int gset_marker_width(float width) {
    if (width == 0.0F && gtype_is_PS()) width = 1.0F;
    return set_float("gset_marker_width", "marker width", kObjMarkerWidth, g.width, width);
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
