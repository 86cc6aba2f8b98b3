// End-to-end runs of the trk2scene binary.
//
// Every test builds a scratch working directory with its own track file,
// element list (src/zuxlist) and model library (src/mdls4zu), runs the real
// binary there and compares the exact bytes of standard output, the exit
// status and the exact bytes of the scene file (or checks that none was made).
//
// The expected scene files are worked out by hand. The rules used throughout:
//   - a cell (c, r) sits at x = 2c - 2, y = 60 - 2r; an element entry adds its
//     x shift (+1) and subtracts its y shift (1);
//   - the scene scales x, y and z by 16 (angles are not scaled);
//   - without a start element the offsets are x -100, y -100, z -20, and the
//     scene is not turned; so a cell's printed x is 32(c - 1) - 100 and its
//     printed y is 16(60 - 2r) - 100;
//   - terrain objects stand at z -0.002 (printed -20 - 0.032 = -20.032), or
//     at 0.88 - 0.002 = 0.878 on terrain 6 (16 * 0.878 - 20 = -5.952);
//     element objects stand at z 0, or 0.88 on terrain 6 (14.08 - 20 = -5.92);
//   - a line is "model z x y 0 0 angle 1 0", every number "%1.3f", z first;
//   - the file is written with CR LF line ends.
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::run_binary;
using testsupport::scratch_dir;
using testsupport::track_bytes;
using testsupport::write_file;

const std::string header = "ambient 0.5\r\n"
                           "headlight 0.3\r\n"
                           "directional 0.5\r\n"
                           "lightdir -1.0 0.4 0.6\r\n"
                           "background 140 180 210\r\n"
                           "clfactors 1.0 1.0 1.0\r\n";

// The model library most tests use, and how it reaches the scene file.
const std::string library_text = "model one\nmodel two\n";
const std::string library_copy = "model one\r\nmodel two\r\n";

// No start element: offsets x -100, y -100, z -20 and no turn, so the leading
// line is z = -20 - 0.05, x = 1 * 480 - 100, y = 1 * 480 - 100.
const std::string leading_default = "118 -20.050 380.000 380.000 0 0 0.000 1 0\r\n";

// The scene file with the usual model library in front of `body`.
std::string scene_with(const std::string& body) {
    return header + library_copy + body;
}

// What the working directory holds before the run; a missing value leaves
// that file out.
struct files {
    std::optional<std::string> track = track_bytes().bytes;
    std::optional<std::string> list = std::string();
    std::optional<std::string> library = library_text;
};

struct outcome {
    int status = -1;
    std::string output;
    std::set<std::string> created;    // names the run added to the directory
    std::optional<std::string> scene; // the contents of out.scene, if made
};

std::set<std::string> entries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

// Runs the binary as "trk2scene <args>" in a fresh directory holding `in`
// as in.trk, src/zuxlist and src/mdls4zu.
outcome convert(const files& in, const std::vector<std::string>& args = {"in.trk", "out.scene"}) {
    scratch_dir dir;
    fs::create_directories(dir / "src");
    if (in.track) {
        write_file(dir / "in.trk", *in.track);
    }
    if (in.list) {
        write_file(dir / "src/zuxlist", *in.list);
    }
    if (in.library) {
        write_file(dir / "src/mdls4zu", *in.library);
    }
    const std::set<std::string> before = entries(dir.path());
    outcome out;
    const testsupport::run_result r = run_binary(args, dir.path());
    out.status = r.status;
    out.output = r.output;
    for (const std::string& name : entries(dir.path())) {
        if (before.count(name) == 0) {
            out.created.insert(name);
        }
    }
    if (testsupport::file_exists(dir / "out.scene")) {
        out.scene = testsupport::read_file(dir / "out.scene");
    }
    return out;
}

// A complete run: nothing on standard output but `output`, status 0, and the
// scene file `scene`.
void expect_scene(const outcome& out, const std::string& scene, const std::string& output = "") {
    EXPECT_EQ(out.output, output);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.created, std::set<std::string>{"out.scene"});
    ASSERT_TRUE(out.scene.has_value());
    EXPECT_EQ(*out.scene, scene);
}

// A failed run that leaves no file behind.
void expect_failure(const outcome& out, const std::string& output) {
    EXPECT_EQ(out.output, output);
    EXPECT_EQ(out.status, 1);
    EXPECT_TRUE(out.created.empty());
    EXPECT_FALSE(out.scene.has_value());
}

// ---- Driver and track file --------------------------------------------------

TEST(EndToEnd, TerrainOnlyTrack) {
    track_bytes t;
    t.set_terrain(1, 1, 26); // empty, and read as a code, not as an end of file
    t.set_terrain(2, 1, 13); // read as a code, not dropped as a carriage return
    t.set_terrain(3, 1, 3);
    t.set_terrain(4, 1, 6);
    t.set_terrain(5, 1, 7);
    t.set_terrain(6, 1, 0);
    t.set_terrain(7, 1, 1);
    t.set_terrain(8, 1, 19);
    t.set_terrain(9, 1, 255);
    t.set_terrain(10, 1, 200);
    t.set_terrain(30, 2, 10);
    t.set_terrain(1, 15, 5);
    t.set_terrain(29, 30, 2);
    t.set_terrain(30, 30, 18);
    files in;
    in.track = t.bytes;
    // Row 1 has y 58 -> 828; row 2 y 56 -> 796; row 15 y 30 -> 380; row 30
    // y 0 -> -100. Angles: 13 -> 14 * pi / 2 = 7pi = 21.991; 3 -> 3pi/2 + pi =
    // 2.5pi = 7.854; 7 -> 4pi = 12.566; 10 -> 9pi/2 + pi = 5.5pi = 17.279;
    // 5 -> 3.5pi = 10.996; 2 -> 0; 18 -> 9.5pi = 29.845.
    expect_scene(convert(in), scene_with("objects 10\r\n" + leading_default +
                                         "75 -20.032 -68.000 828.000 0 0 21.991 1 0\r\n"
                                         "81 -20.032 -36.000 828.000 0 0 7.854 1 0\r\n"
                                         "80 -5.952 -4.000 828.000 0 0 0.000 1 0\r\n"
                                         "76 -20.032 28.000 828.000 0 0 12.566 1 0\r\n"
                                         "82 -20.032 92.000 828.000 0 0 0.000 1 0\r\n"
                                         "76 -20.032 828.000 796.000 0 0 17.279 1 0\r\n"
                                         "81 -20.032 -100.000 380.000 0 0 10.996 1 0\r\n"
                                         "81 -20.032 796.000 -100.000 0 0 0.000 1 0\r\n"
                                         "74 -20.032 828.000 -100.000 0 0 29.845 1 0\r\n"));
}

TEST(EndToEnd, WrongNumberOfArguments) {
    const std::string usage =
        "Wrong number of parameters\r\nExample: " + testsupport::binary_path() +
        " input.trk output\r\n";
    const std::vector<std::vector<std::string>> cases = {
        {}, {"in.trk"}, {"in.trk", "out.scene", "extra"}};
    for (const auto& args : cases) {
        SCOPED_TRACE(args.size());
        expect_failure(convert(files{}, args), usage);
    }
}

TEST(EndToEnd, MissingTrackFileIsReportedBeforeTheDataFiles) {
    files in;
    in.track.reset();
    in.list.reset();
    in.library.reset();
    expect_failure(convert(in, {"nosuch.trk", "out.scene"}), "Could not open 'nosuch.trk'\r\n");
}

TEST(EndToEnd, DirectoryAsTrackFile) {
    expect_failure(convert(files{}, {"src", "out.scene"}), "Could not read 'src'\r\n");
}

TEST(EndToEnd, MissingModelLibraryLeavesTheHeaderAlone) {
    files in;
    in.library.reset();
    const outcome out = convert(in);
    EXPECT_EQ(out.output, "Could not open 'mdls4zu'\r\n");
    EXPECT_EQ(out.status, 1);
    ASSERT_TRUE(out.scene.has_value());
    EXPECT_EQ(*out.scene, header);
}

TEST(EndToEnd, SceneFileInMissingDirectoryAfterRotationLine) {
    track_bytes t;
    t.set_element(3, 28, 9);
    files in;
    in.track = t.bytes;
    in.list = "n 9 t 8 r 0\n";
    expect_failure(convert(in, {"in.trk", "nodir/out.scene"}),
                   "Rotated 0.00 degrees\r\nCould not open 'nodir/out.scene'\r\n");
}

TEST(EndToEnd, WriteFailure) {
    if (!testsupport::file_exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    expect_failure(convert(files{}, {"in.trk", "/dev/full"}), "Could not write '/dev/full'\r\n");
}

TEST(EndToEnd, TrackWithNothingKept) {
    expect_scene(convert(files{}), scene_with("objects 1\r\n" + leading_default));
}

TEST(EndToEnd, ModelLibraryIsCopiedUnderTextRules) {
    struct library_case {
        const char* name;
        std::string library;
        std::string copy; // what reaches the scene file
    };
    const std::vector<library_case> cases = {
        {"empty", "", ""},
        // The count line continues the last line.
        {"no final line end", "model one\nmodel two", "model one\r\nmodel two"},
        // CR LF -> LF -> CR LF; "two CR X" -> "twoX"; CR CR LF -> the second CR
        // is delivered as data, then LF -> CR LF; byte 26 ends the library.
        {"carriage returns and byte 26",
         std::string("one\r\ntwo\rX\r\r\nthree\x1a"
                     "four\n"),
         "one\r\ntwoX\r\r\nthree"},
    };
    for (const library_case& c : cases) {
        SCOPED_TRACE(c.name);
        files in;
        in.library = c.library;
        expect_scene(convert(in), header + c.copy + "objects 1\r\n" + leading_default);
    }
}

TEST(EndToEnd, TrackFileLength) {
    // Terrain 1 on cell (1, 1) and element 3 (model 20) on cell (2, 2).
    track_bytes reference;
    reference.set_terrain(1, 1, 1);
    reference.set_element(2, 2, 3);
    const std::string list = "n 3 t 20 r 0\nn 255 t 5 r 0\n";
    // (1, 1): x 0 -> -100, y 58 -> 828; (2, 2): x 2 -> -68, y 56 -> 796.
    const std::string terrain_line = "82 -20.032 -100.000 828.000 0 0 0.000 1 0\r\n";
    const std::string element_line = "20 -20.000 -68.000 796.000 0 0 0.000 1 0\r\n";
    const std::string full = "objects 3\r\n" + leading_default + terrain_line + element_line;

    // An empty file: every element code is 255, so every cell places model 5,
    // row 1 to 30 and within a row column 1 to 30, at z 0.
    std::string every_cell = "objects 901\r\n" + leading_default;
    for (int r = 1; r <= 30; ++r) {
        for (int c = 1; c <= 30; ++c) {
            every_cell += "5 -20.000 " + std::to_string(32 * (c - 1) - 100) + ".000 " +
                          std::to_string(16 * (60 - 2 * r) - 100) + ".000 0 0 0.000 1 0\r\n";
        }
    }

    std::string byte900 = reference.bytes;
    byte900[900] = 6;
    std::string byte900_ff = reference.bytes;
    byte900_ff[900] = static_cast<char>(255);

    struct length_case {
        const char* name;
        std::string track;
        std::string body;
    };
    const std::vector<length_case> cases = {
        {"1801 bytes", reference.bytes, full},
        {"byte 900 set to 6", byte900, full},
        {"byte 900 set to 255", byte900_ff, full},
        {"2000 bytes", reference.bytes + std::string(199, '\x01'), full},
        // Every terrain code 255: no terrain object at all.
        {"900 bytes", reference.bytes.substr(0, 900),
         "objects 2\r\n" + leading_default + element_line},
        {"empty", "", every_cell},
    };
    for (const length_case& c : cases) {
        SCOPED_TRACE(c.name);
        files in;
        in.track = c.track;
        in.list = list;
        expect_scene(convert(in), scene_with(c.body));
    }
}

// ---- Element list -----------------------------------------------------------

TEST(EndToEnd, ElementListDiagnostics) {
    struct list_case {
        const char* name;
        std::optional<std::string> list;
        std::string output;
    };
    const std::string a31(31, 'a');
    const std::vector<list_case> cases = {
        {"n then end", "n 4", "'t' expected\r\n"},
        {"n then n", "n 4\nn 5 t 7 r 0\n", "'t' expected\r\n"},
        {"t then end", "n 4 t 7", "Some error\r\n"},
        {"t then n", "n 4 t 7\nn 5 t 7 r 0\n", "Some error\r\n"},
        {"extra entry without rotation", "n 4 t 7 r 0\nt 8\n", "Some error\r\n"},
        {"turns missing", "n 4 t 7 r",
         "File 'src/zuxlist': integer expected, found end of file (2)\r\n"},
        {"unknown word", "n 4 t 7 r 0\n  Xyz\n",
         "File 'src/zuxlist', line 2: word 'xyz' not recognized\r\n"},
        // The stray wr is passed over; the 3 behind it is no keyword.
        {"number where a keyword is due", "n 4 t 7 r 0\nwr 3\n",
         "File 'src/zuxlist', line 2: word expected, found:\r\ninteger, 3\r\n"},
        {"unknown token where a keyword is due", "n 4 t 7 r 0 wr2\n",
         "File 'src/zuxlist', line 1: word expected, found:\r\nunknown type, 'wr2'\r\n"},
        {"signed model", "n 4 t -1 r 0\n",
         "File 'src/zuxlist', line 1: integer expected, found:\r\n"
         "floating point, -1.0000e+00\r\n"},
        {"word where a code is due", "n four t 7 r 0\n",
         "File 'src/zuxlist', line 1: integer expected, found:\r\nword, 'four'\r\n"},
        {"word of 32 characters", "n 4 t 7 r 0\n\n  " + a31 + "a\n",
         "File 'src/zuxlist', line 3: word too long\r\n"},
        {"number of 32 digits", "n 4 t 7 r " + std::string(32, '1') + "\n",
         "File 'src/zuxlist', line 1: word too long\r\n"},
        // 31 characters are still one token, lower-cased in the message.
        {"word of 31 characters", "\n" + std::string(31, 'A') + "\n",
         "File 'src/zuxlist', line 2: word '" + a31 + "' not recognized\r\n"},
        {"missing list", std::nullopt, "readtok(): Could not open 'src/zuxlist'\r\n"},
        // The line is that of the code, not of its n.
        {"code above 255", "n 4 t 7 r 0\nn\n256 t 7 r 0\n",
         "File 'src/zuxlist', line 3: element code 256 out of range\r\n"},
        // 2^32 - 1 wraps around to -1.
        {"code wrapping to -1", "n 4294967295 t 7 r 0\n",
         "File 'src/zuxlist', line 1: element code -1 out of range\r\n"},
        {"extra entry first", "\nt 7 r 0\nn 4 t 7 r 0\n",
         "File 'src/zuxlist', line 2: 't' before the first 'n'\r\n"},
    };
    for (const list_case& c : cases) {
        SCOPED_TRACE(c.name);
        files in;
        in.list = c.list;
        expect_failure(convert(in), c.output);
    }
}

// ---- Element objects --------------------------------------------------------

TEST(EndToEnd, ElementShiftsAndTurns) {
    track_bytes t;
    t.set_terrain(30, 30, 1);
    t.set_element(5, 1, 2);
    t.set_element(2, 2, 3);
    t.set_element(3, 3, 6);
    t.set_element(4, 4, 7);
    t.set_element(10, 5, 30);
    t.set_element(1, 6, 31);
    t.set_element(2, 6, 32);
    t.set_element(3, 6, 33);
    t.set_element(1, 30, 1);
    files in;
    in.track = t.bytes;
    // CR LF line ends and capital keywords are read like any other.
    in.list = "n 1 t 20 r 0\r\n"
              "N 2 T 21 WR 1\r\n"
              "n 3 t 22 hr 2\r\n"
              "n 6 t 23 whr 3\r\n"
              "n 7 t 24 r 4\r\n"
              "n 30 t 41 whr 0\r\n"
              "t 42 wr 2\r\n"
              "n 31 t 0 r 0 t 43 hr 3\r\n"
              "n 32 t 125 r 0\r\n"
              "n 33 t 50 wr 0\r\n"
              "n 33 t 51 r 1\r\n";
    // Angles: 1, 2, 3, 4 quarter turns print 1.571, 3.142, 4.712, 6.283.
    // The terrain object (30, 30) comes first: x 58 -> 828, y 0 -> -100.
    // (5, 1) wr: x 9 -> 44, y 58 -> 828.
    // (2, 2) hr: x 2 -> -68, y 55 -> 780.
    // (3, 3) whr: x 5 -> -20, y 53 -> 748.
    // (4, 4): x 6 -> -4, y 52 -> 732; four quarter turns stay a full turn.
    // (10, 5): model 41 whr: x 19 -> 204, y 49 -> 684; then model 42 wr:
    //          x 19 -> 204, y 50 -> 700.
    // (1, 6): first entry places nothing; model 43 hr: x 0 -> -100, y 47 -> 652.
    // (2, 6): model 125 is written as 123; x 2 -> -68, y 48 -> 668.
    // (3, 6): redefined, keeps the x shift of its first definition: x 5 -> -20.
    // (1, 30): x 0 -> -100, y 0 -> -100.
    expect_scene(convert(in), scene_with("objects 12\r\n" + leading_default +
                                         "82 -20.032 828.000 -100.000 0 0 0.000 1 0\r\n"
                                         "21 -20.000 44.000 828.000 0 0 1.571 1 0\r\n"
                                         "22 -20.000 -68.000 780.000 0 0 3.142 1 0\r\n"
                                         "23 -20.000 -20.000 748.000 0 0 4.712 1 0\r\n"
                                         "24 -20.000 -4.000 732.000 0 0 6.283 1 0\r\n"
                                         "41 -20.000 204.000 684.000 0 0 0.000 1 0\r\n"
                                         "42 -20.000 204.000 700.000 0 0 3.142 1 0\r\n"
                                         "43 -20.000 -100.000 652.000 0 0 4.712 1 0\r\n"
                                         "123 -20.000 -68.000 668.000 0 0 0.000 1 0\r\n"
                                         "51 -20.000 -20.000 668.000 0 0 1.571 1 0\r\n"
                                         "20 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"));
}

TEST(EndToEnd, ElementOnTerrain) {
    // The terrain object of cell (1, 30), at x -100, y -100, comes before the
    // element objects of the same cell.
    auto terrain_line = [](int terrain) -> std::string {
        switch (terrain) {
        case 6:
            return "80 -5.952 -100.000 -100.000 0 0 0.000 1 0\r\n";
        case 7: // 4pi
            return "76 -20.032 -100.000 -100.000 0 0 12.566 1 0\r\n";
        case 8: // 4.5pi
            return "76 -20.032 -100.000 -100.000 0 0 14.137 1 0\r\n";
        case 9: // 5pi
            return "76 -20.032 -100.000 -100.000 0 0 15.708 1 0\r\n";
        case 10: // 5.5pi
            return "76 -20.032 -100.000 -100.000 0 0 17.279 1 0\r\n";
        case 11: // 6pi
            return "75 -20.032 -100.000 -100.000 0 0 18.850 1 0\r\n";
        default:
            ADD_FAILURE() << "no terrain line for " << terrain;
            return "";
        }
    };
    struct terrain_case {
        int terrain;
        int code;
        const char* list;
        int objects;
        const char* elements; // the element object lines
    };
    // A variant keeps the listed angle, or takes 0, pi/2, pi, -pi/2 on terrain
    // 7, 8, 9, 10; models 133 and 134 are then written as 131 and 132, and
    // 118, 119, 120 as 66.
    const std::vector<terrain_case> cases = {
        {7, 4, "n 4 t 30 r 1", 3, "89 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"},
        {9, 4, "n 4 t 30 r 1", 3, "89 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {8, 4, "n 4 t 30 r 1", 3, "30 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {10, 4, "n 4 t 30 r 1", 3, "30 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {8, 5, "n 5 t 30 r 0", 3, "89 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {10, 5, "n 5 t 30 r 0", 3, "89 -20.000 -100.000 -100.000 0 0 -1.571 1 0\r\n"},
        {7, 5, "n 5 t 30 r 0", 3, "30 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"},
        {7, 14, "n 14 t 30 r 2", 3, "131 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"},
        {9, 14, "n 14 t 30 r 1", 3, "131 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {8, 14, "n 14 t 30 r 2", 3, "30 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {10, 14, "n 14 t 30 r 2", 3, "30 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {8, 15, "n 15 t 30 r 0", 3, "131 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        // -pi/2, not three quarter turns (4.712).
        {10, 25, "n 25 t 30 r 3", 3, "132 -20.000 -100.000 -100.000 0 0 -1.571 1 0\r\n"},
        {8, 25, "n 25 t 30 r 3", 3, "132 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {9, 24, "n 24 t 30 r 3", 3, "132 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {8, 24, "n 24 t 30 r 3", 3, "30 -20.000 -100.000 -100.000 0 0 4.712 1 0\r\n"},
        {10, 24, "n 24 t 30 r 3", 3, "30 -20.000 -100.000 -100.000 0 0 4.712 1 0\r\n"},
        {7, 39, "n 39 t 30 r 1", 3, "66 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {8, 36, "n 36 t 30 r 1", 3, "66 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {9, 38, "n 38 t 30 r 1", 3, "66 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {10, 37, "n 37 t 30 r 2", 3, "66 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {7, 37, "n 37 t 30 r 2", 3, "30 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {8, 56, "n 56 t 30 r 0", 3, "66 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"},
        {10, 57, "n 57 t 30 r 2", 3, "66 -20.000 -100.000 -100.000 0 0 3.142 1 0\r\n"},
        {9, 97, "n 97 t 30 r 3", 3, "66 -20.000 -100.000 -100.000 0 0 4.712 1 0\r\n"},
        {7, 98, "n 98 t 30 r 0", 3, "66 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"},
        // Both entries take the variant and keep their own shifts: x 1 -> -84,
        // then y -1 -> -116.
        {7, 4, "n 4 t 30 wr 1 t 31 hr 2", 4,
         "89 -20.000 -84.000 -100.000 0 0 0.000 1 0\r\n"
         "89 -20.000 -100.000 -116.000 0 0 0.000 1 0\r\n"},
        // Raised to 0.88: 16 * 0.88 - 20 = -5.92.
        {6, 4, "n 4 t 30 r 1", 3, "30 -5.920 -100.000 -100.000 0 0 1.571 1 0\r\n"},
        {11, 4, "n 4 t 30 r 1", 3, "30 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"},
    };
    for (const terrain_case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " on terrain " + std::to_string(c.terrain));
        track_bytes t;
        t.set_terrain(1, 30, static_cast<unsigned char>(c.terrain));
        t.set_element(1, 30, static_cast<unsigned char>(c.code));
        files in;
        in.track = t.bytes;
        in.list = c.list;
        expect_scene(convert(in),
                     scene_with("objects " + std::to_string(c.objects) + "\r\n" + leading_default +
                                terrain_line(c.terrain) + c.elements));
    }
}

TEST(EndToEnd, ModelWithCompanion) {
    track_bytes t;
    t.set_terrain(1, 30, 6);
    t.set_element(1, 30, 11);
    t.set_element(2, 30, 12);
    files in;
    in.track = t.bytes;
    in.list = "n 11 t 99 r 1\nn 12 t 133 r 0\n";
    // Three kept entries plus one companion plus the leading line: 5.
    // Model 99 on terrain 6: z 14.08 - 20 = -5.92; its companion 133 at
    // -5.92 + 11.25 = 5.33 with the same x, y and angle. A listed 133 is
    // written as 131: (2, 30) x 2 -> -68.
    expect_scene(convert(in), scene_with("objects 5\r\n" + leading_default +
                                         "80 -5.952 -100.000 -100.000 0 0 0.000 1 0\r\n"
                                         "99 -5.920 -100.000 -100.000 0 0 1.571 1 0\r\n"
                                         "133 5.330 -100.000 -100.000 0 0 1.571 3 0\r\n"
                                         "131 -20.000 -68.000 -100.000 0 0 0.000 1 0\r\n"));
}

// ---- Start element ----------------------------------------------------------

// The start element (code 9, model 8) stands on cell (3, 28): x 4, y 4, that
// is 64, 64 in the scene. Another object, model 20 turned a quarter, stands
// on cell (2, 1): x 2, y 58, that is 32, 928. The start lands at z -2, x -1.5,
// y 20, so the offsets are -2 - 0, -1.5 - x', 20 - y' with (x', y') the
// start's turned position, and the leading line has x = xmul * 480 + x offset,
// y = ymul * 480 + y offset, z = -2 - 0.05.
TEST(EndToEnd, StartElementTurnsTheScene) {
    struct start_case {
        const char* turns;
        std::string output;
        std::string body;
    };
    const std::vector<start_case> cases = {
        // Not turned; offsets x -1.5 - 64 = -65.5, y 20 - 64 = -44.
        // Other: 32 - 65.5, 928 - 44.
        {"0", "Rotated 0.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 414.500 436.000 0 0 0.000 1 0\r\n"
         "20 -2.000 -33.500 884.000 0 0 1.571 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 0.000 1 0\r\n"},
        // (x, y) -> (-y, x), angle + pi/2. Start (-64, 64): offsets 62.5, -44.
        // Other (-928, 32) -> -865.5, -12; angle pi/2 + pi/2. Start angle
        // (2pi - pi/2) + pi/2 = 2pi. Leading -480 + 62.5, 480 - 44.
        {"1", "Rotated 90.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 -417.500 436.000 0 0 0.000 1 0\r\n"
         "20 -2.000 -865.500 -12.000 0 0 3.142 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"},
        // (x, y) -> (-x, -y), angle + pi. Start (-64, -64): offsets 62.5, 84.
        // Other (-32, -928) -> 30.5, -844; angle 1.5pi. Start pi + pi.
        // Leading -480 + 62.5, -480 + 84.
        {"2", "Rotated 180.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 -417.500 -396.000 0 0 0.000 1 0\r\n"
         "20 -2.000 30.500 -844.000 0 0 4.712 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"},
        // (x, y) -> (y, -x), angle + 1.5pi. Start (64, -64): offsets -65.5, 84.
        // Other (928, -32) -> 862.5, 52; angle 2pi. Start (2pi - 1.5pi) +
        // 1.5pi. Leading 480 - 65.5, -480 + 84.
        {"3", "Rotated 270.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 414.500 -396.000 0 0 0.000 1 0\r\n"
         "20 -2.000 862.500 52.000 0 0 6.283 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"},
        // 2^32 - 6 reads as -6 quarter turns: -3pi = -9.425, quarter index -1.
        // The run goes on unturned and ends with status 0.
        {"4294967290", "Some error\r\nRotated -90.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 414.500 436.000 0 0 0.000 1 0\r\n"
         "20 -2.000 -33.500 884.000 0 0 1.571 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 -9.425 1 0\r\n"},
    };
    for (const start_case& c : cases) {
        SCOPED_TRACE(c.turns);
        track_bytes t;
        t.set_element(2, 1, 1);
        t.set_element(3, 28, 9);
        files in;
        in.track = t.bytes;
        in.list = std::string("n 1 t 20 r 1\nn 9 t 8 r ") + c.turns + "\n";
        expect_scene(convert(in), scene_with(c.body), c.output);
    }
}

TEST(EndToEnd, LaterStartElementDecides) {
    // Start A (a quarter turn) on cell (2, 1): 32, 928; start B (a half turn)
    // on cell (3, 28): 64, 64. B turns the scene: (x, y) -> (-x, -y), angle +
    // pi; offsets from B at (-64, -64): 62.5, 84. A: (-32, -928) -> 30.5,
    // -844; its angle, mirrored to 2pi - pi/2, plus pi: 2.5pi = 7.854.
    track_bytes t;
    t.set_element(2, 1, 9);
    t.set_element(3, 28, 10);
    files in;
    in.track = t.bytes;
    in.list = "n 9 t 8 r 1\nn 10 t 8 r 2\n";
    expect_scene(convert(in),
                 scene_with("objects 3\r\n"
                            "118 -2.050 -417.500 -396.000 0 0 0.000 1 0\r\n"
                            "8 -2.000 30.500 -844.000 0 0 7.854 1 0\r\n"
                            "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"),
                 "Rotated 90.00 degrees\r\nRotated 180.00 degrees\r\n");
}

TEST(EndToEnd, TerrainVariantAngleTakesTheSceneTurn) {
    // Code 25 on terrain 10 at cell (1, 30) (0, 0): -pi/2. The start on cell
    // (3, 28) a half turn: offsets 62.5, 84, angle + pi. The element objects
    // come row by row, so the start (row 28) precedes the variant (row 30).
    // Terrain: z -0.032 - 2, angle 5.5pi + pi = 20.420; variant -pi/2 + pi.
    track_bytes t;
    t.set_terrain(1, 30, 10);
    t.set_element(1, 30, 25);
    t.set_element(3, 28, 9);
    files in;
    in.track = t.bytes;
    in.list = "n 25 t 30 r 3\nn 9 t 8 r 2\n";
    expect_scene(convert(in),
                 scene_with("objects 4\r\n"
                            "118 -2.050 -417.500 -396.000 0 0 0.000 1 0\r\n"
                            "76 -2.032 62.500 84.000 0 0 20.420 1 0\r\n"
                            "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"
                            "132 -2.000 62.500 84.000 0 0 1.571 1 0\r\n"),
                 "Rotated 180.00 degrees\r\n");
}

// ---- Merging ----------------------------------------------------------------

TEST(EndToEnd, ConsecutiveDuplicatesMerge) {
    track_bytes t;
    t.set_element(1, 30, 12);
    t.set_element(2, 30, 13);
    t.set_element(3, 30, 16);
    files in;
    in.track = t.bytes;
    // 12: two equal entries -> one object. 13: 118 and 120 are both written as
    // 66 -> one object. 16: the same model turned differently -> two objects.
    in.list = "n 12 t 20 r 1 t 20 r 1\n"
              "n 13 t 118 r 0 t 120 r 0\n"
              "n 16 t 20 r 1 t 20 r 2\n";
    expect_scene(convert(in), scene_with("objects 5\r\n" + leading_default +
                                         "20 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n"
                                         "66 -20.000 -68.000 -100.000 0 0 0.000 1 0\r\n"
                                         "20 -20.000 -36.000 -100.000 0 0 1.571 1 0\r\n"
                                         "20 -20.000 -36.000 -100.000 0 0 3.142 1 0\r\n"));
}

TEST(EndToEnd, DoubleStartElement) {
    // Two equal start entries on cell (3, 28) (64, 64). Unturned or a half
    // turn they merge, yet both print their rotation line. A quarter turn
    // mirrors the first one's angle before the second is compared, so both
    // stay, both at the start point with angle (2pi - pi/2) + pi/2.
    struct double_case {
        const char* turns;
        std::string output;
        std::string body;
    };
    const std::vector<double_case> cases = {
        {"0", "Rotated 0.00 degrees\r\nRotated 0.00 degrees\r\n",
         "objects 2\r\n"
         "118 -2.050 414.500 436.000 0 0 0.000 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 0.000 1 0\r\n"},
        {"2", "Rotated 180.00 degrees\r\nRotated 180.00 degrees\r\n",
         "objects 2\r\n"
         "118 -2.050 -417.500 -396.000 0 0 0.000 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"},
        {"1", "Rotated 90.00 degrees\r\nRotated 90.00 degrees\r\n",
         "objects 3\r\n"
         "118 -2.050 -417.500 436.000 0 0 0.000 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"
         "8 -2.000 -1.500 20.000 0 0 6.283 1 0\r\n"},
    };
    for (const double_case& c : cases) {
        SCOPED_TRACE(c.turns);
        track_bytes t;
        t.set_element(3, 28, 9);
        files in;
        in.track = t.bytes;
        in.list = std::string("n 9 t 8 r ") + c.turns + " t 8 r " + c.turns + "\n";
        expect_scene(convert(in), scene_with(c.body), c.output);
    }
}

} // namespace
