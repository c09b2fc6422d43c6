// Firmware file selection: the platform's open-file dialog fills the main
// window's file list (at most eight files), a chosen .DLD file replaces the
// selection with its list, and the folder is remembered in "File Directory".
#pragma once

#include "app/files/FileListTarget.h"
#include "platform/SettingsKey.h"

namespace corvane {

inline constexpr const char* kFirmwareFileFilter =
    "Standard QVS Files|*.bt; *.mot; *.spl; *.sys; *.hex; *.dld|All Files (*.*)|*.*||";
inline constexpr uint32_t kFirmwareFileDialogFlags = kOpenFileAllowMultiSelect |
                                                     kOpenFileMustExist | kOpenFileHideReadOnly |
                                                     kOpenFileExplorer | kOpenFileLongNames;
inline constexpr uint32_t kFileDialogBufferSize = 1024;
// Characters of the chosen folder kept in the file directory (a separator
// follows).
inline constexpr int kFileDirectoryChars = 258;

// Runs the dialog and takes its result. Afterwards, also when cancelled,
// Download (1002) and Verify (1007) are enabled exactly when the display
// state is Ready and there is at least one file. A folder over 258
// characters, or a folder and name over 259, is reported by a message box
// naming it and leaves the file list empty.
void SelectFirmwareFiles(FileListTarget& target, platform::SettingsKey* settings);

}  // namespace corvane
