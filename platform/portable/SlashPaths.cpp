#include "platform/portable/SlashPaths.h"

namespace corvane::platform::portable {

namespace {

// A list written on Windows separates folders with '\'.
bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

bool PathIsRelative(const char* path) {
    return path == nullptr || !IsSeparator(path[0]);
}

const char* PathFindFileName(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (IsSeparator(*p)) {
            name = p + 1;
        }
    }
    return name;
}

}  // namespace corvane::platform::portable
