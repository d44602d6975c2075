// One whole batch frame as `make run` draws it: read the national sample,
// analyse the temperatures onto the "us" region refined four times, fill and
// label the contours, draw the map background and the frame labels, and write
// the PostScript file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_text.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data.hpp"
#include "plot/data_plt.hpp"

namespace {

int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The program's start-up with the demo map's options; the region it chose.
orv::Domain start(const std::string& picture) {
    using namespace orv;
    // Run from the source tree, as `make bench` does.
    static std::vector<std::string> args = {"mosplot", "-ba", "-me", "none", "-mo", "gfs", "-if", "mos_dat",
                                            "-dp", "examples", "-ft", "h24", "-va", "temp",
                                            "-pl", "cf", "-pp", "gridx4", "-re", "us", "-de", "p," + picture};
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
    Domain region;
    DOM_init(&region);
    DOM_get_region(&region, 4);
    char bulletin[kFileNameSize];
    FILE_get_file("", bulletin);
    MOS_set_date(nullptr);
    MOS_prompt_time();
    MOS_prompt_variable();
    return region;
}

void BM_WholeBatchFrame(benchmark::State& state) {
    char dir[] = "/tmp/bench_frame.XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::string picture = std::string(dir) + "/frame.ps";
    const orv::Domain region = start(picture);
    for (auto _ : state) {
        orv::DATA_new_grid();  // as a new variable choice does: analyse afresh
        orv::MOS_plot(&region);
    }
    std::remove(picture.c_str());
    std::remove(dir);
}
BENCHMARK(BM_WholeBatchFrame)->Unit(benchmark::kMillisecond);

}  // namespace
