// Column scanner: reads fixed-column and free-form fields out of one text
// line with scanf-like directives, from a cursor that the caller moves.
//
// Format directives:
//   blank (or tab, newline, carriage return)  one or more white-space characters;
//                                             a run of them in the format is one directive
//   other character                           that character exactly
//   %[*][<][width][!missing!]conversion
//     *        match but store nothing
//     <        the width is a maximum instead of an exact field width
//     width    field width; without one the field is unlimited (999) and
//              behaves as a maximum
//     !text!   a field equal to text stores -9999 (an empty text for text
//              conversions)
//   Fixed fields (upper case): D integer (int*), F real (float*), S any
//   characters, A letters, N digits, W blanks and tabs (char*). D and F allow
//   leading and trailing blanks and an optional sign.
//   Free form (lower case): d integer (int*), f real (float*), s word of
//   non-blank characters, c characters (1 by default, not terminated),
//   w white space (char*), n characters consumed so far (int*).
//   [set]    run of characters of the set ("^" first negates, "a-z" ranges)
//   (a|b)    one of several literal alternatives, each of which may hold
//            [set] classes; the alternative matched is stored (char*)
//   %%       a literal "%"
//
// Text destinations receive at most kScanpMaxText characters and, except for
// "c", a terminator: a buffer of kScanpMaxText + 1 bytes is always enough.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace orv {

inline constexpr int kScanpMaxText = 79;

struct ScanpRecord {
    char* text = nullptr;        // borrowed
    std::int32_t length = 0;
    std::int32_t offset = 0;     // cursor
    std::int32_t consumed = 0;   // characters consumed by the last scan
    std::int32_t stored = 0;     // values stored by the last scan
    std::int32_t matched = 0;    // conversions matched by the last scan
    std::int32_t complete = 0;   // 1 when the last scan used its whole format
};

// Attaches a text (null is taken as the empty text) and sets the cursor to 0.
void scanp_set(ScanpRecord* rec, char* text);
// Cursor moves; the cursor never goes below 0.
void scanp_off(ScanpRecord* rec, int n);
void scanp_inc_off(ScanpRecord* rec, int n);
void scanp_inc(ScanpRecord* rec);
int scanp_get_off(const ScanpRecord* rec);
// Text at the cursor (the empty text when the cursor is at or past the end).
char* scanp_str(const ScanpRecord* rec);
// Character i after the cursor, or 0 outside the text.
int scanp_char(const ScanpRecord* rec, int i);
// Replaces character i after the cursor: 0, or -1 outside the text.
int scanp_replace(ScanpRecord* rec, int i, char c);
// Cursor to the first occurrence of needle from the start of the text:
// 1 when found; 0 when absent, and the cursor is then 0.
int scanp_search(ScanpRecord* rec, const char* needle);
void scanp_print(const ScanpRecord* rec);

// Scans from the cursor without moving it. Returns the number of conversions
// matched, -1 when the format is empty or the cursor is at or past the end.
int scanp(ScanpRecord* rec, const char* format, ...);
int vscanp(ScanpRecord* rec, const char* format, std::va_list args);

}  // namespace orv
