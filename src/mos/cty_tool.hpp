// The station table: one process-wide table of the stations of a station file
// that lie in the plot's grid, found by identifier, number or location. Every
// station owns a small scratch block the station plots write their label into.
#pragma once

#include <cstdint>

#include "core/table.hpp"
#include "geo/maptran.hpp"
#include "mos/cty_read.hpp"

namespace orv {

// A station as the report readers receive it.
struct CityEntry {
    char id[12];             // key identifier, by the id type
    std::int32_t number;     // station number
    float x;                 // position in the plot's projected coordinates
    float y;
    float elev;              // metres, -9999 missing
    std::int32_t priority;   // 0 best .. 9
    void* data;              // scratch block, owned by the table
};

// Storage types of CTY_store: full file entries keyed by identifier and number
// string; position entries keyed by id and number string; the same with the
// location key as a third key.
enum CityStorage : int { kCityFull = 1, kCityPosition = 2, kCityLocation = 3 };

// Called for every entry made, with the station and its new scratch block.
using CityEnterFunc = void (*)(const CityFileEntry* station, void* block);

// Settings for the next load: scratch block bytes (0 none), entry function,
// id type (0 identifier, 1 number string, 2 identifier or WMO code).
void CTY_data_size(int n);
void CTY_enter_func(CityEnterFunc fn);
void CTY_set_id_type(int type);

// Loads the stations of the file (the "city_file" resource overrides it) that
// the identifier filter accepts, with a priority of at most `priority` (-9999:
// CTY_get_prior()) and a position inside the grid of domain (null: the current
// projection). Empties the table first. Returns the table, or null.
HashTable* CTY_store(const char* file, int type, const Domain* domain, int priority);

// Search by id: five digits (or "b" and five digits) look up the number
// string, five characters of a capital letter and three final digits the WMO
// number of that identifier, anything else the id. Fills entry up to the
// priority (the data pointer is left alone): 1 found, 0 not found. A table of
// full entries gives the position entry projected with the current projection.
int CTY_search(const char* id, CityEntry* entry);
// The full entry of a table of storage type 1: 1 found, 0 not found.
int CTY_search(const char* id, CityFileEntry* entry);
// The station nearest (lat, lon) by location key, rings 0 to 49 of 0.1 degree:
// 1 found, 0 none (or no location keys in the table).
int CTY_search_loc(CityEntry* entry, float lat, float lon);

// Scratch blocks: of one station, or walked in table order (first == 0
// restarts the walk). Null when there is none.
void* CTY_get_data(const char* id);
void* CTY_next_data(int first);
// mode 0 frees every block; mode 1 empties every block (first byte 0).
void CTY_clear_data(int mode);
// Empties the table and frees its blocks.
void CTY_clear();
HashTable* CTY_get_table();

// Identifier filter of the loader: the index of the first entry of list that
// accepts the station, or -1; every station passes an empty list. number is
// the station's number string. The radius of "RA<" is in kilometres.
int CTY_data_cmp(int count, const char* const* list, const CityFileEntry* station, const char* number);
// Identifier list of the station plots: 1 with no entries, 1 as soon as an
// entry is a filter condition, 1 when an entry equals id (any case), else 0.
int CTY_ids_cmp(int count, const char* const* list, const char* id);

void CTY_reset_for_tests();

}  // namespace orv
