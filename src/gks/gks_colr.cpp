#include "gks/gks_colr.hpp"

#include <cmath>
#include <cstring>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

struct Entry {
    float r = 0.0F, g = 0.0F, b = 0.0F;
    int pixel = -1;
};

struct ColrState {
    Entry table[kColorEntries];
    int max_color_ind = -1;
    char background[51] = "";
    int inverse = 0;
    int rw_colors = 1;
    int local_colormap = 0;
    GColorLookup lookup = nullptr;
    ColrState() { table[kBackgroundEntry] = Entry{1.0F, 1.0F, 1.0F, -1}; }
};
ColrState g;

constexpr float kNear = 0.01F;

int entry_of(int index) { return index == -1 ? kBackgroundEntry : index; }

bool in_table(int index) { return index >= -1 && index <= kBackgroundEntry; }

bool near(const Entry& e, float r, float gr, float b) {
    return std::fabs(e.r - r) + std::fabs(e.g - gr) + std::fabs(e.b - b) < kNear;
}

float unit(float v) { return std::isfinite(v) ? std::fmin(std::fmax(v, 0.0F), 1.0F) : 0.0F; }

// Stores an entry and hands it to the device; the pixel of a device without
// colour cells is the index itself.
int store(int entry, float r, float gr, float b) {
    Entry& e = g.table[entry];
    e.r = r;
    e.g = gr;
    e.b = b;
    const GDevice* d = gget_device();
    if (d != nullptr && d->color_rep != nullptr)
        d->color_rep(entry == kBackgroundEntry ? -1 : entry, r, gr, b);
    if (e.pixel < 0 && !gtype_is_WIN_PIX()) e.pixel = entry == kBackgroundEntry ? -1 : entry;
    return entry == kBackgroundEntry ? -1 : entry;
}

}  // namespace

int gis_valid_colr(int index) {
    return ((index >= -1 && index <= kBackgroundEntry) || (index >= 500 && index <= 508)) ? 1 : 0;
}

int gset_colr_rep(int ws, int index, float r, float g_, float b) {
    if (!gis_valid_colr(index)) {
        gerr_printf("gset_colr_rep", "invalid color index: %d\n", index);
        return -1;
    }
    if (index >= 500) return 0;
    const float rgb[3] = {unit(r), unit(g_), unit(b)};
    gnew_obj(kObjColorRep, index, sizeof rgb, rgb);
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(kObjColorRep, ws);
    if (index == -1) return store(kBackgroundEntry, rgb[0], rgb[1], rgb[2]) == -1 ? 0 : -1;
    return galloc_colr(index, rgb[0], rgb[1], rgb[2]) < 0 ? -1 : 0;
}

int galloc_colr(int index, float r, float gr, float b) {
    r = unit(r);
    gr = unit(gr);
    b = unit(b);
    if (index > kBackgroundEntry) {
        gerr_printf("galloc_colr", "invalid color index: %d\n", index);
        return -1;
    }
    if (index == kBackgroundEntry) return store(kBackgroundEntry, r, gr, b);
    if (index > g.max_color_ind) g.max_color_ind = index;
    if (index < 0) {
        for (int i = 0; i <= g.max_color_ind; ++i)
            if (near(g.table[i], r, gr, b)) index = i;
        if (index >= 0) {
            MESS_print(kMessDebug, "Used existing ind: %d (%.2f %.2f %.2f)\n", index,
                       static_cast<double>(r), static_cast<double>(gr), static_cast<double>(b));
            return index;
        }
        if (g.max_color_ind + 1 >= kBackgroundEntry) return -1;
        index = ++g.max_color_ind;
        MESS_print(kMessDebug, "Allocated new ind: %d (%.2f %.2f %.2f)\n", index,
                   static_cast<double>(r), static_cast<double>(gr), static_cast<double>(b));
    }
    return store(index, r, gr, b);
}

int gget_color_ind(int index) {
    if (!in_table(index)) return index >= 500 && index <= 508 ? index : -1;
    const Entry& e = g.table[entry_of(index)];
    return e.pixel >= 0 || gtype_is_WIN_PIX() ? e.pixel : index;
}

int gget_color_rgb(int index, float* r, float* gr, float* b) {
    if (!in_table(index)) return -1;
    const Entry& e = g.table[entry_of(index)];
    *r = e.r;
    *gr = e.g;
    *b = e.b;
    return 0;
}

int gget_color_rgb256(int index, int* r, int* gr, int* b) {
    float fr = 0, fg = 0, fb = 0;
    if (gget_color_rgb(index, &fr, &fg, &fb) != 0) return -1;
    *r = static_cast<int>(255.0F * fr);
    *gr = static_cast<int>(255.0F * fg);
    *b = static_cast<int>(255.0F * fb);
    return 0;
}

int gis_color_near(int index, int flag, float r, float gr, float b) {
    if (flag != 0) {
        int found = -2;
        for (int i = 0; i < kColorEntries && found == -2; ++i)
            if (g.table[i].pixel == index) found = i;
        if (found == -2) return 0;
        return near(g.table[found], r, gr, b) ? 1 : 0;
    }
    if (!in_table(index)) return 0;
    return near(g.table[entry_of(index)], r, gr, b) ? 1 : 0;
}

int gget_max_colr() { return g.max_color_ind; }

int gset_background(const char* name) {
    copy_text(g.background, name);
    return 0;
}

const char* gget_background() { return g.background; }

void ginit_background() {
    if (!gtype_is_WIN_PIX()) {
        store(kBackgroundEntry, 1.0F, 1.0F, 1.0F);
        return;
    }
    const char* name = g.background;
    if (*name == '\0') name = RES_get("background");
    if (name == nullptr || *name == '\0' || std::strcmp(name, "none") == 0 ||
        std::strcmp(name, "def") == 0 || std::strcmp(name, "over") == 0)
        return;
    float r = 0, gr = 0, b = 0;
    if (g.lookup != nullptr && g.lookup(name, &r, &gr, &b) == 1) store(kBackgroundEntry, r, gr, b);
}

int gset_inverse(int flag) {
    g.inverse = flag;
    return 0;
}

int gget_inverse() { return g.inverse; }

int gset_rw_colors(int flag) {
    g.rw_colors = flag;
    return 0;
}

int gset_local_colormap(int flag) {
    g.local_colormap = flag;
    return 0;
}

int gget_rw_colors() { return g.rw_colors; }

void gset_color_pixel(int index, int pixel) {
    if (in_table(index)) g.table[entry_of(index)].pixel = pixel;
}

void gset_color_lookup(GColorLookup lookup) { g.lookup = lookup; }

void gks_colr_reset_for_tests() { g = ColrState{}; }

}  // namespace orv
