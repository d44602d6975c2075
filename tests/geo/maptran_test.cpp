#include "geo/maptran.hpp"

#include "core/mess.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

constexpr double kR = 63.7122;
constexpr double kDeg = 0.017453292519943334;

Domain make_domain(int proj, float clat, float clon, float plat = -9999.0F, float plon = -9999.0F) {
    Domain d;
    std::tie(d.proj, d.clat, d.clon, d.plat, d.plon) = std::tuple(proj, clat, clon, plat, plon);
    std::tie(d.nx, d.ny, d.dx, d.dy) = std::tuple(25, 17, 1.2F, 1.2F);
    return d;
}
Domain with(Domain d, float p1, float p2 = -9999.0F, int ellipsoid = 0) {
    std::tie(d.params[0], d.params[1], d.ellipsoid) = std::tuple(p1, p2, ellipsoid);
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

using XY = std::pair<float, float>;
XY fwd(float lat, float lon) {
    XY p{0, 0};
    MAP_tran(&p.first, &p.second, lat, lon);
    return p;
}
void use(const Domain& d) { MAP_domain(&d); }

class MapTran : public ::testing::Test {
protected:
    void SetUp() override { MAP_reset_for_tests(), MESS_reset_for_tests(); }
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
    use(make_domain(kProjXLogP, 0, 1000));
    EXPECT_EQ(MAP_tran(&x, &y, 0.0F, 0.0F), 0);  // no logarithm of zero pressure
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
        {"polar true at 90", with(make_domain(kProjPolarStereo, 60, -100), 90), 60, -100, 1, 0,
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
        {"sat low orbit", with(make_domain(kProjSatellite, 0, -75), 100), 0, -15, 0, NAN, NAN},
        {"sat low orbit inside", with(make_domain(kProjSatellite, 0, -75), 100), 0, -30, 1, NAN, 0},
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
    use(make_domain(kProjPolarStereo, 45, -100));
    EXPECT_EQ(fwd(-80, -50), fwd(-75, -50));
    EXPECT_EQ(fwd(40, 190), fwd(40, -170));
    float x = 0, y = 0;
    EXPECT_EQ(MAP_tran(&x, &y, 40.0F, 1e20F), 1);
    use(make_domain(kProjMercator, 0, 0));  // Mercator stops short of the pole
    EXPECT_EQ(fwd(90, 0), fwd(89.9F, 0));
    // three points of the equator lie on one straight line of the gnomonic map
    use(make_domain(kProjGnomonic, 40, -100));
    const XY p[] = {fwd(0, -150), fwd(0, -120), fwd(0, -90)};
    const double cross = (p[1].first - p[0].first) * (p[2].second - p[0].second) -
                         (p[1].second - p[0].second) * (p[2].first - p[0].first);
    EXPECT_NEAR(cross / (kR * kR), 0.0, 1e-4);
}

TEST_F(MapTran, EveryEarthProjectionRoundTrips) {
    const struct {
        const char* name;
        Domain d;
        double lat_limit = 80;
    } cases[] = {
        {"polar north", make_domain(kProjPolarStereo, 45, -100), 70},
        {"polar south", make_domain(kProjPolarStereo, -45, 30), 70},
        {"latlon", make_domain(kProjLatLon, 0, -30)},
        {"mercator", make_domain(kProjMercator, 0, 100)},
        {"lambert north", make_domain(kProjLambert, 40, -95)},
        {"lambert south", make_domain(kProjLambert, -40, 140)},
        {"lambert tangent", with(make_domain(kProjLambert, 25, -95), 25, 25)},
        {"orthographic", make_domain(kProjOrthographic, 38, -97)},
        {"gnomonic", make_domain(kProjGnomonic, 50, 10)},
        {"mollweide", make_domain(kProjMollweide, 0, -60)},
        {"lambert azimuthal", make_domain(kProjLambertAzimuthal, 45, -100)},
        {"lambert azimuthal pole", make_domain(kProjLambertAzimuthal, 90, 0)},
        {"satellite", make_domain(kProjSatellite, 0, -75)},
        {"satellite scan angles", with(make_domain(kProjSatellite, 0, -75), -9999, 1)},
        {"satellite ellipsoid", with(make_domain(kProjSatellite, 0, 140), -9999, -9999, 1)},
        {"satellite ellipsoid scan angles", with(make_domain(kProjSatellite, 0, 140), -9999, 1, 1)},
    };
    for (const auto& c : cases) {
        MAP_domain(&c.d);
        EXPECT_GT(check_round_trips(c.name, c.lat_limit), 40) << c.name;
    }
}

TEST_F(MapTran, MapFactorIsOneOnTheTrueLatitudes) {
    use(with(make_domain(kProjLambert, 40, -95), 30, 60));
    EXPECT_NEAR(MAP_factor(30.0F), 1.0, 1e-5);
    EXPECT_NEAR(MAP_factor(60.0F), 1.0, 1e-5);
    EXPECT_LT(MAP_factor(45.0F), 1.0F);
    // and the plane distance along a parallel matches the earth distance there
    const XY a = fwd(30, -95), b = fwd(30, -94);
    EXPECT_NEAR(std::hypot(b.first - a.first, b.second - a.second), kR * kDeg * std::cos(30 * kDeg), 1e-3);
    use(make_domain(kProjPolarStereo, -40, 100));
    EXPECT_NEAR(MAP_factor(-60.0F), 1.0, 1e-5);
    EXPECT_NEAR(MAP_factor(-90.0F), 1.866 / 2.0, 1e-3);
    use(make_domain(kProjMercator, 0, 0));
    EXPECT_EQ(MAP_factor(60.0F), 1.0F);
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

// One station per cell of the decluttering grid: a positive limit is the
// cells per grid length (half-grid cells for 2), a negative one the grid
// lengths per cell; off, or too fine to allocate, everything plots.
TEST_F(MapTran, DeclutterGridKeepsOneStationPerCell) {
    use(make_domain(kProjPolarStereo, 40, -100));
    const auto plots = [](float i, float j) {
        float x = 0, y = 0;
        MAP_grid_tran(&x, &y, i, j);
        return MAP_plot_grid(x, y);
    };
    const struct {
        int limit;
        std::vector<std::pair<XY, int>> steps;  // grid position and whether it plots
    } cases[] = {
        {0, {{{3.1F, 4.1F}, 1}, {{3.1F, 4.1F}, 1}}},
        // the first grid point is in the grid; the last corner fits the 1700 cells
        {2, {{{0, 0}, 1}, {{3.1F, 4.1F}, 1}, {{3.3F, 4.3F}, 0}, {{3.6F, 4.1F}, 1}, {{24, 16}, 1}, {{24.5F, 3}, 0}}},
        {-3, {{{3.1F, 4.1F}, 1}, {{5.9F, 5.9F}, 0}}},  // both in the 3x3 block (1, 1)
        {-1, {{{3.1F, 4.1F}, 1}, {{3.1F, 4.1F}, 1}}},
        {1000000, {{{3.1F, 4.1F}, 1}, {{3.1F, 4.1F}, 1}}},
    };
    for (const auto& c : cases) {
        if (c.limit != 0) MAP_set_plot_limit(c.limit);
        MAP_plot_grid_init();
        for (const auto& [at, plotted] : c.steps)
            EXPECT_EQ(plots(at.first, at.second), plotted) << c.limit << " at " << at.first << "," << at.second;
    }
}

}  // namespace
}  // namespace orv
