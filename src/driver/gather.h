// The gather pass: from placed objects to the scene list.
//
// Every record is scaled by 16 (its angle is not), renumbered, dropped when
// its model is below 1, and merged into the last kept entry when it has the
// same model and differs from it by at most 0.0001 in all (|dz| + |dx| + |dy|
// + |dangle|, in scene units and radians). Every start element (model 8),
// kept or merged, goes through the start-element step.
#pragma once

#include "driver/scene.h"
#include "track/placed_object.h"

// The model number a record takes in the scene: 118..120 become 66, 121..134
// move down by 2, the rest stay. 0 for a record that is dropped.
std::int32_t renumber(std::int32_t model);

// Appends the records 0..count-1 of `objects` to the scene list of `s`.
void gather(const placed_object* objects, int count, scene& s);
