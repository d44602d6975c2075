#include "gks/gks_text.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"

namespace orv {
namespace {

constexpr int kGlyphEnd = 255;   // ends a glyph's pairs
constexpr int kDataEnd = 254;    // ends the stroke data in a file
constexpr int kMoveFlag = 128;   // x of a move point
constexpr int kBlank = 32;
constexpr int kBlankWidth = 40;
constexpr float kCellHeight = 105.0F;
// A font file of more stroke values than this is refused.
constexpr std::size_t kMaxStrokeData = 1 << 20;
constexpr int kListLineMax = 160;
constexpr const char* kDefaultFontFile = "modern.fnt";
constexpr const char* kDefaultListFile = "orv.fnl";

struct FontListEntry {
    char name[kFontNameSize];
    char file[kFontFileSize];
};

struct StrokeFont {
    std::vector<unsigned char> data;
    std::array<int, 256> index{};
    std::array<int, 256> size{};
};

struct TextState {
    std::array<FontListEntry, kMaxFonts> fonts{};
    int num_fonts = 0;
    char list_text[kFontListTextSize] = {};
    int font_ind = 1;
    int font_type = 0;
    StrokeFont font;
};
TextState g;

// --- stroke font files ----------------------------------------------------

// Walks the (x, y) pairs of the glyph starting at `start`; the first point
// always moves, so a glyph never draws from where the previous one ended.
template <typename Visit>
void walk_glyph(const std::vector<unsigned char>& data, int start, Visit visit) {
    bool first = true;
    for (std::size_t p = static_cast<std::size_t>(start); p + 1 < data.size(); p += 2) {
        const int x = data[p];
        if (x == kGlyphEnd) break;
        const bool move = first || x >= kMoveFlag;
        visit(move, x >= kMoveFlag ? x - kMoveFlag : x, static_cast<int>(data[p + 1]));
        first = false;
    }
}

bool skip_token(std::FILE* file) { return std::fscanf(file, "%*s") != EOF; }

// The next whitespace-separated word as a whole decimal integer; false at
// the end of the file or for anything else (out-of-range numbers included).
bool read_int(std::FILE* file, int* value) {
    char word[32];
    if (std::fscanf(file, "%31s", word) != 1) return false;
    const char* end = word + std::strlen(word);
    const auto [ptr, ec] = std::from_chars(word, end, *value);
    return ec == std::errc() && ptr == end;
}

bool read_stroke_data(std::FILE* file, std::vector<unsigned char>* data) {
    int first = 0;
    if (!read_int(file, &first)) return false;
    const bool named = first != kGlyphEnd;
    if (named) {
        if (!skip_token(file)) return false;
    } else {
        data->push_back(kGlyphEnd);
    }
    for (;;) {
        int v = 0;
        if (!read_int(file, &v)) return false;
        if (v == kDataEnd) break;
        if (v < 0 || v > 255 || data->size() >= kMaxStrokeData) return false;
        data->push_back(static_cast<unsigned char>(v));
        if (named && v == kGlyphEnd && !skip_token(file)) return false;
    }
    data->push_back(kGlyphEnd);
    return true;
}

bool read_glyph_index(std::FILE* file, StrokeFont* font) {
    const int size = static_cast<int>(font->data.size());
    for (int& start : font->index) {
        if (!read_int(file, &start)) return false;
        if (start < -1 || start >= size) return false;
    }
    return true;
}

void compute_widths(StrokeFont* font) {
    for (std::size_t c = 0; c < font->index.size(); ++c) {
        int widest = 0;
        if (font->index[c] >= 0)
            walk_glyph(font->data, font->index[c],
                       [&widest](bool, int x, int) { widest = std::max(widest, x); });
        font->size[c] = widest;
    }
    font->size[kBlank] = kBlankWidth;
}

bool load_stroke_font(const char* path, StrokeFont* font) {
    if (*path == '\0') return false;  // the file layer would read standard input
    std::FILE* file = FILE_open(path, "r");
    if (file == nullptr) return false;
    const bool ok = read_stroke_data(file, &font->data) && read_glyph_index(file, font);
    FILE_close(file);
    if (ok) compute_widths(font);
    return ok;
}

void font_path(const char* name, char* path) { FILE_add_path(orv_file_path(), name, path); }

// --- font lists -------------------------------------------------------------

void add_font(const char* name, const char* file) {
    if (g.num_fonts >= kMaxFonts) return;
    FontListEntry& e = g.fonts[static_cast<std::size_t>(g.num_fonts++)];
    copy_text(e.name, name);
    copy_text(e.file, file);
}

bool read_list_line(std::FILE* file, char* buf) {
    if (std::fgets(buf, kListLineMax + 1, file) == nullptr) return false;
    const std::size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] != '\n') {
        int c = 0;
        while ((c = std::getc(file)) != '\n' && c != EOF) {
        }
    }
    return true;
}

// One "name  file name" line; blank lines are passed over.
void add_list_line(char* line) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t n = std::strlen(line);
    while (n > 0 && blank(line[n - 1])) line[--n] = '\0';
    char* name = line;
    while (blank(*name)) ++name;
    if (*name == '\0') return;
    char* rest = name;
    while (*rest != '\0' && !blank(*rest)) ++rest;
    if (*rest != '\0') *rest++ = '\0';
    while (blank(*rest)) ++rest;
    add_font(name, rest);
}

bool read_list_file(const char* name, int limit) {
    char path[kFileNameSize];
    font_path(name, path);
    std::FILE* file = *path != '\0' ? FILE_open(path, "r") : nullptr;
    if (file == nullptr) return false;
    char line[kListLineMax + 1];
    while (g.num_fonts < limit && read_list_line(file, line)) add_list_line(line);
    FILE_close(file);
    return true;
}

void read_list_text(const char* text) {
    char** names = nullptr;
    int count = 0;
    parse_string(text, ',', &count, &names);
    for (int k = 0; k < count; ++k) add_font("", names[k]);
    free_parsed_array(count, names);
}

const char* list_text() {
    if (g.list_text[0] != '\0') return g.list_text;
    const char* resource = RES_get("font_list");
    return resource != nullptr && *resource != '\0' ? resource : nullptr;
}

// --- layout -----------------------------------------------------------------

int truncated(float v) { return static_cast<int>(v); }

// Pen advance after character c in font units, before expansion. Characters
// without a glyph other than the blank do not move the pen.
float advance(unsigned char c, float spacing, float char_spacing) {
    const StrokeFont& f = g.font;
    const bool has_glyph = f.index[c] >= 0;
    if (!has_glyph && c != kBlank) return 0.0F;
    if (char_spacing > 0.0F) return (100.0F + 100.0F * spacing) * char_spacing;
    if (!has_glyph) return 100.0F * spacing + static_cast<float>(kBlankWidth);
    return static_cast<float>(f.size[c]) + 100.0F * spacing;
}

int vertical_offset(int align) {
    static constexpr std::array<int, 6> kOffsets = {-35, -160, -140, -85, -35, 0};
    return align >= 0 && align < static_cast<int>(kOffsets.size())
               ? kOffsets[static_cast<std::size_t>(align)]
               : kOffsets[0];
}

int horizontal_offset(int align, float expansion, int width) {
    const int expanded = static_cast<int>(std::floor(expansion * static_cast<float>(width)));
    if (align == 2) return -(expanded / 2);
    if (align == 3) return -expanded;
    return 0;
}

class DeviceSink : public GStrokeSink {
public:
    void glyph_begin() override { gtext_glyph_begin(); }
    void move(float x, float y) override { gtext_move(x, y); }
    void draw(float x, float y) override { gtext_draw(x, y); }
    void glyph_end() override { gtext_glyph_end(); }
};

int draw_hook(const char* string, float x, float y) { return gtext_stroke(string, x, y); }
int font_index_hook(const char* name) { return gget_font_index(name); }

const GTextHooks kTextHooks = {draw_hook, gselect_font, font_index_hook, gsetup_fonts};

}  // namespace

int gsetup_fonts() {
    g.num_fonts = 0;
    const char* text = list_text();
    if (text == nullptr) {
        read_list_file(kDefaultListFile, kMaxFonts);
    } else if (std::strncmp(text, "fi:", 3) == 0) {
        if (!read_list_file(text + 3, kMaxListFileFonts))
            MESS_print(kMessWarn, "gsetup_fonts: unable to load font list file: %s\n", text + 3);
    } else {
        read_list_text(text);
    }
    const int current = ginq_text_attr().font;
    g.font_ind = current >= 1 && current <= g.num_fonts ? current : 1;
    if (g.num_fonts == 0) {
        read_font(kDefaultFontFile);
    } else {
        read_font(g.fonts[static_cast<std::size_t>(g.font_ind - 1)].file);
    }
    return g.num_fonts;
}

int read_font(const char* name) {
    if (gchk_graphics() == 0) return -1;
    if (name == nullptr) name = "";
    if (name[0] == '#') {
        gerr_printf("read_font", "unable to load font: %s\n", name + 1);
        return -1;
    }
    char path[kFileNameSize];
    font_path(name, path);
    StrokeFont font;
    if (!load_stroke_font(path, &font)) {
        gerr_printf("read_font", "unable to load font file: %s\n", name);
        return -1;
    }
    g.font = std::move(font);
    g.font_type = 1;
    return 0;
}

int gget_font_index(const char* text) {
    if (text == nullptr || *text == '\0') return 1;
    if (std::isdigit(static_cast<unsigned char>(text[0])) != 0) return std::atoi(text);
    for (int i = 0; i < g.num_fonts; ++i)
        if (stricmp(g.fonts[static_cast<std::size_t>(i)].name, text) == 0) return i + 1;
    return 1;
}

int gset_font_list(const char* text) {
    copy_text(g.list_text, text);
    return 0;
}

int gselect_font(int font) {
    if (g.num_fonts == 0) return 0;
    if (font < 1 || font > g.num_fonts) {
        gerr_printf("gset_fontprec", "invalid font id: %d\n", font);
        return -1;
    }
    if (font == g.font_ind && g.font_type != 0) return 0;
    g.font_ind = font;
    return read_font(g.fonts[static_cast<std::size_t>(font - 1)].file);
}

int gget_num_fonts() { return g.num_fonts; }

const char* gget_font_name(int n) {
    return n >= 1 && n <= g.num_fonts ? g.fonts[static_cast<std::size_t>(n - 1)].name : "";
}

const char* gget_font_file(int n) {
    return n >= 1 && n <= g.num_fonts ? g.fonts[static_cast<std::size_t>(n - 1)].file : "";
}

int gget_font_type() { return g.font_type; }

int gget_char_width(unsigned char c) { return g.font.size[c]; }

int gtext_font_width(const char* string, float spacing, float char_spacing) {
    if (string == nullptr || *string == '\0') return 0;
    const std::size_t n = std::strlen(string);
    int width = 0;
    for (std::size_t i = 0; i + 1 < n; ++i)
        width += truncated(advance(static_cast<unsigned char>(string[i]), spacing, char_spacing));
    const auto last = static_cast<unsigned char>(string[n - 1]);
    if (char_spacing > 0.0F)
        width += truncated(char_spacing * 100.0F);
    else
        width += g.font.size[last];
    return width;
}

int gtext_layout(const char* string, float x, float y, const GTextAttr& attr, GStrokeSink& sink) {
    if (g.font_type != 1 || string == nullptr) return 0;
    const float expansion = attr.expansion;
    const int width = gtext_font_width(string, attr.spacing, attr.char_spacing);
    const int y_offset = vertical_offset(attr.align_v);
    const float scale = attr.height / kCellHeight;
    const float ux = attr.up_x;
    const float uy = attr.up_y;
    int pen = horizontal_offset(attr.align_h, expansion, width);
    int glyphs = 0;
    for (const char* p = string; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const int start = g.font.index[c];
        if (start >= 0) {
            bool begun = false;
            walk_glyph(g.font.data, start, [&](bool move, int px, int py) {
                const float gx = (static_cast<float>(px) * expansion + static_cast<float>(pen)) * scale;
                const float gy = static_cast<float>(py + y_offset) * scale;
                const float dx = x + uy * gx + ux * gy;
                const float dy = y - ux * gx + uy * gy;
                if (!begun) {
                    sink.glyph_begin();
                    begun = true;
                }
                if (move)
                    sink.move(dx, dy);
                else
                    sink.draw(dx, dy);
            });
            if (begun) {
                sink.glyph_end();
                ++glyphs;
            }
        }
        pen += truncated(advance(c, attr.spacing, attr.char_spacing) * expansion);
    }
    return glyphs;
}

void gtext_extent(const char* string, float x, float y, const GTextAttr& attr, float box[4]) {
    constexpr int kCellTop = 140;              // capital top above the descender line
    constexpr float kEstimatedWidth = 84.0F;   // 0.8 of the cell height
    const std::size_t length = string == nullptr ? 0 : std::strlen(string);
    const int width = g.font_type == 1 ? gtext_font_width(string, attr.spacing, attr.char_spacing)
                                       : static_cast<int>(kEstimatedWidth * static_cast<float>(length));
    const float scale = attr.height / kCellHeight;
    const float left = static_cast<float>(horizontal_offset(attr.align_h, attr.expansion, width)) * scale;
    const float right = left + attr.expansion * static_cast<float>(width) * scale;
    const float bottom = static_cast<float>(vertical_offset(attr.align_v)) * scale;
    const float top = bottom + static_cast<float>(kCellTop) * scale;
    box[0] = box[2] = std::numeric_limits<float>::max();
    box[1] = box[3] = -std::numeric_limits<float>::max();
    for (const float gx : {left, right}) {
        for (const float gy : {bottom, top}) {
            const float dx = x + attr.up_y * gx + attr.up_x * gy;
            const float dy = y - attr.up_x * gx + attr.up_y * gy;
            box[0] = std::min(box[0], dx);
            box[1] = std::max(box[1], dx);
            box[2] = std::min(box[2], dy);
            box[3] = std::max(box[3], dy);
        }
    }
}

int gtext_stroke(const char* string, float x, float y) {
    if (g.font_type != 1 || string == nullptr || *string == '\0') return 0;
    const GTextAttr& attr = ginq_text_attr();
    DeviceSink sink;
    for (int shadow = 0; shadow < attr.drop; ++shadow) {
        gtext_begin(x, y, string, shadow);
        gtext_layout(string, x, y, attr, sink);
        gtext_end();
    }
    gtext_begin(x, y, string, -1);
    gtext_layout(string, x, y, attr, sink);
    gtext_end();
    return 0;
}

void gtext_register_hooks() { gset_text_hooks(&kTextHooks); }

void gks_text_reset_for_tests() { g = TextState{}; }

}  // namespace orv
