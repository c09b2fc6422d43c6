// Delivers the messages posted to the main window from Qt's event loop: each
// post wakes the loop (from the posting thread) with a queued call, and the
// call takes and dispatches every waiting message in order. Any event loop
// running on the UI thread (the main window's, a dialog's, a message box's,
// a file dialog's) therefore keeps delivering them.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "app/ui/DialogWindow.h"
#include "platform/WindowMessageQueue.h"

namespace corvane::qt {

class QtMainQueuePump : public QObject {
public:
    QtMainQueuePump();
    ~QtMainQueuePump() override;
    QtMainQueuePump(const QtMainQueuePump&) = delete;
    QtMainQueuePump& operator=(const QtMainQueuePump&) = delete;

    // nullptr, nullptr disconnects (no more wake-ups from the old queue).
    void Connect(platform::WindowMessageQueue* queue, DialogHandler* handler);
    platform::WindowMessageQueue* Queue() const { return queue_; }
    DialogHandler* Handler() const { return handler_; }

    // UI thread: dispatches what is posted now.
    void Drain();

    // Called on the UI thread after each dispatched message (a measurement
    // watching the window's state); empty: nothing.
    void SetAfterDispatch(std::function<void()> hook) { afterDispatch_ = std::move(hook); }

private:
    // Shared with the wake handler, which the queue may still be calling on
    // another thread while the pump disconnects.
    struct Wake {
        std::mutex mutex;
        QObject* target = nullptr;
        std::atomic<bool> pending{false};
    };
    void ScheduleDrain();
    static void WakeUp(const std::shared_ptr<Wake>& wake);

    std::shared_ptr<Wake> wake_;
    platform::WindowMessageQueue* queue_ = nullptr;
    DialogHandler* handler_ = nullptr;
    std::function<void()> afterDispatch_;
};

}  // namespace corvane::qt
