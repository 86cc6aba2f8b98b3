// The element list: which models stand for each track-element code.
//
// The list is a keyword text read through the token reader. It is a sequence
// of two constructs, in any order:
//   n <code> t <model> <rotation> <turns>   a definition: <code> becomes the
//                                           current code, its first entry is set
//   t <model> <rotation> <turns>            an extra entry: the second entry of
//                                           the current code is set
// <rotation> is r (no shift), wr (shift +1 in x), hr (shift -1 in y) or whr
// (both). Shift flags are only ever set, never cleared, so a redefinition
// keeps them. Keywords are matched without regard to case; a rotation keyword
// where a construct is due is skipped.
#pragma once

#include <cstdint>

struct element_model {
    std::int32_t model = 0; // 0 places nothing
    std::int32_t xshift = 0;
    std::int32_t yshift = 0;
    std::int32_t turns = 0; // quarter turns, not reduced
};

struct element_table {
    element_model entry[256][2]; // [code][first, second]
};

constexpr const char* element_list_path = "src/zuxlist";

// Clears `table` and fills it from the element list at `path`. Ends the run
// with a message on any malformed list.
void load_element_list(element_table& table, const char* path = element_list_path);
