// Fill areas, the fill attributes and the twenty 8 x 8 fill patterns.
#pragma once

#include <cstdint>

#include "gks/gks_tran.hpp"

namespace orv {

inline constexpr int kFillPatterns = 20;

struct GFillAttr {
    int color = 1;
    int int_style = 1;    // 1 solid, 2 pattern, others hollow
    int style_index = 1;  // pattern 0-19
    int print_solid = 0;
};

int gfill_area(int n, const GPoint* pts);
int gset_fill_colr_ind(int index);
int gset_fill_int_style(int style);
int gset_fill_style_ind(int index);
int gset_fill_print_solid(int flag);
void greset_fill();
const GFillAttr& ginq_fill_attr();

// 1 when pixel (x, y) is set in pattern 0-19 (0 for other patterns).
int gfill_test(int pattern, int x, int y);
// Row bytes of a pattern (null for an invalid index).
const std::uint8_t* gfill_pattern(int pattern);

void gks_fill_reset_for_tests();

}  // namespace orv
