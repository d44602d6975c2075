// File names and the file-system wrappers: path joining, home-directory
// expansion, standard input and output as files, command pipes, missing
// directories, and the time setting that overrides dates in file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/date.hpp"

namespace orv {

// File names hold at most 159 characters; buffers hold one more.
inline constexpr std::size_t kFileNameSize = 160;

// 1 for the empty name, "-", "std" and "stdn" (the last two in any case).
int FILE_is_stdio(const char* name);
// 1 when the name begins with ".", "/" or "~".
int FILE_fullpath(const char* name);

// "~" or "~/..." becomes the running user's home, "~user/..." that user's
// home; an unknown user leaves the name as it is. out holds `size` bytes
// (the result is truncated); returns out.
char* FILE_add_user_path(const char* name, char* out, std::size_t size = kFileNameSize);
// dir + "/" + name; standard names and full paths are copied alone.
char* FILE_add_path(const char* dir, const char* name, char* out,
                    std::size_t size = kFileNameSize);
// Appends "/" unless the text is empty or already ends in one.
char* FILE_add_path_delim(char* text, std::size_t size = kFileNameSize);

// The queries expand "~" first. Standard names always exist.
int FILE_exist(const char* name);
int FILE_is_dir(const char* name);
int FILE_is_file(const char* name);
int FILE_is_fifo(const char* name);
int FILE_is_device(const char* name);
std::int64_t FILE_size(const char* name);     // bytes, or -1
std::int64_t FILE_modtime(const char* name);  // seconds since the epoch, or -1
int FILE_delete(const char* name);            // 0, or -1

// Standard names give stdin (modes "r...") or stdout; "|command" opens a pipe;
// otherwise "~" is expanded and the file opened. No directory is created:
// a file in a directory that does not exist is not opened. Close with
// FILE_close (pipes are pclose'd, the standard streams stay open).
std::FILE* FILE_open(const char* name, const char* mode);
int FILE_close(std::FILE* file);

// Creates every directory level of the path except its last `skip`
// components (mode 0755); backslashes count as "/". 1 when the directory to
// be made existed already, else 0.
int FILE_make_dir(const char* path, int skip);

int ORV_share();

// The time setting: fixed or relative year, month, day, hour and minute that
// override the date of file names (-9999 leaves a field to the date).
void FILE_set_time(const DateRecord* date);
void FILE_get_time(DateRecord* date);
void FILE_reset_time();

// ---- Naming conventions ----------------------------------------------------
// A convention is a template that turns a date into a file name:
//   %C %D %F %G %I %M %R %S %T %W  the con/data/file/grid/image/model/raw/sat/
//                                  text/watch path resource ("." when unset)
//   %{name}  the value of resource name
//   %Y %y %m %b %d %j %h %n        year, 2-digit year, month, month name,
//                                  day, day of year, hour, minute; "%3h"
//                                  truncates hours to multiples of 3
//   %e       the extension of the data type; %% a "%"
//   other letters: keys (FILE_set_key); "%6k" pads or cuts key k to 6 places
// The conventions come from the file named by resource name_conv
// ("name_conv" in file_path); lines "type template header-template min-size".

// Chooses the convention for a data type ("none", "@template",
// "type:k=value:..."): 1 when one was found, else 0 (the type itself is then
// taken as the template).
int FILE_set_name(const char* type);
// "interval template header-template"; an empty template is written "none",
// an empty header template "-".
int FILE_set_name_conv(const char* text);
char* FILE_get_name_conv(char* out, std::size_t size = 2 * kFileNameSize + 16);
// One saved copy of interval, templates, extension and current file name.
void FILE_save_name_conv();
void FILE_restore_name_conv();

void FILE_set_late_off(int seconds);
int FILE_get_late_off();
// The spacing of successive files in seconds; 100000 when the template has
// no day, hour or minute code.
int FILE_get_offset();
void FILE_set_min_size(int bytes);
int FILE_get_min_size();
// Key c (any byte) holds at most 29 characters; blanks are stored as "_".
void FILE_set_key(int c, const char* text);
const char* FILE_get_key(int c);
// 0: a "#date" suffix of an entry fixes the time setting; 1: a suffix from
// ":", "#", "+" or "-" on is extra information (FILE_get_ext_info).
void FILE_set_type(int kind);
void FILE_set_ext_info(const char* text);
const char* FILE_get_ext_info();
// The current file name: set explicitly here, or produced by the functions below.
void FILE_set_filename(const char* name);
char* FILE_get_filename(char* out, std::size_t size = kFileNameSize);

// ---- Names from dates and back ---------------------------------------------
// Expands the convention for the date (null: the last file date) into out:
// 0 when expanded, 1 when a fixed name (no convention, standard streams, or
// a date without year after an explicit name) was given back.
int FILE_set_date(const DateRecord* date, char* out, std::size_t size = kFileNameSize);
// The header-index name for the date: 1 when one was produced, 0 otherwise.
int FILE_hdr_set_date(const DateRecord* date, char* out, std::size_t size = kFileNameSize);
// The name for date + seconds; returns seconds / file interval.
int FILE_set_date_off(const DateRecord* date, int seconds, char* out,
                      std::size_t size = kFileNameSize);
// Parses a user's entry (a date such as 2005031512, a file name, "@name",
// "la", "#date", "cu-6", "none", "exit") into a file name and a file date.
int FILE_set_file(const char* entry, char* out, std::size_t size = kFileNameSize);
// The current file: spec "[#yyyymmddhhmm][+|-][offset][la[#count]]", with
// offset "hours[:minutes]" or "days d hours[:minutes]" (backward unless "+");
// "la" takes the nearest file present (within count intervals when given),
// or keeps the time reached when there is none. Returns the chosen time in
// seconds since 1970, truncated to the interval.
std::int64_t FILE_set_current(const char* spec, char* out, std::size_t size = kFileNameSize);
int FILE_get_date(DateRecord* date);

// ---- Choosing and stepping -------------------------------------------------
// The data file to read: from resource filename, resource current, the
// latest file in batch mode, or the user (listing the files first). 1 when
// the file exists; ends the program with status 10 when it cannot be found.
int FILE_get_file(const char* prompt, char* out, std::size_t size = kFileNameSize);
// One prompt, no message, no program end: 1 when the file exists.
int FILE_get_file_only(const char* prompt, char* out, std::size_t size = kFileNameSize);
// 1 when the last FILE_get_file chose the file at its prompt (nothing named
// it on the command line and the run is not a batch run).
int FILE_chosen_at_prompt();

// File sequences: the given file names in turn, or the names from a first
// date over the span of resource num_hour ("hours[:minutes][,step]").
int FILE_first(const DateRecord* date);
int FILE_get_next(char* out, std::size_t size = kFileNameSize);  // 1 while there is one
int FILE_next_file(char* out, std::size_t size = kFileNameSize);
int FILE_prev_file(char* out, std::size_t size = kFileNameSize);
int FILE_num_hour();      // the number of files in the sequence
int FILE_get_skip();      // seconds from one file of the sequence to the next
int FILE_get_num_file();  // given names - 1, or the span in seconds
int FILE_get_num_hour();  // the span in hours
int FILE_get_nsecs();     // the span in seconds
void FILE_set_nsecs(int seconds);
void FILE_set_def_hours(int hours);  // span when num_hour is not set
void FILE_print_first_date(unsigned level);

// Prints the files matching the convention, numbered, in columns (no shell
// involved); at the file prompt a number chooses the file it stands for.
int FILE_list_file();
// 1 overwrite, 2 append, 3 use the existing file. mode 2 offers appending.
int FILE_overwrite(const char* name, int mode);
// The data-file kind from the file's first characters, -1 when unknown.
int FILE_type(const char* name);

void FILE_reset_for_tests();

}  // namespace orv
