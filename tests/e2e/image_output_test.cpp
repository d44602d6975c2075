// Batch runs that write pictures without a display: the demo map as PNG and
// the other formats, frame dumps, and outputs that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "gks/gif.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_img.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

std::vector<std::string> with_dump(const std::string& device, const std::string& dump) {
    return demo_args(device, dump.empty() ? std::vector<std::string>{} : std::vector<std::string>{"-of", dump});
}

TEST(ImageOutput, DemoPngMatchesThePostScriptPicture) {
    ScratchDir dir;
    const RunResult png = run_mosplot(dir, demo_args("png,map.png"));
    ASSERT_EQ(png.status, 0) << png.out << png.err;
    EXPECT_TRUE(!have_program("pngcheck") || run_command("pngcheck " + dir.file("map.png")).status == 0);
    ImageRecord im;
    ASSERT_EQ(IMG_read(dir.file("map.png").c_str(), &im, 0), 1);
    EXPECT_EQ(im.width, 1100);
    EXPECT_EQ(im.height, 850);
    ASSERT_EQ(run_mosplot(dir, demo_args("p,map.ps")).status, 0);
    // The colour fill is written as joined bands, not cell by cell.
    EXPECT_LT(std::filesystem::file_size(dir.file("map.ps")), 500000U);
    if (!have_program("gs") || !have_program("convert"))
        GTEST_SKIP() << "Ghostscript or ImageMagick is not installed";
    ASSERT_EQ(run_command("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 -sOutputFile=" + dir.file("ps.png") +
                          " " + dir.file("map.ps")).status, 0);
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

// Printers and metafiles keep each frame so that it can be drawn again as
// an image.
TEST(ImageOutput, EveryDeviceAndDumpWritesItsFile) {
    // The device, its picture when it is an image, the -of entry and its file.
    const struct { const char* device; const char* file; const char* dump; const char* dump_file; } cases[] = {
        {"gif,map.gif", "map.gif", "png", "orv.png"},
        {"xwd,map.xwd", "map.xwd", "gif", "orv.gif"},
        {"img,map.img", "map.img", "xwd", "orv.xwd"},
        {"png,map.png", "map.png", "img", "orv.xwd"},  // the own format under the default dump name
        {"gif", "orv.gif", "png", "orv.png"},          // the device's default file name
        {"p,x.ps", nullptr, "png", "orv.png"},
        {"h,x.hp", nullptr, "gif", "orv.gif"},
        {"m,x.meta", nullptr, "xwd", "orv.xwd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, demo_args(c.device, {"-of", c.dump}));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const char* file : {c.file, c.dump_file}) {
            if (file == nullptr) continue;
            ImageRecord im;
            ASSERT_EQ(IMG_read(dir.file(file).c_str(), &im, 0), 1) << file;
            EXPECT_EQ(im.width, 1100) << file;
            ImgPalette palette;  // a map, not a blank picture
            IMG_palette(im, 256, &palette);
            EXPECT_GT(palette.count, 20) << file;
        }
        // An image word is no raw-data file name.
        EXPECT_FALSE(std::ifstream(dir.file(c.dump)).good()) << c.dump;
    }
}

// The own format names the picture after the labels and carries the map's
// domain, its grid spread over the picture's pixels.
TEST(ImageOutput, OwnFormatCarriesTheMapDomain) {
    const struct { const char* device; const char* dump; const char* file; } cases[] = {
        {"img,map.img", "gif:map.gif", "map.img"}, {"p,x.ps", "img:dump.img", "dump.img"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        ScratchDir dir;
        const RunResult r = run_mosplot(dir, with_dump(c.device, c.dump));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        ImageRecord im;
        ASSERT_EQ(IMG_read(dir.file(c.file).c_str(), &im, 0), 1);
        EXPECT_EQ(im.projection, kProjPolarStereo);
        EXPECT_FLOAT_EQ(im.proj_param[1], -97.0F);
        const float box[4] = {39.0F, -97.0F, 2.3F * 24 / 1099, 2.3F * 16 / 849};
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(im.box[i], box[i], 1e-5) << i;
        EXPECT_EQ(std::pair(im.box_size[0], im.box_size[1]), std::pair(1100, 850));
        EXPECT_EQ(std::string(im.name).rfind("sfc Temperature (F) [LO: ", 0), 0U) << im.name;
        EXPECT_NE(std::string(im.info).find("GFS MOS valid"), std::string::npos) << im.info;
        ImageRecord gif;
        if (IMG_read(dir.file("map.gif").c_str(), &gif, 0) == 0) continue;
        // One byte per pixel: the mean of the picture's colours.
        int differing = 0;
        for (int y = 0; y < im.height; ++y)
            for (int x = 0; x < im.width; ++x) {
                int pr = 0, pg = 0, pb = 0;
                IMG_pixel_rgb(gif, IMG_pixel(gif, x, y), &pr, &pg, &pb);
                differing += static_cast<int>(IMG_pixel(im, x, y)) != (pr + pg + pb) / 3;
            }
        EXPECT_EQ(differing, 0);
    }
}

TEST(ImageOutput, MapListImagesAreDrawnOverTheMap) {
    ScratchDir dir;
    ImageRecord red;
    ASSERT_EQ(IMG_alloc(&red, 40, 30, 8, "test"), 1);
    red.colors = {ImgColor{1.0F, 0.0F, 0.0F}, ImgColor{1.0F, 1.0F, 1.0F}};
    for (int y = 0; y < 30; ++y) red.data[static_cast<std::size_t>(y) * 40 + 7] = 1;  // a hole of background
    ASSERT_EQ(GIF_write(dir.file("red.gif").c_str(), &red), 1);
    const RunResult r = run_mosplot(dir, demo_args("png,map.png", {"-ip", dir.path(), "-mf", "im:red.gif::5:5,im:lost.gif"}));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("Unable to open image file: " + dir.file("lost.gif")), std::string::npos)
        << r.out << r.err;
    ImageRecord im;
    ASSERT_EQ(IMG_read(dir.file("map.png").c_str(), &im, 0), 1);
    // The red block lies 5 pixels into the map's upper-left corner.
    int count = 0, left = im.width;
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            int pr = 0, pg = 0, pb = 0;
            IMG_pixel_rgb(im, IMG_pixel(im, x, y), &pr, &pg, &pb);
            count += pr == 255 && pg == 0 && pb == 0;
            left = pr == 255 && pg == 0 && pb == 0 ? std::min(left, x) : left;
        }
    EXPECT_GT(count, 40 * 30 * 9 / 10);  // latitude lines are drawn over it
    EXPECT_LE(count, 39 * 30);
    EXPECT_EQ(left, 5);
}
// One picture per forecast time: the picture device numbers its files, a
// dump from a printer takes the frame number as the file-name key i.
TEST(ImageOutput, EachForecastTimeIsItsOwnPicture) {
    const struct { const char* device; const char* dump; const char* first; const char* second; } cases[] = {
        {"png,map.png", "", "map.png", "map_01.png"}, {"p,x.ps", "png:m%i.png", "m00.png", "m01.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        ScratchDir dir;
        std::vector<std::string> args = with_dump(c.device, c.dump);
        std::find(args.begin(), args.end(), "h24")->assign("h24,h48");
        const RunResult r = run_mosplot(dir, args);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        ImageRecord first, second;
        ASSERT_EQ(IMG_read(dir.file(c.first).c_str(), &first, 0), 1);
        ASSERT_EQ(IMG_read(dir.file(c.second).c_str(), &second, 0), 1);
        // Different valid times: the pictures differ (not one drawn over the other).
        EXPECT_NE(first.data, second.data);
    }
}
}  // namespace
}  // namespace orv::testing
