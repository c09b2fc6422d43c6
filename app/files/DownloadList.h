// Download list files (.DLD): profile files whose [DownloadFiles] section
// names the firmware files of one download, in order, and whose
// [NewPartNumber] section can instead ask for a new part number first.
#pragma once

#include "app/files/FileListTarget.h"

namespace corvane {

inline constexpr int kDownloadFilesBufferSize = 1024;
inline constexpr int kNewPartNumberBufferSize = 25;
// Characters of the part number that name its list file.
inline constexpr int kListNamePartNumberChars = 11;

// Fills the file paths, file count and file list box from the list's
// DownloadFiles section (at most eight File entries; a relative entry is
// joined to the base folder: the .DLD path when MatchFilesToPartNumber is on,
// else the file directory). 1 when the section was read, even if it named no
// file. 0 when the file cannot be opened, the section is missing or empty, or
// a joined path would exceed 259 characters; a message box names the file
// (or the path) and the file list is emptied.
int LoadDownloadList(FileListTarget& target, const char* listPath);

// Looks for <.DLD path><first 11 characters of the part number>.DLD. When its
// NewPartNumber section starts with a PN entry, puts the value into edit
// 1023, posts a Program IDs click (WM_COMMAND 1009) to the window and
// returns 1; otherwise loads the file's DownloadFiles section and returns 0.
// Nothing happens (0) for an empty part number or "INVALID". A file that
// cannot be opened, or a name over 259 characters, is reported and empties
// the file list.
int MatchDownloadListToPartNumber(FileListTarget& target);

}  // namespace corvane
