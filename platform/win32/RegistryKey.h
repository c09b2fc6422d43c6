// The settings key in the Windows registry: RegCreateKeyExA once, queries and
// sets of single values, RegCloseKey when the key is destroyed.
#pragma once

#include <memory>
#include <string>

#include "platform/SettingsKey.h"

namespace corvane::win32 {

// "HKEY_LOCAL_MACHINE\Software\Moravex\Corvane\Settings": a root (also
// HKEY_CURRENT_USER, or HKLM / HKCU for short) and the subkey path below it.
struct RegistryLocation {
    bool localMachine = true;
    std::string subkey;
};
// False when the text does not start with a root this program knows.
bool ParseRegistryLocation(const std::string& text, RegistryLocation& out);

class RegistryKey final : public platform::SettingsKey {
public:
    // Opens or creates the key with full access; nullptr when that fails.
    static std::unique_ptr<RegistryKey> OpenOrCreate(const RegistryLocation& location);
    ~RegistryKey() override;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool Query(const char* name, void* buffer, uint32_t* size) const override;
    bool SetText(const char* name, const char* text) override;
    bool SetNumber(const char* name, uint32_t value) override;

private:
    explicit RegistryKey(void* key) : key_(key) {}
    void* key_;  // HKEY
};

}  // namespace corvane::win32
