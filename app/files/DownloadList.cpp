#include "app/files/DownloadList.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/files/DownloadListEntries.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/WindowMessages.h"
#include "platform/Paths.h"
#include "platform/ProfileSection.h"

namespace corvane {

namespace {

// Opening (and closing at once) proves the file is there and readable before
// the profile reader, which cannot tell a missing file from an empty one.
bool CanOpen(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

const char* BaseFolder(const MainWindowRecord& record) {
    if (record.MatchFilesToPartNumber != 0) {
        return record.dldPath != nullptr ? record.dldPath : "";
    }
    return record.fileDirectory;
}

// A list cut short by a path that does not fit would download an
// incomplete set, so the whole list is refused.
int RefuseList(FileListTarget& target, const char* prefix, const char* path) {
    ShowFileListError(target, prefix, path);
    ClearFileList(target);
    return 0;
}

}  // namespace

int LoadDownloadList(FileListTarget& target, const char* listPath) {
    target.window.ListReset(MainWindowIds::kFileList);
    if (!CanOpen(listPath)) {
        return RefuseList(target, kCantOpenListText, listPath);
    }
    char section[kDownloadFilesBufferSize] = {};
    if (platform::GetPrivateProfileSection("DownloadFiles", section, sizeof(section), listPath) ==
        0) {
        return RefuseList(target, kCantOpenListText, listPath);
    }
    ClearFileList(target);
    const std::string base = BaseFolder(target.record);
    int count = 0;
    for (const char* line = section; *line != '\0' && count < kMaxFiles;
         line += std::strlen(line) + 1) {
        std::optional<std::string> value = FindListEntry(line, "File");
        if (!value) {
            continue;
        }
        platform::NormalizeListSeparators(value->data());
        const std::string path = platform::PathIsRelative(value->c_str()) ? base + *value : *value;
        if (!SetFilePath(target.record, count, path.c_str())) {
            return RefuseList(target, kPathTooLongText, path.c_str());
        }
        target.window.ListInsertString(MainWindowIds::kFileList, count,
                                       platform::PathFindFileName(target.record.filePaths[count]));
        target.record.fileCount = static_cast<uint8_t>(++count);
    }
    return 1;
}

int MatchDownloadListToPartNumber(FileListTarget& target) {
    MainWindowRecord& record = target.record;
    if (record.currentPartNumber[0] == '\0' ||
        std::strcmp(record.currentPartNumber, "INVALID") == 0) {
        return 0;
    }
    const std::string listPath = std::string(record.dldPath != nullptr ? record.dldPath : "") +
                                 std::string(record.currentPartNumber)
                                     .substr(0, static_cast<size_t>(kListNamePartNumberChars)) +
                                 ".DLD";
    if (listPath.size() > static_cast<size_t>(kPathChars)) {
        return RefuseList(target, kPathTooLongText, listPath.c_str());
    }
    if (!CanOpen(listPath.c_str())) {
        return RefuseList(target, kCantOpenListText, listPath.c_str());
    }
    char section[kNewPartNumberBufferSize] = {};
    if (platform::GetPrivateProfileSection("NewPartNumber", section, sizeof(section),
                                           listPath.c_str()) != 0) {
        if (std::optional<std::string> partNumber = FindListEntry(section, "PN")) {
            target.window.SetControlText(MainWindowIds::kNewPartNumber, partNumber->c_str());
            target.window.PostToWindow(WM_COMMAND, MainWindowIds::kProgramIds, 0);
            return 1;
        }
    }
    LoadDownloadList(target, listPath.c_str());
    return 0;
}

}  // namespace corvane
