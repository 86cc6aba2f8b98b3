// The scene file: lighting header, model library, count line, object lines.
//
//   ambient 0.5 ... clfactors 1.0 1.0 1.0     six fixed lighting lines
//   <the model library, copied unchanged under the text-mode rules>
//   objects N                                 N = object lines that follow
//   118 z x y 0 0 0.000 1 0                   leading object line
//   model z x y 0 0 angle 1 0                 one per kept entry, with a
//   133 z+11.25 x y 0 0 angle 3 0             companion behind each model 99
//
// Coordinates are printed z first, with three decimals, as the double sums of
// the stored floats and the scene offsets. The file is written in text mode:
// every line end reaches it as CR LF.
#pragma once

#include "driver/scene.h"

#include <string>

constexpr const char* model_library_path = "src/mdls4zu";

// Appends `v` printed with exactly `decimals` digits after the point, as
// printf's "%1.<decimals>f" prints it.
void append_fixed(std::string& out, double v, int decimals);

// The lines that follow the model library: count line and object lines.
std::string object_lines(const scene& s);

// Writes the scene file `path`. Ends the run with a message when the scene
// file cannot be opened or written, or the model library cannot be opened or
// read.
void write_scene(const char* path, const scene& s, const char* library = model_library_path);
