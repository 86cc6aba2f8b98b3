#include "track/track_map.h"

#include "platform/failure.h"
#include "platform/textio.h"

void decode_track(const unsigned char* bytes, std::size_t size, track_map& map) {
    auto byte_at = [&](std::size_t offset) -> std::uint8_t {
        return offset < size ? bytes[offset] : 255;
    };
    for (int r = 1; r <= 30; ++r) {
        for (int c = 1; c <= 30; ++c) {
            map.element[c][r] =
                byte_at(30u * static_cast<std::size_t>(30 - r) + static_cast<std::size_t>(c - 1));
            map.terrain[c][r] = byte_at(901u + 30u * static_cast<std::size_t>(r - 1) +
                                        static_cast<std::size_t>(c - 1));
        }
    }
}

void read_track_file(const char* path, track_map& map) {
    unsigned char bytes[track_file_size];
    std::size_t got = 0;
    switch (platform::read_binary_prefix(path, bytes, track_file_size, got)) {
    case platform::read_status::cannot_open:
        platform::fail(platform::format("Could not open '%s'\r\n", path));
    case platform::read_status::read_error:
        platform::fail(platform::format("Could not read '%s'\r\n", path));
    case platform::read_status::ok:
        break;
    }
    decode_track(bytes, got, map);
}
