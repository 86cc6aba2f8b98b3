// Unusual and hostile inputs, end to end: every case either converts exactly
// like the ordinary file would, or stops with a clear message and status 1
// without destroying anything.
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::file_exists;
using testsupport::read_file;
using testsupport::run_binary;
using testsupport::run_result;
using testsupport::run_shell;
using testsupport::scratch_dir;
using testsupport::track_bytes;
using testsupport::write_file;

namespace {

const std::string header = "ambient 0.5\r\nheadlight 0.3\r\ndirectional 0.5\r\n"
                           "lightdir -1.0 0.4 0.6\r\nbackground 140 180 210\r\n"
                           "clfactors 1.0 1.0 1.0\r\n";

// Element code 7 at cell (1, 30), that is x 0, y 0, on terrain 0; no start
// element, so the default offsets z -20, x -100, y -100 apply.
const std::string objects_of_one = "objects 2\r\n"
                                   "118 -20.050 380.000 380.000 0 0 0.000 1 0\r\n"
                                   "5 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n";

// The binary's path quoted for the shell.
std::string quoted_binary() {
    std::string q(1, '\'');
    q += testsupport::binary_path();
    q += '\'';
    return q;
}

class Hostile : public ::testing::Test {
  protected:
    void SetUp() override {
        write_file(dir / "src/zuxlist", "n 7 t 5 r 0\n");
        write_file(dir / "src/mdls4zu", "lib\n");
        track_bytes t;
        t.set_element(1, 30, 7);
        track = t.bytes;
        write_file(dir / "in.trk", track);
    }
    run_result convert(const std::string& scene = "out.scene") {
        return run_binary({"in.trk", scene}, dir.path());
    }
    // The scene file's bytes, or "<none>" when there is none.
    std::string scene(const std::string& name = "out.scene") {
        return file_exists(dir / name) ? read_file(dir / name) : "<none>";
    }
    scratch_dir dir;
    std::string track;
};

TEST_F(Hostile, Baseline) {
    const run_result r = convert();
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(scene(), header + "lib\r\n" + objects_of_one);
}

// ---- directories where files are expected ------------------------------------

TEST_F(Hostile, DirectoryAsElementList) {
    fs::remove(dir / "src/zuxlist");
    fs::create_directory(dir / "src/zuxlist");
    const run_result r = convert();
    EXPECT_EQ(r.output, "readtok(): Could not read 'src/zuxlist'\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(scene(), "<none>");
}

TEST_F(Hostile, DirectoryAsModelLibrary) {
    fs::remove(dir / "src/mdls4zu");
    fs::create_directory(dir / "src/mdls4zu");
    const run_result r = convert();
    EXPECT_EQ(r.output, "Could not read 'mdls4zu'\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(scene(), header) << "the header alone, as with a missing library";
}

TEST_F(Hostile, DirectoryAsSceneFile) {
    fs::create_directory(dir / "out.scene");
    const run_result r = convert();
    EXPECT_EQ(r.output, "Could not open 'out.scene'\r\n");
    EXPECT_EQ(r.status, 1);
}

// ---- the scene file is one of the inputs -------------------------------------

TEST_F(Hostile, SceneOverAnInputIsRefusedAndTheInputKept) {
    fs::create_hard_link(dir / "in.trk", dir / "link.trk");
    const std::string inputs[] = {"in.trk",
                                  "./in.trk",
                                  "../" + fs::path(dir.path()).filename().string() + "/in.trk",
                                  "link.trk",
                                  "src/zuxlist",
                                  "src/mdls4zu",
                                  "src/../src/mdls4zu"};
    for (const std::string& scene_path : inputs) {
        SCOPED_TRACE(scene_path);
        const run_result r = convert(scene_path);
        EXPECT_EQ(r.output,
                  "Will not write the scene over the input file '" + scene_path + "'\r\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(read_file(dir / "in.trk"), track);
        EXPECT_EQ(read_file(dir / "src/zuxlist"), "n 7 t 5 r 0\n");
        EXPECT_EQ(read_file(dir / "src/mdls4zu"), "lib\n");
    }
}

TEST_F(Hostile, RefusalComesAfterTheRotationLines) {
    write_file(dir / "src/zuxlist", "n 7 t 8 r 0\n");
    const run_result r = convert("in.trk");
    EXPECT_EQ(r.output, "Rotated 0.00 degrees\r\n"
                        "Will not write the scene over the input file 'in.trk'\r\n");
    EXPECT_EQ(r.status, 1);
}

// ---- permissions ----------------------------------------------------------------

// Runs the conversion as a user without rights to files the test locked: as
// "nobody" when the tests run as root (root may read anything), else as the
// test's own user.
class Locked : public Hostile {
  protected:
    void SetUp() override {
        Hostile::SetUp();
        fs::permissions(dir.path(), fs::perms::all);
        fs::permissions(dir / "src", fs::perms::all);
        for (const char* f : {"in.trk", "src/zuxlist", "src/mdls4zu"}) {
            fs::permissions(dir / f, fs::perms::all);
        }
    }
    run_result convert_locked(const std::string& scene_path = "out.scene") {
        const int uid = ::geteuid() == 0 ? 65534 : -1;
        // The other user may not reach the build tree: run a copy from here.
        if (!fs::exists(dir / "trk2scene")) {
            fs::copy_file(testsupport::binary_path(), dir / "trk2scene");
            fs::permissions(dir / "trk2scene", fs::perms::all);
        }
        return run_shell("exec ./trk2scene in.trk " + scene_path, dir.path(), uid);
    }
};

TEST_F(Locked, UnreadableFiles) {
    struct locked_case {
        const char* file;
        std::string output;
        std::string scene;
    };
    const locked_case cases[] = {
        {"in.trk", "Could not open 'in.trk'\r\n", "<none>"},
        {"src/zuxlist", "readtok(): Could not open 'src/zuxlist'\r\n", "<none>"},
        {"src/mdls4zu", "Could not open 'mdls4zu'\r\n", header},
    };
    for (const locked_case& k : cases) {
        SCOPED_TRACE(k.file);
        fs::remove(dir / "out.scene");
        fs::permissions(dir / k.file, fs::perms::none);
        const run_result r = convert_locked();
        fs::permissions(dir / k.file, fs::perms::all);
        EXPECT_EQ(r.output, k.output);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(scene(), k.scene);
    }
}

TEST_F(Locked, UnwritableSceneDirectory) {
    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const run_result r = convert_locked("ro/out.scene");
    EXPECT_EQ(r.output, "Could not open 'ro/out.scene'\r\n");
    EXPECT_EQ(r.status, 1);
}

// ---- sizes ------------------------------------------------------------------------

TEST_F(Hostile, HundredMegabyteModelLibrary) {
    // 100 MB of 50-byte lines, every byte value but 13 and 26 somewhere in
    // them, copied with each line feed turned into CR LF.
    std::string line;
    for (int b = 0; b < 256 && line.size() < 49; ++b) {
        if (b != 10 && b != 13 && b != 26 && b >= 32) {
            line += static_cast<char>(b);
        }
    }
    line.resize(49, '#');
    std::string library;
    library.reserve(100'000'000);
    while (library.size() < 100'000'000) {
        library += line;
        library += '\n';
    }
    write_file(dir / "src/mdls4zu", library);
    const run_result r = convert();
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
    const std::string got = scene();
    ASSERT_EQ(got.size(), header.size() + library.size() / 50 * 51 + objects_of_one.size());
    std::string expected = header;
    expected.reserve(got.size());
    for (std::size_t i = 0; i < library.size() / 50; ++i) {
        expected += line;
        expected += "\r\n";
    }
    expected += objects_of_one;
    EXPECT_TRUE(got == expected) << "the library is copied exactly";
}

TEST_F(Hostile, MillionTokenElementListOnOneLongLine) {
    // One definition and 250,000 extra entries on a single 2 MB line: the
    // last extra entry fills the second entry (model 9, one quarter turn).
    std::string list = "n 7 t 5 r 0";
    for (int i = 0; i < 250'000; ++i) {
        list += i + 1 < 250'000 ? " t 3 r 2" : " t 9 r 1";
    }
    list += '\n';
    write_file(dir / "src/zuxlist", list);
    const run_result r = convert();
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.status, 0);
    // 9 at x 0, y 0 turned a quarter: 1.5707964 prints as 1.571.
    EXPECT_EQ(scene(), header + "lib\r\n" +
                           "objects 3\r\n"
                           "118 -20.050 380.000 380.000 0 0 0.000 1 0\r\n"
                           "5 -20.000 -100.000 -100.000 0 0 0.000 1 0\r\n"
                           "9 -20.000 -100.000 -100.000 0 0 1.571 1 0\r\n");
}

TEST_F(Hostile, ErrorAtTheEndOfAMegabyteLine) {
    std::string list = "n 7 t 5 r 0\n";
    list += std::string(1'200'000, ' ');
    list += "n 8 t 5 r 0 n 9 t 5 q 0\n";
    write_file(dir / "src/zuxlist", list);
    const run_result r = convert();
    EXPECT_EQ(r.output, "File 'src/zuxlist', line 2: word 'q' not recognized\r\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(scene(), "<none>");
}

TEST_F(Hostile, MegabyteLineWithoutLineEndInTheLibrary) {
    const std::string library = "big " + std::string(2'000'000, 'x');
    write_file(dir / "src/mdls4zu", library);
    const run_result r = convert();
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(scene() == header + library + objects_of_one) << "the count line joins it";
}

// ---- odd bytes in the element list ----------------------------------------------------

TEST_F(Hostile, NulAndHighBytesInTheElementList) {
    struct byte_case {
        std::string list;
        std::string output;
    };
    const byte_case cases[] = {
        // Such bytes are neither letters, digits nor separators: they make
        // unknown tokens, described with their bytes as read.
        {std::string("n 7 t 5 r 0\n\xe9t\n"),
         std::string(
             "File 'src/zuxlist', line 2: word expected, found:\r\nunknown type, '\xe9t'\r\n")},
        {std::string("n 7 t 5 r 0\n\0\n", 14),
         std::string("File 'src/zuxlist', line 2: word expected, found:\r\nunknown type, '") +
             '\0' + "'\r\n"},
        {std::string("n 7\0 t 5 r 0\n", 13),
         std::string("File 'src/zuxlist', line 1: integer expected, found:\r\nunknown type, '7") +
             '\0' + "'\r\n"},
        {std::string("n 7 t 5 \xff 0\n"),
         std::string(
             "File 'src/zuxlist', line 1: word expected, found:\r\nunknown type, '\xff'\r\n")},
        // A lone carriage return joins: "r\r0" reads as the token r0.
        {std::string("n 7 t 5 r\r0\n"),
         std::string(
             "File 'src/zuxlist', line 1: word expected, found:\r\nunknown type, 'r0'\r\n")},
        // Byte 26 ends the list: what stands behind it is never read.
        {std::string("n 7 t 5 r 0\n\x1a"
                     "garbage ! \xff\n"),
         ""},
    };
    for (const byte_case& k : cases) {
        SCOPED_TRACE(k.output);
        fs::remove(dir / "out.scene");
        write_file(dir / "src/zuxlist", k.list);
        const run_result r = convert();
        EXPECT_EQ(r.output, k.output);
        EXPECT_EQ(r.status, k.output.empty() ? 0 : 1);
        EXPECT_EQ(scene(), k.output.empty() ? header + "lib\r\n" + objects_of_one : "<none>");
    }
}

// ---- pipes and standard output ----------------------------------------------------

TEST_F(Hostile, TrackThroughAPipe) {
    const std::string bin = quoted_binary();
    for (const char* how : {" <(cat in.trk) out.scene", " /dev/stdin out.scene < in.trk",
                            " /dev/stdin out.scene < <(cat in.trk)"}) {
        SCOPED_TRACE(how);
        fs::remove(dir / "out.scene");
        const run_result r = run_shell("exec " + bin + how, dir.path());
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(scene(), header + "lib\r\n" + objects_of_one);
    }
}

TEST_F(Hostile, SceneToStandardOutput) {
    // The rotation line first, then the scene, whether standard output is a
    // pipe or a regular file.
    write_file(dir / "src/zuxlist", "n 7 t 8 r 0\n");
    const std::string expected = "Rotated 0.00 degrees\r\n" + header + "lib\r\n" +
                                 "objects 2\r\n"
                                 "118 -2.050 478.500 500.000 0 0 0.000 1 0\r\n"
                                 "8 -2.000 -1.500 20.000 0 0 0.000 1 0\r\n";
    const std::string bin = quoted_binary();
    const run_result piped = run_shell("exec " + bin + " in.trk /dev/stdout", dir.path());
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.output, expected);

    const run_result to_file =
        run_shell(bin + " in.trk /dev/stdout > stdout.txt; echo $?", dir.path());
    EXPECT_EQ(to_file.output, "0\n");
    EXPECT_EQ(read_file(dir / "stdout.txt"), expected);

    const run_result appended = run_shell(
        "echo before > stdout.txt; " + bin + " in.trk /dev/stdout >> stdout.txt", dir.path());
    EXPECT_EQ(appended.status, 0);
    EXPECT_EQ(read_file(dir / "stdout.txt"), "before\n" + expected);
}

TEST_F(Hostile, FullDiskAfterTheRotationLines) {
    write_file(dir / "src/zuxlist", "n 7 t 8 r 0\n");
    const run_result r = convert("/dev/full");
    EXPECT_EQ(r.output, "Rotated 0.00 degrees\r\nCould not write '/dev/full'\r\n");
    EXPECT_EQ(r.status, 1);
}

} // namespace
