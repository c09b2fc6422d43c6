#include "app/ui/ProgramContext.h"

#include "app/ui/WindowMessages.h"
#include "platform/DeviceNotifications.h"

namespace corvane {

bool PostToMainWindow(const ProgramContext& context, uint32_t message, platform::WParam wParam,
                      platform::LParam lParam) {
    if (context.mainWindowQueue == nullptr) {
        return false;
    }
    context.mainWindowQueue->Post(message, wParam, lParam);
    return true;
}

bool PostTextToMainWindow(const ProgramContext& context, uint32_t message, platform::WParam wParam,
                          OwnedText text) {
    if (context.mainWindowQueue == nullptr) {
        return false;  // text is freed on return
    }
    context.mainWindowQueue->Post(message, wParam, ReleaseTextToParam(std::move(text)));
    return true;
}

void DiscardPostedMessage(const platform::Message& message) {
    if (message.message == WM_SET_CONTROL_TEXT) {
        TakePostedText(message.lParam);
    } else if (message.message == WM_DEVICECHANGE) {
        platform::FreeDeviceInterfaceNotice(message.lParam);
    }
}

}  // namespace corvane
