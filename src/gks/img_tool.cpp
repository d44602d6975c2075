// The program's own image format: three text lines (magic, name, info), a
// size or projection line, then one byte per pixel, optionally as a series
// of zlib streams of 10000 input bytes each.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_img.hpp"

namespace orv {
namespace {

constexpr std::size_t kChunk = 10000;

bool missing(float v) { return v == -9999.0F; }

std::string projection_word(const ImageRecord& im) {
    const float* p = im.proj_param;
    char text[200] = "";
    switch (im.projection) {
    case kProjPolarStereo:
        if (missing(p[1]) || p[1] == im.box[0]) return "PS ";
        std::snprintf(text, sizeof text, "PS:%f ", static_cast<double>(p[1]));
        return text;
    case kProjLatLon: return "LL ";
    case kProjMercator: return "ME ";
    case kProjLambert:
        if (!missing(p[2]))
            std::snprintf(text, sizeof text, "LC:%f:%f:%f:%f:%f ", static_cast<double>(p[0]),
                          static_cast<double>(p[1]), static_cast<double>(p[2]),
                          static_cast<double>(p[3]), static_cast<double>(p[4]));
        else if (!missing(p[1]))
            std::snprintf(text, sizeof text, "LC:%f ", static_cast<double>(p[1]));
        else
            return "LC ";
        return text;
    case kProjSatellite: {
        int n = std::snprintf(text, sizeof text, "SAT:%f:%f", static_cast<double>(p[0]),
                              static_cast<double>(p[1]));
        if (!missing(p[2]))
            n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ":%f",
                               static_cast<double>(p[2]));
        return std::string(text) + " ";
    }
    default: return "";
    }
}

// One byte per pixel: 8-bit images without colours as they are, direct
// colours as the mean of their colour bytes, others as their index or the
// byte the byte order puts first.
std::vector<std::uint8_t> pixel_bytes(const ImageRecord& im) {
    if (im.bits_per_pixel == 8 && im.colors.empty()) return im.data;
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(im.width) * im.height);
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            const std::uint32_t p = IMG_pixel(im, x, y);
            std::uint8_t v = static_cast<std::uint8_t>(p);
            if (im.bits_per_pixel == 32)
                v = static_cast<std::uint8_t>(((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 3);
            else if (im.bits_per_pixel == 16 || im.bits_per_pixel == 24)
                v = static_cast<std::uint8_t>(im.byte_order != 0 ? p >> (im.bits_per_pixel - 8) : p);
            out.push_back(v);
        }
    return out;
}

bool write_compressed(std::FILE* f, const std::vector<std::uint8_t>& bytes) {
    std::vector<Bytef> out(compressBound(kChunk));
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, bytes.size() - at);
        uLongf size = out.size();
        if (compress2(out.data(), &size, bytes.data() + at, n, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
        if (std::fwrite(out.data(), 1, size, f) != size) return false;
    }
    return true;
}

// Reads the chunked streams back, one after another, into out.
bool read_compressed(std::FILE* f, std::vector<std::uint8_t>* out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    std::vector<std::uint8_t> in(16384);
    std::size_t filled = 0;
    int status = Z_OK;
    while (filled < out->size()) {
        if (z.avail_in == 0) {
            z.avail_in = static_cast<uInt>(std::fread(in.data(), 1, in.size(), f));
            z.next_in = in.data();
            if (z.avail_in == 0) break;
        }
        z.next_out = out->data() + filled;
        z.avail_out = static_cast<uInt>(out->size() - filled);
        status = inflate(&z, Z_NO_FLUSH);
        filled = out->size() - z.avail_out;
        if (status == Z_STREAM_END) {
            if (inflateReset(&z) != Z_OK) break;
        } else if (status != Z_OK) {
            break;
        }
    }
    inflateEnd(&z);
    return filled == out->size();
}

bool read_line(std::FILE* f, char* line, int size) {
    if (std::fgets(line, size, f) == nullptr) return false;
    line[std::strcspn(line, "\n")] = '\0';
    return true;
}

int projection_code(const char* word, float* p) {
    static constexpr struct {
        const char* word;
        int code;
    } kWords[] = {{"PS", kProjPolarStereo}, {"LL", kProjLatLon}, {"ME", kProjMercator},
                  {"LC", kProjLambert}, {"SAT", kProjSatellite}};
    for (const auto& w : kWords) {
        const std::size_t n = std::strlen(w.word);
        if (std::strncmp(word, w.word, n) != 0 || (word[n] != '\0' && word[n] != ':')) continue;
        float v[5] = {-9999.0F, -9999.0F, -9999.0F, -9999.0F, -9999.0F};
        const int got = word[n] == ':' ? std::sscanf(word + n + 1, "%f:%f:%f:%f:%f", &v[0], &v[1], &v[2], &v[3], &v[4]) : 0;
        if (w.code == kProjPolarStereo || (w.code == kProjLambert && got == 1)) {
            p[1] = v[0];
        } else {
            for (int i = 0; i < got; ++i) p[i] = v[i];
        }
        return w.code;
    }
    return kProjNone;
}

// The size line, or the projection line with the area covered.
bool read_geometry(const char* line, ImageRecord* im, int* w, int* h) {
    if (std::sscanf(line, "%d %d", w, h) == 2 && std::strchr(line, '.') == nullptr) return true;
    char word[100] = "";
    const char* rest = line;
    if (std::sscanf(line, "%99s", word) == 1 && std::isalpha(static_cast<unsigned char>(word[0])) != 0) {
        im->projection = projection_code(word, im->proj_param);
        rest = std::strstr(line, word) + std::strlen(word);
    }
    if (std::sscanf(rest, "%f %f %f %f %d %d", &im->box[0], &im->box[1], &im->box[2], &im->box[3], w, h) != 6)
        return false;
    im->box_size[0] = *w;
    im->box_size[1] = *h;
    return true;
}

bool decode(std::FILE* f, const char* name, ImageRecord* im) {
    char line[256] = "";
    if (!read_line(f, line, sizeof line)) return false;
    const bool compressed = std::strcmp(line, "ORVIMGZ") == 0;
    if (!compressed && std::strcmp(line, "ORVIMG") != 0) {
        MESS_print(kMessError, "IMG_read_orv: Invalid image type\n");
        return false;
    }
    char title[256] = "", info[256] = "";
    int w = 0, h = 0;
    if (!read_line(f, title, sizeof title) || !read_line(f, info, sizeof info) ||
        !read_line(f, line, sizeof line) || !read_geometry(line, im, &w, &h)) {
        MESS_print(kMessError, "IMG_read_orv: Invalid header: %s\n", name);
        return false;
    }
    const ImageRecord header = *im;
    if (IMG_alloc(im, w, h, 8, "IMG_read_orv") == 0) return false;
    im->projection = header.projection;
    std::memcpy(im->proj_param, header.proj_param, sizeof im->proj_param);
    std::memcpy(im->box, header.box, sizeof im->box);
    std::memcpy(im->box_size, header.box_size, sizeof im->box_size);
    copy_text(im->name, title);
    copy_text(im->info, info);
    const bool ok = compressed ? read_compressed(f, &im->data)
                               : std::fread(im->data.data(), 1, im->data.size(), f) == im->data.size();
    if (!ok) MESS_print(kMessError, "IMG_read_orv: Truncated image data: %s\n", name);
    return ok;
}

}  // namespace

int IMG_write(const char* name, const ImageRecord* image, int compress) {
    if (image == nullptr || image->width <= 0 || image->height <= 0 || image->data.empty()) return 0;
    std::FILE* f = name != nullptr ? std::fopen(name, "wb") : nullptr;
    if (f == nullptr) {
        MESS_print(kMessError, "Unable to open: %s\n", name != nullptr ? name : "");
        return 0;
    }
    std::fprintf(f, "%s\n%s\n%s\n", compress != 0 ? "ORVIMGZ" : "ORVIMG", image->name, image->info);
    if (image->projection != kProjNone && !projection_word(*image).empty())
        std::fprintf(f, "%s%f %f %f %f %d %d\n", projection_word(*image).c_str(),
                     static_cast<double>(image->box[0]), static_cast<double>(image->box[1]),
                     static_cast<double>(image->box[2]), static_cast<double>(image->box[3]),
                     image->width, image->height);
    else
        std::fprintf(f, "%d %d\n", image->width, image->height);
    const std::vector<std::uint8_t> bytes = pixel_bytes(*image);
    bool ok = compress != 0 ? write_compressed(f, bytes)
                            : std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::remove(name);
        MESS_print(kMessError, "Unable to write: %s\n", name);
        return 0;
    }
    return 1;
}

int IMG_read_orv(const char* name, ImageRecord* image, int /*flag*/) {
    return img_read_file(name, image, "IMG_read", decode);
}

}  // namespace orv
