// The program's start-up and prompting dialogue, run as a user would run it.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.hpp"

namespace orv::testing {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A bulletin file that the default naming convention finds in dir (and, when
// asked, an older one); the plots draw nothing, the dialogue is what is tested.
std::vector<std::string> with_bulletin(const ScratchDir& dir, std::vector<std::string> args, bool older = false) {
    dir.write("mos_2026120600.txt", one_station_bulletin());
    if (older) dir.write("mos_2026120512.txt", "FOUS26 KWNO 051200\n");
    args.insert(args.begin(), {"-dp", dir.path(), "-pl", "none"});
    return args;
}

// The message level decides whether the banner shows; the defaults file, the
// environment and the command line override one another in that order.
TEST(Startup, DefaultsFileEnvironmentAndCommandLineOverrideInOrder) {
    ScratchDir dir;
    const std::string banner = "      RAD AZOD ORURIVERAR (Ver 5.60.4-LINUX-X11)\n\n";
    const std::vector<std::string> args = with_bulletin(dir, {"-ft", "h24", "-va", "temp"});
    auto with_option = args;
    with_option.insert(with_option.end(), {"-me", "warn"});
    const struct { const char* defaults; std::vector<std::string> env; bool option, shown; } cases[] = {  // option: -me warn
        {"mosplot.message warn\n", {}, false, false}, {"mosplot.message warn\n", {"orvmess=mess"}, false, true},
        {"mosplot.message warn\n", {"orvmess=mess"}, true, false}, {"*.message mess\n", {}, false, true},
        {"otherprog.message warn\n", {}, false, true},
    };
    for (const auto& c : cases) {
        dir.write(".orvdef", c.defaults);
        const RunResult r = run_mosplot(dir, c.option ? with_option : args, "", c.env);
        EXPECT_EQ(r.status, 0) << c.defaults;
        EXPECT_EQ(contains(r.out, banner), c.shown) << c.defaults << c.env.size() << c.option << "\n" << r.out;
    }
}

// Replies at each menu and prompt, and what the program answers to them.
TEST(Dialogue, MenusAndPromptsAnswerAsTheUserTypes) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        std::vector<std::string> shown;      // in standard output, in this order
        std::vector<std::string> not_shown;  // nowhere in standard output
        int status = 0;
        const char* said = "";  // in standard error
        bool older = false;     // an older bulletin lies beside the sample's
    };
    const Case cases[] = {
        {"the time menu by number, by name and back", {"-va", "temp"}, "la\n3\nh24\nback\nexit\n",
         {"        Forecast Time Menu\n", "  1: 6 hour", "  0: Back to previous menu", " -1: Exit program",
          "Enter the time: ", "h12: temp", "h24: temp"}, {}},
        {"list, an unknown name, a date, then back through the menus", {}, "list\nnosuchfile\n#2026120512\nh24\ntemp\nback\nback\n",
         {"Enter the surface filename: ", "mos_2026120512.txt", "mos_2026120600.txt", "        Variable Menu\n",
          "h24: temp"}, {}, 0, "File not found: ", true},
        {"four unknown bulletins end the run", {}, "a\nb\nc\nd\ne\n", {}, {}, 10, "File not found: "},
        {"a batch run takes the latest bulletin", {"-ba", "-mo", "gfs", "-me", "mess,+out1", "-ft", "h06", "-va", "temp"},
         "", {"h06: temp"}, {}, 0, "", true},
        {"two times of the command line give two frames", {"-ba", "-mo", "gfs", "-me", "mess", "-ft", "h12,h24", "-va", "temp"},
         "", {"h12: temp", "h24: temp"}, {"Enter"}},
        {"the GFSX day menu, back returns to the times", {"-mo", "gfsx", "-if", "mos_dat"}, "la\nd2\ntemp\nback\n-1\n",
         {"  1: 1 day", "GFSX MOS d2: temp"}, {"6 hour"}},
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
        const RunResult r = run_mosplot(dir, with_bulletin(dir, c.args, c.older), c.input);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, c.said)) << c.what << "\n" << r.err;
        std::size_t at = 0;
        for (const std::string& text : c.shown) {
            at = r.out.find(text, at);
            ASSERT_NE(at, std::string::npos) << c.what << ": no \"" << text << "\" in order in\n" << r.out;
            at += text.size();
        }
        for (const std::string& text : c.not_shown) EXPECT_FALSE(contains(r.out, text)) << c.what << "\n" << r.out;
    }
    // A file given by its path; then exit, and the end of input, end the dialogue.
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, with_bulletin(dir, {}), dir.file("mos_2026120600.txt") + "\nh12\ntemp\nback\nback\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "h12: temp")) << r.out;
    EXPECT_EQ(run_mosplot(dir, {}, "exit\n").status, 0);
    const RunResult eof = run_mosplot(dir, {}, "");
    EXPECT_EQ(eof.status, 0);
    EXPECT_LT(eof.out.size(), 4000U);
}

}  // namespace
}  // namespace orv::testing
