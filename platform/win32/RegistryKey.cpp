#include "platform/win32/RegistryKey.h"

#include <cstring>
#include <vector>

#include "platform/win32/WinApi.h"

namespace corvane::win32 {

namespace {

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
    const size_t length = std::strlen(prefix);
    if (text.size() <= length || _strnicmp(text.c_str(), prefix, length) != 0) {
        return false;
    }
    rest = text.substr(length);
    return true;
}

HKEY Key(void* key) {
    return static_cast<HKEY>(key);
}

// The unnamed default value is "" to the registry.
const char* ValueName(const char* name) {
    return name != nullptr ? name : "";
}

}  // namespace

bool ParseRegistryLocation(const std::string& text, RegistryLocation& out) {
    std::string rest;
    if (StartsWith(text, "HKEY_LOCAL_MACHINE\\", rest) || StartsWith(text, "HKLM\\", rest)) {
        out.localMachine = true;
    } else if (StartsWith(text, "HKEY_CURRENT_USER\\", rest) || StartsWith(text, "HKCU\\", rest)) {
        out.localMachine = false;
    } else {
        return false;
    }
    out.subkey = rest;
    return true;
}

std::unique_ptr<RegistryKey> RegistryKey::OpenOrCreate(const RegistryLocation& location) {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(
        location.localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, location.subkey.c_str(), 0,
        nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::unique_ptr<RegistryKey>(new RegistryKey(key));
}

RegistryKey::~RegistryKey() {
    RegCloseKey(Key(key_));
}

bool RegistryKey::Query(const char* name, void* buffer, uint32_t* size) const {
    if (size == nullptr) {
        return false;
    }
    DWORD needed = 0;
    if (RegQueryValueExA(Key(key_), ValueName(name), nullptr, nullptr, nullptr, &needed) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (buffer == nullptr) {
        *size = needed;
        return true;
    }
    if (needed > *size) {
        return false;
    }
    // Read into a copy first: a value that grew in between must not leave a
    // part of itself in the caller's buffer.
    std::vector<BYTE> data(needed > 0 ? needed : 1);
    DWORD got = needed;
    if (RegQueryValueExA(Key(key_), ValueName(name), nullptr, nullptr, data.data(), &got) !=
            ERROR_SUCCESS ||
        got > *size) {
        return false;
    }
    std::memcpy(buffer, data.data(), got);
    *size = got;
    return true;
}

bool RegistryKey::SetText(const char* name, const char* text) {
    if (text == nullptr) {
        text = "";
    }
    const auto length = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(Key(key_), ValueName(name), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text), length) == ERROR_SUCCESS;
}

bool RegistryKey::SetNumber(const char* name, uint32_t value) {
    const DWORD number = value;
    return RegSetValueExA(Key(key_), ValueName(name), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&number), sizeof number) == ERROR_SUCCESS;
}

}  // namespace corvane::win32
