#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool same_file(const char* a, const char* b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a, &sa) != 0 || ::stat(b, &sb) != 0) {
        return false;
    }
    return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::FILE* open_for_writing(const char* path) {
    struct stat out {};
    struct stat target {};
    if (::fstat(STDOUT_FILENO, &out) == 0 && ::stat(path, &target) == 0 &&
        out.st_dev == target.st_dev && out.st_ino == target.st_ino) {
        std::fflush(stdout);
        const int fd = ::dup(STDOUT_FILENO);
        if (fd >= 0) {
            if (std::FILE* f = ::fdopen(fd, "wb")) {
                return f;
            }
            ::close(fd);
        }
        return nullptr;
    }
    return std::fopen(path, "wb");
}

} // namespace platform
