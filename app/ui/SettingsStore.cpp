#include "app/ui/SettingsStore.h"

#include <cstring>

namespace corvane {

namespace {

constexpr SettingInfo kSettings[kSettingCount] = {
    {"Enable File Selection", SettingKind::Number, 1, nullptr},
    {"Match Files to Hardware", SettingKind::Number, 1, nullptr},
    {"Match Files to Part Number", SettingKind::Number, 0, nullptr},
    {".DLD Path", SettingKind::Text, 0, ""},
    {"File Directory", SettingKind::Text, 0, ""},
    {"Show Completion Message Box", SettingKind::Number, 0, nullptr},
    {"Enable Advanced Dialog", SettingKind::Number, 0, nullptr},
    {"Config Password", SettingKind::Text, 0, ""},
    {nullptr, SettingKind::Number, 0, nullptr},  // VerifyDownloads: the unnamed value
};

}  // namespace

const SettingInfo* FindSetting(SettingId id) {
    const auto index = static_cast<unsigned>(id);
    return index < kSettingCount ? &kSettings[index] : nullptr;
}

OwnedText ReadSettingText(const platform::SettingsKey* key, SettingId id, const char* defaultText) {
    const SettingInfo* setting = FindSetting(id);
    if (key == nullptr || setting == nullptr) {
        return CopyText(defaultText);
    }
    // One spare byte that the query never fills, so a value stored without
    // its terminator still ends inside the buffer.
    char buffer[kSettingTextBufferSize + 1] = {};
    uint32_t size = kSettingTextBufferSize;
    if (!key->Query(setting->valueName, buffer, &size)) {
        return CopyText(defaultText);
    }
    return CopyText(buffer);
}

uint32_t ReadSettingNumber(const platform::SettingsKey* key, SettingId id, uint32_t defaultNumber) {
    const SettingInfo* setting = FindSetting(id);
    if (key == nullptr || setting == nullptr) {
        return defaultNumber;
    }
    unsigned char bytes[4] = {};
    uint32_t size = sizeof bytes;
    // Fewer than four bytes is no 32-bit number: half a number is no better
    // than none, so it reads as missing like a longer value does.
    if (!key->Query(setting->valueName, bytes, &size) || size != sizeof bytes) {
        return defaultNumber;
    }
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

bool WriteSettingText(platform::SettingsKey* key, SettingId id, const char* text) {
    const SettingInfo* setting = FindSetting(id);
    if (key == nullptr || setting == nullptr) {
        return false;
    }
    return key->SetText(setting->valueName, text != nullptr ? text : "");
}

bool WriteSettingNumber(platform::SettingsKey* key, SettingId id, uint32_t number) {
    const SettingInfo* setting = FindSetting(id);
    if (key == nullptr || setting == nullptr) {
        return false;
    }
    return key->SetNumber(setting->valueName, number);
}

}  // namespace corvane
