// The nine settings kept between runs in the program's settings key, and the
// four operations that read or write one of them. The key is the one opened
// at start-up (it lives in the ProgramContext); nullptr stands for a key that
// could not be opened or created: every read then gives its default and every
// write is lost, silently, so the program still runs.
#pragma once

#include <cstdint>

#include "app/ui/MainWindowRecord.h"
#include "app/ui/OwnedText.h"
#include "platform/SettingsKey.h"

namespace corvane {

enum class SettingId : uint8_t {
    EnableFileSelection = 0,
    MatchFilesToHardware = 1,
    MatchFilesToPartNumber = 2,
    DldPath = 3,
    FileDirectory = 4,
    ShowCompletionMessageBox = 5,
    EnableAdvancedDialog = 6,
    ConfigPassword = 7,
    VerifyDownloads = 8,
};
inline constexpr int kSettingCount = 9;

enum class SettingKind : uint8_t { Number, Text };

struct SettingInfo {
    const char* valueName;  // nullptr: the key's unnamed default value
    SettingKind kind;
    uint32_t defaultNumber;   // for numbers
    const char* defaultText;  // for texts
};

// The table entry of a setting; nullptr for a value outside 0..8.
const SettingInfo* FindSetting(SettingId id);

// A text is queried into a buffer of this many bytes: a stored text of up to
// 99 characters (100 bytes with its terminator) is read whole, a longer one
// reads as missing.
inline constexpr uint32_t kSettingTextBufferSize = 100;

// A new copy of the stored text, or of defaultText (nullptr counts as "") when
// the value is missing, too long, or the key is not open. A stored value
// without a terminator ends at the buffer's end. The value's kind is not
// examined.
OwnedText ReadSettingText(const platform::SettingsKey* key, SettingId id, const char* defaultText);

// The stored number, or defaultNumber when the value is missing, holds more
// or fewer than 4 bytes, or the key is not open. The kind is not examined.
uint32_t ReadSettingNumber(const platform::SettingsKey* key, SettingId id, uint32_t defaultNumber);

// Store a text (with its terminator; nullptr stores "") or a 32-bit number.
// True when the key has taken it; callers are free to ignore the result.
bool WriteSettingText(platform::SettingsKey* key, SettingId id, const char* text);
bool WriteSettingNumber(platform::SettingsKey* key, SettingId id, uint32_t number);

// Main window initialisation: numbers 0, 1, 2, 6, 5, 8 into the six setting
// fields (each with its table default), then text 3 into dldPath (default
// ""), replacing and freeing any previous dldPath.
void ReadMainWindowSettings(const platform::SettingsKey* key, MainWindowRecord& record);

// Main window close: numbers 0, 1, 2, 6, 5, 8 from the six setting fields,
// then text 3 from dldPath (a path never read or chosen writes "").
void WriteMainWindowSettings(platform::SettingsKey* key, const MainWindowRecord& record);

}  // namespace corvane
