// The frame labels: six positions around the plot (upper left, centre,
// right; lower left, centre, right), each with up to six overlay lines,
// label templates with date codes, and their drawing with the border.
#pragma once

#include <cstddef>

#include "core/date.hpp"

namespace orv {

enum PltLabelPos : int {
    kLabelUpLeft = 0, kLabelUpCenter = 1, kLabelUpRight = 2,
    kLabelLowLeft = 3, kLabelLowCenter = 4, kLabelLowRight = 5,
};
inline constexpr int kLabelPositions = 6;
inline constexpr int kLabelLines = 6;
// A label slot holds at most 68 characters; appended overlay texts keep the
// whole line within 59.
inline constexpr std::size_t kLabelSize = 69;
inline constexpr std::size_t kLabelMaxText = 68;
inline constexpr std::size_t kLabelMaxAppend = 59;

// Label setters: the text goes to the current overlay line of the position,
// or is appended to line 0 when the label type is negative and an overlay
// is current. 0 stored, -1 too long.
int PLT_label_up_left(const char* text);
int PLT_label_up_center(const char* text);
int PLT_label_up_right(const char* text);
int PLT_label_low_left(const char* text);
int PLT_label_low_center(const char* text);
int PLT_label_low_right(const char* text);
int PLT_set_label(int position, const char* text);

// The text of a slot ("" outside the table).
const char* PLT_get_label(int position, int line);
void PLT_init_labels();

// Overlays.
int PLT_set_overlay(int n);
int PLT_get_overlay();
int PLT_set_overlay_base(int n);
int PLT_get_overlay_base();
int PLT_set_num_overlay(int n);
int PLT_next_overlay();
int PLT_get_num_over();
int PLT_get_label_type();
void PLT_set_label_type(int type);

// The date and forecast time (a time code) the templates use.
void PLT_label_date(const DateRecord* date);
void PLT_label_for_time(int time_code);

// Expands a label template into out (`size` bytes): "_" is a blank, "%D"
// the date label, "%F"/"%f" the forecast-hour label (long/short), "%V" the
// valid time, "%W" the valid day, "%b" the month name, "%d" "%h" "%m" "%n"
// "%y" two-digit day, hour, month, minute, year; "%%" a "%".
int PLT_label_format(const char* templ, char* out, std::size_t size);
template <std::size_t N>
int PLT_label_format(const char* templ, char (&out)[N]) {
    return PLT_label_format(templ, out, N);
}

// Stores the entries of the "label" resource.
int PLT_label_resource();
// Draws the border and the labels: 0, or -1 when there is no room.
int PLT_labels();

void PLT_labl_reset_for_tests();

}  // namespace orv
