// The bundled samples, converted by the real binary with the repository's own
// element list and model library, against what each sample was designed to
// give (see docs/samples.md).
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

using testsupport::read_file;
using testsupport::run_binary;
using testsupport::scratch_dir;

namespace {

struct sample_case {
    const char* name;
    std::string output;             // standard output
    int objects;                    // the count line's number
    std::vector<std::string> lines; // object lines that must be there
};

const sample_case samples[] = {
    {"circuit",
     "Rotated 0.00 degrees\r\n",
     980,
     {"8 -2.000 -1.500 20.000 0 0 0.000 1 0", "99 -2.000 334.500 -76.000 0 0 1.571 1 0",
      "133 9.250 334.500 -76.000 0 0 1.571 3 0"}},
    {"start-0", "Rotated 0.00 degrees\r\n", 131, {"8 -2.000 -1.500 20.000 0 0 0.000 1 0"}},
    {"start-90", "Rotated 90.00 degrees\r\n", 131, {"8 -2.000 -1.500 20.000 0 0 6.283 1 0"}},
    {"start-180", "Rotated 180.00 degrees\r\n", 131, {"8 -2.000 -1.500 20.000 0 0 6.283 1 0"}},
    {"start-270", "Rotated 270.00 degrees\r\n", 131, {"8 -2.000 -1.500 20.000 0 0 6.283 1 0"}},
    // 900 ground + 1800 element objects + 30 roof lines + the leading line.
    {"full-grid", "", 2731, {"118 -20.050 380.000 380.000 0 0 0.000 1 0"}},
    {"terrain-only", "", 867, {"118 -20.050 380.000 380.000 0 0 0.000 1 0"}},
};

// The lines of `text` split at CR LF; a last line without one is kept too.
std::vector<std::string> crlf_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

TEST(Samples, ConvertAsDesigned) {
    for (const sample_case& k : samples) {
        SCOPED_TRACE(k.name);
        scratch_dir dir;
        const std::string scene = dir / "out.scene";
        const auto r = run_binary({"samples/" + std::string(k.name) + ".trk", scene},
                                  testsupport::source_dir());
        EXPECT_EQ(r.output, k.output);
        EXPECT_EQ(r.status, 0);
        const std::string text = read_file(scene);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "every line end is CR LF";

        // The scene begins with the header and the library copied under the
        // text rules, and ends with the count line and exactly that many lines.
        std::string library = read_file(testsupport::source_dir() + "/src/mdls4zu");
        std::string expected_start = "ambient 0.5\r\nheadlight 0.3\r\ndirectional 0.5\r\n"
                                     "lightdir -1.0 0.4 0.6\r\nbackground 140 180 210\r\n"
                                     "clfactors 1.0 1.0 1.0\r\n";
        for (char c : library) {
            expected_start += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        ASSERT_EQ(text.compare(0, expected_start.size(), expected_start), 0);
        const std::vector<std::string> lines = crlf_lines(text.substr(expected_start.size()));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "objects " + std::to_string(k.objects));
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(k.objects) + 1);
        for (const std::string& line : k.lines) {
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
        }
    }
}

} // namespace
