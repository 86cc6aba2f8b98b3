// The token reader's own records, shared with its unit tests only.
#pragma once

#include <cstdint>
#include <string_view>

struct token {
    std::int32_t kind = -1; // 0 integer, 1 word, 2 floating point, 3 unknown, -1 head
    std::int32_t line = 0;  // line of the token's first character, from 1
    char text[32] = {};     // the characters as read, NUL-terminated
    std::uint8_t length = 0;
    std::int32_t ival = 0; // integer tokens
    float fval = 0.0f;     // floating point tokens
    token* next = nullptr;

    std::string_view str() const { return {text, length}; }
};

constexpr int tkmaxfiles = 16;
constexpr int tkmaxlen = 31;

// Allocates a node, links it behind `last` and returns it.
token* addtkstr(token* last);

bool tkisspace(int c);
bool tkisword(std::string_view s);
bool tkisint(std::string_view s);
bool tkisfloat(std::string_view s);

// Whether the stack's arrays are allocated; for tests of the lifecycle.
bool tkarrays();
