#include "platform/failure.h"
#include "support/testsupport.h"
#include "tokreader/tokreader.h"
#include "track/element_list.h"
#include "track/element_pass.h"
#include "track/readtrk.h"
#include "track/terrain.h"
#include "track/track_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

using testsupport::scratch_dir;
using testsupport::track_bytes;
using testsupport::write_file;

namespace {

constexpr double pi = 3.1415926536;

float f(double v) {
    return static_cast<float>(v);
}

// ---- track file -------------------------------------------------------------

TEST(TrackFile, OffsetsReachTheirCells) {
    std::vector<unsigned char> bytes(1801, 0);
    bytes[0] = 11;    // element (1, 30)
    bytes[29] = 12;   // element (30, 30)
    bytes[870] = 13;  // element (1, 1)
    bytes[899] = 14;  // element (30, 1)
    bytes[900] = 99;  // ignored
    bytes[901] = 21;  // terrain (1, 1)
    bytes[931] = 22;  // terrain (1, 2)
    bytes[1800] = 23; // terrain (30, 30)
    track_map map;
    decode_track(bytes.data(), bytes.size(), map);
    EXPECT_EQ(map.element[1][30], 11);
    EXPECT_EQ(map.element[30][30], 12);
    EXPECT_EQ(map.element[1][1], 13);
    EXPECT_EQ(map.element[30][1], 14);
    EXPECT_EQ(map.terrain[1][1], 21);
    EXPECT_EQ(map.terrain[1][2], 22);
    EXPECT_EQ(map.terrain[30][30], 23);
    int nonzero = 0;
    for (int c = 1; c <= 30; ++c) {
        for (int r = 1; r <= 30; ++r) {
            nonzero += map.element[c][r] != 0;
            nonzero += map.terrain[c][r] != 0;
        }
    }
    EXPECT_EQ(nonzero, 7) << "the byte at offset 900 lands nowhere";
}

TEST(TrackFile, CellsPastTheEndOfAShortFileHold255) {
    struct short_case {
        std::size_t size;
        int elements_255; // cells of the element layer that read 255
        int terrain_255;
    };
    for (const short_case& sc :
         {short_case{0, 900, 900}, short_case{900, 0, 900}, short_case{901, 0, 900},
          short_case{931, 0, 870}, short_case{1800, 0, 1}, short_case{1801, 0, 0}}) {
        std::vector<unsigned char> bytes(1801, 7);
        track_map map;
        decode_track(bytes.data(), sc.size, map);
        int e255 = 0;
        int t255 = 0;
        for (int c = 1; c <= 30; ++c) {
            for (int r = 1; r <= 30; ++r) {
                e255 += map.element[c][r] == 255;
                t255 += map.terrain[c][r] == 255;
            }
        }
        EXPECT_EQ(e255, sc.elements_255) << "size " << sc.size;
        EXPECT_EQ(t255, sc.terrain_255) << "size " << sc.size;
    }
}

TEST(TrackFile, ReadsBytes13And26AsCodes) {
    scratch_dir dir;
    track_bytes t;
    t.set_element(1, 30, 13);
    t.set_element(2, 30, 26);
    t.set_terrain(1, 1, 26);
    t.set_terrain(2, 1, 13);
    write_file(dir / "t.trk", t.bytes);
    track_map map;
    read_track_file((dir / "t.trk").c_str(), map);
    EXPECT_EQ(map.element[1][30], 13);
    EXPECT_EQ(map.element[2][30], 26);
    EXPECT_EQ(map.terrain[1][1], 26);
    EXPECT_EQ(map.terrain[2][1], 13);
    EXPECT_EQ(map.terrain[30][30], 0) << "nothing was lost after the 26";
}

TEST(TrackFile, MissingFileAndDirectory) {
    scratch_dir dir;
    track_map map;
    const std::string missing = dir / "none.trk";
    try {
        read_track_file(missing.c_str(), map);
        FAIL();
    } catch (const platform::failure& e) {
        EXPECT_EQ(e.message, "Could not open '" + missing + "'\r\n");
    }
    try {
        read_track_file(dir.path().c_str(), map);
        FAIL();
    } catch (const platform::failure& e) {
        EXPECT_EQ(e.message, "Could not read '" + dir.path() + "'\r\n");
    }
}

// ---- terrain objects --------------------------------------------------------

struct terrain_case {
    int code;
    int model;
    double angle_in_pi; // the stored angle as a multiple of pi
    bool raised;        // code 6: z 0.88 before the -0.002
};

const terrain_case terrain_cases[] = {
    {1, 82, 0, false},   {2, 81, 0, false},    {3, 81, 2.5, false}, {4, 81, 1, false},
    {5, 81, 3.5, false}, {6, 80, 0, true},     {7, 76, 4, false},   {8, 76, 4.5, false},
    {9, 76, 5, false},   {10, 76, 5.5, false}, {11, 75, 6, false},  {12, 75, 6.5, false},
    {13, 75, 7, false},  {14, 75, 7.5, false}, {15, 74, 8, false},  {16, 74, 8.5, false},
    {17, 74, 9, false},  {18, 74, 9.5, false},
};

TEST(TerrainObjects, EveryGroundCode) {
    for (const terrain_case& tc : terrain_cases) {
        const placed_object s = terrain_object(7, 12, tc.code);
        EXPECT_EQ(s.model, tc.model) << "code " << tc.code;
        EXPECT_EQ(s.x, 12.0f) << "code " << tc.code;
        EXPECT_EQ(s.y, 36.0f) << "code " << tc.code;
        EXPECT_EQ(s.angle, f(tc.angle_in_pi * pi)) << "code " << tc.code;
        const float z = tc.raised ? 0.88f : 0.0f;
        EXPECT_EQ(s.z, f(static_cast<double>(z) + static_cast<double>(-0.002f)))
            << "code " << tc.code;
    }
}

TEST(TerrainObjects, EveryOtherCodeIsEmpty) {
    for (int code = 0; code <= 255; ++code) {
        if (code >= 1 && code <= 18) {
            continue;
        }
        EXPECT_EQ(terrain_object(3, 4, code).model, 0) << "code " << code;
    }
}

TEST(TerrainObjects, KnownStoredValues) {
    // The values as single-precision literals, independent of the formulas.
    EXPECT_EQ(terrain_object(1, 1, 3).angle, 7.8539815f);  // 2.5 pi
    EXPECT_EQ(terrain_object(1, 1, 7).angle, 12.566371f);  // 4 pi, not 0
    EXPECT_EQ(terrain_object(1, 1, 18).angle, 29.845131f); // 9.5 pi
    EXPECT_EQ(terrain_object(1, 1, 1).z, -0.002f);
}

TEST(TerrainObjects, OneRecordPerCellInRowOrder) {
    track_map map;
    std::memset(map.terrain, 0, sizeof map.terrain);
    map.terrain[1][1] = 3;
    map.terrain[30][30] = 6;
    map.terrain[5][2] = 255;
    map.terrain[6][2] = 19;
    map.terrain[2][1] = 1;
    std::vector<placed_object> objects(max_objects);
    EXPECT_EQ(terrain_pass(map, objects.data()), 900);
    EXPECT_EQ(objects[0].model, 81);
    EXPECT_EQ(objects[0].x, 0.0f);
    EXPECT_EQ(objects[0].y, 58.0f);
    EXPECT_EQ(objects[1].model, 82);
    EXPECT_EQ(objects[1].x, 2.0f);
    EXPECT_EQ(objects[899].model, 80);
    EXPECT_EQ(objects[899].x, 58.0f);
    EXPECT_EQ(objects[899].y, 0.0f);
    int empty = 0;
    for (int i = 0; i < 900; ++i) {
        empty += objects[static_cast<std::size_t>(i)].model == 0;
    }
    EXPECT_EQ(empty, 897);
}

// ---- element objects --------------------------------------------------------

element_model entry(int model, int xshift, int yshift, int turns) {
    element_model m;
    m.model = model;
    m.xshift = xshift;
    m.yshift = yshift;
    m.turns = turns;
    return m;
}

TEST(ElementObjects, PositionShiftsAndTurns) {
    struct element_case {
        int c, r, e, t;
        element_model m;
        float x, y, z, angle;
        int model;
    };
    const element_case cases[] = {
        {1, 30, 1, 0, entry(41, 1, 1, 1), 1, -1, 0, 1.5707964f, 41},
        {30, 1, 1, 0, entry(41, 0, 0, 0), 58, 58, 0, 0.0f, 41},
        {2, 3, 1, 0, entry(9, 1, 0, 2), 3, 54, 0, 3.1415927f, 9},
        {2, 3, 1, 0, entry(9, 0, 1, 3), 2, 53, 0, 4.712389f, 9},
        {2, 3, 1, 0, entry(9, 0, 0, 4), 2, 54, 0, 6.2831855f, 9}, // a full turn, not 0
        {2, 3, 1, 0, entry(9, 0, 0, 5), 2, 54, 0, 7.8539815f, 9},
        {2, 3, 1, 0, entry(9, 0, 0, -1), 2, 54, 0, -1.5707964f, 9}, // 4294967295 wrapped
        {2, 3, 1, 6, entry(9, 0, 0, 1), 2, 54, 0.88f, 1.5707964f, 9},
        {2, 3, 1, 5, entry(9, 0, 0, 1), 2, 54, 0, 1.5707964f, 9},
        {2, 3, 1, 11, entry(9, 0, 0, 1), 2, 54, 0, 1.5707964f, 9},
    };
    for (const element_case& k : cases) {
        const placed_object s = element_object(k.c, k.r, k.e, k.t, k.m);
        SCOPED_TRACE(testing::Message() << "cell " << k.c << "," << k.r << " turns " << k.m.turns
                                        << " terrain " << k.t);
        EXPECT_EQ(s.model, k.model);
        EXPECT_EQ(s.x, k.x);
        EXPECT_EQ(s.y, k.y);
        EXPECT_EQ(s.z, k.z);
        EXPECT_EQ(s.angle, k.angle);
    }
}

TEST(ElementObjects, TerrainVariants) {
    struct variant_case {
        int e, t, turns;
        int model;
        float angle;
    };
    const variant_case cases[] = {
        // Models whose angle follows the terrain's turn.
        {4, 7, 1, 89, 0.0f},
        {4, 9, 1, 89, 3.1415927f},
        {5, 8, 3, 89, 1.5707964f},
        {5, 10, 3, 89, -1.5707964f},
        {14, 7, 2, 133, 0.0f},
        {15, 8, 2, 133, 1.5707964f},
        {14, 9, 2, 133, 3.1415927f},
        {15, 10, 2, 133, -1.5707964f},
        {24, 7, 0, 134, 0.0f},
        {25, 8, 0, 134, 1.5707964f},
        {24, 9, 0, 134, 3.1415927f},
        {25, 10, 3, 134, -1.5707964f},
        // Models that keep the entry's angle.
        {39, 7, 2, 119, 3.1415927f},
        {36, 8, 2, 119, 3.1415927f},
        {38, 9, 1, 119, 1.5707964f},
        {37, 10, 2, 119, 3.1415927f},
        {59, 7, 0, 118, 0.0f},
        {56, 8, 1, 118, 1.5707964f},
        {58, 9, 3, 118, 4.712389f},
        {57, 10, 0, 118, 0.0f},
        {98, 7, 1, 120, 1.5707964f},
        {95, 8, 2, 120, 3.1415927f},
        {97, 9, 3, 120, 4.712389f},
        {96, 10, 1, 120, 1.5707964f},
        // Pairs that the variants do not list keep the listed model and angle.
        {4, 8, 1, 50, 1.5707964f},
        {4, 10, 1, 50, 1.5707964f},
        {5, 7, 1, 50, 1.5707964f},
        {5, 9, 1, 50, 1.5707964f},
        {37, 7, 2, 50, 3.1415927f},
        {39, 10, 2, 50, 3.1415927f},
        {4, 6, 1, 50, 1.5707964f},
        {4, 11, 1, 50, 1.5707964f},
    };
    for (const variant_case& k : cases) {
        const placed_object s = element_object(5, 5, k.e, k.t, entry(50, 1, 1, k.turns));
        SCOPED_TRACE(testing::Message() << "code " << k.e << " on terrain " << k.t);
        EXPECT_EQ(s.model, k.model);
        EXPECT_EQ(s.angle, k.angle);
        EXPECT_EQ(s.x, 9.0f) << "the shifts stay";
        EXPECT_EQ(s.y, 49.0f) << "the shifts stay";
        EXPECT_EQ(s.z, k.t == 6 ? 0.88f : 0.0f);
    }
}

TEST(ElementObjects, RecordsRowByRowFirstEntryBeforeSecond) {
    track_map map;
    std::memset(map.element, 0, sizeof map.element);
    std::memset(map.terrain, 0, sizeof map.terrain);
    element_table table;
    table.entry[2][0] = entry(20, 0, 0, 0);
    table.entry[2][1] = entry(21, 0, 0, 0);
    table.entry[3][1] = entry(30, 0, 0, 0); // first entry places nothing
    map.element[5][1] = 2;
    map.element[1][2] = 3;
    map.element[30][30] = 2;
    std::vector<placed_object> objects(max_objects);
    const int count = element_pass(map, table, objects.data(), 900);
    ASSERT_EQ(count, 905);
    const int models[] = {20, 21, 30, 20, 21};
    const float xs[] = {8, 8, 0, 58, 58};
    const float ys[] = {58, 58, 56, 0, 0};
    for (int i = 0; i < 5; ++i) {
        const placed_object& s = objects[static_cast<std::size_t>(900 + i)];
        EXPECT_EQ(s.model, models[i]) << i;
        EXPECT_EQ(s.x, xs[i]) << i;
        EXPECT_EQ(s.y, ys[i]) << i;
    }
}

TEST(ElementObjects, FullGridFitsEveryRecord) {
    track_map map;
    std::memset(map.element, 7, sizeof map.element);
    std::memset(map.terrain, 1, sizeof map.terrain);
    element_table table;
    table.entry[7][0] = entry(20, 0, 0, 0);
    table.entry[7][1] = entry(21, 0, 0, 1);
    std::vector<placed_object> objects(max_objects);
    const int count = element_pass(map, table, objects.data(), terrain_pass(map, objects.data()));
    EXPECT_EQ(count, 2700);
    EXPECT_EQ(count, max_objects);
    EXPECT_EQ(objects[2699].model, 21);
    EXPECT_EQ(objects[2699].x, 58.0f);
    EXPECT_EQ(objects[2699].y, 0.0f);
}

// ---- element list -----------------------------------------------------------

class ElementList : public ::testing::Test {
  protected:
    // Loads `text` as the element list; returns the failure message, or
    // nothing when it loaded.
    std::string load(const std::string& text) {
        write_file(dir / "list", text);
        path = dir / "list";
        try {
            load_element_list(table, path.c_str());
        } catch (const platform::failure& e) {
            EXPECT_EQ(tkdepth(), 0) << "the loader leaves the token reader clean";
            return e.message;
        }
        EXPECT_EQ(tkdepth(), 0);
        return {};
    }
    void expect_entry(int code, int which, int model, int xshift, int yshift, int turns) {
        const element_model& m = table.entry[code][which];
        SCOPED_TRACE(testing::Message() << "code " << code << " entry " << which);
        EXPECT_EQ(m.model, model);
        EXPECT_EQ(m.xshift, xshift);
        EXPECT_EQ(m.yshift, yshift);
        EXPECT_EQ(m.turns, turns);
    }
    int filled_entries() const {
        int n = 0;
        for (const auto& row : table.entry) {
            for (const element_model& m : row) {
                n += m.model != 0 || m.xshift != 0 || m.yshift != 0 || m.turns != 0;
            }
        }
        return n;
    }

    scratch_dir dir;
    std::string path;
    element_table table;
};

TEST_F(ElementList, ExampleListFillsExactlyItsEntries) {
    ASSERT_EQ(load("n 1 t 20 r 0\n"
                   "n 2 t 20 r 1\n"
                   "n 30 t 41 whr 0\n"
                   "t 42 wr 2\n"
                   "n 31 t 0 r 0\n"
                   "t 43 hr 3\n"),
              "");
    expect_entry(1, 0, 20, 0, 0, 0);
    expect_entry(2, 0, 20, 0, 0, 1);
    expect_entry(30, 0, 41, 1, 1, 0);
    expect_entry(30, 1, 42, 1, 0, 2);
    expect_entry(31, 0, 0, 0, 0, 0);
    expect_entry(31, 1, 43, 0, 1, 3);
    EXPECT_EQ(filled_entries(), 5);
}

TEST_F(ElementList, LoadingClearsWhatWasThere) {
    table.entry[9][1] = entry(5, 1, 1, 1);
    ASSERT_EQ(load(""), "");
    EXPECT_EQ(filled_entries(), 0);
    table.entry[9][1] = entry(5, 1, 1, 1);
    ASSERT_EQ(load(" \t\r\n \n"), "");
    EXPECT_EQ(filled_entries(), 0);
}

TEST_F(ElementList, ConstructsAndTheirOrder) {
    struct list_case {
        const char* text;
        int code, which, model, xshift, yshift, turns;
    };
    const list_case cases[] = {
        {"n 4 t 7 r 0", 4, 0, 7, 0, 0, 0},
        {"N 4 T 7 WHR 1", 4, 0, 7, 1, 1, 1},
        {"n 4 t 7 wr 0 n 4 t 9 r 1", 4, 0, 9, 1, 0, 1},     // flags only accumulate
        {"n 4 t 7 r 0 t 8 hr 2 t 9 r 3", 4, 1, 9, 0, 1, 3}, // last extra entry wins
        {"n 4 t 7 r 0 t 8 hr 2 t 9 r 3", 4, 0, 7, 0, 0, 0},
        {"n 4 t 0 r 0 t 8 r 0", 4, 1, 8, 0, 0, 0},
        {"n 4 t 7 r 5", 4, 0, 7, 0, 0, 5},
        {"n 4 t 7 r 0 n 5 t 1 r 0 t 6 wr 1", 5, 1, 6, 1, 0, 1}, // extra goes to latest n
        {"n 4 t 7 r 0 n 5 t 1 r 0 t 6 wr 1", 4, 1, 0, 0, 0, 0},
        {"wr n 4 t 7 r 0", 4, 0, 7, 0, 0, 0}, // stray keyword skipped
        {"n 4 t 7 r 0 hr whr t 3 r 2", 4, 1, 3, 0, 0, 2},
        {"n 0 t 5 r 0 n 255 t 6 r 0", 255, 0, 6, 0, 0, 0},
        {"n 0 t 5 r 0 n 255 t 6 r 0", 0, 0, 5, 0, 0, 0},
        {"n 4 t 7 r 4294967297", 4, 0, 7, 0, 0, 1}, // wraps at 32 bits
        {"n 4 t 7\r\nr\r\n2", 4, 0, 7, 0, 0, 2},    // line breaks mean nothing
    };
    for (const list_case& k : cases) {
        SCOPED_TRACE(k.text);
        ASSERT_EQ(load(k.text), "");
        expect_entry(k.code, k.which, k.model, k.xshift, k.yshift, k.turns);
    }
}

TEST_F(ElementList, Diagnostics) {
    struct diagnostic_case {
        const char* text;
        std::string message; // "%s" stands for the list's path
    };
    const diagnostic_case cases[] = {
        {"n 4", "'t' expected\r\n"},
        {"n 4 n", "'t' expected\r\n"},
        {"n 4 r 7 r 0", "'t' expected\r\n"},
        {"n 4 t 7", "Some error\r\n"},
        {"n 4 t 7 n", "Some error\r\n"},
        {"n 4 t 7 t", "Some error\r\n"},
        {"n 4 t 7 r 0 t 8", "Some error\r\n"},
        {"n 4 t 7 r", "File '%s': integer expected, found end of file (2)\r\n"},
        {"n 4 t 7 r 0\nxyz", "File '%s', line 2: word 'xyz' not recognized\r\n"},
        {"n 4 t 7 r 0\n\nWR 5", "File '%s', line 3: word expected, found:\r\ninteger, 5\r\n"},
        {"n -1 t 7 r 0",
         "File '%s', line 1: integer expected, found:\r\nfloating point, -1.0000e+00\r\n"},
        {"n 4 t wr2 r 0", "File '%s', line 1: integer expected, found:\r\nunknown type, 'wr2'\r\n"},
        {"n\n256 t 7 r 0", "File '%s', line 2: element code 256 out of range\r\n"},
        {"n 2147483648 t 7 r 0", "File '%s', line 1: element code -2147483648 out of range\r\n"},
        {"\n\nt 7 r 0", "File '%s', line 3: 't' before the first 'n'\r\n"},
    };
    for (const diagnostic_case& k : cases) {
        SCOPED_TRACE(k.text);
        std::string expected = k.message;
        const auto at = expected.find("%s");
        if (at != std::string::npos) {
            expected.replace(at, 2, dir / "list");
        }
        EXPECT_EQ(load(k.text), expected);
    }
}

TEST_F(ElementList, WordTooLongEndsTheLoadingAfterItsMessage) {
    std::string console;
    std::string* before = platform::capture_console(&console);
    const std::string message = load("n 4 t 7 r 0\n" + std::string(32, 'a'));
    platform::capture_console(before);
    EXPECT_EQ(message, "") << "the reader has said why; nothing more";
    EXPECT_EQ(console, "File '" + (dir / "list") + "', line 2: word too long\r\n");
}

TEST(ReadTrack, MissingElementListComesAfterTheTrackFile) {
    scratch_dir dir;
    write_file(dir / "t.trk", track_bytes().bytes);
    std::vector<placed_object> objects(max_objects);
    int count = -1;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    try {
        readtrk("t.trk", objects.data(), &count);
        ADD_FAILURE() << "no element list, yet no failure";
    } catch (const platform::failure& e) {
        EXPECT_EQ(e.message, "readtok(): Could not open 'src/zuxlist'\r\n");
    }
    try {
        readtrk("missing.trk", objects.data(), &count);
        ADD_FAILURE() << "no track file, yet no failure";
    } catch (const platform::failure& e) {
        EXPECT_EQ(e.message, "Could not open 'missing.trk'\r\n") << "the track file comes first";
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(count, -1);
}

TEST(ReadTrack, TerrainRecordsThenElementRecords) {
    scratch_dir dir;
    track_bytes t(0, 0);
    t.set_terrain(1, 1, 1);
    t.set_element(1, 1, 3);
    t.set_element(2, 30, 3);
    write_file(dir / "t.trk", t.bytes);
    write_file(dir / "src/zuxlist", "n 3 t 12 r 1\n");
    std::vector<placed_object> objects(max_objects);
    int count = -1;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    readtrk("t.trk", objects.data(), &count);
    std::filesystem::current_path(previous);
    ASSERT_EQ(count, 902);
    EXPECT_EQ(objects[0].model, 82);
    EXPECT_EQ(objects[900].model, 12);
    EXPECT_EQ(objects[900].y, 58.0f) << "row 1 first";
    EXPECT_EQ(objects[901].model, 12);
    EXPECT_EQ(objects[901].x, 2.0f);
    EXPECT_EQ(objects[901].y, 0.0f);
}

} // namespace
