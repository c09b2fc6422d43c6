#include "app/ui/AboutDialog.h"

#include "app/ui/ControlIds.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

constexpr int kVersionTextSize = 30;  // room for 29 characters

}  // namespace

void AboutDialog::OnInitDialog(DialogWindow& window) {
    window_ = &window;
    char version[kVersionTextSize] = {};
    LoadString(kStringVersion, version, kVersionTextSize);
    window.SetControlText(AboutDialogIds::kVersion, version);
}

void AboutDialog::OnControl(int id, ControlEvent event) {
    if (event == ControlEvent::Clicked && (id == kIdOk || id == kIdCancel) && window_ != nullptr) {
        window_->EndDialog(id);
    }
}

MessageResult AboutDialog::DispatchMessage(uint32_t message, platform::WParam, platform::LParam) {
    if (message == WM_CLOSE) {
        OnControl(kIdCancel, ControlEvent::Clicked);
        return {true, 0};
    }
    return {};
}

}  // namespace corvane
