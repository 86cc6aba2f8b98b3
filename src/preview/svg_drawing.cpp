#include "preview/svg_drawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <utility>

namespace preview {

namespace {

// ---- Numbers and colours -------------------------------------------------

// A number with at most three decimals, trailing zeros dropped, never "-0"
// and never an exponent, so that the picture is the same on every machine.
std::string num(double v) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    std::string s(buf, r.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    if (s == "-0") {
        s = "0";
    }
    return s;
}

struct rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

std::string hex(rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

// Height levels: 0 for the lowest object of the scene up to `top_level` for
// the highest; each level mixes a little more white into the fill.
constexpr int top_level = 20;
constexpr double lightening_at_top = 0.4;

rgb lighter(rgb c, int level) {
    const double t = lightening_at_top * level / top_level;
    auto mix = [t](int v) { return static_cast<int>(std::lround(v + (255 - v) * t)); };
    return {mix(c.r), mix(c.g), mix(c.b)};
}

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t n = 0;
    unsigned lowest = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        n = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        n = 3;
        lowest = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        n = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < n) {
        return 0;
    }
    unsigned code = lead & (0x7f >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < lowest || code > 0x10ffff || surrogate ? 0 : n;
}

// Text as XML character data: markup characters escaped, and every byte that
// XML does not allow there (control characters, broken UTF-8) shown as '?'.
std::string escaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t n = utf8_length(text.substr(i));
            out += n == 0 ? std::string_view("?") : text.substr(i, n);
            i += n == 0 ? 1 : n;
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += static_cast<unsigned char>(c) < 32 || c == 127 ? '?' : c;
        }
        ++i;
    }
    return out;
}

// ---- How each model is drawn ---------------------------------------------
//
// Shapes are given in the model's own frame, scene units, x east and y north,
// centred on the object's position; a cell reaches 16 units to each side.

enum class shape { rect, polygon, path };

// Which way a gradient runs across the shape's bounding box, from its first
// stop (the low end) to its last.
enum class rise { none, north, north_east };

struct stop {
    double offset;
    rgb colour;
};

struct model_style {
    const char* name;
    bool ground; // terrain: muted colours, drawn under the track and the grid
    shape kind;
    const char* geometry; // the attributes that give the shape: x, y, width, height / points / d
    double reach;         // largest distance of the shape from its centre along x or y
    std::vector<stop> fill;
    rise gradient = rise::none;
    const char* stroke = nullptr; // extra attributes for the outline
};

// Shapes shared by several models: the whole cell, a road along the cell
// (south to north) and a road with fences or kerbs.
constexpr const char* whole_cell = R"(x="-16" y="-16" width="32" height="32")";
constexpr const char* road = R"(x="-6" y="-16" width="12" height="32")";
constexpr const char* wide_road = R"(x="-7" y="-16" width="14" height="32")";

// Colours of the ground.
constexpr rgb grass{147, 185, 127};
constexpr rgb grass_low{120, 160, 100};
constexpr rgb high_ground{200, 192, 130};
constexpr rgb sand{224, 206, 150};
constexpr rgb water{120, 165, 205};

const std::map<int, model_style>& styles() {
    static const std::map<int, model_style> table = {
        {8,
         {"start straight",
          false,
          shape::polygon,
          R"(points="-7,-16 7,-16 7,4 0,16 -7,4")",
          16,
          {{0, {230, 30, 40}}},
          rise::none,
          R"(stroke="#000000" stroke-width="1.5")"}},
        {10, {"straight", false, shape::rect, road, 16, {{0, {255, 140, 0}}}}},
        {11,
         {"curve",
          false,
          shape::path,
          R"(d="M16 6 A22 22 0 0 1 -6 -16 L6 -16 A10 10 0 0 0 16 -6 Z")",
          16,
          {{0, {255, 200, 0}}}}},
        {12, {"fenced straight", false, shape::rect, wide_road, 16, {{0, {255, 80, 160}}}}},
        {13,
         {"junction",
          false,
          shape::polygon,
          R"(points="-6,-16 6,-16 6,-6 16,-6 16,6 6,6 6,16 -6,16")",
          16,
          {{0, {0, 180, 255}}}}},
        {14, {"bridge deck", false, shape::rect, wide_road, 16, {{0, {160, 70, 255}}}}},
        {15,
         {"bridge pillar",
          false,
          shape::rect,
          R"(x="-3" y="-3" width="6" height="6")",
          16,
          {{0, {80, 20, 140}}}}},
        {16,
         {"level crossing",
          false,
          shape::polygon,
          R"(points="-6,-16 6,-16 6,-6 16,-6 16,6 6,6 6,16 -6,16 -6,6 -16,6 -16,-6 -6,-6")",
          16,
          {{0, {0, 210, 140}}}}},
        {17,
         {"ramp",
          false,
          shape::rect,
          road,
          16,
          {{0, {170, 40, 0}}, {1, {255, 150, 110}}},
          rise::north}},
        {66, {"levelled cutting", true, shape::rect, whole_cell, 16, {{0, {178, 150, 108}}}}},
        {74,
         {"inner slope corner",
          true,
          shape::rect,
          whole_cell,
          16,
          {{0, grass_low}, {0.5, high_ground}, {1, high_ground}},
          rise::north_east}},
        {75,
         {"outer slope corner",
          true,
          shape::rect,
          whole_cell,
          16,
          {{0, grass_low}, {0.5, grass_low}, {1, high_ground}},
          rise::north_east}},
        {76,
         {"slope",
          true,
          shape::rect,
          whole_cell,
          16,
          {{0, grass_low}, {1, high_ground}},
          rise::north}},
        {80, {"plateau", true, shape::rect, whole_cell, 16, {{0, high_ground}}}},
        {81,
         {"shore",
          true,
          shape::rect,
          whole_cell,
          16,
          {{0, grass}, {0.44, grass}, {0.44, sand}, {0.62, sand}, {0.62, water}, {1, water}},
          rise::north}},
        {82, {"grass", true, shape::rect, whole_cell, 16, {{0, grass}}}},
        {89,
         {"straight on a slope",
          false,
          shape::rect,
          road,
          16,
          {{0, {180, 95, 0}}, {1, {255, 190, 90}}},
          rise::north}},
        {99,
         {"portal posts",
          false,
          shape::rect,
          R"(x="-9" y="-2" width="18" height="4")",
          16,
          {{0, {255, 0, 255}}},
          rise::none,
          R"(stroke="#5a005a" stroke-width="0.5")"}},
        {118,
         {"base plate",
          true,
          shape::rect,
          R"(x="-500" y="-500" width="1000" height="1000")",
          500,
          {{0, water}},
          rise::none,
          R"(stroke="#1e3c6e" stroke-width="3" stroke-dasharray="16 8")"}},
        {131,
         {"fenced straight on a slope",
          false,
          shape::rect,
          wide_road,
          16,
          {{0, {170, 40, 110}}, {1, {255, 150, 200}}},
          rise::north}},
        {132,
         {"viaduct on a slope",
          false,
          shape::rect,
          wide_road,
          16,
          {{0, {100, 40, 170}}, {1, {200, 160, 255}}},
          rise::north}},
        {133,
         {"portal roof",
          false,
          shape::rect,
          R"(x="-11" y="-3.5" width="22" height="7")",
          16,
          {},
          rise::none,
          R"(stroke="#780078" stroke-width="2")"}},
    };
    return table;
}

const model_style unknown_style{"not in our model set",
                                false,
                                shape::rect,
                                R"(x="-12" y="-12" width="24" height="24")",
                                16,
                                {{0, {160, 160, 160}}},
                                rise::none,
                                R"(stroke="#3c3c3c" stroke-width="1" stroke-dasharray="2 2")"};

const model_style& style_of(int model) {
    const auto& table = styles();
    const auto it = table.find(model);
    return it == table.end() ? unknown_style : it->second;
}

// The outline that marks the leading object line, whatever its model.
constexpr const char* leading_outline =
    R"(stroke="#1e3c6e" stroke-width="3" stroke-dasharray="16 8")";

constexpr int start_model = 8;
constexpr double start_ring_radius = 24;

// Appends every part to `out`.
template <typename... Parts> void put(std::string& out, const Parts&... parts) {
    (out.append(std::string_view(parts)), ...);
}

std::string gradient_id(int model, int level) {
    std::string id = "g";
    put(id, std::to_string(model), "-", std::to_string(level));
    return id;
}

std::string fill_of(int model, const model_style& s, int level) {
    if (s.fill.empty()) {
        return "none";
    }
    if (s.gradient != rise::none) {
        std::string url = "url(#";
        put(url, gradient_id(model, level), ")");
        return url;
    }
    return hex(lighter(s.fill.front().colour, level));
}

void put_gradient(std::string& out, int model, const model_style& s, int level) {
    const char* direction = s.gradient == rise::north ? R"(x1="0" y1="0" x2="0" y2="1")"
                                                      : R"(x1="0" y1="0" x2="1" y2="1")";
    put(out, "<linearGradient id=\"", gradient_id(model, level), "\" ", direction, ">");
    for (const stop& st : s.fill) {
        put(out, "<stop offset=\"", num(st.offset), "\" stop-color=\"",
            hex(lighter(st.colour, level)), "\"/>");
    }
    put(out, "</linearGradient>\n");
}

const char* tag_of(shape kind) {
    switch (kind) {
    case shape::rect:
        return "rect";
    case shape::polygon:
        return "polygon";
    case shape::path:
        break;
    }
    return "path";
}

// ---- The picture -----------------------------------------------------------

constexpr double margin = 24;
constexpr double title_height = 40;
constexpr double legend_width = 320;
constexpr double legend_row = 22;

struct extent {
    double x0, x1, y0, y1;
};

extent extent_of(const std::vector<scene_object>& objects) {
    if (objects.empty()) {
        const double h = cell_size / 2;
        return {-h, h, -h, h};
    }
    extent e{objects[0].x, objects[0].x, objects[0].y, objects[0].y};
    for (const scene_object& o : objects) {
        const double r = style_of(o.model).reach;
        e.x0 = std::min(e.x0, o.x - r);
        e.x1 = std::max(e.x1, o.x + r);
        e.y0 = std::min(e.y0, o.y - r);
        e.y1 = std::max(e.y1, o.y + r);
    }
    return e;
}

// Grid lines on the cell edges. The leading object line stands on a cell
// centre, so the edges lie half a cell from it in steps of a cell. A scene
// too wide for a readable grid gets none.
constexpr double max_grid_lines = 1000;

void put_grid(std::string& out, const std::vector<scene_object>& objects, const extent& e) {
    if ((e.x1 - e.x0) / cell_size > max_grid_lines || (e.y1 - e.y0) / cell_size > max_grid_lines) {
        return;
    }
    const double half = cell_size / 2;
    const double phase_x = objects.empty() ? half : objects[0].x + half;
    const double phase_y = objects.empty() ? half : objects[0].y + half;
    put(out, "<path class=\"grid\" d=\"");
    const double first_x = std::ceil((e.x0 - phase_x) / cell_size);
    for (int k = 0; phase_x + (first_x + k) * cell_size <= e.x1; ++k) {
        put(out, "M", num(phase_x + (first_x + k) * cell_size), " ", num(e.y0), "V", num(e.y1));
    }
    const double first_y = std::ceil((e.y0 - phase_y) / cell_size);
    for (int k = 0; phase_y + (first_y + k) * cell_size <= e.y1; ++k) {
        put(out, "M", num(e.x0), " ", num(phase_y + (first_y + k) * cell_size), "H", num(e.x1));
    }
    put(out, R"(" fill="none" stroke="#ffffff" stroke-opacity="0.5" stroke-width="0.6"/>)", "\n");
}

} // namespace

std::string draw_svg(const std::vector<scene_object>& objects, std::string_view title) {
    // Height levels from the lowest to the highest object.
    double z_low = 0, z_high = 0;
    if (!objects.empty()) {
        z_low = z_high = objects[0].z;
        for (const scene_object& o : objects) {
            z_low = std::min(z_low, o.z);
            z_high = std::max(z_high, o.z);
        }
    }
    auto level_of = [&](double z) {
        if (z_high - z_low < 0.5) {
            return 0;
        }
        return static_cast<int>(std::lround((z - z_low) / (z_high - z_low) * top_level));
    };

    // Models present, with their counts, and the gradients the shapes use.
    std::map<int, int> counts;
    std::set<std::pair<int, int>> gradients;
    for (const scene_object& o : objects) {
        ++counts[o.model];
        if (style_of(o.model).gradient != rise::none) {
            gradients.insert({o.model, level_of(o.z)});
            gradients.insert({o.model, 0}); // for the legend
        }
    }

    const extent e = extent_of(objects);
    const double legend_x = margin + (e.x1 - e.x0) + margin;
    const double legend_rows = static_cast<double>(counts.size()) + 6;
    const double width = legend_x + legend_width;
    const double height =
        title_height + std::max(e.y1 - e.y0 + margin, legend_rows * legend_row + margin);

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    put(svg, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", num(width), "\" height=\"",
        num(height), "\" viewBox=\"0 0 ", num(width), " ", num(height), "\">\n");
    put(svg, "<defs>\n");
    for (const auto& [model, level] : gradients) {
        put_gradient(svg, model, style_of(model), level);
    }
    put(svg, "</defs>\n", "<rect width=\"100%\" height=\"100%\" fill=\"#f6f6f2\"/>\n");
    put(svg, "<text x=\"", num(margin),
        R"(" y="26" font-family="sans-serif" font-size="18" font-weight="bold">)", escaped(title),
        ": ", std::to_string(objects.size()), objects.size() == 1 ? " object" : " objects",
        ", seen from above (x across, y up)</text>\n");

    // The scene, with y flipped so that it points up the picture.
    put(svg, "<g transform=\"matrix(1 0 0 -1 ", num(margin - e.x0), " ", num(title_height + e.y1),
        ")\">\n");
    auto put_object = [&](const scene_object& o, bool leading) {
        const model_style& s = style_of(o.model);
        const double degrees = o.angle * 180.0 / std::numbers::pi;
        put(svg, "<", tag_of(s.kind), " class=\"obj m", std::to_string(o.model),
            leading ? " lead" : "", "\" transform=\"translate(", num(o.x), " ", num(o.y),
            ") rotate(", num(degrees), ")\" ", s.geometry, " fill=\"",
            fill_of(o.model, s, level_of(o.z)), "\"");
        const char* outline = leading ? leading_outline : s.stroke;
        if (outline != nullptr) {
            put(svg, " ", outline);
        }
        put(svg, "/>\n");
    };
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (style_of(objects[i].model).ground) {
            put_object(objects[i], i == 0);
        }
    }
    put_grid(svg, objects, e);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (!style_of(objects[i].model).ground) {
            put_object(objects[i], i == 0);
        }
    }
    for (const scene_object& o : objects) {
        if (o.model == start_model) {
            put(svg, "<circle class=\"mark\" cx=\"", num(o.x), "\" cy=\"", num(o.y), "\" r=\"",
                num(start_ring_radius), R"(" fill="none" stroke="#e61e28" stroke-width="3"/>)",
                "\n");
        }
    }
    put(svg, "</g>\n");

    // The legend: every model present, then how to read the picture.
    put(svg, "<g font-family=\"sans-serif\" font-size=\"13\">\n");
    double y = title_height;
    auto put_legend_text = [&](const std::string& text) {
        put(svg, "<text x=\"", num(legend_x + 24), "\" y=\"", num(y + 13), "\">", escaped(text),
            "</text>\n");
        y += legend_row;
    };
    for (const auto& [model, count] : counts) {
        const model_style& s = style_of(model);
        put(svg, "<rect x=\"", num(legend_x), "\" y=\"", num(y),
            "\" width=\"16\" height=\"16\" fill=\"", fill_of(model, s, 0), "\"");
        if (s.stroke != nullptr) {
            put(svg, " ", s.stroke);
        }
        put(svg, "/>\n");
        std::string text = std::to_string(model);
        put(text, " ", s.name, ": ", std::to_string(count));
        put_legend_text(text);
    }
    y += legend_row / 2;
    put_legend_text("Dashed outline: the leading object line");
    put_legend_text("Red ring: the start element (model 8)");
    if (!objects.empty()) {
        std::string text = "Lighter: higher, z from ";
        put(text, num(z_low), " to ", num(z_high));
        put_legend_text(text);
    }
    std::string text = "Grid: cells of ";
    put(text, num(cell_size), " scene units");
    put_legend_text(text);
    put(svg, "</g>\n</svg>\n");
    return svg;
}

} // namespace preview
