// The open-file dialog's two conventions on Windows: the program's filter text
// ("Name|*.a; *.b|...||") as GetOpenFileName's NUL-separated filter, and the
// result buffer GetOpenFileName fills as the program's OpenFileResult.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/ui/DialogWindow.h"

namespace corvane::win32 {

// Every '|' becomes a NUL; the result always ends with two NULs, so a filter
// that lacks its closing "||" cannot run GetOpenFileName past its end.
std::vector<char> ToWindowsFilter(const char* filter);

// The used part of a filled buffer of `size` characters: one full path and a
// NUL, or (when the character before fileOffset is a NUL) the folder, a NUL,
// each name and a NUL, and one more NUL. nullopt for a buffer that holds no
// file, a fileOffset outside it, or names that run to its end unterminated.
std::optional<OpenFileResult> ReadOpenFileBuffer(const char* buffer, size_t size,
                                                 uint32_t fileOffset);

}  // namespace corvane::win32
