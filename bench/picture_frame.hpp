// One whole batch frame as `make run` draws it, written as a picture file by
// the headless device: read the national sample, analyse the temperatures
// onto the "us" region, fill and label the contours, draw the map background
// and the frame labels, and write the file.
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

namespace bench_picture {

inline int decode_domain(const char* text, void* domain) {
    return orv::DOM_decode(text, static_cast<orv::Domain*>(domain));
}

// The program's start-up with the demo map's options; the region it chose.
inline orv::Domain start(const std::string& device) {
    using namespace orv;
    // Run from the source tree, as `make bench` does.
    static std::vector<std::string> args = {"mosplot", "-ba", "-me", "none", "-mo", "gfs", "-if", "mos_dat",
                                            "-dp", "examples", "-ft", "h24", "-va", "temp",
                                            "-pl", "cf", "-fm", "bar", "-pp", "pscolor,lalo:10,lab:2:8:16",
                                            "-re", "us",
                                            "-gd", "ps,-97,39,-97,97,65,0.575,0.575", "-oa", "1,20",
                                            "-de", device};
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

inline std::string& picture_dir() {
    static std::string dir;
    return dir;
}

inline void remove_picture_dir() { std::filesystem::remove_all(picture_dir()); }

// The frame drawn and written as `format` ("png", "gif"); reports the file
// size. The program starts once; the benchmark may call this several times.
inline void whole_picture_frame(benchmark::State& state, const char* format) {
    static std::string picture;
    static orv::Domain region;
    if (picture.empty()) {
        char dir[] = "/tmp/bench_picture.XXXXXX";
        if (mkdtemp(dir) == nullptr) {
            state.SkipWithError("no temporary directory");
            return;
        }
        picture_dir() = dir;
        std::atexit(remove_picture_dir);
        picture = std::string(dir) + "/frame." + format;
        region = start(std::string(format) + "," + picture);
    }
    for (auto _ : state) {
        orv::DATA_new_grid();  // as a new variable choice does: analyse afresh
        orv::MOS_plot(&region);
    }
    std::error_code error;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(picture, error));
}
}  // namespace bench_picture
