// Speed of the objective analysis of a national station set onto the "us"
// region refined eight times (193 x 129 points), with the data source's
// settings (filter 1.0, radius 3 grid lengths scaled by "gridx8"), beside the
// straightforward loop over every grid point, station and field on the same
// input. Each analysis benchmark checks that its grids equal those of the
// straightforward loop and reports the speed-up over it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "geo/maptran.hpp"
#include "grid/grd_tool.hpp"
#include "mos/cty_read.hpp"
#include "plot/object.hpp"

namespace {

using orv::kMissingF;

constexpr int kGridFactor = 8;
constexpr float kFilter = 1.0F;
constexpr float kRadius = 3.0F;
constexpr float kConverg = 0.2F;

struct Input {
    orv::Domain grid;                // the refined analysis grid
    std::vector<float> x, y;         // station positions in the grid's plane
    std::vector<std::vector<float>> fields;  // synthetic station values
};

// Stations of the shipped station table inside the region, with a smooth
// temperature-like field and a dewpoint-like second field (some missing).
const Input& national() {
    static const Input input = [] {
        Input in;
        orv::MESS_set(0, static_cast<int>(orv::kMessWarn));
        orv::Domain us;
        us.proj = orv::kProjPolarStereo;
        us.plon = -97.0F;
        us.clat = 39.0F;
        us.clon = -97.0F;
        us.dx = us.dy = 2.3F;
        us.nx = 25;
        us.ny = 17;
        orv::GRD_set_grid_factor(kGridFactor);
        orv::GRD_set_grid_domain(0, &us);
        orv::GRD_set_grid_factor(1);
        in.grid = orv::GRD_get_grid(0)->domain;
        orv::MAP_domain(&us);
        in.fields.resize(2);
        const int fd = orv::CTY_open("mos.cty", 0, nullptr);
        orv::CityFileEntry e{};
        int n = 0;
        while (fd >= 0 && (n = orv::CTY_read(fd, &e)) >= 0) {
            if (n < orv::kCityMinFields) continue;
            float x = 0, y = 0, i = 0, j = 0;
            if (orv::MAP_tran(&x, &y, e.lat, e.lon) != 1) continue;
            orv::MAP_grid_untran(&i, &j, x, y);
            if (i < 0 || j < 0 || i > us.nx - 1 || j > us.ny - 1) continue;
            in.x.push_back(x);
            in.y.push_back(y);
            const float t = 95.0F - 1.1F * (e.lat - 25.0F) + 6.0F * std::sin(e.lon / 6.0F);
            in.fields[0].push_back(t);
            in.fields[1].push_back(in.x.size() % 11 == 0 ? kMissingF : t - 8.0F - 4.0F * std::cos(e.lat));
        }
        if (fd >= 0) orv::CTY_close(fd);
        orv::RES_put("plot_param", "gridx8");
        return in;
    }();
    return input;
}

struct Result {
    std::vector<std::vector<float>> grids;
    double seconds = 0.0;
};

// ---- the straightforward analysis ----

float plain_residual(const orv::Domain& d, const std::vector<float>& grid, float xs, float ys, float v) {
    if (orv::is_missing(v) || xs < 0 || ys < 0 || xs > d.nx - 1 || ys > d.ny - 1) return kMissingF;
    const int i = static_cast<int>(xs), j = static_cast<int>(ys);
    const double fx = xs - i, fy = ys - j;
    double sum = 0.0;
    for (int dj = 0; dj <= 1; ++dj)
        for (int di = 0; di <= 1; ++di) {
            if (i + di >= d.nx || j + dj >= d.ny) continue;
            const float g = grid[static_cast<std::size_t>(j + dj) * d.nx + i + di];
            if (orv::is_missing(g)) return kMissingF;
            sum += (di ? fx : 1 - fx) * (dj ? fy : 1 - fy) * g;
        }
    return static_cast<float>(v - sum);
}

// Every grid point, every station, every field.
Result triple_loop(const Input& in, int passes, int nf) {
    Result r;
    const auto start = std::chrono::steady_clock::now();
    const orv::Domain& d = in.grid;
    const std::size_t ns = in.x.size();
    std::vector<float> xi(ns), yj(ns);
    orv::MAP_domain(&d);
    for (std::size_t s = 0; s < ns; ++s) orv::MAP_grid_untran(&xi[s], &yj[s], in.x[s], in.y[s]);
    const double cut = static_cast<double>(kRadius * kGridFactor) * d.dx;
    const double cut2 = cut * cut;
    double kappa = kFilter;
    r.grids.assign(static_cast<std::size_t>(nf), std::vector<float>(static_cast<std::size_t>(d.nx) * d.ny));
    std::vector<std::vector<float>> data(in.fields.begin(), in.fields.begin() + nf);
    std::vector<double> sw(static_cast<std::size_t>(nf)), swv(static_cast<std::size_t>(nf));
    std::vector<int> n(static_cast<std::size_t>(nf));
    for (int pass = 1; pass <= passes; ++pass) {
        if (pass > 1) {
            for (int f = 0; f < nf; ++f)
                for (std::size_t s = 0; s < ns; ++s)
                    data[f][s] = plain_residual(d, r.grids[f], xi[s], yj[s], in.fields[f][s]);
            kappa *= kConverg;
        }
        for (int j = 0; j < d.ny; ++j) {
            for (int i = 0; i < d.nx; ++i) {
                std::fill(sw.begin(), sw.end(), 0.0);
                std::fill(swv.begin(), swv.end(), 0.0);
                std::fill(n.begin(), n.end(), 0);
                for (std::size_t s = 0; s < ns; ++s) {
                    const double ddx = (xi[s] - i) * static_cast<double>(d.dx);
                    const double ddy = (yj[s] - j) * static_cast<double>(d.dy);
                    const double r2 = ddx * ddx + ddy * ddy;
                    if (r2 > cut2) continue;
                    const double w = std::exp(-r2 / kappa);
                    for (int f = 0; f < nf; ++f) {
                        if (orv::is_missing(data[f][s])) continue;
                        sw[f] += w;
                        swv[f] += w * data[f][s];
                        ++n[f];
                    }
                }
                for (int f = 0; f < nf; ++f) {
                    float& g = r.grids[f][static_cast<std::size_t>(j) * d.nx + i];
                    const bool ok = sw[f] != 0.0 && n[f] >= 1 && (pass == 1 || !orv::is_missing(g));
                    const double v = ok ? (pass == 1 ? swv[f] / sw[f] : g + swv[f] / sw[f]) : kMissingF;
                    g = std::fabs(v) < 1e-10 ? 0.0F : static_cast<float>(v);
                }
            }
        }
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

// ---- the analysis under test ----

Result analysis(const Input& in, int passes, int nf) {
    Result r;
    const auto start = std::chrono::steady_clock::now();
    std::vector<float> x = in.x, y = in.y;
    std::vector<std::vector<float>> data(in.fields.begin(), in.fields.begin() + nf);
    std::vector<float*> fields;
    for (int f = 0; f < nf; ++f) {
        orv::GRD_set_grid_domain(f, &in.grid);
        orv::GRD_alloc_grid(f);
        fields.push_back(data[f].data());
    }
    orv::OBJ_initialize();
    orv::OBJ_set_filter(kFilter);
    orv::OBJ_set_rad_inf(kRadius);
    orv::OBJ_set_num_pass(passes);
    orv::OBJ_analyze(x.data(), y.data(), fields.data(), static_cast<int>(x.size()), nf, orv::GRD_get_grids());
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int f = 0; f < nf; ++f) {
        const float* v = orv::GRD_get_grid(f)->values;
        r.grids.emplace_back(v, v + static_cast<std::size_t>(in.grid.nx) * in.grid.ny);
    }
    return r;
}

const Result& reference(int passes, int nf) {
    static std::map<std::pair<int, int>, Result> cache;
    auto it = cache.find({passes, nf});
    if (it == cache.end()) it = cache.emplace(std::make_pair(passes, nf), triple_loop(national(), passes, nf)).first;
    return it->second;
}

// Largest difference relative to the value's size; infinite where only one
// of the two is missing.
double largest_difference(const Result& a, const Result& b) {
    double worst = 0.0;
    for (std::size_t f = 0; f < a.grids.size(); ++f)
        for (std::size_t k = 0; k < a.grids[f].size(); ++k) {
            const float u = a.grids[f][k], v = b.grids[f][k];
            if (orv::is_missing(u) != orv::is_missing(v)) return HUGE_VAL;
            worst = std::max(worst, std::fabs(u - v) / std::max(1.0, std::fabs(static_cast<double>(v))));
        }
    return worst;
}

void report(benchmark::State& state, const Input& in, double per_run) {
    state.counters["stations"] = static_cast<double>(in.x.size());
    state.counters["points"] = static_cast<double>(in.grid.nx) * in.grid.ny;
    state.counters["ms_per_analysis"] = per_run * 1e3;
}

// args: passes, fields
void BM_Analysis(benchmark::State& state) {
    const Input& in = national();
    const int passes = static_cast<int>(state.range(0));
    const int nf = static_cast<int>(state.range(1));
    const Result& plain = reference(passes, nf);
    Result last;
    double total = 0.0;
    for (auto _ : state) {
        last = analysis(in, passes, nf);
        total += last.seconds;
    }
    const double diff = largest_difference(last, plain);
    if (!(diff <= 1e-5)) state.SkipWithError("the grids differ from the straightforward loop");
    const double per_run = total / static_cast<double>(state.iterations());
    report(state, in, per_run);
    state.counters["rel_diff"] = diff;
    state.counters["speedup"] = plain.seconds / per_run;
}
BENCHMARK(BM_Analysis)->Args({1, 1})->Args({2, 1})->Args({2, 2})->Unit(benchmark::kMillisecond);

void BM_TripleLoop(benchmark::State& state) {
    const Input& in = national();
    const int passes = static_cast<int>(state.range(0));
    const int nf = static_cast<int>(state.range(1));
    double total = 0.0;
    for (auto _ : state) total += triple_loop(in, passes, nf).seconds;
    report(state, in, total / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TripleLoop)->Args({1, 1})->Args({2, 1})->Args({2, 2})->Unit(benchmark::kMillisecond);

}  // namespace
