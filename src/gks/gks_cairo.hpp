// The headless picture device: draws the kernel's primitives with Cairo into
// an image in memory (written as PNG, GIF, XWD or the own image format when
// the workstation closes) or into a PDF or SVG file, with no display.
#pragma once

namespace orv {

struct ImageRecord;

inline constexpr int kWsRaster = 7;

// Output formats of the device, named by the device word or the file's
// extension ("png", "gif", "xwd", "img", "pdf", "svg").
enum CairoFormat : int { kCairoNone = 0, kCairoPng, kCairoGif, kCairoXwd, kCairoImg, kCairoPdf, kCairoSvg };
int gcairo_format(const char* word);

// Opens the workstation from a device text "[format,]file"; the picture
// size comes from the "geometry" resource (default 1100x850).
int gcairo_open_ws(int ws, const char* text);
void gcairo_register();
// Copies the picture drawn so far into an image record when this device is
// the open raster workstation: 1, else 0.
int gcairo_capture(ImageRecord* image);

// An in-memory picture of the "geometry" size, antialiased or keeping the
// colour table's exact colours, for drawing a kept frame again while another
// device is the workstation; the kernel's window size becomes the picture's.
// 0, or -1 when a picture is already being drawn or cannot be made.
int gcairo_begin_picture(int smooth_lines);
void gcairo_end_picture();

// Paints a picture with its upper-left corner at device pixel (x, y),
// leaving out the pixels of the transparent colour (0xRRGGBB; -1 none): 1
// when painted, 0 when this device is not the open raster workstation.
int gcairo_put_image(const ImageRecord& image, int x, int y, long transparent);

void gks_cairo_reset_for_tests();

}  // namespace orv
