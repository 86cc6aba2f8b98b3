#include "platform/failure.h"
#include "support/testsupport.h"
#include "tokreader/token.h"
#include "tokreader/tokreader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using testsupport::scratch_dir;
using testsupport::write_file;

namespace {

constexpr const char* zux_keys = "n:t:r:wr:hr:whr";

enum kind { integer = 0, word = 1, floating = 2, unknown = 3 };

// The message of the failure that `call` ends the run with.
template <class F> std::string failure_message(F&& call) {
    try {
        call();
    } catch (const platform::failure& f) {
        return f.message;
    }
    ADD_FAILURE() << "the call did not end the run";
    return "<no failure>";
}

// `text` with every "{f}" replaced by `name`.
std::string with_name(std::string text, const std::string& name) {
    for (std::size_t at = text.find("{f}"); at != std::string::npos; at = text.find("{f}", at)) {
        text.replace(at, 3, name);
        at += name.size();
    }
    return text;
}

std::string lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

// One token as the getters hand it out.
struct seen {
    std::string text;
    int line = 0;
    bool operator==(const seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const seen& s) {
    return os << "{\"" << s.text << "\", line " << s.line << "}";
}

// Every test starts and must end with an empty token stack; the console is
// captured so that printed messages can be compared byte for byte.
class TokReader : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(tkdepth(), 0) << "an earlier test left token files behind";
        previous_ = platform::capture_console(&console_);
    }

    void TearDown() override {
        while (tkdepth() > 0) {
            tkrelease();
        }
        EXPECT_FALSE(tkarrays());
        platform::capture_console(previous_);
    }

    // Writes `bytes` to the scratch file `name` and returns its path.
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ / name;
        write_file(path, bytes);
        return path;
    }

    // Reads the rest of the top file with tkgetstring and tkline.
    std::vector<seen> read_rest() {
        std::vector<seen> out;
        char buf[32];
        while (tkgetstring(buf) != nullptr) {
            out.push_back({buf, tkline()});
        }
        return out;
    }

    // What tkprint says about the current token.
    std::string printed() {
        console_.clear();
        tkprint();
        std::string out = console_;
        console_.clear();
        return out;
    }

    scratch_dir dir_;
    std::string console_;
    std::string* previous_ = nullptr;
};

// ---- classification ---------------------------------------------------------

struct class_case {
    std::string text;
    kind k;
    std::string description; // what tkprint says
    std::int32_t ival = 0;
    float fval = 0.0f;
};

class_case as_word(std::string t) {
    return {t, word, "word, '" + t + "'"};
}
class_case as_int(std::string t, std::int32_t v) {
    return {t, integer, "integer, " + std::to_string(v), v};
}
// `shown` is the value as "%1.4e" prints it.
class_case as_float(std::string t, float v, const std::string& shown) {
    return {t, floating, "floating point, " + shown, 0, v};
}
class_case as_unknown(std::string t) {
    return {t, unknown, "unknown type, '" + t + "'"};
}

const std::vector<class_case>& class_cases() {
    static const std::vector<class_case> cases = {
        as_word("abc"),
        as_word("Abc"),
        as_word("e"),
        as_word("ee"),
        as_word("WHR"),
        as_word(std::string(31, 'q')),
        as_int("007", 7),
        as_int("0", 0),
        as_int("2147483647", 2147483647),
        // 32-bit wrap-around of the digit accumulation.
        as_int("4294967297", 1),
        as_int("4294967295", -1),
        as_int("2147483648", INT32_MIN),
        as_int("99999999999", 1215752191),                     // 10^11 - 1 - 23 * 2^32
        as_int("1000000000000000000000000000000", 1073741824), // 10^30 mod 2^32 = 2^30
        // A leading minus never gives an integer.
        as_float("-5", -5.0f, "-5.0000e+00"),
        as_float("5.", 5.0f, "5.0000e+00"),
        as_float(".5", 0.5f, "5.0000e-01"),
        as_float("-.5", -0.5f, "-5.0000e-01"),
        as_float("0.1", static_cast<float>(0.1), "1.0000e-01"),
        as_float("1e5", 1e5f, "1.0000e+05"),
        as_float("1.5e-3", static_cast<float>(1.5e-3), "1.5000e-03"),
        as_float("2.e1", 20.0f, "2.0000e+01"),
        as_float("16777217.", 16777216.0f, "1.6777e+07"), // rounded to single precision
        as_float("5e", 5.0f, "5.0000e+00"),
        as_float("5e-", 5.0f, "5.0000e+00"),
        as_float("-0", -0.0f, "-0.0000e+00"), // a number is read: minus zero
        // No number can be read: plus zero (the bit pattern is compared).
        as_float("-", 0.0f, "0.0000e+00"),
        as_float(".", 0.0f, "0.0000e+00"),
        as_float("e5", 0.0f, "0.0000e+00"),
        as_float(".e", 0.0f, "0.0000e+00"),
        as_float("e-", 0.0f, "0.0000e+00"),
        as_float("-e5", 0.0f, "0.0000e+00"),
        as_unknown("E5"),
        as_unknown("+5"),
        as_unknown("1e3.5"),
        as_unknown("1.2.3"),
        as_unknown("1e--5"),
        as_unknown("1-2"),
        as_unknown("--5"),
        as_unknown("1ee5"),
        as_unknown("12abc"),
        as_unknown("a_b"),
        as_unknown("wr2"),
        as_unknown(std::string("a\vb")), // 11 and 12 are no separators
        as_unknown(std::string("c\fd")),
    };
    return cases;
}

TEST_F(TokReader, ClassificationTests) {
    for (const class_case& c : class_cases()) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(tkisword(c.text), c.k == word);
        if (c.k != word) {
            EXPECT_EQ(tkisint(c.text), c.k == integer);
        }
        if (c.k == floating || c.k == unknown) {
            EXPECT_EQ(tkisfloat(c.text), c.k == floating);
        }
    }
}

TEST_F(TokReader, TokensReadBackWithTheirTextDescriptionAndValue) {
    for (std::size_t i = 0; i < class_cases().size(); ++i) {
        const class_case& c = class_cases()[i];
        SCOPED_TRACE(c.text);
        std::string contents = "  ";
        contents += c.text;
        contents += '\n';
        std::string name = "t";
        name += std::to_string(i);
        const std::string path = file(name, contents);
        const std::string keys = c.k == word ? lower(c.text) : std::string("n");

        // Every kind comes back as the text it was read from.
        ASSERT_EQ(readtok(path.c_str(), keys.c_str()), 1);
        char buf[32];
        ASSERT_EQ(tkgetstring(buf), buf);
        EXPECT_EQ(std::string(buf), c.text);
        EXPECT_EQ(printed(), c.description);
        EXPECT_EQ(tkgetstring(buf), nullptr) << "exactly one token";
        tkrelease();

        // The typed getter for the kind gives the value.
        ASSERT_EQ(readtok(path.c_str(), keys.c_str()), 1);
        switch (c.k) {
        case word:
            EXPECT_EQ(tkgetword(), 1);
            break;
        case integer:
            EXPECT_EQ(tkgetint(), c.ival);
            break;
        case floating:
            EXPECT_EQ(bits(tkgetfloat()), bits(c.fval)) << "value " << c.fval;
            break;
        case unknown:
            EXPECT_EQ(
                failure_message([] { tkgetfloat(); }),
                with_name("File '{f}', line 1: floating point number expected, found:\r\n", path) +
                    c.description + "\r\n");
            break;
        }
        while (tkdepth() > 0) {
            tkrelease();
        }
    }
}

TEST_F(TokReader, OnlyTabLineFeedCarriageReturnAndSpaceSeparate) {
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(tkisspace(c), c == 9 || c == 10 || c == 13 || c == 32) << "byte " << c;
    }
}

TEST_F(TokReader, IntegerTokensConvertToTheNearestFloat) {
    struct row {
        const char* text;
        float value;
    };
    const row rows[] = {
        {"3", 3.0f},
        {"16777216", 16777216.0f},
        {"16777217", 16777216.0f}, // halfway: to the even neighbour
        {"16777219", 16777220.0f}, // halfway: to the even neighbour
        {"33554435", 33554436.0f}, // spacing 4: 3 rounds up
        {"2147483647", 2147483648.0f},
        {"4294967295", -1.0f}, // the integer has wrapped first
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        const std::string path = file("f", r.text);
        ASSERT_EQ(readtok(path.c_str(), ""), 1);
        EXPECT_EQ(bits(tkgetfloat()), bits(r.value));
        tkrelease();
    }
}

// ---- splitting, lines and the text-mode bytes --------------------------------

struct split_case {
    const char* name;
    std::string bytes;
    std::vector<seen> tokens;
};

const std::vector<split_case>& split_cases() {
    static const std::vector<split_case> cases = {
        {"leading_blanks_on_line_3", "\n\n   ab  cd\nef\n", {{"ab", 3}, {"cd", 3}, {"ef", 4}}},
        {"crlf_is_one_line", "a\r\nb\r\n\r\nc\r\n", {{"a", 1}, {"b", 2}, {"c", 4}}},
        {"mixed_separator_runs",
         " \t\r\n a \t \r\n\t\tb\r\r\n  \t c \t",
         {{"a", 2}, {"b", 3}, {"c", 4}}},
        {"tabs_only", "a\t\tb\tc", {{"a", 1}, {"b", 1}, {"c", 1}}},
        {"lone_cr_joins", "ab\rcd ef", {{"abcd", 1}, {"ef", 1}}},
        {"second_cr_separates", "ab\r\rcd", {{"ab", 1}, {"cd", 1}}},
        {"cr_as_last_byte", "ab\r", {{"ab", 1}}},
        {"byte26_ends_the_file", std::string("ab 12\x1a cd\nef\n"), {{"ab", 1}, {"12", 1}}},
        {"token_right_before_byte26",
         std::string("x\nab\x1a"
                     "cd"),
         {{"x", 1}, {"ab", 2}}},
        {"byte26_first",
         std::string("\x1a"
                     "ab"),
         {}},
        {"last_token_without_line_end", "t 5", {{"t", 1}, {"5", 1}}},
        {"empty_file", "", {}},
        {"separators_only", " \t\r\n\r\n  \t\n", {}},
        {"vertical_tab_and_form_feed_are_token_bytes",
         std::string("a\vb c\fd"),
         {{"a\vb", 1}, {"c\fd", 1}}},
    };
    return cases;
}

TEST_F(TokReader, SplitsIntoTokensWithTheLineOfEach) {
    for (const split_case& c : split_cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = file(c.name, c.bytes);
        ASSERT_EQ(readtok(path.c_str(), ""), 1);
        EXPECT_EQ(read_rest(), c.tokens);
        tkrelease();
    }
}

TEST_F(TokReader, FileWithoutTokensEndsAtTheFirstWord) {
    for (const char* bytes : {"", " \r\n\t "}) {
        const std::string path = file("f", bytes);
        ASSERT_EQ(readtok(path.c_str(), zux_keys), 1);
        EXPECT_EQ(tkgetword(), 0);
        EXPECT_EQ(tkdepth(), 1);
        tkrelease();
    }
}

struct too_long_case {
    const char* name;
    std::string bytes;
    int line;
};

TEST_F(TokReader, TokenLongerThan31CharactersIsRefused) {
    const too_long_case cases[] = {
        {"word_on_line_2", "ok\n" + std::string(32, 'a') + "\n", 2},
        {"digits", std::string(32, '7'), 1},
        {"after_crlf_lines", "t 5\r\n\r\n  " + std::string(40, '-') + " x\r\n", 3},
        {"joined_by_lone_cr", std::string(16, 'a') + "\r" + std::string(16, 'b'), 1},
    };
    for (bool below : {false, true}) {
        for (const too_long_case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (below ? " over another file" : ""));
            if (below) {
                const std::string lower_path = file("lower", "n t");
                ASSERT_EQ(readtok(lower_path.c_str(), zux_keys), 1);
                ASSERT_EQ(tkgetword(), 1);
            }
            const int depth = tkdepth();
            const std::string path = file(c.name, c.bytes);
            console_.clear();
            EXPECT_EQ(readtok(path.c_str(), zux_keys), 0);
            EXPECT_EQ(console_, "File '" + path + "', line " + std::to_string(c.line) +
                                    ": word too long\r\n");
            console_.clear();
            EXPECT_EQ(tkdepth(), depth) << "the stack is as before the call";
            if (below) {
                EXPECT_EQ(tkgetword(), 2) << "the lower file reads on from its cursor";
                tkrelease();
            } else {
                EXPECT_FALSE(tkarrays());
                EXPECT_EQ(failure_message([] { tkgetint(); }),
                          "tkgetint(): call readtok() first\r\n");
            }
        }
    }
}

TEST_F(TokReader, TokenOf31CharactersIsAccepted) {
    const std::string longest = std::string(30, 'x') + "y";
    const std::string path = file("f", "a " + longest + " b");
    ASSERT_EQ(readtok(path.c_str(), ""), 1);
    EXPECT_EQ(read_rest(), (std::vector<seen>{{"a", 1}, {longest, 1}, {"b", 1}}));
    EXPECT_EQ(console_, "");
}

// ---- keyword lists -------------------------------------------------------------

TEST_F(TokReader, MatchCountsNonEmptyEntriesAndLowerCasesInPlace) {
    struct row {
        const char* keys;
        const char* word;
        int position;
        const char* lowered;
    };
    const row rows[] = {
        {zux_keys, "n", 1, "n"},     {zux_keys, "T", 2, "t"},
        {zux_keys, "r", 3, "r"},     {zux_keys, "WR", 4, "wr"},
        {zux_keys, "hr", 5, "hr"},   {zux_keys, "whr", 6, "whr"},
        {zux_keys, "wHr", 6, "whr"}, {zux_keys, "w", 0, "w"}, // no prefix match
        {zux_keys, "wh", 0, "wh"},   {zux_keys, "whrr", 0, "whrr"},
        {zux_keys, "", 0, ""},       {":a:b", "b", 2, "b"},  // leading colon
        {"a::b", "b", 2, "b"},                               // two colons in a row
        {"::a:::b::", "b", 2, "b"},  {"a:b:a", "a", 1, "a"}, // the first of two equal entries
        {"Ab:cd", "AB", 0, "ab"},                            // an upper-case entry never matches
        {"Ab:cd", "cd", 2, "cd"},    {"", "a", 0, "a"},      // empty list
        {":", "a", 0, "a"},          {"x", "@[AZ`{", 0, "@[az`{"}, // only A to Z change
    };
    const std::string path = file("f", "");
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.keys) + " / " + r.word);
        ASSERT_EQ(readtok(path.c_str(), r.keys), 1);
        char word[32];
        std::strcpy(word, r.word);
        EXPECT_EQ(tkmatch(word), r.position);
        EXPECT_STREQ(word, r.lowered);
        tkrelease();
    }
}

TEST_F(TokReader, WordsAreLookedUpInTheTopFilesList) {
    const std::string path = file("f", "N t\r\nWR whr\n");
    ASSERT_EQ(readtok(path.c_str(), zux_keys), 1);
    EXPECT_EQ(tkgetword(), 1);
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkgetword(), 4);
    EXPECT_EQ(tkgetword(), 6);
    EXPECT_EQ(tkgetword(), 0);
    EXPECT_EQ(tkdepth(), 1) << "the end of the file releases nothing";
}

TEST_F(TokReader, KeywordListLongerThan254CharactersWorks) {
    std::string keys;
    for (int i = 0; i < 100; ++i) {
        keys += std::string(keys.empty() ? "" : ":") + "kw" + static_cast<char>('a' + i / 26) +
                static_cast<char>('a' + i % 26);
    }
    ASSERT_GT(keys.size(), 254u);
    const std::string path = file("f", "kwab KWDV kwcx");
    ASSERT_EQ(readtok(path.c_str(), keys.c_str()), 1);
    EXPECT_EQ(tkgetword(), 2);   // a b: 0 * 26 + 1, 1-based
    EXPECT_EQ(tkgetword(), 100); // d v: 3 * 26 + 21, 1-based
    EXPECT_EQ(tkgetword(), 76);  // c x: 2 * 26 + 23, 1-based
}

// ---- getter failures -----------------------------------------------------------

struct getter_failure {
    const char* name;
    std::string content;
    const char* keys;
    std::function<void()> before; // calls that succeed first
    std::function<void()> call;   // the call that ends the run
    std::string message;          // "{f}" stands for the file name
};

void read_t5_to_end() {
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkgetint(), 5);
    EXPECT_EQ(tkgetword(), 0);
}

void read_t5_strings_to_end() {
    char buf[32] = "zzz";
    EXPECT_NE(tkgetstring(buf), nullptr);
    EXPECT_NE(tkgetstring(buf), nullptr);
    EXPECT_EQ(tkgetstring(buf), nullptr);
    EXPECT_STREQ(buf, "");
}

void nothing() {}
void get_int() {
    tkgetint();
}
void get_float() {
    tkgetfloat();
}
void get_word() {
    tkgetword();
}
void get_string() {
    char buf[32];
    tkgetstring(buf);
}

const std::vector<getter_failure>& getter_failures() {
    static const std::vector<getter_failure> cases = {
        // The cursor already stepped past the end: "(1)".
        {"int_after_end", "t 5", zux_keys, read_t5_to_end, get_int,
         "File '{f}': integer expected, found end of file (1)\r\n"},
        {"float_after_end", "t 5", zux_keys, read_t5_to_end, get_float,
         "File '{f}': floating point number expected, found end of file (1)\r\n"},
        {"word_after_end", "t 5", zux_keys, read_t5_to_end, get_word,
         "File '{f}': word expected, found end of file (1)\r\n"
         "Maybe tkgetword() was called again after it returned 0?\r\n"},
        {"string_after_end", "t 5", zux_keys, read_t5_to_end, get_string,
         "File '{f}': string expected, found end of file (1)\r\n"
         "Maybe tkgetstring() was called again after it returned 0?\r\n"},
        {"int_after_string_end", "t 5", zux_keys, read_t5_strings_to_end, get_int,
         "File '{f}': integer expected, found end of file (1)\r\n"},
        {"word_after_string_end", "t 5", zux_keys, read_t5_strings_to_end, get_word,
         "File '{f}': word expected, found end of file (1)\r\n"
         "Maybe tkgetword() was called again after it returned 0?\r\n"},
        // The file runs out in this call: "(2)".
        {"int_runs_out", "t", zux_keys, [] { EXPECT_EQ(tkgetword(), 2); }, get_int,
         "File '{f}': integer expected, found end of file (2)\r\n"},
        {"float_runs_out", "t 5", zux_keys,
         [] {
             EXPECT_EQ(tkgetword(), 2);
             EXPECT_EQ(tkgetint(), 5);
         },
         get_float, "File '{f}': floating point number expected, found end of file (2)\r\n"},
        {"int_on_empty_file", "", zux_keys, nothing, get_int,
         "File '{f}': integer expected, found end of file (2)\r\n"},
        {"float_on_empty_file", "\r\n", zux_keys, nothing, get_float,
         "File '{f}': floating point number expected, found end of file (2)\r\n"},
        // A token of another kind.
        {"int_gets_float", "t\n\n  -5 x\n", zux_keys, [] { EXPECT_EQ(tkgetword(), 2); }, get_int,
         "File '{f}', line 3: integer expected, found:\r\nfloating point, -5.0000e+00\r\n"},
        {"int_gets_word", "abc", zux_keys, nothing, get_int,
         "File '{f}', line 1: integer expected, found:\r\nword, 'abc'\r\n"},
        {"float_gets_word", "\nAbc", zux_keys, nothing, get_float,
         "File '{f}', line 2: floating point number expected, found:\r\nword, 'Abc'\r\n"},
        {"float_gets_unknown", "1.5 E5", zux_keys, get_float, get_float,
         "File '{f}', line 1: floating point number expected, found:\r\nunknown type, 'E5'\r\n"},
        {"word_gets_int", "t\r\n7", zux_keys, get_word, get_word,
         "File '{f}', line 2: word expected, found:\r\ninteger, 7\r\n"},
        {"word_gets_float", "1.5", zux_keys, nothing, get_word,
         "File '{f}', line 1: word expected, found:\r\nfloating point, 1.5000e+00\r\n"},
        {"word_gets_unknown", "wr2", zux_keys, nothing, get_word,
         "File '{f}', line 1: word expected, found:\r\nunknown type, 'wr2'\r\n"},
        // A word missing from the list, named lower-cased.
        {"word_not_listed", "t\n XYZ\n", zux_keys, get_word, get_word,
         "File '{f}', line 2: word 'xyz' not recognized\r\n"},
        {"word_with_empty_list", "n", "", nothing, get_word,
         "File '{f}', line 1: word 'n' not recognized\r\n"},
    };
    return cases;
}

TEST_F(TokReader, GetterFailuresReleaseTheTopFile) {
    for (bool below : {false, true}) {
        for (const getter_failure& c : getter_failures()) {
            SCOPED_TRACE(std::string(c.name) + (below ? " over another file" : ""));
            if (below) {
                const std::string lower_path = file("lower", "n r");
                ASSERT_EQ(readtok(lower_path.c_str(), zux_keys), 1);
                ASSERT_EQ(tkgetword(), 1);
            }
            const std::string path = file(c.name, c.content);
            ASSERT_EQ(readtok(path.c_str(), c.keys), 1);
            c.before();
            const int depth = tkdepth();
            EXPECT_EQ(failure_message(c.call), with_name(c.message, path));
            EXPECT_EQ(tkdepth(), depth - 1) << "the top file is released";
            if (below) {
                EXPECT_EQ(tkgetword(), 3) << "the lower file is left as it was";
                tkrelease();
            }
            EXPECT_FALSE(tkarrays());
            EXPECT_EQ(console_, "") << "failures are not printed by the reader itself";
        }
    }
}

TEST_F(TokReader, EndOfFileGivesZeroOrNullWithoutReleasing) {
    const std::string path = file("f", "t 5");
    ASSERT_EQ(readtok(path.c_str(), zux_keys), 1);
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkgetint(), 5);
    char buf[32] = "zzz";
    EXPECT_EQ(tkgetstring(buf), nullptr);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(tkdepth(), 1);
    EXPECT_EQ(printed(), "NULL pointer");
}

TEST_F(TokReader, GettersRefuseAnEmptyStack) {
    struct row {
        const char* name;
        void (*call)();
        const char* message;
    };
    const row rows[] = {
        {"int", get_int, "tkgetint(): call readtok() first\r\n"},
        {"float", get_float, "tkgetfloat(): call readtok() first\r\n"},
        {"word", get_word, "tkgetword(): call readtok() first\r\n"},
        {"string", get_string, "tkgetstring(): call readtok() first\r\n"},
    };
    const std::string path = file("f", "t 5");
    for (bool after_release : {false, true}) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(r.name) + (after_release ? " after a release" : ""));
            if (after_release) {
                ASSERT_EQ(readtok(path.c_str(), zux_keys), 1);
                tkrelease();
            }
            EXPECT_EQ(failure_message(r.call), r.message);
            EXPECT_EQ(tkdepth(), 0);
            EXPECT_FALSE(tkarrays());
        }
    }
}

TEST_F(TokReader, PrintDescribesTheCurrentToken) {
    const std::string path = file("f", "Ab 12 -2.5e-1 x+y");
    ASSERT_EQ(readtok(path.c_str(), "ab"), 1);
    EXPECT_EQ(printed(), "unknown type, ''") << "the head node";
    EXPECT_EQ(tkgetword(), 1);
    EXPECT_EQ(printed(), "word, 'ab'") << "tkgetword lower-cases the token itself";
    EXPECT_EQ(tkgetint(), 12);
    EXPECT_EQ(printed(), "integer, 12");
    EXPECT_EQ(tkgetfloat(), -0.25f);
    EXPECT_EQ(printed(), "floating point, -2.5000e-01");
    char buf[32];
    EXPECT_STREQ(tkgetstring(buf), "x+y");
    EXPECT_EQ(printed(), "unknown type, 'x+y'");
}

// ---- the stack -------------------------------------------------------------------

TEST_F(TokReader, StackedFilesAreReadReleasedAndResumed) {
    const std::string first = file("first", "n 1\nt 2\n");
    const std::string second = file("second", "t 3 n");
    EXPECT_FALSE(tkarrays());
    ASSERT_EQ(readtok(first.c_str(), "n:t"), 1);
    EXPECT_TRUE(tkarrays());
    EXPECT_EQ(tkgetword(), 1);

    ASSERT_EQ(readtok(second.c_str(), "t:n"), 1);
    EXPECT_EQ(tkdepth(), 2);
    EXPECT_EQ(tkgetword(), 1) << "the second file's own list";
    EXPECT_EQ(tkgetint(), 3);
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkgetword(), 0);
    tkrelease();
    EXPECT_EQ(tkdepth(), 1);
    EXPECT_TRUE(tkarrays()) << "the arrays stay while a file is on the stack";

    EXPECT_EQ(tkgetint(), 1) << "the first file resumes where it stopped";
    EXPECT_EQ(tkline(), 1);
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkline(), 2);
    EXPECT_EQ(tkgetint(), 2);
    EXPECT_EQ(tkgetword(), 0);
    tkrelease();
    EXPECT_EQ(tkdepth(), 0);
    EXPECT_FALSE(tkarrays()) << "releasing the last file frees the arrays";

    ASSERT_EQ(readtok(first.c_str(), "n:t"), 1) << "the reader starts again from empty";
    EXPECT_TRUE(tkarrays());
    EXPECT_EQ(tkgetword(), 1);
}

TEST_F(TokReader, SixteenFilesFitAndASeventeenthIsRefused) {
    const std::string path = file("f", "n");
    for (int i = 1; i <= 16; ++i) {
        ASSERT_EQ(readtok(path.c_str(), zux_keys), 1) << "file " << i;
        EXPECT_EQ(tkdepth(), i);
    }
    EXPECT_EQ(failure_message([&] { readtok(path.c_str(), zux_keys); }),
              "readtok(): too many files\r\n");
}

TEST_F(TokReader, ReleaseOnAnEmptyStackIsRefused) {
    EXPECT_EQ(failure_message(tkrelease), "tkrelease(): nothing to release\r\n");
    const std::string path = file("f", "n");
    ASSERT_EQ(readtok(path.c_str(), zux_keys), 1);
    tkrelease();
    EXPECT_EQ(failure_message(tkrelease), "tkrelease(): nothing to release\r\n");
}

TEST_F(TokReader, FilesThatCannotBeReadAreReported) {
    const std::string missing = dir_ / "missing";
    EXPECT_EQ(failure_message([&] { readtok(missing.c_str(), zux_keys); }),
              "readtok(): Could not open '" + missing + "'\r\n");

    const std::string directory = dir_ / "adirectory";
    std::filesystem::create_directory(directory);
    EXPECT_EQ(failure_message([&] { readtok(directory.c_str(), zux_keys); }),
              "readtok(): Could not read '" + directory + "'\r\n");
}

TEST_F(TokReader, LongFileNamesWorkAndNamesAreCopied) {
    const std::string name(80, 'L');
    ASSERT_GT(name.size(), 31u);
    const std::string path = file(name, "t 5");
    char name_arg[512];
    char keys_arg[64];
    std::strcpy(name_arg, path.c_str());
    std::strcpy(keys_arg, zux_keys);
    ASSERT_EQ(readtok(name_arg, keys_arg), 1);
    // The reader keeps copies: the caller may reuse its buffers.
    std::memset(name_arg, 'X', std::strlen(name_arg));
    std::strcpy(keys_arg, "q");
    EXPECT_EQ(tkgetword(), 2);
    EXPECT_EQ(tkgetint(), 5);
    EXPECT_EQ(failure_message(get_int),
              "File '" + path + "': integer expected, found end of file (2)\r\n");
}

} // namespace
