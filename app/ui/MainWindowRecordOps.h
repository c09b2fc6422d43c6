// Operations on the main window record that keep its texts within their
// fields and its one heap text (the .DLD path) owned exactly once.
//
// The identity texts are written by the download thread and read by the UI
// thread without a lock; the display state keeps them apart (see
// MainWindowRecord.h). These functions add no locking of their own.
#pragma once

#include "app/ui/MainWindowRecord.h"
#include "app/ui/OwnedText.h"

namespace corvane {

// The state of a freshly constructed record: settings at their defaults,
// platform identifier "UNKNOWN", empty numbers and paths, no files,
// download-finished flag 1, display state WaitingForProjector. Frees dldPath.
void ResetMainWindowRecord(MainWindowRecord& record);

// Copy at most the field's number of characters (10, 14, 12, 14, 12) and
// zero the rest of the field; a longer text is cut, nullptr counts as "".
void SetPlatformId(MainWindowRecord& record, const char* text);
void SetCurrentPartNumber(MainWindowRecord& record, const char* text);
void SetCurrentSerialNumber(MainWindowRecord& record, const char* text);
void SetNewPartNumber(MainWindowRecord& record, const char* text);
void SetNewSerialNumber(MainWindowRecord& record, const char* text);

// Takes ownership of path (a new[] text, as every OwnedText is) and frees the
// path held before. FreeDldPath frees it and leaves nullptr; the owner of the
// record calls it at close.
void SetDldPath(MainWindowRecord& record, OwnedText path);
void FreeDldPath(MainWindowRecord& record);

// Copies a full path into file slot `index` without cutting it: a path of
// more than kPathChars characters, or an index outside the eight slots,
// leaves the slot untouched and gives false. The file count is not changed.
bool SetFilePath(MainWindowRecord& record, int index, const char* path);

// Copies at most maxChars characters of text into field (which holds
// maxChars + 1 bytes) and zeroes the rest of it; nullptr counts as "".
void CopyBounded(char* field, int maxChars, const char* text);

}  // namespace corvane
