// Contouring: settings, levels and fill lists, drawing through the graphics
// kernel, contour labels, extremum marks and the colour bar.
#include "plot/cont.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/menu.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"
#include "core/tools.hpp"
#include "core/var_tool.hpp"
#include "geo/map.hpp"
#include "geo/maptran.hpp"
#include "geo/region.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "plot/colors.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

constexpr float kUnset = kMissingF;
constexpr int kMaxBarLevels = 200;
constexpr int kLevelFileLine = 80;
// Levels beyond this are not drawn: the walk would never end.
constexpr int kMaxComputedLevels = 100000;

const char* const kDefaultFill[] = {"Magenta", "LMagenta", "Blue", "LBlue",  "Cyan",
                                    "LCyan",   "Green",    "LGreen", "Brown", "Yellow",
                                    "Red",     "LRed",     "DGray",  "LGray", "White"};

// The box of a label or mark in world coordinates, a fifth of the text
// height wider than the text on every side.
struct LabelBox {
    float x0, x1, y0, y1;
    bool overlaps(const LabelBox& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
    LabelBox joined(const LabelBox& o) const {
        return {std::min(x0, o.x0), std::max(x1, o.x1), std::min(y0, o.y0), std::max(y1, o.y1)};
    }
};

struct ContState {
    int type = kMissing;
    float interval = kUnset;
    float base = kUnset;
    char format[100] = "";
    char value_format[10] = "";
    float levels[kContMaxLevels + 1] = {kUnset};
    char labels[kContMaxLevels][kContLabelSize] = {};
    AttribRecord fill[kContMaxLevels + 1] = {};
    int num_colors = kMissing;
    int fill_set = 0;
    float scale = 1.0F;
    int dash = 0;
    int over = 0;
    float min_cut = kUnset;
    float max_cut = kUnset;
    float grid_min = kUnset;
    float grid_max = kUnset;
    float lowest = kUnset;
    float highest = kUnset;
    float color_base = kUnset;
    int num_levels = 0;
    int label_skip = 2;
    int radius = 2;
    int col_skip = 1;
    int row_skip = 1;
    int label_cols = kMissing;
    int label_rows = kMissing;
    int fill_pat = kMissing;
    float off_x = 0.0F;
    float off_y = 0.0F;
    int rotated = 0;
    int max_lines = -2;
    int map_under = 0;
    int draw_grid = 0;
    int bar = 0;
    float bar_max = kUnset;
    float bar_min = kUnset;
    const float* xs = nullptr;
    const float* ys = nullptr;
    float plot_height = 1.0F;
    bool contoured = false;
    // Colour bar geometry for the interaction.
    float bar_left = 0.0F;
    float bar_right = 0.0F;
    float bar_bottom = 0.0F;
    float bar_top = 0.0F;
    float box_width = 0.0F;
    int bar_levels = 0;
    float bar_lowest = 0.0F;
    float bar_interval = 0.0F;
    bool bar_list = false;
    int full_labels = 0;
    // Drawing state of the current band.
    int band_color = 1;
    // Labels and marks keep apart: each one drawn leaves its box here, and a
    // later one that would overlap a box is left out.
    std::vector<LabelBox> placed;
};
ContState g;

bool unset(float v) { return is_missing(v); }
bool unset(int v) { return is_missing(v); }

int list_count() {
    int n = 0;
    while (n < kContMaxLevels && !unset(g.levels[n])) ++n;
    return n;
}

bool has_list() { return !unset(g.levels[0]); }

int colors() { return g.num_colors > 0 ? g.num_colors : 1; }

bool starts_with_nocase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

std::string trim(std::string s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

const char* text_default() { return gget_inverse() != 0 ? "black" : "white"; }

// Splits the ".la=" label off an entry; returns the attribute text.
std::string take_label(const std::string& text, std::string* label) {
    std::string out;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(':', pos);
        if (end == std::string::npos) end = text.size();
        const std::string field = text.substr(pos, end - pos);
        if (starts_with_nocase(trim(field).c_str(), "la=")) {
            *label = trim(field).substr(3);
        } else {
            if (!out.empty()) out += ':';
            out += field;
        }
        pos = end + 1;
    }
    return out;
}

bool begins_with_number(const std::string& s) {
    if (s.empty()) return false;
    size_t k = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (k < s.size() && s[k] == '.') ++k;
    return k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])) != 0;
}

struct FillEntry {
    AttribRecord attr;
    float level = kUnset;
    std::string label;
};

void decode_entry(const std::string& raw, std::vector<FillEntry>* out) {
    const std::string entry = trim(raw);
    if (entry.empty()) return;
    const size_t colon = entry.find(':');
    const size_t dash = entry.find('-');
    if (begins_with_number(entry) && colon != std::string::npos) {
        FillEntry e;
        ATTRIB_init(&e.attr);
        e.level = std::strtof(entry.c_str(), nullptr);
        e.label = trim(entry.substr(0, colon));
        ATTRIB_parse(take_label(entry.substr(colon + 1), &e.label).c_str(), &e.attr);
        out->push_back(e);
        return;
    }
    if (entry[0] != '-' && dash != std::string::npos) {
        AttribRecord a;
        AttribRecord b;
        ATTRIB_init(&a);
        ATTRIB_init(&b);
        ATTRIB_parse(entry.substr(0, dash).c_str(), &a);
        ATTRIB_parse(entry.substr(dash + 1).c_str(), &b);
        if (a.color < 0 || b.color < 0) {
            out->push_back({a, kUnset, ""});
            return;
        }
        const int step = b.color >= a.color ? 1 : -1;
        for (int c = a.color; out->size() <= kContMaxLevels; c += step) {
            FillEntry e{a, kUnset, ""};
            e.attr.color = c;
            out->push_back(e);
            if (c == b.color) break;
        }
        return;
    }
    FillEntry e;
    ATTRIB_init(&e.attr);
    ATTRIB_parse(take_label(entry, &e.label).c_str(), &e.attr);
    out->push_back(e);
}

// The entries of a level file; false when it cannot be opened.
bool read_level_file(const std::string& name, std::vector<std::string>* lines) {
    char path[kFileNameSize];
    if (name.find('/') != std::string::npos || FILE_exist(name.c_str()) != 0) {
        copy_text(path, name.c_str());
    } else {
        FILE_add_path(orv_file_path(), name.c_str(), path, sizeof path);
    }
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    char buf[kLevelFileLine + 1];
    int rc = 0;
    while ((rc = fgetstring(file, buf, kLevelFileLine)) != EOF) {
        const std::string line = trim(buf);
        if (rc == 0 || line.empty() || line[0] == '#' || line[0] == '@') continue;
        lines->push_back(line);
    }
    std::fclose(file);
    return true;
}

// Levels missing between two given ones follow the straight line through
// them; trailing ones continue the last step.
void interpolate_levels(std::vector<FillEntry>* entries) {
    auto& e = *entries;
    const int n = static_cast<int>(e.size());
    int prev = 0;
    for (int i = 1; i < n; ++i) {
        if (unset(e[i].level)) continue;
        for (int k = prev + 1; k < i; ++k) {
            e[k].level = static_cast<float>(k - prev) * (e[i].level - e[prev].level) / static_cast<float>(i - prev) +
                         e[prev].level;
        }
        prev = i;
    }
    if (prev == 0 || prev == n - 1) return;
    int before = prev - 1;
    while (before > 0 && unset(e[before].level)) --before;
    const float step = (e[prev].level - e[before].level) / static_cast<float>(prev - before);
    for (int k = prev + 1; k < n; ++k) e[k].level = e[prev].level + step * static_cast<float>(k - prev);
}

void store_fill_entries(std::vector<FillEntry>& entries) {
    if (entries.size() > kContMaxLevels) entries.resize(kContMaxLevels);
    const bool levelled = !entries.empty() && !unset(entries[0].level);
    if (levelled) interpolate_levels(&entries);
    const int n = static_cast<int>(entries.size());
    for (int i = 0; i < kContMaxLevels; ++i) g.labels[i][0] = '\0';
    g.levels[0] = kUnset;
    for (int i = 0; i < n; ++i) {
        g.fill[i] = entries[i].attr;
        copy_text(g.labels[i], entries[i].label.c_str());
        g.levels[i] = levelled ? entries[i].level : kUnset;
    }
    g.levels[levelled ? n : 0] = kUnset;
    ATTRIB_init(&g.fill[n]);
    g.fill[n].color = kColorEnd;
    g.num_colors = std::max(n, 1);
    if (n == 0) {
        ATTRIB_init(&g.fill[0]);
        g.fill[0].color = 1;
    }
    if (levelled) {
        g.num_levels = n;
        if (n > 1) g.interval = g.levels[1] - g.levels[0];
        g.grid_min = g.levels[0];
        g.grid_max = g.levels[n - 1];
    }
}

void store_fill_list(const std::vector<std::string>& items) {
    std::vector<FillEntry> entries;
    for (const std::string& item : items) {
        if (entries.size() >= kContMaxLevels) break;
        decode_entry(item, &entries);
    }
    store_fill_entries(entries);
}

// The colour table's fill colours, or else the default list; no levels.
int set_default_fill() {
    const int n = std::min(CLR_get_num_fill(), kContMaxLevels);
    if (n <= 0) {
        store_fill_list(std::vector<std::string>(std::begin(kDefaultFill), std::end(kDefaultFill)));
        return g.num_colors;
    }
    for (int i = 0; i < n; ++i) {
        ATTRIB_init(&g.fill[i]);
        g.fill[i].color = i;
    }
    ATTRIB_init(&g.fill[n]);
    g.fill[n].color = kColorEnd;
    g.num_colors = n;
    g.levels[0] = kUnset;
    return n;
}

float parse_float(const char* text) { return std::strtof(text, nullptr); }

// A value format prints one float: "%", flags, width, precision and one of
// e, f or g, then plain text. Anything else could read past the argument.
bool is_value_format(const char* f) {
    if (*f++ != '%') return false;
    while (*f != '\0' && std::strchr("-+ #0", *f) != nullptr) ++f;
    while (std::isdigit(static_cast<unsigned char>(*f)) != 0) ++f;
    if (*f == '.') {
        ++f;
        while (std::isdigit(static_cast<unsigned char>(*f)) != 0) ++f;
    }
    if (*f == '\0' || std::strchr("eEfFgG", *f) == nullptr) return false;
    return std::strchr(f + 1, '%') == nullptr;
}

void decode_lab(const char* text, char sep) {
    std::vector<int> v;
    const char* p = text;
    while (*p != '\0' && v.size() < 4) {
        char* end = nullptr;
        v.push_back(static_cast<int>(std::strtol(p, &end, 10)));
        if (end == p) break;
        p = end;
        if (*p != sep) break;
        ++p;
    }
    if (v.empty()) return;
    if (v.size() == 1) {
        g.label_skip = v[0] / 10;
        g.radius = v[0] % 10;
        return;
    }
    g.label_skip = v[0];
    g.radius = v[1];
    if (v.size() == 3) g.label_cols = g.label_rows = v[2];
    if (v.size() == 4) {
        g.label_cols = v[2];
        g.label_rows = v[3];
    }
}

float plot_height_for(const ContGrid* grid) {
    if (grid != nullptr && (grid->x == nullptr && g.xs == nullptr)) return static_cast<float>(grid->ny - 1);
    const float v = MAP_get_vert();
    return v > 0.0F ? v : 1.0F;
}

void grid_range(const ContGrid* grid, float* max, float* min) {
    *max = kUnset;
    *min = kUnset;
    if (grid == nullptr || grid->values == nullptr) return;
    bool any = false;
    for (int k = 0; k < grid->nx * grid->ny; ++k) {
        const float v = grid->values[k];
        if (unset(v) || !std::isfinite(v)) continue;
        if (!any || v > *max) *max = v;
        if (!any || v < *min) *min = v;
        any = true;
    }
}

ContField field_of(const ContGrid* grid) {
    ContField f;
    f.nx = grid->nx;
    f.ny = grid->ny;
    f.z = grid->values;
    f.x = grid->x != nullptr ? grid->x : g.xs;
    f.y = grid->y != nullptr ? grid->y : g.ys;
    return f;
}

GPoint point_of(const ContField& f, int i, int row) {
    const int k = row * f.nx + i;
    if (f.x != nullptr && f.y != nullptr) return {f.x[k], f.y[k]};
    return {static_cast<float>(i), static_cast<float>(f.ny - 1 - row)};
}

AttribRecord contour_attr() {
    AttribRecord a;
    ATTRIB_init(&a);
    ATTRIB_get("color_cont", text_default(), &a);
    CONT_format_decode_attrib(g.format, &a);
    if (!unset(g.fill_pat)) a.fill = g.fill_pat;
    return a;
}

int busy_limit() {
    if (g.max_lines == 0) return 10000;
    if (g.max_lines > 0) return g.max_lines;
    return -g.max_lines * colors();
}

bool is_fill_type(int type) { return type == 15 || type == 16; }

GPoint side_point(const GPoint* pos, int side, float f) {
    constexpr int from[4] = {0, 0, 2, 1};
    constexpr int to[4] = {1, 2, 3, 3};
    ContWrap wrap;
    wrap.proj = MAP_get_proj();
    return cont_int_xy(wrap, pos[from[side]], pos[to[side]], f);
}

// Draws traced pieces with the band and line attributes of their colour slot.
class GraphicsSink : public ContSink {
public:
    explicit GraphicsSink(const AttribRecord& cont) : cont_(cont) {}

    void segment(int color, float level, GPoint a, GPoint b) override {
        const AttribRecord& band = g.fill[std::clamp(color, 0, kContMaxLevels - 1)];
        if (band.color == kColorNone) return;
        if (color != line_slot_) set_line(color, level);
        const GPoint pts[2] = {a, b};
        gpolyline(2, pts);
    }

    void polygon(int color, float, int n, const GPoint* pts) override {
        const AttribRecord& band = g.fill[std::clamp(color, 0, kContMaxLevels - 1)];
        if (band.color == kColorNone) return;
        if (color != fill_slot_) {
            fill_slot_ = color;
            gset_fill_colr_ind(band.color);
            const int pattern = !unset(band.fill) && band.fill != 0 ? band.fill : cont_.fill;
            if (unset(pattern) || pattern <= 0) {
                gset_fill_int_style(1);
            } else {
                gset_fill_int_style(2);
                gset_fill_style_ind(pattern);
            }
        }
        gfill_area(n, pts);
    }

private:
    void set_line(int color, float level) {
        const AttribRecord& band = g.fill[std::clamp(color, 0, kContMaxLevels - 1)];
        line_slot_ = color;
        // The dash of negative values depends on the level, not only the slot.
        if (g.dash == -1) line_slot_ = -1;
        gset_line_colr_ind(cont_.color == kColorNone ? band.color : cont_.color);
        int style = band.style;
        if (unset(style)) {
            const int own = cont_.style;
            if (g.dash == 1) {
                style = unset(own) ? 2 : own;
            } else if (g.dash == -1) {
                const float ref = unset(g.base) ? 0.0F : g.base;
                style = !unset(own) ? own : (level < ref ? 2 : 1);
            } else {
                style = unset(own) ? 1 : own;
            }
        }
        gset_linetype(style);
        gset_linewidth(!unset(band.width) ? band.width : (!unset(cont_.width) ? cont_.width : 0.0F));
    }

    AttribRecord cont_;
    int line_slot_ = -2;
    int fill_slot_ = -2;
};

// Numbers of one field or one bar share one format: a fixed number of
// decimals, chosen once.
constexpr int kMaxDecimals = 6;

// The value with the given decimals; a value that rounds to zero has no sign.
void format_fixed(char* out, int decimals, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, kMaxDecimals), value);
    const char* digits = text;
    if (text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1)) ++digits;
    strntcpy(out, digits, kSetNumSize);
}

// The fewest decimals whose texts tell the values apart and show each value
// as it is (to a thousandth of the smallest step); failing that, the fewest
// that tell them apart.
int decimals_apart(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    double step = 0.0;
    for (std::size_t k = 1; k < values.size(); ++k) {
        const double d = values[k] - values[k - 1];
        if (step == 0.0 || d < step) step = d;
    }
    int apart = -1;
    for (int d = 0; d <= kMaxDecimals; ++d) {
        bool distinct = true;
        bool exact = true;
        char previous[kSetNumSize] = "";
        for (const double v : values) {
            char text[kSetNumSize];
            format_fixed(text, d, v);
            if (std::strcmp(text, previous) == 0) distinct = false;
            const double tolerance = std::max(step * 1e-3, std::fabs(v) * 1e-6);
            if (std::fabs(std::strtod(text, nullptr) - v) > tolerance) exact = false;
            copy_text(previous, text);
        }
        if (distinct && exact) return d;
        if (distinct && apart < 0) apart = d;
    }
    return apart < 0 ? kMaxDecimals : apart;
}

// Decimals that give the field's largest magnitude the given significant
// digits; every value of the field is then written with them.
int field_decimals(const float* values, int count, int digits) {
    if (values == nullptr) return 0;
    float largest = 0.0F;
    for (int k = 0; k < count; ++k) {
        const float v = values[k];
        if (!unset(v) && std::isfinite(v)) largest = std::max(largest, std::fabs(v));
    }
    if (largest < 1e-5F) return 0;
    const int e = static_cast<int>(std::floor(std::log10(largest)));
    return std::clamp(digits - e - 1, 0, kMaxDecimals);
}

// The contour levels: the list, or the computed levels with the edge after
// the last band.
std::vector<double> level_values() {
    std::vector<double> values;
    if (has_list()) {
        for (int k = 0; k < list_count(); ++k) values.push_back(g.levels[k]);
    } else if (g.interval > 0.0F && !unset(g.lowest)) {
        for (int k = 0; k <= std::min(g.num_levels, kMaxBarLevels); ++k)
            values.push_back(static_cast<double>(g.lowest) + k * static_cast<double>(g.interval));
    }
    return values;
}


LabelBox text_box(const char* text, float x, float y) {
    const GTextAttr& attr = ginq_text_attr();
    float b[4];
    gtext_extent(text, x, y, attr, b);
    const float margin = 0.2F * attr.height;
    return {b[0] - margin, b[1] + margin, b[2] - margin, b[3] + margin};
}

bool box_is_free(const LabelBox& box) {
    return std::none_of(g.placed.begin(), g.placed.end(), [&](const LabelBox& b) { return b.overlaps(box); });
}

// A label cut by the edge of the map window is unreadable.
bool inside_window(const LabelBox& box) {
    float win[4];
    if (GPH_get_win(2, win) != 0) return true;
    return box.x0 >= std::min(win[0], win[1]) && box.x1 <= std::max(win[0], win[1]) &&
           box.y0 >= std::min(win[2], win[3]) && box.y1 <= std::max(win[2], win[3]);
}

// Relative luminance of a colour of the table (0 black .. 1 white).
double luminance(int color) {
    float rgb[3] = {0.0F, 0.0F, 0.0F};
    CLR_get_rgb(color, &rgb[0], &rgb[1], &rgb[2]);
    double sum = 0.0;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int c = 0; c < 3; ++c) {
        const double v = std::clamp(static_cast<double>(rgb[c]), 0.0, 1.0);
        sum += weights[c] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return sum;
}

double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// The darkest and the lightest colour of the table.
void extreme_colors(int* darkest, int* lightest) {
    *darkest = 0;
    *lightest = 0;
    for (int k = 1; k < CLR_get_num(); ++k) {
        if (luminance(k) < luminance(*darkest)) *darkest = k;
        if (luminance(k) > luminance(*lightest)) *lightest = k;
    }
}

// A label stands on a box that keeps the lines under it off its digits.
// Over colour fills the box has the band colour under the label, and the
// text takes the label colour when that reads well on the band, else the
// darkest or the lightest colour of the table, whichever reads better.
// Over line contours the box has the background's colour.
void ground_label(const LabelBox& box, float value, int text_color) {
    int darkest = 0;
    int lightest = 0;
    extreme_colors(&darkest, &lightest);
    const bool fills = is_fill_type(g.type);
    AttribRecord ground;
    ATTRIB_init(&ground);
    ground.fill = 0;
    if (fills) {
        CONT_get_fill_attrib(&ground, value);
        if (!unset(g.fill_pat)) ground.fill = g.fill_pat;
    } else {
        ground.color = gget_inverse() != 0 ? lightest : darkest;
    }
    double ground_luminance = gget_inverse() != 0 ? 1.0 : 0.0;
    if (ground.color >= 0 && ground.color < kMaxColors) {
        GPH_fill_attr(&ground);
        const GPoint corners[5] = {{box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}, {box.x0, box.y0}};
        gfill_area(5, corners);
        ground_luminance = luminance(ground.color);
    }
    if (!fills) return;
    constexpr double kReadable = 4.5;
    int color = text_color;
    if (color < 0 || color >= kMaxColors || contrast(luminance(color), ground_luminance) < kReadable) {
        color = contrast(luminance(darkest), ground_luminance) >= contrast(luminance(lightest), ground_luminance)
                    ? darkest
                    : lightest;
    }
    gset_text_colr_ind(color);
}

void draw_values(const ContGrid* grid) {
    AttribRecord text;
    ATTRIB_init(&text);
    ATTRIB_get("color_label", text_default(), &text);
    if (text.color == kColorNone) return;
    const ContField f = field_of(grid);
    const float h = 0.015F * g.plot_height * g.scale;
    GPH_text_attr(&text, h);
    GPH_text_align(g.off_x < 0 ? 3 : (g.off_x > 0 ? 1 : 2), 3);
    const bool colored = !unset(g.interval) || has_list();
    const int decimals = field_decimals(grid->values, grid->nx * grid->ny, 2);
    const int cskip = std::max(g.col_skip, 1);
    const int rskip = std::max(g.row_skip, 1);
    for (int row = 0; row < f.ny; row += rskip) {
        for (int i = 0; i < f.nx; i += cskip) {
            const float v = f.z[row * f.nx + i];
            const GPoint p = point_of(f, i, row);
            if (unset(v) || unset(p.x) || unset(p.y)) continue;
            if (colored) {
                AttribRecord a;
                CONT_get_fill_attrib(&a, v);
                if (a.color >= 0) gset_text_colr_ind(a.color);
            }
            char out[32];
            if (g.value_format[0] == '%') {
                std::snprintf(out, 31, g.value_format, static_cast<double>(v));
            } else {
                format_fixed(out, decimals, v);
            }
            gtext(p.x + g.off_x * g.plot_height, p.y + g.off_y * g.plot_height, out);
        }
    }
}

// The attribute of labels and marks; false when they are switched off.
bool label_attr(AttribRecord* out, bool for_marks) {
    AttribRecord over_fill;
    ATTRIB_init(&over_fill);
    ATTRIB_get("color_clabel", "black", &over_fill);
    if (over_fill.color == kColorNone) return false;
    if (is_fill_type(g.type)) {
        *out = over_fill;
        return true;
    }
    const char* cont = RES_get("color_cont");
    const bool cont_usable = cont != nullptr && *cont != '\0' && !starts_with_nocase(cont, "off");
    ATTRIB_init(out);
    ATTRIB_get("color_label", cont_usable ? cont : text_default(), out);
    if (!for_marks) CONT_format_decode_attrib(g.format, out);
    return out->color != kColorNone;
}

// Diagnosis of one cell named by the "gridloc" environment variable
// ("column,row", the row counted from the bottom): its corners and levels.
void print_grid_point(const ContGrid* grid) {
    const char* loc = std::getenv("gridloc");
    int i = 0;
    int j = 0;
    if (loc == nullptr || std::sscanf(loc, "%d,%d", &i, &j) != 2) return;
    if (i < 0 || j < 0 || i + 1 >= grid->nx || j + 1 >= grid->ny) return;
    const int bottom = grid->ny - 1 - j;
    const float* v = grid->values;
    MESS_print(kMessPrint, "GRIDPOINT: %f %f %f %f\n", static_cast<double>(v[bottom * grid->nx + i]),
               static_cast<double>(v[bottom * grid->nx + i + 1]), static_cast<double>(v[(bottom - 1) * grid->nx + i]),
               static_cast<double>(v[(bottom - 1) * grid->nx + i + 1]));
    const ContLevels l = CONT_get_levels();
    for (int k = 0; k < l.count && k < kContMaxLevels; ++k) {
        const double level = l.list != nullptr ? l.list[k] : l.lowest + k * static_cast<double>(l.interval);
        MESS_print(kMessPrint, "LEVEL %d: %f\n", k, level);
    }
}

// ---- the area the analysis left without values ----

// Fills the pieces it is given in the current fill colour.
class AreaSink : public ContSink {
public:
    void segment(int, float, GPoint, GPoint) override {}
    void polygon(int, float, int n, const GPoint* pts) override { gfill_area(n, pts); }
};

enum class CellKind { complete, missing, unplaced };

CellKind cell_kind(const ContField& f, int i, int top_row) {
    bool missing = false;
    for (int row : {top_row, top_row + 1}) {
        for (int c : {i, i + 1}) {
            const int k = row * f.nx + c;
            if (f.x != nullptr && f.y != nullptr && (unset(f.x[k]) || unset(f.y[k]))) return CellKind::unplaced;
            missing = missing || unset(f.z[k]) || !std::isfinite(f.z[k]);
        }
    }
    return missing ? CellKind::missing : CellKind::complete;
}

// The cells the tracer leaves out (a corner without a value) are drawn in a
// light neutral colour ("color_miss"), one outline per run of them along a
// row, so that the edge of the analysed area follows the cells and no
// paper shows through inside the map.
void draw_missing_cells(const ContField& f, const ContWrap& wrap) {
    AttribRecord a;
    ATTRIB_init(&a);
    ATTRIB_get("color_miss", "LGray", &a);
    if (a.color == kColorNone || f.z == nullptr) return;
    gset_fill_colr_ind(a.color);
    gset_fill_int_style(1);
    AreaSink area;
    ContWrapSink sink(wrap, area);
    std::vector<GPoint> outline;
    for (int row = 0; row + 1 < f.ny; ++row) {
        for (int i = 0; i + 1 < f.nx;) {
            if (cell_kind(f, i, row) != CellKind::missing) {
                ++i;
                continue;
            }
            int end = i;
            while (end + 2 < f.nx && cell_kind(f, end + 1, row) == CellKind::missing) ++end;
            outline.clear();
            for (int c = i; c <= end + 1; ++c) outline.push_back(point_of(f, c, row + 1));
            for (int c = end + 1; c >= i; --c) outline.push_back(point_of(f, c, row));
            outline.push_back(outline.front());
            sink.polygon(0, 0.0F, static_cast<int>(outline.size()), outline.data());
            i = end + 1;
        }
    }
}

}  // namespace

void CONT_init() {
    const float* xs = g.xs;
    const float* ys = g.ys;
    g = ContState{};
    for (auto& a : g.fill) ATTRIB_init(&a);
    g.xs = xs;
    g.ys = ys;
}

void CONT_grid(const float* x, const float* y) {
    g.xs = x;
    g.ys = y;
}
void CONT_draw_grid(int flag) { g.draw_grid = flag; }
void CONT_set_bar(int flag) { g.bar = flag; }
int CONT_get_bar() { return g.bar; }
void CONT_set_scale(float scale) { g.scale = scale > 0.0F ? scale : 1.0F; }
void CONT_set_skip(int columns, int rows) {
    g.col_skip = columns;
    g.row_skip = rows;
}
void CONT_set_plot_offset(float x, float y) {
    g.off_x = x;
    g.off_y = y;
}
void CONT_set_fill_pat(int pattern) { g.fill_pat = pattern; }
int CONT_get_fill_pat() { return g.fill_pat; }
void CONT_reset_fill_set() { g.fill_set = 0; }
int CONT_get_num_cont() { return g.num_levels; }
void CONT_set_dash(int mode) { g.dash = mode; }
void CONT_set_intrvl(float interval) { g.interval = interval; }
float CONT_get_intrvl() { return g.interval; }
void CONT_set_range(float max, float min) {
    g.grid_max = max;
    g.grid_min = min;
}
void CONT_set_bar_range(float max, float min) {
    g.bar_max = max;
    g.bar_min = min;
}
void CONT_set_cutoff(float max, float min) {
    if (!unset(max)) g.max_cut = max;
    if (!unset(min)) g.min_cut = min;
}
void CONT_set_type(int type) { g.type = type == 52 ? 15 : type; }
int CONT_get_type() { return g.type; }
void CONT_set_label_type(int skip, int radius) {
    g.label_skip = skip;
    g.radius = radius;
}
void CONT_set_over(int overlay) { g.over = overlay; }
void CONT_set_label_space(int columns, int rows) {
    g.label_cols = columns;
    g.label_rows = rows;
}
void CONT_set_base(float base) { g.base = base; }
float CONT_get_base() { return g.base; }
void CONT_set_max_lines(int limit) { g.max_lines = limit; }
int CONT_get_map_under() { return g.map_under; }
void CONT_set_full_labels(int flag) { g.full_labels = flag; }

void CONT_set_format(int type, const char* format) {
    copy_text(g.format, format);
    switch (type) {
        case 13:
            g.type = 12;
            g.dash = 1;
            break;
        case 14:
            g.type = 12;
            g.dash = -1;
            break;
        case 12:
        case 15:
        case 16:
        case 17:
            g.type = type;
            break;
        default:
            break;
    }
}

int CONT_set_values(const float* levels, int n) {
    if (g.fill_set != 0) return -1;
    int count = 0;
    while (levels != nullptr && count < std::min(n, kContMaxLevels) && !unset(levels[count])) {
        g.levels[count] = levels[count];
        ++count;
    }
    g.levels[count] = kUnset;
    if (count > 1) g.interval = g.levels[1] - g.levels[0];
    if (count > 0) {
        g.grid_min = g.levels[0];
        g.grid_max = g.levels[count - 1];
        g.num_levels = count;
    }
    return count;
}

void CONT_reset_values() {
    g.levels[0] = kUnset;
    g.grid_max = kUnset;
    g.grid_min = kUnset;
}

int CONT_get_values(float* out) {
    const int n = list_count();
    if (out != nullptr) std::copy_n(g.levels, n, out);
    return n;
}

int CONT_set_fill_attribs(const AttribRecord* records) {
    int n = 0;
    while (records != nullptr && n < kContMaxLevels && records[n].color >= -1) {
        g.fill[n] = records[n];
        ++n;
    }
    if (n == 0) {
        ATTRIB_init(&g.fill[0]);
        g.fill[0].color = 1;
    }
    g.num_colors = std::max(n, 1);
    return g.num_colors;
}

int CONT_get_fill_attrib_ind(int i, AttribRecord* out) {
    if (out == nullptr) return -1;
    *out = g.fill[std::clamp(i, 0, kContMaxLevels - 1)];
    return 0;
}

int CONT_get_fill_attrib(AttribRecord* out, float value) {
    if (out == nullptr) return -1;
    ATTRIB_init(out);
    out->color = kColorNone;
    if (unset(value) || !std::isfinite(value)) return -1;
    if (!unset(g.min_cut) && value < g.min_cut) return -1;
    if (!unset(g.max_cut) && value > g.max_cut) return -1;
    int index = 0;
    if (!has_list()) {
        if (!(g.interval > 0.0F)) return -1;
        const float base = unset(g.color_base) ? (unset(g.base) ? 0.0F : g.base) : g.color_base;
        const double k = std::floor((value - base) / g.interval + 0.01);
        index = static_cast<int>(std::fmod(std::clamp(k, -1e9, 1e9), static_cast<double>(colors())));
        if (index < 0) index += colors();
    } else {
        const int n = list_count();
        if (value < g.levels[0]) return -1;
        index = n - 1;
        for (int k = 0; k + 1 < n; ++k) {
            if (g.levels[k] <= value && value < g.levels[k + 1]) {
                index = k;
                break;
            }
        }
    }
    *out = g.fill[std::clamp(index, 0, kContMaxLevels - 1)];
    return index;
}

const char* CONT_get_level_label(int i) { return i >= 0 && i < kContMaxLevels ? g.labels[i] : ""; }

float CONT_calc_intrvl(int n, float max, float min) {
    if (n == 0) n = 1;
    const double d = (static_cast<double>(max) - min) / n;
    if (!std::isfinite(d)) return 1.0F;
    if (d >= 8388608.0) return static_cast<float>(d);
    const double steps[] = {1000.0, 100.0, 10.0, 1.0, 0.1, 0.01, 0.001, 0.0001};
    for (double s : steps) {
        // Rounded first so that 0.3 / 0.1 does not become 3.0000001.
        if (d >= s) return static_cast<float>(std::ceil(std::round(d / s * 1e6) / 1e6) * s);
    }
    if (d == 0.0) return 1.0F;
    return static_cast<float>(d);
}

int CONT_set_cont_ext(const ContGrid* grid) {
    if (has_list()) {
        g.lowest = g.levels[0];
        g.num_levels = list_count();
        return 0;
    }
    if ((unset(g.grid_max) || unset(g.grid_min)) && grid != nullptr) grid_range(grid, &g.grid_max, &g.grid_min);
    if (unset(g.grid_max) || unset(g.grid_min) || !std::isfinite(g.grid_max) || !std::isfinite(g.grid_min)) {
        return -1;
    }
    if (unset(g.interval)) RES_getval("con_interval", &g.interval, 5);
    if (unset(g.interval) && g.type == 17) return 0;
    if (unset(g.interval) || !(g.interval > 0.0F) || !std::isfinite(g.interval)) {
        g.interval = CONT_calc_intrvl(colors() - 1, g.grid_max, g.grid_min);
    }
    const double b = unset(g.base) ? 0.0 : g.base;
    const double step = g.interval;
    if (g.grid_max >= g.grid_min) {
        g.lowest = static_cast<float>(std::floor((g.grid_min - b) / step) * step + b);
        g.highest = static_cast<float>((std::floor((g.grid_max - b) / step) + 1) * step + b);
    } else {
        g.lowest = g.grid_max;
        g.highest = g.grid_min;
    }
    const double count = (static_cast<double>(g.highest) - g.lowest + 0.01) / step;
    g.num_levels = static_cast<int>(std::clamp(count, 0.0, static_cast<double>(kMaxComputedLevels)));
    g.color_base = unset(g.base) ? g.lowest : g.base;
    return 0;
}

int CONT_set_fill_colors(const char* list, int from_format) {
    if (g.fill_set != 0) return -1;
    g.fill_set = 1;
    std::string text;
    if (from_format == 0) {
        const char* res = RES_get("color_fill");
        if (res != nullptr && *res != '\0' && std::strcmp(res, "miss") != 0 && !starts_with_nocase(res, "def")) {
            text = res;
        }
    }
    if (text.empty() && list != nullptr && *list != '\0') text = list;
    if (text.empty()) return set_default_fill();
    std::vector<std::string> items;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string::npos) end = text.size();
        items.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    if (items.size() == 1 && items[0].find('-') == std::string::npos) {
        const std::string name = trim(items[0]);
        items.clear();
        if (!read_level_file(name, &items)) {
            MESS_print(kMessError, "CONT_set_fill_colors: Unable to read contour level file: %s\n", name.c_str());
            // The plot goes on in the default colours rather than in none.
            set_default_fill();
            return -1;
        }
    }
    store_fill_list(items);
    return g.num_colors;
}

int CONT_format_decode_type(const char* format) {
    if (format == nullptr) return g.type;
    const std::string text = format;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(':', pos);
        if (end == std::string::npos) end = text.size();
        const std::string field = trim(text.substr(pos, end - pos));
        const char* f = field.c_str();
        size_t next = end + 1;
        if (starts_with_nocase(f, "cof=")) {
            // The fill list runs to the end: its entries use colons too.
            CONT_set_fill_colors(text.substr(pos + (text.substr(pos).find('=') + 1)).c_str(), 1);
            break;
        }
        if (strcasecmp(f, "value") == 0 || strcasecmp(f, "gvalue") == 0) {
            g.type = 17;
        } else if (strcasecmp(f, "cf") == 0) {
            g.type = 15;
        } else if (strcasecmp(f, "lcf") == 0) {
            g.type = 16;
        } else if (strcasecmp(f, "ln") == 0) {
            g.type = 12;
        } else if (strcasecmp(f, "dln") == 0) {
            g.type = 12;
            g.dash = 1;
        } else if (strcasecmp(f, "ndln") == 0) {
            g.type = 12;
            g.dash = -1;
        } else if (strcasecmp(f, "nolr") == 0) {
            FLAG_setplot(kPlotTextLR, 0);
        } else if (strcasecmp(f, "bar") == 0) {
            g.bar = 3;
        } else if (strcasecmp(f, "nobar") == 0) {
            g.bar = -2;
        } else if (starts_with_nocase(f, "lab=")) {
            decode_lab(f + 4, '.');
        } else if (starts_with_nocase(f, "rlab")) {
            g.rotated = 1;
        } else if (starts_with_nocase(f, "hlab")) {
            g.rotated = 0;
        } else if (starts_with_nocase(f, "labs")) {
            PLT_set_label_type(-1);
        } else if (starts_with_nocase(f, "in=")) {
            g.interval = parse_float(f + 3);
        } else if (starts_with_nocase(f, "cb=")) {
            g.base = parse_float(f + 3);
        } else if (starts_with_nocase(f, "mn=")) {
            g.min_cut = parse_float(f + 3);
        } else if (starts_with_nocase(f, "mx=")) {
            g.max_cut = parse_float(f + 3);
        } else if (starts_with_nocase(f, "sc=")) {
            CONT_set_scale(parse_float(f + 3));
        } else if (starts_with_nocase(f, "xy=")) {
            char* end_x = nullptr;
            const float x = std::strtof(f + 3, &end_x);
            while (*end_x == ' ' || *end_x == ',') ++end_x;
            g.off_x = x * 0.012F;
            g.off_y = std::strtof(end_x, nullptr) * 0.02F;
        } else if (starts_with_nocase(f, "sk=")) {
            g.col_skip = g.row_skip = std::atoi(f + 3);
            // "sk=n:m": the row skip is the next field.
            size_t after = text.find(':', next);
            if (after == std::string::npos) after = text.size();
            const std::string more = trim(text.substr(std::min(next, text.size()), after - std::min(next, text.size())));
            const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
            if (!more.empty() && std::all_of(more.begin(), more.end(), digit)) {
                g.row_skip = std::atoi(more.c_str());
                next = after + 1;
            }
        } else if (starts_with_nocase(f, "fi=")) {
            g.fill_pat = std::atoi(f + 3);
        } else if (f[0] == '%' && is_value_format(f)) {
            copy_text(g.value_format, f);
        }
        pos = next;
    }
    return g.type;
}

int CONT_format_decode_attrib(const char* format, AttribRecord* record) {
    if (format == nullptr || record == nullptr) return -1;
    std::string text = format;
    const size_t cof = text.find("cof=");
    if (cof != std::string::npos) text.resize(cof);
    int found = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(':', pos);
        if (end == std::string::npos) end = text.size();
        const std::string field = trim(text.substr(pos, end - pos));
        const char* f = field.c_str();
        if (starts_with_nocase(f, "co=")) {
            record->color = CLR_get_ind(f + 3);
            ++found;
        } else if (starts_with_nocase(f, "wi=")) {
            record->width = parse_float(f + 3);
            ++found;
        } else if (starts_with_nocase(f, "st=")) {
            record->style = std::atoi(f + 3);
            ++found;
        } else if (starts_with_nocase(f, "fp=")) {
            record->fill = ATTR_parse_fill_pat(f + 3);
            ++found;
        }
        pos = end + 1;
    }
    return found;
}

int CONT_param_decode(const char* params) {
    if (params == nullptr) return 0;
    const std::string text = params;
    size_t pos = 0;
    int used = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(",\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string entry = trim(text.substr(pos, end - pos));
        const char* e = entry.c_str();
        pos = end + 1;
        ++used;
        if (starts_with_nocase(e, "fill") && entry.size() > 5) {
            g.fill_pat = ATTR_parse_fill_pat(e + 5);
        } else if (starts_with_nocase(e, "rlab")) {
            g.rotated = 1;
        } else if (starts_with_nocase(e, "hlab")) {
            g.rotated = 0;
        } else if (starts_with_nocase(e, "lab") && entry.size() > 4) {
            decode_lab(e + 4, std::strchr(e + 4, ':') != nullptr ? ':' : '.');
        } else if (starts_with_nocase(e, "maxl") && entry.size() > 5) {
            g.max_lines = std::atoi(e + 5);
        } else if (starts_with_nocase(e, "conmin") && entry.size() > 7) {
            g.min_cut = parse_float(e + 7);
        } else if (starts_with_nocase(e, "conmax") && entry.size() > 7) {
            g.max_cut = parse_float(e + 7);
        } else if (starts_with_nocase(e, "grid") && !starts_with_nocase(e, "gridx")) {
            g.draw_grid = 1;
        } else if (starts_with_nocase(e, "mapcon")) {
            g.map_under = 1;
        } else if (starts_with_nocase(e, "conmap")) {
            g.map_under = 0;
        } else {
            --used;
        }
    }
    return used;
}

void CONT_read_base() {
    int count = 0;
    char** items = nullptr;
    if (RES_getvals("con_base", &count, &items) <= 0) return;
    for (int k = 0; k < count; ++k) {
        const char* e = items[k];
        while (*e == ' ') ++e;
        if (*e == '>') {
            g.min_cut = parse_float(e + 1);
            g.base = g.min_cut;
        } else if (*e == '<') {
            g.max_cut = parse_float(e + 1);
        } else if (*e != '\0') {
            g.base = parse_float(e);
        }
    }
    free_parsed_array(count, items);
}

float CONT_prompt_intrvl() {
    float interval = kUnset;
    if (RES_getval("con_interval", &interval, 5) >= 0 && !unset(interval)) {
        g.interval = interval;
    } else if (FLAG_batch() == 0) {
        g.interval = ORV_promptf("Enter the contour interval: ");
    }
    if (!unset(g.interval) && g.interval < 0.0F) g.interval = 0.0F;
    return g.interval;
}

int CONT_prompt_type() {
    if (!unset(g.type)) return g.type;
    const int flag = FLAG_get(11);
    if (!unset(flag) && flag >= 1) {
        if (flag == 13 || flag == 14) {
            g.type = 12;
            g.dash = flag == 13 ? 1 : -1;
        } else {
            g.type = flag;
        }
        return g.type;
    }
    if (FLAG_batch() != 0) {
        g.type = 15;
        return g.type;
    }
    char answer[11] = "";
    ORV_prompts("Color fill (C) or Line (L) contours: ", answer, sizeof answer);
    const std::string a = trim(answer);
    const char* s = a.c_str();
    if (strcasecmp(s, "none") == 0) {
        g.type = 99;
    } else if (strcasecmp(s, "value") == 0 || strcasecmp(s, "gvalue") == 0) {
        g.type = 17;
    } else if (strcasecmp(s, "cf") == 0) {
        g.type = 15;
    } else if (strcasecmp(s, "lcf") == 0) {
        g.type = 16;
    } else if (strcasecmp(s, "ln") == 0) {
        g.type = 12;
    } else if (strcasecmp(s, "dln") == 0 || strcasecmp(s, "ndln") == 0) {
        g.type = 12;
        g.dash = s[0] == 'd' || s[0] == 'D' ? 1 : -1;
    } else {
        g.type = (s[0] == 'C' || s[0] == 'c' || s[0] == 'Y' || s[0] == 'y') ? 15 : 12;
    }
    return g.type;
}

ContLevels CONT_get_levels() {
    ContLevels l;
    l.type = g.type;
    l.num_colors = colors();
    l.min_cut = g.min_cut;
    l.max_cut = g.max_cut;
    if (has_list()) {
        l.list = g.levels;
        l.count = list_count();
        l.first_color = 0;
        return l;
    }
    l.count = g.num_levels;
    l.lowest = g.lowest;
    l.interval = g.interval;
    l.busy_limit = static_cast<float>(busy_limit());
    if (g.interval > 0.0F && !unset(g.color_base) && std::isfinite(g.lowest)) {
        const double k = std::floor((g.lowest - g.color_base) / g.interval + 0.01);
        l.first_color = static_cast<int>(std::fmod(std::clamp(k, -1e9, 1e9), static_cast<double>(colors())));
    }
    return l;
}

int CONT_draw_contour(const ContGrid* grid) {
    if (grid == nullptr || grid->values == nullptr || grid->nx < 1 || grid->ny < 1) return -1;
    if (g.fill_set == 0) CONT_set_fill_colors(nullptr, 0);
    if (unset(g.grid_max) || unset(g.grid_min) || unset(g.lowest)) {
        if (CONT_set_cont_ext(grid) < 0) return -1;
    }
    g.plot_height = plot_height_for(grid);
    g.placed.clear();
    if (g.type == 17) {
        draw_values(grid);
        return 0;
    }
    if (g.type != 12 && !is_fill_type(g.type)) return -1;
    const AttribRecord cont = contour_attr();
    if (g.type == 12 && cont.color != kColorNone) gset_line_colr_ind(cont.color);
    if (g.dash == 1) gset_linetype(2);
    gset_fill_int_style(1);
    ContWrap wrap;
    wrap.proj = MAP_get_proj();
    if (grid->x == nullptr && g.xs == nullptr) wrap.proj = kProjNone;
    print_grid_point(grid);
    if (is_fill_type(g.type)) draw_missing_cells(field_of(grid), wrap);
    GraphicsSink draw(cont);
    ContMergeSink merge(draw);
    ContWrapSink sink(wrap, merge);
    cont_trace(field_of(grid), CONT_get_levels(), wrap, sink);
    g.contoured = true;
    return 0;
}

int CONT_draw_lines(int kind, int n, const GPoint* points) {
    const AttribRecord& band = g.fill[std::clamp(g.band_color, 0, kContMaxLevels - 1)];
    if (band.color == kColorNone || points == nullptr || n < 2) return -1;
    return kind == 12 ? gpolyline(n, points) : gfill_area(n, points);
}

int CONT_draw_labels(const ContGrid* grid) {
    if (grid == nullptr || grid->values == nullptr || g.label_skip == 0) return 0;
    AttribRecord text;
    if (!label_attr(&text, false)) return 0;
    const ContField f = field_of(grid);
    const float height = 0.015F * g.plot_height * g.scale * (unset(text.height) ? 1.0F : text.height);
    text.height = kUnset;
    GPH_text_attr(&text, height);
    GPH_text_align(2, 3);
    const int cols = unset(g.label_cols) ? std::max(f.nx / 5, 1) : std::max(g.label_cols, 1);
    const int rows = unset(g.label_rows) ? std::max(f.ny / 5, 1) : std::max(g.label_rows, 1);
    // The labelled values.
    std::vector<float> values;
    const bool list = has_list();
    if (list) {
        const int n = list_count();
        int first = 0;
        for (int k = 0; k < n && !unset(g.base); ++k) {
            if (g.levels[k] == g.base) {
                first = k;
                break;
            }
        }
        for (int k = first; k < n; k += std::max(g.label_skip, 1)) values.push_back(g.levels[k]);
    } else if (g.interval > 0.0F && !unset(g.lowest)) {
        const double step = static_cast<double>(g.label_skip) * g.interval;
        if (!(step > 0.0)) return 0;
        double first = g.lowest;
        if (!unset(g.base)) {
            if (g.base <= g.lowest) {
                first = g.base + std::ceil((g.lowest - g.base) / step - 1e-6) * step;
            } else {
                first = g.base - std::floor((g.base - g.lowest) / step + 1e-6) * step;
                if (first > g.lowest) first -= step;
                first += step;
            }
        }
        const double top = static_cast<double>(g.lowest) + g.num_levels * static_cast<double>(g.interval);
        for (double v = first; v <= top + 1e-6 && values.size() < kMaxComputedLevels; v += step) {
            values.push_back(static_cast<float>(v));
        }
    }
    std::sort(values.begin(), values.end());
    const int decimals = decimals_apart(level_values());
    const float limit = list ? 0.0F : static_cast<float>(g.max_lines > 0 ? g.max_lines * colors() : 10000);
    for (int row = 0; row + 1 < f.ny; ++row) {
        const int j = f.ny - 2 - row;
        for (int i = 0; i + 1 < f.nx; ++i) {
            const int idx[4] = {(row + 1) * f.nx + i, (row + 1) * f.nx + i + 1, row * f.nx + i, row * f.nx + i + 1};
            GPoint pos[4];
            float z[4];
            bool ok = true;
            for (int c = 0; c < 4; ++c) {
                z[c] = f.z[idx[c]];
                pos[c] = point_of(f, (idx[c] % f.nx), idx[c] / f.nx);
                if (unset(z[c]) || !std::isfinite(z[c]) || unset(pos[c].x) || unset(pos[c].y)) ok = false;
            }
            if (ok && g.draw_grid != 0) {
                const GPoint box[5] = {pos[0], pos[1], pos[3], pos[2], pos[0]};
                gpolyline(5, box);
            }
            const bool col_ok = i % cols == g.over;
            const bool row_ok = j % rows == g.over;
            if (!ok || (!col_ok && !row_ok)) continue;
            const float bx = pos[1].x - pos[0].x;
            const float by = pos[1].y - pos[0].y;
            if (height * height > (bx * bx + by * by) * static_cast<float>(cols * rows)) continue;
            const float zmax = *std::max_element(z, z + 4);
            const float zmin = *std::min_element(z, z + 4);
            if (!list && (zmax - zmin) / g.interval > limit) continue;
            for (auto it = std::upper_bound(values.begin(), values.end(), zmin); it != values.end(); ++it) {
                const float v = *it;
                if (v > zmax) break;
                if (!unset(g.min_cut) && v < g.min_cut) continue;
                if (!unset(g.max_cut) && v > g.max_cut) continue;
                ContCrossings cr;
                cont_crossings(z, v, &cr);
                if (cr.n != 2) continue;
                const int s0 = std::min(cr.pair[0], cr.pair[1]);
                const int s1 = std::max(cr.pair[0], cr.pair[1]);
                const bool vertical = s0 == 0 && s1 == 2;
                const bool horizontal = s0 == 1 && s1 == 3;
                if (!(vertical && row_ok) && !(horizontal && col_ok)) continue;
                const GPoint a = side_point(pos, s0, cr.frac[s0]);
                const GPoint b = side_point(pos, s1, cr.frac[s1]);
                char label[kSetNumSize];
                int level_index = -1;
                if (list) {
                    for (int m = 0; m < list_count(); ++m) {
                        if (g.levels[m] == v) level_index = m;
                    }
                } else {
                    level_index = static_cast<int>(std::lround((v - g.lowest) / g.interval));
                }
                const char* own = level_index >= 0 && level_index < kContMaxLevels && list ? g.labels[level_index] : "";
                if (*own != '\0') {
                    copy_text(label, own);
                } else {
                    format_fixed(label, decimals, v);
                }
                gset_char_up_vec(vertical && g.rotated != 0 ? 1.0F : 0.0F, vertical && g.rotated != 0 ? 0.0F : 1.0F);
                const GPoint at = {(a.x + b.x) / 2, (a.y + b.y) / 2};
                const LabelBox box = text_box(label, at.x, at.y);
                if (!box_is_free(box) || !inside_window(box)) continue;
                g.placed.push_back(box);
                ground_label(box, v, text.color);
                gtext(at.x, at.y, label);
            }
        }
    }
    gset_char_up_vec(0.0F, 1.0F);
    return 0;
}

namespace {

// An extremum mark whose letter or value would be cut by the edge of the map
// window is left out: half a mark is unreadable.
bool mark_fits(const GPoint& p, float h, const char* value) {
    float win[4];
    if (GPH_get_win(2, win) != 0) return true;
    const float x0 = std::min(win[0], win[1]), x1 = std::max(win[0], win[1]);
    const float y0 = std::min(win[2], win[3]), y1 = std::max(win[2], win[3]);
    constexpr float kCharWidth = 0.9F;  // stroke characters are about this wide for their height
    const float value_half = 0.5F * kCharWidth * 0.015F * h * static_cast<float>(std::strlen(value));
    const float half = std::max(0.5F * kCharWidth * 0.02F * h, value_half);
    return p.x - half >= x0 && p.x + half <= x1 && p.y + 0.01F * h <= y1 && p.y - 0.0275F * h >= y0;
}

}  // namespace

int CONT_draw_maxmin(const ContGrid* grid) {
    if (grid == nullptr || grid->values == nullptr || g.radius == 0) return 0;
    AttribRecord text;
    if (!label_attr(&text, true)) return 0;
    const ContField f = field_of(grid);
    const float h = g.plot_height * g.scale * (unset(text.height) ? 1.0F : text.height);
    text.height = kUnset;
    const int r = g.radius;
    const int decimals = field_decimals(grid->values, grid->nx * grid->ny, 3);
    g.placed.clear();
    GPH_text_align(2, 3);
    for (int row = 0; row < f.ny; ++row) {
        for (int i = 0; i < f.nx; ++i) {
            const float v = f.z[row * f.nx + i];
            if (unset(v) || !std::isfinite(v)) continue;
            if (!unset(g.min_cut) && v < g.min_cut) continue;
            if (!unset(g.max_cut) && v > g.max_cut) continue;
            bool is_max = true;
            bool is_min = true;
            int missing = 0;
            for (int rr = std::max(row - r, 0); rr <= std::min(row + r, f.ny - 1) && (is_max || is_min); ++rr) {
                for (int ii = std::max(i - r, 0); ii <= std::min(i + r, f.nx - 1); ++ii) {
                    if (rr == row && ii == i) continue;
                    const float w = f.z[rr * f.nx + ii];
                    if (unset(w)) {
                        ++missing;
                        continue;
                    }
                    if (!(v > w)) is_max = false;
                    if (!(v < w)) is_min = false;
                    if (!is_max && !is_min) break;
                }
            }
            if ((!is_max && !is_min) || missing >= 2) continue;
            const GPoint p = point_of(f, i, row);
            if (unset(p.x) || unset(p.y)) continue;
            char value[kSetNumSize];
            format_fixed(value, decimals, v);
            if (!mark_fits(p, h, value)) continue;
            const char* letter = is_max ? "H" : "L";
            GPH_text_attr(&text, 0.015F * h);
            const LabelBox value_box = text_box(value, p.x, p.y - 0.02F * h);
            GPH_text_attr(&text, 0.02F * h);
            const LabelBox box = text_box(letter, p.x, p.y).joined(value_box);
            if (!box_is_free(box)) continue;
            g.placed.push_back(box);
            ground_label(box, v, text.color);
            gtext(p.x, p.y, letter);
            gset_char_ht(0.015F * h);
            gtext(p.x, p.y - 0.02F * h, value);
        }
    }
    return 0;
}

namespace {

// Levels the bar keys: count, lowest and interval; false when no bar.
bool bar_levels(int* n, float* lowest, float* interval, bool* list) {
    *list = has_list();
    if (unset(g.interval)) RES_getval("con_interval", &g.interval, 5);
    float top = unset(g.bar_max) ? g.grid_max : g.bar_max;
    float bottom = unset(g.bar_min) ? g.grid_min : g.bar_min;
    float base = g.base;
    if (unset(g.bar_max)) {
        int count = 0;
        char** items = nullptr;
        if (RES_getvals("con_base", &count, &items) > 0) {
            for (int k = 0; k < count; ++k) {
                if (items[k][0] == '>') bottom = base = parse_float(items[k] + 1);
                if (items[k][0] == '<') top = parse_float(items[k] + 1);
            }
            free_parsed_array(count, items);
        }
    }
    if (*list) {
        *n = list_count();
        *lowest = g.levels[0];
        *interval = *n > 1 ? g.levels[1] - g.levels[0] : 1.0F;
    } else if (g.contoured && unset(g.bar_max) && !unset(g.lowest)) {
        *n = g.num_levels;
        *lowest = g.lowest;
        *interval = g.interval;
    } else {
        if (unset(top) || unset(bottom)) return false;
        float step = g.interval;
        if (!(step > 0.0F)) step = CONT_calc_intrvl(colors() - 1, top, bottom);
        const double b = unset(base) ? 0.0 : base;
        const double lo = std::floor((bottom - b) / step) * step + b;
        const double hi = (std::floor((top - b) / step) + 1) * step + b;
        *lowest = static_cast<float>(lo);
        *interval = step;
        *n = static_cast<int>(std::clamp((hi - lo + 0.01) / step, -1.0, 1e6));
    }
    return *n > 0 && *n <= kMaxBarLevels && !unset(*interval) && *interval != 0.0F && std::isfinite(*interval);
}

// The bar's labels at the box edges: every (n/15 + 1)-th edge, the step
// widened until the widest label fits it, and for computed levels the
// closing edge, which replaces a label it would run into. The numbers share
// one format.
void draw_bar_labels(int n, bool list, float lowest, float interval, float left, float box, float bottom) {
    const int count = list ? n : n + 1;
    std::vector<double> values;
    for (int k = 0; k < count; ++k) values.push_back(list ? g.levels[k] : lowest + static_cast<double>(k) * interval);
    const int decimals = decimals_apart(values);
    std::vector<std::string> texts;
    float widest = 0.0F;
    for (int k = 0; k < count; ++k) {
        char label[kSetNumSize];
        if (list && g.labels[k][0] != '\0') {
            copy_text(label, g.labels[k]);
        } else {
            format_fixed(label, decimals, values[static_cast<std::size_t>(k)]);
        }
        texts.emplace_back(label);
        const LabelBox b = text_box(label, 0.0F, bottom);
        widest = std::max(widest, b.x1 - b.x0);
    }
    // Bar labels keep most of a character height between them.
    const float gap = 0.6F * ginq_text_attr().height;
    widest += gap;
    int step = n / 15 + 1;
    while (step < n && widest > box * static_cast<float>(step)) ++step;
    std::vector<int> shown;
    for (int k = 0; k < count; k += step) shown.push_back(k);
    const int closing = count - 1;
    const auto box_at = [&](int k) {
        LabelBox b = text_box(texts[static_cast<std::size_t>(k)].c_str(), left + box * static_cast<float>(k), bottom);
        b.x1 += gap;
        return b;
    };
    if (!list && shown.back() != closing) {
        if (shown.size() > 1 && box_at(shown.back()).overlaps(box_at(closing))) shown.pop_back();
        shown.push_back(closing);
    }
    for (const int k : shown) gtext(left + box * static_cast<float>(k), bottom, texts[static_cast<std::size_t>(k)].c_str());
}

}  // namespace

int CONT_draw_bar(int orientation, const char* title) {
    (void)orientation;
    int n = 0;
    float lowest = 0.0F;
    float interval = 0.0F;
    bool list = false;
    if (!bar_levels(&n, &lowest, &interval, &list)) return -1;
    float view[4] = {0.0F, 1.0F, 0.0F, 1.0F};
    GPH_get_view(2, view);
    const bool full_labels = g.full_labels != 0 || PLT_get_full_lab() != 0;
    const float h = full_labels ? 0.035F : std::min(view[2], 0.035F);
    if (h < 0.01F) return -1;
    const float left = view[0] + 0.03F * (view[1] - view[0]);
    const float right = (view[0] + view[1]) / 2;
    const float top = full_labels ? view[2] + h : view[2] - 0.15F * h;
    const float bottom = full_labels ? view[2] + 0.15F * h : view[2] - h;
    const float mid = (top + bottom) / 2;
    const float box = (right - left) / static_cast<float>(n);
    int status = 0;
    int previous = 1;
    ginq_cur_norm_tran_num(&status, &previous);
    GPH_trans(0);
    AttribRecord text;
    ATTRIB_init(&text);
    ATTRIB_get("color_text", text_default(), &text);
    AttribRecord lines;
    ATTRIB_init(&lines);
    ATTRIB_get("color_cont", text_default(), &lines);
    const int start = list ? 0 : CONT_get_levels().first_color;
    const bool fills = is_fill_type(g.type) || unset(g.type);
    for (int k = 0; k < n; ++k) {
        const float x0 = left + box * static_cast<float>(k);
        const AttribRecord& band = g.fill[((start + k) % colors() + colors()) % colors()];
        if (fills) {
            if (band.color == kColorNone) continue;
            AttribRecord a = band;
            if (!unset(g.fill_pat)) a.fill = g.fill_pat;
            GPH_fill_attr(&a);
            GPH_frect(x0, mid, x0 + box, top);
        } else {
            AttribRecord a = lines;
            if (!unset(band.style)) a.style = band.style;
            GPH_line_attr(&a);
            GPH_line(x0 + box, top, x0 + box, mid);
        }
    }
    GPH_text_attr(&text, 0.35F * h);
    GPH_text_align(2, 4);
    draw_bar_labels(n, list, lowest, interval, left, box, bottom);
    // The outline is solid whatever line type the map left behind.
    AttribRecord outline = text;
    if (unset(outline.style)) outline.style = 1;
    GPH_line_attr(&outline);
    GPH_rect(left, mid, right, top);
    if (title != nullptr && *title != '\0') {
        // Ends at the view's right edge: begun there it would run off the page.
        GPH_text_align(3, 2);
        gtext(view[1], view[2] - 0.01F, title);
    }
    GPH_trans(previous);
    g.bar_left = left;
    g.bar_right = right;
    g.bar_bottom = bottom;
    g.bar_top = top;
    g.box_width = box;
    g.bar_levels = n;
    g.bar_lowest = lowest;
    g.bar_interval = interval;
    g.bar_list = list;
    return 0;
}

float CONT_get_bar_value(float x, float y) {
    if (g.box_width <= 0.0F) return kUnset;
    if (x < g.bar_left || x > g.bar_right || y < g.bar_bottom || y > g.bar_top) return kUnset;
    const int k = std::min(static_cast<int>((x - g.bar_left) / g.box_width), g.bar_levels - 1);
    if (g.bar_list) return g.levels[std::clamp(k, 0, kContMaxLevels - 1)];
    return g.bar_lowest + static_cast<float>(k) * g.bar_interval;
}

int CONT_flash_value(const char* event, float x, float y) {
    if (event == nullptr || std::strcmp(event, "f-Alt") != 0) return 0;
    const float value = CONT_get_bar_value(x, y);
    if (unset(value)) return 0;
    AttribRecord a;
    CONT_get_fill_attrib(&a, value);
    float r = 0.0F;
    float gr = 0.0F;
    float b = 0.0F;
    if (a.color < 0 || CLR_get_rgb(a.color, &r, &gr, &b) < 0) return 0;
    for (int k = 0; k < 3; ++k) {
        ORV_sleep(0.5F);
        GPH_set_color(a.color, 0.0F, 0.0F, 0.0F);
        ORV_sleep(0.5F);
        GPH_set_color(a.color, r, gr, b);
    }
    return 1;
}

namespace {

constexpr int kMaxVariables = 60;
constexpr int kFrameLabelSize = 80;

// What the first frame of each variable chose, reused by later frames.
struct VariableMemory {
    int type = kMissing;
    float interval = kUnset;
    int dash = 0;
    float base = kUnset;
};

struct GridPlotState {
    VariableMemory memory[kMaxVariables];
    char frame_labels[4][kFrameLabelSize] = {};
    ContCallback callback = nullptr;
    const GridField* plot_grid = nullptr;  // the grid of CONT_plot_grid
    // Positions of the last projected grid, reused while the domains stay.
    float* xs = nullptr;
    float* ys = nullptr;
    Domain grid_domain;
    Domain map_domain;
    int stations = -1;  // stations the plotted grid was analysed from
    // Marks and labels wait for the map drawn over the contours.
    bool defer_annotations = false;
    const GridField* pending = nullptr;
};
GridPlotState gp;

void free_positions() {
    std::free(gp.xs);
    std::free(gp.ys);
    gp.xs = nullptr;
    gp.ys = nullptr;
}

bool valid_grid(const GridField* grid) {
    return grid != nullptr && grid->values != nullptr && grid->domain.nx > 0 && grid->domain.ny > 0;
}

// The grid as the contour module reads it, with positions in the current
// map when the grid is not drawn in its own coordinates. False when the
// positions cannot be made.
bool view_of(const GridField* grid, ContGrid* out, bool* own_coordinates) {
    out->nx = grid->domain.nx;
    out->ny = grid->domain.ny;
    out->values = grid->values;
    out->info = grid->info;
    out->label = grid->label;
    Domain map;
    MAP_get_domain(&map);
    *own_coordinates = map.proj == kProjNone || DOM_comp(&map, &grid->domain) != 0;
    if (*own_coordinates) return true;
    const bool cached = gp.xs != nullptr && DOM_comp(&gp.grid_domain, &grid->domain) != 0 &&
                        DOM_comp(&gp.map_domain, &map) != 0;
    if (!cached) {
        if (GRD_proj_XY(grid, &map, &gp.xs, &gp.ys) < 0 || gp.xs == nullptr || gp.ys == nullptr) {
            MESS_print(kMessWarn, "CONT_draw_contours: Unable to allocate grid arrays\n");
            free_positions();
            return false;
        }
        gp.grid_domain = grid->domain;
        gp.map_domain = map;
    }
    out->x = gp.xs;
    out->y = gp.ys;
    return true;
}

// Gives the map transformation (the plot viewport) the grid's own window
// while a grid is drawn in grid coordinates.
class GridWindow {
public:
    GridWindow(const ContGrid& grid, bool active) : active_(active && gchk_graphics() != 0) {
        if (!active_) return;
        int status = 0;
        ginq_cur_norm_tran_num(&status, &previous_);
        GPH_get_win(kMapTran, saved_);
        const float win[4] = {0.0F, static_cast<float>(grid.nx - 1), 0.0F, static_cast<float>(grid.ny - 1)};
        gset_win(kMapTran, win);
        gsel_norm_tran(kMapTran);
    }
    ~GridWindow() {
        if (!active_) return;
        gset_win(kMapTran, saved_);
        gsel_norm_tran(previous_);
    }
    GridWindow(const GridWindow&) = delete;
    GridWindow& operator=(const GridWindow&) = delete;

private:
    static constexpr int kMapTran = 2;
    bool active_;
    int previous_ = kMapTran;
    float saved_[4] = {0.0F, 1.0F, 0.0F, 1.0F};
};

template <typename Draw>
int with_grid(const GridField* grid, Draw draw) {
    if (!valid_grid(grid)) return -1;
    ContGrid view;
    bool own = true;
    if (!view_of(grid, &view, &own)) return -1;
    GridWindow window(view, own && (view.nx > 1 && view.ny > 1));
    return draw(&view);
}

void make_frame_labels(const GridField* grid) {
    copy_text(gp.frame_labels[0], grid->info);
    copy_text(gp.frame_labels[1], grid->label);
    // Both in one format: three significant digits of the larger, at least one decimal.
    const int decimals = std::max(field_decimals(grid->values, grid->domain.nx * grid->domain.ny, 3), 1);
    char lo[kSetNumSize];
    char hi[kSetNumSize];
    format_fixed(lo, decimals, g.grid_min);
    format_fixed(hi, decimals, g.grid_max);
    if (unset(g.grid_min) && unset(g.grid_max)) {  // a field with no value at all
        copy_text(gp.frame_labels[2], "no data");
        MESS_print(kMessWarn, "No values of %s to contour\n", grid->info);
        ORV_note_failure(kExitNothingDrawn);
    } else {
        std::snprintf(gp.frame_labels[2], kFrameLabelSize, "LO: %s  HI: %s", lo, hi);
        if (gp.stations >= 0) {
            const std::size_t used = std::strlen(gp.frame_labels[2]);
            std::snprintf(gp.frame_labels[2] + used, kFrameLabelSize - used, "  STATIONS: %d", gp.stations);
        }
    }
    gp.frame_labels[3][0] = '\0';
    if (has_list()) {
        std::string text = "LEVELS: ";
        const int n = list_count();
        for (int k = 0; k < n; ++k) {
            char value[kSetNumSize];
            set_num(value, "1.1.1", g.levels[k]);
            const std::string next = text + (k > 0 ? "," : "") + value;
            if (next.size() > 74) break;
            text = next;
        }
        copy_text(gp.frame_labels[3], text.c_str());
    } else if (g.type != 17 && !unset(g.interval)) {
        char value[kSetNumSize];
        set_num(value, "5.1.1", g.interval);
        std::snprintf(gp.frame_labels[3], kFrameLabelSize, "INTERVAL: %s", value);
    }
}

}  // namespace

void CONT_set_station_count(int stations) { gp.stations = stations; }

int CONT_plot_setup(int frame, int variable, const GridField* grid, const Domain* domain,
                    ContCallback callback) {
    (void)domain;
    if (FLAG_get(11) == 99) return 0;
    CONT_draw_pending();  // the previous grid's labels, while its levels are still set
    CONT_init();
    gp.callback = callback;
    if (gchk_graphics() != 0) GPH_text_font(nullptr);
    const bool known_variable = variable >= 0 && variable < kMaxVariables;
    const char* format = known_variable ? VAR_get_format(variable) : "";
    CONT_set_format(known_variable ? VAR_get_type(variable) : kMissing, format);
    if (frame > 0 && known_variable) {
        const VariableMemory& m = gp.memory[variable];
        g.type = m.type;
        g.interval = m.interval;
        g.dash = m.dash;
        g.base = m.base;
    }
    CONT_format_decode_type(format);
    CONT_param_decode(RES_get("plot_param"));
    PLT_decode_cont_params();
    CONT_set_fill_colors(nullptr, 0);
    if (!valid_grid(grid)) return 0;
    MESS_print(kMessMess, "Contouring data for %s\n\n", grid->info);
    float max = kUnset;
    float min = kUnset;
    if (GRD_maxmin(grid, &max, &min) > 0 && std::isfinite(max) && std::isfinite(min)) CONT_set_range(max, min);
    const int flag_type = FLAG_get(11);
    if (flag_type != 17 && g.type != 17 && unset(g.interval) && !has_list()) {
        float res_interval = kUnset;
        RES_getval("con_interval", &res_interval, 5);
        if (FLAG_batch() == 0 && unset(res_interval)) {
            MESS_print(kMessPrint, "Maximum value: %f\n", static_cast<double>(g.grid_max));
            MESS_print(kMessPrint, "Minimum value: %f\n\n", static_cast<double>(g.grid_min));
        }
        CONT_prompt_intrvl();
    }
    if (has_list() && g.bar != -2) g.bar = std::max(g.bar, 1);
    CONT_read_base();
    float scale = 1.0F;
    if (RES_getval("plot_scale", &scale, 5) >= 0 && !unset(scale)) CONT_set_scale(scale);
    CONT_format_decode_type(RES_get("plot_format"));
    CONT_prompt_type();
    CONT_set_cont_ext(grid);
    MAP_fill_cont(is_fill_type(g.type) ? 1 : 0);
    make_frame_labels(grid);
    PLT_label_up_left(gp.frame_labels[0]);
    PLT_label_up_right(gp.frame_labels[1]);
    PLT_label_low_right(gp.frame_labels[2]);
    if (gp.frame_labels[3][0] != '\0') PLT_label_low_left(gp.frame_labels[3]);
    if (frame == 0 && known_variable) gp.memory[variable] = {g.type, g.interval, g.dash, g.color_base};
    return 0;
}

int CONT_draw(const GridField* grid) {
    if (FLAG_getplot(kPlotData) == 0) return -1;
    if (grid == nullptr) {
        MESS_print(kMessError, "CONT_draw: Invalid grids\n");
        return -1;
    }
    if (grid->values == nullptr) {
        MESS_print(kMessError, "CONT_draw: Invalid grid arrays\n");
        return -1;
    }
    if (CONT_draw_contour(grid) < 0 || g.type == 17) return -1;
    gp.pending = grid;
    if (!gp.defer_annotations) CONT_draw_pending();
    return 0;
}

int CONT_draw_pending() {
    const GridField* grid = gp.pending;
    if (grid == nullptr) return 0;
    gp.pending = nullptr;
    // Marks first: a contour label that would cover one is left out.
    CONT_draw_maxmin(grid);
    CONT_draw_labels(grid);
    return 1;
}

void CONT_defer_annotations(int on) {
    gp.defer_annotations = on != 0;
    if (!gp.defer_annotations) CONT_draw_pending();
}

int CONT_draw_contour(const GridField* grid) {
    return with_grid(grid, [](const ContGrid* view) { return CONT_draw_contour(view); });
}
int CONT_draw_labels(const GridField* grid) {
    return with_grid(grid, [](const ContGrid* view) { return CONT_draw_labels(view); });
}
int CONT_draw_maxmin(const GridField* grid) {
    return with_grid(grid, [](const ContGrid* view) { return CONT_draw_maxmin(view); });
}
int CONT_set_cont_ext(const GridField* grid) {
    if (!valid_grid(grid)) return CONT_set_cont_ext(static_cast<const ContGrid*>(nullptr));
    ContGrid view;
    view.nx = grid->domain.nx;
    view.ny = grid->domain.ny;
    view.values = grid->values;
    return CONT_set_cont_ext(&view);
}

int CONT_plot(const Domain* domain) {
    if (FLAG_get(11) == 99 || domain == nullptr) return 0;
    const bool opened = PLT_begin(DOM_aspect(domain));
    PLT_set_callback(CONT_callback);
    PLT_set_zoom_func(CONT_plot);
    PLT_set_resize_func(CONT_plot);
    GRD_get_grids();
    MAP_setup(domain);
    const GridField* grid = gp.plot_grid;
    const int variable = grid != nullptr ? grid->variable : kMissing;
    CONT_plot_setup(0, variable, grid, domain, CONT_callback);
    if (g.map_under != 0) {
        MAP_draw(5);
        CONT_draw(grid);
    } else {
        CONT_defer_annotations(1);
        CONT_draw(grid);
        MAP_draw(6);
        CONT_defer_annotations(0);
    }
    PLT_labels();
    if (g.bar > 0) CONT_draw_bar(1, "");
    PLT_dump(0);
    if (opened) PLT_close();
    return 0;
}

int CONT_plot_grid(const GridField* grid, const Domain* domain, ContCallback callback) {
    gp.plot_grid = grid;
    gp.callback = callback;
    const bool unset_domain = domain == nullptr || domain->proj == kProjNone;
    const int rc = CONT_plot(unset_domain && grid != nullptr ? &grid->domain : domain);
    g.type = kMissing;
    return rc;
}

int CONT_callback(const char* event, float x, float y) {
    PLT_print_values(event, x, y);
    PLT_plot_zoom(event, x, y);
    PLT_plot_resize(event, x, y);
    CONT_flash_value(event, x, y);
    return 0;
}

void CONT_register_hooks() {
    PltHooks* hooks = PLT_hooks();
    hooks->cont_get_bar = CONT_get_bar;
    hooks->cont_set_bar = CONT_set_bar;
    hooks->cont_set_bar_range = CONT_set_bar_range;
    hooks->cont_set_skip = CONT_set_skip;
    hooks->cont_set_plot_offset = CONT_set_plot_offset;
}

const char* CONT_get_frame_label(int position) {
    return position >= 0 && position < 4 ? gp.frame_labels[position] : "";
}

void CONT_reset_for_tests() {
    g = ContState{};
    for (auto& a : g.fill) ATTRIB_init(&a);
    free_positions();
    gp = GridPlotState{};
}

}  // namespace orv
