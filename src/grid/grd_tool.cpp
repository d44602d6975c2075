#include "grid/grd_tool.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"
#include "core/unittool.hpp"
#include "core/var_tool.hpp"
#include "geo/region.hpp"

namespace orv {
namespace {

struct GridState {
    bool initialised = false;
    int grid_factor = 1;
    GridField slots[kGridSlots];
};
GridState g;

bool in_pool(const GridField* grid) {
    return grid >= std::begin(g.slots) && grid < std::end(g.slots);
}

bool shared_in_pool(const GridField* grid, const float* values) {
    return std::any_of(std::begin(g.slots), std::end(g.slots),
                       [&](const GridField& s) { return &s != grid && s.values == values; });
}

// Frees the array unless another slot of the pool still uses it.
void release_values(GridField* grid) {
    if (grid->values != nullptr && !shared_in_pool(grid, grid->values)) std::free(grid->values);
    grid->values = nullptr;
}

std::size_t point_count(const GridField* grid) {
    const Domain& d = grid->domain;
    if (d.nx < 1 || d.ny < 1) return 0;
    return static_cast<std::size_t>(d.nx) * static_cast<std::size_t>(d.ny);
}

// The values as a range; empty without an array.
struct Values {
    float* first;
    float* last;
    float* begin() const { return first; }
    float* end() const { return last; }
};
Values values_of(const GridField* grid) {
    if (grid == nullptr || grid->values == nullptr) return {nullptr, nullptr};
    return {grid->values, grid->values + point_count(grid)};
}

bool same_word(const char* a, const char* b) { return a != nullptr && stricmp(a, b) == 0; }

}  // namespace

int GRD_init_grids() {
    g.initialised = true;
    for (GridField& s : g.slots) GRD_init(&s);
    return 0;
}

GridField* GRD_get_grids() {
    if (!g.initialised) GRD_init_grids();
    return g.slots;
}

GridField* GRD_get_grid(int i) { return GRD_get_grids() + i; }

void GRD_init(GridField* grid) {
    if (grid == nullptr) return;
    *grid = GridField{};
    DATE_init(&grid->date);
    grid->level_type = kMissing;
    grid->level = kMissing;
    grid->hour = kMissing;
    grid->variable = kMissing;
    DOM_init(&grid->domain);
}

int GRD_alloc(GridField* grid) {
    if (grid == nullptr) return 0;
    release_values(grid);
    const std::size_t n = point_count(grid);
    if (n > 0) grid->values = static_cast<float*>(std::malloc(n * sizeof(float)));
    if (grid->values == nullptr) {
        MESS_print(kMessWarn, "GRD_alloc: No memory for grid field\n");
        return 0;
    }
    return 1;
}

int GRD_alloc_grid(int i) { return GRD_alloc(GRD_get_grid(i)); }

void GRD_free(GridField* grid) {
    if (grid == nullptr) return;
    release_values(grid);
    grid->source = 0;
    DOM_init(&grid->domain);
}

void GRD_copy(GridField* dst, const GridField* src) {
    if (dst != nullptr && src != nullptr && dst != src) *dst = *src;
}

void GRD_move(GridField* dst, GridField* src) {
    if (dst == nullptr || src == nullptr || dst == src) return;
    *dst = *src;
    GRD_init(src);
}

void GRD_set_grid(int i, const GridField* src) { GRD_copy(GRD_get_grid(i), src); }

void GRD_copy_info(GridField* dst, const GridField* src) {
    if (dst == nullptr || src == nullptr || dst == src) return;
    if (in_pool(dst) && dst->values != src->values) release_values(dst);
    std::memcpy(dst->label, src->label, sizeof dst->label);
    std::memcpy(dst->units, src->units, sizeof dst->units);
    dst->date = src->date;
    dst->domain = src->domain;
    dst->source = src->source;
    dst->version = src->version;
    dst->model = src->model;
    dst->grid_number = src->grid_number;
    dst->values = nullptr;
}

void GRD_set_grid_info(int i, const char* text) { copy_text(GRD_get_grid(i)->info, text); }

void GRD_set_grid_date(int i, const DateRecord* date, const char* label) {
    GridField* grid = GRD_get_grid(i);
    if (date != nullptr) grid->date = *date;
    copy_text(grid->label, label);
}

void GRD_set_grid_domain(int i, const Domain* domain) {
    GridField* grid = GRD_get_grid(i);
    grid->source = 0;
    grid->version = 0;
    if (domain == nullptr) return;
    Domain d = *domain;
    const int f = g.grid_factor;
    if (f > 1 && d.nx > 0 && d.ny > 0) {
        d.nx = (d.nx - 1) * f + 1;
        d.ny = (d.ny - 1) * f + 1;
        d.dx /= static_cast<float>(f);
        d.dy /= static_cast<float>(f);
    }
    grid->domain = d;
}

void GRD_get_grid_domain(int i, Domain* out) {
    if (out != nullptr) *out = GRD_get_grid(i)->domain;
}

void GRD_set_var(int i) {
    const VarRecord* var = VAR_get_var(i);
    if (var == nullptr) return;
    GridField* grid = GRD_get_grid(i);
    grid->variable = var->ids[0];
    grid->hour = var->time;
    grid->level_type = var->level_type;
    grid->level = var->level;
    copy_text(grid->units, var->units);
}

void GRD_set_info(GridInfo* info, const DateRecord* date, const Domain* domain) {
    if (info == nullptr) return;
    *info = GridInfo{};
    if (date != nullptr)
        info->date = *date;
    else
        DATE_init(&info->date);
    info->nx = domain != nullptr ? domain->nx : kMissing;
    info->ny = domain != nullptr ? domain->ny : kMissing;
}

void GRD_make_datatype(GridField* grid) {
    if (grid == nullptr) return;
    VAR_make_datatype(grid->hour, grid->level_type, grid->level, grid->variable, grid->units,
                      grid->info);
}

void GRD_set_grid_factor(int factor) {
    if (factor >= 1) g.grid_factor = factor;
}

int GRD_get_grid_factor() { return g.grid_factor; }

int GRD_maxmin(const GridField* grid, float* max, float* min) {
    *max = kMissingF;
    *min = kMissingF;
    if (grid == nullptr || grid->values == nullptr) return -1;
    bool found = false;
    for (float v : values_of(grid)) {
        if (is_missing(v)) continue;
        if (!found) {
            *max = *min = v;
            found = true;
        } else if (v > *max) {
            *max = v;
        } else if (v < *min) {
            *min = v;
        }
    }
    return found ? 1 : 0;
}

int GRD_UVmax(const GridField* u, const GridField* v, float* max) {
    *max = kMissingF;
    if (u == nullptr || v == nullptr || u->values == nullptr || v->values == nullptr) return -1;
    const std::size_t n = std::min(point_count(u), point_count(v));
    for (std::size_t k = 0; k < n; ++k) {
        const float a = u->values[k];
        const float b = v->values[k];
        if (is_missing(a) || is_missing(b) || a == 0.0F || b == 0.0F) continue;
        *max = std::max(*max, std::sqrt(a * a + b * b));
    }
    return 1;
}

int GRD_stats(const char* kind, const GridField* grid, float* out) {
    out[0] = kMissingF;
    out[1] = kMissingF;
    if (same_word(kind, "max") || same_word(kind, "min") || same_word(kind, "maxmin")) {
        float max = kMissingF;
        float min = kMissingF;
        GRD_maxmin(grid, &max, &min);
        out[0] = same_word(kind, "min") ? min : max;
        if (same_word(kind, "maxmin")) out[1] = min;
        return 1;
    }
    if (!same_word(kind, "avg") && !same_word(kind, "avgnum")) return 0;
    double sum = 0.0;
    long count = 0;
    for (float v : values_of(grid)) {
        if (is_missing(v)) continue;
        sum += v;
        ++count;
    }
    if (count > 0) out[0] = static_cast<float>(sum / static_cast<double>(count));
    if (same_word(kind, "avgnum")) out[1] = static_cast<float>(count);
    return 1;
}

float GRD_get_value(const GridField* grid, float x, float y) {
    if (grid == nullptr || grid->values == nullptr || point_count(grid) == 0) return kMissingF;
    const int nx = grid->domain.nx;
    const int ny = grid->domain.ny;
    const float x_end = static_cast<float>(nx) - 0.9999F;
    const float y_end = static_cast<float>(ny) - 0.9999F;
    if (!(x >= 0.0F && x <= x_end && y >= 0.0F && y <= y_end)) return kMissingF;
    const int i = static_cast<int>(x);
    const int j = static_cast<int>(y);
    const float fx = x - static_cast<float>(i);
    const float fy = y - static_cast<float>(j);
    const int i1 = static_cast<float>(i + 1) > x_end ? i : i + 1;
    const bool last_row = static_cast<float>(j + 1) > y_end;
    const int j1 = last_row ? j : j + 1;
    const float* v = grid->values;
    const float a = v[static_cast<std::size_t>(j) * nx + i];
    const float b = last_row ? a : v[static_cast<std::size_t>(j) * nx + i1];
    const float c = last_row ? a : v[static_cast<std::size_t>(j1) * nx + i];
    const float d = last_row ? a : v[static_cast<std::size_t>(j1) * nx + i1];
    if (is_missing(a) || is_missing(b) || is_missing(c) || is_missing(d)) return kMissingF;
    return (1 - fy) * (1 - fx) * a + (1 - fy) * fx * b + (1 - fx) * fy * c + fx * fy * d;
}

float GRD_get_value_domain(const GridField* grid, const Domain* domain, float* lat_or_x,
                           float* lon_or_y) {
    if (grid == nullptr || lat_or_x == nullptr || lon_or_y == nullptr) return kMissingF;
    Domain saved;
    MAP_get_domain(&saved);
    float x = *lat_or_x;
    float y = *lon_or_y;
    if (domain != nullptr && !is_missing(domain->proj))
        MAP_domain_tran(domain, &grid->domain, &x, &y, *lat_or_x, *lon_or_y);
    MAP_domain(&grid->domain);
    MAP_grid_untran(lat_or_x, lon_or_y, x, y);
    MAP_domain(&saved);
    return GRD_get_value(grid, *lat_or_x, *lon_or_y);
}

int GRD_proj_XY(const GridField* grid, const Domain* domain, float** xs, float** ys) {
    std::free(*xs);
    std::free(*ys);
    *xs = nullptr;
    *ys = nullptr;
    const std::size_t n = grid != nullptr ? point_count(grid) : 0;
    if (n > 0) {
        *xs = static_cast<float*>(std::malloc(n * sizeof(float)));
        *ys = static_cast<float*>(std::malloc(n * sizeof(float)));
    }
    if (*xs == nullptr || *ys == nullptr) {
        std::free(*xs);
        std::free(*ys);
        *xs = *ys = nullptr;
        MESS_print(kMessWarn, "GRD_proj_XY: Unable to allocate grid arrays\n");
        return -1;
    }
    const Domain& d = grid->domain;
    Domain saved;
    MAP_get_domain(&saved);
    // Latitudes and longitudes first, all in the grid's own projection.
    MAP_domain(&d);
    float xc = 0.0F;
    float yc = 0.0F;
    MAP_tran(&xc, &yc, d.clat, d.clon);
    const double x0 = xc - (d.nx - 1) / 2.0 * d.dx;
    const double y0 = yc + (d.ny - 1) / 2.0 * d.dy;
    for (int j = 0; j < d.ny; ++j) {
        for (int i = 0; i < d.nx; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * d.nx + i;
            MAP_untran(&(*xs)[k], &(*ys)[k], static_cast<float>(x0 + i * static_cast<double>(d.dx)),
                       static_cast<float>(y0 - j * static_cast<double>(d.dy)));
        }
    }
    MAP_domain(domain != nullptr ? domain : &saved);
    for (std::size_t k = 0; k < n; ++k) {
        const float lat = (*xs)[k];
        const float lon = (*ys)[k];
        if (is_missing(lat) || is_missing(lon) || MAP_tran(&(*xs)[k], &(*ys)[k], lat, lon) != 1) {
            (*xs)[k] = kMissingF;
            (*ys)[k] = kMissingF;
        }
    }
    MAP_domain(&saved);
    return 0;
}

int GRD_point_locate(GridField* grid, const char* kind) {
    if (grid == nullptr || grid->values == nullptr || kind == nullptr) return 0;
    const std::string_view k(kind);
    const bool lat = k == "lat";
    const bool lon = k.substr(0, 3) == "lon";
    const bool projx = k == "projx";
    const bool projy = k == "projy";
    if (!lat && !lon && !projx && !projy) return 0;
    const Domain& d = grid->domain;
    Domain saved;
    MAP_get_domain(&saved);
    MAP_domain(&d);
    float xc = 0.0F;
    float yc = 0.0F;
    MAP_tran(&xc, &yc, d.clat, d.clon);
    const float x0 = xc - static_cast<float>((d.nx - 1) / 2) * d.dx;
    const float y0 = yc + static_cast<float>((d.ny - 1) / 2) * d.dy;
    for (int j = 0; j < d.ny; ++j) {
        for (int i = 0; i < d.nx; ++i) {
            float& v = grid->values[static_cast<std::size_t>(j) * d.nx + i];
            if (is_missing(v)) continue;
            const float x = x0 + static_cast<float>(i) * d.dx;
            const float y = y0 - static_cast<float>(j) * d.dy;
            if (projx || projy) {
                v = projx ? x : y;
                continue;
            }
            float plat = kMissingF;
            float plon = kMissingF;
            MAP_untran(&plat, &plon, x, y);
            if (lon && !is_missing(plon)) plon = std::remainder(plon, 360.0F);
            v = lat ? plat : plon;
        }
    }
    MAP_domain(&saved);
    grid->variable = 0;
    if (lat || lon) {
        copy_text(grid->info, lat ? "Latitude (deg)" : "Longitude (deg)");
        copy_text(grid->units, "deg");
    } else {
        copy_text(grid->info, projx ? "Projection X" : "Projection Y");
        copy_text(grid->units, "");
    }
    return 1;
}

void GRD_scale(GridField* grid, float factor) {
    for (float& v : values_of(grid))
        if (!is_missing(v)) v *= factor;
}

void GRD_offset(GridField* grid, float offset) {
    for (float& v : values_of(grid))
        if (!is_missing(v)) v += offset;
}

int GRD_cutoff(GridField* dst, const char* mode, const GridField* src, float threshold,
               float replacement) {
    const bool lower = same_word(mode, "lower");
    const bool higher = same_word(mode, "higher");
    if (dst == nullptr || src == nullptr || src->values == nullptr || (!lower && !higher)) return 0;
    if (dst != src) {
        GRD_copy_info(dst, src);  // releases the old array of a pool slot
        *dst = *src;
        dst->values = nullptr;
        if (GRD_alloc(dst) == 0) return 0;
        std::copy(src->values, src->values + point_count(dst), dst->values);
    }
    for (float& v : values_of(dst)) {
        if (is_missing(v)) continue;
        if ((lower && v < threshold) || (higher && v > threshold)) v = replacement;
    }
    return 1;
}

int GRD_units(GridField* grid, const char* units) {
    if (grid == nullptr || grid->values == nullptr) return -1;
    const char* to = units != nullptr ? units : "";
    for (float& v : values_of(grid)) v = UNIT_cvt(grid->units, to, v);
    MESS_print(kMessDebug, "GRD_units: %s -> %s\n", grid->units, to);
    if (*to == '\0') return 0;
    copy_text(grid->units, to);
    UNIT_change(grid->info, to);
    return 0;
}

void GRD_print_value(const GridField* grid, float x, float y) {
    Domain current;
    MAP_get_domain(&current);
    const float value = GRD_get_value_domain(grid, &current, &x, &y);
    MESS_print(kMessPrint, "Grid: %6.2f,%6.2f", static_cast<double>(x), static_cast<double>(y));
    if (!is_missing(value)) MESS_print(kMessPrint, " = %6.2f", static_cast<double>(value));
    MESS_print(kMessPrint, "\n");
}

void GRD_print_value2(const GridField* u, const GridField* v, float x, float y) {
    Domain current;
    MAP_get_domain(&current);
    float vx = x;
    float vy = y;
    const float a = GRD_get_value_domain(u, &current, &x, &y);
    const float b = GRD_get_value_domain(v, &current, &vx, &vy);
    MESS_print(kMessPrint, "Grid: %6.2f,%6.2f", static_cast<double>(x), static_cast<double>(y));
    if (is_missing(a))
        MESS_print(kMessPrint, " = ");
    else
        MESS_print(kMessPrint, " = %6.2f", static_cast<double>(a));
    if (!is_missing(b)) MESS_print(kMessPrint, ",%6.2f", static_cast<double>(b));
    MESS_print(kMessPrint, "\n");
}

void GRD_print_info(unsigned level, GridField* grid, int form) {
    if (grid == nullptr || MESS_check(level) == 0) return;
    switch (form) {
    case -2:
    case -1:
        if (grid->label[0] == '\0') DATE_make_label(&grid->date, grid->label);
        if (grid->info[0] == '\0') GRD_make_datatype(grid);
        MESS_print(level, "%s - %s\n", grid->label, grid->info);
        break;
    case 0:
        MESS_print(level, "%s-%s\n", grid->label, grid->info);
        break;
    case 1:
        MESS_print(level, "Model: %d Ltype: %d Level: %d Var: %d [%s] Hour: %d Grid: %d\n",
                   grid->model, grid->level_type, grid->level, grid->variable, grid->units,
                   grid->hour, grid->grid_number);
        break;
    case 2: {
        const Domain& d = grid->domain;
        if (is_missing(d.proj)) break;
        MESS_print(level, "Proj: %d Lat: %3.2f Lon: %3.2f NX: %d NY: %d DX: %3.2f DY: %3.2f\n",
                   d.proj, static_cast<double>(d.clat), static_cast<double>(d.clon), d.nx, d.ny,
                   static_cast<double>(d.dx), static_cast<double>(d.dy));
        break;
    }
    case 3:
        GRD_make_datatype(grid);
        MESS_print(level, "%s\n", grid->info);
        break;
    default:
        break;
    }
}

void GRD_print(unsigned level, GridField* grid) {
    if (grid == nullptr || MESS_check(level) == 0) return;
    GRD_print_info(level, grid, -1);
    GRD_print_info(level, grid, 0);
    MESS_print(level, "Domain: ");
    DOM_print(level, &grid->domain);
}

void GRD_reset_for_tests() {
    for (GridField& s : g.slots) release_values(&s);
    g = GridState{};
}

}  // namespace orv
