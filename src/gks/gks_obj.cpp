#include "gks/gks_obj.hpp"

#include <cstdlib>
#include <cstring>

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "gks/gks_colr.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_meta.hpp"
#include "gks/gks_ps.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"

namespace orv {
namespace {

constexpr int kEventsEveryAppend = 500;
constexpr int kEventsEveryReplay = 200;
constexpr std::size_t kPrintNameSize = 161;
constexpr int kPrintWidth = 757;
constexpr int kPrintHeight = 577;
constexpr int kMetaPrintWidth = 1000;
constexpr int kMetaPrintHeight = 800;

struct FunctionData {
    GRedrawFunc func;
    void* arg;
};

struct ObjState {
    GObj root{0, nullptr, 0, nullptr};
    GObj* last = &root;
    int num_objects = 0;
    int redraw = 1;
    int action = 0;
    int redrawn = 0;
    const GObjWindowHooks* window = nullptr;
    bool keep_frame = false;
    GKernelState start;  // the kernel when the kept frame began
};
ObjState g;

void process_events() {
    if (g.window != nullptr && g.window->process_events != nullptr) g.window->process_events();
}

int set_cursor(int type) {
    if (g.window != nullptr && g.window->set_cursor != nullptr) return g.window->set_cursor(type);
    return 0;
}

void free_record(GObj* obj) {
    if (obj->type == kObjFunction && obj->data != nullptr)
        std::free(static_cast<FunctionData*>(obj->data)->arg);
    std::free(obj->data);
    std::free(obj);
}

float float_at(const GObj* obj, int i) {
    float v = 0.0F;
    std::memcpy(&v, static_cast<const char*>(obj->data) + i * sizeof(float), sizeof v);
    return v;
}

int int_at(const GObj* obj, int i) {
    int v = 0;
    std::memcpy(&v, static_cast<const char*>(obj->data) + i * sizeof(int), sizeof v);
    return v;
}

const GPoint* points(const GObj* obj) { return static_cast<const GPoint*>(obj->data); }
const float* rect(const GObj* obj) { return static_cast<const float*>(obj->data); }

// Replays the list with recording and caching off.
int replay(int events_every) {
    g.redrawn = 0;
    int count = 0;
    for (const GObj* obj = g.root.next; obj != nullptr; obj = obj->next) {
        gobj_redraw_funcs(obj);
        if (events_every > 0 && ++count % events_every == 0) {
            process_events();
            if (g.redrawn != 0) return count;
        }
    }
    return count;
}

// Opens the print file of a file device and writes its header; false when
// it cannot be opened.
bool open_print_file(int kind, const char* name) {
    if (kind == kWsPostScript) {
        if (gps_open_file(name) == nullptr) return false;
        gps_init();
        gps_init_file();
        gset_window_size(kPrintWidth, kPrintHeight);
        for (int i = -1; i < kBackgroundEntry; ++i) {
            float r = 0, gr = 0, b = 0;
            gget_color_rgb(i, &r, &gr, &b);
            gps_set_color_rep(i, r, gr, b);
        }
        ginit_plot(2);
        return true;
    }
    if (gmeta_open_file(name) == nullptr) return false;
    gset_window_size(kMetaPrintWidth, kMetaPrintHeight);
    gmeta_init_file();
    ginit_plot(4);
    gmeta_write_state();
    return true;
}

// Replays the list into a file device of `kind`; the caller's workstation
// kind, recording switch and window size are restored afterwards.
int print_list(int kind, const char* name, const char* function, const char* fail_text,
               const char* empty_text) {
    const int old_kind = gget_ws_type();
    const int old_redraw = g.redraw;
    const int old_cache = g.action;
    int old_w = 0, old_h = 0;
    gget_window_size(&old_w, &old_h);
    const int old_cursor = set_cursor(8);
    gset_ws_type(kind);
    g.redraw = 0;  // the print's own set-up is not the window's drawing
    int status = 0;
    // A file workstation cannot print into a second file while its own is open.
    if (old_kind == kind || !open_print_file(kind, name)) {
        gerr_printf(function, "%s", fail_text);
        status = -1;
    } else {
        g.redraw = 0;
        g.action = 0;
        if (g.root.next == nullptr) MESS_print(kMessError, "%s", empty_text);
        replay(0);
        if ((kind == kWsPostScript ? gps_close_file() : gmeta_close_file()) != 0) status = -1;
    }
    gset_ws_type(old_kind);
    gset_window_size(old_w, old_h);
    ginit_plot(1);
    g.redraw = old_redraw;
    g.action = old_cache;
    set_cursor(old_cursor);
    process_events();
    if (g.window != nullptr && g.window->bell != nullptr) g.window->bell(50);
    return status;
}

}  // namespace

void ginit_objs() {
    gclear_objs();  // records left from before would be lost otherwise
    const char* env = std::getenv("orvredraw");
    if (env != nullptr && std::strcmp(env, "no") == 0) g.redraw = 0;
}

void* gnew_obj(int code, int value, std::size_t size, const void* data) {
    if (++g.num_objects % kEventsEveryAppend == 0) process_events();
    if (g.redraw == 0 || g.last == nullptr) return nullptr;
    auto* obj = static_cast<GObj*>(std::malloc(sizeof(GObj)));
    void* copy = size > 0 ? std::malloc(size) : nullptr;
    if (obj == nullptr || (size > 0 && copy == nullptr)) {
        std::free(obj);
        std::free(copy);
        gerr_printf("newobj", "malloc error\n");
        return nullptr;
    }
    if (copy != nullptr && data != nullptr) std::memcpy(copy, data, size);
    *obj = GObj{code, nullptr, value, copy};
    g.last->next = obj;
    g.last = obj;
    return copy;
}

int gset_redraw(int flag) {
    const int old = g.redraw;
    g.redraw = flag;
    return old;
}

int gget_redraw() { return g.redraw; }

int gset_cache(int flag) {
    const int old = g.action;
    g.action = flag;
    return old;
}

int gget_cache() { return g.action; }

int gset_redraw_func(GRedrawFunc func, void* arg) {
    const FunctionData fd{func, arg};
    if (gnew_obj(kObjFunction, 0, sizeof fd, &fd) == nullptr) {
        std::free(arg);
        return -1;
    }
    return 0;
}

void gclear_objs() {
    GObj* obj = g.root.next;
    while (obj != nullptr) {
        GObj* next = obj->next;
        free_record(obj);
        obj = next;
    }
    g.root.next = nullptr;
    g.last = &g.root;
    g.num_objects = 0;
    if (g.keep_frame) g.start = gsave_kernel_state();
}

void gobj_keep_frame(int on) {
    g.keep_frame = on != 0;
    if (!g.keep_frame) return;
    g.redraw = 1;
    gclear_objs();
}

int gobj_keeps_frame() { return g.keep_frame ? 1 : 0; }

int gobj_replay_frame() {
    if (!g.keep_frame) return -1;
    const int old_redraw = g.redraw;
    g.redraw = 0;
    ginit_plot(1);
    grestore_kernel_state(g.start);
    const int count = replay(0);
    g.redraw = old_redraw;
    return count;
}

int gdel_seg_objs(int segment) {
    GObj* before = &g.root;
    while (before->next != nullptr &&
           !(before->next->type == kObjSegStart && before->next->value == segment))
        before = before->next;
    if (before->next == nullptr) return -1;
    GObj* obj = before->next;
    bool ended = false;
    while (obj != nullptr && !ended) {
        ended = obj->type == kObjSegEnd && obj->value == segment;
        GObj* next = obj->next;
        free_record(obj);
        obj = next;
    }
    before->next = obj;
    if (obj == nullptr) g.last = before;
    return 0;
}

int gobj_redraw_funcs(const GObj* obj) {
    const int v = obj->value;
    switch (obj->type) {
        case kObjMessage: return gmessage(v, static_cast<const char*>(obj->data));
        case kObjWsVp: return gset_ws_vp(1, rect(obj));
        case kObjWsWin: return gset_ws_win(1, rect(obj));
        case kObjSelTran: return gsel_norm_tran(v);
        case kObjVp: return gset_vp(v, rect(obj));
        case kObjWin: return gset_win(v, rect(obj));
        case kObjColorRep: return gset_colr_rep(1, v, float_at(obj, 0), float_at(obj, 1), float_at(obj, 2));
        case kObjClearRegion: return gclear_region(rect(obj));
        case kObjPolyline: return gpolyline(v, points(obj));
        case kObjLineType: return gset_linetype(v);
        case kObjLineWidth: return gset_linewidth(float_at(obj, 0));
        case kObjLineColor: return gset_line_colr_ind(v);
        case kObjLineBold: return gset_line_print_bold(v);
        case kObjPolymarker: return gpolymarker(v, points(obj));
        case kObjMarkerType: return gset_marker_type(v);
        case kObjMarkerSize: return gset_marker_size(float_at(obj, 0));
        case kObjMarkerColor: return gset_marker_colr_ind(v);
        case kObjMarkerWidth: return gset_marker_width(float_at(obj, 0));
        case kObjText:
            return gtext(float_at(obj, 0), float_at(obj, 1),
                         static_cast<const char*>(obj->data) + 2 * sizeof(float));
        case kObjSpace: return gset_space(float_at(obj, 0));
        case kObjCharSpace: return gset_char_space(float_at(obj, 0));
        case kObjExpan: return gset_expan(float_at(obj, 0));
        case kObjTextColor: return gset_text_colr_ind(v);
        case kObjCharHt: return gset_char_ht(float_at(obj, 0));
        case kObjUpVec: return gset_char_up_vec(float_at(obj, 0), float_at(obj, 1));
        case kObjFont: return gset_fontprec(int_at(obj, 0), int_at(obj, 1));
        case kObjTextAlign: return gset_text_align(int_at(obj, 0), int_at(obj, 1));
        case kObjTextWidth: return gset_text_width(float_at(obj, 0));
        case kObjFillArea: return gfill_area(v, points(obj));
        case kObjFillIntStyle: return gset_fill_int_style(v);
        case kObjFillStyle: return gset_fill_style_ind(v);
        case kObjFillColor: return gset_fill_colr_ind(v);
        case kObjFillSolid: return gset_fill_print_solid(v);
        case kObjFunction: {
            const auto* fd = static_cast<const FunctionData*>(obj->data);
            if (fd != nullptr && fd->func != nullptr) fd->func(fd->arg);
            return 0;
        }
        default: return 0;
    }
}

int gobj_redraw_plot() {
    if (g.redraw == 0) return -1;
    if (g.window != nullptr && g.window->adopt_size != nullptr) g.window->adopt_size();
    const int old_cursor = set_cursor(8);
    g.redraw = 0;
    g.action = 0;
    ginit_plot(1);
    replay(kEventsEveryReplay);
    g.redraw = 1;
    g.action = 1;
    set_cursor(old_cursor);
    process_events();
    g.redrawn = 1;
    return 0;
}

int gobj_print_plot() {
    char name[kPrintNameSize] = "orv.ps";
    const char* env = std::getenv("orvps_print");
    if (env == nullptr) env = std::getenv("PSPRINT");
    if (env != nullptr) copy_text(name, env);
    return print_list(kWsPostScript, name, "gprint_plot", "unable to open postscript file\n",
                      "gobj_print_plot: No redraw data to make Postscript file from\n");
}

int gobj_print_meta() {
    char name[kPrintNameSize] = "orv.meta";
    const char* env = std::getenv("METAOUT");
    if (env != nullptr) copy_text(name, env);
    return print_list(kWsMeta, name, "gprint_meta", "unable to open metafile\n",
                      "gobj_print_meta: No redraw data to make metafile from\n");
}

namespace {
// A metafile keeps segments itself.
bool meta_segment(int code, int segment) {
    if (!gtype_is_META()) return false;
    const GDevice* d = gget_device();
    if (d != nullptr && d->attribute != nullptr) d->attribute(code, segment);
    return true;
}

int segment_record(int code, int segment) {
    if (meta_segment(code, segment)) return -1;
    gnew_obj(code, segment, 0, nullptr);
    return 0;
}
}  // namespace

int gcreate_seg(int segment) { return segment_record(kObjSegStart, segment); }
int gclose_seg(int segment) { return segment_record(kObjSegEnd, segment); }

int gdel_seg(int segment) {
    if (meta_segment(kObjSegDelete, segment)) return -1;
    g.redraw = 0;
    g.action = 0;
    const int status = gdel_seg_objs(segment);
    g.redraw = 1;
    g.action = 1;
    return status;
}

const GObj* gget_objs() { return g.root.next; }
int gget_num_objs() { return g.num_objects; }
void gset_obj_window_hooks(const GObjWindowHooks* hooks) { g.window = hooks; }

void gks_obj_reset_for_tests() {
    gclear_objs();
    g = ObjState{};
    g.last = &g.root;
}

GKernelState gsave_kernel_state() {
    GKernelState s;
    gget_ws_win(s.ws_win);
    int status = 0;
    for (int n = 0; n <= kMaxNormTran; ++n) ginq_norm_tran(n, &status, s.tran[n]);
    ginq_cur_norm_tran_num(&status, &s.cur_tran);
    s.line = ginq_line_attr();
    s.marker = ginq_marker_attr();
    s.fill = ginq_fill_attr();
    s.text = ginq_text_attr();
    return s;
}

void grestore_kernel_state(const GKernelState& s) {
    gset_ws_win(1, s.ws_win);
    for (int n = 0; n <= kMaxNormTran; ++n) {
        gset_win(n, s.tran[n]);
        gset_vp(n, s.tran[n] + 4);
    }
    gsel_norm_tran(s.cur_tran);
    gset_line_colr_ind(s.line.color);
    gset_linewidth(s.line.width);
    gset_linetype(s.line.type);
    gset_line_print_bold(s.line.print_bold);
    gset_marker_colr_ind(s.marker.color);
    gset_marker_type(s.marker.type);
    gset_marker_size(s.marker.size);
    gset_marker_width(s.marker.width);
    gset_fill_colr_ind(s.fill.color);
    gset_fill_int_style(s.fill.int_style);
    gset_fill_style_ind(s.fill.style_index);
    gset_fill_print_solid(s.fill.print_solid);
    const GTextAttr& t = s.text;
    gset_text_colr_ind(t.color);
    gset_char_ht(t.height);
    gset_char_up_vec(t.up_x, t.up_y);
    gset_text_align(t.align_h, t.align_v);
    gset_fontprec(t.font, t.precision);
    gset_expan(t.expansion);
    gset_space(t.spacing);
    gset_char_space(t.char_spacing);
    gset_text_width(t.width);
}

}  // namespace orv
