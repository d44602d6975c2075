#include "mos/cty_tool.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"
#include "geo/maptran.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

// Latitude/longitude grid over the middle of the United States: longitudes
// -100..-80, latitudes 30..50 (and three grid lengths around).
Domain midwest() {
    Domain d;
    std::tie(d.proj, d.clat, d.clon, d.nx, d.ny, d.dx, d.dy) = std::tuple(kProjLatLon, 40.0F, -90.0F, 21, 21, 1.0F, 1.0F);
    return d;
}

const char* const kStations =
    "Indianapolis IN US KIND *3* 39.73 -86.27 241 72438 0\n"
    "Evansville IN US KEVV 2 38.04 -87.54 9999 72432 0\n"
    "Lafayette IN US KLAF 5 40.41 -86.93 185 99999 0\n"
    "Gary IN US KGYY 8 41.62 -87.41 180 72533 0\n"
    "Chicago IL US KORD 0 41.98 -87.90 205 72530 0\n"
    "Buoy_45007 B_ US - 6 42.67 -87.03 176 45007 0\n"
    "Mystery IL US - 6 40.00 -89.00 200 72999 0\n"
    "this line is junk\n"
    "Denver CO US KDEN 0 39.77 -104.87 1611 72565 0\n"
    "Anchorage AK US PANC 0 61.17 -150.03 40 70273 0\n";

class CtyTool : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        MESS_reset_for_tests();
        MAP_reset_for_tests();
        RES_put("file_path", (dir_ + "/").c_str());
        write("mos.cty", kStations);
    }
    void TearDown() override {
        CTY_reset_for_tests();
        CTY_read_reset_for_tests();
        RES_reset_for_tests();
    }
    void write(const char* name, const std::string& text) { scratch_.write(name, text); }
    HashTable* load(int type = kCityLocation, int priority = 7) {
        const Domain d = midwest();
        CaptureStdout();
        HashTable* t = CTY_store("mos.cty", type, &d, priority);
        stdout_ = GetCapturedStdout();
        return t;
    }
    std::set<std::string> loaded_ids() {
        std::set<std::string> ids;
        for (void* p = TAB_first(CTY_get_table()); p != nullptr; p = TAB_next(CTY_get_table()))
            ids.insert(static_cast<CityEntry*>(p)->id);
        return ids;
    }
    testing::ScratchDir scratch_;
    const std::string dir_ = scratch_.path();
    std::string stdout_;
};

TEST_F(CtyTool, LoadKeepsStationsInTheGridUpToThePriorityLimit) {
    ASSERT_NE(load(), nullptr);
    EXPECT_EQ(stdout_, "Reading the city database file...\n");
    EXPECT_EQ(loaded_ids(), (std::set<std::string>{"KIND", "KEVV", "KLAF", "KORD", "b45007", "72999"}))
        << "priority 8 is above the limit 7; Denver and Anchorage lie outside the grid";
    CityEntry e{};
    ASSERT_EQ(CTY_search("KIND", &e), 1);
    EXPECT_EQ(e.priority, 3);
    EXPECT_EQ(e.number, 72438);
    float x = 0, y = 0;
    MAP_tran(&x, &y, 39.73F, -86.27F);
    EXPECT_FLOAT_EQ(e.x, x);
    EXPECT_FLOAT_EQ(e.y, y);
    ASSERT_EQ(CTY_search("KEVV", &e), 1);
    EXPECT_EQ(e.elev, -9999.0F);
    EXPECT_EQ(CTY_search("KGYY", &e), 0);
    EXPECT_EQ(CTY_search("KDEN", &e), 0);
    EXPECT_EQ(CTY_search("kind", &e), 0) << "ids are exact keys";
}

TEST_F(CtyTool, SearchChoosesTheKeyFromTheIdShape) {
    load();
    CityEntry e{};
    ASSERT_EQ(CTY_search("72530", &e), 1) << "five digits: number string";
    EXPECT_STREQ(e.id, "KORD");
    ASSERT_EQ(CTY_search("K2438", &e), 1) << "letter and digits: the WMO number of the code";
    EXPECT_STREQ(e.id, "KIND");
    ASSERT_EQ(CTY_search("b45007", &e), 1) << "buoys are numbered with a leading b";
    EXPECT_EQ(e.number, 45007);
    EXPECT_EQ(CTY_search("45007", &e), 0);
    EXPECT_EQ(CTY_search("ORD", &e), 0);
    EXPECT_EQ(CTY_search(nullptr, &e), 0);
    e.data = &e;
    ASSERT_EQ(CTY_search("KLAF", &e), 1);
    EXPECT_EQ(e.data, &e) << "the caller's data pointer is left alone";
}

TEST_F(CtyTool, FullEntriesKeepTheWholeLine) {
    ASSERT_NE(load(kCityFull), nullptr);
    CityFileEntry full{};
    ASSERT_EQ(CTY_search("KIND", &full), 1);
    EXPECT_STREQ(full.name, "Indianapolis");
    EXPECT_EQ(full.mark1, '*');
    EXPECT_EQ(full.mark2, '*');
    ASSERT_EQ(CTY_search("72530", &full), 1);
    EXPECT_STREQ(full.id, "KORD");
    CityEntry e{};
    ASSERT_EQ(CTY_search("KORD", &e), 1);
    float x = 0, y = 0;
    MAP_tran(&x, &y, 41.98F, -87.90F);
    EXPECT_FLOAT_EQ(e.x, x);
    EXPECT_FLOAT_EQ(e.y, y);
    EXPECT_EQ(CTY_search_loc(&e, 41.98F, -87.90F), 0) << "no location keys in a table of full entries";
    load(kCityPosition);
    EXPECT_EQ(CTY_search("KIND", &full), 0) << "position entries cannot fill a full entry";
}

TEST_F(CtyTool, LocationSearchWalksRingsOutward) {
    load();
    CityEntry e{};
    ASSERT_EQ(CTY_search_loc(&e, 39.77F, -86.27F), 1);
    EXPECT_STREQ(e.id, "KIND");
    ASSERT_EQ(CTY_search_loc(&e, 41.94F, -87.86F), 1) << "0.04 degrees away";
    EXPECT_STREQ(e.id, "KORD");
    ASSERT_EQ(CTY_search_loc(&e, 38.54F, -87.04F), 1) << "the south-west corner of ring 5";
    EXPECT_STREQ(e.id, "KEVV");
    EXPECT_EQ(CTY_search_loc(&e, 32.0F, -95.0F), 0) << "nothing within 49 rings";
}

TEST_F(CtyTool, IdentifierFilterPicksStations) {
    RES_put("identifier", "ST=IN:P<3");
    load();
    EXPECT_EQ(loaded_ids(), (std::set<std::string>{"KIND", "KEVV"}));
    RES_put("identifier", "Chicago,KLAF,72999");
    load();
    EXPECT_EQ(loaded_ids(), (std::set<std::string>{"KORD", "KLAF", "72999"}));
    RES_put("identifier", "all");
    load();
    EXPECT_EQ(loaded_ids().size(), 6U);
}

class CtyFilter : public ::testing::Test {
protected:
    int cmp(std::vector<const char*> list) { return CTY_data_cmp(static_cast<int>(list.size()), list.data(), &s_, "72438"); }
    CityFileEntry s_{"Indianapolis", "IN", "US", "KIND", 3, '*', '*', 39.73F, -86.27F, 241.0F, 72438, 0, nullptr};
};

// 1 taken by a plain entry, 0 taken by a condition, -1 refused.
TEST_F(CtyFilter, ConditionsAndPlainEntries) {
    const struct {
        std::vector<const char*> list;
        int result;
    } cases[] = {
        {{}, 0}, {{"KORD", "kind"}, 1}, {{"72438"}, 0}, {{"Indi"}, -1}, {{"Name=indianap"}, 0}, {{"Name=Evans"}, -1},
        {{"ST=in"}, 0}, {{"ST=IN_US"}, 0}, {{"ST=IN_CA"}, -1}, {{"ST:IN:CN:us"}, 0}, {{"ST"}, -1},
        {{"CN=CA", "ID=KIND"}, 1}, {{"RA<100:40.0:-86.0"}, 0}, {{"RA<10:40.0:-86.0"}, -1}, {{"RA<100:40.0"}, -1},
        {{"P=3", "P<2", "P>4"}, 0}, {{"P<2", "P>4"}, -1}, {{"Lat>39.5:Lat<40:Lon>-87:Lon<-86"}, 0},
        {{"Lat>39.5:Lon>-86"}, -1}, {{"Elev>200:Elev<300"}, 0}, {{"WMO=72438"}, 0},
        {{"WMO<72000", "WMO>72400:WMO<72500"}, 1},
        {{"india"}, 0},          // a name beginning of more than four characters
        {{"CN:CA"}, -1}, {{"ST:IN:CN:CA"}, -1}, {{"CN:us"}, 0}, {{"ST:IN:CN"}, -1},
        {{"ST=IN:bogus"}, -1},   // an unknown item is a condition that fails
        // "<" and ">" take the limit itself
        {{"P<3"}, 0}, {{"P>3"}, 0}, {{"P=3:P<3"}, 0}, {{"P=2:P<3"}, -1}, {{"Elev<241"}, 0}, {{"Elev>241.5"}, -1},
    };
    for (const auto& c : cases) {
        std::string text;
        for (const char* item : c.list) text += std::string(item) + " ";
        EXPECT_EQ(cmp(c.list), c.result) << text;
    }
    s_.elev = -9999.0F;
    EXPECT_EQ(cmp({"Elev<300"}), -1) << "a missing elevation meets no elevation condition";
}

}  // namespace
}  // namespace orv
