#include "platform/portable/RegFileKey.h"

#include <algorithm>
#include <cstring>

#include "platform/portable/TextFile.h"

namespace corvane::platform {

namespace {

std::string_view NameOf(const char* name) {
    return name != nullptr ? name : "";
}

}  // namespace

std::unique_ptr<RegFileKey> RegFileKey::Open(const std::string& file,
                                             std::unique_ptr<FileSystemCalls> calls) {
    if (file.empty() || calls == nullptr) {
        return nullptr;
    }
    std::string bytes;
    switch (ReadWholeFile(file, bytes)) {
        case ReadResult::Ok:
            return std::unique_ptr<RegFileKey>(new RegFileKey(
                file, std::move(calls), ParseRegFile(DecodeText(bytes), kSettingsKeyPath)));
        case ReadResult::Missing:
            break;
        case ReadResult::Failed:
            return nullptr;
    }
    // A new key exists on disk from the start, as a created registry key does.
    if (!CreateFolders(FolderOf(file))) {
        return nullptr;
    }
    std::unique_ptr<RegFileKey> key(new RegFileKey(file, std::move(calls), {}));
    if (!key->Save(key->values_)) {
        return nullptr;
    }
    return key;
}

RegFileKey::RegFileKey(std::string file, std::unique_ptr<FileSystemCalls> calls,
                       std::vector<RegValue> values)
    : file_(std::move(file)), calls_(std::move(calls)), values_(std::move(values)) {}

bool RegFileKey::Query(const char* name, void* buffer, uint32_t* size) const {
    if (size == nullptr) {
        return false;
    }
    auto it = std::find_if(values_.begin(), values_.end(),
                           [&](const RegValue& v) { return SameValueName(v.name, NameOf(name)); });
    if (it == values_.end()) {
        return false;
    }
    // Without a buffer only the size is asked for, as with RegQueryValueEx.
    if (buffer != nullptr) {
        if (it->data.size() > *size) {
            return false;
        }
        std::memcpy(buffer, it->data.data(), it->data.size());
    }
    *size = static_cast<uint32_t>(it->data.size());
    return true;
}

bool RegFileKey::SetText(const char* name, const char* text) {
    if (text == nullptr) {
        return false;
    }
    return Store(name, kRegSz, std::string(text, std::strlen(text) + 1));
}

bool RegFileKey::SetNumber(const char* name, uint32_t value) {
    std::string data;
    for (int i = 0; i < 4; ++i) {
        data += static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return Store(name, kRegDword, std::move(data));
}

bool RegFileKey::Store(const char* name, uint32_t type, std::string data) {
    const std::string_view valueName = NameOf(name);
    // A line break cannot be written inside a value name of the file.
    if (valueName.find_first_of("\r\n") != std::string_view::npos) {
        return false;
    }
    std::vector<RegValue> values = values_;
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const RegValue& v) { return SameValueName(v.name, valueName); });
    if (it != values.end()) {
        // The stored name keeps its spelling, as the registry keeps it.
        it->type = type;
        it->data = std::move(data);
    } else {
        values.push_back(RegValue{std::string(valueName), type, std::move(data)});
    }
    if (!Save(values)) {
        return false;
    }
    values_ = std::move(values);
    return true;
}

bool RegFileKey::Save(const std::vector<RegValue>& values) {
    return ReplaceFileAtomically(file_, FormatRegFile(kSettingsKeyPath, values), *calls_);
}

}  // namespace corvane::platform
