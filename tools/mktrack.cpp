// mktrack: writes the sample tracks of trk2scene.
//
//     mktrack <outdir>
//
// Every sample is described here in readable form (a character map of the
// grid, or a short rule) and written as a 1801-byte track file: the element
// layer with grid row 30 first, one unused byte, then the terrain layer with
// grid row 1 first. Within a file row the bytes run from column 1 to 30.
//
// Maps list grid row 1 first (the top line is the north edge of the track,
// y = 58) and column 1 first (the west edge, x = 0).

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int size = 30;

// Codes indexed [column][row], both 1..30; index 0 is unused.
struct track {
    std::array<std::array<std::uint8_t, size + 1>, size + 1> element{};
    std::array<std::array<std::uint8_t, size + 1>, size + 1> terrain{};
};

// Element codes of our element list (see docs/elements.md).
namespace el {
constexpr std::uint8_t none = 0;
constexpr std::uint8_t straight_ns = 4;
constexpr std::uint8_t straight_ew = 5;
constexpr std::uint8_t fenced_ns = 14;
constexpr std::uint8_t fenced_ew = 15;
constexpr std::uint8_t bridge_ns = 24;
constexpr std::uint8_t bridge_ew = 25;
constexpr std::uint8_t curve_se = 36; // joins the south and east sides
constexpr std::uint8_t curve_en = 37;
constexpr std::uint8_t curve_nw = 38;
constexpr std::uint8_t curve_ws = 39;
constexpr std::uint8_t junction_e = 56; // through north-south, branch east
constexpr std::uint8_t junction_n = 57;
constexpr std::uint8_t junction_w = 58;
constexpr std::uint8_t junction_s = 59;
constexpr std::uint8_t crossing = 60;
constexpr std::uint8_t start_0 = 70; // start straight, 0 to 3 quarter turns
constexpr std::uint8_t portal_ns = 80;
constexpr std::uint8_t portal_ew = 81;
constexpr std::uint8_t ramp_n = 95; // rises towards the north
constexpr std::uint8_t ramp_w = 96;
constexpr std::uint8_t ramp_s = 97;
constexpr std::uint8_t ramp_e = 98;
} // namespace el

// Element map characters.
std::uint8_t element_code(char ch) {
    switch (ch) {
    case '.':
        return el::none;
    case '|':
        return el::straight_ns;
    case '-':
        return el::straight_ew;
    case 'I':
        return el::fenced_ns;
    case '=':
        return el::fenced_ew;
    case 'H':
        return el::bridge_ns;
    case 'B':
        return el::bridge_ew;
    case 'r': // like a box corner: south and east
        return el::curve_se;
    case 'L': // east and north
        return el::curve_en;
    case 'J': // north and west
        return el::curve_nw;
    case '7': // west and south
        return el::curve_ws;
    case 'E':
        return el::junction_e;
    case 'N':
        return el::junction_n;
    case 'W':
        return el::junction_w;
    case 'S':
        return el::junction_s;
    case '+':
        return el::crossing;
    case '0':
    case '1':
    case '2':
    case '3':
        return static_cast<std::uint8_t>(el::start_0 + (ch - '0'));
    case 'P':
        return el::portal_ns;
    case 'p':
        return el::portal_ew;
    case '^':
        return el::ramp_n;
    case '<':
        return el::ramp_w;
    case 'v':
        return el::ramp_s;
    case '>':
        return el::ramp_e;
    default:
        std::fprintf(stderr, "mktrack: unknown element character '%c'\n", ch);
        std::exit(2);
    }
}

// Terrain codes: 1 grass; 2..5 shore with the water to the north, west,
// south, east; 6 plateau; 7..10 slope rising to the north, west, south, east;
// 11..14 outer corner, high at the north-east, north-west, south-west,
// south-east corner; 15..18 inner corner, low at the south-west, south-east,
// north-east, north-west corner; 0 open water (no ground).
std::uint8_t terrain_code(char ch) {
    constexpr std::string_view order = " .nwse#^<v>abcdABCD";
    if (ch == 'x') {
        return 19; // a code without a ground model
    }
    if (ch == 'z') {
        return 255;
    }
    const auto pos = order.find(ch);
    if (pos == std::string_view::npos) {
        std::fprintf(stderr, "mktrack: unknown terrain character '%c'\n", ch);
        std::exit(2);
    }
    return static_cast<std::uint8_t>(pos);
}

using grid_map = std::array<std::string_view, size>;

std::string_view map_row(const grid_map& map, int r) {
    const std::string_view row = map[static_cast<std::size_t>(r - 1)];
    if (row.size() != size) {
        std::fprintf(stderr, "mktrack: map row %d is not %d wide\n", r, size);
        std::exit(2);
    }
    return row;
}

void apply_elements(const grid_map& elements, track& t) {
    for (int r = 1; r <= size; ++r) {
        const std::string_view row = map_row(elements, r);
        for (int c = 1; c <= size; ++c) {
            t.element[c][r] = element_code(row[static_cast<std::size_t>(c - 1)]);
        }
    }
}

void apply_terrain(const grid_map& terrain, track& t) {
    for (int r = 1; r <= size; ++r) {
        const std::string_view row = map_row(terrain, r);
        for (int c = 1; c <= size; ++c) {
            t.terrain[c][r] = terrain_code(row[static_cast<std::size_t>(c - 1)]);
        }
    }
}

// A closed circuit: a rectangle split into four by a cross of tracks that
// meet at a level crossing. The north side climbs over a plateau (slope
// straights, raised straights), the middle track runs fenced over a mound,
// the east side bridges a river between two ramps, the south side passes a
// portal. The start straight is on the west side, heading north.
track circuit() {
    static constexpr grid_map elements = {
        "..............................", //  1
        "..............................", //  2
        "..............................", //  3
        "..............................", //  4
        "..............................", //  5
        "..............................", //  6
        "..............................", //  7
        ".......r------S------7........", //  8
        ".......|......I......|........", //  9
        ".......|......I......|........", // 10
        ".......|......I......|........", // 11
        ".......|......I......|........", // 12
        ".......|......I......|........", // 13
        ".......E------+------W........", // 14
        ".......|......|......|........", // 15
        ".......|......|......v........", // 16
        ".......0......|......H........", // 17
        ".......|......|......H........", // 18
        ".......|......|......^........", // 19
        ".......L======N--p---J........", // 20
        "..............................", // 21
        "..............................", // 22
        "..............................", // 23
        "..............................", // 24
        "..............................", // 25
        "..............................", // 26
        "..............................", // 27
        "..............................", // 28
        "..............................", // 29
        "..............................", // 30
    };
    static constexpr grid_map terrain = {
        "..............................", //  1
        "..............................", //  2
        "..............................", //  3
        "..............................", //  4
        ".........dvvc.................", //  5
        ".........>##<.................", //  6
        ".........>##<.................", //  7
        ".........>##<.................", //  8
        ".........>##<.................", //  9
        ".........a^^bdvc..............", // 10
        ".............>#<..............", // 11
        ".............a^b..............", // 12
        "..............................", // 13
        "..............................", // 14
        "..............................", // 15
        "..............................", // 16
        "................ssssssssssssss", // 17
        "................nnnnnnnnnnnnnn", // 18
        "..............................", // 19
        "..............................", // 20
        "..............................", // 21
        "..............................", // 22
        "..............................", // 23
        "..............................", // 24
        "..............................", // 25
        "..............................", // 26
        "..............................", // 27
        "..............................", // 28
        "..............................", // 29
        "..............................", // 30
    };
    track t;
    apply_elements(elements, t);
    apply_terrain(terrain, t);
    return t;
}

// Ground only: an L-shaped plateau, a plateau with a pit, a lake and a few
// cells with codes that place no ground. No element code anywhere.
track terrain_only() {
    static constexpr grid_map terrain = {
        "..............................", //  1
        "................dvvvvvvvvvc...", //  2
        "................>#########<...", //  3
        "...dvvvvvvvvc...>#########<...", //  4
        "...>########<...>##B^^^A##<...", //  5
        "...>########<...>##<...>##<...", //  6
        "...>########<...>##<...>##<...", //  7
        "...>########<...>##<...>##<...", //  8
        "...>########<...>##CvvvD##<...", //  9
        "...>########<...>#########<...", // 10
        "...>####B^^^b...>#########<...", // 11
        "...>####<.......a^^^^^^^^^b...", // 12
        "...>####<.....................", // 13
        "...>####<.....................", // 14
        "...a^^^^b.....................", // 15
        "..............................", // 16
        "..............................", // 17
        "..................ssssss......", // 18
        ".................e      w.....", // 19
        ".................e      w.....", // 20
        ".................e      w.....", // 21
        ".................e      w.....", // 22
        ".................e      w.....", // 23
        "..................nnnnnn......", // 24
        "..............................", // 25
        "..............................", // 26
        "..xx..........................", // 27
        "..zz..........................", // 28
        "..............................", // 29
        "..............................", // 30
    };
    track t; // every element code stays 0, which our list leaves undefined
    apply_terrain(terrain, t);
    return t;
}

// A short straight on a grass island in open water, with the start straight
// in its middle turned by `quarter` quarter turns: along the columns for 0
// and 2, along the rows for 1 and 3.
track start_sample(int quarter) {
    track t;
    for (int r = 10; r <= 20; ++r) {
        for (int c = 10; c <= 20; ++c) {
            t.terrain[c][r] = terrain_code('.');
        }
    }
    const bool along_columns = quarter % 2 == 0;
    for (int i = 11; i <= 19; ++i) {
        if (along_columns) {
            t.element[15][i] = el::straight_ns;
        } else {
            t.element[i][15] = el::straight_ew;
        }
    }
    t.element[15][15] = static_cast<std::uint8_t>(el::start_0 + quarter);
    return t;
}

// Every cell carries a two-entry element and a ground model, so the
// converter makes 900 + 1800 records. Terrain codes cycle through 1..18.
// Row 15 holds portals (straight plus portal posts, whose posts get a roof
// line in the scene); every other row holds bridges (deck plus pillar). A
// bridge never stands on a slope that would turn both of its entries into
// the same model at the same place, so no two consecutive records are alike.
track full_grid() {
    track t;
    for (int r = 1; r <= size; ++r) {
        for (int c = 1; c <= size; ++c) {
            const int code = 1 + (c + r) % 18;
            t.terrain[c][r] = static_cast<std::uint8_t>(code);
            std::uint8_t e;
            if (r == 15) {
                e = c % 2 == 1 ? el::portal_ns : el::portal_ew;
            } else if (code == 7 || code == 9) {
                e = el::bridge_ew;
            } else if (code == 8 || code == 10) {
                e = el::bridge_ns;
            } else {
                e = c % 2 == 1 ? el::bridge_ns : el::bridge_ew;
            }
            t.element[c][r] = e;
        }
    }
    return t;
}

std::vector<std::uint8_t> track_bytes(const track& t) {
    std::vector<std::uint8_t> out;
    out.reserve(1801);
    for (int r = size; r >= 1; --r) {
        for (int c = 1; c <= size; ++c) {
            out.push_back(t.element[c][r]);
        }
    }
    out.push_back(0); // not read by the converter
    for (int r = 1; r <= size; ++r) {
        for (int c = 1; c <= size; ++c) {
            out.push_back(t.terrain[c][r]);
        }
    }
    return out;
}

bool write_track(const std::string& dir, const char* name, const track& t) {
    const std::string path = dir + "/" + name;
    const std::vector<std::uint8_t> bytes = track_bytes(t);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "mktrack: cannot create %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "mktrack: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <outdir>\n", argc > 0 ? argv[0] : "mktrack");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = write_track(dir, "circuit.trk", circuit());
    ok = write_track(dir, "start-0.trk", start_sample(0)) && ok;
    ok = write_track(dir, "start-90.trk", start_sample(1)) && ok;
    ok = write_track(dir, "start-180.trk", start_sample(2)) && ok;
    ok = write_track(dir, "start-270.trk", start_sample(3)) && ok;
    ok = write_track(dir, "full-grid.trk", full_grid()) && ok;
    ok = write_track(dir, "terrain-only.trk", terrain_only()) && ok;
    return ok ? 0 : 1;
}
