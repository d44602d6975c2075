// Maps as a reader sees them: the whole frame on every page, the times of a
// run named one way, the bulletin family's own model name, and how many
// stations a map was analysed from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "gks/ps_render.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

const std::string kExamples = ORV_SOURCE_DIR "/examples";
const std::string kSample = kExamples + "/mos_2026120600.txt";
const std::string kMos = ORV_SOURCE_DIR "/../shared/data/mos/";

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
    struct Case {
        const char* options;
        float width, height;  // the paper, in points
    };
    const Case cases[] = {
        {"", 612, 792},     {",port", 612, 792},     {",a4", 595, 842},
        {",port,a4", 595, 842}, {",eps", 612, 792}, {",port,eps,a4", 595, 842},
    };
    for (const Case& c : cases) {
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
        EXPECT_GE(ink[0], paper[0] - 1) << c.options;
        EXPECT_GE(ink[1], paper[1] - 1) << c.options;
        EXPECT_LE(ink[2], paper[2] + 1) << c.options;
        EXPECT_LE(ink[3], paper[3] + 1) << c.options;
        const float across = (ink[2] - ink[0]) / (paper[2] - paper[0]);
        const float up = (ink[3] - ink[1]) / (paper[3] - paper[1]);
        EXPECT_GT(std::max(across, up), 0.85F) << c.options << ": the frame does not fill the paper";
    }
}

// One run names its times in one unit, the unit of its time menu, and its
// maps the family of the bulletin; the lower label counts the stations.
TEST_F(MapLayout, TimesOneWayAndTheFamilysOwnName) {
    struct Case {
        const char* model;
        const char* bulletin;
        const char* times;
        std::vector<std::string> labels;
        const char* other_unit;
    };
    const Case cases[] = {
        {"gfsx", "gfsx_mex_feus23_2020071012.txt", "h60,d3",
         {"2.5 day GFSX MOS valid", "3 day GFSX MOS valid"}, " hour "},
        {"nam", "nam_met_fous46_2017081212.txt", "h60,h72", {"60 hour NAM MOS valid", "72 hour NAM MOS valid"},
         " day "},
    };
    for (const Case& c : cases) {
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
