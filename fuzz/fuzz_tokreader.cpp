// libFuzzer target: the token reader driven by an arbitrary sequence of calls.
//
// The input is split at every "\n@@\n" into a script and up to eight files:
//
//   script                 one operation per byte (below)
//   keylist\ntext          file i: its first line is the keyword list that
//                          readtok is given, the rest is the file's text
//                          (moved up against the end of the reader's 64 KiB
//                          block when it starts with byte 1, see
//                          fuzzsupport::place_at_block_end)
//
// Operation byte b, by b % 8:
//   0  readtok(file (b / 8) % (files + 1)); the last index names a file that
//      does not exist
//   1  tkgetint    2  tkgetfloat    3  tkgetword    4  tkgetstring
//   5  tkprint     7  tkrelease
//   6  tkmatch on a string taken from the script: a length byte (% 40), then
//      that many bytes
// Every failure is caught and the script goes on. The reader's stack is
// shadowed here to check how each call moves it, and whatever is left on it
// is released at the end of every input, so a leak is a real finding.
#include "platform/failure.h"
#include "support.h"
#include "tokreader/tokreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using fuzzsupport::check;

namespace {

constexpr std::string_view marker = "\n@@\n";
constexpr std::size_t max_files = 8;
constexpr int max_depth = 16;

std::string scratch; // absolute path of the scratch directory

// Number of non-empty entries of a colon-separated keyword list, read as the
// C string the reader is given.
int keyword_count(const std::string& keys) {
    int count = 0;
    std::size_t length = 0;
    for (const char* p = keys.c_str();; ++p) {
        if (*p == ':' || *p == '\0') {
            count += length > 0;
            length = 0;
            if (*p == '\0') {
                return count;
            }
        } else {
            ++length;
        }
    }
}

struct token_file {
    std::string path;
    std::string keys;
};

// One call of the reader; returns false when it ended in a failure.
template <class Call> bool attempt(Call call, std::string& message) {
    try {
        call();
        return true;
    } catch (const platform::failure& f) {
        message = f.message;
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fuzzsupport::make_scratch_dir("fuzz_tokreader");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = in.find(marker);
        if (at == std::string_view::npos || parts.size() == max_files) {
            parts.push_back(in);
            break;
        }
        parts.push_back(in.substr(0, at));
        in.remove_prefix(at + marker.size());
    }
    const std::string_view script = parts[0];
    std::vector<token_file> files;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        const std::size_t eol = part.find('\n');
        token_file f;
        f.path = scratch + "/f" + std::to_string(i - 1);
        f.keys = std::string(part.substr(0, eol));
        fuzzsupport::write_bytes(
            f.path,
            fuzzsupport::place_at_block_end(
                eol == std::string_view::npos ? std::string_view() : part.substr(eol + 1), ' '));
        files.push_back(std::move(f));
    }
    const token_file missing{scratch + "/missing", "n:t:r"};

    std::string console;
    std::string* before = platform::capture_console(&console);
    std::vector<const token_file*> stack; // shadow of the reader's stack
    // Exactly 32 bytes, so that a copy beyond a token's 31 characters and
    // its terminator is caught.
    std::unique_ptr<char[]> buf(new char[32]);

    for (std::size_t pc = 0; pc < script.size(); ++pc) {
        const unsigned char op = static_cast<unsigned char>(script[pc]);
        const std::size_t depth = stack.size();
        std::string message;
        bool ok = true;
        switch (op % 8) {
        case 0: {
            const std::size_t which = (op / 8u) % (files.size() + 1);
            const token_file& f = which < files.size() ? files[which] : missing;
            int result = -1;
            const std::size_t said = console.size();
            ok = attempt([&] { result = readtok(f.path.c_str(), f.keys.c_str()); }, message);
            if (ok) {
                check(result == 0 || result == 1, "readtok result other than 0 or 1");
                check(static_cast<int>(depth) < max_depth, "a 17th file was pushed");
                check(&f != &missing, "a missing file was read");
                if (result == 1) {
                    stack.push_back(&f);
                } else {
                    check(console.size() > said, "readtok returned 0 without a message");
                }
            }
            // A failing readtok leaves the stack as it was.
            check(tkdepth() == static_cast<int>(stack.size()), "readtok moved the stack wrongly");
            break;
        }
        case 1:
            ok = attempt([] { tkgetint(); }, message);
            break;
        case 2:
            ok = attempt([] { tkgetfloat(); }, message);
            break;
        case 3: {
            int word = -1;
            ok = attempt([&] { word = tkgetword(); }, message);
            if (ok) {
                check(word >= 0 && word <= keyword_count(stack.back()->keys),
                      "tkgetword result outside the keyword list", stack.back()->keys);
                check(word == 0 || tkline() >= 1, "a keyword without a line");
            }
            break;
        }
        case 4: {
            char* got = nullptr;
            std::memset(buf.get(), 'x', 32);
            ok = attempt([&] { got = tkgetstring(buf.get()); }, message);
            if (ok) {
                check(got == nullptr || got == buf.get(), "tkgetstring returned another buffer");
                check(std::memchr(buf.get(), '\0', 32) != nullptr,
                      "tkgetstring left the buffer unterminated");
                check(got != nullptr || buf[0] == '\0', "tkgetstring at the end left text");
            }
            break;
        }
        case 5:
            tkprint();
            break;
        case 6: {
            std::size_t length = 0;
            if (pc + 1 < script.size()) {
                length = static_cast<unsigned char>(script[++pc]) % 40u;
            }
            length = std::min(length, script.size() - (pc + 1));
            const std::string_view text = script.substr(pc + 1, length);
            pc += length;
            std::unique_ptr<char[]> s(new char[length + 1]);
            std::memcpy(s.get(), text.data(), length);
            s[length] = '\0';
            const int found = tkmatch(s.get());
            for (std::size_t i = 0; s[i] != '\0'; ++i) {
                check(s[i] < 'A' || s[i] > 'Z', "tkmatch left an upper-case letter");
            }
            check(found >= 0, "negative tkmatch result");
            check(depth > 0 || found == 0, "tkmatch found a keyword with no file loaded");
            check(depth == 0 || found <= keyword_count(stack.back()->keys),
                  "tkmatch result outside the keyword list");
            break;
        }
        case 7:
            ok = attempt([] { tkrelease(); }, message);
            check(ok == (depth > 0), "tkrelease failed on a loaded file or passed on none");
            if (ok) {
                stack.pop_back();
            }
            break;
        }
        if (!ok) {
            check(!message.empty() && message.size() >= 2 &&
                      message.compare(message.size() - 2, 2, "\r\n") == 0,
                  "failure message without its line end", message);
        }
        if (!ok && op % 8 >= 1 && op % 8 <= 4 && depth > 0) {
            // A getter that fails on a loaded file releases that file.
            stack.pop_back();
        }
        check(tkdepth() == static_cast<int>(stack.size()), "token file stack out of step", message);
    }

    // Leave the reader empty, so that nothing it allocated outlives the input.
    while (tkdepth() > 0) {
        tkrelease();
    }
    platform::capture_console(before);
    return 0;
}
