// End-to-end runs of the scene2svg binary: the samples converted by the real
// trk2scene and drawn by the real scene2svg, and the messages of scene2svg.
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testsupport::read_file;
using testsupport::run_result;
using testsupport::scratch_dir;
using testsupport::write_file;

const std::string scene2svg = SCENE2SVG_BIN;

// Runs `program` with `args` in `cwd`; standard output (and standard error
// when `with_errors`) is collected.
run_result run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd, bool with_errors = false) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::run_program(std::move(argv), cwd, with_errors);
}

// The full path of `name` on PATH, if it is there.
std::optional<std::string> on_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t colon = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, colon - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        start = colon + 1;
    }
    return std::nullopt;
}

// How many object lines of each model the scene file has behind its count line.
std::map<int, int> models_in_scene(const std::string& scene) {
    std::map<int, int> counts;
    const std::size_t count_line = scene.rfind("objects ");
    std::size_t start = scene.find("\r\n", count_line) + 2;
    while (start < scene.size()) {
        const std::size_t end = scene.find("\r\n", start);
        ++counts[std::stoi(scene.substr(start, end - start))];
        start = end + 2;
    }
    return counts;
}

std::map<int, int> shapes_in_svg(const std::string& svg) {
    std::map<int, int> counts;
    static const std::regex re(R"re(class="obj m(-?\d+)[ "])re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator();
         ++it) {
        ++counts[std::stoi((*it)[1])];
    }
    return counts;
}

int total(const std::map<int, int>& counts) {
    int n = 0;
    for (const auto& [model, count] : counts) {
        n += count;
    }
    return n;
}

struct sample {
    const char* track;
    const char* rotation; // what trk2scene prints
    int objects;          // the count line of its scene (docs/samples.md)
};

const std::vector<sample> samples = {
    {"circuit", "Rotated 0.00 degrees\r\n", 980},
    {"start-0", "Rotated 0.00 degrees\r\n", 131},
    {"start-90", "Rotated 90.00 degrees\r\n", 131},
    {"start-180", "Rotated 180.00 degrees\r\n", 131},
    {"start-270", "Rotated 270.00 degrees\r\n", 131},
    {"full-grid", "", 2731},
    {"terrain-only", "", 867},
};

// Every sample converted with trk2scene from the repository root and drawn
// with scene2svg, once for all tests.
class PreviewSamples : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        work = new scratch_dir;
        for (const sample& s : samples) {
            const std::string scene = *work / (std::string(s.track) + ".scene");
            const std::string svg = *work / (std::string(s.track) + ".svg");
            converted[s.track] = testsupport::run_binary(
                {"samples/" + std::string(s.track) + ".trk", scene}, testsupport::source_dir());
            drawn[s.track] = run_program(scene2svg, {scene, svg}, work->path());
        }
    }
    static void TearDownTestSuite() {
        delete work;
        work = nullptr;
    }

    static std::string path(const sample& s, const char* extension) {
        return *work / (std::string(s.track) + extension);
    }

    static scratch_dir* work;
    static std::map<std::string, run_result> converted;
    static std::map<std::string, run_result> drawn;
};

scratch_dir* PreviewSamples::work = nullptr;
std::map<std::string, run_result> PreviewSamples::converted;
std::map<std::string, run_result> PreviewSamples::drawn;

TEST_F(PreviewSamples, DrawsOneShapePerObjectLine) {
    for (const sample& s : samples) {
        SCOPED_TRACE(s.track);
        EXPECT_EQ(converted[s.track].status, 0);
        EXPECT_EQ(converted[s.track].output, s.rotation);
        EXPECT_EQ(drawn[s.track].status, 0);
        EXPECT_EQ(drawn[s.track].output, "");
        const std::string svg = read_file(path(s, ".svg"));
        const std::map<int, int> lines = models_in_scene(read_file(path(s, ".scene")));
        EXPECT_EQ(total(lines), s.objects);
        EXPECT_EQ(shapes_in_svg(svg), lines);
        EXPECT_NE(
            svg.find(std::string(s.track) + ".scene: " + std::to_string(s.objects) + " objects, "),
            std::string::npos);
    }
}

TEST_F(PreviewSamples, DrawsTheCircuitsStartAndPortalWhereTheSceneHasThem) {
    // The circuit's scene has "8 -2.000 -1.500 20.000 0 0 0.000 1 0" and
    // "99 -2.000 334.500 -76.000 0 0 1.571 1 0" (docs/samples.md); 1.571
    // radians are 90.0117 degrees.
    const std::string svg = read_file(path(samples[0], ".svg"));
    EXPECT_NE(svg.find(R"re(class="obj m8" transform="translate(-1.5 20) rotate(0)")re"),
              std::string::npos);
    EXPECT_NE(svg.find(R"re(class="obj m99" transform="translate(334.5 -76) rotate(90.012)")re"),
              std::string::npos);
    EXPECT_NE(svg.find(R"re(class="obj m133" transform="translate(334.5 -76) rotate(90.012)")re"),
              std::string::npos);
    EXPECT_NE(svg.find(R"re(<circle class="mark" cx="-1.5" cy="20")re"), std::string::npos);
}

TEST_F(PreviewSamples, WritesWellFormedXml) {
    const std::optional<std::string> xmllint = on_path("xmllint");
    if (!xmllint) {
        GTEST_SKIP() << "xmllint not found (Debian package libxml2-utils); the SVG files are not "
                        "checked for well-formedness";
    }
    for (const sample& s : samples) {
        SCOPED_TRACE(s.track);
        const run_result r =
            run_program(*xmllint, {"--noout", path(s, ".svg")}, work->path(), true);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, "");
    }
}

// ---- Messages ------------------------------------------------------------------

const std::string scene_text = "ambient 0.5\r\nmodels 0\r\nobjects 2\r\n"
                               "118 -2.050 -1.500 52.000 0 0 0.000 1 0\r\n"
                               "8 -2.000 -1.500 20.000 0 0 0.000 1 0\r\n";

struct message_case {
    const char* name;
    std::vector<std::string> args;
    std::string output;
    int status;
    bool svg_made;                  // whether p.svg exists afterwards
    bool needs_full_device = false; // a run that writes to /dev/full
};

TEST(PreviewMessages, ReportEveryProblemOnStandardOutput) {
    const std::string usage =
        "Wrong number of parameters\r\nExample: " + scene2svg + " scene-file preview.svg\r\n";
    const std::vector<message_case> cases = {
        {"a scene drawn", {"s.scene", "p.svg"}, "", 0, true},
        {"no arguments", {}, usage, 1, false},
        {"one argument", {"s.scene"}, usage, 1, false},
        {"three arguments", {"s.scene", "p.svg", "x"}, usage, 1, false},
        {"a missing scene file",
         {"missing.scene", "p.svg"},
         "Could not open 'missing.scene'\r\n",
         1,
         false},
        {"a directory for the scene file", {"dir", "p.svg"}, "Could not read 'dir'\r\n", 1, false},
        {"a count that does not match",
         {"short.scene", "p.svg"},
         "File 'short.scene', line 3: 'objects 3' must be followed by as many object lines, "
         "found 2\r\n",
         1,
         false},
        {"no count line",
         {"plain.scene", "p.svg"},
         "File 'plain.scene': count line 'objects N' expected, followed by N object lines\r\n",
         1,
         false},
        {"an SVG file in a missing directory",
         {"s.scene", "no/p.svg"},
         "Could not open 'no/p.svg'\r\n",
         1,
         false},
        {"a full disk",
         {"s.scene", "/dev/full"},
         "Could not write '/dev/full'\r\n",
         1,
         false,
         true},
    };
    for (const message_case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needs_full_device && !fs::exists("/dev/full")) {
            continue;
        }
        scratch_dir dir;
        write_file(dir / "s.scene", scene_text);
        std::string shorter = scene_text;
        shorter.replace(shorter.find("objects 2"), 9, "objects 3");
        write_file(dir / "short.scene", shorter);
        write_file(dir / "plain.scene", "ambient 0.5\r\nmodels 0\r\n");
        fs::create_directory(dir / "dir");
        const run_result r = run_program(scene2svg, c.args, dir.path());
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(testsupport::file_exists(dir / "p.svg"), c.svg_made);
        if (c.needs_full_device) {
            EXPECT_TRUE(fs::exists("/dev/full")) << "a device is never removed";
        }
    }
}

} // namespace
