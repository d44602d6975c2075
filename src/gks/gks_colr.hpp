// The kernel's colour table: indices 0-255, -1 the background (entry 256),
// 500-508 the print colours.
#pragma once

namespace orv {

inline constexpr int kColorEntries = 257;
inline constexpr int kBackgroundEntry = 256;

int gis_valid_colr(int index);
int gset_colr_rep(int ws, int index, float r, float g, float b);
int galloc_colr(int index, float r, float g, float b);
int gget_color_ind(int index);
int gget_color_rgb(int index, float* r, float* g, float* b);
int gget_color_rgb256(int index, int* r, int* g, int* b);
int gis_color_near(int index, int flag, float r, float g, float b);
int gget_max_colr();
int gset_background(const char* name);
const char* gget_background();
void ginit_background();
int gset_inverse(int flag);
int gget_inverse();
int gset_rw_colors(int flag);
int gset_local_colormap(int flag);
int gget_rw_colors();
// The window device records the pixel it allocated for an index.
void gset_color_pixel(int index, int pixel);

// The colour-table lookup the background uses for names (the colour-table
// module registers it): 1 and the intensities when the name is known.
using GColorLookup = int (*)(const char* name, float* r, float* g, float* b);
void gset_color_lookup(GColorLookup lookup);

void gks_colr_reset_for_tests();

}  // namespace orv
