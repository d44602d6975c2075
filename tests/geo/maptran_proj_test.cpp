// The earth projections against PROJ's command-line tool on the same sphere
// (radius 6371.22 km): points across each domain go forward through both.
// (The inverses are checked by the round trips of the projection tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "geo/maptran.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

namespace fs = std::filesystem;

constexpr double kMetresPerUnit = 1.0e5;
constexpr double kToleranceM = 1.0;
constexpr double kOrbit = 421.61;                                   // map units
constexpr double kSatHeightM = kOrbit * kMetresPerUnit - 6371220.0;  // above the sphere
// The map module's ellipsoid: equatorial radius squared 4068.063 units and
// (polar / equatorial radius) squared 0.99330556, a hair inside WGS 84.
constexpr double kEquatorM = 6378136.875295167;
constexpr double kSatHeightEllipsoidM = kOrbit * kMetresPerUnit - kEquatorM;

struct Pair {
    double a;
    double b;
};

// How the plane of the map module relates to PROJ's output in metres.
enum class Plane {
    kMetres,        // map units of 100 km
    kScanAngle,     // geostationary: scan angle times the orbit radius
    kTangent,       // geostationary: tangent of the scan angle times the orbit radius
};

struct Case {
    const char* name;
    Domain domain;
    const char* proj_args;
    Plane plane;
    bool relative;  // PROJ's false origin differs: compare offsets from the centre
    double height_m = kSatHeightM;
};

Domain domain_of(int proj, float plat, float plon, float clat, float clon, int nx, int ny, float dx,
                 float p1 = -9999.0F, float p2 = -9999.0F, int ellipsoid = 0) {
    Domain d;
    std::tie(d.proj, d.plat, d.plon, d.clat, d.clon, d.nx, d.ny) = std::tuple(proj, plat, plon, clat, clon, nx, ny);
    std::tie(d.dx, d.dy, d.params[0], d.params[1], d.ellipsoid) = std::tuple(dx, dx, p1, p2, ellipsoid);
    return d;
}

const Case kCases[] = {
    {"PolarNorth", domain_of(kProjPolarStereo, 90, -105, 45, -100, 25, 17, 2.3F),
     "+proj=stere +lat_0=90 +lat_ts=60 +lon_0=-105 +R=6371220", Plane::kMetres, false},
    {"PolarSouth", domain_of(kProjPolarStereo, -90, 140, -70, 140, 25, 17, 2.0F),
     "+proj=stere +lat_0=-90 +lat_ts=-60 +lon_0=140 +R=6371220", Plane::kMetres, false},
    {"LambertSecant", domain_of(kProjLambert, 40, -97, 38.5F, -97, 25, 17, 2.3F, 33, 45),
     "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=40 +lon_0=-97 +R=6371220", Plane::kMetres, true},
    {"LambertTangent", domain_of(kProjLambert, 25, -95, 35, -95, 50, 40, 0.8F, 25, 25),
     "+proj=lcc +lat_1=25 +lat_2=25 +lat_0=25 +lon_0=-95 +R=6371220", Plane::kMetres, true},
    {"LambertSouth", domain_of(kProjLambert, -30, 135, -28, 135, 25, 17, 1.6F, -20, -40),
     "+proj=lcc +lat_1=-20 +lat_2=-40 +lat_0=-30 +lon_0=135 +R=6371220", Plane::kMetres, true},
    {"Mercator", domain_of(kProjMercator, -9999, -100, 30, -100, 25, 17, 3.0F),
     "+proj=merc +lon_0=-100 +R=6371220", Plane::kMetres, false},
    {"Orthographic", domain_of(kProjOrthographic, 40, -100, 40, -100, 25, 25, 5.0F),
     "+proj=ortho +lat_0=40 +lon_0=-100 +R=6371220", Plane::kMetres, false},
    {"LambertAzimuthal", domain_of(kProjLambertAzimuthal, 45, -100, 45, -100, 25, 25, 5.0F),
     "+proj=laea +lat_0=45 +lon_0=-100 +R=6371220", Plane::kMetres, false},
    // The plane's Mollweide ellipse has semi-axes 2R and R: the projection of
    // a sphere of radius R / sqrt(2).
    {"Mollweide", domain_of(kProjMollweide, -9999, -100, 0, -100, 25, 17, 10.0F),
     "+proj=moll +lon_0=-100 +R=4505132.866431355", Plane::kMetres, false},
    {"GeostationaryScan", domain_of(kProjSatellite, 0, -75, 0, -75, 25, 25, 5.0F, kOrbit, 1),
     "+proj=geos +h=35789780 +lon_0=-75 +R=6371220", Plane::kScanAngle, false},
    {"GeostationaryPlane", domain_of(kProjSatellite, 0, -75, 0, -75, 25, 25, 5.0F),
     "+proj=geos +h=35789780 +lon_0=-75 +R=6371220", Plane::kTangent, false},
    {"GeostationaryEllipsoid",
     domain_of(kProjSatellite, 0, 140, 0, 140, 25, 25, 5.0F, kOrbit, 1, 1),
     "+proj=geos +h=35782863.12470483 +lon_0=140 +a=6378136.875295167 +b=6356751.997939105",
     Plane::kScanAngle, false, kSatHeightEllipsoidM},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Metres on PROJ's plane to units on the map module's plane.
double to_map(const Case& c, double metres) {
    switch (c.plane) {
    case Plane::kMetres: return metres / kMetresPerUnit;
    case Plane::kScanAngle: return metres / c.height_m * kOrbit;
    case Plane::kTangent: return std::tan(metres / c.height_m) * kOrbit;
    }
    return metres;
}

class ProjPeer : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (!testing::have_program("proj"))
            GTEST_SKIP() << "PROJ's 'proj' program is not installed (Debian package proj-bin)";
        MAP_reset_for_tests();
    }
    void TearDown() override { MAP_reset_for_tests(); }

    // Runs proj over the pairs; a point without an image comes back as NaN.
    std::vector<Pair> run(const std::vector<Pair>& input, bool inverse) {
        const fs::path in = fs::path(dir_.path()) / "in.txt";
        {
            std::ofstream out(in);
            out.precision(17);
            for (const Pair& p : input) out << p.a << ' ' << p.b << '\n';
        }
        const std::string command = std::string("proj") + (inverse ? " -I" : "") + " -f '%.10f' " +
                                    GetParam().proj_args + " < " + in.string();
        std::vector<Pair> result;
        std::FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        char line[256];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            Pair p{NAN, NAN};
            if (std::sscanf(line, "%lf %lf", &p.a, &p.b) != 2) p = {NAN, NAN};
            result.push_back(p);
        }
        pclose(pipe);
        return result;
    }

    // Positions across the domain: a 5 x 5 lattice of grid points, corners
    // included, that have an image on the earth.
    std::vector<Pair> points_across_domain() {
        const Domain& d = GetParam().domain;
        std::vector<Pair> latlon;
        for (int a = 0; a <= 4; ++a)
            for (int b = 0; b <= 4; ++b) {
                float x = 0, y = 0, lat = 0, lon = 0;
                MAP_grid_tran(&x, &y, (d.nx - 1) * a / 4.0F, (d.ny - 1) * b / 4.0F);
                if (MAP_untran(&lat, &lon, x, y) == 1 && MAP_tran(&x, &y, lat, lon) == 1) latlon.push_back({lat, lon});
            }
        return latlon;
    }

    testing::ScratchDir dir_;
};

TEST_P(ProjPeer, ForwardAgreesToOneMetre) {
    const Case& c = GetParam();
    ASSERT_EQ(MAP_domain(&c.domain), 0);
    const std::vector<Pair> latlon = points_across_domain();
    ASSERT_GE(latlon.size(), 10U) << "too few points of the domain have an image";
    std::vector<Pair> ours;
    std::vector<Pair> lonlat;
    for (const Pair& p : latlon) {
        float x = 0, y = 0;
        ASSERT_EQ(MAP_tran(&x, &y, static_cast<float>(p.a), static_cast<float>(p.b)), 1);
        ours.push_back({x, y});
        lonlat.push_back({p.b, p.a});
    }
    float cx = 0, cy = 0;
    ASSERT_EQ(MAP_tran_center(&cx, &cy), 1);
    lonlat.push_back({c.domain.clon, c.domain.clat});
    const std::vector<Pair> theirs = run(lonlat, false);
    ASSERT_EQ(theirs.size(), lonlat.size());
    const Pair centre = theirs.back();
    for (std::size_t k = 0; k < ours.size(); ++k) {
        ASSERT_FALSE(std::isnan(theirs[k].a)) << c.name << ": PROJ has no image of " << latlon[k].a
                                              << "," << latlon[k].b;
        const double ex = to_map(c, theirs[k].a) - (c.relative ? to_map(c, centre.a) : 0.0);
        const double ey = to_map(c, theirs[k].b) - (c.relative ? to_map(c, centre.b) : 0.0);
        const double ox = ours[k].a - (c.relative ? cx : 0.0F), oy = ours[k].b - (c.relative ? cy : 0.0F);
        EXPECT_NEAR(ox * kMetresPerUnit, ex * kMetresPerUnit, kToleranceM)
            << c.name << " x at " << latlon[k].a << "," << latlon[k].b;
        EXPECT_NEAR(oy * kMetresPerUnit, ey * kMetresPerUnit, kToleranceM)
            << c.name << " y at " << latlon[k].a << "," << latlon[k].b;
    }
}

INSTANTIATE_TEST_SUITE_P(Projections, ProjPeer, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orv
