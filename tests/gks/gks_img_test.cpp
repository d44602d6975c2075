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
    EXPECT_EQ(IMG_alloc_rgb(&im, width, height, "test"), 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) IMG_put_rgb(&im, x, y, kColors[(x / 3 + y / 2) % count]);
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
        EXPECT_EQ(c.write(path("no/such/dir/x").c_str(), &source), 0);
        ASSERT_EQ(c.write(path(c.file).c_str(), &source), 1);
        // Readers skip a leading "** " comment line.
        auto bytes = bytes_of(path(c.file));
        const std::string comment = "** a comment\n";
        bytes.insert(bytes.begin(), comment.begin(), comment.end());
        write_bytes(path("commented"), bytes);
        ImageRecord back;
        ASSERT_EQ(IMG_read(path("commented").c_str(), &back, 0), 1);
        EXPECT_EQ(differing_pixels(source, back), 0);
        if (c.direct && have_program("identify")) {
            const auto r = run_command("identify -format '%w %h' " + path(c.file));
            EXPECT_EQ(r.status, 0) << r.out;
            EXPECT_EQ(r.out, "203 157");
        }
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
    const auto patched = [](std::vector<unsigned char> b, std::initializer_list<std::pair<int, int>> bytes) {
        for (const auto& [at, v] : bytes) b.at(static_cast<std::size_t>(at)) = static_cast<unsigned char>(v);
        return b;
    };
    auto no_table_gif = patched(gif, {{10, gif[10] & 0x7F}});  // no colours at all
    no_table_gif.erase(no_table_gif.begin() + 13, no_table_gif.begin() + 13 + 3 * 8);
    const struct { const char* file; std::vector<unsigned char> bytes; } cases[] = {
        {"trunc.gif", {gif.begin(), gif.begin() + 40}},
        {"trunc.png", {png.begin(), png.begin() + 60}},
        {"trunc.xwd", {xwd.begin(), xwd.end() - 100}},
        {"junk.xwd", std::vector<unsigned char>(300, 0xA5)},
        {"huge.gif", patched(gif, {{6, 0x60}, {7, 0xEA}, {8, 0x60}, {9, 0xEA}})},  // 60000 x 60000
        {"zero.gif", patched(gif, {{6, 0}, {7, 0}})},
        {"no_table.gif", no_table_gif},
        {"odd.xwd", patched(xwd, {{47, 7}})},                   // 7 bits per pixel
        {"colours.xwd", patched(xwd, {{78, 0x01}, {79, 0x2C}})},  // 300 colours announced, none present
        {"huge.xwd", patched(xwd, {{16, 0x7F}, {20, 0x7F}})},
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

}  // namespace
}  // namespace orv::test
