#include "core/flag.hpp"

#include <array>

#include "core/orv.hpp"

namespace orv {
namespace {
struct FlagState {
    std::array<std::int64_t, kFlagSlots> slots;
    std::array<unsigned, kPlotSwitches> plot;
    FlagState() {
        slots.fill(kMissing);
        plot.fill(1);
    }
};
FlagState g;

bool in_range(int i) { return i >= 0 && i < kFlagSlots; }
}  // namespace

int FLAG_get(int i) { return in_range(i) ? static_cast<int>(g.slots[i]) : 0; }
std::int64_t FLAG_getl(int i) { return in_range(i) ? g.slots[i] : 0; }

int FLAG_set(int i, int v) { return FLAG_setl(i, v); }

int FLAG_setl(int i, std::int64_t v) {
    if (!in_range(i)) return -1;
    g.slots[i] = v;
    return 0;
}

void FLAG_reset(int v) { g.slots.fill(v); }
void FLAG_resetl(std::int64_t v) { g.slots.fill(v); }
int FLAG_batch() { return g.slots[kFlagBatch] > 0 ? 1 : 0; }
void FLAG_set_batch(int v) { g.slots[kFlagBatch] = v; }
int FLAG_help() { return g.slots[kFlagHelp] > 0 ? 1 : 0; }

// Switch 12 sets every switch and switch 0 every label; afterwards the two
// aggregates count their members that are on.
void FLAG_setplot(int i, unsigned v) {
    if (i < 0 || i >= kPlotSwitches) return;
    if (i == kPlotAll)
        for (int k = 0; k < kPlotAll; ++k) g.plot[k] = v;
    if (i == kPlotText)
        for (int k = kPlotTextUL; k <= kPlotTextLR; ++k) g.plot[k] = v;
    g.plot[i] = v;
    unsigned labels = 0;
    for (int k = kPlotTextUL; k <= kPlotTextLR; ++k) labels += g.plot[k];
    g.plot[kPlotText] = labels;
    unsigned all = 0;
    for (int k = 0; k < kPlotAll; ++k) all += g.plot[k];
    g.plot[kPlotAll] = all;
}

unsigned FLAG_getplot(int i) { return i >= 0 && i < kPlotSwitches ? g.plot[i] : 0; }
void FLAG_resetplot(unsigned v) { g.plot.fill(v); }
void FLAG_reset_for_tests() { g = FlagState{}; }

}  // namespace orv
