#include "app/ui/win32/FileDialogBuffer.h"

#include <cstring>

namespace corvane::win32 {

std::vector<char> ToWindowsFilter(const char* filter) {
    std::vector<char> converted;
    for (const char* at = filter != nullptr ? filter : ""; *at != '\0'; ++at) {
        converted.push_back(*at == '|' ? '\0' : *at);
    }
    converted.push_back('\0');
    converted.push_back('\0');
    return converted;
}

std::optional<OpenFileResult> ReadOpenFileBuffer(const char* buffer, size_t size,
                                                 uint32_t fileOffset) {
    if (buffer == nullptr || size == 0 || buffer[0] == '\0' || fileOffset == 0 ||
        fileOffset >= size) {
        return std::nullopt;
    }
    OpenFileResult result;
    result.fileOffset = fileOffset;
    const size_t first = strnlen(buffer, size);
    if (first == size) {
        return std::nullopt;
    }
    if (buffer[fileOffset - 1] != '\0') {
        // One file: its full path.
        if (fileOffset >= first) {
            return std::nullopt;
        }
        result.buffer.assign(buffer, buffer + first + 1);
        return result;
    }
    // Several: the folder, then names up to the empty one.
    size_t at = first + 1;
    if (at != fileOffset) {
        return std::nullopt;
    }
    while (at < size && buffer[at] != '\0') {
        const size_t length = strnlen(buffer + at, size - at);
        if (at + length >= size) {
            return std::nullopt;
        }
        at += length + 1;
    }
    if (at >= size || at == fileOffset) {
        return std::nullopt;
    }
    result.buffer.assign(buffer, buffer + at + 1);
    return result;
}

}  // namespace corvane::win32
