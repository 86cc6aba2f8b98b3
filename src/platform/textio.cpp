#include "platform/textio.h"

#include "platform/files.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace platform {

read_status read_binary_prefix(const char* path, unsigned char* out, std::size_t size,
                               std::size_t& got) {
    got = 0;
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return read_status::cannot_open;
    }
    while (got < size) {
        const std::size_t n = std::fread(out + got, 1, size - got, f);
        got += n;
        if (n == 0 || std::ferror(f)) {
            break;
        }
    }
    const bool error = std::ferror(f) != 0;
    std::fclose(f);
    return error ? read_status::read_error : read_status::ok;
}

// ---- text_reader ----------------------------------------------------------

text_reader::~text_reader() {
    close();
}

bool text_reader::open(const char* path) {
    close();
    file_ = std::fopen(path, "rb");
    if (file_ == nullptr) {
        return false;
    }
    if (!buffer_) {
        buffer_.reset(new unsigned char[buffer_size]);
    }
    pos_ = len_ = 0;
    at_end_ = failed_ = false;
    return true;
}

void text_reader::close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool text_reader::fill() {
    if (file_ == nullptr || at_end_) {
        return false;
    }
    pos_ = 0;
    len_ = std::fread(buffer_.get(), 1, buffer_size, file_);
    if (len_ == 0) {
        if (std::ferror(file_)) {
            failed_ = true;
        }
        return false;
    }
    return true;
}

int text_reader::raw_get() {
    if (pos_ == len_ && !fill()) {
        return -1;
    }
    return buffer_[pos_++];
}

int text_reader::get_slow() {
    if (at_end_) {
        return -1;
    }
    int c = raw_get();
    if (c == 13) {
        // The byte after a carriage return takes its place, whatever it is.
        c = raw_get();
    }
    if (c == -1 || c == 26) {
        // Nothing after the end is ever delivered, by get() or read().
        at_end_ = true;
        pos_ = len_ = 0;
        return -1;
    }
    return c;
}

namespace {

// Length of the leading run of `p[0..n)` that holds neither a carriage return
// nor a byte 26: the bytes that a text read delivers unchanged. Both searches
// are memchr scans; the second only covers the run the first one found, so a
// text with many line ends is still scanned once.
std::size_t plain_run(const unsigned char* p, std::size_t n) {
    if (const void* cr = std::memchr(p, 13, n)) {
        n = static_cast<std::size_t>(static_cast<const unsigned char*>(cr) - p);
    }
    if (const void* sub = std::memchr(p, 26, n)) {
        n = static_cast<std::size_t>(static_cast<const unsigned char*>(sub) - p);
    }
    return n;
}

} // namespace

std::size_t text_reader::read(char* out, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && !at_end_) {
        if (pos_ == len_ && !fill()) {
            at_end_ = true;
            break;
        }
        // Copy the run of ordinary bytes in one go; a 13 or 26 goes the slow
        // way, which also refills the buffer for the byte after a 13.
        const std::size_t avail = std::min(len_ - pos_, capacity - n);
        const std::size_t k = plain_run(buffer_.get() + pos_, avail);
        std::memcpy(out + n, buffer_.get() + pos_, k);
        n += k;
        pos_ += k;
        if (k < avail) {
            // A carriage return with its successor in the buffer: deliver
            // the successor (a 26 there ends the text, the slow way).
            if (buffer_[pos_] == 13 && pos_ + 1 < len_ && buffer_[pos_ + 1] != 26) {
                out[n++] = static_cast<char>(buffer_[pos_ + 1]);
                pos_ += 2;
                continue;
            }
            const int c = get_slow();
            if (c < 0) {
                break;
            }
            out[n++] = static_cast<char>(c);
        }
    }
    return n;
}

// ---- text_writer ----------------------------------------------------------

text_writer::~text_writer() {
    close();
}

bool text_writer::open(const char* path) {
    close();
    file_ = open_for_writing(path);
    if (file_ == nullptr) {
        return false;
    }
    if (!buffer_) {
        buffer_.reset(new char[buffer_size]);
    }
    len_ = 0;
    failed_ = false;
    return true;
}

void text_writer::flush() {
    if (len_ > 0 && !failed_) {
        if (std::fwrite(buffer_.get(), 1, len_, file_) != len_) {
            failed_ = true;
        }
    }
    len_ = 0;
}

namespace {

constexpr std::uint64_t every_byte(unsigned char b) {
    return 0x0101010101010101ull * b;
}

// Marks (bit 7 of the byte) every byte of `w` that equals `b`, and nothing
// else: no false marks, so each mark is a line feed whatever follows it.
std::uint64_t bytes_equal(std::uint64_t w, unsigned char b) {
    const std::uint64_t x = w ^ every_byte(b); // 0 where the byte is b
    const std::uint64_t low7 = every_byte(0x7f);
    return ~(((x & low7) + low7) | x | low7);
}

} // namespace

void text_writer::write(std::string_view text) {
    // Each line feed goes out as CR LF. The text is taken eight bytes at a
    // time: a word without a line feed is stored whole; in a word with line
    // feeds each piece up to one is stored, then CR LF. A piece is stored as
    // a whole word (shifted down to the piece) and only its own bytes are
    // counted. The buffer keeps `slack` bytes free for the stores of one word
    // and is flushed when they run out, so its size is fixed whatever the
    // length of `text`.
    constexpr std::size_t slack = 32;
    const char* p = text.data();
    const char* const end = p + text.size();
    char* const base = buffer_.get();
    char* const limit = base + buffer_size - slack;
    char* d = base + len_;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            if (d > limit) {
                len_ = static_cast<std::size_t>(d - base);
                flush();
                d = base;
            }
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            std::uint64_t lf = bytes_equal(w, '\n');
            std::size_t from = 0; // first byte of the word not yet stored
            while (lf != 0) {
                const auto at = static_cast<std::size_t>(std::countr_zero(lf) / 8);
                const std::uint64_t rest = w >> (8 * from); // from <= at <= 7
                std::memcpy(d, &rest, 8);
                d += at - from;
                d[0] = '\r';
                d[1] = '\n';
                d += 2;
                from = at + 1;
                lf &= lf - 1;
            }
            if (from < 8) {
                const std::uint64_t rest = w >> (8 * from);
                std::memcpy(d, &rest, 8);
                d += 8 - from;
            }
            p += 8;
        }
    }
    for (; p != end; ++p) {
        if (d > limit) {
            len_ = static_cast<std::size_t>(d - base);
            flush();
            d = base;
        }
        if (*p == '\n') {
            *d++ = '\r';
        }
        *d++ = *p;
    }
    len_ = static_cast<std::size_t>(d - base);
}

bool text_writer::close() {
    if (file_ == nullptr) {
        return !failed_;
    }
    flush();
    if (std::fclose(file_) != 0) {
        failed_ = true;
    }
    file_ = nullptr;
    return !failed_;
}

} // namespace platform
