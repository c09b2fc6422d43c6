// Our own reader of profile-file sections, with the semantics of
// GetPrivateProfileSectionA (see platform/ProfileSection.h). It is what Linux
// uses; on Windows the system's reader serves the program, and this one is
// compared with it case by case in the tests.
#pragma once

#include <cstdint>

namespace corvane::platform::portable {

// Returns the number of characters copied, not counting the final NUL.
uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* fileName);

}  // namespace corvane::platform::portable
