// One whole batch frame to PostScript, on the "us" region refined four times.
#include "frame_setup.hpp"

namespace {
void BM_WholeBatchFrame(benchmark::State& state) { bench_frame::whole_frame(state, "p", "ps", {"-pl", "cf", "-pp", "gridx4"}); }
BENCHMARK(BM_WholeBatchFrame)->Unit(benchmark::kMillisecond);
}  // namespace
