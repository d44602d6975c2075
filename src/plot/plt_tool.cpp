#include "plot/plt_tool.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/date.hpp"
#include "core/files.hpp"
#include "core/flag.hpp"
#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/resrc.hpp"
#include "core/string.hpp"
#include "core/system.hpp"
#include "core/var_tool.hpp"
#include "geo/region.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_hpgl.hpp"
#include "gks/gks_meta.hpp"
#include "gks/gks_obj.hpp"
#include "gks/gks_ps.hpp"
#include "gks/gks_text.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"
#include "gks/gph.hpp"
#include "mos/cty_tool.hpp"
#include "plot/colors.hpp"
#include "plot/plt_labl.hpp"

namespace orv {
namespace {

constexpr int kPlotTypeNone = 99;
constexpr int kMaxPanels = 8;
constexpr std::size_t kMessSize = 81;  // device messages: 80 characters
constexpr int kRubberBandRect = 2;
constexpr int kDumpTypes = 5;

struct ToolState {
    int ws = 1;
    int type = 0;
    bool graphics = false;
    float offsets[4] = {0.0F, 0.0F, 0.04F, 0.04F};
    float view[4] = {0.0F, 1.0F, 0.0F, 1.0F};
    int full_lab = 0;
    int border = 1;
    int bar = 0;
    int dump_type = kDumpNone;
    char dump_name[kDumpNameSize] = "";
    int zoom = 0;
    Domain first_domain{};
    bool band = false;
    float corner[2] = {0.0F, 0.0F};
    PltEventFunc callback = nullptr;
    PltDomainFunc zoom_func = nullptr;
    PltDomainFunc resize_func = nullptr;
    PltDomainFunc refresh_func = nullptr;
    PltHooks hooks{};
};
ToolState g;

void install_default_hooks() {
    if (g.hooks.detach == nullptr) g.hooks.detach = ORV_back_proc;
}

void view_from_offsets() { std::copy(std::begin(g.offsets), std::end(g.offsets), g.view); }

bool graphics_wanted() {
    return FLAG_getplot(kPlotAll) != 0 && FLAG_get(kFlagPlotType) != kPlotTypeNone;
}

// ---------------------------------------------------------------- parameters

// The value part of an entry "keyword", "keyword:value" (any one separator):
// "" for the bare keyword, null when the entry is another keyword.
const char* keyword_value(const char* entry, const char* keyword) {
    const std::size_t len = std::strlen(keyword);
    if (strnicmp(entry, keyword, len) != 0) return nullptr;
    if (entry[len] == '\0') return entry + len;
    if (std::isalnum(static_cast<unsigned char>(entry[len])) != 0) return nullptr;
    return entry + len + 1;
}

bool is_keyword(const char* entry, const char* keyword) { return stricmp(entry, keyword) == 0; }

// Two numbers "a[:b]"; one number sets both.
int two_ints(const char* text, int* a, int* b) {
    const int n = std::sscanf(text, "%d:%d", a, b);
    if (n == 1) *b = *a;
    return n;
}

bool decode_dump(const char* entry) {
    static constexpr struct {
        const char* word;
        int type;
    } kDumps[] = {{"gif", kDumpGif}, {"png", kDumpPng}, {"img", kDumpImg}, {"xwd", kDumpXwd}};
    for (const auto& d : kDumps) {
        const char* value = keyword_value(entry, d.word);
        if (value == nullptr) continue;
        PLT_set_dump(d.type, value);
        return true;
    }
    return false;
}

bool decode_switch(const char* e) {
    const PltHooks& h = g.hooks;
    static constexpr struct {
        const char* word;
        int value;
    } kIdTypes[] = {{"id", 0}, {"wmo", 1}, {"cod_wmo", 2}};
    for (const auto& id : kIdTypes)
        if (is_keyword(e, id.word)) {
            CTY_set_id_type(id.value);
            return true;
        }
    if (is_keyword(e, "full")) {
        PLT_set_view_offset(0.0F);
    } else if (is_keyword(e, "fullab")) {
        PLT_set_view_offset(0.0F);
        g.full_lab = 1;
    } else if (is_keyword(e, "nopage") || is_keyword(e, "page")) {
        MESS_set_page(is_keyword(e, "page") ? 2 : 0);
    } else if (is_keyword(e, "noredraw")) {
        gset_redraw(0);
    } else if (is_keyword(e, "gif_inter") || is_keyword(e, "gif_norm")) {
        if (h.gif_interlace != nullptr) h.gif_interlace(is_keyword(e, "gif_inter") ? 1 : 0);
    } else if (is_keyword(e, "gif_trans")) {
        if (h.gif_transparent != nullptr) h.gif_transparent(1);
    } else if (is_keyword(e, "inv")) {
        gset_inverse(1);
    } else if (is_keyword(e, "lcmap") || is_keyword(e, "nolcmap")) {
        gset_local_colormap(is_keyword(e, "lcmap") ? 1 : 0);
    } else if (is_keyword(e, "rwclr") || is_keyword(e, "norwclr")) {
        gset_rw_colors(is_keyword(e, "rwclr") ? 1 : 0);
    } else if (is_keyword(e, "nolooptitle")) {
        if (h.set_loop_title != nullptr) h.set_loop_title(0);
    } else if (is_keyword(e, "pscolor")) {
        gps_set_colorPS(1);
        ghpgl_set_colorPS(1);
        gset_inverse(1);
    } else if (is_keyword(e, "psrev")) {
        gps_set_reverse(1);
        ghpgl_set_reverse(1);
    } else if (is_keyword(e, "clear") || is_keyword(e, "new") || is_keyword(e, "kill")) {
        if (h.set_pixel_mode != nullptr)
            h.set_pixel_mode(is_keyword(e, "clear") ? 1 : is_keyword(e, "new") ? 2 : 9);
    } else if (is_keyword(e, "nohdr")) {
        if (h.grd_use_hdr_file != nullptr) h.grd_use_hdr_file(0);
    } else {
        return false;
    }
    return true;
}

bool decode_valued(const char* e) {
    const PltHooks& h = g.hooks;
    const char* v = nullptr;
    if ((v = keyword_value(e, "tz")) != nullptr) {
        DATE_set_TZ(v);
    } else if ((v = keyword_value(e, "over")) != nullptr) {
        int base = 0, lines = 0;
        const int n = std::sscanf(v, "%d:%d", &base, &lines);
        if (n >= 1) PLT_set_overlay_base(base);
        if (n == 2) PLT_set_num_overlay(lines);
    } else if ((v = keyword_value(e, "lalo")) != nullptr) {
        float lat = 0.0F, lon = 0.0F;
        int dot = 0, extra = 0;
        const int n = std::sscanf(v, "%f:%f:%d:%d", &lat, &lon, &dot, &extra);
        if (n == 1) lon = lat;
        if (n >= 1 && h.map_latlon != nullptr)
            h.map_latlon(dot, static_cast<float>(extra), lat, lon);
    } else if (strnicmp(e, "gridx", 5) == 0 && std::isdigit(static_cast<unsigned char>(e[5])) != 0) {
        if (h.grd_set_grid_factor != nullptr) h.grd_set_grid_factor(std::atoi(e + 5));
    } else if ((v = keyword_value(e, "plt_grid")) != nullptr) {
        int limit = 1;
        if (std::sscanf(v, "%d", &limit) != 1) limit = 1;
        MAP_set_plot_limit(limit);
    } else if ((v = keyword_value(e, "loc_pr")) != nullptr) {
        DOM_set_loc_prior(std::atoi(v));
    } else if ((v = keyword_value(e, "vp_size")) != nullptr) {
        PLT_panel_decode(v);
    } else if ((v = keyword_value(e, "font")) != nullptr) {
        GPH_set_def_font(v);
    } else if ((v = keyword_value(e, "shadow")) != nullptr) {
        const int n = std::atoi(v);
        gset_font_drop(n < 1 ? 4 : n);
    } else if ((v = keyword_value(e, "max_bad")) != nullptr) {
        const int n = std::atoi(v);
        if (h.grib_set_max_bad != nullptr) h.grib_set_max_bad(n < 1 ? 5 : n);
    } else if ((v = keyword_value(e, "min_size")) != nullptr) {
        FILE_set_min_size(std::max(0, std::atoi(v)));
    } else if ((v = keyword_value(e, "grdfmt")) != nullptr) {
        if (h.grd_set_format != nullptr) h.grd_set_format(v);
    } else {
        return false;
    }
    return true;
}

// The entries that set up contour plots: the contour module starts each plot
// afresh, so it has them applied again through PLT_decode_cont_params.
bool decode_cont_entry(const char* e) {
    const PltHooks& h = g.hooks;
    const char* v = nullptr;
    if (is_keyword(e, "nobar")) {
        if (h.cont_set_bar != nullptr) h.cont_set_bar(-2);
    } else if ((v = keyword_value(e, "bar")) != nullptr) {
        if (h.cont_set_bar != nullptr) h.cont_set_bar(2);
        float max = 0.0F, min = 0.0F;
        if (std::sscanf(v, "%f:%f", &max, &min) == 2 && h.cont_set_bar_range != nullptr)
            h.cont_set_bar_range(max, min);
    } else if ((v = keyword_value(e, "plt_skip")) != nullptr) {
        int columns = 0, rows = 0;
        if (two_ints(v, &columns, &rows) >= 1 && h.cont_set_skip != nullptr)
            h.cont_set_skip(columns, rows);
    } else if ((v = keyword_value(e, "plt_off")) != nullptr) {
        float x = 0.0F, y = 0.0F;
        const int n = std::sscanf(v, "%f:%f", &x, &y);
        if (n == 1) y = x;
        if (n >= 1 && h.cont_set_plot_offset != nullptr) h.cont_set_plot_offset(x, y);
    } else {
        return false;
    }
    return true;
}

void decode_param(const char* entry) {
    if (decode_cont_entry(entry) || decode_switch(entry) || decode_dump(entry)) return;
    if (!decode_valued(entry))
        MESS_print(kMessDebug, "PLT_param_decode: ignored: %s\n", entry);
}

// Entries of "out_file" that begin with an image word request dumps.
void decode_out_file() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("out_file", &count, &items);
    for (int i = 0; i < count; ++i) {
        const char* e = items[i];
        const int type = PLT_dump_type_of(e);
        if (type == kDumpNone) continue;
        PLT_set_dump(type, e[3] != '\0' ? e + 4 : "");
    }
    free_parsed_array(count, items);
}

// ---------------------------------------------------------------- dumps

const char* default_dump_name(int type) {
    if (type == kDumpGif) return "orv.gif";
    if (type == kDumpPng) return "orv.png";
    return "orv.xwd";
}

const char* dump_kind(int type) {
    switch (type) {
    case kDumpGif: return "GIF";
    case kDumpImg: return "IMG";
    case kDumpPng: return "PNG";
    default: return "xdump";
    }
}

// The file name of a frame image: the dump name as a naming convention with
// key i (the frame, "win" without frame images) and key p (the window
// title), for the current date, in the "image_path" directory.
void dump_file_name(const char* frame_key, char* out, std::size_t size) {
    const char* name = g.dump_name[0] != '\0' ? g.dump_name : default_dump_name(g.dump_type);
    char convention[kFileNameSize + 1] = "@";
    if (name[0] == '@')
        copy_text(convention, name);
    else
        strntcpy(convention + 1, name, sizeof convention - 1);
    FILE_set_name(convention);
    FILE_set_key('i', frame_key);
    FILE_set_key('p', GPH_get_win_title());
    DateRecord now{};
    DATE_get_current_gmdate(&now);
    char expanded[kFileNameSize] = "";
    FILE_set_date(&now, expanded);
    char* dir = nullptr;
    if (RES_get("image_path") != nullptr) RES_getval("image_path", &dir, kResPath);
    FILE_add_path(dir != nullptr && *dir != '\0' ? dir : nullptr, expanded, out, size);
    std::free(dir);
}

int write_image(const char* frame_key) {
    char file[kFileNameSize] = "";
    dump_file_name(frame_key, file, sizeof file);
    const auto writer = g.hooks.image_dump[g.dump_type];
    if (writer != nullptr && writer(file) != 0) {
        MESS_print(kMessMess, "Wrote %s file: %s\n", dump_kind(g.dump_type), file);
        return 0;
    }
    MESS_print(kMessError, "PLT_dump: Unable to write %s file: %s\n", dump_kind(g.dump_type), file);
    return -1;
}

int dump_frame(int frame) {
    char key[16];
    std::snprintf(key, sizeof key, "%2.2d", frame);
    if (g.hooks.select_frame != nullptr) g.hooks.select_frame(frame);
    return write_image(key);
}

// ---------------------------------------------------------------- events

bool starts_with(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

Domain current_domain() {
    Domain d{};
    MAP_get_domain(&d);
    return d;
}

bool is_map_projection(int proj) { return proj >= kProjPolarStereo && proj <= kProjSatellite; }

// The domain of a zoom box on the current domain.
Domain zoomed_domain(float x0, float y0, float x1, float y1) {
    Domain d = current_domain();
    if (is_map_projection(d.proj)) {
        float lat = 0.0F, lon = 0.0F;
        MAP_untran(&lat, &lon, (x0 + x1) / 2.0F, (y0 + y1) / 2.0F);
        d.clat = lat;
        d.clon = lon;
        const float dx = std::fabs(x1 - x0) / static_cast<float>(std::max(d.nx - 1, 1));
        const float dy = std::fabs(y1 - y0) / static_cast<float>(std::max(d.ny - 1, 1));
        d.dx = d.dy = std::max(dx, dy);
        return d;
    }
    float u0 = 0.0F, v0 = 0.0F, u1 = 0.0F, v1 = 0.0F;
    MAP_untran(&u0, &v0, std::min(x0, x1), std::min(y0, y1));
    MAP_untran(&u1, &v1, std::max(x0, x1), std::max(y0, y1));
    d.clat = u0;
    d.clon = v0;
    d.dx = u1 - u0;
    d.dy = v1 - v0;
    return d;
}

void zoom_to_box(float x, float y) {
    const Domain d = zoomed_domain(g.corner[0], g.corner[1], x, y);
    if (g.zoom == 0) g.first_domain = current_domain();
    ++g.zoom;
    MESS_print(kMessPrint, "New domain: ");
    DOM_print(kMessPrint, &d);
    if (g.zoom_func != nullptr) g.zoom_func(&d);
    if (g.hooks.update_window != nullptr) g.hooks.update_window();
}

int display_event(int /*kind*/, const char* event, float x, float y) {
    return g.callback != nullptr ? g.callback(event, x, y) : 0;
}

int refresh_event() { return PLT_plot_refresh(); }

int plotted_variables() {
    int n = 0;
    for (int i = 0; i < VAR_get_num(); ++i) n += VAR_is_PLOT(i) != 0 ? 1 : 0;
    return n;
}

void print_station_data(const CityEntry* station) {
    const void* data = station != nullptr ? CTY_get_data(station->id) : nullptr;
    char text[128] = "";
    if (data != nullptr) copy_text(text, static_cast<const char*>(data));
    MESS_print(kMessPrint, "= %s\n", text);
}

// The value of variable i under the pointer; returns the last variable used.
int print_variable(int i, float x, float y, const CityEntry* station) {
    const PltHooks& h = g.hooks;
    if (VAR_is_type_VECT(i) != 0 && i + 1 < VAR_get_num()) {
        if (h.grd_print_value2 != nullptr) h.grd_print_value2(i, i + 1, x, y);
        return i + 1;
    }
    if (VAR_is_type_GRID(i) != 0) {
        if (h.grd_print_value != nullptr) h.grd_print_value(i, x, y);
        return i;
    }
    print_station_data(station);
    return i;
}

}  // namespace

PltHooks* PLT_hooks() { return &g.hooks; }

int PLT_dump_type_of(const char* entry) {
    static constexpr struct {
        const char* word;
        int type;
    } kWords[] = {{"gif", kDumpGif}, {"png", kDumpPng}, {"img", kDumpImg}, {"xwd", kDumpXwd}};
    for (const auto& w : kWords)
        if (entry != nullptr && strnicmp(entry, w.word, 3) == 0) return w.type;
    return kDumpNone;
}

int PLT_open(float aspect) {
    PLT_param_decode();
    view_from_offsets();
    if (!graphics_wanted()) return 0;
    CLR_register_hooks();
    gtext_register_hooks();
    GPH_setup(&g.ws, &g.type, g.view, aspect);
    g.graphics = true;
    // A printer or metafile keeps each frame, to be drawn again as an image.
    if (g.dump_type != kDumpNone && (gtype_is_PS() != 0 || gtype_is_HPGL() != 0 || gtype_is_META() != 0))
        gobj_keep_frame(1);
    return 0;
}

int PLT_reset(float aspect) {
    view_from_offsets();
    PLT_set_label_type(std::clamp(PLT_get_label_type(), -1, 1));
    if (!graphics_wanted()) return 0;
    if (!g.graphics) return PLT_open(aspect);
    return GPH_reset(g.ws, g.type, g.view, aspect);
}

bool PLT_begin(float aspect) {
    const bool opened = gchk_graphics() == 0;
    if (opened) {
        PLT_open(aspect);
    } else {
        PLT_reset(aspect);
    }
    return opened;
}

// Detaching lets a batch run return to its caller while the window stays
// up; a file device has nothing to wait for, and the caller must find the
// file complete when the program has ended, so only the window detaches.
int PLT_close() {
    install_default_hooks();
    if (FLAG_batch() != 0 && g.graphics && gtype_is_WIN() != 0 && g.hooks.detach() < 0)
        ORV_exit(1);
    if (FLAG_get(kFlagPlotType) != kPlotTypeNone && g.graphics) {
        GPH_trans(2);
        if (g.dump_type == kDumpNone) GPH_hold(0);
        const bool to_file = gtype_is_WIN_PIX() == 0;
        const int closed = GPH_end(g.ws);
        g.graphics = false;
        // A printer or metafile that could not be written through to its end
        // (a full disc, a spooling command that failed) fails the batch run;
        // the device has said why.
        if (closed != 0 && to_file && FLAG_batch() != 0) ORV_exit(kExitGraphics);
    }
    PLT_init_labels();
    return 0;
}

void PLT_exit(int code) {
    if (g.graphics) GPH_end(g.ws);
    g.graphics = false;
    ORV_exit(code);
}

int PLT_mess(const char* format, ...) {
    char text[kMessSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return gchk_graphics() != 0 ? gmessage(0, text) : 0;
}

int PLT_param_decode() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &count, &items);
    for (int i = 0; i < count; ++i) decode_param(items[i]);
    free_parsed_array(count, items);
    decode_out_file();
    return count;
}

int PLT_decode_cont_params() {
    int count = 0;
    char** items = nullptr;
    RES_getvals("plot_param", &count, &items);
    int used = 0;
    for (int i = 0; i < count; ++i) used += decode_cont_entry(items[i]) ? 1 : 0;
    free_parsed_array(count, items);
    return used;
}

int PLT_panel(float aspect) {
    view_from_offsets();
    return GPH_panel(g.ws, g.type, g.view, aspect);
}

int PLT_panel_decode(const char* text) {
    if (text == nullptr) return 0;
    float columns = 0.0F, rows = 0.0F, column = 0.0F, row = 0.0F;
    const int n = std::sscanf(text, "%fx%f+%f+%f", &columns, &rows, &column, &row);
    if (n < 4 || columns <= 0.0F || rows <= 0.0F) return n;
    columns = std::min(columns, static_cast<float>(kMaxPanels));
    rows = std::min(rows, static_cast<float>(kMaxPanels));
    GPH_set_view_size(1.0F / columns, 1.0F / rows, column / columns, 1.0F - (1.0F + row) / rows);
    return n;
}

void PLT_border(int on) { g.border = on; }
int PLT_get_border() { return g.border; }
void PLT_set_bar(int n) { g.bar = n; }

int PLT_bar() {
    if (g.bar != 0 || g.hooks.cont_get_bar == nullptr || g.hooks.cont_get_bar() <= 0) return 0;
    g.bar = 1;
    return 1;
}

void PLT_set_view_offset(float offset) { PLT_set_view_offsets(0.0F, 0.0F, offset, offset); }

void PLT_set_view_offsets(float left, float right, float bottom, float top) {
    g.offsets[0] = left;
    g.offsets[1] = right;
    g.offsets[2] = bottom;
    g.offsets[3] = top;
}

void PLT_get_view_offsets(float* offsets) { std::copy(std::begin(g.offsets), std::end(g.offsets), offsets); }

void PLT_get_view(float* view) { std::copy(std::begin(g.view), std::end(g.view), view); }
int PLT_get_work_type() { return g.type; }
int PLT_get_full_lab() { return g.full_lab; }
void PLT_set_full_lab(int flag) { g.full_lab = flag; }

int PLT_set_callback(PltEventFunc callback) {
    g.callback = callback;
    if (g.hooks.set_mouse_callback != nullptr)
        g.hooks.set_mouse_callback(callback != nullptr ? display_event : nullptr);
    return 0;
}
PltEventFunc PLT_get_callback() { return g.callback; }

void PLT_set_zoom_func(PltDomainFunc f) { g.zoom_func = f; }
void PLT_set_resize_func(PltDomainFunc f) { g.resize_func = f; }

void PLT_set_refresh_func(float interval, PltDomainFunc f) {
    g.refresh_func = f;
    if (g.hooks.set_refresh_callback != nullptr)
        g.hooks.set_refresh_callback(interval, f != nullptr ? refresh_event : nullptr);
}

void PLT_set_zoom(int count) { g.zoom = std::max(count, 0); }
int PLT_get_zoom() { return g.zoom; }

void PLT_set_dump(int type, const char* name) {
    g.dump_type = type >= kDumpNone && type < kDumpTypes ? type : kDumpNone;
    copy_text(g.dump_name, name);
}
int PLT_get_dump_type() { return g.dump_type; }

int PLT_dump(int frame) {
    // A finished frame ends its printer page or CGM picture; the next frame
    // has its own.
    gps_end_frame();
    ghpgl_end_frame();
    gmeta_end_frame();
    // Without graphics (plot type "none") there is no picture to dump.
    if (g.dump_type == kDumpNone || !graphics_wanted()) return -1;
    FILE_save_name_conv();
    const int frames = g.hooks.num_frames != nullptr ? g.hooks.num_frames() : 0;
    int status = 0;
    if (frames < 1) {
        status = write_image("win");
    } else if (frame == kDumpAllFrames && frames >= 2) {
        for (int k = 0; k < frames; ++k) status |= dump_frame(k);
    } else {
        if (frame < 0) frame = g.hooks.current_frame != nullptr ? g.hooks.current_frame() : 0;
        status = dump_frame(frame);
    }
    FILE_restore_name_conv();
    if (status != 0 && FLAG_batch() != 0) ORV_note_failure(kExitGraphics);
    return status;
}

int PLT_plot_zoom(const char* event, float x, float y) {
    if (event == nullptr) return 0;
    if (std::strcmp(event, "B1-P-Shft") == 0) {
        g.corner[0] = x;
        g.corner[1] = y;
        g.band = true;
        if (g.hooks.set_rubber_band != nullptr) g.hooks.set_rubber_band(kRubberBandRect, x, y);
        return 1;
    }
    if (starts_with(event, "B1-R") && g.band) {
        g.band = false;
        if (x == g.corner[0] || y == g.corner[1]) return 1;
        zoom_to_box(x, y);
        return 1;
    }
    if (std::strcmp(event, "u-Alt") == 0 && g.zoom_func != nullptr && g.zoom >= 1) {
        MESS_print(kMessPrint, "Original domain: ");
        DOM_print(kMessPrint, &g.first_domain);
        g.zoom = 0;
        g.zoom_func(&g.first_domain);
        return 1;
    }
    if (std::strcmp(event, "r-Alt") == 0 && g.zoom_func != nullptr) {
        const Domain d = current_domain();
        g.zoom_func(&d);
        return 1;
    }
    return 0;
}

int PLT_plot_resize(const char* event, float /*x*/, float /*y*/) {
    if (event == nullptr || std::strcmp(event, "size") != 0 || g.resize_func == nullptr) return 0;
    const Domain d = current_domain();
    g.resize_func(&d);
    return 1;
}

int PLT_plot_refresh() {
    if (g.refresh_func == nullptr) return 0;
    const Domain d = current_domain();
    g.refresh_func(&d);
    return 1;
}

int PLT_print_location(float x, float y) {
    float lat = 0.0F, lon = 0.0F;
    MAP_untran(&lat, &lon, x, y);
    const float px = gchk_graphics() != 0 ? xW_p(x) : 0.0F;
    const float py = gchk_graphics() != 0 ? yW_p(y) : 0.0F;
    MESS_print(kMessPrint, "Lat: %6.2f Lon: %7.2f XY: %6.2f %6.2f Pixel: %6.2f %6.2f\n",
               static_cast<double>(lat), static_cast<double>(lon), static_cast<double>(x),
               static_cast<double>(y), static_cast<double>(px), static_cast<double>(py));
    return 0;
}

int PLT_print_values(const char* event, float x, float y) {
    if (event == nullptr) return 0;
    if (std::strcmp(event, "e-Alt") == 0) {
        if (plotted_variables() != 1 || FILE_get_num_file() != 0 || g.hooks.grd_edit_value == nullptr)
            return 0;
        g.hooks.grd_edit_value(0, x, y);
        return 1;
    }
    if (std::strcmp(event, "v-Alt") != 0) return 0;
    PLT_print_location(x, y);
    float lat = 0.0F, lon = 0.0F;
    MAP_untran(&lat, &lon, x, y);
    CityEntry station{};
    const bool found = CTY_search_loc(&station, lat, lon) == 1;
    if (found) {
        float slat = 0.0F, slon = 0.0F;
        MAP_untran(&slat, &slon, station.x, station.y);
        MESS_print(kMessPrint, "Id: %s Lat: %6.2f Lon: %7.2f ", station.id, static_cast<double>(slat),
                   static_cast<double>(slon));
    }
    const bool single = plotted_variables() == 1;
    for (int i = 0; i < VAR_get_num(); ++i) {
        if (VAR_is_PLOT(i) == 0) continue;
        if (!single) {
            const char* name = VAR_get_name(i);
            if (name != nullptr && *name != '\0')
                MESS_print(kMessPrint, "Var: %6.6s - ", name);
            else
                MESS_print(kMessPrint, "Var: #%5d - ", i);
        }
        i = print_variable(i, x, y, found ? &station : nullptr);
    }
    return 1;
}

void PLT_reset_for_tests() {
    g = ToolState{};
    PLT_labl_reset_for_tests();
}

}  // namespace orv
