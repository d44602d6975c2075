// Speed of the demo frame written as GIF without a display.
#include "picture_frame.hpp"

namespace {
void BM_GifFrame(benchmark::State& state) { bench_picture::whole_picture_frame(state, "gif"); }
BENCHMARK(BM_GifFrame)->Unit(benchmark::kMillisecond);
}  // namespace
