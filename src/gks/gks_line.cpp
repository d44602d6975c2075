#include "gks/gks_line.hpp"

#include <cmath>

#include "gks/gks_colr.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

GLineAttr g;

bool need_open(const char* function) {
    if (gchk_graphics()) return true;
    gerr_printf(function, "GKS not opened\n");
    return false;
}

void changed(int code) {
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(code, 0);
}

}  // namespace

int gpolyline(int n, const GPoint* pts) {
    const int status = gcheck_points("gpolyline", n, pts, 2);
    if (status <= 0) return status;
    gnew_obj(kObjPolyline, n, static_cast<std::size_t>(n) * sizeof(GPoint), pts);
    const GDevice* d = gget_device();
    if (d != nullptr && d->polyline != nullptr) return d->polyline(n, pts);
    return 1;
}

int gset_line_colr_ind(int index) {
    if (!need_open("gset_line_colr_ind")) return -1;
    if (!gis_valid_colr(index)) {
        gerr_printf("gset_line_colr_ind", "invalid color index: %d\n", index);
        return -1;
    }
    if (index == g.color) return 0;
    g.color = index;
    gnew_obj(kObjLineColor, index, 0, nullptr);
    changed(kObjLineColor);
    return 0;
}

int gset_linewidth(float width) {
    if (!need_open("gset_linewidth")) return -1;
    if (!(width >= 0.0F) || std::isinf(width)) {
        gerr_printf("gset_linewidth", "invalid line width: %f\n", static_cast<double>(width));
        return -1;
    }
    if (width == 0.0F && gtype_is_PS()) width = 1.0F;
    if (width == g.width) return 0;
    g.width = width;
    gnew_obj(kObjLineWidth, 0, sizeof width, &width);
    changed(kObjLineWidth);
    return 0;
}

int gset_linetype(int type) {
    if (!need_open("gset_linetype")) return -1;
    if (type < 0) {
        gerr_printf("gset_linetype", "invalid line type: %d\n", type);
        return -1;
    }
    if (type == g.type) return 0;
    g.type = type;
    gnew_obj(kObjLineType, type, 0, nullptr);
    changed(kObjLineType);
    return 0;
}

int gset_line_print_bold(int flag) {
    if (!need_open("gset_line_print_bold")) return -1;
    if (flag == g.print_bold) return 0;
    g.print_bold = flag;
    gnew_obj(kObjLineBold, flag, 0, nullptr);
    changed(kObjLineBold);
    return 0;
}

void greset_line() { g = GLineAttr{}; }
const GLineAttr& ginq_line_attr() { return g; }
void gks_line_reset_for_tests() { g = GLineAttr{}; }

}  // namespace orv
