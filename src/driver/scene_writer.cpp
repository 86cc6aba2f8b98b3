#include "driver/scene_writer.h"

#include "platform/failure.h"
#include "platform/textio.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
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

double sum(float a, float b) {
    return static_cast<double>(a) + static_cast<double>(b);
}

// Room for any object line: a model number and four fields made of floats
// (sums of two, or a float times 480 plus one), all below 10^42, each with
// sign, point and decimals, and the literal parts.
constexpr std::size_t line_room = 320;

char* put_int(char* out, std::int32_t v) {
    return std::to_chars(out, out + 16, v).ptr;
}

// `v` with exactly `decimals` digits after the point, as printf's
// "%1.<decimals>f" prints it: the exact value of the double, rounded to the
// nearest multiple of 10^-decimals, a tie to the even one; a minus sign
// whenever the sign bit is set ("-0.000").
//
// For 0..3 decimals and |v| < 2^52 (every coordinate and angle of a scene)
// the rounding is done exactly in integers: v = m / 2^s with a 53-bit m, so
// v * 10^decimals = m * 10^decimals / 2^s, where the product stays below
// 2^63 and the remainder of the shift decides the rounding. Everything else
// (larger numbers, more decimals, infinities, NaN) goes to std::to_chars.
char* put_fixed(char* out, char* last, double v, int decimals) {
    constexpr std::uint64_t pow10[] = {1, 10, 100, 1000};
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (decimals < 0 || decimals > 3 || biased >= 1023 + 52) {
        return std::to_chars(out, last, v, std::chars_format::fixed, decimals).ptr;
    }
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    int shift = 1074; // subnormal: v = m / 2^1074
    if (biased != 0) {
        m |= std::uint64_t{1} << 52;
        shift = 1075 - biased; // 1 or more, as |v| < 2^52
    }
    const std::uint64_t scale = pow10[decimals];
    const std::uint64_t units = m * scale; // below 2^53 * 2^10
    std::uint64_t q = 0;                   // shift >= 64: below one half, rounds to 0
    if (shift < 64) {
        q = units >> shift;
        const std::uint64_t rest = units & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) {
            ++q;
        }
    }
    if ((bits >> 63) != 0) {
        *out++ = '-';
    }
    out = std::to_chars(out, out + 24, q / scale).ptr;
    if (decimals > 0) {
        *out++ = '.';
        std::uint64_t fraction = q % scale;
        for (int i = decimals - 1; i >= 0; --i) {
            out[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        out += decimals;
    }
    return out;
}

// "<model> <z> <x> <y> 0 0 <angle> <kind> 0\n", formatted into `line`.
std::string_view format_line(char (&line)[line_room], std::int32_t model, double z, double x,
                             double y, double angle, char kind) {
    char* p = put_int(line, model);
    *p++ = ' ';
    p = put_fixed(p, line + line_room, z, 3);
    *p++ = ' ';
    p = put_fixed(p, line + line_room, x, 3);
    *p++ = ' ';
    p = put_fixed(p, line + line_room, y, 3);
    std::memcpy(p, " 0 0 ", 5);
    p += 5;
    p = put_fixed(p, line + line_room, angle, 3);
    *p++ = ' ';
    *p++ = kind;
    std::memcpy(p, " 0\n", 3);
    p += 3;
    return {line, static_cast<std::size_t>(p - line)};
}

void copy_library(const char* library, platform::text_writer& out) {
    platform::text_reader in;
    if (!in.open(library)) {
        platform::fail("Could not open 'mdls4zu'\r\n");
    }
    const std::size_t chunk = 1 << 14;
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
    out.append(buf, put_fixed(buf, buf + sizeof buf, v, decimals));
}

namespace {

// Formats the count line and the object lines of `s` one line at a time and
// hands each line to `emit`.
template <class Emit> void format_object_lines(const scene& s, Emit&& emit) {
    const scene_list& list = s.list;
    const scene_offsets& off = s.offsets;
    int with_companion = 0;
    for (int k = 0; k < list.kept; ++k) {
        with_companion += list.model[static_cast<std::size_t>(k)] == model_with_companion;
    }
    char line[line_room] = "objects ";
    char* end = put_int(line + 8, list.kept + with_companion + 1);
    *end++ = '\n';
    emit(std::string_view(line, static_cast<std::size_t>(end - line)));

    emit(format_line(line, leading_model, static_cast<double>(off.z) + leading_height,
                     static_cast<double>(s.orient.xmul) * static_cast<double>(leading_distance) +
                         static_cast<double>(off.x),
                     static_cast<double>(s.orient.ymul) * static_cast<double>(leading_distance) +
                         static_cast<double>(off.y),
                     0.0, '1'));
    for (std::size_t k = 0; k < static_cast<std::size_t>(list.kept); ++k) {
        const double x = sum(list.x[k], off.x);
        const double y = sum(list.y[k], off.y);
        const double a = static_cast<double>(list.angle[k]);
        emit(format_line(line, list.model[k], sum(list.z[k], off.z), x, y, a, '1'));
        if (list.model[k] == model_with_companion) {
            emit(format_line(line, companion_model, sum(list.z[k], off.z) + companion_height, x, y,
                             a, '3'));
        }
    }
}

} // namespace

std::string object_lines(const scene& s) {
    std::string text;
    text.reserve(static_cast<std::size_t>(s.list.kept + 2) * 48); // lines run to about 45 bytes
    format_object_lines(s, [&text](std::string_view line) { text += line; });
    return text;
}

void write_scene(const char* path, const scene& s, const char* library) {
    platform::text_writer out;
    if (!out.open(path)) {
        platform::fail(platform::format("Could not open '%s'\r\n", path));
    }
    out.write(lighting_header);
    copy_library(library, out);
    // Straight into the writer's buffer, line by line: no copy of all lines.
    format_object_lines(s, [&out](std::string_view line) { out.write(line); });
    if (!out.close()) {
        platform::fail(platform::format("Could not write '%s'\r\n", path));
    }
}
