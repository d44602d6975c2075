// Station files: one station a line, read with the format
// "%20s %2s %2s %9s %s %f %f %f %d %d" (name, state, country, identifier,
// priority with its optional "*" marks, latitude, longitude, elevation,
// station number, extra number). Files are named relative to the "file_path"
// directory and reached through small descriptor numbers.
#pragma once

#include <cstdint>

namespace orv {

// One line of a station file (the "full" station entry).
struct CityFileEntry {
    char name[21];
    char state[3];
    char country[3];
    char id[10];             // "-" when the station has none
    std::int32_t priority;   // 0 best .. 9
    char mark1;              // '*' or ' '
    char mark2;              // '*' or ' '
    float lat;               // degrees, north positive
    float lon;               // degrees, east positive
    float elev;              // metres, -9999 missing
    std::int32_t number;     // WMO block and station number; 99999 none
    std::int32_t extra;
    void* data;              // scratch block of a table entry, or null
};

// Capacity estimate of a station file: one station per this many bytes, and
// never more than the maximum.
inline constexpr int kCityLineBytes = 59;
inline constexpr int kCityMaxCapacity = 4000;
// A line with fewer fields than this cannot be placed and is not a station.
inline constexpr int kCityMinFields = 7;
// Elevations above this mean "missing".
inline constexpr float kCityElevMissingAbove = 9000.0F;
// The number of a station without a WMO number.
inline constexpr int kCityNoNumber = 99999;

struct CityFileInfo {
    char name[160];   // the path opened
    long size;        // bytes
    int capacity;     // estimated number of stations
    int mode;         // 0 read, 1 write
};

// Opens the station file named by the "city_file" resource, else default_name,
// else "sao.cty"; "none" gives -1 without a message. Sets *capacity (when
// capacity is not null). Returns the descriptor or -1.
int CTY_open_file(const char* default_name, int* capacity);
// mode 0 read, 1 write. A name without "/" is looked up in the "file_path"
// directory. Returns the descriptor or -1; info (may be null) is filled.
int CTY_open(const char* name, int mode, CityFileInfo* info);
int CTY_rewind(int fd);
int CTY_close(int fd);
// Reads the next line into entry: the number of fields read (0 for a blank
// or junk line, fewer than 10 for a short one), or -1 at the end of the file.
int CTY_read(int fd, CityFileEntry* entry);
int CTY_getinfo(int fd, CityFileInfo* info);

// Scans the station file for a station whose identifier or name equals key
// (any case) or whose "%05d" number equals it: 1 found (entry filled), 0 not
// found, -1 when the file cannot be opened. A null file means "sao.cty".
int CTY_get(const char* file, const char* key, CityFileEntry* entry);
int CTY_get_loc(const char* file, const char* key, float* lat, float* lon);

// The "stat_prior" resource, 10 when unset.
int CTY_get_prior();

void CTY_read_reset_for_tests();

}  // namespace orv
