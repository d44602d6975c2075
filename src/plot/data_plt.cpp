#include "plot/data_plt.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/system.hpp"
#include "core/tools.hpp"
#include "geo/map.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "grid/grd_read.hpp"
#include "grid/grd_tool.hpp"
#include "mos/cty_tool.hpp"
#include "plot/colors.hpp"
#include "plot/cont.hpp"
#include "plot/plt_labl.hpp"
#include "plot/plt_tool.hpp"

namespace orv {
namespace {

constexpr unsigned kLevelMess = 3840;
constexpr unsigned kLevelWarn = 64;
constexpr unsigned kLevelWarnReport = 192;
constexpr unsigned kLevelDebug = 0x40000000;
// The map list's unsigned entries are drawn with the underlay when nothing
// covers the map, else with the overlay.
constexpr int kMapUnderAndNormal = kMapUnderlay | kMapNormal;
constexpr int kMapOverAndNormal = kMapOverlay | kMapNormal;
constexpr int kRawFieldBase = 10;
constexpr std::size_t kRawLabelLimit = 110;
constexpr float kNauticalMile = 1.852F;

enum AttribSet { kAttrData, kAttrWind, kAttrCloud, kAttrWx, kAttrSets };

struct FrameState {
    bool fill = false;
    int map_flag = 0;
    bool bar_drawn = false;
    bool vect_bar_drawn = false;
    float scale = 1.0F;
    AttribRecord attributes[kAttrSets]{};
    int site = 0;
    float distance = 0.0F;
    int raw_fd = -1;
    int raw_fields = 0;
    bool function = false;  // the vector pair comes from a grid function
    DataSeams seams{};
};
FrameState g;

bool is_fill_type(int type) { return type == 15 || type == 16 || type == 52; }
bool in_list(int v) { return v >= 0 && v < VAR_get_num(); }
bool is_vector_plot(int type) { return type >= 20 && type <= 23; }

int attribute_set_of(int type) {
    if (type >= 32 && type <= 35) return kAttrWind;
    if (type == 31) return kAttrCloud;
    if (type == 36) return kAttrWx;
    return kAttrData;
}

int map_flag_of_list() {
    bool panel = false;
    for (int i = 0; i < VAR_get_num(); ++i) {
        if (VAR_is_type_MAP(i) != 0) return 1;
        panel = panel || VAR_is_PANEL(i) != 0;
    }
    return panel ? -1 : 0;
}

void label_variable(int v, bool vector) {
    if (VAR_is_LABEL(v) == 0) return;
    char text[kVarInfoSize];
    if (vector || PLT_get_label_type() < 0)
        VAR_make_var_datatype(v, text);
    else
        copy_text(text, GRD_get_grid(v)->info);
    PLT_label_up_left(text);
    PLT_next_overlay();
}

int plot_vector_pair(int v, int from, PlotControl* control, bool function, bool with_units) {
    if (g.seams.vect_set_type != nullptr) g.seams.vect_set_type(VAR_get_type(v));
    char units[16] = "";
    if (with_units) copy_text(units, VAR_get_units(v));
    g.function = function;
    const int last = DATA_plot_vect(from, control, units, with_units ? VAR_get_format(v) : "");
    g.function = false;
    DATA_plot_bar();
    DATA_plot_vect_bar();
    return last;
}

// The group of station-plot variables that start at v: v alone when it is a
// regular variable, else up to the next regular one.
int group_end(int v) {
    if (VAR_is_REG(v) != 0) return v;
    int end = v;
    while (end + 1 < VAR_get_num() && VAR_is_REG(end + 1) == 0) ++end;
    return end;
}

// Returns the number of values drawn.
int plot_station(int v, int end, PlotControl* control, const CityEntry& entry) {
    int drawn = 0;
    RawData raw;
    RAW_data_init(&raw);
    raw.x = entry.x;
    raw.y = entry.y;
    char* label = static_cast<char*>(CTY_get_data(entry.id));
    RAW_save_station(&entry);
    if (g.distance >= 10.0F) MAP_draw_circle(entry.x, entry.y, g.distance * kNauticalMile);
    if (g.site != 0 && g.seams.raw_plot_data != nullptr) {
        RawData mark = raw;
        mark.type = kTypeMark;
        copy_text(mark.text, "plus");
        g.seams.raw_plot_data(&mark);
    }
    for (int k = v; k <= end; ++k) {
        if (VAR_is_PLOT(k) == 0) continue;
        if (k == v || VAR_get_type(k) != VAR_get_type(k - 1))
            raw.attributes = g.attributes[attribute_set_of(VAR_get_type(k))];
        RAW_data_init_val(&raw);
        raw.type = VAR_get_type(k);
        if (control->get_data != nullptr) control->get_data(control->report, VAR_get_var(k), &raw);
        copy_text(raw.format, VAR_get_format(k));
        RAW_save_data(&raw);
        RAW_set_var_string(VAR_get_var(k), &raw, label);
        if (g.seams.raw_plot_data != nullptr && g.seams.raw_plot_data(&raw) >= 0) ++drawn;
    }
    RAW_save_end();
    return drawn;
}

}  // namespace

DataSeams* DATA_seams() { return &g.seams; }

void DATA_register_hooks() {
    CONT_register_hooks();
    PltHooks* h = PLT_hooks();
    h->map_latlon = MAP_latlon;
    h->grd_set_grid_factor = GRD_set_grid_factor;
    h->grd_set_format = [](const char* format) { GRD_set_format(format); };
    h->grd_print_value = [](int slot, float x, float y) { GRD_print_value(GRD_get_grid(slot), x, y); };
    h->grd_print_value2 = [](int u, int v, float x, float y) {
        GRD_print_value2(GRD_get_grid(u), GRD_get_grid(v), x, y);
    };
}

// ---------------------------------------------------------------- frame

int DATA_plot_init() {
    const DataSeams seams = g.seams;
    g = FrameState{};
    g.seams = seams;
    g.fill = is_fill_type(FLAG_get(kFlagPlotType));
    g.map_flag = map_flag_of_list();
    for (AttribRecord& a : g.attributes) ATTRIB_init(&a);
    const bool inverse = gget_inverse() != 0;
    // Station values keep their green, darkened on white paper to stay legible.
    ATTRIB_get("color_data", inverse ? "DGreen" : "green", &g.attributes[kAttrData]);
    ATTRIB_get("color_wind", inverse ? "black" : "white", &g.attributes[kAttrWind]);
    ATTRIB_get("color_cloud", inverse ? "black" : "white", &g.attributes[kAttrCloud]);
    ATTRIB_get("color_wx", inverse ? "brown" : "yellow", &g.attributes[kAttrWx]);
    float scale = 1.0F;
    if (RES_getval("plot_scale", &scale, kResReal) > 0 && scale > 0.0F) g.scale = scale;
    return 0;
}

void DATA_new_frame() {
    PLT_set_overlay(0);
    g.bar_drawn = false;
    g.vect_bar_drawn = false;
}

// The frame's overlay follows and draws the latitude/longitude grid on top.
int DATA_map_underlay() {
    return MAP_draw((g.map_flag != 1 && !g.fill ? kMapUnderAndNormal : kMapUnderlay) | kMapGridLater);
}

// The contour marks and labels are drawn after the map, so that its lines
// do not cross them.
int DATA_map_overlay() {
    int status = 0;
    if (g.map_flag != 1 && g.fill) {
        MAP_fill_cont(1);
        status = MAP_draw(kMapOverAndNormal);
    } else {
        status = MAP_draw(kMapOverlay);
    }
    CONT_draw_pending();
    return status;
}

int DATA_get_fill() { return g.fill ? 1 : 0; }
int DATA_get_map_flag() { return g.map_flag; }
void DATA_set_site(int flag) { g.site = flag; }
void DATA_set_dist(float distance) { g.distance = distance; }

// ---------------------------------------------------------------- grids

int DATA_plot_grid(int v, PlotControl* control) {
    if (!in_list(v) || control == nullptr) return v;
    const int type = VAR_get_type(v);
    int last = v;
    if (VAR_is_plot_VECT(v) != 0 && is_vector_plot(type)) {
        last = plot_vector_pair(v, v + 1, control, false, true);
    } else if (VAR_is_plot_FUNC_VECT(v) != 0) {
        last = plot_vector_pair(v, v, control, true, true);
    } else if (VAR_is_plot_FUNC(v) != 0 && is_vector_plot(type)) {
        const bool plot_func = g.seams.is_plot_func != nullptr && g.seams.is_plot_func(VAR_get_name(v)) != 0;
        last = plot_func ? plot_vector_pair(v, v + 1, control, true, true)
                         : plot_vector_pair(v, v, control, false, false);
    } else {
        if (VAR_is_plot_GRID(v) == 0) return v;
        if (VAR_is_type_VECT(v) != 0) {
            char units[16] = "";
            last = DATA_plot_vect(v, control, units, nullptr);
        } else {
            last = DATA_plot_cont(v, control, nullptr);
        }
        DATA_plot_bar();
        if (VAR_is_type_VECT(v) != 0) DATA_plot_vect_bar();
    }
    label_variable(v, VAR_is_type_VECT(v) != 0 || is_vector_plot(type));
    MESS_print(kLevelDebug, "GRID--BEG: %d END: %d\n", v, last);
    return last < v ? v : last;
}

int DATA_plot_cont(int v, PlotControl* control, const char* format) {
    if (control == nullptr) return v;
    PLT_label_date(&control->date);
    PLT_label_for_time(VAR_get_time(v));
    CONT_set_station_count(DATA_get_analysed(v));
    CONT_plot_setup(control->frame, v, GRD_get_grid(v), &control->plot_domain, control->callback);
    if (is_fill_type(CONT_get_type())) g.fill = true;
    (void)format;
    CONT_defer_annotations(1);
    CONT_draw(GRD_get_grid(v));
    return v;
}

int DATA_plot_vect(int v, PlotControl* control, char* units, const char* format) {
    if (control == nullptr) return v;
    if (format == nullptr || *format == '\0') format = VAR_get_format(v);
    PLT_label_date(&control->date);
    PLT_label_for_time(VAR_get_time(v));
    if (g.seams.vect_set_format != nullptr) g.seams.vect_set_format(VAR_get_type(v), format);
    if (g.seams.find_param_grids == nullptr) return v;
    int slots[2] = {-1, -1};
    const int last = g.seams.find_param_grids(v, 2, g.function ? 1 : 0, slots);
    if (last < 0 || slots[0] < 0 || slots[1] < 0) return v;
    GridField* u = GRD_get_grid(slots[0]);
    GridField* w = GRD_get_grid(slots[1]);
    if (units != nullptr && *units != '\0') {
        GRD_units(u, units);
        GRD_units(w, units);
    } else if (units != nullptr) {
        std::strcpy(units, u->units);
    }
    if (g.seams.vect_plot != nullptr) g.seams.vect_plot(control->frame, v, u, w, &control->plot_domain, control->callback);
    return last;
}

int DATA_plot_bar() {
    if (g.bar_drawn || CONT_get_bar() < 1) return 0;
    g.bar_drawn = true;
    GPH_trans(1);
    CONT_draw_bar(1, "");
    GPH_trans(2);
    return 1;
}

int DATA_plot_vect_bar() {
    if (g.vect_bar_drawn || g.seams.vect_get_vect == nullptr || g.seams.vect_get_vect() < 1) return 0;
    g.vect_bar_drawn = true;
    GPH_trans(1);
    if (g.seams.vect_draw_vect != nullptr) g.seams.vect_draw_vect();
    GPH_trans(2);
    return 1;
}

int DATA_plot_map(int v) {
    if (!in_list(v)) return -1;
    if (VAR_is_type_MAP(v) == 0) return 0;
    MAP_set_format(VAR_get_format(v));
    MAP_draw(kMapNormal);
    return 0;
}

// ---------------------------------------------------------------- station plots

int DATA_plot_raw(int v, PlotControl* control) {
    if (!in_list(v) || control == nullptr || VAR_is_plot_PLOT(v) == 0) return v;
    if (control->raw_plot != nullptr && control->raw_plot(v, control) != 0) return v;
    if (VAR_is_COMP(v) != 0) {
        DATA_plot_raw_label(v, v, control);
        return v;
    }
    const int end = group_end(v);
    MESS_print(kLevelDebug, "PLOT--BEG: %d END: %d\n", v, end);
    FILE_save_name_conv();
    if (control->raw_out != nullptr && control->raw_out() != 0 && RAW_date_open(&control->date) == 0) {
        FILE_restore_name_conv();
        return end;
    }
    FILE_restore_name_conv();

    if (g.seams.raw_plot_init != nullptr)
        g.seams.raw_plot_init(&g.attributes[attribute_set_of(VAR_get_type(v))], g.scale);
    if (g.seams.plot_grid_init != nullptr) g.seams.plot_grid_init();
    gset_fill_print_solid(1);
    if (control->rewind != nullptr) control->rewind();
    CityEntry entry{};
    int drawn = 0;
    int reads = 0;
    for (;;) {
        const int status = DATA_read_report(control, &entry, &reads);
        if (status < 0) break;
        if (status == 0) continue;
        if (g.seams.plot_grid != nullptr && g.seams.plot_grid(entry.x, entry.y) == 0) continue;
        drawn += plot_station(v, end, control, entry);
    }
    if (drawn == 0) {
        char text[kVarInfoSize];
        MESS_print(kLevelWarnReport, "No station values of %s to plot\n", VAR_make_var_datatype(v, text));
        ORV_note_failure(kExitNothingDrawn);
    }
    gset_fill_print_solid(0);
    // The members of a group are not labelled themselves: the group is.
    if (v > 0 && VAR_is_COMP(v - 1) != 0) DATA_plot_raw_label(v - 1, v - 1, control);
    DATA_plot_raw_label(v, end, control);
    DATA_plot_bar();
    RAW_close_file();
    return end;
}

int DATA_plot_raw_label(int first, int last, PlotControl* control) {
    if (control == nullptr) return 0;
    for (int k = first; k <= last && in_list(k); ++k) {
        if (VAR_is_LABEL(k) == 0 || (VAR_is_plot_PLOT(k) == 0 && VAR_is_COMP(k) == 0)) continue;
        if (control->get_var != nullptr) control->get_var(VAR_get_var(k));
        char text[kVarInfoSize];
        PLT_label_up_left(VAR_make_var_datatype(k, text));
        PLT_label_date(&control->date);
        PLT_label_for_time(VAR_get_time(k));
        char label[kGridLabelSize];
        DATE_make_label_for_time(VAR_get_time(k), control->model == kMissing ? 1 : control->model,
                                 &control->date, label);
        PLT_label_up_right(label);
        PLT_next_overlay();
    }
    return 0;
}

// ---------------------------------------------------------------- raw files

int RAW_date_open(const DateRecord* date) {
    if (g.seams.raw_open == nullptr) return 0;
    g.raw_fields = 0;
    char info[50] = "";
    for (int i = 0; i < VAR_get_num(); ++i) {
        if (VAR_is_plot_PLOT(i) != 0 && g.raw_fd < 0) {
            FILE_set_key('v', VAR_get_name(i));
            char name[kFileNameSize];
            char path[kFileNameSize];
            FILE_set_date(date, name);
            output_path("raw_path", name, path);
            if (FILE_overwrite(path, 1) >= 2) {
                MESS_print(kLevelWarn, "RAW_date_open: Unable to overwrite raw file: %s\n", path);
                continue;
            }
            g.raw_fd = g.seams.raw_open(path, 1);
            if (g.raw_fd < 0) {
                MESS_print(kLevelWarn, "RAW_date_open: Unable to create raw file: %s\n", path);
                continue;
            }
            MESS_print(kLevelMess, "Opening raw file: %s\n", path);
            char full_info[kVarInfoSize];
            copy_text(info, VAR_make_var_datatype(i, full_info));
        }
        if (g.raw_fd >= 0 && VAR_get_flag(i) < 2) {
            char info[kVarInfoSize];
            char format[kRawFormatSize + 16];
            std::snprintf(format, sizeof format, "%s:%s", VAR_print_type(VAR_get_type(i)), VAR_get_format(i));
            if (g.seams.raw_set_field != nullptr)
                g.seams.raw_set_field(g.raw_fd, kRawFieldBase + g.raw_fields, VAR_get_name(i),
                                      VAR_make_var_datatype(i, info), format);
            ++g.raw_fields;
        }
    }
    if (g.raw_fd >= 0 && g.seams.raw_putinfo != nullptr) {
        char label[kGridLabelSize];
        DATE_make_label(date, label);
        g.seams.raw_putinfo(g.raw_fd, info, label);
    }
    return g.raw_fields;
}

int RAW_file_open(const char* spec, int* field, const char** extra, int mode) {
    if (field != nullptr) *field = 1;
    if (extra != nullptr) *extra = nullptr;
    if (spec == nullptr || g.seams.raw_open == nullptr) return -1;
    char name[kFileNameSize];
    copy_text(name, spec);
    const std::size_t len = std::strlen(name);
    char* cut = len > 2 ? std::strpbrk(name + 2, "-:") : nullptr;
    static char rest[kFileNameSize];
    if (cut != nullptr) {
        const char separator = *cut;
        *cut = '\0';
        copy_text(rest, spec + (cut - name) + 1);
        if (separator == ':') {
            if (extra != nullptr) *extra = rest;
        } else {
            if (char* colon = std::strchr(rest, ':'); colon != nullptr) {
                *colon = '\0';
                if (extra != nullptr) *extra = colon + 1;
            }
            char* end = nullptr;
            const long n = std::strtol(rest, &end, 10);
            if (field != nullptr && end != rest && *end == '\0') *field = n == kMissing ? kMissing : static_cast<int>(n) + kRawFieldBase;
        }
    }
    char path[kFileNameSize];
    const char* dir = RES_get("raw_path");
    FILE_add_path(dir != nullptr ? dir : "", name, path);
    const int fd = g.seams.raw_open(path, mode == 0 ? 0 : 1);
    if (fd < 0) MESS_print(kLevelWarnReport, "RAW_file_open: Unable to open file:%s\n", path);
    return fd;
}

int RAW_save_station(const CityEntry* entry) {
    if (g.raw_fd < 0 || entry == nullptr || g.seams.raw_write == nullptr) return 0;
    float lat = kMissingF;
    float lon = kMissingF;
    MAP_untran(&lat, &lon, entry->x, entry->y);
    char id[30];
    copy_text(id, entry->id);
    return g.seams.raw_write(g.raw_fd, 3, id, lat, lon, nullptr);
}

int RAW_save_data(const RawData* raw) {
    if (g.raw_fd < 0 || raw == nullptr || g.seams.raw_write == nullptr) return 0;
    return g.seams.raw_write(g.raw_fd, 4, nullptr, kMissingF, kMissingF, raw);
}

int RAW_save_end() {
    if (g.raw_fd < 0 || g.seams.raw_write == nullptr) return 0;
    return g.seams.raw_write(g.raw_fd, 5, nullptr, kMissingF, kMissingF, nullptr);
}

int RAW_close_file() {
    if (g.raw_fd >= 0 && g.seams.raw_close != nullptr) g.seams.raw_close(g.raw_fd);
    g.raw_fd = -1;
    return 0;
}

int RAW_set_var_string(const VarRecord* variable, const RawData* raw, char* text) {
    if (text == nullptr || variable == nullptr || raw == nullptr) return 0;
    char value[kRawTextSize] = "";
    if (g.seams.raw_data_to_string != nullptr)
        g.seams.raw_data_to_string(raw, value, static_cast<int>(sizeof value));
    else if (raw->text[0] != '\0')
        copy_text(value, raw->text);
    else if (!is_missing(raw->value))
        std::snprintf(value, sizeof value, "%g", static_cast<double>(raw->value));
    constexpr std::size_t kBlock = kRawLabelBlock;
    if (variable->flag > 4) {
        if (text[0] == '\0') strntcpy(text, value, kBlock);
        return 1;
    }
    const std::size_t len = std::strlen(text);
    if (len >= kRawLabelLimit) {
        strntcpy(text, value, kBlock);
        return 1;
    }
    if (std::strncmp(text, variable->name, std::strlen(variable->name)) == 0) text[0] = '\0';
    char piece[kBlock];
    std::snprintf(piece, sizeof piece, "%s=%s ", variable->name, value);
    std::strncat(text, piece, kBlock - 1 - std::strlen(text));
    return 1;
}

void DATA_plt_reset_for_tests() {
    RAW_close_file();
    g = FrameState{};
}

}  // namespace orv
