#include "driver/gather.h"
#include "driver/orient.h"
#include "driver/scene.h"
#include "driver/scene_writer.h"
#include "platform/failure.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

using testsupport::read_file;
using testsupport::scratch_dir;
using testsupport::write_file;

namespace {

constexpr float half_pi = 1.5707964f; // float nearest to pi/2
constexpr float pi_f = 3.1415927f;

placed_object rec(int model, float x, float y, float z, float angle) {
    placed_object o;
    o.model = model;
    o.x = x;
    o.y = y;
    o.z = z;
    o.angle = angle;
    return o;
}

// Runs the gather pass on `objects` with the console captured.
struct gathered {
    scene s;
    std::string console;
};

gathered gather_all(const std::vector<placed_object>& objects) {
    gathered g;
    g.s.list.reserve(static_cast<int>(objects.size()));
    std::string* before = platform::capture_console(&g.console);
    gather(objects.data(), static_cast<int>(objects.size()), g.s);
    platform::capture_console(before);
    return g;
}

// ---- gather pass -------------------------------------------------------------

TEST(Gather, Renumbering) {
    const std::pair<int, int> cases[] = {
        {118, 66},
        {119, 66},
        {120, 66},
        {121, 119},
        {122, 120},
        {133, 131},
        {134, 132},
        {117, 117},
        {135, 135},
        {1, 1},
        {8, 8},
        {99, 99},
        {66, 66},
        {0, 0},
        {-1, 0},
        {-2147483647 - 1, 0},
        {2147483647, 2147483647},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(renumber(in), out) << in;
    }
}

TEST(Gather, ScalesPositionsButNotAngles) {
    const gathered g = gather_all({rec(5, 1.5f, 58.0f, -0.002f, 7.8539815f)});
    ASSERT_EQ(g.s.list.kept, 1);
    EXPECT_EQ(g.s.list.x[0], 24.0f);
    EXPECT_EQ(g.s.list.y[0], 928.0f);
    EXPECT_EQ(g.s.list.z[0], -0.032f);
    EXPECT_EQ(g.s.list.angle[0], 7.8539815f);
    EXPECT_EQ(g.s.list.model[0], 5);
}

TEST(Gather, DropAndMerge) {
    const placed_object a = rec(5, 1, 2, 0, 0);
    const placed_object b = rec(6, 1, 2, 0, 0);
    struct merge_case {
        const char* what;
        std::vector<placed_object> records;
        std::vector<int> kept_models;
    };
    const merge_case cases[] = {
        {"equal neighbours merge", {a, a}, {5}},
        {"equal records apart both stay", {a, b, a}, {5, 6, 5}},
        {"an empty record between them does not part them", {a, rec(0, 9, 9, 9, 9), a}, {5}},
        {"negative models are dropped", {rec(-3, 1, 2, 0, 0), a}, {5}},
        {"118 then 120 at one place: both 66, merged",
         {rec(118, 1, 2, 0, 0), rec(120, 1, 2, 0, 0)},
         {66}},
        {"same place, other model", {a, b}, {5, 6}},
        {"a quarter turn apart", {a, rec(5, 1, 2, 0, half_pi)}, {5, 5}},
        {"a z step apart", {a, rec(5, 1, 2, 0.88f, 0)}, {5, 5}},
        {"only empty records", {rec(0, 0, 0, 0, 0), rec(0, 1, 1, 1, 1)}, {}},
        {"first record empty", {rec(0, 1, 2, 0, 0), a, a, a}, {5}},
    };
    for (const merge_case& k : cases) {
        const gathered g = gather_all(k.records);
        std::vector<int> models(g.s.list.model.begin(), g.s.list.model.begin() + g.s.list.kept);
        EXPECT_EQ(models, k.kept_models) << k.what;
    }
}

TEST(Gather, TotalDifferenceOfExactlyTheThresholdMerges) {
    // 0.0001 as a double is 0x1.a36e2eb1c432dp-14. Split its 53 bits into an
    // angle difference (the top 24 bits) and scaled z and x differences (the
    // rest), so that |dz| + |dx| + |dy| + |dangle| adds up to it exactly.
    const float da = 0x1.a36e2ep-14f;
    const float z = 0xb1c432p-66f; // 16 z = 0xb1c432p-62
    const float x = 0xdp-70f;      // 16 x = 0xdp-66
    ASSERT_EQ(16.0 * z + 16.0 * x + 0.0 + static_cast<double>(da), 0.0001);

    const placed_object origin = rec(5, 0, 0, 0, 0);
    EXPECT_EQ(gather_all({origin, rec(5, x, 0, z, da)}).s.list.kept, 1);
    // One step more in x: the sum is larger than the threshold.
    EXPECT_EQ(gather_all({origin, rec(5, 0xep-70f, 0, z, da)}).s.list.kept, 2);
    // Differences count by magnitude, whatever their sign.
    EXPECT_EQ(gather_all({origin, rec(5, -x, 0, -z, -da)}).s.list.kept, 1);
}

// ---- quadrant ----------------------------------------------------------------

TEST(Quadrant, Values) {
    const std::pair<float, int> cases[] = {
        {0.0f, 0},
        {half_pi, 1},
        {pi_f, 2},
        {4.712389f, 3},
        {6.2831855f, 0},
        {-half_pi, 3},
        {-0.04f, 0},
        {-0.06f, 3},
        {-3 * pi_f, -1},
        {half_pi - 0.049f, 1}, // the index steps up 0.05 before the quarter
        {half_pi - 0.051f, 0},
        {-7.90f, 0}, // v between -1 and 0 truncates to 0
        {-7.91f, -1},
        {-5 * half_pi - 2 * pi_f, 0}, // v = -4.97: -4 % 4
        {-3 * pi_f - 0.1f, -2},       // v = -2.03
        {-11.2831853f, -3},           // v = -3.15
        {-5 * pi_f, -1},              // v = -5.97: -5 % 4
        {-6 * pi_f + half_pi, -2},    // v = -6.97
        {100 * pi_f, 0},
        {1e30f, 0}, // far out of the integer range: a multiple of 4
        {-1e30f, 0},
        {FLT_MAX, 0},
    };
    for (const auto& [a, q] : cases) {
        EXPECT_EQ(quadrant(a), q) << a;
    }
}

TEST(Quadrant, StaysInRangeForEveryMagnitude) {
    // Past 2^31 in v the pattern continues without undefined behaviour.
    for (float a = 1.0f; a < FLT_MAX / 2; a *= 1.37f) {
        for (float s : {a, -a}) {
            const int q = quadrant(s);
            EXPECT_GE(q, -3) << s;
            EXPECT_LE(q, 3) << s;
        }
    }
    // Past the end of the 32-bit range, v = ((a + 2pi) 2 + 0.1) / pi worked
    // out by hand in double: trunc(v) by 4, with the sign of v.
    EXPECT_EQ(quadrant(3400000000.0f), 2);   // v = 2164507230.07
    EXPECT_EQ(quadrant(3400000256.0f), 1);   // v = 2164507393.05
    EXPECT_EQ(quadrant(-3400000000.0f), -2); // v = -2164507222.01
    EXPECT_EQ(quadrant(5000000000.0f), 1);   // v = 3183098865.86
    EXPECT_EQ(quadrant(-5000000000.0f), -1); // v = -3183098857.80
}

// ---- start orientation ----------------------------------------------------------

TEST(Orientation, RowsTurnEveryEntry) {
    struct row_case {
        int q;
        float x, y;  // where (32, 64) goes
        float angle; // 0.5 plus the offset, stored as float
    };
    const row_case cases[] = {
        {0, 32, 64, 0.5f},
        {1, -64, 32, static_cast<float>(0.5 + static_cast<double>(half_pi))},
        {2, -32, -64, static_cast<float>(0.5 + static_cast<double>(pi_f))},
        {3, 64, -32, static_cast<float>(0.5 + static_cast<double>(4.712389f))},
    };
    for (const row_case& k : cases) {
        scene s;
        s.list.reserve(1);
        s.list.append(5, 7, 32, 64, 0.5f);
        s.orient = orientation_for(k.q);
        orient_pass(s);
        EXPECT_EQ(s.list.x[0], k.x) << k.q;
        EXPECT_EQ(s.list.y[0], k.y) << k.q;
        EXPECT_EQ(s.list.angle[0], k.angle) << k.q;
        EXPECT_EQ(s.list.z[0], 7.0f) << k.q;
        EXPECT_EQ(s.offsets.x, -100.0f) << "no start element, offsets stay";
        EXPECT_EQ(s.offsets.y, -100.0f);
        EXPECT_EQ(s.offsets.z, -20.0f);
    }
    EXPECT_EQ(orientation_for(1).aoff, half_pi);
    EXPECT_EQ(orientation_for(2).aoff, pi_f);
    EXPECT_EQ(orientation_for(3).aoff, 4.712389f);
}

TEST(Orientation, StartElementSetsTheOffsets) {
    scene s;
    s.list.reserve(3);
    s.list.append(8, 0, 16, 32, 0);
    s.list.append(8, -0.032f, 48, 80, 0);
    s.list.append(5, 3, 7, 9, 0);
    s.orient = orientation_for(1);
    orient_pass(s);
    // The last start element in list order decides: (48, 80) -> (-80, 48).
    EXPECT_EQ(s.offsets.x, -1.5f + 80.0f);
    EXPECT_EQ(s.offsets.y, 20.0f - 48.0f);
    EXPECT_EQ(s.offsets.z, static_cast<float>(-2.0 + 0.032f));
}

struct start_case {
    const char* what;
    float angle;
    const char* console;
    int swap;
    float xmul, ymul, aoff;
    float kept_angle; // the start element's angle after the mirroring
};

TEST(StartElement, OneStartAtEachQuarter) {
    const start_case cases[] = {
        {"0", 0.0f, "Rotated 0.00 degrees\r\n", 0, 1, 1, 0, 0.0f},
        {"pi/2", half_pi, "Rotated 90.00 degrees\r\n", 1, -1, 1, half_pi,
         static_cast<float>(6.2831853072 - static_cast<double>(half_pi))},
        {"pi", pi_f, "Rotated 180.00 degrees\r\n", 0, -1, -1, pi_f, pi_f},
        {"3pi/2", 4.712389f, "Rotated 270.00 degrees\r\n", 1, 1, -1, 4.712389f,
         static_cast<float>(6.2831853072 - static_cast<double>(4.712389f))},
        {"-pi/2", -half_pi, "Rotated 270.00 degrees\r\n", 1, 1, -1, 4.712389f,
         static_cast<float>(6.2831853072 + static_cast<double>(half_pi))},
        {"-3pi", -3 * pi_f, "Some error\r\nRotated -90.00 degrees\r\n", 0, 1, 1, 0, -3 * pi_f},
    };
    for (const start_case& k : cases) {
        const gathered g = gather_all({rec(5, 1, 1, 0, 0), rec(8, 2, 3, 0, k.angle)});
        SCOPED_TRACE(k.what);
        EXPECT_EQ(g.console, k.console);
        EXPECT_EQ(g.s.orient.swap, k.swap);
        EXPECT_EQ(g.s.orient.xmul, k.xmul);
        EXPECT_EQ(g.s.orient.ymul, k.ymul);
        EXPECT_EQ(g.s.orient.aoff, k.aoff);
        ASSERT_EQ(g.s.list.kept, 2);
        EXPECT_EQ(g.s.list.angle[1], k.kept_angle);
        EXPECT_EQ(g.s.list.angle[0], 0.0f) << "only the last kept entry is mirrored";
    }
}

TEST(StartElement, ExactQuarterStartsEndNearAFullTurn) {
    for (float a : {half_pi, pi_f, 4.712389f}) {
        gathered g = gather_all({rec(8, 2, 3, 0, a)});
        orient_pass(g.s);
        std::string text;
        append_fixed(text, g.s.list.angle[0], 3);
        EXPECT_EQ(text, "6.283") << a;
    }
}

TEST(StartElement, TwoStartsTheLaterDecides) {
    gathered g = gather_all({rec(8, 0, 0, 0, 0), rec(5, 1, 1, 0, 0), rec(8, 2, 3, 0, pi_f)});
    EXPECT_EQ(g.console, "Rotated 0.00 degrees\r\nRotated 180.00 degrees\r\n");
    EXPECT_EQ(g.s.orient.xmul, -1.0f);
    EXPECT_EQ(g.s.orient.ymul, -1.0f);
    orient_pass(g.s);
    // The later start, (32, 48) scaled, turned to (-32, -48).
    EXPECT_EQ(g.s.offsets.x, -1.5f + 32.0f);
    EXPECT_EQ(g.s.offsets.y, 20.0f + 48.0f);
    EXPECT_EQ(g.s.offsets.z, -2.0f);
}

TEST(StartElement, ANegativeIndexKeepsTheEarlierOrientation) {
    const gathered g = gather_all({rec(8, 0, 0, 0, pi_f), rec(8, 5, 5, 0, -3 * pi_f)});
    EXPECT_EQ(g.console, "Rotated 180.00 degrees\r\nSome error\r\nRotated -90.00 degrees\r\n");
    EXPECT_EQ(g.s.orient.xmul, -1.0f);
    EXPECT_EQ(g.s.orient.aoff, pi_f);
}

TEST(StartElement, EqualConsecutiveStarts) {
    // At 0 or pi they merge, yet both print their rotation line.
    for (float a : {0.0f, pi_f}) {
        const gathered g = gather_all({rec(8, 1, 1, 0, a), rec(8, 1, 1, 0, a)});
        EXPECT_EQ(g.s.list.kept, 1) << a;
        const char* line = a == 0.0f ? "Rotated 0.00 degrees\r\n" : "Rotated 180.00 degrees\r\n";
        EXPECT_EQ(g.console, std::string(line) + line);
    }
    // At pi/2 or 3pi/2 the first one's angle is mirrored before the second is
    // compared with it: both stay.
    for (float a : {half_pi, 4.712389f}) {
        gathered g = gather_all({rec(8, 1, 1, 0, a), rec(8, 1, 1, 0, a)});
        EXPECT_EQ(g.s.list.kept, 2) << a;
        orient_pass(g.s);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(static_cast<double>(g.s.list.x[static_cast<std::size_t>(k)]) +
                          static_cast<double>(g.s.offsets.x),
                      -1.5)
                << "both at the start point";
        }
    }
}

TEST(StartElement, AMergedStartMirrorsTheEntryItMergedInto) {
    // The first start (pi/2) is kept and mirrored to 4.712389; the second,
    // at 4.712389, merges into it; the entry's angle, of quarter index 3, is
    // mirrored once more.
    const float mirrored = static_cast<float>(6.2831853072 - static_cast<double>(half_pi));
    const gathered g = gather_all({rec(8, 1, 1, 0, half_pi), rec(8, 1, 1, 0, mirrored)});
    ASSERT_EQ(g.s.list.kept, 1);
    EXPECT_EQ(g.console, "Rotated 90.00 degrees\r\nRotated 270.00 degrees\r\n");
    EXPECT_EQ(g.s.list.angle[0], static_cast<float>(6.2831853072 - static_cast<double>(mirrored)));
    EXPECT_EQ(g.s.orient.ymul, -1.0f) << "the second start decides";
}

// ---- scene file ------------------------------------------------------------------

TEST(SceneLines, FormatsAsTheCLibraryDoes) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> small(-2000.0, 2000.0);
    std::vector<double> values = {0.0,    -0.0,    0.0005, -0.0005, 0.0015,
                                  2.0005, -0.0004, 1e-9,   -1e-9,   479.9995,
                                  1e20,   -3.4e38, 0.1235, 0.12349, 6.2831853071795862};
    // Exact ties at two and three decimals (multiples of 1/8 and 1/16), near
    // and far from zero, on both sides.
    for (int k = 0; k < 4000; ++k) {
        for (double base : {0.0, 1048576.0, 4503599627370496.0 / 1024}) {
            values.push_back(base + k / 16.0);
            values.push_back(-(base + k / 16.0));
        }
    }
    // Random bit patterns over a wide range of exponents, subnormals included.
    std::uniform_int_distribution<std::uint64_t> mantissa(0, (std::uint64_t{1} << 52) - 1);
    std::uniform_int_distribution<int> exponent(0, 1023 + 60);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = (static_cast<std::uint64_t>(exponent(random)) << 52) |
                                   mantissa(random) | (static_cast<std::uint64_t>(i & 1) << 63);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
    }
    for (double v : {4503599627370495.5, 4503599627370496.0, 9007199254740991.0, 0x1p-1074,
                     -0x1p-1074, 0x1p-11, 0x1.0000000000001p-11, 0.00049999999999999996}) {
        values.push_back(v);
    }
    for (int i = 0; i < 20000; ++i) {
        values.push_back(small(random));
        values.push_back(static_cast<double>(static_cast<float>(small(random))) +
                         static_cast<double>(static_cast<float>(small(random))));
    }
    for (double v : values) {
        for (int decimals : {2, 3}) {
            char expected[512];
            std::snprintf(expected, sizeof expected, "%1.*f", decimals, v);
            std::string got;
            append_fixed(got, v, decimals);
            ASSERT_EQ(got, expected) << v;
        }
    }
}

TEST(SceneLines, ColumnOrderAndDefaults) {
    scene s;
    s.list.reserve(2);
    s.list.append(5, 0, 100, 200, 0);
    EXPECT_EQ(object_lines(s), "objects 2\n"
                               "118 -20.050 380.000 380.000 0 0 0.000 1 0\n"
                               "5 -20.000 0.000 100.000 0 0 0.000 1 0\n");
}

TEST(SceneLines, NoKeptEntryLeavesTheLeadingLineAlone) {
    scene s;
    EXPECT_EQ(object_lines(s), "objects 1\n118 -20.050 380.000 380.000 0 0 0.000 1 0\n");
    s.orient = orientation_for(2);
    EXPECT_EQ(object_lines(s), "objects 1\n118 -20.050 -580.000 -580.000 0 0 0.000 1 0\n");
}

TEST(SceneLines, CompanionBehindEveryModel99) {
    scene s;
    s.list.reserve(3);
    s.list.append(99, 16, 32, 48, 1.5f);
    s.list.append(7, 0, 0, 0, 0);
    s.list.append(99, -0.032f, 0, 0, -0.25f);
    s.offsets = {1.5f, -20.0f, -2.0f};
    EXPECT_EQ(object_lines(s), "objects 6\n"
                               "118 -2.050 481.500 460.000 0 0 0.000 1 0\n"
                               "99 14.000 33.500 28.000 0 0 1.500 1 0\n"
                               "133 25.250 33.500 28.000 0 0 1.500 3 0\n"
                               "7 -2.000 1.500 -20.000 0 0 0.000 1 0\n"
                               "99 -2.032 1.500 -20.000 0 0 -0.250 1 0\n"
                               "133 9.218 1.500 -20.000 0 0 -0.250 3 0\n");
}

TEST(SceneLines, PrintedSumsAreDoubleSumsOfTheStoredFloats) {
    scene s;
    s.list.reserve(2);
    // 99.9999f is 99.99990081787109375: plus -100 it is -0.0000992, "-0.000".
    s.list.append(5, 0, 99.9999f, 0.0f, -0.0001f);
    // 0.0005f is 0.000500000023748725: "0.001" in double, but the float sum
    // 0.0005f + 0.0f rounded back to float would print the same; the double
    // sum of z = 20.0005f and -20 is 0.000499725..., "0.000".
    s.list.append(5, 20.0005f, 100, 100, 0.0005f);
    EXPECT_EQ(object_lines(s), "objects 3\n"
                               "118 -20.050 380.000 380.000 0 0 0.000 1 0\n"
                               "5 -20.000 -0.000 -100.000 0 0 -0.000 1 0\n"
                               "5 0.000 0.000 0.000 0 0 0.001 1 0\n");
}

class SceneFile : public ::testing::Test {
  protected:
    // Writes an empty scene to `path`; returns what the file then holds.
    std::string write_expecting(const std::string& path, const std::string& library,
                                const std::string& message) {
        write_only(path, library, message);
        return testsupport::file_exists(path) ? read_file(path) : "<none>";
    }
    void write_only(const std::string& path, const std::string& library,
                    const std::string& message) {
        scene s;
        try {
            write_scene(path.c_str(), s, library.c_str());
            EXPECT_EQ(message, "") << "no failure";
        } catch (const platform::failure& e) {
            EXPECT_EQ(e.message, message);
        }
    }
    scratch_dir dir;
};

constexpr const char* header = "ambient 0.5\r\nheadlight 0.3\r\ndirectional 0.5\r\n"
                               "lightdir -1.0 0.4 0.6\r\nbackground 140 180 210\r\n"
                               "clfactors 1.0 1.0 1.0\r\n";

TEST_F(SceneFile, LibraryCopiedUnderTheTextRules) {
    write_file(dir / "lib", "model 1\r\nrow\r\r\nend\x1a"
                            "after");
    EXPECT_EQ(write_expecting(dir / "scene", dir / "lib", ""),
              std::string(header) + "model 1\r\nrow\r\r\nend" +
                  "objects 1\r\n118 -20.050 380.000 380.000 0 0 0.000 1 0\r\n");
}

TEST_F(SceneFile, MissingLibraryLeavesTheHeaderAlone) {
    EXPECT_EQ(write_expecting(dir / "scene", dir / "nolib", "Could not open 'mdls4zu'\r\n"),
              header);
}

TEST_F(SceneFile, LibraryThatCannotBeReadStopsTheCopy) {
    EXPECT_EQ(write_expecting(dir / "scene", dir.path(), "Could not read 'mdls4zu'\r\n"), header);
}

TEST_F(SceneFile, SceneThatCannotBeOpenedOrWritten) {
    write_file(dir / "lib", "m\n");
    EXPECT_EQ(write_expecting(dir / "no/dir/scene", dir / "lib",
                              "Could not open '" + (dir / "no/dir/scene") + "'\r\n"),
              "<none>");
    write_only("/dev/full", dir / "lib", "Could not write '/dev/full'\r\n");
}

} // namespace
