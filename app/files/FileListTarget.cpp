#include "app/files/FileListTarget.h"

#include <cstring>
#include <string>

#include "app/ui/ControlIds.h"

namespace corvane {

void ClearFileList(FileListTarget& target) {
    target.record.fileCount = 0;
    std::memset(target.record.filePaths, 0, sizeof(target.record.filePaths));
    target.window.ListReset(MainWindowIds::kFileList);
}

void ShowFileListError(FileListTarget& target, const char* prefix, const char* path) {
    const std::string text = std::string(prefix) + "\n" + (path != nullptr ? path : "");
    target.window.ShowMessageBox(text.c_str(), "Corvane", MessageBoxIcon::Error);
}

}  // namespace corvane
