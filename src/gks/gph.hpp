// The plotting layer: device selection and opening, picture and panel
// layout, attribute records to kernel attributes, and drawing helpers.
#pragma once

namespace orv {

// The attribute record of colour tables and plot styles (unset fields -9999).
struct AttribRecord {
    int color;
    float width;
    float height;
    float expansion;
    int style;
    int fill;
    int font;
};

int GPH_setup(int* ws, int* type, float* view, float aspect);
int GPH_begin(int* ws, const char* device_text, int* type);
int GPH_end(int ws);
int GPH_reset(int ws, int type, float* view, float aspect);
int GPH_panel(int ws, int type, float* margins, float aspect);
int GPH_set_view_size(float sizex, float sizey, float offx, float offy);
int GPH_get_view_size(float* rect);
float GPH_get_vert_win_size();
int GPH_device_prompt(int* type);
int gdevice_setup(const char* text, char* rest, int rest_size);
// Device number of a device name by its first letter.
int GPH_device_number(const char* name);
int GPH_set_win_title();
const char* GPH_get_win_title();
int GPH_trans(int n);
int GPH_view(int n, const float* rect);
int GPH_win(int n, const float* rect);
int GPH_get_view(int n, float* rect);
int GPH_get_win(int n, float* rect);
int GPH_print_view(const float* rect);
int GPH_hold(int mode);
int GPH_set_color(int index, float r, float g, float b);
int GPH_line_attr(const AttribRecord* attr);
int GPH_fill_attr(const AttribRecord* attr);
int GPH_mark_attr(const AttribRecord* attr, float size);
int GPH_text_attr(const AttribRecord* attr, float height);
int GPH_text_font(const char* name);
int GPH_set_def_font(const char* name);
int GPH_text_align(int horizontal, int vertical);
int GPH_get_text_align(int* horizontal, int* vertical);
int GPH_text_rotate(float angle);
int GPH_line(float x1, float y1, float x2, float y2);
int GPH_mark(float x, float y);
int GPH_rect(float x0, float y0, float x1, float y1);
int GPH_frect(float x0, float y0, float x1, float y1);
int GPH_border(const float* rect);
int GPH_circle(float x, float y, float radius);
int GPH_fcircle(float x, float y, float radius);
int GPH_pprint(const float* position, const char* text);
[[gnu::format(printf, 2, 3)]] int GPH_pprintf(const float* position, const char* format, ...);
[[gnu::format(printf, 1, 4)]] int GPH_printf(const char* format, double x, double y, ...);

// The colour table's part of the set-up (the colour-table module registers
// them): read the table, and give every entry to the device.
struct GphColorHooks {
    int (*read_table)(const char* list);
    int (*define_colors)();
};
void GPH_set_color_hooks(const GphColorHooks* hooks);

void GPH_reset_for_tests();

}  // namespace orv
