#include "platform/ProfileSection.h"

#include "platform/portable/ProfileReader.h"

namespace corvane::platform {

uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* fileName) {
    return portable::GetPrivateProfileSection(section, buffer, size, fileName);
}

}  // namespace corvane::platform
