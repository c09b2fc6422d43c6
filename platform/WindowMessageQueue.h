// Messages posted to the main window from any thread, delivered in posting
// order on the user-interface thread by whichever front end runs the loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Message.h"

namespace corvane::platform {

class WindowMessageQueue {
public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    WindowMessageQueue();
    ~WindowMessageQueue();
    WindowMessageQueue(const WindowMessageQueue&) = delete;
    WindowMessageQueue& operator=(const WindowMessageQueue&) = delete;

    // Any thread. Always succeeds while the queue exists.
    void Post(uint32_t message, WParam wParam = 0, LParam lParam = 0);

    // UI thread: removes the oldest message; false when none came within timeoutMs.
    bool Take(Message& out, uint32_t timeoutMs = 0);
    bool Empty() const;

    // Called on the posting thread after every post, so a toolkit's event loop
    // can be woken (for example by queueing a call onto its own thread).
    void SetWakeHandler(std::function<void()> wake);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform
