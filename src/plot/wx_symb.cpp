#include "plot/wx_symb.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/tools.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "plot/vecttool.hpp"

namespace orv {
namespace {

constexpr unsigned kLevelWarn = 64;

struct SymbolGroup {
    bool fill = false;
    std::vector<GPoint> points;
};

struct Symbol {
    char name[kWxNameSize];
    std::vector<SymbolGroup> groups;
};

struct WxState {
    std::string file;  // the open symbol file's path
    std::vector<Symbol> symbols;
};
WxState g;

// ---------------------------------------------------------------- cloud circles

GPoint on_rim(float x, float y, float radius, double degrees) {
    const double a = degrees * kDegToRad;
    return {x + radius * static_cast<float>(std::cos(a)), y + radius * static_cast<float>(std::sin(a))};
}

// The rim from one angle to another (counter-clockwise, mathematical degrees)
// in steps of at most 30 degrees, both ends included.
void add_arc(std::vector<GPoint>& out, float x, float y, float radius, double from, double to) {
    const int steps = std::max(1, static_cast<int>(std::ceil((to - from) / 30.0 - 1e-9)));
    for (int i = 0; i <= steps; ++i) out.push_back(on_rim(x, y, radius, from + (to - from) * i / steps));
}

void fill_sector(float x, float y, float radius, double from, double to) {
    std::vector<GPoint> p{{x, y}};
    add_arc(p, x, y, radius, from, to);
    gfill_area(static_cast<int>(p.size()), p.data());
}

void fill_segment(float x, float y, float radius, double from, double to) {
    std::vector<GPoint> p;
    add_arc(p, x, y, radius, from, to);
    gfill_area(static_cast<int>(p.size()), p.data());
}

void segment(float x0, float y0, float x1, float y1) {
    const GPoint p[2] = {{x0, y0}, {x1, y1}};
    gpolyline(2, p);
}

void circle(float x, float y, float radius) {
    std::array<GPoint, 13> p{};
    for (int i = 0; i <= 12; ++i) p[i] = on_rim(x, y, radius, 30.0 * i);
    gpolyline(13, p.data());
}

void letter_m(float x, float y, float radius) {
    const float d = 0.7F * radius;
    const GPoint p[5] = {{x - d, y - d}, {x - d, y + d}, {x, y}, {x + d, y + d}, {x + d, y - d}};
    gpolyline(5, p);
}

// ---------------------------------------------------------------- symbol file

bool parse_point(const char* word, GPoint* p) {
    char tail = '\0';
    float px = 0.0F;
    float py = 0.0F;
    if (std::sscanf(word, "%f,%f%c", &px, &py, &tail) != 2) return false;
    if (!std::isfinite(px) || !std::isfinite(py)) return false;
    *p = {px, py};
    return true;
}

// Reads whitespace-separated words: a name, then point words "x,y" closed by
// a word ("F..." fills the group), a "$" ends the entry.
void index_symbols(std::FILE* file) {
    char word[64];
    Symbol* current = nullptr;
    SymbolGroup group;
    bool dropped = false;
    while (std::fscanf(file, "%63s", word) == 1) {
        if (current == nullptr) {
            if (word[0] == '$') continue;
            if (g.symbols.size() >= static_cast<std::size_t>(kWxMaxEntries)) {
                MESS_print(kLevelWarn, "WX_symb_file: More than %d symbols, the rest ignored\n", kWxMaxEntries);
                return;
            }
            g.symbols.emplace_back();
            current = &g.symbols.back();
            copy_text(current->name, word);
            continue;
        }
        GPoint p{};
        if (word[0] == '$') {
            current = nullptr;
            group = SymbolGroup{};
        } else if (parse_point(word, &p)) {
            if (group.points.size() < static_cast<std::size_t>(kWxMaxPoints))
                group.points.push_back(p);
            else
                dropped = true;
        } else {
            group.fill = word[0] == 'F' || word[0] == 'f';
            if (!group.points.empty()) current->groups.push_back(std::move(group));
            group = SymbolGroup{};
        }
    }
    if (dropped) MESS_print(kLevelWarn, "WX_symb_file: Groups of more than %d points cut short\n", kWxMaxPoints);
}

bool prefix_of(const char* name, const char* text) {
    if (*name == '\0') return false;
    for (; *name != '\0'; ++name, ++text)
        if (std::tolower(static_cast<unsigned char>(*name)) != std::tolower(static_cast<unsigned char>(*text)))
            return false;
    return true;
}

}  // namespace

int WX_cloud(const char* code, float x, float y, float radius) {
    const char c = code != nullptr ? code[0] : '\0';
    switch (c) {
        case '0': case 'C': case 'b': case 'o': case 's': case 'x':
            break;
        case '1': case 'F':
            segment(x, y - radius, x, y + radius);
            break;
        case '2': case 'S':
            fill_sector(x, y, radius, 0.0, 90.0);
            break;
        case '3':
            fill_sector(x, y, radius, 0.0, 90.0);
            segment(x, y, x, y - radius);
            break;
        case '4':
            fill_sector(x, y, radius, -90.0, 90.0);
            break;
        case '5':
            fill_sector(x, y, radius, -90.0, 90.0);
            segment(x, y, x - radius, y);
            break;
        case '6': case 'B':
            fill_sector(x, y, radius, -180.0, 90.0);
            break;
        case '7':
            fill_segment(x, y, radius, -75.0, 75.0);
            fill_segment(x, y, radius, 105.0, 255.0);
            break;
        case '8': case 'O':
            fill_segment(x, y, radius, 0.0, 360.0);
            break;
        case '9': case 'X': {
            const float d = radius * static_cast<float>(std::sqrt(0.5));
            segment(x - d, y - d, x + d, y + d);
            segment(x - d, y + d, x + d, y - d);
            break;
        }
        default:
            letter_m(x, y, radius);
            break;
    }
    circle(x, y, radius);
    return 0;
}

int WX_symb_file(const char* name) {
    const char* file = name != nullptr && *name != '\0' ? name : "wx.smb";
    char path[kFileNameSize];
    FILE_add_path(orv_file_path(), file, path);
    if (!g.file.empty() && g.file == path) return -1;
    g = WxState{};
    g.file = path;  // a file that does not open is not tried again for every symbol
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) {
        MESS_print(kLevelWarn, "WX_symb_file: Unable to open file: %s\n", path);
        return -1;
    }
    index_symbols(f);
    std::fclose(f);
    return static_cast<int>(g.symbols.size());
}

int WX_symb(const char* name, float x, float y, float size) {
    if (name == nullptr) return -1;
    while (*name == ' ') ++name;
    if (*name == '\0') return -1;
    if (g.file.empty()) WX_symb_file(nullptr);
    const Symbol* found = nullptr;
    for (const Symbol& s : g.symbols)
        if (prefix_of(s.name, name)) {
            found = &s;
            break;
        }
    if (found == nullptr) return -1;
    int horizontal = 2;
    int vertical = 3;
    GPH_get_text_align(&horizontal, &vertical);
    float cx = x - (horizontal == 3 ? size : horizontal == 2 ? size / 2.0F : 0.0F);
    float cy = y - (vertical == 1 || vertical == 2 ? size : vertical == 3 ? size / 2.0F : 0.0F);
    std::vector<GPoint> p;
    for (const SymbolGroup& group : found->groups) {
        p.clear();
        for (const GPoint& q : group.points) p.push_back({cx + size * q.x, cy + size * q.y});
        const int n = static_cast<int>(p.size());
        if (group.fill && n >= 3)
            gfill_area(n, p.data());
        else
            gpolyline(n, p.data());
    }
    return 0;
}

int WX_symb_count() { return static_cast<int>(g.symbols.size()); }

void WX_reset_for_tests() { g = WxState{}; }

}  // namespace orv
