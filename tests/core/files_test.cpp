#include "core/files.hpp"
#include <gtest/gtest.h>
#include <unistd.h>
#include <array>
#include <tuple>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "support/run_program.hpp"

namespace orv {
namespace {


using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

DateRecord at(int year, int month, int day, int hour, int minute = 0) {
    return DateRecord{year, month, day, kMissing, kMissing, hour, minute, 0};
}

// Naming conventions work on files in a fresh directory with their own
// convention file; the clock is pinned through orvcurtime where it matters.
class NamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FILE_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
        unsetenv("orvcurtime");
        RES_put("data_path", dir_.c_str());
        write("name_conv",
              "# test conventions\n"
              "hourly  %D/mos_%Y%m%d%h.txt  %D/mos_%Y%m%d%h.idx  0\n"
              "big     %D/big_%Y%m%d%h.txt  -  10\n"
              "three   %D/t_%y%m%d%3h.txt  -  0\n"
              "gfsx    %D/gfsx_mex_%e_%Y%m%d%h.txt  -  0\n"
              "gfs     %D/gfs_mav_%e_%Y%m%d%h.txt  -  0\n"
              "grid    %G/g_%v_%3l_%Y%m%d%h.grd  -  0\n");
        RES_put("name_conv", path("name_conv").c_str());
    }
    void TearDown() override {
        unsetenv("orvcurtime");
        std::freopen("/dev/null", "r", stdin);
        FILE_reset_for_tests();
        RES_reset_for_tests();
        MESS_reset_for_tests();
        FLAG_reset_for_tests();
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name)) << text;
    }
    void feed_stdin(const std::string& text) const { ASSERT_TRUE(orv::testing::feed_stdin(path("stdin.txt"), text)); }
    std::string expand(const DateRecord& d) {
        char out[kFileNameSize];
        FILE_set_date(&d, out);
        return out;
    }
    // The file chosen for an entry or a current-file text, without the test directory.
    std::string local(const std::string& name) const {
        return name.rfind(dir_ + "/", 0) == 0 ? name.substr(dir_.size() + 1) : name;
    }
    std::string entry(const std::string& text) {
        char out[kFileNameSize];
        FILE_set_file(text.c_str(), out);
        return local(out);
    }
    std::string current(const char* text) {
        char out[kFileNameSize];
        FILE_set_current(text, out);
        return local(out);
    }
    orv::testing::ScratchDir scratch_;
    std::string dir_ = scratch_.path();
};

class FilesTest : public NamingTest {};

TEST_F(FilesTest, StandardAndFullNames) {
    for (const char* s : {"", "-", "std", "STD", "stdn", "StdN"}) EXPECT_EQ(FILE_is_stdio(s), 1) << s;
    EXPECT_EQ(FILE_is_stdio(nullptr), 1);
    for (const char* s : {"stdout", "--", "x"}) EXPECT_EQ(FILE_is_stdio(s), 0) << s;
    for (const char* s : {"./a", "/a", "~/a", "..", "~"}) EXPECT_EQ(FILE_fullpath(s), 1) << s;
    for (const char* s : {"a/b", "", "-"}) EXPECT_EQ(FILE_fullpath(s), 0) << s;
}

TEST_F(FilesTest, JoiningPaths) {
    char out[kFileNameSize];
    for (const auto& [dir, name, joined] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"/data", "x.mos", "/data/x.mos"}, {"/data/", "x.mos", "/data/x.mos"}, {nullptr, "x.mos", "x.mos"},
             {"", "x.mos", "x.mos"}, {"/data", "/abs/x", "/abs/x"}, {"/data", "~/x", "~/x"}, {"/data", "-", "-"}})
        EXPECT_STREQ(FILE_add_path(dir, name, out), joined) << name;
    const std::string longdir(300, 'd');
    FILE_add_path(longdir.c_str(), "x", out);
    EXPECT_EQ(std::string(out), longdir.substr(0, kFileNameSize - 1));
    char text[kFileNameSize] = "/a/b";
    EXPECT_STREQ(FILE_add_path_delim(text), "/a/b/");
    EXPECT_STREQ(FILE_add_path_delim(text), "/a/b/");
    char empty[4] = "";
    EXPECT_STREQ(FILE_add_path_delim(empty, sizeof empty), "");
    char full[4] = "abc";
    EXPECT_STREQ(FILE_add_path_delim(full, sizeof full), "abc");
}

TEST_F(FilesTest, WritingNeedsAnExistingDirectoryAndQueriesSeeTheFile) {
    for (const char* mode : {"w", "a"}) {
        EXPECT_EQ(FILE_open(path("a/b/out.txt").c_str(), mode), nullptr) << mode;
        EXPECT_EQ(FILE_exist(path("a").c_str()), 0) << mode;
    }
    const std::string p = path("out.txt");
    std::FILE* f = FILE_open(p.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("hello", f);
    EXPECT_EQ(FILE_close(f), 0);
    EXPECT_EQ((std::vector<long>{FILE_exist(p.c_str()), FILE_is_file(p.c_str()), FILE_is_dir(p.c_str()), FILE_size(p.c_str())}),
              (std::vector<long>{1, 1, 0, 5}));
    EXPECT_GT(FILE_modtime(p.c_str()), 0);
    f = FILE_open(p.c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fputs(" again", f);
    FILE_close(f);
    EXPECT_EQ(orv::testing::read_file(p), "hello again");
    EXPECT_EQ(FILE_delete(p.c_str()), 0);
    EXPECT_EQ((std::vector<long>{FILE_exist(p.c_str()), FILE_size(p.c_str()), static_cast<long>(FILE_modtime(p.c_str())),
                                 FILE_delete(p.c_str())}),
              (std::vector<long>{0, -1, -1, -1}));
    EXPECT_EQ(FILE_open(path("nothing/here").c_str(), "r"), nullptr);
    EXPECT_EQ(FILE_exist(path("nothing").c_str()), 0);
}

TEST_F(FilesTest, CommandPipes) {
    const std::string out = path("piped.txt");
    std::FILE* w = FILE_open(("|cat > '" + out + "'").c_str(), "w");
    ASSERT_NE(w, nullptr);
    std::fputs("through a pipe\n", w);
    EXPECT_EQ(FILE_close(w), 0);  // waits for the command
    EXPECT_EQ(orv::testing::read_file(out), "through a pipe\n");
    std::FILE* r = FILE_open("|echo from command", "r");
    ASSERT_NE(r, nullptr);
    char line[64] = "";
    ASSERT_NE(std::fgets(line, sizeof line, r), nullptr);
    EXPECT_STREQ(line, "from command\n");
    EXPECT_EQ(FILE_close(r), 0);
}

TEST_F(NamingTest, ExpansionOfDateAndPathCodes) {
    RES_put("data_path", "/data");
    RES_put("my_dir", "/over/here");
    // {convention, date, name, interval}: raw_path unset is "."; "%3h" truncates the hour; a
    // name without a date code leaves the interval unset.
    const struct { const char* conv; DateRecord d; const char* name; int offset; } cases[] = {
        {"@%D/%y%m%d%h.mos", at(2005, 3, 15, 12), "/data/05031512.mos", 3600},
        {"@%R/{a b}%Y-%b-%j %n%%.x", at(2005, 3, 15, 12, 7), "./a_b2005-mar-074_07%.x", 60},
        {"@%{my_dir}/%2m%5d.txt", at(2005, 3, 15, 12), "/over/here/0215.txt", 5 * 86400},
        {"three", at(2005, 3, 15, 11), "/data/t_05031509.txt", 10800},
        {"@%D/fixed.txt", at(2005, 3, 15, 12), "/data/fixed.txt", 100000},
    };
    DateRecord used{};
    for (const auto& c : cases) {
        EXPECT_EQ(FILE_set_name(c.conv), 1) << c.conv;
        EXPECT_EQ(expand(c.d), c.name);
        EXPECT_EQ(FILE_get_offset(), c.offset) << c.conv;
        if (c.offset == 10800) {
            FILE_get_date(&used);  // the date used, without the minute the template lacks
            EXPECT_EQ((std::array{used.year, used.hour, used.minute}), (std::array{2005, 9, kMissing}));
        }
    }
    FILE_get_date(&used);
    EXPECT_EQ(used.year, kMissing);
}

TEST_F(NamingTest, TimeSettingOverridesTheDate) {
    FILE_set_name("@%Y%m%d%h%n");
    DateRecord ts = at(kMissing, kMissing, kMissing, 12, kMissing);
    FILE_set_time(&ts);
    EXPECT_EQ(expand(at(2005, 3, 15, 17, 40)), "200503151240");
    ts = at(kMissing, kMissing, kMissing, -(3 * 100 + 6), -30);  // 6-hourly plus 3; half hours
    FILE_set_time(&ts);
    EXPECT_EQ(expand(at(2005, 3, 15, 17, 40)), "200503151530");
    EXPECT_EQ(FILE_get_offset(), 1800);
    ts = at(1999, 7, -7, kMissing, kMissing);  // fixed year and month, weekly days
    FILE_set_time(&ts);
    EXPECT_EQ(expand(at(2005, 3, 15, 17, 40)), "199907141740");
}

// The most negative settings are relative ones too; they must not overflow.
TEST_F(NamingTest, ExtremeTimeSettingsStayWithinTheirFields) {
    FILE_set_name("@%Y%m%2d%h%n%j");
    constexpr int kMin = std::numeric_limits<int>::min();
    for (const DateRecord& ts : {at(kMissing, kMissing, kMin, kMissing, kMissing),
                                 at(kMissing, kMissing, kMissing, kMin, kMin)}) {
        FILE_set_time(&ts);
        const std::string name = expand(at(2005, 3, 15, 17, 40));
        EXPECT_EQ(name.rfind("200503", 0), 0U) << name;
        EXPECT_GE(FILE_get_offset(), 60) << name;
    }
}

// A file named with a directory keeps it in every name made from it, as
// the reader makes the name again for each frame.
TEST_F(NamingTest, ANamedFileKeepsItsDirectory) {
    FILE_set_name("hourly");
    RES_put("data_path", "/nowhere");
    const DateRecord d = at(2026, 12, 6, 0, kMissing);
    const std::vector<std::string> entries = {"sub/mos_2026120600.txt", "./sub/mos_2026120600.txt",
                                              dir_ + "/sub/mos_2026120600.txt"};
    for (const std::string& entry : entries) {
        char out[kFileNameSize];
        FILE_set_file(entry.c_str(), out);
        ASSERT_EQ(std::string(out), entry);
        EXPECT_EQ(expand(d), entry);
        EXPECT_EQ(expand(d), entry) << "made again";
        FILE_save_name_conv();
        FILE_set_name("grid");
        EXPECT_EQ(expand(d).rfind("./g_", 0), 0U) << "another convention has its own path";
        FILE_restore_name_conv();
        EXPECT_EQ(expand(d), entry) << "restored";
    }
}

TEST_F(NamingTest, KeysAndExtension) {
    FILE_set_name("grid:v=temp:l=850 mb");
    EXPECT_STREQ(FILE_get_key('v'), "temp");
    EXPECT_STREQ(FILE_get_key('l'), "850_mb");
    EXPECT_EQ(expand(at(2005, 3, 15, 12)), "./g_temp_850_2005031512.grd");
    FILE_set_key('l', "");
    EXPECT_EQ(expand(at(2005, 3, 15, 12)), "./g_temp_0___2005031512.grd");
    FILE_set_key('v', std::string(50, 'k').c_str());
    EXPECT_EQ(std::string(FILE_get_key('v')).size(), 29U);
    EXPECT_EQ(FILE_set_name("gfs_fous26"), 1);
    EXPECT_EQ(expand(at(2014, 1, 1, 0)), path("gfs_mav_fous26_2014010100.txt"));
    EXPECT_EQ(FILE_set_name("gfsx_feus23"), 1);  // the longer type is listed first
    EXPECT_EQ(expand(at(2020, 7, 10, 12)), path("gfsx_mex_feus23_2020071012.txt"));
}

TEST_F(NamingTest, ConventionFileChoices) {
    EXPECT_EQ(FILE_set_name("HOURLY"), 1);
    char text[400];
    EXPECT_STREQ(FILE_get_name_conv(text, sizeof text),
                 "3600 %D/mos_%Y%m%d%h.txt %D/mos_%Y%m%d%h.idx");
    char hdr[kFileNameSize];
    const DateRecord d = at(2005, 3, 15, 12);
    EXPECT_EQ(FILE_hdr_set_date(&d, hdr), 1);
    EXPECT_EQ(std::string(hdr), path("mos_2005031512.idx"));
    EXPECT_EQ(FILE_hdr_set_date(nullptr, hdr), 0);  // no file date yet
    EXPECT_EQ(FILE_set_name("big"), 1);
    EXPECT_EQ(FILE_get_min_size(), 10);
    FILE_set_min_size(3);
    EXPECT_EQ(FILE_get_min_size(), 3);
    EXPECT_EQ(FILE_hdr_set_date(&d, hdr), 0);  // "-": no header convention
    EXPECT_EQ(FILE_set_name("unknown_type"), 0);  // the type is its own template
    EXPECT_EQ(expand(d), "unknown_type");
    EXPECT_EQ(FILE_set_name("none"), 0);
    char out[kFileNameSize];
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_STREQ(out, "filename");
    FILE_set_name("@-");
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_STREQ(out, "-");
    RES_put("name_conv", path("missing_conv").c_str());
    CaptureStderr();
    EXPECT_EQ(FILE_set_name("hourly"), 0);
    EXPECT_NE(GetCapturedStderr().find("FILE_set_name: No file name convention file: " +
                                       path("missing_conv")),
              std::string::npos);
    EXPECT_EQ(expand(d), "hourly");
}

TEST_F(NamingTest, EntriesParseIntoNamesAndDates) {
    FILE_set_name("hourly");
    EXPECT_EQ(entry("2005031512"), "mos_2005031512.txt");
    DateRecord d{};
    FILE_get_date(&d);
    EXPECT_EQ((std::vector{d.year, d.month, d.day, d.hour}), (std::vector{2005, 3, 15, 12}));
    EXPECT_EQ(entry("mos_2006010218.txt"), "mos_2006010218.txt");
    EXPECT_EQ(entry("/else/where/mos_2007010200.txt"), "/else/where/mos_2007010200.txt");
    FILE_get_date(&d);
    EXPECT_EQ(d.year, 2007);
    EXPECT_EQ(entry("rel/dir/mos_2007010206.txt"), "rel/dir/mos_2007010206.txt");
    // A later expansion keeps the directory of the name given.
    EXPECT_EQ(expand(at(2007, 1, 2, 12)), "rel/dir/mos_2007010212.txt");
    char out[kFileNameSize];
    EXPECT_EXIT(FILE_set_file("EXIT", out), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(entry("@odd name;x"), "odd name;x");
    EXPECT_EQ(entry("NONE"), "none");
    FILE_set_name("three");
    EXPECT_EQ(entry("t_05031509.txt"), "t_05031509.txt");
    FILE_set_name("@%D/%b%j.dat");
    entry("feb045.dat");
    FILE_get_date(&d);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.jday, kMissing);
}

TEST_F(NamingTest, AnUnsetExtensionIsTakenFromTheChosenName) {
    FILE_set_name("gfs");
    char out[kFileNameSize];
    FILE_set_file("gfs_mav_fous26_2014010100.txt", out);
    EXPECT_EQ(std::string(out), path("gfs_mav_fous26_2014010100.txt"));
    const DateRecord d = at(2014, 1, 1, 6);
    EXPECT_EQ(expand(d), path("gfs_mav_fous26_2014010106.txt"));
    // Choosing the same convention again keeps the choice; another one drops it.
    FILE_set_file("/else/where/gfs_mav_fous23_2019091312.txt", out);
    FILE_set_name("gfs");
    EXPECT_EQ(expand(d), "/else/where/gfs_mav_fous23_2014010106.txt");
    FILE_set_name("gfsx");
    EXPECT_EQ(expand(d), path("gfsx_mex__2014010106.txt"));
}

TEST_F(NamingTest, AFileTheConventionCannotNameIsTakenAsGiven) {
    FILE_set_name("hourly");
    write("plain.txt", "data\n");
    char out[kFileNameSize];
    FILE_set_file(path("plain.txt").c_str(), out);
    EXPECT_EQ(std::string(out), path("plain.txt"));
    DateRecord d{};
    FILE_get_date(&d);
    EXPECT_EQ(d.year, kMissing);
    // Without a year the explicit name stands for every date.
    EXPECT_EQ(FILE_set_date(&d, out), 1);
    EXPECT_EQ(std::string(out), path("plain.txt"));
}

TEST_F(NamingTest, CurrentFileFromReferenceTimeAndOffsets) {
    FILE_set_name("hourly");
    setenv("orvcurtime", "200503151037", 1);
    char out[kFileNameSize];
    DateRecord ref = at(2005, 3, 15, 10);
    EXPECT_EQ(FILE_set_current("-", out), DATE_num_sec(&ref));
    EXPECT_EQ(local(out), "mos_2005031510.txt");
    for (const auto& [text, name] : std::vector<std::pair<const char*, const char*>>{
             {"#2005031512-6", "mos_2005031506.txt"}, {"#2005031512+1d2:30", "mos_2005031614.txt"},
             {"#2005031512+12", "mos_2005031600.txt"}, {"-2d", "mos_2005031310.txt"},
             {"-10", "mos_2005031500.txt"}, {"+1:30", "mos_2005031512.txt"},
             {"#2005", "mos_2005010100.txt"}, {"#200503", "mos_2005030100.txt"}})  // a missing month or day is the first
        EXPECT_EQ(current(text), name) << text;
    // A fixed hour later than the clock takes the previous day.
    const DateRecord noon = at(kMissing, kMissing, kMissing, 12, kMissing);
    FILE_set_time(&noon);
    EXPECT_EQ(current("-0"), "mos_2005031412.txt");
    FILE_reset_time();
    setenv("orvcurtime", "#2005010105", 1);
    const DateRecord december = at(kMissing, 12, 25, kMissing, kMissing);
    FILE_set_time(&december);
    EXPECT_EQ(current("-0"), "mos_2004122505.txt");
    // A fixed minute later than the clock takes the previous hour.
    FILE_reset_time();
    setenv("orvcurtime", "200503151037", 1);
    const DateRecord at45 = at(kMissing, kMissing, kMissing, kMissing, 45);
    FILE_set_time(&at45);
    EXPECT_EQ(current("-0"), "mos_2005031509.txt");
}

TEST_F(NamingTest, LatestSearchFindsTheLatestFileLargeEnough) {
    FILE_set_name("big");
    write("big_2005031506.txt", "a file larger than ten bytes\n");
    write("big_2005031509.txt", "small\n");  // not above the minimum size
    write("big_2005031510.txt", "");
    write("big_2004010100.txt", "a file larger than ten bytes, long ago\n");
    write("big_2005031599.txt", "a file larger than ten bytes, of no hour\n");
    char out[kFileNameSize];
    DateRecord six = at(2005, 3, 15, 6);
    EXPECT_EQ(FILE_set_current("#2005031512la", out), DATE_num_sec(&six));
    EXPECT_EQ(local(out), "big_2005031506.txt");
    EXPECT_EQ(current("#2005031500+la"), "big_2005031506.txt");  // forward
    EXPECT_EQ(current("#2005031505la"), "big_2004010100.txt");   // any age
    FILE_set_min_size(3);
    EXPECT_EQ(current("#2005031512la"), "big_2005031509.txt");
    EXPECT_EQ(current("#2005031508la#2"), "big_2005031508.txt");  // none within two hours: the reference stands
    EXPECT_EQ(current("#2005031509la-3"), "big_2005031506.txt");  // the latest, then three hours back
    write("big_2005031312.txt", "a file larger than ten bytes at noon\n");
    const DateRecord noon = at(kMissing, kMissing, kMissing, 12, kMissing);
    FILE_set_time(&noon);  // files of other hours do not count
    EXPECT_EQ(current("#2005031512la"), "big_2005031312.txt");
}

TEST_F(NamingTest, ShellTextInConventionsAndEntriesRunsNothing) {
    const std::string marker = path("X");
    for (const std::string& conv :
         {"@%D/;touch " + marker, "@%D/$(touch " + marker + ")", "@%D/`touch " + marker + "`",
          "@x|touch " + marker}) {
        FILE_set_name(conv.c_str());
        CaptureStdout();
        FILE_list_file();
        GetCapturedStdout();
        char out[kFileNameSize];
        FILE_set_file((";touch " + marker).c_str(), out);
        FILE_set_file(("$(touch " + marker + ")").c_str(), out);
        FILE_type(out);
        EXPECT_FALSE(std::filesystem::exists(marker)) << conv;
    }
    for (const std::string& conv : {"@|touch " + marker, std::string("@%{cmd}")}) {
        RES_put("cmd", ("|touch " + marker).c_str());
        FILE_set_name(conv.c_str());
        char out[kFileNameSize];
        const DateRecord d = at(2005, 3, 15, 12);
        FILE_set_date(&d, out);
        EXPECT_EQ(out[0], '.') << conv;
        FILE_close(FILE_open(out, "r"));
        FILE_set_file(("|touch " + marker).c_str(), out);
        FILE_close(FILE_open(out, "r"));
        EXPECT_FALSE(std::filesystem::exists(marker)) << conv;
    }
    FILE_set_key('k', ("$(touch " + marker + ")").c_str());
    FILE_set_name("@%D/%k*");
    CaptureStdout();
    FILE_list_file();
    GetCapturedStdout();
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(NamingTest, OverlongAndUnknownTextIsCutWithAMessage) {
    const std::string long_text(400, 'a');
    CaptureStderr();
    FILE_set_name(("@%D/" + long_text + "%Q%!").c_str());
    const std::string err = GetCapturedStderr();
    EXPECT_NE(err.find("Unknown code %!"), std::string::npos);
    char out[kFileNameSize];
    const DateRecord d = at(2005, 3, 15, 12);
    FILE_set_date(&d, out);
    EXPECT_EQ(std::strlen(out), 159U);
    FILE_set_name("hourly");
    CaptureStderr();
    FILE_set_file((long_text + "2005").c_str(), out);
    EXPECT_NE(GetCapturedStderr().find("FILE_set_file: Entry cut"), std::string::npos);
    EXPECT_LE(std::strlen(out), 159U);
    write("long_conv", std::string(300, 'z') + " %D/x -  0\nshort %D/y%h - 0\n");
    RES_put("name_conv", path("long_conv").c_str());
    CaptureStderr();
    EXPECT_EQ(FILE_set_name("short"), 1);
    EXPECT_NE(GetCapturedStderr().find("Line cut"), std::string::npos);
    EXPECT_EQ(expand(d), path("y12"));
}

TEST_F(NamingTest, OverwriteDecisions) {
    EXPECT_EQ(FILE_overwrite("-", 1), 1);
    EXPECT_EQ(FILE_overwrite(path("absent").c_str(), 1), 1);
    write("there", "x");
    const std::string there = path("there");
    feed_stdin("a\nA\ny\nno\n");
    CaptureStdout();
    EXPECT_EQ(FILE_overwrite(there.c_str(), 2), 2);
    EXPECT_EQ(FILE_overwrite(there.c_str(), 1), 3);  // appending is not offered
    EXPECT_EQ(FILE_overwrite(there.c_str(), 1), 1);
    EXPECT_EQ(FILE_overwrite(there.c_str(), 2), 3);
    EXPECT_NE(GetCapturedStdout().find(there + ": exists overwrite (Y,N,Use,Over,App): "),
              std::string::npos);
    FLAG_set(kFlagFileParam, 2);
    EXPECT_EQ(FILE_overwrite(there.c_str(), 1), 2);
    FLAG_set(kFlagFileParam, 0);
    FLAG_set_batch(1);
    EXPECT_EQ(FILE_overwrite(there.c_str(), 1), 3);
}

class GetFileTest : public NamingTest {
protected:
    void SetUp() override {
        NamingTest::SetUp();
        for (const char* n : {"mos_2026120500.txt", "mos_2026120512.txt", "mos_2026120600.txt"})
            write(n, "bulletin\n");
        FILE_set_name("hourly");
        setenv("orvcurtime", "2026120609", 1);
    }
};

TEST_F(GetFileTest, BatchTakesTheLatestFileOrEnds) {
    FLAG_set_batch(1);
    char out[kFileNameSize];
    CaptureStdout();
    EXPECT_EQ(FILE_get_file("Enter the surface filename: ", out), 1);
    GetCapturedStdout();
    EXPECT_EQ(std::string(out), path("mos_2026120600.txt"));
    setenv("orvcurtime", "2026120407", 1);  // before every file: the latest cycle is named
    EXPECT_EXIT(FILE_get_file("p", out), ::testing::ExitedWithCode(10),
                "File not found: .*mos_2026120407.txt");
}

TEST_F(GetFileTest, FilenameAndCurrentResources) {
    char out[kFileNameSize];
    RES_put("current", "-9");
    CaptureStdout();
    EXPECT_EQ(FILE_get_file("p", out), 1);
    EXPECT_NE(GetCapturedStdout().find("Current filename: " + path("mos_2026120600.txt")),
              std::string::npos);
    RES_put("current", "cu-9");  // as at the prompt
    CaptureStdout();
    EXPECT_EQ(FILE_get_file("p", out), 1);
    GetCapturedStdout();
    RES_put("current", "-12");
    EXPECT_EXIT(FILE_get_file("p", out), ::testing::ExitedWithCode(10),
                "File not found: .*mos_2026120521.txt");
    CaptureStderr();
    FILE_set_current("-9x", out);
    EXPECT_EQ(GetCapturedStderr(), "Current file: \"-9x\" not understood from \"x\" on\n");
    RES_put("filename", "2026120512");
    EXPECT_EQ(FILE_get_file("p", out), 1);
    EXPECT_EQ(std::string(out), path("mos_2026120512.txt"));
    RES_put("filename", "1999010100");
    EXPECT_EQ(FILE_get_file("p", out), 0);
    RES_put("filename", "list");
    EXPECT_EXIT(FILE_get_file("p", out), ::testing::ExitedWithCode(0), "");
}

class ShippedConventionTest : public NamingTest {
protected:
    void SetUp() override {
        NamingTest::SetUp();
        RES_put("name_conv", "");  // the shipped file in the installation data
    }
};

TEST_F(ShippedConventionTest, RealBulletinsAreFoundByFamilyAndRegion) {
    const std::string data = ORV_SOURCE_DIR "/../shared/data/mos";
    if (!std::filesystem::exists(data + "/gfs_mav_fous26_2014010100.txt"))
        GTEST_SKIP() << "real bulletins not found in " << data;
    RES_put("data_path", data.c_str());
    char out[kFileNameSize];
    FILE_set_name("gfs_fous26");
    CaptureStdout();
    FILE_set_file("#2014010100", out);
    EXPECT_EQ(GetCapturedStdout(), "Current filename: " + data + "/gfs_mav_fous26_2014010100.txt\n");
    EXPECT_EQ(std::string(out), data + "/gfs_mav_fous26_2014010100.txt");
    EXPECT_EQ(FILE_exist(out), 1);
    FILE_set_name("gfsx_feus23");
    FILE_set_current("#2020071100la", out);
    EXPECT_EQ(std::string(out), data + "/gfsx_mex_feus23_2020071012.txt");
    // Chosen by name, the region is kept for the dates that follow.
    FILE_set_name("nam");
    FILE_set_file("nam_met_fous46_2017081212.txt", out);
    EXPECT_EQ(FILE_exist(out), 1);
    DateRecord d{};
    FILE_get_date(&d);
    EXPECT_EQ(d.year, 2017);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(expand(d), data + "/nam_met_fous46_2017081212.txt");
    CaptureStdout();
    FILE_set_name("gfs");
    EXPECT_GE(FILE_list_file(), 1);
    EXPECT_NE(GetCapturedStdout().find("gfs_mav_fous26_2014010100.txt"), std::string::npos);
}
}  // namespace
}  // namespace orv
