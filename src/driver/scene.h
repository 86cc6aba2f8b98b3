// The driver's working data: the scene list and how it is arranged.
//
// Positions are in scene units, 16 per track unit. Every value stored here is
// a 32-bit float; the arithmetic that produces it is done in double.
#pragma once

#include <cstdint>
#include <vector>

struct orientation {
    int swap = 0;      // exchange x and y
    float xmul = 1.0f; // x multiplier
    float ymul = 1.0f; // y multiplier
    float aoff = 0.0f; // angle offset, radians
};

struct scene_offsets {
    float x = -100.0f;
    float y = -100.0f;
    float z = -20.0f;
};

// Five parallel lists; entry k of each belongs to kept entry k.
struct scene_list {
    std::vector<std::int32_t> model;
    std::vector<float> z;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> angle;
    int kept = 0;

    // Makes room for `capacity` entries, so that appending never allocates.
    void reserve(int capacity);
    void append(std::int32_t m, float z, float x, float y, float a);
};

struct scene {
    scene_list list;
    orientation orient; // quarter index 0 until a start element says otherwise
    scene_offsets offsets;
};
