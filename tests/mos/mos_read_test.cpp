#include "mos/mos_read.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/par_tool.hpp"
#include "core/resrc.hpp"
#include "geo/maptran.hpp"
#include "geo/region.hpp"
#include "mos/cty_read.hpp"
#include "mos/mos_plt.hpp"
#include "mos/mos_test_product.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

const std::string kMosDir = ORV_SOURCE_DIR "/../shared/data/mos";

constexpr int M = kMissing;

void expect_cells(const MosReport& r, const std::string& cells) {
    test::for_cells(cells, [&](int row, int col, int want, const std::string& word) {
        EXPECT_EQ(r.values[row][col], want) << r.id << " " << word;
    });
}

class MosRead : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        MAP_reset_for_tests();
        DOM_reset_for_tests();
        CTY_read_reset_for_tests();
        MESS_set(0, 0);
    }
    void TearDown() override { reset(); }
    static void reset() {
        MOS_close_file();
        CTY_reset_for_tests();
        MOS_read_reset_for_tests();
        PAR_reset_for_tests();
        FILE_reset_for_tests();
        RES_reset_for_tests();
    }

    bool load(const std::string& text) { return test::open_bulletin_text(dir_.file("bulletin.txt"), text); }

    // Every station of the text, read with the read-report callback's counter.
    std::vector<MosReport> read_all(int model, const std::string& text) {
        FLAG_set(kFlagDataKind, model);
        EXPECT_TRUE(load(text));
        std::vector<MosReport> out;
        MosReport r{};
        for (int counter = 0; counter < 10000 && MOS_read(0, &r, kMosReadFull, &counter) == 0; ++counter)
            out.push_back(r);
        return out;
    }

    std::map<std::string, MosReport> read_file(int model, const char* name) {
        std::map<std::string, MosReport> out;
        FLAG_set(kFlagDataKind, model);
        if (!test::open_bulletin(kMosDir + "/" + name)) return out;
        MosReport r{};
        for (int counter = 0; MOS_read(0, &r, kMosReadFull, &counter) == 0; ++counter) out[r.id] = r;
        return out;
    }

    // The shipped station table over the whole earth, every priority used;
    // or as the driver loads it: priority 7 and better, a North American grid.
    void load_station_table(bool as_the_driver = false) {
        RES_put("file_path", ORV_DATA_DIR);
        Domain d;
        std::tie(d.proj, d.dx, d.dy) = std::tuple(kProjLatLon, 1.0F, 1.0F);
        std::tie(d.clat, d.clon, d.nx, d.ny) = as_the_driver ? std::tuple(40.0F, -120.0F, 121, 61)
                                                             : std::tuple(0.0F, 0.0F, 361, 181);
        ::testing::internal::CaptureStdout();
        CTY_store("mos.cty", kCityLocation, &d, as_the_driver ? 7 : 9);
        ::testing::internal::GetCapturedStdout();
        DOM_set_prior(9);
    }

    // The results of the read-report callback over the whole bulletin.
    std::vector<int> used_flags(std::vector<std::string>* ids = nullptr) {
        MOS_rewind_file();
        std::vector<int> out;
        CityEntry e{};
        for (int res = 0; out.size() < 100000 && (res = MOS_read_report(MOS_get_report(), &e)) >= 0;) {
            out.push_back(res);
            if (ids != nullptr) ids->push_back(res == 1 ? e.id : "");
        }
        return out;
    }

    testing::ScratchDir dir_;
};

#define SKIP_WITHOUT_BULLETINS()                     \
    if (!std::filesystem::is_directory(kMosDir))     \
    GTEST_SKIP() << "real bulletins not found in " << kMosDir << "; skipping"

// Every row kind of the real bulletins, their late columns (61 and 64 in
// the GFS product), "25/ 7" pairs (the thunderstorm probability is 25, not 5),
// current obstruction codes, the GFSX normals after day 7, and a product
// whose lines all begin with one blank.
TEST_F(MosRead, RealBulletinsReadEveryRowKind) {
    SKIP_WITHOUT_BULLETINS();
    const struct {
        int model;
        const char* file;
        std::size_t stations;
        const char* id;
        int columns;
        const char* cells;
    } cases[] = {
        {kModelGfs, "gfs_mav_fous26_2014010100.txt", 3, "KEED", 21,
         "HR 0=6 18=60 19=66 20=72 XN 0=M 6=68 10=48 18=42 19=M 20=67 TMP 0=48 18=47 19=55 20=66 "
         "DPT 0=17 20=24 CLD 0=C 14=F 15=S 20=B WDR 0=300 4=360 20=20 WSP 5=14 20=2 P06 1=M 2=0 "
         "4=2 18=1 19=2 20=1 P12 6=2 10=1 19=M 20=2 Q06 2=0 20=0 Q12 6=0 20=0 T06 2=0 S06 2=3 10=7 "
         "20=0 S12 4=4 12=7 19=6 T12 19=0 TYP 0=R 20=R SNW 6=M 10=0 18=0 CIG 0=8 VIS 20=7 OBV 0=N "
         "20=N SN6 10=M"},
        {kModelGfs, "gfs_mav_fous26_2014010100.txt", 3, "KELN", 21,
         "XN 6=40 WSP 18=19 19=14 P12 18=44 Q12 18=1 S06 18=1 TYP 1=S 19=S CIG 10=2 VIS 11=3 OBV "
         "2=BR 4=HZ 20=BR CLD 19=F"},
        {kModelGfs, "gfs_mav_fous26_2014010100.txt", 3, "KEPH", 21, "TMP 0=23 CLD 0=F T12 16=1 S12 19=3"},
        {kModelNam, "nam_met_fous46_2017081212.txt", 4, "KFOZ", 21,  // the MET product has no TYP row
         "HR 19=66 20=72 XN 6=47 10=68 20=47 TMP 0=75 19=52 20=49 CLD 4=F WDR 0=230 4=0 P06 10=39 "
         "20=10 P12 10=39 20=13 Q06 10=1 T06 10=14 20=2 S06 10=0 20=1 T12 12=16 19=4 S12 19=1 CIG "
         "13=1 VIS 14=1 OBV 13=FG 15=BR 20=FG TYP 0=M"},
        {kModelNam, "nam_met_fous46_2017081212.txt", 4, "KFPK", 21,
         "T06 2=25 18=8 S06 2=7 18=18 T12 4=25 S12 4=8 OBV 5=BR 6=FG"},
        {kModelNam, "nam_met_fous46_2017081212.txt", 4, "KFRM", 21, "OBV 7=HZ T06 12=36 S06 12=13 Q12 10=2"},
        {kModelNam, "nam_met_fous46_2017081212.txt", 4, "KFSD", 21,
         "P06 6=70 8=14 19=25 20=37 Q06 20=3 Q12 20=4 T12 8=45"},
        // record separators, doubled carriage returns, transmission marks; PC cover is S
        {kModelGfsx, "gfsx_mex_feus23_2020071012.txt", 4, "KY63", 15,
         "HR 0=24 14=192 15=M XN 0=62 1=73 14=60 15=59 16=82 TMP 0=64 14=62 DPT 3=64 CLD 0=O 1=S "
         "2=C WSP 0=4 5=23 P12 0=44 14=21 Q12 6=4 12=M"},
        {kModelGfsx, "gfsx_mex_feus23_2020071012.txt", 4, "KYKN", 15, "XN 16=87"},
        {kModelGfsx, "gfsx_mex_feus23_2020071012.txt", 4, "KYIP", 15, "XN 1=89"},
        {kModelGfs, "gfs_mav_fous23_2019091312_leading_blank.txt", 1, "KFYJ", 21,
         "XN 6=65 20=67 TMP 0=73 20=71 T06 2=5 S06 2=11 T12 4=7 19=2 S12 4=11 19=8 SNW 6=0 20=0 "
         "CIG 0=4 VIS 13=1 OBV 12=FG 14=BR P06 19=11 20=7"},
    };
    for (const auto& c : cases) {
        auto s = read_file(c.model, c.file);
        ASSERT_EQ(s.size(), c.stations) << c.file;
        ASSERT_EQ(s.count(c.id), 1U) << c.file << " " << c.id;
        const MosReport& r = s.at(c.id);
        EXPECT_EQ(r.columns, c.columns) << c.id;
        EXPECT_EQ(r.model, c.model) << c.id;
        expect_cells(r, c.cells);
    }
}

TEST_F(MosRead, EveryStationOfTheRealBulletinsIsInTheStationTable) {
    SKIP_WITHOUT_BULLETINS();
    load_station_table(true);
    const std::pair<int, const char*> files[] = {
        {kModelGfs, "gfs_mav_fous26_2014010100.txt"},
        {kModelNam, "nam_met_fous46_2017081212.txt"},
        {kModelGfsx, "gfsx_mex_feus23_2020071012.txt"},
        {kModelGfs, "gfs_mav_fous23_2019091312_leading_blank.txt"},
    };
    for (const auto& [model, name] : files) {
        FLAG_set(kFlagDataKind, model);
        ASSERT_TRUE(test::open_bulletin(kMosDir + "/" + name));
        const std::vector<int> used = used_flags();
        EXPECT_FALSE(used.empty()) << name;
        EXPECT_EQ(used, std::vector<int>(used.size(), 1)) << name;
    }
}

std::string gfs_section(const char* id, const std::string& rows) {
    return std::string(id) + "   GFS MOS GUIDANCE    1/01/2014  0000 UTC\n" + rows + "\n";
}
std::string gfs_product(const std::string& sections) { return "FOUS21 KWNO 010000\n" + sections; }

// Lines ended by line feeds, carriage returns or both read alike, and a
// product ending right after a title gives that station once.
TEST_F(MosRead, LineEndsReadAlike) {
    const std::string lf =
        gfs_product(gfs_section("KBOS", "TMP  30 31 32\nDPT  20 21\n") + gfs_section("KBDL", "TMP  28 29\n"));
    const std::vector<MosReport> want = read_all(kModelGfs, lf);
    ASSERT_EQ(want.size(), 2U);
    for (const std::string end : {"\r\n", "\r\r\n", "\r"}) {
        std::string text;
        for (const char c : lf) text += c == '\n' ? end : std::string(1, c);
        const std::vector<MosReport> got = read_all(kModelGfs, text);
        ASSERT_EQ(got.size(), want.size()) << end.size();
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_STREQ(got[i].id, want[i].id);
            EXPECT_EQ(std::memcmp(got[i].values, want[i].values, sizeof want[i].values), 0) << want[i].id;
        }
    }
    EXPECT_EQ(read_all(kModelGfs, "FOUS23\rKFYJ GFS MOS").size(), 1U);
    EXPECT_EQ(read_all(kModelGfs, "FOUS23 KFYJ GFS MOS").size(), 1U);
}

// A pass that reached the end of the bulletin is kept: the next frame's
// pass gives the same reports without reading the file (its position does
// not move), the same counter twice still gives the same station, and a
// changed file is read afresh.
TEST_F(MosRead, APassToTheEndIsKeptForTheNextFrames) {
    const std::string three = gfs_product(gfs_section("KAAA", "TMP  10\n") + gfs_section("KBBB", "TMP  20\n") +
                                          gfs_section("KCCC", "TMP  30\n"));
    const std::vector<MosReport> first = read_all(kModelGfs, three);
    ASSERT_EQ(first.size(), 3U);
    MOS_rewind(0);
    MosReport r{};
    for (int c : {2, 2, 0, 1}) {
        ASSERT_EQ(MOS_read(0, &r, kMosReadFull, &c), 0) << c;
        EXPECT_STREQ(r.id, first[static_cast<std::size_t>(c)].id);
        EXPECT_EQ(r.values[kMosTemp][0], first[static_cast<std::size_t>(c)].values[kMosTemp][0]);
    }
    int past = 3;
    EXPECT_EQ(MOS_read(0, &r, kMosReadFull, &past), -1);
    EXPECT_EQ(PAR_get_pos(0), 0);
    const auto changed = read_all(kModelGfs, gfs_product(gfs_section("KDDD", "TMP  40\n")));
    ASSERT_EQ(changed.size(), 1U);
    EXPECT_STREQ(changed[0].id, "KDDD");
    // a run that keeps nothing reads the file every time
    MOS_keep_reports(0);
    ASSERT_EQ(read_all(kModelGfs, three).size(), 3U);
    MOS_rewind(0);
    int top = 0;
    ASSERT_EQ(MOS_read(0, &r, kMosReadFull, &top), 0);
    EXPECT_STREQ(r.id, "KAAA");
    EXPECT_GT(PAR_get_pos(0), 0);
}

// The "** " line is held as a pending heading while the title before it is
// still held as the pending line; reading that station again (id first,
// then in full) must still come to an end.
TEST_F(MosRead, HeadingLineAfterAStationTitleDoesNotStallTheReader) {
    FLAG_set(kFlagDataKind, kModelGfs);
    load(gfs_product(gfs_section("KAAA", "TMP  10\n") + "KBBB   GFS MOS GUIDANCE\n** FOUS22\nTMP  20\n\n" +
                     gfs_section("KCCC", "TMP  30\n")));
    MosReport r{};
    int c = 0;
    ASSERT_EQ(MOS_read(0, &r, kMosReadFull, &c), 0);
    c = 1;
    ASSERT_EQ(MOS_read(0, &r, kMosReadId, &c), 0);
    EXPECT_STREQ(r.id, "KBBB");
    EXPECT_EQ(MOS_read(0, &r, kMosReadFull, &c), 0);
    int stations = 0;
    for (c = 2; c < 100 && MOS_read(0, &r, kMosReadFull, &c) == 0; ++c) ++stations;
    EXPECT_LT(stations, 5);
}

TEST_F(MosRead, BadFieldsStayMissing) {
    const std::string rows = "TMP  1234 5x -- 7 8 +9 -0\nDPT  10\nWDR  27 99 36 ab\nWSP  99999\nCLD   C\n"
                             "T06      9/     /12 ab/cd999/99\n";
    auto s = read_all(kModelGfs, gfs_product(gfs_section("KAAA", rows)));
    ASSERT_EQ(s.size(), 1U);
    // abutting numbers cannot be told apart: each field reads its own; "5x ",
    // "-- " and "7 8" are no numbers; column 7 lies beyond the line; 999 and 99 are missing;
    // the letter does not stand in the middle of its field
    expect_cells(s[0], "TMP 0=12 1=34 2=M 3=M 4=M 5=9 6=0 7=M DPT 0=10 WDR 0=270 1=M 2=360 3=M WSP 0=M 1=M T06 "
                 "2=9 4=M 6=M 8=M S06 2=M 4=12 6=M 8=M CLD 0=M");
}

const char* const kMrfx =
    "FOUS20 KWNO 010000\n"
    "MRF BASED MOS GUIDANCE\n"
    "   DAY   ...\n"
    "KBOS   MRF MOS\n"
    "X/N                                 40| 28 45| 30 47| 31 49| 32 50| 33 51| 34 52| 35 53| 30 48\n"
    "TMP                                 41| 29 46| 31 48| 32 50| 33 51| 34 52| 35 53| 36 54| 37 55\n"
    "CLD                                 10| 20 30| 40 50| 60 70| 80 90|100 10| 20 30| 40 50|999 60\n"
    "WIND                                 5| 10 15| 20 25| 30 35| 40 45| 50 55| 60 65| 70 75| 80 85\n"
    "CPOS                                 1| 60 50| 10 20| 30 40| 50 60| 70 80| 90 99| 98 97| 96 95\n"
    "POP24                                | 40 | 20 | 30 | 40 | 50 | 60 | 70 | 80\n"
    "\n"
    "KLGA   MRF MOS\n"
    "TMP                                 51\n"
    "\n";

TEST_F(MosRead, MrfMatrixFamily) {
    FLAG_set(kFlagDataKind, kModelMrfx);
    load(kMrfx);
    MosmReport r{};
    const auto read = [&](int counter) { return MOSM_read(0, &r, kMosReadFull, &counter); };
    ASSERT_EQ(read(0), 0);
    EXPECT_STREQ(r.id, "KBOS");
    const std::pair<int, int> cells[] = {
        {r.day[7], 7},    {r.max[0], 40},   {r.min[0], M},    {r.min[1], 28},   {r.max[1], 45},  {r.max[7], 53},
        {r.nmin[0], 30},  {r.nmax[8], 48},  {r.temp[0], 41},  {r.temp[16], 55}, {r.cloud[15], M},  // above 900
        {r.wind[3], 20},  {r.pos[1], 60},   {r.pop24[0], M},  {r.pop24[1], 40}, {r.pop24[8], 80},
    };
    for (std::size_t k = 0; k < std::size(cells); ++k) EXPECT_EQ(cells[k].first, cells[k].second) << "cell " << k;
    ASSERT_EQ(read(1), 0);
    EXPECT_STREQ(r.id, "KLGA");
    EXPECT_EQ(r.temp[0], 51);
    EXPECT_EQ(read(2), -1);
    // a 12Z run labels the row "N/X"
    std::string twelve = kMrfx;
    twelve.replace(twelve.find("X/N"), 3, "N/X");
    ASSERT_TRUE(load(twelve));
    ASSERT_EQ(read(0), 0);
    EXPECT_EQ(r.max[1], 45);
    FLAG_set(kFlagDataKind, kModelGfs);  // not an MRF model
    EXPECT_EQ(read(0), -1);
}

// Two stations per block: the right one 36 characters further on.
const char* const kExtended =
    "FOUS61 KWNO 011200\n"
    "OUTPUT FROM ETA 12Z JAN 01 01\n"
    "  TTPTTR1R2R3 VVVLI PSDDFF HHT1T3T5\n"
    "BOS//786446 -0796 132716 40051015   ALB//908070 00712 982005 90-9-2-4\n"
    "06000848371 -1107 142818 41061116   06012050403 00210 990000 91-9-3-5\n"
    "12001858472 -1206 152919 42071217   12024010203 00310 980101 92-8-4-6\n"
    "\n"
    "PWM//101010 00000 000000 00000000\n"
    "06000101010 00000 000000 00000000\n"
    "\n";

TEST_F(MosRead, ExtendedFamilyTwoStationsPerBlock) {
    FLAG_set(kFlagDataKind, kModelEtaUa);
    load(kExtended);
    MosuReport r{};
    const auto read = [&](int counter) { return MOSU_read(0, &r, kMosReadFull, &counter); };
    ASSERT_EQ(read(0), 0);
    EXPECT_STREQ(r.id, "BOS");
    // LI 96 is -4, PS 13 is 1013, HH 40 with T1 = 5 is 5400 m
    const std::pair<int, int> bos[] = {
        {r.hours[10], 60},   {r.hours[11], M},    {r.rhum[0][0], 78}, {r.rhum[0][2], 46},  {r.rhum[0][3], M},
        {r.vvel[0], -7},     {r.lift[0], -4},     {r.pres[0], 1013},  {r.wdir[0], 270},    {r.wspd[0], 16},
        {r.thick[0], 5400},  {r.temp[0][0], 5},   {r.temp[0][1], 10}, {r.temp[0][2], 15},  {r.temp[0][3], M},
        {r.prec[0], M},      {r.prec[1], 0},      {r.rhum[1][0], 84}, {r.prec[2], 1},      {r.temp[2][2], 17},
        {r.wdir[3], M},
    };
    for (std::size_t k = 0; k < std::size(bos); ++k) EXPECT_EQ(bos[k].first, bos[k].second) << "BOS cell " << k;
    // the right-hand station, from the same lines: PS 98 is 998, HH 90 with T1 = -9 is 5900 m
    ASSERT_EQ(read(1), 0);
    EXPECT_STREQ(r.id, "ALB");
    const std::pair<int, int> alb[] = {{r.pres[0], 998},   {r.thick[0], 5900}, {r.temp[0][0], -9},
                                       {r.temp[0][2], -4}, {r.prec[1], 12},    {r.prec[2], 24}};
    for (std::size_t k = 0; k < std::size(alb); ++k) EXPECT_EQ(alb[k].first, alb[k].second) << "ALB cell " << k;
    ASSERT_EQ(read(2), 0);
    EXPECT_STREQ(r.id, "PWM");
    ASSERT_EQ(read(3), 0);  // a block with one station: the right half is empty
    EXPECT_STREQ(r.id, "");
    EXPECT_EQ(read(4), -1);
}

// The NUL byte reads as a blank; 10000-byte lines are cut.
TEST_F(MosRead, LongLinesNulBytesAndJunkLeaveFieldsMissing) {
    const std::string text = "FOUS21 KWNO 010000\nKAAA   GFS MOS GUIDANCE\nTMP  10" + std::string(10000, '7') +
                             "\nDPT  20 21" + '\0' + "22 23\n" + std::string(10000, 'X') + "\nWDR  27\n\n";
    auto s = read_all(kModelGfs, text);
    ASSERT_EQ(s.size(), 1U);
    expect_cells(s[0], "TMP 0=10 1=777 DPT 1=21 2=22 WDR 0=270");
}

TEST_F(MosRead, TruncatedProductsAndTitlesWithoutSectionsEndCleanly) {
    static constexpr char kJunk[] = "\x01\x03\x1e\x7f\xff binary \0 junk";
    const struct {
        std::string text;
        std::size_t stations;
    } cases[] = {
        {"", 0},
        {"FOUS21 KWNO 010000\n", 0},
        {"FOUS21 KWNO 010000\nKAAA   GFS MOS GUIDANCE", 1},
        {"FOUS21 KWNO 010000\nKAAA   GFS MOS GUIDANCE\nTMP  1", 1},
        {"FOUS21 KWNO 010000\nMAVXX1\n\n\n\nFOUS22 KWNO 010000\n", 0},
        {"FOUS21 KWNO 010000\nTMP  10 11\nOBV   N\n\n", 0},
        {std::string(kJunk, sizeof kJunk - 1), 0},
    };
    MosuReport u{};
    MosmReport m{};
    for (const auto& c : cases) {
        auto s = read_all(kModelGfs, c.text);
        EXPECT_EQ(s.size(), c.stations) << c.text;
        if (c.text.ends_with("TMP  1")) {
            EXPECT_EQ(s.at(0).values[kMosTemp][0], 1);
        }
        ASSERT_TRUE(load(c.text));
        FLAG_set(kFlagDataKind, kModelNamUa);
        for (int k = 0; k < 100 && MOSU_read(0, &u, kMosReadFull, &k) == 0; ++k) {
        }
        FLAG_set(kFlagDataKind, kModelMrfx);
        for (int k = 0; k < 100 && MOSM_read(0, &m, kMosReadFull, &k) == 0; ++k) {
        }
    }
}

}  // namespace
}  // namespace orv
