// Speed of contouring a 500 x 500 analytic field with 20 levels: the tracing
// alone (pieces counted and dropped) for lines, fills and both.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "plot/cont_trace.hpp"

namespace {

class CountingSink : public orv::ContSink {
public:
    void segment(int, float, orv::GPoint, orv::GPoint) override { ++segments; }
    void polygon(int, float, int n, const orv::GPoint*) override {
        ++polygons;
        vertices += n;
    }
    long segments = 0;
    long polygons = 0;
    long vertices = 0;
};

std::vector<float> analytic_field(int n) {
    std::vector<float> z(static_cast<size_t>(n) * n);
    for (int row = 0; row < n; ++row) {
        for (int i = 0; i < n; ++i) {
            const double x = i / 40.0;
            const double y = row / 33.0;
            z[static_cast<size_t>(row) * n + i] = static_cast<float>(50.0 * std::sin(x) * std::cos(y) + 10.0 * x);
        }
    }
    return z;
}

void trace(benchmark::State& state, int type) {
    constexpr int n = 500;
    const std::vector<float> z = analytic_field(n);
    float lo = z[0];
    float hi = z[0];
    for (float v : z) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    orv::ContField field{n, n, z.data(), nullptr, nullptr};
    orv::ContLevels levels;
    levels.type = type;
    levels.count = 20;
    levels.interval = (hi - lo) / 19.5F;
    levels.lowest = lo;
    levels.num_colors = 20;
    long pieces = 0;
    for (auto _ : state) {
        CountingSink sink;
        benchmark::DoNotOptimize(orv::cont_trace(field, levels, orv::ContWrap{}, sink));
        pieces = sink.segments + sink.polygons;
    }
    state.counters["pieces"] = static_cast<double>(pieces);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * (n - 1) * (n - 1));
}

void BM_Lines500x500x20(benchmark::State& state) { trace(state, 12); }
void BM_Fill500x500x20(benchmark::State& state) { trace(state, 15); }
void BM_FillWithLines500x500x20(benchmark::State& state) { trace(state, 16); }

BENCHMARK(BM_Lines500x500x20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fill500x500x20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillWithLines500x500x20)->Unit(benchmark::kMillisecond);

}  // namespace
