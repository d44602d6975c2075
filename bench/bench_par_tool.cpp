// Speed of the product reader over the shipped national sample: every line
// of every station section, found by heading search.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/date.hpp"
#include "core/mess.hpp"
#include "core/par_tool.hpp"
#include "core/resrc.hpp"

namespace {

void BM_ReadNationalSample(benchmark::State& state) {
    // The sample is found for its run by the default bulletin convention.
    const std::filesystem::path examples =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "examples";
    orv::MESS_set(-1, 0x0FC0);
    orv::RES_put("data_path", examples.c_str());
    orv::PAR_set_in_file("mos_dat");
    orv::PAR_set_end(orv::kParEndBlank);
    const orv::DateRecord run{2026, 12, 6, 340, 0, 0, 0, 0};
    if (orv::PAR_open(&run) != 0) {
        state.SkipWithError("no sample in examples/");
        return;
    }
    std::int64_t lines = 0;
    char line[orv::kParLineSize];
    for (auto _ : state) {
        orv::PAR_rewind(0);
        while (orv::PAR_search(0, "FOUS2[1-6]") == 1) {
            int n = 0;
            for (;;) {
                const int r = orv::PAR_read(0, 0, n, line);
                if (r == 1) {
                    ++n;
                    ++lines;
                } else if (r < 0 || orv::PAR_get_status(0) == orv::kParStatusEnd) {
                    break;
                } else {
                    n = 0;
                }
            }
        }
    }
    orv::PAR_close(0);
    state.SetItemsProcessed(lines);
    state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadNationalSample)->Unit(benchmark::kMillisecond);

}  // namespace
