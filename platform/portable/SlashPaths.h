// Path rules where both '/' and '\' separate folders and only a leading
// separator makes a path absolute: what Linux uses for download-list entries
// (a list written on Windows says fw\boot.hex). The tests compare them case by
// case with PathIsRelativeA and PathFindFileNameA.
#pragma once

namespace corvane::platform::portable {

// True unless the path starts with a separator (also for nullptr and "").
bool PathIsRelative(const char* path);
// The text after the last separator (the whole path when there is none;
// nullptr for nullptr).
const char* PathFindFileName(const char* path);

}  // namespace corvane::platform::portable
