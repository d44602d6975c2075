// Streamlines of a 193 x 129 wind grid (a rotation with a wave on it) traced
// and drawn to a device that keeps nothing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <initializer_list>

#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "grid/grd_tool.hpp"
#include "plot/colors.hpp"
#include "plot/vect_plt.hpp"

namespace {

int null_open(int, const char*) { return 0; }
int null_close(int) { return 0; }
int null_lines(int, const orv::GPoint*) { return 0; }

void BM_Streamlines193x129(benchmark::State& state) {
    using namespace orv;
    GDevice device{};
    device.kind = kWsMeta;
    device.open = null_open;
    device.close = null_close;
    device.polyline = null_lines;
    device.fill_area = null_lines;
    gregister_device(&device);
    gopen_gks(nullptr);
    gopen_ws(1, "", kWsMeta);
    const float window[4] = {-1e4F, 1e4F, -1e4F, 1e4F};
    const float view[4] = {0.0F, 1.0F, 0.0F, 1.0F};
    gset_win(2, window);
    gset_vp(2, view);
    gsel_norm_tran(2);
    CLR_read_table(nullptr);
    Domain d;
    d.proj = kProjLatLon;
    d.clat = 40.0F;
    d.clon = -100.0F;
    d.dx = d.dy = 0.25F;
    d.nx = 193;
    d.ny = 129;
    for (int slot : {0, 1}) {
        GRD_set_grid_domain(slot, &d);
        GRD_alloc_grid(slot);
    }
    for (int j = 0; j < d.ny; ++j)
        for (int i = 0; i < d.nx; ++i) {
            const float x = static_cast<float>(i - 60) / 30.0F;
            const float y = static_cast<float>(64 - j) / 30.0F;
            GRD_get_grid(0)->values[j * d.nx + i] = -y * 10.0F + 5.0F * std::cos(x);
            GRD_get_grid(1)->values[j * d.nx + i] = x * 10.0F + 3.0F * std::sin(y);
        }
    VECT_set_type(kVectStreams);
    VECT_plot_setup(0, -1, GRD_get_grid(0), GRD_get_grid(1), &d, nullptr);
    for (auto _ : state) VECT_draw(GRD_get_grid(0), GRD_get_grid(1));
    state.counters["streamlines"] = VECT_get_num_streams();
    gclose_ws(1);
}
BENCHMARK(BM_Streamlines193x129)->Unit(benchmark::kMillisecond);

}  // namespace
