// One whole run of the converter, from the command line to the exit status.
#pragma once

// Converts argv[1] into the scene file argv[2]. Every message goes to standard
// output (platform::say); returns 0 after a complete run and 1 after an error.
int run(int argc, char** argv);
