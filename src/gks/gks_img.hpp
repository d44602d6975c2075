// Image files: the image record, capturing the current drawing target into
// it, the dump routines that capture and write in one step, reading any of
// the four formats back, and image overlays on the picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace orv {

struct ImgColor {
    float r = 0.0F, g = 0.0F, b = 0.0F;  // intensities 0-1
};

// A picture with its size, pixel layout, colours and optional domain. The
// record owns its pixels and colour table.
struct ImageRecord {
    int source = 0;
    int version = 0;
    char date[32] = "";
    char name[76] = "";
    char info[51] = "";
    int type = 0;
    int width = 0;
    int height = 0;
    float res_x = 0.0F, res_y = 0.0F;
    float off_x = 0.0F, off_y = 0.0F;
    int depth = 0;
    int bits_per_pixel = 0;
    int bytes_per_line = 0;
    int byte_order = 0;  // 0 least significant byte first
    int color_class = 0;  // 1: colour-mapped
    int num_colors = 0;
    std::uint32_t red_mask = 0, green_mask = 0, blue_mask = 0;
    std::vector<ImgColor> colors;
    int transparent = 0;
    int projection = -9999;
    float proj_param[5] = {-9999.0F, -9999.0F, -9999.0F, -9999.0F, -9999.0F};
    float box[4] = {0.0F, 0.0F, 0.0F, 0.0F};
    int box_size[2] = {0, 0};
    std::vector<std::uint8_t> data;
};

// Pictures larger than this many pixels are refused by the readers.
inline constexpr long long kImgMaxPixels = 64LL * 1024 * 1024;

void IMG_init(ImageRecord* image);
void IMG_free(ImageRecord* image);
int IMG_copy(ImageRecord* to, const ImageRecord* from);
void IMG_print(const ImageRecord* image, std::FILE* out = stdout);

// Sets the layout of an empty picture of width x height at the given bits
// per pixel and allocates zeroed pixels: 1, or 0 with a message when the size
// is refused.
int IMG_alloc(ImageRecord* image, int width, int height, int bits_per_pixel, const char* who);
// The same for a 24-bit colour picture (32 bits per pixel, red in the high
// byte), and storing 0xRRGGBB at (x, y) of one.
int IMG_alloc_rgb(ImageRecord* image, int width, int height, const char* who);
void IMG_put_rgb(ImageRecord* image, int x, int y, std::uint32_t rgb);
// Stores a row of 0xRRGGBB values (the high byte is ignored) into row y of
// such a picture, from x = 0 up to the picture's width or count.
void IMG_put_rgb_row(ImageRecord* image, int y, const std::uint32_t* rgb, int count);
// Row y as 0-255 red, green, blue triples: width * 3 bytes into out.
void IMG_rgb_row(const ImageRecord& image, int y, std::uint8_t* out);
// A pixel value, decoded by the record's bits per pixel and byte order.
std::uint32_t IMG_pixel(const ImageRecord& image, int x, int y);
// A pixel value's colour as 0-255 components, from the colour table or the
// masks.
void IMG_pixel_rgb(const ImageRecord& image, std::uint32_t pixel, int* r, int* g, int* b);

// The picture as palette indices in order of first appearance of each pixel
// value, with the palette as 0-255 triples. More than max_colors distinct
// values: the extra ones take the nearest palette colour when reducing, else
// the palette stops there with overflow set.
struct ImgPalette {
    std::vector<std::uint8_t> index;  // width * height
    std::vector<std::uint8_t> rgb;    // 3 per entry
    int count = 0;
    bool overflow = false;            // more distinct values than max_colors
};
void IMG_palette(const ImageRecord& image, int max_colors, ImgPalette* out, bool reduce = true);
// The palette index of the background colour, or -1.
int IMG_background_index(const ImgPalette& palette);

// Captures the current drawing target: 1, or 0 with a message. The picture
// device is read directly; a window device reads its own picture through the
// capture it sets here.
int gget_image(ImageRecord* image);
using GImageCapture = int (*)(ImageRecord* image);
void gset_window_capture(GImageCapture capture);

int IMG_write(const char* name, const ImageRecord* image, int compress);
int IMG_read(const char* name, ImageRecord* image, int flag);
int IMG_read_orv(const char* name, ImageRecord* image, int flag);
int IMG_dump(const char* name);
// Names the picture after the plot's labels ("%s [%s]" of labels 0 and 5,
// info label 2) and, when the map fills most of the picture, gives it the
// map's domain: projection parameters plat, plon and parameters 1-3, the box
// the centre latitude and longitude and the grid spacing per pixel.
void IMG_describe_plot(ImageRecord* image);

// Draws an image file over the picture, (x, y) pixels from the current
// viewport's upper-left corner (negative: the image's right or bottom edge
// that far from the viewport's); pixels of the transparent colour (a colour
// name, or the background when null or empty) are left out. 1 when drawn.
int goverlay_image_file(const char* name, const char* transparent, int x, int y);

// Opens an image file for binary reading past a leading "** " comment line.
std::FILE* img_open_past_comment(const char* name);
// Reads an image file, opened past its comment line, with `decode`: 1, or 0
// with a message naming `who` and the record left empty.
using ImgFileDecoder = bool (*)(std::FILE* f, const char* name, ImageRecord* image);
int img_read_file(const char* name, ImageRecord* image, const char* who, ImgFileDecoder decode);

// Fills the plot frame's image-dump hooks.
void IMG_register_hooks();

}  // namespace orv
