// Speed of loading the shipped station table into the station hash table:
// every station of the installed mos.cty, in the three storage types.
#include <benchmark/benchmark.h>

#include "core/mess.hpp"
#include "core/table.hpp"
#include "geo/maptran.hpp"
#include "mos/cty_tool.hpp"

namespace {

void BM_StoreStationTable(benchmark::State& state) {
    orv::MESS_set(0, 0);
    orv::Domain world;
    world.proj = orv::kProjLatLon;
    world.clat = 0.0F;
    world.clon = 0.0F;
    world.nx = 361;
    world.ny = 181;
    world.dx = 1.0F;
    world.dy = 1.0F;
    const int type = static_cast<int>(state.range(0));
    int stations = 0;
    for (auto _ : state) {
        if (orv::CTY_store("mos.cty", type, &world, 9) == nullptr) {
            state.SkipWithError("data/mos.cty could not be loaded");
            return;
        }
        stations = 0;
        orv::HashTable* table = orv::CTY_get_table();
        for (void* d = orv::TAB_first(table); d != nullptr; d = orv::TAB_next(table)) ++stations;
    }
    orv::CTY_clear();
    state.counters["stations"] = stations;
}
BENCHMARK(BM_StoreStationTable)
    ->Arg(orv::kCityFull)
    ->Arg(orv::kCityPosition)
    ->Arg(orv::kCityLocation)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
