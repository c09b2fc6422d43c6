// The settings key kept in a .reg text file: every value in memory, the whole
// file rewritten atomically on every change.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/SettingsKey.h"
#include "platform/portable/AtomicFile.h"
#include "platform/portable/RegFile.h"

namespace corvane::platform {

class RegFileKey final : public SettingsKey {
public:
    // As SettingsKey::OpenOrCreate; every save goes through `calls`.
    static std::unique_ptr<RegFileKey> Open(const std::string& file,
                                            std::unique_ptr<FileSystemCalls> calls);

    bool Query(const char* name, void* buffer, uint32_t* size) const override;
    bool SetText(const char* name, const char* text) override;
    bool SetNumber(const char* name, uint32_t value) override;

private:
    RegFileKey(std::string file, std::unique_ptr<FileSystemCalls> calls,
               std::vector<RegValue> values);
    // Stores the value and saves; on a failed save the key stays as it was
    // on disk.
    bool Store(const char* name, uint32_t type, std::string data);
    bool Save(const std::vector<RegValue>& values);

    std::string file_;
    std::unique_ptr<FileSystemCalls> calls_;
    std::vector<RegValue> values_;
};

}  // namespace corvane::platform
