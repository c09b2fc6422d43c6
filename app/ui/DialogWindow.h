// The "dialog window" every window of the program is driven through: controls
// addressed by their template id, the window itself, and the modal helpers
// (message box, open-file dialog, folder chooser). The dialog classes
// (MainWindow, ConfigDialog, PasswordDialog, AdvancedDialog, AboutDialog) know
// only this interface; each front end (Qt, terminal, Win32, the test fake)
// implements it over windows built from the shared templates.
//
// Everything here is called on the user-interface thread only.
//
// Note for a Win32 front end: <windows.h> defines DispatchMessage as a macro;
// include this header after it and #undef DispatchMessage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Message.h"

namespace corvane {

// The error icon is the stop icon.
enum class MessageBoxIcon : uint8_t { Error, Exclamation, Information };

// What a message box with an OK button returns.
inline constexpr int kMessageBoxOk = 1;

// Options of the open-file dialog (the values of the Windows OFN_* flags).
inline constexpr uint32_t kOpenFileHideReadOnly = 0x00000004;
inline constexpr uint32_t kOpenFileAllowMultiSelect = 0x00000200;
inline constexpr uint32_t kOpenFileMustExist = 0x00001000;
inline constexpr uint32_t kOpenFileExplorer = 0x00080000;
inline constexpr uint32_t kOpenFileLongNames = 0x00200000;

struct OpenFileRequest {
    // "Name|patterns|Name|patterns||": entry names and their patterns
    // ("*.a; *.b"), the first entry selected; patterns match regardless of case.
    const char* filter = "";
    const char* initialFolder = "";  // "" leaves the folder to the platform
    uint32_t flags = 0;
    uint32_t bufferSize = 0;  // characters the result may take, NULs included
};

// The chosen files in the platform dialog's result-buffer convention: with one
// file, its full path and a NUL; with several, the folder, a NUL, each name
// followed by a NUL, and one more NUL. fileOffset is the index of the first
// name (with one file: the character after the last separator).
struct OpenFileResult {
    std::vector<char> buffer;
    uint32_t fileOffset = 0;
};

struct WindowPosition {
    int x = 0;  // outer top-left corner, in screen pixels
    int y = 0;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // --- Controls, by template id. An id the window does not have is ignored
    // (reads give false, 0 or "").
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    virtual void ShowControl(int id, bool show) = 0;
    virtual bool IsControlVisible(int id) const = 0;
    virtual void FocusControl(int id) = 0;
    // Setting a text is not limited by LimitText (as SetWindowText).
    virtual void SetControlText(int id, const char* text) = 0;
    // GetDlgItemText: copies at most size - 1 characters and a NUL; returns
    // the number of characters copied (0 and "" for size 1).
    virtual int GetControlText(int id, char* buffer, int size) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsChecked(int id) const = 0;
    // The most characters the user can type into an edit.
    virtual void LimitText(int id, int maxChars) = 0;
    virtual void ListReset(int id) = 0;
    // Appends (a sorted list box places the text in order); returns its index.
    virtual int ListAddString(int id, const char* text) = 0;
    // Inserts at index (-1: at the end) without sorting; returns the index.
    virtual int ListInsertString(int id, int index, const char* text) = 0;
    virtual int ListCount(int id) const = 0;
    virtual std::string ListItemText(int id, int index) const = 0;
    // Progress bar position within its range 0..100.
    virtual void SetProgressPosition(int id, int position) = 0;
    // The button that Enter presses.
    virtual void SetDefaultButton(int id) = 0;
    // Paint the control again, asking DialogHandler::UsesListBrush afresh.
    virtual void RedrawControl(int id) = 0;

    // --- The window.
    virtual void SetCaption(const char* caption) = 0;
    virtual void SetIcon(int resourceId) = 0;  // big and small icon
    // A separator and then an item in the window's system menu; choosing it
    // delivers WM_SYSCOMMAND with commandId.
    virtual void AppendSystemMenuItem(int commandId, const char* text) = 0;
    virtual void ShowWindow(bool show) = 0;
    virtual bool IsWindowVisible() const = 0;
    virtual WindowPosition GetWindowPosition() const = 0;
    virtual void MoveWindow(int x, int y) = 0;  // keeps the size
    // Ends a modal run with result (kIdOk, kIdCancel).
    virtual void EndDialog(int result) = 0;
    // Any thread may post to the main window through the program's queue;
    // this is the UI thread's own way: queued behind what is already posted.
    virtual void PostToWindow(uint32_t message, platform::WParam wParam,
                              platform::LParam lParam) = 0;

    // --- Modal helpers, owned by this window. While any of them is open the
    // messages posted to the main window keep being delivered.
    virtual int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                               bool systemModal = false) = 0;
    // nullopt when the user cancels (or the platform fails).
    virtual std::optional<OpenFileResult> ChooseFilesToOpen(const OpenFileRequest& request) = 0;
    // The chosen folder's file-system path, without a trailing separator
    // (the root folder is "/"); nullopt when cancelled or when the chosen
    // item has no file-system path.
    virtual std::optional<std::string> ChooseFolder() = 0;
};

// How the user and the system reach a dialog class.
enum class ControlEvent : uint8_t { Clicked, GainedFocus, LostFocus };

struct MessageResult {
    bool handled = false;  // false: the front end does its default processing
    platform::LParam value = 0;
};

class DialogHandler {
public:
    virtual ~DialogHandler() = default;

    // The window has been created from its template and is not yet shown. The
    // window stays valid until the modal run ends (modeless: until the owner
    // destroys it).
    virtual void OnInitDialog(DialogWindow& window) = 0;
    // A click on a button or check box (Enter presses the default button,
    // Escape clicks kIdCancel), an edit gaining or losing the focus. Posted
    // WM_COMMAND messages arrive here too, through DispatchMessage.
    virtual void OnControl(int id, ControlEvent event) = 0;
    // Every other message: WM_CLOSE (the close box), WM_SYSCOMMAND, and the
    // messages posted to the window.
    virtual MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                          platform::LParam lParam) = 0;
    // Colour request: true when the list box is drawn on the light grey list
    // brush (RGB 192, 192, 192) with transparent text background.
    virtual bool UsesListBrush(int /*id*/) const { return false; }
};

// WM_COMMAND's first parameter: the control id in the low word, the
// notification code (0 for a click) in the high word.
inline int CommandControlId(platform::WParam wParam) {
    return static_cast<int>(wParam & 0xFFFF);
}
inline uint32_t CommandNotification(platform::WParam wParam) {
    return static_cast<uint32_t>((wParam >> 16) & 0xFFFF);
}

}  // namespace corvane
