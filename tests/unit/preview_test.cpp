// Unit tests of scene2svg: finding the object lines of a scene file, and the
// shapes the SVG picture draws for them.
//
// The scene texts are written by hand in the layout the converter writes: six
// lighting lines, the model library, the count line "objects N" and N object
// lines "model z x y 0 0 angle kind 0".
#include "platform/failure.h"
#include "preview/scene_objects.h"
#include "preview/svg_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using preview::draw_svg;
using preview::read_object_lines;
using preview::scene_object;

constexpr double pi = std::numbers::pi;

// ---- Finding the object lines ----------------------------------------------

// Six lighting lines and a three-line model library: the count line is line 10.
const std::string header_lf = "ambient 0.5\nheadlight 0.3\ndirectional 0.5\n"
                              "lightdir -1.0 0.4 0.6\nbackground 140 180 210\n"
                              "clfactors 1.0 1.0 1.0\n";
const std::string library_lf = "models 1\nmodel 10 straight\nend\n";

const std::string lead_line = "118 -2.050 -1.500 52.000 0 0 0.000 1 0";
const std::string straight_line = "10 -2.000 -1.500 -108.000 0 0 3.142 1 0";
const std::string roof_line = "133 9.250 334.500 -76.000 0 0 1.571 3 0";

// The same text with every LF written as CR LF.
std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

const scene_object lead{118, -2.05, -1.5, 52.0, 0.0, 1, 11};
const scene_object straight{10, -2.0, -1.5, -108.0, 3.142, 1, 12};
const scene_object roof{133, 9.25, 334.5, -76.0, 1.571, 3, 13};

// The lines of objects read from `text`, or the message of its failure.
struct reading {
    std::vector<scene_object> objects;
    std::string message;
};

reading read(const std::string& text) {
    reading r;
    try {
        r.objects = read_object_lines(text, "t.scene");
    } catch (const platform::failure& f) {
        r.message = f.message;
    }
    return r;
}

struct good_case {
    const char* name;
    std::string text;
    std::vector<scene_object> expected; // their line numbers included
};

TEST(PreviewReadTest, FindsTheObjectLinesBehindTheCountLine) {
    const std::string body =
        "objects 3\n" + lead_line + "\n" + straight_line + "\n" + roof_line + "\n";
    const std::vector<good_case> cases = {
        {"LF line ends", header_lf + library_lf + body, {lead, straight, roof}},
        {"CR LF line ends", crlf(header_lf + library_lf + body), {lead, straight, roof}},
        {"LF and CR LF mixed",
         header_lf + library_lf + "objects 2\r\n" + lead_line + "\n" + straight_line + "\r\n",
         {lead, straight}},
        // A library without a final line end: its last line runs into the count
        // line, which is line 9 then.
        {"count line joined to the library's last line",
         crlf(header_lf + "models 1\nmodel 10 straight\nend" + "objects 1\n" + lead_line + "\n"),
         {{118, -2.05, -1.5, 52.0, 0.0, 1, 10}}},
        // Only the last line ending in "objects <digits>" is the count line.
        {"the library mentions objects too",
         header_lf + "# objects 5\nmodels 1\nend\n" + body,
         {lead, straight, roof}},
        {"zero objects", crlf(header_lf + library_lf + "objects 0\n"), {}},
        {"nothing but the count line",
         "objects 1\n" + lead_line + "\n",
         {{118, -2.05, -1.5, 52.0, 0.0, 1, 2}}},
        {"leading zeros in the count",
         header_lf + library_lf + "objects 001\n" + lead_line + "\n",
         {lead}},
    };
    for (const good_case& c : cases) {
        SCOPED_TRACE(c.name);
        const reading r = read(c.text);
        EXPECT_EQ(r.message, "");
        ASSERT_EQ(r.objects.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const scene_object& got = r.objects[i];
            const scene_object& want = c.expected[i];
            EXPECT_EQ(got.model, want.model);
            EXPECT_DOUBLE_EQ(got.z, want.z);
            EXPECT_DOUBLE_EQ(got.x, want.x);
            EXPECT_DOUBLE_EQ(got.y, want.y);
            EXPECT_DOUBLE_EQ(got.angle, want.angle);
            EXPECT_EQ(got.kind, want.kind);
            EXPECT_EQ(got.line, want.line);
        }
    }
}

struct bad_case {
    const char* name;
    std::string text;
    std::string message;
};

TEST(PreviewReadTest, RefusesAFileThatDoesNotEndInItsObjectLines) {
    const std::string front = header_lf + library_lf; // the count line is line 10
    const std::string bad_line = "File 't.scene', line 11: object line 'model z x y 0 0 angle kind "
                                 "0' expected, found '";
    const std::string no_count = "File 't.scene': count line 'objects N' expected, followed by N "
                                 "object lines\r\n";
    const std::vector<bad_case> cases = {
        {"fewer object lines than counted",
         front + "objects 3\n" + lead_line + "\n" + straight_line + "\n",
         "File 't.scene', line 10: 'objects 3' must be followed by as many object lines, found "
         "2\r\n"},
        {"more object lines than counted",
         crlf(front + "objects 1\n" + lead_line + "\n" + straight_line + "\n"),
         "File 't.scene', line 10: 'objects 1' must be followed by as many object lines, found "
         "2\r\n"},
        {"objects 0 with an object line", front + "objects 0\n" + lead_line + "\n",
         "File 't.scene', line 10: 'objects 0' must be followed by as many object lines, found "
         "1\r\n"},
        {"a count too large for any file",
         front + "objects 99999999999999999999\n" + lead_line + "\n",
         "File 't.scene', line 10: 'objects 99999999999999999999' must be followed by as many "
         "object lines, found 1\r\n"},
        {"eight fields", front + "objects 1\n10 -2.000 -1.500 52.000 0 0 0.000 1\n",
         bad_line + "10 -2.000 -1.500 52.000 0 0 0.000 1'\r\n"},
        {"ten fields", front + "objects 1\n10 -2.000 -1.500 52.000 0 0 0.000 1 0 0\n",
         bad_line + "10 -2.000 -1.500 52.000 0 0 0.000 1 0 0'\r\n"},
        {"a word for a coordinate", crlf(front + "objects 1\n10 -2.000 abc 52.000 0 0 0.000 1 0\n"),
         bad_line + "10 -2.000 abc 52.000 0 0 0.000 1 0'\r\n"},
        {"a fraction for the model", front + "objects 1\n10.5 -2.000 -1.500 52.000 0 0 0.000 1 0\n",
         bad_line + "10.5 -2.000 -1.500 52.000 0 0 0.000 1 0'\r\n"},
        {"a fraction for the kind", front + "objects 1\n10 -2.000 -1.500 52.000 0 0 0.000 1.0 0\n",
         bad_line + "10 -2.000 -1.500 52.000 0 0 0.000 1.0 0'\r\n"},
        {"a number with trailing text", front + "objects 1\n10 -2.000 -1.5x 52.000 0 0 0.000 1 0\n",
         bad_line + "10 -2.000 -1.5x 52.000 0 0 0.000 1 0'\r\n"},
        {"not a number", front + "objects 1\n10 -2.000 nan 52.000 0 0 0.000 1 0\n",
         bad_line + "10 -2.000 nan 52.000 0 0 0.000 1 0'\r\n"},
        {"a number too large for a scene",
         front + "objects 1\n10 -2.000 2e9 52.000 0 0 0.000 1 0\n",
         bad_line + "10 -2.000 2e9 52.000 0 0 0.000 1 0'\r\n"},
        {"an empty object line", front + "objects 1\n\n", bad_line + "'\r\n"},
        {"a lone carriage return inside an object line",
         front + "objects 1\n10 -2.000 -1.500\r52.000 0 0 0.000 1 0\n",
         bad_line + "10 -2.000 -1.500?52.000 0 0 0.000 1 0'\r\n"},
        {"no count line", front + lead_line + "\n", no_count},
        {"objects without a number", front + "objects \n" + lead_line + "\n", no_count},
        {"a negative count", front + "objects -1\n", no_count},
        {"an empty file", "", no_count},
        {"no line end after the last object line", crlf(front + "objects 1\n") + lead_line,
         "File 't.scene': line end expected at the end of the file\r\n"},
        {"no line end after the count line", front + "objects 0",
         "File 't.scene': line end expected at the end of the file\r\n"},
    };
    for (const bad_case& c : cases) {
        SCOPED_TRACE(c.name);
        const reading r = read(c.text);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(r.objects.empty());
    }
}

TEST(PreviewReadTest, QuotesALongBadLineCutShort) {
    const std::string line = "10 " + std::string(100, '1');
    const reading r = read("objects 1\n" + line + "\n");
    EXPECT_EQ(r.message, "File 't.scene', line 2: object line 'model z x y 0 0 angle kind 0' "
                         "expected, found '" +
                             line.substr(0, 80) + "...'\r\n");
}

// ---- The picture -------------------------------------------------------------

scene_object at(int model, double x, double y, double angle = 0, double z = 0) {
    return {model, z, x, y, angle, 1, 0};
}

// One drawn object line: the element's class and transform.
struct drawn {
    std::string tag;
    int model = 0;
    bool leading = false;
    double tx = 0, ty = 0, degrees = 0;
    std::string element; // the whole element text
};

std::vector<drawn> shapes_of(const std::string& svg) {
    static const std::regex re(R"re(<(\w+) class="obj m(-?\d+)( lead)?" )re"
                               R"re(transform="translate\((\S+) (\S+)\) rotate\((\S+)\)"[^>]*>)re");
    std::vector<drawn> out;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator();
         ++it) {
        const std::smatch& m = *it;
        out.push_back({m[1], std::stoi(m[2]), m[3].matched, std::stod(m[4]), std::stod(m[5]),
                       std::stod(m[6]), m[0]});
    }
    return out;
}

// The scene group "matrix(1 0 0 -1 e f)": scene (x, y) is drawn at (x + e, f - y).
struct flip {
    double e = 0, f = 0;
};

flip flip_of(const std::string& svg) {
    static const std::regex re(R"re(<g transform="matrix\(1 0 0 -1 (\S+) (\S+)\)">)re");
    std::smatch m;
    if (!std::regex_search(svg, m, re)) {
        ADD_FAILURE() << "no scene group with a y flip";
        return {};
    }
    return {std::stod(m[1]), std::stod(m[2])};
}

struct point {
    double x, y;
};

// Where the point (px, py) of the shape's own frame lands on the canvas.
point canvas(const drawn& d, const flip& g, double px, double py) {
    const double a = d.degrees * pi / 180;
    const double sx = d.tx + px * std::cos(a) - py * std::sin(a);
    const double sy = d.ty + px * std::sin(a) + py * std::cos(a);
    return {sx + g.e, g.f - sy};
}

const drawn* find_model(const std::vector<drawn>& shapes, int model) {
    for (const drawn& d : shapes) {
        if (d.model == model) {
            return &d;
        }
    }
    return nullptr;
}

TEST(PreviewDrawTest, DrawsOneShapePerObjectLineAndMarksTheLeadingOne) {
    // File order: the leading line, then ground and track models mixed, one
    // model no drawing knows.
    const std::vector<scene_object> objects = {at(118, 480, 480), at(10, 0, 0),  at(82, 0, 0),
                                               at(8, 0, 32),      at(82, 32, 0), at(4242, 64, 64)};
    const std::string svg = draw_svg(objects, "t.scene");
    const std::vector<drawn> shapes = shapes_of(svg);
    ASSERT_EQ(shapes.size(), objects.size());
    std::multiset<int> models;
    int leading = 0;
    for (const drawn& d : shapes) {
        models.insert(d.model);
        leading += d.leading ? 1 : 0;
    }
    EXPECT_EQ(models, (std::multiset<int>{8, 10, 82, 82, 118, 4242}));
    EXPECT_EQ(leading, 1);
    EXPECT_TRUE(find_model(shapes, 118)->leading);
    EXPECT_NE(find_model(shapes, 118)->element.find("stroke-dasharray"), std::string::npos);
    // The ground lies under the track: both grass cells come before the
    // straight drawn on the first of them.
    EXPECT_LT(svg.find("class=\"obj m82\""), svg.find("class=\"obj m10\""));
    // The start element gets a ring around it, and nothing else does.
    EXPECT_EQ(std::regex_search(svg, std::regex(R"re(<circle class="mark" cx="0" cy="32")re")),
              true);
    EXPECT_EQ(svg.find("class=\"mark\""), svg.rfind("class=\"mark\""));
}

TEST(PreviewDrawTest, MarksTheLeadingLineWhateverItsModel) {
    const std::string svg = draw_svg({at(10, 0, 0), at(10, 0, 32)}, "t.scene");
    const std::vector<drawn> shapes = shapes_of(svg);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_TRUE(shapes[0].leading);
    EXPECT_FALSE(shapes[1].leading);
    EXPECT_NE(shapes[0].element.find("stroke-dasharray"), std::string::npos);
    EXPECT_EQ(shapes[1].element.find("stroke-dasharray"), std::string::npos);
}

TEST(PreviewDrawTest, PlacesEachShapeAtItsXAcrossAndItsYUp) {
    // z is the first coordinate of an object line; it must not move a shape.
    const std::vector<scene_object> objects = {at(82, 0, 0), at(10, 64, 32, 0, 100),
                                               at(17, -32, -96, 0, -50)};
    const std::string svg = draw_svg(objects, "t.scene");
    const std::vector<drawn> shapes = shapes_of(svg);
    const flip g = flip_of(svg);
    ASSERT_EQ(shapes.size(), 3u);
    const point origin = canvas(*find_model(shapes, 82), g, 0, 0);
    struct expectation {
        int model;
        double dx, dy; // canvas offset from the shape at (0, 0); canvas y grows downwards
    };
    for (const expectation& e : {expectation{10, 64, -32}, expectation{17, -32, 96}}) {
        SCOPED_TRACE(e.model);
        const point p = canvas(*find_model(shapes, e.model), g, 0, 0);
        EXPECT_NEAR(p.x - origin.x, e.dx, 1e-9);
        EXPECT_NEAR(p.y - origin.y, e.dy, 1e-9);
    }
}

TEST(PreviewDrawTest, TurnsEachShapeCounterClockwiseByItsAngle) {
    // The start arrow points to the north of its own frame, to (0, 16). Turned
    // counter-clockwise seen from above, north goes to west, then south, east.
    struct turn {
        double angle;
        double dx, dy; // where the arrow's tip lands, from its centre, on the canvas
    };
    const std::vector<turn> turns = {
        {0, 0, -16},
        {pi / 2, -16, 0},
        {pi, 0, 16},
        {-pi / 2, 16, 0},
        {3 * pi / 2, 16, 0},
        {2 * pi, 0, -16},
        {4 * pi + pi / 2, -16, 0},
    };
    for (const turn& t : turns) {
        SCOPED_TRACE(t.angle);
        const std::string svg = draw_svg({at(82, 0, 0), at(8, 100, -50, t.angle)}, "t.scene");
        const std::vector<drawn> shapes = shapes_of(svg);
        const drawn* start = find_model(shapes, 8);
        ASSERT_NE(start, nullptr);
        EXPECT_NE(start->element.find(" 0,16 "), std::string::npos) << "the arrow's tip";
        const flip g = flip_of(svg);
        const point centre = canvas(*start, g, 0, 0);
        const point tip = canvas(*start, g, 0, 16);
        // Angles are written with three decimals of a degree.
        EXPECT_NEAR(tip.x - centre.x, t.dx, 0.001);
        EXPECT_NEAR(tip.y - centre.y, t.dy, 0.001);
    }
}

TEST(PreviewDrawTest, KeepsEveryShapeInsideThePicture) {
    const std::vector<scene_object> objects = {at(82, -1000, 700), at(82, 250, -333.5),
                                               at(10, 40, 40, 0.785), at(8, -1.5, 20)};
    const std::string svg = draw_svg(objects, "t.scene");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(viewBox="0 0 (\S+) (\S+)")re")));
    const double width = std::stod(m[1]);
    const double height = std::stod(m[2]);
    const flip g = flip_of(svg);
    for (const drawn& d : shapes_of(svg)) {
        SCOPED_TRACE(d.element);
        for (const point corner :
             {point{-16, -16}, point{16, -16}, point{-16, 16}, point{16, 16}}) {
            const point p = canvas(d, g, corner.x, corner.y);
            EXPECT_GE(p.x, 0);
            EXPECT_LE(p.x, width);
            EXPECT_GE(p.y, 0);
            EXPECT_LE(p.y, height);
        }
    }
}

TEST(PreviewDrawTest, WritesNumbersWithAtMostThreeDecimalsAndNoExponent) {
    struct number_case {
        double x;
        const char* written;
    };
    const std::vector<number_case> cases = {
        {-76, "-76"},
        {334.5, "334.5"},
        {0.25, "0.25"},
        {1.0 / 3, "0.333"},
        {0.0004, "0"},
        {-0.0004, "0"},
        {123456.789, "123456.789"},
        {100000000, "100000000"},
    };
    for (const number_case& c : cases) {
        SCOPED_TRACE(c.written);
        const std::string svg = draw_svg({at(82, c.x, 0)}, "t.scene");
        const std::vector<drawn> shapes = shapes_of(svg);
        ASSERT_EQ(shapes.size(), 1u);
        EXPECT_NE(shapes[0].element.find(std::string("translate(") + c.written + " 0)"),
                  std::string::npos);
    }
}

int red_green_blue_sum(const std::string& element) {
    std::smatch m;
    if (!std::regex_search(element, m, std::regex(R"re(fill="#([0-9a-f]{6})")re"))) {
        ADD_FAILURE() << "no plain fill in " << element;
        return 0;
    }
    const int rgb = std::stoi(m[1], nullptr, 16);
    return (rgb >> 16) + ((rgb >> 8) & 255) + (rgb & 255);
}

TEST(PreviewDrawTest, ShowsHigherObjectsLighter) {
    const std::string svg =
        draw_svg({at(82, 0, 0, 0, -20), at(82, 32, 0, 0, -5.92), at(82, 64, 0, 0, -20)}, "t.scene");
    const std::vector<drawn> shapes = shapes_of(svg);
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_GT(red_green_blue_sum(shapes[1].element), red_green_blue_sum(shapes[0].element));
    EXPECT_EQ(red_green_blue_sum(shapes[2].element), red_green_blue_sum(shapes[0].element));
}

TEST(PreviewDrawTest, TitlesWithTheObjectCountAndListsEachModelOnce) {
    const std::string svg =
        draw_svg({at(118, 0, 0), at(82, 0, 0), at(82, 32, 0), at(8, 0, 0)}, "t.scene");
    EXPECT_NE(svg.find(">t.scene: 4 objects, "), std::string::npos);
    for (const char* entry : {">8 start straight: 1<", ">82 grass: 2<", ">118 base plate: 1<"}) {
        SCOPED_TRACE(entry);
        const std::size_t first = svg.find(entry);
        EXPECT_NE(first, std::string::npos);
        EXPECT_EQ(first, svg.rfind(entry));
    }
}

TEST(PreviewDrawTest, WritesTheFileNameAsXmlText) {
    struct title_case {
        std::string name;
        std::string written;
    };
    const std::vector<title_case> cases = {
        {"a&b<c>\"d\".scene", "a&amp;b&lt;c&gt;&quot;d&quot;.scene"},
        {"Strecke-\xc3\xbc.scene", "Strecke-\xc3\xbc.scene"}, // UTF-8 kept
        {"tab\there", "tab?here"},
        {"broken\xff\xc3.", "broken??."},
        {"cut\xe2\x82", "cut??"},
        {"surrogate\xed\xa0\x80", "surrogate???"},
        {"overlong\xc0\xaf", "overlong??"},
    };
    for (const title_case& c : cases) {
        SCOPED_TRACE(c.written);
        const std::string svg = draw_svg({at(82, 0, 0)}, c.name);
        EXPECT_NE(svg.find(">" + c.written + ": 1 object, "), std::string::npos);
    }
}

TEST(PreviewDrawTest, DrawsAnEmptySceneWithItsTitle) {
    const std::string svg = draw_svg({}, "empty.scene");
    EXPECT_TRUE(shapes_of(svg).empty());
    EXPECT_NE(svg.find(">empty.scene: 0 objects, "), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

} // namespace
