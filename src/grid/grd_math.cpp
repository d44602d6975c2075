// Grid math of the grid store: function variables computed from the slots of
// their operands, and the derivative operators they use.
//
// Derivatives are taken in the grid's plane and turned into distances on the
// earth with the scale of the projection at each point: hx and hy are the
// earth distances (100 km units) of one plane unit along x and y. On the
// conformal projections both are 1/m with m the map factor; on a
// latitude/longitude grid a degree of longitude shrinks with cos(latitude).
// The divergence, vorticity, deformation and Laplacian use the forms of
// orthogonal curvilinear coordinates, so that a field gives the same physical
// answer on every projection.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/date.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/string.hpp"
#include "core/unittool.hpp"
#include "core/var_tool.hpp"
#include "geo/maptran.hpp"
#include "grid/calc.hpp"
#include "grid/grd_tool.hpp"
#include "plot/data_plt.hpp"

namespace orv {
namespace {

constexpr unsigned kMathWarn = 0x40;
constexpr unsigned kMathTrace = 0x40000000;
constexpr double kDegToRad = 0.017453292519943334;
constexpr double kRadToDeg = 57.295779513082195;
constexpr double kDegreeLength = 1.11195;  // one degree of latitude in 100 km
constexpr double kCoriolisScale = 14.584;  // 2 omega in 1e-5 per second
constexpr double kGravity = 9.8;
constexpr double kDryGasConstant = 287.05;
constexpr float kStandardPressure = 1000.0F;
constexpr int kLevelPressure = 100;

// Working fields come and go by the dozen in one expression; their blocks
// are kept for the next field instead of going back to the system each time
// (the program is single-threaded).
class FieldBlocks {
public:
    ~FieldBlocks() {
        for (const Block& b : free_) std::free(b.data);
    }
    void* take(std::size_t bytes) {
        for (std::size_t k = free_.size(); k-- > 0;) {
            if (free_[k].bytes != bytes) continue;
            void* p = free_[k].data;
            free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(k));
            return p;
        }
        void* p = std::malloc(bytes);
        if (p == nullptr) throw std::bad_alloc();
        return p;
    }
    void give(void* p, std::size_t bytes) {
        if (free_.size() >= kKept) {
            std::free(p);
            return;
        }
        free_.push_back({p, bytes});
    }

private:
    struct Block {
        void* data;
        std::size_t bytes;
    };
    static constexpr std::size_t kKept = 48;
    std::vector<Block> free_;
};
FieldBlocks g_blocks;

template <typename T>
struct BlockAllocator {
    using value_type = T;
    BlockAllocator() = default;
    template <typename U>
    BlockAllocator(const BlockAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(g_blocks.take(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { g_blocks.give(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const BlockAllocator<U>&) const { return true; }
};

using Field = std::vector<float, BlockAllocator<float>>;

bool gone(float v) { return is_missing(v); }

// ---------------------------------------------------------------- geometry

// Latitude and earth distance per plane unit of every point of one domain.
struct Metric {
    Domain domain{};
    bool set = false;
    Field lat;  // -9999 where the point has no latitude
    Field hx;   // 0 where the distance is not defined (a pole row)
    Field hy;
    // Grid-relative direction of north at each point, on the projections
    // whose turn of a direction is the same at every angle (empty on others).
    Field north;
};

struct MathState {
    Metric metric;
};
MathState g;

bool same_domain(const Domain& a, const Domain& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool is_earth(int proj) { return proj >= kProjPolarStereo && proj <= kProjSatellite; }

double map_factor(int proj, float lat) {
    switch (proj) {
    case kProjPolarStereo:
    case kProjLambert:
        return MAP_factor(lat);
    case kProjMercator:
        return 1.0 / std::cos(lat * kDegToRad);
    default:
        return 1.0;
    }
}

// Plane coordinates of grid point (i, j) of domain d, d being current.
struct PlaneOrigin {
    double x0;
    double y0;
};
PlaneOrigin plane_origin(const Domain& d) {
    float xc = 0.0F;
    float yc = 0.0F;
    MAP_tran(&xc, &yc, d.clat, d.clon);
    return {xc - (d.nx - 1) / 2.0 * d.dx, yc + (d.ny - 1) / 2.0 * d.dy};
}

void build_metric(Metric& m, const Domain& d) {
    const std::size_t n = static_cast<std::size_t>(d.nx) * static_cast<std::size_t>(d.ny);
    m.domain = d;
    m.set = true;
    m.lat.assign(n, kMissingF);
    m.hx.assign(n, 0.0F);
    m.hy.assign(n, 0.0F);
    const double s = is_missing(d.params[2]) ? 1.0 : d.params[2];
    const bool turns_evenly = d.proj == kProjPolarStereo || d.proj == kProjLambert || d.proj == kProjLatLon ||
                              d.proj == kProjMercator;
    m.north.assign(turns_evenly ? n : 0, 0.0F);
    Domain saved;
    MAP_get_domain(&saved);
    MAP_domain(&d);
    const PlaneOrigin o = plane_origin(d);
    for (int j = 0; j < d.ny; ++j) {
        for (int i = 0; i < d.nx; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * d.nx + i;
            const float x = static_cast<float>(o.x0 + i * static_cast<double>(d.dx));
            const float y = static_cast<float>(o.y0 - j * static_cast<double>(d.dy));
            if (turns_evenly) m.north[k] = MAP_dir_adj(0.0F, x, y);
            if (d.proj == kProjLatLon) {
                const double lat = d.clat + ((d.ny - 1) / 2.0 - j) * d.dy;
                m.lat[k] = static_cast<float>(lat);
                m.hy[k] = static_cast<float>(kDegreeLength);
                if (std::fabs(lat) < 90.0) m.hx[k] = static_cast<float>(kDegreeLength * std::cos(lat * kDegToRad));
                continue;
            }
            if (!is_earth(d.proj)) {
                m.hx[k] = m.hy[k] = static_cast<float>(s);
                continue;
            }
            float lat = kMissingF;
            float lon = kMissingF;
            if (MAP_untran(&lat, &lon, x, y) != 1 || gone(lat))
                continue;
            m.lat[k] = lat;
            const double h = s / map_factor(d.proj, lat);
            if (std::isfinite(h)) m.hx[k] = m.hy[k] = static_cast<float>(h);
        }
    }
    MAP_domain(&saved);
}

const Metric& metric_of(const Domain& d) {
    if (!g.metric.set || !same_domain(g.metric.domain, d)) build_metric(g.metric, d);
    return g.metric;
}

// ---------------------------------------------------------------- differences

struct Shape {
    int nx;
    int ny;
    double dx;  // plane units
    double dy;
    std::size_t size() const { return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny); }
};

// One derivative per plane unit: centred where both neighbours are present,
// one-sided over one spacing at an edge or next to a missing point, 0 with
// neither neighbour; a missing centre stays missing.
Field diff(const Field& a, const Shape& s, bool along_x) {
    Field out(a.size(), kMissingF);
    const std::ptrdiff_t step = along_x ? 1 : s.nx;
    const double spacing = along_x ? s.dx : s.dy;
    for (int j = 0; j < s.ny; ++j) {
        for (int i = 0; i < s.nx; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * s.nx + i;
            const float c = a[k];
            if (gone(c)) continue;
            const bool has_low = along_x ? i > 0 : j > 0;
            const bool has_high = along_x ? i < s.nx - 1 : j < s.ny - 1;
            const bool low = has_low && !gone(a[k - step]);
            const bool high = has_high && !gone(a[k + step]);
            const double lo = low ? a[k - step] : c;
            const double hi = high ? a[k + step] : c;
            const double divisor = low && high ? 2.0 * spacing : spacing;
            // x grows eastwards with i; y grows northwards against j.
            out[k] = static_cast<float>((along_x ? hi - lo : lo - hi) / divisor);
        }
    }
    return out;
}
Field dx_of(const Field& a, const Shape& s) { return diff(a, s, true); }
Field dy_of(const Field& a, const Shape& s) { return diff(a, s, false); }

// Point by point over fields of one size; missing where any input is missing.
template <typename F>
Field combine(std::initializer_list<const Field*> in, F f) {
    const std::size_t n = (*in.begin())->size();
    Field out(n, kMissingF);
    float v[8];
    for (std::size_t k = 0; k < n; ++k) {
        bool ok = true;
        int c = 0;
        for (const Field* x : in) {
            v[c] = (*x)[k];
            ok = ok && !gone(v[c]);
            ++c;
        }
        if (ok) out[k] = f(v);
    }
    return out;
}

// Non-finite results become missing.
void clean(Field& out) {
    for (float& v : out)
        if (!std::isfinite(v)) v = kMissingF;
}

// The derivative operators in earth distance (per 100 km).
struct Ops {
    const Shape& s;
    const Metric& m;

    // A zero distance (a pole row) gives a non-finite value, made missing
    // when the result is stored.
    static Field per_distance(Field d, const Field& h) {
        for (std::size_t k = 0; k < d.size(); ++k)
            if (!gone(d[k])) d[k] /= h[k];
        return d;
    }
    Field ddx(const Field& a) const { return per_distance(dx_of(a, s), m.hx); }
    Field ddy(const Field& a) const { return per_distance(dy_of(a, s), m.hy); }
    // (d(hy a)/dx + d(hx b)/dy) / (hx hy)
    Field divergence(const Field& a, const Field& b) const {
        const Field fa = dx_of(combine({&a, &m.hy}, [](const float* v) { return v[0] * v[1]; }), s);
        const Field fb = dy_of(combine({&b, &m.hx}, [](const float* v) { return v[0] * v[1]; }), s);
        return combine({&fa, &fb, &m.hx, &m.hy}, [](const float* v) { return (v[0] + v[1]) / (v[2] * v[3]); });
    }
    // (d(hy v)/dx - d(hx u)/dy) / (hx hy)
    Field curl(const Field& u, const Field& v) const {
        const Field fv = dx_of(combine({&v, &m.hy}, [](const float* x) { return x[0] * x[1]; }), s);
        const Field fu = dy_of(combine({&u, &m.hx}, [](const float* x) { return x[0] * x[1]; }), s);
        return combine({&fv, &fu, &m.hx, &m.hy}, [](const float* x) { return (x[0] - x[1]) / (x[2] * x[3]); });
    }
    Field laplacian(const Field& a) const {
        const Field ax = dx_of(a, s);
        const Field ay = dy_of(a, s);
        const Field fx = dx_of(combine({&ax, &m.hx, &m.hy}, [](const float* v) { return v[0] * v[2] / v[1]; }), s);
        const Field fy = dy_of(combine({&ay, &m.hx, &m.hy}, [](const float* v) { return v[0] * v[1] / v[2]; }), s);
        return combine({&fx, &fy, &m.hx, &m.hy}, [](const float* v) { return (v[0] + v[1]) / (v[2] * v[3]); });
    }
    // Stretching: e11 - e22 with e11 = u_x/hx + v (hx)_y/(hx hy) and
    // e22 = v_y/hy + u (hy)_x/(hx hy).
    Field stretching(const Field& u, const Field& v) const {
        const Field ux = dx_of(u, s);
        const Field vy = dy_of(v, s);
        const Field hx_y = dy_of(m.hx, s);
        const Field hy_x = dx_of(m.hy, s);
        return combine({&ux, &vy, &u, &v, &m.hx, &m.hy, &hx_y, &hy_x}, [](const float* x) {
            const double hh = static_cast<double>(x[4]) * x[5];
            return static_cast<float>(x[0] / x[4] + x[3] * x[6] / hh - x[1] / x[5] - x[2] * x[7] / hh);
        });
    }
    // Shearing: (hy/hx) d(v/hy)/dx + (hx/hy) d(u/hx)/dy.
    Field shearing(const Field& u, const Field& v) const {
        const Field fv = dx_of(combine({&v, &m.hy}, [](const float* x) { return x[0] / x[1]; }), s);
        const Field fu = dy_of(combine({&u, &m.hx}, [](const float* x) { return x[0] / x[1]; }), s);
        return combine({&fv, &fu, &m.hx, &m.hy}, [](const float* x) { return x[2] / x[3] * x[1] + x[3] / x[2] * x[0]; });
    }
};

Shape shape_of(const Domain& d) { return {d.nx, d.ny, d.dx, d.dy}; }

// ---------------------------------------------------------------- operands

struct Operand {
    int var = -1;
    float constant = kMissingF;
    const GridField* grid = nullptr;  // null for a constant
};

bool is_constant_var(int var) { return VAR_get_type(var) == kTypeConst; }

std::string function_name(const char* name) {
    const std::string n = name != nullptr ? name : "";
    return n.substr(0, n.find('-'));
}

bool same_name(const std::string& a, const char* b) { return stricmp(a.c_str(), b) == 0; }

// Values of a constant: the number after "#"; text that is not a number, or
// a number followed by other text, is no value.
float constant_value(const char* name) {
    if (name == nullptr || name[0] != '#') return kMissingF;
    char* end = nullptr;
    const double v = std::strtod(name + 1, &end);
    if (end == name + 1 || *end != '\0' || !std::isfinite(v)) return kMissingF;
    return static_cast<float>(v);
}

// Whether values in `from` can be given in `to` (the converter gives 0 for
// every value when it knows no way).
bool convertible(const char* from, const char* to) {
    if (from[0] == '\0') return false;
    return UNIT_cvt(from, to, 1.0F) != 0.0F || UNIT_cvt(from, to, 2.0F) != 0.0F;
}

// One evaluation: the operands, the result slot(s) and their shape.
struct Call {
    std::string name;
    std::vector<Operand> ops;
    GridField* out = nullptr;
    GridField* out2 = nullptr;
    const Domain* domain = nullptr;
    Shape shape{};
    const Metric* metric = nullptr;
    std::string units;      // result units, set by the function
    bool units_set = false;
    std::string info;       // descriptive text, when the function names one

    std::size_t size() const { return shape.size(); }
    int count() const { return static_cast<int>(ops.size()); }
    const char* units_of(int k) const {
        return ops[k].grid != nullptr ? ops[k].grid->units : "";
    }
    // Operand k as values, converted to `want` when the operand has units.
    Field get(int k, const char* want = nullptr) const {
        const Operand& op = ops[k];
        if (op.grid == nullptr) return Field(size(), op.constant);
        Field v(op.grid->values, op.grid->values + size());
        const char* have = op.grid->units;
        if (want != nullptr && have[0] != '\0' && stricmp(have, want) != 0 && convertible(have, want)) {
            // Conversions are linear: one offset and one factor for the field.
            const double offset = UNIT_cvt(have, want, 0.0F);
            const double factor = UNIT_cvt(have, want, 1.0F) - offset;
            for (float& x : v)
                if (!gone(x)) x = static_cast<float>(offset + factor * x);
        }
        return v;
    }
    bool is_dewpoint(int k) const { return same_name(function_name(VAR_get_name(ops[k].var)), "dewp"); }
    void set_units(const std::string& u) {
        units = u;
        units_set = true;
    }
    Ops operators() const { return {shape, *metric}; }
};

// ---------------------------------------------------------------- functions

void store(GridField* out, const Field& v) { std::copy(v.begin(), v.end(), out->values); }

template <typename F>
bool pointwise(Call& c, std::initializer_list<int> operands, F f, const char* want = nullptr) {
    std::vector<Field> in;
    for (int k : operands) in.push_back(c.get(k, want));
    std::vector<const Field*> ptrs;
    for (const Field& x : in) ptrs.push_back(&x);
    float* out = c.out->values;
    float v[4];
    for (std::size_t p = 0; p < c.size(); ++p) {
        bool ok = true;
        for (std::size_t q = 0; q < ptrs.size(); ++q) {
            v[q] = (*ptrs[q])[p];
            ok = ok && !gone(v[q]);
        }
        out[p] = ok ? static_cast<float>(f(v)) : kMissingF;
    }
    return true;
}

// max/min/sum/avg over every operand present.
template <typename F>
bool over_all(Call& c, F f) {
    std::vector<Field> in;
    for (int k = 0; k < c.count(); ++k) in.push_back(c.get(k));
    std::vector<float> v(in.size());
    for (std::size_t p = 0; p < c.size(); ++p) {
        for (std::size_t q = 0; q < in.size(); ++q) v[q] = in[q][p];
        c.out->values[p] = f(v);
    }
    return true;
}

float present_max(const std::vector<float>& v) {
    float r = kMissingF;
    for (float x : v)
        if (!gone(x) && (gone(r) || x > r)) r = x;
    return r;
}
float present_min(const std::vector<float>& v) {
    float r = kMissingF;
    for (float x : v)
        if (!gone(x) && (gone(r) || x < r)) r = x;
    return r;
}
// A point where no operand has a value has no sum.
float present_sum(const std::vector<float>& v) {
    float r = kMissingF;
    for (float x : v)
        if (!gone(x)) r = gone(r) ? x : r + x;
    return r;
}
float full_avg(const std::vector<float>& v) {
    float sum = 0.0F;
    for (float x : v) {
        if (gone(x)) return kMissingF;
        sum += x;
    }
    return sum / static_cast<float>(v.size());
}

bool f_smooth(Call& c) {
    const Field a = c.get(0);
    const Field w = c.get(1);
    const Shape& s = c.shape;
    double weights[9][9];
    float weights_for = kMissingF;
    for (int j = 0; j < s.ny; ++j) {
        for (int i = 0; i < s.nx; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * s.nx + i;
            float& out = c.out->values[k];
            out = kMissingF;
            if (gone(a[k]) || gone(w[k])) continue;
            if (w[k] != weights_for) {
                weights_for = w[k];
                for (int dj = -4; dj <= 4; ++dj)
                    for (int di = -4; di <= 4; ++di) weights[dj + 4][di + 4] = std::exp((di * di + dj * dj) / static_cast<double>(w[k]));
            }
            double sum = 0.0;
            double total = 0.0;
            for (int dj = -4; dj <= 4; ++dj) {
                const int jj = j + dj;
                if (jj < 0 || jj >= s.ny) continue;
                for (int di = -4; di <= 4; ++di) {
                    const int ii = i + di;
                    if (ii < 0 || ii >= s.nx) continue;
                    const float x = a[static_cast<std::size_t>(jj) * s.nx + ii];
                    if (gone(x)) continue;
                    sum += weights[dj + 4][di + 4] * x;
                    total += weights[dj + 4][di + 4];
                }
            }
            out = static_cast<float>(sum / total);
        }
    }
    return true;
}

// ---- thermodynamics: temperatures in K, pressures in mb

float pressure_at(const Call& c, int k, std::size_t p, const Field* given) {
    if (c.out->level_type == kLevelPressure && !gone(static_cast<float>(c.out->level)))
        return static_cast<float>(c.out->level);
    if (given != nullptr && k < c.count()) return (*given)[p];
    return kStandardPressure;
}

// The dewpoint of operand k: itself when it is the dewpoint variable,
// else from the temperature and the relative humidity it holds.
Field dewpoint(const Call& c, int k, const Field& t) {
    if (c.is_dewpoint(k)) return c.get(k, "K");
    const Field rh = c.get(k, "%");
    return combine({&t, &rh}, [](const float* v) { return dew_temp(v[0], v[1]); });
}

// f(T, Td, p) with the optional pressure operand at index pk.
template <typename F>
bool thermo_moist(Call& c, int pk, F f) {
    const Field t = c.get(0, "K");
    const Field td = dewpoint(c, 1, t);
    const Field p = pk < c.count() ? c.get(pk, "mb") : Field{};
    const Field* given = pk < c.count() ? &p : nullptr;
    for (std::size_t q = 0; q < c.size(); ++q) {
        const float pr = pressure_at(c, pk, q, given);
        const bool ok = !gone(t[q]) && !gone(td[q]) && !gone(pr);
        c.out->values[q] = ok ? f(t[q], td[q], pr) : kMissingF;
    }
    c.set_units("K");
    return true;
}

bool f_theta(Call& c) {
    const Field t = c.get(0, "K");
    const Field p = c.count() > 1 ? c.get(1, "mb") : Field{};
    for (std::size_t q = 0; q < c.size(); ++q) {
        const float pr = pressure_at(c, 1, q, c.count() > 1 ? &p : nullptr);
        c.out->values[q] = gone(t[q]) || gone(pr) ? kMissingF : pot_temp(t[q], pr);
    }
    c.set_units("K");
    return true;
}

float showalter(float t850, float td850, float t500) {
    const float p = lcl_pres(t850, td850, 850.0F);
    if (gone(p)) return kMissingF;
    const float tl = lcl_temp(t850, 850.0F, p);
    const float parcel = p < 500.0F ? temp_on_dryad(pot_temp(t850, 850.0F), 500.0F)
                                    : temp_on_satad(thetae_on_satad(tl, p), 500.0F);
    return gone(parcel) ? kMissingF : t500 - parcel;
}

bool f_show(Call& c) {
    const Field t = c.get(0, "K");
    const Field td = dewpoint(c, 1, t);
    const Field t5 = c.get(2, "K");
    store(c.out, combine({&t, &td, &t5}, [](const float* v) { return showalter(v[0], v[1], v[2]); }));
    c.set_units("dC");
    return true;
}

// Wind speed in m/s of operands from `k` on: u and v, or a speed alone.
Field speed_from(const Call& c, int k) {
    if (c.count() > k + 1) {
        const Field u = c.get(k, "m/s");
        const Field v = c.get(k + 1, "m/s");
        return combine({&u, &v}, [](const float* x) { return std::sqrt(x[0] * x[0] + x[1] * x[1]); });
    }
    return c.get(k, "m/s");
}

template <float (*F)(float, float)>
bool f_chill(Call& c) {
    const Field t = c.get(0, "K");
    const Field v = speed_from(c, 1);
    store(c.out, combine({&t, &v}, [](const float* x) { return F(x[0], x[1]); }));
    c.set_units("K");
    return true;
}

// ---- winds

float wind_from(float u, float v) {
    if (u == 0.0F && v == 0.0F) return 0.0F;
    const double d = std::atan2(-u, -v) * kRadToDeg;
    return static_cast<float>(d < 0.0 ? d + 360.0 : d);
}

float fold360(double d) {
    d = std::fmod(d, 360.0);
    return static_cast<float>(d < 0.0 ? d + 360.0 : d);
}

// Calls f(k, x, y) for every point with the grid's domain current.
template <typename F>
void with_positions(const Call& c, F f) {
    Domain saved;
    MAP_get_domain(&saved);
    MAP_domain(c.domain);
    const PlaneOrigin o = plane_origin(*c.domain);
    for (int j = 0; j < c.shape.ny; ++j)
        for (int i = 0; i < c.shape.nx; ++i)
            f(static_cast<std::size_t>(j) * c.shape.nx + i, static_cast<float>(o.x0 + i * c.shape.dx),
              static_cast<float>(o.y0 - j * c.shape.dy));
    MAP_domain(&saved);
}

bool f_wdir(Call& c, bool earth_relative) {
    pointwise(c, {0, 1}, [](const float* v) { return wind_from(v[0], v[1]); }, "m/s");
    const Field& north = c.metric->north;
    if (earth_relative && !north.empty()) {
        for (std::size_t k = 0; k < north.size(); ++k)
            if (!gone(c.out->values[k])) c.out->values[k] = fold360(c.out->values[k] - north[k]);
    } else if (earth_relative) {
        with_positions(c, [&](std::size_t k, float x, float y) {
            float& d = c.out->values[k];
            if (!gone(d)) d = fold360(MAP_undir_adj(d, x, y));
        });
    }
    c.set_units("deg");
    return true;
}

// Components of a wind from its direction and speed, the direction turned to
// the grid first when asked.
bool f_components(Call& c, bool eastward, bool grid_relative) {
    Field dir = c.get(0, "deg");
    const Field& north = c.metric->north;
    if (grid_relative && !north.empty()) {
        for (std::size_t k = 0; k < north.size(); ++k)
            if (!gone(dir[k])) dir[k] += north[k];
    } else if (grid_relative) {
        with_positions(c, [&](std::size_t k, float x, float y) {
            if (!gone(dir[k])) dir[k] = MAP_dir_adj(dir[k], x, y);
        });
    }
    const Field spd = c.get(1);
    store(c.out, combine({&dir, &spd}, [eastward](const float* v) {
              const double d = v[0] * kDegToRad;
              return static_cast<float>(-v[1] * (eastward ? std::sin(d) : std::cos(d)));
          }));
    c.set_units(c.units_of(1));
    return true;
}

// Coriolis parameter of every point (1e-5 per second), missing without a latitude.
Field coriolis(const Metric& m) {
    Field f(m.lat.size(), kMissingF);
    for (std::size_t k = 0; k < f.size(); ++k)
        if (!gone(m.lat[k])) f[k] = static_cast<float>(kCoriolisScale * std::sin(m.lat[k] * kDegToRad));
    return f;
}

// Geostrophic wind of heights z (m): (ug, vg) in m/s.
void geostrophic(const Call& c, const Field& z, Field& ug, Field& vg) {
    const Ops o = c.operators();
    const Field f = coriolis(*c.metric);
    const Field zx = o.ddx(z);
    const Field zy = o.ddy(z);
    ug = combine({&zy, &f}, [](const float* v) { return static_cast<float>(-kGravity / v[1] * v[0]); });
    vg = combine({&zx, &f}, [](const float* v) { return static_cast<float>(kGravity / v[1] * v[0]); });
}

bool f_geos(Call& c, bool u_component) {
    Field ug;
    Field vg;
    geostrophic(c, c.get(0, "m"), ug, vg);
    store(c.out, u_component ? ug : vg);
    c.set_units("m/s");
    return true;
}

bool f_qvector(Call& c, bool u_component) {
    Field ug;
    Field vg;
    geostrophic(c, c.get(0, "m"), ug, vg);
    const Field t = c.get(1, "K");
    const Ops o = c.operators();
    const Field tx = o.ddx(t);
    const Field ty = o.ddy(t);
    const Field a = u_component ? o.ddx(ug) : o.ddy(ug);
    const Field b = u_component ? o.ddx(vg) : o.ddy(vg);
    const float p = pressure_at(c, c.count(), 0, nullptr);
    store(c.out, combine({&a, &tx, &b, &ty}, [p](const float* v) {
              return static_cast<float>(-(kDryGasConstant / (100.0 * p)) * (v[0] * v[1] + v[2] * v[3]));
          }));
    c.set_units("");
    return true;
}

// ---- derivatives

std::string scaled_units(const char* units, const char* suffix, float scale) {
    char out[kGridUnitsSize];
    UNIT_scale(units, suffix, out, scale);
    return out;
}

bool f_dxdy(Call& c, bool along_x) {
    const Ops o = c.operators();
    const Field a = c.get(0);
    store(c.out, along_x ? o.ddx(a) : o.ddy(a));
    c.set_units(scaled_units(c.units_of(0), "/m", 1e-5F));
    return true;
}

bool f_grad(Call& c) {
    const Ops o = c.operators();
    const Field a = c.get(0);
    store(c.out, o.ddx(a));
    store(c.out2, o.ddy(a));
    c.set_units(scaled_units(c.units_of(0), "/m", 1e-5F));
    c.info = "Gradient";
    return true;
}

bool f_lapl(Call& c) {
    store(c.out, c.operators().laplacian(c.get(0)));
    c.set_units(scaled_units(c.units_of(0), "/m^2", 1e-10F));
    c.info = "Laplacian";
    return true;
}

// Divergence of the wind, or of its flux of operand 2 when given.
Field flux_divergence(const Call& c, bool with_q) {
    Field u = c.get(0, "m/s");
    Field v = c.get(1, "m/s");
    if (with_q) {
        const Field q = c.get(2);
        u = combine({&u, &q}, [](const float* x) { return x[0] * x[1]; });
        v = combine({&v, &q}, [](const float* x) { return x[0] * x[1]; });
    }
    return c.operators().divergence(u, v);
}

bool f_div(Call& c, bool convergence, const char* info) {
    const bool with_q = c.count() > 2;
    Field d = flux_divergence(c, with_q);
    if (convergence)
        for (float& x : d)
            if (!gone(x)) x = -x;
    store(c.out, d);
    c.set_units(scaled_units(with_q ? c.units_of(2) : "", "/s", 1e-5F));
    if (info != nullptr) c.info = info;
    return true;
}

bool f_vort(Call& c, bool absolute) {
    Field r = c.operators().curl(c.get(0, "m/s"), c.get(1, "m/s"));
    if (absolute) {
        const Field f = coriolis(*c.metric);
        r = combine({&r, &f}, [](const float* v) { return v[0] + v[1]; });
    }
    store(c.out, r);
    c.set_units(scaled_units("", "/s", 1e-5F));
    return true;
}

bool f_def(Call& c, bool stretching) {
    const Ops o = c.operators();
    const Field u = c.get(0, "m/s");
    const Field v = c.get(1, "m/s");
    store(c.out, stretching ? o.stretching(u, v) : o.shearing(u, v));
    c.set_units(scaled_units("", "/s", 1e-5F));
    return true;
}

bool f_adv(Call& c) {
    const Ops o = c.operators();
    const Field u = c.get(0, "m/s");
    const Field v = c.get(1, "m/s");
    const Field s = c.get(2);
    const Field sx = o.ddx(s);
    const Field sy = o.ddy(s);
    store(c.out, combine({&u, &v, &sx, &sy}, [](const float* x) { return -(x[0] * x[2] + x[1] * x[3]); }));
    c.set_units(scaled_units(c.units_of(2), "/s", 1e-5F));
    c.info = "Advection";
    return true;
}

bool f_locate(Call& c) {
    store(c.out, c.get(0));
    GRD_point_locate(c.out, c.name.c_str());
    c.set_units(c.out->units);
    c.info = c.out->info;
    return true;
}

// ---------------------------------------------------------------- the table

// A difference of temperatures is a temperature difference: converting it
// must not add the offset between the scales.
std::string difference_units(const char* units) {
    for (const char* scale : {"F", "C", "K"})
        if (stricmp(units, scale) == 0) return std::string("d") + scale;
    return units;
}

using Impl = bool (*)(Call&);
struct MathFunc {
    const char* name;
    int min_ops;
    bool vector;
    Impl impl;
};

#define PW(expr) [](Call& c) { return pointwise(c, {0}, [](const float* v) { return expr; }); }
#define PW2(expr) [](Call& c) { return pointwise(c, {0, 1}, [](const float* v) { return expr; }); }

const MathFunc kFunctions[] = {
    {"copy", 1, false, PW(v[0])},
    {"smooth", 2, false, f_smooth},
    {"max", 1, false, [](Call& c) { return over_all(c, present_max); }},
    {"min", 1, false, [](Call& c) { return over_all(c, present_min); }},
    {"add", 2, false, PW2(v[0] + v[1])},
    {"sum", 1, false, [](Call& c) { return over_all(c, present_sum); }},
    {"avg", 1, false, [](Call& c) { return over_all(c, full_avg); }},
    {"interp", 3, false, [](Call& c) { return pointwise(c, {0, 1, 2}, [](const float* v) { return (v[2] - v[0]) * v[1] + v[0]; }); }},
    {"sub", 2, false, [](Call& c) {
         pointwise(c, {0, 1}, [](const float* v) { return v[0] - v[1]; });
         c.set_units(difference_units(c.units_of(0)));
         return true;
     }},
    {"thick", 2, false, PW2(v[0] - v[1])},
    {"mul", 2, false, PW2(v[0] * v[1])},
    {"div", 2, false, PW2(v[0] / v[1])},
    {"mod", 2, false, PW2(std::fmod(v[0], v[1]))},
    {"sqrt", 1, false, PW(std::sqrt(v[0]))},
    {"exp", 1, false, PW(std::exp(v[0]))},
    {"abs", 1, false, PW(std::fabs(v[0]))},
    {"log", 1, false, PW(v[0] > 0.0F ? std::log(v[0]) : kMissingF)},
    {"log10", 1, false, PW(v[0] > 0.0F ? std::log10(v[0]) : kMissingF)},
    {"pow", 2, false, PW2(std::pow(v[0], v[1]))},
    {"sin", 1, false, PW(std::sin(v[0] * kDegToRad))},
    {"cos", 1, false, PW(std::cos(v[0] * kDegToRad))},
    {"tan", 1, false, PW(std::tan(v[0] * kDegToRad))},
    {"asin", 1, false, PW(std::asin(v[0]) * kRadToDeg)},
    {"acos", 1, false, PW(std::acos(v[0]) * kRadToDeg)},
    {"atan", 1, false, PW(std::atan(v[0]) * kRadToDeg)},
    {"atan2", 2, false, PW2(std::atan2(v[0], v[1]) * kRadToDeg)},
    {"dx", 1, false, [](Call& c) { return f_dxdy(c, true); }},
    {"dy", 1, false, [](Call& c) { return f_dxdy(c, false); }},
    {"grad", 1, true, f_grad},
    {"vdiff", 4, true, [](Call& c) {
         pointwise(c, {0, 2}, [](const float* v) { return v[0] - v[1]; });
         std::swap(c.out, c.out2);
         pointwise(c, {1, 3}, [](const float* v) { return v[0] - v[1]; });
         std::swap(c.out, c.out2);
         c.info = "Vector Diff";
         return true;
     }},
    {"lat", 1, false, f_locate},
    {"lon", 1, false, f_locate},
    {"projx", 1, false, f_locate},
    {"projy", 1, false, f_locate},
    {"dewp", 2, false, [](Call& c) {
         const Field t = c.get(0, "K");
         const Field rh = c.get(1, "%");
         store(c.out, combine({&t, &rh}, [](const float* v) { return dew_temp(v[0], v[1]); }));
         c.set_units("K");
         return true;
     }},
    {"rhum", 2, false, [](Call& c) {
         pointwise(c, {0, 1}, [](const float* v) { return rel_hum(v[0], v[1]); }, "K");
         c.set_units("%");
         return true;
     }},
    {"wetblb", 2, false, [](Call& c) { return thermo_moist(c, 2, wet_bulb); }},
    {"show", 3, false, f_show},
    {"wchill", 2, false, f_chill<wind_chill_temp>},
    {"wchill2", 2, false, f_chill<wind_chill_temp2>},
    {"heat", 2, false, [](Call& c) { return thermo_moist(c, 2, [](float t, float td, float) { return heat_index(t, td); }); }},
    {"theta", 1, false, f_theta},
    {"thetae", 2, false, [](Call& c) { return thermo_moist(c, 2, eq_pot_temp); }},
    {"vtemp", 2, false, [](Call& c) { return thermo_moist(c, 2, virt_temp); }},
    {"thetav", 2, false, [](Call& c) { return thermo_moist(c, 2, virt_pot_temp); }},
    {"vapor", 2, false, [](Call& c) {
         thermo_moist(c, 2, [](float, float td, float) { return vapor_pr(td); });
         c.set_units("mb");
         return true;
     }},
    {"pr_alt", 1, false, [](Call& c) {
         pointwise(c, {0}, [](const float* v) { return pres_alt(v[0]); }, "mb");
         c.set_units("m");
         return true;
     }},
    {"shum", 2, false, [](Call& c) {
         thermo_moist(c, 2, [](float, float td, float p) { return spec_hum(td, p); });
         c.set_units("gm/kg");
         return true;
     }},
    {"mixrat", 2, false, [](Call& c) {
         thermo_moist(c, 2, [](float, float td, float p) { return mix_ratio(td, p); });
         c.set_units("gm/kg");
         return true;
     }},
    {"wspd", 2, false, [](Call& c) {
         pointwise(c, {0, 1}, [](const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1]); }, "m/s");
         c.set_units("m/s");
         return true;
     }},
    {"spd", 2, false, [](Call& c) {
         pointwise(c, {0, 1}, [](const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1]); }, "m/s");
         c.set_units("m/s");
         c.info = "Speed";
         return true;
     }},
    {"mag", 2, false, [](Call& c) {
         pointwise(c, {0, 1}, [](const float* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1]); }, "m/s");
         c.set_units("m/s");
         return true;
     }},
    {"wdir", 2, false, [](Call& c) { return f_wdir(c, false); }},
    {"dir", 2, false, [](Call& c) { return f_wdir(c, false); }},
    {"ewdir", 2, false, [](Call& c) { return f_wdir(c, true); }},
    {"uwnd", 2, false, [](Call& c) { return f_components(c, true, false); }},
    {"vwnd", 2, false, [](Call& c) { return f_components(c, false, false); }},
    {"uwndg", 2, false, [](Call& c) { return f_components(c, true, true); }},
    {"vwndg", 2, false, [](Call& c) { return f_components(c, false, true); }},
    {"dot", 4, false, [](Call& c) {
         return pointwise(c, {0, 1, 2, 3}, [](const float* v) { return v[0] * v[2] + v[1] * v[3]; });
     }},
    {"cross", 4, false, [](Call& c) {
         return pointwise(c, {0, 1, 2, 3}, [](const float* v) { return v[0] * v[3] - v[1] * v[2]; });
     }},
    {"ugeos", 1, false, [](Call& c) { return f_geos(c, true); }},
    {"vgeos", 1, false, [](Call& c) { return f_geos(c, false); }},
    {"uq", 2, false, [](Call& c) { return f_qvector(c, true); }},
    {"vq", 2, false, [](Call& c) { return f_qvector(c, false); }},
    {"lapl", 1, false, f_lapl},
    {"conv", 2, false, [](Call& c) { return f_div(c, true, "Convergence"); }},
    {"diverg", 2, false, [](Call& c) { return f_div(c, false, "Divergence"); }},
    {"vconv", 3, false, [](Call& c) { return f_div(c, true, nullptr); }},
    {"def1", 2, false, [](Call& c) { return f_def(c, true); }},
    {"def2", 2, false, [](Call& c) { return f_def(c, false); }},
    {"rvort", 2, false, [](Call& c) { return f_vort(c, false); }},
    {"avort", 2, false, [](Call& c) { return f_vort(c, true); }},
    {"adv", 3, false, f_adv},
};

#undef PW
#undef PW2

const MathFunc* find_function(const std::string& name) {
    for (const MathFunc& f : kFunctions)
        if (same_name(name, f.name)) return &f;
    return nullptr;
}

const char* const kPlotFunctions[] = {"wind", "vect", "stream", "strm"};

// ---------------------------------------------------------------- set-up

bool invalid() {
    MESS_print(kMathWarn, "GRD_math: Invalid grids\n");
    return false;
}

// Checks the operands and prepares the result slot(s) (GRD_math_setup).
bool math_setup(Call& c, int slot, const MathFunc& f, const int* grids, const float* constants) {
    const int n = GRD_find_num_data(grids, constants);
    if (n < f.min_ops) return invalid();
    const GridField* first = nullptr;
    for (int k = 0; k < n; ++k) {
        Operand op;
        op.var = grids[k];
        if (is_constant_var(op.var)) {
            op.constant = constants[k];
        } else {
            op.grid = GRD_get_grid(op.var);
            if (op.grid->values == nullptr || op.grid->domain.nx < 1 || op.grid->domain.ny < 1) return invalid();
            if (first == nullptr) first = op.grid;
            if (!same_domain(op.grid->domain, first->domain)) return invalid();
        }
        c.ops.push_back(op);
    }
    if (first == nullptr) return invalid();  // constants alone have no shape

    c.out = GRD_get_grid(slot);
    // The plot data control described the function's own slot (its time,
    // level, date, model and label); the rest comes from the operand.
    const GridField described = *c.out;
    GRD_copy_info(c.out, first);
    const int hour = described.hour;
    const int level_type = described.level_type;
    const int level = described.level;
    if (described.label[0] != '\0') {
        std::memcpy(c.out->label, described.label, sizeof c.out->label);
        c.out->date = described.date;
        c.out->model = described.model;
    }
    if (!is_missing(hour)) c.out->hour = hour;
    if (!is_missing(level_type)) {
        c.out->level_type = level_type;
        c.out->level = level;
    } else {
        c.out->level_type = first->level_type;
        c.out->level = first->level;
    }
    if (GRD_alloc(c.out) == 0) return false;
    if (f.vector) {
        if (slot + 1 >= kGridSlots) return invalid();
        c.out2 = GRD_get_grid(slot + 1);
        GRD_copy_info(c.out2, c.out);
        c.out2->label[0] = '\0';
        c.out2->hour = c.out->hour;
        c.out2->level_type = c.out->level_type;
        c.out2->level = c.out->level;
        if (GRD_alloc(c.out2) == 0) return false;
    }
    c.domain = &c.out->domain;
    c.shape = shape_of(*c.domain);
    c.metric = &metric_of(*c.domain);
    return true;
}

// Result units, variable number and descriptive text.
// What the functions without an entry of their own in the variable list
// compute, for the field's description.
const char* plain_description(const std::string& name) {
    static const struct {
        const char* name;
        const char* text;
    } kTexts[] = {
        {"sub", "Difference"}, {"thick", "Thickness"}, {"rhum", "Relative humidity"}, {"dewp", "Dew point"},
        {"heat", "Heat index"}, {"theta", "Potential temperature"}, {"thetae", "Equivalent potential temperature"},
        {"wchill", "Wind chill temperature"}, {"wchill2", "Wind chill temperature"}, {"rvort", "Relative vorticity"},
        {"avort", "Absolute vorticity"}, {"def1", "Stretching deformation"}, {"def2", "Shearing deformation"},
        {"wdir", "Wind direction"}, {"wspd", "Wind speed"}, {"ugeos", "Geostrophic u wind"},
        {"vgeos", "Geostrophic v wind"}, {"uwndg", "Grid u wind"}, {"vwndg", "Grid v wind"},
    };
    for (const auto& t : kTexts)
        if (same_name(name, t.name)) return t.text;
    return nullptr;
}

// Result units, variable number and description: the function's own text
// in place of its name in the description the slot was given.
void describe_result(Call& c, GridField* out) {
    if (c.units_set) copy_text(out->units, c.units.c_str());
    const int number = VAR_search_var_num(c.name.c_str());
    if (number != 0) out->variable = number;
    const char* plain = plain_description(c.name);
    if (c.info.empty() && number != 0) {
        GRD_make_datatype(out);
        return;
    }
    std::string text = out->info;
    const std::string what = !c.info.empty() ? c.info : plain != nullptr ? plain : c.name;
    const std::size_t at = text.find(c.name);
    if (at != std::string::npos)
        text = text.substr(0, at) + what;
    else if (text.empty() || !c.info.empty())
        text = what;
    else
        text = text.substr(0, text.find(" ("));
    if (out->units[0] != '\0') text += std::string(" (") + out->units + ")";
    copy_text(out->info, text.c_str());
}

void release(GridField* out) {
    if (out == nullptr) return;
    GRD_free(out);
    out->source = 0;
}

void clean_values(GridField* out) {
    if (out == nullptr || out->values == nullptr) return;
    for (float* v = out->values; v != out->values + static_cast<std::ptrdiff_t>(out->domain.nx) * out->domain.ny; ++v)
        if (!std::isfinite(*v)) *v = kMissingF;
}

// The result in the units its variable asks for, when they can be had.
void convert_result(const char* name, GridField* grid, const char* units) {
    if (units[0] == '\0' || stricmp(units, grid->units) == 0) return;
    if (convertible(grid->units, units))
        GRD_units(grid, units);
    else
        MESS_print(kMathWarn, "GRD_math: %s: no conversion from %s to %s; the result stays in %s\n", name,
                   grid->units, units, grid->units);
}

// A result keeps the label the plot gave its slot (model and valid time);
// without one it is built from the hour and model. The y component of a
// vector shares it.
void label_result(GridField* out, GridField* second) {
    if (out->label[0] == '\0') {
        char label[kGridLabelSize];
        DATE_make_label_for_time(out->hour, out->model, &out->date, label);
        copy_text(out->label, label);
    }
    if (second == nullptr) return;
    second->date = out->date;
    second->model = out->model;
    std::memcpy(second->label, out->label, sizeof second->label);
}

// The walk of GRD_find_param_grids, also counting operands beyond `max`.
int walk_operands(int start, int max, int level, int* grids, float* constants, int* found) {
    if (max < 0) max = 1000;
    int n = 0;
    int i = start;
    for (; i < VAR_get_num(); ++i) {
        const int flag = VAR_get_flag(i);
        if (flag < 10 * level) break;
        if (flag >= 10 * level + 10) continue;  // belongs to a nested function
        const int role = flag % 10;
        if (role > 3 && role < 8) continue;
        if (n < max) {
            grids[n] = i;
            constants[n] = is_constant_var(i) ? constant_value(VAR_get_name(i)) : kMissingF;
        }
        ++n;
    }
    const int stored = std::min(n, max);
    grids[stored] = -1;
    constants[stored] = kMissingF;
    if (found != nullptr) *found = n;
    return i;
}

// Operator entry points: one operator on whole grids into `out`.
template <typename F>
int run_operator(const char* who, GridField* out, std::initializer_list<const GridField*> in, F f) {
    const GridField* first = *in.begin();
    for (const GridField* x : in) {
        if (x == nullptr) continue;
        if (x->values == nullptr || !same_domain(x->domain, first->domain) || x->domain.nx < 1 || x->domain.ny < 1)
            return -1;
    }
    std::vector<Field> fields;
    const std::size_t n = static_cast<std::size_t>(first->domain.nx) * first->domain.ny;
    for (const GridField* x : in) fields.push_back(x != nullptr ? Field(x->values, x->values + n) : Field{});
    const Shape s = shape_of(first->domain);
    const Metric& m = metric_of(first->domain);
    Field result = f(Ops{s, m}, fields);
    clean(result);
    if (out != first && (out->values == nullptr || !same_domain(out->domain, first->domain))) {
        GRD_copy_info(out, first);
        out->values = static_cast<float*>(n > 0 ? std::malloc(n * sizeof(float)) : nullptr);
        if (out->values == nullptr) {
            MESS_print(kMessWarn, "%s: No memory for grid field\n", who);
            return -1;
        }
    }
    store(out, result);
    return 1;
}

}  // namespace

int GRD_is_math_func(const char* name) {
    if (name == nullptr) return 0;
    const std::string n = function_name(name);
    if (same_name(n, "wind")) return kTypeWind;
    if (same_name(n, "vect")) return kTypeVect;
    if (same_name(n, "stream") || same_name(n, "strm")) return kTypeStrm;
    return find_function(n) != nullptr ? kTypeGrid : 0;
}

int GRD_is_plot_func(const char* name) {
    if (name == nullptr) return 0;
    const std::string n = function_name(name);
    return std::any_of(std::begin(kPlotFunctions), std::end(kPlotFunctions),
                       [&](const char* p) { return same_name(n, p); })
               ? 1
               : 0;
}

int GRD_is_vect_func(const char* name) {
    if (name == nullptr) return 0;
    const std::string n = function_name(name);
    return same_name(n, "grad") || same_name(n, "vdiff") ? 1 : 0;
}

int GRD_find_param_grids(int start, int max, int level, int* grids, float* constants) {
    return walk_operands(start, max, level, grids, constants, nullptr);
}

int GRD_find_num_data(const int* grids, const float* constants) {
    int n = 0;
    while (n < kMathMaxOperands && grids[n] >= 0 && (!is_constant_var(grids[n]) || !is_missing(constants[n]))) ++n;
    return n;
}

int GRD_math(int slot, const char* name, const int* grids, const float* constants) {
    if (GRD_is_plot_func(name) != 0) return 1;
    const std::string fname = function_name(name);
    const MathFunc* f = find_function(fname);
    if (f == nullptr) {
        MESS_print(kMathWarn, "GRD_math: Math function not available: %s\n", fname.c_str());
        return 0;
    }
    if (slot < 0 || slot >= kGridSlots || grids == nullptr || constants == nullptr) {
        invalid();
        return 0;
    }
    Call c;
    c.name = fname;
    if (!math_setup(c, slot, *f, grids, constants)) {
        release(c.out);
        release(c.out2);
        return 0;
    }
    f->impl(c);
    clean_values(c.out);
    clean_values(c.out2);
    describe_result(c, c.out);
    if (c.out2 != nullptr) describe_result(c, c.out2);
    return 1;
}

int GRD_calc_var() {
    int top = 0;
    for (int i = 0; i < VAR_get_num(); ++i) top = std::max(top, VAR_get_flag(i));
    if (top <= 9) return 1;
    for (int pass = top / 10; pass >= 1; --pass) {
        for (int i = 0; i < VAR_get_num(); ++i) {
            const int flag = VAR_get_flag(i);
            if (flag / 10 != pass - 1 || VAR_is_calc_GRID(i) == 0 || GRD_get_grid(i)->source != 0) continue;
            const char* name = VAR_get_name(i);
            MESS_print(kMathTrace, "GRIDMATH: %d %d %s\n", i, flag, name);
            const bool vector = VAR_is_FUNC_VECT(i) != 0 || VAR_is_SUBFUNC_VECT(i) != 0;
            int grids[kMathMaxOperands + 1];
            float constants[kMathMaxOperands + 1];
            int found = 0;
            walk_operands(i + (vector ? 2 : 1), kMathMaxOperands, pass, grids, constants, &found);
            if (found > kMathMaxOperands)
                MESS_print(kMathWarn, "GRD_math: %s takes at most %d operands; the first %d are used\n", name,
                           kMathMaxOperands, kMathMaxOperands);
            MESS_print(kMessMess, "Performing grid math: %s\n", name);
            if (GRD_math(i, name, grids, constants) != 1 || GRD_is_plot_func(name) != 0) continue;
            for (int k = 0; k < (vector ? 2 : 1); ++k) convert_result(name, GRD_get_grid(i + k), VAR_get_units(i));
            label_result(GRD_get_grid(i), vector ? GRD_get_grid(i + 1) : nullptr);
        }
    }
    return 1;
}

int GRD_dx(GridField* out, const GridField* a) {
    return run_operator("GRD_dx", out, {a}, [](const Ops& o, const std::vector<Field>& f) { return o.ddx(f[0]); });
}

int GRD_dy(GridField* out, const GridField* a) {
    return run_operator("GRD_dy", out, {a}, [](const Ops& o, const std::vector<Field>& f) { return o.ddy(f[0]); });
}

int GRD_laplacian(GridField* out, const GridField* a) {
    return run_operator("GRD_laplacian", out, {a},
                        [](const Ops& o, const std::vector<Field>& f) { return o.laplacian(f[0]); });
}

int GRD_vorticity(GridField* out, const GridField* u, const GridField* v) {
    return run_operator("GRD_vorticity", out, {u, v},
                        [](const Ops& o, const std::vector<Field>& f) { return o.curl(f[0], f[1]); });
}

int GRD_converge(GridField* out, const GridField* u, const GridField* v, const GridField* q) {
    return run_operator("GRD_converge", out, {u, v, q}, [](const Ops& o, const std::vector<Field>& f) {
        Field a = f[0];
        Field b = f[1];
        if (!f[2].empty()) {
            a = combine({&a, &f[2]}, [](const float* x) { return x[0] * x[1]; });
            b = combine({&b, &f[2]}, [](const float* x) { return x[0] * x[1]; });
        }
        Field d = o.divergence(a, b);
        for (float& x : d)
            if (!gone(x)) x = -x;
        return d;
    });
}

int GRD_deformation1(GridField* out, const GridField* u, const GridField* v) {
    return run_operator("GRD_deformation1", out, {u, v},
                        [](const Ops& o, const std::vector<Field>& f) { return o.stretching(f[0], f[1]); });
}

int GRD_deformation2(GridField* out, const GridField* u, const GridField* v) {
    return run_operator("GRD_deformation2", out, {u, v},
                        [](const Ops& o, const std::vector<Field>& f) { return o.shearing(f[0], f[1]); });
}

int GRD_advection(GridField* out, const GridField* u, const GridField* v, const GridField* s) {
    return run_operator("GRD_advection", out, {u, v, s}, [](const Ops& o, const std::vector<Field>& f) {
        const Field sx = o.ddx(f[2]);
        const Field sy = o.ddy(f[2]);
        return combine({&f[0], &f[1], &sx, &sy}, [](const float* x) { return -(x[0] * x[2] + x[1] * x[3]); });
    });
}

int GRD_coriolis(GridField* grid, const char* mode) {
    if (grid == nullptr || grid->values == nullptr || mode == nullptr) return 0;
    enum { kAdd, kSub, kSubRev, kMul, kDiv, kDivRev } op;
    if (stricmp(mode, "add") == 0) op = kAdd;
    else if (stricmp(mode, "sub") == 0) op = kSub;
    else if (stricmp(mode, "sub-") == 0) op = kSubRev;
    else if (stricmp(mode, "mul") == 0) op = kMul;
    else if (stricmp(mode, "div") == 0) op = kDiv;
    else if (stricmp(mode, "div-") == 0) op = kDivRev;
    else return 0;
    const Field f = coriolis(metric_of(grid->domain));
    for (std::size_t k = 0; k < f.size(); ++k) {
        float& v = grid->values[k];
        if (gone(v)) continue;
        if (gone(f[k])) {
            v = kMissingF;
            continue;
        }
        const double r = op == kAdd ? v + f[k] : op == kSub ? v - f[k] : op == kSubRev ? f[k] - v
                       : op == kMul ? static_cast<double>(v) * f[k] : op == kDiv ? v / static_cast<double>(f[k])
                                                                     : f[k] / static_cast<double>(v);
        v = std::isfinite(r) ? static_cast<float>(r) : kMissingF;
    }
    return 1;
}

void GRD_register_hooks() {
    VAR_set_math_func(GRD_is_math_func);
    VAR_set_vect_func(GRD_is_vect_func);
    DataSeams* s = DATA_seams();
    s->calc_var = GRD_calc_var;
    s->is_plot_func = GRD_is_plot_func;
}

}  // namespace orv
