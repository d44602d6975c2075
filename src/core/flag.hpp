// The flag table (30 integer slots) and the plot-component switches (13 slots).
#pragma once

#include <cstdint>

namespace orv {

inline constexpr int kFlagSlots = 30;
inline constexpr int kPlotSwitches = 13;

// Flag slots used across the system.
enum FlagSlot : int {
    kFlagDevice = 2,
    kFlagDataKind = 4,
    kFlagDomainSet = 5,
    kFlagHour = 6,
    kFlagLevel = 7,
    kFlagLevelQual = 8,
    kFlagPlotType = 11,
    kFlagCategory = 14,
    kFlagFileParam = 15,
    kFlagOutType = 17,
    kFlagBatch = 19,
    kFlagHelp = 20,
};

// Plot-component switches.
enum PlotSwitch : int {
    kPlotText = 0,
    kPlotTextUL = 1,
    kPlotTextUC = 2,
    kPlotTextUR = 3,
    kPlotTextLL = 4,
    kPlotTextLC = 5,
    kPlotTextLR = 6,
    kPlotData = 7,
    kPlotMap = 8,
    kPlotGrid = 9,
    kPlotSum = 10,
    kPlotBorder = 11,
    kPlotAll = 12,
};

int FLAG_get(int i);
std::int64_t FLAG_getl(int i);
int FLAG_set(int i, int v);
int FLAG_setl(int i, std::int64_t v);
void FLAG_reset(int v);
void FLAG_resetl(std::int64_t v);
int FLAG_batch();
void FLAG_set_batch(int v);
int FLAG_help();
void FLAG_setplot(int i, unsigned v);
unsigned FLAG_getplot(int i);
void FLAG_resetplot(unsigned v);

void FLAG_reset_for_tests();

}  // namespace orv
