// Speed of the demo frame written as PNG without a display.
#include "frame_setup.hpp"

namespace {
void BM_PngFrame(benchmark::State& state) {
    bench_frame::whole_frame(state, "png", "png", bench_frame::kDemoOptions);
}
BENCHMARK(BM_PngFrame)->Unit(benchmark::kMillisecond);
}  // namespace
