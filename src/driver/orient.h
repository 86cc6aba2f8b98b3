// Start orientation: the start element (model 8) decides how the whole scene
// is turned, and where it is moved so that the start lands at a fixed point
// (-2, -1.5, 20 for z, x, y).
//
// Orientation by quarter index:
//   0: (x, y)       angle +0
//   1: (-y, x)      angle +pi/2
//   2: (-x, -y)     angle +pi
//   3: (y, -x)      angle +3pi/2
#pragma once

#include "driver/scene.h"

#include <cstdint>

// The quarter index of an angle, -3..3: the index steps up 0.05 radians
// before each quarter turn. ((a + 6.2831853072) * 2 + 0.1) / 3.1415926536 is
// truncated toward zero and its remainder by 4 taken with its sign; outside
// the 32-bit range the same pattern continues.
std::int32_t quadrant(float angle);

// The orientation row of quarter index q (0..3).
orientation orientation_for(int q);

// For one start element of angle `angle` (as its record holds it): sets the
// orientation (or prints "Some error" for a negative index), prints the
// rotation line, and mirrors the last kept entry's angle when its quarter
// index is odd.
void start_element_step(scene& s, float angle);

// Turns every kept entry by the orientation and sets the scene offsets from
// the last kept start element.
void orient_pass(scene& s);
