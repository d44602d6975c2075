// String functions used throughout the toolkit. Unless noted they work in
// place on terminated texts; a null text is left alone.
#pragma once

#include <cstddef>

#include "core/orv.hpp"

namespace orv {

void fill_string(char* s, char from, char to);
void strip_string(char* s, char c);
void wsstrip_string(char* s);
void wstrim_string(char* s);
void trim_string(char* s);
void trim_cr_string(char* s);
void strip_spaces(char* s);
void strip_escape(char* s);
void shift_string(char* s, int n);
void up_string(char* s);
void low_string(char* s);

int string_is_float(const char* s);
int string_is_alpha(const char* s);
int string_is_num(const char* s);
int string_is_num_len(const char* s, int n);
int string_is_blank(const char* s);

// New texts, allocated with malloc and released with free.
char* create_string(const char* s);
char* create_strcat(const char* a, const char* b, const char* c);

void clean_line(char* s);

// Splitting. The items and the array are allocated; release them with
// free_parsed_array. Each returns the count, or -1 (count 0, no items) for an
// absent or empty text.
int parse_string(const char* s, char sep, int* count, char*** items);
int parse_command(const char* s, int* count, char*** items);
int parse_command_line(int argc, const char* const* argv, int* count, char*** items);
void free_parsed_array(int count, char** items);

int stricmp(const char* a, const char* b);
int strnicmp(const char* a, const char* b, std::size_t n);
// Case-insensitive search of needle in s: the place found, or null.
const char* strlstr(const char* s, const char* needle);
// Offset of the first occurrence of needle in s, or -1.
int searchstr(const char* s, const char* needle);
// Appends src to the text in dst, a buffer of `size` bytes; truncates and terminates.
char* strmcat(char* dst, const char* src, std::size_t size);

}  // namespace orv
