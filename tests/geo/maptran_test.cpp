#include "geo/maptran.hpp"

#include "core/mess.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr double kR = 63.7122;
constexpr double kDeg = 0.017453292519943334;

Domain make_domain(int proj, float clat, float clon, float plat = -9999.0F, float plon = -9999.0F) {
    Domain d;
    d.proj = proj;
    d.clat = clat;
    d.clon = clon;
    d.plat = plat;
    d.plon = plon;
    d.nx = 25;
    d.ny = 17;
    d.dx = 1.2F;
    d.dy = 1.2F;
    return d;
}

// Longitude difference folded into (-180, 180].
double lon_diff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

// Every visible point of the grid goes forward and comes back to itself.
// Returns the number of points that had an image.
int check_round_trips(const char* what, double lat_limit = 80.0) {
    int visible = 0;
    for (double lat = -lat_limit; lat <= lat_limit; lat += 10.0) {
        for (double lon = -175.0; lon <= 180.0; lon += 15.0) {
            float x = 0, y = 0, la = 0, lo = 0;
            if (MAP_tran(&x, &y, static_cast<float>(lat), static_cast<float>(lon)) != 1) continue;
            ++visible;
            EXPECT_EQ(MAP_untran(&la, &lo, x, y), 1) << what << " at " << lat << "," << lon;
            EXPECT_NEAR(la, lat, 2e-3) << what << " at " << lat << "," << lon;
            EXPECT_NEAR(lon_diff(lo, lon), 0.0, 2e-3) << what << " at " << lat << "," << lon;
        }
    }
    return visible;
}

// Grid-relative direction of a true bearing found by geometry alone: the
// plane direction of a short step along the bearing.
double plane_direction(double lat, double lon, double bearing) {
    const double step_km = 0.5;
    const double lat2 = lat + step_km * std::cos(bearing * kDeg) / 111.195;
    const double lon2 = lon + step_km * std::sin(bearing * kDeg) / (111.195 * std::cos(lat * kDeg));
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    MAP_tran(&x1, &y1, static_cast<float>(lat), static_cast<float>(lon));
    MAP_tran(&x2, &y2, static_cast<float>(lat2), static_cast<float>(lon2));
    return std::atan2(x2 - x1, y2 - y1) / kDeg;
}

double angle_diff(double a, double b) { return lon_diff(a, b); }

class MapTran : public ::testing::Test {
protected:
    void SetUp() override {
        MAP_reset_for_tests();
        MESS_reset_for_tests();
    }
    void TearDown() override { MAP_reset_for_tests(); }
};

TEST_F(MapTran, NoProjectionIsIdentityAndNullDomainFails) {
    float x = 0, y = 0;
    EXPECT_EQ(MAP_tran(&x, &y, 12.5F, -40.0F), 1);
    EXPECT_FLOAT_EQ(x, 12.5F);
    EXPECT_FLOAT_EQ(y, -40.0F);
    Domain d = make_domain(kProjPolarStereo, 40, -100);
    MAP_domain(&d);
    EXPECT_EQ(MAP_domain(nullptr), -1);
    EXPECT_EQ(MAP_get_proj(), -9999);
    EXPECT_EQ(MAP_in_domain(1e6F, 1e6F), 1);
}

Domain with_params(Domain d, float p1, float p2 = -9999.0F) {
    d.params[0] = p1;
    d.params[1] = p2;
    return d;
}

// Forward images of known points: the result, and x and y where given.
TEST_F(MapTran, ForwardKnownValues) {
    const double R = kR;
    const struct {
        const char* what;
        Domain d;
        float lat, lon;
        int result;
        double x, y;
    } cases[] = {
        {"polar centre", make_domain(kProjPolarStereo, 60, -100), 60, -100, 1, 0, -31.856},
        {"polar east", make_domain(kProjPolarStereo, 60, -100), 60, -10, 1, 31.856, 0},
        {"polar pole", make_domain(kProjPolarStereo, 60, -100), 90, 17, 1, 0, 0},
        {"polar true at 90", with_params(make_domain(kProjPolarStereo, 60, -100), 90), 60, -100, 1, 0,
         -2 * R * std::tan(15 * kDeg)},
        {"polar missing", make_domain(kProjPolarStereo, 45, -100), -9999, -100, 0, -9999, -9999},
        {"mercator", make_domain(kProjMercator, 0, 0), 45, 90, 1, R * M_PI / 2, 56.1544},
        {"mercator seam", make_domain(kProjMercator, 0, 170), 0, -170, 1, 20 * R * kDeg, 0},
        {"ortho far side", make_domain(kProjOrthographic, 0, 0, 0, 0), 0, 91, 0, -9999, -9999},
        {"ortho rim", make_domain(kProjOrthographic, 0, 0, 0, 0), 0, 89, 1, R * std::sin(89 * kDeg), 0},
        {"gnomonic centre", make_domain(kProjGnomonic, 40, -100), 40, -100, 1, 0, 0},
        {"gnomonic horizon", make_domain(kProjGnomonic, 40, -100), -50, -100, 0, NAN, NAN},
        {"gnomonic beyond", make_domain(kProjGnomonic, 40, -100), -40, 80, 0, -9999, -9999},
        {"gnomonic 45 along", make_domain(kProjGnomonic, 40, -100), 85, -100, 1, 0, R},
        {"mollweide pole", make_domain(kProjMollweide, 0, 0), 90, 45, 1, 0, R},
        {"mollweide edge", make_domain(kProjMollweide, 0, 0), 0, 180, 1, 2 * R, 0},
        {"lambaz antipode", make_domain(kProjLambertAzimuthal, 0, 0, 0, 0), 0, 180, 0, NAN, NAN},
        {"lambaz rim", make_domain(kProjLambertAzimuthal, 0, 0, 0, 0), 0, 90, 1, R * std::sqrt(2.0), 0},
        // cos(lat) cos(dlon) below R / orbit radius is beyond the limb
        {"sat beyond limb", make_domain(kProjSatellite, 0, -75), 0, 7, 0, -9999, -9999},
        {"sat inside limb", make_domain(kProjSatellite, 0, -75), 0, 5, 1, NAN, 0},
        {"sat centre", make_domain(kProjSatellite, 0, -75), 0, -75, 1, 0, 0},
        {"sat low orbit", with_params(make_domain(kProjSatellite, 0, -75), 100), 0, -15, 0, NAN, NAN},
        {"sat low orbit inside", with_params(make_domain(kProjSatellite, 0, -75), 100), 0, -30, 1, NAN, 0},
    };
    for (const auto& c : cases) {
        MAP_domain(&c.d);
        float x = 1, y = 1;
        EXPECT_EQ(MAP_tran(&x, &y, c.lat, c.lon), c.result) << c.what;
        if (!std::isnan(c.x)) {
            EXPECT_NEAR(x, c.x, 1e-3) << c.what;
        }
        if (!std::isnan(c.y)) {
            EXPECT_NEAR(y, c.y, 1e-3) << c.what;
        }
    }
    // the polar map stops at 75S; a huge longitude is folded, not looped over
    Domain d = make_domain(kProjPolarStereo, 45, -100);
    MAP_domain(&d);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    MAP_tran(&x1, &y1, -80.0F, -50.0F);
    MAP_tran(&x2, &y2, -75.0F, -50.0F);
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);
    MAP_tran(&x1, &y1, 40.0F, 190.0F);
    MAP_tran(&x2, &y2, 40.0F, -170.0F);
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);
    EXPECT_EQ(MAP_tran(&x1, &y1, 40.0F, 1e20F), 1);
    // Mercator stops short of the pole
    Domain merc = make_domain(kProjMercator, 0, 0);
    MAP_domain(&merc);
    MAP_tran(&x1, &y1, 90.0F, 0.0F);
    MAP_tran(&x2, &y2, 89.9F, 0.0F);
    EXPECT_EQ(y1, y2);
    // three points of the equator lie on one straight line of the gnomonic map
    Domain gnom = make_domain(kProjGnomonic, 40, -100);
    MAP_domain(&gnom);
    float p[3][2];
    const float lons[3] = {-150.0F, -120.0F, -90.0F};
    for (int k = 0; k < 3; ++k) ASSERT_EQ(MAP_tran(&p[k][0], &p[k][1], 0.0F, lons[k]), 1);
    const double cross = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]);
    EXPECT_NEAR(cross / (kR * kR), 0.0, 1e-4);
}

// Inverse images: points off the disc or beyond the rim have none.
TEST_F(MapTran, InverseKnownValues) {
    const float R = static_cast<float>(kR);
    const struct {
        const char* what;
        Domain d;
        float x, y;
        int result;
        double lat, lon;
    } cases[] = {
        {"ortho off the disc", make_domain(kProjOrthographic, 0, 0, 0, 0), 50, 50, 0, -9999, NAN},
        {"mollweide top", make_domain(kProjMollweide, 0, 0), 0, R, 1, 90, NAN},
        {"mollweide beyond the side", make_domain(kProjMollweide, 0, 0), 2.5F * R, 0, 0, NAN, NAN},
        {"mollweide beyond the top", make_domain(kProjMollweide, 0, 0), 0, 1.01F * R, 0, NAN, NAN},
        {"lambaz centre", make_domain(kProjLambertAzimuthal, 0, 0, 0, 0), 0, 0, 1, 0, 0},
        {"lambaz beyond the rim", make_domain(kProjLambertAzimuthal, 0, 0, 0, 0), 130, 0, 0, NAN, NAN},
        {"sat sight past the side", make_domain(kProjSatellite, 0, -75), 70, 0, 0, NAN, NAN},
        {"sat sight past the top", make_domain(kProjSatellite, 0, -75), 0, 70, 0, NAN, NAN},
    };
    for (const auto& c : cases) {
        MAP_domain(&c.d);
        float lat = 1, lon = 1;
        EXPECT_EQ(MAP_untran(&lat, &lon, c.x, c.y), c.result) << c.what;
        if (!std::isnan(c.lat)) {
            EXPECT_NEAR(lat, c.lat, 1e-3) << c.what;
        }
        if (!std::isnan(c.lon)) {
            EXPECT_NEAR(lon, c.lon, 1e-3) << c.what;
        }
    }
}

TEST_F(MapTran, EveryEarthProjectionRoundTrips) {
    struct Case {
        const char* name;
        Domain d;
        double lat_limit;
    };
    std::vector<Case> cases;
    cases.push_back({"polar north", make_domain(kProjPolarStereo, 45, -100), 70});
    cases.push_back({"polar south", make_domain(kProjPolarStereo, -45, 30), 70});
    cases.push_back({"latlon", make_domain(kProjLatLon, 0, -30), 80});
    cases.push_back({"mercator", make_domain(kProjMercator, 0, 100), 80});
    cases.push_back({"lambert north", make_domain(kProjLambert, 40, -95), 80});
    cases.push_back({"lambert south", make_domain(kProjLambert, -40, 140), 80});
    Domain tangent = make_domain(kProjLambert, 25, -95);
    tangent.params[0] = tangent.params[1] = 25.0F;
    cases.push_back({"lambert tangent", tangent, 80});
    cases.push_back({"orthographic", make_domain(kProjOrthographic, 38, -97), 80});
    cases.push_back({"gnomonic", make_domain(kProjGnomonic, 50, 10), 80});
    cases.push_back({"mollweide", make_domain(kProjMollweide, 0, -60), 80});
    cases.push_back({"lambert azimuthal", make_domain(kProjLambertAzimuthal, 45, -100), 80});
    cases.push_back({"lambert azimuthal pole", make_domain(kProjLambertAzimuthal, 90, 0), 80});
    cases.push_back({"satellite", make_domain(kProjSatellite, 0, -75), 80});
    Domain scan = make_domain(kProjSatellite, 0, -75);
    scan.params[1] = 1.0F;
    cases.push_back({"satellite scan angles", scan, 80});
    Domain ell = make_domain(kProjSatellite, 0, 140);
    ell.ellipsoid = 1;
    cases.push_back({"satellite ellipsoid", ell, 80});
    ell.params[1] = 1.0F;
    cases.push_back({"satellite ellipsoid scan angles", ell, 80});
    for (const Case& c : cases) {
        MAP_domain(&c.d);
        const int visible = check_round_trips(c.name, c.lat_limit);
        EXPECT_GT(visible, 40) << c.name;
    }
}

TEST_F(MapTran, SouthernLambertMirrorsTheNorthernCone) {
    Domain north = make_domain(kProjLambert, 40, -95);
    north.params[0] = 30.0F;
    north.params[1] = 60.0F;
    Domain south = make_domain(kProjLambert, -40, -95);
    south.params[0] = -30.0F;
    south.params[1] = -60.0F;
    for (float lat : {20.0F, 35.0F, 50.0F}) {
        for (float lon : {-120.0F, -95.0F, -70.0F}) {
            float xn = 0, yn = 0, xs = 0, ys = 0;
            MAP_domain(&north);
            MAP_tran(&xn, &yn, lat, lon);
            MAP_domain(&south);
            MAP_tran(&xs, &ys, -lat, lon);
            EXPECT_NEAR(xs, xn, 1e-3);
            EXPECT_NEAR(ys, -yn, 1e-3);
        }
    }
}

TEST_F(MapTran, MapFactorIsOneOnTheTrueLatitudes) {
    Domain d = make_domain(kProjLambert, 40, -95);
    d.params[0] = 30.0F;
    d.params[1] = 60.0F;
    MAP_domain(&d);
    EXPECT_NEAR(MAP_factor(30.0F), 1.0, 1e-5);
    EXPECT_NEAR(MAP_factor(60.0F), 1.0, 1e-5);
    EXPECT_LT(MAP_factor(45.0F), 1.0F);
    // and the plane distance along a parallel matches the earth distance there
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    MAP_tran(&x1, &y1, 30.0F, -95.0F);
    MAP_tran(&x2, &y2, 30.0F, -94.0F);
    EXPECT_NEAR(std::hypot(x2 - x1, y2 - y1), kR * kDeg * std::cos(30 * kDeg), 1e-3);

    Domain polar = make_domain(kProjPolarStereo, -40, 100);
    MAP_domain(&polar);
    EXPECT_NEAR(MAP_factor(-60.0F), 1.0, 1e-5);
    EXPECT_NEAR(MAP_factor(-90.0F), 1.866 / 2.0, 1e-3);
    Domain merc = make_domain(kProjMercator, 0, 0);
    MAP_domain(&merc);
    EXPECT_EQ(MAP_factor(60.0F), 1.0F);
}

TEST_F(MapTran, CachesFollowOriginChanges) {
    Domain d = make_domain(kProjPolarStereo, 60, -100);
    MAP_domain(&d);
    float x = 0, y = 0;
    MAP_tran(&x, &y, 60.0F, -100.0F);
    EXPECT_LT(y, 0.0F);
    MAP_coord(-60.0F, -100.0F);
    MAP_tran(&x, &y, -60.0F, -100.0F);
    EXPECT_NEAR(y, 31.856, 1e-3);
    MAP_proj(kProjLambert);
    float la = 0, lo = 0;
    MAP_tran(&x, &y, -40.0F, -90.0F);
    ASSERT_EQ(MAP_untran(&la, &lo, x, y), 1);
    EXPECT_NEAR(la, -40.0, 1e-3);
    const float lats[2] = {20.0F, 50.0F};
    MAP_proj_coord(lats);
    MAP_tran(&x, &y, -40.0F, -90.0F);
    ASSERT_EQ(MAP_untran(&la, &lo, x, y), 1);
    EXPECT_NEAR(la, -40.0, 1e-3);
    EXPECT_EQ(MAP_get_domain(nullptr)->params[0], 20.0F);
}

TEST_F(MapTran, LimitsGridIndicesAndDomainTests) {
    Domain d = make_domain(kProjPolarStereo, 39, -97);
    d.dx = d.dy = 2.3F;
    MAP_domain(&d);
    float lim[4];
    MAP_get_limits(lim);
    float xc = 0, yc = 0;
    MAP_tran_center(&xc, &yc);
    EXPECT_NEAR(lim[1] - lim[0], 24 * 2.3, 1e-3);
    EXPECT_NEAR(lim[3] - lim[2], 16 * 2.3, 1e-3);
    EXPECT_NEAR((lim[0] + lim[1]) / 2, xc, 1e-4);
    EXPECT_NEAR((lim[2] + lim[3]) / 2, yc, 1e-4);

    float x = 0, y = 0, i = 0, j = 0;
    MAP_grid_tran(&x, &y, 0, 0);
    EXPECT_FLOAT_EQ(x, lim[0]);
    EXPECT_FLOAT_EQ(y, lim[3]);
    MAP_grid_tran(&x, &y, 24, 16);
    EXPECT_NEAR(x, lim[1], 1e-4);
    EXPECT_NEAR(y, lim[2], 1e-4);
    MAP_grid_untran(&i, &j, xc, yc);
    EXPECT_NEAR(i, 12.0, 1e-4);
    EXPECT_NEAR(j, 8.0, 1e-4);
    EXPECT_EQ(MAP_grid_tran(&x, &y, -9999.0F, 3.0F), -1);
    EXPECT_EQ(x, -9999.0F);
    EXPECT_EQ(MAP_grid_untran(&i, &j, -9999.0F, 3.0F), -1);

    EXPECT_EQ(MAP_in_domain(lim[0], lim[3]), 1);
    EXPECT_EQ(MAP_in_domain(lim[1], lim[2]), 1);
    EXPECT_EQ(MAP_in_domain(lim[1] + 0.01F, yc), 0);
    EXPECT_EQ(MAP_in_grid_domain(lim[1] + 3 * 2.3F - 0.01F, yc), 1);
    EXPECT_EQ(MAP_in_grid_domain(lim[1] + 3 * 2.3F + 0.01F, yc), 0);
    EXPECT_EQ(MAP_in_grid_domain(xc, lim[2] - 3 * 2.3F - 0.01F), 0);
}

TEST_F(MapTran, DomainReprojectionRestoresTheCurrentDomain) {
    Domain polar = make_domain(kProjPolarStereo, 40, -100);
    Domain latlon = make_domain(kProjLatLon, 40, -100);
    latlon.dx = latlon.dy = 1.0F;
    Domain current = make_domain(kProjMercator, 10, 20);
    MAP_domain(&current);
    float before[4], after[4];
    MAP_get_limits(before);

    MAP_domain(&polar);
    float px = 0, py = 0;
    MAP_tran(&px, &py, 35.0F, -90.0F);
    MAP_domain(&current);

    float x = 0, y = 0;
    ASSERT_EQ(MAP_domain_tran(&polar, &latlon, &x, &y, px, py), 1);
    EXPECT_NEAR(x, 10.0, 1e-3);  // 10 degrees east of -100
    EXPECT_NEAR(y, 35.0, 1e-3);
    EXPECT_EQ(MAP_get_proj(), kProjMercator);
    MAP_get_limits(after);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(before[k], after[k]);

    // equal domains copy; a missing origin equals the centre it defaults to
    Domain same = polar;
    same.plat = 40.0F;
    same.plon = -100.0F;
    ASSERT_EQ(MAP_domain_tran(&polar, &same, &x, &y, 1234.0F, 5.0F), 1);
    EXPECT_EQ(x, 1234.0F);
    EXPECT_EQ(y, 5.0F);

    // a point off the source's disc has no image in the target
    Domain ortho = make_domain(kProjOrthographic, 0, 0);
    EXPECT_EQ(MAP_domain_tran(&ortho, &latlon, &x, &y, 100.0F, 0.0F), 0);
    EXPECT_EQ(x, -9999.0F);
}

TEST_F(MapTran, OffsetMovesAlongTheBearing) {
    Domain d = make_domain(kProjLatLon, 40, -100);
    MAP_domain(&d);
    float x0 = 0, y0 = 0, x = 0, y = 0;
    MAP_tran(&x0, &y0, 40.0F, -100.0F);
    MAP_offset(&x, &y, x0, y0, 0.0F, 111.195F);
    EXPECT_NEAR(y - y0, 1.0, 1e-4);
    EXPECT_NEAR(x - x0, 0.0, 1e-4);
    MAP_offset(&x, &y, x0, y0, 90.0F, 111.195F);
    EXPECT_NEAR(x - x0, 1.0 / std::cos(40 * kDeg), 1e-4);
    // across the pole the step comes down the other side
    MAP_tran(&x0, &y0, 89.5F, -100.0F);
    MAP_offset(&x, &y, x0, y0, 0.0F, 111.195F);
    EXPECT_NEAR(y, 89.5, 1e-3);
    EXPECT_NEAR(x, 180.0, 1e-3);
}

// On conformal maps the rotation must match the plane direction of a short
// step along the bearing, in both hemispheres.
TEST_F(MapTran, WindDirectionsTurnToTheGridOnConformalMaps) {
    std::vector<Domain> domains = {make_domain(kProjLambert, 40, -95), make_domain(kProjLambert, -35, 140),
                                   make_domain(kProjPolarStereo, 45, -100), make_domain(kProjPolarStereo, -50, 20)};
    for (const Domain& d : domains) {
        MAP_domain(&d);
        const double sign = d.clat > 0 ? 1.0 : -1.0;
        for (double lon_off : {-30.0, 0.0, 25.0}) {
            const double lat = sign * 45.0;
            const double lon = d.clon + lon_off;
            float x = 0, y = 0;
            MAP_tran(&x, &y, static_cast<float>(lat), static_cast<float>(lon));
            for (double dir : {0.0, 90.0, 225.0}) {
                const double expect = plane_direction(lat, lon, dir);
                const float got = MAP_dir_adj(static_cast<float>(dir), x, y);
                EXPECT_NEAR(angle_diff(got, expect), 0.0, 0.05) << d.proj << " " << d.clat << " " << lon_off;
                EXPECT_NEAR(angle_diff(MAP_undir_adj(got, x, y), dir), 0.0, 1e-3);
            }
        }
    }
}

TEST_F(MapTran, WindRotationOnLambertKnownAngle) {
    Domain d = make_domain(kProjLambert, 40, -95);
    d.params[0] = d.params[1] = 25.0F;
    MAP_domain(&d);
    const double n = std::sin(25 * kDeg);
    float x = 0, y = 0;
    MAP_tran(&x, &y, 40.0F, -75.0F);
    // 20 degrees east of the vertical meridian the grid is turned by n * 20
    EXPECT_NEAR(MAP_dir_adj(0.0F, x, y), -n * 20.0, 1e-3);
    EXPECT_NEAR(MAP_dir_adj(270.0F, x, y), 270.0 - n * 20.0, 1e-3);
    EXPECT_EQ(MAP_uvdir_adj(1.0F, 2.0F, x, y), 0.0F);
}

TEST_F(MapTran, WindDirectionsOnNonConformalViews) {
    Domain sat = make_domain(kProjSatellite, 0, -75);
    Domain ortho = make_domain(kProjOrthographic, 45, -100);
    for (const Domain& d : {sat, ortho}) {
        MAP_domain(&d);
        float x = 0, y = 0;
        MAP_tran(&x, &y, 40.0F, d.clon + 30.0F);
        for (double dir : {0.0, 90.0, 300.0}) {
            const float got = MAP_dir_adj(static_cast<float>(dir), x, y);
            EXPECT_NEAR(angle_diff(got, plane_direction(40.0, d.clon + 30.0, dir)), 0.0, 0.1);
            EXPECT_NEAR(angle_diff(MAP_undir_adj(got, x, y), dir), 0.0, 0.1);
        }
    }
    MAP_domain(&sat);
    EXPECT_EQ(MAP_dir_adj(0.0F, 70.0F, 0.0F), -9999.0F);
    Domain merc = make_domain(kProjMercator, 0, 0);
    MAP_domain(&merc);
    EXPECT_EQ(MAP_dir_adj(123.0F, 10.0F, 20.0F), 123.0F);
}

TEST_F(MapTran, SegmentDirectionIsMeasuredFromTrueNorth) {
    Domain d = make_domain(kProjPolarStereo, 45, -100);
    MAP_domain(&d);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    MAP_tran(&x1, &y1, 40.0F, -60.0F);
    MAP_tran(&x2, &y2, 41.0F, -60.0F);
    EXPECT_NEAR(angle_diff(MAP_dir(x1, y1, x2, y2), 0.0), 0.0, 1e-2);
    MAP_tran(&x2, &y2, 39.0F, -60.0F);
    EXPECT_NEAR(angle_diff(MAP_dir(x1, y1, x2, y2), 180.0), 0.0, 1e-2);
    EXPECT_NEAR(MAP_uvdir_adj(0, 0, x1, y1), -40.0, 1e-3);
}

TEST_F(MapTran, DeclutterGridKeepsOneStationPerCell) {
    Domain d = make_domain(kProjPolarStereo, 40, -100);
    MAP_domain(&d);
    float x = 0, y = 0, x2 = 0, y2 = 0;
    MAP_grid_tran(&x, &y, 3.1F, 4.1F);
    MAP_grid_tran(&x2, &y2, 3.3F, 4.3F);  // same half-grid cell
    EXPECT_EQ(MAP_plot_grid(x, y), 1);     // off: everything plots
    EXPECT_EQ(MAP_plot_grid(x, y), 1);

    MAP_set_plot_limit(2);
    MAP_plot_grid_init();
    float corner_x = 0, corner_y = 0;
    MAP_grid_tran(&corner_x, &corner_y, 0.0F, 0.0F);  // the first grid point is in the grid
    EXPECT_EQ(MAP_plot_grid(corner_x, corner_y), 1);
    EXPECT_EQ(MAP_plot_grid(x, y), 1);
    EXPECT_EQ(MAP_plot_grid(x2, y2), 0);
    MAP_grid_tran(&x2, &y2, 3.6F, 4.1F);  // next half-grid cell
    EXPECT_EQ(MAP_plot_grid(x2, y2), 1);
    MAP_grid_tran(&x2, &y2, 24.0F, 16.0F);  // the last corner fits the 1700 cells
    EXPECT_EQ(MAP_plot_grid(x2, y2), 1);
    MAP_grid_tran(&x2, &y2, 24.5F, 3.0F);
    EXPECT_EQ(MAP_plot_grid(x2, y2), 0);  // outside the grid

    MAP_set_plot_limit(-3);
    MAP_plot_grid_init();
    MAP_grid_tran(&x2, &y2, 5.9F, 5.9F);
    EXPECT_EQ(MAP_plot_grid(x, y), 1);
    EXPECT_EQ(MAP_plot_grid(x2, y2), 0);  // both in the 3x3 block (1, 1)

    MAP_set_plot_limit(-1);
    MAP_plot_grid_init();
    EXPECT_EQ(MAP_plot_grid(x, y), 1);
    EXPECT_EQ(MAP_plot_grid(x, y), 1);

    MAP_set_plot_limit(1000000);  // far too fine to allocate: decluttering is off
    MAP_plot_grid_init();
    EXPECT_EQ(MAP_plot_grid(x, y), 1);
    EXPECT_EQ(MAP_plot_grid(x, y), 1);
}

TEST_F(MapTran, PlottingPlanesRoundTrip) {
    struct Case {
        int proj;
        float clat, clon, dx, dy;
        float a, b;
    };
    const Case cases[] = {
        {kProjXY, 0, 0, 50, 20, 12.5F, 7.0F},           {kProjCat, 5, 5, 10, 10, 7.0F, 9.0F},
        {kProjXP, 0, 0, 10, 10, 3.0F, 4.0F},            {kProjHodograph, -20, -20, 40, 40, 225.0F, 12.0F},
        {kProjXLogP, -40, 1050, 80, -950, 10, 500},     {kProjSkewT, -40, 1050, 80, -950, -10, 500},
        {kProjStuve, -40, 1050, 80, -950, 5, 700},      {kProjEmagram, -40, 1050, 80, -950, 5, 700},
        {kProjTephigram, -40, 1050, 80, -950, 5, 700},  {kProjRotTephigram, -40, 1050, 80, -950, 5, 700},
        {kProjPixel, 0, 0, 640, 480, 100, 200},
    };
    for (const Case& c : cases) {
        Domain d = make_domain(c.proj, c.clat, c.clon);
        d.dx = c.dx;
        d.dy = c.dy;
        MAP_set_view(0.1F, 0.9F, 0.1F, 0.8F);
        MAP_domain(&d);
        float x = 0, y = 0, a = 0, b = 0;
        ASSERT_EQ(MAP_tran(&x, &y, c.a, c.b), 1) << c.proj;
        ASSERT_EQ(MAP_untran(&a, &b, x, y), 1) << c.proj;
        EXPECT_NEAR(a, c.a, 1e-3 * std::max(1.0F, std::fabs(c.a))) << c.proj;
        EXPECT_NEAR(b, c.b, 1e-3 * std::max(1.0F, std::fabs(c.b))) << c.proj;
    }
}

TEST_F(MapTran, PlottingPlaneValues) {
    Domain d = make_domain(kProjHodograph, -20, -20);
    d.dx = d.dy = 40.0F;
    MAP_domain(&d);
    float x = 0, y = 0, a = 0, b = 0;
    MAP_tran(&x, &y, 90.0F, 10.0F);
    EXPECT_NEAR(x, 10.0, 1e-5);
    EXPECT_NEAR(y, 0.0, 1e-5);
    MAP_untran(&a, &b, -5.0F, 0.0F);
    EXPECT_NEAR(a, 270.0, 1e-4);
    MAP_untran(&a, &b, 0.0F, 0.0F);
    EXPECT_EQ(a, 0.0F);

    d = make_domain(kProjXY, 0, 0);
    d.nx = 10;
    d.dx = 100.0F;
    d.ny = 5;
    d.dy = 50.0F;
    MAP_domain(&d);
    float lim[4];
    MAP_get_limits(lim);
    EXPECT_EQ(lim[1], 10.0F);
    EXPECT_EQ(lim[3], 5.0F);
    MAP_tran(&x, &y, 100.0F, 50.0F);
    EXPECT_FLOAT_EQ(x, 10.0F);
    EXPECT_FLOAT_EQ(y, 5.0F);

    d = make_domain(kProjXLogP, 0, 1000);
    MAP_domain(&d);
    EXPECT_EQ(MAP_tran(&x, &y, 0.0F, 0.0F), 0);  // no logarithm of zero pressure
    MAP_tran(&x, &y, 3.0F, 100.0F);
    EXPECT_NEAR(y, -std::log(100.0), 1e-5);

}

TEST_F(MapTran, CodesWithoutTransformLeaveOutputsAlone) {
    for (int proj : {21, 50, 51, 77, 150, -1}) {
        Domain d = make_domain(proj, 10, 20);
        MAP_domain(&d);
        float x = 42.0F, y = 43.0F;
        EXPECT_EQ(MAP_tran(&x, &y, 1.0F, 2.0F), 1) << proj;
        EXPECT_EQ(x, 42.0F);
        EXPECT_EQ(MAP_untran(&x, &y, 1.0F, 2.0F), 1) << proj;
        EXPECT_EQ(y, 43.0F);
    }
}

TEST_F(MapTran, ProjectionNames) {
    EXPECT_EQ(MAP_proj_str("lambaz"), 4);
    EXPECT_EQ(MAP_proj_str("la"), 8);
    EXPECT_EQ(MAP_proj_str("PS"), 1);
    EXPECT_EQ(MAP_proj_str("Satellite"), 9);
    EXPECT_EQ(MAP_proj_str("rteph"), 44);
    EXPECT_EQ(MAP_proj_str("xp"), 25);
    EXPECT_EQ(MAP_proj_str("xpx"), -1);
    EXPECT_EQ(MAP_proj_str("zoom"), 50);
    EXPECT_EQ(MAP_proj_str("miss"), -9999);
    EXPECT_EQ(MAP_proj_str("l"), -1);
    EXPECT_EQ(MAP_proj_str(nullptr), -1);
    EXPECT_STREQ(MAP_proj_name(8), "lambaz");
    EXPECT_STREQ(MAP_proj_name(23), "polar");
    EXPECT_STREQ(MAP_proj_name(43), "");
}

TEST_F(MapTran, PrintsTheCurrentDomain) {
    Domain d = make_domain(kProjPolarStereo, 39, -97);
    d.dx = d.dy = 2.3F;
    MAP_domain(&d);
    testing::internal::CaptureStdout();
    MAP_print_domain();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "pstereo:39.000:-97.000:::,39.000,-97.000,25,17,2.3000,2.3000\n");
}

int g_set_win_calls = 0;
int g_selected = -1;
float g_window[4];
int fake_set_win(int n, const float* rect) {
    ++g_set_win_calls;
    EXPECT_EQ(n, 2);
    std::copy(rect, rect + 4, g_window);
    return 0;
}
int fake_sel(int n) {
    g_selected = n;
    return 0;
}

TEST_F(MapTran, SetupHandsTheLimitsToTheWindow) {
    Domain d = make_domain(kProjLatLon, 40, -100);
    d.dx = d.dy = 1.0F;
    MAP_setup(&d);
    EXPECT_FLOAT_EQ(MAP_get_hor(), 24.0F);
    EXPECT_FLOAT_EQ(MAP_get_vert(), 16.0F);

    MapWindowHooks hooks{fake_set_win, fake_sel, nullptr};
    MAP_set_window_hooks(&hooks);
    MAP_setup(&d);
    EXPECT_EQ(g_set_win_calls, 1);
    EXPECT_EQ(g_selected, 2);
    float lim[4];
    MAP_get_limits(lim);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(g_window[k], lim[k]);
}

}  // namespace
}  // namespace orv
