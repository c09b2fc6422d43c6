#include "platform/SettingsKey.h"

#include "platform/portable/RegFileKey.h"
#include "platform/win32/RegistryKey.h"

namespace corvane::platform {

// On Windows the key lives in the registry; a location names a root and a
// subkey. Any other location is a .reg file, kept as on Linux (tests, and
// corvane-cli.exe --settings FILE).
std::unique_ptr<SettingsKey> SettingsKey::OpenOrCreate(const std::string& location) {
    win32::RegistryLocation parsed;
    if (win32::ParseRegistryLocation(location, parsed)) {
        return win32::RegistryKey::OpenOrCreate(parsed);
    }
    return RegFileKey::Open(location, std::make_unique<FileSystemCalls>());
}

std::string SettingsKey::DefaultLocation() {
    return "HKEY_LOCAL_MACHINE\\Software\\Moravex\\Corvane\\Settings";
}

}  // namespace corvane::platform
