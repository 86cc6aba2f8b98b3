#include "support/testsupport.h"

#include "driver/run.h"
#include "platform/failure.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

scratch_dir::scratch_dir() {
    std::string pattern = (fs::temp_directory_path() / "trk2scene-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a scratch directory";
    }
    path_ = pattern;
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    // Give back any permissions a test took away, then remove everything.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

void write_file(const std::string& path, const std::string& bytes) {
    const fs::path p(path);
    if (p.has_parent_path()) {
        fs::create_directories(p.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) {
    return fs::exists(path);
}

std::string binary_path() {
    return TRK2SCENE_BIN;
}
std::string source_dir() {
    return TRK2SCENE_SOURCE_DIR;
}

run_result run_program(std::vector<std::string> argv_store, const std::string& cwd,
                       bool with_errors, int uid) {
    run_result result;
    int pipefd[2];
    if (::pipe(pipefd) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipefd[1], 1);
        if (with_errors) {
            ::dup2(pipefd[1], 2);
        }
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        if (::chdir(cwd.c_str()) != 0) {
            ::_exit(127);
        }
        if (uid != -1 &&
            (::setgid(static_cast<gid_t>(uid)) != 0 || ::setuid(static_cast<uid_t>(uid)) != 0)) {
            ::_exit(126);
        }
        std::vector<char*> argv;
        for (auto& a : argv_store) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipefd[1]);
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pipefd[0], buf, sizeof buf)) > 0) {
        result.output.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipefd[0]);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return result;
}

run_result run_binary(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> argv{binary_path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(std::move(argv), cwd);
}

run_result run_shell(const std::string& command, const std::string& cwd, int uid) {
    return run_program({"/bin/bash", "-c", command}, cwd, false, uid);
}

run_result run_in_process(const std::vector<std::string>& args, const std::string& cwd) {
    const fs::path previous = fs::current_path();
    fs::current_path(cwd);
    std::vector<std::string> argv_store{"trk2scene"};
    argv_store.insert(argv_store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_store) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    run_result result;
    std::string* before = platform::capture_console(&result.output);
    result.status = run(static_cast<int>(argv_store.size()), argv.data());
    platform::capture_console(before);
    fs::current_path(previous);
    return result;
}

track_bytes::track_bytes(unsigned char element, unsigned char terrain)
    : bytes(1801, static_cast<char>(element)) {
    for (std::size_t i = 901; i < 1801; ++i) {
        bytes[i] = static_cast<char>(terrain);
    }
    bytes[900] = 0;
}

void track_bytes::set_element(int c, int r, unsigned char code) {
    bytes[static_cast<std::size_t>(30 * (30 - r) + (c - 1))] = static_cast<char>(code);
}

void track_bytes::set_terrain(int c, int r, unsigned char code) {
    bytes[static_cast<std::size_t>(901 + 30 * (r - 1) + (c - 1))] = static_cast<char>(code);
}

} // namespace testsupport
