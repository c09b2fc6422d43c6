#include "platform/ProfileSection.h"

#include "platform/win32/WinApi.h"

namespace corvane::platform {

uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    // The system writes the list's two terminators even into a one-byte
    // buffer (seen under Wine): room for nothing is answered here.
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    return GetPrivateProfileSectionA(section, buffer, size, fileName);
}

}  // namespace corvane::platform
