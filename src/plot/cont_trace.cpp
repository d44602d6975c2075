// Contour tracing, cell by cell.
//
// Every corner is classed as above or below a level (a corner equal to the
// level counts as above), so a level crosses a side exactly when its two
// corners fall in different classes, and a level through a grid point is
// drawn once. A cell is crossed on 0, 2 or 4 sides; with four (a saddle) the
// saddle measure picks the pairing. Band polygons are built by walking the
// cell boundary counter-clockwise and jumping along the same segments that
// the lines use, so neighbouring bands share their edges exactly and the
// bands tile every cell without gaps or overlaps.
#include "plot/cont_trace.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/orv.hpp"

namespace orv {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kMercatorWidth = 400.31555892808814;
constexpr float kMercatorDrawWidth = 400.3155517578125F;
constexpr double kMercatorHalf = 200.16029273816693;
constexpr float kWrapJump = 50.0F;
constexpr float kMollweideJump = 10.0F;

// First and second corner of each side.
constexpr int kSideFrom[4] = {0, 0, 2, 1};
constexpr int kSideTo[4] = {1, 2, 3, 3};

// The counter-clockwise walk round a cell: corner, then the side leading to
// the next corner and whether the walk runs against the side's direction.
constexpr int kWalkCorner[4] = {0, 1, 3, 2};
constexpr int kWalkSide[4] = {0, 3, 2, 1};
constexpr bool kWalkReversed[4] = {false, false, true, true};

int wrap_index(int k, int n) {
    if (n <= 0) return 0;
    const int r = k % n;
    return r < 0 ? r + n : r;
}

bool same_point(GPoint a, GPoint b) { return a.x == b.x && a.y == b.y; }

// Pieces that shrink to a point or a line (a band touching a corner) are
// not drawn.
double twice_area(int n, const GPoint* pts) {
    double sum = 0.0;
    for (int k = 0; k + 1 < n; ++k) {
        sum += static_cast<double>(pts[k].x) * pts[k + 1].y - static_cast<double>(pts[k + 1].x) * pts[k].y;
    }
    return sum;
}

struct Cell {
    float z[4];
    GPoint pos[4];
    float zmin;
    float zmax;
};

class Tracer {
public:
    Tracer(const ContField& f, const ContLevels& l, const ContWrap& w, ContSink& s)
        : field_(f), lev_(l), wrap_(w), sink_(s) {}

    int run();

private:
    bool load_cell(int i, int top_row, Cell* cell) const;
    float level_value(int k) const;
    void index_range(const Cell& cell, int* first, int* last) const;
    void fill_cell(const Cell& cell);
    void lines_cell(const Cell& cell);
    void band(const Cell& cell, int color, float lo, float hi);
    GPoint crossing_point(const Cell& cell, int side, float f) const {
        return cont_int_xy(wrap_, cell.pos[kSideFrom[side]], cell.pos[kSideTo[side]], f);
    }
    int color_of(int k) const { return wrap_index(lev_.first_color + k, lev_.num_colors); }

    const ContField& field_;
    const ContLevels& lev_;
    const ContWrap& wrap_;
    ContSink& sink_;
    std::vector<float> list_;  // explicit levels made non-decreasing
};

bool Tracer::load_cell(int i, int top_row, Cell* cell) const {
    const int nx = field_.nx;
    const int bottom_row = top_row + 1;
    const std::array<int, 4> idx = {bottom_row * nx + i, bottom_row * nx + i + 1, top_row * nx + i,
                                    top_row * nx + i + 1};
    const float j = static_cast<float>(field_.ny - 1 - bottom_row);
    for (int c = 0; c < 4; ++c) {
        const float v = field_.z[idx[c]];
        if (is_missing(v) || !std::isfinite(v)) return false;
        cell->z[c] = v;
        if (field_.x != nullptr && field_.y != nullptr) {
            const GPoint p{field_.x[idx[c]], field_.y[idx[c]]};
            if (is_missing(p.x) || is_missing(p.y)) return false;
            cell->pos[c] = p;
        } else {
            cell->pos[c] = {static_cast<float>(i + (c & 1)), j + static_cast<float>(c >> 1)};
        }
    }
    cell->zmin = *std::min_element(cell->z, cell->z + 4);
    cell->zmax = *std::max_element(cell->z, cell->z + 4);
    return true;
}

float Tracer::level_value(int k) const {
    if (!list_.empty()) return k < static_cast<int>(list_.size()) ? list_[k] : kInf;
    return static_cast<float>(static_cast<double>(lev_.lowest) + k * static_cast<double>(lev_.interval));
}

// Indices of the levels that may matter for a cell (one either side spare).
void Tracer::index_range(const Cell& cell, int* first, int* last) const {
    if (!list_.empty()) {
        *first = 0;
        *last = lev_.count;
        return;
    }
    const double lo = std::floor((cell.zmin - static_cast<double>(lev_.lowest)) / lev_.interval) - 1;
    const double hi = std::floor((cell.zmax - static_cast<double>(lev_.lowest)) / lev_.interval) + 1;
    *first = static_cast<int>(std::clamp(lo, 0.0, static_cast<double>(lev_.count)));
    *last = static_cast<int>(std::clamp(hi, 0.0, static_cast<double>(lev_.count)));
}

int Tracer::run() {
    if (field_.z == nullptr || field_.nx < 2 || field_.ny < 2 || lev_.count <= 0) return 0;
    if (lev_.list != nullptr) {
        float running = -kInf;
        for (int k = 0; k < lev_.count; ++k) {
            if (std::isfinite(lev_.list[k])) running = std::max(running, lev_.list[k]);
            list_.push_back(running);
        }
    } else if (!(lev_.interval > 0.0F) || !std::isfinite(lev_.interval) || !std::isfinite(lev_.lowest)) {
        return 0;
    }
    const bool lines_only = lev_.type == 12;
    const bool fills = lev_.type == 15 || lev_.type == 16;
    int traced = 0;
    Cell cell{};
    for (int row = 0; row < field_.ny - 1; ++row) {
        for (int i = 0; i < field_.nx - 1; ++i) {
            if (!load_cell(i, row, &cell)) continue;
            if (lines_only && cell.zmin == cell.zmax) continue;
            if (!is_missing(lev_.min_cut) && lev_.min_cut > cell.zmax) continue;
            if (list_.empty() && lev_.busy_limit > 0.0F &&
                (cell.zmax - cell.zmin) / lev_.interval > lev_.busy_limit) {
                continue;
            }
            if (fills) fill_cell(cell);
            if (lev_.type == 12 || lev_.type == 16) lines_cell(cell);
            ++traced;
        }
        sink_.row_end();
    }
    sink_.field_end();
    return traced;
}

void Tracer::fill_cell(const Cell& cell) {
    int first = 0;
    int last = 0;
    index_range(cell, &first, &last);
    for (int k = first; k <= last && k < lev_.count; ++k) {
        float lo = level_value(k);
        float hi = level_value(k + 1);
        if (!list_.empty() && k + 1 >= lev_.count) hi = kInf;
        if (!is_missing(lev_.min_cut)) lo = std::max(lo, lev_.min_cut);
        if (!is_missing(lev_.max_cut)) hi = std::min(hi, lev_.max_cut);
        if (!(hi > lo)) continue;
        band(cell, color_of(k), lo, hi);
    }
}

void Tracer::lines_cell(const Cell& cell) {
    int first = 0;
    int last = 0;
    index_range(cell, &first, &last);
    // Lines of a fill start the next band, so they sit at each band's top.
    const int lowest_line = lev_.type == 16 ? 1 : 0;
    const int end = lev_.type == 16 && list_.empty() ? lev_.count : lev_.count - 1;
    for (int m = std::max(first, lowest_line); m <= last && m <= end; ++m) {
        const float v = level_value(m);
        if (!list_.empty() && m > 0 && list_[m] == list_[m - 1]) continue;
        if (!(v > cell.zmin && v <= cell.zmax)) continue;
        if (!is_missing(lev_.min_cut) && v < lev_.min_cut) continue;
        if (!is_missing(lev_.max_cut) && v > lev_.max_cut) continue;
        ContCrossings cr;
        cont_crossings(cell.z, v, &cr);
        for (int s = 0; s + 1 < cr.n; s += 2) {
            const GPoint a = crossing_point(cell, cr.pair[s], cr.frac[cr.pair[s]]);
            const GPoint b = crossing_point(cell, cr.pair[s + 1], cr.frac[cr.pair[s + 1]]);
            if (!same_point(a, b)) sink_.segment(color_of(m), v, a, b);
        }
    }
}

// One node of the boundary walk: a corner, or a crossing of the band's lower
// (level 0) or upper (level 1) bound.
struct WalkNode {
    GPoint p;
    bool corner;
    bool inside;  // corners: value inside the band
    int level;
    int side;
    bool entry;  // crossings: the walk enters the band here
    int partner;
    bool used;
};

void Tracer::band(const Cell& cell, int color, float lo, float hi) {
    if (hi <= cell.zmin || lo > cell.zmax) return;
    const auto inside = [&](float v) { return v >= lo && v < hi; };
    ContCrossings cross[2];
    cont_crossings(cell.z, lo, &cross[0]);
    if (hi != kInf) cont_crossings(cell.z, hi, &cross[1]);
    if (cross[0].n == 0 && cross[1].n == 0) {
        if (!inside(cell.z[0])) return;
        const GPoint whole[5] = {cell.pos[0], cell.pos[1], cell.pos[3], cell.pos[2], cell.pos[0]};
        sink_.polygon(color, lo, 5, whole);
        return;
    }
    std::array<WalkNode, 12> nodes{};
    int count = 0;
    int at[2][4];  // node index of each crossing by level and side
    for (int w = 0; w < 4; ++w) {
        const int c = kWalkCorner[w];
        nodes[count++] = {cell.pos[c], true, inside(cell.z[c]), 0, 0, false, -1, false};
        const int side = kWalkSide[w];
        const float zend = cell.z[kWalkCorner[(w + 1) % 4]];
        int order[2] = {0, 1};
        const bool hi_first = kWalkReversed[w] ? cross[1].frac[side] > cross[0].frac[side]
                                                : cross[1].frac[side] < cross[0].frac[side];
        if (hi_first) std::swap(order[0], order[1]);
        for (int level : order) {
            const float f = cross[level].frac[side];
            if (f < 0.0F) continue;
            const bool entry = level == 0 ? zend >= lo : zend < hi;
            at[level][side] = count;
            nodes[count++] = {crossing_point(cell, side, f), false, true, level, side, entry, -1, false};
        }
    }
    for (int k = 0; k < count; ++k) {
        WalkNode& node = nodes[k];
        if (node.corner) continue;
        const ContCrossings& cr = cross[node.level];
        for (int s = 0; s < cr.n; ++s) {
            if (cr.pair[s] == node.side) node.partner = at[node.level][cr.pair[s ^ 1]];
        }
    }
    GPoint poly[2 * 12 + 1];
    for (int start = 0; start < count; ++start) {
        if (nodes[start].corner || !nodes[start].entry || nodes[start].used) continue;
        int n = 0;
        poly[n++] = nodes[start].p;
        nodes[start].used = true;
        int cur = start;
        bool closed = false;
        for (int step = 0; step < 2 * count && !closed; ++step) {
            cur = (cur + 1) % count;
            const WalkNode& node = nodes[cur];
            if (node.corner) {
                if (!node.inside) break;
                poly[n++] = node.p;
                continue;
            }
            if (node.entry) break;
            poly[n++] = node.p;
            const int partner = node.partner;
            if (partner == start) {
                closed = true;
            } else if (partner < 0 || !nodes[partner].entry || nodes[partner].used) {
                break;
            } else {
                poly[n++] = nodes[partner].p;
                nodes[partner].used = true;
                cur = partner;
            }
        }
        if (!closed) continue;
        poly[n++] = poly[0];
        if (twice_area(n, poly) != 0.0) sink_.polygon(color, lo, n, poly);
    }
}

float mollweide_half(float y) {
    const double r = y / 63.713;
    return static_cast<float>(std::sqrt(std::max(0.0, 1.0 - r * r)) * 127.426);
}

}  // namespace

float cont_mollweide_width(float y) { return 2.0F * mollweide_half(y); }

void cont_crossings(const float z[4], float v, ContCrossings* out) {
    *out = ContCrossings{};
    int crossed[4];
    int n = 0;
    for (int s = 0; s < 4; ++s) {
        const float a = z[kSideFrom[s]];
        const float b = z[kSideTo[s]];
        if ((a >= v) == (b >= v)) continue;
        const float f = std::clamp((v - a) / (b - a), 0.0F, 1.0F);
        out->frac[s] = f;
        crossed[n++] = s;
    }
    out->n = n;
    if (n == 2) {
        out->pair[0] = crossed[0];
        out->pair[1] = crossed[1];
    } else if (n == 4) {
        const float* f = out->frac;
        out->total = f[0] + f[1] + (1.0F - f[2]) + (1.0F - f[3]);
        const int far_from_0_and_3[4] = {3, 0, 1, 2};
        const int near_0_and_3[4] = {2, 3, 0, 1};
        std::copy_n(out->total >= 2.0F ? far_from_0_and_3 : near_0_and_3, 4, out->pair);
    }
}

GPoint cont_int_xy(const ContWrap& wrap, GPoint a, GPoint b, float f) {
    double x1 = a.x;
    double x2 = b.x;
    if (wrap.proj == kProjLatLon || wrap.proj == kProjMercator) {
        const double width = wrap.proj == kProjLatLon ? 360.0 : kMercatorWidth;
        if (x1 - x2 < -kWrapJump) x1 += width;
        if (x1 - x2 > kWrapJump) x1 -= width;
    } else if (wrap.proj == kProjMollweide) {
        if (x1 < 0 && x2 > 0 && x2 - x1 > kMollweideJump) {
            x1 += cont_mollweide_width(a.y);
        } else if (x1 > 0 && x2 < 0 && x1 - x2 > kMollweideJump) {
            x2 += cont_mollweide_width(b.y);
        }
    }
    return {static_cast<float>(x1 + (x2 - x1) * f), a.y + (b.y - a.y) * f};
}

int cont_trace(const ContField& field, const ContLevels& levels, const ContWrap& wrap, ContSink& sink) {
    return Tracer(field, levels, wrap, sink).run();
}

void ContWrapSink::segment(int color, float level, GPoint a, GPoint b) {
    const float dx = b.x - a.x;
    float width = 0.0F;
    switch (wrap_.proj) {
        case kProjLatLon:
            width = std::fabs(dx) > kWrapJump ? 360.0F : 0.0F;
            break;
        case kProjMercator:
            width = std::fabs(dx) > kWrapJump ? kMercatorDrawWidth : 0.0F;
            break;
        case kProjLambert:
            if (std::fabs(dx) >= kWrapJump) return;
            break;
        case kProjMollweide:
            if (((a.x < 0 && b.x > 0) || (a.x > 0 && b.x < 0)) && std::fabs(dx) > kMollweideJump) {
                width = cont_mollweide_width(a.y);
            }
            break;
        default:
            break;
    }
    if (width == 0.0F) {
        out_.segment(color, level, a, b);
        return;
    }
    // Each end is moved by one map width towards the other.
    const float towards_a = dx < 0 ? width : -width;
    out_.segment(color, level, a, {b.x + towards_a, b.y});
    out_.segment(color, level, {a.x - towards_a, a.y}, b);
}

bool ContWrapSink::polygon_wraps(int n, const GPoint* pts) const {
    const float jump = wrap_.proj == kProjMollweide ? kMollweideJump : kWrapJump;
    for (int k = 1; k < n; ++k) {
        if (std::fabs(pts[k].x - pts[k - 1].x) > jump) return true;
    }
    if (wrap_.proj != kProjLatLon && wrap_.proj != kProjMercator) return false;
    const bool limits = !is_missing(wrap_.xmin) && !is_missing(wrap_.xmax);
    for (int k = 0; k < n; ++k) {
        const float x = pts[k].x;
        if (wrap_.proj == kProjLatLon) {
            if (limits ? (x < wrap_.xmin || x > wrap_.xmax) : (x < -180.0F || x > 180.0F)) return true;
        } else {
            if (limits && (x < wrap_.xmin || x > wrap_.xmax)) return true;
            if (x < -kMercatorHalf || x > kMercatorHalf) return true;
        }
    }
    return false;
}

void ContWrapSink::polygon(int color, float lower, int n, const GPoint* pts) {
    const bool wrapping = wrap_.proj == kProjLatLon || wrap_.proj == kProjMercator ||
                          wrap_.proj == kProjMollweide || wrap_.proj == kProjLambert;
    if (!wrapping || !polygon_wraps(n, pts)) {
        out_.polygon(color, lower, n, pts);
        return;
    }
    if (wrap_.proj == kProjLambert) return;
    std::vector<GPoint> copy(pts, pts + n);
    if (wrap_.proj == kProjMollweide) {
        for (GPoint& p : copy) {
            if (p.x < 0) p.x += 2.0F * mollweide_half(p.y);
        }
        out_.polygon(color, lower, n, copy.data());
        for (GPoint& p : copy) p.x -= 2.0F * mollweide_half(p.y);
        out_.polygon(color, lower, n, copy.data());
        return;
    }
    const float width = wrap_.proj == kProjLatLon ? 360.0F : kMercatorDrawWidth;
    for (GPoint& p : copy) {
        if (p.x < -150.0F) p.x += width;
    }
    out_.polygon(color, lower, n, copy.data());
    copy.assign(pts, pts + n);
    for (GPoint& p : copy) {
        if (p.x > 150.0F) p.x -= width;
    }
    out_.polygon(color, lower, n, copy.data());
}

namespace {

// ---- joining the pieces of a band ----

struct Edge {
    GPoint a;
    GPoint b;
};


// Whether b lies on the straight way from a on to c, so that it can go.
bool straight_through(GPoint a, GPoint b, GPoint c) {
    const double ux = static_cast<double>(b.x) - a.x, uy = static_cast<double>(b.y) - a.y;
    const double vx = static_cast<double>(c.x) - b.x, vy = static_cast<double>(c.y) - b.y;
    return ux * vy - uy * vx == 0.0 && ux * vx + uy * vy > 0.0;
}

// A closed ring (first point not repeated) without its straight-through points.
void drop_straight_points(std::vector<GPoint>* ring) {
    std::vector<GPoint> v;
    v.reserve(ring->size());
    for (const GPoint& p : *ring) {
        while (v.size() >= 2 && straight_through(v[v.size() - 2], v.back(), p)) v.pop_back();
        v.push_back(p);
    }
    for (bool changed = true; changed && v.size() >= 3;) {
        changed = false;
        if (straight_through(v[v.size() - 2], v.back(), v.front())) {
            v.pop_back();
            changed = true;
        } else if (straight_through(v.back(), v.front(), v[1])) {
            v.erase(v.begin());
            changed = true;
        }
    }
    ring->swap(v);
}

// The outline of the union of pieces that tile without overlapping: every
// side two pieces share appears once in each direction and cancels; what
// is left links up into rings. False when the pieces do not join cleanly
// (an edge twice in one direction, a loose end, or a ring turning the other
// way, which would be a hole).
// A point as one number; equal points (0 and -0 alike) give equal keys.
std::uint64_t point_key(GPoint p) {
    const float x = p.x == 0.0F ? 0.0F : p.x;
    const float y = p.y == 0.0F ? 0.0F : p.y;
    std::uint32_t bx;
    std::uint32_t by;
    std::memcpy(&bx, &x, sizeof bx);
    std::memcpy(&by, &y, sizeof by);
    return (std::uint64_t{bx} << 32) | by;
}

// An open-addressing table of edge indices, sized for `count` entries.
class EdgeTable {
public:
    explicit EdgeTable(std::size_t count) {
        std::size_t size = 16;
        while (size < 2 * count) size *= 2;
        slots_.assign(size, -1);
        mask_ = size - 1;
    }
    // The slot where `key` is or would go, found by `matches(index)`.
    template <typename Matches>
    std::int32_t& slot(std::uint64_t key, Matches matches) {
        std::size_t k = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & mask_;
        while (slots_[k] >= 0 && !matches(slots_[k])) k = (k + 1) & mask_;
        return slots_[k];
    }

private:
    std::vector<std::int32_t> slots_;
    std::size_t mask_ = 0;
};

bool join_pieces(const std::vector<Edge>& edges, double orientation, std::vector<std::vector<GPoint>>* rings) {
    // an edge and its reverse meet in one slot and cancel
    const auto ends_key = [](const Edge& e) {
        const std::uint64_t a = point_key(e.a), b = point_key(e.b);
        return std::min(a, b) * 0xC2B2AE3D27D4EB4FULL ^ std::max(a, b);
    };
    const auto same_ends = [](const Edge& e, const Edge& f) {
        return (same_point(e.a, f.a) && same_point(e.b, f.b)) || (same_point(e.a, f.b) && same_point(e.b, f.a));
    };
    std::vector<char> live(edges.size(), 1);
    EdgeTable shared(edges.size());
    for (std::size_t k = 0; k < edges.size(); ++k) {
        std::int32_t& at = shared.slot(ends_key(edges[k]),
                                       [&](std::int32_t i) { return same_ends(edges[static_cast<std::size_t>(i)], edges[k]); });
        if (at < 0) {
            at = static_cast<std::int32_t>(k);
            continue;
        }
        const auto other = static_cast<std::size_t>(at);
        // the same edge twice in one direction, or three times: pieces overlap
        if (!live[other] || same_point(edges[other].a, edges[k].a)) return false;
        live[other] = 0;
        live[k] = 0;
    }
    std::vector<Edge> rest;
    for (std::size_t k = 0; k < edges.size(); ++k)
        if (live[k]) rest.push_back(edges[k]);
    // the edges leaving each point, chained
    std::vector<std::int32_t> chain(rest.size(), -1);
    EdgeTable starts(rest.size());
    for (std::size_t k = 0; k < rest.size(); ++k) {
        std::int32_t& head = starts.slot(point_key(rest[k].a), [&](std::int32_t i) {
            return same_point(rest[static_cast<std::size_t>(i)].a, rest[k].a);
        });
        chain[k] = head;
        head = static_cast<std::int32_t>(k);
    }
    std::vector<char> used(rest.size(), 0);
    const auto next_from = [&](GPoint p) -> std::ptrdiff_t {
        std::int32_t i = starts.slot(point_key(p), [&](std::int32_t j) { return same_point(rest[static_cast<std::size_t>(j)].a, p); });
        for (; i >= 0; i = chain[static_cast<std::size_t>(i)])
            if (!used[static_cast<std::size_t>(i)]) return i;
        return -1;
    };
    for (std::size_t s = 0; s < rest.size(); ++s) {
        if (used[s]) continue;
        std::vector<GPoint> ring{rest[s].a};
        std::size_t cur = s;
        for (;;) {
            used[cur] = 1;
            if (same_point(rest[cur].b, rest[s].a)) break;
            ring.push_back(rest[cur].b);
            const std::ptrdiff_t next = next_from(rest[cur].b);
            if (next < 0) return false;
            cur = static_cast<std::size_t>(next);
        }
        drop_straight_points(&ring);
        if (ring.size() < 3) continue;
        ring.push_back(ring.front());
        const double area = twice_area(static_cast<int>(ring.size()), ring.data());
        if (area * orientation <= 0.0) return false;
        rings->push_back(std::move(ring));
    }
    return true;
}

}  // namespace

void ContMergeSink::segment(int color, float level, GPoint a, GPoint b) { segments_.push_back({color, level, a, b}); }

void ContMergeSink::polygon(int color, float lower, int n, const GPoint* pts) {
    if (n < 2) return;
    pieces_.push_back({color, lower, points_.size(), n, row_});
    points_.insert(points_.end(), pts, pts + n);
}

void ContMergeSink::row_end() { ++row_; }

void ContMergeSink::field_end() {
    join_held();
    out_.field_end();
}

void ContMergeSink::join_held() {
    std::vector<const Piece*> order;
    order.reserve(pieces_.size());
    for (const Piece& p : pieces_) order.push_back(&p);
    const auto band_less = [](const Piece* p, const Piece* q) {
        return p->lower < q->lower || (p->lower == q->lower && p->color < q->color);
    };
    std::stable_sort(order.begin(), order.end(), band_less);
    for (std::size_t k = 0; k < order.size();) {
        std::size_t end = k + 1;
        while (end < order.size() && !band_less(order[k], order[end])) ++end;
        if (!join_band(&order[k], end - k)) {
            // a band with a hole: joined row by row, where none can arise
            for (std::size_t r = k; r < end;) {
                std::size_t next = r + 1;
                while (next < end && order[next]->row == order[r]->row) ++next;
                if (!join_band(&order[r], next - r)) pass_on(&order[r], next - r);
                r = next;
            }
        }
        k = end;
    }
    for (const HeldSegment& s : segments_) out_.segment(s.color, s.level, s.a, s.b);
    points_.clear();
    pieces_.clear();
    segments_.clear();
}

void ContMergeSink::pass_on(const Piece* const* pieces, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k)
        out_.polygon(pieces[k]->color, pieces[k]->lower, pieces[k]->n, &points_[pieces[k]->first]);
}

bool ContMergeSink::join_band(const Piece* const* pieces, std::size_t count) {
    if (count == 1) {
        pass_on(pieces, count);
        return true;
    }
    std::vector<Edge> edges;
    double orientation = 0.0;
    for (std::size_t k = 0; k < count; ++k) {
        const GPoint* p = &points_[pieces[k]->first];
        const int n = pieces[k]->n;
        const double area = twice_area(n, p);
        if (orientation * area < 0.0 || !same_point(p[0], p[n - 1])) return false;
        orientation += area;
        for (int i = 0; i + 1 < n; ++i)
            if (!same_point(p[i], p[i + 1])) edges.push_back({p[i], p[i + 1]});
    }
    std::vector<std::vector<GPoint>> rings;
    if (orientation == 0.0 || !join_pieces(std::move(edges), orientation, &rings)) return false;
    for (const auto& ring : rings)
        out_.polygon(pieces[0]->color, pieces[0]->lower, static_cast<int>(ring.size()), ring.data());
    return true;
}

}  // namespace orv
