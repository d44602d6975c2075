// Speed of the MOS bulletin reader over a national product set: every station
// read in full (mode 26) through the read-report callback, with its station
// table look-up. Reads the shipped sample in examples/, else the real
// bulletins beside the project.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/date.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/par_tool.hpp"
#include "core/resrc.hpp"
#include "geo/maptran.hpp"
#include "mos/cty_tool.hpp"
#include "mos/mos_plt.hpp"
#include "mos/mos_read.hpp"

namespace {

const std::filesystem::path kRoot = std::filesystem::path(__FILE__).parent_path().parent_path();

// The GFS bulletins to read: the national sample, or the real GFS products.
std::vector<std::string> bulletins() {
    std::vector<std::string> files;
    for (const auto& dir : {kRoot / "examples", kRoot / ".." / "shared" / "data" / "mos"}) {
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            if (e.path().extension() == ".txt" && (name.rfind("mos_", 0) == 0 || name.rfind("gfs_mav", 0) == 0))
                files.push_back(e.path().string());
        }
        if (!files.empty()) break;
    }
    return files;
}

void load_station_table() {
    orv::RES_put("file_path", (kRoot / "data").string().c_str());
    orv::Domain world;
    world.proj = orv::kProjLatLon;
    world.clat = 0.0F;
    world.clon = 0.0F;
    world.nx = 361;
    world.ny = 181;
    world.dx = 1.0F;
    world.dy = 1.0F;
    orv::CTY_store("mos.cty", orv::kCityLocation, &world, 9);
    orv::RES_put("stat_prior", "9");
}

bool open_bulletin(const std::string& path) {
    orv::MOS_close_file();
    orv::FILE_set_filename(path.c_str());
    orv::PAR_set_in_file(nullptr);
    orv::DateRecord no_date{orv::kMissing, orv::kMissing, orv::kMissing, orv::kMissing,
                            orv::kMissing, orv::kMissing, orv::kMissing, orv::kMissing};
    orv::MOS_set_fd(orv::MOS_open(&no_date));
    return orv::MOS_get_fd() == 0;
}

void BM_ReadNationalSet(benchmark::State& state) {
    const auto files = bulletins();
    if (files.empty()) {
        state.SkipWithError("no GFS bulletins in examples/ or ../shared/data/mos");
        return;
    }
    orv::MESS_set(0, 0);
    load_station_table();
    orv::FLAG_set(orv::kFlagDataKind, orv::kModelGfs);
    std::int64_t stations = 0;
    std::int64_t used = 0;
    for (auto _ : state) {
        for (const auto& f : files) {
            state.PauseTiming();
            const bool opened = open_bulletin(f);
            state.ResumeTiming();
            if (!opened) continue;
            orv::MOS_rewind_file();
            orv::CityEntry entry{};
            for (int r = 0; (r = orv::MOS_read_report(orv::MOS_get_report(), &entry)) >= 0;) {
                ++stations;
                used += r;
            }
        }
    }
    orv::MOS_close_file();
    state.SetItemsProcessed(stations);
    const double per_set = static_cast<double>(stations) / static_cast<double>(state.iterations());
    state.counters["stations"] = per_set;
    state.counters["in_table"] = static_cast<double>(used) / static_cast<double>(state.iterations());
    state.counters["stations_per_s"] = benchmark::Counter(static_cast<double>(stations), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadNationalSet)->Unit(benchmark::kMillisecond);

}  // namespace
