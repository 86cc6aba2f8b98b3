// One converted object of a track: a model number with its position and turn.
#pragma once

#include <cstdint>

struct placed_object {
    float x = 0.0f;         // across the grid; a cell (c, r) starts at 2c - 2
    float y = 0.0f;         // along the grid; a cell (c, r) starts at 60 - 2r
    float z = 0.0f;         // height
    float angle = 0.0f;     // radians, never reduced to one turn
    std::int32_t model = 0; // below 1: an empty record, which the driver drops
};

// Terrain objects (one per cell) plus at most two element objects per cell:
// room for every possible track, so nothing is ever refused or cut off.
constexpr int grid_size = 30;
constexpr int grid_cells = grid_size * grid_size;
constexpr int max_objects = grid_cells * 3;

// The value of pi the placement formulas use.
constexpr double track_pi = 3.1415926536;
