#include "plot/colors.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/tools.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"

namespace orv {
namespace {

struct ColorEntry {
    char name[kColorNameSize];
    float red;
    float green;
    float blue;
};

struct ClrState {
    std::array<ColorEntry, kMaxColors> table{};
    int count = 0;
    int fill_count = 0;
};
ClrState g;

// Colour table lines hold at most 100 characters.
constexpr int kTableLineMax = 100;
// The table keeps the names of its first entries when it is read again.
constexpr int kKeptNames = 16;
constexpr int kUsableColors = 2;

float unit(float v) { return std::clamp(std::isnan(v) ? 0.0F : v, 0.0F, 1.0F); }

bool iequal(const char* a, const char* b) { return stricmp(a, b) == 0; }

// Removes carriage returns and surrounding blanks and tabs, in place.
char* trim_blanks(char* s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t n = std::strlen(s);
    while (n > 0 && blank(s[n - 1])) s[--n] = '\0';
    std::size_t lead = 0;
    while (blank(s[lead])) ++lead;
    if (lead > 0) std::memmove(s, s + lead, n - lead + 1);
    return s;
}

int find_name(const char* name) {
    for (int i = 0; i < g.count; ++i)
        if (iequal(g.table[static_cast<std::size_t>(i)].name, name)) return i;
    return -1;
}

int nearest_color(float r, float gr, float b) {
    int best = 0;
    float best_distance = 4.0F;
    for (int i = 0; i < g.count; ++i) {
        const ColorEntry& e = g.table[static_cast<std::size_t>(i)];
        const float d = std::fabs(e.red - r) + std::fabs(e.green - gr) + std::fabs(e.blue - b);
        if (d < best_distance) {
            best_distance = d;
            best = i;
        }
    }
    return best;
}

bool all_of_class(std::string_view text, int (*test)(int)) {
    return std::all_of(text.begin(), text.end(),
                        [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// One colour line: "[index] name red green blue" or "[index] name #RRGGBB";
// false when it is neither. Whatever the scan stored stays, so a line that
// does not parse may leave the name set and the colour unchanged.
bool scan_color_line(const char* line, ColorEntry* entry) {
    const bool indexed = std::isdigit(static_cast<unsigned char>(line[0])) != 0 ||
                         ((line[0] == '-' || line[0] == '+') &&
                          std::isdigit(static_cast<unsigned char>(line[1])) != 0);
    char name[kColorNameSize] = {};
    float r = 0.0F;
    float gr = 0.0F;
    float b = 0.0F;
    int n = indexed ? std::sscanf(line, "%*d %19s %f %f %f", name, &r, &gr, &b)
                    : std::sscanf(line, "%19s %f %f %f", name, &r, &gr, &b);
    if (n >= 1) copy_text(entry->name, name);
    if (n == 4) {
        entry->red = unit(r);
        entry->green = unit(gr);
        entry->blue = unit(b);
        return true;
    }
    unsigned hr = 0;
    unsigned hg = 0;
    unsigned hb = 0;
    n = indexed ? std::sscanf(line, "%*d %19s #%2X%2X%2X", name, &hr, &hg, &hb)
                : std::sscanf(line, "%19s #%2X%2X%2X", name, &hr, &hg, &hb);
    if (n == 4) {
        entry->red = static_cast<float>(hr) / 255.0F;
        entry->green = static_cast<float>(hg) / 255.0F;
        entry->blue = static_cast<float>(hb) / 255.0F;
    }
    return n == 4;
}

// Reads a whole line into buf (kTableLineMax + 1 bytes), dropping the rest
// of a longer line; false at the end of the file.
bool read_table_line(std::FILE* file, char* buf) {
    if (std::fgets(buf, kTableLineMax + 1, file) == nullptr) return false;
    const std::size_t n = std::strlen(buf);
    if (n > 0 && buf[n - 1] == '\n') {
        buf[n - 1] = '\0';
    } else {
        int c = 0;
        while ((c = std::getc(file)) != '\n' && c != EOF) {
        }
    }
    return true;
}

struct FileCounts {
    int lines = 0;        // colour lines of the file
    int before_end = -1;  // colour lines before "END", -1 without one
    int colours = 0;      // lines that read as colours
    int bad = 0;          // lines that do not
    int first_bad = 0;    // line number of the first of them
    std::string first_bad_text;
};

FileCounts read_table_file(std::FILE* file) {
    FileCounts counts;
    char line[kTableLineMax + 1];
    int number = 0;
    while (read_table_line(file, line)) {
        ++number;
        trim_blanks(line);
        if (line[0] == '\0' || line[0] == '#') continue;
        if (iequal(line, "END")) {
            if (counts.before_end < 0) counts.before_end = counts.lines;
            continue;
        }
        ++counts.lines;
        if (g.count >= kMaxColors) continue;
        if (scan_color_line(line, &g.table[static_cast<std::size_t>(g.count)])) {
            ++counts.colours;
        } else if (counts.bad++ == 0) {
            counts.first_bad = number;
            counts.first_bad_text = line;
        }
        ++g.count;
    }
    return counts;
}

void warn_bad_lines(const char* name, const FileCounts& counts) {
    if (counts.bad == 0) return;
    MESS_print(kMessWarn, "CLR_read_table: %d line%s of %s %s not colours (line %d: %s)\n", counts.bad,
               counts.bad == 1 ? "" : "s", name, counts.bad == 1 ? "is" : "are", counts.first_bad,
               counts.first_bad_text.c_str());
}

// The colours a plot needs by name, for a run whose colour table is unusable.
struct BuiltinColor {
    const char* name;
    float red;
    float green;
    float blue;
};
constexpr BuiltinColor kBuiltinColors[] = {
    {"black", 0.0F, 0.0F, 0.0F},      {"white", 1.0F, 1.0F, 1.0F},    {"red", 1.0F, 0.0F, 0.0F},
    {"green", 0.0F, 0.8F, 0.0F},      {"blue", 0.0F, 0.0F, 1.0F},     {"yellow", 1.0F, 1.0F, 0.0F},
    {"magenta", 1.0F, 0.0F, 1.0F},    {"cyan", 0.0F, 1.0F, 1.0F},     {"brown", 0.65F, 0.42F, 0.16F},
    {"orange", 1.0F, 0.55F, 0.0F},    {"gray", 0.6F, 0.6F, 0.6F},     {"LMagenta", 1.0F, 0.6F, 1.0F},
    {"LBlue", 0.45F, 0.65F, 1.0F},    {"LCyan", 0.7F, 1.0F, 1.0F},    {"LGreen", 0.6F, 1.0F, 0.5F},
    {"LRed", 1.0F, 0.6F, 0.6F},       {"LGray", 0.8F, 0.8F, 0.8F},    {"DGray", 0.4F, 0.4F, 0.4F},
};

void use_builtin_colors() {
    g.count = 0;
    g.fill_count = 0;
    for (const BuiltinColor& c : kBuiltinColors) {
        ColorEntry& e = g.table[static_cast<std::size_t>(g.count++)];
        copy_text(e.name, c.name);
        e.red = c.red;
        e.green = c.green;
        e.blue = c.blue;
    }
}

// An empty name would be standard input to the file layer: no table.
std::FILE* open_table_file(const char* name) {
    if (*name == '\0') return nullptr;
    char path[kFileNameSize];
    FILE_add_path(orv_file_path(), name, path);
    return FILE_open(path, "r");
}

// "pblk" 500 ... "ptgry" 508.
int pattern_color(const char* text) {
    static constexpr std::array<const char*, 9> kNames = {
        "pblk", "pbblk", "ptblk", "pwht", "pbwht", "ptwht", "pgry", "pbgry", "ptgry"};
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (iequal(text, kNames[i])) return kPatternColorFirst + static_cast<int>(i);
    return -1;
}

// "#rrggbb" (hexadecimal bytes) or "#rrrgggbbb" (decimal 0..255): the index
// of the entry named by the text, added when new; -1 for other texts.
int rgb_text_color(const char* text) {
    const std::string_view digits = std::string_view(text).substr(1);
    unsigned r = 0;
    unsigned gr = 0;
    unsigned b = 0;
    if (digits.size() == 6 && all_of_class(digits, isxdigit)) {
        if (std::sscanf(digits.data(), "%2x%2x%2x", &r, &gr, &b) != 3) return -1;
    } else if (digits.size() == 9 && all_of_class(digits, isdigit)) {
        if (std::sscanf(digits.data(), "%3u%3u%3u", &r, &gr, &b) != 3) return -1;
    } else {
        return -1;
    }
    return CLR_add(text, static_cast<float>(r) / 255.0F, static_cast<float>(gr) / 255.0F,
                   static_cast<float>(b) / 255.0F);
}

int decimal_index(const char* text) {
    errno = 0;
    const long v = std::strtol(text, nullptr, 10);
    if (errno == ERANGE || v > INT_MAX) return INT_MAX;
    return static_cast<int>(v);
}

int lookup_rgb(const char* name, float* r, float* gr, float* b) {
    if (name == nullptr) return 0;
    const int i = find_name(name);
    if (i < 0) return 0;
    CLR_get_rgb(i, r, gr, b);
    return 1;
}

const GphColorHooks kGphHooks = {CLR_read_table, CLR_define_colors};

}  // namespace

int CLR_read_table(const char* list) {
    const bool from_config = list == nullptr || *list == '\0';
    if (from_config) {
        list = RES_get("color_table");
        if (list == nullptr || *list == '\0') list = "orv.clr";
    }
    char** names = nullptr;
    int count = 0;
    parse_string(list, ',', &count, &names);
    bool opened_any = false;
    int colours = 0;
    for (int k = 0; k < count; ++k) {
        const char* name = trim_blanks(names[k]);
        std::FILE* file = open_table_file(name);
        if (file == nullptr) continue;
        if (!opened_any) {
            for (int i = kKeptNames; i < kMaxColors; ++i)
                g.table[static_cast<std::size_t>(i)].name[0] = '\0';
            g.count = 0;
            g.fill_count = 0;
        }
        const FileCounts counts = read_table_file(file);
        FILE_close(file);
        warn_bad_lines(name, counts);
        colours += counts.colours;
        if (!opened_any && from_config)
            g.fill_count = counts.before_end >= 0 ? counts.before_end : std::max(0, counts.lines - 1);
        opened_any = true;
    }
    // A table of fewer than two colours draws everything in one colour or
    // none; an unreadable list keeps a usable table it had before.
    if ((opened_any && colours < kUsableColors) || (!opened_any && g.count < kUsableColors)) {
        MESS_print(kMessWarn, "CLR_read_table: no usable colour table in %s; using the built-in colours\n", list);
        use_builtin_colors();
    }
    free_parsed_array(count, names);
    return g.count;
}

int CLR_add(const char* name, float red, float green, float blue) {
    red = unit(red);
    green = unit(green);
    blue = unit(blue);
    if (g.count >= kMaxColors) return nearest_color(red, green, blue);
    const int index = g.count++;
    ColorEntry& e = g.table[static_cast<std::size_t>(index)];
    copy_text(e.name, name);
    e.red = red;
    e.green = green;
    e.blue = blue;
    if (gchk_graphics() != 0) GPH_set_color(index, red, green, blue);
    return index;
}

int CLR_get_ind(const char* name) {
    if (name == nullptr || *name == '\0') return kColorNone;
    if (iequal(name, "end")) return kColorEnd;
    if (iequal(name, "none") || iequal(name, "off") || iequal(name, "back")) return kColorNone;
    if (const int p = pattern_color(name); p >= 0) return p;
    if (const int i = find_name(name); i >= 0) return i;
    if (name[0] == '#') {
        if (const int i = rgb_text_color(name); i >= 0) return i;
    }
    if (std::isdigit(static_cast<unsigned char>(name[0])) != 0) return decimal_index(name);
    return kColorNone;
}

const char* CLR_get_name(int i) {
    if (g.count == 0 || i < 0) return "";
    return g.table[static_cast<std::size_t>(std::min(i, g.count - 1))].name;
}

int CLR_get_rgb(int i, float* red, float* green, float* blue) {
    ColorEntry black{};
    const ColorEntry& e =
        (g.count == 0 || i < 0) ? black : g.table[static_cast<std::size_t>(std::min(i, g.count - 1))];
    if (red != nullptr) *red = e.red;
    if (green != nullptr) *green = e.green;
    if (blue != nullptr) *blue = e.blue;
    return (g.count == 0 || i < 0) ? -1 : 0;
}

int CLR_get_num() { return g.count; }
int CLR_get_num_fill() { return g.fill_count; }

void CLR_clear_table() {
    g.count = 0;
    g.fill_count = 0;
    for (ColorEntry& e : g.table) e.name[0] = '\0';
}

int CLR_define_colors() {
    for (int i = 0; i < g.count; ++i) {
        const ColorEntry& e = g.table[static_cast<std::size_t>(i)];
        GPH_set_color(i, e.red, e.green, e.blue);
    }
    return g.count;
}

void CLR_register_hooks() {
    GPH_set_color_hooks(&kGphHooks);
    gset_color_lookup(lookup_rgb);
}

void CLR_reset_for_tests() { g = ClrState{}; }

// --- attribute records ------------------------------------------------------

namespace {

float to_float(const char* text) { return static_cast<float>(std::atof(text)); }
int to_int(const char* text) { return std::atoi(text); }

int parse_style(const char* text) {
    static constexpr std::array<const char*, 5> kStyles = {"sol", "dsh", "lsdsh", "llsdsh", "dot"};
    for (std::size_t i = 0; i < kStyles.size(); ++i)
        if (iequal(text, kStyles[i])) return static_cast<int>(i) + 1;
    return to_int(text);
}

// A keyed field ("wi=2"); false when the field has none of the keys.
bool parse_keyed_field(const char* field, AttribRecord* r) {
    auto key = [field](const char* k) { return strnicmp(field, k, 3) == 0; };
    const char* value = field + 3;
    if (key("co=")) {
        r->color = CLR_get_ind(value);
    } else if (key("wi=")) {
        r->width = to_float(value);
    } else if (key("st=")) {
        r->style = parse_style(value);
    } else if (key("fo=")) {
        r->font = gget_font_index(value);
    } else if (key("fi=") || key("fp=")) {
        r->fill = ATTR_parse_fill_pat(value);
    } else if (key("sc=") || key("hi=")) {
        r->height = to_float(value);
    } else if (key("te=")) {
        r->expansion = to_float(value);
    } else {
        return false;
    }
    return true;
}

// A field named by its first letter with the value behind it ("w3").
void parse_letter_field(const char* field, AttribRecord* r) {
    const char* value = field + 1;
    switch (std::tolower(static_cast<unsigned char>(field[0]))) {
    case 'e': r->expansion = to_float(value); break;
    case 'f': r->fill = (value[0] == 'M') ? kMissing : to_int(value); break;
    case 'h': r->height = to_float(value); break;
    case 's': r->style = to_int(value); break;
    case 't': r->font = to_int(value); break;
    case 'w': r->width = to_float(value); break;
    default: break;
    }
}

}  // namespace

void ATTRIB_init(AttribRecord* record) {
    if (record == nullptr) return;
    *record = AttribRecord{kMissing, kMissingF, kMissingF, kMissingF, kMissing, kMissing, kMissing};
}

int ATTRIB_parse(const char* text, AttribRecord* record) {
    if (text == nullptr || record == nullptr) return 0;
    char** fields = nullptr;
    int count = 0;
    parse_string(text, ':', &count, &fields);
    for (int k = 0; k < count; ++k) {
        const char* field = trim_blanks(fields[k]);
        if (k == 0 && field[0] != '\0' && std::strchr(field, '=') == nullptr) {
            record->color = CLR_get_ind(field);
            continue;
        }
        if (field[0] == '\0') continue;
        if (!parse_keyed_field(field, record)) parse_letter_field(field, record);
    }
    free_parsed_array(count, fields);
    return 0;
}

int ATTRIB_get(const char* resource, const char* default_text, AttribRecord* record) {
    ATTRIB_parse(default_text, record);
    const char* value = resource != nullptr ? RES_get(resource) : nullptr;
    if (value == nullptr) return 0;
    ATTRIB_parse(value, record);
    return 1;
}

void ATTRIB_update(AttribRecord* target, const AttribRecord* source) {
    if (target == nullptr || source == nullptr) return;
    if (!is_missing(source->color)) target->color = source->color;
    if (!is_missing(source->width)) target->width = source->width;
    if (!is_missing(source->height)) target->height = source->height;
    if (!is_missing(source->expansion)) target->expansion = source->expansion;
    if (!is_missing(source->style)) target->style = source->style;
    if (!is_missing(source->fill)) target->fill = source->fill;
    if (!is_missing(source->font)) target->font = source->font;
}

void ATTRIB_print(const AttribRecord* record) {
    if (record == nullptr) return;
    MESS_print(kMessMess, "Color: %d\n", record->color);
    MESS_print(kMessMess, "Style: %d\n", record->style);
    MESS_print(kMessMess, "Height: %5.2f\n", static_cast<double>(record->height));
    MESS_print(kMessMess, "Width: %5.2f\n", static_cast<double>(record->width));
    MESS_print(kMessMess, "Expansion: %5.2f\n", static_cast<double>(record->expansion));
    MESS_print(kMessMess, "Fill: %d\n", record->fill);
    MESS_print(kMessMess, "Font: %d\n", record->font);
}

int ATTR_parse_fill_pat(const char* text) {
    struct Name {
        const char* name;
        int pattern;
    };
    static constexpr std::array<Name, 17> kPatterns = {{
        {"sol", 0}, {"st", 1}, {"ost", 2}, {"rst", 3}, {"lst", 4},
        {"vln", 5}, {"||", 5}, {"dlr", 6}, {"\\\\", 6}, {"drl", 7},
        {"//", 7}, {"hln", 8}, {"--", 8}, {"hat", 9}, {"XX", 9},
        {"clr", 10}, {"0%", 10},
    }};
    if (text == nullptr) return 0;
    for (const Name& p : kPatterns)
        if (iequal(text, p.name)) return p.pattern;
    if (std::strlen(text) == 2 && text[0] >= '1' && text[0] <= '9' && text[1] == '%')
        return 10 + (text[0] - '0');
    return to_int(text);
}

int ATTR_parse_marker(const char* text) {
    struct Prefix {
        const char* prefix;
        int marker;
    };
    static constexpr std::array<Prefix, 18> kMarkers = {{
        {"pnt", 1}, {".", 1}, {"plus", 2}, {"+", 2}, {"star", 3}, {"*", 3},
        {"crcl", 4}, {"circle", 4}, {"o", 4}, {"x", 5}, {"sqr", 6}, {"square", 6},
        {"#", 6}, {"tri", 7}, {"^", 7}, {"itri", 9}, {"v", 9}, {"dot", 8},
    }};
    if (text == nullptr) return 0;
    for (const Prefix& p : kMarkers)
        if (strnicmp(text, p.prefix, std::strlen(p.prefix)) == 0) return p.marker;
    return to_int(text);
}

}  // namespace orv
