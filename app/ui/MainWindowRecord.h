// The run's central record: settings, the file list and the connected
// projector's identity. The download thread and the device link read and
// write these fields without a lock; the display state keeps the controls
// that would change them disabled while the download thread uses them.
#pragma once

#include <cstdint>

#include "app/ui/DisplayState.h"

namespace corvane {

inline constexpr int kPlatformIdChars = 10;
inline constexpr int kPartNumberChars = 14;
inline constexpr int kSerialNumberChars = 12;
inline constexpr int kPathChars = 259;  // plus the terminator
inline constexpr int kMaxFiles = 8;

struct MainWindowRecord {
    // Settings, read at initialisation and written back at close.
    uint32_t EnableFileSelection = 1;
    uint32_t MatchFilesToPartNumber = 0;
    uint32_t MatchFilesToHardware = 1;
    uint32_t EnableAdvancedDialog = 0;
    uint32_t ShowCompletionMessageBox = 0;
    uint32_t VerifyDownloads = 0;

    char platformId[kPlatformIdChars + 1] = "UNKNOWN";
    char currentPartNumber[kPartNumberChars + 1] = {};
    char newPartNumber[kPartNumberChars + 1] = {};
    char currentSerialNumber[kSerialNumberChars + 1] = {};
    char newSerialNumber[kSerialNumberChars + 1] = {};
    uint32_t downloadRunning = 0;
    char fileDirectory[kPathChars + 1] = {};
    char* dldPath = nullptr;  // heap text, owned; set at initialisation
    char filePaths[kMaxFiles][kPathChars + 1] = {};
    uint8_t fileCount = 0;
    uint8_t currentFileIndex = 0;
    uint8_t downloadFinished = 1;
    uint32_t displayState = WaitingForProjector;
    uint32_t closing = 0;
    uint8_t stopFlag = 0;
};

}  // namespace corvane
