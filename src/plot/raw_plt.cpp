#include "plot/raw_plt.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/var_tool.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gks_line.hpp"
#include "plot/colors.hpp"
#include "plot/cont.hpp"
#include "plot/data_plt.hpp"
#include "plot/windbarb.hpp"
#include "plot/wx_symb.hpp"

namespace orv {
namespace {

constexpr unsigned kLevelDebug = 0x40000000;
constexpr float kPositionX = 0.012F;   // standard spacing of the station model
constexpr float kPositionY = 0.02F;
constexpr float kTextHeight = 0.018F;
constexpr float kCloudRadius = 0.01F;
constexpr float kBarbLength = 0.05F;
constexpr float kSymbolSize = 0.03F;
constexpr float kKnotsToPlane = 1.852F / 100.0F;  // one hour's travel in plane units (100 km)

struct Position {
    const char* keyword;
    float x;
    float y;
};
constexpr Position kPositions[] = {
    {"ul", -kPositionX, kPositionY}, {"uc", 0, kPositionY}, {"ur", kPositionX, kPositionY},
    {"tl", -kPositionX, 0.012F},     {"tc", 0, 0.012F},     {"tr", kPositionX, 0.012F},
    {"cl", -kPositionX, 0},          {"cc", 0, 0},          {"cr", kPositionX, 0},
    {"bl", -kPositionX, -0.012F},    {"bc", 0, -0.012F},    {"br", kPositionX, -0.012F},
    {"ll", -kPositionX, -kPositionY}, {"lc", 0, -kPositionY}, {"lr", kPositionX, -kPositionY},
};

struct Marker {
    const char* name;
    int code;
};
constexpr Marker kMarkers[] = {
    {"dot", 8}, {"pnt", 1}, {"plus", 2}, {"star", 3}, {"crcl", 4}, {"circle", 4}, {"x", 5},
    {"sqr", 6}, {"square", 6}, {"tri", 7}, {"itri", 9}, {".", 8}, {"+", 2}, {"*", 3},
    {"o", 4}, {"#", 6}, {"^", 7}, {"v", 9},
};

struct RawPlotState {
    RawFormat base{};
    RawFormat current{};
    float last_x = kMissingF;  // the previous station, for line mode
    float last_y = kMissingF;
    float segment[4] = {kMissingF, kMissingF, kMissingF, kMissingF};
    bool segment_armed = false;
    int plotted = 0;
};
RawPlotState g;
bool g_initialised = false;

RawPlotState& state() {
    if (!g_initialised) {
        RAW_init_attrib(&g.base);
        g.current = g.base;
        g_initialised = true;
    }
    return g;
}

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool has_key(std::string_view field, const char* key) {
    const std::size_t n = std::strlen(key);
    return field.size() >= n && iequal(field.substr(0, n), key);
}

float to_float(std::string_view text) {
    char buf[64];
    copy_text(buf, std::string(text).c_str());
    return static_cast<float>(std::atof(buf));
}

int marker_code(std::string_view name) {
    for (const Marker& m : kMarkers)
        if (iequal(name, m.name)) return m.code;
    return static_cast<int>(to_float(name));
}

int align_for_offset(float x) { return x < 0.0F ? 3 : x > 0.0F ? 1 : 2; }

bool set_position(RawFormat* f, std::string_view keyword) {
    for (const Position& p : kPositions) {
        if (!iequal(keyword, p.keyword)) continue;
        f->x_offset = p.x;
        f->y_offset = p.y;
        f->horizontal = align_for_offset(p.x);
        f->vertical = 3;
        return true;
    }
    return false;
}

void set_xy(RawFormat* f, std::string_view values) {
    char buf[64];
    copy_text(buf, std::string(values).c_str());
    float x = 0.0F;
    float y = 0.0F;
    if (std::sscanf(buf, "%f%*[ ,:]%f", &x, &y) != 2) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    f->x_offset = x * kPositionX;
    f->y_offset = y * kPositionY;
    f->horizontal = align_for_offset(x);
    f->vertical = 3;
}

void set_alignment(RawFormat* f, std::string_view letters) {
    const char h = letters.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(letters[0])));
    const char v = letters.size() < 2 ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(letters[1])));
    f->horizontal = h == 'L' ? 1 : h == 'R' ? 3 : 2;
    f->vertical = v == 'T' ? 1 : v == 'C' ? 2 : v == 'B' ? 5 : v == 'S' ? 4 : 3;
}

template <std::size_t N>
void set_text(char (&dst)[N], std::string_view text) {
    copy_text(dst, std::string(text).c_str());
}

int apply_field(RawFormat* f, std::string_view field) {
    const std::string_view rest = field.size() > 3 ? field.substr(3) : std::string_view{};
    if (field.empty()) return 0;
    if (field[0] == '%') {
        set_text(f->number_format, field);
        return kRawValue;
    }
    if (has_key(field, "fm=")) {
        set_text(f->number_format, rest);
        return kRawValue;
    }
    if (set_position(f, field)) return 0;
    if (has_key(field, "xy=")) {
        set_xy(f, rest);
    } else if (has_key(field, "rs=")) {
        const std::string name(rest);
        if (RES_get(name.c_str()) != nullptr) {
            AttribRecord a;
            ATTRIB_init(&a);
            ATTRIB_get(name.c_str(), "green", &a);
            ATTRIB_update(&f->attributes, &a);
        }
    } else if (has_key(field, "co=")) {
        f->attributes.color = CLR_get_ind(std::string(rest).c_str());
    } else if (has_key(field, "hi=")) {
        f->attributes.height = to_float(rest);
    } else if (has_key(field, "sc=")) {
        const float s = to_float(rest);
        f->scale = s < 0.01F || s > 1000.0F ? 1.0F : s;
    } else if (has_key(field, "wi=")) {
        f->attributes.width = to_float(rest);
    } else if (has_key(field, "fo=")) {
        f->attributes.font = gget_font_index(std::string(rest).c_str());
    } else if (has_key(field, "te=")) {
        f->attributes.expansion = to_float(rest);
    } else if (has_key(field, "tx=")) {
        set_text(f->text, rest);
    } else if (has_key(field, "ta=")) {
        set_alignment(f, rest);
    } else if (has_key(field, "mk=")) {
        f->marker = marker_code(rest);
    } else if (has_key(field, "sf=") || has_key(field, "wf=")) {
        set_text(f->symbol_file, rest);
    } else if (has_key(field, "mn=")) {
        f->min = to_float(rest);
    } else if (has_key(field, "mx=")) {
        f->max = to_float(rest);
    } else if (has_key(field, "sk=")) {
        f->skip = std::max(1, static_cast<int>(to_float(rest)));
    } else {
        const int type = VAR_dec_type(std::string(field).c_str());
        return type > 0 ? type : 0;
    }
    return 0;
}

bool is_wind_type(int type) { return (type >= kRawVect && type <= kRawTrack) || (type >= kRawWbarb && type <= kRawVbarb); }
bool is_text_type(int type) { return type == kRawData || type == kRawText || type == kRawMark || type == kRawCloud || type == kRawSymb; }

// Formats come from files and the command line: only one floating-point
// conversion (flags, width, precision) with any text around it is used.
bool is_float_format(const char* format) {
    int conversions = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        ++p;
        p += std::strspn(p, "-+ #0");
        p += std::strspn(p, "0123456789");
        if (*p == '.') {
            ++p;
            p += std::strspn(p, "0123456789");
        }
        if (*p == '\0' || std::strchr("eEfFgG", *p) == nullptr) return false;
        ++conversions;
    }
    return conversions == 1;
}

// The value formatted by a number format; a format "%z..." drops the leading zero.
void format_number(char* out, std::size_t size, const char* format, float value) {
    if (format[0] != '%' || format[1] != 'z') {
        if (!is_float_format(format)) format = "%1.0f";
        std::snprintf(out, size, format, static_cast<double>(value));
        return;
    }
    char rest[kRawNumberFormatSize + 1] = "%";
    std::strncat(rest, format + 2, sizeof rest - 2);
    format_number(out, size, rest, value);
    if (out[0] == '0' && out[1] != '\0')
        std::memmove(out, out + 1, std::strlen(out));
    else if (out[0] == '-' && out[1] == '0' && out[2] != '\0')
        std::memmove(out + 1, out + 2, std::strlen(out + 1));
}

// The text a value shows in the station model: empty when nothing is shown.
void value_text(char* out, std::size_t size, const RawData& r, const RawFormat& f) {
    out[0] = '\0';
    switch (r.type) {
        case kRawData:
            if (r.text[0] == '\0' && !is_missing(r.value))
                format_number(out, size, f.number_format[0] != '\0' ? f.number_format : "%1.0f", r.value);
            else
                strntcpy(out, r.text, size);
            break;
        case kRawText:
            strntcpy(out, r.text, size);
            break;
        case kRawValue:
            if (is_missing(r.value))
                strntcpy(out, r.text, size);
            else
                format_number(out, size, f.number_format[0] != '\0' ? f.number_format : "%1.0f", r.value);
            break;
        case kRawInt:
            if (!is_missing(r.value))
                format_number(out, size, f.number_format[0] != '\0' ? f.number_format : "%1.0f",
                              std::trunc(r.value));
            break;
        default:
            break;
    }
}

float plot_height(const RawFormat& f) { return MAP_get_vert() * f.scale; }

void draw_text(const char* text, float x, float y) {
    if (text[0] != '\0') GPH_printf("%s", x, y, text);
}

void draw_marker(int marker, float x, float y, const RawFormat& f) {
    if (marker == kRawStationCircle) {
        WX_cloud("0", x, y, kCloudRadius * plot_height(f));
        return;
    }
    gset_marker_type(marker);
    GPH_mark(x, y);
}

void draw_line_type(const RawData& r, float x, float y) {
    if (std::strcmp(r.text, "pre") == 0) {
        if (!is_missing(g.segment[0])) GPH_line(g.segment[0], g.segment[1], g.segment[2], g.segment[3]);
        return;
    }
    if (std::strcmp(r.text, "post") == 0) {
        g.segment_armed = true;
        return;
    }
    float x2 = kMissingF;
    float y2 = kMissingF;
    if (MAP_tran(&x2, &y2, r.value, r.second) > 0) GPH_line(x, y, x2, y2);
}

void draw_calm(float x, float y, float radius) { WX_cloud("0", x, y, radius); }

// Draws the value itself; false when nothing is drawn.
bool draw_value(const RawData& r, float x, float y) {
    const RawFormat& f = g.current;
    const float h = plot_height(f);
    const float direction = r.value;
    const float speed = r.second;
    char text[64];
    switch (r.type) {
        case kRawData: case kRawText: case kRawValue: case kRawInt:
            value_text(text, sizeof text, r, f);
            draw_text(text, x, y);
            return text[0] != '\0';
        case kRawMark:
            if (r.text[0] == '\0') return false;
            draw_marker(marker_code(r.text), x, y, f);
            return true;
        case kRawTrack:
            if (is_missing(speed) || speed <= 0.0F) return false;
            return WIND_track(4, x, y, direction, 2.0F * speed * kKnotsToPlane * MAP_factor(MAP_get_clat()),
                              0.1F * h) == 0;
        case kRawCloud:
            if (r.text[0] == '\0') return false;
            WX_cloud(r.text, x, y, kCloudRadius * h);
            return true;
        case kRawWind: case kRawBarb: case kRawWbarb:
            if (speed == 0.0F) {
                draw_calm(x, y, 0.003F * h);
                return true;
            }
            return direction >= 0.0F && WIND_barb_map(x, y, direction, speed, kBarbLength * h, 0.0F) == 0;
        case kRawCbarb:
            if (speed == 0.0F) {
                draw_calm(x, y, 0.013F * h);
                return true;
            }
            return WIND_barb_map(x, y, direction, speed, kBarbLength * h, 0.01F * h) == 0;
        case kRawDbarb: {
            if (is_missing(direction) || is_missing(speed)) return false;
            WX_cloud("8", x, y, 0.003F * h);
            if (speed == 0.0F) draw_calm(x, y, 0.006F * h);
            else WIND_barb_map(x, y, direction, speed, kBarbLength * h, 0.003F * h);
            return true;
        }
        case kRawVect: case kRawVbarb:
            if (is_missing(speed) || speed <= 0.0F) return false;
            return WIND_vect_map(x, y, direction, speed * kKnotsToPlane, f.scale, 1.0F) == 0;
        case kRawSymb:
            return WX_symb(r.text, x, y, kSymbolSize * h) == 0;
        case kRawLine:
            draw_line_type(r, x, y);
            return true;
        default:
            return false;
    }
}

bool value_present(const RawData& r) {
    return r.text[0] != '\0' || !is_missing(r.value);
}

void colour_by_value(const RawData& r) {
    const float value = is_wind_type(r.type) ? r.second : r.value;
    if (is_missing(value)) return;
    if (CONT_get_num_cont() <= 0 && !(g.current.interval > 0.0F)) return;
    AttribRecord a;
    if (CONT_get_fill_attrib(&a, value) < 0) return;
    ATTRIB_update(&g.current.attributes, &a);
}

bool outside_range(const RawData& r) {
    const float value = is_wind_type(r.type) ? r.second : r.value;
    if (is_missing(value)) return false;
    const RawFormat& f = g.current;
    return (!is_missing(f.min) && value < f.min) || (!is_missing(f.max) && value > f.max);
}

void apply_plot_param(RawFormat* f, const char* item) {
    const std::string_view p(item);
    if (has_key(p, "skip")) {
        std::string_view n = p.substr(4);
        if (!n.empty() && n[0] == '=') n.remove_prefix(1);
        f->skip = std::max(1, static_cast<int>(to_float(n)));
    } else if (iequal(p, "text")) {
        f->type = kRawText;
    } else if (has_key(p, "mark")) {
        std::string_view name = p.substr(4);
        if (!name.empty() && name[0] == '=') name.remove_prefix(1);
        f->marker = name.empty() || iequal(name, "cld") ? kRawStationCircle : marker_code(name);
    } else if (iequal(p, "line")) {
        f->line_mode = 1;
    } else if (iequal(p, "ybar")) {
        f->bar_base = 0;
    } else if (has_key(p, "xy=")) {
        set_xy(f, p.substr(3));
    } else {
        set_position(f, p);
    }
}

}  // namespace

void RAW_init_attrib(RawFormat* f) {
    if (f == nullptr) return;
    ATTRIB_init(&f->attributes);
    f->interval = kMissingF;
    f->scale = 1.0F;
    f->color_base = 0.0F;
    f->min = kMissingF;
    f->max = kMissingF;
    f->symbol_file[0] = '\0';
    f->text[0] = '\0';
    f->number_format[0] = '\0';
    f->bar_base = kMissing;
    f->marker = 0;
    f->horizontal = 2;
    f->vertical = 3;
    f->x_offset = 0.0F;
    f->y_offset = 0.0F;
    f->line_mode = 0;
    f->skip = 1;
    f->type = 0;
}

int RAW_parse_format(RawFormat* f, const char* text) {
    if (f == nullptr || text == nullptr) return 0;
    int type = 0;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t cut = rest.find(':');
        std::string_view field = rest.substr(0, cut);
        while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
        while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
        if (const int t = apply_field(f, field); t > 0) type = t;
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    if (type > 0) f->type = type;
    return type;
}

int RAW_set_attribs(const RawFormat* f) {
    if (f == nullptr) return -1;
    AttribRecord a = f->attributes;
    if (is_missing(a.color)) {
        AttribRecord d;
        ATTRIB_init(&d);
        ATTRIB_get("color_data", gget_inverse() != 0 ? "DGreen" : "green", &d);
        a.color = d.color;
    }
    const float h = MAP_get_vert() * f->scale;
    GPH_text_attr(&a, kTextHeight * h);
    GPH_text_align(f->horizontal, f->vertical);
    GPH_line_attr(&a);
    GPH_mark_attr(&a, f->scale);
    GPH_fill_attr(&a);
    if (f->symbol_file[0] != '\0') WX_symb_file(f->symbol_file);
    return 0;
}

int RAW_set_attr(const AttribRecord* record) {
    if (record == nullptr) return -1;
    ATTRIB_update(&state().current.attributes, record);
    return 0;
}

int RAW_plot_param() {
    int n = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &n, &items);
    for (int i = 0; i < n; ++i) apply_plot_param(&state().base, items[i]);
    free_parsed_array(n, items);
    return 0;
}

int RAW_plot_init(const AttribRecord* attributes, float scale) {
    if (FLAG_getplot(kPlotAll) == 0 || FLAG_get(kFlagPlotType) == 99) return -1;
    RawPlotState& s = state();
    RAW_init_attrib(&s.base);
    if (attributes != nullptr) ATTRIB_update(&s.base.attributes, attributes);
    if (scale > 0.0F) s.base.scale = scale;
    RAW_plot_param();
    GPH_trans(2);
    CONT_init();
    CONT_set_fill_colors(nullptr, 0);
    if (is_missing(CONT_get_type())) CONT_set_type(15);
    if (const char* format = RES_get("plot_format"); format != nullptr) RAW_parse_format(&s.base, format);
    CONT_read_base();
    float interval = kMissingF;
    if (RES_getval("con_interval", &interval, kResReal) > 0 && interval > 0.0F) {
        s.base.interval = interval;
        CONT_set_intrvl(interval);
    }
    RAW_set_attribs(&s.base);
    s.base.horizontal = align_for_offset(s.base.x_offset);
    s.last_x = s.last_y = kMissingF;
    s.segment_armed = false;
    s.plotted = 0;
    return 0;
}

int RAW_plot_data(RawData* record) {
    if (record == nullptr) return -1;
    if (FLAG_getplot(kPlotData) == 0 || FLAG_get(kFlagPlotType) == 99) return -1;
    RawPlotState& s = state();
    s.current = s.base;
    ATTRIB_update(&s.current.attributes, &record->attributes);
    RawData r = *record;
    if (s.current.type > 0 && r.type == 0) r.type = s.current.type;
    if (const int t = RAW_parse_format(&s.current, r.format); t > 0) r.type = t;
    colour_by_value(r);
    if (outside_range(r) || s.current.attributes.color == kColorNone) return -1;
    RAW_set_attribs(&s.current);

    const float h = plot_height(s.current);
    const float x = r.x + s.current.x_offset * h;
    const float y = r.y + s.current.y_offset * h;
    char shown[kRawTextSize];
    RAW_data_to_text(&r, shown, static_cast<int>(sizeof shown));
    MESS_print(kLevelDebug, "PLOT: %8.3f %8.3f %-5s %-10s %-10s %8.3f\n", static_cast<double>(x),
               static_cast<double>(y), VAR_print_type(r.type), r.text, shown, static_cast<double>(r.value));
    if (s.segment_armed && !is_missing(s.last_x)) {
        GPH_line(s.last_x, s.last_y, r.x, r.y);
        s.segment_armed = false;
    }

    bool drawn = false;
    if (s.current.text[0] != '\0') {
        draw_text(s.current.text, x, y);
        drawn = true;
    } else {
        if (s.current.marker != 0 && value_present(r)) {
            draw_marker(s.current.marker, r.x, r.y, s.current);
            drawn = true;
        }
        if (s.current.line_mode != 0 && !is_missing(s.last_x)) GPH_line(s.last_x, s.last_y, r.x, r.y);
        if (!is_missing(s.current.bar_base)) GPH_line(x, y, x, r.y + static_cast<float>(s.current.bar_base));
        drawn = draw_value(r, x, y) || drawn;
    }
    s.last_x = r.x;
    s.last_y = r.y;
    if (!drawn) return -1;
    ++s.plotted;
    return 0;
}

char* RAW_data_to_text(const RawData* r, char* out, int size) {
    if (out == nullptr || size <= 0) return out;
    out[0] = '\0';
    if (r == nullptr) return out;
    const std::size_t n = static_cast<std::size_t>(size);
    const char* format = state().current.number_format;
    RawFormat f{};
    RAW_init_attrib(&f);
    RAW_parse_format(&f, r->format);
    if (f.number_format[0] != '\0') format = f.number_format;
    if (is_wind_type(r->type)) {
        if (!is_missing(r->value) && !is_missing(r->second))
            std::snprintf(out, n, "%1.0f-%1.0f", static_cast<double>(r->value), static_cast<double>(r->second));
    } else if (is_text_type(r->type) && (r->type != kRawData || r->text[0] != '\0' || is_missing(r->value))) {
        strntcpy(out, r->text, n);
    } else if (!is_missing(r->value)) {
        format_number(out, n, format[0] != '\0' ? format : "%1.0f",
                      r->type == kRawInt ? std::trunc(r->value) : r->value);
    }
    return out;
}

char* RAW_data_to_string(char* out, const RawData* record) { return RAW_data_to_text(record, out, static_cast<int>(kRawTextSize)); }

void RAW_set_scale(float scale) { state().base.scale = scale < 0.01F || scale > 1000.0F ? 1.0F : scale; }
float RAW_get_scale() { return state().base.scale; }
void RAW_set_off(float x, float y) {
    state().base.x_offset = x;
    state().base.y_offset = y;
}
void RAW_set_format(const char* text) { RAW_parse_format(&state().base, text); }
const RawFormat* RAW_get_format() { return &state().base; }
void RAW_set_marker(int marker) { state().base.marker = marker; }
void RAW_set_intrvl(float interval) {
    state().base.interval = interval;
    if (interval > 0.0F) CONT_set_intrvl(interval);
}
float RAW_get_intrvl() { return state().base.interval; }
void RAW_set_range(float min, float max) {
    state().base.min = min;
    state().base.max = max;
}
void RAW_get_range(float* min, float* max) {
    if (min != nullptr) *min = state().base.min;
    if (max != nullptr) *max = state().base.max;
}
int RAW_get_plotted() { return state().plotted; }

void RAW_register_hooks() {
    DataSeams* s = DATA_seams();
    s->raw_plot_init = RAW_plot_init;
    s->raw_plot_data = RAW_plot_data;
    s->raw_data_to_string = RAW_data_to_text;
    s->plot_grid_init = MAP_plot_grid_init;
    s->plot_grid = MAP_plot_grid;
}

void RAW_plt_reset_for_tests() {
    g = RawPlotState{};
    g_initialised = false;
}

}  // namespace orv
