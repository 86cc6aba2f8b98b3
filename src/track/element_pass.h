// The element pass: the models of every cell's track element.
//
// Cell by cell (row 1 to 30, column 1 to 30), the first and then the second
// entry of the cell's element code each place one record unless their model
// is 0: at the cell's position moved by the entry's shifts, turned by its
// quarter turns. On terrain 6 the object is raised to 0.88; on terrains 7 to
// 10 (the four turns of one terrain piece) some element codes take another
// model, some of them with an angle that follows the terrain's turn.
#pragma once

#include "track/element_list.h"
#include "track/placed_object.h"
#include "track/track_map.h"

// Writes the element records from index `count` on and returns the new count.
int element_pass(const track_map& map, const element_table& table, placed_object* objects,
                 int count);

// The record of one entry on cell (c, r) with element code e and terrain t.
placed_object element_object(int c, int r, int e, int t, const element_model& m);
