#include "gks/gks_img.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_map>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/resrc.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "core/orv.hpp"
#include "gks/gif.hpp"
#include "gks/gks_cairo.hpp"
#include "gks/gks_colr.hpp"
#include "gks/png.hpp"
#include "gks/xdump.hpp"
#include "gks/gks_meta.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gks_x11.hpp"
#include "mos/mos_plt.hpp"
#include "plot/colors.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

int mask_shift(std::uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1U) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int component(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const std::uint32_t max = mask >> mask_shift(mask);
    const std::uint32_t v = (pixel & mask) >> mask_shift(mask);
    return static_cast<int>((v * 255U + max / 2) / max);
}

int intensity_255(float v) { return std::clamp(static_cast<int>(v * 255.0F + 0.5F), 0, 255); }

}  // namespace

void IMG_init(ImageRecord* image) {
    if (image != nullptr) *image = ImageRecord{};
}

void IMG_free(ImageRecord* image) { IMG_init(image); }

int IMG_copy(ImageRecord* to, const ImageRecord* from) {
    if (to == nullptr || from == nullptr) return 0;
    *to = *from;
    return 1;
}

void IMG_print(const ImageRecord* im, std::FILE* out) {
    if (im == nullptr || out == nullptr) return;
    std::fprintf(out, "Source: %d\n", im->source);
    std::fprintf(out, "Version: %d\n", im->version);
    std::fprintf(out, "Date: %s\n", im->date);
    std::fprintf(out, "Info: %s\n", im->info);
    std::fprintf(out, "Type: %d\n", im->type);
    std::fprintf(out, "Size: %dx%d\n", im->width, im->height);
    std::fprintf(out, "Resolution: %.2fx%.2f\n", static_cast<double>(im->res_x),
                 static_cast<double>(im->res_y));
    std::fprintf(out, "Offset: %.2fx%.2f\n", static_cast<double>(im->off_x),
                 static_cast<double>(im->off_y));
    std::fprintf(out, "Depth: %d\n", im->depth);
    std::fprintf(out, "Bits per pixel: %d\n", im->bits_per_pixel);
    std::fprintf(out, "Bytes per line: %d\n", im->bytes_per_line);
    std::fprintf(out, "Bytes order: %d\n", im->byte_order);
    std::fprintf(out, "Number of colors: %d\n", im->num_colors);
    std::fprintf(out, "Tranparent colors: %d\n", im->transparent);
}

int IMG_alloc(ImageRecord* image, int width, int height, int bits_per_pixel, const char* who) {
    static constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bits_per_pixel) == std::end(kDepths)) {
        MESS_print(kMessError, "%s: Unsupported bits per pixel: %d\n", who, bits_per_pixel);
        return 0;
    }
    if (width <= 0 || height <= 0 ||
        static_cast<long long>(width) * height > kImgMaxPixels) {
        MESS_print(kMessError, "%s: Image size refused: %dx%d\n", who, width, height);
        return 0;
    }
    image->width = width;
    image->height = height;
    image->bits_per_pixel = bits_per_pixel;
    image->depth = bits_per_pixel;
    image->bytes_per_line = static_cast<int>((static_cast<long long>(width) * bits_per_pixel + 7) / 8);
    image->data.assign(static_cast<std::size_t>(image->bytes_per_line) * height, 0);
    return 1;
}

int IMG_alloc_rgb(ImageRecord* image, int width, int height, const char* who) {
    if (IMG_alloc(image, width, height, 32, who) == 0) return 0;
    image->depth = 24;
    image->byte_order = 0;
    image->color_class = 0;
    image->red_mask = 0xFF0000U;
    image->green_mask = 0x00FF00U;
    image->blue_mask = 0x0000FFU;
    return 1;
}

void IMG_put_rgb(ImageRecord* image, int x, int y, std::uint32_t rgb) {
    std::uint8_t* p = image->data.data() + static_cast<std::size_t>(y) * image->bytes_per_line + 4 * x;
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
    p[3] = 0;
}

namespace {
// Row y of a 24-bit colour picture in the machine's own 32-bit layout, or
// null when the picture is laid out otherwise.
const std::uint8_t* native_rgb_row(const ImageRecord& im, int y) {
    if (im.bits_per_pixel != 32 || im.byte_order != 0 || std::endian::native != std::endian::little ||
        !im.colors.empty() || im.red_mask != 0xFF0000U || im.green_mask != 0xFF00U || im.blue_mask != 0xFFU)
        return nullptr;
    const std::size_t start = static_cast<std::size_t>(y) * im.bytes_per_line;
    if (y < 0 || y >= im.height || im.bytes_per_line < 4 * im.width || start + 4 * static_cast<std::size_t>(im.width) > im.data.size())
        return nullptr;
    return im.data.data() + start;
}
}  // namespace

void IMG_put_rgb_row(ImageRecord* image, int y, const std::uint32_t* rgb, int count) {
    const int n = std::min(count, image->width);
    if (y < 0 || y >= image->height || n <= 0) return;
    std::uint8_t* row = image->data.data() + static_cast<std::size_t>(y) * image->bytes_per_line;
    for (int x = 0; x < n; ++x, row += 4) {
        const std::uint32_t v = rgb[x];
        row[0] = static_cast<std::uint8_t>(v);
        row[1] = static_cast<std::uint8_t>(v >> 8);
        row[2] = static_cast<std::uint8_t>(v >> 16);
        row[3] = 0;
    }
}

void IMG_rgb_row(const ImageRecord& im, int y, std::uint8_t* out) {
    if (const std::uint8_t* row = native_rgb_row(im, y)) {
        for (int x = 0; x < im.width; ++x, row += 4, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
        return;
    }
    for (int x = 0; x < im.width; ++x, out += 3) {
        int r = 0, g = 0, b = 0;
        IMG_pixel_rgb(im, IMG_pixel(im, x, y), &r, &g, &b);
        out[0] = static_cast<std::uint8_t>(r);
        out[1] = static_cast<std::uint8_t>(g);
        out[2] = static_cast<std::uint8_t>(b);
    }
}

std::uint32_t IMG_pixel(const ImageRecord& im, int x, int y) {
    if (x < 0 || y < 0 || x >= im.width || y >= im.height) return 0;
    const std::size_t start = static_cast<std::size_t>(y) * im.bytes_per_line;
    const std::size_t bytes = static_cast<std::size_t>(im.bits_per_pixel + 7) / 8;
    const std::size_t at = start + static_cast<std::size_t>(x) * im.bits_per_pixel / 8;
    if (at + bytes > im.data.size() || at + bytes > start + im.bytes_per_line) return 0;
    const std::uint8_t* p = im.data.data() + at;
    switch (im.bits_per_pixel) {
    case 1: {
        const int bit = x % 8;
        return (p[0] >> (im.byte_order != 0 ? 7 - bit : bit)) & 1U;
    }
    case 4: {
        const bool high = (x % 2 == 0) == (im.byte_order != 0);
        return high ? p[0] >> 4 : p[0] & 0x0FU;
    }
    case 8: return p[0];
    case 32:
        if (im.byte_order == 0 && std::endian::native == std::endian::little) {
            std::uint32_t v = 0;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        break;
    default: break;
    }
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::uint8_t b = im.byte_order != 0 ? p[i] : p[bytes - 1 - i];
        v = (v << 8) | b;
    }
    return v;
}

void IMG_pixel_rgb(const ImageRecord& im, std::uint32_t pixel, int* r, int* g, int* b) {
    if (!im.colors.empty()) {
        const ImgColor c = pixel < im.colors.size() ? im.colors[pixel] : ImgColor{};
        *r = intensity_255(c.r);
        *g = intensity_255(c.g);
        *b = intensity_255(c.b);
    } else if (im.red_mask == 0xFF0000U && im.green_mask == 0xFF00U && im.blue_mask == 0xFFU) {
        *r = static_cast<int>((pixel >> 16) & 0xFFU);
        *g = static_cast<int>((pixel >> 8) & 0xFFU);
        *b = static_cast<int>(pixel & 0xFFU);
    } else if (im.red_mask != 0 || im.green_mask != 0 || im.blue_mask != 0) {
        *r = component(pixel, im.red_mask);
        *g = component(pixel, im.green_mask);
        *b = component(pixel, im.blue_mask);
    } else {
        const std::uint32_t max = im.bits_per_pixel >= 8 ? 255U : (1U << im.bits_per_pixel) - 1U;
        const int v = static_cast<int>(std::min(pixel, max) * 255U / max);
        *r = *g = *b = v;
    }
}

namespace {
int nearest(const std::vector<std::uint8_t>& rgb, int count, int r, int g, int b) {
    int best = 0, best_d = 1 << 30;
    for (int i = 0; i < count; ++i) {
        const int d = std::abs(rgb[3 * i] - r) + std::abs(rgb[3 * i + 1] - g) + std::abs(rgb[3 * i + 2] - b);
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return best;
}
}  // namespace

void IMG_palette(const ImageRecord& im, int max_colors, ImgPalette* out, bool reduce) {
    out->index.assign(static_cast<std::size_t>(im.width) * im.height, 0);
    out->rgb.clear();
    out->count = 0;
    out->overflow = false;
    std::unordered_map<std::uint32_t, int> seen;
    std::uint32_t last = 0;
    int last_index = -1;
    std::size_t k = 0;
    for (int y = 0; y < im.height; ++y) {
        const std::uint8_t* native = native_rgb_row(im, y);
        for (int x = 0; x < im.width; ++x, ++k) {
            std::uint32_t p = 0;
            if (native != nullptr)
                std::memcpy(&p, native + 4 * static_cast<std::size_t>(x), sizeof p);
            else
                p = IMG_pixel(im, x, y);
            if (last_index >= 0 && p == last) {
                out->index[k] = static_cast<std::uint8_t>(last_index);
                continue;
            }
            auto [it, fresh] = seen.try_emplace(p, out->count);
            int r = 0, g = 0, b = 0;
            if (fresh) {
                IMG_pixel_rgb(im, p, &r, &g, &b);
                if (out->count < max_colors) {
                    out->rgb.insert(out->rgb.end(), {static_cast<std::uint8_t>(r),
                                                     static_cast<std::uint8_t>(g),
                                                     static_cast<std::uint8_t>(b)});
                    ++out->count;
                } else {
                    out->overflow = true;
                    if (!reduce) return;
                    it->second = nearest(out->rgb, out->count, r, g, b);
                }
            }
            last = p;
            last_index = it->second;
            out->index[k] = static_cast<std::uint8_t>(last_index);
        }
    }
}

int IMG_background_index(const ImgPalette& palette) {
    int r = 0, g = 0, b = 0;
    if (gget_color_rgb256(-1, &r, &g, &b) != 0) return -1;
    for (int i = 0; i < palette.count; ++i) {
        const std::uint8_t* c = &palette.rgb[3 * static_cast<std::size_t>(i)];
        if (std::abs(c[0] - r) <= 1 && std::abs(c[1] - g) <= 1 && std::abs(c[2] - b) <= 1) return i;
    }
    return -1;
}

namespace {
GImageCapture window_capture = nullptr;
}  // namespace

void gset_window_capture(GImageCapture capture) { window_capture = capture; }

namespace {
// A frame drawn on a printer or metafile is drawn again from the display
// list into an in-memory picture; the file device's own size and state are
// put back afterwards.
int capture_kept_frame(ImageRecord* image, bool smooth_lines) {
    if (gobj_keeps_frame() == 0) return 0;
    int width = 0, height = 0, x = 0, y = 0;
    gget_window_size(&width, &height);
    gget_window_offset(&x, &y);
    const int kind = gset_ws_type(kWsRaster);
    int captured = 0;
    if (gcairo_begin_picture(smooth_lines ? 1 : 0) == 0) {
        gobj_replay_frame();
        captured = gcairo_capture(image);
        gcairo_end_picture();
    }
    gset_ws_type(kind);
    gset_window_size(width, height);
    gset_window_offset(x, y);
    ginit_tran(10);
    return captured;
}

int capture(ImageRecord* image, bool smooth_lines) {
    if (image == nullptr) return 0;
    if (gtype_is_WIN_PIX() != 0 && window_capture != nullptr) return window_capture(image);
    if (gcairo_capture(image) != 0 || capture_kept_frame(image, smooth_lines) != 0) return 1;
    MESS_print(kMessError, "gget_image: No picture to capture\n");
    return 0;
}
}  // namespace

int gget_image(ImageRecord* image) { return capture(image, false); }

namespace {
// The dumps write what the current drawing target shows; a PNG is drawn
// smooth, as the picture device draws it.
int dump_with(int (*writer)(const char*, const ImageRecord*), const char* name, bool smooth_lines = false) {
    ImageRecord image;
    if (capture(&image, smooth_lines) == 0) return 0;
    return writer(name, &image);
}

// Beyond this view offset the map is too small a part of the picture for
// the picture to stand for the map's area.
constexpr float kMaxMapViewOffset = 0.7F;

// The map's domain, its grid spread over the picture's pixels.
void attach_domain(ImageRecord* image) {
    float offsets[4];
    PLT_get_view_offsets(offsets);
    if (*std::max_element(offsets, offsets + 4) > kMaxMapViewOffset) return;
    Domain d{};
    MAP_get_domain(&d);
    if (d.proj == kProjNone || d.nx < 2 || d.ny < 2 || is_missing(d.dx) || is_missing(d.dy) ||
        image->width < 2 || image->height < 2)
        return;
    image->projection = d.proj;
    const float params[5] = {d.plat, d.plon, d.params[0], d.params[1], d.params[2]};
    std::copy(std::begin(params), std::end(params), image->proj_param);
    const float box[4] = {d.clat, d.clon, d.dx * static_cast<float>(d.nx - 1) / static_cast<float>(image->width - 1),
                          d.dy * static_cast<float>(d.ny - 1) / static_cast<float>(image->height - 1)};
    std::copy(std::begin(box), std::end(box), image->box);
    image->box_size[0] = image->width;
    image->box_size[1] = image->height;
}
}  // namespace

void IMG_describe_plot(ImageRecord* image) {
    char name[sizeof image->name];
    std::snprintf(name, sizeof name, "%s [%s]", PLT_get_label(0, 0), PLT_get_label(5, 0));
    copy_text(image->name, name);
    copy_text(image->info, PLT_get_label(2, 0));
    attach_domain(image);
}

int PNG_dump(const char* name) { return dump_with(PNG_write, name, true); }
int GIF_dump(const char* name) { return dump_with(GIF_write, name); }
int XWD_dump(const char* name) { return dump_with(XWD_write, name); }

int IMG_dump(const char* name) {
    ImageRecord image;
    if (gget_image(&image) == 0) return 0;
    IMG_describe_plot(&image);
    return IMG_write(name, &image, 0);
}

int IMG_read(const char* name, ImageRecord* image, int flag) {
    if (image == nullptr) return 0;
    IMG_init(image);
    std::FILE* f = name != nullptr ? std::fopen(name, "rb") : nullptr;
    if (f == nullptr) {
        MESS_print(kMessError, "IMG_read: Unable to open image file: %s\n", name != nullptr ? name : "");
        return 0;
    }
    char head[7] = "";
    std::size_t n = std::fread(head, 1, 6, f);
    if (n >= 3 && std::memcmp(head, "** ", 3) == 0) {
        int c = 0;
        std::fseek(f, 0, SEEK_SET);
        while ((c = std::fgetc(f)) != EOF && c != '\n') {}
        n = std::fread(head, 1, 6, f);
    }
    std::fclose(f);
    int ok = 0;
    if (n >= 3 && std::memcmp(head, "GIF", 3) == 0)
        ok = GIF_read(name, image, flag);
    else if (n >= 4 && std::memcmp(head + 1, "PNG", 3) == 0)
        ok = PNG_read(name, image, flag);
    else if (n >= 3 && std::memcmp(head, "ORV", 3) == 0)
        ok = IMG_read_orv(name, image, flag);
    else
        ok = XWD_read(name, image, flag);
    if (ok == 0) IMG_free(image);
    return ok;
}

std::FILE* img_open_past_comment(const char* name) {
    std::FILE* f = name != nullptr ? std::fopen(name, "rb") : nullptr;
    if (f == nullptr) return nullptr;
    char head[3] = "";
    if (std::fread(head, 1, 3, f) == 3 && std::memcmp(head, "** ", 3) == 0) {
        int c = 0;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {}
    } else {
        std::fseek(f, 0, SEEK_SET);
    }
    return f;
}

int img_read_file(const char* name, ImageRecord* image, const char* who, ImgFileDecoder decode) {
    if (image == nullptr) return 0;
    IMG_init(image);
    std::FILE* f = img_open_past_comment(name);
    if (f == nullptr) {
        MESS_print(kMessError, "%s: Unable to open image file: %s\n", who, name != nullptr ? name : "");
        return 0;
    }
    const bool ok = decode(f, name, image);
    std::fclose(f);
    if (!ok) IMG_free(image);
    return ok ? 1 : 0;
}

namespace {
long transparent_colour(const char* name) {
    float r = 0.0F, gr = 0.0F, b = 0.0F;
    const int index = name != nullptr && *name != '\0' ? CLR_get_ind(name) : -1;
    if (index < 0 || CLR_get_rgb(index, &r, &gr, &b) != 0) gget_color_rgb(-1, &r, &gr, &b);
    const auto byte = [](float v) { return static_cast<long>(std::clamp(v, 0.0F, 1.0F) * 255.0F + 0.5F); };
    return (byte(r) << 16) | (byte(gr) << 8) | byte(b);
}

// A map list's image entry: the file is looked for in "image_path"; "if:"
// entries are placed in the whole picture rather than over the map.
int map_image_overlay(const char* file, const char* transparent, int x, int y, int whole_picture) {
    char* dir = nullptr;
    if (RES_get("image_path") != nullptr) RES_getval("image_path", &dir, kResPath);
    char path[kFileNameSize] = "";
    FILE_add_path(dir != nullptr && *dir != '\0' ? dir : nullptr, file, path, sizeof path);
    std::free(dir);
    int status = 0, current = 0;
    ginq_cur_norm_tran_num(&status, &current);
    if (whole_picture != 0) gsel_norm_tran(1);
    const int drawn = goverlay_image_file(path, transparent, x, y);
    gsel_norm_tran(current);
    return drawn;
}
}  // namespace

int goverlay_image_file(const char* name, const char* transparent, int x, int y) {
    if (gchk_graphics() == 0) return 0;
    ImageRecord image;
    if (IMG_read(name, &image, 1) == 0) return 0;
    int vp[4] = {0, 0, 0, 0};
    gget_xviewport(vp);
    const int left = x >= 0 ? vp[0] + x : vp[0] + vp[2] + x - image.width;
    const int top = y >= 0 ? vp[1] + y : vp[1] + vp[3] + y - image.height;
    if (gcairo_put_image(image, left, top, transparent_colour(transparent)) != 0) return 1;
    MESS_print(kMessError, "goverlay_image_file: No picture to draw on: %s\n", name);
    return 0;
}

namespace {
// Each new frame of a multi-frame plot starts a new picture file or page on
// the picture device, and a new kept frame on a printer or metafile; the
// window keeps its own frame images. Frames drawn on a file device are
// counted, so that their dumps are numbered as the window's frames are.
struct FrameSeams {
    int (*create)(int frame) = nullptr;
    int (*count)() = nullptr;
    int (*current)() = nullptr;
    int file_frames = 0;
};
FrameSeams frames;

int create_frame(int frame) {
    if (gget_ws_type() == kWsRaster) gclear_ws(1, 1);
    if (gobj_keeps_frame() != 0) gclear_objs();
    if (gtype_is_WIN_PIX() == 0) frames.file_frames = frame + 1;
    return frames.create != nullptr ? frames.create(frame) : 0;
}

int window_frames() { return frames.count != nullptr ? frames.count() : 0; }

int num_frames() { return window_frames() > 0 ? window_frames() : frames.file_frames; }

int current_frame() {
    if (window_frames() > 0) return frames.current != nullptr ? frames.current() : 0;
    return frames.file_frames - 1;
}
}  // namespace

void IMG_register_hooks() {
    MosFrameSeams* seams = MOS_frame_seams();
    if (seams->create_frame != create_frame) {
        frames.create = seams->create_frame;
        seams->create_frame = create_frame;
    }
    static constexpr MapOverlayHooks kOverlays = {map_image_overlay, gmeta_overlay, nullptr};
    MAP_set_overlay_hooks(&kOverlays);
    PltHooks* hooks = PLT_hooks();
    if (hooks->num_frames != num_frames) {
        frames.count = hooks->num_frames;
        frames.current = hooks->current_frame;
        hooks->num_frames = num_frames;
        hooks->current_frame = current_frame;
    }
    hooks->image_dump[kDumpXwd] = XWD_dump;
    hooks->image_dump[kDumpGif] = GIF_dump;
    hooks->image_dump[kDumpImg] = IMG_dump;
    hooks->image_dump[kDumpPng] = PNG_dump;
    hooks->gif_interlace = GIF_interlace;
    hooks->gif_transparent = GIF_transparent;
    gset_window_capture(gx11_capture);
    gset_image_writer(kImageGif, GIF_dump);
    gset_image_writer(kImageXwd, XWD_dump);
}

}  // namespace orv
