#include "platform/SettingsKey.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/portable/RegFileKey.h"

namespace corvane::platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> scratch(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "";
}

}  // namespace

std::unique_ptr<SettingsKey> SettingsKey::OpenOrCreate(const std::string& file) {
    return RegFileKey::Open(file, std::make_unique<FileSystemCalls>());
}

std::string SettingsKey::DefaultLocation() {
    std::string file = Environment("CORVANE_SETTINGS");
    if (!file.empty()) {
        return file;
    }
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        const std::string home = HomeFolder();
        if (home.empty()) {
            return "";  // nowhere to keep settings: the key cannot be opened
        }
        config = home + "/.config";
    }
    return config + "/Moravex/Corvane/Settings.reg";
}

}  // namespace corvane::platform
