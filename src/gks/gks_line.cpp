#include "gks/gks_line.hpp"

#include <cstddef>

#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

GLineAttr g;

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
    return gset_colr_attr("gset_line_colr_ind", kObjLineColor, g.color, index);
}

int gset_linewidth(float width) {
    if (width == 0.0F && gtype_is_PS()) width = 1.0F;
    return gset_float_attr("gset_linewidth", "line width", kObjLineWidth, g.width, width);
}

int gset_linetype(int type) {
    if (type < 0 && gchk_graphics()) {
        gerr_printf("gset_linetype", "invalid line type: %d\n", type);
        return -1;
    }
    return gset_int_attr("gset_linetype", kObjLineType, g.type, type);
}

int gset_line_print_bold(int flag) {
    return gset_int_attr("gset_line_print_bold", kObjLineBold, g.print_bold, flag);
}

// With a workstation open the reset goes through the setters, so that the
// display list and the devices that keep the line state (the metafile) see it.
void greset_line() {
    const GLineAttr reset{};
    if (gchk_graphics() == 0) {
        g = reset;
        return;
    }
    gset_line_colr_ind(reset.color);
    gset_linewidth(reset.width);
    gset_linetype(reset.type);
    gset_line_print_bold(reset.print_bold);
}
const GLineAttr& ginq_line_attr() { return g; }
void gks_line_reset_for_tests() { g = GLineAttr{}; }

}  // namespace orv
