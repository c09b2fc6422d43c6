#include "app/ui/PasswordDialog.h"

#include "app/ui/ControlIds.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

void PasswordDialog::OnInitDialog(DialogWindow& window) {
    window_ = &window;
    window.LimitText(PasswordDialogIds::kPassword, kPasswordEditLimit);
    window.FocusControl(PasswordDialogIds::kPassword);
}

void PasswordDialog::OnControl(int id, ControlEvent event) {
    if (event != ControlEvent::Clicked || window_ == nullptr) {
        return;
    }
    if (id == kIdOk) {
        window_->GetControlText(PasswordDialogIds::kPassword, entered_, sizeof(entered_));
        window_->EndDialog(kIdOk);
    } else if (id == kIdCancel) {
        window_->EndDialog(kIdCancel);
    }
}

MessageResult PasswordDialog::DispatchMessage(uint32_t message, platform::WParam,
                                              platform::LParam) {
    if (message == WM_CLOSE) {
        OnControl(kIdCancel, ControlEvent::Clicked);
        return {true, 0};
    }
    return {};
}

}  // namespace corvane
