// The two layers of a track file.
//
// A track file holds 1801 bytes: the element layer (30 rows of 30 codes,
// starting with grid row 30), one ignored byte, and the terrain layer
// (30 rows of 30 codes, starting with grid row 1). Within a file row the
// codes run from column 1 to column 30. Every cell past the end of a short
// file holds 255; anything past byte 1801 is never looked at.
#pragma once

#include <cstddef>
#include <cstdint>

struct track_map {
    // Indexed [column][row], both 1..30; index 0 is never used.
    std::uint8_t element[31][31] = {};
    std::uint8_t terrain[31][31] = {};
};

constexpr std::size_t track_file_size = 1801;

// Fills `map` from the first 1801 bytes of `bytes` (`size` of them present).
void decode_track(const unsigned char* bytes, std::size_t size, track_map& map);

// Reads the track file at `path` into `map`. Ends the run with
// "Could not open '<path>'" or "Could not read '<path>'".
void read_track_file(const char* path, track_map& map);
