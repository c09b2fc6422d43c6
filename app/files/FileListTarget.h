// What the download lists and the file selection fill: the main window's
// record (file paths, file count, file directory, part numbers, .DLD path)
// and its window (file list box 1005, new-part-number edit 1023, the message
// boxes, posting to itself). UI thread only.
#pragma once

#include "app/ui/DialogWindow.h"
#include "app/ui/MainWindowRecord.h"

namespace corvane {

struct FileListTarget {
    MainWindowRecord& record;
    DialogWindow& window;
};

// Empties the file paths, the file count and the file list box together, so
// that the window never shows a list other than the one a download would use.
void ClearFileList(FileListTarget& target);

// The message box every file-list failure shows: caption "Corvane", error
// icon, OK button, text `prefix` + "\n" + path.
void ShowFileListError(FileListTarget& target, const char* prefix, const char* path);

inline constexpr const char* kCantOpenListText = "Can't open .DLD file:";
inline constexpr const char* kPathTooLongText = "Path too long:";

}  // namespace corvane
