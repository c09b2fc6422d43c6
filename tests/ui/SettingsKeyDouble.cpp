#include "tests/ui/SettingsKeyDouble.h"

#include <cstring>

namespace corvane::test {

bool SettingsKeyDouble::Query(const char* name, void* buffer, uint32_t* size) const {
    log_.push_back("query:" + Key(name));
    const auto found = values_.find(Key(name));
    if (found == values_.end() || found->second.size() > *size) {
        return false;
    }
    if (!found->second.empty()) {
        std::memcpy(buffer, found->second.data(), found->second.size());
    }
    *size = static_cast<uint32_t>(found->second.size());
    return true;
}

bool SettingsKeyDouble::SetText(const char* name, const char* text) {
    std::vector<uint8_t> bytes(text, text + std::strlen(text) + 1);
    return Store(name, std::move(bytes));
}

bool SettingsKeyDouble::SetNumber(const char* name, uint32_t value) {
    return Store(name, {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

bool SettingsKeyDouble::Store(const char* name, std::vector<uint8_t> bytes) {
    log_.push_back("set:" + Key(name));
    if (refuseWrites_) {
        return false;
    }
    values_[Key(name)] = std::move(bytes);
    return true;
}

void SettingsKeyDouble::SetRaw(const std::string& name, std::vector<uint8_t> bytes) {
    values_[name] = std::move(bytes);
}

std::optional<std::vector<uint8_t>> SettingsKeyDouble::Raw(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> SettingsKeyDouble::Text(const std::string& name) const {
    const auto bytes = Raw(name);
    if (!bytes || bytes->empty() || bytes->back() != 0) {
        return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end() - 1);
}

std::optional<uint32_t> SettingsKeyDouble::Number(const std::string& name) const {
    const auto bytes = Raw(name);
    if (!bytes || bytes->size() != 4) {
        return std::nullopt;
    }
    return uint32_t{(*bytes)[0]} | uint32_t{(*bytes)[1]} << 8 | uint32_t{(*bytes)[2]} << 16 |
           uint32_t{(*bytes)[3]} << 24;
}

}  // namespace corvane::test
