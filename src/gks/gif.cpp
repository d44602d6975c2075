#include "gks/gif.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/mess.hpp"
#include "gks/gks_img.hpp"

namespace orv {
namespace {

constexpr int kMaxColors = 256;

struct GifState {
    int interlace = 0;
    int transparent = 0;
};
GifState g;

int write_to_file(GifFileType* gif, const GifByteType* data, int n) {
    return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(gif->UserData)));
}

int read_from_file(GifFileType* gif, GifByteType* data, int n) {
    return static_cast<int>(std::fread(data, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(gif->UserData)));
}

// The rows in the order they are stored: the four passes when interlaced.
std::vector<int> row_order(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

int bits_for(int count) {
    int b = 1;
    while ((1 << b) < count) ++b;
    return b;
}

bool encode(GifFileType* gif, const ImageRecord& image) {
    ImgPalette palette;
    IMG_palette(image, kMaxColors, &palette);
    const int bits = bits_for(palette.count);
    std::vector<GifColorType> colors(static_cast<std::size_t>(1) << bits, GifColorType{0, 0, 0});
    for (int i = 0; i < palette.count; ++i)
        colors[i] = GifColorType{palette.rgb[3 * i], palette.rgb[3 * i + 1], palette.rgb[3 * i + 2]};
    ColorMapObject* map = GifMakeMapObject(1 << bits, colors.data());
    if (map == nullptr) return false;
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, image.width, image.height, bits, 0, map) == GIF_OK;
    if (ok && g.transparent != 0) {
        // Flags 1 (a transparent colour is given), a delay of 10, the index.
        const int index = std::max(0, IMG_background_index(palette));
        GifByteType block[4] = {1, 10, 0, static_cast<GifByteType>(index)};
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width, image.height, g.interlace != 0, nullptr) == GIF_OK;
    for (const int y : row_order(image.height, g.interlace != 0)) {
        if (!ok) break;
        auto* line = const_cast<GifPixelType*>(&palette.index[static_cast<std::size_t>(y) * image.width]);
        ok = EGifPutLine(gif, line, image.width) == GIF_OK;
    }
    GifFreeMapObject(map);
    return ok;
}

bool refuse_size(int w, int h) {
    if (w > 0 && h > 0 && static_cast<long long>(w) * h <= kImgMaxPixels) return false;
    MESS_print(kMessError, "GIF_read: Image size refused: %dx%d\n", w, h);
    return true;
}

bool read_image(GifFileType* gif, ImageRecord* image, bool* have_image) {
    if (DGifGetImageDesc(gif) != GIF_OK) return false;
    const GifImageDesc& d = gif->Image;
    if (refuse_size(d.Width, d.Height)) return false;
    const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
    if (map == nullptr || map->ColorCount <= 0) {
        MESS_print(kMessError, "GIF_read: No colour table\n");
        return false;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
    for (const int y : row_order(d.Height, d.Interlace)) {
        if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return false;
        if (*have_image) continue;  // later images are passed over
        const int row = d.Top + y;
        if (row < 0 || row >= image->height) continue;
        for (int x = 0; x < d.Width; ++x) {
            const int col = d.Left + x;
            if (col >= 0 && col < image->width)
                image->data[static_cast<std::size_t>(row) * image->bytes_per_line + col] = line[x];
        }
    }
    if (!*have_image) {
        image->colors.clear();
        for (int i = 0; i < map->ColorCount; ++i)
            image->colors.push_back(ImgColor{map->Colors[i].Red / 255.0F, map->Colors[i].Green / 255.0F,
                                             map->Colors[i].Blue / 255.0F});
        image->num_colors = map->ColorCount;
    }
    *have_image = true;
    return true;
}

bool read_extension(GifFileType* gif, ImageRecord* image) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4 && (block[1] & 1) != 0)
        image->transparent = 1;
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
    return true;
}

bool decode(GifFileType* gif, ImageRecord* image) {
    if (refuse_size(gif->SWidth, gif->SHeight)) return false;
    if (IMG_alloc(image, gif->SWidth, gif->SHeight, 8, "GIF_read") == 0) return false;
    image->color_class = 1;
    bool have_image = false;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(gif, &type) != GIF_OK) return have_image;
        if (type == IMAGE_DESC_RECORD_TYPE && !read_image(gif, image, &have_image)) return false;
        if (type == EXTENSION_RECORD_TYPE && !read_extension(gif, image)) return have_image;
    } while (type != TERMINATE_RECORD_TYPE);
    if (!have_image) MESS_print(kMessError, "GIF_read: No image in file\n");
    return have_image;
}

}  // namespace

void GIF_interlace(int flag) { g.interlace = flag; }
void GIF_transparent(int flag) { g.transparent = flag; }

int GIF_write(const char* name, const ImageRecord* image) {
    if (image == nullptr || image->width <= 0 || image->height <= 0 || image->data.empty() ||
        image->width > 0xFFFF || image->height > 0xFFFF)
        return 0;
    std::FILE* f = name != nullptr ? std::fopen(name, "wb") : nullptr;
    if (f == nullptr) {
        MESS_print(kMessError, "Unable to open GIF file\n");
        return 0;
    }
    int error = 0;
    GifFileType* gif = EGifOpen(f, write_to_file, &error);
    bool ok = gif != nullptr && encode(gif, *image);
    if (gif != nullptr && EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::remove(name);
        MESS_print(kMessError, "Unable to write GIF file: %s\n", name);
        return 0;
    }
    return 1;
}

int GIF_read(const char* name, ImageRecord* image, int /*flag*/) {
    return img_read_file(name, image, "GIF_read", [](std::FILE* f, const char* file, ImageRecord* im) {
        int error = 0;
        GifFileType* gif = DGifOpen(f, read_from_file, &error);
        if (gif == nullptr) {
            MESS_print(kMessError, "GIF_read: Not a GIF file: %s\n", file);
            return false;
        }
        const bool ok = decode(gif, im);
        DGifCloseFile(gif, &error);
        return ok;
    });
}

void gif_reset_for_tests() { g = GifState{}; }

}  // namespace orv
