// Wind symbols at a point: barbs with pennants, full and half barbs; arrows;
// motion tracks. Directions are meteorological (where the wind comes from),
// in degrees clockwise from the plot's north; the _map forms first turn a
// true direction to the map's grid north at the point.
#pragma once

namespace orv {

// The barb's parts for a speed in knots, taken to the nearest 5 knots.
struct BarbParts {
    int pennants;
    int full;
    int half;
};
BarbParts WIND_barb_parts(float speed);

int WIND_barb(float x, float y, float direction, float speed, float length, float offset);
int WIND_barb_map(float x, float y, float direction, float speed, float length, float offset);
int WIND_vect(float x, float y, float direction, float speed, float scale, float head);
int WIND_vect_map(float x, float y, float direction, float speed, float scale, float head);
int WIND_track(int ticks, float x, float y, float direction, float length, float head);

}  // namespace orv
