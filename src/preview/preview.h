// One whole run of scene2svg, from the command line to the exit status.
#pragma once

namespace preview {

// Draws the scene file argv[1] into the SVG file argv[2]. Every message goes to
// standard output (platform::say); returns 0 after a complete run and 1 after
// an error, in which case no SVG file is written.
int run(int argc, char** argv);

} // namespace preview
