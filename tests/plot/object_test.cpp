#include "plot/object.hpp"
#include <random>

#include "plot/module_reset.hpp"

namespace orv {
namespace {
::testing::AssertionResult contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in:\n" << text;
}
struct Point { double i, j; };  // fractional grid indices
// A latitude/longitude grid with the given size and spacing in slot 0 and
// any further slots, values allocated.
Domain make_grid(int nx, int ny, float spacing, int slots) {
    const Domain d = test::latlon_domain(nx, ny, spacing);
    for (int s = 0; s < slots; ++s) {
        GRD_set_grid_domain(s, &d);
        EXPECT_EQ(GRD_alloc_grid(s), 1);
    }
    return d;
}
// The analysis written out plainly, point by point and station by station:
// first pass, then for each further pass the residuals and the corrections.
std::vector<double> plain_analysis(int nx, int ny, double dx, const std::vector<Point>& at,
                                   const std::vector<float>& value, double kappa, double radius,
                                   int passes, double gamma, int min_sta) {
    const double cut2 = (radius * dx) * (radius * dx);
    auto gaussian_mean = [&](const std::vector<double>& v, double k, std::vector<double>& out, bool add) {
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                double sw = 0, swv = 0, n = 0;
                for (std::size_t s = 0; s < at.size(); ++s) {
                    const double r2 = std::pow((at[s].i - i) * dx, 2) + std::pow((at[s].j - j) * dx, 2);
                    if (r2 > cut2 || v[s] == -9999.0) continue;
                    sw += std::exp(-r2 / k);
                    swv += std::exp(-r2 / k) * v[s];
                    ++n;
                }
                double& g = out[static_cast<std::size_t>(j * nx + i)];
                g = sw == 0 || n < min_sta ? -9999.0 : (add ? g : 0.0) + swv / sw;
            }
        }
    };
    std::vector<double> grid(static_cast<std::size_t>(nx * ny), 0.0), v(value.begin(), value.end());
    gaussian_mean(v, kappa, grid, false);
    for (int p = 2; p <= passes; ++p) {
        std::vector<double> res(at.size(), -9999.0);
        for (std::size_t s = 0; s < at.size(); ++s) {
            const int i = static_cast<int>(std::floor(at[s].i));
            const int j = static_cast<int>(std::floor(at[s].j));
            if (at[s].i < 0 || at[s].j < 0 || i >= nx - 1 || j >= ny - 1 || v[s] == -9999.0) continue;
            const double fx = at[s].i - i, fy = at[s].j - j;
            auto gv = [&](int a, int b) { return grid[static_cast<std::size_t>(b * nx + a)]; };
            res[s] = v[s] - ((1 - fx) * (1 - fy) * gv(i, j) + fx * (1 - fy) * gv(i + 1, j) +
                             (1 - fx) * fy * gv(i, j + 1) + fx * fy * gv(i + 1, j + 1));
        }
        kappa *= gamma;
        gaussian_mean(res, kappa, grid, true);
    }
    return grid;
}
class ObjectiveAnalysis : public test::ModuleTest {
protected:
    void SetUp() override {
        test::ModuleTest::SetUp();
        MESS_set(0, static_cast<int>(kMessWarn));
    }
    // Plane coordinates of the stations at the given grid indices.
    void place(const Domain& d, const std::vector<Point>& at) {
        MAP_domain(&d);
        x_.clear();
        y_.clear();
        for (const Point& p : at) {
            float x = 0, y = 0;
            MAP_grid_tran(&x, &y, static_cast<float>(p.i), static_cast<float>(p.j));
            x_.push_back(x);
            y_.push_back(y);
        }
        MAP_reset_for_tests();
    }
    int analyze(std::vector<float>& field) {
        float* fields[] = {field.data()};
        return OBJ_analyze(x_.data(), y_.data(), fields, static_cast<int>(x_.size()), 1, GRD_get_grids());
    }
    static float at(int i, int j) {
        const GridField* g = GRD_get_grid(0);
        return g->values[j * g->domain.nx + i];
    }
    // The station positions as the analysis turned them into grid indices.
    std::vector<Point> indices() const {
        std::vector<Point> out;
        for (std::size_t s = 0; s < x_.size(); ++s) out.push_back({x_[s], y_[s]});
        return out;
    }
    static void show_residuals() { MESS_set(1, static_cast<int>(kMessOut3)); }
    std::vector<float> x_, y_;
};
TEST_F(ObjectiveAnalysis, HandWorkedTwoStationMeans) {
    const Domain d = make_grid(3, 1, 1.0F, 1);
    place(d, {{0, 0}, {2, 0}});
    std::vector<float> values{0.0F, 10.0F};
    EXPECT_EQ(analyze(values), -1);  // one pass, residual messages hidden: grids complete
    const double e4 = std::exp(-4.0);
    EXPECT_NEAR(at(0, 0), 10 * e4 / (1 + e4), 1e-6);
    EXPECT_NEAR(at(1, 0), 5.0, 1e-6);
    EXPECT_NEAR(at(2, 0), 10 / (1 + e4), 1e-5);
    EXPECT_EQ(std::make_pair(GRD_get_grid(0)->source, GRD_get_grid(0)->grid_number), std::make_pair(1, 2));
    EXPECT_NEAR(x_[1], 2.0F, 1e-4);  // positions became grid indices
}
// Stations beyond the radius take no part; a point needs the minimum of
// stations in reach.
TEST_F(ObjectiveAnalysis, CutOffAndMinimumStations) {
    const Domain d = make_grid(3, 1, 1.0F, 1);
    const struct { float radius; int min_sta; std::vector<Point> at; std::vector<bool> set; } cases[] = {
        {3.0F, 1, {{-3.5, 0}, {-3.5, 0}}, {false, false, false}},
        {3.0F, 1, {{-2.5, 0}, {-2.5, 0}}, {true, false, false}},
        {1.0F, 2, {{0.2, 0}, {2.5, 0}}, {false, false, false}},  // only one station in reach of each
        {2.0F, 2, {{0.2, 0}, {2.5, 0}}, {false, true, true}},    // both within two grid lengths
    };
    for (const auto& c : cases) {
        OBJ_initialize();
        OBJ_set_rad_inf(c.radius);
        OBJ_set_min_sta(c.min_sta);
        place(d, c.at);
        std::vector<float> values{1.0F, 3.0F};
        analyze(values);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(at(i, 0) != kMissingF, c.set[i]) << c.radius << " " << c.min_sta << " " << i;
    }
}
// Three passes over many stations, some missing, two needed at a point.
TEST_F(ObjectiveAnalysis, ManyStationsAgreeWithThePlainComputation) {
    const Domain d = make_grid(30, 20, 0.4F, 1);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos_i(-4.0, 33.0), pos_j(-4.0, 23.0), val(-20.0, 40.0);
    std::vector<Point> stations(3000);
    std::vector<float> values(3000);
    for (std::size_t s = 0; s < stations.size(); ++s) {
        stations[s] = {pos_i(rng), pos_j(rng)};
        values[s] = s % 17 == 0 ? kMissingF : static_cast<float>(val(rng));
    }
    place(d, stations);
    std::vector<float> field = values;
    OBJ_set_rad_inf(3.0F);
    OBJ_set_filter(0.3F);
    OBJ_set_num_pass(3);
    OBJ_set_min_sta(2);
    show_residuals();
    const std::string out = test::stdout_of([&] { EXPECT_EQ(analyze(field), 0); });
    EXPECT_TRUE(contains(out, "Pass: 1...\nComputing residuals...\nRMS Error for field 1: "));
    EXPECT_TRUE(contains(out, "Pass: 3...\n"));
    const std::vector<double> expected = plain_analysis(30, 20, 0.4, indices(), values, 0.3, 3.0, 3, 0.2, 2);
    for (int k = 0; k < 600; ++k) EXPECT_NEAR(GRD_get_grid(0)->values[k], expected[k], 1e-3) << k;  // missing alike
}
TEST_F(ObjectiveAnalysis, FieldsAreAnalysedTogetherAndMissingOnesSkipped) {
    make_grid(4, 4, 1.0F, 3);
    const Domain d = GRD_get_grid(0)->domain;
    place(d, {{1, 1}, {2.5, 2.5}});
    std::vector<float> a{1.0F, 3.0F};
    std::vector<float> c{kMissingF, 6.0F};
    float* fields[] = {a.data(), nullptr, c.data()};
    GRD_get_grid(1)->values[0] = 123.0F;
    OBJ_set_rad_inf(1.0F);
    EXPECT_EQ(OBJ_analyze(x_.data(), y_.data(), fields, 2, 3, GRD_get_grids()), -1);
    EXPECT_FLOAT_EQ(at(1, 1), 1.0F);  // only the first station reaches (1, 1)
    EXPECT_EQ(GRD_get_grid(1)->values[0], 123.0F);
    EXPECT_EQ(GRD_get_grid(1)->source, 0);
    EXPECT_EQ(GRD_get_grid(2)->values[1 * 4 + 1], kMissingF);
    EXPECT_FLOAT_EQ(GRD_get_grid(2)->values[3 * 4 + 3], 6.0F);
    float* none[] = {nullptr, nullptr};
    EXPECT_EQ(OBJ_analyze(x_.data(), y_.data(), none, 2, 2, GRD_get_grids()), -1);
    EXPECT_EQ(OBJ_analyze(x_.data(), y_.data(), fields, 2, 0, GRD_get_grids()), -1);
}
TEST_F(ObjectiveAnalysis, NoUsableStationsLeaveTheGridMissing) {
    const Domain d = make_grid(3, 3, 1.0F, 1);
    show_residuals();
    place(d, {{1, 1}, {2, 2}});
    std::vector<float> field{kMissingF, kMissingF};
    EXPECT_TRUE(contains(test::stdout_of([&] { EXPECT_EQ(analyze(field), 0); }), "RMS Error for field 1: no stations\n"));
    for (int k = 0; k < 9; ++k) EXPECT_EQ(GRD_get_grid(0)->values[k], kMissingF);
    // A station without a position takes no part, however large the radius.
    x_ = {kMissingF};
    y_ = {kMissingF};
    field = {4.0F};
    OBJ_set_rad_inf(1e9F);
    analyze(field);
    EXPECT_EQ(at(0, 0), kMissingF);
    // No stations at all.
    float* fields[] = {field.data()};
    EXPECT_EQ(OBJ_analyze(nullptr, nullptr, fields, 0, 1, GRD_get_grids()), 0);
    EXPECT_EQ(at(1, 1), kMissingF);
}
// The "object_param" entries: filter, radius, passes, convergence, minimum
// stations; values out of range keep the defaults.
TEST_F(ObjectiveAnalysis, ObjectParamValues) {
    make_grid(2, 2, 1.0F, 1);
    x_ = {0.0F};
    y_ = {0.0F};
    std::vector<float> field{1.0F};
    MESS_set(1, static_cast<int>(kMessOut4));
    const struct { const char* param; std::vector<std::string> lines; } cases[] = {
        {"2,0,9", {"Filter parameter             =    2.0000 cm**2\n", "Radius of influence          = 1000.00 grids\n",
                   "Number of passes             =    1\n"}},
        {",,3,0.5,2.7", {"Filter parameter             =    1.5000 cm**2\n", "Convergence parameter        =    0.5000\n",
                         "Radius of influence          =    3.00 grids\n", "Number of passes             =    3\n",
                         "Minimum stations at gridpt   =    2 stats\n"}},
        {"-1,junk,x,7,-3", {"Filter parameter             =    1.0000 cm**2\n", "Radius of influence          = 1000.00 grids\n",
                            "Number of passes             =    1\n", "Minimum stations at gridpt   =    1 stats\n"}},
        {"1,1,2,7", {"Convergence parameter        =    0.2000\n"}},
        {"1,1,4,0.01", {"Number of passes             =    4\n", "Convergence parameter        =    0.0100\n"}},
        {"1,1,5", {"Number of passes             =    1\n"}},
        {"1,1,2,1", {"Convergence parameter        =    0.2000\n"}},
    };
    for (const auto& c : cases) {
        RES_put("object_param", c.param);
        OBJ_set_filter(1.5F);
        OBJ_set_rad_inf(3.0F);
        const std::string out = test::stdout_of([&] { analyze(field); });
        for (const std::string& line : c.lines) EXPECT_TRUE(contains(out, line)) << c.param;
    }
}
TEST_F(ObjectiveAnalysis, PlotParamScalesTheRadiusAndReplacesMissingValues) {
    const Domain d = make_grid(3, 1, 1.0F, 1);
    MESS_set(1, static_cast<int>(kMessOut4));
    RES_put("plot_param", "full,gridx8,miss=0");
    OBJ_set_rad_inf(3.0F);
    place(d, {{0, 0}, {2, 0}});
    std::vector<float> field{kMissingF, 10.0F};
    EXPECT_TRUE(contains(test::stdout_of([&] { analyze(field); }), "Radius of influence          =   24.00 grids\n"));
    EXPECT_EQ(field[0], 0.0F);  // the replacement is written into the station values
    EXPECT_NEAR(at(1, 0), 5.0F, 1e-5);
    RES_put("object_param", "1,2");  // an explicit radius replaces the scaled one
    EXPECT_TRUE(contains(test::stdout_of([&] { analyze(field); }), "Radius of influence          =    2.00 grids\n"));
}
}  // namespace
}  // namespace orv
