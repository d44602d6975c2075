// Batch runs that write HPGL: the demo map as hp2xx draws it against the
// PostScript of the same map; device texts, and outputs that cannot be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace orv::testing {
namespace {

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

}  // namespace
}  // namespace orv::testing
