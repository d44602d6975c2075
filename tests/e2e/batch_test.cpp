// Batch runs of the program: refusals, HPGL, computed grids, station plots and page layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
const std::string kSample = kExamples + "/mos_2026120600.txt";
const std::string kMos = ORV_SOURCE_DIR "/../shared/data/mos/";
const std::string kRealNam = kMos + "nam_met_fous46_2017081212.txt";
const std::string kBulletin = kMos + "gfs_mav_fous26_2014010100.txt";

// Batch runs that cannot do what was asked: one clear message, a non-zero
// status, and no picture left behind.

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
        {{"-ft", "h24", "-va", "temp", "-of", "png:nodir/m.png"}, 4, "PLT_dump: Unable to write PNG file", true},
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

// Batch runs that write HPGL: the demo map as hp2xx draws it against the
// PostScript of the same map; device texts, and outputs that cannot be written.

// The number ImageMagick's compare prints for a metric.
double metric(const ScratchDir& dir, const std::string& metric, const std::string& a, const std::string& b) {
    const RunResult r =
        run_command("compare -metric " + metric + " " + dir.file(a) + " " + dir.file(b) + " null: 2>&1");
    const std::string text = metric == "RMSE" ? r.out.substr(r.out.find('(') + 1) : r.out;
    return text.empty() ? 1.0e9 : std::stod(text);
}

TEST(HpglOutput, DemoMapDrawnByHp2xxMatchesThePostScriptPicture) {
    if (!have_program("hp2xx") || !have_program("gs") || !have_program("convert"))
        GTEST_SKIP() << "hp2xx, Ghostscript or ImageMagick is not installed";
    ScratchDir dir;
    const RunResult hp = run_mosplot(dir, demo_args("q,map.hpgl"));
    ASSERT_EQ(hp.status, 0) << hp.out << hp.err;
    EXPECT_NE(hp.out.find("Created HPGL file"), std::string::npos) << hp.out;
    ASSERT_EQ(run_mosplot(dir, demo_args("p,map.ps")).status, 0);
    // The letter page's picture area with its offset, in plotter units.
    ASSERT_EQ(run_command("hp2xx -q -m png -d 72 -x 0 -X 10677 -y 0 -Y 8140 -f " + dir.file("hp.png") + " " +
                          dir.file("map.hpgl"))
                  .status,
              0);
    ASSERT_EQ(run_command("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -sOutputFile=" + dir.file("ps.png") +
                          " " + dir.file("map.ps"))
                  .status,
              0);
    run_command("convert " + dir.file("ps.png") + " -rotate 90 " + dir.file("ps-up.png"));
    // Both pictures without their white margins, reduced to a coarse grid:
    // the same colours in the same places, and the dark strokes (outlines,
    // labels) in the same places.
    for (const std::string name : {"hp", "ps-up"}) {
        const std::string in = dir.file(name + ".png");
        run_command("convert " + in + " -trim +repage -resize 44x34! " + dir.file(name + ".ppm"));
        run_command("convert " + in + " -trim +repage -colorspace gray -threshold 25% -negate -resize 88x68! " +
                    "-threshold 0 " + dir.file(name + ".pbm"));
    }
    EXPECT_LT(metric(dir, "RMSE", "hp.ppm", "ps-up.ppm"), 0.05);
    EXPECT_LT(metric(dir, "AE", "hp.pbm", "ps-up.pbm"), 88 * 68 / 10);
}

// Device texts: a picture file that cannot be written ends a batch run with
// status 4 after the device's message, whatever the device.
TEST(HpglOutput, DeviceTexts) {
    const struct {
        const char* device;
        int status;
        const char* file;  // written, HPGL from its first bytes
        const char* said;
    } cases[] = {
        {"q,map.hpgl,nopcl,rot:45,bogus,lwidth:x", 0, "map.hpgl", "Created HPGL file"},
        {"pcl,map.hpgl", 0, "map.hpgl", "Creating: map.hpgl"},
        {"h,no/such/dir/map.hpgl", 4, nullptr, "unable to open HPGL file"},
        {"q,|exit 3", 4, nullptr, "spooling command failed"},
        {"p,|exit 3", 4, nullptr, "spooling command failed"},
        {"m,/dev/full", 4, nullptr, "unable to write metafile"},
        {"m,|exit 3", 4, nullptr, "spooling command failed"},
        {"m,/dev/full,cgm", 4, nullptr, "unable to write metafile"},
        {"p,/dev/full", 4, nullptr, "unable to write postscript file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, demo_args(c.device));
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
        if (c.file == nullptr) continue;
        const std::string text = read_file(dir.file(c.file));
        EXPECT_TRUE(text.starts_with("IN;") || text.starts_with("\033E")) << text.substr(0, 40);
        EXPECT_TRUE(text.ends_with("SP;PG;\n") || text.ends_with("\033E"));
    }
}

// The derivative entries run on a real bulletin and draw a field.
TEST(GridMathBatch, DerivativeEntriesDrawOnARealBulletin) {
    if (!std::filesystem::exists(kBulletin)) GTEST_SKIP() << "real bulletins missing: " << kBulletin;
    for (const char* entry : {"gvort", "gdiv", "gtadv"}) {
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, {kBulletin, "-ba", "-mo", "gfs", "-pr", "9", "-re", "us", "-ft", "h24", "-va", entry,
                                              "-de", "p," + dir.file("m.ps")});
        EXPECT_EQ(r.status, 0) << entry << r.out << r.err;
        EXPECT_NE(read_file(dir.file("m.ps")).find("showpage"), std::string::npos) << entry;
    }
}

// The station-plot, wind and raw-file paths of mosplot, run as a user would.

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
        std::string log;
        EXPECT_TRUE(!test::have_ghostscript() || test::ps_renders(ps, dir_.path(), &log)) << variable << log;
    }
}

// Both layouts: lines as issued, and every line behind one blank (the plot
// pass seeks back to the reports the first pass found).
TEST_F(StationPlot, RawFileOfARealBulletinHoldsItsValues) {
    const struct { const char* file; const char* raw; std::size_t stations; } cases[] = {
        {"gfs_mav_fous26_2014010100.txt", "mos_temp_2014010100.raw", 3},
        {"gfs_mav_fous23_2019091312_leading_blank.txt", "mos_temp_2019091312.raw", 1}};
    for (const auto& c : cases) {
        const std::string bulletin = kMos + c.file;
        if (!std::ifstream(bulletin)) GTEST_SKIP() << "real bulletins missing: " << bulletin;
        const RunResult r = run({bulletin, "-pr", "9", "-va", "station", "-of", "raw", "-rp", dir_.path(),
                                 "-de", "p," + dir_.file("m.ps")});
        ASSERT_EQ(r.status, 0) << c.file << "\n" << r.err;
        std::ifstream raw(dir_.file(c.raw));
        ASSERT_TRUE(raw) << c.file << "\n" << r.out;
        const auto expected = bulletin_columns(bulletin);
        ASSERT_EQ(expected.size(), c.stations) << c.file;
        std::string line;
        while (std::getline(raw, line) && line != "$") continue;
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

// Maps as a reader sees them: the whole frame on every page, the times of a
// run named one way, the bulletin family's own model name, and how many
// stations a map was analysed from.

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// The strings a PostScript file letters.
std::vector<std::string> lettered(const std::string& ps) {
    std::vector<std::string> out;
    for (const std::string& line : test::lines_of(read_file(ps))) {
        if (line.rfind("%%TE:", 0) != 0) continue;
        const std::size_t text = line.find(' ', line.find(' ') + 1);
        if (text != std::string::npos) out.push_back(line.substr(text + 1));
    }
    return out;
}

bool any_contains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

class MapLayout : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"-ba", "-me", "warn", "-re", "us", "-va", "temp", "-pl", "cf"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_mosplot(dir_, args);
    }
    ScratchDir dir_;
};

// Portrait and landscape, letter and A4, pages and encapsulated files: the
// ink of the frame, its labels (LO/HI at the lower right) included, lies on
// the paper (inside the bounding box of an encapsulated file) and fills it.
TEST_F(MapLayout, EveryPageHoldsTheWholeFrame) {
    if (!exists(kSample)) GTEST_SKIP() << "shipped sample missing: " << kSample;
    const struct { const char* options; float width, height; } cases[] = {  // the paper, in points
        {"", 612, 792}, {",port", 612, 792}, {",a4", 595, 842}, {",port,a4", 595, 842}, {",eps", 612, 792},
        {",port,eps,a4", 595, 842}};
    for (const auto& c : cases) {
        const std::string ps = dir_.file("page.ps");
        const RunResult r = run({"-mo", "gfs", "-if", "mos_dat", "-dp", kExamples, "-ft", "h24", "-de",
                                 "p," + ps + c.options});
        ASSERT_EQ(r.status, 0) << c.options << r.out << r.err;
        EXPECT_TRUE(any_contains(lettered(ps), "LO: ")) << c.options;
        if (!test::have_ghostscript()) continue;
        float paper[4] = {0.0F, 0.0F, c.width, c.height};
        const std::string text = read_file(ps);
        if (const std::size_t at = text.find("%%BoundingBox:"); at != std::string::npos) {
            ASSERT_EQ(std::sscanf(text.c_str() + at, "%%%%BoundingBox: %f %f %f %f", &paper[0], &paper[1],
                                  &paper[2], &paper[3]), 4) << c.options;
        }
        float ink[4];
        ASSERT_TRUE(test::ink_bounds(ps, ink)) << c.options;
        for (int k = 0; k < 2; ++k) {
            EXPECT_GE(ink[k], paper[k] - 1) << c.options << " " << k;
            EXPECT_LE(ink[k + 2], paper[k + 2] + 1) << c.options << " " << k;
        }
        const float across = (ink[2] - ink[0]) / (paper[2] - paper[0]);
        const float up = (ink[3] - ink[1]) / (paper[3] - paper[1]);
        EXPECT_GT(std::max(across, up), 0.85F) << c.options << ": the frame does not fill the paper";
    }
}

// One run names its times in one unit, the unit of its time menu, and its
// maps the family of the bulletin; the lower label counts the stations.
TEST_F(MapLayout, TimesOneWayAndTheFamilysOwnName) {
    const struct {
        const char *model, *bulletin, *times;
        std::vector<std::string> labels;
        const char* other_unit;
    } cases[] = {
        {"gfsx", "gfsx_mex_feus23_2020071012.txt", "h60,d3", {"2.5 day GFSX MOS valid", "3 day GFSX MOS valid"}, " hour "},
        {"nam", "nam_met_fous46_2017081212.txt", "h60,h72", {"60 hour NAM MOS valid", "72 hour NAM MOS valid"}, " day "},
    };
    for (const auto& c : cases) {
        const std::string bulletin = kMos + c.bulletin;
        if (!exists(bulletin)) GTEST_SKIP() << "real bulletins missing: " << bulletin;
        const std::string ps = dir_.file(std::string(c.model) + ".ps");
        const RunResult r = run({"-mo", c.model, "-pr", "9", "-ft", c.times, "-de", "p," + ps, bulletin});
        ASSERT_EQ(r.status, 0) << c.model << r.out << r.err;
        const std::vector<std::string> texts = lettered(ps);
        for (const std::string& label : c.labels) EXPECT_TRUE(any_contains(texts, label)) << label;
        EXPECT_FALSE(any_contains(texts, c.other_unit)) << c.model;
        // each bulletin holds a handful of stations, all of them in the domain
        EXPECT_TRUE(any_contains(texts, "STATIONS: ")) << c.model;
    }
}

}  // namespace
}  // namespace orv::testing
