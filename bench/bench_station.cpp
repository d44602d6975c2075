// One whole batch station-plot frame: read the national sample, place every
// station of the "us" region (priority 9), draw the station model (values,
// cloud circle, barb and weather symbol) over the map with the frame labels,
// and write the PostScript file.
#include "frame_setup.hpp"

namespace {
void BM_StationPlotFrame(benchmark::State& state) {
    bench_frame::whole_frame(state, "p", "ps", {"-pr", "9"}, "station");
}
BENCHMARK(BM_StationPlotFrame)->Unit(benchmark::kMillisecond);
}  // namespace
