#include "preview/scene_objects.h"

#include "platform/failure.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>

namespace preview {

namespace {

constexpr std::string_view count_word = "objects ";
constexpr std::size_t max_quoted = 80; // longest piece of a bad line quoted in a message
// Largest size of a number on an object line; larger ones are no coordinates
// or angles of a track and are refused with the line.
constexpr double max_magnitude = 1e9;

struct line_span {
    std::string_view text; // without its line end
    int number = 0;        // from 1
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The lines of `text`, which ends in a line end: each one without its LF and
// without a CR just before that LF.
std::vector<line_span> split_lines(std::string_view text) {
    std::vector<line_span> lines;
    std::size_t start = 0;
    int number = 1;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r') {
            --end;
        }
        lines.push_back({text.substr(start, end - start), number});
        start = lf + 1;
        ++number;
    }
    return lines;
}

// The digits of the count when `line` ends in "objects <digits>", else empty.
std::string_view count_digits(std::string_view line) {
    std::size_t first_digit = line.size();
    while (first_digit > 0 && is_digit(line[first_digit - 1])) {
        --first_digit;
    }
    if (first_digit == line.size() || first_digit < count_word.size() ||
        line.substr(first_digit - count_word.size(), count_word.size()) != count_word) {
        return {};
    }
    return line.substr(first_digit);
}

// The count as a number of lines; false when it is too large to be one.
bool count_value(std::string_view digits, std::size_t& value) {
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return r.ec == std::errc() && r.ptr == digits.data() + digits.size();
}

std::vector<std::string_view> fields_of(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

bool whole_int(std::string_view field, int& out) {
    const auto r = std::from_chars(field.data(), field.data() + field.size(), out);
    return r.ec == std::errc() && r.ptr == field.data() + field.size();
}

bool whole_number(std::string_view field, double& out) {
    const auto r = std::from_chars(field.data(), field.data() + field.size(), out,
                                   std::chars_format::fixed | std::chars_format::scientific);
    return r.ec == std::errc() && r.ptr == field.data() + field.size() &&
           std::fabs(out) <= max_magnitude;
}

// Nine fields "model z x y 0 0 angle kind 0": the model and the kind whole
// numbers, the others decimal numbers.
bool parse_object_line(std::string_view line, scene_object& out) {
    const std::vector<std::string_view> f = fields_of(line);
    if (f.size() != 9) {
        return false;
    }
    double ignored = 0;
    return whole_int(f[0], out.model) && whole_number(f[1], out.z) && whole_number(f[2], out.x) &&
           whole_number(f[3], out.y) && whole_number(f[4], ignored) &&
           whole_number(f[5], ignored) && whole_number(f[6], out.angle) &&
           whole_int(f[7], out.kind) && whole_number(f[8], ignored);
}

// The line as it is quoted in a message: control characters shown as '?' and
// a long line cut short.
std::string quoted(std::string_view line) {
    std::string out(line.substr(0, max_quoted));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) {
            c = '?';
        }
    }
    if (line.size() > max_quoted) {
        out += "...";
    }
    return out;
}

} // namespace

std::vector<scene_object> read_object_lines(std::string_view text, const std::string& name) {
    if (!text.empty() && text.back() != '\n') {
        platform::fail(platform::format("File '%s': line end expected at the end of the file\r\n",
                                        name.c_str()));
    }
    const std::vector<line_span> lines = split_lines(text);

    // Object lines hold numbers only, so the last line that ends in
    // "objects <digits>" is the count line, also when the model library's
    // last line runs into it.
    std::size_t count_line = lines.size();
    std::string_view digits;
    for (std::size_t i = lines.size(); i-- > 0;) {
        digits = count_digits(lines[i].text);
        if (!digits.empty()) {
            count_line = i;
            break;
        }
    }
    if (count_line == lines.size()) {
        platform::fail(platform::format(
            "File '%s': count line 'objects N' expected, followed by N object lines\r\n",
            name.c_str()));
    }

    const std::size_t found = lines.size() - count_line - 1;
    std::size_t expected = 0;
    if (!count_value(digits, expected) || expected != found) {
        const std::string written(digits);
        platform::fail(platform::format("File '%s', line %d: 'objects %s' must be followed by as "
                                        "many object lines, found %zu\r\n",
                                        name.c_str(), lines[count_line].number, written.c_str(),
                                        found));
    }

    std::vector<scene_object> objects;
    objects.reserve(found);
    for (std::size_t i = count_line + 1; i < lines.size(); ++i) {
        scene_object o;
        o.line = lines[i].number;
        if (!parse_object_line(lines[i].text, o)) {
            platform::fail(platform::format(
                "File '%s', line %d: object line 'model z x y 0 0 angle kind 0' expected, "
                "found '%s'\r\n",
                name.c_str(), lines[i].number, quoted(lines[i].text).c_str()));
        }
        objects.push_back(o);
    }
    return objects;
}

} // namespace preview
