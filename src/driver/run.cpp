#include "driver/run.h"

#include "driver/gather.h"
#include "driver/orient.h"
#include "driver/scene.h"
#include "driver/scene_writer.h"
#include "platform/failure.h"
#include "track/readtrk.h"

#include <new>
#include <vector>

namespace {

int convert(int argc, char** argv) {
    if (argc != 3) {
        platform::fail(platform::format(
            "Wrong number of parameters\r\nExample: %s input.trk output\r\n",
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
