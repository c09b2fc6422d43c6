// Path helpers of the target platform. On Linux '/' separates folders and an
// absolute path starts with '/'; a '\' (from a download list written on
// Windows) is taken as a separator as well. On Windows they are the shell's
// PathIsRelativeA and PathFindFileNameA.
#pragma once

namespace corvane::platform {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

bool PathIsRelative(const char* path);
// The file-name part: the text after the last separator (the whole path when
// there is none).
const char* PathFindFileName(const char* path);
// Rewrites every '\' of a download-list entry into the platform's separator.
void NormalizeListSeparators(char* path);

}  // namespace corvane::platform
