// A scene drawn from above as a standalone SVG picture.
#pragma once

#include "preview/scene_objects.h"

#include <string>
#include <string_view>
#include <vector>

namespace preview {

// One cell of the track grid in scene units.
constexpr double cell_size = 32.0;

// The SVG document for `objects` (the first one is the leading object line),
// with `title` in front of the object count on its title line.
//
// The scene is drawn in a group whose transform flips the y axis, so that
// scene y points up the picture; inside it every object line is one element
// of class "obj m<model>" with the transform "translate(x y) rotate(degrees)",
// x and y its position and degrees its angle, counter-clockwise. The output
// depends only on the arguments: every number is written with at most three
// decimals and without an exponent.
std::string draw_svg(const std::vector<scene_object>& objects, std::string_view title);

} // namespace preview
