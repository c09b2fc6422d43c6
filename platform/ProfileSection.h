// Reads one section of an INI-style profile file, with the semantics of
// GetPrivateProfileSectionA: the section's lines as NUL-terminated strings
// followed by one more NUL, truncated to the buffer.
#pragma once

#include <cstdint>

namespace corvane::platform {

// Returns the number of characters copied, not counting the final NUL.
uint32_t GetPrivateProfileSection(const char* section, char* buffer, uint32_t size,
                                  const char* fileName);

}  // namespace corvane::platform
