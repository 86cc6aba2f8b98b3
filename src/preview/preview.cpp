#include "preview/preview.h"

#include "platform/failure.h"
#include "preview/scene_objects.h"
#include "preview/svg_drawing.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

namespace preview {

namespace {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string read_whole_file(const char* path) {
    std::unique_ptr<std::FILE, file_closer> in(std::fopen(path, "rb"));
    if (!in) {
        platform::fail(platform::format("Could not open '%s'\r\n", path));
    }
    std::string text;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        text.append(buffer, n);
    }
    if (std::ferror(in.get())) {
        platform::fail(platform::format("Could not read '%s'\r\n", path));
    }
    return text;
}

void write_whole_file(const char* path, const std::string& text) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        platform::fail(platform::format("Could not open '%s'\r\n", path));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        // A cut-off picture is worse than none; a device or pipe stays.
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            std::filesystem::remove(path, ec);
        }
        platform::fail(platform::format("Could not write '%s'\r\n", path));
    }
}

// The file's own name, without the directories in front of it.
std::string base_name(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int draw(int argc, char** argv) {
    if (argc != 3) {
        platform::fail(
            platform::format("Wrong number of parameters\r\nExample: %s scene-file preview.svg\r\n",
                             argc > 0 && argv[0] != nullptr ? argv[0] : "scene2svg"));
    }
    const std::string scene_path = argv[1];
    const std::vector<scene_object> objects =
        read_object_lines(read_whole_file(argv[1]), scene_path);
    // The picture is complete before its file is opened: a scene that fails
    // leaves no SVG file behind.
    write_whole_file(argv[2], draw_svg(objects, base_name(scene_path)));
    return 0;
}

} // namespace

int run(int argc, char** argv) {
    try {
        return draw(argc, argv);
    } catch (const platform::failure& f) {
        platform::say(f.message);
    } catch (const std::bad_alloc&) {
        platform::say("Out of memory\r\n");
    }
    return 1;
}

} // namespace preview
