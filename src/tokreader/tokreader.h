// A small reader of whitespace-separated tokens from text files.
//
// `readtok` reads a whole text file (under the text-mode rules of
// platform/textio.h), splits it into tokens at the separator bytes tab, line
// feed, carriage return and space, classifies every token as an integer, a
// word, a floating point number or an unknown token, and pushes the file on a
// stack of at most 16 token files. The typed getters hand out the tokens of the
// file on top of the stack one per call, in file order; anything unexpected
// ends the run through platform::fail with a message naming the file, the line
// and what was found. `tkrelease` pops the top file; the one below is then read
// on from where it stopped.
//
// Classification of a token, first match wins:
//   word     every character an ASCII letter            (text kept as read)
//   integer  every character a decimal digit            (value wraps at 32 bits)
//   floating optional leading '-', then digits, at most one '.', at most one
//            'e' (optionally followed by '-'), the point before the e;
//            value: the C library's text-to-double conversion rounded to
//            float, +0.0 where no number can be read ("-", ".", "e5")
//   unknown  anything else                              (text kept as read)
// Tokens are at most 31 characters long; a longer one makes `readtok` print
// "File '<name>', line <n>: word too long" and return 0 with the stack as it
// was before the call.
//
// Choices beyond the classic limits: file names and keyword lists of any
// length are accepted; a 17th file on the stack, `tkrelease` on an empty
// stack and a read error other than the end of the file are reported and end
// the run; `tkgetstring` gives number tokens as the text they were read from.
#pragma once

#include <cstdint>

// Pushes the token file `fname` on the stack. `keylist` is a colon-separated
// list of keywords ("n:t:r") that `tkgetword` matches words against.
// Returns 1, or 0 after a token longer than 31 characters (already reported).
int readtok(const char* fname, const char* keylist);

// Pops the top token file and frees everything it owns.
void tkrelease();

// The next token as an integer (an integer token only).
std::int32_t tkgetint();

// The next token as a float (a floating point or an integer token).
float tkgetfloat();

// The 1-based position of the next token, a word, in the keyword list (case
// is ignored); 0 once the file has no more tokens.
int tkgetword();

// Copies the next token's text, of any kind, into `buf` (at least 32 chars)
// and returns `buf`; at the end of the file empties `buf` and returns null.
char* tkgetstring(char* buf);

// The line of the token handed out last (0 when there is none).
int tkline();

// Number of token files on the stack.
int tkdepth();

// Prints a description of the current token, without a line end.
void tkprint();

// Lower-cases `s` in place and returns its 1-based position in the top file's
// keyword list, counting non-empty entries only; 0 when it is not there.
int tkmatch(char* s);
