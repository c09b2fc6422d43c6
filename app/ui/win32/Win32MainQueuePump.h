// Delivers the messages posted to the main window from the Windows message
// loop: a post wakes the main window (from the posting thread) with a private
// posted message, and the main window's dialog procedure takes and dispatches
// one message per wake-up, waking again first while more are waiting. Every
// loop Windows runs on the user-interface thread (the main window's, a
// dialog's, MessageBox's, GetOpenFileName's, SHBrowseForFolder's) dispatches
// that private message, so the main window's messages keep being delivered,
// in order, in all of them.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "app/ui/DialogWindow.h"
#include "platform/WindowMessageQueue.h"

namespace corvane::win32 {

class Win32MainQueuePump {
public:
    Win32MainQueuePump();
    ~Win32MainQueuePump();
    Win32MainQueuePump(const Win32MainQueuePump&) = delete;
    Win32MainQueuePump& operator=(const Win32MainQueuePump&) = delete;

    // nullptr, nullptr disconnects (no more wake-ups from the old queue).
    void Connect(platform::WindowMessageQueue* queue, DialogHandler* handler);
    platform::WindowMessageQueue* Queue() const { return queue_; }
    DialogHandler* Handler() const { return handler_; }

    // The main window's handle once it exists (nullptr when it goes): wake-ups
    // are posted to it; what was posted before it existed is delivered now.
    void AttachWindow(void* hwnd);

    // UI thread, on the private wake message: dispatches the oldest message.
    void Drain();

private:
    // Shared with the wake handler, which the queue may still be calling on
    // another thread while the pump disconnects.
    struct Wake {
        std::mutex mutex;
        void* window = nullptr;
        std::atomic<bool> pending{false};
    };
    static void WakeUp(const std::shared_ptr<Wake>& wake);

    std::shared_ptr<Wake> wake_;
    platform::WindowMessageQueue* queue_ = nullptr;
    DialogHandler* handler_ = nullptr;
};

}  // namespace corvane::win32
