// The modal helpers of the Win32 dialog window: message box, open-file dialog,
// folder chooser. Each runs Windows' own loop, which dispatches the main
// window's private wake-ups and so keeps its posted messages flowing.
#include <vector>

#include "app/ui/win32/FileDialogBuffer.h"
#include "app/ui/win32/Win32DialogWindow.h"
#include "app/ui/win32/WindowsApi.h"

// After windows.h.
#include <commdlg.h>
#include <shlobj.h>

namespace corvane::win32 {

namespace {

UINT IconStyle(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::Error:
            return MB_ICONSTOP;
        case MessageBoxIcon::Exclamation:
            return MB_ICONEXCLAMATION;
        case MessageBoxIcon::Information:
            return MB_ICONINFORMATION;
    }
    return 0;
}

}  // namespace

int RunMessageBox(void* owner, const char* text, const char* caption, MessageBoxIcon icon,
                  bool systemModal) {
    const UINT style = MB_OK | IconStyle(icon) | (systemModal ? MB_SYSTEMMODAL : 0);
    const int answer = MessageBoxA(static_cast<HWND>(owner), text != nullptr ? text : "",
                                   caption != nullptr ? caption : "", style);
    return answer == IDOK ? kMessageBoxOk : answer;
}

int Win32DialogWindow::ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                                      bool systemModal) {
    return RunMessageBox(hwnd_, text, caption, icon, systemModal);
}

std::optional<OpenFileResult> Win32DialogWindow::ChooseFilesToOpen(const OpenFileRequest& request) {
    if (request.bufferSize < 2) {
        return std::nullopt;
    }
    const std::vector<char> filter = ToWindowsFilter(request.filter);
    std::vector<char> buffer(request.bufferSize, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(hwnd_);
    dialog.lpstrFilter = filter.data();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = request.bufferSize;
    const bool hasFolder = request.initialFolder != nullptr && request.initialFolder[0] != '\0';
    dialog.lpstrInitialDir = hasFolder ? request.initialFolder : nullptr;
    dialog.Flags = request.flags;
    if (!GetOpenFileNameA(&dialog)) {
        return std::nullopt;  // cancelled, or the buffer was too small
    }
    return ReadOpenFileBuffer(buffer.data(), buffer.size(), dialog.nFileOffset);
}

std::optional<std::string> Win32DialogWindow::ChooseFolder() {
    char name[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = static_cast<HWND>(hwnd_);
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = name;
    browse.lpszTitle = nullptr;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr) {
        return std::nullopt;
    }
    char path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListA(chosen, path) != FALSE && path[0] != '\0';
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc != nullptr) {
        shellMalloc->Free(chosen);
        shellMalloc->Release();
    }
    if (!hasPath) {
        return std::nullopt;
    }
    // A drive root keeps its backslash ("C:\"), as the root "/" elsewhere.
    return std::string(path);
}

}  // namespace corvane::win32
