// Station plots: each value of a station drawn at one of fifteen positions
// around it (or at an explicit offset) as a number, a text, a marker, a
// cloud-cover circle, a weather symbol, a wind barb, arrow or track.
#pragma once

#include <cstddef>

#include "gks/gph.hpp"
#include "plot/data.hpp"

namespace orv {

inline constexpr std::size_t kRawSymbolFileSize = 40;
inline constexpr std::size_t kRawFixedTextSize = 10;
inline constexpr std::size_t kRawNumberFormatSize = 60;
inline constexpr int kRawStationCircle = 1001;

// Data type codes of station values.
enum RawType : int {
    kRawData = 1,
    kRawValue = 2,
    kRawText = 3,
    kRawMark = 4,
    kRawInt = 5,
    kRawWind = 20,
    kRawVect = 21,
    kRawBarb = 22,
    kRawTrack = 23,
    kRawCloud = 31,
    kRawWbarb = 32,
    kRawCbarb = 33,
    kRawDbarb = 34,
    kRawVbarb = 35,
    kRawSymb = 36,
    kRawLine = 37,
};

// The drawing format of one value.
struct RawFormat {
    AttribRecord attributes;
    float interval;       // colour interval, unset -9999
    float scale;          // plot scale
    float color_base;
    float min;            // value range, unset -9999
    float max;
    char symbol_file[kRawSymbolFileSize];
    char text[kRawFixedTextSize];            // fixed text printed instead of the value
    char number_format[kRawNumberFormatSize];
    int bar_base;         // unset -9999
    int marker;           // 0 none, kRawStationCircle the station circle
    int horizontal;       // text alignment 1..3
    int vertical;         // 1..5
    float x_offset;       // fractions of the plot height
    float y_offset;
    int line_mode;
    int skip;
    int type;             // the type the format names, 0 none
};

void RAW_init_attrib(RawFormat* format);
int RAW_parse_format(RawFormat* format, const char* text);
int RAW_set_attribs(const RawFormat* format);
int RAW_set_attr(const AttribRecord* record);
int RAW_plot_param();
int RAW_plot_init(const AttribRecord* attributes, float scale);
int RAW_plot_data(RawData* record);
char* RAW_data_to_string(char* out, const RawData* record);
// The same bounded by size, as the plot data control asks for it.
char* RAW_data_to_text(const RawData* record, char* out, int size);

void RAW_set_scale(float scale);
float RAW_get_scale();
void RAW_set_off(float x, float y);
// The base format: RAW_set_format parses into it and every value starts
// from a copy of it.
void RAW_set_format(const char* text);
const RawFormat* RAW_get_format();
void RAW_set_marker(int marker);
void RAW_set_intrvl(float interval);
float RAW_get_intrvl();
void RAW_set_range(float min, float max);
void RAW_get_range(float* min, float* max);

// Values drawn since RAW_plot_init.
int RAW_get_plotted();

// Connects the station plotter to the plot data control.
void RAW_register_hooks();

void RAW_plt_reset_for_tests();

}  // namespace orv
