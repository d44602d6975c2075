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
// otherwise "~" is expanded and, for modes "w..." and "a...", missing
// directories are created. Close with FILE_close (pipes are pclose'd, the
// standard streams stay open).
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

void FILE_reset_for_tests();

}  // namespace orv
