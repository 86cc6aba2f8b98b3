// The terrain pass: one record per cell for its ground model.
//
// Terrain codes 1 to 18 each place one ground model; every other code gives
// an empty record. Cell (c, r) always owns record 30 (r - 1) + (c - 1).
#pragma once

#include "track/placed_object.h"
#include "track/track_map.h"

// Fills records 0..899 of `objects` and returns 900.
int terrain_pass(const track_map& map, placed_object* objects);

// The record of a cell at (c, r) with terrain code t.
placed_object terrain_object(int c, int r, int t);
