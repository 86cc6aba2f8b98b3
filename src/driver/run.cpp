#include "driver/run.h"

#include "driver/gather.h"
#include "driver/orient.h"
#include "driver/scene.h"
#include "driver/scene_writer.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "track/element_list.h"
#include "track/readtrk.h"

#include <new>
#include <vector>

namespace {

int convert(int argc, char** argv) {
    if (argc != 3) {
        platform::fail(
            platform::format("Wrong number of parameters\r\nExample: %s input.trk output\r\n",
                             argc > 0 && argv[0] != nullptr ? argv[0] : "trk2scene"));
    }
    std::vector<placed_object> objects;
    scene s;
    try {
        objects.resize(max_objects);
        s.list.reserve(max_objects);
    } catch (const std::bad_alloc&) {
        platform::fail("Out of memory\r\n");
    }
    int count = 0;
    readtrk(argv[1], objects.data(), &count);
    gather(objects.data(), count, s);
    orient_pass(s);
    // Writing the scene over one of the files it is made from would destroy
    // that file (the model library even before it is copied).
    const char* const inputs[] = {argv[1], element_list_path, model_library_path};
    for (const char* input : inputs) {
        if (platform::same_file(argv[2], input)) {
            platform::fail(
                platform::format("Will not write the scene over the input file '%s'\r\n", argv[2]));
        }
    }
    // The rotation lines go out before the scene file is opened: a scene
    // written to standard output comes after them.
    platform::flush_console();
    write_scene(argv[2], s);
    return 0;
}

} // namespace

int run(int argc, char** argv) {
    try {
        return convert(argc, argv);
    } catch (const platform::failure& f) {
        platform::say(f.message);
    } catch (const std::bad_alloc&) {
        platform::say("Out of memory\r\n");
    }
    return 1;
}
