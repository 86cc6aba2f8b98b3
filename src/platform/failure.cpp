#include "platform/failure.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

namespace {
std::string* console_capture = nullptr;
}

void fail(std::string message) {
    throw failure{std::move(message)};
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, again);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return out;
}

void say(std::string_view text) {
    if (console_capture != nullptr) {
        console_capture->append(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string* capture_console(std::string* buffer) {
    std::string* previous = console_capture;
    console_capture = buffer;
    return previous;
}

bool flush_console() {
    return console_capture != nullptr || std::fflush(stdout) == 0;
}

} // namespace platform
