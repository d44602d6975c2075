// Map backgrounds: map lists, map files of outlines, overlays named in the
// list, and the latitude/longitude grid, drawn in normalisation
// transformation 2 whose window is the current domain's projected rectangle.
//
// A map file is a sequence of segments, each a header and its points
// (latitude, longitude in degrees), in text or big-endian binary form; a
// count of 0 ends it. A map list is a comma-separated list of entries:
// map files with attribute texts, "lalo" grids, "fi:" list files, region
// headers "[lat1,lat2,lon1,lon2,size]" (in list files), size conditions
// ("s+N:", ">N:", "s-N:", "<N:"), and image, metafile and raw-file overlays.
#pragma once

#include <cstdio>

namespace orv {

// Passes of the map list: "-" entries are underlay, "+" entries overlay.
inline constexpr int kMapUnderlay = 1;
inline constexpr int kMapOverlay = 2;
inline constexpr int kMapNormal = 4;
// Added to an underlay's mask when an overlay pass of the same picture
// follows: the overlay draws the latitude/longitude grid on top, so the
// underlay leaves it out rather than drawing it twice.
inline constexpr int kMapGridLater = 8;

inline constexpr int kMapListSize = 251;    // list name: 250 characters
inline constexpr int kMapFormatSize = 41;   // default attributes: 40 characters

// Settings.
void MAP_file(const char* list);
void MAP_set_format(const char* attributes);
void MAP_latlon(int dot, float extra_spacing, float lat_spacing, float lon_spacing);
void MAP_get_latlon(float* lat_spacing, float* lon_spacing);
void MAP_fill_cont(int flag);

// Draws the map background entries of the passes in mask (plot-component
// switch "map" must be on). Returns 0.
int MAP_draw(int mask);
// Draws one map list entry: 0, or -1 when its file is missing or unreadable.
int MAP_process(const char* entry);
// Draws the segments of an open map file under the current projection with
// the current line (or, when filling, fill) attributes: 0, or -1 when the
// file ends early or is not a map file.
int MAP_map(std::FILE* file);
// Draws the latitude/longitude grid (x/y lines on the other planes) with the
// current line and text attributes. Returns -1.
int MAP_lines(float lat_spacing, float lon_spacing);
// A circle of the radius (km) about a projected point, as a 49-point polyline.
int MAP_draw_circle(float x, float y, float radius_km);

// Connects the projection module's window to the graphics kernel, so that
// MAP_setup sets and MAP_get_window reads transformation 2. The plot set-up
// calls it once before the first MAP_setup.
void MAP_register_hooks();

// The overlays named in a map list are drawn by the image, metafile and
// station-plot modules, which install these. Missing hooks draw nothing.
struct MapOverlayHooks {
    // An image file (found in "image_path") at pixel offset (x, y), the
    // colour transparent ("" for the background); whole_picture places it in
    // transformation 1 ("if:") rather than over the map ("im:").
    int (*image)(const char* file, const char* transparent, int x, int y, int whole_picture);
    int (*metafile)(const char* file);
    // A raw station file, already found through "file_path".
    int (*rawfile)(const char* path);
};
void MAP_set_overlay_hooks(const MapOverlayHooks* hooks);
// Installs the raw-file overlay alone, keeping the other hooks.
void MAP_set_rawfile_hook(int (*rawfile)(const char* path));

void MAP_draw_reset_for_tests();

}  // namespace orv
