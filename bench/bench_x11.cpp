// The window on a private Xvfb: redrawing the demo map from the display list
// into an 1100 x 850 window, and stepping to the next frame of a 12-frame
// loop (a pixmap copy).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_x11.hpp"
#include "mos/cty_tool.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data_plt.hpp"
#include "plot/plt_tool.hpp"
#include "support/xserver.hpp"
#include "frame_setup.hpp"

namespace {

// The demo map drawn once into a window of its own server, left open.
std::unique_ptr<orv::testing::XServer> g_server;

bool draw_demo_map() {
    using namespace orv;
    if (g_server) return g_server->ok();
    g_server = std::make_unique<testing::XServer>();
    if (!g_server->ok()) return false;
    setenv("DISPLAY", g_server->display().c_str(), 1);
    static Domain region;
    region = bench_frame::start({"-pl", "cf", "-fm", "bar", "-in", "5", "-de", "d", "-ge", "1100x850"});
    // Open the window first: the plot then draws as it does on a zoom, and
    // returns without waiting for the user.
    PLT_open(DOM_aspect(&region));
    MAP_setup(&region);
    CTY_data_size(kRawLabelBlock);
    CTY_store("mos.cty", kCityLocation, &region, 7);
    MOS_plot(&region);
    return true;
}

void BM_RedrawDemoMapFromDisplayList(benchmark::State& state) {
    if (!draw_demo_map()) {
        state.SkipWithError("no X server");
        return;
    }
    for (auto _ : state) {
        orv::gobj_redraw_plot();
        orv::gupdate_window();
        orv::gsync();
    }
}
BENCHMARK(BM_RedrawDemoMapFromDisplayList)->Unit(benchmark::kMillisecond);

void BM_NextFrameOfTwelve(benchmark::State& state) {
    if (!draw_demo_map()) {
        state.SkipWithError("no X server");
        return;
    }
    using namespace orv;
    gdelete_all_frames();
    for (int i = 0; i < 12; ++i) gcopy_frame(gcreate_frame(-1), kFrameBase);
    gdisplay_frame(0);
    for (auto _ : state) {
        gdisplay_frame(ginc_frame(0));
        gsync();
    }
}
BENCHMARK(BM_NextFrameOfTwelve)->Unit(benchmark::kMicrosecond);

}  // namespace
