// Corvane.exe's entry point (see CorvaneMain.h). The command line is not read.
#include "app/ui/win32/CorvaneMain.h"
#include "app/ui/win32/WindowsApi.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    return corvane::win32::RunCorvane(instance);
}
