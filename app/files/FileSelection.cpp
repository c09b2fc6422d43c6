#include "app/files/FileSelection.h"

#include <cctype>
#include <cstring>
#include <string>

#include "app/files/DownloadList.h"
#include "app/ui/ControlIds.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/SettingsStore.h"
#include "platform/Paths.h"

namespace corvane {

namespace {

bool IsDownloadListName(const char* path) {
    const size_t length = std::strlen(path);
    if (length < 4) {
        return false;
    }
    const char* extension = path + length - 4;
    for (int i = 0; i < 4; ++i) {
        if (std::toupper(static_cast<unsigned char>(extension[i])) != ".DLD"[i]) {
            return false;
        }
    }
    return true;
}

// The text starting at offset, if a NUL ends it inside the buffer.
const char* TextAt(const std::vector<char>& buffer, size_t offset) {
    if (offset >= buffer.size() ||
        std::memchr(buffer.data() + offset, '\0', buffer.size() - offset) == nullptr) {
        return nullptr;
    }
    return buffer.data() + offset;
}

void Refuse(FileListTarget& target, const char* path) {
    ShowFileListError(target, kPathTooLongText, path);
    ClearFileList(target);
}

// Steps 3 to 6 on a dialog result: folder, names, then a chosen list.
void TakeChosenFiles(FileListTarget& target, platform::SettingsKey* settings,
                     OpenFileResult result) {
    MainWindowRecord& record = target.record;
    ClearFileList(target);
    std::vector<char>& buffer = result.buffer;
    const size_t offset = result.fileOffset;
    if (offset == 0 || offset >= buffer.size()) {
        return;  // no name in the buffer: nothing was chosen
    }
    // With one file this replaces the separator in front of its name; with
    // several it is the NUL already there.
    buffer[offset - 1] = '\0';
    const std::string folder = buffer.data();
    if (folder.size() > static_cast<size_t>(kFileDirectoryChars)) {
        Refuse(target, folder.c_str());
        return;
    }
    CopyBounded(record.fileDirectory, kPathChars, (folder + platform::kPathSeparator).c_str());
    WriteSettingText(settings, SettingId::FileDirectory, record.fileDirectory);

    size_t next = offset;
    for (int index = 0; index < kMaxFiles; ++index) {
        const char* name = TextAt(buffer, next);
        if (name == nullptr || *name == '\0') {
            break;
        }
        const std::string path = std::string(record.fileDirectory) + name;
        if (!SetFilePath(record, index, path.c_str())) {
            Refuse(target, path.c_str());
            return;
        }
        target.window.ListInsertString(MainWindowIds::kFileList, index, name);
        record.fileCount = static_cast<uint8_t>(index + 1);
        next += std::strlen(name) + 1;
    }
    for (int index = 0; index < record.fileCount; ++index) {
        if (IsDownloadListName(record.filePaths[index])) {
            const std::string listPath = record.filePaths[index];  // the list replaces the slots
            LoadDownloadList(target, listPath.c_str());
            break;
        }
    }
}

}  // namespace

void SelectFirmwareFiles(FileListTarget& target, platform::SettingsKey* settings) {
    const OwnedText initialFolder = ReadSettingText(settings, SettingId::FileDirectory, "");
    OpenFileRequest request;
    request.filter = kFirmwareFileFilter;
    request.initialFolder = initialFolder.get();
    request.flags = kFirmwareFileDialogFlags;
    request.bufferSize = kFileDialogBufferSize;
    if (std::optional<OpenFileResult> result = target.window.ChooseFilesToOpen(request)) {
        TakeChosenFiles(target, settings, std::move(*result));
    }
    const bool enable = target.record.displayState == Ready && target.record.fileCount > 0;
    target.window.EnableControl(MainWindowIds::kDownload, enable);
    target.window.EnableControl(MainWindowIds::kVerify, enable);
}

}  // namespace corvane
