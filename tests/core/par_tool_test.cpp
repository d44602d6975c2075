#include "core/par_tool.hpp"
#include <gtest/gtest.h>
#include <unistd.h>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {

const std::string kBulletinDir = ORV_SOURCE_DIR "/../shared/data/mos";

// A section is the lines handed out between two ends of section.
using Section = std::vector<std::string>;

class ParToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The input convention holds 29 characters: products are named
        // relative to the test directory.
        old_cwd_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        PAR_reset_for_tests();
        FILE_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
        MESS_set(-1, 0x0FC0);  // no "Parsing:" lines or missing-convention warnings in the output
    }
    void TearDown() override {
        PAR_reset_for_tests();
        FILE_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
        std::filesystem::current_path(old_cwd_);
    }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
        return name;
    }
    // Opens the product file at path (a convention of its own: "@" and the
    // name): 0, or -1.
    static int open_path(const std::string& path, int end_flags = kParEndBlank) {
        PAR_set_in_file(("@" + path).c_str());
        PAR_set_end(end_flags);
        DateRecord date{2026, 12, 6, 340, 0, 0, 0, 0};
        return PAR_open(&date);
    }
    static int read(int n, std::string* out) {
        char line[kParLineSize];
        const int r = PAR_read(0, 0, n, line);
        *out = line;
        return r;
    }
    // Reads line n for each n given: "result:line" joined by " | ".
    static std::string reads(const std::vector<int>& ns) {
        std::string out;
        for (int n : ns) {
            std::string line;
            const int r = read(n, &line);
            out += (out.empty() ? "" : " | ") + std::to_string(r) + ":" + line;
        }
        return out;
    }
    // Reads the current product section by section the way a bulletin reader
    // does: line numbers count up within a section and start again at 0 after
    // each end of section, until the product or the file ends.
    static std::vector<Section> read_sections() {
        std::vector<Section> sections(1);
        int n = 0;
        for (int guard = 0; guard < 100000; ++guard) {
            std::string line;
            const int r = read(n, &line);
            if (r == 1) {
                if (n == 0 && !sections.back().empty()) sections.emplace_back();
                sections.back().push_back(line);
                ++n;
                continue;
            }
            if (r < 0 || PAR_get_status(0) == kParStatusEnd) break;
            n = 0;
        }
        return sections;
    }
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
    std::filesystem::path old_cwd_;
};

// Every line handed out is clean: printable and within the line limit.
void expect_clean(const std::vector<Section>& sections) {
    for (const Section& s : sections) {
        for (const std::string& l : s) {
            ASSERT_LE(l.size(), static_cast<std::size_t>(kParLineMax));
            for (char c : l) ASSERT_TRUE(c >= 32 && c < 127) << static_cast<int>(c);
        }
    }
}

TEST_F(ParToolTest, OpensByDateThroughTheConventionAndSearchesTheIndex) {
    write("name_conv", "prod mos_%Y%m%d%h.txt mos_%Y%m%d%h.idx 0\nplain mos_%Y%m%d%h.txt - 0\n");
    RES_put("name_conv", (dir_ + "/name_conv").c_str());
    const std::string text = "FOUS21 KWNO 060000\nA\n\nFOUS26 KWNO 060000\nB\n\nFOUS26 KWNO 060000\nC\n";
    write("mos_2026120600.txt", text);
    // The index points at the second FOUS26 product only, with a second part;
    // a line of junk longer than any heading is passed over.
    write("mos_2026120600.idx", "junk line" + std::string(3000, '7') + "\n0 FOUS21 KWNO/MAV\n" +
                                    std::to_string(text.find("FOUS26 KWNO 060000\nC")) +
                                    " FOUS26 KWNO/ MAV\n");
    DateRecord date{2026, 12, 6, 340, 0, 0, 0, 0};
    PAR_set_in_file("prod");
    PAR_set_end(kParEndBlank);
    ::testing::internal::CaptureStdout();
    MESS_set(10, 0x0F00);
    ASSERT_EQ(PAR_open(&date), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Parsing: mos_2026120600.txt\n");
    MESS_set(9, 0x0FC0);
    EXPECT_EQ(PAR_search(0, "FOUS26/MAV"), 1);
    EXPECT_EQ(reads({0, 1}), "1:FOUS26 KWNO 060000 | 1:C");
    EXPECT_EQ(PAR_search(0, "FOUS26"), -1);
    EXPECT_EQ(PAR_rewind(0), 1);
    EXPECT_EQ(PAR_search(0, "FOUS2[1-6]/MEX"), -1);
    // Without an index the file is scanned.
    PAR_set_in_file("plain");
    ASSERT_EQ(PAR_open(&date), 0);
    EXPECT_EQ(PAR_search(0, "FOUS26"), 1);
    EXPECT_EQ(reads({0, 1}), "1:FOUS26 KWNO 060000 | 1:B");
    date.day = 7;
    EXPECT_EQ(PAR_open(&date), -1);
    EXPECT_EQ(PAR_search(0, "FOUS26"), -1);
}

TEST_F(ParToolTest, ChosenFileIsReadWhenTheDateHasNoYear) {
    write("name_conv", "prod mos_%Y%m%d%h.txt - 0\n");
    RES_put("name_conv", (dir_ + "/name_conv").c_str());
    write("chosen.txt", "FOUS26 KWNO\nA\n");
    FILE_set_name("prod");
    FILE_set_filename((dir_ + "/chosen.txt").c_str());
    PAR_set_in_file("prod");
    DateRecord no_year;
    DATE_init(&no_year);
    ASSERT_EQ(PAR_open(&no_year), 0);
    EXPECT_EQ(PAR_search(0, "FOUS26"), 1);
    // A current file named "-" reads standard input and drops the convention.
    FILE_set_filename("-");
    ASSERT_EQ(PAR_open(&no_year), 0);
    PAR_close(0);
}

TEST_F(ParToolTest, HeadingPatterns) {
    struct Case {
        const char *heading, *second, *pattern;
        int result;  // 0: matches
    };
    const Case cases[] = {
        {"FOUS44 KWNO 010000", "", "(FOUS4[456789])", 0}, {"FOUS40 KWNO 010000", "", "(FOUS4[456789])", 1},
        {"FOUS61XKWNO", "", "FOUS[67]._KWNO", 1}, {"FOUS25 KWNO", "", "FOUS2[^0-5]", 1},
        // A pattern is a prefix; the heading may not end before the pattern does.
        {"FOUS26", "", "FOUS26_KWNO", 1}, {"FOUS26", "", "(FOUS|FO)US26", 1}, {"FOUS26 KWBC 010000", "", "FOUS*KWNO", 1},
        {"** FOUS26 KWNO", "", "FOUS26", 0}, {"*X FOUS26", "", "FOUS26", 1}, {"", "", "all", 1}, {"ANY TEXT", "", "ALL", 0},
        {"FOUS26", "  MAV", "FOUS26/MAV", 0}, {"FOUS26", "MEX", "FOUS26/MAV", 1}, {"FOUS26", "", "(FOUS|", 0},
        {nullptr, nullptr, nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PAR_cmp(c.heading, c.second, c.pattern), c.result)
            << (c.heading ? c.heading : "null") << " ~ " << (c.pattern ? c.pattern : "null");
}

constexpr const char* kTwoProducts =
    "\x01\r\r\n"
    "734 \r\r\n"
    "FOUS21 KWNO 060000\r\r\n"
    "MAVNE1\r\r\n"
    "\x1EKBOS   GFS MOS GUIDANCE   12/06/2026  0000 UTC\r\r\n"
    "TMP  30 31\r\r\n"
    "\r\r\n"
    "\x1EKBDL   GFS MOS GUIDANCE   12/06/2026  0000 UTC\r\r\n"
    "TMP  28 29\r\r\n"
    "\r\r\n"
    "$$\r\r\n"
    "\x03"
    "\x01\r\r\n"
    "735 \r\r\n"
    "FOUS26 KWNO 060000\r\r\n"
    "MAVWC0\r\r\n"
    "\x1EKSEA   GFS MOS GUIDANCE   12/06/2026  0000 UTC\r\r\n"
    "TMP  45 44\r\r\n"
    "\r\r\n"
    "\x03";

TEST_F(ParToolTest, SearchFindsProductsAndKeepsTheHeadingPending) {
    ASSERT_EQ(open_path(write("p.txt", kTwoProducts)), 0);
    EXPECT_EQ(PAR_search(0, "fous26"), 1);
    EXPECT_EQ(PAR_get_status(0), kParStatusFound);
    EXPECT_EQ(PAR_search(0, "FOUS26"), 1);  // the pending heading is found again at once
    EXPECT_EQ(reads({0}), "1:FOUS26 KWNO 060000");
    EXPECT_EQ(PAR_search(0, "FOUS21"), -1);
    EXPECT_EQ(PAR_get_status(0), kParStatusEnd);
    EXPECT_EQ(reads({0}), "-1:");
    EXPECT_EQ(PAR_rewind(0), 1);
    EXPECT_EQ(PAR_search(0, "FOUS21"), 1);
    EXPECT_EQ(PAR_search(0, "FOUS2[1-6]"), 1);
    EXPECT_EQ(reads({0}), "1:FOUS21 KWNO 060000");
}

TEST_F(ParToolTest, SectionsOfTransmittedProductsReadClean) {
    ASSERT_EQ(open_path(write("p.txt", kTwoProducts)), 0);
    ASSERT_EQ(PAR_search(0, "FOUS21"), 1);
    const std::vector<Section> first = read_sections();
    ASSERT_EQ(first.size(), 3U);
    EXPECT_EQ(first[0], (Section{"FOUS21 KWNO 060000", "MAVNE1",
                                 "KBOS   GFS MOS GUIDANCE   12/06/2026  0000 UTC", "TMP  30 31"}));
    EXPECT_EQ(first[1], (Section{"KBDL   GFS MOS GUIDANCE   12/06/2026  0000 UTC", "TMP  28 29"}));
    EXPECT_EQ(first[2], (Section{"$$"}));
    EXPECT_EQ(PAR_get_status(0), kParStatusEnd);
    ASSERT_EQ(PAR_search(0, "FOUS2"), 1);
    const std::vector<Section> second = read_sections();
    ASSERT_EQ(second.size(), 1U);
    EXPECT_EQ(second[0].back(), "TMP  45 44");
    EXPECT_EQ(PAR_search(0, "all"), -1);
}

TEST_F(ParToolTest, BlankLineEndsSectionAndTheNextLineIsHeldForLineZero) {
    ASSERT_EQ(open_path(write("p.txt", "HEAD 1\nA0\nA1\n\nB0\nB1\nB2\n\nC0\n")), 0);
    ASSERT_EQ(PAR_search(0, "HEAD"), 1);
    EXPECT_EQ(reads({0, 1, 2, 3}), "1:HEAD 1 | 1:A0 | 1:A1 | 0:");  // the blank line ends the section
    EXPECT_EQ(PAR_get_status(0), kParEndBlank);
    EXPECT_EQ(reads({7, 0, 1}), "0: | 1:B0 | 1:B1");  // any n: B0 is read and held
    const std::int64_t b1 = PAR_get_pos(0);
    EXPECT_EQ(reads({2}), "1:B2");
    // Seeking back re-reads from the line last read before.
    EXPECT_EQ(PAR_seek(0, b1), 1);
    EXPECT_EQ(PAR_get_pos(0), b1);
    EXPECT_EQ(reads({2, 3, 4, 0, 0, 1}), "1:B1 | 1:B2 | 0: | 0: | 1:C0 | -1:");
    EXPECT_EQ(PAR_get_status(0), kParStatusEnd);
}

TEST_F(ParToolTest, EndFlagsEndSections) {
    struct Case { const char* text; int flags; std::vector<int> ns; const char* lines; int status; };
    const Case cases[] = {
        {"H\nA\n$$\nB\n", kParEndDollar | kParEndEqual, {0, 1, 2}, "1:H | 1:A | 0:", kParEndDollar},
        {"H\nA\n$$\nB\n", kParEndDollar, {0, 1, 2, 0, 0}, "1:H | 1:A | 0: | 0: | 1:B", 0},
        // A line ending with "=" is handed out with the end.
        {"H\nC=\nD\n", kParEndDollar | kParEndEqual, {0, 1, 0, 0}, "1:H | 0:C= | 1:D | -1:", kParStatusEnd},
        {"H\nC=\n", kParEndEqual, {0, 1}, "1:H | 0:C=", kParEndEqual},
        {"H\nC=\nD\n", kParEndBlank, {0, 1, 2}, "1:H | 1:C= | 1:D", 0},
        // Without the flag for runs, blank lines are content until the run.
        {"H\nD\n\n\n\nE\n", kParEndBlanks, {0, 1, 2, 3, 4}, "1:H | 1:D | 1: | 1: | 0:", kParEndBlanks},
        {"H\nD\n\n\n\nE\n", kParEndBlanks, {0, 1, 2, 3, 4, 0, 0}, "1:H | 1:D | 1: | 1: | 0: | 0: | 1:E", 0},
        {"** FOUS21\nA\n** FOUS22\nB\n", kParEndBlank, {0, 1, 2}, "1:** FOUS21 | 1:A | 0:", kParStatusHeading},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PAR_reset_for_tests();
        std::filesystem::remove(dir_ + "/p.txt");
        ASSERT_EQ(open_path(write("p.txt", c.text), c.flags), 0);
        ASSERT_EQ(PAR_search(0, "all"), 1);
        EXPECT_EQ(reads(c.ns), c.lines);
        EXPECT_EQ(PAR_get_status(0), c.status);
    }
    // The starred heading that ended the section is pending for the next search.
    EXPECT_EQ(PAR_search(0, "FOUS22"), 1);
    EXPECT_EQ(reads({0}), "1:** FOUS22");
}

TEST_F(ParToolTest, SearchLoopGuardStopsAndTheNextSearchGoesOn) {
    std::string text(100005, '\n');
    text += "FOUS26 KWNO\n";
    ASSERT_EQ(open_path(write("p.txt", text)), 0);
    MESS_set(11, 0xC0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PAR_search(0, "FOUS26"), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Caught in search loop\n"), std::string::npos);
    EXPECT_EQ(PAR_search(0, "FOUS26"), 1);
}

TEST_F(ParToolTest, NoFileAndClosedFile) {
    char buf[kParLineSize] = "x";
    EXPECT_EQ((std::vector<std::int64_t>{PAR_search(-1, "A"), PAR_read(-1, 0, 0, buf), PAR_close(-1), PAR_get_pos(0),
                                         PAR_rewind(0), open_path("absent.txt"), PAR_read(0, 0, 0, buf)}),
              (std::vector<std::int64_t>{-1, -1, 0, -1, 0, -1, -1}));
    EXPECT_STREQ(buf, "");
    ASSERT_EQ(open_path(write("p.txt", "H\nA\n\nB\n")), 0);
    EXPECT_EQ(PAR_seek(0, -5), 0);
    ASSERT_EQ(PAR_search(0, "H"), 1);
    // The end of a section closes the file when reads ask to reopen it.
    EXPECT_EQ((std::vector{PAR_read(0, 1, 1, buf), PAR_read(0, 1, 2, buf), PAR_read(0, 1, 0, buf), PAR_close(0)}),
              (std::vector{1, 0, -1, 0}));
}

TEST_F(ParToolTest, LongLinesAndNulBytesNeverOverrun) {
    std::string text = "H\n" + std::string(10000, 'A') + std::string("\nB\0C\x7F\xFF\x02", 7) + "D\n";
    text += std::string(3, '\0') + "\nTAIL\n";
    ASSERT_EQ(open_path(write("p.txt", text)), 0);
    ASSERT_EQ(PAR_search(0, "H"), 1);
    EXPECT_EQ(reads({0, 1}), "1:H | 1:" + std::string(kParLineMax, 'A'));
    EXPECT_EQ(reads({2, 3, 0, 0}), "1:B C   D | 0: | 0: | 1:TAIL");  // NUL bytes only: a blank line
}

// Lines read the same wherever they fall in the blocks the file is read in:
// across block ends, longer than the limit, with trailing blanks, with line
// feeds, carriage returns or both as line ends, in products with and without
// the leading blank.
TEST_F(ParToolTest, LinesReadTheSameWhereverTheyFallInTheFile) {
    std::mt19937 rng(5);
    for (const char* end : {"\n", "\r\n", "\r\r\n", "\r"})
    for (const bool shifted : {false, true}) {
        SCOPED_TRACE(std::string(shifted ? "shifted, " : "") + (end[0] == '\n' ? "LF" : end[1] == '\0' ? "CR" : "CR LF"));
        const std::string lead = shifted ? " " : "";
        std::string text = lead + "HEAD" + end;
        std::vector<std::string> expected;
        while (text.size() < 300000) {
            std::string line;
            const std::size_t length = rng() % 8 == 0 ? rng() % 400 : rng() % 90;
            for (std::size_t i = 0; i < length; ++i) line += static_cast<char>('0' + rng() % 60);
            if (rng() % 5 == 0) line += std::string(rng() % 4, ' ');
            std::string want = line.substr(0, static_cast<std::size_t>(kParLineMax));
            while (!want.empty() && want.back() == ' ') want.pop_back();
            text += lead + line + end;
            expected.push_back(want);
        }
        // The last line has no line feed.
        text += lead + "LAST";
        expected.emplace_back("LAST");
        PAR_reset_for_tests();
        std::filesystem::remove(dir_ + "/lines.txt");
        ASSERT_EQ(open_path(write("lines.txt", text), 0), 0);
        ASSERT_EQ(PAR_search(0, "HEAD"), 1);
        std::string line;
        ASSERT_EQ(read(0, &line), 1);
        EXPECT_EQ(line, "HEAD");
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(read(static_cast<int>(i) + 1, &line), 1) << "line " << i;
            ASSERT_EQ(line, expected[i]) << "line " << i;
            ASSERT_EQ(PAR_get_len(0), static_cast<int>(expected[i].size()));
        }
        EXPECT_EQ(read(static_cast<int>(expected.size()) + 1, &line), -1);
    }
}

// Once the file has ended nothing is pending: the heading of the last
// product is not found again.
TEST_F(ParToolTest, SearchAfterTheEndOfTheFileFindsNothing) {
    ASSERT_EQ(open_path(write("p.txt", "FOUS23 KWNO\rKFYJ GFS MOS")), 0);
    ASSERT_EQ(PAR_search(0, "FOUS2"), 1);
    EXPECT_EQ(read_sections(), (std::vector<Section>{{"FOUS23 KWNO", "KFYJ GFS MOS"}}));
    EXPECT_EQ(PAR_search(0, "FOUS2"), -1);
}

TEST_F(ParToolTest, MutatedBulletinsReadToTheEndWithCleanLines) {
    const std::string real = kBulletinDir + "/gfsx_mex_feus23_2020071012.txt";
    if (!std::filesystem::exists(real)) GTEST_SKIP() << "real bulletins not found in " << kBulletinDir;
    std::ifstream in(real, std::ios::binary);
    const std::string base((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string inserts[] = {
        "\x01", "\x03", "\x1E", "\r\r\n", "\n\n", "** ", "$$\n", std::string(1, '\0'), std::string(300, 'Z')};
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        std::string text = base;
        for (int m = 0; m < 8; ++m) {
            const std::size_t at = rng() % (text.size() + 1);
            const int kind = static_cast<int>(rng() % 4);
            if (kind == 0) text.insert(at, inserts[rng() % std::size(inserts)]);
            else if (kind == 1) text.erase(at, rng() % 40);
            else if (kind == 2 && at < text.size()) text[at] = static_cast<char>(rng() % 256);
            else if (kind == 3) text.resize(std::min(text.size(), at + 200));
        }
        PAR_reset_for_tests();
        // A new file each round: truncating a file just written waits for the disk.
        std::filesystem::remove(dir_ + "/m.txt");
        ASSERT_EQ(open_path(write("m.txt", text)), 0);
        int products = 0;
        while (products < 1000 && PAR_search(0, "(FEUS2[1-6]|FOUS2[1-6]|all)") == 1) {
            ++products;
            expect_clean(read_sections());
        }
        ASSERT_LT(products, 1000);
    }
}

struct RealBulletin {
    const char* file;
    const char* pattern;
    std::vector<std::string> stations;
    std::vector<std::string> rows;  // how the lines below a station title begin
};

const std::vector<std::string> kMavRows = {"DT /", "HR  ", "X/N ", "TMP ", "DPT ", "CLD ", "WDR ",
                                           "WSP ", "P06 ", "P12 ", "Q06 ", "Q12 ", "T06 ", "T12 ",
                                           "POZ ", "POS ", "TYP ", "SNW ", "CIG ", "VIS ", "OBV "};

std::vector<std::string> with_row(std::vector<std::string> rows, std::size_t i, const char* row) {
    rows[i] = row;
    return rows;
}

TEST_F(ParToolTest, RealBulletinsGiveEveryStationSection) {
    if (!std::filesystem::is_directory(kBulletinDir)) GTEST_SKIP() << "no bulletins in " << kBulletinDir;
    const std::vector<RealBulletin> bulletins = {
        {"gfs_mav_fous26_2014010100.txt", "FOUS2[1-6]_KWNO", {"KEED", "KELN", "KEPH"}, kMavRows},
        {"gfs_mav_fous23_2019091312_leading_blank.txt",
         "(FOUS2[1-6])",
         {"KFYJ"},
         with_row(kMavRows, 2, "N/X ")},
        {"nam_met_fous46_2017081212.txt",
         "FOUS4[4-9]",
         {"KFOZ", "KFPK", "KFRM", "KFSD"},
         {"DT /", "HR  ", "N/X ", "TMP ", "DPT ", "CLD ", "WDR ", "WSP ", "P06 ", "P12 ", "Q06 ", "Q12 ",
          "T06 ", "T12 ", "CIG ", "VIS ", "OBV "}},
        {"gfsx_mex_feus23_2020071012.txt",
         "FEUS2.",
         {"KY63", "KY70", "KYIP", "KYKN"},
         {"FHR ", "     SAT 11|", "N/X ", "TMP ", "DPT ", "CLD ", "WND ", "P12 ", "P24 ", "Q12 ", "Q24 ",
          "T12 ", "T24 "}},
    };
    for (const RealBulletin& b : bulletins) {
        SCOPED_TRACE(b.file);
        std::filesystem::create_symlink(kBulletinDir + "/" + b.file, dir_ + "/bulletin");
        ASSERT_EQ(open_path("bulletin"), 0);
        ASSERT_EQ(PAR_search(0, b.pattern), 1);
        std::vector<std::string> stations;
        for (const Section& s : read_sections()) {
            for (std::size_t i = 0; i < s.size(); ++i) {
                if (s[i].find("MOS GUIDANCE") == std::string::npos) continue;
                stations.push_back(s[i].substr(0, s[i].find(' ')));
                ASSERT_EQ(s.size() - i - 1, b.rows.size()) << s[i];
                for (std::size_t k = 0; k < b.rows.size(); ++k) {
                    EXPECT_EQ(s[i + 1 + k].rfind(b.rows[k], 0), 0U) << s[i + 1 + k];
                }
            }
        }
        EXPECT_EQ(stations, b.stations);
        EXPECT_EQ(PAR_search(0, b.pattern), -1);
        PAR_close(0);
        std::filesystem::remove(dir_ + "/bulletin");
    }
}

}  // namespace
}  // namespace orv
