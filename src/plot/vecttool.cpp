#include "plot/vecttool.hpp"

#include <cmath>

#include "core/orv.hpp"

namespace orv {
namespace {

constexpr float kCalm = 0.01F;

int set_missing(float* a, float* b) {
    *a = kMissingF;
    *b = kMissingF;
    return -1;
}

}  // namespace

int polar2vect(float* u, float* v, float direction, float speed) {
    if (is_missing(direction) || is_missing(speed)) return set_missing(u, v);
    const double a = direction * kDegToRad;
    *u = static_cast<float>(speed * std::sin(a));
    *v = static_cast<float>(speed * std::cos(a));
    return 0;
}

int vect2polar(float* direction, float* speed, float u, float v) {
    if (is_missing(u) || is_missing(v)) return set_missing(direction, speed);
    *speed = std::hypot(u, v);
    *direction = *speed < kCalm ? 0.0F : static_cast<float>(std::atan2(u, v) * kRadToDeg);
    return 0;
}

int wind2vect(float* u, float* v, float direction, float speed) {
    if (is_missing(direction) || is_missing(speed)) return set_missing(u, v);
    const double a = direction * kDegToRad;
    *u = static_cast<float>(-speed * std::sin(a));
    *v = static_cast<float>(-speed * std::cos(a));
    return 0;
}

int vect2wind(float* direction, float* speed, float u, float v) {
    if (is_missing(u) || is_missing(v)) return set_missing(direction, speed);
    *speed = std::hypot(u, v);
    if (*speed < kCalm) {
        *direction = 0.0F;
        return 0;
    }
    double d = std::atan2(-u, -v) * kRadToDeg;
    if (d < 0.0) d += 360.0;
    *direction = static_cast<float>(d);
    return 0;
}

float dot_product(const float* a, const float* b) {
    if (is_missing(a[0]) || is_missing(b[0])) return kMissingF;
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

int cross_product(float* out, const float* a, const float* b) {
    if (is_missing(a[0]) || is_missing(b[0])) {
        out[0] = out[1] = out[2] = kMissingF;
        return -1;
    }
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
    return 0;
}

}  // namespace orv
