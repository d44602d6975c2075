#include "plot/vect_plt.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/menu.hpp"
#include "core/system.hpp"
#include "core/tools.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "core/var_tool.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "plot/colors.hpp"
#include "plot/cont.hpp"
#include "plot/data_plt.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"
#include "plot/vecttool.hpp"
#include "plot/windbarb.hpp"

namespace orv {
namespace {

constexpr float kSlowest = 0.001F;

struct VectState {
    int type = kMissing;
    bool type_set = false;  // chosen by VECT_set_type: kept by VECT_init
    float interval = kMissingF;
    float base = kMissingF;
    float min_cut = kMissingF;
    float max_cut = kMissingF;
    float scale = 1.0F;
    float arrow_scale = 1.0F;
    int skip_x = 1;
    int skip_y = 1;
    float max_speed = 0.0F;
    int key = 0;
    int uvgrid = 0;
    float vector_size = 0.0F;
    int var_type = kMissing;
    std::string format;
    bool lower_right = true;
    bool colour_levels = false;
    AttribRecord arrow{};
    Domain domain{};
    int streams = 0;
    float knots = 1.0F;  // barbs count knots: the factor from the grids' units
};
VectState g;

// What the first frame of each variable chose, reused by later frames.
constexpr int kRemembered = 60;
struct VariableMemory {
    int type = kMissing;
    float interval = kMissingF;
    float base = kMissingF;
};
VariableMemory memory[kRemembered];

// The picture of VECT_plot_grid.
struct PlotGrids {
    const GridField* u = nullptr;
    const GridField* v = nullptr;
    DataCallbackFunc callback = nullptr;
};
PlotGrids plot_grids;

// The field prepared for drawing: plot positions of the grid points, the
// components turned to the plot's north, and for streamlines the motion in
// grid points per unit time.
struct Node;
struct Field {
    int nx = 0;
    int ny = 0;
    std::vector<float> x, y;     // plot positions
    std::vector<float> pu, pv;   // plot-frame components
    std::vector<float> gu, gv;   // grid-frame motion (columns, rows downward)
    std::vector<float> speed;
    std::vector<struct Node> nodes;  // the same per point, together for the tracer
};

struct Node {
    float x, y, gu, gv, speed;
};

bool iequal_prefix(std::string_view text, const char* key) {
    const std::size_t n = std::strlen(key);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != key[i]) return false;
    return true;
}

bool iequal(std::string_view text, const char* key) { return text.size() == std::strlen(key) && iequal_prefix(text, key); }

float number_after(std::string_view field, std::size_t at) {
    const std::string s(field.substr(std::min(at, field.size())));
    return static_cast<float>(std::atof(s.c_str()));
}

std::size_t at(const Field& f, int i, int j) { return static_cast<std::size_t>(j) * f.nx + i; }

// All of a point's tracing values at fractional grid coordinates; false
// outside the grid or next to a point without them.
bool interpolate(const Field& f, float i, float j, Node* out) {
    if (!(i >= 0.0F && j >= 0.0F && i <= static_cast<float>(f.nx - 1) && j <= static_cast<float>(f.ny - 1)))
        return false;
    const int i0 = std::min(static_cast<int>(i), std::max(f.nx - 2, 0));
    const int j0 = std::min(static_cast<int>(j), std::max(f.ny - 2, 0));
    const int i1 = std::min(i0 + 1, f.nx - 1);
    const int j1 = std::min(j0 + 1, f.ny - 1);
    const float fx = i - static_cast<float>(i0);
    const float fy = j - static_cast<float>(j0);
    const Node& a = f.nodes[at(f, i0, j0)];
    const Node& b = f.nodes[at(f, i1, j0)];
    const Node& c = f.nodes[at(f, i0, j1)];
    const Node& d = f.nodes[at(f, i1, j1)];
    for (const Node* n : {&a, &b, &c, &d})
        if (is_missing(n->gu) || is_missing(n->x)) return false;
    const float wa = (1 - fx) * (1 - fy), wb = fx * (1 - fy), wc = (1 - fx) * fy, wd = fx * fy;
    out->x = wa * a.x + wb * b.x + wc * c.x + wd * d.x;
    out->y = wa * a.y + wb * b.y + wc * c.y + wd * d.y;
    out->gu = wa * a.gu + wb * b.gu + wc * c.gu + wd * d.gu;
    out->gv = wa * a.gv + wb * b.gv + wc * c.gv + wd * d.gv;
    out->speed = wa * a.speed + wb * b.speed + wc * c.speed + wd * d.speed;
    return true;
}

// The plot motion of one grid step along a row (a, c) and down a column (b, d)
// at a point: the local shape of the grid on the plot.
struct GridAxes {
    float a, b, c, d;
    float det() const { return a * d - b * c; }
};

bool local_axes(const Field& f, int i, int j, GridAxes* axes) {
    const int i0 = std::max(i - 1, 0), i1 = std::min(i + 1, f.nx - 1);
    const int j0 = std::max(j - 1, 0), j1 = std::min(j + 1, f.ny - 1);
    if (i0 == i1 || j0 == j1) return false;
    const float* xs = f.x.data();
    const float* ys = f.y.data();
    for (std::size_t k : {at(f, i0, j), at(f, i1, j), at(f, i, j0), at(f, i, j1)})
        if (is_missing(xs[k]) || is_missing(ys[k])) return false;
    const auto di = static_cast<float>(i1 - i0), dj = static_cast<float>(j1 - j0);
    *axes = {(xs[at(f, i1, j)] - xs[at(f, i0, j)]) / di, (xs[at(f, i, j1)] - xs[at(f, i, j0)]) / dj,
             (ys[at(f, i1, j)] - ys[at(f, i0, j)]) / di, (ys[at(f, i, j1)] - ys[at(f, i, j0)]) / dj};
    const float det = axes->det();
    return std::isfinite(det) && std::fabs(det) >= 1e-12F;
}

// Grid motion from plot-frame components.
void grid_motion(Field& f, int i, int j) {
    const std::size_t k = at(f, i, j);
    GridAxes axes{};
    if (is_missing(f.pu[k]) || !local_axes(f, i, j, &axes)) return;
    const float det = axes.det();
    f.gu[k] = (axes.d * f.pu[k] - axes.b * f.pv[k]) / det;
    f.gv[k] = (-axes.c * f.pu[k] + axes.a * f.pv[k]) / det;
}

// Plot-frame components of a wind given along the grid's own axes (x east
// along a row, y up the grid: against the row order, rows being stored from
// the top): the direction is the one the grid step takes on the plot, in any
// pair of grid and plot projections.
bool plot_components(Field& f, int i, int j, const Domain& grid, float u, float v, float speed) {
    GridAxes ax{};
    if (!local_axes(f, i, j, &ax)) return false;
    const float step_i = u / grid.dx, step_j = -v / grid.dy;
    const float px = ax.a * step_i + ax.b * step_j;
    const float py = ax.c * step_i + ax.d * step_j;
    const float norm = std::hypot(px, py);
    if (!(norm > 0.0F)) return false;
    const std::size_t k = at(f, i, j);
    f.pu[k] = speed * px / norm;
    f.pv[k] = speed * py / norm;
    return true;
}

bool prepare(Field& f, const GridField* u, const GridField* v, const Domain* domain) {
    f.nx = u->domain.nx;
    f.ny = u->domain.ny;
    const std::size_t n = static_cast<std::size_t>(f.nx) * static_cast<std::size_t>(f.ny);
    float* xs = nullptr;
    float* ys = nullptr;
    if (GRD_proj_XY(u, domain, &xs, &ys) != 0) return false;
    f.x.assign(xs, xs + n);
    f.y.assign(ys, ys + n);
    std::free(xs);
    std::free(ys);
    f.pu.assign(n, kMissingF);
    f.pv.assign(n, kMissingF);
    f.gu.assign(n, kMissingF);
    f.gv.assign(n, kMissingF);
    f.speed.assign(n, kMissingF);
    for (int j = 0; j < f.ny; ++j)
        for (int i = 0; i < f.nx; ++i) {
            const std::size_t k = at(f, i, j);
            float direction = 0.0F, speed = 0.0F;
            if (is_missing(f.x[k]) || vect2wind(&direction, &speed, u->values[k], v->values[k]) != 0) continue;
            if (g.uvgrid != 0 && speed > 0.0F) {
                if (!plot_components(f, i, j, u->domain, u->values[k], v->values[k], speed)) continue;
            } else {
                wind2vect(&f.pu[k], &f.pv[k], MAP_dir_adj(direction, f.x[k], f.y[k]), speed);
            }
            f.speed[k] = speed;
        }
    for (int j = 0; j < f.ny; ++j)
        for (int i = 0; i < f.nx; ++i) grid_motion(f, i, j);
    f.nodes.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const bool present = !is_missing(f.gu[k]) && !is_missing(f.gv[k]);
        f.nodes[k] = {f.x[k], f.y[k], present ? f.gu[k] : kMissingF, f.gv[k], f.speed[k]};
    }
    return true;
}

bool outside_cutoffs(float speed) {
    return (!is_missing(g.min_cut) && speed < g.min_cut) || (!is_missing(g.max_cut) && speed > g.max_cut);
}

// Line attributes for a speed: false when nothing is to be drawn.
bool set_speed_colour(float speed) {
    if (outside_cutoffs(speed)) return false;
    if (!g.colour_levels) return g.arrow.color != kColorNone;
    AttribRecord a = g.arrow;
    AttribRecord level;
    if (CONT_get_fill_attrib(&level, speed) < 0 || level.color == kColorNone) return false;
    a.color = level.color;
    GPH_line_attr(&a);
    GPH_fill_attr(&a);
    return true;
}

void read_base() {
    int n = 0;
    char** items = nullptr;
    RES_getvals("con_base", &n, &items);
    for (int k = 0; k < n; ++k) {
        const char* e = items[k];
        while (*e == ' ') ++e;
        if (*e == '>') g.min_cut = static_cast<float>(std::atof(e + 1));
        else if (*e == '<') g.max_cut = static_cast<float>(std::atof(e + 1));
        else if (*e != '\0') g.base = static_cast<float>(std::atof(e));
    }
    free_parsed_array(n, items);
    CONT_set_cutoff(g.max_cut, g.min_cut);
}

void draw_arrows(const Field& f) {
    for (int j = 0; j < f.ny; j += g.skip_y) {
        for (int i = 0; i < f.nx; i += g.skip_x) {
            const std::size_t k = at(f, i, j);
            float direction = 0.0F, speed = 0.0F;
            if (vect2wind(&direction, &speed, f.pu[k], f.pv[k]) != 0 || !set_speed_colour(speed)) continue;
            if (g.type == kVectBarbs)
                WIND_barb(f.x[k], f.y[k], direction, speed * g.knots, g.vector_size, 0.0F);
            else if (g.max_speed > 0.0F)
                WIND_vect(f.x[k], f.y[k], direction, speed / g.max_speed, g.vector_size, 1.0F);
        }
    }
}

// ---------------------------------------------------------------- streamlines

struct Crowding {
    int columns = 0;
    int rows = 0;
    std::vector<int> counts;
    int cell(float gi, float gj) const {
        const int c = std::clamp(static_cast<int>(2.0F * gi / static_cast<float>(g.skip_x) + 0.0001F), 0, columns - 1);
        const int r = std::clamp(static_cast<int>(2.0F * gj / static_cast<float>(g.skip_y) + 0.0001F), 0, rows - 1);
        return r * columns + c;
    }
};

struct Tracer {
    const Field& f;
    Crowding& crowd;
    float limit;
    int max_steps;
    std::vector<GPoint>& line;  // kept between lines so that it is allocated once
};

float length(float a, float b) { return std::sqrt(a * a + b * b); }

void head_at(GPoint from, GPoint to) {
    const float dx = to.x - from.x, dy = to.y - from.y;
    const float length = std::hypot(dx, dy);
    if (length <= 0.0F) return;
    const float direction = static_cast<float>(std::atan2(-dx, -dy) * kRadToDeg);
    WIND_vect(from.x, from.y, direction, length, 1.0F, 4.0F * g.arrow_scale);
}

void flush(std::vector<GPoint>& line) {
    if (line.size() >= 2) gpolyline(static_cast<int>(line.size()), line.data());
    line.clear();
}

int trace(const Tracer& t, float gi, float gj) {
    const Field& f = t.f;
    const int head_every = std::max(1, static_cast<int>(10.0F * g.arrow_scale));
    const bool coloured = g.colour_levels || !is_missing(g.min_cut) || !is_missing(g.max_cut);
    std::vector<GPoint>& line = t.line;
    line.clear();
    Node here{};
    if (!interpolate(f, gi, gj, &here)) return 0;
    GPoint previous{here.x, here.y};
    GPoint before = previous;
    float last_u = 0.0F, last_v = 0.0F;
    int last_cell = -1, in_cell = 0, steps = 0;
    for (; steps < t.max_steps; ++steps) {
        if (here.speed < kSlowest) break;
        const float m = length(here.gu, here.gv);
        if (!(m > 0.0F)) break;
        const int cell = t.crowd.cell(gi, gj);
        if (cell != last_cell) {
            ++t.crowd.counts[static_cast<std::size_t>(cell)];
            in_cell = 0;
            last_cell = cell;
        } else if (++in_cell > 6 * g.skip_x) {
            break;
        }
        if (steps >= 5 && static_cast<float>(t.crowd.counts[static_cast<std::size_t>(cell)]) > t.limit) break;
        // A turn of more than 120 degrees either way ends the line.
        const float du = here.gu / m, dv = here.gv / m;
        if (steps > 0 && du * last_u + dv * last_v < -0.5F) break;
        last_u = du;
        last_v = dv;
        // The step's direction is taken half a step on (a midpoint step), so
        // that curved flow is followed without spiralling outward.
        float su = du, sv = dv;
        Node half{};
        if (interpolate(f, gi + du / 8.0F, gj + dv / 8.0F, &half)) {
            const float hm = length(half.gu, half.gv);
            if (hm > 0.0F) {
                su = half.gu / hm;
                sv = half.gv / hm;
            }
        }
        const float ni = gi + su / 4.0F;
        const float nj = gj + sv / 4.0F;
        Node next{};
        if (!interpolate(f, ni, nj, &next)) break;
        const GPoint to{next.x, next.y};
        if (coloured) {
            flush(line);
            if (set_speed_colour(here.speed)) {
                const GPoint seg[2] = {previous, to};
                gpolyline(2, seg);
            }
        } else {
            if (line.empty()) line.push_back(previous);
            line.push_back(to);
        }
        if ((steps + 1) % head_every == 0 && (!coloured || set_speed_colour(here.speed))) head_at(previous, to);
        before = previous;
        previous = to;
        here = next;
        gi = ni;
        gj = nj;
    }
    flush(line);
    if (steps > 0) head_at(before, previous);
    return steps;
}

int draw_streams(const Field& f, const GridField* u) {
    Crowding crowd;
    crowd.columns = 2 * f.nx;
    crowd.rows = 2 * f.ny;
    crowd.counts.assign(static_cast<std::size_t>(4) * f.nx * f.ny + 1, 0);
    const float limit = is_missing(g.base) || g.base <= 0.0F ? 1.0F : g.base;
    int max_steps = 4 * f.nx;
    if (g.scale > 0.0F && g.scale != 1.0F) max_steps = static_cast<int>(static_cast<float>(max_steps) * g.scale);
    std::vector<GPoint> line;
    const Tracer t{f, crowd, limit, max_steps, line};
    (void)u;
    // Four sweeps, each from the upstream side of one flow quadrant.
    struct Sweep {
        bool left_to_right, top_to_bottom, east, north;
    };
    constexpr Sweep kSweeps[] = {{true, true, true, true}, {true, false, true, false},
                                 {false, true, false, true}, {false, false, false, false}};
    for (const Sweep& s : kSweeps) {
        for (int ii = 0; ii < f.nx; ii += g.skip_x) {
            const int i = s.left_to_right ? ii : f.nx - 1 - ii;
            for (int jj = 0; jj < f.ny; jj += g.skip_y) {
                const int j = s.top_to_bottom ? jj : f.ny - 1 - jj;
                const std::size_t k = at(f, i, j);
                if (is_missing(f.pu[k]) || (f.pu[k] >= 0.0F) != s.east || (f.pv[k] >= 0.0F) != s.north) continue;
                // A seed on a line already drawn would only draw over it.
                if (static_cast<float>(crowd.counts[static_cast<std::size_t>(
                        crowd.cell(static_cast<float>(i), static_cast<float>(j)))]) >= limit)
                    continue;
                if (trace(t, static_cast<float>(i), static_cast<float>(j)) > 0) ++g.streams;
            }
        }
    }
    return g.streams;
}

// The grid store's maximum passes over points with a zero component, so a
// purely zonal or meridional field would have none.
float largest_speed(const GridField* u, const GridField* v) {
    const std::size_t n = static_cast<std::size_t>(std::max(u->domain.nx, 0)) * std::max(u->domain.ny, 0);
    float largest = 0.0F;
    for (std::size_t k = 0; k < n; ++k)
        if (!is_missing(u->values[k]) && !is_missing(v->values[k]))
            largest = std::max(largest, std::hypot(u->values[k], v->values[k]));
    return largest;
}

bool valid_grids(const GridField* u, const GridField* v) {
    if (u == nullptr || v == nullptr) {
        MESS_print(kMessError, "VECT_draw: Invalid grids\n");
        return false;
    }
    if (u->values == nullptr || v->values == nullptr || u->domain.nx < 1 || u->domain.ny < 1 ||
        u->domain.nx != v->domain.nx || u->domain.ny != v->domain.ny) {
        MESS_print(kMessError, "VECT_draw: Invalid grid arrays\n");
        return false;
    }
    return true;
}

void set_labels(const GridField* u) {
    if (u->label[0] != '\0') PLT_label_up_right(u->label);
    char number[32];
    char text[64];
    if (!(g.key != 0 && g.type == kVectArrows) && g.lower_right) {
        std::snprintf(text, sizeof text, "MAX: %s", set_num(number, "5.3.1", g.max_speed));
        PLT_label_low_right(text);
    }
    if (g.interval > 0.0F && CONT_get_bar() < 1) {
        std::snprintf(text, sizeof text, "INTERVAL: %s", set_num(number, "5.1.1", g.interval));
        PLT_label_low_left(text);
    }
}

}  // namespace

void VECT_init() {
    const int type = g.type;
    const bool kept = g.type_set;
    const std::string format = g.format;
    const int var_type = g.var_type;
    g = VectState{};
    if (kept) {
        g.type = type;
        g.type_set = true;
    }
    g.format = format;
    g.var_type = var_type;
    float scale = 1.0F;
    if (RES_getval("plot_scale", &scale, kResReal) > 0 && scale > 0.0F) g.scale = scale;
}

void VECT_set_scale(float scale) { g.scale = scale; }
void VECT_set_intrvl(float interval) { g.interval = interval; }
float VECT_get_intrvl() { return g.interval; }
void VECT_set_max(float max) { g.max_speed = max; }
void VECT_set_type(int type) {
    g.type = type;
    g.type_set = !is_missing(type);
}
int VECT_get_type() { return g.type; }
void VECT_set_vect(int flag) { g.key = flag; }
int VECT_get_vect() { return g.key; }
float VECT_get_vector_size() { return g.vector_size; }
void VECT_set_base(float base) { g.base = base; }
void VECT_set_format(int type, const char* format) {
    g.var_type = type;
    g.format = format != nullptr ? format : "";
}

int VECT_format_decode_type() {
    if (g.var_type == kVectArrows || g.var_type == kVectStreams) g.type = g.var_type;
    std::string_view rest(g.format);
    while (!rest.empty()) {
        const std::size_t cut = rest.find(':');
        const std::string_view f = rest.substr(0, cut);
        if (iequal(f, "vect")) g.type = kVectArrows;
        else if (iequal(f, "stream") || iequal(f, "strm")) g.type = kVectStreams;
        else if (iequal(f, "barb")) g.type = kVectBarbs;
        else if (iequal(f, "vbar")) g.key = 1;
        else if (iequal(f, "nolr")) g.lower_right = false;
        else if (iequal_prefix(f, "sk=")) g.skip_x = g.skip_y = std::max(1, static_cast<int>(number_after(f, 3)));
        else if (iequal_prefix(f, "sc=")) g.scale = number_after(f, 3);
        else if (iequal_prefix(f, "ss=")) g.arrow_scale = number_after(f, 3);
        else if (iequal_prefix(f, "in=")) g.interval = number_after(f, 3);
        else if (iequal_prefix(f, "cb=")) g.base = number_after(f, 3);
        else if (iequal_prefix(f, "mn=")) g.min_cut = number_after(f, 3);
        else if (iequal_prefix(f, "mx=")) g.max_cut = number_after(f, 3);
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    if (!(g.scale > 0.0F) || !std::isfinite(g.scale)) g.scale = 1.0F;
    if (!(g.arrow_scale > 0.0F) || !std::isfinite(g.arrow_scale)) g.arrow_scale = 1.0F;
    return g.type;
}

int VECT_param_decode() {
    int n = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &n, &items);
    for (int k = 0; k < n; ++k) {
        const std::string_view p(items[k]);
        if (iequal(p, "vect") || iequal(p, "vbar")) {
            g.key = 1;
        } else if (iequal(p, "uvgrid")) {
            g.uvgrid = 1;
        } else if (iequal(p, "uvew")) {
            g.uvgrid = 0;
        } else if (iequal_prefix(p, "strm_sc")) {
            const float s = number_after(p, 8);
            g.arrow_scale = s > 0.0F ? s : 1.0F;
        } else if (iequal_prefix(p, "wv_skip")) {
            int a = 1, b = 1;
            const std::string s(p.substr(std::min<std::size_t>(8, p.size())));
            const int got = std::sscanf(s.c_str(), "%d:%d", &a, &b);
            if (got == 1) b = a;
            if (got >= 1) {
                g.skip_x = std::max(1, a);
                g.skip_y = std::max(1, b);
            }
        } else if (iequal(p, "bar")) {
            CONT_set_bar(1);
        } else if (iequal(p, "nobar")) {
            CONT_set_bar(-1);
        }
    }
    free_parsed_array(n, items);
    return 0;
}

int VECT_prompt_type() {
    if (!is_missing(g.type) && g.type != 10 && g.type != 20) return g.type;
    const int flag = FLAG_get(kFlagPlotType);
    if (flag >= kVectArrows && flag <= kVectStreams) {
        g.type = flag;
    } else if (FLAG_batch() != 0) {
        g.type = kVectArrows;
    } else {
        char reply[32] = "";
        ORV_prompts("Vectors (V) or Streamlines (S): ", reply, static_cast<int>(sizeof reply));
        const std::string_view r(reply);
        if (iequal(r, "none")) g.type = kVectNone;
        else if (iequal(r, "vect")) g.type = kVectArrows;
        else if (iequal(r, "barb")) g.type = kVectBarbs;
        else if (iequal(r, "stream") || iequal(r, "strm")) g.type = kVectStreams;
        else {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(reply[0])));
            g.type = c == 'S' || c == 'Y' ? kVectStreams : c == 'B' ? kVectBarbs : kVectArrows;
        }
    }
    return g.type;
}

int VECT_plot_setup(int frame, int variable, const GridField* u, const GridField* v, const Domain* domain,
                    DataCallbackFunc callback) {
    (void)callback;
    if (FLAG_get(kFlagPlotType) == kVectNone || u == nullptr || v == nullptr) return -1;
    CONT_init();
    VECT_init();
    const bool known_variable = variable >= 0 && variable < kRemembered;
    if (frame > 0 && known_variable) {
        const VariableMemory& m = memory[variable];
        if (!is_missing(m.type)) g.type = m.type;
        g.interval = m.interval;
        g.base = m.base;
    }
    VECT_format_decode_type();
    VECT_param_decode();
    if (u->values == nullptr || v->values == nullptr) return -1;
    g.domain = domain != nullptr ? *domain : u->domain;
    MESS_print(kMessMess, "Plotting wind vectors\n\n");
    CONT_set_fill_colors(nullptr, 0);
    VECT_prompt_type();
    GRD_UVmax(u, v, &g.max_speed);
    if (!(g.max_speed > 0.0F)) g.max_speed = largest_speed(u, v);
    float interval = kMissingF;
    if (RES_getval("con_interval", &interval, kResReal) > 0 && interval > 0.0F) g.interval = interval;
    read_base();
    g.colour_levels = g.interval > 0.0F;
    if (g.colour_levels) {
        CONT_set_base(0.0F);
        CONT_set_intrvl(g.interval);
        CONT_set_range(g.max_speed, 0.0F);
        if (is_missing(CONT_get_type())) CONT_set_type(15);
    }
    set_labels(u);
    if (frame == 0 && known_variable) memory[variable] = {g.type, g.interval, g.base};
    return 0;
}

int VECT_draw(const GridField* u, const GridField* v) {
    g.streams = 0;
    if (!valid_grids(u, v)) return -1;
    if (FLAG_getplot(kPlotData) == 0 || g.type == kVectNone) return 0;
    read_base();
    float scale = 1.0F;
    if (RES_getval("plot_scale", &scale, kResReal) > 0 && scale > 0.0F) g.scale = scale;
    g.vector_size = g.scale;
    if (!is_missing(g.base) && g.base > 0.0F && g.type != kVectStreams) g.vector_size *= g.max_speed / g.base;
    g.vector_size *= u->domain.dx;
    ATTRIB_init(&g.arrow);
    ATTRIB_get("color_cont", gget_inverse() != 0 ? "black" : "white", &g.arrow);
    CONT_format_decode_attrib(g.format.c_str(), &g.arrow);
    if (g.arrow.color == kColorNone) return 0;
    GPH_line_attr(&g.arrow);
    GPH_fill_attr(&g.arrow);
    g.knots = std::strcmp(u->units, "m/s") == 0 ? 1.0F / 0.5144F : 1.0F;
    Field f;
    if (!prepare(f, u, v, &g.domain)) {
        MESS_print(kMessError, "VECT_draw: Unable to allocate grid arrays\n");
        return -1;
    }
    if (g.type == kVectStreams) {
        draw_streams(f, u);
        if (g.streams == 0) {
            MESS_print(kMessWarn, "No streamlines: the wind is calm or missing everywhere\n");
            ORV_note_failure(kExitNothingDrawn);
        }
    } else {
        draw_arrows(f);
    }
    return 0;
}

int VECT_stream(const GridField* u, const GridField* v, int column, int row, int steps) {
    if (!valid_grids(u, v)) return -1;
    Field f;
    if (!prepare(f, u, v, &g.domain)) return -1;
    Crowding crowd;
    crowd.columns = 2 * f.nx;
    crowd.rows = 2 * f.ny;
    crowd.counts.assign(static_cast<std::size_t>(4) * f.nx * f.ny + 1, 0);
    std::vector<GPoint> line;
    const Tracer t{f, crowd, 1.0F, steps, line};
    return trace(t, static_cast<float>(column), static_cast<float>(row));
}

int VECT_draw_vect() {
    AttribRecord text;
    ATTRIB_init(&text);
    ATTRIB_get("color_text", gget_inverse() != 0 ? "black" : "white", &text);
    if (text.color == kColorNone || g.max_speed <= 0.0F) return 0;
    float view[4];
    GPH_get_view(2, view);
    float window[4];
    GPH_get_win(2, window);
    const float view_height = view[3] - view[2];
    const float plot_height = window[3] - window[2];
    if (!(plot_height > 0.0F)) return 0;
    const float length = g.vector_size * view_height / plot_height;
    const float x = view[1] - 0.01F * (view[1] - view[0]);
    const float y = view[2] - 0.025F * view_height;
    GPH_line_attr(&g.arrow);
    WIND_vect(x - length, y, 270.0F, 1.0F, length, 1.0F);
    GPH_text_attr(&text, 0.015F * view_height);
    GPH_text_align(3, 3);
    char number[32];
    GPH_printf("MAX VECTOR: %s m/s ", x - length, y, set_num(number, "5.3.1", g.max_speed));
    return 1;
}

namespace {

int vect_callback(const char* event, float x, float y) {
    PLT_print_values(event, x, y);
    PLT_plot_zoom(event, x, y);
    PLT_plot_resize(event, x, y);
    return 0;
}

}  // namespace

int VECT_plot(const Domain* domain) {
    if (FLAG_get(kFlagPlotType) == kVectNone || domain == nullptr) return 0;
    const bool opened = PLT_begin(DOM_aspect(domain));
    PLT_set_callback(plot_grids.callback != nullptr ? plot_grids.callback : vect_callback);
    PLT_set_zoom_func(VECT_plot);
    PLT_set_resize_func(VECT_plot);
    MAP_setup(domain);
    const GridField* u = plot_grids.u;
    const GridField* v = plot_grids.v;
    const int variable = u != nullptr ? u->variable : kMissing;
    int rc = VECT_plot_setup(0, variable, u, v, domain, plot_grids.callback);
    if (rc != 0) {
        MESS_print(kMessWarn, "No wind vectors to plot: the component grids are missing\n");
        ORV_note_failure(kExitNothingDrawn);
    }
    MAP_draw(kMapUnderlay | kMapNormal);
    if (rc == 0) rc = VECT_draw(u, v);
    MAP_draw(kMapOverlay);
    PLT_labels();
    if (rc == 0 && g.key > 0) {
        GPH_trans(1);
        VECT_draw_vect();
        GPH_trans(2);
    }
    if (rc == 0 && g.colour_levels && CONT_get_bar() > 0) CONT_draw_bar(1, "");
    PLT_dump(0);
    if (opened) PLT_close();
    return rc;
}

int VECT_plot_grid(const GridField* u, const GridField* v, const Domain* domain, DataCallbackFunc callback) {
    plot_grids = {u, v, callback};
    const bool unset_domain = domain == nullptr || domain->proj == kProjNone;
    return VECT_plot(unset_domain && u != nullptr ? &u->domain : domain);
}

int VECT_find_param_grids(int v, int n, int function, int* slots) {
    (void)function;
    if (slots == nullptr || n < 1 || v < 0) return -1;
    for (int k = 0; k < n; ++k) {
        const GridField* grid = v + k < VAR_get_num() ? GRD_get_grid(v + k) : nullptr;
        if (grid == nullptr || grid->values == nullptr) {
            MESS_print(kMessWarn, "No wind components to draw vectors of %s\n",
                       v < VAR_get_num() ? VAR_get_name(v) : "");
            ORV_note_failure(kExitNothingDrawn);
            return -1;
        }
        slots[k] = v + k;
    }
    return v + n - 1;
}

int VECT_get_num_streams() { return g.streams; }

void VECT_register_hooks() {
    DataSeams* s = DATA_seams();
    s->vect_set_type = VECT_set_type;
    s->vect_set_format = VECT_set_format;
    s->find_param_grids = VECT_find_param_grids;
    s->vect_plot = [](int frame, int variable, const GridField* u, const GridField* v, const Domain* domain,
                      DataCallbackFunc callback) {
        if (VECT_plot_setup(frame, variable, u, v, domain, callback) != 0) {
            MESS_print(kMessWarn, "No wind vectors to plot: the component grids are missing\n");
            ORV_note_failure(kExitNothingDrawn);
            return -1;
        }
        return VECT_draw(u, v);
    };
    s->vect_get_vect = VECT_get_vect;
    s->vect_draw_vect = VECT_draw_vect;
}

void VECT_reset_for_tests() {
    g = VectState{};
    for (VariableMemory& m : memory) m = VariableMemory{};
    plot_grids = PlotGrids{};
}

}  // namespace orv
