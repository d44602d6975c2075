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

namespace {

int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The demo map drawn once into a window of its own server, left open.
std::unique_ptr<orv::testing::XServer> g_server;

bool draw_demo_map() {
    using namespace orv;
    if (g_server) return g_server->ok();
    g_server = std::make_unique<testing::XServer>();
    if (!g_server->ok()) return false;
    setenv("DISPLAY", g_server->display().c_str(), 1);
    // Run from the source tree, as `make bench` does.
    static std::vector<std::string> args = {"mosplot", "-ba", "-me", "none", "-mo", "gfs", "-if", "mos_dat",
                                            "-dp", "examples", "-ft", "h24", "-va", "temp", "-pl", "cf",
                                            "-fm", "bar", "-in", "5", "-re", "us", "-de", "d", "-ge", "1100x850"};
    static std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    RES_set_domain_decoder(decode_domain);
    CLR_register_hooks();
    gtext_register_hooks();
    MAP_register_hooks();
    DATA_register_hooks();
    RES_init(static_cast<int>(argv.size()), argv.data(), kMosplotKeyedIds, kMosplotPositionalIds);
    MOS_in_file();
    VAR_set_def_type(kTypeCont);
    static Domain region;
    DOM_init(&region);
    DOM_get_region(&region, 4);
    char bulletin[kFileNameSize];
    FILE_get_file("", bulletin);
    MOS_set_date(nullptr);
    MOS_prompt_time();
    MOS_prompt_variable();
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
