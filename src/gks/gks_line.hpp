// Polylines and the line attributes.
#pragma once

#include "gks/gks_tran.hpp"

namespace orv {

struct GLineAttr {
    int color = 1;
    float width = 1.0F;
    int type = 1;
    int print_bold = 1;
};

int gpolyline(int n, const GPoint* pts);
int gset_line_colr_ind(int index);
int gset_linewidth(float width);
int gset_linetype(int type);
int gset_line_print_bold(int flag);
void greset_line();
const GLineAttr& ginq_line_attr();

void gks_line_reset_for_tests();

}  // namespace orv
