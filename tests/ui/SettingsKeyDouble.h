// An in-memory settings key with the platform key's query semantics: a value
// larger than the caller's buffer fails and copies nothing. It records every
// operation in order, and can store raw bytes or refuse writes, so tests can
// see exactly what the store asked of the key.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/SettingsKey.h"

namespace corvane::test {

class SettingsKeyDouble : public platform::SettingsKey {
public:
    bool Query(const char* name, void* buffer, uint32_t* size) const override;
    bool SetText(const char* name, const char* text) override;
    bool SetNumber(const char* name, uint32_t value) override;

    // Stores bytes as they are, for values the program itself never writes.
    void SetRaw(const std::string& name, std::vector<uint8_t> bytes);
    // The stored bytes of a value ("" is the unnamed value), if any.
    std::optional<std::vector<uint8_t>> Raw(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    std::optional<uint32_t> Number(const std::string& name) const;
    size_t ValueCount() const { return values_.size(); }

    // "query:<name>" and "set:<name>" entries ("" for the unnamed value).
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

    void RefuseWrites(bool refuse) { refuseWrites_ = refuse; }

private:
    static std::string Key(const char* name) { return name != nullptr ? name : ""; }
    bool Store(const char* name, std::vector<uint8_t> bytes);

    std::map<std::string, std::vector<uint8_t>> values_;
    mutable std::vector<std::string> log_;
    bool refuseWrites_ = false;
};

}  // namespace corvane::test
