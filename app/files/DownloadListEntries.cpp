#include "app/files/DownloadListEntries.h"

#include <cstring>

namespace corvane {

std::optional<std::string> FindListEntry(const char* line, const char* key) {
    const std::string opening = std::string(key) + "=\"";
    const char* start = std::strstr(line, opening.c_str());
    if (start == nullptr) {
        return std::nullopt;
    }
    const char* value = start + opening.size();
    const char* end = std::strchr(value, '"');
    if (end == nullptr) {
        return std::nullopt;
    }
    return std::string(value, end);
}

}  // namespace corvane
