// In-process timings of the conversion and of its parts.
//
//   convert/full_grid    readtrk + gather + orient + object lines of the
//                        full-grid sample (2700 records)
//   gather_orient        the gather and orient passes alone
//   object_lines         the count line and object lines alone
//   write_scene          the whole scene file (header, our model library,
//                        object lines) written to a scratch file
//   library_copy/<MiB>   write_scene with a generated model library of 1 and
//                        16 MiB and an empty scene: bytes per second of the
//                        library copy
//   plain_copy/<MiB>     the same library copied unchanged with fread and
//                        fwrite: the floor for library_copy
//
// Each benchmark runs in a scratch directory of its own that holds the
// working-directory layout the converter expects (src/zuxlist, src/mdls4zu).
#include "driver/gather.h"
#include "driver/orient.h"
#include "driver/scene.h"
#include "driver/scene_writer.h"
#include "platform/failure.h"
#include "track/readtrk.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path source_dir = TRK2SCENE_SOURCE_DIR;
const fs::path full_grid_track = source_dir / "samples" / "full-grid.trk";

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

// A scratch working directory with src/zuxlist and src/mdls4zu copied from
// the repository; the process works in it while the object lives and goes
// back to where it was afterwards.
class work_dir {
  public:
    work_dir() {
        std::string templ = (fs::temp_directory_path() / "t2s-bench-XXXXXX").string();
        if (mkdtemp(templ.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = templ;
        fs::create_directory(path_ / "src");
        fs::copy_file(source_dir / "src" / "zuxlist", path_ / "src" / "zuxlist");
        fs::copy_file(source_dir / "src" / "mdls4zu", path_ / "src" / "mdls4zu");
        previous_ = fs::current_path();
        fs::current_path(path_);
    }
    ~work_dir() {
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(path_, ec);
    }
    work_dir(const work_dir&) = delete;
    work_dir& operator=(const work_dir&) = delete;

    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
    fs::path previous_;
};

// Rotation lines of start elements go to a buffer, not to the terminal.
class quiet_console {
  public:
    quiet_console() { previous_ = platform::capture_console(&buffer_); }
    ~quiet_console() { platform::capture_console(previous_); }
    quiet_console(const quiet_console&) = delete;
    quiet_console& operator=(const quiet_console&) = delete;
    void clear() { buffer_.clear(); }

  private:
    std::string buffer_;
    std::string* previous_ = nullptr;
};

// Runs `body`, turning a conversion failure into a benchmark error.
template <class F> bool guarded(benchmark::State& state, F&& body) {
    try {
        body();
        return true;
    } catch (const platform::failure& f) {
        state.SkipWithError(f.message.c_str());
        return false;
    }
}

// Removes the scene file of the previous iteration, untimed, so that every
// write creates a new file as a conversion normally does (emptying a file that
// holds data makes the file system write it back at once when it is closed).
void fresh_output(benchmark::State& state, const std::string& path) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
}

int read_full_grid(std::vector<placed_object>& objects) {
    objects.assign(static_cast<std::size_t>(max_objects), placed_object{});
    int count = 0;
    readtrk(full_grid_track.c_str(), objects.data(), &count);
    return count;
}

scene arranged(const std::vector<placed_object>& objects, int count) {
    scene s;
    s.list.reserve(max_objects);
    gather(objects.data(), count, s);
    orient_pass(s);
    return s;
}

void bm_convert_full_grid(benchmark::State& state) {
    work_dir dir;
    quiet_console console;
    std::vector<placed_object> objects(static_cast<std::size_t>(max_objects));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const bool ok = guarded(state, [&] {
            int count = 0;
            readtrk(full_grid_track.c_str(), objects.data(), &count);
            scene s;
            s.list.reserve(max_objects);
            gather(objects.data(), count, s);
            orient_pass(s);
            const std::string lines = object_lines(s);
            bytes = lines.size();
            benchmark::DoNotOptimize(lines.data());
        });
        if (!ok) {
            break;
        }
        console.clear();
    }
    state.counters["records"] = 2700;
    state.counters["line_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(bm_convert_full_grid)->Name("convert/full_grid")->Unit(benchmark::kMicrosecond);

void bm_gather_orient(benchmark::State& state) {
    work_dir dir;
    quiet_console console;
    std::vector<placed_object> objects;
    int count = 0;
    if (!guarded(state, [&] { count = read_full_grid(objects); })) {
        return;
    }
    for (auto _ : state) {
        scene s;
        s.list.reserve(max_objects);
        gather(objects.data(), count, s);
        orient_pass(s);
        benchmark::DoNotOptimize(s.list.kept);
        console.clear();
    }
    state.counters["records"] = count;
}
BENCHMARK(bm_gather_orient)->Name("gather_orient/full_grid")->Unit(benchmark::kMicrosecond);

// The full-grid sample read and arranged, ready to be written; nothing when
// reading it failed (the state has then been told why).
std::optional<scene> arranged_full_grid(benchmark::State& state) {
    std::vector<placed_object> objects;
    int count = 0;
    if (!guarded(state, [&] { count = read_full_grid(objects); })) {
        return std::nullopt;
    }
    return arranged(objects, count);
}

void bm_object_lines(benchmark::State& state) {
    work_dir dir;
    quiet_console console;
    std::optional<scene> arranged_grid = arranged_full_grid(state);
    if (!arranged_grid) {
        return;
    }
    const scene& s = *arranged_grid;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string lines = object_lines(s);
        bytes = lines.size();
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}
BENCHMARK(bm_object_lines)->Name("object_lines/full_grid")->Unit(benchmark::kMicrosecond);

void bm_write_scene(benchmark::State& state) {
    work_dir dir;
    quiet_console console;
    std::optional<scene> arranged_grid = arranged_full_grid(state);
    if (!arranged_grid) {
        return;
    }
    const scene& s = *arranged_grid;
    const std::string out = (dir.path() / "out.scene").string();
    for (auto _ : state) {
        fresh_output(state, out);
        if (!guarded(state, [&] { write_scene(out.c_str(), s); })) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(out)));
}
BENCHMARK(bm_write_scene)
    ->Name("write_scene/full_grid")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// A model library of `size` bytes: our own library repeated, LF line ends,
// so every line end of it is widened to CR LF on the way out.
std::string generated_library(std::size_t size) {
    const std::string unit = read_bytes(source_dir / "src" / "mdls4zu");
    std::string lib;
    lib.reserve(size);
    while (lib.size() + unit.size() <= size) {
        lib += unit;
    }
    lib.append(size - lib.size(), '#');
    if (!lib.empty()) {
        lib.back() = '\n';
    }
    return lib;
}

void bm_library_copy(benchmark::State& state) {
    work_dir dir;
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    write_bytes(dir.path() / "src" / "mdls4zu", generated_library(size));
    const scene empty;
    const std::string out = (dir.path() / "out.scene").string();
    for (auto _ : state) {
        fresh_output(state, out);
        if (!guarded(state, [&] { write_scene(out.c_str(), empty); })) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
    state.counters["out_bytes"] = static_cast<double>(fs::file_size(out));
}
BENCHMARK(bm_library_copy)
    ->Name("library_copy")
    ->ArgName("MiB")
    ->Arg(1)
    ->Arg(16)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The floor for library_copy: the same library copied unchanged, in blocks of
// the same size, to a scratch file (what a plain file copy costs here).
void bm_plain_copy(benchmark::State& state) {
    work_dir dir;
    const auto size = static_cast<std::size_t>(state.range(0)) << 20;
    const std::string in = (dir.path() / "src" / "mdls4zu").string();
    write_bytes(in, generated_library(size));
    const std::string out = (dir.path() / "out.copy").string();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        fresh_output(state, out);
        std::FILE* from = std::fopen(in.c_str(), "rb");
        std::FILE* to = std::fopen(out.c_str(), "wb");
        if (from == nullptr || to == nullptr) {
            state.SkipWithError("cannot open the copy");
            break;
        }
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), from)) > 0;) {
            std::fwrite(buffer.data(), 1, n, to);
        }
        std::fclose(from);
        std::fclose(to);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}
BENCHMARK(bm_plain_copy)
    ->Name("plain_copy")
    ->ArgName("MiB")
    ->Arg(1)
    ->Arg(16)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
