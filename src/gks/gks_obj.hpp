// The display list: every primitive and attribute change drawn on a window is
// recorded so that the picture can be redrawn, printed to PostScript or
// written as a metafile, and cut into segments.
#pragma once

#include <cstddef>

#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_mark.hpp"
#include "gks/gks_tool.hpp"
#include "gks/gks_tran.hpp"

namespace orv {

// The kernel's transformations and primitive attributes, taken before
// drawing something that changes them (a kept frame, a replayed metafile)
// and put back afterwards. Putting back a value the kernel already has
// changes nothing.
struct GKernelState {
    float ws_win[4] = {0.0F, 1.0F, 0.0F, 1.0F};
    float tran[kMaxNormTran + 1][8] = {};
    int cur_tran = 0;
    GLineAttr line;
    GMarkerAttr marker;
    GFillAttr fill;
    GTextAttr text;
};
GKernelState gsave_kernel_state();
void grestore_kernel_state(const GKernelState& s);

// Object codes of the records.
enum GObjCode : int {
    kObjMessage = 5, kObjWsVp = 10, kObjWsWin = 11, kObjSelTran = 15, kObjVp = 16,
    kObjWin = 17, kObjColorRep = 20, kObjClearRegion = 25, kObjPolyline = 30,
    kObjLineType = 33, kObjLineWidth = 34, kObjLineColor = 35, kObjLineBold = 36,
    kObjPolymarker = 40, kObjMarkerType = 43, kObjMarkerSize = 44, kObjMarkerColor = 45,
    kObjMarkerWidth = 46, kObjText = 50, kObjSpace = 53, kObjCharSpace = 54,
    kObjExpan = 55, kObjTextColor = 56, kObjCharHt = 57, kObjUpVec = 58, kObjFont = 59,
    kObjTextAlign = 60, kObjTextWidth = 61, kObjFillArea = 70, kObjFillIntStyle = 73,
    kObjFillStyle = 74, kObjFillColor = 75, kObjFillSolid = 76, kObjSegStart = 81,
    kObjSegEnd = 82, kObjFunction = 999,
    // Not a record: tells a device (the metafile) that a segment was deleted.
    kObjSegDelete = 83,
};

struct GObj {
    int type;
    GObj* next;
    int value;
    void* data;
};

using GRedrawFunc = void (*)(void* arg);

void ginit_objs();
// Appends a record with a copy of `size` bytes of data (left for the caller
// to fill when data is null); returns the copy, or null when recording is off.
void* gnew_obj(int code, int value, std::size_t size, const void* data);
int gset_redraw(int flag);
int gget_redraw();
int gset_cache(int flag);
int gget_cache();
// Appends a function record; `arg` (malloc'd, may be null) becomes the list's.
int gset_redraw_func(GRedrawFunc func, void* arg);
void gclear_objs();
int gdel_seg_objs(int segment);
int gobj_redraw_funcs(const GObj* obj);
int gobj_redraw_plot();
int gobj_print_plot();
int gobj_print_meta();
// A file device keeps the frame being drawn for image capture: recording
// on, and each start of the list notes the kernel's transformations and
// attributes. gobj_replay_frame draws the kept frame again from that state
// on the current device: the number of records, or -1 when no frame is kept.
void gobj_keep_frame(int on);
int gobj_keeps_frame();
int gobj_replay_frame();
int gcreate_seg(int segment);
int gclose_seg(int segment);
int gdel_seg(int segment);

// The recorded list (head's successor) and the number of records created.
const GObj* gget_objs();
int gget_num_objs();

// Window hooks of the display device (the window device sets them): adopt
// the window size, busy cursor, event processing, bell.
struct GObjWindowHooks {
    void (*adopt_size)();
    int (*set_cursor)(int type);   // returns the previous cursor
    void (*process_events)();
    void (*bell)(int volume);
};
void gset_obj_window_hooks(const GObjWindowHooks* hooks);

void gks_obj_reset_for_tests();

}  // namespace orv
