#include "tests/win32ui/Win32WindowTestSupport.h"

#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32::test {

bool CanCreateWindows() {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (probe == nullptr) {
        return false;
    }
    DestroyWindow(probe);
    return true;
}

}  // namespace corvane::win32::test
