#include "mos/cty_read.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class CtyRead : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        MESS_reset_for_tests();
        RES_put("file_path", (dir_ + "/").c_str());
    }
    void TearDown() override {
        CTY_read_reset_for_tests();
        RES_reset_for_tests();
    }
    void write(const char* name, const std::string& text) { scratch_.write(name, text); }
    testing::ScratchDir scratch_;
    const std::string dir_ = scratch_.path();
};

// Each line gives its field count; marks, missing elevations, cut lines and
// the rewind as the reader sees them.
TEST_F(CtyRead, LinesGiveFieldsMarksAndMissingElevation) {
    write("t.cty",
          "Indianapolis IN US KIND *3* 39.73 -86.27 241 72438 7\n"
          "Nowhere IN US KNOW 8 40.0 -86.0 9999 99999 0\n"
          "\n"
          "junk line without numbers\n"
          "Short IN US KSHO 2 40.5\n"
          "Lazy IN US KLZY x 40.5 -86 200 1 1\n"  // a priority without a digit ends the fields
          "Tail IN US KTAI 4* 41.0 -87.0 190 72000\n"
          "Long IN US KLNG 1 41.5 -87.5 10 1 1 " + std::string(400, 'x') + "\n" +
          std::string(60, 'N') + " INDIANA USA " + std::string(30, 'I') + " 1 40 -86 10 1 1\n"
          "After IN US KAFT 1 42.0 -88.0 10 2 2");
    const int fd = CTY_open("t.cty", 0, nullptr);
    ASSERT_GE(fd, 0);
    const struct {
        int fields;
        const char* id;
        char mark1, mark2;
        int priority;
        float elev;
    } rows[] = {{10, "KIND", '*', '*', 3, 241}, {10, "KNOW", ' ', ' ', 8, -9999}, {0, "", ' ', ' ', 0, 0},
                {-1, "", ' ', ' ', 0, 0},       {6, "KSHO", ' ', ' ', 2, 0},        {4, "KLZY", ' ', ' ', 0, 0},
                {9, "KTAI", ' ', '*', 4, 190},  {10, "KLNG", ' ', ' ', 1, 10},
                {4, "", ' ', ' ', 0, 0},  // the rest of the name is taken for the next fields
                {10, "KAFT", ' ', ' ', 1, 10}};
    for (const auto& row : rows) {
        CityFileEntry e{};
        const int fields = CTY_read(fd, &e);
        if (row.fields < 0) {
            EXPECT_LT(fields, kCityMinFields);  // too few to be a station
            continue;
        }
        ASSERT_EQ(fields, row.fields) << row.id;
        EXPECT_LE(std::string(e.name).size(), 20U);  // long fields are cut to their sizes
        EXPECT_LE(std::string(e.state).size() + std::string(e.country).size(), 4U);
        EXPECT_LE(std::string(e.id).size(), 9U);
        if (row.fields < 9) continue;
        EXPECT_STREQ(e.id, row.id);
        EXPECT_EQ(e.mark1, row.mark1) << row.id;
        EXPECT_EQ(e.mark2, row.mark2) << row.id;
        EXPECT_EQ(e.priority, row.priority) << row.id;
        EXPECT_EQ(e.elev, row.elev) << row.id;
    }
    CityFileEntry e{};
    EXPECT_EQ(CTY_read(fd, &e), -1);
    EXPECT_EQ(CTY_rewind(fd), 0);
    EXPECT_EQ(CTY_read(fd, &e), 10);
    EXPECT_STREQ(e.name, "Indianapolis");
    EXPECT_FLOAT_EQ(e.lon, -86.27F);
    EXPECT_EQ(e.number, 72438);
    EXPECT_EQ(e.extra, 7);
    EXPECT_EQ(CTY_close(fd), 0);
    EXPECT_EQ(CTY_read(fd, &e), -1);
    EXPECT_EQ(CTY_close(fd), -1);
}

TEST_F(CtyRead, OpenFileFollowsResourcesAndEstimatesCapacity) {
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "Station IN US KAAA 1 40.00 -86.00 200 72000 0\n";
    write("mos.cty", lines);
    int capacity = 0;
    CityFileInfo info{};
    const int fd = CTY_open_file("mos.cty", &capacity);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(CTY_getinfo(fd, &info), 0);
    EXPECT_EQ(info.size, static_cast<long>(lines.size()));
    EXPECT_EQ(capacity, static_cast<int>(lines.size()) / kCityLineBytes);
    EXPECT_EQ(std::string(info.name), dir_ + "/mos.cty");
    CTY_close(fd);
    std::string big;
    for (int i = 0; i < 5000; ++i) big += lines.substr(0, 60);
    write("big.cty", big);
    RES_put("city_file", "big.cty");  // overrides the caller's name
    ASSERT_GE(CTY_open_file("mos.cty", &capacity), 0);
    EXPECT_EQ(capacity, kCityMaxCapacity);
    const std::pair<const char*, std::string> refused[] = {
        {"none", ""}, {"", "CTY_open_file: Database file not found: " + dir_ + "/sao.cty\n"}};
    for (const auto& [city_file, said] : refused) {
        RES_put("city_file", city_file);
        CaptureStderr();
        EXPECT_EQ(CTY_open_file(*city_file != '\0' ? "mos.cty" : nullptr, &capacity), -1);
        EXPECT_EQ(GetCapturedStderr(), said);
    }
}

TEST_F(CtyRead, GetScansByIdentifierNameOrNumberAndPriorityLimit) {
    write("sao.cty",
          "Denver CO US KDEN 0 39.77 -104.87 1611 72565 0\n"
          "garbage\n"
          "Boulder CO US - 5 40.02 -105.25 1655 72469 0\n");
    CityFileEntry e{};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(CTY_get(nullptr, "kden", &e), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Searching the city database file for: kden ...\n");
    EXPECT_STREQ(e.name, "Denver");
    MESS_set(0, static_cast<int>(kMessWarn));
    EXPECT_EQ(CTY_get("sao.cty", "BOULDER", &e), 1);
    EXPECT_EQ(CTY_get("sao.cty", "72565", &e), 1);
    EXPECT_STREQ(e.id, "KDEN");
    EXPECT_EQ(CTY_get("sao.cty", "KXYZ", &e), 0);
    float lat = 0, lon = 0;
    EXPECT_EQ(CTY_get_loc("sao.cty", "Boulder", &lat, &lon), 1);
    EXPECT_FLOAT_EQ(lat, 40.02F);
    EXPECT_FLOAT_EQ(lon, -105.25F);
    CaptureStderr();
    EXPECT_EQ(CTY_get_loc("absent.cty", "Boulder", &lat, &lon), -1);
    EXPECT_NE(GetCapturedStderr().find("Database file not found"), std::string::npos);
    for (const auto& [stat_prior, limit] : {std::pair{"", 10}, {"4", 4}, {"many", 10}}) {
        RES_put("stat_prior", stat_prior);
        EXPECT_EQ(CTY_get_prior(), limit) << stat_prior;
    }
}

TEST_F(CtyRead, DescriptorsAreBounded) {
    write("t.cty", "A IN US KAAA 1 40 -86 10 1 1\n");
    int opened = 0;
    while (CTY_open("t.cty", 0, nullptr) >= 0 && opened < 100) ++opened;
    EXPECT_GT(opened, 0);
    EXPECT_LT(opened, 100);
    EXPECT_EQ(CTY_open("absent.cty", 0, nullptr), -1);
    EXPECT_EQ(CTY_read(-1, nullptr), -1);
    EXPECT_EQ(CTY_read(1000, nullptr), -1);
}

// The shipped table: every line a well-formed station the MOS driver loads.
TEST(ShippedStationTable, EveryLineIsAStationOfPriorityZeroToSeven) {
    RES_reset_for_tests();
    CTY_read_reset_for_tests();
    const int fd = CTY_open(ORV_SOURCE_DIR "/data/mos.cty", 0, nullptr);
    ASSERT_GE(fd, 0);
    CityFileEntry e{};
    int fields = 0, stations = 0;
    while ((fields = CTY_read(fd, &e)) >= 0) {
        ++stations;
        ASSERT_EQ(fields, 10) << "line " << stations;
        EXPECT_TRUE(e.priority >= 0 && e.priority <= 7) << e.id;
        EXPECT_TRUE(std::abs(e.lat) <= 90.0F && std::abs(e.lon) <= 180.0F) << e.id;
        EXPECT_TRUE(std::string(e.state) != "AK" || e.lon < -129.0F || e.lon > 172.0F) << e.id;
    }
    CTY_close(fd);
    EXPECT_GT(stations, 2000);
    EXPECT_LE(stations, kCityMaxCapacity);
}

}  // namespace
}  // namespace orv
