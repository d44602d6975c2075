// The program's start-up and prompting dialogue, run as a user would run it.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.hpp"

namespace orv::testing {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A bulletin file that the default naming convention finds in dir; the plots
// draw nothing (no display here), the dialogue is what is tested.
std::vector<std::string> with_bulletin(const ScratchDir& dir, std::vector<std::string> args) {
    dir.write("mos_2026120600.txt", one_station_bulletin());
    args.insert(args.begin(), {"-dp", dir.path(), "-pl", "none"});
    return args;
}

TEST(Startup, HelpPrintsTheOptionListAndExitsZero) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, {"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("mosplot: This program plots various types of MOS data\n"
                          "mosplot syntax (version:5.60.4-LINUX-X11)\n"
                          "   mosplot [options...]\n"
                          "Keyed options...\n"
                          " -df file    Resource/defaults file name\n"
                          " -na name    Program name\n"
                          " -h          Print this help\n"
                          " -ba         Run program in batch mode\n"
                          " -me level   Message level to be displayed:\n"
                          "               none,print,error,warn,mess,out1,*out2,out3,out4,debug\n",
                          0),
              0U)
        << r.out;
    EXPECT_TRUE(contains(r.out, " -pd region or [proj],clat,clon[,nx,ny][,dx,dy]\n"
                                "             Output plot domain\n"
                                "               region=predefined region:\n"));
    EXPECT_TRUE(contains(r.out, "Positional options...\n file [file...]  Input file names\n"));
    EXPECT_TRUE(r.out.ends_with("Positional options...\n file [file...]  Input file names\n"));
    EXPECT_FALSE(contains(r.out, "RAD AZOD ORURIVERAR"));
}

TEST(Startup, HelpWithMessagesOffPrintsNothing) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, {"-me", "none", "-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(Startup, PrintsTheBannerWithTheVersion) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {"-ba", "-mo", "gfs", "-ft", "h24", "-va", "temp", "-me", "mess"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "      RAD AZOD ORURIVERAR (Ver 5.60.4-LINUX-X11)\n\n")) << r.out;
}

// The message level decides whether the banner shows; the defaults file, the
// environment and the command line override one another in that order.
TEST(Startup, DefaultsFileEnvironmentAndCommandLineOverrideInOrder) {
    ScratchDir dir;
    const std::string banner = "RAD AZOD ORURIVERAR";
    const std::vector<std::string> args = with_bulletin(dir, {"-ft", "h24", "-va", "temp"});
    dir.write(".orvdef", "mosplot.message warn\n");
    EXPECT_FALSE(contains(run_mosplot(dir, args).out, banner));

    EXPECT_TRUE(contains(run_mosplot(dir, args, "", {"orvmess=mess"}).out, banner));

    auto with_option = args;
    with_option.insert(with_option.end(), {"-me", "warn"});
    EXPECT_FALSE(contains(run_mosplot(dir, with_option, "", {"orvmess=mess"}).out, banner));

    dir.write(".orvdef", "*.message mess\n");
    EXPECT_TRUE(contains(run_mosplot(dir, args).out, banner));
    dir.write(".orvdef", "otherprog.message warn\n");
    EXPECT_TRUE(contains(run_mosplot(dir, args).out, banner));
}

TEST(Dialogue, TimeMenuAnsweredByNumberAbbreviationAndBack) {
    ScratchDir dir;
    // Number 3 of the hour menu is 12 hours; then "h24"; "back" returns to the file prompt.
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {"-va", "temp"}), "la\n3\nh24\nback\nexit\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "        Forecast Time Menu\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "  1: 6 hour")) << r.out;
    EXPECT_TRUE(contains(r.out, "  0: Back to previous menu")) << r.out;
    EXPECT_TRUE(contains(r.out, " -1: Exit program")) << r.out;
    EXPECT_TRUE(contains(r.out, "Enter the time: ")) << r.out;
    EXPECT_TRUE(contains(r.out, "h12: temp")) << r.out;
    EXPECT_TRUE(contains(r.out, "h24: temp")) << r.out;
}

TEST(Dialogue, BulletinChosenByListingNameDateAndBackThroughEveryMenu) {
    ScratchDir dir;
    dir.write("mos_2026120512.txt", "FOUS26 KWNO 051200\n");
    const std::vector<std::string> args = with_bulletin(dir, {});
    // List, then an unknown name, then the file by its date; a time; the
    // variable menu by abbreviation; back from the variables; back from the times.
    RunResult r = run_mosplot(dir, args, "list\nnosuchfile\n#2026120512\nh24\ntemp\nback\nback\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Enter the surface filename: ")) << r.out;
    EXPECT_TRUE(contains(r.out, "mos_2026120512.txt")) << r.out;
    EXPECT_TRUE(contains(r.out, "mos_2026120600.txt")) << r.out;
    EXPECT_TRUE(contains(r.err, "File not found: ")) << r.err;
    EXPECT_TRUE(contains(r.out, "        Variable Menu\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "h24: temp")) << r.out;

    r = run_mosplot(dir, args, dir.file("mos_2026120600.txt") + "\nh12\ntemp\nback\nback\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "h12: temp")) << r.out;
}

TEST(Dialogue, FourUnknownBulletinsEndWithStatusTen) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {}), "a\nb\nc\nd\ne\n");
    EXPECT_EQ(r.status, 10);
    EXPECT_TRUE(contains(r.err, "File not found: ")) << r.err;
}

TEST(Dialogue, BatchTakesTheLatestBulletin) {
    ScratchDir dir;
    dir.write("mos_2026120512.txt", "FOUS26 KWNO 051200\n");
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {"-ba", "-mo", "gfs", "-me", "mess,+out1", "-ft", "h06", "-va", "temp"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "h06: temp")) << r.out;
}

TEST(Dialogue, ExitEndsWithStatusZeroAndEndOfInputDoesNotLoop) {
    ScratchDir dir;
    EXPECT_EQ(run_mosplot(dir, {}, "exit\n").status, 0);
    const RunResult r = run_mosplot(dir, {}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_LT(r.out.size(), 4000U);
}

TEST(Dialogue, DayMenuForGfsAndVariableMenuBackReturnsToTimes) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {"-mo", "gfsx", "-if", "mos_dat"}),
                                    "la\nd2\ntemp\nback\n-1\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "  1: 1 day")) << r.out;
    EXPECT_FALSE(contains(r.out, "6 hour")) << r.out;
    EXPECT_TRUE(contains(r.out, "GFSX MOS d2: temp")) << r.out;
}

// Replies at each menu and prompt, and what the program answers to them.
TEST(Dialogue, MenusAndPromptsAnswerAsTheUserTypes) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        std::vector<std::string> shown;      // in standard output, in this order
        std::vector<std::string> not_shown;  // nowhere in standard output
    };
    const Case cases[] = {
        {"a listed file by its number; ? lists", {"-mo", "gfs"}, "?\n1\nh24\ntemp\n-1\n",
         {"List of available files:\n1: ", "Enter the surface filename: 1: ", "GFS MOS h24: temp"}, {}},
        {"the MAV hour menu runs to 72 hours", {"-mo", "gfs"}, "la\n21\ntemp\n-1\n",
         {"  2: 9 hour", "21: 72 hour", "GFS MOS h72: temp"}, {"1 day"}},
        {"the day menu takes an hour it does not list", {"-mo", "gfsx"}, "la\nh36\ntemp\n-1\n",
         {"  1: 1 day", "GFSX MOS h36: temp"}, {"no entry matches"}},
        {"the hour menu takes days and lists of times", {"-mo", "nam"}, "la\nd2,h12\ntemp\n-1\n",
         {"NAM MOS d2: temp", "NAM MOS h12: temp"}, {"no entry matches"}},
        {"a word that matches nothing is named", {"-mo", "gfs"}, "la\nxyz\nh06\nabc\n-1\n",
         {"Enter the time: no entry matches 'xyz'\n\n        Forecast Time Menu",
          "Enter the variable: no entry matches 'abc'\n\n        Variable Menu"}, {}},
        {"back at the time menu returns to the file prompt", {"-mo", "gfs"}, "la\nback\nla\n0\nexit\n",
         {"Enter the surface filename: ", "Enter the time: ", "Enter the surface filename: ", "Enter the time: ",
          "Enter the surface filename: "}, {}},
        {"set at the time menu sets the resource there", {"-mo", "gfs"}, "la\nset message none\nh06\n-1\n",
         {"Enter the time: "}, {"Set resources", "Variable Menu"}},
        {"set at the variable menu", {"-mo", "gfs"}, "la\nh06\nset model nam\nset\n-1\n",
         {"Enter the variable: Set resources\n", "model: nam\n"}, {}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, with_bulletin(dir, c.args), c.input);
        EXPECT_EQ(r.status, 0) << c.what << "\n" << r.err;
        std::size_t at = 0;
        for (const std::string& text : c.shown) {
            at = r.out.find(text, at);
            ASSERT_NE(at, std::string::npos) << c.what << ": no \"" << text << "\" in order in\n" << r.out;
            at += text.size();
        }
        for (const std::string& text : c.not_shown) EXPECT_FALSE(contains(r.out, text)) << c.what << "\n" << r.out;
    }
}

// After a plot the dialogue asks only for what the command line left open.
TEST(Dialogue, PlotsAskOnlyForWhatWasNotGiven) {
    const std::string interval = "Enter the contour interval: ";
    const std::string type = "Color fill (C) or Line (L) contours: ";
    const std::string device = "Display (D) or Postscript (P): ";
    struct Case {
        std::vector<std::string> given;
        std::string input;  // after the file and time
        std::vector<std::string> asked;
        std::vector<std::string> not_asked;
    };
    const Case cases[] = {
        {{"-de", "p,map.ps", "-pl", "cf", "-in", "5"}, "temp\ntemp\n-1\n", {}, {interval, type, device}},
        {{"-de", "p,map.ps", "-pl", "cf"}, "temp\n5\ntemp\n5\n-1\n", {interval, interval}, {type, device}},
        {{"-de", "p,map.ps", "-in", "5"}, "temp\ncf\n-1\n", {type}, {interval, device}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        std::vector<std::string> args = {"-mo", "gfs", "-if", "mos_dat", "-dp", ORV_SOURCE_DIR "/examples"};
        args.insert(args.end(), c.given.begin(), c.given.end());
        const RunResult r = run_mosplot(dir, args, "la\nh24\n" + c.input, {"DISPLAY="});
        EXPECT_EQ(r.status, 0) << r.err;
        std::size_t at = 0;
        for (const std::string& text : c.asked) {
            at = r.out.find(text, at);
            ASSERT_NE(at, std::string::npos) << c.input << "\n" << r.out;
            ++at;
        }
        for (const std::string& text : c.not_asked) EXPECT_FALSE(contains(r.out, text)) << c.input << "\n" << r.out;
    }
}

TEST(Dialogue, TwoTimesFromTheCommandLineGiveTwoFrames) {
    ScratchDir dir;
    const RunResult r =
        run_mosplot(dir, with_bulletin(dir, {"-ba", "-mo", "gfs", "-me", "mess", "-ft", "h12,h24", "-va", "temp"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "h12: temp")) << r.out;
    EXPECT_TRUE(contains(r.out, "h24: temp")) << r.out;
}

}  // namespace
}  // namespace orv::testing
