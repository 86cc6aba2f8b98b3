#include "support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace fuzzsupport {

namespace {

std::string scratch;
const char* target_name = "fuzz";

void remove_scratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

// Takes the text up to the next CR LF off the front of `text`.
std::string_view next_line(std::string_view& text, std::string_view whole) {
    const std::size_t at = text.find("\r\n");
    check(at != std::string_view::npos, "text does not end with CR LF", whole);
    const std::string_view line = text.substr(0, at);
    text.remove_prefix(at + 2);
    return line;
}

// The blank-separated fields of an object line; more than nine are counted
// but not kept.
struct fields {
    std::array<std::string_view, 9> f;
    std::size_t n = 0;

    explicit fields(std::string_view line) {
        for (;;) {
            const std::size_t at = line.find(' ');
            if (n < f.size()) {
                f[n] = line.substr(0, at);
            }
            ++n;
            if (at == std::string_view::npos) {
                return;
            }
            line.remove_prefix(at + 1);
        }
    }
    std::string_view operator[](std::size_t i) const { return f[i]; }
};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// An optional '-', digits, and with `decimals` a point and three digits.
bool is_number(std::string_view s, bool decimals) {
    std::size_t i = s.substr(0, 1) == "-" ? 1 : 0;
    const std::size_t first = i;
    while (i < s.size() && is_digit(s[i])) {
        ++i;
    }
    if (i == first) {
        return false;
    }
    if (!decimals) {
        return i == s.size();
    }
    return i + 4 == s.size() && s[i] == '.' && is_digit(s[i + 1]) && is_digit(s[i + 2]) &&
           is_digit(s[i + 3]);
}

long number(std::string_view s) {
    return std::strtol(std::string(s).c_str(), nullptr, 10);
}

} // namespace

void broken(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: invariant broken: %s\n", target_name, what);
    if (!detail.empty()) {
        std::fprintf(stderr, "--- detail (%zu bytes) ---\n%.*s\n---\n", detail.size(),
                     static_cast<int>(detail.size()), detail.data());
    }
    std::abort();
}

std::string make_scratch_dir(const char* target) {
    target_name = target;
    std::string path = fs::temp_directory_path().string() + "/" + target + ".XXXXXX";
    check(mkdtemp(path.data()) != nullptr, "cannot create the scratch directory", path);
    scratch = path;
    std::atexit(remove_scratch);
    return path;
}

void write_bytes(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr, "cannot create a scratch file", path);
    check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(),
          "cannot write a scratch file", path);
    check(std::fclose(f) == 0, "cannot close a scratch file", path);
}

bool read_bytes(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    out.clear();
    char buf[1 << 14];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
    }
    std::fclose(f);
    return true;
}

std::string place_at_block_end(std::string_view part, char filler) {
    if (part.size() < 2 || part[0] != '\x01') {
        return std::string(part);
    }
    constexpr std::size_t block = 1 << 16;
    const std::size_t lead = block - 16 + static_cast<unsigned char>(part[1]) % 32u;
    std::string out(lead, filler);
    out.append(part.substr(2));
    return out;
}

std::string text_mode(std::string_view in) {
    std::string out;
    std::size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i++]);
        if (c == 13) {
            if (i == in.size()) {
                break;
            }
            c = static_cast<unsigned char>(in[i++]);
        }
        if (c == 26) {
            break;
        }
        out += static_cast<char>(c);
    }
    return out;
}

std::string crlf(std::string_view in) {
    std::string out;
    out.reserve(in.size() + in.size() / 16);
    for (char c : in) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

void check_console(std::string_view out) {
    std::string_view rest = out;
    while (!rest.empty()) {
        const std::string_view line = next_line(rest, out);
        check(line.find_first_of("\r\n") == std::string_view::npos,
              "stray line end in the console output", out);
    }
}

void check_success_console(std::string_view out) {
    static constexpr std::string_view positive[] = {"Rotated 0.00 degrees", "Rotated 90.00 degrees",
                                                    "Rotated 180.00 degrees",
                                                    "Rotated 270.00 degrees"};
    static constexpr std::string_view negative[] = {
        "Rotated -90.00 degrees", "Rotated -180.00 degrees", "Rotated -270.00 degrees"};
    bool after_error = false;
    std::string_view rest = out;
    while (!rest.empty()) {
        const std::string_view line = next_line(rest, out);
        if (line == "Some error") {
            check(!after_error, "two error lines in a row", out);
            after_error = true;
            continue;
        }
        bool known = false;
        if (after_error) {
            for (std::string_view p : negative) {
                known = known || line == p;
            }
        } else {
            for (std::string_view p : positive) {
                known = known || line == p;
            }
        }
        check(known, "unexpected console line after a complete run", out);
        after_error = false;
    }
    check(!after_error, "an error line without its rotation line", out);
}

void check_scene(std::string_view scene, std::string_view library) {
    const std::string head = crlf("ambient 0.5\nheadlight 0.3\ndirectional 0.5\n"
                                  "lightdir -1.0 0.4 0.6\nbackground 140 180 210\n"
                                  "clfactors 1.0 1.0 1.0\n") +
                             crlf(text_mode(library));
    check(scene.substr(0, head.size()) == head,
          "scene does not start with the header and the model library", scene);
    std::string_view rest = scene.substr(head.size());
    const std::string_view objects = rest;
    check(rest.size() >= 2 && rest.substr(rest.size() - 2) == "\r\n",
          "scene does not end with CR LF", objects);
    const std::string_view count_line = next_line(rest, objects);
    check(count_line.substr(0, 8) == "objects " && is_number(count_line.substr(8), false),
          "no count line", objects);
    const long count = number(count_line.substr(8));
    long lines = 0;
    fields before("");
    while (!rest.empty()) {
        const std::string_view line = next_line(rest, objects);
        const fields f(line);
        ++lines;
        check(f.n == 9, "object line without nine fields", line);
        check(is_number(f[0], false), "model is no integer", line);
        for (std::size_t k : {1, 2, 3, 6}) {
            check(is_number(f[k], true), "coordinate or angle not printed with three decimals",
                  line);
        }
        check(f[4] == "0" && f[5] == "0" && f[8] == "0", "fixed fields wrong", line);
        const long model = number(f[0]);
        const bool owes_companion = lines > 1 && before[0] == "99" && before[7] == "1";
        if (lines == 1) {
            check(model == 118 && f[6] == "0.000" && f[7] == "1", "bad leading object line", line);
        } else if (f[7] == "3") {
            check(model == 133, "companion line with a model other than 133", line);
            check(owes_companion, "companion line not behind a model 99", objects);
            check(before[2] == f[2] && before[3] == f[3] && before[6] == f[6],
                  "companion line not at its model 99's place", objects);
        } else {
            check(!owes_companion, "model 99 without its companion line", objects);
            check(f[7] == "1", "object line of an unknown kind", line);
            // Records below 1 are dropped, 118..120 become 66, 121..134 lose 2.
            check(model >= 1 && model != 118 && model != 133 && model != 134,
                  "object line with a model the renumbering cannot give", line);
        }
        before = f;
    }
    check(!(lines > 1 && before[0] == "99" && before[7] == "1"),
          "model 99 without its companion line", objects);
    check(count == lines, "count line does not match the object lines", objects);
}

} // namespace fuzzsupport
