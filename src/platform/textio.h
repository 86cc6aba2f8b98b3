// File access under the text-mode rules the data files were written for.
//
// Reading a text file: a carriage return (13) is dropped and the byte after it
// is delivered in its place, without that byte being tested for a carriage
// return again; a byte 26 ends the file just like its physical end, also when
// it follows a carriage return; a carriage return that is the last byte of the
// file is dropped. Writing a text file: every line feed goes out as carriage
// return and line feed. Binary reads deliver every byte unchanged.
//
// All files are read and written in blocks; a read error is told apart from
// the end of the file, and a write error is remembered until `close`.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

namespace platform {

enum class read_status { ok, cannot_open, read_error };

// Reads up to `size` bytes of the file at `path` unchanged into `out` and
// stores their number in `got`; a shorter file is not an error.
read_status read_binary_prefix(const char* path, unsigned char* out, std::size_t size,
                               std::size_t& got);

class text_reader {
  public:
    text_reader() = default;
    text_reader(const text_reader&) = delete;
    text_reader& operator=(const text_reader&) = delete;
    ~text_reader();

    // Opens `path` for reading; false when it cannot be opened.
    bool open(const char* path);

    // The next byte (0..255) of the text, or -1 at its end or on a read error.
    int get() {
        if (pos_ < len_) {
            const unsigned char c = buffer_[pos_];
            if (c != 13 && c != 26) {
                ++pos_;
                return c;
            }
        }
        return get_slow();
    }

    // Fills `out` with up to `capacity` bytes of the text; returns how many.
    // Returns 0 only at the end of the text or on a read error.
    std::size_t read(char* out, std::size_t capacity);

    // True once a read failed for another reason than the end of the file.
    bool failed() const { return failed_; }

    void close();

  private:
    int get_slow();
    int raw_get();
    bool fill();

    static constexpr std::size_t buffer_size = 1 << 16;
    std::FILE* file_ = nullptr;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool at_end_ = false;
    bool failed_ = false;
};

class text_writer {
  public:
    text_writer() = default;
    text_writer(const text_writer&) = delete;
    text_writer& operator=(const text_writer&) = delete;
    // Flushes and closes a file that is still open (the way out on an error).
    ~text_writer();

    // Creates or empties `path`; false when it cannot be opened.
    bool open(const char* path);

    void write(std::string_view text);
    void put(char c) { write(std::string_view(&c, 1)); }

    // Flushes and closes; false when any write or the close failed.
    bool close();

  private:
    void flush();

    static constexpr std::size_t buffer_size = 1 << 16;
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t len_ = 0;
    bool failed_ = false;
};

} // namespace platform
