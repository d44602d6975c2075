// Batch runs that write pictures without a display: the demo map as PNG and
// the other formats, frame dumps, and outputs that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "gks/gif.hpp"
#include "gks/gks_img.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

TEST(ImageOutput, DemoPngMatchesThePostScriptPicture) {
    ScratchDir dir;
    const RunResult png = run_mosplot(dir, demo_args("png,map.png"));
    ASSERT_EQ(png.status, 0) << png.out << png.err;
    if (have_program("pngcheck")) {
        const RunResult check = run_command("pngcheck " + dir.file("map.png"));
        EXPECT_EQ(check.status, 0) << check.out;
    }
    ImageRecord im;
    ASSERT_EQ(IMG_read(dir.file("map.png").c_str(), &im, 0), 1);
    EXPECT_EQ(im.width, 1100);
    EXPECT_EQ(im.height, 850);
    if (!have_program("gs") || !have_program("convert"))
        GTEST_SKIP() << "Ghostscript or ImageMagick is not installed";
    ASSERT_EQ(run_mosplot(dir, demo_args("p,map.ps")).status, 0);
    ASSERT_EQ(run_command("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -sOutputFile=" + dir.file("ps.png") +
                          " " + dir.file("map.ps"))
                  .status,
              0);
    // Both pictures without their white margins, reduced to a coarse grid:
    // the same colours in the same places.
    const std::string coarse = " -trim +repage -resize 44x34! ";
    run_command("convert " + dir.file("ps.png") + " -rotate 90" + coarse + dir.file("a.ppm"));
    run_command("convert " + dir.file("map.png") + coarse + dir.file("b.ppm"));
    const RunResult cmp = run_command("compare -metric RMSE " + dir.file("a.ppm") + " " + dir.file("b.ppm") + " null:");
    const std::size_t open = cmp.out.find('(');
    ASSERT_NE(open, std::string::npos) << cmp.out;
    EXPECT_LT(std::stod(cmp.out.substr(open + 1)), 0.08) << cmp.out;
}

// The colour fill is written as joined bands, not cell by cell.
TEST(ImageOutput, DemoPostScriptIsCompact) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, demo_args("p,map.ps"));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_LT(std::filesystem::file_size(dir.file("map.ps")), 500000U);
}

TEST(ImageOutput, EveryDeviceAndDumpWritesItsFile) {
    const struct {
        const char* device;
        const char* file;
        const char* dump;  // -of
        const char* dump_file;
    } cases[] = {
        {"gif,map.gif", "map.gif", "png", "orv.png"},
        {"xwd,map.xwd", "map.xwd", "gif", "orv.gif"},
        {"img,map.img", "map.img", "xwd", "orv.xwd"},
        {"png,map.png", "map.png", "img", "orv.xwd"},  // the own format under the default dump name
        {"gif", "orv.gif", "png", "orv.png"},          // the device's default file name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, demo_args(c.device, {"-of", c.dump}));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const std::string& file : {std::string(c.file), std::string(c.dump_file)}) {
            ImageRecord im;
            EXPECT_EQ(IMG_read(dir.file(file).c_str(), &im, 0), 1) << file;
            EXPECT_EQ(im.width, 1100) << file;
        }
        // An image word is no raw-data file name.
        EXPECT_FALSE(std::ifstream(dir.file(c.dump)).good()) << c.dump;
    }
}

TEST(ImageOutput, MapListImagesAreDrawnOverTheMap) {
    ScratchDir dir;
    ImageRecord red;
    ASSERT_EQ(IMG_alloc(&red, 40, 30, 8, "test"), 1);
    red.colors = {ImgColor{1.0F, 0.0F, 0.0F}};
    ASSERT_EQ(GIF_write(dir.file("red.gif").c_str(), &red), 1);
    const RunResult r = run_mosplot(dir, demo_args("png,map.png", {"-ip", dir.path(), "-mf", "im:red.gif::5:5,im:lost.gif"}));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("Unable to open image file: " + dir.file("lost.gif")), std::string::npos)
        << r.out << r.err;
    ImageRecord im;
    ASSERT_EQ(IMG_read(dir.file("map.png").c_str(), &im, 0), 1);
    // The red block lies 5 pixels into the map's upper-left corner.
    int count = 0, left = im.width, top = im.height;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            int pr = 0, pg = 0, pb = 0;
            IMG_pixel_rgb(im, IMG_pixel(im, x, y), &pr, &pg, &pb);
            if (pr != 255 || pg != 0 || pb != 0) continue;
            ++count;
            left = std::min(left, x);
            top = std::min(top, y);
        }
    EXPECT_GT(count, 40 * 30 * 9 / 10);  // latitude lines are drawn over it
    EXPECT_LE(count, 40 * 30);
    EXPECT_EQ(left, 5);
}

TEST(ImageOutput, EachForecastTimeIsItsOwnPicture) {
    ScratchDir dir;
    std::vector<std::string> args = demo_args("png,map.png");
    std::find(args.begin(), args.end(), "h24")->assign("h24,h48");
    const RunResult r = run_mosplot(dir, args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ImageRecord first, second;
    ASSERT_EQ(IMG_read(dir.file("map.png").c_str(), &first, 0), 1);
    ASSERT_EQ(IMG_read(dir.file("map_01.png").c_str(), &second, 0), 1);
    // Different valid times: the pictures differ (not one drawn over the other).
    EXPECT_NE(first.data, second.data);
    EXPECT_FALSE(std::ifstream(dir.file("map_02.png")).good());
}

TEST(ImageOutput, UnwritablePictureEndsTheRunWithAMessage) {
    ScratchDir dir;
    const RunResult r = run_mosplot(dir, demo_args("png," + dir.file("no/such/dir/map.png")));
    EXPECT_NE(r.status, 0);
    EXPECT_NE((r.out + r.err).find("unable to open image file"), std::string::npos) << r.out << r.err;
}

}  // namespace
}  // namespace orv::testing
