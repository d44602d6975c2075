// Contour tracing: the cell-by-cell case analysis that turns a grid into
// contour segments and colour-band polygons, and the wrap-around rules that
// keep pieces crossing the edge of a global map on both sides of it. Pure
// computation: every piece goes to a ContSink, so no graphics are needed.
#pragma once

#include <cstddef>
#include <vector>

#include "geo/maptran.hpp"
#include "gks/gks_tran.hpp"

namespace orv {

// The grid to trace: nx columns, ny rows stored from the top row down.
// Positions x/y (same layout, -9999 for points that do not project) may be
// null, in which case point (i, row) lies at (i, ny - 1 - row).
struct ContField {
    int nx = 0;
    int ny = 0;
    const float* z = nullptr;
    const float* x = nullptr;
    const float* y = nullptr;
};

// The levels and colours to trace.
struct ContLevels {
    int type = 15;             // 12 lines, 15 fill, 16 fill with lines
    int count = 0;             // levels (lines) or bands (fills)
    float lowest = 0.0F;       // level 0 without a list
    float interval = 1.0F;     // spacing without a list
    const float* list = nullptr;  // explicit levels (count entries), or null
    int first_color = 0;       // colour slot of level 0
    int num_colors = 1;        // length of the colour cycle
    float min_cut = -9999.0F;  // -9999: unset
    float max_cut = -9999.0F;
    float busy_limit = 0.0F;   // > 0: skip cells spanning more intervals (no list)
};

// The map the pieces are drawn on: projection code (latitude/longitude,
// Mercator, Mollweide and Lambert maps wrap) and x limits (-9999 unset).
struct ContWrap {
    int proj = 0;
    float xmin = -9999.0F;
    float xmax = -9999.0F;
};

// Receives the traced pieces in world coordinates.
class ContSink {
public:
    virtual ~ContSink() = default;
    // A segment of the contour at `level`, styled by colour slot `color`.
    virtual void segment(int color, float level, GPoint a, GPoint b) = 0;
    // A closed band piece (the first vertex repeated last) of colour slot
    // `color` whose band starts at `lower`.
    virtual void polygon(int color, float lower, int n, const GPoint* pts) = 0;
    // The tracer has finished a row of cells, and the whole field.
    virtual void row_end() {}
    virtual void field_end() {}
};

// Crossings of one level through a cell with corner values z[0..3] (0 lower
// left, 1 lower right, 2 upper left, 3 upper right). Sides: 0 bottom (corner
// 0 to 1), 1 left (0 to 2), 2 top (2 to 3), 3 right (1 to 3); fractions are
// measured from each side's first corner. A corner counts as above a level it
// equals. `n` is 0, 2 or 4 (a saddle); `pair` lists the crossing sides of each
// segment, two per segment; `total` is the saddle measure
// f0 + f1 + (1 - f2) + (1 - f3).
struct ContCrossings {
    int n = 0;
    float frac[4] = {-2.0F, -2.0F, -2.0F, -2.0F};  // -2: side not crossed
    int pair[4] = {0, 0, 0, 0};
    float total = 0.0F;
};
void cont_crossings(const float z[4], float v, ContCrossings* out);

// The point at fraction f from a to b, after unwrapping a's x across the
// edge of a wrapping map.
GPoint cont_int_xy(const ContWrap& wrap, GPoint a, GPoint b, float f);

// Traces the field. Returns the number of cells that were traced.
int cont_trace(const ContField& field, const ContLevels& levels, const ContWrap& wrap, ContSink& sink);

// A sink that repeats pieces crossing the edge of a wrapping map on both
// sides of it (and drops those a Lambert map cannot show) before passing
// them on.
class ContWrapSink : public ContSink {
public:
    ContWrapSink(const ContWrap& wrap, ContSink& out) : wrap_(wrap), out_(out) {}
    void segment(int color, float level, GPoint a, GPoint b) override;
    void polygon(int color, float lower, int n, const GPoint* pts) override;
    void row_end() override { out_.row_end(); }
    void field_end() override { out_.field_end(); }

private:
    bool polygon_wraps(int n, const GPoint* pts) const;
    ContWrap wrap_;
    ContSink& out_;
};

// A sink that joins band pieces that come one after another: pieces of one
// band that share a side become one polygon, the shared sides left out and
// points on a straight stretch of the outline dropped. Runs of cells in one
// band are so written as strips rather than cell by cell, and the picture is
// painted in the same order as before, so every pixel ends in the colour it
// had. Pieces that do not join cleanly are passed on as they came.
// A sink that joins the band pieces of a field: pieces of one band that
// share a side become one polygon, the shared sides left out and points on a
// straight stretch of the outline dropped, so that a band is written as a
// few large polygons rather than cell by cell while covering exactly what
// its pieces covered. Pieces are held until the field ends; then the bands
// are passed on lowest first (as within a cell), and after them the
// segments in the order they came. A band whose pieces would join round a
// hole (a fill area has none) is joined row by row instead, and pieces that
// do not join cleanly are passed on as they came.
class ContMergeSink : public ContSink {
public:
    explicit ContMergeSink(ContSink& out) : out_(out) {}
    ~ContMergeSink() override { join_held(); }
    ContMergeSink(const ContMergeSink&) = delete;
    ContMergeSink& operator=(const ContMergeSink&) = delete;
    void segment(int color, float level, GPoint a, GPoint b) override;
    void polygon(int color, float lower, int n, const GPoint* pts) override;
    void row_end() override;
    void field_end() override;

private:
    struct Piece {
        int color;
        float lower;
        std::size_t first;
        int n;
        int row;
    };
    struct HeldSegment {
        int color;
        float level;
        GPoint a;
        GPoint b;
    };
    void join_held();
    bool join_band(const Piece* const* pieces, std::size_t count);
    void pass_on(const Piece* const* pieces, std::size_t count);
    int row_ = 0;
    ContSink& out_;
    std::vector<GPoint> points_;
    std::vector<Piece> pieces_;
    std::vector<HeldSegment> segments_;
};

// Width of the Mollweide map at height y.
float cont_mollweide_width(float y);

}  // namespace orv
