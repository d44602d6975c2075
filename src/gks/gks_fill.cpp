#include "gks/gks_fill.hpp"

#include "gks/gks_colr.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

constexpr std::uint8_t kPatterns[kFillPatterns][8] = {
    {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
    {0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55},
    {0x55, 0x00, 0x55, 0x00, 0x55, 0x00, 0x55, 0x00},
    {0x24, 0x11, 0x82, 0x48, 0x42, 0x11, 0x28, 0x84},
    {0x33, 0x33, 0x00, 0x00, 0xcc, 0xcc, 0x00, 0x00},
    {0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33},
    {0x03, 0x06, 0x0c, 0x18, 0x30, 0x60, 0xc0, 0x81},
    {0x81, 0xc0, 0x60, 0x30, 0x18, 0x0c, 0x06, 0x03},
    {0xff, 0xff, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00},
    {0xc3, 0x66, 0x3c, 0x18, 0x3c, 0x66, 0xc3, 0x81},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x40, 0x10, 0x20, 0x01, 0x00, 0x04, 0x08, 0x02},
    {0x08, 0xa0, 0x44, 0x11, 0x22, 0x10, 0x81, 0x44},
    {0x45, 0x28, 0x94, 0x43, 0x50, 0x09, 0x52, 0xa8},
    {0x19, 0xca, 0x34, 0x1a, 0xe1, 0x32, 0xa5, 0xcc},
    {0x55, 0xdc, 0x3b, 0xe2, 0x97, 0xaa, 0x65, 0x3e},
    {0x7a, 0xe5, 0x5f, 0xab, 0xf5, 0xeb, 0x5e, 0xb5},
    {0xfe, 0xbb, 0xf5, 0x6f, 0xfe, 0xd7, 0xbd, 0xeb},
    {0xfd, 0xff, 0xef, 0x7f, 0xdf, 0xfe, 0xf7, 0xaf},
    {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
};

GFillAttr g;

bool need_open(const char* function) {
    if (gchk_graphics()) return true;
    gerr_printf(function, "GKS not opened\n");
    return false;
}

int set_int(const char* function, int code, int& slot, int value) {
    if (!need_open(function)) return -1;
    if (slot == value) return 0;
    slot = value;
    gnew_obj(code, value, 0, nullptr);
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(code, 0);
    return 0;
}

}  // namespace

int gfill_area(int n, const GPoint* pts) {
    const int status = gcheck_points("gfill_area", n, pts, 2);
    if (status <= 0) return status;
    gnew_obj(kObjFillArea, n, static_cast<std::size_t>(n) * sizeof(GPoint), pts);
    const GDevice* d = gget_device();
    if (d != nullptr && d->fill_area != nullptr) return d->fill_area(n, pts);
    return 1;
}

int gset_fill_colr_ind(int index) {
    if (gchk_graphics() && !gis_valid_colr(index)) {
        gerr_printf("gset_fill_colr_ind", "invalid color index: %d\n", index);
        return -1;
    }
    return set_int("gset_fill_colr_ind", kObjFillColor, g.color, index);
}

int gset_fill_int_style(int style) {
    return set_int("gset_fill_int_style", kObjFillIntStyle, g.int_style, style);
}

int gset_fill_style_ind(int index) {
    if (gchk_graphics() && (index < 0 || index >= kFillPatterns)) {
        gerr_printf("gset_fill_style_ind", "invalid style index: %d\n", index);
        return -1;
    }
    return set_int("gset_fill_style_ind", kObjFillStyle, g.style_index, index);
}

int gset_fill_print_solid(int flag) {
    return set_int("gset_fill_print_solid", kObjFillSolid, g.print_solid, flag);
}

void greset_fill() {
    const int solid = g.print_solid;
    g = GFillAttr{};
    g.print_solid = solid;
}

const GFillAttr& ginq_fill_attr() { return g; }

int gfill_test(int pattern, int x, int y) {
    if (pattern < 0 || pattern >= kFillPatterns) return 0;
    const std::uint8_t row = kPatterns[pattern][((y % 8) + 8) % 8];
    return (row >> (((x % 8) + 8) % 8)) & 1;
}

const std::uint8_t* gfill_pattern(int pattern) {
    if (pattern < 0 || pattern >= kFillPatterns) return nullptr;
    return kPatterns[pattern];
}

void gks_fill_reset_for_tests() { g = GFillAttr{}; }

}  // namespace orv
