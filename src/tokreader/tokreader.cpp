#include "tokreader/tokreader.h"

#include "platform/failure.h"
#include "platform/textio.h"
#include "tokreader/token.h"

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

using platform::fail;
using platform::format;

namespace {

// The token-file stack: entry i of the four arrays is one token file.
int tktop = -1;
std::vector<token*> tkhead;      // head node of each file's token list
std::vector<token*> tkcur;       // read cursor: the token handed out last
std::vector<std::string> tkname; // copy of the file name
std::vector<std::string> tkkeys; // copy of the keyword list, ':' appended

bool isletter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isdigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Decimal digits accumulated in 32-bit arithmetic that wraps around.
std::int32_t wrapped_int(std::string_view s) {
    std::uint32_t v = 0;
    for (unsigned char c : s) {
        v = v * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::int32_t>(v);
}

void classify(token& t) {
    const std::string_view s = t.str();
    if (tkisword(s)) {
        t.kind = 1;
    } else if (tkisint(s)) {
        t.kind = 0;
        t.ival = wrapped_int(s);
    } else if (tkisfloat(s)) {
        t.kind = 2;
        // The whole text is in the float syntax, so strtod stops at the
        // first character it cannot use; no number at all gives +0.0.
        char* end = nullptr;
        const double d = std::strtod(t.text, &end);
        t.fval = end == t.text ? 0.0f : static_cast<float>(d);
    } else {
        t.kind = 3;
    }
}

std::string describe(const token* t) {
    if (t == nullptr) {
        return "NULL pointer";
    }
    switch (t->kind) {
    case 0:
        return format("integer, %d", t->ival);
    case 1:
        return "word, '" + std::string(t->str()) + "'";
    case 2:
        return format("floating point, %1.4e", static_cast<double>(t->fval));
    default:
        return "unknown type, '" + std::string(t->str()) + "'";
    }
}

void free_list(token* head) {
    while (head != nullptr) {
        token* next = head->next;
        delete head;
        head = next;
    }
}

// Steps 1 to 4 of every getter: refuses an empty stack and a cursor already
// past the end, advances, and returns the new current token (null when the
// file ran out in this call).
token* advance(const char* getter, const char* what, bool maybe) {
    if (tktop < 0) {
        fail(format("%s(): call readtok() first\r\n", getter));
    }
    if (tkcur[tktop] == nullptr) {
        std::string message = format("File '%s': %s expected, found end of file (1)\r\n",
                                     tkname[tktop].c_str(), what);
        if (maybe) {
            message += format("Maybe %s() was called again after it returned 0?\r\n", getter);
        }
        tkrelease();
        fail(std::move(message));
    }
    tkcur[tktop] = tkcur[tktop]->next;
    return tkcur[tktop];
}

[[noreturn]] void ran_out(const char* what) {
    std::string message =
        format("File '%s': %s expected, found end of file (2)\r\n", tkname[tktop].c_str(), what);
    tkrelease();
    fail(std::move(message));
}

[[noreturn]] void wrong_kind(const token* t, const char* what) {
    std::string message =
        format("File '%s', line %d: %s expected, found:\r\n", tkname[tktop].c_str(), t->line, what);
    message += describe(t);
    message += "\r\n";
    tkrelease();
    fail(std::move(message));
}

} // namespace

bool tkisspace(int c) {
    return c == 9 || c == 10 || c == 13 || c == 32;
}

bool tkisword(std::string_view s) {
    for (unsigned char c : s) {
        if (!isletter(c)) {
            return false;
        }
    }
    return true;
}

bool tkisint(std::string_view s) {
    for (unsigned char c : s) {
        if (!isdigit(c)) {
            return false;
        }
    }
    return true;
}

bool tkisfloat(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '-') {
        ++i;
    }
    std::size_t point = std::string_view::npos;
    std::size_t e = std::string_view::npos;
    for (; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (isdigit(c)) {
            continue;
        }
        if (c == '.') {
            if (point != std::string_view::npos) {
                return false;
            }
            point = i;
        } else if (c == 'e') {
            if (e != std::string_view::npos) {
                return false;
            }
            e = i;
            if (i + 1 < s.size() && s[i + 1] == '-') {
                ++i; // the exponent's sign
            }
        } else {
            return false;
        }
    }
    return e == std::string_view::npos || point == std::string_view::npos || point < e;
}

token* addtkstr(token* last) {
    token* t = new (std::nothrow) token;
    if (t == nullptr) {
        fail("addtkstr(): Out of memory\r\n");
    }
    t->next = nullptr;
    last->next = t;
    return t;
}

int tkdepth() {
    return tktop + 1;
}

int tkline() {
    const token* t = tktop < 0 ? nullptr : tkcur[tktop];
    return t == nullptr ? 0 : t->line;
}
bool tkarrays() {
    return !tkhead.empty();
}

int readtok(const char* fname, const char* keylist) {
    if (tktop + 1 >= tkmaxfiles) {
        fail("readtok(): too many files\r\n");
    }
    platform::text_reader in;
    if (!in.open(fname)) {
        fail(format("readtok(): Could not open '%s'\r\n", fname));
    }
    try {
        if (tktop < 0) {
            tkhead.assign(tkmaxfiles, nullptr);
            tkcur.assign(tkmaxfiles, nullptr);
            tkname.assign(tkmaxfiles, std::string());
            tkkeys.assign(tkmaxfiles, std::string());
        }
        token* head = new token;
        ++tktop;
        tkhead[tktop] = head;
        tkcur[tktop] = head;
        tkname[tktop] = fname;
        tkkeys[tktop] = keylist;
        tkkeys[tktop] += ':';
    } catch (const std::bad_alloc&) {
        fail("readtok(): Out of memory\r\n");
    }

    token* last = tkhead[tktop];
    token* current = nullptr; // the token under way
    int line = 1;
    for (;;) {
        const int c = in.get();
        if (c < 0 || tkisspace(c)) {
            if (current != nullptr) {
                current->text[current->length] = '\0';
                classify(*current);
                current = nullptr;
            }
            if (c < 0) {
                break;
            }
            if (c == 10 && line < 0x7fffffff) {
                ++line;
            }
            continue;
        }
        if (current == nullptr) {
            current = last = addtkstr(last);
            current->kind = 3;
            current->line = line;
        } else if (current->length == tkmaxlen) {
            platform::say(format("File '%s', line %d: word too long\r\n", fname, line));
            tkrelease();
            return 0;
        }
        current->text[current->length++] = static_cast<char>(c);
    }
    if (in.failed()) {
        tkrelease();
        fail(format("readtok(): Could not read '%s'\r\n", fname));
    }
    return 1;
}

void tkrelease() {
    if (tktop < 0) {
        fail("tkrelease(): nothing to release\r\n");
    }
    free_list(tkhead[tktop]);
    tkhead[tktop] = tkcur[tktop] = nullptr;
    tkname[tktop].clear();
    tkkeys[tktop].clear();
    --tktop;
    if (tktop < 0) {
        std::vector<token*>().swap(tkhead);
        std::vector<token*>().swap(tkcur);
        std::vector<std::string>().swap(tkname);
        std::vector<std::string>().swap(tkkeys);
    }
}

std::int32_t tkgetint() {
    const token* t = advance("tkgetint", "integer", false);
    if (t == nullptr) {
        ran_out("integer");
    }
    if (t->kind != 0) {
        wrong_kind(t, "integer");
    }
    return t->ival;
}

float tkgetfloat() {
    const token* t = advance("tkgetfloat", "floating point number", false);
    if (t == nullptr) {
        ran_out("floating point number");
    }
    if (t->kind == 2) {
        return t->fval;
    }
    if (t->kind == 0) {
        return static_cast<float>(t->ival);
    }
    wrong_kind(t, "floating point number");
}

int tkgetword() {
    token* t = advance("tkgetword", "word", true);
    if (t == nullptr) {
        return 0;
    }
    if (t->kind != 1) {
        wrong_kind(t, "word");
    }
    const int position = tkmatch(t->text);
    if (position > 0) {
        return position;
    }
    std::string message = format("File '%s', line %d: word '%s' not recognized\r\n",
                                 tkname[tktop].c_str(), t->line, t->text);
    tkrelease();
    fail(std::move(message));
}

char* tkgetstring(char* buf) {
    const token* t = advance("tkgetstring", "string", true);
    if (t == nullptr) {
        buf[0] = '\0';
        return nullptr;
    }
    for (std::size_t i = 0; i <= t->length; ++i) {
        buf[i] = t->text[i];
    }
    return buf;
}

void tkprint() {
    platform::say(describe(tktop < 0 ? nullptr : tkcur[tktop]));
}

int tkmatch(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<char>(*p - 'A' + 'a');
        }
    }
    if (tktop < 0) {
        return 0;
    }
    const std::string& keys = tkkeys[tktop];
    const std::string_view word(s);
    int count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] != ':') {
            continue;
        }
        if (i > start) {
            ++count;
            if (std::string_view(keys).substr(start, i - start) == word) {
                return count;
            }
        }
        start = i + 1;
    }
    return 0;
}
