// The Advanced window: a modeless window, created hidden with the main window
// and shown by its Advanced button, that offers Clear NVRAM. While a clearing
// runs it is locked: neither OK nor the close box (nor Escape) closes it.
// Clear NVRAM is enabled only while the main window allows a clearing (it is
// Ready) and none is under way.
#pragma once

#include <functional>

#include "app/ui/DialogWindow.h"

namespace corvane {

class AdvancedDialog : public DialogHandler {
public:
    // mainWindow: the main window's window, to which it posts
    // WM_CLEAR_NVRAM. restoreMainButtons: called when the window closes, to
    // give back the main window's Program IDs, Config, Advanced and Select
    // Files buttons.
    AdvancedDialog(DialogWindow& mainWindow, std::function<void()> restoreMainButtons)
        : mainWindow_(mainWindow), restoreMainButtons_(std::move(restoreMainButtons)) {}

    void OnInitDialog(DialogWindow& window) override;
    void OnControl(int id, ControlEvent event) override;
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override;

    // Clears the lock first, then shows the window.
    void Show();
    // Hides the window; the lock stays as it is.
    void Hide();
    // The end of a clearing (or its refusal): lock cleared, Clear NVRAM
    // enabled again where a clearing is allowed.
    void Unlock();
    // Called with every display state of the main window.
    void AllowClearing(bool allowed);
    // The window is about to be destroyed.
    void Detach() { window_ = nullptr; }
    bool Locked() const { return locked_ != 0; }

private:
    void CloseUnlessLocked();
    void EnableClearNvram();

    DialogWindow& mainWindow_;
    std::function<void()> restoreMainButtons_;
    DialogWindow* window_ = nullptr;
    uint8_t locked_ = 0;
    bool clearingAllowed_ = false;
};

}  // namespace corvane
