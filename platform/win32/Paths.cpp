#include "platform/Paths.h"

// clang-format off
#include "platform/win32/WinApi.h"
#include <shlwapi.h>
// clang-format on

#undef PathFindFileName
#undef PathIsRelative

namespace corvane::platform {

bool PathIsRelative(const char* path) {
    return PathIsRelativeA(path) != FALSE;
}

const char* PathFindFileName(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    return PathFindFileNameA(path);
}

// '\' is already the separator here, and '/' is taken as one by the system.
void NormalizeListSeparators(char*) {}

}  // namespace corvane::platform
