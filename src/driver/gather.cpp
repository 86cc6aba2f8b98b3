#include "driver/gather.h"

#include "driver/orient.h"

#include <cmath>

namespace {

constexpr float scale_factor = 16.0f;
constexpr double merge_threshold = 0.0001;
constexpr std::int32_t start_model = 8;

float scaled(float v) {
    return static_cast<float>(static_cast<double>(scale_factor) * static_cast<double>(v));
}

double difference(float a, float b) {
    return std::fabs(static_cast<double>(a) - static_cast<double>(b));
}

} // namespace

void scene_list::reserve(int capacity) {
    const auto n = static_cast<std::size_t>(capacity);
    model.resize(n);
    z.resize(n);
    x.resize(n);
    y.resize(n);
    angle.resize(n);
}

void scene_list::append(std::int32_t m, float zv, float xv, float yv, float a) {
    const auto k = static_cast<std::size_t>(kept);
    model[k] = m;
    z[k] = zv;
    x[k] = xv;
    y[k] = yv;
    angle[k] = a;
    ++kept;
}

std::int32_t renumber(std::int32_t model) {
    if (model < 1) {
        return 0;
    }
    if (model >= 118 && model <= 120) {
        return 66;
    }
    if (model >= 121 && model <= 134) {
        return model - 2;
    }
    return model;
}

void gather(const placed_object* objects, int count, scene& s) {
    scene_list& list = s.list;
    for (int j = 0; j < count; ++j) {
        const placed_object& o = objects[j];
        const float sx = scaled(o.x);
        const float sy = scaled(o.y);
        const float sz = scaled(o.z);
        const std::int32_t model = renumber(o.model);
        if (model == 0) {
            continue;
        }
        bool append = true;
        if (list.kept > 0) {
            const auto last = static_cast<std::size_t>(list.kept - 1);
            if (model == list.model[last]) {
                const double total = difference(sz, list.z[last]) + difference(sx, list.x[last]) +
                                     difference(sy, list.y[last]) +
                                     difference(o.angle, list.angle[last]);
                append = total > merge_threshold;
            }
        }
        if (append) {
            list.append(model, sz, sx, sy, o.angle);
        }
        if (model == start_model) {
            start_element_step(s, o.angle);
        }
    }
}
