#include "app/ui/StringTable.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

struct StringEntry {
    uint32_t id;
    const char* text;
};

constexpr StringEntry kStrings[] = {
    {kStringAboutMenu, "&About Corvane..."},
    {kStringDownload, "Download"},
    {kStringWaitingForConnection, "Waiting for new connection..."},
    {kStringDownloading, "Downloading "},
    {kStringRequestingPlatformId, "Requesting Platform ID..."},
    {kStringConnected, "Connected"},
    {kStringScanningFile, "Scanning File..."},
    {kStringVersion, "1.6"},
    {kStringRequestingPartitions, "Requesting Flash Partitions..."},
};

}  // namespace

const char* LoadStringText(uint32_t id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return nullptr;
}

int LoadString(uint32_t id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const char* text = LoadStringText(id);
    size_t count = 0;
    if (text != nullptr) {
        count = std::min(std::strlen(text), static_cast<size_t>(size - 1));
        std::memcpy(buffer, text, count);
    }
    buffer[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace corvane
