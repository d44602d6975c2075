#include "grid/grd_read.hpp"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/menu.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/tools.hpp"
#include "geo/region.hpp"
#include "grid/netcdf_lib.hpp"

namespace orv {
namespace {

constexpr unsigned kFileWarn = 64;
constexpr long kStringLen = 50;
constexpr std::size_t kMaxPoints = 64U * 1024U * 1024U;  // larger grids are not real
constexpr std::string_view kTextHeader = "ORVGRID";

// netCDF variables of a grid file, in their order in the header.
enum NcVar : int {
    kVValues, kVXCoord, kVYCoord, kVProj, kVLat1, kVLat2, kVLon1, kVLon2, kVDx, kVDy, kVDatim,
    kVInfo, kVSource, kVVersion, kVModel, kVType, kVLtype, kVLevel, kVTime, kVVar, kVNx, kVNy,
    kNcVars
};

struct NcVarDesc {
    const char* var;
    nc_type type;
    int rank;  // 1: grid; 2: grid, string_len; 3: grid, x, y
    const char* name;
    const char* long_name;
    const char* units;
};

constexpr std::array<NcVarDesc, kNcVars> kNcTable{{
    {"values", NC_FLOAT, 3, "VALUES", "Grid values", ""},
    {"x_coord", NC_FLOAT, 3, "X_COORD", "X coordinate gridpoint locations", "DEG"},
    {"y_coord", NC_FLOAT, 3, "Y_COORD", "Y coordinate gridpoint locations", "DEG"},
    {"proj", NC_SHORT, 1, "PROJ", "Projection", ""},
    {"lat1", NC_FLOAT, 1, "CLAT", "Grid central latitude", "DEG"},
    {"lat2", NC_FLOAT, 1, "LAT2", "Grid secondary latitude", "DEG"},
    {"lon1", NC_FLOAT, 1, "CLON", "Grid central longitude", "DEG"},
    {"lon2", NC_FLOAT, 1, "LON2", "Grid secondary longitude", "DEG"},
    {"dx", NC_FLOAT, 1, "DX", "Grid spacing in X direction", "100 KM"},
    {"dy", NC_FLOAT, 1, "DY", "Grid spacing in Y direction", "100 KM"},
    {"datim", NC_CHAR, 2, "DATETIME", "Grid date/time information", ""},
    {"info", NC_CHAR, 2, "INFO", "Grid variable information", ""},
    {"source", NC_SHORT, 1, "SOURCE", "Grid creation source", ""},
    {"version", NC_SHORT, 1, "VERSION", "Grid encoding version", ""},
    {"model", NC_SHORT, 1, "MODEL", "Model name", ""},
    {"type", NC_SHORT, 1, "TYPE", "Model grid type", ""},
    {"ltype", NC_SHORT, 1, "LTYPE", "Vertical level type", ""},
    {"level", NC_SHORT, 1, "LEVEL", "Vertical level value", ""},
    {"time", NC_SHORT, 1, "TIME", "Forecast time", "HOUR"},
    {"var", NC_SHORT, 1, "VAR", "Grid variable type", ""},
    {"nx", NC_SHORT, 1, "NX", "Gridpoints in X direction", ""},
    {"ny", NC_SHORT, 1, "NY", "Gridpoints in Y direction", ""},
}};

struct OpenGrid {
    bool used = false;
    int kind = 0;
    int mode = 0;
    std::FILE* stream = nullptr;
    bool standard = false;     // standard input or output: never closed
    bool needs_header = true;  // text kinds: the header is written once per file
    int ncid = -1;
    int layout = 0;
    long nx = 0;               // netCDF dimensions
    long ny = 0;
    long record = 0;           // next netCDF record
    std::array<int, kNcVars> varid{};
    Domain region;             // the region of the first netCDF record, which the coordinates describe
};

struct FileState {
    std::array<OpenGrid, kGridMaxOpen> open;
    char format[16] = "";
};
FileState g;

OpenGrid* entry_of(int entry) {
    if (entry < 0 || entry >= kGridMaxOpen || !g.open[static_cast<std::size_t>(entry)].used) return nullptr;
    return &g.open[static_cast<std::size_t>(entry)];
}

bool is_text_kind(int kind) { return kind == kGridText || kind == kGridBinary; }

std::string grid_path(const char* name) {
    char path[kFileNameSize];
    return output_path("grid_path", name != nullptr ? name : "", path);
}

// ---- the domain as a text grid file records it ----

std::string projection_line(const Domain& d) {
    char text[512];
    std::string line;
    switch (d.proj) {
    case kProjLatLon: line = "LL "; break;
    case kProjMercator: line = "ME "; break;
    case kProjPolarStereo:
        if (is_missing(d.plon) || d.plon == d.clon) {
            line = "PS ";
        } else {
            std::snprintf(text, sizeof text, "PS:%f ", static_cast<double>(d.plon));
            line = text;
        }
        break;
    case kProjLambert:
        if (is_missing(d.params[0])) {
            if (is_missing(d.plon)) {
                line = "LC ";
            } else {
                std::snprintf(text, sizeof text, "LC:%f ", static_cast<double>(d.plon));
                line = text;
            }
        } else {
            std::snprintf(text, sizeof text, "LC:%f:%f:%f:%f:%f ", static_cast<double>(d.plat),
                          static_cast<double>(d.plon), static_cast<double>(d.params[0]),
                          static_cast<double>(d.params[1]), static_cast<double>(d.params[2]));
            line = text;
        }
        break;
    default: break;
    }
    std::snprintf(text, sizeof text, "%f %f %f %f %d %d\n", static_cast<double>(d.clat),
                  static_cast<double>(d.clon), static_cast<double>(d.dx), static_cast<double>(d.dy),
                  d.nx, d.ny);
    return line + text;
}

// Reads the projection line back; false when it is not one.
bool parse_projection_line(const char* line, Domain* out) {
    Domain d;
    const char* p = line;
    auto numbers_after_colons = [&](float* v, int most) {
        int n = 0;
        while (*p == ':' && n < most) {
            char* end = nullptr;
            const float x = std::strtof(p + 1, &end);
            if (end == p + 1) return -1;
            v[n++] = x;
            p = end;
        }
        return n;
    };
    if (std::strncmp(p, "LL", 2) == 0 || std::strncmp(p, "ME", 2) == 0) {
        d.proj = p[0] == 'L' ? kProjLatLon : kProjMercator;
        p += 2;
    } else if (std::strncmp(p, "PS", 2) == 0) {
        d.proj = kProjPolarStereo;
        p += 2;
        if (numbers_after_colons(&d.plon, 1) < 0) return false;
    } else if (std::strncmp(p, "LC", 2) == 0) {
        d.proj = kProjLambert;
        p += 2;
        float v[5];
        const int n = numbers_after_colons(v, 5);
        if (n == 1) {
            d.plon = v[0];
        } else if (n == 5) {
            d.plat = v[0];
            d.plon = v[1];
            std::copy(v + 2, v + 5, d.params);
        } else if (n != 0) {
            return false;
        }
    }
    if (std::sscanf(p, "%f %f %f %f %d %d", &d.clat, &d.clon, &d.dx, &d.dy, &d.nx, &d.ny) != 6)
        return false;
    *out = d;
    return true;
}

// The fields a netCDF grid file keeps of a domain.
Domain netcdf_domain(const Domain& d) {
    Domain kept;
    kept.proj = d.proj < SHRT_MIN || d.proj > SHRT_MAX ? kMissing : d.proj;
    kept.clat = d.clat;
    kept.plat = d.plat;
    kept.clon = d.clon;
    kept.plon = d.plon;
    kept.dx = d.dx;
    kept.dy = d.dy;
    kept.nx = d.nx;
    kept.ny = d.ny;
    return kept;
}

std::size_t point_count(const Domain& d) {
    if (d.nx < 1 || d.ny < 1) return 0;
    const std::size_t n = static_cast<std::size_t>(d.nx) * static_cast<std::size_t>(d.ny);
    return n <= kMaxPoints ? n : 0;
}

// ---- text grid files ----

std::uint32_t big_endian(std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    std::uint32_t out = 0;
    std::memcpy(&out, b, 4);
    return out;
}

float from_big_endian(const unsigned char* b) {
    const std::uint32_t bits = (static_cast<std::uint32_t>(b[0]) << 24) |
                               (static_cast<std::uint32_t>(b[1]) << 16) |
                               (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
    float v = 0.0F;
    std::memcpy(&v, &bits, 4);
    return v;
}

int write_text(OpenGrid& e, const GridField& grid) {
    std::FILE* f = e.stream;
    std::string units = grid.units;
    std::replace(units.begin(), units.end(), ' ', '_');
    std::fprintf(f, "%s\n%d-%s\n%d %d %d %d %d %d %d %d%s%s\n", grid.label, e.kind, grid.info,
                 grid.source, grid.version, grid.model, grid.grid_number, grid.level_type, grid.level,
                 grid.hour, grid.variable, units.empty() ? "" : ":", units.c_str());
    std::fputs(projection_line(grid.domain).c_str(), f);
    const std::size_t n = point_count(grid.domain);
    if (e.kind == kGridText) {
        const char* format = g.format[0] != '\0' ? g.format : "%14.8e";
        for (std::size_t k = 0; k < n; ++k) {
            std::fprintf(f, format, static_cast<double>(grid.values[k]));
            std::fputc('\n', f);
        }
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &grid.values[k], 4);
            bits = big_endian(bits);
            std::fwrite(&bits, 4, 1, f);
        }
        std::fputc('\n', f);
    }
    return std::ferror(f) != 0 ? -1 : 0;
}

// One line without its newline; false at the end of the file.
bool read_line(std::FILE* f, std::string* line) {
    line->clear();
    int c = 0;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
        if (line->size() < 4096) line->push_back(static_cast<char>(c));
    }
    return c != EOF || !line->empty();
}

int read_text(OpenGrid& e, GridField* grid) {
    std::FILE* f = e.stream;
    std::string label, info, ids, proj;
    if (!read_line(f, &label)) return 0;
    if (!read_line(f, &info) || !read_line(f, &ids) || !read_line(f, &proj)) return -1;
    const bool binary = info.rfind("3-", 0) == 0;
    if (!binary && info.rfind("2-", 0) != 0) return -1;
    GridField r;
    GRD_init(&r);
    copy_text(r.label, label.c_str());
    copy_text(r.info, info.c_str() + 2);
    char units[kGridUnitsSize] = "";
    const int n_ids = std::sscanf(ids.c_str(), "%d %d %d %d %d %d %d %d:%15s", &r.source, &r.version,
                                  &r.model, &r.grid_number, &r.level_type, &r.level, &r.hour,
                                  &r.variable, units);
    if (n_ids < 8 || !parse_projection_line(proj.c_str(), &r.domain)) return -1;
    copy_text(r.units, units);
    const std::size_t n = point_count(r.domain);
    if (n == 0) return -1;
    float* values = static_cast<float*>(std::malloc(n * sizeof(float)));
    if (values == nullptr) return -1;
    bool complete = true;
    if (binary) {
        unsigned char b[4];
        for (std::size_t k = 0; k < n && complete; ++k) {
            complete = std::fread(b, 1, 4, f) == 4;
            if (complete) values[k] = from_big_endian(b);
        }
        if (complete) std::fgetc(f);  // the newline after the values
    } else {
        for (std::size_t k = 0; k < n && complete; ++k) complete = std::fscanf(f, "%f", &values[k]) == 1;
        if (complete) {
            int c = 0;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {}
        }
    }
    if (!complete) {
        std::free(values);
        return -1;
    }
    r.values = values;
    GRD_free(grid);
    *grid = r;
    return 1;
}

// ---- netCDF grid files (version-2 interface) ----

// The library is loaded when a netCDF file is opened; every call on the file finds it.
const NetcdfLib& nc() { return *netcdf_lib(); }

void put_text_att(int ncid, int varid, const char* name, const char* text) {
    nc().attput(ncid, varid, name, NC_CHAR, static_cast<int>(std::strlen(text)), text);
}

void put_short_att(int ncid, const char* name, int value) {
    const short v = static_cast<short>(std::clamp(value, SHRT_MIN, SHRT_MAX));
    nc().attput(ncid, NC_GLOBAL, name, NC_SHORT, 1, &v);
}

short to_short(int v) { return v < SHRT_MIN || v > SHRT_MAX ? static_cast<short>(kMissing) : static_cast<short>(v); }

bool used_in_layout(int var, int layout) {
    if (var == kVXCoord || var == kVYCoord) return layout == 1;
    if (var == kVProj) return layout == 0;
    return true;
}

int netcdf_header(OpenGrid& e, const GridInfo& info) {
    const int ncid = e.ncid;
    const int grid = nc().dimdef(ncid, "grid", NC_UNLIMITED);
    const int x = nc().dimdef(ncid, "x", info.nx);
    const int y = nc().dimdef(ncid, "y", info.ny);
    const int len = nc().dimdef(ncid, "string_len", kStringLen);
    if (grid < 0 || x < 0 || y < 0 || len < 0) return -1;
    e.nx = info.nx;
    e.ny = info.ny;
    e.layout = info.layout == 1 ? 1 : 0;
    e.varid.fill(-1);
    const float fill = kMissingF;
    for (int v = 0; v < kNcVars; ++v) {
        if (!used_in_layout(v, e.layout)) continue;
        const NcVarDesc& d = kNcTable[static_cast<std::size_t>(v)];
        const int dims3[] = {grid, x, y};
        const int dims2[] = {grid, len};
        const int* dims = d.rank == 3 ? dims3 : d.rank == 2 ? dims2 : &grid;
        const int id = nc().vardef(ncid, d.var, d.type, d.rank, dims);
        if (id < 0) return -1;
        e.varid[static_cast<std::size_t>(v)] = id;
        put_text_att(ncid, id, "name", d.name);
        put_text_att(ncid, id, "long_name", d.long_name);
        if (d.units[0] != '\0') put_text_att(ncid, id, "units", d.units);
        if (d.rank == 3) nc().attput(ncid, id, "_FillValue", NC_FLOAT, 1, &fill);
    }
    put_text_att(ncid, NC_GLOBAL, "source", "ORV");
    put_text_att(ncid, NC_GLOBAL, "version", "1.0");
    put_text_att(ncid, NC_GLOBAL, "Conventions", "CF-1.8");
    put_short_att(ncid, "grid_type", e.layout);
    put_short_att(ncid, "year", info.date.year);
    put_short_att(ncid, "month", info.date.month);
    put_short_att(ncid, "day", info.date.day);
    put_short_att(ncid, "hour", info.date.hour);
    return nc().endef(ncid) < 0 ? -1 : 0;
}

int put_float(const OpenGrid& e, int var, float v) {
    const long at = e.record;
    return nc().varput1(e.ncid, e.varid[static_cast<std::size_t>(var)], &at, &v);
}

int put_short(const OpenGrid& e, int var, int v) {
    const long at = e.record;
    const short s = to_short(v);
    return nc().varput1(e.ncid, e.varid[static_cast<std::size_t>(var)], &at, &s);
}

int put_text(const OpenGrid& e, int var, const char* text) {
    char buffer[kStringLen] = {};
    strntcpy(buffer, text, sizeof buffer);
    const long start[] = {e.record, 0};
    const long count[] = {1, kStringLen};
    return nc().varput(e.ncid, e.varid[static_cast<std::size_t>(var)], start, count, buffer);
}

// Longitudes and latitudes of the grid points, for the coordinate layout.
void point_coordinates(const GridField& grid, float* lon, float* lat) {
    Domain saved;
    MAP_get_domain(&saved);
    MAP_domain(&grid.domain);
    const Domain& d = grid.domain;
    for (int j = 0; j < d.ny; ++j)
        for (int i = 0; i < d.nx; ++i) {
            const std::size_t k = static_cast<std::size_t>(j) * d.nx + i;
            float x = 0, y = 0;
            MAP_grid_tran(&x, &y, static_cast<float>(i), static_cast<float>(j));
            MAP_untran(&lat[k], &lon[k], x, y);
        }
    MAP_domain(&saved);
}

// ---- the description other netCDF readers use (CF conventions) ----

// Units as the unit library of other tools reads them: "F" would be farads
// there, "mb" millibarns and "knt" kilonits.
std::string cf_units(const char* units) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 25> kUnits{{
        {"F", "degF"}, {"deg F", "degF"}, {"C", "degC"}, {"deg C", "degC"}, {"K", "K"},
        {"dF", "degR"}, {"dC", "K"}, {"dK", "K"}, {"%", "percent"}, {"knt", "knot"}, {"kt", "knot"},
        {"m/s", "m s-1"}, {"mph", "mile/hour"}, {"km/h", "km/h"}, {"mb", "hPa"}, {"hPa", "hPa"},
        {"Pa", "Pa"}, {"kPa", "kPa"}, {"inHg", "inch_Hg"}, {"in_Hg", "inch_Hg"}, {"in", "inch"},
        {"mi", "mile"}, {"m", "m"}, {"ft", "ft"}, {"deg", "degree"},
    }};
    const std::string_view text(units);
    for (const auto& [ours, theirs] : kUnits)
        if (text.size() == ours.size() && strncasecmp(text.data(), ours.data(), ours.size()) == 0)
            return std::string(theirs);
    return std::string(text);
}

// The standard name of a variable by its parameter number, where one fits.
const char* cf_standard_name(int variable) {
    static constexpr std::pair<int, const char*> kNames[] = {
        {1, "air_pressure"}, {2, "air_pressure_at_mean_sea_level"}, {7, "geopotential_height"},
        {11, "air_temperature"}, {15, "air_temperature"}, {16, "air_temperature"},
        {17, "dew_point_temperature"}, {18, "dew_point_depression"}, {20, "visibility_in_air"},
        {31, "wind_from_direction"}, {32, "wind_speed"}, {33, "eastward_wind"}, {34, "northward_wind"},
        {52, "relative_humidity"}, {61, "lwe_thickness_of_precipitation_amount"},
        {71, "cloud_area_fraction"}, {511, "lwe_thickness_of_precipitation_amount"},
        {512, "lwe_thickness_of_precipitation_amount"}, {513, "lwe_thickness_of_precipitation_amount"},
        {514, "thickness_of_snowfall_amount"}, {515, "thickness_of_snowfall_amount"},
        {516, "thickness_of_snowfall_amount"}, {517, "thickness_of_snowfall_amount"},
        {548, "x_wind"}, {549, "y_wind"},
    };
    for (const auto& [number, name] : kNames)
        if (number == variable) return name;
    return nullptr;
}

bool is_earth_projection(int proj) {
    return (proj >= kProjPolarStereo && proj <= 5) || (proj >= 7 && proj <= 9);
}

void put_double_att(int ncid, int varid, const char* name, std::initializer_list<double> values) {
    nc().attput(ncid, varid, name, NC_DOUBLE, static_cast<int>(values.size()), std::data(values));
}

// The projection's parameters as a grid_mapping variable's attributes; false
// for projections those conventions do not name (Mollweide).
bool put_grid_mapping(int ncid, int id, const Domain& domain) {
    constexpr double kEarthRadius = 6371220.0;  // metres, the sphere of the projections
    const double plat = is_missing(domain.plat) ? domain.clat : domain.plat;
    const double plon = is_missing(domain.plon) ? domain.clon : domain.plon;
    const double pole = plat >= 0 ? 90.0 : -90.0;
    const auto given = [&](int k, double otherwise) {
        return is_missing(domain.params[k]) ? otherwise : static_cast<double>(domain.params[k]);
    };
    double radius = kEarthRadius;
    switch (domain.proj) {
    case kProjPolarStereo:
        put_text_att(ncid, id, "grid_mapping_name", "polar_stereographic");
        put_double_att(ncid, id, "straight_vertical_longitude_from_pole", {plon});
        put_double_att(ncid, id, "latitude_of_projection_origin", {pole});
        put_double_att(ncid, id, "standard_parallel", {given(0, plat < 0 ? -60.0 : 60.0)});
        break;
    case kProjLatLon:
        put_text_att(ncid, id, "grid_mapping_name", "latitude_longitude");
        break;
    case kProjMercator:
        put_text_att(ncid, id, "grid_mapping_name", "mercator");
        put_double_att(ncid, id, "longitude_of_projection_origin", {plon});
        put_double_att(ncid, id, "standard_parallel", {0.0});
        break;
    case kProjLambert: {
        const double first = is_missing(domain.params[0]) ? 30.0 : domain.params[0];
        const double second = is_missing(domain.params[0]) ? 60.0 : given(1, first);
        put_text_att(ncid, id, "grid_mapping_name", "lambert_conformal_conic");
        if (first == second)
            put_double_att(ncid, id, "standard_parallel", {first});
        else
            put_double_att(ncid, id, "standard_parallel", {first, second});
        put_double_att(ncid, id, "longitude_of_central_meridian", {plon});
        put_double_att(ncid, id, "latitude_of_projection_origin", {pole});
        break;
    }
    case 5:
    case 8:
        put_text_att(ncid, id, "grid_mapping_name", domain.proj == 5 ? "orthographic" : "lambert_azimuthal_equal_area");
        put_double_att(ncid, id, "longitude_of_projection_origin", {plon});
        put_double_att(ncid, id, "latitude_of_projection_origin", {plat});
        break;
    case 9: {
        const bool ellipsoid = domain.ellipsoid == 1;
        radius = ellipsoid ? 6378137.0 : kEarthRadius;
        put_text_att(ncid, id, "grid_mapping_name", "geostationary");
        put_double_att(ncid, id, "longitude_of_projection_origin", {plon});
        put_double_att(ncid, id, "latitude_of_projection_origin", {0.0});
        put_double_att(ncid, id, "perspective_point_height", {given(0, 421.61) * 1e5 - radius});
        put_text_att(ncid, id, "sweep_angle_axis", "y");
        if (ellipsoid) {
            put_double_att(ncid, id, "semi_major_axis", {6378137.0});
            put_double_att(ncid, id, "semi_minor_axis", {6356752.0});
            return true;
        }
        break;
    }
    default: return false;
    }
    put_double_att(ncid, id, "false_easting", {0.0});
    put_double_att(ncid, id, "false_northing", {0.0});
    put_double_att(ncid, id, "earth_radius", {radius});
    return true;
}

int define_coordinate(int ncid, int x, int y, const char* name, const char* standard_name, const char* units) {
    const int dims[] = {x, y};
    const int id = nc().vardef(ncid, name, NC_FLOAT, 2, dims);
    if (id < 0) return -1;
    put_text_att(ncid, id, "standard_name", standard_name);
    put_text_att(ncid, id, "long_name", standard_name);
    put_text_att(ncid, id, "units", units);
    const float fill = kMissingF;  // points the projection has no image of
    nc().attput(ncid, id, "_FillValue", NC_FLOAT, 1, &fill);
    return id;
}

// Describes the file's grids for readers that follow the CF conventions,
// from its first grid: the values' units and standard name, the latitude
// and longitude of every value and the projection. The values keep the
// grid's own order under the dimensions (x, y), so the coordinates are
// written in that order too: each value and its coordinates share an index.
int describe_for_cf(OpenGrid& e, const GridField& grid) {
    const int ncid = e.ncid;
    const Domain& d = grid.domain;
    if (nc().redef(ncid) < 0) return -1;
    const int values = e.varid[kVValues];
    const float fill = kMissingF;
    nc().attput(ncid, values, "missing_value", NC_FLOAT, 1, &fill);
    if (grid.units[0] != '\0') put_text_att(ncid, values, "units", cf_units(grid.units).c_str());
    if (const char* name = cf_standard_name(grid.variable)) put_text_att(ncid, values, "standard_name", name);
    int lat = -1;
    int lon = -1;
    if (is_earth_projection(d.proj)) {
        const int x = nc().dimid(ncid, "x");
        const int y = nc().dimid(ncid, "y");
        lat = define_coordinate(ncid, x, y, "lat", "latitude", "degrees_north");
        lon = define_coordinate(ncid, x, y, "lon", "longitude", "degrees_east");
        if (lat < 0 || lon < 0) return -1;
        put_text_att(ncid, values, "coordinates", "lat lon");
        const int crs = nc().vardef(ncid, "crs", NC_INT, 0, nullptr);
        if (crs < 0) return -1;
        if (put_grid_mapping(ncid, crs, d)) put_text_att(ncid, values, "grid_mapping", "crs");
    }
    if (nc().endef(ncid) < 0) return -1;
    if (lat < 0) return 0;
    const std::size_t n = point_count(d);
    std::vector<float> lons(n);
    std::vector<float> lats(n);
    point_coordinates(grid, lons.data(), lats.data());
    const long start[] = {0, 0};
    const long count[] = {d.nx, d.ny};
    const bool written = nc().varput(ncid, lat, start, count, lats.data()) >= 0 &&
                         nc().varput(ncid, lon, start, count, lons.data()) >= 0;
    return written ? 0 : -1;
}

int write_netcdf(OpenGrid& e, const GridField& grid) {
    const Domain& d = grid.domain;
    if (d.nx != e.nx || d.ny != e.ny) return -1;  // the file holds grids of one shape
    if (e.record == 0) {
        if (describe_for_cf(e, grid) < 0) return -1;
        e.region = d;
    } else if (DOM_comp(&e.region, &d) != 1) {
        // The coordinates describe the first grid's region.
        MESS_print(kFileWarn, "GRD_write: a netCDF grid file holds grids of one region\n");
        return -1;
    }
    const long start[] = {e.record, 0, 0};
    const long count[] = {1, d.nx, d.ny};
    int bad = 0;
    bad |= nc().varput(e.ncid, e.varid[kVValues], start, count, grid.values) < 0 ? 1 : 0;
    bad |= put_text(e, kVDatim, grid.label) < 0 ? 1 : 0;
    bad |= put_text(e, kVInfo, grid.info) < 0 ? 1 : 0;
    if (e.layout == 0) {
        put_short(e, kVProj, d.proj);
        put_float(e, kVLat1, d.clat);
        put_float(e, kVLat2, d.plat);
        put_float(e, kVLon1, d.clon);
        put_float(e, kVLon2, d.plon);
        put_float(e, kVDx, d.dx);
        put_float(e, kVDy, d.dy);
    } else {
        const std::size_t n = point_count(d);
        float* lon = static_cast<float*>(std::malloc(n * sizeof(float)));
        float* lat = static_cast<float*>(std::malloc(n * sizeof(float)));
        if (lon != nullptr && lat != nullptr) {
            point_coordinates(grid, lon, lat);
            bad |= nc().varput(e.ncid, e.varid[kVXCoord], start, count, lon) < 0 ? 1 : 0;
            bad |= nc().varput(e.ncid, e.varid[kVYCoord], start, count, lat) < 0 ? 1 : 0;
        } else {
            bad = 1;
        }
        std::free(lon);
        std::free(lat);
    }
    const int shorts[][2] = {{kVSource, grid.source}, {kVVersion, grid.version},
                             {kVModel, grid.model}, {kVType, grid.grid_number},
                             {kVLtype, grid.level_type}, {kVLevel, grid.level},
                             {kVTime, grid.hour}, {kVVar, grid.variable},
                             {kVNx, d.nx}, {kVNy, d.ny}};
    for (const auto& s : shorts) bad |= put_short(e, s[0], s[1]) < 0 ? 1 : 0;
    ++e.record;
    return bad != 0 ? -1 : 0;
}

bool get_float(int ncid, const char* var, long record, float* out) {
    const int id = nc().varid(ncid, var);
    return id >= 0 && nc().varget1(ncid, id, &record, out) >= 0;
}

bool get_short(int ncid, const char* var, long record, std::int32_t* out) {
    const int id = nc().varid(ncid, var);
    short v = 0;
    if (id < 0 || nc().varget1(ncid, id, &record, &v) < 0) return false;
    *out = v;
    return true;
}

bool get_text(int ncid, const char* var, long record, char* out, std::size_t size) {
    const int id = nc().varid(ncid, var);
    char buffer[kStringLen + 1] = {};
    const long start[] = {record, 0};
    const long count[] = {1, kStringLen};
    if (id < 0 || nc().varget(ncid, id, start, count, buffer) < 0) return false;
    strntcpy(out, buffer, size);
    return true;
}

long dimension(int ncid, const char* name) {
    const int id = nc().dimid(ncid, name);
    long len = -1;
    if (id < 0 || nc().diminq(ncid, id, nullptr, &len) < 0) return -1;
    return len;
}

int read_netcdf(OpenGrid& e, GridField* grid) {
    const long records = dimension(e.ncid, "grid");
    if (records < 0) return -1;
    if (e.record >= records) return 0;
    const long r = e.record;
    GridField out;
    GRD_init(&out);
    Domain& d = out.domain;
    d.nx = static_cast<std::int32_t>(dimension(e.ncid, "x"));
    d.ny = static_cast<std::int32_t>(dimension(e.ncid, "y"));
    const std::size_t n = point_count(d);
    if (n == 0) return -1;
    bool ok = get_short(e.ncid, "proj", r, &d.proj) && get_float(e.ncid, "lat1", r, &d.clat) &&
              get_float(e.ncid, "lat2", r, &d.plat) && get_float(e.ncid, "lon1", r, &d.clon) &&
              get_float(e.ncid, "lon2", r, &d.plon) && get_float(e.ncid, "dx", r, &d.dx) &&
              get_float(e.ncid, "dy", r, &d.dy) && get_text(e.ncid, "datim", r, out.label, sizeof out.label) &&
              get_text(e.ncid, "info", r, out.info, sizeof out.info) &&
              get_short(e.ncid, "source", r, &out.source) && get_short(e.ncid, "version", r, &out.version) &&
              get_short(e.ncid, "model", r, &out.model) && get_short(e.ncid, "type", r, &out.grid_number) &&
              get_short(e.ncid, "ltype", r, &out.level_type) && get_short(e.ncid, "level", r, &out.level) &&
              get_short(e.ncid, "time", r, &out.hour) && get_short(e.ncid, "var", r, &out.variable);
    const int id = nc().varid(e.ncid, "values");
    float* values = ok && id >= 0 ? static_cast<float*>(std::malloc(n * sizeof(float))) : nullptr;
    const long start[] = {r, 0, 0};
    const long count[] = {1, d.nx, d.ny};
    if (values == nullptr || nc().varget(e.ncid, id, start, count, values) < 0) {
        std::free(values);
        return -1;
    }
    out.values = values;
    ++e.record;
    GRD_free(grid);
    *grid = out;
    return 1;
}

// ---- a netCDF file's header, checked before the library reads it ----

// The classic formats (CDF-1, the 64-bit offset CDF-2 and CDF-5) describe
// their dimensions, attributes and variables by counts, sizes and offsets
// that the library believes: a damaged count makes it allocate without end.
// Every number is checked against the bytes the file really holds.
class NetcdfHeader {
public:
    explicit NetcdfHeader(std::FILE* f) : f_(f) {
        if (std::fseek(f, 0, SEEK_END) == 0) size_ = std::ftell(f);
        std::rewind(f);
    }

    // Null when the header fits the file, else what does not.
    const char* check() {
        unsigned char magic[4];
        if (!bytes(magic, 4) || std::memcmp(magic, "CDF", 3) != 0) return "no netCDF signature";
        version_ = magic[3];
        if (version_ != 1 && version_ != 2 && version_ != 5) return "unknown netCDF version";
        std::uint64_t numrecs = 0;
        if (!count(&numrecs)) return "the file ends in its header";
        streaming_ = version_ != 5 ? numrecs == 0xFFFFFFFFU : numrecs == ~std::uint64_t{0};
        numrecs_ = numrecs;
        if (const char* fault = dimensions()) return fault;
        if (const char* fault = attributes()) return fault;
        if (const char* fault = variables()) return fault;
        return records();
    }

private:
    static constexpr std::uint32_t kDimensionTag = 0x0A;
    static constexpr std::uint32_t kVariableTag = 0x0B;
    static constexpr std::uint32_t kAttributeTag = 0x0C;
    static constexpr std::uint64_t kMaxName = 256;
    static constexpr std::uint64_t kMaxDims = 1024;

    struct Var {
        std::uint64_t begin = 0;
        std::uint64_t bytes = 0;  // one record's worth for record variables
        bool record = false;
    };

    long remaining() const { return size_ - std::ftell(f_); }
    bool bytes(void* out, std::size_t n) { return std::fread(out, 1, n, f_) == n; }
    bool skip(std::uint64_t n) {
        if (n > static_cast<std::uint64_t>(remaining())) return false;
        return std::fseek(f_, static_cast<long>(n), SEEK_CUR) == 0;
    }
    bool big_endian(int width, std::uint64_t* out) {
        unsigned char b[8];
        if (!bytes(b, static_cast<std::size_t>(width))) return false;
        *out = 0;
        for (int k = 0; k < width; ++k) *out = (*out << 8) | b[k];
        return true;
    }
    bool word(std::uint64_t* out) { return big_endian(4, out); }
    bool count(std::uint64_t* out) { return big_endian(version_ == 5 ? 8 : 4, out); }
    bool offset(std::uint64_t* out) { return big_endian(version_ == 1 ? 4 : 8, out); }
    // A count of elements that each take at least `least` bytes of the rest.
    bool elements(std::uint64_t* n, std::uint64_t least) {
        return count(n) && *n <= static_cast<std::uint64_t>(remaining()) / least;
    }
    static std::uint64_t padded(std::uint64_t n) { return (n + 3) / 4 * 4; }
    static std::uint64_t type_size(std::uint64_t type) {
        switch (type) {
        case 1: case 2: case 7: return 1;  // byte, char, unsigned byte
        case 3: case 8: return 2;          // short, unsigned short
        case 4: case 5: case 9: return 4;  // int, float, unsigned int
        case 6: case 10: case 11: return 8;  // double, 64-bit integers
        default: return 0;
        }
    }
    bool valid_type(std::uint64_t type) const { return type_size(type) != 0 && (version_ == 5 || type <= 6); }

    bool name() {
        std::uint64_t n = 0;
        return count(&n) && n >= 1 && n <= kMaxName && skip(padded(n));
    }
    // The list's tag and length: false when neither a list nor ABSENT.
    bool list(std::uint32_t tag, std::uint64_t least, std::uint64_t* n) {
        std::uint64_t t = 0;
        if (!word(&t)) return false;
        if (t == 0) return count(n) && *n == 0;
        return t == tag && elements(n, least);
    }

    const char* dimensions() {
        std::uint64_t n = 0;
        if (!list(kDimensionTag, 8, &n) || n > kMaxDims) return "bad dimension list";
        int unlimited = 0;
        for (std::uint64_t k = 0; k < n; ++k) {
            std::uint64_t length = 0;
            if (!name() || !count(&length)) return "bad dimension";
            if (length == 0 && ++unlimited > 1) return "more than one unlimited dimension";
            dims_.push_back(length);
        }
        return nullptr;
    }

    const char* attributes() {
        std::uint64_t n = 0;
        if (!list(kAttributeTag, 12, &n)) return "bad attribute list";
        for (std::uint64_t k = 0; k < n; ++k) {
            std::uint64_t type = 0;
            std::uint64_t values = 0;
            if (!name() || !word(&type) || !valid_type(type) || !count(&values)) return "bad attribute";
            const std::uint64_t room = static_cast<std::uint64_t>(remaining());
            if (values > room / type_size(type) || !skip(padded(values * type_size(type))))
                return "attribute values beyond the end of the file";
        }
        return nullptr;
    }

    const char* variables() {
        std::uint64_t n = 0;
        if (!list(kVariableTag, 16, &n)) return "bad variable list";
        for (std::uint64_t k = 0; k < n; ++k) {
            std::uint64_t rank = 0;
            if (!name() || !elements(&rank, version_ == 5 ? 8 : 4) || rank > kMaxDims) return "bad variable";
            Var v;
            std::uint64_t cells = 1;
            for (std::uint64_t d = 0; d < rank; ++d) {
                std::uint64_t id = 0;
                if (!count(&id) || id >= dims_.size()) return "variable of an unknown dimension";
                const std::uint64_t length = dims_[id];
                if (length == 0) {
                    if (d != 0) return "record dimension not first";
                    v.record = true;
                } else if (__builtin_mul_overflow(cells, length, &cells)) {
                    return "variable larger than any file";
                }
            }
            if (const char* fault = attributes()) return fault;
            std::uint64_t type = 0;
            std::uint64_t vsize = 0;
            if (!word(&type) || !valid_type(type) || !count(&vsize) || !offset(&v.begin)) return "bad variable";
            if (__builtin_mul_overflow(cells, type_size(type), &v.bytes)) return "variable larger than any file";
            vars_.push_back(v);
        }
        header_end_ = static_cast<std::uint64_t>(std::ftell(f_));
        return nullptr;
    }

    // Every variable's values lie after the header and within the file.
    const char* records() const {
        std::uint64_t record_size = 0;
        int record_vars = 0;
        for (const Var& v : vars_)
            if (v.record) {
                record_size += padded(v.bytes);
                ++record_vars;
            }
        if (record_vars == 1) record_size = std::find_if(vars_.begin(), vars_.end(), [](const Var& v) { return v.record; })->bytes;
        const auto file = static_cast<std::uint64_t>(size_);
        for (const Var& v : vars_) {
            std::uint64_t end = 0;
            std::uint64_t before_last = 0;
            const std::uint64_t records = v.record ? (streaming_ ? 0 : numrecs_) : 1;
            if (records == 0) {
                if (v.begin < header_end_ || v.begin > file) return "variable offset beyond the end of the file";
                continue;
            }
            if (v.begin < header_end_ ||
                __builtin_mul_overflow(records - 1, v.record ? record_size : 0, &before_last) ||
                __builtin_add_overflow(v.begin, before_last, &end) || __builtin_add_overflow(end, v.bytes, &end) ||
                end > file)
                return "variable values beyond the end of the file";
        }
        return nullptr;
    }

    std::FILE* f_;
    long size_ = 0;
    int version_ = 0;
    std::uint64_t numrecs_ = 0;
    bool streaming_ = false;
    std::uint64_t header_end_ = 0;
    std::vector<std::uint64_t> dims_;
    std::vector<Var> vars_;
};

// True when the file's netCDF header fits its size; else says why.
bool netcdf_header_fits(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    const char* fault = NetcdfHeader(f).check();
    std::fclose(f);
    if (fault != nullptr) MESS_print(kFileWarn, "GRD_open: damaged netCDF grid file %s: %s\n", path, fault);
    return fault == nullptr;
}

// The library is loaded for the first netCDF file; a run that cannot load it
// is told why at every file it asks for.
bool netcdf_loaded() {
    if (netcdf_lib() != nullptr) return true;
    MESS_print(kFileWarn, "GRD_open: the netCDF library cannot be loaded: %s\n", netcdf_lib_error());
    return false;
}

// ---- opening by the overwrite rule ----

// Opens `path` for writing as FILE_overwrite decides, with the caller's
// messages: the entry, or -1.
int open_for_output(const char* caller, const char* path, int kind, bool quiet_create) {
    const int rule = FILE_overwrite(path, 1);
    if (rule != 0 && rule != 1 && rule != 2) {
        MESS_print(kFileWarn, "%s: Unable to overwrite grid file: %s\n", caller, path);
        return -1;
    }
    const bool append = rule == 2;
    // On standard output the message would be mixed into the grid.
    if (!quiet_create && FILE_is_stdio(path) == 0)
        MESS_print(kMessMess, append ? "Appending to grid file: %s\n" : "Creating grid file: %s\n", path);
    int k = kind;
    const int entry = GRD_open(path, append ? 2 : 1, &k);
    if (entry < 0)
        MESS_print(kFileWarn, append ? "%s: Unable to open grid file: %s\n" : "%s: Unable to create grid file: %s\n",
                   caller, path);
    return entry;
}

bool use_existing_file(const char* path) {
    const int param = FLAG_get(kFlagFileParam);
    if (param == 1) return false;
    if (param == 0 && FLAG_batch() == 0) {
        char prompt[kFileNameSize + 32];
        std::snprintf(prompt, sizeof prompt, "%s: exists overwrite (Y/N): ", path);
        char reply[kMenuReplySize] = "";
        ORV_promptl(prompt, reply);
        if (reply[0] == 'Y' || reply[0] == 'y') return false;
    }
    return true;
}

// The given domain as the file records it, beside the file's own.
bool same_region(int kind, const Domain& file, const Domain& wanted) {
    if (kind == kGridNetcdf) {
        const Domain a = netcdf_domain(file);
        const Domain b = netcdf_domain(wanted);
        return DOM_comp(&a, &b) == 1;
    }
    Domain recorded;
    return parse_projection_line(projection_line(wanted).c_str(), &recorded) &&
           DOM_comp(&file, &recorded) == 1;
}

// One printf conversion for a float: flags, width, precision and f/e/g.
bool valid_value_format(const char* format) {
    const char* p = std::strchr(format, '%');
    if (p == nullptr || std::strchr(p + 1, '%') != nullptr) return false;
    ++p;
    while (*p != '\0' && std::strchr("-+ #0", *p) != nullptr) ++p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    if (*p == '.') ++p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
    return *p != '\0' && std::strchr("fFeEgG", *p) != nullptr;
}

}  // namespace

int GRD_chktype(const char* path) {
    if (path == nullptr || FILE_is_stdio(path) != 0) return -1;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return -1;
    char head[201] = {};
    const std::size_t n = std::fread(head, 1, 200, f);
    std::fclose(f);
    if (n == 0) return -1;
    const std::string_view text(head, n);
    if (text.rfind("ORVGRID4", 0) == 0) return kGridText4;
    if (text.rfind(kTextHeader, 0) == 0) return kGridText;
    if (text.rfind("CDF", 0) == 0) return kGridNetcdf;
    if (text.rfind("GRIB", 0) == 0 || head[0] == '*' || head[0] == 0x01) return kGridGrib;
    if (text.rfind("GRID", 0) == 0) return kGridOtherText;
    if (text.find("GRIB") != std::string_view::npos) return kGridGrib;
    if (std::isdigit(static_cast<unsigned char>(head[0])) || head[0] == ' ') return kGridPlainText;
    return -1;
}

const char* GRD_netcdf_unavailable() { return netcdf_lib() != nullptr ? nullptr : netcdf_lib_error(); }

int GRD_open(const char* path, int mode, int* kind) {
    auto free_entry = std::find_if(g.open.begin(), g.open.end(), [](const OpenGrid& e) { return !e.used; });
    if (free_entry == g.open.end() || kind == nullptr || mode < 0 || mode > 2) return -1;
    OpenGrid e;
    e.mode = mode;
    const bool standard = path == nullptr || FILE_is_stdio(path) != 0;
    if (standard) {
        if (*kind != kGridText && *kind != kGridBinary && *kind != kGridGrib) *kind = kGridText;
        e.stream = FILE_open("-", mode == 0 ? "r" : "w");
        e.standard = true;
    } else if (mode == 0) {
        *kind = GRD_chktype(path);
        if (*kind == kGridNetcdf) {
            if (!netcdf_header_fits(path) || !netcdf_loaded()) return -1;
            e.ncid = nc().open(path, NC_NOWRITE);
            if (e.ncid < 0) return -1;
        } else {
            e.stream = std::fopen(path, "rb");
        }
    } else if (*kind == kGridNetcdf) {
        if (mode == 2 || !netcdf_loaded()) return -1;
        e.ncid = nc().create(path, NC_CLOBBER);
        if (e.ncid < 0) return -1;
    } else if (mode == 2) {
        if (!is_text_kind(*kind)) return -1;
        e.stream = FILE_open(path, "ab");
        e.needs_header = e.stream != nullptr && std::ftell(e.stream) == 0;
    } else {
        e.stream = FILE_open(path, "wb");
    }
    if (*kind != kGridNetcdf && e.stream == nullptr) return -1;
    e.kind = *kind;
    e.used = true;
    if (mode == 0 && is_text_kind(e.kind)) {
        std::string header;
        if (!read_line(e.stream, &header) || header.rfind(kTextHeader, 0) != 0) {
            *free_entry = e;
            GRD_close(static_cast<int>(free_entry - g.open.begin()));
            return -1;
        }
    }
    *free_entry = e;
    return static_cast<int>(free_entry - g.open.begin());
}

int GRD_putinfo(int entry, const GridInfo* info) {
    OpenGrid* e = entry_of(entry);
    if (e == nullptr || info == nullptr) return -1;
    if (e->kind == kGridNetcdf) return netcdf_header(*e, *info);
    if (!is_text_kind(e->kind) || !e->needs_header) return 0;
    e->needs_header = false;
    std::fwrite(kTextHeader.data(), 1, kTextHeader.size(), e->stream);
    std::fputc('\n', e->stream);
    return std::ferror(e->stream) != 0 ? -1 : 0;
}

int GRD_write(int entry, const GridField* grid) {
    OpenGrid* e = entry_of(entry);
    if (e == nullptr || grid == nullptr || grid->values == nullptr || point_count(grid->domain) == 0 ||
        e->mode == 0)
        return -1;
    if (is_text_kind(e->kind)) return write_text(*e, *grid);
    if (e->kind == kGridNetcdf) return write_netcdf(*e, *grid);
    return -1;
}

int GRD_read(int entry, GridField* grid) {
    OpenGrid* e = entry_of(entry);
    if (e == nullptr || grid == nullptr || e->mode != 0) return -1;
    if (is_text_kind(e->kind)) return read_text(*e, grid);
    if (e->kind == kGridNetcdf) return read_netcdf(*e, grid);
    return -1;
}

int GRD_close(int entry) {
    OpenGrid* e = entry_of(entry);
    if (e == nullptr) return -1;
    int result = 0;
    if (e->kind == kGridNetcdf && e->ncid >= 0) {
        result = nc().close(e->ncid) < 0 ? -1 : 0;
    } else if (e->stream != nullptr) {
        if (e->standard)
            std::fflush(e->stream);
        else
            result = std::fclose(e->stream) != 0 ? -1 : 0;
    }
    *e = OpenGrid{};
    return result;
}

int GRD_set_format(const char* format) {
    if (format == nullptr || *format == '\0') {
        g.format[0] = '\0';
        return 1;
    }
    if (std::strlen(format) > 15 || !valid_value_format(format)) return 0;
    copy_text(g.format, format);
    return 1;
}

int GRD_save_file(const char* name, const GridField* grid, const GridInfo* info, int kind) {
    if (kind == kGridNone) return 0;
    const std::string path = grid_path(name);
    const int entry = open_for_output("GRD_save_file", path.c_str(), kind, false);
    if (entry < 0) return 0;
    // The header describes the grid written, whatever domain the caller's record was made for.
    GridInfo header;
    GRD_set_info(&header, info != nullptr ? &info->date : (grid != nullptr ? &grid->date : nullptr),
                 grid != nullptr ? &grid->domain : nullptr);
    if (info != nullptr) {
        header.count = info->count;
        header.layout = info->layout;
    }
    const bool written = GRD_putinfo(entry, &header) == 0 && GRD_write(entry, grid) == 0;
    const bool closed = GRD_close(entry) == 0;
    if (!written || !closed) {
        MESS_print(kFileWarn, "GRD_save_file: Unable to write grid file: %s\n", path.c_str());
        return 0;
    }
    return 1;
}

int GRD_open_out_file(const char* name, int kind) {
    const std::string path = grid_path(name);
    return open_for_output("GRD_open_out_file", path.c_str(), kind, true);
}

int GRD_read_check(const char* name, int slot, const Domain* domain) {
    if (name == nullptr || domain == nullptr || slot < 0 || slot >= kGridSlots) return 0;
    const std::string path = grid_path(name);
    if (FILE_is_stdio(path.c_str()) != 0 || FILE_exist(path.c_str()) == 0) return 0;
    if (!use_existing_file(path.c_str())) return 0;
    int kind = kGridNone;
    const int entry = GRD_open(path.c_str(), 0, &kind);
    if (entry < 0) {
        MESS_print(kMessWarn, "GRD_read_check: Grid file does not exist: %s\n", path.c_str());
        return 0;
    }
    GridField grid;
    GRD_init(&grid);
    const int read = GRD_read(entry, &grid);
    GRD_close(entry);
    if (read != 1) {
        MESS_print(kMessWarn, "GRD_read_check: Unable to read grid file: %s\n", path.c_str());
        std::free(grid.values);
        return 0;
    }
    if (!same_region(kind, grid.domain, *domain)) {
        MESS_print(kMessWarn, "GRD_read_check: %s file does not correspond to selected region\n", path.c_str());
        std::free(grid.values);
        return 0;
    }
    GridField* target = GRD_get_grid(slot);
    GRD_free(target);
    grid.domain = *domain;
    if (grid.source == 0) grid.source = 1;
    GRD_move(target, &grid);
    return 1;
}

void GRD_file_reset_for_tests() {
    for (int k = 0; k < kGridMaxOpen; ++k) GRD_close(k);
    g = FileState{};
}

}  // namespace orv
