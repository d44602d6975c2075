// Defaults files: text files of resource lines with program patterns, tags
// and conditional blocks, read by RES_init before the environment and the
// command line.
#pragma once

#include <cstddef>

namespace orv {

inline constexpr std::size_t kDefLineSize = 250;   // lines: 249 characters
inline constexpr std::size_t kDefNameSize = 64;    // resource names: 63
inline constexpr std::size_t kDefPathMax = 79;     // search-list elements
inline constexpr std::size_t kDefQualMax = 39;     // qualified names
inline constexpr std::size_t kDefTitleSize = 30;   // program name and title: 29
inline constexpr int kDefMaxTags = 10;
inline constexpr int kDefMaxLevels = 10;

// Opens a defaults file, or the first of "orv.cfg", ".orvdef" and "Orv.res"
// when the path is a directory; an absent or empty path means ".orvdef".
// 0, or -1 when nothing could be opened (paths over 79 characters are refused).
int DEF_open(const char* path);
void DEF_close();
// The next resource line of the open file: name (kDefNameSize bytes, lower
// case, trailing ":" dropped) and value (kDefLineSize bytes). 1, or -1 at the
// end of the file or without an open file.
int DEF_get(char* name, char* value);

// 1 when the pattern matches the program's qualified name of the resource.
int DEF_cmp(const char* resource_name, const char* pattern);
// 1 when the pattern applies to this program (its base name qualified matches).
int DEF_valid(const char* pattern);
// The base name of a pattern: the part after its last "*" or "."
// (out holds kDefNameSize bytes). Returns out.
char* DEF_parse_name(const char* pattern, char* out);

// The environment value of a resource: "orv" + qualified name, then env_name,
// then "orv" + resource name. DEF_env copies it into out (`size` bytes) and
// returns 1 when a variable was set; DEF_env_value returns it, or null.
int DEF_env(const char* resource_name, const char* env_name, char* out, std::size_t size);
const char* DEF_env_value(const char* resource_name, const char* env_name);

// Program name from argument 0 (last path component); program title.
void DEF_prog();
void DEF_name(const char* title);
void DEF_title(const char* title);
const char* DEF_get_progname();
const char* DEF_get_title();

void DEF_clr_tag();
int DEF_tag(const char* name);

void DEF_reset_for_tests();

}  // namespace orv
