#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/engine/DownloadJobOps.h"

namespace corvane {

void ComposeFileStatus(char* out, size_t size, const char* prefix, const char* fileName,
                       const char* suffix) {
    static constexpr char kCut[] = "...";
    if (size == 0) {
        return;
    }
    const size_t room = size - 1;
    const size_t prefixLength = std::strlen(prefix);
    const size_t nameLength = std::strlen(fileName);
    const size_t suffixLength = std::strlen(suffix);
    std::string_view name(fileName, nameLength);
    const char* tail = suffix;
    if (prefixLength + nameLength + suffixLength > room) {
        // Keep the start of the name and show that it was cut.
        const size_t fixed = prefixLength + (sizeof(kCut) - 1);
        name = name.substr(0, room > fixed ? room - fixed : 0);
        tail = kCut;
    }
    std::snprintf(out, size, "%s%.*s%s", prefix, static_cast<int>(name.size()), name.data(), tail);
}

}  // namespace corvane
