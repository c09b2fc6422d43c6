#include "app/ui/win32/Win32MainQueuePump.h"

#include "app/ui/win32/Win32DialogWindow.h"
#include "app/ui/win32/WindowsApi.h"

namespace corvane::win32 {

Win32MainQueuePump::Win32MainQueuePump() : wake_(std::make_shared<Wake>()) {}

Win32MainQueuePump::~Win32MainQueuePump() {
    Connect(nullptr, nullptr);
    AttachWindow(nullptr);
}

void Win32MainQueuePump::Connect(platform::WindowMessageQueue* queue, DialogHandler* handler) {
    if (queue_ != nullptr) {
        queue_->SetWakeHandler(nullptr);
    }
    queue_ = queue;
    handler_ = handler;
    wake_->pending = false;
    if (queue_ != nullptr) {
        std::shared_ptr<Wake> wake = wake_;
        queue_->SetWakeHandler([wake] { WakeUp(wake); });
        if (!queue_->Empty()) {
            WakeUp(wake_);
        }
    }
}

void Win32MainQueuePump::AttachWindow(void* hwnd) {
    {
        std::lock_guard lock(wake_->mutex);
        wake_->window = hwnd;
        wake_->pending = false;
    }
    if (hwnd != nullptr && queue_ != nullptr && !queue_->Empty()) {
        WakeUp(wake_);
    }
}

void Win32MainQueuePump::WakeUp(const std::shared_ptr<Wake>& wake) {
    std::lock_guard lock(wake->mutex);
    if (wake->window == nullptr || wake->pending.exchange(true)) {
        return;  // no window yet, or a drain is already on its way
    }
    if (!PostMessageA(static_cast<HWND>(wake->window), kWakeMainQueueMessage, 0, 0)) {
        wake->pending = false;  // the thread's queue is full: the next post tries again
    }
}

void Win32MainQueuePump::Drain() {
    // One message per wake-up, and the next wake-up is on its way before this
    // one is dispatched: a dialog or message box the dispatch opens delivers
    // the rest from its own loop, as Windows delivers posted messages.
    wake_->pending = false;
    platform::Message message;
    if (queue_ == nullptr || !queue_->Take(message, 0)) {
        return;
    }
    if (!queue_->Empty()) {
        WakeUp(wake_);
    }
    if (handler_ != nullptr) {
        handler_->DispatchMessage(message.message, message.wParam, message.lParam);
    }
}

}  // namespace corvane::win32
