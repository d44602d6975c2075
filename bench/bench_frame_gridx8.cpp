// One whole batch frame to PostScript, on the "us" region refined eight
// times (193 x 129 grid points).
#include "frame_setup.hpp"

namespace {
void BM_WholeBatchFrameGridx8(benchmark::State& state) {
    bench_frame::whole_frame(state, "p", "ps", {"-pl", "cf", "-pp", "gridx8"});
}
BENCHMARK(BM_WholeBatchFrameGridx8)->Unit(benchmark::kMillisecond);
}  // namespace
