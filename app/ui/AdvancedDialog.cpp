#include "app/ui/AdvancedDialog.h"

#include "app/ui/ControlIds.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

void AdvancedDialog::OnInitDialog(DialogWindow& window) {
    window_ = &window;
    EnableClearNvram();
}

void AdvancedDialog::OnControl(int id, ControlEvent event) {
    if (event != ControlEvent::Clicked || window_ == nullptr) {
        return;
    }
    if (id == AdvancedDialogIds::kClearNvram) {
        if (!window_->IsControlEnabled(id)) {
            return;  // a second click before the button greyed out
        }
        window_->EnableControl(id, false);
        locked_ = 1;
        mainWindow_.PostToWindow(WM_CLEAR_NVRAM, 0, 0);
    } else if (id == kIdOk || id == kIdCancel) {
        // Escape must not get round the lock that guards OK and the close box.
        CloseUnlessLocked();
    }
}

MessageResult AdvancedDialog::DispatchMessage(uint32_t message, platform::WParam,
                                              platform::LParam) {
    if (message == WM_CLOSE) {
        CloseUnlessLocked();
        return {true, 0};
    }
    return {};
}

void AdvancedDialog::CloseUnlessLocked() {
    if (locked_ != 0 || window_ == nullptr) {
        return;
    }
    if (restoreMainButtons_) {
        restoreMainButtons_();
    }
    window_->ShowWindow(false);
}

void AdvancedDialog::Show() {
    locked_ = 0;
    EnableClearNvram();
    if (window_ != nullptr) {
        window_->ShowWindow(true);
    }
}

void AdvancedDialog::Hide() {
    if (window_ != nullptr) {
        window_->ShowWindow(false);
    }
}

void AdvancedDialog::Unlock() {
    locked_ = 0;
    EnableClearNvram();
}

void AdvancedDialog::AllowClearing(bool allowed) {
    clearingAllowed_ = allowed;
    EnableClearNvram();
}

void AdvancedDialog::EnableClearNvram() {
    if (window_ != nullptr) {
        window_->EnableControl(AdvancedDialogIds::kClearNvram, clearingAllowed_ && locked_ == 0);
    }
}

}  // namespace corvane
