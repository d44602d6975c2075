#include "plot/object.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "geo/maptran.hpp"

namespace orv {
namespace {

constexpr float kDefaultFilter = 1.0F;
constexpr float kDefaultRadius = 1000.0F;
constexpr float kDefaultConverg = 0.2F;
constexpr double kTiny = 1e-10;

struct ObjState {
    float filter = kDefaultFilter;      // kappa, squared map units
    float rad_inf_set = kDefaultRadius;  // as set by the data source
    float rad_inf = kDefaultRadius;      // in use: after the grid factor and "object_param"
    int num_pass = 1;
    float converg = kDefaultConverg;
    int min_sta = 1;
    float miss_val = kMissingF;
    int grid_factor = 1;
};
ObjState g;

float valid_filter(double v) { return v > 0.0 ? static_cast<float>(v) : kDefaultFilter; }
float valid_radius(double v) { return v > 0.0 ? static_cast<float>(v) : kDefaultRadius; }
int valid_passes(double v) { return v >= 1.0 && v < 5.0 ? static_cast<int>(v) : 1; }
float valid_converg(double v) {
    return v >= 0.01 && v < 1.0 ? static_cast<float>(v) : kDefaultConverg;
}
int valid_min_sta(double v) {
    if (!(v >= 1.0)) return 1;
    return v >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(v);
}

bool is_blank_text(const char* s) { return s == nullptr || string_is_blank(s) != 0 || *s == '\0'; }

// The leading number of a text as the C library reads it; 0 for junk.
double leading_number(const char* s) { return s != nullptr ? std::strtod(s, nullptr) : 0.0; }

bool starts_with_nocase(const char* text, const char* word) {
    return text != nullptr && strnicmp(text, word, std::char_traits<char>::length(word)) == 0;
}

// "miss" followed by the value, directly or after one separator character.
bool decode_miss(const char* item, float* value) {
    if (!starts_with_nocase(item, "miss")) return false;
    const char* rest = item + 4;
    if (*rest == '\0') return false;
    const bool number_start = std::string_view("0123456789+-.").find(*rest) != std::string_view::npos;
    if (!number_start) ++rest;
    char* end = nullptr;
    const double v = std::strtod(rest, &end);
    if (end == rest || !std::isfinite(v)) return false;
    *value = static_cast<float>(v);
    return true;
}

void decode_plot_param() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &count, &items);
    for (int k = 0; k < count; ++k) {
        const char* item = items[k];
        float miss = 0.0F;
        if (decode_miss(item, &miss)) {
            g.miss_val = miss;
        } else if (starts_with_nocase(item, "gridx")) {
            const char* digits = item + 5;
            if (*digits >= '0' && *digits <= '9') {
                const long f = std::strtol(digits, nullptr, 10);
                if (f >= 1 && f <= 1000) g.grid_factor = static_cast<int>(f);
            }
            g.rad_inf *= static_cast<float>(g.grid_factor);
        }
    }
    free_parsed_array(count, items);
}

void decode_object_param() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("object_param", &count, &items);
    for (int k = 0; k < count && k < 5; ++k) {
        const char* item = items[k];
        const double v = leading_number(item);
        switch (k) {
        case 0:
            if (!is_blank_text(item)) g.filter = valid_filter(v);
            break;
        case 1:
            if (!is_blank_text(item)) g.rad_inf = valid_radius(v);
            break;
        case 2: g.num_pass = valid_passes(v); break;
        case 3: g.converg = valid_converg(v); break;
        default: g.min_sta = valid_min_sta(v); break;
        }
    }
    free_parsed_array(count, items);
}

// ---- the analysis ----

struct Geometry {
    int nx;
    int ny;
    double dx;
    double dy;
    double cut2;    // squared cut-off distance
    double reach_x; // cut-off in grid lengths along x and y
    double reach_y;
    std::size_t points() const { return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny); }
};

struct Station {
    double x;  // fractional grid indices
    double y;
    bool placed;
};

double squared(double v) { return v * v; }

double distance2(const Geometry& geo, const Station& s, int i, int j) {
    const double ddx = (s.x - i) * geo.dx;
    const double ddy = (s.y - j) * geo.dy;
    return ddx * ddx + ddy * ddy;
}

// Within the cut-off of at least one grid point: of the nearest one.
bool in_reach(const Geometry& geo, const Station& s) {
    if (!s.placed) return false;
    const double ic = std::clamp(std::round(s.x), 0.0, static_cast<double>(geo.nx - 1));
    const double jc = std::clamp(std::round(s.y), 0.0, static_cast<double>(geo.ny - 1));
    return distance2(geo, s, static_cast<int>(ic), static_cast<int>(jc)) <= geo.cut2;
}

// Sums of one grid row, field-major: entry f * nx + i for field f, column i.
struct RowSums {
    std::vector<double> w;   // sum of the weights
    std::vector<double> wv;  // sum of weight times value
    std::vector<int> n;      // values taking part
    void clear() {
        std::fill(w.begin(), w.end(), 0.0);
        std::fill(wv.begin(), wv.end(), 0.0);
        std::fill(n.begin(), n.end(), 0);
    }
};

// Index range [lo, hi] of grid lines within `reach` of `at` on a line of
// `size` points; empty (lo > hi) when none.
void line_window(double at, double reach, int size, int* lo, int* hi) {
    const double first = std::max(0.0, std::floor(at - reach));
    const double last = std::min(static_cast<double>(size - 1), std::ceil(at + reach));
    if (!(first <= last)) {
        *lo = 1;
        *hi = 0;
        return;
    }
    *lo = static_cast<int>(first);
    *hi = static_cast<int>(last);
}

// Adds the weights of columns lo..hi and the weighted value to a row's sums.
void add_weighted(double* __restrict sw, double* __restrict swv, int* __restrict n,
                  const double* __restrict w, double value, int lo, int hi) {
    for (int i = lo; i <= hi; ++i) {
        sw[i] += w[i];
        swv[i] += w[i] * value;
        ++n[i];
    }
}

// One sweep of Gaussian-weighted sums of station values (station-major,
// nf values a station; missing values take no part) over every grid point,
// with the weight exp(-r2 / kappa) for stations within the cut-off.
//
// Stations are bucketed by the grid rows they reach, so a row visits only
// those, in station order (the sums at each point add up in the same order
// as a plain loop over the stations would). The squared distance along x is
// monotonic away from the station, so the columns within the cut-off form one
// run found from its ends. The weight of a station and point is computed once,
// as the product of its x and y factors, and serves every field.
// `row_done(j, sums)` receives each finished row.
template <class RowDone>
void sweep(const Geometry& geo, const std::vector<Station>& stations, const std::vector<float>& vals,
           int nf, double kappa, RowDone row_done) {
    const std::size_t ns = stations.size();
    const std::size_t nx = static_cast<std::size_t>(geo.nx);
    struct Reach {
        int i0 = 1, i1 = 0, j0 = 1, j1 = 0;
        std::size_t at = 0;  // first x factor in the cache
    };
    std::vector<Reach> reach(ns);
    std::vector<double> dx2;  // per station and column of its window
    std::vector<double> ex;
    std::vector<std::size_t> row_start(static_cast<std::size_t>(geo.ny) + 1, 0);
    for (std::size_t s = 0; s < ns; ++s) {
        const Station& st = stations[s];
        const float* v = &vals[s * static_cast<std::size_t>(nf)];
        if (!st.placed || std::all_of(v, v + nf, [](float x) { return is_missing(x); })) continue;
        Reach r;
        line_window(st.x, geo.reach_x, geo.nx, &r.i0, &r.i1);
        line_window(st.y, geo.reach_y, geo.ny, &r.j0, &r.j1);
        if (r.i0 > r.i1 || r.j0 > r.j1) continue;
        r.at = dx2.size();
        for (int i = r.i0; i <= r.i1; ++i) {
            const double ddx = (st.x - i) * geo.dx;
            dx2.push_back(ddx * ddx);
            ex.push_back(std::exp(-dx2.back() / kappa));
        }
        for (int j = r.j0; j <= r.j1; ++j) ++row_start[static_cast<std::size_t>(j) + 1];
        reach[s] = r;
    }
    for (std::size_t j = 1; j < row_start.size(); ++j) row_start[j] += row_start[j - 1];
    std::vector<int> row_stations(row_start.back());
    std::vector<std::size_t> fill(row_start.begin(), row_start.end() - 1);
    for (std::size_t s = 0; s < ns; ++s)
        for (int j = reach[s].j0; j <= reach[s].j1; ++j)
            row_stations[fill[static_cast<std::size_t>(j)]++] = static_cast<int>(s);

    const std::size_t cells = nx * static_cast<std::size_t>(nf);
    RowSums sums{std::vector<double>(cells), std::vector<double>(cells), std::vector<int>(cells)};
    std::vector<double> w(nx);
    for (int j = 0; j < geo.ny; ++j) {
        sums.clear();
        const std::size_t ju = static_cast<std::size_t>(j);
        for (std::size_t k = row_start[ju]; k < row_start[ju + 1]; ++k) {
            const std::size_t s = static_cast<std::size_t>(row_stations[k]);
            const Reach& r = reach[s];
            const double ddy = (stations[s].y - j) * geo.dy;
            const double dy2 = ddy * ddy;
            const double* sx2 = &dx2[r.at];  // from column i0 on
            int lo = r.i0;
            int hi = r.i1;
            while (lo <= hi && sx2[lo - r.i0] + dy2 > geo.cut2) ++lo;
            while (hi >= lo && sx2[hi - r.i0] + dy2 > geo.cut2) --hi;
            if (lo > hi) continue;
            const double ey = std::exp(-dy2 / kappa);
            const double* sex = &ex[r.at];
            for (int i = lo; i <= hi; ++i) w[static_cast<std::size_t>(i)] = sex[i - r.i0] * ey;
            const float* v = &vals[s * static_cast<std::size_t>(nf)];
            for (int f = 0; f < nf; ++f) {
                if (is_missing(v[f])) continue;
                const double value = v[f];
                add_weighted(&sums.w[static_cast<std::size_t>(f) * nx],
                             &sums.wv[static_cast<std::size_t>(f) * nx],
                             &sums.n[static_cast<std::size_t>(f) * nx], w.data(), value, lo, hi);
            }
        }
        row_done(j, sums);
    }
}

float tidy(double v) { return std::fabs(v) < kTiny ? 0.0F : static_cast<float>(v); }

// Station value minus the bilinear interpolation of the grid at the station;
// -9999 outside the grid or where a value taking part is missing.
float residual(const Geometry& geo, const float* grid, const Station& s, float value) {
    if (!s.placed || is_missing(value)) return kMissingF;
    if (!(s.x >= 0.0 && s.x <= geo.nx - 1 && s.y >= 0.0 && s.y <= geo.ny - 1)) return kMissingF;
    const int i = std::min(static_cast<int>(s.x), geo.nx - 1);
    const int j = std::min(static_cast<int>(s.y), geo.ny - 1);
    const double fx = s.x - i;
    const double fy = s.y - j;
    double interp = 0.0;
    for (int dj = 0; dj <= 1; ++dj) {
        for (int di = 0; di <= 1; ++di) {
            if (i + di >= geo.nx || j + dj >= geo.ny) continue;  // beyond the last column or row
            const float corner = grid[static_cast<std::size_t>(j + dj) * geo.nx + (i + di)];
            if (is_missing(corner)) return kMissingF;
            interp += (di != 0 ? fx : 1.0 - fx) * (dj != 0 ? fy : 1.0 - fy) * corner;
        }
    }
    return static_cast<float>(value - interp);
}

class Analysis {
public:
    Analysis(const Geometry& geo, std::vector<Station> stations, std::vector<int> fields,
             float* const* values, GridField* slots)
        : geo_(geo), stations_(std::move(stations)), fields_(std::move(fields)), values_(values),
          slots_(slots) {}

    void first_pass(double kappa) {
        replace_missing();
        const int nf = static_cast<int>(fields_.size());
        std::vector<float> vals(stations_.size() * fields_.size());
        for (std::size_t s = 0; s < stations_.size(); ++s)
            for (int f = 0; f < nf; ++f) vals[s * fields_.size() + f] = values_[fields_[f]][s];
        sweep(geo_, stations_, vals, nf, kappa, [&](int j, const RowSums& row) {
            for (int f = 0; f < nf; ++f) {
                float* out = grid(f) + index(0, j);
                for (std::size_t c = static_cast<std::size_t>(f) * geo_.nx, i = 0; i < static_cast<std::size_t>(geo_.nx); ++c, ++i)
                    out[i] = row.w[c] != 0.0 && row.n[c] >= g.min_sta ? tidy(row.wv[c] / row.w[c]) : kMissingF;
            }
        });
    }

    // Residuals of every station and field (station-major); prints the RMS errors.
    void compute_residuals() {
        const std::size_t nf = fields_.size();
        residuals_.assign(stations_.size() * nf, kMissingF);
        for (std::size_t f = 0; f < nf; ++f) {
            double sum2 = 0.0;
            long count = 0;
            for (std::size_t s = 0; s < stations_.size(); ++s) {
                const float r = residual(geo_, grid(static_cast<int>(f)), stations_[s], values_[fields_[f]][s]);
                residuals_[s * nf + f] = r;
                if (is_missing(r)) continue;
                sum2 += squared(r);
                ++count;
            }
            if (count > 0)
                MESS_print(kMessOut3, "RMS Error for field %d: %f\n", fields_[f] + 1,
                           std::sqrt(sum2 / static_cast<double>(count)));
            else
                MESS_print(kMessOut3, "RMS Error for field %d: no stations\n", fields_[f] + 1);
        }
    }

    void correction_pass(double kappa) {
        const int nf = static_cast<int>(fields_.size());
        sweep(geo_, stations_, residuals_, nf, kappa, [&](int j, const RowSums& row) {
            for (int f = 0; f < nf; ++f) {
                float* out = grid(f) + index(0, j);
                for (std::size_t c = static_cast<std::size_t>(f) * geo_.nx, i = 0; i < static_cast<std::size_t>(geo_.nx); ++c, ++i)
                    out[i] = row.w[c] != 0.0 && row.n[c] >= g.min_sta && !is_missing(out[i])
                                 ? tidy(out[i] + row.wv[c] / row.w[c])
                                 : kMissingF;
            }
        });
    }

private:
    // Missing values of stations that some grid point reaches take the
    // replacement value, in the caller's arrays too.
    void replace_missing() {
        if (is_missing(g.miss_val)) return;
        for (std::size_t s = 0; s < stations_.size(); ++s) {
            if (!in_reach(geo_, stations_[s])) continue;
            for (int f : fields_)
                if (is_missing(values_[f][s])) values_[f][s] = g.miss_val;
        }
    }

    float* grid(int f) { return slots_[fields_[static_cast<std::size_t>(f)]].values; }
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(j) * geo_.nx + i; }

    Geometry geo_;
    std::vector<Station> stations_;
    std::vector<int> fields_;  // field indices with an array and a target grid
    float* const* values_;
    GridField* slots_;
    std::vector<float> residuals_;
};

void print_settings(const GridField* slots, float* const* fields, int n_fields, int n_stations) {
    MESS_print(kMessMess, "Fitting to grid...\n");
    for (int f = 0; f < n_fields; ++f)
        if (fields[f] != nullptr) MESS_print(kMessMess, "   Data field [%d] = %s\n", f + 1, slots[f].info);
    MESS_print(kMessOut4, "Time and date are            = %s\n", slots[0].label);
    MESS_print(kMessOut4, "Number of stations           = %4d stats\n", n_stations);
    MESS_print(kMessOut4, "Number of passes             = %4d\n", g.num_pass);
    MESS_print(kMessOut4, "Filter parameter             = %9.4f cm**2\n", static_cast<double>(g.filter));
    if (g.num_pass > 1)
        MESS_print(kMessOut4, "Convergence parameter        = %9.4f\n", static_cast<double>(g.converg));
    MESS_print(kMessOut4, "Radius of influence          = %7.2f grids\n", static_cast<double>(g.rad_inf));
    MESS_print(kMessOut4, "Minimum stations at gridpt   = %4d stats\n\n", g.min_sta);
}

// Station positions into fractional grid indices of the domain, in place.
std::vector<Station> place_stations(const Domain& domain, float* x, float* y, int n) {
    std::vector<Station> stations(static_cast<std::size_t>(n));
    Domain saved;
    MAP_get_domain(&saved);
    MAP_domain(&domain);
    for (int s = 0; s < n; ++s) {
        const bool known = !is_missing(x[s]) && !is_missing(y[s]);
        MAP_grid_untran(&x[s], &y[s], x[s], y[s]);
        stations[static_cast<std::size_t>(s)] = {x[s], y[s], known && !is_missing(x[s]) && !is_missing(y[s])};
    }
    MAP_domain(&saved);
    return stations;
}

}  // namespace

void OBJ_initialize() { g = ObjState{}; }

void OBJ_set_filter(float kappa) { g.filter = valid_filter(kappa); }

void OBJ_set_rad_inf(float radius) { g.rad_inf = g.rad_inf_set = valid_radius(radius); }

void OBJ_set_num_pass(int passes) { g.num_pass = valid_passes(passes); }

void OBJ_set_converg(float gamma) { g.converg = valid_converg(gamma); }

void OBJ_set_min_sta(int count) { g.min_sta = valid_min_sta(count); }

void OBJ_set_miss_val(float value) { g.miss_val = value; }

int OBJ_decode_params() {
    g.rad_inf = g.rad_inf_set;
    decode_plot_param();
    decode_object_param();
    return 0;
}

int OBJ_decode_format(const char* format) {
    if (format == nullptr) return 0;
    int count = 0;
    char** items = nullptr;
    parse_string(format, ':', &count, &items);
    int found = 0;
    for (int k = 0; k < count; ++k) {
        float v = 0.0F;
        if (decode_miss(items[k], &v)) {
            g.miss_val = v;
            found = 1;
        }
    }
    free_parsed_array(count, items);
    return found;
}

int OBJ_analyze(float* x, float* y, float* const* fields, int n_stations, int n_fields,
                GridField* slots) {
    if (fields == nullptr || slots == nullptr || n_fields < 1) return -1;
    n_fields = std::min(n_fields, kGridSlots);
    if (std::none_of(fields, fields + n_fields, [](const float* f) { return f != nullptr; })) return -1;
    if (x == nullptr || y == nullptr || n_stations < 0) n_stations = 0;
    OBJ_decode_params();
    print_settings(slots, fields, n_fields, n_stations);

    const Domain& domain = slots[0].domain;
    if (domain.nx < 1 || domain.ny < 1 || !(domain.dx > 0.0F) || !(domain.dy > 0.0F)) {
        MESS_print(kMessWarn, "OBJ_analyze: Invalid grid domain\n");
        return -1;
    }
    const double cut = static_cast<double>(g.rad_inf) * domain.dx;
    const Geometry geo{domain.nx, domain.ny, domain.dx, domain.dy, cut * cut,
                       cut / domain.dx, cut / domain.dy};
    std::vector<int> targets;
    for (int f = 0; f < n_fields; ++f) {
        GridField& slot = slots[f];
        if (fields[f] == nullptr || slot.values == nullptr || slot.domain.nx != geo.nx ||
            slot.domain.ny != geo.ny)
            continue;
        targets.push_back(f);
        slot.grid_number = 2;
        slot.source = 1;
        slot.version = 1;
        slot.model = 1;
    }
    try {
        Analysis analysis(geo, place_stations(domain, x, y, n_stations), targets, fields, slots);
        MESS_print(kMessOut3, "Pass: %d...\n", 1);
        analysis.first_pass(g.filter);
        if (g.num_pass == 1 && MESS_check(kMessOut3) == 0) return -1;
        try {
            MESS_print(kMessOut3, "Computing residuals...\n");
            analysis.compute_residuals();
            for (int pass = 2; pass <= g.num_pass; ++pass) {
                MESS_print(kMessOut3, "Pass: %d...\n", pass);
                g.filter *= g.converg;
                analysis.correction_pass(g.filter);
                analysis.compute_residuals();
            }
        } catch (const std::bad_alloc&) {
            MESS_print(kMessWarn, "OBJ_analyze: No memory for residual data\n");
            return -1;
        }
    } catch (const std::bad_alloc&) {
        MESS_print(kMessWarn, "OBJ_analyze: No memory for grid field\n");
        return -1;
    }
    return 0;
}

void OBJ_reset_for_tests() { g = ObjState{}; }

}  // namespace orv
