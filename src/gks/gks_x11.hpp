// The X11 display device: a window with a backing pixmap that receives the
// drawing (device 1), or an off-screen pixmap / existing window (device 6);
// frames (off-screen pixmaps) that can be shown, stepped and looped; the
// hold in which the device services the user's keys and buttons; and pixel
// zoom. Device coordinates are pixels with y downwards.
//
// gks_x11 owns the connection, window and drawing; gks_loop the frame table
// and looping; gks_evnt events and the hold; gks_zoom the pixel zoom.
#pragma once

#include <cstddef>

namespace orv {

inline constexpr int kMaxFrames = 128;
inline constexpr int kFrameLast = -1;
inline constexpr int kFrameCurrent = -2;
inline constexpr int kFrameBase = -3;

// Input modes of the hold.
inline constexpr int kInputIdle = 0;
inline constexpr int kInputWaiting = 1;
inline constexpr int kInputKeyPressed = 2;
inline constexpr int kInputReleased = 3;

// Cursor types: the busy cursor and the one shown while a callback runs.
inline constexpr int kCursorCallback = 1;
inline constexpr int kCursorBusy = 8;

// ---- window (gks_x11) ----
void gx11_register();
int gupdate_window();
int gresize_window(int width, int height);
int gset_geometry(const char* text);
int gset_win_title(const char* text);
int gset_win_title_extra(const char* text);
int gset_prog_name(const char* text);
const char* gget_win_title_full();
const char* gget_win_title();
int gset_iconic(int flag);
int gset_fixed_size(int flag);
int gset_cursor_type(int type);
int gset_cursor(int type);
int gbell(int volume);
int gsync();
// 1 while a window (or pixmap) device is connected.
int gx11_open();
// Copies a pixmap (or the backing pixmap for 0) onto the drawing target.
void gx11_copy_area(unsigned long from, unsigned long to);
// The pixel under window pixel (x, y) of the backing pixmap, for tests and
// image capture; -1 when no device is open.
long gget_pixel(int x, int y);
// Reads the window's current drawing target into an image record as 24-bit
// colour: 1, or 0 with a message.
struct ImageRecord;
int gx11_capture(ImageRecord* image);

// ---- frames and looping (gks_loop) ----
int gcreate_frame(int n);
int gselect_frame(int n);
int gdisplay_frame(int n);
int gclear_frame(int n);
int gcopy_frame(int to, int from);
int gswitch_frame(int a, int b);
int gdelete_frame(int n);
int gdelete_all_frames();
int gget_num_frames();
int gget_cur_frame();
int gset_looping(int flag);
int gtoggle_loop();
int gget_looping();
int gset_loop_delay(int frame, float seconds);
int ginc_loop_delay(float step);
float gget_loop_delay();
float gget_frame_delay(int frame);
int gset_loop_direct(int direction);
int gget_loop_direct();
int ginc_frame(int step);
int gset_frame_id(int frame, unsigned long pixmap);
unsigned long gget_frame_id(int frame);
int gset_loop_title(int flag);
int gset_frame_label(int frame, const char* label);
const char* gget_frame_label(int frame);
int gset_image_data(int frame, const void* data, int length);
int gget_image_data(int frame, void* data, int size);
// Starts the loop timer; gloop_sleep waits out the current frame's delay
// from it while handling events.
void gstart_loop_timer();
void gloop_sleep();
// Frees every frame (the connection is going) without touching the server.
void gx11_forget_frames();
// The delay of a Alt+[ / Alt+] / button press: -1 slower, +1 faster.
void gstep_loop_speed(int faster);

// ---- events and hold (gks_evnt) ----
using GMouseCallback = int (*)(int kind, const char* text, float x, float y);
using GRefreshCallback = int (*)();
int ghold(int mode);
int gcheck_event();
int gwait_event();
int gset_mouse_callback(GMouseCallback callback);
int gset_refresh_callback(float interval, GRefreshCallback callback);
int gset_rubber_band(int mode, float x, float y);
int gset_rubber_band_points(const float* points, int n, int constraint);
int gset_rubber_band_limits(const float* rect);
int gget_input_mode();
// Image files of the window (Alt+g GIF, Alt+x XWD): the image module
// registers its writers, each capturing the current drawing target into a
// file (1 written, 0 failed). Without one the files are reported unwritten.
using GImageWriter = int (*)(const char* file);
inline constexpr int kImageGif = 0;
inline constexpr int kImageXwd = 1;
void gset_image_writer(int kind, GImageWriter writer);
// Writes the picture (one frame, every frame when looping, else the current
// frame) as files named from the window title; the number written.
int gsave_images(int kind);
// The number of window updates that exposures caused.
int gget_expose_count();
void gset_input_mode(int mode);

// ---- zoom (gks_zoom) ----
int gzoom(int frame, int x, int y, int factor, int flag);
int gunzoom();
int greset_zoom();
int gget_zoom();
float xZ_p(float p);
float yZ_p(float p);
// Shows frame pixmap `pixmap` zoomed with the current zoom and centre.
void gzoom_show(unsigned long pixmap);
// Forgets the saved base image (a new picture was started).
void gzoom_forget();

void gks_x11_reset_for_tests();

}  // namespace orv
