// Grid math: function variables evaluated over the grid slots of their operands.
#include "plot/module_reset.hpp"

namespace orv {
namespace {
constexpr float M = kMissingF;
constexpr double kR = 63.7122;  // earth radius in 100 km
Domain flat_domain(int nx, int ny) {
    Domain d;
    d.clat = d.clon = 0.0F;
    d.dx = d.dy = 1.0F;
    d.nx = nx;
    d.ny = ny;
    return d;
}
class GridMath : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { test::reset_modules(); }
    // Every module back to its start, grid math hooked in.
    static void reset() {
        test::reset_modules();
        VAR_set_def_type(kTypeCont);
        GRD_register_hooks();
    }
    // Parses the variable text; the variables named in `fields` get their
    // grids (all on `d`), in list order of the names.
    static void setup(const std::string& spec, const Domain& d, const std::vector<std::vector<float>>& fields,
                      const char* units = "") {
        ASSERT_EQ(VAR_setup(nullptr, spec.c_str()), 1) << spec;
        std::size_t next = 0;
        for (int i = 0; i < VAR_get_num(); ++i) {
            if (VAR_is_SUBREG(i) == 0 || VAR_get_type(i) == kTypeConst || next >= fields.size()) continue;
            fill(i, d, fields[next++], units);
        }
        ASSERT_EQ(next, fields.size()) << spec;
    }
    // The first result of the variable text over the given grids.
    static std::vector<float> calc(const std::string& spec, const Domain& d,
                                   const std::vector<std::vector<float>>& fields, const char* units = "") {
        reset();
        setup(spec, d, fields, units);
        GRD_calc_var();
        return values(0);
    }
    static GridField* fill(int i, const Domain& d, const std::vector<float>& values, const char* units = "") {
        GRD_set_grid_domain(i, &d);
        EXPECT_EQ(GRD_alloc_grid(i), 1);
        GridField* grid = GRD_get_grid(i);
        std::copy(values.begin(), values.end(), grid->values);
        copy_text(grid->units, units);
        grid->source = 1;
        return grid;
    }
    static std::vector<float> values(int slot) {
        const GridField* g = GRD_get_grid(slot);
        if (g->values == nullptr) return {};
        return {g->values, g->values + static_cast<std::size_t>(g->domain.nx) * g->domain.ny};
    }
};
// What the evaluation writes to standard output and error, and its result.
std::pair<std::string, int> said_by_calc() {
    int result = 0;
    std::string out;
    const std::string err = test::stderr_of([&] { out = test::stdout_of([&] { result = GRD_calc_var(); }); });
    return {out + err, result};
}
void expect_values(const std::vector<float>& got, const std::vector<float>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t k = 0; k < want.size(); ++k) {
        if (want[k] == M)
            EXPECT_EQ(got[k], M) << what << " point " << k;
        else
            EXPECT_NEAR(got[k], want[k], 1e-4 * std::fabs(want[k]) + 1e-4) << what << " point " << k;
    }
}
// Point functions on a 4 x 1 grid: the per-point rule, the guarded
// operations and the functions with their own rule for missing operands.
TEST_F(GridMath, PointFunctionsFollowTheirRules) {
    const float e = static_cast<float>(std::exp(1.0));
    const struct { const char* spec; std::vector<std::vector<float>> in; std::vector<float> want; } cases[] = {
        {"add(ta,tb)", {{1, 2, M, 4}, {10, 20, 30, M}}, {11, 22, M, M}},
        {"sub(ta,#2)", {{1, 2, M, 4}}, {-1, 0, M, 2}},
        {"sub(#10,ta)", {{1, 2, M, 4}}, {9, 8, M, 6}},
        {"mul(ta,tb)", {{1, 2, 3, 4}, {2, 3, 4, 5}}, {2, 6, 12, 20}},
        {"div(ta,tb)", {{1, 2, 0, 4}, {2, 0, 0, -4}}, {0.5F, M, M, -1}},
        {"mod(ta,tb)", {{7, 7, -7, 1}, {3, 0, 3, 2}}, {1, M, -1, 1}},
        {"interp(ta,#0.25,tb)", {{0, 10, M, 4}, {4, 20, 1, 4}}, {1, 12.5F, M, 4}},
        {"sqrt(ta)", {{4, -1, 0, M}}, {2, M, 0, M}},
        {"log(ta)", {{e, 0, -1, M}}, {1, M, M, M}},
        {"log10(ta)", {{100, 0, 1, M}}, {2, M, 0, M}},
        {"pow(ta,tb)", {{2, 10, 0, 4}, {3, 100, -1, 0.5F}}, {8, M, M, 2}},
        {"exp(ta)", {{0, 1, 1000, M}}, {1, e, M, M}},
        {"abs(ta)", {{-3, 3, 0, M}}, {3, 3, 0, M}},
        {"sin(ta)", {{30, 90, 0, M}}, {0.5F, 1, 0, M}},
        {"cos(ta)", {{60, 0, 90, M}}, {0.5F, 1, 0, M}},
        {"asin(ta)", {{0.5F, 1, 2, M}}, {30, 90, M, M}},
        {"atan2(ta,tb)", {{1, 1, -1, 0}, {1, 0, 0, -1}}, {45, 90, -90, 180}},
        {"max(ta,tb,tc)", {{1, M, M, 5}, {3, M, 2, 1}, {2, M, M, M}}, {3, M, 2, 5}},
        {"min(ta,tb,tc)", {{1, M, M, 5}, {3, M, 2, 1}, {2, M, M, M}}, {1, M, 2, 1}},
        {"sum(ta,tb,tc)", {{1, M, M, 5}, {3, M, 2, 1}, {2, M, M, M}}, {6, M, 2, 6}},
        {"avg(ta,tb,tc)", {{1, M, M, 5}, {3, M, 2, 1}, {2, M, M, M}}, {2, M, M, M}},
        // Wind from the components: calm, from the north, from the east, from the west.
        {"wdir(ta,tb)", {{0, 0, -5, 5}, {0, -5, 0, 0}}, {0, 0, 90, 270}},
        {"wspd(ta,tb)", {{3, 0, M, -6}, {4, -5, 1, 8}}, {5, 5, M, 10}},
        {"uwnd(ta,tb)", {{270, 180, 90, 0}, {10, 10, 10, 10}}, {10, 0, -10, 0}},
        {"vwnd(ta,tb)", {{270, 180, 90, 0}, {10, 10, 10, 10}}, {0, 10, 0, -10}},
        {"dot(ta,tb,tc,td)", {{1, 2, 3, 4}, {1, 1, 1, M}, {2, 2, 2, 2}, {3, 3, 3, 3}}, {5, 7, 9, M}},
        {"cross(ta,tb,tc,td)", {{1, 2, 3, 4}, {1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}}, {1, 4, 7, 10}},
        {"copy(ta)", {{1, M, 3, 4}}, {1, M, 3, 4}},
        // Weights exp(-d^2): missing neighbours are skipped, a missing centre stays missing.
        {"smooth(ta,#-1)", {{0, 3, 0, M}}, {0.796164F, 1.728351F, 0.796164F, M}},
    };
    for (const auto& c : cases) expect_values(calc(c.spec, flat_domain(4, 1), c.in), c.want, c.spec);
}
// The thermodynamic functions convert their operands (F here) and call the
// shared formulas; the moisture operand named dewp is a dewpoint, any other
// a relative humidity.
TEST_F(GridMath, ThermodynamicFunctionsConvertUnitsAndTellMoistureKinds) {
    const float tf = 86.0F, tdf = 68.0F;  // 30 C and 20 C
    const float t = 303.15F, td = 293.15F;
    const float rh = rel_hum(t, td);
    const struct { const char* spec; std::vector<std::vector<float>> in; const char* units; float want; const char* want_units; } cases[] = {
        {"rhum(ta,dewp)", {{tf}, {tdf}}, "F", rh, "%"},
        {"heat(ta,dewp)", {{tf}, {tdf}}, "F", heat_index(t, td), "K"},
        {"heat(ta,tb)", {{t}, {rh}}, "", heat_index(t, dew_temp(t, rh)), "K"},
        {"theta(ta)", {{tf}}, "F", t, "K"},
        {"theta(ta,#850)", {{t}}, "", pot_temp(t, 850), "K"},
        {"thetae(ta,dewp)", {{tf}, {tdf}}, "F", eq_pot_temp(t, td, 1000), "K"},
        {"dewp(ta,tb)", {{t}, {50}}, "", dew_temp(t, 50), "K"},
        {"wchill(ta,tb,tc)", {{250}, {6}, {8}}, "", wind_chill_temp(250, 10), "K"},
        {"mixrat(ta,dewp)", {{tf}, {tdf}}, "F", mix_ratio(td, 1000), "gm/kg"},
    };
    for (const auto& c : cases) {
        expect_values(calc(c.spec, flat_domain(1, 1), c.in, c.units), {c.want}, c.spec);
        EXPECT_STREQ(GRD_get_grid(0)->units, c.want_units) << c.spec;
    }
}
// The result takes the variable's units; d/dx is centred inside, one-sided
// over one spacing at the edges and next to a missing point, missing at one.
TEST_F(GridMath, UnitsAndOneSidedDerivatives) {
    expect_values(calc("sub(ta,tb):dF", flat_domain(2, 1), {{300, 280}, {290, 290}}, "K"), {18, -18}, "sub in dF");
    EXPECT_STREQ(GRD_get_grid(0)->units, "dF");
    expect_values(calc("dx(ta)", flat_domain(5, 1), {{1, 2, M, 8, 16}}), {1, 1, M, 8, 8}, "dx");
    expect_values(calc("dy(ta)", flat_domain(1, 3), {{4, 2, 1}}), {2, 1.5F, 1}, "dy");  // row 0 is the northern row
    EXPECT_STREQ(GRD_get_grid(0)->units, "1e-05 /m");
}
Domain earth_domain(int proj, float clat, float dx) {
    Domain d = test::latlon_domain(41, 41, dx);
    d.proj = proj;
    d.clat = clat;
    return d;
}
// Latitude and the grid-relative direction of north (degrees clockwise from
// the grid's up) of a point.
struct PointGeo { double lat, north; };
// Grid components of a vector given by its east and north components.
std::vector<float> grid_wind(const PointGeo& p, double east, double north) {
    const double a = p.north * M_PI / 180.0;
    return {static_cast<float>(east * std::cos(a) + north * std::sin(a)), static_cast<float>(-east * std::sin(a) + north * std::cos(a))};
}
// Fields with known derivatives on the sphere, evaluated on each earth
// projection and compared with the exact answer away from the edges.
TEST_F(GridMath, DerivativesOfAnalyticFieldsMatchOnEveryProjection) {
    using Operands = std::function<std::vector<float>(const PointGeo&)>;
    const auto rad = [](const PointGeo& p) { return p.lat * M_PI / 180; };
    // A field growing by 3 units a degree northwards; solid-body rotation
    // about the earth's axis (vorticity 2 omega sin(lat), no divergence or
    // deformation); flow away from the pole at 10 m/s (divergence U tan(lat) / R).
    const Operands slope = [](const PointGeo& p) { return std::vector<float>{static_cast<float>(3 * p.lat)}; };
    const Operands solid = [&](const PointGeo& p) { return grid_wind(p, kR * std::cos(rad(p)), 0); };
    const Operands radial = [](const PointGeo& p) { return grid_wind(p, 0, -10); };
    const Operands northerly = [](const PointGeo&) { return std::vector<float>{0, 10}; };
    const auto zero = [](const PointGeo&) { return 0.0; };
    const struct { const char* spec; Operands operands; std::function<double(const PointGeo&)> want; } cases[] = {
        {"dx(ta)", slope, [](const PointGeo& p) { return grid_wind(p, 0, 3 / 1.11195)[0]; }},
        {"dy(ta)", slope, [](const PointGeo& p) { return grid_wind(p, 0, 3 / 1.11195)[1]; }},
        // Laplacian of 1000 sin(lat) is -2000 sin(lat) / R^2.
        {"lapl(ta)", [&](const PointGeo& p) { return std::vector<float>{static_cast<float>(1000 * std::sin(rad(p)))}; },
         [&](const PointGeo& p) { return -2000 * std::sin(rad(p)) / (kR * kR); }},
        {"rvort(ta,tb)", solid, [&](const PointGeo& p) { return 2 * std::sin(rad(p)); }},
        {"diverg(ta,tb)", solid, zero}, {"def1(ta,tb)", solid, zero}, {"def2(ta,tb)", solid, zero},
        {"diverg(ta,tb)", radial, [&](const PointGeo& p) { return 10 * std::tan(rad(p)) / kR; }},
        {"conv(ta,tb)", radial, [&](const PointGeo& p) { return -10 * std::tan(rad(p)) / kR; }},
        // A 10 m/s northerly turned to the grid, and a westerly's direction back from the grid.
        {"uwndg(ta,tb)", northerly, [](const PointGeo& p) { return grid_wind(p, 0, -10)[0]; }},
        {"vwndg(ta,tb)", northerly, [](const PointGeo& p) { return grid_wind(p, 0, -10)[1]; }},
        {"ewdir(ta,tb)", [](const PointGeo& p) { return grid_wind(p, 10, 0); }, [](const PointGeo&) { return 270.0; }},
        // Advection of 3 units a degree by a 10 m/s northerly wind.
        {"adv(ta,tb,tc)", [](const PointGeo& p) {
             std::vector<float> v = grid_wind(p, 0, -10);
             v.push_back(static_cast<float>(3 * p.lat));
             return v;
         }, [](const PointGeo&) { return 10 * 3 / 1.11195; }},
    };
    for (const auto& [proj, clat] : {std::pair{kProjPolarStereo, 60.0F}, {kProjLambert, 40.0F}, {kProjMercator, 30.0F}, {kProjLatLon, 45.0F}}) {
        const Domain d = earth_domain(proj, clat, 0.5F);
        std::vector<PointGeo> geo;
        MAP_domain(&d);
        for (int j = 0; j < d.ny; ++j)
            for (int i = 0; i < d.nx; ++i) {
                float x = 0, y = 0, lat = 0, lon = 0;
                MAP_grid_tran(&x, &y, static_cast<float>(i), static_cast<float>(j));
                MAP_untran(&lat, &lon, x, y);
                geo.push_back({lat, MAP_dir_adj(0.0F, x, y)});
            }
        MAP_domain(nullptr);
        for (const auto& c : cases) {
            std::vector<std::vector<float>> fields(c.operands(geo[0]).size());
            for (const PointGeo& p : geo)
                for (std::size_t k = 0; k < fields.size(); ++k) fields[k].push_back(c.operands(p)[k]);
            const std::vector<float> got = calc(c.spec, d, fields, fields.size() >= 2 ? "m/s" : "");
            ASSERT_EQ(got.size(), geo.size()) << proj << " " << c.spec;
            double worst = 0.0, scale = 0.0;
            for (int j = 2; j < d.ny - 2; ++j)
                for (int i = 2; i < d.nx - 2; ++i) {
                    const std::size_t k = static_cast<std::size_t>(j * d.nx + i);
                    worst = std::max(worst, std::fabs(got[k] - c.want(geo[k])));
                    scale = std::max(scale, std::fabs(c.want(geo[k])));
                }
            // Within 0.5% of the field's size (or 1e-3 of the unit for a zero field).
            EXPECT_LT(worst, std::max(5e-3 * scale, 1e-3)) << proj << " " << c.spec;
        }
    }
}
// Grad fills two slots; avort adds the Coriolis parameter; the Coriolis
// parameter at the equator leaves geostrophic winds missing, not infinite.
TEST_F(GridMath, VectorResultsCoriolisAndTheEquator) {
    Domain d = earth_domain(kProjLatLon, 0.0F, 1.0F);
    d.nx = 3;
    d.ny = 3;  // rows at 1N, 0, 1S
    setup("grad(ta)", d, {{0, 1, 2, 0, 1, 2, 0, 1, 2}});
    GRD_calc_var();
    const double per_100km = 1.0 / 1.11195;
    const std::vector<float> gx = values(0);
    const float along_1n = static_cast<float>(per_100km / std::cos(M_PI / 180));
    expect_values({gx.begin(), gx.begin() + 3}, {along_1n, along_1n, along_1n}, "grad x, first row");
    EXPECT_EQ(values(1).size(), 9U);
    EXPECT_FLOAT_EQ(values(1)[4], 0.0F);
    EXPECT_STREQ(GRD_get_grid(0)->units, "1e-05 /m");
    const std::vector<float> ug = calc("ugeos(ta)", d, {{10, 10, 10, 0, 0, 0, -10, -10, -10}}, "m");
    EXPECT_EQ(ug[4], M);  // f = 0 at the equator
    const double f1 = 14.584 * std::sin(M_PI / 180);
    EXPECT_NEAR(ug[1], -9.8 / f1 * 10 / 1.11195, 1e-2);  // northern row: one-sided over one degree
    const std::vector<float> av = calc("avort(ta,tb)", d, {std::vector<float>(9, 0.0F), std::vector<float>(9, 0.0F)}, "m/s");
    EXPECT_NEAR(av[1], f1, 1e-4);
    EXPECT_NEAR(av[4], 0.0, 1e-6);
}
TEST_F(GridMath, SmoothingWeighsBothDirections) {
    const std::vector<float> smooth = calc("smooth(ta,#-1)", flat_domain(3, 3), {{0, 0, 0, 0, 9, 0, 0, 0, 0}});
    double sum = 0;
    for (int dj = 0; dj < 3; ++dj)
        for (int di = 0; di < 3; ++di) sum += std::exp(-(di * di + dj * dj));
    EXPECT_NEAR(smooth[0], 9 * std::exp(-2.0) / sum, 1e-5);
}
// Unusable operands and unknown functions are reported and leave the slot
// empty; nothing crashes.
TEST_F(GridMath, BadOperandsAreReportedAndLeaveTheSlotEmpty) {
    const std::vector<float> four = {1, 2, 3, 4};
    const struct { const char* spec; std::function<void()> grids; const char* message; } cases[] = {
        {"add(ta,tb)", [&] { fill(1, flat_domain(4, 1), four); fill(2, flat_domain(2, 2), four); },
         "GRD_math: Invalid grids\n"},
        {"add(ta,tb)", [&] { fill(1, flat_domain(4, 1), four); }, "GRD_math: Invalid grids\n"},
        {"add(ta,#abc)", [&] { fill(1, flat_domain(4, 1), four); }, "GRD_math: Invalid grids\n"},
        {"add(ta,#1x)", [&] { fill(1, flat_domain(4, 1), four); }, "GRD_math: Invalid grids\n"},
        {"add(#1,#2)", [] {}, "GRD_math: Invalid grids\n"},
        {"foo(ta)", [&] { fill(1, flat_domain(4, 1), four); }, "GRD_math: Math function not available: foo\n"},
    };
    for (const auto& c : cases) {
        reset();
        ASSERT_EQ(VAR_setup(nullptr, c.spec), 1);
        c.grids();
        const auto [said, result] = said_by_calc();
        EXPECT_NE(said.find(c.message), std::string::npos) << c.spec << ": " << said;
        EXPECT_EQ(std::make_tuple(result, GRD_get_grid(0)->values, GRD_get_grid(0)->source), std::make_tuple(1, nullptr, 0)) << c.spec;
    }
}
// 21 operands: the first 20 are used and the run says so; nesting deeper
// than the variable list leaves every function without a result.
TEST_F(GridMath, TooManyOperandsAndTooDeepNesting) {
    std::string spec = "max(t0";
    for (int k = 1; k < 21; ++k) spec += ",t" + std::to_string(k);
    ASSERT_EQ(VAR_setup(nullptr, (spec + ")").c_str()), 1);
    for (int k = 1; k <= 21; ++k) fill(k, flat_domain(1, 1), {static_cast<float>(k)});
    const std::string said = said_by_calc().first;
    EXPECT_NE(said.find("the first 20 are used"), std::string::npos) << said;
    EXPECT_EQ(values(0), std::vector<float>{20});
    reset();
    std::string deep = "ta";
    for (int k = 0; k < 70; ++k) deep = "copy(" + deep + ")";
    VAR_setup(nullptr, deep.c_str());
    EXPECT_EQ(said_by_calc().second, 1);
    EXPECT_EQ(GRD_get_grid(0)->values, nullptr);
}
}  // namespace
}  // namespace orv
