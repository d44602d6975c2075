// Batch runs that cannot do what was asked: one clear message, a non-zero
// status, and no picture left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace orv::testing {
namespace {

const std::string kRealNam = ORV_SOURCE_DIR "/../shared/data/mos/nam_met_fous46_2017081212.txt";

struct Refusal {
    std::vector<std::string> args;  // after "-ba -mo gfs -dp DIR -de p,map.ps"
    int status;
    std::string message;
    bool bare_map = false;  // found nothing to draw only with its map open
};

TEST(BatchStatus, RefusedRunsSayWhyAndDrawNothing) {
    const std::vector<Refusal> refusals = {
        {{"-ft", "h24", "-va", "junk"}, 2, "Unknown variable for GFS MOS: junk"},
        {{"-mo", "junk", "-ft", "h24", "-va", "temp"}, 2, "Unknown model: junk"},
        {{"-ft", "h24", "-va", "temp", "-pl", "junk"}, 2, "Unknown plot type: junk"},
        {{"-ft", "h24", "-va", "temp", "-zz", "5"}, 2, "Unknown option: -zz"},
        {{"-ft", "h24", "-va", "temp", "--bogus"}, 2, "Unknown option: --bogus"},
        {{"-va", "temp"}, 3, "A batch run needs the forecast time"},
        {{"-ft", "h24"}, 3, "A batch run needs the variable"},
        {{"-ft", "h24", "-va", "temp", "-re", "var"}, 43, "region var asks for its centre"},
        {{"-ft", "h24", "-va", "temp", "-gd", "var"}, 43, "region var asks for its centre"},
        {{"-ft", "h24", "-va", "temp", "-re", "ps,-97,39,-97,100000,17,2.3,0"}, 43,
         "Invalid plot domain: the grid spacing must be above 0"},
        {{"-ft", "h24", "-va", "temp", "-re", "nowhere"}, 43, "unknown region"},
        {{"-ft", "h24", "-va", "temp", "-de", "png,nodir/map.png"}, 4, "unable to open image file"},
        {{"-ft", "h24", "-va", "temp", "-de", "junk,map.ps"}, 4, "Unknown device: junk"},
        {{"-ft", "h24", "-va", "temp", "@missing.txt"}, 10, "Unable to open file:missing.txt"},
        {{"-ft", "h24", "-va", "temp", "@junk.txt"}, 11, "no GFS MOS reports found in junk.txt\n"},
        {{"-ft", "h24", "-va", "temp", "@empty.txt"}, 11, "no GFS MOS reports found in empty.txt\n"},
        {{"-ft", "h24", "-va", "temp", "-re", "0,0"}, 12, "station of the station table in the domain"},
        {{"-ft", "h24", "-va", "temp", "-pl", "barb"}, 13, "No wind components to draw vectors of temp", true},
        {{"-ft", "h03", "-va", "popst"}, 13, "No station values of", true},
        {{"-ft", "h99", "-va", "temp"}, 13, "No values of sfc Temperature (F) to contour", true},
    };
    for (const Refusal& c : refusals) {
        ScratchDir dir;
        dir.write("mos_2026120600.txt", one_station_bulletin());
        dir.write("junk.txt", "FOUS21 KWNO 060000\nnot a report\n\x01\x02\xff\n");
        dir.write("empty.txt", "");
        std::vector<std::string> args = {"-ba", "-mo", "gfs", "-dp", dir.path(), "-de", "p,map.ps"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run_mosplot(dir, args, "47\n-100\nh24\ntemp\n");
        const std::string what = c.args.back();
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << what << "\n" << r.err;
        EXPECT_EQ(r.out.find("Enter"), std::string::npos) << what << " prompted:\n" << r.out;
        EXPECT_EQ(static_cast<bool>(std::ifstream(dir.file("map.ps"))), c.bare_map) << what;
    }
}

TEST(BatchStatus, NoDeviceWithoutADisplayIsRefused) {
    if (std::getenv("DISPLAY") != nullptr) GTEST_SKIP() << "a display is set: the window is the device";
    ScratchDir dir;
    dir.write("mos_2026120600.txt", one_station_bulletin());
    const RunResult r = run_mosplot(dir, {"-ba", "-mo", "gfs", "-dp", dir.path(), "-ft", "h24", "-va", "temp"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "A batch run needs an output device: give one with -de (for example -de p,map.ps)\n");
}

TEST(BatchStatus, AnotherFamilysBulletinIsNamed) {
    if (!std::ifstream(kRealNam)) GTEST_SKIP() << "real bulletins missing: " << kRealNam;
    ScratchDir dir;
    const RunResult r =
        run_mosplot(dir, {"-ba", "-mo", "gfs", "-ft", "h24", "-va", "temp", "-de", "p,map.ps", "@" + kRealNam});
    EXPECT_EQ(r.status, 11);
    EXPECT_NE(r.err.find("no GFS MOS reports found in " + kRealNam + "; is this a NAM bulletin?\n"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace orv::testing
