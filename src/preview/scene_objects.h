// The object lines of a scene file, found without reading the model library.
//
// A scene file ends with the count line "objects N" and exactly N object
// lines. The count line may be joined to the model library's last line when
// the library has no final line end, so it is found from the end of the file:
// it is the last line whose text ends in "objects " and a run of digits. Every
// line ends in CR LF or LF (the two may be mixed); the file ends in a line end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace preview {

// One object line "model z x y 0 0 angle kind 0": z is the height, x and y the
// position in scene units, the angle in radians counter-clockwise seen from
// above.
struct scene_object {
    int model = 0;
    double z = 0;
    double x = 0;
    double y = 0;
    double angle = 0;
    int kind = 0;
    int line = 0; // line number in the scene file, from 1
};

// The object lines of the scene file text `text`, in file order. `name` is the
// file's name for messages. A file that does not end in a count line and its
// object lines fails through platform::fail with a message naming what was
// expected.
std::vector<scene_object> read_object_lines(std::string_view text, const std::string& name);

} // namespace preview
