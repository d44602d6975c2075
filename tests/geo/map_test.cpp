#include "geo/map.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "geo/maptran.hpp"
#include "geo/region.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "gks/ps_render.hpp"
#include "plot/colors.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

// A device that keeps what it is given, in world coordinates.
struct Drawn {
    std::vector<std::vector<GPoint>> lines;
    std::vector<std::vector<GPoint>> fills;
    std::vector<std::string> texts;
};
Drawn g_drawn;

// (a free slot of the device table: this build has no metafile device)
constexpr int kRecorderKind = kWsMeta;
const GDevice kRecorder = [] {
    GDevice d{};
    d.kind = kRecorderKind;
    d.open = [](int, const char*) { return 0; };
    d.close = [](int) { return 0; };
    d.polyline = [](int n, const GPoint* p) { return g_drawn.lines.emplace_back(p, p + n), 1; };
    d.fill_area = [](int n, const GPoint* p) { return g_drawn.fills.emplace_back(p, p + n), 1; };
    d.text_begin = [](float, float, const char* s, int shadow) {
        if (shadow < 0) g_drawn.texts.emplace_back(s);
    };
    return d;
}();

// Map file writers.
void put_be(std::string& out, std::uint32_t v, int bytes) {
    for (int k = bytes - 1; k >= 0; --k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}
void put_float(std::string& out, float f) { put_be(out, std::bit_cast<std::uint32_t>(f), 4); }
using Segment = std::vector<std::pair<float, float>>;  // latitude, longitude
std::string binary_map(const std::vector<Segment>& segments, bool end = true) {
    std::string out;
    for (const Segment& s : segments) {
        put_be(out, static_cast<std::uint32_t>(s.size()), 2);
        for (int k = 0; k < 4; ++k) put_float(out, 0.0F);
        put_be(out, 1, 4);
        for (auto [lat, lon] : s) put_float(out, lat), put_float(out, lon);
    }
    if (end) out += std::string(22, '\0');
    return out;
}
// The largest jump between neighbouring points of any drawn line.
float largest_step(const std::vector<std::vector<GPoint>>& lines) {
    float most = 0.0F;
    for (const auto& l : lines)
        for (std::size_t k = 1; k < l.size(); ++k)
            most = std::max(most, std::hypot(l[k].x - l[k - 1].x, l[k].y - l[k - 1].y));
    return most;
}

Domain domain(int proj, float clat, float clon, float spacing, int nx, int ny) {
    Domain d;
    std::tie(d.proj, d.clat, d.clon, d.dx, d.dy, d.nx, d.ny) = std::tuple(proj, clat, clon, spacing, spacing, nx, ny);
    return d;
}
const Domain kMid = domain(kProjLatLon, 35, -95, 1.0F, 41, 21);
const Domain kWorld = domain(kProjLatLon, 0, 0, 1.0F, 361, 181);
const Domain kDateLine = domain(kProjLatLon, 0, 180, 1.0F, 361, 181);

class MapTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        RES_put("file_path", dir_.c_str());
        FLAG_setplot(kPlotMap, 1);
        CLR_read_table(ORV_DATA_DIR "orv.clr");
        MAP_register_hooks();
        gregister_device(&kRecorder);
        ASSERT_EQ(gopen_gks(nullptr), 0);
        ASSERT_EQ(gopen_ws(1, "", kRecorderKind), 0);
        g_drawn = Drawn{};
    }
    void TearDown() override { reset(); }
    static void reset() {
        gks_reset_all_for_tests();
        GPH_reset_for_tests();
        RES_reset_for_tests();
        FLAG_reset_for_tests();
        MESS_reset_for_tests();
        CLR_reset_for_tests();
        MAP_reset_for_tests();
        MAP_draw_reset_for_tests();
    }
    std::string write(const std::string& name, const std::string& content) const {
        const std::string p = dir_ + "/" + name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    // MAP_map on a file of the test directory.
    int draw_file(const std::string& name) const {
        std::FILE* f = std::fopen((dir_ + "/" + name).c_str(), "rb");
        if (f == nullptr) return -99;
        const int r = MAP_map(f);
        std::fclose(f);
        return r;
    }
    // The map list's errors (the missing files it tried) for a mask.
    static std::string draw_errors(int mask) {
        CaptureStderr();
        MAP_draw(mask);
        return GetCapturedStderr();
    }
    std::string not_found(const std::string& name) const {
        return "MAP_process: Map file not found: " + dir_ + "/" + name + "\n";
    }
    testing::ScratchDir scratch_;
    const std::string dir_ = scratch_.path();
};

// A latitude/longitude domain of the given centre and window height.
void setup_height(float clat, float clon, float height) {
    Domain d = domain(kProjLatLon, clat, clon, 1.0F, 41, 2);
    d.dy = height;
    MAP_setup(&d);
}

// The files the map list draws for a domain and a pass mask: "!x.lst"
// stands for a list file that cannot be opened, "+lalo" for the logged grid.
TEST_F(MapTest, MapListsChooseTheFilesByDomainPassAndSize) {
    write("maps.lst", "[20,60,-130,-60,50] usa.map\n[-90,90,-180,180]\tworld.map\n");
    // reversed ranges are swapped; entries before the first header are taken
    write("rev.lst", "first.map [60,20,-60,-130] usa.map [0,10,0,10] none.map\n");
    // fewer than four numbers select nothing
    write("short.lst", "[20,60,-130] a.map [-90,90,-180,180] b.map\n");
    // the words of a list file take the pass of its entry
    write("top.lst", "a.map +b.map");
    const char* const kPasses = "-under.map,+over.map,both.map,-lalo:10:10";
    const struct {
        const char* list;  // nullptr: the built-in choice
        float clat, clon, height;
        int mask;
        const char* drawn;
    } rows[] = {
        {nullptr, 39, -97, 36.8F, 5, "orv.map"},
        {nullptr, 39, -97, 80, 5, "cont.map country.map"},
        {nullptr, 50, 10, 36.8F, 5, "cont.map country.map"},
        {"a.map", 50, 10, 36.8F, 5, "a.map"},
        {"fi:maps.lst", 40, -100, 36.8F, 4, "usa.map"},
        {"fi:maps.lst", 50, 10, 36.8F, 4, "world.map"},
        {"fi:maps.lst", 40, -100, 60, 4, "world.map"},  // too large for the first region's size
        {"fi:rev.lst", 40, -100, 36.8F, 4, "first.map usa.map"},
        {"fi:short.lst", 40, -100, 36.8F, 4, "b.map"},
        {"fi:nolist.lst,after.map", 40, -100, 36.8F, 4, "!nolist.lst after.map"},
        {"s+20:rivers.map,>30<40:mid.map,s-10:small.map,<10>5:band.map", 40, -100, 19.9F, 4, ""},
        {"s+20:rivers.map,>30<40:mid.map,s-10:small.map,<10>5:band.map", 40, -100, 20, 4, "rivers.map"},
        {"s+20:rivers.map,>30<40:mid.map,s-10:small.map,<10>5:band.map", 40, -100, 36.8F, 4, "rivers.map mid.map"},
        {"s+20:rivers.map,>30<40:mid.map,s-10:small.map,<10>5:band.map", 40, -100, 7, 4, "small.map band.map"},
        {kPasses, 40, -100, 36.8F, 1, "under.map"},
        {kPasses, 40, -100, 36.8F, 2, "over.map"},
        {kPasses, 40, -100, 36.8F, 5, "under.map both.map"},
        {"-fi:top.lst", 40, -100, 36.8F, 1, "a.map"},
        {"-fi:top.lst", 40, -100, 36.8F, 6, ""},
        // an unsigned list file belongs to the normal pass, so a missing one is reported once a frame
        {"fi:top.lst", 40, -100, 36.8F, 2, ""},
        {"fi:top.lst", 40, -100, 36.8F, 6, "a.map b.map"},
        {"fi:nolist.lst", 40, -100, 36.8F, 1, ""},
        {"fi:nolist.lst", 40, -100, 36.8F, 5, "!nolist.lst"},
    };
    for (const auto& row : rows) {
        if (row.list != nullptr) MAP_file(row.list);
        setup_height(row.clat, row.clon, row.height);
        std::string want;
        std::istringstream names(row.drawn);
        for (std::string name; names >> name;)
            want += name[0] == '!' ? "MAP_draw: Unable to open map list file: " + dir_ + "/" + name.substr(1) + "\n"
                                   : not_found(name);
        EXPECT_EQ(draw_errors(row.mask), want) << (row.list != nullptr ? row.list : "built in") << " "
                                               << row.height << " mask " << row.mask;
    }
    MAP_file(kPasses);
    MESS_set(1, static_cast<int>(kMessOut3));
    for (const int mask : {1, 2}) {
        CaptureStdout();
        draw_errors(mask);
        const std::string log = GetCapturedStdout();
        EXPECT_EQ(log.find("Map-lalo: 10.0,10.0\n") != std::string::npos, mask == 1) << log;
        EXPECT_EQ(log.find("Map: under.map\n") != std::string::npos, mask == 1) << log;
    }
    MESS_reset_for_tests();
    RES_put("map_file", "b.map,c.map");  // the resource replaces the list given
    EXPECT_EQ(draw_errors(5), not_found("b.map") + not_found("c.map"));
    FLAG_setplot(kPlotMap, 0);  // the map switch off draws nothing
    EXPECT_EQ(draw_errors(5), "");
}

// A map file is read and projected once per map set-up: drawn again it
// gives the same lines without being read (a rewrite that keeps its size
// and time is not seen), while a changed file or domain is drawn afresh.
// Segments outside the view are not drawn.
TEST_F(MapTest, OutlinesAreKeptPerSetUpAndCulledOutsideTheView) {
    const Segment near = {{40, -100}, {41, -99}, {42, -97}};
    const Segment far = {{-30, 60}, {-31, 61}, {-32, 63}};
    const Segment other = {{30, -90}, {31, -91}, {32, -93}};
    const std::string path = write("k.map", binary_map({near, far}));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    MAP_file("k.map");
    const Domain d = domain(kProjLatLon, 35, -95, 1.0F, 41, 21);
    const Domain moved = domain(kProjLatLon, 35, -94, 1.0F, 41, 21);
    struct Step {
        const char* what;
        std::vector<Segment> rewrite;  // empty: the file stays
        bool keep_time;
        const Domain* set_up;
        float first_x;  // of the one line drawn: the longitude from the centre
    };
    const Step steps[] = {
        {"first drawing", {}, false, &d, -5.0F},
        {"drawn again", {}, false, &d, -5.0F},
        {"rewritten, same size and time", {other, far}, true, &d, -5.0F},
        {"rewritten", {other, far}, false, &d, 5.0F},
        {"new domain", {}, false, &moved, 4.0F},
    };
    for (const Step& s : steps) {
        if (!s.rewrite.empty()) {
            write("k.map", binary_map(s.rewrite));
            const timespec times[2] = {st.st_atim, s.keep_time ? st.st_mtim : timespec{st.st_mtim.tv_sec + 5, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        }
        MAP_setup(s.set_up);
        g_drawn = Drawn{};
        MAP_draw(kMapNormal);
        ASSERT_EQ(g_drawn.lines.size(), 1U) << s.what;
        EXPECT_NEAR(g_drawn.lines[0][0].x, s.first_x, 1e-3) << s.what;
    }
}

// An underlay followed by the overlay leaves the grid to the overlay (it was drawn twice).
TEST_F(MapTest, GridIsLeftToTheOverlayThatFollows) {
    MAP_file("none");
    MAP_latlon(0, 0.0F, 10.0F, 10.0F);
    MAP_setup(&kMid);
    for (int mask : {kMapUnderlay, kMapUnderlay | kMapGridLater}) {
        g_drawn = Drawn{};
        draw_errors(mask);
        EXPECT_EQ(g_drawn.lines.empty(), (mask & kMapGridLater) != 0) << mask;
    }
}

TEST_F(MapTest, DamagedMapFilesEndTheirDrawingSafely) {
    MAP_setup(&kMid);
    const std::string whole =
        binary_map({{{40, -100}, {41, -99}, {42, -97}}, {{30, -90}, {31, -91}, {32, -92}}});
    write("cut.map", whole.substr(0, 22 + 24 + 22 + 20));  // the last point is cut in half
    EXPECT_EQ(draw_file("cut.map"), -1);
    ASSERT_EQ(g_drawn.lines.size(), 2U);
    EXPECT_EQ(g_drawn.lines[1].size(), 2U);
    write("noend.map", binary_map({{{40, -100}, {41, -99}}}, false));
    EXPECT_EQ(draw_file("noend.map"), 0);
    write("half.map", whole.substr(0, 10));
    EXPECT_EQ(draw_file("half.map"), -1);
    write("text.map", "3 0 0 0 0 1\n40 -100\n41 -99\n42\n");
    EXPECT_EQ(draw_file("text.map"), -1);
    write("empty.map", "");
    EXPECT_EQ(draw_file("empty.map"), 0);
    // junk and values that are no positions draw nothing wild and end safely
    std::string junk;
    for (int k = 0; k < 5000; ++k) junk += static_cast<char>((k * 7919 + 13) & 0xFF);
    write("junk.map", junk);
    write("nan.map", binary_map({{{NAN, -100}, {41, INFINITY}, {1e30F, -99}, {40, -100}, {41, -99}}}));
    write("words.map", "hello world, this is not a map\n");
    g_drawn = Drawn{};
    draw_file("junk.map");
    draw_file("words.map");
    EXPECT_EQ(draw_file("nan.map"), 0);
    for (const auto& l : g_drawn.lines)
        for (const GPoint& p : l) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    // the list reports a map file that ends early and draws on
    MAP_file("cut.map,t2.map");
    write("t2.map", "2 0 0 0 0 1\n40.0 -100.0\n41 -99\n0 0 0 0 0 0\n");
    g_drawn = Drawn{};
    EXPECT_EQ(draw_errors(4), "");
    EXPECT_EQ(g_drawn.lines.size(), 3U);
}

TEST_F(MapTest, LatLonMapCentredAtTheDateLineSplitsAtTheCut) {
    MAP_setup(&kDateLine);
    write("c.map", binary_map({{{10, -10}, {11, -5}, {12, 5}, {13, 10}}}));
    EXPECT_EQ(draw_file("c.map"), 0);
    ASSERT_EQ(g_drawn.lines.size(), 2U);
    const auto& west = g_drawn.lines[0];
    const auto& east = g_drawn.lines[1];
    EXPECT_NEAR(west.back().x, 180.0F, 1e-3);
    EXPECT_NEAR(east.front().x, -180.0F, 1e-3);
    // the crossing lies on the line between the points either side of it
    EXPECT_NEAR(west.back().y, 11.5F, 1e-3);
    EXPECT_NEAR(east.front().y, 11.5F, 1e-3);
    EXPECT_EQ(west.size() + east.size(), 6U);
    EXPECT_LT(largest_step(g_drawn.lines), 6.0F);
}

TEST_F(MapTest, FilledOutlinesAcrossTheCutCloseAlongIt) {
    MAP_setup(&kDateLine);
    MAP_set_format("blue:fi=0");
    write("sq.map", binary_map({{{10, -10}, {10, 10}, {20, 10}, {20, -10}, {10, -10}}}));
    MAP_file("sq.map");
    EXPECT_EQ(draw_errors(4), "");
    ASSERT_EQ(g_drawn.fills.size(), 2U);
    for (const auto& f : g_drawn.fills) {
        const auto [lo, hi] = std::minmax_element(f.begin(), f.end(), [](auto a, auto b) { return a.x < b.x; });
        EXPECT_LT(hi->x - lo->x, 10.01F);  // each half stays at its edge of the map
        EXPECT_GT(std::fabs(lo->x), 169.99F);
    }
    // a ring around the pole is filled as the cap it encloses
    MAP_setup(&kWorld);
    Segment ring;
    for (int k = 0; k <= 36; ++k) ring.emplace_back(80.0F, -180.0F + 10.0F * static_cast<float>(k));
    write("cap.map", binary_map({ring}));
    MAP_file("cap.map");
    g_drawn = Drawn{};
    EXPECT_EQ(draw_errors(4), "");
    ASSERT_EQ(g_drawn.fills.size(), 1U);
    const auto& cap = g_drawn.fills[0];
    const auto [lo, hi] = std::minmax_element(cap.begin(), cap.end(), [](auto a, auto b) { return a.y < b.y; });
    EXPECT_NEAR(lo->y, 80.0F, 1e-3);
    EXPECT_GT(hi->y, 89.9F);
}

// The grid labels drawn, without their padding.
std::set<std::string> labels() {
    std::set<std::string> out;
    for (const std::string& t : g_drawn.texts) {
        const std::size_t from = t.find_first_not_of(' ');
        if (from != std::string::npos) out.insert(t.substr(from, t.find_last_not_of(' ') + 1 - from));
    }
    return out;
}

TEST_F(MapTest, LatLonGridIsLabelledAtTheWestAndSouthEdges) {
    MAP_setup(&kWorld);
    MAP_lines(30, 60);
    // parallels -60 .. 60 and meridians -180 .. 120 (180 is -180)
    EXPECT_EQ(g_drawn.lines.size(), 5U + 6U);
    // (the date line runs along the east edge: its label would run off the map)
    EXPECT_EQ(labels(), (std::set<std::string>{"60S", "30S", "EQ", "30N", "60N", "120W", "60W", "PM", "60E", "120E"}));
    EXPECT_EQ(g_drawn.texts.size(), 10U);
    // the dot grid draws only crosses at the intersections
    g_drawn = Drawn{};
    MAP_latlon(1, 0, 30, 60);
    MAP_lines(30, 60);
    // (the crosses on the date line would span the map: they are left out)
    EXPECT_EQ(g_drawn.lines.size(), 2U * 5U * 6U - 5U);
    EXPECT_LT(largest_step(g_drawn.lines), 0.25F);
    EXPECT_EQ(MAP_lines(kMissingF, 10), -1);
}

// Grid labels keep clear of the corners: a parallel that meets the west
// edge or a meridian that meets the south edge within 4 % of the map
// height of a corner is not labelled there; a degree further in it is.
TEST_F(MapTest, GridLabelsKeepClearOfTheCorners) {
    const struct {
        float clat, clon;
        std::set<std::string> want;
    } cases[] = {
        {39.5F, -90.5F, {"40N", "100W", "90W", "80W"}},  // 30N, 110W and 70W lie 0.5 degrees from a corner
        {38.5F, -91.5F, {"30N", "40N", "110W", "100W", "90W", "80W"}},
    };
    for (const auto& c : cases) {
        g_drawn = Drawn{};
        const Domain d = domain(kProjLatLon, c.clat, c.clon, 1.0F, 41, 21);
        MAP_setup(&d);
        MAP_lines(10, 10);
        EXPECT_EQ(labels(), c.want) << c.clat << "," << c.clon;
    }
}

TEST_F(MapTest, ShippedMapsReadWholly) {
    RES_put("file_path", ORV_DATA_DIR);
    MAP_setup(&kWorld);
    for (const char* name : {"orv.map", "cont.map", "country.map"}) {
        g_drawn = Drawn{};
        std::FILE* f = std::fopen((std::string(ORV_DATA_DIR) + name).c_str(), "rb");
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(MAP_map(f), 0) << name;
        std::fclose(f);
        EXPECT_GT(g_drawn.lines.size(), 300U) << name;
        // neighbouring points lie close together, and nothing spans the cut
        EXPECT_LT(largest_step(g_drawn.lines), 0.75F) << name;
        // no outline runs along a parallel around the world (a step across
        // the date line in the source filled in the long way round)
        for (const auto& l : g_drawn.lines) {
            const auto [x0, x1] = std::minmax_element(l.begin(), l.end(), [](auto a, auto b) { return a.x < b.x; });
            const auto [y0, y1] = std::minmax_element(l.begin(), l.end(), [](auto a, auto b) { return a.y < b.y; });
            EXPECT_FALSE(x1->x - x0->x > 120.0F && y1->y - y0->y < 2.0F) << name << " at " << y0->y;
        }
    }
}

// The "us" region to PostScript: the outlines lie where they belong.
TEST_F(MapTest, UsMapRendersWithTheGreatLakes) {
    if (!test::have_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    gks_reset_all_for_tests();
    RES_put("file_path", ORV_DATA_DIR);
    CLR_read_table(ORV_DATA_DIR "orv.clr");
    MAP_register_hooks();
    const std::string ps = dir_ + "/us.ps";
    ASSERT_EQ(gopen_gks(nullptr), 0);
    ASSERT_EQ(gopen_ws(1, ps.c_str(), kWsPostScript), 0);
    Domain us;
    ASSERT_EQ(DOM_get_def_region("us", &us), 1);
    CLR_register_hooks();
    float view[4] = {0.02F, 0.02F, 0.04F, 0.04F};
    GPH_reset(1, kWsPostScript, view, DOM_aspect(&us));
    MAP_setup(&us);
    MAP_latlon(0, 0, 10, 10);
    RES_put("color_map", "black");
    MAP_draw(5);
    ASSERT_EQ(gclose_ws(1), 0);
    gclose_gks();
    std::string log;
    EXPECT_TRUE(test::ps_renders(ps, dir_, &log)) << log;
    const test::Page page = test::render_page(ps, dir_);
    ASSERT_TRUE(page.ok());
    auto ink_at = [&](float lat, float lon, int radius) {
        MAP_setup(&us);
        float x = 0, y = 0;
        MAP_tran(&x, &y, lat, lon);
        int px = 0, py = 0;
        test::landscape_to_page(xW_ps(x), yW_ps(y), &px, &py);
        return page.ink_near(px, py, radius);
    };
    // shores of Lake Michigan, the Florida and California coasts
    EXPECT_TRUE(ink_at(43.0F, -87.9F, 3));
    EXPECT_TRUE(ink_at(27.0F, -80.1F, 3));
    EXPECT_TRUE(ink_at(36.6F, -121.9F, 3));
    // open sea and the middle of Nevada stay blank
    EXPECT_FALSE(ink_at(33.5F, -72.0F, 3));
    EXPECT_FALSE(ink_at(38.8F, -116.3F, 3));
}

}  // namespace
}  // namespace orv
