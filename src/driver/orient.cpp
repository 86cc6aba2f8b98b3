#include "driver/orient.h"

#include "platform/failure.h"

#include <cmath>

namespace {

constexpr double two_pi = 6.2831853072;
constexpr double pi = 3.1415926536;
constexpr double degrees_per_quarter = 90.0;
constexpr std::int32_t start_model = 8;

constexpr double start_z = -2.0;
constexpr double start_x = -1.5;
constexpr double start_y = 20.0;

float add(float a, float b) {
    return static_cast<float>(static_cast<double>(a) + static_cast<double>(b));
}

float mul(float a, float b) {
    return static_cast<float>(static_cast<double>(a) * static_cast<double>(b));
}

} // namespace

std::int32_t quadrant(float angle) {
    const double v = ((static_cast<double>(angle) + two_pi) * 2.0 + 0.1) / pi;
    if (v > -2147483649.0 && v < 2147483648.0) {
        return static_cast<std::int32_t>(v) % 4;
    }
    if (!std::isfinite(v)) {
        return 0;
    }
    return static_cast<std::int32_t>(std::fmod(std::trunc(v), 4.0));
}

orientation orientation_for(int q) {
    switch (q) {
    case 1:
        return {1, -1.0f, 1.0f, static_cast<float>(pi / 2)};
    case 2:
        return {0, -1.0f, -1.0f, static_cast<float>(pi)};
    case 3:
        return {1, 1.0f, -1.0f, static_cast<float>(3 * pi / 2)};
    default:
        return {0, 1.0f, 1.0f, 0.0f};
    }
}

void start_element_step(scene& s, float angle) {
    const std::int32_t q = quadrant(angle);
    if (q >= 0 && q <= 3) {
        s.orient = orientation_for(q);
    } else {
        platform::say("Some error\r\n");
    }
    platform::say(platform::format("Rotated %1.2f degrees\r\n", q * degrees_per_quarter));

    float& last = s.list.angle[static_cast<std::size_t>(s.list.kept - 1)];
    const std::int32_t lq = quadrant(last);
    if (lq == 1 || lq == 3) {
        last = static_cast<float>(two_pi - static_cast<double>(last));
    }
}

void orient_pass(scene& s) {
    scene_list& list = s.list;
    const orientation& o = s.orient;
    for (std::size_t k = 0; k < static_cast<std::size_t>(list.kept); ++k) {
        if (o.swap != 0) {
            std::swap(list.x[k], list.y[k]);
        }
        list.x[k] = mul(list.x[k], o.xmul);
        list.y[k] = mul(list.y[k], o.ymul);
        list.angle[k] = add(list.angle[k], o.aoff);
        if (list.model[k] == start_model) {
            s.offsets.z = static_cast<float>(start_z - static_cast<double>(list.z[k]));
            s.offsets.x = static_cast<float>(start_x - static_cast<double>(list.x[k]));
            s.offsets.y = static_cast<float>(start_y - static_cast<double>(list.y[k]));
        }
    }
}
