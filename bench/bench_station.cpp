// One whole batch station-plot frame: read the national sample, place every
// station of the "us" region (priority 9), draw the station model (values,
// cloud circle, barb and weather symbol) over the map with the frame labels,
// and write the PostScript file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/resrc.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/region.hpp"
#include "gks/gks_text.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/data.hpp"
#include "plot/data_plt.hpp"
#include "plot/raw_plt.hpp"
#include "plot/raw_read.hpp"
#include "plot/vect_plt.hpp"

namespace {

int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The program's start-up for the station model of every station.
void start(const std::string& picture) {
    using namespace orv;
    // Run from the source tree, as `make bench` does.
    static std::vector<std::string> args = {"mosplot", "-ba", "-me", "none", "-mo", "gfs", "-if", "mos_dat",
                                            "-dp", "examples", "-ft", "h24", "-va", "station",
                                            "-pr", "9", "-re", "us", "-de", "p," + picture};
    static std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    RES_set_domain_decoder(decode_domain);
    CLR_register_hooks();
    gtext_register_hooks();
    MAP_register_hooks();
    DATA_register_hooks();
    RAW_register_hooks();
    VECT_register_hooks();
    RAW_register_file_hooks();
    RES_init(static_cast<int>(argv.size()), argv.data(), kMosplotKeyedIds, kMosplotPositionalIds);
}

// The answers a run gives before its plot: bulletin, date, time, variable.
orv::Domain choose_plot() {
    using namespace orv;
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
    DATA_new_grid();
    return region;
}

void BM_StationPlotFrame(benchmark::State& state) {
    char dir[] = "/tmp/bench_station.XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::string picture = std::string(dir) + "/station.ps";
    start(picture);
    const orv::Domain region = choose_plot();
    for (auto _ : state) orv::MOS_plot(&region);
    std::remove(picture.c_str());
    std::remove(dir);
}
// One plot per process: a second MOS_plot in the same process does not find
// the bulletin again (the file name it builds is "mos_plot"), so the frame is
// timed once, cold.
BENCHMARK(BM_StationPlotFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
