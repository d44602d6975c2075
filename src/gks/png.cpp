#include "gks/png.hpp"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "gks/gks_img.hpp"

namespace orv {
namespace {

constexpr int kPaletteSize = 256;

void warn_quietly(png_structp, png_const_charp) {}

void report_error(png_structp png, png_const_charp message) {
    MESS_print(kMessError, "PNG: %s\n", message);
    png_longjmp(png, 1);
}

struct PngText {
    char title[80] = "";
    char software[80] = "";
    char created[40] = "";
};

void fill_text(const ImageRecord& image, PngText* t) {
    copy_text(t->title, image.name);
    char progname[32] = "";
    std::snprintf(t->software, sizeof t->software, "%s %s", RES_get_progname(progname, sizeof progname),
                  ORV_version());
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(t->created, sizeof t->created, "%d %b %Y %H:%M:%S GMT", &utc);
}

// Writes the rows: a palette image when the picture has at most 256
// colours (palette in order of first appearance, padded with black), else
// 8-bit RGB.
bool encode(std::FILE* f, const ImageRecord& image) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, report_error, warn_quietly);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    ImgPalette palette;
    IMG_palette(image, kPaletteSize, &palette, false);
    const bool indexed = !palette.overflow;
    // Everything the rows need is made before an error can jump back here.
    std::vector<png_byte> row(static_cast<std::size_t>(image.width) * (indexed ? 1 : 3));
    PngText text;
    fill_text(image, &text);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!indexed) {
        // Smooth pictures are large: a light compression and one row filter
        // keep them quick (trying every filter on every row costs more than
        // the bytes it saves).
        png_set_compression_level(png, 1);
        png_set_compression_strategy(png, Z_RLE);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    }
    if (indexed) {
        png_color colors[kPaletteSize] = {};
        for (int i = 0; i < palette.count; ++i)
            colors[i] = png_color{palette.rgb[3 * i], palette.rgb[3 * i + 1], palette.rgb[3 * i + 2]};
        png_set_PLTE(png, info, colors, kPaletteSize);
    }
    png_text chunks[3] = {};
    char key_title[] = "Title", key_software[] = "Software", key_time[] = "Creation Time";
    chunks[0] = png_text{PNG_TEXT_COMPRESSION_NONE, key_title, text.title, 0, 0, nullptr, nullptr};
    chunks[1] = png_text{PNG_TEXT_COMPRESSION_NONE, key_software, text.software, 0, 0, nullptr, nullptr};
    chunks[2] = png_text{PNG_TEXT_COMPRESSION_NONE, key_time, text.created, 0, 0, nullptr, nullptr};
    png_set_text(png, info, chunks, 3);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* idx = &palette.index[static_cast<std::size_t>(y) * image.width];
        if (indexed) {
            png_write_row(png, idx);
            continue;
        }
        IMG_rgb_row(image, y, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Fills the record from an open reader: palette images stay 8-bit
// colour-mapped, all others become 8-bit RGB in 32-bit pixels.
bool decode(png_structp png, png_infop info, ImageRecord* image) {
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int bit_depth = 0, color_type = 0;
    png_get_IHDR(png, info, &w, &h, &bit_depth, &color_type, nullptr, nullptr, nullptr);
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF ||
        static_cast<long long>(w) * h > kImgMaxPixels) {
        MESS_print(kMessError, "PNG_read: Image size refused: %ux%u\n", w, h);
        return false;
    }
    const bool indexed = color_type == PNG_COLOR_TYPE_PALETTE;
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    if (indexed) {
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_strip_alpha(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        png_set_bgr(png);
    }
    png_read_update_info(png, info);
    if (IMG_alloc(image, static_cast<int>(w), static_cast<int>(h), indexed ? 8 : 32, "PNG_read") == 0)
        return false;
    if (indexed) {
        png_colorp colors = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colors, &count);
        image->color_class = 1;
        for (int i = 0; i < count; ++i)
            image->colors.push_back(ImgColor{colors[i].red / 255.0F, colors[i].green / 255.0F,
                                             colors[i].blue / 255.0F});
        image->num_colors = count;
    } else {
        image->depth = 24;
        image->red_mask = 0xFF0000U;
        image->green_mask = 0x00FF00U;
        image->blue_mask = 0x0000FFU;
    }
    // Row by row: an error jumps out of here, which must leave nothing of
    // this function's own to release (the pixels belong to the record).
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, image->data.data() + static_cast<std::size_t>(y) * image->bytes_per_line, nullptr);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

int PNG_write(const char* name, const ImageRecord* image) {
    if (image == nullptr || image->width <= 0 || image->height <= 0 || image->data.empty()) return 0;
    std::FILE* f = name != nullptr ? std::fopen(name, "wb") : nullptr;
    if (f == nullptr) {
        MESS_print(kMessError, "Unable to open PNG file: %s\n", name != nullptr ? name : "");
        return 0;
    }
    const bool ok = encode(f, *image);
    if (std::fclose(f) != 0 || !ok) {
        std::remove(name);
        MESS_print(kMessError, "Unable to write PNG file: %s\n", name);
        return 0;
    }
    return 1;
}

int PNG_read(const char* name, ImageRecord* image, int /*flag*/) {
    return img_read_file(name, image, "PNG_read", [](std::FILE* f, const char*, ImageRecord* im) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, report_error, warn_quietly);
        png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
        bool ok = false;
        if (info != nullptr && !setjmp(png_jmpbuf(png))) {
            png_init_io(png, f);
            ok = decode(png, info, im);
        }
        png_destroy_read_struct(&png, &info, nullptr);
        return ok;
    });
}

}  // namespace orv
