#include "geo/region.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "geo/maptran.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

namespace fs = std::filesystem;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

constexpr const char* kInvalid = "DOM_decode: Invalid plot domain\n";

// The station table seen by the decoder in these tests.
std::string g_looked_up_table;
std::string g_looked_up_id;
int fake_stations(const char* table, const char* id, float* lat, float* lon) {
    g_looked_up_table = table;
    g_looked_up_id = id;
    const std::string s = id;
    if (s != "DEN" && s != "KBOS") return 0;
    *lat = s == "DEN" ? 39.75F : 42.36F;
    *lon = s == "DEN" ? -104.87F : -71.01F;
    return 1;
}

Domain polar(float clat, float clon, float spacing, float plon = kMissingF) {
    Domain d;
    std::tie(d.proj, d.plon, d.clat, d.clon, d.nx, d.ny) = std::tuple(kProjPolarStereo, plon, clat, clon, 25, 17);
    d.dx = d.dy = spacing;
    return d;
}

// Every field of the record on one line; missing values print as M.
std::string show(const Domain& d) {
    std::string s = std::to_string(d.proj);
    char v[32];
    const float fields[] = {d.plat, d.plon, d.params[0], d.params[1], d.params[2], d.params[3], d.params[4],
                            d.clat, d.clon, d.dx, d.dy};
    for (float f : fields) {
        std::snprintf(v, sizeof v, " %g", static_cast<double>(f));
        s += is_missing(f) ? " M" : v;
    }
    return s + " " + std::to_string(d.nx) + "x" + std::to_string(d.ny) + " e" + std::to_string(d.ellipsoid);
}

void expect_same(const Domain& got, const Domain& want, const std::string& what) {
    EXPECT_EQ(show(got), show(want)) << what;
}

class RegionTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_all();
        RES_put("file_path", dir_.c_str());  // no region file unless a test writes one
        std::freopen("/dev/null", "r", stdin);
    }
    void TearDown() override { reset_all(); }
    static void reset_all() {
        DOM_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
        MAP_reset_for_tests();
        g_looked_up_table.clear();
        g_looked_up_id.clear();
    }
    std::string write(const std::string& name, const std::string& text) {
        const fs::path p = dir_ / name;
        std::ofstream(p) << text;
        return p.string();
    }
    void feed_stdin(const std::string& text) {
        ASSERT_TRUE(orv::testing::feed_stdin((dir_ / "stdin.txt").string(), text));
    }
    // Decodes and returns the result with what went to the error stream.
    int decode(const char* text, Domain* d, std::string* errors = nullptr) {
        CaptureStderr();
        const int r = DOM_decode(text, d);
        const std::string err = GetCapturedStderr();
        if (errors != nullptr) *errors = err;
        return r;
    }

    orv::testing::ScratchDir scratch_;
    const fs::path dir_ = scratch_.path();
};

TEST_F(RegionTest, BuiltInRegionsAnyCaseAndUnknownKeys) {
    const struct {
        const char* key;
        float clat, clon, spacing;
    } regions[] = {{"NE", 42, -76, 0.9F}, {"sp", 32.5F, -100, 1.2F}, {"Sw", 37, -112, 1.0F}};
    for (const auto& r : regions) {
        Domain d;
        EXPECT_EQ(DOM_get_def_region(r.key, &d), 1) << r.key;
        expect_same(d, polar(r.clat, r.clon, r.spacing, r.clon), r.key);
    }
    Domain d;
    EXPECT_EQ(DOM_get_def_region("xx", &d), 0);
    EXPECT_EQ(DOM_get_def_region(nullptr, &d), 0);
    // Known neither to the region file nor built in: no usable projection.
    EXPECT_EQ(decode("zz", &d), kDomRegionRef);
    EXPECT_EQ(d.proj, -1);
    EXPECT_TRUE(is_missing(d.clat));
}

// Every template and projection field form: proj plat plon p1..p5 clat clon
// dx dy nx x ny and the ellipsoid, and the station priority of its height.
TEST_F(RegionTest, EveryTemplateFillsItsFieldsAndDefaults) {
    const struct {
        const char* text;
        const char* want;
        int priority;
    } rows[] = {
        {"ps,-105,40,-100,30,20,1.5,1.25", "1 M -105 M M M M M 40 -100 1.5 1.25 30x20 e0", 3},
        {"merc,20,-157,40,30,0.3,0.2", "3 M M M M M M M 20 -157 0.3 0.2 40x30 e0", 5},
        {"ps,-90,45,-95,2,3", "1 M -90 M M M M M 45 -95 2 3 25x17 e0", 2},
        {"ll,45,-100,73,49,1.5", "2 M M M M M M M 45 -100 1.5 1.5 73x49 e0", 1},
        {"35,-90,41,31,0.5,0.4", "1 M M M M M M M 35 -90 0.5 0.4 41x31 e0", 4},
        {"ortho,40,-100,5,4", "5 M M M M M M M 40 -100 5 4 25x17 e0", 1},
        {"35,-90,41,31,0.5", "1 M M M M M M M 35 -90 0.5 0.5 41x31 e0", 3},
        {"moll,0,0,10", "7 M M M M M M M 0 0 10 10 25x17 e0", 1},
        {"40,-100,33,21", "1 M M M M M M M 40 -100 1.2 1.2 33x21 e0", 3},
        {"40,-100,2", "1 M M M M M M M 40 -100 2 2 25x17 e0", 2},
        {"ps,40,-100", "1 M M M M M M M 40 -100 1.2 1.2 25x17 e0", 3},
        {"40,-100", "1 M M M M M M M 40 -100 1.2 1.2 25x17 e0", 3},
        {"lc:25:-95:25:25,35,-95,50,40,0.8,0.8", "4 25 -95 25 25 M M M 35 -95 0.8 0.8 50x40 e0", -1},
        {"lambaz:45:-100,45,-100", "4 45 -100 M M M M M 45 -100 1.2 1.2 25x17 e0", -1},  // "lamb" before "la"
        {"la:45:-100,45,-100", "8 45 -100 M M M M M 45 -100 1.2 1.2 25x17 e0", -1},
        {"sat:e:0:-75:421.61:1,0,-75", "9 0 -75 421.61 1 M M M 0 -75 1.2 1.2 25x17 e1", -1},
        {"ps:-80,40,-100", "1 M -80 M M M M M 40 -100 1.2 1.2 25x17 e0", -1},  // two fields: the origin longitude
        {"lamb::-100::45,40,-100", "4 0 -100 M 45 M M M 40 -100 1.2 1.2 25x17 e0", -1},  // empty origins read as 0
        {"zoom,3,4", "50 M M M M M M M 3 4 1 1 25x17 e0", -1},
        {"size,640,480", "51 M M M M M M M M M M M 640x480 e0", -1},
        {"none", "1 M M M M M M M M M 1.2 1.2 25x17 e0", -1},  // the station template with no centre
    };
    for (const auto& row : rows) {
        Domain d;
        std::string err;
        ASSERT_EQ(decode(row.text, &d, &err), kDomExplicit) << row.text;
        EXPECT_EQ(err, "") << row.text;
        EXPECT_EQ(show(d), row.want) << row.text;
        if (row.priority < 0) continue;
        EXPECT_EQ(DOM_get_prior(), row.priority) << row.text;
        EXPECT_EQ(FLAG_get(kFlagDomainSet), 1) << row.text;
    }
}

// One template against the fields: 0 when it matches and the record holds
// them, -1 for a field too many, no fields or no record.
TEST_F(RegionTest, SetParamsMatchesOneTemplate) {
    const char* fields[] = {"40", "-100", "33"};
    Domain d;
    EXPECT_EQ(DOM_set_params(3, fields, &d, kDomClat, kDomClon, kDomNx), 0);
    EXPECT_EQ(show(d), "-9999 M M M M M M M 40 -100 M M 33x-9999 e0");
    EXPECT_EQ(DOM_set_params(3, fields, &d, kDomClat, kDomClon), -1);
    const char* gap[] = {"40", nullptr};
    const struct {
        int count;
        const char* const* list;
        Domain* record;
    } refused[] = {{-1, fields, &d}, {2, nullptr, &d}, {2, fields, nullptr}, {2, gap, &d}};
    for (const auto& r : refused)
        EXPECT_EQ(DOM_set_params(r.count, r.list, r.record, kDomClat, kDomClon), -1) << r.count;
}

TEST_F(RegionTest, StationCentredDomains) {
    Domain d;
    write("sao.cty", "");
    CaptureStdout();
    EXPECT_EQ(decode("ps,id:DEN,25,17,1,1", &d), kDomInvalid) << "not in the station table";
    GetCapturedStdout();
    DOM_set_station_lookup(fake_stations);
    ASSERT_EQ(decode("ps,id:DEN,25,17,1,1", &d), kDomExplicit);
    EXPECT_EQ(g_looked_up_table, "sao.cty");
    EXPECT_EQ(g_looked_up_id, "DEN");
    Domain want = polar(39.75F, -104.87F, 1);
    expect_same(d, want, "ps,id:DEN");
    ASSERT_EQ(decode("id:mos.cty:KBOS", &d), kDomExplicit);
    EXPECT_EQ(g_looked_up_table, "mos.cty");
    EXPECT_EQ(g_looked_up_id, "KBOS");
    expect_same(d, polar(42.36F, -71.01F, 1.2F), "id:KBOS");
    ASSERT_EQ(decode("lamb:40:-100:33:45,id:DEN", &d), kDomExplicit);
    EXPECT_EQ(d.proj, kProjLambert);
    EXPECT_FLOAT_EQ(d.clat, 39.75F);
    EXPECT_EQ(d.nx, 25);
    std::string err;
    EXPECT_EQ(decode("ps,id:XXXX,25,17,1,1", &d, &err), kDomInvalid);
    EXPECT_EQ(err, kInvalid);
    EXPECT_EQ(decode("id:", &d), kDomInvalid);
    EXPECT_EQ(decode("id:mos.cty:", &d), kDomInvalid);
}

TEST_F(RegionTest, BadSpecificationsAreRejectedAndLeaveTheRecordReset) {
    const std::string long_field(600, '7');
    std::string huge;
    for (int k = 0; k < 2000; ++k) huge += "1,";
    // nine fields, no numbers, an unknown projection, empty fields, beyond
    // the pole, longitudes out of range, more origin and parameter fields
    // than there are, numbers too large, fields too long
    const std::vector<std::string> bad = {
        "ps,-105,40,-100,30,20,1.5,1.25,9", "40,abc", "abc,def,ghi", "foo,40,-100", "ps,40,-100,x,17", ",", ",,,",
        "40,,2", "95,-100", "-90.5,-100", "45,-541", "ps:95:0,40,-100", "ps:0:600,40,-100",
        "lamb:40:-100:95:30,40,-100", "nan,-100", "40,inf", "1e40,-100", "40,-100,25,99999999999",
        "ps:1:2:3:4:5:6:7,40,-100", ":,40,-100", long_field + "," + long_field, huge,
    };
    for (const std::string& text : bad) {
        Domain d = polar(1, 2, 3);
        std::string err;
        EXPECT_EQ(decode(text.c_str(), &d, &err), kDomInvalid) << text.substr(0, 60);
        EXPECT_EQ(err, kInvalid) << text.substr(0, 60);
        expect_same(d, Domain{}, text.substr(0, 60));
        EXPECT_EQ(FLAG_get(kFlagDomainSet), -1);
    }
    // The x/y planes take any numbers; longitudes wrap up to 540.
    Domain d;
    EXPECT_EQ(decode("xy,95,-600,10,10", &d), kDomExplicit);
    EXPECT_EQ(decode("45,540", &d), kDomExplicit);
}

// Domains that parse but could not be analysed or drawn are refused with the reason.
TEST_F(RegionTest, UnusableGridsAreRefusedWithTheReason) {
    const struct Row {
        const char* text;
        const char* reason;
    } rows[] = {
        {"ps,-97,39,-97,100000,17,2.3,0", "the grid spacing must be above 0"},
        {"40,-100,0", "the grid spacing must be above 0"},
        {"40,-100,25,17,-1.2", "the grid spacing must be above 0"},
        {"ps,40,-100,25,17,1,-1", "the grid spacing must be above 0"},
        {"40,-100,1,17,1", "the grid needs at least 2 x 2 points"},
        {"40,-100,25,0", "the grid needs at least 2 x 2 points"},
        {"40,-100,5000,10,0.1", "the grid has too many points"},
        {"40,-100,1100,1000,0.1", "the grid has too many points"},
        {"40,-100,101,101,20", "the grid is larger than the earth"},
        {"size,0,480", "the picture size is out of range"},
    };
    for (const Row& row : rows) {
        Domain d = polar(1, 2, 3);
        std::string err;
        EXPECT_EQ(decode(row.text, &d, &err), kDomInvalid) << row.text;
        EXPECT_EQ(err, std::string("DOM_decode: Invalid plot domain: ") + row.reason + "\n") << row.text;
        expect_same(d, Domain{}, row.text);
    }
    Domain d;
    EXPECT_EQ(decode("40,-100,1000,1000,0.05", &d), kDomExplicit);
    EXPECT_EQ(decode("xy,0,0,11,11,-1", &d), kDomInvalid);
}

TEST_F(RegionTest, RegionFileSearchAndReferences) {
    write("orv.reg",
          "# key label listed domain\n"
          "#us Commented_out 1 10,10\n"
          "\n"
          "us    Contiguous_US 1 ps,-97,39,-97,25,17,2.3,2.3\n"
          "Tx    Texas         1 ps,31,-99,25,17,0.6\n"
          "short only_three 1\n"
          "hid   Hidden        0 merc,20,-157,25,17,0.3,0.3\n"
          "bad   Broken        1 40,abc\n");
    write("other.reg", "ak Alaska 1 ps,-150,61,-152,25,17,1.5,1.5\n");
    write("one.spec", "# a single domain\n50,-60,3\n");
    Domain d;
    ASSERT_EQ(decode("us", &d), kDomRegionRef);
    expect_same(d, polar(39, -97, 2.3F, -97), "us from the file");
    ASSERT_EQ(decode("tx", &d), kDomRegionRef);  // keys in any case
    EXPECT_FLOAT_EQ(d.clat, 31);
    EXPECT_FLOAT_EQ(d.dy, 0.6F);
    EXPECT_EQ(DOM_get_prior(), 4);
    ASSERT_EQ(decode("HID", &d), kDomRegionRef);  // unlisted regions can be named
    EXPECT_EQ(d.proj, kProjMercator);
    ASSERT_EQ(decode("se", &d), kDomRegionRef);   // not in the file: built in
    EXPECT_FLOAT_EQ(d.clat, 31);
    EXPECT_FLOAT_EQ(d.dx, 1.1F);
    std::string err;
    EXPECT_EQ(decode("bad", &d, &err), kDomInvalid);  // a broken definition is not a region
    EXPECT_EQ(err, kInvalid);
    ASSERT_EQ(decode("other.reg:AK", &d), kDomRegionRef);
    EXPECT_FLOAT_EQ(d.clat, 61);
    EXPECT_FLOAT_EQ(d.plon, -150);
    ASSERT_EQ(decode("other.reg:ne", &d), kDomRegionRef);  // falls back to the built-in
    EXPECT_FLOAT_EQ(d.clat, 42);
    ASSERT_EQ(decode("fi:one.spec", &d), kDomRegionRef);
    expect_same(d, polar(50, -60, 3), "fi:");
    ASSERT_EQ(decode(("fi:" + (dir_ / "one.spec").string()).c_str(), &d), kDomRegionRef);
    EXPECT_FLOAT_EQ(d.clat, 50);
    ASSERT_EQ(decode("fi:missing.spec", &d, &err), kDomRegionRef);
    EXPECT_EQ(d.proj, -1);
    EXPECT_EQ(err, "Unable to open region file: " + (dir_ / "missing.spec").string() + "\n");
    char spec[kRegionSpecSize];
    EXPECT_EQ(DOM_search_file(write("x.reg", "").c_str(), "us", spec), 0);
    ASSERT_EQ(DOM_search_file((dir_ / "orv.reg").string().c_str(), nullptr, spec), 1);
    EXPECT_STREQ(spec, "ps,-97,39,-97,25,17,2.3,2.3");
    char small[6];
    ASSERT_EQ(DOM_search_file((dir_ / "orv.reg").string().c_str(), "tx", small, sizeof small), 1);
    EXPECT_STREQ(small, "ps,31");
}

TEST_F(RegionTest, RegionChainsAndLoopsEnd) {
    write("orv.reg",
          "a  A  1 b\n"
          "b  B  1 c\n"
          "c  C  1 40,-100,2\n"
          "x  X  1 y\n"
          "y  Y  1 x\n"
          "var Variable 1 var\n");
    Domain d;
    ASSERT_EQ(decode("a", &d), kDomRegionRef);
    EXPECT_FLOAT_EQ(d.dx, 2);
    std::string err;
    EXPECT_EQ(decode("x", &d, &err), kDomInvalid);
    EXPECT_NE(err.find(kInvalid), std::string::npos);
    // A region defined as its own key is the built-in one.
    feed_stdin("10\n20\n");
    CaptureStdout();
    EXPECT_EQ(decode("var", &d), kDomRegionRef);
    GetCapturedStdout();
    EXPECT_FLOAT_EQ(d.clat, 10);
    EXPECT_FLOAT_EQ(d.clon, 20);
}

TEST_F(RegionTest, LongLinesAreCutAt500Characters) {
    const std::string filler(495, 'x');
    const std::string very_long(5000, 'y');
    write("orv.reg", "k1 " + filler + " 1 40,-100\n" +  // the domain lies beyond 500 characters
                         "k2 L 1 " + very_long + "\n" +
                         very_long + " 35,-90\n" +  // the rest of a long line is not a line
                         "k3 L 1 45,-95,1.5\n");
    Domain d;
    char spec[kRegionSpecSize];
    EXPECT_EQ(DOM_search_file((dir_ / "orv.reg").string().c_str(), "k2", spec), 1);
    EXPECT_EQ(std::string(spec), std::string(493, 'y'));
    ASSERT_EQ(decode("k3", &d), kDomRegionRef);
    EXPECT_FLOAT_EQ(d.clat, 45);
    EXPECT_EQ(decode("k1", &d), kDomRegionRef);  // no domain on its line: the built-in, then none
    EXPECT_EQ(d.proj, -1);
    EXPECT_EQ(DOM_read_menu((dir_ / "orv.reg").string().c_str()), 1);
}

TEST_F(RegionTest, ComparisonTreatsAMissingOriginAsTheCentre) {
    const Domain a = polar(39, -97, 2.3F);
    Domain b = polar(39, -97, 2.3F, -97);
    EXPECT_EQ(DOM_comp(&a, &b), 1);
    EXPECT_EQ(DOM_comp(&b, &a), 1);
    b.plat = 39;
    EXPECT_EQ(DOM_comp(&a, &b), 1);
    b.plat = 90;
    EXPECT_EQ(DOM_comp(&a, &b), 0);
    EXPECT_EQ(DOM_comp_proj(&a, &b), 0);
    b = a;
    b.nx = 26;
    EXPECT_EQ(DOM_comp(&a, &b), 0);
    EXPECT_EQ(DOM_comp_proj(&a, &b), 1);  // same projection, other grid
    b.clat = 40;
    EXPECT_EQ(DOM_comp_proj(&a, &b), 0);  // the origin follows the centre
    b = a;
    b.params[4] = 1;
    EXPECT_EQ(DOM_comp(&a, &b), 0);
    b = a;
    b.ellipsoid = 1;
    EXPECT_EQ(DOM_comp_proj(&a, &b), 0);
    // Re-projection between equal domains copies the point.
    b = a;
    b.plon = -97;
    float x = 0, y = 0;
    EXPECT_EQ(MAP_domain_tran(&a, &b, &x, &y, 1234.5F, -3.25F), 1);
    EXPECT_FLOAT_EQ(x, 1234.5F);
}

TEST_F(RegionTest, AspectAndStationPriority) {
    Domain d = polar(40, -100, 1);
    EXPECT_FLOAT_EQ(DOM_aspect(&d), 1.5F);
    d.nx = 17;
    d.ny = 25;
    EXPECT_FLOAT_EQ(DOM_aspect(&d), 16.0F / 24.0F);
    d.ny = 1;
    EXPECT_FLOAT_EQ(DOM_aspect(&d), 1.0F);
    EXPECT_FLOAT_EQ(DOM_aspect(nullptr), 1.0F);
    EXPECT_EQ(DOM_get_prior(), 3);
    EXPECT_EQ(DOM_get_loc_prior(), 4);
    const struct {
        float height;
        int priority;
    } steps[] = {{50.01F, 1}, {50, 2}, {25.01F, 2}, {25, 3}, {12.6F, 3}, {12.5F, 4},
                 {6.26F, 4},  {6.25F, 5}, {3.01F, 5}, {3, 6}, {0, 6}};
    for (const auto& s : steps) {
        DOM_set_base_prior(s.height);
        EXPECT_EQ(DOM_get_prior(), s.priority) << s.height;
    }
    const struct {
        const char* adjust;
        int priority;
    } adjustments[] = {{"+2", 5}, {"-1", 2}, {"7", 7}, {"12", 12}, {"+", 3}, {"x", 3}, {"", 3}};
    for (const auto& a : adjustments) {
        RES_put("stat_prior", a.adjust);
        DOM_set_base_prior(19.2F);
        EXPECT_EQ(DOM_get_prior(), a.priority) << a.adjust;
    }
    DOM_set_prior(9);
    DOM_set_loc_prior(8);
    EXPECT_EQ(DOM_get_prior(), 9);
    EXPECT_EQ(DOM_get_loc_prior(), 8);
}

TEST_F(RegionTest, ShippedRegionsAllDecodeToUsableMaps) {
    RES_reset_for_tests();  // file_path unset: the installation data
    const std::string file = DOM_region_file();
    ASSERT_EQ(fs::path(file), fs::path(ORV_DATA_DIR) / "orv.reg");
    std::ifstream in(file);
    ASSERT_TRUE(in) << file;
    int listed = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key, label, spec;
        int flag = 0;
        ASSERT_TRUE(words >> key >> label >> flag >> spec) << line;
        EXPECT_LE(key.size(), 5U) << key;
        EXPECT_LE(label.size(), 20U) << key;
        listed += flag != 0 ? 1 : 0;
        if (key == "var") continue;  // asks for its centre
        Domain d;
        ASSERT_EQ(decode(key.c_str(), &d), kDomRegionRef) << key;
        ASSERT_GE(d.proj, 1) << key;
        ASSERT_EQ(MAP_domain(&d), 0);
        float limits[4];
        MAP_get_limits(limits);
        EXPECT_LT(limits[0], limits[1]) << key;
        EXPECT_LT(limits[2], limits[3]) << key;
        for (float i : {0.0F, d.nx - 1.0F}) {
            for (float j : {0.0F, d.ny - 1.0F}) {
                float x = 0, y = 0, lat = 0, lon = 0;
                MAP_grid_tran(&x, &y, i, j);
                EXPECT_EQ(MAP_untran(&lat, &lon, x, y), 1) << key << " corner " << i << "," << j;
            }
        }
    }
    EXPECT_LE(listed, kRegionMenuMax);
    Domain d;
    ASSERT_EQ(decode("us", &d), kDomRegionRef);
    const Domain builtin = polar(39, -97, 2.3F, -97);
    EXPECT_EQ(DOM_comp(&d, &builtin), 1);
    EXPECT_EQ(DOM_get_prior(), 2);
    ASSERT_EQ(decode("lcus", &d), kDomRegionRef);
    EXPECT_EQ(d.proj, kProjLambert);
    EXPECT_EQ(DOM_get_region(&d, 4), kDomRegionRef);
    EXPECT_STREQ(DOM_get_region_name(1), "Contiguous US");
    // A domain centred on a station of the shipped station table.
    CaptureStdout();
    ASSERT_EQ(decode("lamb:40:-100:33:45,id:mos.cty:KDEN,25,17,1,1", &d), kDomExplicit);
    GetCapturedStdout();
    EXPECT_NEAR(d.clat, 39.867, 1e-3);
    EXPECT_NEAR(d.clon, -104.667, 1e-3);
}

}  // namespace
}  // namespace orv
