// Corvane.exe: the program on the Win32 dialogs, over the real system (the
// installed Dornik driver, the registry, device notifications). It reads no
// command line.
#pragma once

namespace corvane::win32 {

// instance: the executable's module (its icon, banner and version resources).
// Returns the program's exit code.
int RunCorvane(void* instance);

}  // namespace corvane::win32
