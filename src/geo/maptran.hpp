// Map projections: one current projection turns latitude/longitude into
// coordinates on the plotting plane and back. The same entry points carry the
// non-geographic plotting planes (x/y, log-pressure, hodograph, thermodynamic
// diagrams), selected by the projection code.
//
// Earth projections measure the plane in units of 100 km (earth radius
// 63.7122 units); latitude/longitude measures it in degrees. Grid point
// (i, j) counts from the north-west corner of the current domain.
#pragma once

#include <cstdint>

namespace orv {

// Where and how a plot or grid lies: projection, origin, parameters, centre,
// spacing and size. A plain value, copied whole; the defaults are the reset
// state (every number missing, spherical earth).
struct Domain {
    std::int32_t proj = -9999;       // projection code; -9999 = none
    float plat = -9999.0F;           // projection origin; -9999 = use clat
    float plon = -9999.0F;           // projection origin; -9999 = use clon
    float params[5] = {-9999.0F, -9999.0F, -9999.0F, -9999.0F, -9999.0F};
    float clat = -9999.0F;           // centre (x origin of the x/y planes)
    float clon = -9999.0F;           // centre (y origin of the x/y planes)
    float dx = -9999.0F;             // grid spacing in plane units
    float dy = -9999.0F;
    std::int32_t nx = -9999;         // grid points in x
    std::int32_t ny = -9999;         // grid points in y
    std::int32_t ellipsoid = 0;      // 1 = ellipsoidal earth
};
static_assert(sizeof(Domain) == 60, "Domain is fifteen 32-bit fields");

// Projection codes.
enum MapProjection : std::int32_t {
    kProjNone = -9999,
    kProjPolarStereo = 1,
    kProjLatLon = 2,
    kProjMercator = 3,
    kProjLambert = 4,
    kProjOrthographic = 5,
    kProjGnomonic = 6,
    kProjMollweide = 7,
    kProjLambertAzimuthal = 8,
    kProjSatellite = 9,
    kProjXY = 20,
    kProjXZ = 21,
    kProjXLogP = 22,
    kProjHodograph = 23,
    kProjCat = 24,
    kProjXP = 25,
    kProjSkewT = 40,
    kProjStuve = 41,
    kProjEmagram = 42,
    kProjTephigram = 43,
    kProjRotTephigram = 44,
    kProjZoom = 50,
    kProjSize = 51,
    kProjPixel = 99,
};

inline constexpr double kEarthRadius = 63.7122;

// Current domain.
int MAP_domain(const Domain* domain);
int MAP_setup(const Domain* domain);
Domain* MAP_get_domain(Domain* out);
void MAP_print_domain();
void MAP_proj(int code);
int MAP_get_proj();
int MAP_proj_str(const char* text);
const char* MAP_proj_name(int code);
void MAP_coord(float plat, float plon);
void MAP_proj_coord(const float* true_lats);
float MAP_get_clat();
float MAP_get_clon();

// Limits, view and window (rectangles are x min, x max, y min, y max).
void MAP_set_limits();
void MAP_get_limits(float* limits);
void MAP_get_up_left(float* x, float* y);
void MAP_set_view(float x0, float x1, float y0, float y1);
void MAP_get_window(float* window);
float MAP_get_hor();
float MAP_get_vert();

// How the module reaches the window of a normalisation transformation. The
// graphics layer installs these; without them MAP_setup only records the
// window it would have set and MAP_get_window returns that record.
struct MapWindowHooks {
    int (*set_win)(int transformation, const float* rect);
    int (*sel_norm_tran)(int transformation);
    int (*get_win)(int transformation, float* rect);
};
void MAP_set_window_hooks(const MapWindowHooks* hooks);

// Transforms: 1 = transformed, 0 = no image (outputs -9999).
int MAP_tran(float* x, float* y, float lat, float lon);
int MAP_untran(float* lat, float* lon, float x, float y);
int MAP_tran_center(float* x, float* y);
int MAP_tran_ep(float* xy, const float* latlon);
int MAP_tran_pe(float* latlon, const float* xy);
int MAP_grid_tran(float* x, float* y, float i, float j);
int MAP_grid_untran(float* i, float* j, float x, float y);
int MAP_domain_tran(const Domain* from, const Domain* to, float* x, float* y, float xin, float yin);
int MAP_in_domain(float x, float y);
int MAP_in_grid_domain(float x, float y);
int MAP_offset(float* x, float* y, float x0, float y0, float direction, float distance_km);
float MAP_factor(float lat);

// Directions in degrees clockwise from north.
float MAP_dir_adj(float direction, float x, float y);
float MAP_undir_adj(float direction, float x, float y);
float MAP_uvdir_adj(float u, float v, float x, float y);
float MAP_dir(float x1, float y1, float x2, float y2);

// Station declutter grid.
void MAP_set_plot_limit(int factor);
void MAP_plot_grid_init();
int MAP_plot_grid(float x, float y);

void MAP_reset_for_tests();

}  // namespace orv
