// Graphics kernel: opening and closing, the workstation and its device
// dispatch, the error file, messages, cleared regions, the text primitive
// with the text attributes, and the seam through which the stroke-font
// module letters text.
#pragma once

#include <cstdio>

#include "gks/gks_tran.hpp"

namespace orv {

// Workstation kinds (also the device numbers of device selection).
inline constexpr int kWsWindow = 1;
inline constexpr int kWsMeta = 3;
inline constexpr int kWsPostScript = 4;
inline constexpr int kWsHpgl = 5;
inline constexpr int kWsPixmap = 6;

// One output device. Primitives arrive in world coordinates after the
// kernel's checks; the device converts them with the kernel's
// transformation functions and reads the attributes from the kernel.
// Entries a device does not need may be null.
struct GDevice {
    int kind;
    int (*open)(int ws, const char* text);  // 0, or -1 with the device's message
    int (*close)(int ws);
    void (*clear)(int ws, int flag);
    void (*update_clip)();                 // viewport or workstation transformation changed
    void (*attribute)(int code, int n);    // a setter changed the value of object code `code`
    void (*color_rep)(int index, float r, float g, float b);
    int (*polyline)(int n, const GPoint* pts);
    int (*polymarker)(int n, const GPoint* pts);
    int (*fill_area)(int n, const GPoint* pts);
    void (*message)(const char* text);
    void (*clear_region)(const float* rect);
    // Text strokes (see GTextHooks): a string begins at a world position,
    // glyphs are paths of moves and draws in world coordinates. shadow is -1
    // for the text colour, k >= 0 for the k-th black shadow copy drawn k
    // device units right and down.
    void (*text_begin)(float x, float y, const char* string, int shadow);
    void (*glyph_begin)();
    void (*text_move)(float x, float y);
    void (*text_draw)(float x, float y);
    void (*glyph_end)();
    void (*text_end)();
    // A device that keeps text as text (the text metafile) writes the whole
    // string here instead of receiving strokes.
    int (*text)(float x, float y, const char* string);
    // Shows the picture and waits for the user (window devices).
    int (*hold)(int mode);
};

// Shared checks of the primitives: -1 (with the message, under the
// primitive's name) for a closed kernel, too few points or non-finite
// coordinates; 0 when the points lie wholly outside the window; else 1.
int gcheck_points(const char* function, int n, const GPoint* pts, int min_points);

// The common steps of the attribute setters: the kernel must be open, a value
// equal to the current one changes nothing, a new one is recorded for redraw
// and handed to the device. Each returns 0, or -1 with a message.
int gset_int_attr(const char* function, int code, int& slot, int value);
int gset_colr_attr(const char* function, int code, int& slot, int index);
int gset_float_attr(const char* function, const char* what, int code, float& slot, float value);

// Kernel open/close and the error file ("-", null or empty: standard error).
int gopen_gks(const char* err_file, int memory = 0);
int gclose_gks();
int gchk_gks();
// 1 when a workstation is open.
int gchk_graphics();
[[gnu::format(printf, 2, 3)]] int gerr_printf(const char* function, const char* format, ...);

// Workstations: one open at a time.
int gopen_ws(int ws, const char* text, int kind);
int gclose_ws(int ws);
int gactivate_ws(int ws);
int gdeactivate_ws(int ws);
int gclear_ws(int ws, int flag);
// Re-initialises the drawing state: 1 window redraw, 2 PostScript, 3 HPGL,
// 4 metafile, 10 resize.
int ginit_plot(int kind);

// The current workstation kind and its device (null when none is open).
int gget_ws_type();
// Switches the kind (and device) of the open workstation; the display list's
// print replay uses it. Returns the previous kind.
int gset_ws_type(int kind);
const GDevice* gget_device();
// The device table: a device registers itself for its kind.
void gregister_device(const GDevice* device);
const GDevice* gfind_device(int kind);
int gtype_is_WIN();
int gtype_is_PIX();
int gtype_is_WIN_PIX();
int gtype_is_PS();
int gtype_is_HPGL();
int gtype_is_META();

int gmessage(int level, const char* text);
int gclear_region(const float* rect);

// Text attributes.
struct GTextAttr {
    int color = 1;
    float height = 0.01F;
    float up_x = 0.0F;
    float up_y = 1.0F;
    int align_h = 0;
    int align_v = 0;
    int font = 1;
    int precision = 0;
    float expansion = 1.0F;
    float spacing = 0.25F;
    float char_spacing = 0.0F;
    float width = 1.0F;
    int drop = 0;
};

int gtext(float x, float y, const char* string);
int gset_text_colr_ind(int index);
int gset_char_ht(float height);
int gset_char_up_vec(float x, float y);
int gset_text_align(int horizontal, int vertical);
int gset_fontprec(int font, int precision);
int gset_expan(float factor);
int gset_space(float spacing);
int gset_char_space(float spacing);
int gset_text_width(float width);
int gset_font_drop(int n);
int gget_font_drop();
void greset_text();
const GTextAttr& ginq_text_attr();

// The stroke-font module fills these. Until it does, gtext records the text
// and brackets it with the device's text_begin/text_end, drawing no strokes.
struct GTextHooks {
    // Lays out and strokes a string at a world position through gtext_*
    // below: for a drop shadow of n, passes shadow = 0 .. n-1 first, then
    // shadow = -1 in the text colour; each pass is gtext_begin, per glyph
    // gtext_glyph_begin, moves and draws, gtext_glyph_end, then gtext_end.
    // Returns 0 or -1.
    int (*draw)(const char* string, float x, float y);
    // Loads font n (1-based) when it differs from the loaded one; -1 with
    // "gset_fontprec: invalid font id: %d\n" for an unknown number.
    int (*select_font)(int font);
    // Font number of a font name or number text (1 when none matches).
    int (*font_index)(const char* name);
    // Builds the font list and loads the current font (workstation open).
    int (*setup)();
};
void gset_text_hooks(const GTextHooks* hooks);
const GTextHooks* gget_text_hooks();

// Stroke output for the text renderer, dispatched to the current device.
void gtext_begin(float x, float y, const char* string, int shadow);
void gtext_glyph_begin();
void gtext_move(float x, float y);
void gtext_draw(float x, float y);
void gtext_glyph_end();
void gtext_end();

void gks_tool_reset_for_tests();
// Resets every kernel module, the devices and the display list.
void gks_reset_all_for_tests();

}  // namespace orv
