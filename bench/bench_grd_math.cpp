// Speed of the grid math on the "us" region refined eight times (193 x 129
// points, polar stereographic): the temperature advection by the analysed
// wind as the menu computes it (three levels: the wind turned to the grid
// from its direction and speed, then the advection), beside one point
// function. The analyses themselves are not timed: the operand slots are
// filled once and every iteration recomputes the function slots.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/var_tool.hpp"
#include "geo/maptran.hpp"
#include "grid/grd_tool.hpp"

namespace {

constexpr int kGridFactor = 8;

orv::Domain national_grid() {
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
    return orv::GRD_get_grid(0)->domain;
}

// Parses the expression and fills its plain variables with smooth fields.
void set_up(const char* spec) {
    orv::MESS_set(0, static_cast<int>(orv::kMessWarn));
    orv::GRD_register_hooks();
    orv::VAR_set_def_type(orv::kTypeCont);
    orv::VAR_setup(nullptr, spec);
    const orv::Domain d = national_grid();
    int field = 0;
    for (int i = 0; i < orv::VAR_get_num(); ++i) {
        if (orv::VAR_is_SUBREG(i) == 0 || orv::VAR_get_type(i) == orv::kTypeConst) continue;
        orv::GRD_set_grid_domain(i, &d);
        orv::GRD_alloc_grid(i);
        orv::GridField* g = orv::GRD_get_grid(i);
        for (int k = 0; k < d.nx * d.ny; ++k)
            g->values[k] = static_cast<float>(10.0 * std::sin(0.001 * k * (field + 1)) + 5 * field);
        orv::copy_text(g->units, orv::VAR_get_name(i)[0] == 't' ? "F" : "m/s");
        g->source = 1;
        ++field;
    }
}

void compute(benchmark::State& state, const char* spec) {
    set_up(spec);
    for (auto _ : state) {
        for (int i = 0; i < orv::VAR_get_num(); ++i)
            if (orv::VAR_is_calc_GRID(i) != 0) orv::GRD_get_grid(i)->source = 0;
        orv::GRD_calc_var();
        benchmark::DoNotOptimize(orv::GRD_get_grid(0)->values);
    }
    orv::GRD_reset_for_tests();
    orv::VAR_reset_for_tests();
}

void BM_TemperatureAdvection(benchmark::State& state) {
    compute(state, "adv(uwndg(wdir(ua,va),wspd(ua,va)),vwndg(wdir(ua,va),wspd(ua,va)),ta)");
}
BENCHMARK(BM_TemperatureAdvection)->Unit(benchmark::kMillisecond);

void BM_Difference(benchmark::State& state) { compute(state, "sub(ta,tb)"); }
BENCHMARK(BM_Difference)->Unit(benchmark::kMillisecond);

}  // namespace
