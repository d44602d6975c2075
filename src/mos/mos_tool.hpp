// MOS variables: the names each bulletin family can supply with their natural
// units, the station value of a variable at one forecast column, and the
// decoders of the bulletins' categories (ceiling, visibility, precipitation
// amount, snow, weather, flight rules).
#pragma once

#include <cstddef>

#include "core/var_tool.hpp"
#include "mos/mos_read.hpp"
#include "plot/data.hpp"

namespace orv {

// Weather texts hold at most 4 characters and the terminator.
inline constexpr std::size_t kMosWeatherSize = 5;

// Standard family. get_var fills an empty units text with the natural units:
// 1 when the name is known, else 0. get_data fills raw (values -9999 and the
// text empty first) and converts the first value to the variable's units: 1.
int MOS_get_var(VarRecord* variable);
int MOS_get_data(const MosReport* report, VarRecord* variable, RawData* raw);

// The column of a report for a variable time (its value modulo 1000): the
// last column with that forecast hour, else -1. A variable at an hour the
// bulletin does not have is missing, with a warning naming the hours it has.
int MOS_column(const MosReport* report, int time);

// Category decoders at column c; -9999 when missing.
float MOS_cld_hght(const MosReport* report, int c);     // hundreds of feet
float MOS_vis(const MosReport* report, int c);          // miles
float MOS_quant_prec6(const MosReport* report, int c);  // inches
float MOS_quant_prec12(const MosReport* report, int c);
float MOS_snow6(const MosReport* report, int c);        // category
float MOS_snow12(const MosReport* report, int c);
// Cloud cover in percent from a cloud character; -9999 when unknown.
float MOS_cloud_cover(int code);
// Weather codes ("TRW+", "S-", "F", ...) into text (kMosWeatherSize bytes).
char* MOS_weather6(const MosReport* report, int c, char* text);
char* MOS_weather12(const MosReport* report, int c, char* text);
// Flight category "IFR", "MVFR" or "VFR" into text (5 bytes); returns 2, 1 or 0.
int MOS_flight_rules(const MosReport* report, int c, char* text);

// Extended family.
int MOSU_get_var(VarRecord* variable);
int MOSU_get_data(const MosuReport* report, VarRecord* variable, RawData* raw);

// MRF family; get_data returns 0 without a value past the eighth day or at
// an hour between the half days.
int MOSM_get_var(VarRecord* variable);
int MOSM_get_data(const MosmReport* report, VarRecord* variable, RawData* raw);
char* MOSM_weather(const MosmReport* report, int d, char* text);

void MOS_tool_reset_for_tests();

}  // namespace orv
