#include "platform/textio.h"

#include "platform/files.h"

#include <algorithm>
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

text_reader::~text_reader() { close(); }

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

std::size_t text_reader::read(char* out, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && !at_end_) {
        if (pos_ == len_ && !fill()) {
            at_end_ = true;
            break;
        }
        // Copy the run of ordinary bytes in one go; stop at 13 or 26.
        const std::size_t avail = std::min(len_ - pos_, capacity - n);
        const unsigned char* p = buffer_.get() + pos_;
        std::size_t k = 0;
        while (k < avail && p[k] != 13 && p[k] != 26) {
            ++k;
        }
        std::memcpy(out + n, p, k);
        n += k;
        pos_ += k;
        if (k < avail) {
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

text_writer::~text_writer() { close(); }

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

void text_writer::write(std::string_view text) {
    // Each line feed becomes CR LF; the buffer always has room for two bytes.
    for (char c : text) {
        if (len_ + 2 > buffer_size) {
            flush();
        }
        if (c == '\n') {
            buffer_[len_++] = '\r';
        }
        buffer_[len_++] = c;
    }
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
