#include "plot/plt_labl.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/flag.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gph.hpp"
#include "plot/colors.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

constexpr int kMaxOverlay = kLabelLines - 1;
constexpr float kFullLabelSpace = 0.06F;
constexpr float kMinLabelSpace = 0.005F;
constexpr float kMaxLineHeight = 0.03F;  // of the view height
constexpr float kLabelGap = 0.025F;      // of the view width, between texts of a row
constexpr float kFontCellHeight = 105.0F;

struct LablState {
    char text[kLabelPositions][kLabelLines][kLabelSize] = {};
    int line0_len[kLabelPositions] = {};  // where overlay texts are appended
    bool fixed[kLabelPositions] = {};     // one line set by the "label" resource
    int overlay = 0;
    int num_overlay = 0;
    int base = 0;
    int type = 0;
    DateRecord date = {kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing, kMissing};
    int time_code = kMissing;
};
LablState g;

int clamp_overlay(int n) { return std::clamp(n, 0, kMaxOverlay); }

// Forecast hours of a time code: the end hour of a range (the start hour for
// kinds 6 and above), 800 and 900 counting as 0.
int forecast_hours(int code) {
    if (is_missing(code)) return kMissing;
    if (code >= 1000000) {
        const int kind = code / 1000000;
        code = kind < 6 ? code % 1000 : (code % 1000000) / 1000;
    }
    if (code == 800 || code == 900) return 0;
    return code;
}

// An unset field prints nothing.
void put_two_digits(std::string& out, int value) {
    if (is_missing(value)) return;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2.2d", value);
    out += buf;
}

// The label date moved on by the forecast hours, with its hour unset so that
// the valid-time label shows the day only.
void valid_day_label(char* buf, std::size_t size) {
    DateRecord d = g.date;
    if (is_missing(d.hour)) d.hour = 0;
    if (is_missing(d.minute)) d.minute = 0;
    d.second = 0;
    const int hours = forecast_hours(g.time_code);
    DateRecord valid{};
    DATE_sec_to_date(DATE_num_sec(&d) + 3600LL * (is_missing(hours) ? 0 : hours), &valid);
    valid.hour = kMissing;
    valid.minute = kMissing;
    DATE_make_label_valid_time(0, &valid, buf, size);
}

// A date with an hour and no minute is on the hour.
bool on_the_hour(const DateRecord& d) { return is_missing(d.minute) && !is_missing(d.hour); }

void expand_code(char code, std::string& out) {
    char buf[kDateLabelSize] = "";
    switch (code) {
    case 'D': DATE_make_label(&g.date, buf); break;
    case 'F': DATE_fhour_label(buf, forecast_hours(g.time_code), 1); break;
    case 'f': DATE_fhour_label(buf, forecast_hours(g.time_code), 0); break;
    case 'V': DATE_make_label_valid_time(g.time_code, &g.date, buf); break;
    case 'W': valid_day_label(buf, sizeof buf); break;
    case 'b': copy_text(buf, DATE_month(g.date.month)); break;
    case 'd': put_two_digits(out, g.date.day); return;
    case 'h': put_two_digits(out, g.date.hour); return;
    case 'm': put_two_digits(out, g.date.month); return;
    case 'n': put_two_digits(out, on_the_hour(g.date) ? 0 : g.date.minute); return;
    case 'y': put_two_digits(out, is_missing(g.date.year) ? kMissing : g.date.year % 100); return;
    case '%': out += '%'; return;
    default: return;
    }
    out += buf;
}

// Stores text in a slot, when it fits.
int store(int position, int line, const char* text) {
    if (std::strlen(text) > kLabelMaxText) return -1;
    copy_text(g.text[position][line], text);
    return 0;
}

// Line 0 keeps the first plot's text; each overlay's text replaces the
// previous overlay's after one blank.
int append(int position, const char* text) {
    char* line = g.text[position][0];
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(g.line0_len[position]),
                                                 std::strlen(line));
    if (at + 1 + std::strlen(text) > kLabelMaxAppend) return -1;
    line[at] = ' ';
    strntcpy(line + at + 1, text, kLabelSize - at - 1);
    return 0;
}

// "ul:", "ur2:" ...: the position and the overlay line (-1 when the entry
// names no line, which fixes the position to line 0).
int decode_label_entry(const char* entry, int* line, const char** templ) {
    static constexpr const char* kKeys[kLabelPositions] = {"ul", "uc", "ur", "ll", "lc", "lr"};
    for (int p = 0; p < kLabelPositions; ++p) {
        if (strnicmp(entry, kKeys[p], 2) != 0) continue;
        if (entry[2] == ':') {
            *line = -1;
            *templ = entry + 3;
            return p;
        }
        if (entry[2] >= '0' && entry[2] <= '5' && entry[3] == ':') {
            *line = entry[2] - '0';
            *templ = entry + 4;
            return p;
        }
    }
    return -1;
}

struct LabelLayout {
    float view[4];
    int lines;
    float line_height;
    float text_height;
    float offset;
};

bool position_wanted(int position) {
    static constexpr int kSwitch[kLabelPositions] = {kPlotTextUL, kPlotTextUC, kPlotTextUR,
                                                     kPlotTextLL, kPlotTextLC, kPlotTextLR};
    if (FLAG_getplot(kSwitch[position]) == 0) return false;
    const PltHooks* hooks = PLT_hooks();
    if (position == kLabelLowLeft || position == kLabelLowCenter)
        return hooks->cont_get_bar == nullptr || hooks->cont_get_bar() < 1;
    if (position == kLabelLowRight)
        return hooks->vect_get_vect == nullptr || hooks->vect_get_vect() < 1;
    return true;
}

float text_width(const char* text, float height) {
    const GTextAttr& a = ginq_text_attr();
    return static_cast<float>(gtext_font_width(text, a.spacing, a.char_spacing)) * a.expansion *
           height / kFontCellHeight;
}

// The share of the text height with which the three texts of one row keep
// a gap between them: long labels shrink rather than run into each other.
float fitting_factor(const char* const row[3], float width, float height) {
    const float margin = 0.01F * width;
    float w[3] = {};
    for (int c = 0; c < 3; ++c) w[c] = row[c] != nullptr ? text_width(row[c], height) : 0.0F;
    float needed = 0.0F, room = 0.0F;
    if (row[1] != nullptr) {
        needed = std::max(w[0], w[2]) + w[1] / 2.0F;
        room = width / 2.0F - margin - kLabelGap * width;
    } else {
        needed = w[0] + w[2];
        room = width - 2.0F * margin - kLabelGap * width;
    }
    return needed > room && needed > 0.0F && room > 0.0F ? room / needed : 1.0F;
}

// Draws the upper or the lower positions, row by row.
void draw_group(bool upper, const LabelLayout& at) {
    const float* v = at.view;
    const float width = v[1] - v[0];
    const float margin = 0.01F * width;
    const float xs[3] = {v[0] + margin, (v[0] + v[1]) / 2.0F, v[1] - margin};
    const int first = upper ? kLabelUpLeft : kLabelLowLeft;
    bool wanted[3];
    for (int c = 0; c < 3; ++c) wanted[c] = position_wanted(first + c);
    const float start = upper ? v[3] + at.offset + g.base * at.line_height
                              : v[2] - at.offset - (at.lines - 1) * at.line_height +
                                    g.base * at.line_height;
    for (int k = 0; k < at.lines; ++k) {
        const char* row[3] = {};
        bool any = false;
        for (int c = 0; c < 3; ++c) {
            const char* text = g.text[first + c][k];
            if (!wanted[c] || *text == '\0' || (k > 0 && g.fixed[first + c])) continue;
            row[c] = text;
            any = true;
        }
        if (!any) continue;
        gset_char_ht(at.text_height * fitting_factor(row, width, at.text_height));
        for (int c = 0; c < 3; ++c) {
            if (row[c] == nullptr) continue;
            GPH_text_align(c + 1, upper ? 4 : 2);
            const float pos[2] = {xs[c], start + static_cast<float>(k) * at.line_height};
            GPH_pprint(pos, row[c]);
        }
    }
}

}  // namespace

int PLT_set_label(int position, const char* text) {
    if (position < 0 || position >= kLabelPositions) return -1;
    if (text == nullptr) text = "";
    if (g.type < 0 && g.overlay >= 1) return append(position, text);
    return store(position, g.overlay, text);
}

int PLT_label_up_left(const char* text) { return PLT_set_label(kLabelUpLeft, text); }
int PLT_label_up_center(const char* text) { return PLT_set_label(kLabelUpCenter, text); }
int PLT_label_up_right(const char* text) { return PLT_set_label(kLabelUpRight, text); }
int PLT_label_low_left(const char* text) { return PLT_set_label(kLabelLowLeft, text); }
int PLT_label_low_center(const char* text) { return PLT_set_label(kLabelLowCenter, text); }
int PLT_label_low_right(const char* text) { return PLT_set_label(kLabelLowRight, text); }

const char* PLT_get_label(int position, int line) {
    if (position < 0 || position >= kLabelPositions || line < 0 || line >= kLabelLines) return "";
    return g.text[position][line];
}

void PLT_init_labels() {
    for (auto& position : g.text)
        for (auto& line : position) line[0] = '\0';
    std::fill(std::begin(g.line0_len), std::end(g.line0_len), 0);
    std::fill(std::begin(g.fixed), std::end(g.fixed), false);
    g.num_overlay = 0;
}

int PLT_set_overlay(int n) {
    g.overlay = clamp_overlay(n);
    g.num_overlay = std::max(g.num_overlay, g.overlay);
    return g.overlay;
}
int PLT_get_overlay() { return g.overlay; }

int PLT_set_overlay_base(int n) {
    g.base = clamp_overlay(n);
    g.num_overlay = std::max(g.num_overlay, g.base);
    return g.base;
}
int PLT_get_overlay_base() { return g.base; }

int PLT_set_num_overlay(int n) {
    if (n < 0)
        g.num_overlay = std::min(-n, kLabelLines);
    else
        g.num_overlay = std::max(g.num_overlay, std::min(n, kLabelLines));
    return g.num_overlay;
}

// Slots exist for overlay lines 0..5 only: the last line takes no successor.
int PLT_next_overlay() {
    if (g.overlay >= kMaxOverlay) return -1;
    ++g.overlay;
    if (g.overlay == 1)
        for (int p = 0; p < kLabelPositions; ++p)
            g.line0_len[p] = static_cast<int>(std::strlen(g.text[p][0]));
    g.num_overlay = std::max(g.num_overlay, g.overlay);
    if (g.type > 0) ++g.type;
    if (g.type < 0) --g.type;
    return g.overlay;
}

int PLT_get_num_over() { return g.num_overlay; }
int PLT_get_label_type() { return g.type; }
void PLT_set_label_type(int type) { g.type = type; }

void PLT_label_date(const DateRecord* date) {
    if (date != nullptr) g.date = *date;
}
void PLT_label_for_time(int time_code) { g.time_code = time_code; }

int PLT_label_format(const char* templ, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return -1;
    std::string text;
    for (const char* c = templ != nullptr ? templ : ""; *c != '\0'; ++c) {
        if (*c == '_') {
            text += ' ';
        } else if (*c == '%') {
            if (c[1] == '\0') break;
            expand_code(*++c, text);
        } else {
            text += *c;
        }
    }
    strntcpy(out, text.c_str(), size);
    return 0;
}

int PLT_label_resource() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("label", &count, &items);
    for (int i = 0; i < count; ++i) {
        int line = 0;
        const char* templ = nullptr;
        const int position = decode_label_entry(items[i], &line, &templ);
        if (position < 0) continue;
        char text[kLabelSize + kDateLabelSize];
        PLT_label_format(templ, text);
        if (line < 0) {
            g.fixed[position] = store(position, 0, text) == 0;
        } else if (store(position, line, text) == 0) {
            g.num_overlay = std::max(g.num_overlay, line + 1);
        }
    }
    free_parsed_array(count, items);
    return count;
}

int PLT_labels() {
    PLT_label_resource();
    AttribRecord color;
    ATTRIB_init(&color);
    ATTRIB_get("color_text", gget_inverse() != 0 ? "black" : "white", &color);
    gmessage(0, "Labels");
    GPH_trans(1);
    GPH_line_attr(nullptr);
    GPH_line_attr(&color);
    GPH_text_font(nullptr);

    LabelLayout at{};
    PLT_get_view(at.view);
    float area[4];
    GPH_get_view_size(area);
    const bool full = PLT_get_full_lab() != 0;
    const float space = full ? kFullLabelSpace : at.view[2] - area[2];
    if (space < kMinLabelSpace) return -1;
    if (PLT_get_border() != 0 && FLAG_getplot(kPlotBorder) != 0) GPH_border(at.view);
    if (FLAG_getplot(kPlotText) == 0) return 0;

    at.lines = g.type >= 0 && g.num_overlay > 0 ? g.num_overlay : 1;
    at.line_height = std::min(space / static_cast<float>(at.lines),
                              kMaxLineHeight * (at.view[3] - at.view[2]));
    at.offset = full ? -(0.2F + static_cast<float>(at.lines)) * at.line_height
                     : 0.2F * at.line_height;
    at.text_height = 0.75F * at.line_height;
    GPH_text_attr(&color, at.text_height);
    draw_group(true, at);
    draw_group(false, at);
    return 0;
}

void PLT_labl_reset_for_tests() { g = LablState{}; }

}  // namespace orv
