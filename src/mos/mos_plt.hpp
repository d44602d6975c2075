// The MOS plot driver: model selection, the forecast-time and variable
// prompts, and one plot per choice.
#pragma once

#include "core/date.hpp"
#include "core/menu.hpp"

namespace orv {

struct Domain;

// Model codes, kept in flag 4.
enum MosModel : int {
    kModelNgm = 2,
    kModelNgmUa = 4,
    kModelMrf = 5,
    kModelMrfx = 6,
    kModelEta = 7,
    kModelEtaUa = 8,
    kModelNam = 9,
    kModelNamUa = 10,
    kModelAvn = 11,
    kModelGfs = 12,
    kModelGfsx = 13,
};

// Reader family of a model: standard, extended (two stations per block) or MRF matrix.
enum class MosFamily { standard, extended, mrf };

struct MosModelInfo {
    int code;
    const char* name;
    MosFamily family;
    int number;          // model number handed to the time labels
    const char* label;   // frame label, e.g. "GFS MOS"
    int menu_type;       // 0 hours, 1 days, 2 the extended family's menu
};

inline constexpr int kTimeMenuSize = 40;
inline constexpr int kMosVariableMax = 80;

const MosModelInfo* MOS_model_info(int code);

int MOS_in_file();
const char* MOS_model_string();
const char* MOS_name_conv();
int MOS_set_date(const DateRecord* date);
const DateRecord* MOS_get_date();
void MOS_set_prompt_time(int flag);
void MOS_set_prompt_variable(int flag);
int MOS_read_time_menu();
int MOS_prompt_time();
// 1 when the last time prompt ended because the user went back from the menu.
int MOS_time_back();
int MOS_prompt_variable();
int MOS_plot(const Domain* domain);
int MOS_plot_param();

struct PlotControl;

// The callbacks the driver puts into the plot-control record.
int MOS_grid_data(PlotControl* control);
int MOS_raw_out_file();
int MOS_grd_out_file();
int MOS_callback(const char* key, float x, float y);

// The display's frame operations, which arrive with the window device; an
// empty entry does nothing (a file device keeps one picture).
struct MosFrameSeams {
    int (*create_frame)(int frame);
    int (*select_frame)(int frame);
    int (*display_frame)(int frame);
    int (*set_looping)(int flag);
};
MosFrameSeams* MOS_frame_seams();

// What the last answers chose.
const MenuEntry* MOS_time_menu();
int MOS_time_menu_type();
int MOS_get_ntimes();
const char* MOS_get_time(int i);
int MOS_get_hour();
const char* MOS_get_variable();

void MOS_reset_for_tests();

}  // namespace orv
