#include "mos/cty_read.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

class CtyRead : public ::testing::Test {
protected:
    void SetUp() override {
        RES_reset_for_tests();
        MESS_reset_for_tests();
        CTY_read_reset_for_tests();
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

TEST_F(CtyRead, LinesGiveFieldsMarksAndMissingElevation) {
    write("t.cty",
          "Indianapolis IN US KIND *3* 39.73 -86.27 241 72438 7\n"
          "Nowhere IN US KNOW 8 40.0 -86.0 9999 99999 0\n"
          "\n"
          "junk line without numbers\n"
          "Short IN US KSHO 2 40.5\n"
          "Lazy IN US KLZY x 40.5 -86 200 1 1\n"
          "Tail IN US KTAI 4* 41.0 -87.0 190 72000\n"
          "Long IN US KLNG 1 41.5 -87.5 10 1 1 " + std::string(400, 'x') + "\n"
          "After IN US KAFT 1 42.0 -88.0 10 2 2");
    const int fd = CTY_open("t.cty", 0, nullptr);
    ASSERT_GE(fd, 0);
    CityFileEntry e{};
    ASSERT_EQ(CTY_read(fd, &e), 10);
    EXPECT_STREQ(e.name, "Indianapolis");
    EXPECT_STREQ(e.id, "KIND");
    EXPECT_EQ(e.priority, 3);
    EXPECT_EQ(e.mark1, '*');
    EXPECT_EQ(e.mark2, '*');
    EXPECT_FLOAT_EQ(e.lon, -86.27F);
    EXPECT_EQ(e.number, 72438);
    EXPECT_EQ(e.extra, 7);
    ASSERT_EQ(CTY_read(fd, &e), 10);
    EXPECT_EQ(e.mark1, ' ');
    EXPECT_EQ(e.elev, -9999.0F) << "elevations above 9000 are missing";
    EXPECT_EQ(CTY_read(fd, &e), 0);
    EXPECT_LT(CTY_read(fd, &e), kCityMinFields);
    EXPECT_EQ(CTY_read(fd, &e), 6);
    EXPECT_EQ(CTY_read(fd, &e), 4) << "a priority without a digit ends the fields";
    ASSERT_EQ(CTY_read(fd, &e), 9);
    EXPECT_EQ(e.mark1, ' ');
    EXPECT_EQ(e.mark2, '*');
    EXPECT_EQ(e.priority, 4);
    EXPECT_EQ(CTY_read(fd, &e), 10);
    ASSERT_EQ(CTY_read(fd, &e), 10) << "the rest of an overlong line is passed over";
    EXPECT_STREQ(e.id, "KAFT");
    EXPECT_EQ(CTY_read(fd, &e), -1);
    EXPECT_EQ(CTY_rewind(fd), 0);
    EXPECT_EQ(CTY_read(fd, &e), 10);
    EXPECT_STREQ(e.id, "KIND");
    EXPECT_EQ(CTY_close(fd), 0);
    EXPECT_EQ(CTY_read(fd, &e), -1);
    EXPECT_EQ(CTY_close(fd), -1);
}

TEST_F(CtyRead, OverlongFieldsAreCutNotOverrun) {
    write("t.cty", std::string(60, 'N') + " INDIANA USA " + std::string(30, 'I') + " 1 40 -86 10 1 1\n");
    const int fd = CTY_open("t.cty", 0, nullptr);
    CityFileEntry e{};
    CTY_read(fd, &e);
    EXPECT_EQ(std::string(e.name), std::string(20, 'N'));
    EXPECT_EQ(std::string(e.state).size(), 2U);
    EXPECT_EQ(std::string(e.country).size(), 2U);
    EXPECT_LE(std::string(e.id).size(), 9U);
    CTY_close(fd);
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
    RES_put("city_file", "big.cty");
    ASSERT_GE(CTY_open_file("mos.cty", &capacity), 0) << "city_file overrides the caller's name";
    EXPECT_EQ(capacity, kCityMaxCapacity);

    RES_put("city_file", "none");
    CaptureStderr();
    EXPECT_EQ(CTY_open_file("mos.cty", &capacity), -1);
    EXPECT_EQ(GetCapturedStderr(), "");

    RES_put("city_file", "");
    CaptureStderr();
    EXPECT_EQ(CTY_open_file(nullptr, &capacity), -1);
    EXPECT_EQ(GetCapturedStderr(), "CTY_open_file: Database file not found: " + dir_ + "/sao.cty\n");
}

TEST_F(CtyRead, GetScansByIdentifierNameOrNumber) {
    write("sao.cty",
          "Denver CO US KDEN 0 39.77 -104.87 1611 72565 0\n"
          "garbage\n"
          "Boulder CO US - 5 40.02 -105.25 1655 72469 0\n");
    CityFileEntry e{};
    CaptureStdout();
    EXPECT_EQ(CTY_get(nullptr, "kden", &e), 1);
    EXPECT_EQ(GetCapturedStdout(), "Searching the city database file for: kden ...\n");
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
}

TEST_F(CtyRead, PriorityLimitResource) {
    EXPECT_EQ(CTY_get_prior(), 10);
    RES_put("stat_prior", "4");
    EXPECT_EQ(CTY_get_prior(), 4);
    RES_put("stat_prior", "many");
    EXPECT_EQ(CTY_get_prior(), 10);
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

// The line reader gives what the scanf family gives for the same fields:
// the raw fields and their count, over awkward lines and the shipped table.
TEST_F(CtyRead, FieldsAreThoseOfTheLibraryScan) {
    std::vector<std::string> lines = {
        "Indianapolis IN US KIND *3* 39.73 -86.27 241 72438 7",
        "  \tTabs\tIN\tUS\tKTAB\t2\t+39.5\t-.5\t1e3\t-12\t+7",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ INDIANA USA KLONGIDENTIFIER 1 40 -86 10 1 1",
        "Num IN US KNUM 3 1.5abc 2 3 4 5",
        "Exp IN US KEXP 3 1e 2 3 4 5",
        "Exp IN US KEXP 3 1E+ -2e- 3 4 5",
        "Hex IN US KHEX 3 0x1p3 -0X10 3 4 5",
        "Inf IN US KINF 3 inf -nan 1e50 4 5",
        "Dot IN US KDOT 3 . 2 3 4 5",
        "Int IN US KINT 3 1 2 3 99999.0 5",
        "Big IN US KBIG 3 1 2 3 123456789012 -5x",
        "Sign IN US KSGN 3 - 2 3 4 5",
        "", "   ", "One", "One Two", "P IN US K 12345678901234567890 1 2 3 4 5",
    };
    if (std::FILE* f = std::fopen(ORV_SOURCE_DIR "/data/mos.cty", "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, f) != nullptr) lines.emplace_back(buf);
        std::fclose(f);
    }
    std::string text;
    for (const auto& l : lines) text += l + (l.empty() || l.back() != '\n' ? "\n" : "");
    write("t.cty", text);
    const int fd = CTY_open("t.cty", 0, nullptr);
    ASSERT_GE(fd, 0);
    for (const auto& line : lines) {
        CityFileEntry want{};
        char priority[16] = "";
        want.elev = -9999.0F;
        want.number = 99999;
        int n = std::sscanf(line.c_str(), "%20s %2s %2s %9s %15s %f %f %f %d %d", want.name, want.state,
                            want.country, want.id, priority, &want.lat, &want.lon, &want.elev, &want.number,
                            &want.extra);
        n = std::max(n, 0);
        const char* digit = priority[0] == '*' ? priority + 1 : priority;
        if (n >= 5 && (*digit < '0' || *digit > '9')) n = 4;
        CityFileEntry got{};
        const int fields = CTY_read(fd, &got);
        EXPECT_EQ(fields, n) << line;
        EXPECT_STREQ(got.name, want.name) << line;
        EXPECT_STREQ(got.state, want.state) << line;
        EXPECT_STREQ(got.country, want.country) << line;
        EXPECT_STREQ(got.id, want.id) << line;
        if (n < 5) continue;
        EXPECT_EQ(got.priority, *digit - '0') << line;
        for (int i = 5; i < n && i < 8; ++i) {
            const float a = i == 5 ? got.lat : i == 6 ? got.lon : got.elev;
            const float b = i == 5 ? want.lat : i == 6 ? want.lon : want.elev;
            if (i == 7 && b > 9000.0F) continue;  // the reader marks it missing
            EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << line << " field " << i;
        }
        if (n >= 9) {
            EXPECT_EQ(got.number, want.number) << line;
        }
        if (n >= 10) {
            EXPECT_EQ(got.extra, want.extra) << line;
        }
    }
    EXPECT_EQ(CTY_read(fd, nullptr), -1);
    CTY_close(fd);
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
        EXPECT_GE(e.priority, 0) << e.id;
        EXPECT_LE(e.priority, 7) << e.id;
        EXPECT_LE(std::abs(e.lat), 90.0F) << e.id;
        EXPECT_LE(std::abs(e.lon), 180.0F) << e.id;
        if (std::string(e.state) == "AK") {
            EXPECT_TRUE(e.lon < -129.0F || e.lon > 172.0F) << e.id;
        }
    }
    CTY_close(fd);
    EXPECT_GT(stations, 2000);
    EXPECT_LE(stations, kCityMaxCapacity);
}

}  // namespace
}  // namespace orv
