#include "grid/grd_read.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "plot/module_reset.hpp"

namespace orv {
namespace {

using orv::testing::read_file;
using orv::testing::RunResult;
using orv::testing::ScratchDir;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

Domain us_domain() {
    Domain d;
    d.proj = kProjPolarStereo;
    d.plon = -97.0F;
    d.clat = 39.0F;
    d.clon = -97.0F;
    d.dx = d.dy = 2.3F / 8.0F;  // refined spacings do not print exactly
    d.nx = 3;
    d.ny = 2;
    return d;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class GridFiles : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        RES_put("grid_path", dir_.path().c_str());
        FLAG_set_batch(1);
    }
    void TearDown() override { reset(); }
    static void reset() { test::reset_modules(); }
    // Slot i: a 3 x 2 grid of the given domain with a recognisable header.
    static GridField* grid(int i, const Domain& d, std::vector<float> values) {
        GRD_set_grid_domain(i, &d);
        EXPECT_EQ(GRD_alloc_grid(i), 1);
        GridField* g = GRD_get_grid(i);
        std::copy(values.begin(), values.end(), g->values);
        copy_text(g->label, "12Z 13 SEP 2019 H+24");
        copy_text(g->info, "Temperature (deg F)");
        copy_text(g->units, "deg F");
        g->source = 1;
        g->version = 1;
        g->model = 1;
        g->grid_number = 2;
        g->hour = 24;
        g->variable = 11;
        return g;
    }
    static GridInfo info_for(const GridField* g) {
        GridInfo info;
        DateRecord date{2019, 9, 13, 256, 5, 12, 0, 0};
        GRD_set_info(&info, &date, &g->domain);
        return info;
    }

    ScratchDir dir_;
};

TEST_F(GridFiles, TextFileRecordAndReadingItBack) {
    GridField* g = grid(0, us_domain(), {1.5F, -2.0F, kMissingF, 0.0F, 1e6F, 3.25F});
    const GridInfo info = info_for(g);
    EXPECT_EQ(GRD_save_file("t.grd", g, &info, 0), 0);
    EXPECT_FALSE(FILE_exist(dir_.file("t.grd").c_str()));

    ASSERT_EQ(GRD_save_file("t.grd", g, &info, kGridText), 1);
    EXPECT_EQ(read_file(dir_.file("t.grd")),
              "ORVGRID\n"
              "12Z 13 SEP 2019 H+24\n"
              "2-Temperature (deg F)\n"
              "1 1 1 2 -9999 -9999 24 11:deg_F\n"
              "PS 39.000000 -97.000000 0.287500 0.287500 3 2\n"
              "1.50000000e+00\n-2.00000000e+00\n-9.99900000e+03\n0.00000000e+00\n"
              "1.00000000e+06\n3.25000000e+00\n");
    EXPECT_EQ(GRD_chktype(dir_.file("t.grd").c_str()), kGridText);

    GRD_free(g);
    const Domain wanted = us_domain();
    ASSERT_EQ(GRD_read_check("t.grd", 4, &wanted), 1);
    const GridField* back = GRD_get_grid(4);
    EXPECT_EQ(back->values[0], 1.5F);
    EXPECT_EQ(back->values[2], kMissingF);
    EXPECT_EQ(back->values[4], 1e6F);
    EXPECT_STREQ(back->label, "12Z 13 SEP 2019 H+24");
    EXPECT_STREQ(back->info, "Temperature (deg F)");
    EXPECT_EQ(back->hour, 24);
    EXPECT_EQ(back->variable, 11);
    EXPECT_EQ(DOM_comp(&back->domain, &wanted), 1);
}

TEST_F(GridFiles, BinaryValuesAreBigEndianFloats) {
    Domain d = us_domain();
    d.proj = kProjLambert;
    d.plat = 25.0F;
    d.params[0] = 25.0F;
    d.params[1] = 25.0F;
    d.params[2] = 1.0F;
    GridField* g = grid(0, d, {1.0F, -2.0F, kMissingF, 0.0F, 0.1F, 3.0F});
    const GridInfo info = info_for(g);
    ASSERT_EQ(GRD_save_file("b.grd", g, &info, kGridBinary), 1);
    const std::string text = read_file(dir_.file("b.grd"));
    const std::string head = "ORVGRID\n12Z 13 SEP 2019 H+24\n3-Temperature (deg F)\n";
    ASSERT_EQ(text.substr(0, head.size()), head);
    const std::size_t at = text.find("LC:25.000000:-97.000000:25.000000:25.000000:1.000000 39.000000");
    ASSERT_NE(at, std::string::npos);
    const std::size_t values = text.find('\n', at) + 1;
    EXPECT_EQ(text.substr(values, 4), std::string("\x3F\x80\x00\x00", 4));
    EXPECT_EQ(text.size(), values + 6 * 4 + 1);

    const Domain wanted = d;
    ASSERT_EQ(GRD_read_check("b.grd", 1, &wanted), 1);
    EXPECT_EQ(GRD_get_grid(1)->values[1], -2.0F);
    EXPECT_EQ(GRD_get_grid(1)->values[2], kMissingF);
    EXPECT_EQ(GRD_get_grid(1)->values[4], 0.1F);  // every byte in its place
}

TEST_F(GridFiles, StandardOutputFormatsAndOpenFileLimit) {
    GridField* g = grid(0, us_domain(), {1, 2, 3, 4, 5, 6});
    const GridInfo info = info_for(g);
    EXPECT_EQ(GRD_set_format("%s"), 0);
    EXPECT_EQ(GRD_set_format("%6.1f"), 1);
    CaptureStdout();
    EXPECT_EQ(GRD_save_file("-", g, &info, kGridNetcdf), 1);  // standard output takes kind 2
    EXPECT_EQ(GetCapturedStdout(),
              "ORVGRID\n12Z 13 SEP 2019 H+24\n2-Temperature (deg F)\n1 1 1 2 -9999 -9999 24 11:deg_F\n"
              "PS 39.000000 -97.000000 0.287500 0.287500 3 2\n   1.0\n   2.0\n   3.0\n   4.0\n   5.0\n   6.0\n");

    std::vector<int> entries;
    for (int k = 0; k < kGridMaxOpen; ++k) {
        entries.push_back(GRD_open_out_file(("f" + std::to_string(k)).c_str(), kGridText));
        ASSERT_GE(entries.back(), 0) << k;
    }
    EXPECT_EQ(GRD_open_out_file("f15", kGridText), -1);
    for (int e : entries) EXPECT_EQ(GRD_close(e), 0);
    EXPECT_GE(GRD_open_out_file("f15", kGridText), 0);
}

TEST_F(GridFiles, AppendingAndRefusedOverwrites) {
    GridField* g = grid(0, us_domain(), {1, 2, 3, 4, 5, 6});
    const GridInfo info = info_for(g);
    ASSERT_EQ(GRD_save_file("a.grd", g, &info, kGridText), 1);
    CaptureStderr();
    EXPECT_EQ(GRD_save_file("a.grd", g, &info, kGridText), 0);  // batch mode keeps an existing file
    EXPECT_EQ(GetCapturedStderr(), "GRD_save_file: Unable to overwrite grid file: " + dir_.file("a.grd") + "\n");

    FLAG_set(kFlagFileParam, 2);
    g->values[0] = 9.0F;
    g->hour = 36;
    ASSERT_EQ(GRD_save_file("a.grd", g, &info, kGridText), 1);
    const std::string text = read_file(dir_.file("a.grd"));
    EXPECT_EQ(text.find("ORVGRID"), text.rfind("ORVGRID"));  // one header per file
    int kind = 0;
    const int entry = GRD_open(dir_.file("a.grd").c_str(), 0, &kind);
    ASSERT_GE(entry, 0);
    GridField r;
    GRD_init(&r);
    EXPECT_EQ(GRD_read(entry, &r), 1);
    EXPECT_EQ(r.values[0], 1.0F);
    EXPECT_EQ(GRD_read(entry, &r), 1);
    EXPECT_EQ(r.values[0], 9.0F);
    EXPECT_EQ(r.hour, 36);
    EXPECT_EQ(GRD_read(entry, &r), 0);
    GRD_close(entry);
    std::free(r.values);

    EXPECT_EQ(GRD_save_file("a.nc", g, &info, kGridNetcdf), 1);
    CaptureStderr();
    EXPECT_EQ(GRD_save_file("a.nc", g, &info, kGridNetcdf), 0);  // netCDF files are not appended to
    EXPECT_EQ(GetCapturedStderr(), "GRD_save_file: Unable to open grid file: " + dir_.file("a.nc") + "\n");

    GridField empty;
    GRD_init(&empty);
    CaptureStderr();
    EXPECT_EQ(GRD_save_file("e.grd", &empty, &info, kGridText), 0);
    EXPECT_TRUE(contains(GetCapturedStderr(), "GRD_save_file: Unable to write grid file:"));
}

TEST_F(GridFiles, ReadCheckRefusesOtherRegionsAndBadFiles) {
    GridField* g = grid(0, us_domain(), {1, 2, 3, 4, 5, 6});
    const GridInfo info = info_for(g);
    ASSERT_EQ(GRD_save_file("r.grd", g, &info, kGridText), 1);
    ASSERT_EQ(GRD_save_file("r.nc", g, &info, kGridNetcdf), 1);
    Domain other = us_domain();
    other.clat = 40.0F;
    GridField* slot = GRD_get_grid(2);

    EXPECT_EQ(GRD_read_check("absent.grd", 2, &other), 0);
    for (const char* name : {"r.grd", "r.nc"}) {
        CaptureStderr();
        EXPECT_EQ(GRD_read_check(name, 2, &other), 0) << name;
        EXPECT_EQ(GetCapturedStderr(),
                  "GRD_read_check: " + dir_.file(name) + " file does not correspond to selected region\n");
        EXPECT_EQ(slot->values, nullptr);
    }
    const Domain same = us_domain();
    FLAG_set(kFlagFileParam, 1);  // recompute
    EXPECT_EQ(GRD_read_check("r.grd", 2, &same), 0);
    FLAG_set(kFlagFileParam, 3);
    ASSERT_EQ(GRD_read_check("r.nc", 2, &same), 1);
    EXPECT_EQ(slot->values[5], 6.0F);

    const std::string whole = read_file(dir_.file("r.grd"));
    const std::vector<std::pair<std::string, std::string>> bad{
        {"cut.grd", whole.substr(0, whole.size() - 20)},
        {"kind.grd", "GRIB....."},
        {"short.grd", "ORVGRID\nlabel\n2-info\n1 2 3\nPS 1 2 3 4 3 2\n1\n2\n3\n4\n5\n6\n"},
        {"huge.grd", "ORVGRID\nlabel\n2-info\n1 1 1 2 -9999 -9999 24 11\nPS 1 2 3 4 100000 100000\n1\n"},
        {"empty.grd", ""},
    };
    for (const auto& [name, content] : bad) {
        std::ofstream(dir_.file(name), std::ios::binary) << content;
        CaptureStderr();
        EXPECT_EQ(GRD_read_check(name.c_str(), 2, &same), 0) << name;
        EXPECT_TRUE(contains(GetCapturedStderr(), "GRD_read_check: ")) << name;
    }
    EXPECT_EQ(slot->values[5], 6.0F);  // the slot is left as it was
}

// A netCDF file whose header counts, sizes or offsets do not fit the file is
// refused before the library reads it; no damage makes the reader crash.
TEST_F(GridFiles, DamagedNetcdfHeadersAreRefusedBeforeTheLibraryReadsThem) {
    GridField* g = grid(0, us_domain(), {1, 2, 3, 4, 5, 6});
    const GridInfo info = info_for(g);
    ASSERT_EQ(GRD_save_file("c.nc", g, &info, kGridNetcdf), 1);
    const std::string whole = read_file(dir_.file("c.nc"));
    const std::string bad = dir_.file("bad.nc");
    auto with_word = [&](std::size_t at, std::uint32_t v) {
        std::string text = whole;
        for (int k = 0; k < 4; ++k) text[at + static_cast<std::size_t>(k)] = static_cast<char>(v >> (24 - 8 * k));
        return text;
    };
    auto open_and_read = [&](const std::string& content) {
        std::ofstream(bad, std::ios::binary | std::ios::trunc) << content;
        int kind = 0;
        const int entry = GRD_open(bad.c_str(), 0, &kind);
        if (entry < 0) return false;
        GridField r;
        GRD_init(&r);
        while (GRD_read(entry, &r) == 1) {}
        GRD_close(entry);
        std::free(r.values);
        return true;
    };
    const struct {
        const char* damage;
        std::string content;
    } refused[] = {
        {"dimension count", with_word(0x0C, 0x7FFFFFFF)},
        {"length of x", with_word(0x24, 0x7FFFFFFF)},
        {"global attribute count", with_word(0x4C, 0x7FFFFFFF)},
        {"cut in half", whole.substr(0, whole.size() / 2)},
        {"record count", with_word(0x04, 1000000)},
    };
    for (const auto& c : refused) {
        CaptureStderr();
        EXPECT_FALSE(open_and_read(c.content)) << c.damage;
        EXPECT_TRUE(contains(GetCapturedStderr(), "GRD_open: damaged netCDF grid file " + bad + ": ")) << c.damage;
    }
    CaptureStderr();
    for (std::size_t at = 4; at + 4 <= whole.size(); at += 4)
        for (const std::uint32_t v : {0x7FFFFFF0U, 0xFFFFFFFFU, 0x00010000U}) open_and_read(with_word(at, v));
    GetCapturedStderr();
    EXPECT_TRUE(open_and_read(whole));
}

TEST_F(GridFiles, NetcdfFileReadByTheLibraryTools) {
    if (std::system("command -v ncdump > /dev/null 2>&1") != 0) GTEST_SKIP() << "ncdump is not installed";
    GridField* a = grid(0, us_domain(), {1.5F, 2, 3, 4, 5, kMissingF});
    GridField* b = grid(1, us_domain(), {10, 20, 30, 40, 50, 60});
    copy_text(b->label, "12Z 13 SEP 2019 H+36");
    b->hour = 36;
    b->level = 850500;  // beyond a short: written missing
    const GridInfo info = info_for(a);
    const int entry = GRD_open_out_file("two.nc", kGridNetcdf);
    ASSERT_GE(entry, 0);
    ASSERT_EQ(GRD_putinfo(entry, &info), 0);
    ASSERT_EQ(GRD_write(entry, a), 0);
    ASSERT_EQ(GRD_write(entry, b), 0);
    ASSERT_EQ(GRD_close(entry), 0);
    EXPECT_EQ(GRD_chktype(dir_.file("two.nc").c_str()), kGridNetcdf);

    const std::string dump_file = dir_.file("dump.txt");
    ASSERT_EQ(std::system(("ncdump " + dir_.file("two.nc") + " > " + dump_file).c_str()), 0);
    const std::string dump = read_file(dump_file);
    for (const char* expected :
         {"grid = UNLIMITED ; // (2 currently)", "x = 3 ;", "y = 2 ;", "float values(grid, x, y) ;",
          "values:_FillValue = -9999.f ;", "short proj(grid) ;", "lat1:units = \"DEG\" ;", "dx:units = \"100 KM\" ;",
          ":source = \"ORV\" ;", ":year = 2019s ;", ":month = 9s ;", ":day = 13s ;", ":hour = 12s ;",
          "values =\n  1.5, 2,\n  3, 4,\n  5, _,\n  10, 20,\n  30, 40,\n  50, 60 ;", "proj = 1, 1 ;", "lat1 = 39, 39 ;",
          "lon2 = -97, -97 ;", "dx = 0.2875, 0.2875 ;", "datim =\n  \"12Z 13 SEP 2019 H+24\",\n  \"12Z 13 SEP 2019 H+36\" ;",
          "time = 24, 36 ;", "level = -9999, -9999 ;", "type = 2, 2 ;", "nx = 3, 3 ;", "ny = 2, 2 ;",
          // the description other readers use
          ":Conventions = \"CF-1.8\" ;", "values:missing_value = -9999.f ;", "values:units = \"degF\" ;",
          "values:standard_name = \"air_temperature\" ;", "values:coordinates = \"lat lon\" ;",
          "lat:units = \"degrees_north\" ;", "lon:units = \"degrees_east\" ;",
          "crs:grid_mapping_name = \"polar_stereographic\" ;", "crs:straight_vertical_longitude_from_pole = -97. ;",
          "crs:latitude_of_projection_origin = 90. ;", "crs:standard_parallel = 60. ;", "crs:earth_radius = 6371220. ;"})
        EXPECT_TRUE(contains(dump, expected)) << expected << "\n" << dump;
    EXPECT_FALSE(contains(dump, "x_coord"));

    int kind = 0;
    const int in = GRD_open(dir_.file("two.nc").c_str(), 0, &kind);
    ASSERT_GE(in, 0);
    EXPECT_EQ(kind, kGridNetcdf);
    GridField r;
    GRD_init(&r);
    ASSERT_EQ(GRD_read(in, &r), 1);
    EXPECT_EQ(r.values[0], 1.5F);
    EXPECT_EQ(r.hour, 24);
    ASSERT_EQ(GRD_read(in, &r), 1);
    EXPECT_EQ(r.values[5], 60.0F);
    EXPECT_STREQ(r.label, "12Z 13 SEP 2019 H+36");
    EXPECT_EQ(GRD_read(in, &r), 0);
    GRD_close(in);
    std::free(r.values);

    // The coordinates describe one region: a grid of another is refused.
    const int more = GRD_open_out_file("more.nc", kGridNetcdf);
    ASSERT_EQ(GRD_putinfo(more, &info), 0);
    ASSERT_EQ(GRD_write(more, a), 0);
    b->domain.clat = 40.0F;
    CaptureStderr();
    EXPECT_EQ(GRD_write(more, b), -1);
    EXPECT_EQ(GetCapturedStderr(), "GRD_write: a netCDF grid file holds grids of one region\n");
    EXPECT_EQ(GRD_close(more), 0);
}

// What the description says follows the grid's units, variable and projection.
TEST_F(GridFiles, CfDescriptionFollowsTheGrid) {
    if (std::system("command -v ncdump > /dev/null 2>&1") != 0) GTEST_SKIP() << "ncdump is not installed";
    Domain lambert = us_domain();
    lambert.proj = kProjLambert;
    lambert.params[0] = 25.0F;
    lambert.params[1] = 45.0F;
    Domain mollweide = us_domain();
    mollweide.proj = 7;
    Domain plane = us_domain();
    plane.proj = 20;
    const struct {
        const char* units;
        int variable;
        Domain domain;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {"mb", 2, us_domain(), {"values:units = \"hPa\"", "air_pressure_at_mean_sea_level"}, {}},
        {"knt", 32, us_domain(), {"values:units = \"knot\"", "\"wind_speed\""}, {}},
        {"%", 503, us_domain(), {"values:units = \"percent\""}, {"values:standard_name"}},
        {"in", 512, us_domain(), {"\"inch\"", "\"lwe_thickness_of_precipitation_amount\""}, {}},
        {"", 11, lambert,
         {"\"lambert_conformal_conic\"", "crs:standard_parallel = 25., 45. ;",
          "crs:longitude_of_central_meridian = -97. ;"},
         {"values:units"}},
        {"F", 11, mollweide, {"float lat(x, y) ;", "values:coordinates"}, {"grid_mapping"}},
        {"F", 11, plane, {":Conventions"}, {"float lat(", "values:coordinates", "grid_mapping"}},
    };
    for (const auto& c : cases) {
        GridField* g = grid(0, c.domain, {1, 2, 3, 4, 5, 6});
        copy_text(g->units, c.units);
        g->variable = c.variable;
        const GridInfo info = info_for(g);
        std::remove(dir_.file("c.nc").c_str());
        ASSERT_EQ(GRD_save_file("c.nc", g, &info, kGridNetcdf), 1) << c.units;
        const RunResult dump = orv::testing::run_command("ncdump -h " + dir_.file("c.nc"));
        for (const std::string& text : c.present) EXPECT_TRUE(contains(dump.out, text)) << text << "\n" << dump.out;
        for (const std::string& text : c.absent) EXPECT_FALSE(contains(dump.out, text)) << text << "\n" << dump.out;
    }
}

// A reader of the conventions (xarray, pyproj) finds the coordinates of the
// values, their units and missing values, and the projection: the points
// it projects with the file's grid mapping lie the grid spacing apart.
TEST_F(GridFiles, CfReadersFindCoordinatesAndProjection) {
    constexpr const char* kPython = "/usr/bin/python3";
    if (orv::testing::run_command(std::string(kPython) + " -c 'import xarray, netCDF4, pyproj'").status != 0)
        GTEST_SKIP() << kPython << " lacks xarray, netCDF4 or pyproj (python3-xarray python3-netcdf4 python3-pyproj)";
    auto domain = [](int proj, float clat, float clon, float spacing) {
        Domain d;
        d.proj = proj;
        d.clat = clat;
        d.clon = clon;
        d.dx = d.dy = spacing;
        d.nx = 5;
        d.ny = 3;
        return d;
    };
    Domain lambert = domain(kProjLambert, 35.0F, -95.0F, 0.8F);
    lambert.plat = 25.0F;
    lambert.params[0] = 25.0F;
    lambert.params[1] = 45.0F;
    Domain south = domain(kProjPolarStereo, -70.0F, 30.0F, 2.0F);
    south.plon = 0.0F;
    const struct {
        const char* name;
        Domain domain;
        double spacing;  // in the grid mapping's units
        double tolerance;
    } cases[] = {
        {"polar stereographic", domain(kProjPolarStereo, 39.0F, -97.0F, 0.2875F), 28750.0, 2.0},
        {"southern polar stereographic", south, 200000.0, 5.0},
        {"lambert", lambert, 80000.0, 5.0},
        {"mercator", domain(kProjMercator, 20.0F, -150.0F, 1.0F), 100000.0, 5.0},
        {"latlon", domain(kProjLatLon, 40.0F, -100.0F, 0.5F), 0.5, 1e-4},
        {"orthographic", domain(5, 40.0F, -100.0F, 1.0F), 100000.0, 5.0},
        {"lambert azimuthal", domain(8, 50.0F, 10.0F, 2.0F), 200000.0, 5.0},
    };
    const auto file_of = [](const std::string& name) { return "p_" + name + ".nc"; };
    std::string command = std::string(kPython) + " " ORV_SOURCE_DIR "/tests/grid/cf_client.py";
    for (const auto& c : cases) {
        GridField* g = grid(0, c.domain, {});
        std::fill(g->values, g->values + 15, 1.0F);
        g->values[3] = kMissingF;
        const GridInfo info = info_for(g);
        ASSERT_EQ(GRD_save_file(file_of(c.name).c_str(), g, &info, kGridNetcdf), 1) << c.name;
        command += " '" + dir_.file(file_of(c.name)) + "' " + std::to_string(c.spacing) + " " +
                   std::to_string(c.spacing);
    }
    const RunResult r = orv::testing::run_command(command + " 2>&1");
    ASSERT_EQ(r.status, 0) << r.out;
    std::map<std::string, std::map<std::string, std::string>> files;
    std::istringstream lines(r.out);
    std::string current;
    for (std::string key, value; lines >> key && std::getline(lines, value);) {
        if (key == "file") current = value.substr(1);
        files[current][key] = value.substr(1);
    }
    for (const auto& c : cases) {
        auto& found = files[dir_.file(file_of(c.name))];
        char centre[64];
        std::snprintf(centre, sizeof centre, "%.3f %.3f", static_cast<double>(c.domain.clat),
                      static_cast<double>(c.domain.clon));
        EXPECT_EQ(found["coordinates"], "lat lon") << c.name;
        EXPECT_EQ(found["units"], "degF") << c.name;
        EXPECT_EQ(found["standard_name"], "air_temperature") << c.name;
        EXPECT_EQ(found["centre"], centre) << c.name;
        EXPECT_EQ(found["missing"], "1") << c.name;
        ASSERT_TRUE(found.contains("spacing_error")) << c.name << "\n" << r.out;
        EXPECT_LT(std::stod(found["spacing_error"]), c.tolerance) << c.name << "\n" << r.out;
    }
}

}  // namespace
}  // namespace orv
