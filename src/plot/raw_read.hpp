// Raw station data files: the text files in which station values are saved
// and exchanged. A header (magic, date label, description, optional field
// table) and one station per line.
#pragma once

#include <cstddef>

#include "plot/data.hpp"

namespace orv {

inline constexpr int kRawMaxFiles = 5;
inline constexpr int kRawMaxFields = 75;
inline constexpr std::size_t kRawFieldNameSize = 20;
inline constexpr std::size_t kRawFieldInfoSize = 60;
inline constexpr std::size_t kRawFieldFormatSize = 40;
inline constexpr std::size_t kRawLineMax = 400;
inline constexpr std::size_t kRawIdSize = 30;
inline constexpr std::size_t kRawValueSize = 30;

// File types: 1 raw files, 99 station-table style data.
inline constexpr int kRawFileRaw = 1;
inline constexpr int kRawFileTable = 99;

// mode 0 read, 1 write, 2 append; "", "-" and "std" are the standard streams,
// "stdn" standard input of type 99. The handle 0..4, or -1.
int RAW_open(const char* name, int mode, int type = kRawFileRaw);
int RAW_chktype(const char* name);
int RAW_close(int fd);
int RAW_rewind(int fd);

// Header. RAW_getinfo copies the description and the date label (either may be null).
int RAW_getinfo(int fd, char* info, std::size_t info_size, char* label, std::size_t label_size);
int RAW_putinfo(int fd, const char* info, const char* label);
int RAW_putheader(int fd, const char* text);

// Field table: fields 0..2 are id, lat and lon in files written here.
int RAW_get_num_field(int fd);
int RAW_get_field_ind(int fd, const char* name);
int RAW_set_field(int fd, int field, const char* name, const char* info, const char* format);
int RAW_set_field_name(int fd, int field, const char* name);
const char* RAW_get_field_name(int fd, int field);
int RAW_set_field_info(int fd, int field, const char* info);
const char* RAW_get_field_info(int fd, int field);
int RAW_set_field_fmt(int fd, int field, const char* format);
const char* RAW_get_field_fmt(int fd, int field);

// Reads data line `line` (0 the first station) and decodes field `field`
// (an index, or the index of a name by RAW_get_field_ind) into record: its
// x and y take the station's latitude and longitude (-9999 when the line has
// none), the identifier goes to id (kRawIdSize bytes, may be null). 1 for a
// line, 0 past the end, -1 for a bad handle.
int RAW_read(int fd, RawData* record, int field, int line, char* id);
int RAW_dec_line(int fd, const char* text, RawData* record, int field, char* id);

// mode 1 a whole line, 3 begins a line (identifier and location), 4 (any
// other) appends the value, 5 ends the line.
int RAW_write(int fd, int mode, const char* id, float lat, float lon, const RawData* record);

// Plots one field of a raw file over the map (the "rf:" map entries).
int RAW_plot_file(const char* name, int with_labels);

void RAW_register_file_hooks();
void RAW_read_reset_for_tests();

}  // namespace orv
