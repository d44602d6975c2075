// Image files: each format written is read back with the same pixels, real
// readers (ImageMagick, pngcheck) accept what is written, and broken or
// hostile files are refused without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "core/orv.hpp"
#include "geo/maptran.hpp"
#include "gks/gif.hpp"
#include "gks/gks_fixture.hpp"
#include "gks/gks_img.hpp"
#include "gks/png.hpp"
#include "gks/xdump.hpp"
#include "support/run_program.hpp"

namespace orv::test {
namespace {

using orv::testing::have_program;
using orv::testing::run_command;

constexpr std::uint32_t kColors[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x202020, 0x808000};

// A direct-colour picture with `count` colours in diagonal bands.
ImageRecord banded(int width, int height, int count) {
    ImageRecord im;
    EXPECT_EQ(IMG_alloc(&im, width, height, 32, "test"), 1);
    im.depth = 24;
    im.red_mask = 0xFF0000;
    im.green_mask = 0x00FF00;
    im.blue_mask = 0x0000FF;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = kColors[(x / 3 + y / 2) % count];
            std::uint8_t* d = &im.data[static_cast<std::size_t>(y) * im.bytes_per_line + 4 * x];
            d[0] = static_cast<std::uint8_t>(p);
            d[1] = static_cast<std::uint8_t>(p >> 8);
            d[2] = static_cast<std::uint8_t>(p >> 16);
        }
    copy_text(im.name, "bands");
    return im;
}

// An 8-bit grey picture without colours (the own format's pixels).
ImageRecord grey(int width, int height) {
    ImageRecord im;
    EXPECT_EQ(IMG_alloc(&im, width, height, 8, "test"), 1);
    for (std::size_t i = 0; i < im.data.size(); ++i) im.data[i] = static_cast<std::uint8_t>(i * 7 % 251);
    return im;
}

// Number of pixels whose colours differ.
int differing_pixels(const ImageRecord& a, const ImageRecord& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            int ar = 0, ag = 0, ab = 0, br = 0, bg = 0, bb = 0;
            IMG_pixel_rgb(a, IMG_pixel(a, x, y), &ar, &ag, &ab);
            IMG_pixel_rgb(b, IMG_pixel(b, x, y), &br, &bg, &bb);
            if (ar != br || ag != bg || ab != bb) ++n;
        }
    return n;
}

std::vector<unsigned char> bytes_of(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& file, const std::vector<unsigned char>& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

class ImgTest : public GksTest {};

TEST_F(ImgTest, EveryFormatReadsBackItsPixelsAndImageMagickReadsIt) {
    struct Case {
        const char* file;
        int (*write)(const char*, const ImageRecord*);
        bool direct;  // written from the direct-colour picture
    };
    const auto own = [](const char* n, const ImageRecord* im) { return IMG_write(n, im, 0); };
    const auto own_z = [](const char* n, const ImageRecord* im) { return IMG_write(n, im, 1); };
    const Case cases[] = {{"a.png", PNG_write, true}, {"a.gif", GIF_write, true}, {"a.xwd", XWD_write, true},
                          {"a.img", own, false}, {"z.img", own_z, false}};
    const ImageRecord colour = banded(203, 157, 6);
    const ImageRecord plain = grey(203, 157);  // 31871 bytes: several compressed chunks
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const ImageRecord& source = c.direct ? colour : plain;
        ASSERT_EQ(c.write(path(c.file).c_str(), &source), 1);
        ImageRecord back;
        ASSERT_EQ(IMG_read(path(c.file).c_str(), &back, 0), 1);
        EXPECT_EQ(differing_pixels(source, back), 0);
        if (c.direct && have_program("identify")) {
            const auto r = run_command("identify -format '%w %h' " + path(c.file));
            EXPECT_EQ(r.status, 0) << r.out;
            EXPECT_EQ(r.out, "203 157");
        }
    }
}

TEST_F(ImgTest, GifHeaderFollowsTheColourCount) {
    // Colours, packed screen byte, LZW minimum code size.
    const struct {
        int colors;
        int packed;
        int code_size;
    } cases[] = {{5, 0xA2, 3}, {2, 0x80, 2}, {6, 0xA2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colors);
        const ImageRecord im = banded(40, 10, c.colors);
        ASSERT_EQ(GIF_write(path("c.gif").c_str(), &im), 1);
        const auto b = bytes_of(path("c.gif"));
        ASSERT_GT(b.size(), 30U);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
        EXPECT_EQ(b[10], c.packed);
        const std::size_t table = 3U << ((c.packed & 7) + 1);
        const std::size_t desc = 13 + table;
        ASSERT_EQ(b[desc], 0x2C);
        EXPECT_EQ(b[desc + 10], c.code_size);
    }
}

TEST_F(ImgTest, TransparentInterlacedGifKeepsPixelsAndMarksTheBackground) {
    gks_reset_all_for_tests();
    ImageRecord im = banded(64, 37, 6);  // white (the background) is the 4th colour to appear
    GIF_interlace(1);
    GIF_transparent(1);
    ASSERT_EQ(GIF_write(path("t.gif").c_str(), &im), 1);
    const auto b = bytes_of(path("t.gif"));
    const std::size_t ext = 13 + 3 * 8;
    ASSERT_EQ(b[ext], 0x21);
    ASSERT_EQ(b[ext + 1], 0xF9);
    EXPECT_EQ(b[ext + 3], 1);   // a transparent colour is given
    EXPECT_EQ(b[ext + 6], 3);   // white's palette index
    EXPECT_EQ(b[ext + 8 + 9] & 0x40, 0x40);  // interlaced
    ImageRecord back;
    ASSERT_EQ(GIF_read(path("t.gif").c_str(), &back, 0), 1);
    EXPECT_EQ(differing_pixels(im, back), 0);
    EXPECT_EQ(back.transparent, 1);
    if (have_program("convert")) {
        // ImageMagick decodes the interlaced rows to the same picture.
        ASSERT_EQ(PNG_write(path("t.png").c_str(), &im), 1);
        const auto r = run_command("compare -metric AE " + path("t.gif") + " -alpha off " + path("t.png") +
                                   " null:");
        EXPECT_EQ(r.out, "0") << r.out;
    }
}

TEST_F(ImgTest, PngIsValidWithItsTextChunks) {
    if (!have_program("pngcheck")) GTEST_SKIP() << "pngcheck is not installed";
    ImageRecord im = banded(30, 20, 3);
    copy_text(im.name, "Map title");
    ASSERT_EQ(PNG_write(path("p.png").c_str(), &im), 1);
    const auto r = run_command("pngcheck -t " + path("p.png"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Title:\n    Map title"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Software:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" GMT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("8-bit palette"), std::string::npos) << run_command("pngcheck -v " + path("p.png")).out;
}

TEST_F(ImgTest, ReaderSkipsACommentLineBeforeTheMagic) {
    const ImageRecord im = banded(12, 9, 4);
    ASSERT_EQ(GIF_write(path("c.gif").c_str(), &im), 1);
    auto b = bytes_of(path("c.gif"));
    const std::string comment = "** a comment\n";
    b.insert(b.begin(), comment.begin(), comment.end());
    write_bytes(path("d.gif"), b);
    ImageRecord back;
    ASSERT_EQ(IMG_read(path("d.gif").c_str(), &back, 0), 1);
    EXPECT_EQ(differing_pixels(im, back), 0);
}

// Parameters are plat, plon, then parameters 1-3; the box is the centre
// latitude and longitude and the spacing per pixel. "PS" alone leaves plon
// to the centre it equals.
TEST_F(ImgTest, OwnFormatKeepsTheProjectionLine) {
    constexpr float kNo = -9999.0F;
    const struct {
        int projection;
        float params[5];
        const char* word;
        float plon_back;
    } cases[] = {
        {kProjPolarStereo, {90, -105, 60, kNo, kNo}, "PS:-105.000000 ", -105},
        {kProjPolarStereo, {90, 40, 60, kNo, kNo}, "PS ", kNo},
        {kProjLambert, {90, -95, 25, 30, kNo}, "LC:90.000000:-95.000000:25.000000:30.000000:-9999.000000 ", -95},
        {kProjLambert, {90, -95, kNo, kNo, kNo}, "LC:-95.000000 ", -95},
        {kProjSatellite, {0, -75, 6.6F, kNo, kNo}, "SAT:0.000000:-75.000000:6.600000 ", -75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        ImageRecord im = grey(20, 10);
        im.projection = c.projection;
        std::copy(std::begin(c.params), std::end(c.params), im.proj_param);
        const float box[4] = {40.0F, -100.0F, 0.5F, 0.25F};
        std::copy(std::begin(box), std::end(box), im.box);
        ASSERT_EQ(IMG_write(path("p.img").c_str(), &im, 0), 1);
        const std::string header =
            std::string("ORVIMG\n\n\n") + c.word + "40.000000 -100.000000 0.500000 0.250000 20 10\n";
        EXPECT_EQ(orv::testing::read_file(path("p.img")).substr(0, header.size()), header);
        ImageRecord back;
        ASSERT_EQ(IMG_read(path("p.img").c_str(), &back, 0), 1);
        EXPECT_EQ(back.projection, c.projection);
        EXPECT_FLOAT_EQ(back.proj_param[1], c.plon_back);
        EXPECT_TRUE(std::equal(box, box + 4, back.box));
        EXPECT_EQ(differing_pixels(im, back), 0);
    }
}

TEST_F(ImgTest, BadFilesAreRefusedWithoutACrash) {
    const ImageRecord im = banded(50, 40, 5);
    ASSERT_EQ(GIF_write(path("ok.gif").c_str(), &im), 1);
    ASSERT_EQ(PNG_write(path("ok.png").c_str(), &im), 1);
    ASSERT_EQ(XWD_write(path("ok.xwd").c_str(), &im), 1);
    const auto gif = bytes_of(path("ok.gif"));
    const auto png = bytes_of(path("ok.png"));
    const auto xwd = bytes_of(path("ok.xwd"));
    auto huge_gif = gif;
    huge_gif[6] = huge_gif[8] = 0x60;  // 60000 x 60000
    huge_gif[7] = huge_gif[9] = 0xEA;
    auto zero_gif = gif;
    zero_gif[6] = zero_gif[7] = 0;
    auto no_table_gif = gif;  // no colours at all
    no_table_gif.erase(no_table_gif.begin() + 13, no_table_gif.begin() + 13 + 3 * 8);
    no_table_gif[10] &= 0x7F;
    auto odd_xwd = xwd;
    odd_xwd[47] = 7;  // 7 bits per pixel
    auto many_colours_xwd = xwd;
    many_colours_xwd[79] = 0x2C;  // 300 colours announced, none present
    many_colours_xwd[78] = 0x01;
    auto huge_xwd = xwd;
    huge_xwd[16] = huge_xwd[20] = 0x7F;
    const struct {
        const char* file;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"trunc.gif", {gif.begin(), gif.begin() + 40}},
        {"trunc.png", {png.begin(), png.begin() + 60}},
        {"trunc.xwd", {xwd.begin(), xwd.end() - 100}},
        {"junk.xwd", std::vector<unsigned char>(300, 0xA5)},
        {"huge.gif", huge_gif},
        {"zero.gif", zero_gif},
        {"no_table.gif", no_table_gif},
        {"odd.xwd", odd_xwd},
        {"colours.xwd", many_colours_xwd},
        {"huge.xwd", huge_xwd},
        {"trunc.img", {'O', 'R', 'V', 'I', 'M', 'G', 'Z', '\n', '\n', '\n', '9', ' ', '9', '\n', 0x78}},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        write_bytes(path(c.file), c.bytes);
        ImageRecord back;
        EXPECT_EQ(IMG_read(path(c.file).c_str(), &back, 0), 0);
        EXPECT_TRUE(back.data.empty());
    }
    ImageRecord back;
    EXPECT_EQ(IMG_read(path("missing.gif").c_str(), &back, 0), 0);
}

TEST_F(ImgTest, WideAndInterlacedPngsAreRead) {
    if (!have_program("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    const ImageRecord im = banded(33, 21, 6);
    ASSERT_EQ(PNG_write(path("src.png").c_str(), &im), 1);
    for (const char* options : {"-depth 16 -define png:color-type=2", "-interlace PNG -define png:color-type=2",
                                "-colorspace Gray -depth 16"}) {
        SCOPED_TRACE(options);
        const auto r = run_command(std::string("convert ") + path("src.png") + " " + options + " " + path("x.png"));
        ASSERT_EQ(r.status, 0) << r.out;
        ImageRecord back;
        ASSERT_EQ(PNG_read(path("x.png").c_str(), &back, 0), 1);
        EXPECT_EQ(back.width, 33);
        if (std::string(options).find("Gray") == std::string::npos) {
            EXPECT_EQ(differing_pixels(im, back), 0);
        }
    }
}

TEST_F(ImgTest, UnwritablePathsFailAndLeaveNoFile) {
    const ImageRecord im = banded(8, 8, 2);
    const std::string file = path("no/such/dir/x");
    EXPECT_EQ(PNG_write(file.c_str(), &im), 0);
    EXPECT_EQ(GIF_write(file.c_str(), &im), 0);
    EXPECT_EQ(XWD_write(file.c_str(), &im), 0);
    EXPECT_EQ(IMG_write(file.c_str(), &im, 1), 0);
}

TEST_F(ImgTest, PrintListsTheRecord) {
    ImageRecord im = banded(8, 6, 2);
    std::FILE* f = std::fopen(path("print.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    IMG_print(&im, f);
    std::fclose(f);
    const std::string text = orv::testing::read_file(path("print.txt"));
    EXPECT_NE(text.find("Size: 8x6\nResolution: 0.00x0.00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Bits per pixel: 32\nBytes per line: 32\n"), std::string::npos) << text;
    ImageRecord copy;
    ASSERT_EQ(IMG_copy(&copy, &im), 1);
    IMG_free(&im);
    EXPECT_EQ(copy.width, 8);
    EXPECT_EQ(differing_pixels(copy, banded(8, 6, 2)), 0);
}

}  // namespace
}  // namespace orv::test
