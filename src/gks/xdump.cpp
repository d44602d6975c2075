#include "gks/xdump.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/mess.hpp"
#include "gks/gks_img.hpp"

namespace orv {
namespace {

constexpr int kHeaderFields = 25;
constexpr std::uint32_t kVersion = 7;
constexpr std::uint32_t kZPixmap = 2;
constexpr std::uint32_t kPseudoColor = 3;
constexpr std::uint32_t kTrueColor = 4;
constexpr std::uint32_t kDirectColor = 5;
constexpr std::uint32_t kMaxNameLength = 4096;
constexpr std::uint32_t kMaxColors = 65536;

enum Field : int {
    kHeaderSize, kFileVersion, kFormat, kDepth, kWidth, kHeight, kXOffset, kByteOrder,
    kBitmapUnit, kBitOrder, kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass,
    kRedMask, kGreenMask, kBlueMask, kBitsPerRgb, kColormapEntries, kNumColors,
    kWindowWidth, kWindowHeight, kWindowX, kWindowY, kBorderWidth,
};

void put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

std::uint32_t get32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint16_t intensity16(float v) {
    const float c = v < 0.0F ? 0.0F : (v > 1.0F ? 1.0F : v);
    return static_cast<std::uint16_t>(65535.0F * c);
}

bool write_all(std::FILE* f, const void* data, std::size_t n) { return std::fwrite(data, 1, n, f) == n; }

bool fail(const char* message) {
    std::fputs(message, stderr);
    return false;
}

bool encode(std::FILE* f, const ImageRecord& im) {
    const bool mapped = !im.colors.empty();
    const std::size_t name_len = std::strlen(im.name) + 1;
    std::array<std::uint32_t, kHeaderFields> h{};
    h[kHeaderSize] = static_cast<std::uint32_t>(100 + name_len);
    h[kFileVersion] = kVersion;
    h[kFormat] = kZPixmap;
    h[kDepth] = static_cast<std::uint32_t>(im.depth);
    h[kWidth] = static_cast<std::uint32_t>(im.width);
    h[kHeight] = static_cast<std::uint32_t>(im.height);
    h[kByteOrder] = static_cast<std::uint32_t>(im.byte_order);
    h[kBitmapUnit] = 32;
    h[kBitOrder] = static_cast<std::uint32_t>(im.byte_order);
    h[kBitmapPad] = 32;
    h[kBitsPerPixel] = static_cast<std::uint32_t>(im.bits_per_pixel);
    h[kBytesPerLine] = static_cast<std::uint32_t>(im.bytes_per_line);
    h[kVisualClass] = mapped ? kPseudoColor : kTrueColor;
    h[kRedMask] = im.red_mask;
    h[kGreenMask] = im.green_mask;
    h[kBlueMask] = im.blue_mask;
    h[kBitsPerRgb] = 8;
    h[kColormapEntries] = h[kNumColors] = static_cast<std::uint32_t>(im.colors.size());
    h[kWindowWidth] = h[kWidth];
    h[kWindowHeight] = h[kHeight];
    std::uint8_t header[4 * kHeaderFields];
    for (int i = 0; i < kHeaderFields; ++i) put32(header + 4 * i, h[static_cast<std::size_t>(i)]);
    if (!write_all(f, header, sizeof header)) return fail("Unable to write dump file header\n");
    if (!write_all(f, im.name, name_len)) return fail("Unable to write window name to dump file.\n");
    for (std::size_t i = 0; i < im.colors.size(); ++i) {
        std::uint8_t entry[16] = {};
        put32(entry, static_cast<std::uint32_t>(i));
        const std::uint16_t rgb[3] = {intensity16(im.colors[i].r), intensity16(im.colors[i].g),
                                      intensity16(im.colors[i].b)};
        for (int c = 0; c < 3; ++c) {
            entry[4 + 2 * c] = static_cast<std::uint8_t>(rgb[c] >> 8);
            entry[5 + 2 * c] = static_cast<std::uint8_t>(rgb[c]);
        }
        entry[10] = 7;  // red, green and blue given
        if (!write_all(f, entry, sizeof entry)) return fail("Unable to write color map to dump file.\n");
    }
    const std::size_t pixels = static_cast<std::size_t>(im.bytes_per_line) * im.height;
    if (pixels > im.data.size() || !write_all(f, im.data.data(), pixels))
        return fail("Unable to write to XWD file.\n");
    return true;
}

bool refuse(const char* name, const char* why) {
    MESS_print(kMessError, "XWD_read: %s: %s\n", why, name);
    return false;
}

bool valid_layout(const std::array<std::uint32_t, kHeaderFields>& h, const char* name) {
    const std::uint32_t bpp = h[kBitsPerPixel];
    if (h[kFileVersion] != kVersion || h[kFormat] != kZPixmap || h[kHeaderSize] < 100 ||
        h[kHeaderSize] > 100 + kMaxNameLength)
        return refuse(name, "Not an X window dump");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return refuse(name, "Unsupported bits per pixel");
    if (h[kWidth] == 0 || h[kHeight] == 0 || h[kWidth] > 0x7FFFFFFF || h[kHeight] > 0x7FFFFFFF ||
        static_cast<long long>(h[kWidth]) * h[kHeight] > kImgMaxPixels)
        return refuse(name, "Image size refused");
    const unsigned long long min_line = (static_cast<unsigned long long>(h[kWidth]) * bpp + 7) / 8;
    if (h[kBytesPerLine] < min_line || h[kBytesPerLine] > min_line + 64)
        return refuse(name, "Invalid bytes per line");
    if (h[kNumColors] > kMaxColors) return refuse(name, "Too many colours");
    return true;
}

bool decode(std::FILE* f, const char* name, ImageRecord* im) {
    std::uint8_t raw[4 * kHeaderFields];
    if (std::fread(raw, 1, sizeof raw, f) != sizeof raw) return refuse(name, "Truncated header");
    std::array<std::uint32_t, kHeaderFields> h{};
    for (int i = 0; i < kHeaderFields; ++i) h[static_cast<std::size_t>(i)] = get32(raw + 4 * i);
    if (!valid_layout(h, name)) return false;
    std::vector<char> title(h[kHeaderSize] - 100 + 1, '\0');
    if (std::fread(title.data(), 1, h[kHeaderSize] - 100, f) != h[kHeaderSize] - 100)
        return refuse(name, "Truncated header");
    if (IMG_alloc(im, static_cast<int>(h[kWidth]), static_cast<int>(h[kHeight]),
                  static_cast<int>(h[kBitsPerPixel]), "XWD_read") == 0)
        return false;
    std::snprintf(im->name, sizeof im->name, "%s", title.data());
    im->depth = static_cast<int>(h[kDepth]);
    im->byte_order = h[kByteOrder] != 0 ? 1 : 0;
    im->bytes_per_line = static_cast<int>(h[kBytesPerLine]);
    im->data.assign(static_cast<std::size_t>(im->bytes_per_line) * im->height, 0);
    const bool direct = h[kVisualClass] == kTrueColor || h[kVisualClass] == kDirectColor;
    std::vector<ImgColor> colors(h[kNumColors]);
    for (std::uint32_t i = 0; i < h[kNumColors]; ++i) {
        std::uint8_t e[16];
        if (std::fread(e, 1, sizeof e, f) != sizeof e) return refuse(name, "Truncated colour map");
        const std::uint32_t at = get32(e) < h[kNumColors] ? get32(e) : i;
        colors[at] = ImgColor{((e[4] << 8) | e[5]) / 65535.0F, ((e[6] << 8) | e[7]) / 65535.0F,
                              ((e[8] << 8) | e[9]) / 65535.0F};
    }
    if (direct) {
        im->red_mask = h[kRedMask];
        im->green_mask = h[kGreenMask];
        im->blue_mask = h[kBlueMask];
    } else {
        im->colors = std::move(colors);
        im->color_class = 1;
        im->num_colors = static_cast<int>(im->colors.size());
    }
    if (std::fread(im->data.data(), 1, im->data.size(), f) != im->data.size())
        return refuse(name, "Truncated pixel data");
    return true;
}

}  // namespace

int XWD_write(const char* name, const ImageRecord* image) {
    if (image == nullptr || image->width <= 0 || image->height <= 0 || image->data.empty()) return 0;
    std::FILE* f = name != nullptr ? std::fopen(name, "wb") : nullptr;
    if (f == nullptr) {
        std::fputs("Unable to open dump file\n", stderr);
        return 0;
    }
    bool ok = encode(f, *image);
    if (std::fclose(f) != 0 && ok) ok = fail("Unable to write to XWD file.\n");
    if (!ok) std::remove(name);
    return ok ? 1 : 0;
}

int XWD_read(const char* name, ImageRecord* image, int /*flag*/) {
    return img_read_file(name, image, "XWD_read", decode);
}

}  // namespace orv
