#include "track/element_pass.h"

#include <cmath>

namespace {

struct terrain_variant {
    int model;
    int code[4]; // the element code that takes it on terrain 7, 8, 9, 10
    bool turns_with_terrain;
};

constexpr terrain_variant variants[] = {
    {89, {4, 5, 4, 5}, true},       {133, {14, 15, 14, 15}, true},  {134, {24, 25, 24, 25}, true},
    {119, {39, 36, 38, 37}, false}, {118, {59, 56, 58, 57}, false}, {120, {98, 95, 97, 96}, false},
};

// The angle of a variant that follows the terrain: terrain 7..10 is turned by
// 0, a quarter, a half and minus a quarter turn.
const float variant_angle[4] = {0.0f, static_cast<float>(track_pi / 2),
                                static_cast<float>(track_pi), static_cast<float>(-track_pi / 2)};

constexpr double quarter_turn = 1.5707963268;

} // namespace

placed_object element_object(int c, int r, int e, int t, const element_model& m) {
    placed_object s;
    s.model = m.model;
    s.x = static_cast<float>(2 * c - 2 + m.xshift);
    s.y = static_cast<float>(60 - 2 * r - m.yshift);
    s.z = 0.0f;
    s.angle = static_cast<float>(static_cast<double>(m.turns) * quarter_turn);
    if (t == 6) {
        s.z = 0.88f;
    } else if (t >= 7 && t <= 10) {
        for (const terrain_variant& v : variants) {
            if (v.code[t - 7] == e) {
                s.model = v.model;
                if (v.turns_with_terrain) {
                    s.angle = variant_angle[t - 7];
                }
                break;
            }
        }
    }
    if (std::fabs(static_cast<double>(s.angle)) < 0.0001) {
        s.angle = 0.0f;
    }
    return s;
}

int element_pass(const track_map& map, const element_table& table, placed_object* objects,
                 int count) {
    for (int r = 1; r <= 30; ++r) {
        for (int c = 1; c <= 30; ++c) {
            const int e = map.element[c][r];
            const int t = map.terrain[c][r];
            for (const element_model& m : table.entry[e]) {
                if (m.model != 0) {
                    objects[count++] = element_object(c, r, e, t, m);
                }
            }
        }
    }
    return count;
}
