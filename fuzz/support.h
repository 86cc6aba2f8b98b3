// Helpers of the fuzz targets: scratch files and the checks of a run's
// output. Built without coverage instrumentation, so that the fuzzer is
// guided by the converter's code only and the checks cost little.
#pragma once

#include <string>
#include <string_view>

namespace fuzzsupport {

// Prints "<target>: invariant broken: <what>" and the detail, then aborts.
[[noreturn]] void broken(const char* what, std::string_view detail = {});

inline void check(bool ok, const char* what, std::string_view detail = {}) {
    if (!ok) {
        broken(what, detail);
    }
}

// Creates a fresh directory under TMPDIR (or /tmp) named after `target`,
// removed again when the process exits; returns its absolute path.
std::string make_scratch_dir(const char* target);

// Writes `bytes` to `path` exactly; aborts when that fails.
void write_bytes(const std::string& path, std::string_view bytes);

// Reads the whole file at `path` into `out`; false when it does not exist.
bool read_bytes(const std::string& path, std::string& out);

// The file readers and the scene writer work in 64 KiB blocks. A part of an
// input that starts with byte 1 is moved up against the end of the first
// block: the part's text (from its third byte on) is put behind a run of
// `filler` bytes that ends between 16 bytes before and 15 bytes after the
// block boundary, as the part's second byte (mod 32) says. Any other part is
// taken as it stands.
std::string place_at_block_end(std::string_view part, char filler);

// What reading `in` as a text file delivers: a carriage return is dropped
// and the byte after it taken whatever it is; a byte 26 ends the text, also
// right after a carriage return; a carriage return as the last byte is
// dropped.
std::string text_mode(std::string_view in);

// What writing `in` to a text file produces: every line feed becomes CR LF.
std::string crlf(std::string_view in);

// Every console output is a sequence of lines ending in CR LF, with no other
// carriage return or line feed in them.
void check_console(std::string_view out);

// After a complete run the console holds only rotation lines, each negative
// one right behind "Some error".
void check_success_console(std::string_view out);

// A complete scene file: the lighting header and the model library `library`
// under the text-mode rules, then "objects N" and exactly N well-formed
// object lines (the leading line of model 118, renumbered models only, a
// companion line of model 133 behind every model 99).
void check_scene(std::string_view scene, std::string_view library);

} // namespace fuzzsupport
