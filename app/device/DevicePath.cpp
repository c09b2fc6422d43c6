#include "app/device/DevicePath.h"

#include <cctype>
#include <cstring>

namespace corvane {

bool StoreDevicePath(DeviceRecord& record, const char* path) {
    const std::size_t length = std::strlen(path);
    if (length >= sizeof(record.devicePath)) {
        return false;
    }
    std::memcpy(record.devicePath, path, length + 1);
    return true;
}

bool IsSameDevicePath(const DeviceRecord& record, const char* path) {
    return std::strcmp(record.devicePath, path) == 0;
}

bool MatchesRemovedPath(const DeviceRecord& record, const char* name, std::size_t nameCapacity) {
    if (name == nullptr || std::memchr(name, '\0', nameCapacity) == nullptr) {
        return false;
    }
    const char* kept = record.devicePath;
    for (; *kept != '\0' && *name != '\0'; ++kept, ++name) {
        if (std::tolower(static_cast<unsigned char>(*kept)) !=
            std::tolower(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return *kept == *name;
}

}  // namespace corvane
