#include "track/terrain.h"

namespace {

// Angle of a piece that comes in four turns, for codes 2..5 of the slope
// group and 7..18 of the three other groups; double arithmetic left to right.
double slope_angle(int t) {
    return t % 2 != 0 ? t * 0.5 * track_pi + track_pi : (t - 2) * 0.5 * track_pi;
}

double piece_angle(int t) {
    return t % 2 != 0 ? (t + 1) * 0.5 * track_pi : (t - 1) * 0.5 * track_pi + track_pi;
}

} // namespace

placed_object terrain_object(int c, int r, int t) {
    placed_object s;
    if (t == 0 || t > 18) {
        return s; // empty record
    }
    s.x = static_cast<float>(2 * c - 2);
    s.y = static_cast<float>(60 - 2 * r);
    if (t == 1) {
        s.model = 82;
    } else if (t <= 5) {
        s.model = 81;
        s.angle = static_cast<float>(slope_angle(t));
    } else if (t == 6) {
        s.model = 80;
        s.z = 0.88f;
    } else {
        s.model = t <= 10 ? 76 : t <= 14 ? 75 : 74;
        s.angle = static_cast<float>(piece_angle(t));
    }
    s.z = static_cast<float>(static_cast<double>(s.z) + static_cast<double>(-0.002f));
    return s;
}

int terrain_pass(const track_map& map, placed_object* objects) {
    int count = 0;
    for (int r = 1; r <= 30; ++r) {
        for (int c = 1; c <= 30; ++c) {
            objects[count++] = terrain_object(c, r, map.terrain[c][r]);
        }
    }
    return count;
}
