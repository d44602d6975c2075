// Vector conventions shared by the station and grid plotters: directions in
// degrees clockwise from north, winds by where they come from, vectors by
// where they point. A missing input gives missing outputs and -1.
#pragma once

namespace orv {

inline constexpr double kDegToRad = 0.017453292519943334;
inline constexpr double kRadToDeg = 57.295779513082195;

int polar2vect(float* u, float* v, float direction, float speed);
int vect2polar(float* direction, float* speed, float u, float v);
int wind2vect(float* u, float* v, float direction, float speed);
int vect2wind(float* direction, float* speed, float u, float v);
float dot_product(const float* a, const float* b);
int cross_product(float* out, const float* a, const float* b);

}  // namespace orv
