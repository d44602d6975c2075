// PostScript output speed: a million-point polyline and a thousand text
// strings written through the graphics kernel to a PostScript file.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"

namespace {

std::string temp_file() {
    char name[] = "/tmp/bench_ps_XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return name;
}

void open_ps(const std::string& file) {
    orv::MESS_set(-1, 0x0F);  // no "Creating" lines in the report
    orv::gtext_register_hooks();
    orv::gopen_gks(nullptr);
    orv::gopen_ws(1, file.c_str(), orv::kWsPostScript);
}

void BM_MillionPointPolyline(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<orv::GPoint> pts(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        pts[i] = orv::GPoint{static_cast<float>(t), static_cast<float>(0.5 + 0.4 * std::sin(t * 600.0))};
    }
    const std::string file = temp_file();
    for (auto _ : state) {
        open_ps(file);
        orv::gpolyline(static_cast<int>(n), pts.data());
        orv::gclose_ws(1);
        orv::gclose_gks();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::remove(file.c_str());
}
BENCHMARK(BM_MillionPointPolyline)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ThousandTexts(benchmark::State& state) {
    const std::string file = temp_file();
    for (auto _ : state) {
        open_ps(file);
        orv::gset_char_ht(0.02F);
        for (int i = 0; i < state.range(0); ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "Station %04d 12.5", i);
            orv::gtext(static_cast<float>(i % 40) / 40.0F, static_cast<float>(i / 40) / 25.0F, text);
        }
        orv::gclose_ws(1);
        orv::gclose_gks();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::FILE* f = std::fopen(file.c_str(), "r");
    if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        state.counters["file_bytes"] = static_cast<double>(std::ftell(f));
        std::fclose(f);
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_ThousandTexts)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
