// Batch runs that turn a bulletin into a map and grid files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "geo/maptran.hpp"
#include "gks/ps_render.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

const std::string kSample = ORV_SOURCE_DIR "/examples/mos_2026120600.txt";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Station {
    const char* id;
    double lat, lon;
    int temp;  // the 24-hour temperature the test writes into the bulletin
};

// Stations of Colorado with their positions in the shipped station table.
const std::vector<Station> kStations = {
    {"KDEN", 39.867, -104.667, 30}, {"KCOS", 38.817, -104.717, 41}, {"KPUB", 38.283, -104.500, 47},
    {"KGJT", 39.133, -108.533, 22}, {"KAKO", 40.167, -103.217, 35},
};

// The station's section of the sample, with its 24-hour temperature (the
// seventh column) replaced.
std::string station_block(const std::string& sample, const Station& s) {
    const std::size_t at = sample.find(std::string(s.id) + "   GFS MOS");
    EXPECT_NE(at, std::string::npos) << s.id;
    const std::size_t end = sample.find("\n\n", at);
    std::istringstream lines(sample.substr(at, end - at));
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("TMP", 0) == 0) {
            char value[4];
            std::snprintf(value, sizeof value, "%3d", s.temp);
            line.replace(4 + 3 * 6, 3, value);
        }
        out += line + "\n";
    }
    return out + "\n";
}

std::string small_bulletin() {
    const std::string sample = read_file(kSample);
    std::string text = "101 \nFOUS21 KWNO 060000\nMAVME1\n";
    for (const Station& s : kStations) text += station_block(sample, s);
    return text;
}

// The first pass of the analysis written out plainly: at every grid point the
// Gaussian-weighted mean of the stations within three grid lengths.
std::vector<double> plain_barnes(const Domain& d) {
    MAP_domain(&d);
    std::vector<std::pair<float, float>> at;
    for (const Station& s : kStations) {
        float x = 0, y = 0;
        MAP_tran(&x, &y, static_cast<float>(s.lat), static_cast<float>(s.lon));
        at.emplace_back(x, y);
    }
    const double cut2 = std::pow(3.0 * d.dx, 2);
    std::vector<double> grid(static_cast<std::size_t>(d.nx * d.ny), -9999.0);
    for (int j = 0; j < d.ny; ++j) {
        for (int i = 0; i < d.nx; ++i) {
            float px = 0, py = 0;
            MAP_grid_tran(&px, &py, static_cast<float>(i), static_cast<float>(j));
            double sw = 0, swv = 0;
            for (std::size_t s = 0; s < at.size(); ++s) {
                const double r2 = std::pow(at[s].first - px, 2) + std::pow(at[s].second - py, 2);
                if (r2 > cut2) continue;
                const double w = std::exp(-r2);
                sw += w;
                swv += w * kStations[s].temp;
            }
            if (sw > 0) grid[static_cast<std::size_t>(j * d.nx + i)] = swv / sw;
        }
    }
    return grid;
}

std::vector<std::string> files_in(const std::string& dir, const std::string& suffix = "") {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().string().ends_with(suffix)) out.push_back(e.path().string());
    return out;
}

// The first grid of a text grid file the run wrote into dir.
bool read_grid(const std::string& dir, GridField* grid) {
    for (const std::string& path : files_in(dir)) {
        if (GRD_chktype(path.c_str()) != kGridText) continue;
        int kind = 0;
        const int entry = GRD_open(path.c_str(), 0, &kind);
        if (entry < 0) return false;
        GRD_init(grid);
        const bool ok = GRD_read(entry, grid) == 1;
        GRD_close(entry);
        return ok;
    }
    return false;
}

class BatchFrame : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::ifstream(kSample)) GTEST_SKIP() << "shipped sample missing: " << kSample;
    }
    RunResult run(const std::vector<std::string>& extra, const std::vector<std::string>& env = {}) {
        std::vector<std::string> args = {"-ba", "-me", "mess", "-mo", "gfs", "-if", "mos_dat",
                                         "-dp", dir_.path(), "-gp", dir_.path(), "-ft", "h24", "-va", "temp"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_mosplot(dir_, args, "", env);
    }
    ScratchDir dir_;
};

// The text grid file holds the Barnes analysis of the stations' temperatures.
TEST_F(BatchFrame, TextGridFileHoldsTheAnalysisOfTheStations) {
    dir_.write("mos_2026120600.txt", small_bulletin());
    // The national map takes stations of priority 2 and better; five more
    // let in every one of them (KCOS is of priority 7).
    const RunResult r = run({"-pl", "none", "-of", "orv", "-pr", "+5"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "Reading in data from converted file...\n")) << r.out;
    GridField grid{};
    ASSERT_TRUE(read_grid(dir_.path(), &grid)) << r.out;
    const std::vector<double> expected = plain_barnes(grid.domain);
    int compared = 0;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (expected[k] == -9999.0) {
            EXPECT_EQ(grid.values[k], -9999.0F) << k;
        } else {
            EXPECT_NEAR(grid.values[k], expected[k], 1e-3 * std::fabs(expected[k]) + 1e-3) << k;
            ++compared;
        }
    }
    EXPECT_GT(compared, 4);
    GRD_free(&grid);
}

TEST_F(BatchFrame, NationalSampleWritesPostScriptAndNetcdf) {
    dir_.write("mos_2026120600.txt", read_file(kSample));
    const std::string ps = dir_.file("map.ps");
    const RunResult r = run({"-pl", "cf", "-de", "p," + ps, "-of", "cdf"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string picture = read_file(ps);
    // The filled bands cover the grid first; the map is drawn over them.
    const std::size_t first_fill = picture.find("fill\n");
    ASSERT_NE(first_fill, std::string::npos) << "no filled bands";
    EXPECT_LT(first_fill, picture.find("stroke\n"));

    std::string cdf;
    for (const std::string& f : files_in(dir_.path()))
        if (GRD_chktype(f.c_str()) == kGridNetcdf) cdf = f;
    ASSERT_FALSE(cdf.empty()) << r.out;
    if (!have_program("ncdump")) GTEST_SKIP() << "ncdump not installed";
    const RunResult dump = run_command("ncdump -h " + cdf);
    ASSERT_EQ(dump.status, 0) << dump.out;
    EXPECT_TRUE(contains(dump.out, "dimensions:") && contains(dump.out, "variables:")) << dump.out;
}

// The netCDF library is loaded only by runs that write netCDF files: without
// it a run of text grid files goes on, and a run asking for netCDF ends at
// once with a message, drawing nothing.
TEST_F(BatchFrame, NetcdfLibraryIsNeededOnlyForNetcdfFiles) {
    const RunResult linked = run_command("readelf -d " MOSPLOT_BIN);
    ASSERT_EQ(linked.status, 0) << linked.out;
    EXPECT_FALSE(contains(linked.out, "libnetcdf")) << linked.out;

    dir_.write("mos_2026120600.txt", small_bulletin());
    auto run_without_netcdf = [&](const std::string& out_file) {
        return run({"-pl", "cf", "-de", "p," + dir_.file(out_file + ".ps"), "-of", out_file},
                   {"orvnetcdf=/nonexistent/libnetcdf.so"});
    };
    const RunResult text = run_without_netcdf("orv");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_FALSE(files_in(dir_.path(), ".grd").empty()) << text.err;
    const RunResult cdf = run_without_netcdf("cdf");
    EXPECT_EQ(cdf.status, 14);
    EXPECT_TRUE(contains(cdf.err, "netCDF grid files (-of cdf) cannot be written: ")) << cdf.err;
    EXPECT_TRUE(contains(cdf.err, "/nonexistent/libnetcdf.so")) << cdf.err;
    EXPECT_TRUE(files_in(dir_.path(), ".nc").empty());
    EXPECT_FALSE(std::ifstream(dir_.file("cdf.ps")));
}

// A relative grid path holds the grid files once; each kind has its own
// extension, and image and raw entries make no grid files.
TEST_F(BatchFrame, GridFilesLandOnceInARelativeGridPathByKind) {
    dir_.write("mos_2026120600.txt", small_bulletin());
    const std::pair<const char*, const char*> cases[] = {{"orv", "mos_temp_0_24_2026120600.grd"},
                                                         {"orvb", "mos_temp_0_24_2026120600.grdb"},
                                                         {"png,raw,cdf", "mos_temp_0_24_2026120600.nc"}};
    std::filesystem::create_directory(dir_.file("g3"));  // output goes only into directories that exist
    for (const auto& [out_file, written] : cases) {
        const RunResult r = run({"-gp", "g3", "-pl", "none", "-of", out_file});
        EXPECT_EQ(r.status, 0) << out_file << r.out << r.err;
        EXPECT_TRUE(std::ifstream(dir_.file("g3/") + written)) << out_file << r.out << r.err;
    }
    for (const char* stray : {"g3/g3", "png", "raw", "g3/png", "g3/raw"})
        EXPECT_FALSE(std::ifstream(dir_.file(stray))) << stray;
    EXPECT_EQ(files_in(dir_.file("g3")).size(), 3U) << "no g3/g3, png or raw files";
}

// The file named is the file read, wherever it lies and whatever its name;
// the run date of the labels is the bulletin's own, from its title line.
TEST_F(BatchFrame, TheNamedFileIsReadAndItsTitleDatesTheMap) {
    const struct {
        const char* name;
        bool warns;  // the name gives another date than the title
    } cases[] = {{"sub/mos_2026120600.txt", false}, {"./sub/mos_2026120600.txt", false},
                 {"sub/mos_2026120512.txt", true}, {"sub/kden_bulletin.txt", false}};
    for (const auto& c : cases) {
        dir_.write(c.name, small_bulletin());
        const std::string ps = dir_.file("map.ps");
        const RunResult r = run({"-pl", "cf", "-de", "p," + ps, c.name});
        EXPECT_EQ(r.status, 0) << c.name << r.out << r.err;
        EXPECT_FALSE(contains(r.err, "Unable to open")) << c.name << r.err;
        EXPECT_EQ(contains(r.err, "differs from the date of its name"), c.warns) << c.name << r.err;
        EXPECT_TRUE(contains(read_file(ps), "valid 0Z MON  7 DEC 26")) << c.name;
    }
}

// Each frame is a page of its own; plots appended into the cells of a page
// grid share one page; every file ends complete.
TEST_F(BatchFrame, PostScriptFramesArePagesAndPageGridCellsShareOne) {
    dir_.write("mos_2026120600.txt", read_file(kSample));
    const std::string frames = dir_.file("frames.ps");
    RunResult r = run({"-pl", "cf", "-ft", "h12,h24", "-de", "p," + frames});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string grid = dir_.file("grid.ps");
    for (const char* cell : {"P2x1+0+0", "P2x1+1+0"}) {
        r = run({"-pl", "cf", "-ge", cell, "-de", "p,+" + grid});
        ASSERT_EQ(r.status, 0) << cell << r.out << r.err;
    }
    for (const std::string& file : {frames, grid}) EXPECT_TRUE(read_file(file).ends_with("%%EOF\n")) << file;
    if (!test::have_ghostscript()) GTEST_SKIP() << "Ghostscript not installed";
    EXPECT_EQ(test::ps_page_count(frames), 2);
    EXPECT_EQ(test::ps_page_count(grid), 1);
    const test::Page page = test::render_page(grid, dir_.path());
    ASSERT_TRUE(page.ok());
    // Both halves of the landscape picture area (756 points wide) are drawn.
    for (int cell = 0; cell < 2; ++cell) {
        bool ink = false;
        for (int x = 378 * cell + 40; x < 378 * cell + 340 && !ink; x += 10) {
            int px = 0, py = 0;
            test::landscape_to_page(static_cast<float>(x), 288.0F, &px, &py);
            ink = page.ink_near(px, py, 5);
        }
        EXPECT_TRUE(ink) << "cell " << cell;
    }
}

// A bulletin without reports makes no grids; one station fills only its
// neighbourhood with its own value.
TEST_F(BatchFrame, FewStationsGiveMissingGridsNotWrongOnes) {
    dir_.write("mos_2026120600.txt", "101 \nFOUS21 KWNO 060000\nMAVME1\n");
    EXPECT_EQ(run({"-pl", "none", "-of", "orv"}).status, 11);
    GridField grid{};
    EXPECT_FALSE(read_grid(dir_.path(), &grid));
    dir_.write("mos_2026120600.txt", "101 \nFOUS21 KWNO 060000\nMAVME1\n" + station_block(read_file(kSample), kStations[0]));
    const RunResult r = run({"-pl", "none", "-of", "orv"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_TRUE(read_grid(dir_.path(), &grid)) << r.out;
    int set = 0;
    for (int k = 0; k < grid.domain.nx * grid.domain.ny; ++k) {
        if (grid.values[k] == -9999.0F) continue;
        EXPECT_NEAR(grid.values[k], kStations[0].temp, 1e-3);
        ++set;
    }
    EXPECT_GT(set, 0);
    EXPECT_LT(set, grid.domain.nx * grid.domain.ny);
    GRD_free(&grid);
}

}  // namespace
}  // namespace orv::testing
