// MOS bulletin readers: one station's section of a bulletin into a fixed
// report. The standard family (NGM; ETA and NAM; AVN and GFS; MRF and GFSX
// layouts) fills MosReport, the extended family (coded model output, two
// stations per line block) MosuReport, and the MRF matrix family MosmReport.
// Every reader walks the open product file by a station counter: counter 0
// starts from the top of the file, the same counter twice reads the same
// station again.
#pragma once

#include <cstdint>

#include "core/date.hpp"
#include "mos/cty_tool.hpp"

namespace orv {

// ---------------------------------------------------------------- records

inline constexpr int kMosRows = 24;
inline constexpr int kMosCols = 25;
inline constexpr int kMosIdSize = 8;

// Rows of MosReport::values.
enum MosRow : int {
    kMosHour = 0, kMosTemp = 1, kMosDewp = 2, kMosWdir = 3, kMosWspd = 4,
    kMosPop6 = 5, kMosPop12 = 6, kMosTstm6 = 7, kMosTstm12 = 8, kMosSvr6 = 9, kMosSvr12 = 10,
    kMosPtype = 11, kMosMaxMin = 12, kMosCloud = 13, kMosCeiling = 14, kMosVis = 15,
    kMosObvis = 16, kMosQpf6 = 17, kMosQpf12 = 18, kMosSnow6 = 19, kMosSnow = 20,
    // The 24-hour rows of the extended-range (MEX) bulletins.
    kMosPop24 = 21, kMosQpf24 = 22, kMosTstm24 = 23,
};

// One station of the standard family. Character rows (precipitation type,
// cloud cover) hold the character code; the obstruction row holds a one- or
// two-letter code packed by mos_code ("N", "FG", "BR").
struct MosReport {
    char id[kMosIdSize];
    float elev;
    std::int32_t model;
    std::int32_t columns;
    std::int32_t values[kMosRows][kMosCols];
};

inline constexpr int kMosuCols = 13;

// One station of the extended family; column k is forecast step k (6k hours).
struct MosuReport {
    char id[kMosIdSize];
    std::int32_t hours[kMosuCols];
    std::int32_t temp[kMosuCols][4];   // T1, T3, T5 (C), boundary layer (not filled)
    std::int32_t rhum[kMosuCols][4];   // R1, R2, R3 (%), mean (not filled)
    std::int32_t vvel[kMosuCols];      // tenths of microbar/s, upward negative
    std::int32_t lift[kMosuCols];      // C
    std::int32_t thick[kMosuCols];     // 1000-500 mb, m
    std::int32_t wdir[kMosuCols];      // degrees
    std::int32_t wspd[kMosuCols];      // knots
    std::int32_t pres[kMosuCols];      // mb
    std::int32_t prec[kMosuCols];      // hundredths of an inch
};

inline constexpr int kMosmDays = 8;
inline constexpr int kMosmDayValues = 9;
inline constexpr int kMosmHalfDays = 17;

// One station of the MRF matrix family: day values and half-day values at
// 12-hour steps from hour 24.
struct MosmReport {
    char id[kMosIdSize];
    std::int32_t day[kMosmDays];
    std::int32_t max[kMosmDayValues];
    std::int32_t nmax[kMosmDayValues];
    std::int32_t min[kMosmDayValues];
    std::int32_t nmin[kMosmDayValues];
    std::int32_t temp[kMosmHalfDays];
    std::int32_t dewp[kMosmHalfDays];
    std::int32_t cloud[kMosmHalfDays];
    std::int32_t wind[kMosmHalfDays];
    std::int32_t pop12[kMosmHalfDays];
    std::int32_t pos[kMosmHalfDays];
    std::int32_t pop24[kMosmDayValues];
};

// Packs a printed category code of one or two letters ("N", "FG") into one
// value; a single letter is its character code. mos_code_text unpacks it into
// out (3 bytes at least); a missing value gives the empty text.
int mos_code(const char* text, int len);
char* mos_code_text(int code, char* out);

// ---------------------------------------------------------------- reading modes

inline constexpr int kMosReadId = 25;    // the station id only
inline constexpr int kMosReadFull = 26;  // the whole report

// ---------------------------------------------------------------- file wiring

int MOS_open(const DateRecord* date);
int MOS_close(int fd);
int MOS_rewind(int fd);
int MOS_position(int fd, std::int64_t position);
// The program's one bulletin, opened for the driver's file date: 1, or 0
// after "MOS_open_file: Unable to open file:%s\n".
int MOS_open_file();
int MOS_close_file();
int MOS_rewind_file();
// The descriptor of the program's bulletin (-1 none); tests may set it.
int MOS_get_fd();
void MOS_set_fd(int fd);
// Whether reports read whole are kept for further frames of the same file
// (kept from the first pass that reaches its end; see MOS_read). Off, the
// kept reports are let go and every pass reads the file.
void MOS_keep_reports(int flag);

// ---------------------------------------------------------------- standard family

void MOS_initialize(MosReport* report);
// 0 when a station was read, -1 when there is none further. counter points
// at the caller's station counter (null counts as 0).
int MOS_read(int fd, MosReport* report, int mode, const int* counter);
// The read-report callback: -1 at the end, 0 skip, 1 use (entry filled).
int MOS_read_report(MosReport* report, CityEntry* entry);
// Opens the file for the date and reads the station: 1, or 0 when absent.
int MOS_get_station(const DateRecord* date, const char* id, MosReport* report);
MosReport* MOS_get_report();

// ---------------------------------------------------------------- extended family

void MOSU_initialize(MosuReport* report);
int MOSU_read(int fd, MosuReport* report, int mode, const int* counter);
int MOSU_read_report(MosuReport* report, CityEntry* entry);
int MOSU_get_station(const DateRecord* date, const char* id, MosuReport* report);
MosuReport* MOSU_get_report();

// ---------------------------------------------------------------- MRF family

void MOSM_initialize(MosmReport* report);
int MOSM_read(int fd, MosmReport* report, int mode, const int* counter);
int MOSM_read_report(MosmReport* report, CityEntry* entry);
int MOSM_get_station(const DateRecord* date, const char* id, MosmReport* report);
MosmReport* MOSM_get_report();

// The station counter of the read-report callbacks; the rewind callback
// resets it to 0.
int MOS_get_stat_num();

// Whether hourly rows may be decoded several fields at a time (the default)
// or only field by field: both read the same values.
void MOS_read_grid_for_tests(bool enabled);
void MOS_read_reset_for_tests();

}  // namespace orv
