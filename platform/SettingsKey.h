// One registry-like key that holds named values: 32-bit numbers and texts,
// plus the unnamed default value. The program opens it once at start-up and
// closes it at the end.
//
// On Linux the key is a text file in the Windows .reg export format,
//     [HKEY_LOCAL_MACHINE\Software\Moravex\Corvane\Settings]
//     "Name"=dword:00000001
//     "Name"="text"
//     @=dword:00000000
// rewritten atomically (temporary file, then rename) on every change, so a
// crash never leaves a torn file behind. On Windows it is the registry key
// itself: a location names a root and a subkey,
// "HKEY_LOCAL_MACHINE\Software\Moravex\Corvane\Settings" (also
// HKEY_CURRENT_USER, HKLM, HKCU); any other location is a .reg file as on
// Linux.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace corvane::platform {

class SettingsKey {
public:
    // Opens the key stored in `file`, creating an empty key (and its folders)
    // when the file does not exist yet. nullptr when the key can be neither
    // read nor created. A file whose lines cannot be parsed keeps the values
    // that can; the rest read as missing.
    static std::unique_ptr<SettingsKey> OpenOrCreate(const std::string& file);

    // The default location: $CORVANE_SETTINGS when set, else
    // $XDG_CONFIG_HOME (or ~/.config) + "/Moravex/Corvane/Settings.reg".
    // Empty when there is no home folder either. On Windows the key of the
    // local machine above.
    static std::string DefaultLocation();

    // OpenOrCreate(file), or of the default location when file is empty;
    // nullptr also when there is no default location.
    static std::unique_ptr<SettingsKey> OpenOrCreateOrDefault(const std::string& file) {
        const std::string location = file.empty() ? DefaultLocation() : file;
        return location.empty() ? nullptr : OpenOrCreate(location);
    }

    virtual ~SettingsKey() = default;

    // name nullptr or "" selects the unnamed default value. Copies the value's
    // raw bytes (a text with its terminating NUL, a number as 4 little-endian
    // bytes) into buffer and stores their count in *size. Fails, copying
    // nothing, when the value is missing or larger than *size; the value's
    // kind is not examined. With buffer nullptr only *size is filled in.
    virtual bool Query(const char* name, void* buffer, uint32_t* size) const = 0;

    // Store a value and save the key. False when it could not be saved.
    virtual bool SetText(const char* name, const char* text) = 0;
    virtual bool SetNumber(const char* name, uint32_t value) = 0;
};

}  // namespace corvane::platform
