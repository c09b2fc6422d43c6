// The files a download or verify names, as the open-file dialog would return
// them: one full path, or the folder they share and their names.
#pragma once

#include <string>
#include <vector>

#include "app/ui/DialogWindow.h"

namespace corvane::cli {

// Checks that every file can be read, that there are at most eight files or
// exactly one .DLD list, and builds the dialog's result. An error text when
// the files cannot be used.
std::string ChooseFiles(const std::vector<std::string>& files, OpenFileResult& result);

}  // namespace corvane::cli
