#include "track/readtrk.h"

#include "track/element_list.h"
#include "track/element_pass.h"
#include "track/terrain.h"
#include "track/track_map.h"

void readtrk(const char* path, placed_object* objects, int* count) {
    track_map map;
    read_track_file(path, map);
    element_table table;
    load_element_list(table);
    int n = terrain_pass(map, objects);
    n = element_pass(map, table, objects, n);
    *count = n;
}
