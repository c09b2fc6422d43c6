// The profile reader and the download lists over arbitrary .DLD bytes.
// Input: a 16-byte header, then the list file.
//   [0]      bit 0: MatchFilesToPartNumber; bit 1: match by part number
//            instead of loading the list directly
//   [1]      size of the section buffer for the direct profile read (0..255)
//   [2..15]  the projector's part number (NUL-padded)
// Checks: the profile reader stays inside its buffer and ends its entries
// with two NULs; a list either loads (at most eight non-empty, terminated
// paths, each shown in the list box) or is refused with a message box and an
// empty file list; the file list and the list box always agree.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/files/DownloadList.h"
#include "app/ui/ControlIds.h"
#include "app/ui/DialogTemplates.h"
#include "app/ui/MainWindowRecordOps.h"
#include "app/ui/OwnedText.h"
#include "fuzz/FuzzCheck.h"
#include "platform/ProfileSection.h"
#include "tests/ui/RecordingWindow.h"

namespace {

using namespace corvane;

constexpr size_t kHeaderSize = 16;

class IdleHandlerDouble : public DialogHandler {
public:
    void OnInitDialog(DialogWindow&) override {}
    void OnControl(int, ControlEvent) override {}
    MessageResult DispatchMessage(uint32_t, platform::WParam, platform::LParam) override {
        return {};
    }
};

std::string& FolderPath() {
    static std::string folder;
    return folder;
}

void RemoveFolder() {
    rmdir(FolderPath().c_str());  // empty: every list is removed after its run
}

// A folder of this process's own for the list files, gone when it ends.
const std::string& Folder() {
    std::string& folder = FolderPath();
    if (folder.empty()) {
        char pattern[] = "/tmp/corvane-fuzz-dld-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern) != nullptr);
        folder = std::string(pattern) + "/";
        std::atexit(RemoveFolder);
    }
    return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    if (size > 0) {
        std::fwrite(data, 1, size, file);
    }
    std::fclose(file);
}

void CheckProfileRead(const std::string& path, uint32_t size) {
    constexpr uint8_t kGuard = 0xE5;
    char buffer[256 + 16];
    std::memset(buffer, kGuard, sizeof(buffer));
    const uint32_t copied =
        platform::GetPrivateProfileSection("DownloadFiles", buffer, size, path.c_str());
    for (size_t i = size; i < sizeof(buffer); ++i) {
        FUZZ_CHECK(static_cast<uint8_t>(buffer[i]) == kGuard);
    }
    if (size == 0) {
        FUZZ_CHECK(copied == 0);
        return;
    }
    FUZZ_CHECK(copied < size);
    FUZZ_CHECK(buffer[copied] == '\0');
    if (size >= 2) {
        FUZZ_CHECK(copied <= size - 2);
        // The run ends with two NULs: the last entry's own and the closing
        // one, or, where the buffer cut the run, the two the cut leaves.
        const bool cut = copied == size - 2 && buffer[copied + 1] == '\0';
        FUZZ_CHECK(copied == 0 || buffer[copied - 1] == '\0' || cut);
    }
}

void CheckFileList(const MainWindowRecord& record, const test::RecordingWindow& window) {
    FUZZ_CHECK(record.fileCount <= kMaxFiles);
    FUZZ_CHECK(window.ListCount(MainWindowIds::kFileList) == record.fileCount);
    for (int i = 0; i < record.fileCount; ++i) {
        FUZZ_CHECK(std::memchr(record.filePaths[i], '\0', kPathChars + 1) != nullptr);
        FUZZ_CHECK(record.filePaths[i][0] != '\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    const std::string folder = Folder();
    char partNumber[kPartNumberChars + 1] = {};
    std::memcpy(partNumber, data + 2, kPartNumberChars);
    // The matched list is named by the part number; one that would need a
    // directory is only tried (it cannot exist), never written.
    const std::string matchedName =
        std::string(partNumber).substr(0, static_cast<size_t>(kListNamePartNumberChars)) + ".DLD";
    const bool byPartNumber = (data[0] & 2) != 0;
    const bool nameIsPlain = matchedName.find('/') == std::string::npos && matchedName != ".DLD";
    const std::string listPath =
        byPartNumber && nameIsPlain ? folder + matchedName : folder + "list.dld";
    WriteFile(listPath, data + kHeaderSize, size - kHeaderSize);

    CheckProfileRead(listPath, data[1]);

    test::RecordingWindowFactory windows;
    IdleHandlerDouble handler;
    test::RecordingWindow& window = windows.Open(MainWindowTemplate(), handler);
    MainWindowRecord record;
    record.MatchFilesToPartNumber = data[0] & 1;
    std::snprintf(record.fileDirectory, sizeof(record.fileDirectory), "%s", folder.c_str());
    SetDldPath(record, CopyText(folder.c_str()));
    std::memcpy(record.currentPartNumber, partNumber, sizeof(partNumber));
    FileListTarget target{record, window};

    if (byPartNumber) {
        const int result = MatchDownloadListToPartNumber(target);
        FUZZ_CHECK(result == 0 || result == 1);
        if (result == 1) {
            // A new part number comes first: the list's files are not loaded.
            FUZZ_CHECK(record.fileCount == 0);
        }
    } else {
        const size_t boxes = windows.MessageBoxes().size();
        const int result = LoadDownloadList(target, listPath.c_str());
        FUZZ_CHECK(result == 0 || result == 1);
        if (result == 0) {
            FUZZ_CHECK(record.fileCount == 0);
            FUZZ_CHECK(windows.MessageBoxes().size() == boxes + 1);
        } else {
            FUZZ_CHECK(windows.MessageBoxes().size() == boxes);
        }
    }
    CheckFileList(record, window);
    FreeDldPath(record);
    std::remove(listPath.c_str());
    return 0;
}
