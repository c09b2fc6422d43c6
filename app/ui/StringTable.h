// The program's string table: short texts addressed by number.
//
// Note for a Win32 front end: <windows.h> defines LoadString as a macro;
// include this header after it and #undef LoadString, or call LoadStringText.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr uint32_t kStringAboutMenu = 101;             // "&About Corvane..."
inline constexpr uint32_t kStringDownload = 102;              // "Download"
inline constexpr uint32_t kStringWaitingForConnection = 106;  // "Waiting for new connection..."
inline constexpr uint32_t kStringDownloading = 108;  // "Downloading " (a file name follows)
inline constexpr uint32_t kStringRequestingPlatformId = 109;  // "Requesting Platform ID..."
inline constexpr uint32_t kStringConnected = 111;             // "Connected"
inline constexpr uint32_t kStringScanningFile = 112;          // "Scanning File..."
inline constexpr uint32_t kStringVersion = 113;               // "1.6"
inline constexpr uint32_t kStringRequestingPartitions = 115;  // "Requesting Flash Partitions..."

// The text of a string id; nullptr for an id that is not in the table.
const char* LoadStringText(uint32_t id);

// Copies at most size - 1 characters of the text into buffer and terminates
// it; returns the number of characters copied. An unknown id, a null buffer
// or size 0 copies nothing and returns 0 (with size >= 1 the buffer then
// holds ""), as LoadString does.
int LoadString(uint32_t id, char* buffer, int size);

}  // namespace corvane
