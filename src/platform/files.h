// Questions about files that the C library alone does not answer.
#pragma once

#include <cstdio>

namespace platform {

// True when both paths name one and the same existing regular file (also
// through links or different spellings of the path).
bool same_file(const char* a, const char* b);

// Opens `path` for writing like fopen(path, "wb"), except when it is the file
// that standard output already writes to (/dev/stdout, or the file standard
// output is redirected to): then the output goes on through a duplicate of
// standard output, behind what was written there already, instead of
// emptying the file. Null when the file cannot be opened.
std::FILE* open_for_writing(const char* path);

} // namespace platform
