// Asks for the stored password before the configuration dialog opens.
#pragma once

#include "app/ui/DialogWindow.h"

namespace corvane {

inline constexpr int kPasswordChars = 10;      // characters that count
inline constexpr int kPasswordEditLimit = 11;  // one more can be typed
inline constexpr const char* kAccessCode = "/- kvet -/";

class PasswordDialog : public DialogHandler {
public:
    void OnInitDialog(DialogWindow& window) override;
    void OnControl(int id, ControlEvent event) override;
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override;

    // What was typed (its first 10 characters), once ended with OK.
    const char* Entered() const { return entered_; }

private:
    DialogWindow* window_ = nullptr;
    char entered_[kPasswordChars + 1] = {};
};

}  // namespace corvane
