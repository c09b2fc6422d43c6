#include "platform/Paths.h"

#include "platform/portable/SlashPaths.h"

namespace corvane::platform {

bool PathIsRelative(const char* path) {
    return portable::PathIsRelative(path);
}

const char* PathFindFileName(const char* path) {
    return portable::PathFindFileName(path);
}

void NormalizeListSeparators(char* path) {
    if (path == nullptr) {
        return;
    }
    for (char* p = path; *p != '\0'; ++p) {
        if (*p == '\\') {
            *p = kPathSeparator;
        }
    }
}

}  // namespace corvane::platform
