// Turning one track file into placed objects.
#pragma once

#include "track/placed_object.h"

// Reads the track file `path`, loads the element list and places the terrain
// objects (records 0..899) and the element objects (from 900 on) into
// `objects`, which holds max_objects records; stores their number in `count`.
// Ends the run through platform::fail on any error.
void readtrk(const char* path, placed_object* objects, int* count);
