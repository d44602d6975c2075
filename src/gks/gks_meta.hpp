// The metafile device: the program's own text metafile, which records the
// kernel calls in world coordinates and can be replayed through the kernel,
// or a binary CGM picture in device units.
#pragma once

#include <cstdio>

namespace orv {

inline constexpr int kMetaText = 0;
inline constexpr int kMetaCgm = 1;

// Opens the output: "|command" pipes, "+name" appends, else the file is
// created. Null when it cannot be opened.
std::FILE* gmeta_open_file(const char* name);
// Writes the header ("ORVMETA" and the comments, or the CGM metafile and
// picture openings); an appended file gets only what a new plot needs.
int gmeta_init_file();
// Ends the file ("Created metafile\n"); -1 when none is open or it could not
// be written.
int gmeta_close_file();
// The frame in the picture is finished: drawing that follows starts a new
// CGM picture (a text metafile has no frames).
void gmeta_end_frame();
void gmeta_set_type(int kind);
int gmeta_get_type();
// Text output to a text metafile (nothing for CGM or a closed file).
[[gnu::format(printf, 1, 2)]] int gmeta_printf(const char* format, ...);

// One CGM command word for class and element with a parameter length; a
// value >= 0 follows as one 16-bit word (the long-form length when the
// length field is 31).
void gcgm_control(int cgm_class, int element, int length, int value);
// One CGM point: world or device coordinates.
void gcgm_point(float x, float y);
void gcgm_ps_point(float x, float y);

// Replays a text metafile through the kernel: 0, or -1 when the file cannot
// be read as a metafile. Damaged records are reported and skipped.
int gread_metafile(const char* name);
// A metafile drawn over the current picture (map lists' "mf:" entries): the
// file is found through "file_path", and the kernel's transformations and
// attributes are as they were afterwards.
int gmeta_overlay(const char* name);

// Opens the metafile workstation from a device text (file name, then "cgm"
// or "orv"). 0, or -1 with "unable to open metafile\n".
int gmeta_open_ws(int ws, const char* text);
// Writes the kernel's current attributes, so that a replay starts from them.
void gmeta_write_state();
void gmeta_register();

void gmeta_reset_for_tests();

}  // namespace orv
