#include "geo/maptran.hpp"

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "geo/region.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {
namespace {

constexpr double kMiss = -9999.0;
constexpr double kDegToRad = 0.017453292519943334;
constexpr double kRadToDeg = 57.295779513082195;
constexpr double kR = kEarthRadius;
constexpr double kPolarRadius = 63.56752;
constexpr double kEquatorRadius2 = 4068.063;  // equatorial radius 63.78137, squared
constexpr double kEarthRatio2 = 0.99330556;   // (polar / equatorial radius)^2
constexpr double kDefaultOrbit = 421.61;      // geostationary, 42 161 km
constexpr double kPiMollweide = 3.1415926535898;
constexpr double kKmPerDegree = 111.195;
constexpr double kStuveExponent = 0.285714;
constexpr double kPotTempExponent = 0.286;
constexpr int kWindowTransformation = 2;
constexpr double kMaxDeclutterCells = 1 << 24;

// Result of one transform before it reaches the caller's floats.
enum class Tran { kNoImage, kImage, kUntouched };

// Everything that describes the current projection; copied whole when
// another domain is made current for a moment.
struct Projection {
    Domain domain{};
    float limits[4] = {-9999.0F, -9999.0F, -9999.0F, -9999.0F};
    double tlat1 = kMiss;
    double tlat2 = kMiss;
    double hemi = 1.0;     // hemisphere sign of polar stereographic and Lambert
    double scale = kMiss;  // skew-T: y origin of the skew
    double xfactor = kMiss;
    double yfactor = kMiss;
    double mult = kMiss;
    double sat_rad = kDefaultOrbit;
    double sat_rad2 = kDefaultOrbit * kDefaultOrbit;
    double sat_rad4 = sat_rad2 * sat_rad2;
    double sat2_earth2 = sat_rad2 - kEquatorRadius2;
    double sat_ratio = kMiss;
    double earth_ratio = kMiss;
    double earth_ratio2 = kEarthRatio2;
};

struct MapState {
    Projection p;
    float view[4] = {0.0F, 1.0F, 0.0F, 1.0F};
    float window[4] = {-9999.0F, -9999.0F, -9999.0F, -9999.0F};
    MapWindowHooks hooks{};
    int plot_limit = 0;
    std::vector<unsigned char> plot_cells;
};
MapState g;

bool missing(double v) { return v == kMiss; }
double sind(double deg) { return std::sin(deg * kDegToRad); }
double cosd(double deg) { return std::cos(deg * kDegToRad); }
double tand(double deg) { return std::tan(deg * kDegToRad); }
double atan2d(double y, double x) { return std::atan2(y, x) * kRadToDeg; }
double clamp_unit(double v) { return std::clamp(v, -1.0, 1.0); }

// Longitude into [-180, 180].
double wrap_closed(double lon) {
    double r = std::fmod(lon, 360.0);
    if (r > 180.0) r -= 360.0;
    else if (r < -180.0) r += 360.0;
    return r;
}

// Longitude difference into (-180, 180].
double wrap_half_open(double d) {
    double r = std::fmod(d, 360.0);
    if (r > 180.0) r -= 360.0;
    else if (r <= -180.0) r += 360.0;
    return r;
}

bool is_earth(int proj) { return proj >= 1 && proj <= 9; }

double pot_temp(double t_kelvin, double p) {
    if (t_kelvin <= 0.0 || p <= 0.0) return kMiss;
    return t_kelvin * std::pow(1000.0 / p, kPotTempExponent);
}

double safe_ratio(double num, double den) { return den == 0.0 ? 1.0 : num / den; }

void reset_caches(Projection& p) {
    p.xfactor = kMiss;
    p.sat_ratio = kMiss;
}

// The constants a domain implies before any point is transformed: origin
// defaults, true latitudes and the satellite orbit.
void derive_projection(Projection& p) {
    Domain& d = p.domain;
    if (is_missing(d.plat)) d.plat = d.clat;
    if (is_missing(d.plon)) d.plon = d.clon;
    if (d.proj == kProjPolarStereo) {
        p.tlat1 = d.plat < 0.0F ? -60.0 : 60.0;
        if (!is_missing(d.params[0])) p.tlat1 = d.params[0];
    } else if (d.proj == kProjLambert) {
        p.tlat1 = 30.0;
        p.tlat2 = 60.0;
        if (!is_missing(d.params[0])) {
            p.tlat1 = d.params[0];
            p.tlat2 = is_missing(d.params[1]) ? d.params[0] : d.params[1];
        }
    } else if (d.proj == kProjSatellite) {
        p.sat_rad = is_missing(d.params[0]) ? kDefaultOrbit : d.params[0];
        p.sat_rad2 = p.sat_rad * p.sat_rad;
        p.sat_rad4 = p.sat_rad2 * p.sat_rad2;
        p.sat2_earth2 = p.sat_rad2 - kEquatorRadius2;
    }
    reset_caches(p);
    p.earth_ratio2 = kEarthRatio2;
}

// ---- cached constants, computed on first use after a change ----

// Polar stereographic and Lambert work in a frame mirrored onto the northern
// hemisphere for southern maps, so their true latitudes count by magnitude.
void ensure_polar(Projection& p) {
    if (!missing(p.xfactor)) return;
    p.hemi = p.domain.plat >= 0.0F ? -1.0 : 1.0;
    p.xfactor = (1.0 + sind(std::fabs(p.tlat1))) * kR;
}

void ensure_lambert(Projection& p) {
    if (!missing(p.xfactor)) return;
    p.hemi = p.domain.plat >= 0.0F ? 1.0 : -1.0;
    const double t1 = std::fabs(p.tlat1);
    const double t2 = std::fabs(p.tlat2);
    double n = 0.0;
    if (std::fabs(t1 - t2) < 1e-6) {
        n = cosd(90.0 - t1);
    } else {
        n = (std::log(cosd(t1)) - std::log(cosd(t2))) /
            (std::log(tand(45.0 - t1 / 2.0)) - std::log(tand(45.0 - t2 / 2.0)));
    }
    p.xfactor = n;
    p.mult = cosd(t1) / (n * std::pow(tand(45.0 - t1 / 2.0), n));
}

// Orthographic, gnomonic and azimuthal: cosine and sine of the origin latitude.
void ensure_azimuthal(Projection& p) {
    if (!missing(p.xfactor)) return;
    if (is_missing(p.domain.plat)) p.domain.plat = 0.0F;
    p.xfactor = cosd(p.domain.plat);
    p.yfactor = sind(p.domain.plat);
}

void ensure_satellite(Projection& p) {
    if (!missing(p.sat_ratio)) return;
    p.sat_ratio = p.sat_rad / kR;
    p.earth_ratio = kR / p.sat_rad;
}

void ensure_linear(Projection& p) {
    if (!missing(p.xfactor)) return;
    p.xfactor = safe_ratio(p.domain.nx, p.domain.dx);
    p.yfactor = safe_ratio(p.domain.ny, p.domain.dy);
}

double limits_width(const Projection& p) { return p.limits[1] - p.limits[0]; }
double limits_height(const Projection& p) { return p.limits[3] - p.limits[2]; }
double view_width() { return g.view[1] - g.view[0]; }
double view_height() { return g.view[3] - g.view[2]; }

void ensure_skewt(Projection& p) {
    if (!missing(p.xfactor)) return;
    p.scale = p.limits[2];
    p.xfactor = safe_ratio(view_height(), view_width()) * safe_ratio(limits_width(p), limits_height(p));
}

void ensure_tephigram(Projection& p) {
    if (!missing(p.xfactor)) return;
    p.xfactor = safe_ratio(view_width(), limits_width(p));
    p.yfactor = safe_ratio(view_height(), limits_height(p));
}

// ---- earth projections, forward ----

Tran fwd_polar(Projection& p, double lat, double dlon, double& x, double& y) {
    ensure_polar(p);
    const double s = p.hemi;
    if (s * lat > 75.0) lat = s * 75.0;  // a polar map stops 75 degrees past the equator
    const double rho = p.xfactor * tand((s * lat + 90.0) / 2.0);
    x = rho * sind(dlon);
    y = s * rho * cosd(dlon);
    return Tran::kImage;
}

Tran fwd_latlon(double lat, double dlon, double& x, double& y) {
    x = wrap_half_open(dlon);
    y = lat;
    return Tran::kImage;
}

Tran fwd_mercator(double lat, double dlon, double& x, double& y) {
    constexpr double kHalfTurn = kR * 3.141592653589793;
    x = dlon * kR * kDegToRad;
    if (x > kHalfTurn) x -= 2.0 * kHalfTurn;
    else if (x < -kHalfTurn) x += 2.0 * kHalfTurn;
    lat = std::clamp(lat, -89.9, 89.9);
    y = -kR * std::log(tand(45.0 - lat / 2.0));
    return Tran::kImage;
}

Tran fwd_lambert(Projection& p, double lat, double dlon, double& x, double& y) {
    ensure_lambert(p);
    const double s = p.hemi;
    const double n = p.xfactor;
    const double mirrored = std::max(s * lat, -89.0);
    const double rho = kR * p.mult * std::pow(tand(45.0 - mirrored / 2.0), n);
    dlon = wrap_closed(dlon);
    x = rho * sind(n * dlon);
    y = -s * rho * cosd(n * dlon);
    return Tran::kImage;
}

Tran fwd_orthographic(Projection& p, double lat, double dlon, double& x, double& y) {
    ensure_azimuthal(p);
    const double cos_c = cosd(lat) * p.xfactor * cosd(dlon) + p.yfactor * sind(lat);
    if (cos_c < 0.0) return Tran::kNoImage;
    x = kR * cosd(lat) * sind(dlon);
    y = kR * (p.xfactor * sind(lat) - p.yfactor * cosd(lat) * cosd(dlon));
    return Tran::kImage;
}

// Points 90 degrees or more from the centre lie at or beyond the horizon of
// the gnomonic plane and have no image.
Tran fwd_gnomonic(Projection& p, double lat, double dlon, double& x, double& y) {
    ensure_azimuthal(p);
    const double cos_c = p.yfactor * sind(lat) + p.xfactor * cosd(lat) * cosd(dlon);
    if (cos_c <= 1e-6) return Tran::kNoImage;
    x = kR * cosd(lat) * sind(dlon) / cos_c;
    y = kR * (p.xfactor * sind(lat) - p.yfactor * cosd(lat) * cosd(dlon)) / cos_c;
    return Tran::kImage;
}

double mollweide_theta(double lat) {
    if (std::fabs(lat) > 89.99) return std::copysign(kPiMollweide, lat);
    const double target = kPiMollweide * sind(lat);
    double theta = lat * kDegToRad;
    for (int k = 0; k < 15; ++k) {
        const double step = (theta + std::sin(theta) - target) / (1.0 + std::cos(theta));
        theta -= step;
        if (std::fabs(step) < 1e-10) break;
    }
    return theta;
}

Tran fwd_mollweide(double lat, double dlon, double& x, double& y) {
    const double theta = mollweide_theta(lat);
    dlon = wrap_half_open(dlon);
    x = std::fabs(lat) > 89.99 ? 0.0 : (dlon * kR / 90.0) * std::cos(theta / 2.0);
    y = kR * std::sin(theta / 2.0);
    return Tran::kImage;
}

Tran fwd_lambert_azimuthal(Projection& p, double lat, double dlon, double& x, double& y) {
    const double sin_o = sind(p.domain.plat);
    const double cos_o = cosd(p.domain.plat);
    const double cos_c = cos_o * cosd(lat) * cosd(dlon) + sind(lat) * sin_o;
    if (cos_c <= -1.0 + 1e-12) return Tran::kNoImage;  // the antipode
    const double k = kR * std::sqrt(2.0 / (1.0 + cos_c));
    x = k * cosd(lat) * sind(dlon);
    y = k * (sind(lat) * cos_o - cosd(lat) * sin_o * cosd(dlon));
    return Tran::kImage;
}

bool scan_angles(const Projection& p) { return p.domain.params[1] == 1.0F; }

// A point is seen when the satellite lies above its horizon plane. On the
// sphere this is cos(lat) cos(dlon) >= R / orbit radius; on the ellipsoid the
// horizon is normal to the geodetic vertical.
bool faces_satellite(const Projection& p, double lat, double psi, double r, double dlon) {
    if (p.domain.ellipsoid != 1) return cosd(psi) * cosd(dlon) >= p.earth_ratio;
    return p.sat_rad * cosd(lat) * cosd(dlon) >= r * cosd(lat - psi);
}

Tran fwd_satellite(Projection& p, double lat, double dlon, double& x, double& y) {
    ensure_satellite(p);
    double psi = lat;
    double r = kR;
    if (p.domain.ellipsoid == 1) {
        psi = std::atan(p.earth_ratio2 * tand(lat)) * kRadToDeg;
        const double cos_psi = cosd(psi);
        r = kPolarRadius / std::sqrt(1.0 - (1.0 - p.earth_ratio2) * cos_psi * cos_psi);
    }
    const double c = cosd(psi) * cosd(dlon);
    if (!faces_satellite(p, lat, psi, r, dlon)) return Tran::kNoImage;
    const double d = p.sat_rad - r * c;
    const double across = r * cosd(psi) * sind(dlon);
    double ax = across / d;
    double ay = r * sind(psi) / std::sqrt(across * across + d * d);
    if (scan_angles(p)) {
        ax = std::atan(ax);
        ay = std::atan(ay);
    }
    x = ax * p.sat_rad;
    y = ay * p.sat_rad;
    return Tran::kImage;
}

Tran forward_earth(Projection& p, double lat, double lon, double& x, double& y) {
    if (missing(lat) || missing(lon)) return Tran::kNoImage;
    lon = wrap_closed(lon);
    const double dlon = lon - p.domain.plon;
    switch (p.domain.proj) {
    case kProjPolarStereo: return fwd_polar(p, lat, dlon, x, y);
    case kProjLatLon: return fwd_latlon(lat, dlon, x, y);
    case kProjMercator: return fwd_mercator(lat, dlon, x, y);
    case kProjLambert: return fwd_lambert(p, lat, dlon, x, y);
    case kProjOrthographic: return fwd_orthographic(p, lat, dlon, x, y);
    case kProjGnomonic: return fwd_gnomonic(p, lat, dlon, x, y);
    case kProjMollweide: return fwd_mollweide(lat, dlon, x, y);
    case kProjLambertAzimuthal: return fwd_lambert_azimuthal(p, lat, dlon, x, y);
    case kProjSatellite: return fwd_satellite(p, lat, dlon, x, y);
    default: return Tran::kUntouched;
    }
}

// ---- earth projections, inverse ----

Tran inv_polar(Projection& p, double x, double y, double& lat, double& lon) {
    ensure_polar(p);
    const double s = p.hemi;
    const double rho = std::hypot(x, y);
    const double turn = (x == 0.0 && y == 0.0) ? 0.0 : atan2d(x, s * y);
    lon = p.domain.plon + turn;
    lat = s * (2.0 * std::atan(rho / p.xfactor) * kRadToDeg - 90.0);
    return Tran::kImage;
}

Tran inv_latlon(Projection& p, double x, double y, double& lat, double& lon) {
    lon = x + p.domain.plon;
    lat = y;
    return Tran::kImage;
}

Tran inv_mercator(Projection& p, double x, double y, double& lat, double& lon) {
    lon = x / (kR * kDegToRad) + p.domain.plon;
    lat = 90.0 - 2.0 * kRadToDeg * std::atan(1.0 / std::exp(y / kR));
    return Tran::kImage;
}

Tran inv_lambert(Projection& p, double x, double y, double& lat, double& lon) {
    ensure_lambert(p);
    const double s = p.hemi;
    const double n = p.xfactor;
    const double rho = std::hypot(x, y);
    const double angle = (x == 0.0 && y == 0.0) ? 0.0 : atan2d(x, -s * y);
    lat = 90.0 * s - 2.0 * s * kRadToDeg * std::atan(std::pow(rho / (kR * p.mult), 1.0 / n));
    lon = angle / n + p.domain.plon;
    return Tran::kImage;
}

Tran inv_orthographic(Projection& p, double x, double y, double& lat, double& lon) {
    ensure_azimuthal(p);
    const double r2 = x * x + y * y;
    if (r2 > kR * kR * (1.0 + 1e-6)) return Tran::kNoImage;  // the rim survives float rounding
    const double depth = std::sqrt(std::max(0.0, kR * kR - r2));
    lat = std::asin(clamp_unit((p.yfactor * depth + p.xfactor * y) / kR)) * kRadToDeg;
    lon = p.domain.plon + atan2d(x, p.xfactor * depth - p.yfactor * y);
    return Tran::kImage;
}

Tran inv_gnomonic(Projection& p, double x, double y, double& lat, double& lon) {
    ensure_azimuthal(p);
    const double rho = std::hypot(x, y);
    if (rho < 1e-10) {
        lat = p.domain.plat;
        lon = p.domain.plon;
        return Tran::kImage;
    }
    const double c = std::atan(rho / kR);
    const double sin_c = std::sin(c);
    const double cos_c = std::cos(c);
    lat = std::asin(clamp_unit(cos_c * p.yfactor + y * sin_c * p.xfactor / rho)) * kRadToDeg;
    lon = p.domain.plon + atan2d(x * sin_c, rho * p.xfactor * cos_c - y * p.yfactor * sin_c);
    return Tran::kImage;
}

// Points outside the ellipse (more than 180 degrees from the central
// meridian, or beyond the poles) have no image.
Tran inv_mollweide(Projection& p, double x, double y, double& lat, double& lon) {
    const double s = y / kR;
    if (std::fabs(s) > 1.0 + 1e-6) return Tran::kNoImage;  // float rounding of the pole
    const double theta = std::asin(clamp_unit(s));
    const double cos_t = std::cos(theta);
    const double offset = cos_t > 1e-12 ? x * 90.0 / (kR * cos_t) : 0.0;
    if (std::fabs(offset) > 180.0 + 1e-6) return Tran::kNoImage;
    const double arg = (std::sin(2.0 * theta) + 2.0 * theta) / kPiMollweide;
    if (std::fabs(arg) > 1.0 + 1e-9) return Tran::kNoImage;
    lat = std::asin(clamp_unit(arg)) * kRadToDeg;
    lon = p.domain.plon + offset;
    return Tran::kImage;
}

Tran inv_lambert_azimuthal(Projection& p, double x, double y, double& lat, double& lon) {
    const double rho = std::hypot(x, y);
    if (rho / (2.0 * kR) > 1.0) return Tran::kNoImage;
    if (rho < 1e-10) {
        lat = p.domain.plat;
        lon = p.domain.plon;
        return Tran::kImage;
    }
    const double sin_o = sind(p.domain.plat);
    const double cos_o = cosd(p.domain.plat);
    const double c = 2.0 * std::asin(rho / (2.0 * kR));
    const double sin_c = std::sin(c);
    const double cos_c = std::cos(c);
    lat = std::asin(clamp_unit(cos_c * sin_o + y * sin_c * cos_o / rho)) * kRadToDeg;
    lon = p.domain.plon + atan2d(x * sin_c, rho * cos_o * cos_c - y * sin_o * sin_c);
    return Tran::kImage;
}

// The line of sight through the plane point, intersected with the earth
// (a sphere of radius R, or the ellipsoid).
Tran inv_satellite(Projection& p, double x, double y, double& lat, double& lon) {
    ensure_satellite(p);
    double ax = std::atan(x / p.sat_rad);
    double ay = std::atan(y / p.sat_rad);
    if (scan_angles(p)) {
        ax = x / p.sat_rad;
        ay = y / p.sat_rad;
    }
    const bool ellipsoid = p.domain.ellipsoid == 1;
    const double flat2 = ellipsoid ? p.earth_ratio2 : 1.0;
    const double reach2 = ellipsoid ? p.sat2_earth2 : p.sat_rad2 - kR * kR;
    const double a = p.sat_rad * std::cos(ax) * std::cos(ay);
    const double b = std::sin(ay) * std::sin(ay) / flat2 + std::cos(ay) * std::cos(ay);
    const double disc = a * a - b * reach2;
    if (disc < 0.0) return Tran::kNoImage;
    const double t = (a - std::sqrt(disc)) / b;
    const double px = p.sat_rad - t * std::cos(ax) * std::cos(ay);
    const double py = t * std::sin(ax) * std::cos(ay);
    const double pz = t * std::sin(ay);
    lat = std::atan(pz / (flat2 * std::hypot(px, py))) * kRadToDeg;
    lon = p.domain.plon + atan2d(py, px);
    return Tran::kImage;
}

Tran inverse_earth(Projection& p, double x, double y, double& lat, double& lon) {
    Tran r = Tran::kUntouched;
    switch (p.domain.proj) {
    case kProjPolarStereo: r = inv_polar(p, x, y, lat, lon); break;
    case kProjLatLon: r = inv_latlon(p, x, y, lat, lon); break;
    case kProjMercator: r = inv_mercator(p, x, y, lat, lon); break;
    case kProjLambert: r = inv_lambert(p, x, y, lat, lon); break;
    case kProjOrthographic: r = inv_orthographic(p, x, y, lat, lon); break;
    case kProjGnomonic: r = inv_gnomonic(p, x, y, lat, lon); break;
    case kProjMollweide: r = inv_mollweide(p, x, y, lat, lon); break;
    case kProjLambertAzimuthal: r = inv_lambert_azimuthal(p, x, y, lat, lon); break;
    case kProjSatellite: r = inv_satellite(p, x, y, lat, lon); break;
    default: break;
    }
    if (r == Tran::kImage) lon = wrap_closed(lon);
    return r;
}

// ---- plotting planes ----

Tran fwd_tephigram(Projection& p, double a, double b, double& x, double& y) {
    if (p.xfactor == 0.0) {  // while the limits are computed: the raw axes
        if (b <= 0.0) return Tran::kNoImage;
        x = a;
        y = std::log(b);
        return Tran::kImage;
    }
    ensure_tephigram(p);
    const double theta = pot_temp(missing(a) ? a : a + 273.15, b);
    if (missing(theta)) return Tran::kNoImage;
    const double x0 = p.limits[0];
    const double y0 = p.limits[2];
    const double vx0 = g.view[0];
    const double vy0 = g.view[2];
    const double vx = (a - x0) * p.xfactor + vx0;
    const double vy = (std::log(theta) - y0) * p.yfactor + vy0;
    const double tx = (vy - vy0) / 2.0 + (vx0 + vx) / 2.0;
    const double ty = vy - (tx - vx0);
    x = (tx - vx0) / p.xfactor + x0;
    y = (ty - vy0) / p.yfactor + y0;
    return Tran::kImage;
}

double pressure_from_theta(double t_kelvin, double theta) {
    return 1000.0 * std::pow(t_kelvin / theta, 1.0 / kPotTempExponent);
}

Tran inv_tephigram(Projection& p, double x, double y, double& a, double& b) {
    ensure_tephigram(p);
    const double x0 = p.limits[0];
    const double y0 = p.limits[2];
    const double vx0 = g.view[0];
    const double vy0 = g.view[2];
    const double tx = (x - x0) * p.xfactor + vx0;
    const double ty = (y - y0) * p.yfactor + vy0;
    const double vy = ty + tx - vx0;
    const double vx = 2.0 * tx - (vy - vy0) - vx0;
    a = (vx - vx0) / p.xfactor + x0;
    const double t_kelvin = a + 273.15;
    if (t_kelvin <= 0.0) return Tran::kNoImage;
    b = pressure_from_theta(t_kelvin, std::exp((vy - vy0) / p.yfactor + y0));
    return Tran::kImage;
}

Tran forward_plane(Projection& p, double a, double b, double& x, double& y) {
    const double x0 = p.limits[0];
    const double y0 = p.limits[2];
    switch (p.domain.proj) {
    case kProjXY:
    case kProjCat:
        ensure_linear(p);
        x = (a - x0) * p.xfactor + x0;
        y = (b - y0) * p.yfactor + y0;
        return Tran::kImage;
    case kProjXP:
        ensure_linear(p);
        x = (a - x0) * p.xfactor + x0;
        y = (y0 - b) * p.yfactor + y0;
        return Tran::kImage;
    case kProjXLogP:
    case kProjEmagram:
        if (b <= 0.0) return Tran::kNoImage;
        x = a;
        y = -std::log(b);
        return Tran::kImage;
    case kProjHodograph:
        x = b * sind(a);
        y = b * cosd(a);
        return Tran::kImage;
    case kProjSkewT:
        if (b <= 0.0) return Tran::kNoImage;
        y = -std::log(b);
        if (p.xfactor != 0.0) ensure_skewt(p);
        x = a + (p.xfactor == 0.0 ? 0.0 : (y - p.scale) * p.xfactor);
        return Tran::kImage;
    case kProjStuve:
        if (b < 0.0) return Tran::kNoImage;
        x = a;
        y = -std::pow(b, kStuveExponent);
        return Tran::kImage;
    case kProjTephigram: return fwd_tephigram(p, a, b, x, y);
    case kProjRotTephigram: {
        const double theta = pot_temp(missing(a) ? a : a + 273.15, b);
        if (missing(theta)) return Tran::kNoImage;
        x = a;
        y = std::log(theta);
        return Tran::kImage;
    }
    case kProjPixel:
        x = a;
        y = -b;
        return Tran::kImage;
    default: return Tran::kUntouched;
    }
}

Tran inverse_plane(Projection& p, double x, double y, double& a, double& b) {
    const double x0 = p.limits[0];
    const double y0 = p.limits[2];
    switch (p.domain.proj) {
    case kProjXY:
    case kProjCat:
        ensure_linear(p);
        a = (x - x0) / p.xfactor + x0;
        b = (y - y0) / p.yfactor + y0;
        return Tran::kImage;
    case kProjXP:
        ensure_linear(p);
        a = (x - x0) / p.xfactor + x0;
        b = y0 - (y - y0) / p.yfactor;
        return Tran::kImage;
    case kProjXLogP:
    case kProjEmagram:
        a = x;
        b = std::exp(-y);
        return Tran::kImage;
    case kProjHodograph:
        a = (x == 0.0 && y == 0.0) ? 0.0 : atan2d(x, y);
        if (a < 0.0) a += 360.0;
        b = std::hypot(x, y);
        return Tran::kImage;
    case kProjSkewT:
        ensure_skewt(p);
        b = std::exp(-y);
        a = x - (y - p.scale) * p.xfactor;
        return Tran::kImage;
    case kProjStuve:
        if (y > 0.0) return Tran::kNoImage;
        a = x;
        b = std::pow(-y, 1.0 / kStuveExponent);
        return Tran::kImage;
    case kProjTephigram: return inv_tephigram(p, x, y, a, b);
    case kProjRotTephigram:
        if (x + 273.15 <= 0.0) return Tran::kNoImage;
        a = x;
        b = pressure_from_theta(x + 273.15, std::exp(y));
        return Tran::kImage;
    case kProjPixel:
        a = x;
        b = -y;
        return Tran::kImage;
    default: return Tran::kUntouched;
    }
}

// With no projection both directions are the identity.
Tran forward(Projection& p, double a, double b, double& x, double& y) {
    if (p.domain.proj == kProjNone) {
        x = a;
        y = b;
        return Tran::kImage;
    }
    if (is_earth(p.domain.proj)) return forward_earth(p, a, b, x, y);
    return forward_plane(p, a, b, x, y);
}

Tran inverse(Projection& p, double x, double y, double& a, double& b) {
    if (p.domain.proj == kProjNone) {
        a = x;
        b = y;
        return Tran::kImage;
    }
    if (is_earth(p.domain.proj)) return inverse_earth(p, x, y, a, b);
    return inverse_plane(p, x, y, a, b);
}

int deliver(Tran r, double u, double v, float* out_u, float* out_v) {
    switch (r) {
    case Tran::kImage:
        *out_u = static_cast<float>(u);
        *out_v = static_cast<float>(v);
        return 1;
    case Tran::kNoImage:
        *out_u = kMissingF;
        *out_v = kMissingF;
        return 0;
    case Tran::kUntouched: break;
    }
    return 1;
}

// ---- limits ----

void order_pair(float& lo, float& hi) {
    if (lo > hi) std::swap(lo, hi);
}

void set_limit_pairs(Projection& p, double x0, double x1, double y0, double y1) {
    p.limits[0] = static_cast<float>(x0);
    p.limits[1] = static_cast<float>(x1);
    p.limits[2] = static_cast<float>(y0);
    p.limits[3] = static_cast<float>(y1);
    order_pair(p.limits[0], p.limits[1]);
    order_pair(p.limits[2], p.limits[3]);
}

void set_earth_limits(Projection& p) {
    const Domain& d = p.domain;
    double xc = kMiss;
    double yc = kMiss;
    if (forward_earth(p, d.clat, d.clon, xc, yc) != Tran::kImage) {
        std::fill(std::begin(p.limits), std::end(p.limits), kMissingF);
        return;
    }
    const double half_w = (d.nx - 1) * 0.5 * d.dx;
    const double half_h = (d.ny - 1) * 0.5 * d.dy;
    set_limit_pairs(p, xc - half_w, xc + half_w, yc - half_h, yc + half_h);
}

void set_diagram_limits(Projection& p) {
    const Domain& d = p.domain;
    p.xfactor = 0.0;
    p.yfactor = 0.0;
    double x0 = kMiss, y0 = kMiss, x1 = kMiss, y1 = kMiss, unused = kMiss;
    forward_plane(p, d.clat, d.clon, x0, y0);
    forward_plane(p, d.clat + d.dx, d.clon, x1, unused);
    forward_plane(p, d.clat, d.clon + d.dy, unused, y1);
    set_limit_pairs(p, x0, x1, y0, y1);
    p.xfactor = kMiss;
}

void set_plane_limits(Projection& p) {
    const Domain& d = p.domain;
    switch (d.proj) {
    case kProjXY:
    case kProjCat:
        set_limit_pairs(p, d.clat, d.clat + d.nx, d.clon, d.clon + d.ny);
        p.xfactor = safe_ratio(d.nx, d.dx);
        p.yfactor = safe_ratio(d.ny, d.dy);
        return;
    case kProjHodograph:
        set_limit_pairs(p, d.clat, d.clat + d.dx, d.clon, d.clon + d.dy);
        return;
    case kProjXP:
        set_limit_pairs(p, d.clat, d.clat + d.nx, -d.clon, d.ny - d.clon);
        p.xfactor = safe_ratio(d.nx, d.dx);
        p.yfactor = safe_ratio(d.ny, d.dy);
        return;
    case kProjSkewT:
    case kProjTephigram:
    case kProjRotTephigram:
        set_diagram_limits(p);
        return;
    default: {
        double x0 = kMiss, y0 = kMiss, x1 = kMiss, y1 = kMiss;
        forward(p, d.clat, d.clon, x0, y0);
        forward(p, d.clat + d.dx, d.clon + d.dy, x1, y1);
        set_limit_pairs(p, x0, x1, y0, y1);
    }
    }
}

void set_limits(Projection& p) {
    if (is_earth(p.domain.proj)) set_earth_limits(p);
    else set_plane_limits(p);
}

// ---- domains ----

int make_current(const Domain* domain) {
    if (domain == nullptr) {
        g.p.domain.proj = kProjNone;
        return -1;
    }
    g.p.domain = *domain;
    derive_projection(g.p);
    set_limits(g.p);
    return 0;
}

// ---- directions ----

// Grid direction of a true bearing, found by stepping 1 km along it.
double stepped_dir_adj(double dir, double x, double y) {
    double lat = 0.0, lon = 0.0, x2 = 0.0, y2 = 0.0;
    if (inverse(g.p, x, y, lat, lon) != Tran::kImage) return kMiss;
    const double lat2 = lat + cosd(dir) / kKmPerDegree;
    const double lon2 = lon + sind(dir) / (kKmPerDegree * cosd(lat));
    if (forward(g.p, lat2, lon2, x2, y2) != Tran::kImage) return kMiss;
    return atan2d(x2 - x, y2 - y);
}

// True bearing of a grid direction, found by stepping 1 km along it.
double stepped_undir_adj(double dir, double x, double y) {
    constexpr double kStep = 0.01;  // 1 km in plane units
    double lat = 0.0, lon = 0.0, lat2 = 0.0, lon2 = 0.0;
    if (inverse(g.p, x, y, lat, lon) != Tran::kImage) return kMiss;
    if (inverse(g.p, x + kStep * sind(dir), y + kStep * cosd(dir), lat2, lon2) != Tran::kImage) return kMiss;
    return atan2d(wrap_half_open(lon2 - lon) * cosd(lat), lat2 - lat);
}

bool uses_stepped_rotation(int proj) {
    return proj == kProjOrthographic || proj == kProjGnomonic || proj == kProjMollweide ||
           proj == kProjLambertAzimuthal || proj == kProjSatellite;
}

// Clockwise angle from grid up to true north at (x, y) on a conformal
// polar or Lambert map.
double north_rotation(double x, double y) {
    Projection& p = g.p;
    if (p.domain.proj == kProjPolarStereo) {
        ensure_polar(p);
        if (x == 0.0 && y == 0.0) return p.hemi < 0.0 ? -p.domain.plon : p.domain.plon;
        return p.hemi < 0.0 ? -atan2d(x, -y) : atan2d(x, y);
    }
    ensure_lambert(p);
    const double s = p.hemi;
    return -s * atan2d(x, -s * y);
}

bool is_conformal_cone(int proj) { return proj == kProjPolarStereo || proj == kProjLambert; }

// ---- station declutter grid ----

long declutter_cell(double i, double j, int nx, int factor) {
    if (factor < -1) {
        const double f = -factor;
        return static_cast<long>(std::trunc(j / f) * nx + i / f);
    }
    return static_cast<long>(std::trunc(j * factor) * nx * factor + i * factor);
}

}  // namespace

// ---- current domain ----

int MAP_domain(const Domain* domain) { return make_current(domain); }

int MAP_setup(const Domain* domain) {
    const int r = make_current(domain);
    std::copy(std::begin(g.p.limits), std::end(g.p.limits), g.window);
    if (g.hooks.set_win != nullptr) g.hooks.set_win(kWindowTransformation, g.p.limits);
    if (g.hooks.sel_norm_tran != nullptr) g.hooks.sel_norm_tran(kWindowTransformation);
    return r;
}

Domain* MAP_get_domain(Domain* out) {
    if (out == nullptr) return &g.p.domain;
    *out = g.p.domain;
    return out;
}

void MAP_print_domain() { DOM_print(kMessPrint, &g.p.domain); }

void MAP_proj(int code) {
    g.p.domain.proj = code;
    derive_projection(g.p);
}

int MAP_get_proj() { return g.p.domain.proj; }

int MAP_proj_str(const char* text) {
    if (text == nullptr) return -1;
    const std::string_view name(text);
    if (name == "miss") return kProjNone;
    struct Prefix {
        std::string_view word;
        int code;
    };
    static constexpr Prefix kPrefixes[] = {
        {"ll", 2},     {"lat", 2},    {"polar", 1},  {"ps", 1},     {"sat", 9},     {"lamb", 4},
        {"lc", 4},     {"la", 8},     {"gn", 6},     {"or", 5},     {"mo", 7},      {"me", 3},
        {"pix", 99},   {"xy", 20},    {"xlogy", 22}, {"xlogp", 22}, {"cat", 24},    {"skewt", 40},
        {"ema", 42},   {"teph", 43},  {"rteph", 44}, {"therm", 40}, {"stuve", 41},  {"hodo", 23},
        {"vert", 22},
    };
    auto starts_with_nocase = [&](std::string_view word) {
        if (name.size() < word.size()) return false;
        return std::equal(word.begin(), word.end(), name.begin(), [](char w, char c) {
            return w == static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        });
    };
    for (const Prefix& pre : kPrefixes) {
        if (starts_with_nocase(pre.word)) return pre.code;
    }
    if (name.size() == 2 && starts_with_nocase("xp")) return kProjXP;
    if (starts_with_nocase("zoom")) return kProjZoom;
    if (starts_with_nocase("size")) return kProjSize;
    return -1;
}

const char* MAP_proj_name(int code) {
    switch (code) {
    case kProjPolarStereo: return "pstereo";
    case kProjLatLon: return "latlon";
    case kProjMercator: return "merc";
    case kProjLambert: return "lamb";
    case kProjOrthographic: return "ortho";
    case kProjGnomonic: return "gnom";
    case kProjMollweide: return "moll";
    case kProjLambertAzimuthal: return "lambaz";
    case kProjSatellite: return "sat";
    case kProjXY: return "xy";
    case kProjXZ: return "xz";
    case kProjXLogP: return "xlogp";
    case kProjHodograph: return "polar";
    case kProjCat: return "cat";
    case kProjSkewT: return "skewt";
    case kProjStuve: return "stuve";
    case kProjEmagram: return "ema";
    case kProjZoom: return "zoom";
    case kProjPixel: return "pixel";
    default: return "";
    }
}

void MAP_coord(float plat, float plon) {
    g.p.domain.plat = plat;
    g.p.domain.plon = plon;
    derive_projection(g.p);
}

void MAP_proj_coord(const float* true_lats) {
    if (true_lats == nullptr || g.p.domain.proj != kProjLambert) return;
    g.p.domain.params[0] = true_lats[0];
    g.p.domain.params[1] = true_lats[1];
    g.p.tlat1 = true_lats[0];
    g.p.tlat2 = true_lats[1];
    reset_caches(g.p);
}

float MAP_get_clat() { return g.p.domain.clat; }
float MAP_get_clon() { return g.p.domain.clon; }

// ---- limits, view, window ----

void MAP_set_limits() { set_limits(g.p); }

void MAP_get_limits(float* limits) { std::copy(std::begin(g.p.limits), std::end(g.p.limits), limits); }

void MAP_get_up_left(float* x, float* y) {
    *x = g.p.limits[0];
    *y = g.p.limits[3];
}

void MAP_set_view(float x0, float x1, float y0, float y1) {
    g.view[0] = x0;
    g.view[1] = x1;
    g.view[2] = y0;
    g.view[3] = y1;
    // the diagram planes scale by the view: recompute on the next transform
    if (g.p.domain.proj == kProjSkewT || g.p.domain.proj == kProjTephigram) reset_caches(g.p);
}

void MAP_set_window_hooks(const MapWindowHooks* hooks) { g.hooks = hooks == nullptr ? MapWindowHooks{} : *hooks; }

void MAP_get_window(float* window) {
    if (g.hooks.get_win != nullptr && g.hooks.get_win(kWindowTransformation, window) >= 0) return;
    std::copy(std::begin(g.window), std::end(g.window), window);
}

float MAP_get_hor() {
    float w[4];
    MAP_get_window(w);
    return w[1] - w[0];
}

float MAP_get_vert() {
    float w[4];
    MAP_get_window(w);
    return w[3] - w[2];
}

// ---- transforms ----

int MAP_tran(float* x, float* y, float lat, float lon) {
    double u = kMiss, v = kMiss;
    const Tran r = forward(g.p, lat, lon, u, v);
    return deliver(r, u, v, x, y);
}

int MAP_untran(float* lat, float* lon, float x, float y) {
    double a = kMiss, b = kMiss;
    const Tran r = inverse(g.p, x, y, a, b);
    return deliver(r, a, b, lat, lon);
}

int MAP_tran_center(float* x, float* y) { return MAP_tran(x, y, g.p.domain.clat, g.p.domain.clon); }

int MAP_tran_ep(float* xy, const float* latlon) { return MAP_tran(&xy[0], &xy[1], latlon[0], latlon[1]); }

int MAP_tran_pe(float* latlon, const float* xy) { return MAP_untran(&latlon[0], &latlon[1], xy[0], xy[1]); }

int MAP_grid_tran(float* x, float* y, float i, float j) {
    if (is_missing(i) || is_missing(j)) {
        *x = kMissingF;
        *y = kMissingF;
        return -1;
    }
    *x = i * g.p.domain.dx + g.p.limits[0];
    *y = g.p.limits[3] - j * g.p.domain.dy;
    return 1;
}

int MAP_grid_untran(float* i, float* j, float x, float y) {
    if (is_missing(x) || is_missing(y) || g.p.domain.dx == 0.0F || g.p.domain.dy == 0.0F) {
        *i = kMissingF;
        *j = kMissingF;
        return -1;
    }
    *i = (x - g.p.limits[0]) / g.p.domain.dx;
    *j = (g.p.limits[3] - y) / g.p.domain.dy;
    return 1;
}

int MAP_domain_tran(const Domain* from, const Domain* to, float* x, float* y, float xin, float yin) {
    if (from == nullptr || to == nullptr || DOM_comp(from, to) == 1) {
        *x = xin;
        *y = yin;
        return 1;
    }
    const Projection saved = g.p;
    make_current(from);
    double lat = kMiss, lon = kMiss, u = kMiss, v = kMiss;
    Tran r = inverse(g.p, xin, yin, lat, lon);
    if (r == Tran::kImage) {
        make_current(to);
        r = forward(g.p, lat, lon, u, v);
    }
    g.p = saved;
    if (r == Tran::kUntouched) r = Tran::kNoImage;
    return deliver(r, u, v, x, y);
}

int MAP_in_domain(float x, float y) {
    if (g.p.domain.proj == kProjNone) return 1;
    const float* l = g.p.limits;
    return (x >= l[0] && x <= l[1] && y >= l[2] && y <= l[3]) ? 1 : 0;
}

int MAP_in_grid_domain(float x, float y) {
    if (g.p.domain.proj == kProjNone) return 1;
    const float* l = g.p.limits;
    const float mx = 3.0F * g.p.domain.dx;
    const float my = 3.0F * g.p.domain.dy;
    return (x >= l[0] - mx && x <= l[1] + mx && y >= l[2] - my && y <= l[3] + my) ? 1 : 0;
}

// Steps along the bearing on the sphere; a step across a pole comes down the
// meridian on the far side.
int MAP_offset(float* x, float* y, float x0, float y0, float direction, float distance_km) {
    double lat = kMiss, lon = kMiss, u = kMiss, v = kMiss;
    if (inverse(g.p, x0, y0, lat, lon) != Tran::kImage) return deliver(Tran::kNoImage, u, v, x, y);
    const double cos_lat = cosd(lat);
    double lat2 = lat + distance_km * cosd(direction) / kKmPerDegree;
    double lon2 = lon;
    if (std::fabs(cos_lat) > 1e-9) lon2 += distance_km * sind(direction) / (kKmPerDegree * cos_lat);
    if (lat2 > 90.0 || lat2 < -90.0) {
        lat2 = std::copysign(180.0, lat2) - lat2;
        lon2 += 180.0;
    }
    Tran r = forward(g.p, lat2, lon2, u, v);
    return deliver(r, u, v, x, y);
}

// Polar stereographic: true at its standard latitude. Lambert conformal: the
// cone's scale at the latitude. Every other projection: 1.
float MAP_factor(float lat) {
    Projection& p = g.p;
    if (p.domain.proj == kProjPolarStereo) {
        ensure_polar(p);
        return static_cast<float>((1.0 + sind(std::fabs(p.tlat1))) / (1.0 + sind(-p.hemi * lat)));
    }
    if (p.domain.proj == kProjLambert) {
        ensure_lambert(p);
        const double mirrored = std::clamp(p.hemi * lat, -89.0, 89.99);
        const double rho = kR * p.mult * std::pow(tand(45.0 - mirrored / 2.0), p.xfactor);
        return static_cast<float>(p.xfactor * rho / (kR * cosd(mirrored)));
    }
    return 1.0F;
}

// ---- directions ----

float MAP_dir_adj(float direction, float x, float y) {
    const int proj = g.p.domain.proj;
    if (is_conformal_cone(proj)) return static_cast<float>(direction + north_rotation(x, y));
    if (uses_stepped_rotation(proj)) return static_cast<float>(stepped_dir_adj(direction, x, y));
    return direction;
}

float MAP_undir_adj(float direction, float x, float y) {
    const int proj = g.p.domain.proj;
    if (is_conformal_cone(proj)) return static_cast<float>(direction - north_rotation(x, y));
    if (uses_stepped_rotation(proj)) return static_cast<float>(stepped_undir_adj(direction, x, y));
    return direction;
}

float MAP_uvdir_adj(float, float, float x, float y) {
    if (g.p.domain.proj != kProjPolarStereo) return 0.0F;
    return static_cast<float>(north_rotation(x, y));
}

float MAP_dir(float x1, float y1, float x2, float y2) {
    const float grid_dir = static_cast<float>(atan2d(x2 - x1, y2 - y1));
    return MAP_undir_adj(grid_dir, x1, y1);
}

// ---- station declutter grid ----

void MAP_set_plot_limit(int factor) { g.plot_limit = factor; }

void MAP_plot_grid_init() {
    g.plot_cells.clear();
    const Domain& d = g.p.domain;
    if (g.plot_limit == 0 || d.nx <= 0 || d.ny <= 0) return;
    double cells = static_cast<double>(d.nx) * d.ny;
    if (g.plot_limit > 1) cells *= static_cast<double>(g.plot_limit) * g.plot_limit;
    if (cells > kMaxDeclutterCells) return;  // a nonsense domain or factor: no decluttering
    g.plot_cells.assign(static_cast<std::size_t>(cells), 0);
}

int MAP_plot_grid(float x, float y) {
    if (g.plot_limit == 0 || g.plot_cells.empty()) return 1;
    float i = 0.0F, j = 0.0F;
    if (MAP_grid_untran(&i, &j, x, y) < 0) return 0;
    const Domain& d = g.p.domain;
    const bool inside = i >= 0.0F && i <= static_cast<float>(d.nx - 1) && j >= 0.0F &&
                        j <= static_cast<float>(d.ny - 1);
    if (!inside) return 0;
    if (g.plot_limit == -1) return 1;
    const long cell = declutter_cell(i, j, d.nx, g.plot_limit);
    if (cell < 0 || static_cast<std::size_t>(cell) >= g.plot_cells.size()) return 0;
    if (g.plot_cells[static_cast<std::size_t>(cell)] != 0) return 0;
    g.plot_cells[static_cast<std::size_t>(cell)] = 1;
    return 1;
}

void MAP_reset_for_tests() { g = MapState{}; }

}  // namespace orv
