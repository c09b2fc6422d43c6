#include "app/ui/MainWindowRecordOps.h"

#include <cstring>

namespace corvane {

void CopyBounded(char* field, int maxChars, const char* text) {
    if (text == nullptr) {
        text = "";
    }
    // Writes every byte of the field, so no stale characters survive behind
    // a shorter text.
    std::strncpy(field, text, static_cast<size_t>(maxChars));
    field[maxChars] = '\0';
}

void ResetMainWindowRecord(MainWindowRecord& record) {
    FreeDldPath(record);
    record = MainWindowRecord{};
}

void SetPlatformId(MainWindowRecord& record, const char* text) {
    CopyBounded(record.platformId, kPlatformIdChars, text);
}

void SetCurrentPartNumber(MainWindowRecord& record, const char* text) {
    CopyBounded(record.currentPartNumber, kPartNumberChars, text);
}

void SetCurrentSerialNumber(MainWindowRecord& record, const char* text) {
    CopyBounded(record.currentSerialNumber, kSerialNumberChars, text);
}

void SetNewPartNumber(MainWindowRecord& record, const char* text) {
    CopyBounded(record.newPartNumber, kPartNumberChars, text);
}

void SetNewSerialNumber(MainWindowRecord& record, const char* text) {
    CopyBounded(record.newSerialNumber, kSerialNumberChars, text);
}

void SetDldPath(MainWindowRecord& record, OwnedText path) {
    FreeDldPath(record);
    record.dldPath = path.release();
}

void FreeDldPath(MainWindowRecord& record) {
    OwnedText old(record.dldPath);
    record.dldPath = nullptr;
}

bool SetFilePath(MainWindowRecord& record, int index, const char* path) {
    if (index < 0 || index >= kMaxFiles || path == nullptr ||
        std::strlen(path) > static_cast<size_t>(kPathChars)) {
        return false;
    }
    CopyBounded(record.filePaths[index], kPathChars, path);
    return true;
}

}  // namespace corvane
