// Four whole batch frames to one PostScript file: the temperature and the
// dew point of the national sample, each at two forecast times, on the "us"
// region refined four times, as a run with `-ft h24,h30` and each variable
// in turn draws them.
#include "frame_setup.hpp"

namespace {
void BM_FourFrames(benchmark::State& state) {
    static orv::Domain region;
    if (bench_frame::output_dir().empty()) {
        char dir[] = "/tmp/bench_loop.XXXXXX";
        if (mkdtemp(dir) == nullptr) {
            state.SkipWithError("no temporary directory");
            return;
        }
        bench_frame::output_dir() = dir;
        std::atexit(bench_frame::remove_output_dir);
        region = bench_frame::start({"-pl", "cf", "-pp", "gridx4", "-de", "p," + std::string(dir) + "/loop.ps"},
                                    "temp", "h24,h30");
    }
    for (auto _ : state) {
        for (const char* variable : {"temp", "dewp"}) {
            orv::RES_put("variable", variable);
            orv::MOS_set_prompt_variable(1);
            orv::MOS_prompt_variable();
            orv::MOS_plot(&region);
        }
    }
}
BENCHMARK(BM_FourFrames)->Unit(benchmark::kMillisecond);
}  // namespace
