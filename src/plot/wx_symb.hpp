// Cloud-cover circles and weather symbols drawn from a symbol file.
#pragma once

namespace orv {

// Symbol file limits: names of up to 14 characters, 100 entries, 20 points
// per group.
inline constexpr int kWxNameSize = 15;
inline constexpr int kWxMaxEntries = 100;
inline constexpr int kWxMaxPoints = 20;

int WX_cloud(const char* code, float x, float y, float radius);
// Opens (and indexes) a symbol file found through "file_path"; -1 when it is
// already open or cannot be opened.
int WX_symb_file(const char* name);
// Draws the first entry whose name is a prefix of `name`; -1 when none.
int WX_symb(const char* name, float x, float y, float size);
int WX_symb_count();

void WX_reset_for_tests();

}  // namespace orv
