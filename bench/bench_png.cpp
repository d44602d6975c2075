// Speed of the demo frame written as PNG without a display.
#include "picture_frame.hpp"

namespace {
void BM_PngFrame(benchmark::State& state) { bench_picture::whole_picture_frame(state, "png"); }
BENCHMARK(BM_PngFrame)->Unit(benchmark::kMillisecond);
}  // namespace
