// libFuzzer target: one whole conversion, in-process.
//
// The input is split into the three files a run reads:
//
//   2 bytes   track length L, little-endian (clamped to what is left)
//   L bytes   the track file
//   ...       the element list src/zuxlist, up to the first "\n@@\n"
//   ...       the model library src/mdls4zu, everything after that marker
//
// A list or library that starts with byte 1 is moved up against the end of
// the readers' 64 KiB block (see fuzzsupport::place_at_block_end).
//
// They are written into a scratch directory (created once per process), and
// run() converts track.trk into out.scene there with the console captured. A
// message with status 1 is an ordinary outcome; a crash, a leak, a sanitizer
// report or a broken invariant below is a finding.
//
// The same input also checks the scene's number printer on its own: the last
// eight bytes, read as a double and as two floats combined the way the scene
// writer combines them, must print exactly as printf's "%1.<d>f" prints them.
#include "driver/run.h"
#include "driver/scene_writer.h"
#include "platform/failure.h"
#include "support.h"
#include "tokreader/tokreader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using fuzzsupport::check;

namespace {

constexpr std::string_view library_marker = "\n@@\n";

std::string scratch; // absolute path of the scratch directory

void check_fixed(double v) {
    if (!std::isfinite(v)) {
        return;
    }
    for (int decimals = 0; decimals <= 3; ++decimals) {
        std::string ours;
        append_fixed(ours, v, decimals);
        char theirs[512];
        std::snprintf(theirs, sizeof theirs, "%1.*f", decimals, v);
        check(ours == theirs, "number printed unlike printf", ours + " vs " + theirs);
    }
}

void check_number_printer(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return;
    }
    const std::uint8_t* tail = data + size - 8;
    double d;
    float a;
    float b;
    std::memcpy(&d, tail, 8);
    std::memcpy(&a, tail, 4);
    std::memcpy(&b, tail + 4, 4);
    check_fixed(d);
    check_fixed(static_cast<double>(a) + static_cast<double>(b));
    check_fixed(static_cast<double>(a) * static_cast<double>(480.0f) + static_cast<double>(b));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fuzzsupport::make_scratch_dir("fuzz_convert");
    check(mkdir((scratch + "/src").c_str(), 0755) == 0, "cannot create the scratch src/");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_number_printer(data, size);

    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::size_t track_size = 0;
    if (in.size() >= 2) {
        track_size = static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8;
        in.remove_prefix(2);
    } else {
        in = {};
    }
    track_size = std::min(track_size, in.size());
    const std::string_view track = in.substr(0, track_size);
    in.remove_prefix(track_size);
    const std::size_t marker = in.find(library_marker);
    const std::string list = fuzzsupport::place_at_block_end(in.substr(0, marker), ' ');
    const std::string library = fuzzsupport::place_at_block_end(
        marker == std::string_view::npos ? std::string_view()
                                         : in.substr(marker + library_marker.size()),
        'x');

    fuzzsupport::write_bytes(scratch + "/track.trk", track);
    fuzzsupport::write_bytes(scratch + "/src/zuxlist", list);
    fuzzsupport::write_bytes(scratch + "/src/mdls4zu", library);
    const std::string scene_path = scratch + "/out.scene";
    std::remove(scene_path.c_str());

    // run() finds the data files relative to the working directory; go back
    // afterwards, since libFuzzer writes its corpus relative to it.
    const int back = open(".", O_RDONLY | O_DIRECTORY);
    check(back >= 0 && chdir(scratch.c_str()) == 0, "cannot enter the scratch directory");
    char arg0[] = "trk2scene";
    char arg1[] = "track.trk";
    char arg2[] = "out.scene";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    std::string console;
    std::string* before = platform::capture_console(&console);
    const int status = run(3, argv);
    platform::capture_console(before);
    check(fchdir(back) == 0, "cannot leave the scratch directory");
    close(back);

    check(status == 0 || status == 1, "status other than 0 or 1", console);
    check(tkdepth() == 0, "token files left on the stack after a run", console);
    fuzzsupport::check_console(console);
    std::string scene;
    const bool have_scene = fuzzsupport::read_bytes(scene_path, scene);
    if (status == 0) {
        fuzzsupport::check_success_console(console);
        check(have_scene, "no scene file after a complete run");
        fuzzsupport::check_scene(scene, library);
    } else {
        // Only the track and the element list can fail here, and both fail
        // before the scene file is opened. "word too long" is printed by the
        // token reader itself, so the console is never empty either.
        check(!console.empty(), "status 1 without a message");
        check(!have_scene, "a scene file after a failed run", console);
    }
    return 0;
}
