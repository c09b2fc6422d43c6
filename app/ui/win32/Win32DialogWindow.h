// A dialog window that Windows builds from the shared template (an in-memory
// DLGTEMPLATE, CreateDialogIndirectParamA): controls addressed by template id,
// clicks and edit focus changes reported to the handler. The dialog manager
// gives Enter to the default button and Escape to kIdCancel; the close box
// delivers WM_CLOSE. Every loop this window runs dispatches all of the
// thread's messages, so the main window's posted messages keep flowing.
//
// Window handles are kept as void* so that this header stays free of
// <windows.h>.
#pragma once

#include <deque>
#include <vector>

#include "app/ui/DialogTemplates.h"
#include "app/ui/DialogWindow.h"
#include "platform/Message.h"

namespace corvane::win32 {

class Win32MainQueuePump;

// Private messages of the front end's windows.
inline constexpr uint32_t kWakeMainQueueMessage = 0x8000 + 0x0101;  // WM_APP + 0x101
inline constexpr uint32_t kOwnPostedMessage = 0x8000 + 0x0102;      // WM_APP + 0x102

class Win32DialogWindow : public DialogWindow {
public:
    // pump: set for the main window, whose posted messages and device changes
    // go through the program's queue.
    Win32DialogWindow(const DialogTemplate& dialog, DialogHandler& handler, void* instance,
                      Win32MainQueuePump* pump);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow&) = delete;
    Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

    // Creates the window owned by owner (nullptr: none); the handler's
    // OnInitDialog runs during the creation. False when Windows refuses.
    bool Create(void* owner);
    // Shows the window and runs the thread's messages until EndDialog; with
    // blockOthers the owner is disabled meanwhile. Returns the result
    // (kIdCancel if the loop ended otherwise).
    int RunModalLoop(bool blockOthers);

    void* Handle() const { return hwnd_; }
    int TemplateId() const { return dialog_.templateId; }
    const DialogTemplate& Template() const { return dialog_; }
    // The horizontal base unit the controls are placed in: the dialog
    // manager's, or wider where the texts need it (Win32TextFit.h).
    int HorizontalBaseUnit() const { return baseUnitX_; }

    // --- DialogWindow: controls
    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void ShowControl(int id, bool show) override;
    bool IsControlVisible(int id) const override;
    void FocusControl(int id) override;
    void SetControlText(int id, const char* text) override;
    int GetControlText(int id, char* buffer, int size) const override;
    void SetCheck(int id, bool checked) override;
    bool IsChecked(int id) const override;
    void LimitText(int id, int maxChars) override;
    void ListReset(int id) override;
    int ListAddString(int id, const char* text) override;
    int ListInsertString(int id, int index, const char* text) override;
    int ListCount(int id) const override;
    std::string ListItemText(int id, int index) const override;
    void SetProgressPosition(int id, int position) override;
    void SetDefaultButton(int id) override;
    void RedrawControl(int id) override;

    // --- DialogWindow: the window
    void SetCaption(const char* caption) override;
    void SetIcon(int resourceId) override;
    void AppendSystemMenuItem(int commandId, const char* text) override;
    void ShowWindow(bool show) override;
    bool IsWindowVisible() const override;
    WindowPosition GetWindowPosition() const override;
    void MoveWindow(int x, int y) override;
    void EndDialog(int result) override;
    void PostToWindow(uint32_t message, platform::WParam wParam, platform::LParam lParam) override;

    // --- DialogWindow: modal helpers
    int ShowMessageBox(const char* text, const char* caption, MessageBoxIcon icon,
                       bool systemModal) override;
    std::optional<OpenFileResult> ChooseFilesToOpen(const OpenFileRequest& request) override;
    std::optional<std::string> ChooseFolder() override;

    // The dialog procedure's work (Win32DialogMessages.cpp); returns what the
    // dialog procedure returns. WM_INITDIALOG's comes first, with the handle.
    intptr_t OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

private:
    // The control's window; nullptr for an id the template does not have
    // (and for kIdStatic, which names no single control).
    void* Item(int id) const;
    const ControlTemplate* Layout(int id) const;
    intptr_t OnInit(void* hwnd);
    intptr_t OnCommand(uintptr_t wParam);
    intptr_t OnListColour(uintptr_t dc, intptr_t listWindow);
    intptr_t OnPaintIcon();
    void DeliverOwnPosted();
    void ReleaseResources();

    const DialogTemplate& dialog_;
    DialogHandler& handler_;
    void* instance_;
    Win32MainQueuePump* pump_;
    std::vector<uint8_t> template_;
    void* hwnd_ = nullptr;
    void* listBrush_ = nullptr;
    void* bigIcon_ = nullptr;
    void* smallIcon_ = nullptr;
    std::deque<platform::Message> ownPosted_;
    int result_ = kIdCancel;
    int baseUnitX_ = 0;
    bool ended_ = false;
    bool initialising_ = false;
    bool focusedDuringInit_ = false;
};

// A modal message box with an OK button, owned by owner (may be nullptr).
// Its loop dispatches the thread's messages, the main window's among them.
int RunMessageBox(void* owner, const char* text, const char* caption, MessageBoxIcon icon,
                  bool systemModal);

}  // namespace corvane::win32
