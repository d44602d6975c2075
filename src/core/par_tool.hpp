// Product file reader: opens the product file for a date through the input
// naming convention, finds the next product whose heading matches a pattern
// and hands out its lines one at a time, stopping at the end of a section.
//
// One product file is open at a time; its descriptor is always 0, and -1
// stands for no file. Every call on descriptor -1 returns at once.
//
// Lines handed out are clean: line feeds and carriage returns are removed,
// control characters at the start of a line (the record separator before a
// station title, for instance) are dropped, other control and non-ASCII bytes
// become blanks, trailing white space is removed, and the text is cut at
// kParLineMax characters. In a product whose heading line begins with a blank
// (products are often distributed with one blank before every line) each line
// loses one leading blank, so columns stand where the product puts them.
// A line beginning with the start- or end-of-transmission character (1 or 3)
// ends the product and is never handed out as content.
#pragma once

#include <cstdint>

#include "core/date.hpp"

namespace orv {

// Longest line handed out; line buffers hold kParLineSize bytes.
inline constexpr int kParLineMax = 128;
inline constexpr int kParLineSize = kParLineMax + 1;

// End flags of PAR_set_end, and the status codes of the end test.
inline constexpr int kParEndLimit = 16;      // more lines in one call than the limit
inline constexpr int kParEndBlank = 256;     // a blank line ends a section
inline constexpr int kParEndBlanks = 512;    // more than two blank lines in a row
inline constexpr int kParEndDollar = 1024;   // a line beginning with "$$"
inline constexpr int kParEndEqual = 2048;    // a line ending with "="
inline constexpr int kParStatusFound = 1;    // after a successful search
inline constexpr int kParStatusEnd = 4;      // end of file or of the transmitted product
inline constexpr int kParStatusHeading = 5;  // a "** " heading line

// The input naming convention (at most 29 characters are kept); the empty
// text or null clears it.
void PAR_set_in_file(const char* convention);
void PAR_set_end(int flags);

// Opens the product file for the date (closing any file still open): 0, or -1
// when it cannot be opened. With a date whose year is unset the current file
// name of the naming convention is used.
int PAR_open(const DateRecord* date);
// 1, or 0 for descriptor -1 or when no file is open.
int PAR_close(int fd);
// Rewinds the file and its index and clears status and position: 1 (0 without a file).
int PAR_rewind(int fd);
// Moves to a position given by PAR_get_pos and clears the status: 1 (0 without a file).
int PAR_seek(int fd, std::int64_t position);
// File offset of the last line read, -1 without a file.
std::int64_t PAR_get_pos(int fd);
// What tells the open file's contents apart: device, inode, size and
// modification time. False without a file, and for a pipe or other file
// that is not a regular file (it cannot be read again).
struct ParFileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtime_ns = 0;
    bool operator==(const ParFileId&) const = default;
};
bool PAR_get_file_id(int fd, ParFileId* id);
// Code of the last end test; 1 after a successful search.
int PAR_get_status(int fd);

// Finds the next product whose heading matches the pattern (upper-cased):
// 1 when found, -1 at the end of the file, 0 after 100000 headings without a match.
int PAR_search(int fd, const char* pattern);

// Line n of the current section into line (kParLineSize bytes), the pending
// heading counting as line 0: 1 with a line, 0 at the end of a section or
// product, -1 at the end of the file. With reopen 1 the file is closed when
// a section ends.
int PAR_read(int fd, int reopen, int n, char* line);
// Length of the line PAR_read last handed out (0 when it handed out none).
int PAR_get_len(int fd);

// 0 when the heading (with its second part, the text after its first "/")
// matches the pattern, else 1.
int PAR_cmp(const char* heading, const char* second_part, const char* pattern);

void PAR_reset_for_tests();

}  // namespace orv
