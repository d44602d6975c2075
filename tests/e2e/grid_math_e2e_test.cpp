// Batch runs of the computed menu entries: the grid files of the operands and
// of the result agree point by point with the formula.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "grid/calc.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

const std::string kExamples = ORV_SOURCE_DIR "/examples";
const std::string kBulletin = ORV_SOURCE_DIR "/../shared/data/mos/gfs_mav_fous26_2014010100.txt";

std::vector<float> read_grid(const std::string& path) {
    int kind = 0;
    const int entry = GRD_open(path.c_str(), 0, &kind);
    if (entry < 0) return {};
    GridField grid{};
    GRD_init(&grid);
    std::vector<float> out;
    if (GRD_read(entry, &grid) == 1)
        out.assign(grid.values, grid.values + static_cast<std::size_t>(grid.domain.nx) * grid.domain.ny);
    GRD_close(entry);
    GRD_free(&grid);
    return out;
}

float kelvin(float f) { return (f - 32.0F) * 5.0F / 9.0F + 273.15F; }

TEST(GridMathBatch, MenuEntriesComputeTheirFormulaOnTheAnalysedGrids) {
    if (!std::filesystem::exists(kExamples + "/mos_2026120600.txt")) GTEST_SKIP() << "shipped sample missing";
    using Grids = std::vector<std::vector<float>>;
    const struct {
        const char* entry;
        std::vector<const char*> grids;  // operands first, the result last
        std::function<double(const std::vector<float>&)> formula;
    } cases[] = {
        {"grh", {"temp_0_48", "dewp_0_48", "rhum_0_48"},
         [](const std::vector<float>& v) { return rel_hum(kelvin(v[0]), kelvin(v[1])); }},
        {"gtdd", {"temp_0_48", "dewp_0_48", "sub_0_48"}, [](const std::vector<float>& v) { return v[0] - v[1]; }},
        {"gt24", {"temp_0_48", "temp_0_24", "sub_0_48"}, [](const std::vector<float>& v) { return v[0] - v[1]; }},
        {"gheat", {"temp_0_48", "dewp_0_48", "heat_0_48"},
         [](const std::vector<float>& v) { return (heat_index(kelvin(v[0]), kelvin(v[1])) - 273.15) * 1.8 + 32; }},
        {"gspd", {"uwnd_0_48", "vwnd_0_48", "spd_0_48"},
         [](const std::vector<float>& v) { return std::hypot(v[0], v[1]) * 1.943844492; }},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, {"-ba", "-mo", "gfs", "-dp", kExamples, "-gp", dir.path(), "-ft", "h48",
                                              "-va", c.entry, "-of", "orv", "-de", "p," + dir.file("m.ps")});
        ASSERT_EQ(r.status, 0) << c.entry << r.out << r.err;
        Grids grids;
        for (const char* g : c.grids) grids.push_back(read_grid(dir.file(std::string("mos_") + g + "_2026120600.grd")));
        ASSERT_FALSE(grids.back().empty()) << c.entry << ": no result grid\n" << r.out;
        int compared = 0;
        for (std::size_t k = 0; k < grids.back().size(); ++k) {
            std::vector<float> in;
            bool present = true;
            for (std::size_t g = 0; g + 1 < grids.size(); ++g) {
                ASSERT_EQ(grids[g].size(), grids.back().size()) << c.entry;
                in.push_back(grids[g][k]);
                present = present && in.back() != -9999.0F;
            }
            if (!present) {
                EXPECT_EQ(grids.back()[k], -9999.0F) << c.entry << " point " << k;
                continue;
            }
            const double want = c.formula(in);
            EXPECT_NEAR(grids.back()[k], want, 1e-3 * std::fabs(want) + 1e-3) << c.entry << " point " << k;
            ++compared;
        }
        EXPECT_GT(compared, 100) << c.entry;
    }
}

// The derivative entries run on a real bulletin and draw a field.
TEST(GridMathBatch, DerivativeEntriesDrawOnARealBulletin) {
    if (!std::filesystem::exists(kBulletin)) GTEST_SKIP() << "real bulletins missing: " << kBulletin;
    for (const char* entry : {"gvort", "gdiv", "gtadv"}) {
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, {kBulletin, "-ba", "-mo", "gfs", "-pr", "9", "-re", "us", "-ft", "h24", "-va", entry,
                                              "-de", "p," + dir.file("m.ps")});
        EXPECT_EQ(r.status, 0) << entry << r.out << r.err;
        EXPECT_NE(read_file(dir.file("m.ps")).find("showpage"), std::string::npos) << entry;
    }
}

}  // namespace
}  // namespace orv::testing
