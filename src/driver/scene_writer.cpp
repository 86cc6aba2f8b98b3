#include "driver/scene_writer.h"

#include "platform/failure.h"
#include "platform/textio.h"

#include <charconv>
#include <memory>

namespace {

constexpr const char* lighting_header = "ambient 0.5\n"
                                        "headlight 0.3\n"
                                        "directional 0.5\n"
                                        "lightdir -1.0 0.4 0.6\n"
                                        "background 140 180 210\n"
                                        "clfactors 1.0 1.0 1.0\n";

constexpr std::int32_t leading_model = 118;
constexpr std::int32_t companion_model = 133;
constexpr std::int32_t model_with_companion = 99;
constexpr float leading_distance = 480.0f;
constexpr double leading_height = -0.05;
constexpr double companion_height = 11.25;

double sum(float a, float b) { return static_cast<double>(a) + static_cast<double>(b); }

void append_int(std::string& out, std::int32_t v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// "<model> <z> <x> <y> 0 0 <angle> <kind> 0\n"
void append_line(std::string& out, std::int32_t model, double z, double x, double y,
                 double angle, char kind) {
    append_int(out, model);
    out += ' ';
    append_fixed(out, z, 3);
    out += ' ';
    append_fixed(out, x, 3);
    out += ' ';
    append_fixed(out, y, 3);
    out += " 0 0 ";
    append_fixed(out, angle, 3);
    out += ' ';
    out += kind;
    out += " 0\n";
}

void copy_library(const char* library, platform::text_writer& out) {
    platform::text_reader in;
    if (!in.open(library)) {
        platform::fail("Could not open 'mdls4zu'\r\n");
    }
    const std::size_t chunk = 1 << 16;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    for (;;) {
        const std::size_t n = in.read(buffer.get(), chunk);
        if (n == 0) {
            break;
        }
        out.write(std::string_view(buffer.get(), n));
    }
    if (in.failed()) {
        platform::fail("Could not read 'mdls4zu'\r\n");
    }
}

} // namespace

void append_fixed(std::string& out, double v, int decimals) {
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, r.ptr);
}

std::string object_lines(const scene& s) {
    const scene_list& list = s.list;
    const scene_offsets& off = s.offsets;
    int with_companion = 0;
    for (int k = 0; k < list.kept; ++k) {
        with_companion += list.model[static_cast<std::size_t>(k)] == model_with_companion;
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(list.kept + with_companion + 1) * 48 + 24);
    out += "objects ";
    append_int(out, list.kept + with_companion + 1);
    out += '\n';

    append_line(out, leading_model, static_cast<double>(off.z) + leading_height,
                static_cast<double>(s.orient.xmul) * static_cast<double>(leading_distance) +
                    static_cast<double>(off.x),
                static_cast<double>(s.orient.ymul) * static_cast<double>(leading_distance) +
                    static_cast<double>(off.y),
                0.0, '1');
    for (std::size_t k = 0; k < static_cast<std::size_t>(list.kept); ++k) {
        const double x = sum(list.x[k], off.x);
        const double y = sum(list.y[k], off.y);
        const double a = static_cast<double>(list.angle[k]);
        append_line(out, list.model[k], sum(list.z[k], off.z), x, y, a, '1');
        if (list.model[k] == model_with_companion) {
            append_line(out, companion_model, sum(list.z[k], off.z) + companion_height, x, y, a,
                        '3');
        }
    }
    return out;
}

void write_scene(const char* path, const scene& s, const char* library) {
    platform::text_writer out;
    if (!out.open(path)) {
        platform::fail(platform::format("Could not open '%s'\r\n", path));
    }
    out.write(lighting_header);
    copy_library(library, out);
    out.write(object_lines(s));
    if (!out.close()) {
        platform::fail(platform::format("Could not write '%s'\r\n", path));
    }
}
