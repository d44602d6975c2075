#include "core/tools.hpp"
#include <gtest/gtest.h>
#include <set>
#include <vector>
#include <string>
#include "core/orv.hpp"

namespace orv {
namespace {

std::string num(const char* format, double v) {
    char out[kSetNumSize];
    return set_num(out, format, v);
}

TEST(Numbers, SetNumFormats) {
    EXPECT_EQ(num("5.3.1", 12.345), " 12.3");
    EXPECT_EQ(num("5.3.1", 0.012345), "0.0123");
    EXPECT_EQ(num("5.3.1", 1e-7), "  0.0");
    EXPECT_EQ(num("1.1.0", 57.0), "57");
    EXPECT_EQ(num("1.1.1", 57.0), "57.0");
    EXPECT_EQ(num("2.2.0", -5.25), "-5.2");
    EXPECT_EQ(num("20.3.0", 5.0), "     5.00") << "the width is at most 9";
    EXPECT_EQ(num("0.2.0", 3.0), "3.0") << "without a width: decimals + 1";
    EXPECT_EQ(num("1.1.0", 3e35).size(), static_cast<size_t>(kSetNumSize - 1)) << "long texts are cut";
}

std::string id_of(int number) {
    char out[kWmoIdSize];
    return wmo_to_id(out, number);
}

TEST(WmoNumbers, PrefixesAndFallback) {
    // A country range inside a wider one wins.
    for (const auto& [number, id] : std::vector<std::pair<int, std::string>>{
             {1001, "EN001"}, {1499, "EN499"}, {27612, "U7612"}, {72503, "K2503"}, {3953, "EI953"}, {3772, "EG772"},
             {89009, "89009"}, {0, "00000"}})
        EXPECT_EQ(id_of(number), id);
    const auto back = [](const char* id) {
        int n = 0;
        const int r = id_to_wmo(id, &n);
        return std::pair{r, n};
    };
    EXPECT_EQ(back("EN001"), std::pair(0, 1001));
    EXPECT_EQ(back("k2503"), std::pair(0, 72503));
    EXPECT_EQ(back("89009"), std::pair(0, 89009));
    EXPECT_EQ(back("EN500"), std::pair(-1, kMissing));  // outside the range of the prefix
    EXPECT_EQ(back("KDEN").first, -1);
    EXPECT_EQ(back("QQ123").first, -1);
    EXPECT_EQ(back(nullptr).first, -1);
}

// Every number names one identifier and back; station numbers are allotted
// to countries in whole tens: the prefix changes only from a number ending in
// 9 to one ending in 0, but for three borders inside decades of small
// Caribbean islands.
TEST(WmoNumbers, EveryNumberRoundTripsAndPrefixesChangeAtWholeTens) {
    std::set<std::string> seen, prefixes;
    std::string before;
    for (int number = 0; number <= 99999; ++number) {
        const std::string id = id_of(number);
        ASSERT_EQ(id.size(), 5U) << number;
        int back = 0;
        ASSERT_EQ(id_to_wmo(id.c_str(), &back), 0) << id;
        ASSERT_EQ(back, number) << id;
        seen.insert(id);
        const std::string prefix = id.substr(0, id.find_first_of("0123456789"));
        prefixes.insert(prefix);
        if (number > 0 && prefix != before && number % 10 != 0) {
            EXPECT_TRUE(number == 78386 || number == 78954 || number == 78956) << before << " " << prefix << " at " << number;
        }
        before = prefix;
    }
    EXPECT_EQ(seen.size(), 100000U);
    EXPECT_GT(prefixes.size(), 150U);
    const std::pair<int, const char*> borders[] = {
        {45009, "VH009"}, {45010, "VM010"}, {45019, "VM019"}, {45020, "45020"}, {78385, "MW385"},
        {78386, "MK386"}, {67579, "FL579"}, {67580, "FW580"}, {67599, "FW599"}, {67600, "FL600"},
    };
    for (const auto& [number, id] : borders) EXPECT_EQ(id_of(number), id) << number;
}
}  // namespace
}  // namespace orv
