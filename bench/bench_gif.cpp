// Speed of the demo frame written as GIF without a display.
#include "frame_setup.hpp"

namespace {
void BM_GifFrame(benchmark::State& state) {
    bench_frame::whole_frame(state, "gif", "gif", bench_frame::kDemoOptions);
}
BENCHMARK(BM_GifFrame)->Unit(benchmark::kMillisecond);
}  // namespace
