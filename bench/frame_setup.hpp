// One whole batch frame as `make run` draws it: read the national sample,
// analyse the temperatures onto the "us" region, fill and label the contours,
// draw the map background and the frame labels, and write the output file.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
#include "plot/raw_plt.hpp"
#include "plot/raw_read.hpp"
#include "plot/vect_plt.hpp"

namespace bench_frame {

inline int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The demo map's own options beyond the common ones.
inline const std::vector<std::string> kDemoOptions = {
    "-pl", "cf", "-fm", "bar", "-pp", "pscolor,lalo:10,lab:2:8:16", "-gd", "ps,-97,39,-97,97,65,0.575,0.575", "-oa", "1,20"};

// The program's start-up for the GFS `variable` of the shipped sample at
// the forecast `times` over "us", with `options` added; the region it chose. Run from the
// source tree, as `make bench` does.
inline orv::Domain start(const std::vector<std::string>& options, const std::string& variable = "temp",
                         const std::string& times = "h24") {
    using namespace orv;
    static std::vector<std::string> args;
    args = {"mosplot", "-ba", "-me", "none", "-mo", "gfs", "-if", "mos_dat", "-dp", "examples",
            "-ft", times, "-va", variable, "-re", "us"};
    args.insert(args.end(), options.begin(), options.end());
    static std::vector<char*> argv;
    argv.clear();
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

inline std::string& output_dir() {
    static std::string dir;
    return dir;
}

inline void remove_output_dir() { std::filesystem::remove_all(output_dir()); }

// The frame of `variable` drawn to the device `device` ("p", "png", "gif")
// into a file ending in `extension`, with `options`; reports the file size.
// The program starts once; the benchmark may call this several times.
inline void whole_frame(benchmark::State& state, const std::string& device, const std::string& extension,
                        const std::vector<std::string>& options, const std::string& variable = "temp") {
    static std::string output;
    static orv::Domain region;
    if (output.empty()) {
        char dir[] = "/tmp/bench_frame.XXXXXX";
        if (mkdtemp(dir) == nullptr) {
            state.SkipWithError("no temporary directory");
            return;
        }
        output_dir() = dir;
        std::atexit(remove_output_dir);
        output = std::string(dir) + "/frame." + extension;
        std::vector<std::string> all = options;
        all.insert(all.end(), {"-de", device + "," + output});
        region = start(all, variable);
    }
    for (auto _ : state) {
        orv::DATA_new_grid();  // as a new variable choice does: analyse afresh
        orv::MOS_plot(&region);
    }
    std::error_code error;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(output, error));
}
}  // namespace bench_frame
