// Colour tables and attribute texts: the named colours by which colour texts
// become kernel colour indices, and the short texts ("red:wi=2:st=dsh") that
// style every drawn element through an attribute record.
#pragma once

#include <cstddef>

#include "gks/gph.hpp"

namespace orv {

// Up to 256 named colours; names hold at most 19 characters.
inline constexpr int kMaxColors = 256;
inline constexpr std::size_t kColorNameSize = 20;

// Colour indices with a meaning of their own.
inline constexpr int kColorNone = -1;  // nothing is drawn in this colour
inline constexpr int kColorEnd = -2;   // ends a list of attribute records
inline constexpr int kPatternColorFirst = 500;
inline constexpr int kPatternColorLast = 508;

// Reads the comma-separated colour table files of `list` (an empty or null
// list: the "color_table" resource, else "orv.clr"), found through the
// "file_path" resource. The first file that opens fills the table from index
// 0, the others append. Lists taken from the configuration also set the
// number of fill colours from the first file. Returns the number of colours.
int CLR_read_table(const char* list);
// Appends a colour, gives it to the open device and returns its index. A
// full table gives the index of its nearest colour instead.
int CLR_add(const char* name, float red, float green, float blue);
// Colour index of a colour text: -1 none, -2 "end", 500..508 the pattern
// colours, a table name, "#rrggbb" or "#rrrgggbbb" (added when new), or a
// decimal index.
int CLR_get_ind(const char* name);
// Entry i; an index at or beyond the number of colours gives the last entry.
// An empty table (or a negative index) gives "" and black, CLR_get_rgb -1.
const char* CLR_get_name(int i);
int CLR_get_rgb(int i, float* red, float* green, float* blue);
int CLR_get_num();
int CLR_get_num_fill();
void CLR_clear_table();
// Gives every table entry to the open device (the graphics reset does so).
int CLR_define_colors();
// Connects the table to the graphics set-up and the background lookup.
void CLR_register_hooks();
void CLR_reset_for_tests();

// Attribute records (AttribRecord, gks/gph.hpp): every field unset is -9999.
void ATTRIB_init(AttribRecord* record);
// Applies an attribute text; fields it does not name stay as they were.
int ATTRIB_parse(const char* text, AttribRecord* record);
// The default text, then the resource's value over it: 1 when the resource
// was set, else 0.
int ATTRIB_get(const char* resource, const char* default_text, AttribRecord* record);
// Copies every set field of source into target.
void ATTRIB_update(AttribRecord* target, const AttribRecord* source);
void ATTRIB_print(const AttribRecord* record);

// Fill pattern and marker names, else the decimal number of the text.
int ATTR_parse_fill_pat(const char* text);
int ATTR_parse_marker(const char* text);

}  // namespace orv
