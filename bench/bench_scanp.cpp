// Speed of the column scanner on typical bulletin rows.
#include <benchmark/benchmark.h>

#include <cstring>

#include "core/scanp.hpp"

namespace {

// Reports the time one field takes, beside the fields per second.
void count_fields(benchmark::State& state, int fields_per_iteration) {
    const auto fields = static_cast<double>(state.iterations()) * fields_per_iteration;
    state.SetItemsProcessed(static_cast<int64_t>(fields));
    state.counters["ns_per_field"] =
        benchmark::Counter(fields / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

char tmp_row[] = "TMP  57 55 53 52 56 65 67 59 56 53 51 48 57 65 67 58 54 49 47 55 66";
char t06_row[] = "T06      0/ 3  0/ 4  0/ 0  0/ 1  0/ 7  0/ 4  0/ 0  0/ 2  0/ 2  0/ 0";
char p06_row[] = "P06         0     2     0     1     0     1     2     1     1  2  1";
char title_row[] = "KEED   GFS MOS GUIDANCE    1/01/2014  0000 UTC";

// One row of 21 three-character integer fields, as the bulletin reader scans it.
void BM_FixedIntegerRow(benchmark::State& state) {
    orv::ScanpRecord rec;
    orv::scanp_set(&rec, tmp_row);
    for (auto _ : state) {
        int sum = 0;
        for (int k = 0; k < 21; ++k) {
            int v = 0;
            orv::scanp_off(&rec, 4 + 3 * k);
            orv::scanp(&rec, "%<3D", &v);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    count_fields(state, 21);
}
BENCHMARK(BM_FixedIntegerRow);

void BM_PairFields(benchmark::State& state) {
    orv::ScanpRecord rec;
    orv::scanp_set(&rec, t06_row);
    for (auto _ : state) {
        for (int k = 0; k < 10; ++k) {
            int a = 0, b = 0;
            orv::scanp_off(&rec, 9 + 6 * k);
            benchmark::DoNotOptimize(orv::scanp(&rec, "%<3D/%<2D", &a, &b));
        }
    }
    count_fields(state, 10);
}
BENCHMARK(BM_PairFields);

void BM_MissingTextFields(benchmark::State& state) {
    orv::ScanpRecord rec;
    orv::scanp_set(&rec, p06_row);
    for (auto _ : state) {
        for (int k = 0; k < 9; ++k) {
            int v = 0;
            orv::scanp_off(&rec, 10 + 6 * k);
            benchmark::DoNotOptimize(orv::scanp(&rec, "%<3!   !D", &v));
        }
    }
    count_fields(state, 9);
}
BENCHMARK(BM_MissingTextFields);

void BM_FreeFormTitle(benchmark::State& state) {
    orv::ScanpRecord rec;
    orv::scanp_set(&rec, title_row);
    char id[orv::kScanpMaxText + 1];
    char model[orv::kScanpMaxText + 1];
    for (auto _ : state) {
        int month = 0, day = 0, year = 0, hour = 0;
        benchmark::DoNotOptimize(
            orv::scanp(&rec, "%s %s MOS GUIDANCE %d/%d/%d %d UTC", id, model, &month, &day, &year, &hour));
    }
}
BENCHMARK(BM_FreeFormTitle);

}  // namespace
