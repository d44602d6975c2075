#include "plot/windbarb.hpp"

#include <algorithm>
#include <cmath>

#include "core/orv.hpp"
#include "geo/maptran.hpp"
#include "gks/gks_fill.hpp"
#include "gks/gks_line.hpp"
#include "gks/gks_tran.hpp"
#include "plot/vecttool.hpp"

namespace orv {
namespace {

constexpr float kMaxSpeed = 300.0F;
constexpr float kSlot = 0.12F;       // shaft fraction taken by one barb or pennant
constexpr float kBarbReach = 0.5F;   // full barbs and pennants, in shaft lengths
constexpr float kHalfReach = 0.25F;

// A shaft from the station pointing into the wind; points along it are
// fractions of its length, `side` moves them to the right of the shaft.
struct Shaft {
    float x, y, s, c, length;
    GPoint at(float fraction, float side = 0.0F) const {
        return {x + (s * fraction + c * side) * length, y + (c * fraction - s * side) * length};
    }
};

void line(GPoint a, GPoint b) {
    const GPoint p[2] = {a, b};
    gpolyline(2, p);
}

// Two head lines back from the tip along the arrow vector (ux, uy).
void arrow_head(GPoint tip, float ux, float uy, float head) {
    const float k = 0.2F * head;
    line(tip, {tip.x - k * ux + k * uy, tip.y - k * uy - k * ux});
    line(tip, {tip.x - k * ux - k * uy, tip.y - k * uy + k * ux});
}

}  // namespace

BarbParts WIND_barb_parts(float speed) {
    const float s = std::min(speed, kMaxSpeed) + 0.01F;
    const int pennants = static_cast<int>(std::floor((s + 2.0F) / 50.0F));
    const float rest = s - 50.0F * static_cast<float>(pennants) + 2.0F;
    const int full = static_cast<int>(std::floor(rest / 10.0F));
    const int half = static_cast<int>(std::floor(rest / 5.0F)) % 2;
    return {pennants, full, half};
}

int WIND_barb(float x, float y, float direction, float speed, float length, float offset) {
    if (is_missing(direction) || is_missing(speed) || speed <= 0.0F) return -1;
    const double a = direction * kDegToRad;
    const Shaft shaft{x, y, static_cast<float>(std::sin(a)), static_cast<float>(std::cos(a)), length};
    const float start = length != 0.0F ? offset / length : 0.0F;
    line(shaft.at(start), shaft.at(1.0F));

    const BarbParts parts = WIND_barb_parts(speed);
    for (int i = 0; i < parts.pennants; ++i) {
        const float f = 1.0F - kSlot * static_cast<float>(i);
        const GPoint flag[4] = {shaft.at(f), shaft.at(f - kSlot), shaft.at(f, kBarbReach), shaft.at(f)};
        gfill_area(3, flag);
        gpolyline(4, flag);
    }
    int k = parts.pennants > 0 ? parts.pennants : -1;
    for (int i = 0; i < parts.full; ++i, ++k) {
        const float f = 1.0F - kSlot * static_cast<float>(k);
        line(shaft.at(f - kSlot), shaft.at(f, kBarbReach));
    }
    if (parts.half != 0) {
        if (parts.pennants == 0 && parts.full == 0) k = 0;
        const float f = 1.0F - kSlot * static_cast<float>(k);
        line(shaft.at(f - kSlot), shaft.at(f - kSlot / 2.0F, kHalfReach));
    }
    return 0;
}

int WIND_barb_map(float x, float y, float direction, float speed, float length, float offset) {
    if (is_missing(direction)) return -1;
    return WIND_barb(x, y, MAP_dir_adj(direction, x, y), speed, length, offset);
}

int WIND_vect(float x, float y, float direction, float speed, float scale, float head) {
    if (is_missing(direction) || is_missing(speed) || speed == 0.0F) return -1;
    const double a = direction * kDegToRad;
    const float ux = static_cast<float>(-std::sin(a)) * speed * scale;
    const float uy = static_cast<float>(-std::cos(a)) * speed * scale;
    const GPoint tip{x + ux, y + uy};
    line({x, y}, tip);
    if (head > 0.0F) arrow_head(tip, ux, uy, head);
    return 0;
}

int WIND_vect_map(float x, float y, float direction, float speed, float scale, float head) {
    if (is_missing(direction)) return -1;
    return WIND_vect(x, y, MAP_dir_adj(direction, x, y), speed, scale, head);
}

int WIND_track(int ticks, float x, float y, float direction, float length, float head) {
    if (is_missing(direction) || is_missing(length) || length == 0.0F) return -1;
    const double a = direction * kDegToRad;
    const float ux = static_cast<float>(-std::sin(a)) * length;
    const float uy = static_cast<float>(-std::cos(a)) * length;
    line({x, y}, {x + ux, y + uy});
    const float half = 0.2F * head;
    const float px = -uy / length * half;
    const float py = ux / length * half;
    for (int i = 0; i < ticks; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(ticks);
        const GPoint c{x + f * ux, y + f * uy};
        line({c.x - px, c.y - py}, {c.x + px, c.y + py});
    }
    if (head > 0.0F) arrow_head({x + ux, y + uy}, ux, uy, head);
    return 0;
}

}  // namespace orv
