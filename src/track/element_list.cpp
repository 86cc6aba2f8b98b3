#include "track/element_list.h"

#include "platform/failure.h"
#include "tokreader/tokreader.h"

using platform::fail;
using platform::format;

namespace {

enum keyword { end_of_list = 0, kw_n = 1, kw_t = 2, kw_r = 3, kw_wr = 4, kw_hr = 5, kw_whr = 6 };

// Reads "<rotation> <turns>" into `m` after its model has been stored.
void read_rotation(element_model& m) {
    const int rotation = tkgetword();
    if (rotation < kw_r || rotation > kw_whr) {
        fail("Some error\r\n");
    }
    m.turns = tkgetint();
    if (rotation == kw_wr || rotation == kw_whr) {
        m.xshift = 1;
    }
    if (rotation == kw_hr || rotation == kw_whr) {
        m.yshift = 1;
    }
}

} // namespace

void load_element_list(element_table& table, const char* path) {
    table = element_table{};
    // On an error, release the token file this loader pushed, so that the
    // reader is clean again for an in-process caller.
    struct release_on_error {
        int depth;
        bool done = false;
        ~release_on_error() {
            while (!done && tkdepth() > depth) {
                tkrelease();
            }
        }
    } guard{tkdepth()};

    if (readtok(path, "n:t:r:wr:hr:whr") == 0) {
        fail(std::string()); // the reader has said why
    }
    int current = -1;
    for (;;) {
        const int word = tkgetword();
        if (word == end_of_list) {
            break;
        }
        if (word == kw_n) {
            const std::int32_t code = tkgetint();
            if (code < 0 || code > 255) {
                fail(format("File '%s', line %d: element code %d out of range\r\n", path, tkline(),
                            code));
            }
            current = code;
            if (tkgetword() != kw_t) {
                fail("'t' expected\r\n");
            }
            element_model& first = table.entry[current][0];
            first.model = tkgetint();
            read_rotation(first);
        } else if (word == kw_t) {
            if (current < 0) {
                fail(format("File '%s', line %d: 't' before the first 'n'\r\n", path, tkline()));
            }
            element_model& second = table.entry[current][1];
            second.model = tkgetint();
            read_rotation(second);
        }
        // A rotation keyword where a construct is due is passed over.
    }
    guard.done = true;
    tkrelease();
}
