// The open-file dialog's two conventions, translated for Qt: the Windows
// filter text ("Name|*.a; *.b|...||") into Qt name filters and the patterns
// to match, and the chosen files into the Windows result buffer.
#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "app/ui/DialogWindow.h"

namespace corvane::qt {

struct FileFilterEntry {
    QString display;       // what the filter box shows: "Name (*.a *.b)"
    QStringList patterns;  // matched regardless of case
};

// Entries in order; parsing stops at the first empty name or a name without
// patterns. "*.*" matches every file, as on Windows.
std::vector<FileFilterEntry> ParseFileFilter(const char* filter);

// nullopt for no file, files in different folders, or a result that does not
// fit bufferSize characters (NULs included), as the Windows dialog fails then.
std::optional<OpenFileResult> ToOpenFileResult(const QStringList& files, uint32_t bufferSize);

}  // namespace corvane::qt
