#include "platform/SettingsKey.h"

#include "platform/win32/RegistryKey.h"

namespace corvane::platform {

// On Windows the key lives in the registry; a location names a root and a
// subkey. Anything else (a .reg file path from a Linux habit) is refused, and
// the program then runs on its defaults.
std::unique_ptr<SettingsKey> SettingsKey::OpenOrCreate(const std::string& location) {
    win32::RegistryLocation parsed;
    if (!win32::ParseRegistryLocation(location, parsed)) {
        return nullptr;
    }
    return win32::RegistryKey::OpenOrCreate(parsed);
}

std::string SettingsKey::DefaultLocation() {
    return "HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings";
}

}  // namespace corvane::platform
