// The program's single way out on an error, and its console.
//
// Every problem is reported as a message on standard output and ends the run
// with exit status 1. Code that finds a problem throws `failure` through
// `fail`; the entry point catches it, prints the message and returns 1. On the
// way out every open file is flushed and closed by its owner, so the run can be
// driven in-process by tests and fuzzers just like the real process.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct failure {
    std::string message; // printed as it stands; may be empty
};

[[noreturn]] void fail(std::string message);

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Writes text to standard output, or appends it to the capture buffer while
// one is set (for in-process runs that check the exact console bytes).
void say(std::string_view text);

// Sets (or with nullptr clears) the capture buffer; returns the previous one.
std::string* capture_console(std::string* buffer);

// Flushes standard output; false when that failed.
bool flush_console();

} // namespace platform
