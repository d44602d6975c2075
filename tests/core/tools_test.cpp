#include "core/tools.hpp"
#include <gtest/gtest.h>
#include <bit>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <limits>
#include <set>
#include <utility>
#include <vector>
#include <string>
#include "core/orv.hpp"
#include "core/resrc.hpp"

namespace orv {
namespace {

// A temporary file holding the given bytes, open for reading.
class TempFile {
public:
    explicit TempFile(const std::string& content) : file_(std::tmpfile()) {
        std::fwrite(content.data(), 1, content.size(), file_);
        std::rewind(file_);
    }
    ~TempFile() { std::fclose(file_); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::FILE* get() const { return file_; }
private:
    std::FILE* file_;
};

// Each read's result and the text it gave, "result:text".
template <class Read>
std::vector<std::string> reads(const std::string& content, int n, Read read) {
    TempFile f(content);
    std::vector<std::string> out;
    char buf[kLineMax + 1];
    for (int i = 0; i < n; ++i) {
        buf[0] = '\0';
        const int r = read(f.get(), buf);
        out.push_back(std::to_string(r) + ":" + buf);
    }
    return out;
}

using Reads = std::vector<std::string>;

TEST(LineReaders, LengthsEmptyLinesLimitsAndEof) {
    const auto line = [](std::FILE* f, char* buf) { return fgetline(f, buf); };
    EXPECT_EQ(reads("abc\n\ndefg\nlast", 5, line), (Reads{"3:abc", "0:", "4:defg", "4:last", "-1:"}));
    char none[4];
    EXPECT_EQ(fgetline(nullptr, none), EOF);
    // Long lines are split at the limit.
    const Reads split = reads(std::string(200, 'x') + "\nnext\n", 4, line);
    EXPECT_EQ(split[0], std::to_string(kLineMax) + ":" + std::string(kLineMax, 'x'));
    EXPECT_EQ(Reads(split.begin() + 1, split.end()), (Reads{"40:" + std::string(40, 'x'), "4:next", "-1:"}));
    // The passed-over newline counts.
    EXPECT_EQ(reads("abcdef\nxy\n", 4, [](std::FILE* f, char* buf) { return fgetnline(f, buf, 3); }),
              (Reads{"3:abc", "3:def", "3:xy", "-1:"}));
    TempFile f("skip me\nkeep\n\nA\tB\x01" "C\rtail\n");
    char buf[81] = "";
    EXPECT_EQ(fskipline(f.get()), 0);
    EXPECT_EQ(fgetstring(f.get(), buf, 80), 1);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(fgetstring(f.get(), buf, 80), 0);
    EXPECT_EQ(fget_rawstring(f.get(), buf, 80), 1);
    EXPECT_STREQ(buf, "A B C");
    EXPECT_EQ(fskipline(f.get()), 0);
    EXPECT_EQ(fskipline(f.get()), EOF);
}

class ByteOrder : public ::testing::Test {
protected:
    void TearDown() override { swap_reset_for_tests(); }
    static int foreign_order() { return std::endian::native == std::endian::little ? 1 : 2; }
    static int native_order() { return std::endian::native == std::endian::little ? 2 : 1; }
};

TEST_F(ByteOrder, SwapsOnlyWhenTheDataOrderDiffers) {
    EXPECT_EQ(swap_setup(native_order()), 0);
    std::int16_t s = 0x0102;
    EXPECT_EQ(swap_short(&s), -1);
    EXPECT_EQ(s, 0x0102);
    EXPECT_EQ(swap_setup(-1), 0);
    ASSERT_EQ(swap_setup(foreign_order()), 1);
    EXPECT_EQ(swap_short(&s), 0);
    EXPECT_EQ(s, 0x0201);
    std::int32_t l[2] = {0x01020304, 0x0A0B0C0D};
    EXPECT_EQ(swap_longs(l, 2), 0);
    EXPECT_EQ(l[0], 0x04030201);
    EXPECT_EQ(l[1], 0x0D0C0B0A);
    double d = 1.5;
    swap_double(&d);
    swap_double(&d);
    EXPECT_EQ(d, 1.5);
}

TEST_F(ByteOrder, ReadAndWriteInTheDataOrder) {
    swap_setup(1);  // big-endian data
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const std::int32_t v = 0x11223344;
    EXPECT_EQ(fwrite_long_swap(f, v), 1);
    EXPECT_EQ(fwrite_short_swap(f, 0x5566), 1);
    std::rewind(f);
    unsigned char raw[6];
    ASSERT_EQ(std::fread(raw, 1, 6, f), 6U);
    EXPECT_EQ((std::vector<int>(raw, raw + 6)), (std::vector<int>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    std::rewind(f);
    std::int32_t back = 0;
    std::int16_t sback = 0;
    EXPECT_EQ(fread_long_swap(f, &back), 1);
    EXPECT_EQ(fread_short_swap(f, &sback), 1);
    EXPECT_EQ(std::pair(back, static_cast<int>(sback)), std::pair(v, 0x5566));
    double dv = 0;
    EXPECT_EQ(fread_double_swap(f, &dv), 0);
    std::fclose(f);
    float a = 1, b = 2;
    fswap(&a, &b);
    EXPECT_EQ(a, 2.0F);
    EXPECT_EQ(b, 1.0F);
}

TEST(Numbers, Float2IntCodes) {
    EXPECT_EQ((std::vector{float2int(3.5F), float2int(350.0F), float2int(0.35F), float2int(-3.5F), float2int(0.0F),
                           float2int(1234.0F), float2int(1.0F), float2int(std::numeric_limits<float>::infinity())}),
              (std::vector{35, 235, 950, -35, 0, 312, 10, 0}));
}

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

TEST(Numbers, LinearInterpAndChkArg) {
    EXPECT_FLOAT_EQ(linear_interp(5, 0, 10, 100, 200), 150);
    EXPECT_FLOAT_EQ(linear_interp(-10, 0, 10, 0, 1), -1);
    EXPECT_FLOAT_EQ(linear_interp(3, 2, 2, 7, 9), 7) << "a zero-width interval gives y1";
    const char* list[] = {"contour", "vector", "Wind"};
    EXPECT_EQ((std::vector{chk_arg("VECTOR", list, 3), chk_arg("wind", list, 3), chk_arg("3", list, 3), chk_arg("4", list, 3),
                           chk_arg("0", list, 3), chk_arg("barb", list, 3), chk_arg(nullptr, list, 3)}),
              (std::vector{1, 2, 3, kMissing, kMissing, kMissing, kMissing}));
}

TEST(DataDir, FilePathFallsBackToTheCompiledDirectory) {
    RES_reset_for_tests();
    EXPECT_STREQ(orv_file_path(), orv_data_dir());
    RES_put("file_path", "/elsewhere/");
    EXPECT_STREQ(orv_file_path(), "/elsewhere/");
    RES_reset_for_tests();
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
