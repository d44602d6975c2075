// Small tools: line readers, byte order of binary files, number coding and
// formatting, argument look-up and WMO station numbers.
#pragma once

#include <cstdint>
#include <cstdio>

namespace orv {

// Installation data: the compiled-in data directory, and the directory named
// by the "file_path" resource, which falls back to the former when unset.
const char* orv_data_dir();
const char* orv_file_path();
// The path of an output file in the directory named by the resource
// `dir_resource`: name joined to that directory, unless the naming convention
// already put it there (a relative "-gp g3" must not give "g3/g3/...").
// out holds kFileNameSize bytes; returns out.
char* output_path(const char* dir_resource, const char* name, char* out);

// Line readers. fgetline fills buf (kLineMax + 1 bytes) with up to kLineMax
// characters of the next line, without the newline. A newline left by the
// previous read is passed over first. Returns the length, 0 for an empty
// line, EOF at the end of the file.
inline constexpr int kLineMax = 160;
int fgetline(std::FILE* file, char* buf);
// Skips to after the next newline: 0, or EOF when the file ends first.
int fskipline(std::FILE* file);
// As fgetline with a limit of n characters (buf holds n + 1 bytes); returns
// the number of characters consumed (the passed-over newline included), or EOF.
int fgetnline(std::FILE* file, char* buf, int n);
// As fgetnline, returning 1 for a line, 0 for an empty line, or EOF.
int fgetstring(std::FILE* file, char* buf, int n);
// As fgetstring; a carriage return ends the text and every other character
// below 33 becomes a blank.
int fget_rawstring(std::FILE* file, char* buf, int n);

// Byte order. order -1: never swap; 1: the data are big-endian; 2: the data
// are little-endian. Returns the swap switch (1 on, 0 off).
int swap_setup(int order);
// In place; 0, or -1 (nothing done) when swapping is off.
int swap_short(void* p);
int swap_long(void* p);
int swap_double(void* p);
int swap_shorts(void* p, int n);
int swap_longs(void* p, int n);
// One value read and put in machine order: the fread count (1 or 0).
int fread_short_swap(std::FILE* file, std::int16_t* value);
int fread_long_swap(std::FILE* file, std::int32_t* value);
int fread_double_swap(std::FILE* file, double* value);
// One value written in the data order: the fwrite count (1 or 0).
int fwrite_short_swap(std::FILE* file, std::int16_t value);
int fwrite_long_swap(std::FILE* file, std::int32_t value);
void fswap(float* a, float* b);
void swap_reset_for_tests();

// Compact code of a real: 3.5 -> 35, 350 -> 235, 0.35 -> 950, -3.5 -> -35.
int float2int(float x);
// Prints value by the format "w.p.m" (width, significant digits, minimum
// decimals) into out, which holds kSetNumSize bytes (longer texts are cut).
inline constexpr int kSetNumSize = 32;
char* set_num(char* out, const char* format, double value);
// Straight line through (x1, y1) and (x2, y2) at x; y1 when x1 equals x2.
float linear_interp(float x, float x1, float x2, float y1, float y2);
// Index of text among the n words of list (any case), else the number in
// text when it is 1..n, else -9999.
int chk_arg(const char* text, const char* const* list, int n);

// WMO block-station numbers and station identifiers: out holds at least
// kWmoIdSize bytes. id_to_wmo returns 0 with the number, or -1.
inline constexpr int kWmoIdSize = 8;
char* wmo_to_id(char* out, int number);
int id_to_wmo(const char* id, int* number);

}  // namespace orv
