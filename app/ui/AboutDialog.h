// The About box: the program's version under its banner.
#pragma once

#include "app/ui/DialogWindow.h"

namespace corvane {

class AboutDialog : public DialogHandler {
public:
    void OnInitDialog(DialogWindow& window) override;
    void OnControl(int id, ControlEvent event) override;
    MessageResult DispatchMessage(uint32_t message, platform::WParam wParam,
                                  platform::LParam lParam) override;

private:
    DialogWindow* window_ = nullptr;
};

}  // namespace corvane
