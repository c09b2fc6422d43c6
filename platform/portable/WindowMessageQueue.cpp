#include "platform/WindowMessageQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace corvane::platform {

struct WindowMessageQueue::Impl {
    mutable std::mutex mutex;
    std::condition_variable posted;
    std::deque<Message> messages;
    // Shared so a post can call the handler outside the lock while another
    // thread replaces it.
    std::shared_ptr<const std::function<void()>> wake;
};

WindowMessageQueue::WindowMessageQueue() : impl_(std::make_unique<Impl>()) {}

WindowMessageQueue::~WindowMessageQueue() = default;

void WindowMessageQueue::Post(uint32_t message, WParam wParam, LParam lParam) {
    std::shared_ptr<const std::function<void()>> wake;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->messages.push_back(Message{message, wParam, lParam});
        impl_->posted.notify_one();
        wake = impl_->wake;
    }
    // Outside the lock: a handler may well post or take itself.
    if (wake && *wake) {
        (*wake)();
    }
}

bool WindowMessageQueue::Take(Message& out, uint32_t timeoutMs) {
    std::unique_lock lock(impl_->mutex);
    auto hasMessage = [this] { return !impl_->messages.empty(); };
    if (timeoutMs == kInfinite) {
        impl_->posted.wait(lock, hasMessage);
    } else if (!impl_->posted.wait_for(lock, std::chrono::milliseconds(timeoutMs), hasMessage)) {
        return false;
    }
    out = impl_->messages.front();
    impl_->messages.pop_front();
    return true;
}

bool WindowMessageQueue::Empty() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->messages.empty();
}

void WindowMessageQueue::SetWakeHandler(std::function<void()> wake) {
    auto handler = std::make_shared<const std::function<void()>>(std::move(wake));
    std::lock_guard lock(impl_->mutex);
    impl_->wake = std::move(handler);
}

}  // namespace corvane::platform
