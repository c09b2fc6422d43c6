#include "platform/Event.h"

#include <algorithm>
#include <chrono>

#include "platform/linux/EventImpl.h"

namespace corvane::platform {

void Event::Impl::AddWaiter(std::shared_ptr<EventWaiter> waiter) {
    std::lock_guard lock(mutex);
    waiters.push_back(std::move(waiter));
}

void Event::Impl::RemoveWaiter(const EventWaiter* waiter) {
    std::lock_guard lock(mutex);
    auto it = std::find_if(waiters.begin(), waiters.end(),
                           [waiter](const auto& w) { return w.get() == waiter; });
    if (it != waiters.end()) {
        waiters.erase(it);
    }
}

Event::Event() : impl_(std::make_unique<Impl>()) {}

Event::~Event() = default;

void Event::Set() {
    std::vector<std::shared_ptr<EventWaiter>> waiters;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->set = true;
        waiters = impl_->waiters;
        impl_->changed.notify_all();
    }
    // Outside the event's mutex: a waiter looks at the event while holding its
    // own mutex, so taking them in the other order here could deadlock.
    for (const auto& waiter : waiters) {
        std::lock_guard lock(waiter->mutex);
        waiter->wake.notify_all();
    }
}

void Event::Reset() {
    std::lock_guard lock(impl_->mutex);
    impl_->set = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->set;
}

bool Event::Wait(uint32_t timeoutMs) const {
    std::unique_lock lock(impl_->mutex);
    auto isSet = [this] { return impl_->set; };
    if (timeoutMs == kInfinite) {
        impl_->changed.wait(lock, isSet);
        return true;
    }
    return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet);
}

}  // namespace corvane::platform
