#include "grid/grd_read.hpp"
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "plot/module_reset.hpp"

namespace orv {
namespace {
using orv::testing::read_file;
Domain us_domain() {
    Domain d;
    d.proj = kProjPolarStereo;
    d.plon = d.clon = -97.0F;
    d.clat = 39.0F;
    d.dx = d.dy = 2.3F / 8.0F;  // refined spacings do not print exactly
    d.nx = 3;
    d.ny = 2;
    return d;
}
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
class GridFiles : public test::ModuleTest {
protected:
    void SetUp() override {
        test::ModuleTest::SetUp();
        RES_put("grid_path", dir_.path().c_str());
        FLAG_set_batch(1);
    }
    // Slot i: a 3 x 2 grid of the given domain with a recognisable header.
    static GridField* grid(int i, const Domain& d, std::vector<float> values) {
        GRD_set_grid_domain(i, &d);
        EXPECT_EQ(GRD_alloc_grid(i), 1);
        GridField* g = GRD_get_grid(i);
        std::copy(values.begin(), values.end(), g->values);
        copy_text(g->label, "12Z 13 SEP 2019 H+24");
        copy_text(g->info, "Temperature (deg F)");
        copy_text(g->units, "deg F");
        g->source = g->version = g->model = 1;
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
    // Every grid of a file read in turn: the first value and hour of each.
    static std::vector<std::pair<float, int>> read_all(const std::string& path) {
        int kind = 0;
        const int entry = GRD_open(path.c_str(), 0, &kind);
        std::vector<std::pair<float, int>> out;
        if (entry < 0) return out;
        GridField r;
        GRD_init(&r);
        while (GRD_read(entry, &r) == 1) out.emplace_back(r.values[0], r.hour);
        GRD_close(entry);
        std::free(r.values);
        return out;
    }
};
TEST_F(GridFiles, TextFileRecordAndReadingItBack) {
    GridField* g = grid(0, us_domain(), {1.5F, -2.0F, kMissingF, 0.0F, 1e6F, 3.25F});
    const GridInfo info = info_for(g);
    EXPECT_EQ(GRD_save_file("t.grd", g, &info, 0), 0);
    ASSERT_EQ(GRD_save_file("t.grd", g, &info, kGridText), 1);
    EXPECT_EQ(read_file(dir_.file("t.grd")),
              "ORVGRID\n12Z 13 SEP 2019 H+24\n2-Temperature (deg F)\n1 1 1 2 -9999 -9999 24 11:deg_F\n"
              "PS 39.000000 -97.000000 0.287500 0.287500 3 2\n"
              "1.50000000e+00\n-2.00000000e+00\n-9.99900000e+03\n0.00000000e+00\n1.00000000e+06\n3.25000000e+00\n");
    EXPECT_EQ(GRD_chktype(dir_.file("t.grd").c_str()), kGridText);
    GRD_free(g);
    const Domain wanted = us_domain();
    ASSERT_EQ(GRD_read_check("t.grd", 4, &wanted), 1);
    const GridField* back = GRD_get_grid(4);
    EXPECT_EQ(std::vector<float>(back->values, back->values + 6), (std::vector<float>{1.5F, -2, kMissingF, 0, 1e6F, 3.25F}));
    EXPECT_STREQ(back->label, "12Z 13 SEP 2019 H+24");
    EXPECT_STREQ(back->info, "Temperature (deg F)");
    EXPECT_EQ(std::make_pair(back->hour, back->variable), std::make_pair(24, 11));
    EXPECT_EQ(DOM_comp(&back->domain, &wanted), 1);
}
TEST_F(GridFiles, BinaryValuesAreBigEndianFloats) {
    Domain d = us_domain();
    d.proj = kProjLambert;
    d.plat = d.params[0] = d.params[1] = 25.0F;
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
    ASSERT_EQ(GRD_read_check("b.grd", 1, &d), 1);
    const float* v = GRD_get_grid(1)->values;
    EXPECT_EQ(std::vector<float>(v, v + 6), (std::vector<float>{1, -2, kMissingF, 0, 0.1F, 3}));  // every byte in its place
}
TEST_F(GridFiles, StandardOutputFormatsAndOpenFileLimit) {
    GridField* g = grid(0, us_domain(), {1, 2, 3, 4, 5, 6});
    const GridInfo info = info_for(g);
    EXPECT_EQ(GRD_set_format("%s"), 0);
    EXPECT_EQ(GRD_set_format("%6.1f"), 1);
    EXPECT_EQ(test::stdout_of([&] { EXPECT_EQ(GRD_save_file("-", g, &info, kGridNetcdf), 1); }),  // as kind 2
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
    EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(GRD_save_file("a.grd", g, &info, kGridText), 0); }),  // batch mode keeps it
              "GRD_save_file: Unable to overwrite grid file: " + dir_.file("a.grd") + "\n");
    FLAG_set(kFlagFileParam, 2);
    g->values[0] = 9.0F;
    g->hour = 36;
    ASSERT_EQ(GRD_save_file("a.grd", g, &info, kGridText), 1);
    const std::string text = read_file(dir_.file("a.grd"));
    EXPECT_EQ(text.find("ORVGRID"), text.rfind("ORVGRID"));  // one header per file
    EXPECT_EQ(read_all(dir_.file("a.grd")), (std::vector<std::pair<float, int>>{{1.0F, 24}, {9.0F, 36}}));
    EXPECT_EQ(GRD_save_file("a.nc", g, &info, kGridNetcdf), 1);
    EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(GRD_save_file("a.nc", g, &info, kGridNetcdf), 0); }),  // not appended to
              "GRD_save_file: Unable to open grid file: " + dir_.file("a.nc") + "\n");
    GridField empty;
    GRD_init(&empty);
    EXPECT_TRUE(contains(test::stderr_of([&] { EXPECT_EQ(GRD_save_file("e.grd", &empty, &info, kGridText), 0); }),
                       "GRD_save_file: Unable to write grid file:"));
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
        EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(GRD_read_check(name, 2, &other), 0) << name; }),
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
        EXPECT_TRUE(contains(test::stderr_of([&] { EXPECT_EQ(GRD_read_check(name.c_str(), 2, &same), 0) << name; }),
                           "GRD_read_check: ")) << name;
    }
    EXPECT_EQ(slot->values[5], 6.0F);  // the slot is left as it was
}
// A netCDF file whose header counts, sizes or offsets do not fit the file is
// refused before the library reads it.
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
    const std::pair<const char*, std::string> refused[] = {
        {"dimension count", with_word(0x0C, 0x7FFFFFFF)},  {"length of x", with_word(0x24, 0x7FFFFFFF)},
        {"global attribute count", with_word(0x4C, 0x7FFFFFFF)}, {"cut in half", whole.substr(0, whole.size() / 2)},
        {"record count", with_word(0x04, 1000000)},
    };
    for (const auto& [damage, content] : refused) {
        std::ofstream(bad, std::ios::binary | std::ios::trunc) << content;
        EXPECT_TRUE(contains(test::stderr_of([&] { EXPECT_TRUE(read_all(bad).empty()) << damage; }),
                           "GRD_open: damaged netCDF grid file " + bad + ": ")) << damage;
    }
    EXPECT_EQ(read_all(dir_.file("c.nc")).size(), 1U);
}
// ncdump reads the file: the values, the header, and the conventions'
// description, which follows the grid's units, variable and projection.
TEST_F(GridFiles, NetcdfFilesAsNcdumpReadsThem) {
    if (!orv::testing::have_program("ncdump")) GTEST_SKIP() << "ncdump is not installed";
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
    const std::string dump = orv::testing::run_command("ncdump " + dir_.file("two.nc")).out;
    for (const char* expected :
         {"grid = UNLIMITED ; // (2 currently)", "float values(grid, x, y) ;", "values:_FillValue = -9999.f ;",
          ":year = 2019s ;", ":month = 9s ;", ":day = 13s ;", ":hour = 12s ;",
          "values =\n  1.5, 2,\n  3, 4,\n  5, _,\n  10, 20,\n  30, 40,\n  50, 60 ;", "proj = 1, 1 ;", "lat1 = 39, 39 ;",
          "lon2 = -97, -97 ;", "dx = 0.2875, 0.2875 ;", "datim =\n  \"12Z 13 SEP 2019 H+24\",\n  \"12Z 13 SEP 2019 H+36\" ;",
          "time = 24, 36 ;", "level = -9999, -9999 ;", "type = 2, 2 ;", "nx = 3, 3 ;", "ny = 2, 2 ;",
          ":Conventions = \"CF-1.8\" ;", "values:units = \"degF\" ;", "values:standard_name = \"air_temperature\" ;",
          "values:coordinates = \"lat lon\" ;", "crs:grid_mapping_name = \"polar_stereographic\" ;",
          "crs:straight_vertical_longitude_from_pole = -97. ;", "crs:latitude_of_projection_origin = 90. ;",
          "crs:standard_parallel = 60. ;", "crs:earth_radius = 6371220. ;"})
        EXPECT_TRUE(contains(dump, expected)) << expected << "\n" << dump;
    EXPECT_FALSE(contains(dump, "x_coord"));
    EXPECT_EQ(read_all(dir_.file("two.nc")), (std::vector<std::pair<float, int>>{{1.5F, 24}, {10.0F, 36}}));
    // The coordinates describe one region: a grid of another is refused.
    const int more = GRD_open_out_file("more.nc", kGridNetcdf);
    ASSERT_EQ(GRD_putinfo(more, &info), 0);
    ASSERT_EQ(GRD_write(more, a), 0);
    b->domain.clat = 40.0F;
    EXPECT_EQ(test::stderr_of([&] { EXPECT_EQ(GRD_write(more, b), -1); }),
              "GRD_write: a netCDF grid file holds grids of one region\n");
    EXPECT_EQ(GRD_close(more), 0);
    Domain lambert = us_domain(), mollweide = us_domain(), plane = us_domain();
    lambert.proj = kProjLambert;
    lambert.params[0] = 25.0F;
    lambert.params[1] = 45.0F;
    mollweide.proj = 7;
    plane.proj = 20;
    const struct { const char* units; int variable; Domain domain; std::vector<std::string> present, absent; } cases[] = {
        {"mb", 2, us_domain(), {"values:units = \"hPa\"", "air_pressure_at_mean_sea_level"}, {}},
        {"knt", 32, us_domain(), {"values:units = \"knot\"", "\"wind_speed\""}, {}},
        {"%", 503, us_domain(), {"values:units = \"percent\""}, {"values:standard_name"}},
        {"", 11, lambert, {"\"lambert_conformal_conic\"", "crs:standard_parallel = 25., 45. ;", "crs:longitude_of_central_meridian = -97. ;"},
         {"values:units"}},
        {"F", 11, mollweide, {"float lat(x, y) ;", "values:coordinates"}, {"grid_mapping"}},
        {"F", 11, plane, {":Conventions"}, {"float lat(", "values:coordinates", "grid_mapping"}},
    };
    for (const auto& c : cases) {
        GridField* g = grid(0, c.domain, {1, 2, 3, 4, 5, 6});
        copy_text(g->units, c.units);
        g->variable = c.variable;
        const GridInfo i = info_for(g);
        std::remove(dir_.file("c.nc").c_str());
        ASSERT_EQ(GRD_save_file("c.nc", g, &i, kGridNetcdf), 1) << c.units;
        const std::string head = orv::testing::run_command("ncdump -h " + dir_.file("c.nc")).out;
        for (const std::string& text : c.present) EXPECT_TRUE(contains(head, text)) << text << "\n" << head;
        for (const std::string& text : c.absent) EXPECT_FALSE(contains(head, text)) << text << "\n" << head;
    }
}
}  // namespace
}  // namespace orv
