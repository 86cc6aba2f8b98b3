// Helpers shared by the tests: scratch directories, files as bytes, and runs
// of the converter in-process or as the real binary.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A fresh, empty directory that is removed with everything in it at the end.
class scratch_dir {
  public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::string& path() const { return path_; }
    // `path()` + "/" + `name`.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Writes `bytes` to `path` exactly, creating parent directories.
void write_file(const std::string& path, const std::string& bytes);
// The whole file as bytes; fails the test when it cannot be read.
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

struct run_result {
    int status = -1;    // exit status (or -1 when the process did not exit)
    std::string output; // every byte written to standard output
};

// Runs `argv` (argv[0] found on PATH unless it holds a slash) in directory
// `cwd`, collecting its standard output, and its standard error too when
// `with_errors`; as the user `uid` when it is not -1 (needs root).
run_result run_program(std::vector<std::string> argv, const std::string& cwd,
                       bool with_errors = false, int uid = -1);

// Runs the real trk2scene binary with `args` (argv[1]...) in directory `cwd`.
run_result run_binary(const std::vector<std::string>& args, const std::string& cwd);

// Runs `command` with bash -c in directory `cwd`, as the user `uid` when
// it is not -1 (the test must then run as root).
run_result run_shell(const std::string& command, const std::string& cwd, int uid = -1);

// Runs the converter in-process with argv = {"trk2scene", args...} in
// directory `cwd`, capturing its console output.
run_result run_in_process(const std::vector<std::string>& args, const std::string& cwd);

// Path of the real binary and of the source tree.
std::string binary_path();
std::string source_dir();

// A track file image: 1801 bytes, every element code `element` and every
// terrain code `terrain`, with helpers to set single cells (c, r in 1..30).
struct track_bytes {
    std::string bytes;
    explicit track_bytes(unsigned char element = 0, unsigned char terrain = 0);
    void set_element(int c, int r, unsigned char code);
    void set_terrain(int c, int r, unsigned char code);
};

} // namespace testsupport
