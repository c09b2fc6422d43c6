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

namespace {

std::string TextOf(HWND window) {
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace

WindowSnapshot WaitUntilControlEnabled(const char* caption, int readyId, int firstId, int secondId,
                                       int timeoutMs) {
    constexpr int kPollMs = 50;
    WindowSnapshot snapshot;
    for (int waited = 0; waited <= timeoutMs; waited += kPollMs) {
        HWND window = FindWindowA(nullptr, caption);
        if (window != nullptr && IsWindowEnabled(GetDlgItem(window, readyId)) != FALSE) {
            snapshot.ready = true;
            snapshot.caption = TextOf(window);
            snapshot.firstText = TextOf(GetDlgItem(window, firstId));
            snapshot.secondText = TextOf(GetDlgItem(window, secondId));
            break;
        }
        Sleep(kPollMs);
    }
    return snapshot;
}

}  // namespace corvane::win32::test
