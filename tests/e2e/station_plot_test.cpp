// The station-plot, wind and raw-file paths of mosplot, run as a user would.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gks/ps_render.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

const std::string kExamples = ORV_SOURCE_DIR "/examples";
const std::string kBulletins = ORV_SOURCE_DIR "/../shared/data/mos/";

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Each station's 24-hour column of the bulletin (the seventh forecast
// column): its temperature, dew point, cloud code, wind direction and speed.
std::map<std::string, std::vector<std::string>> bulletin_columns(const std::string& path) {
    std::map<std::string, std::vector<std::string>> out;
    std::ifstream in(path);
    std::string id;
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> w = words(line);
        if (w.size() > 2 && w[1] == "GFS" && w[2] == "MOS") id = w[0];
        if (id.empty() || w.size() < 8) continue;
        if (w[0] == "TMP" || w[0] == "DPT" || w[0] == "CLD" || w[0] == "WDR" || w[0] == "WSP") out[id].push_back(w[7]);
    }
    return out;
}

class StationPlot : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"-ba", "-me", "warn", "-mo", "gfs", "-re", "us", "-ft", "h24"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_mosplot(dir_, args);
    }
    ScratchDir dir_;
};

TEST_F(StationPlot, SampleStationWindAndStreamlineMapsDraw) {
    if (!std::ifstream(kExamples + "/mos_2026120600.txt")) GTEST_SKIP() << "shipped sample missing";
    for (const char* variable : {"station", "wind", "wx", "cloud", "wvect", "strm"}) {
        const std::string ps = dir_.file(std::string(variable) + ".ps");
        const RunResult r = run({"-if", "mos_dat", "-dp", kExamples, "-va", variable, "-de", "p," + ps});
        EXPECT_EQ(r.status, 0) << variable << r.err;
        EXPECT_EQ((r.out + r.err).find("No station values"), std::string::npos) << variable;
        EXPECT_EQ((r.out + r.err).find("No streamlines"), std::string::npos) << variable;
        if (!test::have_ghostscript()) continue;
        std::string log;
        EXPECT_TRUE(test::ps_renders(ps, dir_.path(), &log)) << variable << log;
    }
}

// Both layouts: lines as issued, and every line behind one blank (the plot
// pass seeks back to the reports the first pass found).
TEST_F(StationPlot, RawFileOfARealBulletinHoldsItsValues) {
    const struct {
        const char* file;
        const char* raw;
        std::size_t stations;
    } cases[] = {{"gfs_mav_fous26_2014010100.txt", "mos_temp_2014010100.raw", 3},
                 {"gfs_mav_fous23_2019091312_leading_blank.txt", "mos_temp_2019091312.raw", 1}};
    for (const auto& c : cases) {
        const std::string bulletin = kBulletins + c.file;
        if (!std::ifstream(bulletin)) GTEST_SKIP() << "real bulletins missing: " << bulletin;
        const RunResult r = run({bulletin, "-pr", "9", "-va", "station", "-of", "raw", "-rp", dir_.path(),
                                 "-de", "p," + dir_.file("m.ps")});
        ASSERT_EQ(r.status, 0) << c.file << "\n" << r.err;
        std::ifstream raw(dir_.file(c.raw));
        ASSERT_TRUE(raw) << c.file << "\n" << r.out;
        const auto expected = bulletin_columns(bulletin);
        ASSERT_EQ(expected.size(), c.stations) << c.file;
        std::string line;
        while (std::getline(raw, line) && line != "$") {
        }
        std::size_t stations = 0;
        while (std::getline(raw, line)) {
            const std::vector<std::string> w = words(line);
            ASSERT_EQ(w.size(), 8u) << line;
            const auto& b = expected.at(w[0]);
            EXPECT_EQ(w[3], std::to_string(std::stoi(b[0]))) << line;  // temperature
            EXPECT_EQ(w[4], std::to_string(std::stoi(b[1]))) << line;  // dew point
            EXPECT_EQ(w[5], b[2].substr(0, 1)) << line;                 // cloud cover
            EXPECT_EQ(w[6], std::to_string(std::stoi(b[3]) * 10) + "," + std::to_string(std::stoi(b[4]))) << line;
            ++stations;
        }
        EXPECT_EQ(stations, c.stations) << c.file;
    }
}

}  // namespace
}  // namespace orv::testing
