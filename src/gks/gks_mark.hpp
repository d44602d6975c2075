// Polymarkers and the marker attributes; marker shapes in device units.
#pragma once

#include "gks/gks_tran.hpp"

namespace orv {

struct GMarkerAttr {
    int color = 1;
    int type = 1;
    float size = 10.0F;
    float width = 1.0F;
};

int gpolymarker(int n, const GPoint* pts);
int gset_marker_colr_ind(int index);
int gset_marker_type(int type);
int gset_marker_size(float size);
int gset_marker_width(float width);
void greset_marker();
const GMarkerAttr& ginq_marker_attr();

// Strokes of one marker of `type` with half-size h around device (x, y):
// calls stroke(user, n, points) once per connected stroke. Returns the
// number of strokes (0 for unknown types).
using GMarkerStroke = void (*)(void* user, int n, const GPoint* pts);
int gmarker_strokes(int type, float x, float y, int h, GMarkerStroke stroke, void* user);

void gks_mark_reset_for_tests();

}  // namespace orv
